// The hand-off of a service to the client, against the recording fake: the probe by
// the client's mutex, the raised window and the message, or the client's start.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/installer_app.h"
#include "app/instance_probe.h"
#include "profile/profile_reader.h"
#include "support/fake_roles.h"

namespace {

const char kInstallDir[] = "C:\\Games\\Quorvix Brenvo\\";

// The lines of the probe, the client and the user, in order.
std::vector<std::string> HandOff(FakePlatform& platform, const std::string& cmdLine) {
    HostScope scope(platform);
    InstallerApp app(RolesOf(platform));
    ProfileStartup(platform);
    app.m_strInstallDir = kInstallDir;
    CString strCmdLine = cmdLine.c_str();
    app.LaunchService(strCmdLine);
    ProfileShutdown();  // no profile stays cached for the next case
    EXPECT_FALSE(app.m_bError);
    std::vector<std::string> lines;
    for (const std::string& line : platform.calls) {
        if (line.rfind("read", 0) != 0 && line.rfind("trace", 0) != 0) lines.push_back(line);
    }
    return lines;
}

TEST(HandOffTest, RunningClientIsRestoredRaisedThenSentTheName) {
    FakePlatform platform;
    platform.clientRunning = true;
    platform.AddFile("C:\\my profile.cfg", "[launch]\nservice=my service\n");
    // Blanks before the path go; the blank inside it stays.
    EXPECT_EQ(HandOff(platform, "-launch    C:\\my profile.cfg"),
              (std::vector<std::string>{"mutex Quorvix_BrenvoClass", "close-mutex",
                                        "find-window Quorvix_BrenvoClass", "restore", "top",
                                        "foreground", "copydata 1 11 my service\\0"}));
}

TEST(HandOffTest, RunningClientWithoutAWindowGetsNothingAndNoSecondClientStarts) {
    FakePlatform platform;
    platform.clientRunning = true;
    platform.clientWindow = false;
    platform.AddFile("C:\\l.cfg", "[launch]\nservice=svc\n");
    EXPECT_EQ(HandOff(platform, "-launch C:\\l.cfg"),
              (std::vector<std::string>{"mutex Quorvix_BrenvoClass", "close-mutex",
                                        "find-window Quorvix_BrenvoClass"}));
}

TEST(HandOffTest, NoClientRunningStartsOneHoldingTheNameMeanwhile) {
    FakePlatform platform;
    platform.AddFile("C:\\l.cfg", "[launch]\nservice=" + std::string(254, 's') + "\n");
    EXPECT_EQ(HandOff(platform, "-launch C:\\l.cfg"),
              (std::vector<std::string>{"mutex Quorvix_BrenvoClass",
                                        "start C:\\Games\\Quorvix Brenvo\\zilno.exe | " +
                                            std::string(254, 's') + " | " + kInstallDir,
                                        "close-mutex"}));

    FakePlatform failing;
    failing.clientStarts = false;
    failing.AddFile("C:\\l.cfg", "[launch]\nservice=svc\n");
    const std::vector<std::string> lines = HandOff(failing, "-launch C:\\l.cfg");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(
        lines[2],
        "error Unable to launch Brenvo\n\nC:\\Games\\Quorvix Brenvo\\zilno.exe cannot be found.");
}

TEST(HandOffTest, NothingHappensWithoutAProfileOrAService) {
    FakePlatform platform;
    platform.AddFile("C:\\empty.cfg", "[launch]\nservice=\n");
    platform.AddFile("C:\\other.cfg", "[tpx]\nservice=x\n");
    const std::string tooLong = "C:\\" + std::string(520, 'p');
    platform.AddFile(tooLong, "[launch]\nservice=svc\n");
    // A name that fills its buffer may have been cut: none is better than another.
    platform.AddFile("C:\\cut.cfg", "[launch]\nservice=" + std::string(255, 's') + "\n");
    for (const std::string& cmdLine :
         {std::string("-launch"), std::string("-launch C:\\none.cfg"),
          std::string("-launch C:\\empty.cfg"), std::string("-launch C:\\other.cfg"),
          "-launch " + tooLong, std::string("-launch C:\\cut.cfg")}) {
        SCOPED_TRACE(cmdLine);
        platform.calls.clear();
        for (const std::string& line : HandOff(platform, cmdLine)) {
            EXPECT_EQ(line.rfind("open ", 0) == 0 || line.rfind("read-whole ", 0) == 0 ||
                          line.rfind("close ", 0) == 0,
                      true)
                << line;
        }
    }
}

TEST(HandOffTest, ProbeNamesTheClientAfterTheFirstLineOfItsTitle) {
    FakePlatform platform;
    platform.strings[1] = "Quorvix Brenvo\nsecond line";
    HostScope scope(platform);
    {
        InstanceProbe probe(platform);
        EXPECT_TRUE(probe.IsFirstInstance(1, nullptr));
        InstanceProbe missing(platform);
        EXPECT_TRUE(missing.IsFirstInstance(0x7A11, nullptr));
    }
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"mutex Quorvix_BrenvoClass", "mutex Class",
                                                        "close-mutex", "close-mutex"}));
}

}  // namespace
