// The program run as a user's script would run it: a copy in a folder of its own, a
// command line, no terminal on standard input. Its dialogs then show on standard
// output (caption, rule, controls in template order, buttons in brackets, the bold
// name line between double asterisks) and OK is pressed at once.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/resource_table.h"
#include "support/zip_builder.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder with a copy of the program: `custom` appears beside the copy.
class Sandbox {
  public:
    explicit Sandbox(const std::string& name) : dir_(fs::path(TPX_BINARY_DIR) / "e2e-work" / name) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file(TPX_PROGRAM, Program());
    }
    fs::path Dir() const { return dir_; }
    fs::path Program() const { return dir_ / "tpxinstall"; }

  private:
    fs::path dir_;
};

struct Outcome {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
};

// Runs the program with standard input from /dev/null and collects standard output.
Outcome RunProgram(const fs::path& program, const std::vector<std::string>& args) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> argv;
        const std::string path = program.string();
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    Outcome outcome;
    char buf[4096];
    for (ssize_t n; (n = read(pipeFds[0], buf, sizeof(buf))) > 0;) outcome.out.append(buf, n);
    close(pipeFds[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        outcome.status = WEXITSTATUS(status);
    return outcome;
}

// The dialog as the terminal shows it, built from the resource table.
std::string ExpectedBox(UINT templateId, const std::string& nameLine) {
    const DialogTemplate* t = nullptr;
    for (int i = 0; i < g_resourceTable.nDialogs; ++i) {
        if (g_resourceTable.pDialogs[i].nID == templateId) t = &g_resourceTable.pDialogs[i];
    }
    if (t == nullptr) return "no template " + std::to_string(templateId);
    const std::string caption = t->lpszCaption;
    std::string out = caption + "\n" + std::string(caption.size(), '-') + "\n";
    for (int i = 0; i < t->nControls; ++i) {
        const ControlTemplate& c = t->pControls[i];
        if (c.lpszText == nullptr) continue;  // the picture shows no text
        if (std::string(c.lpszClass) == "BUTTON") {
            out += std::string("[ ") + c.lpszText + " ]\n";
        } else if (c.nID == IDC_SERVICE_NAME) {
            out += "**" + nameLine + "**\n";
        } else {
            out += std::string(c.lpszText) + "\n";
        }
    }
    return out;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(TerminalRun, NoPackShowsTheNoFilesDialogAndSucceeds) {
    // No argument at all, and one empty argument (a command line of only quotes).
    const std::vector<std::vector<std::string>> commandLines = {{}, {""}};
    for (const auto& args : commandLines) {
        SCOPED_TRACE(args.size());
        Sandbox box("terminal_no_pack");
        const Outcome run = RunProgram(box.Program(), args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, ExpectedBox(IDD_NO_FILES, TPX_TEXT_DEFAULT_NAME));
        EXPECT_TRUE(fs::is_directory(box.Dir() / "custom")) << "custom is created all the same";
    }
}

TEST(TerminalRun, MissingPackShowsTheFailureDialogNamingItAndFails) {
    Sandbox box("terminal_missing_pack");
    // One argument with blanks, as a desktop passes a double-clicked file.
    const Outcome run =
        RunProgram(box.Program(), {(box.Dir() / "no such folder" / "lost pack.tpx").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, ExpectedBox(IDD_INSTALL_FAILED, "\"lost pack.tpx\""));
    EXPECT_TRUE(fs::is_empty(box.Dir() / "custom"));
}

TEST(TerminalRun, InstalledPackShowsTheSuccessDialogWithItsTitle) {
    Sandbox box("terminal_install_ok");
    zipbuild::ZipBuilder zip;
    zip.AddStored("TPX.CFG", "[tpx]\r\ntitle=Chess Deluxe\r\n");
    zip.AddDeflated("Games/Chess/Board.txt", std::string(40000, 'x'));
    zip.WriteFile((box.Dir() / "chess.tpx").string());

    const Outcome run = RunProgram(box.Program(), {(box.Dir() / "chess.tpx").string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, ExpectedBox(IDD_INSTALL_OK, "Chess Deluxe"));
    const std::string board = ReadAll(box.Dir() / "custom" / "games" / "chess" / "board.txt");
    EXPECT_EQ(board.size(), 40000u);
    EXPECT_TRUE(board == std::string(40000, 'x')) << "board.txt differs from the entry";
    EXPECT_TRUE(fs::is_regular_file(box.Dir() / "custom" / "tpx.cfg"));
}

}  // namespace
