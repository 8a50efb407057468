// The native program installing packs as a user's script would run it: a copy in a
// folder of its own (custom appears beside it), answers to the overwrite question on
// standard input, the boxes and dialogs read from standard output.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/file_system.h"
#include "framework/ctime.h"
#include "framework/file.h"
#include "install/chess_pack.h"
#include "support/zip_builder.h"
#include "test_files.h"
#include "ui/dialog_texts.h"

namespace {

struct Outcome {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
};

class ProgramCopy {
  public:
    explicit ProgramCopy(const std::string& name)
        : dir_(fs::path(TPX_BINARY_DIR) / "install-e2e" / name) {
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "custom");
        // The program finds its folder through the resolved path of its executable.
        dir_ = fs::canonical(dir_);
        fs::copy_file(TPX_PROGRAM, dir_ / "tpxinstall");
    }
    ~ProgramCopy() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path Dir() const { return dir_; }
    fs::path Custom() const { return dir_ / "custom"; }

    // Runs the copy with one argument and `input` on standard input.
    Outcome Run(const std::string& argument, const std::string& input) const {
        const fs::path inputPath = dir_ / "answers.txt";
        WriteFileBytes(inputPath, input);
        int pipeFds[2];
        if (pipe(pipeFds) != 0) return {};
        const std::string program = (dir_ / "tpxinstall").string();
        const pid_t pid = fork();
        if (pid == 0) {
            const int in = open(inputPath.c_str(), O_RDONLY);
            dup2(in, STDIN_FILENO);
            dup2(pipeFds[1], STDOUT_FILENO);
            close(pipeFds[0]);
            close(pipeFds[1]);
            execl(program.c_str(), program.c_str(), argument.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        Outcome outcome;
        char buf[4096];
        for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) > 0;) outcome.out.append(buf, n);
        close(pipeFds[0]);
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            outcome.status = WEXITSTATUS(status);
        }
        return outcome;
    }

    // The overwrite question as the program shows it for a directory below custom.
    std::string QuestionBox(const std::string& sub) const {
        const std::string shown = ToUpperAscii(Custom().string() + "/" + sub + "/");
        const std::string caption = "tpxinstall";
        return caption + "\n" + std::string(caption.size(), '-') +
               "\nSome of the files in this TPX already exist in the Quorvix Brenvo "
               "destination directory:\n\"" +
               shown + "\".\n\nOverwrite existing custom game/service files? [y/N] ";
    }

  private:
    fs::path dir_;
};

time_t LastWriteTime(const fs::path& path) {
    CFileStatus status;
    EXPECT_TRUE(CFile::GetStatus(RealFileSystem(), path.string().c_str(), status)) << path;
    return static_cast<time_t>(status.m_mtime.GetTime());
}

TEST(InstallProgram, AnsweredYesOverwritesAndShowsTheTitle) {
    ProgramCopy copy("yes");
    WriteFileBytes(copy.Custom() / "games" / "chess" / "board.txt", "old");
    zipbuild::ZipBuilder zip = ChessPack();
    zip.WriteFile((copy.Dir() / "chess.tpx").string());

    const Outcome run = copy.Run((copy.Dir() / "chess.tpx").string(), "y\n");
    EXPECT_EQ(run.status, 0);
    const std::string question = copy.QuestionBox("games/chess");
    ASSERT_EQ(run.out.substr(0, question.size()), question) << run.out;
    const std::string dialog = run.out.substr(question.size());
    EXPECT_NE(dialog.find(TPX_TEXT_OK_HEADING), std::string::npos) << dialog;
    EXPECT_NE(dialog.find("**Chess Deluxe**"), std::string::npos) << dialog;

    const fs::path board = copy.Custom() / "games" / "chess" / "board.txt";
    EXPECT_TRUE(ReadFileBytes(board) == std::string(40000, 'b'));
    const zipbuild::Entry& entry = zip.entries().front();
    EXPECT_EQ(LastWriteTime(board),
              static_cast<time_t>(CTime(entry.dosDate, entry.dosTime).GetTime()));
}

TEST(InstallProgram, DamagedPackShowsTheFailureDialogAndKeepsTheOldFile) {
    ProgramCopy copy("damaged");
    WriteFileBytes(copy.Custom() / "games" / "chess" / "board.txt", "old");
    zipbuild::ZipBuilder zip = ChessPack();
    zip.entries().front().crc = 0xDEADBEEF;
    zip.WriteFile((copy.Dir() / "damaged.tpx").string());

    const Outcome run = copy.Run((copy.Dir() / "damaged.tpx").string(), "y\n");
    EXPECT_EQ(run.status, 1);
    const std::string question = copy.QuestionBox("games/chess");
    ASSERT_EQ(run.out.substr(0, question.size()), question) << run.out;
    const std::string dialog = run.out.substr(question.size());
    EXPECT_NE(dialog.find(TPX_TEXT_FAILED_HEADING), std::string::npos) << dialog;
    EXPECT_NE(dialog.find("**\"damaged.tpx\"**"), std::string::npos) << dialog;
    EXPECT_EQ(ReadFileBytes(copy.Custom() / "games" / "chess" / "board.txt"), "old");
    EXPECT_EQ(ListTree(copy.Custom()),
              (std::set<std::string>{"games", "games/chess", "games/chess/board.txt"}));
}

}  // namespace
