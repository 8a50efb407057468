// Start-up run whole, with stand-ins for the installation, the hand-off and the
// profile reader, and the dialogs read and closed as they show.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/dialog_watch.h"
#include "app/fake_modes.h"
#include "app/installer_app.h"
#include "framework/file.h"
#include "ui/dialog_texts.h"

namespace {

struct StartUpRun {
    BOOL bResult = TRUE;
    int nExitCode = -1;
    std::vector<ShownDialog> dialogs;
    std::vector<std::string> calls;
    CString strInstallDir;
    CString strCustomDir;
};

StartUpRun StartWith(const char* cmdLine, bool failInstall = false) {
    FakeModes::Get() = FakeModes();
    FakeModes::Get().failInstall = failInstall;
    std::string line(cmdLine);
    InstallerApp app;
    app.m_lpCmdLine = &line[0];
    StartUpRun run;
    run.dialogs = WatchDialogs([&] { run.bResult = app.InitInstance(); });
    run.nExitCode = app.ExitInstance();
    run.calls = FakeModes::Get().calls;
    run.strInstallDir = app.m_strInstallDir;
    run.strCustomDir = app.m_strCustomDir;
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "the main window outlived its dialog";
    return run;
}

bool Contains(const ShownDialog& dialog, const std::string& line) {
    for (const std::string& l : dialog) {
        if (l == line) return true;
    }
    return false;
}

// Profile reader started first and shut down last, once each.
void ExpectProfileBracket(const StartUpRun& run) {
    ASSERT_GE(run.calls.size(), 2u);
    EXPECT_EQ(run.calls.front(), "profile-start");
    EXPECT_EQ(run.calls.back(), "profile-stop");
    EXPECT_EQ(std::count(run.calls.begin(), run.calls.end(), "profile-stop"), 1);
    EXPECT_FALSE(run.bResult);
}

}  // namespace

TEST(InitInstanceTest, EmptyCommandLineShowsTheNoPackDialogOnly) {
    for (const char* cmdLine : {"", "\"\"", "\"\"\"\""}) {
        SCOPED_TRACE(cmdLine);
        StartUpRun run = StartWith(cmdLine);
        ExpectProfileBracket(run);
        EXPECT_EQ(run.calls.size(), 2u) << "no mode may run";
        ASSERT_EQ(run.dialogs.size(), 1u);
        EXPECT_TRUE(Contains(run.dialogs[0], "**" TPX_TEXT_DEFAULT_NAME "**"));
        EXPECT_TRUE(Contains(run.dialogs[0], "No files have been specified."));
        EXPECT_EQ(run.nExitCode, 0);
    }
}

TEST(InitInstanceTest, DirectoriesComeFromTheExecutableAndCustomIsCreated) {
    StartUpRun run = StartWith("");
    ASSERT_FALSE(run.strInstallDir.IsEmpty());
    EXPECT_EQ(run.strInstallDir[run.strInstallDir.GetLength() - 1], '\\');
    EXPECT_EQ(run.strCustomDir, run.strInstallDir + "custom");
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(run.strCustomDir, status));
    EXPECT_TRUE(status.m_attribute & FILE_ATTRIBUTE_DIRECTORY);
    // An existing directory is the normal case.
    EXPECT_EQ(StartWith("").dialogs.size(), 1u);
}

TEST(InitInstanceTest, PackPathReachesTheInstallationCleaned) {
    struct Case {
        const char* cmdLine;
        const char* path;
    } cases[] = {
        {"\"C:\\My Packs\\a b.tpx\"", "C:\\My Packs\\a b.tpx"},
        {"C:\\pa\"ck\"s\\x.tpx", "C:\\packs\\x.tpx"},
        {"C:\\x.tpx  ", "C:\\x.tpx  "},  // trailing blanks stay
        {"C:\\my-launch-packs\\a.tpx", "C:\\my-launch-packs\\a.tpx"},
        {"-LAUNCH C:\\p.cfg", "-LAUNCH C:\\p.cfg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cmdLine);
        StartUpRun run = StartWith(c.cmdLine);
        ExpectProfileBracket(run);
        ASSERT_EQ(run.calls.size(), 3u);
        EXPECT_EQ(run.calls[1], std::string("install:") + c.path);
        EXPECT_TRUE(run.dialogs.empty()) << "a good installation shows no start-up dialog";
        EXPECT_EQ(run.nExitCode, 0);
    }
}

TEST(InitInstanceTest, FailedInstallationShowsTheFailureDialogAndExitsWithOne) {
    StartUpRun run = StartWith("\"C:\\packs\\broken pack.tpx\"", true);
    ExpectProfileBracket(run);
    ASSERT_EQ(run.dialogs.size(), 1u);
    EXPECT_TRUE(Contains(run.dialogs[0], "**\"broken pack.tpx\"**")) << "named verbatim, in bold";
    EXPECT_TRUE(Contains(run.dialogs[0], TPX_TEXT_FAILED_HEADING));
    EXPECT_EQ(run.nExitCode, 1);
}

TEST(InitInstanceTest, LaunchWordAtTheStartGoesToTheHandOff) {
    struct Case {
        const char* cmdLine;
        const char* line;
    } cases[] = {
        {"-launch C:\\p.cfg", "-launch C:\\p.cfg"},
        {"-launch \"C:\\my dir\\p.cfg\"", "-launch C:\\my dir\\p.cfg"},
        {"\"\" -launch C:\\p.cfg",
         "-launch C:\\p.cfg"},  // the hand-off's first blank follows the word
        {"-launch", "-launch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cmdLine);
        StartUpRun run = StartWith(c.cmdLine, true);
        ExpectProfileBracket(run);
        ASSERT_EQ(run.calls.size(), 3u);
        EXPECT_EQ(run.calls[1], std::string("launch:") + c.line);
        EXPECT_TRUE(run.dialogs.empty());
        EXPECT_EQ(run.nExitCode, 0);
    }
}
