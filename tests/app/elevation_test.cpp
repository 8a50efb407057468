// Elevation when custom refuses new files: start-up run whole against the recording
// fake, whose probe file and installation are denied as a protected folder denies them.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "app/elevation.h"
#include "start_up_run.h"
#include "support/fake_platform.h"
#include "support/zip_builder.h"
#include "support/win32_codes.h"

namespace {

const std::string kCustom = "C:\\Games\\Quorvix Brenvo\\custom";

struct Outcome {
    int nExitCode = -1;
    std::vector<std::string> shown;  // outcome, error and run-elevated lines
};

Outcome StartShown(FakePlatform& platform, const char* cmdLine) {
    Outcome run;
    run.nExitCode = Start(platform, cmdLine).nExitCode;
    run.shown = platform.Calls({"outcome ", "error ", "run-elevated ", "start "});
    return run;
}

// A Windows user who may ask for rights, a pack, and a custom folder that refuses
// every new file and folder for lack of them.
struct ProtectedFolder {
    ProtectedFolder() {
        platform.canElevate = true;
        AddInstallDir(platform);
        platform.AddDirectory(kCustom);
        zipbuild::ZipBuilder zip;
        zip.AddStored("chess/tpx.cfg", "[tpx]\ntitle=Chess\n");
        platform.AddFile("C:\\Packs\\my pack.tpx", zip.Build());
        platform.FailCalls("open create", FileError::accessDenied);
        platform.FailCalls("mkdir " + kCustom + "\\", FileError::accessDenied);
    }
    FakePlatform platform;
};

const char kRerun[] = "run-elevated -tpx-elevated-run \"C:\\Packs\\my pack.tpx\"";

TEST(ElevationTest, DeniedFolderRunsTheSamePackElevatedOnceAndEndsWithItsStatus) {
    for (DWORD status : {0u, 1u, 7u}) {
        SCOPED_TRACE(status);
        ProtectedFolder box;
        box.platform.elevatedExitCode = status;
        const Outcome run = StartShown(box.platform, "\"C:\\Packs\\my pack.tpx\"");
        // The elevated run shows the outcome; this one shows nothing.
        EXPECT_EQ(run.shown, std::vector<std::string>{kRerun});
        EXPECT_EQ(run.nExitCode, static_cast<int>(status));
        // Decided by one probe, before the pack is even opened.
        EXPECT_EQ(box.platform.Count("open create-new " + kCustom + "\\~tpxprobe"), 1);
        EXPECT_EQ(box.platform.Count("open read C:\\Packs"), 0);
    }
}

TEST(ElevationTest, DeclinedOrFailedElevationShowsTheFailureDialog) {
    for (LONG error :
         {static_cast<LONG>(ERROR_CANCELLED), static_cast<LONG>(ERROR_FILE_NOT_FOUND)}) {
        SCOPED_TRACE(error);
        ProtectedFolder box;
        box.platform.elevationError = error;
        const Outcome run = StartShown(box.platform, "\"C:\\Packs\\my pack.tpx\"");
        EXPECT_EQ(run.shown, (std::vector<std::string>{kRerun, "outcome 104 \"my pack.tpx\""}));
        EXPECT_EQ(run.nExitCode, 1);
    }
}

TEST(ElevationTest, NoRerunWhenElevatedAlreadyMarkedOrLaunching) {
    // Elevated already (or natively, where nobody can be asked): fails as it is.
    ProtectedFolder elevated;
    elevated.platform.canElevate = false;
    Outcome run = StartShown(elevated.platform, "\"C:\\Packs\\my pack.tpx\"");
    EXPECT_EQ(run.shown, std::vector<std::string>{"outcome 104 \"my pack.tpx\""});
    EXPECT_EQ(elevated.platform.Count("open create-new " + kCustom + "\\~tpxprobe"), 0)
        << "no probe either";

    // The elevated run itself: the marker never reaches the pack path.
    ProtectedFolder marked;
    run = StartShown(marked.platform, "-tpx-elevated-run \"C:\\Packs\\my pack.tpx\"");
    EXPECT_EQ(run.shown, std::vector<std::string>{"outcome 104 \"my pack.tpx\""});
    EXPECT_EQ(marked.platform.Count("open read C:\\Packs\\my pack.tpx"), 1);
    EXPECT_EQ(run.nExitCode, 1);

    ProtectedFolder launching;
    launching.platform.AddFile("C:\\l.cfg", "[launch]\nservice=svc\n");
    run = StartShown(launching.platform, "-launch C:\\l.cfg");
    EXPECT_EQ(launching.platform.Count("run-elevated"), 0);
    EXPECT_EQ(launching.platform.Count("open create-new"), 0);
}

TEST(ElevationTest, WritableFolderInstallsHereAndLeavesNoProbe) {
    FakePlatform platform;
    platform.canElevate = true;
    AddInstallDir(platform);
    zipbuild::ZipBuilder zip;
    zip.AddStored("tpx.cfg", "[tpx]\ntitle=Chess\n");
    platform.AddFile("C:\\p.tpx", zip.Build());
    const Outcome run = StartShown(platform, "C:\\p.tpx");
    EXPECT_EQ(run.shown, std::vector<std::string>{"outcome 103 Chess"});
    std::vector<std::string> probe;  // each call on the probe, without its name
    for (const std::string& line : platform.Calls({"open ", "close ", "remove "}))
        if (line.find(kCustom + "\\~tpxprobe") != std::string::npos)
            probe.push_back(line.substr(0, line.find(kCustom)));
    EXPECT_EQ(probe, (std::vector<std::string>{"open create-new ", "close ", "remove "}));
    for (const std::string& path : platform.Paths())
        EXPECT_EQ(path.find("~tpxprobe"), std::string::npos);
}

TEST(ElevationTest, ProbeTellsDeniedRightsFromOtherFailures) {
    FakePlatform platform;
    platform.AddDirectory("C:\\a");
    // Custom missing (start-up could not make it): denied only when making it is.
    platform.FailCalls("mkdir C:\\a\\custom", FileError::accessDenied);
    EXPECT_TRUE(CustomDirDenied(platform, "C:\\a\\custom"));
    FakePlatform other;
    other.AddDirectory("C:\\b");
    other.AddDirectory("C:\\b\\custom");
    other.FailCalls("open create-new", FileError::diskFull);
    EXPECT_FALSE(CustomDirDenied(other, "C:\\b\\custom")) << "the installation reports that itself";
    FakePlatform full;  // custom missing and not made for another reason than rights
    full.AddDirectory("C:\\d");
    full.FailCalls("mkdir C:\\d\\custom", FileError::diskFull);
    EXPECT_FALSE(CustomDirDenied(full, "C:\\d\\custom"));
    FakePlatform taken;  // a probe name left behind: another name is tried
    taken.FailCalls("open create-new", FileError::exists);
    EXPECT_FALSE(CustomDirDenied(taken, "C:\\c\\custom"));
    EXPECT_GT(taken.Count("open create-new"), 1);
}

TEST(ElevationTest, MarkerIsTakenOnlyAsAWholeFirstWord) {
    bool marked = false;
    EXPECT_EQ(TakeElevatedRunMarker("-tpx-elevated-run \"C:\\a b.tpx\"", &marked),
              "\"C:\\a b.tpx\"");
    EXPECT_TRUE(marked);
    EXPECT_EQ(TakeElevatedRunMarker("  -tpx-elevated-run", &marked), "");
    EXPECT_TRUE(marked);
    EXPECT_EQ(TakeElevatedRunMarker("-tpx-elevated-runs.tpx", &marked), "-tpx-elevated-runs.tpx");
    EXPECT_FALSE(marked);
    EXPECT_EQ(TakeElevatedRunMarker("C:\\x\\-tpx-elevated-run", &marked),
              "C:\\x\\-tpx-elevated-run");
    EXPECT_FALSE(marked);
    EXPECT_EQ(TakeElevatedRunMarker(nullptr, &marked), "");
}

TEST(StartUpFailureTest, OutOfMemoryDuringInstallationShowsTheFailureDialog) {
    FakePlatform platform;
    zipbuild::ZipBuilder zip;
    zip.AddStored("a.txt", "a");
    platform.AddFile("C:\\p.tpx", zip.Build());
    platform.outOfMemoryAt = "read C:\\p.tpx";
    const Outcome run = StartShown(platform, "C:\\p.tpx");
    EXPECT_EQ(run.shown, std::vector<std::string>{"outcome 104 \"p.tpx\""});
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_EQ(platform.Count("trace * Installation failed: out of memory"), 1);
}

}  // namespace
