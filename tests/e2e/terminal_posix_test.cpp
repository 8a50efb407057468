// The program run as a user's script would run it: a copy in a folder of its own, a
// command line, no terminal on standard input. Its dialogs then show on standard
// output (caption, rule, controls in template order, buttons in brackets, the bold
// name line between double asterisks) and OK is pressed at once.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "e2e/program_posix.h"
#include "support/zip_builder.h"
#include "ui/dialog_texts.h"
#include "ui/resources.h"

namespace {

using namespace e2e;

// The dialog as the terminal shows it: caption, rule, the texts from top to bottom,
// the button last.
std::string ExpectedBox(unsigned templateId, const std::string& nameLine,
                        const std::string& cause = "") {
    const std::string caption = TPX_TEXT_CAPTION;
    const std::string out = caption + "\n" + std::string(caption.size(), '-') + "\n";
    const std::string name = "**" + nameLine + "**\n";
    switch (templateId) {
        case IDD_NO_FILES:
            return out + name + TPX_TEXT_NO_FILES "\n[ OK ]\n";
        case IDD_INSTALL_OK:
            return out + TPX_TEXT_OK_HEADING "\n" + name + TPX_TEXT_OK_FOOTER "\n[ OK ]\n";
        default:
            return out + TPX_TEXT_FAILED_HEADING "\n" + name + TPX_TEXT_FAILED_FOOTER "\n" + cause +
                   "\n[ OK ]\n";
    }
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
    EXPECT_EQ(run.out,
              ExpectedBox(IDD_INSTALL_FAILED, "\"lost pack.tpx\"", "The pack cannot be found."));
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

// Text from a pack cannot drive the terminal: control characters show as ^X.
TEST(TerminalRun, ControlCharactersOfATitleAreShownNotObeyed) {
    Sandbox box("terminal_title_controls");
    zipbuild::ZipBuilder zip;
    zip.AddStored("tpx.cfg", "[tpx]\ntitle=Evil\x1b[2J\rTitle\x07\n");
    zip.WriteFile((box.Dir() / "evil.tpx").string());
    const Outcome run = RunProgram(box.Program(), {(box.Dir() / "evil.tpx").string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, ExpectedBox(IDD_INSTALL_OK, "Evil^[[2J^MTitle^G"));
}

// A question answered from endless input without line ends ends all the same, as No.
TEST(TerminalRun, EndlessInputAnswersNoAndEnds) {
    Sandbox box("terminal_endless_input");
    fs::create_directories(box.Dir() / "custom" / "sub");
    std::ofstream(box.Dir() / "custom" / "sub" / "a.txt") << "old";
    zipbuild::ZipBuilder zip;
    zip.AddStored("sub/a.txt", "new");
    zip.AddStored("tpx.cfg", "[tpx]\ntitle=T\n");
    zip.WriteFile((box.Dir() / "p.tpx").string());
    const Outcome run = RunProgram(box.Program(), {(box.Dir() / "p.tpx").string()}, "/dev/zero");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("files? [y/N] "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(TPX_TEXT_OK_HEADING), std::string::npos) << "No stops the run";
    EXPECT_EQ(ReadAll(box.Dir() / "custom" / "sub" / "a.txt"), "old");
}

// Paths travel as Windows paths inside the program, so these could only be misread.
TEST(TerminalRun, PathsWithABackslashOrADoubleQuoteAreRefused) {
    Sandbox box("terminal_refused_paths");
    const std::string errors = (box.Dir() / "errors.txt").string();
    for (const std::string& arg : {std::string("a\\b.tpx"), std::string("say \"hi\".tpx")}) {
        SCOPED_TRACE(arg);
        const Outcome run = RunProgram(box.Program(), {arg}, "/dev/null", errors);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(ReadAll(errors).find("backslash or a double quote"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(box.Dir() / "custom")) << "refused before anything is done";

    const fs::path odd = box.Dir() / "odd\\dir";
    fs::create_directories(odd);
    fs::copy_file(box.Program(), odd / "tpxinstall");
    EXPECT_EQ(RunProgram(odd / "tpxinstall", {}, "/dev/null", errors).status, 2);
    EXPECT_FALSE(fs::exists(odd / "custom"));
}

// Natively -launch starts zilno.exe from the program's folder with +svc and the
// service as two arguments, in that folder, and does not wait for it.
TEST(TerminalRun, LaunchStartsTheClientBesideTheProgram) {
    Sandbox box("terminal_launch");
    const fs::path record = box.Dir() / "client.record";
    const fs::path client = box.Dir() / "zilno.exe";
    std::ofstream(client) << "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > "
                          << record.string() << ".tmp && mv " << record.string() << ".tmp "
                          << record.string() << "\n";
    fs::permissions(client, fs::perms::owner_all);
    std::ofstream(box.Dir() / "my launch.cfg") << "[launch]\nservice=my service\n";

    const Outcome run =
        RunProgram(box.Program(), {"-launch", (box.Dir() / "my launch.cfg").string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    for (int i = 0; i < 200 && !fs::exists(record); ++i) usleep(20000);
    EXPECT_EQ(ReadAll(record), box.Dir().string() + "\n[+svc]\n[my service]\n");

    fs::remove(client);
    const Outcome failed =
        RunProgram(box.Program(), {"-launch", (box.Dir() / "my launch.cfg").string()});
    EXPECT_EQ(failed.status, 0);
    EXPECT_EQ(failed.out.rfind("tpxinstall\n----------\nUnable to launch Brenvo\n\n", 0), 0u);
    EXPECT_NE(failed.out.find("zilno.exe cannot be found.\n[ OK ]\n"), std::string::npos)
        << failed.out;
}

// A second installer says on standard error that it waits while the first sits at its
// question, and goes on once that one is answered.
TEST(TerminalRun, ASecondInstallerSaysItWaitsAndGoesOnAfterTheFirst) {
    Sandbox box("terminal_waiting");
    fs::create_directories(box.Dir() / "custom" / "sub");
    std::ofstream(box.Dir() / "custom" / "sub" / "a.txt") << "old";
    for (const char* name : {"a", "b"}) {
        zipbuild::ZipBuilder zip;
        zip.AddStored("sub/" + std::string(name) + ".txt", "new");
        zip.WriteFile((box.Dir() / (std::string(name) + ".tpx")).string());
    }
    const fs::path answer = box.Dir() / "answer", errors = box.Dir() / "b.err";
    ASSERT_EQ(mkfifo(answer.c_str(), 0600), 0);
    const pid_t first = Spawn(box.Program(), {(box.Dir() / "a.tpx").string()}, answer.string(),
                              open("/dev/null", O_WRONLY));
    const int writer = open(answer.c_str(), O_WRONLY);  // the first now waits for its answer
    ASSERT_GE(writer, 0);
    for (int i = 0; i < 500 && !fs::exists(box.Dir() / "custom" / "~tpx.lock"); ++i) usleep(10000);
    const pid_t second = Spawn(box.Program(), {(box.Dir() / "b.tpx").string()}, "/dev/null",
                               open("/dev/null", O_WRONLY), errors.string());
    for (int i = 0; i < 500 && ReadAll(errors).empty(); ++i) usleep(10000);
    EXPECT_EQ(ReadAll(errors),
              "tpxinstall: waiting for another installation to finish (Ctrl-C cancels)\n");
    EXPECT_FALSE(fs::exists(box.Dir() / "custom" / "sub" / "b.txt"));
    ASSERT_EQ(write(writer, "y\n", 2), 2);
    close(writer);
    EXPECT_EQ(WaitProgram(first), 0);
    EXPECT_EQ(WaitProgram(second), 0);
    EXPECT_EQ(ReadAll(box.Dir() / "custom" / "sub" / "a.txt"), "new");
    EXPECT_EQ(ReadAll(box.Dir() / "custom" / "sub" / "b.txt"), "new");
}

}  // namespace
