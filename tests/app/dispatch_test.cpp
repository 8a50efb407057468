// Start-up run whole against the recording fake: which dialog shows, what is created,
// what is traced, and the exit status, for every kind of command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "start_up_run.h"
#include "support/fake_platform.h"
#include "support/zip_builder.h"

namespace {

const char kCustom[] = "C:\\Games\\Quorvix Brenvo\\custom";

// The recorded lines of the user's part and the client's, without files and traces.
std::vector<std::string> Shown(const FakePlatform& platform) {
    return platform.Calls({"outcome ", "ask ", "error ", "start ", "mutex "});
}

TEST(DispatchTest, EmptyCommandLineShowsTheNoPackDialogOnly) {
    for (const char* cmdLine : {"", "\"\"", "\"\"\"\""}) {
        SCOPED_TRACE(cmdLine);
        FakePlatform platform;
        AddInstallDir(platform);
        const StartUp run = Start(platform, cmdLine);
        EXPECT_FALSE(run.bResult);
        EXPECT_EQ(run.nExitCode, 0);
        EXPECT_EQ(Shown(platform), std::vector<std::string>{"outcome 102 "});
        EXPECT_TRUE(platform.HasDirectory(kCustom)) << "custom is created all the same";
        EXPECT_EQ(platform.Calls("trace ").front(),
                  "trace \n**********************************************\n");
    }
}

TEST(DispatchTest, DirectoriesComeFromTheProgramsOwnPath) {
    FakePlatform platform;
    platform.modulePath = "C:\\Games\\Client\\setup.exe";
    const StartUp run = Start(platform, "");
    EXPECT_EQ(run.strInstallDir, "C:\\Games\\Client\\");
    EXPECT_EQ(run.strCustomDir, "C:\\Games\\Client\\custom");
    // Made once; an existing (here: unmakeable) custom folder is no failure.
    EXPECT_EQ(platform.Calls("mkdir "),
              std::vector<std::string>{"mkdir C:\\Games\\Client\\custom"});
    EXPECT_EQ(run.nExitCode, 0);

    // However long the path is.
    FakePlatform deep;
    deep.modulePath = "C:\\" + std::string(300, 'd') + "\\tpxinstall.exe";
    EXPECT_EQ(Start(deep, "").strCustomDir, ("C:\\" + std::string(300, 'd') + "\\custom").c_str());
}

TEST(DispatchTest, FailedInstallationTracesItsCauseThenShowsTheFailureDialog) {
    FakePlatform platform;
    const StartUp run = Start(platform, "\"C:\\Downloads\\lost pack.tpx\"");
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_EQ(Shown(platform), std::vector<std::string>{"outcome 104 \"lost pack.tpx\""});
    const std::vector<std::string> traces = platform.Calls("trace ");
    ASSERT_GE(traces.size(), 3u);
    EXPECT_EQ(
        traces[traces.size() - 2],
        "trace * Installation failed: bad path: C:\\Downloads\\lost pack.tpx (system error 3)\n");
    EXPECT_EQ(traces.back(), "trace * Error During Installation! Showing err dialog...\n");
    EXPECT_EQ(platform.calls.back(), "outcome 104 \"lost pack.tpx\"");
}

TEST(DispatchTest, SuccessShowsTheTitleAndExitsZero) {
    FakePlatform platform;
    AddInstallDir(platform);
    zipbuild::ZipBuilder zip;
    zip.AddStored("tpx.cfg", "[tpx]\r\ntitle=Chess Deluxe\r\n");
    platform.AddFile("C:\\p.tpx", zip.Build());
    const StartUp run = Start(platform, "C:\\p.tpx");
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(Shown(platform), std::vector<std::string>{"outcome 103 Chess Deluxe"});
    EXPECT_EQ(platform.FileBytes(std::string(kCustom) + "\\tpx.cfg"),
              "[tpx]\r\ntitle=Chess Deluxe\r\n");
}

TEST(DispatchTest, OnlyALeadingLaunchWordHandsOff) {
    struct Case {
        const char* cmdLine;
        std::vector<std::string> shown;
    } cases[] = {
        {"-launch C:\\l.cfg",
         {"mutex Quorvix_BrenvoClass",
          "start C:\\Games\\Quorvix Brenvo\\zilno.exe | svc | "
          "C:\\Games\\Quorvix Brenvo\\"}},
        {"  \"-launch\"   C:\\l.cfg",
         {"mutex Quorvix_BrenvoClass",
          "start C:\\Games\\Quorvix Brenvo\\zilno.exe | svc | "
          "C:\\Games\\Quorvix Brenvo\\"}},
        // Inside a pack's path the word is part of a name; in capitals it is no word.
        {"C:\\my-launch-packs\\a.tpx", {"outcome 104 \"a.tpx\""}},
        {"-LAUNCH C:\\l.cfg", {"outcome 104 \"l.cfg\""}},
        // The hand-off never leads to the failure dialog, whatever it finds.
        {"-launch", {}},
        {"-launch C:\\missing.cfg", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cmdLine);
        FakePlatform platform;
        platform.AddFile("C:\\l.cfg", "[launch]\nservice=svc\n");
        const StartUp run = Start(platform, c.cmdLine);
        EXPECT_EQ(Shown(platform), c.shown);
        EXPECT_EQ(run.nExitCode, c.shown.size() == 1 ? 1 : 0);
    }
}

}  // namespace
