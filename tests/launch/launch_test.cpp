// Whole-program runs of "-launch": the real program, copied into an install
// directory, hands a service to a fake client.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "launch/hex.h"
#include "launch/launch_harness.h"

namespace {

using launch::LaunchCase;
using launch::Outcome;
using launch::RunInstaller;
using launch::ServingClient;

const char kClient[] = "zilno.exe";

std::string Profile(const std::string& service) {
    return "[launch]\nservice=" + service + "\n";
}

std::string CopyDataLine(const std::string& service) {
    return "copydata 1 " + std::to_string(service.size() + 1) + " " +
           Hex(service + std::string(1, '\0'));
}

std::vector<std::string> WithPrefix(const std::vector<std::string>& lines,
                                    const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
}

// Position of the first line equal to `line`, or -1.
int IndexOf(const std::vector<std::string>& lines, const std::string& line) {
    auto it = std::find(lines.begin(), lines.end(), line);
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The client's arguments as its runtime split them: +svc and the name, nothing more.
std::vector<std::string> ServiceArgs(const std::string& service) {
    return {"args 3", "arg1 +svc", "arg2 " + service};
}

std::string WithoutSeparator(const std::string& dir) {
    return dir.substr(0, dir.size() - 1);
}

// 254 characters (255 may have been cut) with a blank inside, so neither end nor
// splitting can go unseen.
std::string LongServiceName(int length = 254) {
    std::string name;
    for (int i = 0; i < length; ++i) name += static_cast<char>('a' + i % 26);
    name[100] = ' ';
    return name;
}

void ExpectQuietExit(const Outcome& out) {
    EXPECT_TRUE(out.exited);
    EXPECT_EQ(out.exitCode, 0u);
    EXPECT_FALSE(out.box) << out.boxCaption << ": " << out.boxText;
}

void ExpectLaunchFailedBox(const Outcome& out) {
    EXPECT_TRUE(out.exited);
    ASSERT_TRUE(out.box);
    // The box's own words, then why.
    EXPECT_EQ(out.boxText.rfind("Unable to launch Brenvo\n\n", 0), 0u) << out.boxText;
    EXPECT_NE(out.boxText.find("zilno.exe"), std::string::npos) << out.boxText;
    EXPECT_EQ(out.boxButtons, std::vector<int>{1});  // OK only
    if (launch::kBoxShowsIcon) {
        EXPECT_EQ(out.boxIcon, "hand");
    }
}

TEST(LaunchHandOff, StartsTheClientFromTheInstallDirectoryWhenNoneRuns) {
    LaunchCase c("starts");
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.CopyClient(c.InstallDir() + kClient));
    const std::string profile = c.Root() + "my profile.cfg";
    ASSERT_TRUE(c.WriteText(profile, Profile("my service")));

    // Blanks before the path are dropped; the blank inside it stays.
    ExpectQuietExit(RunInstaller(c, {"-launch", "   " + profile}));
    ASSERT_TRUE(c.WaitForRecord(c.InstallDir(), "cwd"));
    const std::vector<std::string> record = c.Record(c.InstallDir());
    EXPECT_NE(IndexOf(record, "command \"" + c.InstallDir() + kClient + "\" +svc \"my service\""),
              -1);
    EXPECT_NE(IndexOf(record, "cwd " + WithoutSeparator(c.InstallDir())), -1);
    EXPECT_EQ(WithPrefix(record, "arg"), ServiceArgs("my service"));
    EXPECT_EQ(WithPrefix(record, "module ").size(), 1u);
}

TEST(LaunchHandOff, InstallDirectoryWithBlanksStartsNoOtherProgram) {
    // An unquoted "...\Quorvix Brenvo\zilno.exe" would first find "...\Quorvix".
    LaunchCase c("decoy", "Quorvix Brenvo");
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.CopyClient(c.InstallDir() + kClient));
    ASSERT_TRUE(c.CopyClient(c.Root() + "Quorvix"));
    ASSERT_TRUE(c.CopyClient(c.Root() + "Quorvix.exe"));
    ASSERT_TRUE(c.WriteText(c.Root() + "launch.cfg", Profile("svc")));

    ExpectQuietExit(RunInstaller(c, {"-launch", c.Root() + "launch.cfg"}));
    ASSERT_TRUE(c.WaitForRecord(c.InstallDir(), "cwd"));
    const std::vector<std::string> record = c.Record(c.InstallDir());
    // A name without blanks, tabs or quotes goes as it is.
    EXPECT_NE(IndexOf(record, "command \"" + c.InstallDir() + kClient + "\" +svc svc"), -1);
    EXPECT_EQ(WithPrefix(record, "arg"), ServiceArgs("svc"));
    launch::WaitForStrayClient();
    EXPECT_TRUE(c.Record(c.Root()).empty()) << Join(c.Record(c.Root()));
}

TEST(LaunchHandOff, ServiceNameArrivesAsOneArgumentWhateverItHolds) {
    LaunchCase c("argv", "Game Dir");
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.CopyClient(c.InstallDir() + kClient));
    for (const std::string name : {"lobby1 -connect evil.example -password x", "a\\\\\"b\tc\\\\"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(c.WriteText(c.InstallDir() + "client.record", ""));
        ASSERT_TRUE(c.WriteText(c.Root() + "launch.cfg", Profile(name)));
        ExpectQuietExit(RunInstaller(c, {"-launch", c.Root() + "launch.cfg"}));
        ASSERT_TRUE(c.WaitForRecord(c.InstallDir(), "cwd"));
        EXPECT_EQ(WithPrefix(c.Record(c.InstallDir()), "arg"), ServiceArgs(name));
    }
}

TEST(LaunchHandOff, RunningClientIsRestoredRaisedAndSentTheName) {
    LaunchCase c("running");
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.CopyClient(c.InstallDir() + kClient));
    ASSERT_TRUE(c.WriteText(c.Root() + "launch.cfg", Profile("my service")));
    {
        ServingClient client(c, c.InstallDir() + kClient, {"--minimized"});
        ASSERT_TRUE(client.Ready());
        ExpectQuietExit(RunInstaller(c, {"-launch", c.Root() + "launch.cfg"}));
        ASSERT_TRUE(c.WaitForRecord(c.InstallDir(), "copydata"));
    }
    launch::WaitForStrayClient();
    const std::vector<std::string> record = c.Record(c.InstallDir());
    const int copy = IndexOf(record, CopyDataLine("my service"));
    ASSERT_NE(copy, -1) << Join(record);
    EXPECT_EQ(WithPrefix(record, "copydata").size(), 1u);
    // Restored before the message arrives.
    const int state = IndexOf(record, "state normal");
    EXPECT_TRUE(state != -1 && state < copy);
    // Windows clients see whether they came to the foreground.
    for (const std::string& line : WithPrefix(record, "foreground ")) {
        EXPECT_EQ(line, "foreground yes");
    }
    // Natively the requests themselves are seen, in their order.
    const int show = IndexOf(record, "show 9");
    if (show != -1) {
        const int top = IndexOf(record, "top");
        const int foreground = IndexOf(record, "foreground");
        EXPECT_TRUE(show < top && top < foreground && foreground < copy);
    }
    EXPECT_EQ(WithPrefix(record, "module ").size(), 1u) << "a second client was started";
}

TEST(LaunchHandOff, LongestServiceNameArrivesWhole) {
    LaunchCase c("longname");
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.CopyClient(c.InstallDir() + kClient));
    const std::string name = LongServiceName();
    ASSERT_TRUE(c.WriteText(c.Root() + "launch.cfg", Profile(name)));
    ASSERT_TRUE(c.WriteText(c.Root() + "cut.cfg", Profile(LongServiceName(255))));
    {
        ServingClient client(c, c.InstallDir() + kClient, {"--maximized"});
        ASSERT_TRUE(client.Ready());
        ExpectQuietExit(RunInstaller(c, {"-launch", c.Root() + "launch.cfg"}));
        ASSERT_TRUE(c.WaitForRecord(c.InstallDir(), "copydata"));
        // 255 characters fill the buffer and may be a cut name: nothing is sent.
        ExpectQuietExit(RunInstaller(c, {"-launch", c.Root() + "cut.cfg"}));
    }
    std::vector<std::string> record = c.Record(c.InstallDir());
    const int copy = IndexOf(record, CopyDataLine(name));  // cbData 255
    ASSERT_NE(copy, -1);
    EXPECT_EQ(WithPrefix(record, "copydata").size(), 1u);
    EXPECT_NE(IndexOf(record, "state normal"), -1);

    // With the client gone, the same name goes whole onto a new command line.
    ExpectQuietExit(RunInstaller(c, {"-launch", c.Root() + "launch.cfg"}));
    ASSERT_TRUE(c.WaitForRecord(c.InstallDir(), "cwd"));
    launch::WaitForStrayClient();
    record = c.Record(c.InstallDir());
    EXPECT_NE(IndexOf(record, "arg2 " + name), -1);
    // Nor is such a name started with.
    ExpectQuietExit(RunInstaller(c, {"-launch", c.Root() + "cut.cfg"}));
    launch::WaitForStrayClient();
    EXPECT_EQ(WithPrefix(c.Record(c.InstallDir()), "module ").size(), 2u);
}

TEST(LaunchHandOff, NothingHappensWithoutAService) {
    LaunchCase c("noservice");
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.CopyClient(c.InstallDir() + kClient));
    ASSERT_TRUE(c.WriteText(c.Root() + "other.cfg", "[other]\nservice=x\n"));
    ASSERT_TRUE(c.WriteText(c.Root() + "empty.cfg", "[launch]\nservice=\nname=x\n"));
    ASSERT_TRUE(c.WriteText(c.Root() + "nokey.cfg", "[launch]\nserver=x\n"));
    const std::vector<std::vector<std::string>> runs = {
        {"-launch"},
        {"-launch", ""},  // a blank, then nothing
        {"-launch", c.Root() + "missing.cfg"},
        {"-launch", c.Root() + "other.cfg"},
        {"-launch", c.Root() + "empty.cfg"},
        {"-launch", c.Root() + "nokey.cfg"},
    };
    for (const std::vector<std::string>& args : runs) {
        SCOPED_TRACE(args.back());
        ExpectQuietExit(RunInstaller(c, args));
    }
    launch::WaitForStrayClient();
    EXPECT_TRUE(c.Record(c.InstallDir()).empty());
}

TEST(LaunchHandOff, MissingClientProgramIsReportedWithTheStopBox) {
    LaunchCase c("noclient");
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.WriteText(c.Root() + "launch.cfg", Profile("svc")));
    const Outcome out = RunInstaller(c, {"-launch", c.Root() + "launch.cfg"});
    ExpectLaunchFailedBox(out);
    EXPECT_EQ(out.boxCaption, "tpxinstall");
    EXPECT_EQ(out.exitCode, 0u);
}

TEST(LaunchHandOff, RunningClientWithoutWindowGetsNothing) {
    LaunchCase c("nowindow");
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.CopyClient(c.InstallDir() + kClient));
    ASSERT_TRUE(c.WriteText(c.Root() + "launch.cfg", Profile("svc")));
    ServingClient client(c, c.InstallDir() + kClient, {"--no-window"});
    ASSERT_TRUE(client.Ready());
    ExpectQuietExit(RunInstaller(c, {"-launch", c.Root() + "launch.cfg"}));
    launch::WaitForStrayClient();
    const std::vector<std::string> record = c.Record(c.InstallDir());
    EXPECT_TRUE(WithPrefix(record, "copydata").empty());
    EXPECT_TRUE(WithPrefix(record, "show").empty());
    EXPECT_EQ(WithPrefix(record, "module ").size(), 1u) << "a second client was started";
}

// An install directory of 250 characters leaves room for a short service on the
// client's command line, but not for the longest one: that one is refused with the
// box rather than cut or written past the buffer.
TEST(LaunchHandOff, CommandLineBeyondItsBufferIsRefusedWithTheStopBox) {
    const std::string root = launch::CaseRoot("longdir");
    const char separator = root.back();
    std::string installName;
    while (root.size() + installName.size() + 1 < 250) {
        installName += std::string(59, 'd') + separator;
    }
    installName.resize(250 - root.size() - 1);
    if (installName.back() == separator) installName.back() = 'd';
    LaunchCase c("longdir", installName, "t");
    ASSERT_TRUE(c.Ok());
    ASSERT_EQ(c.InstallDir().size(), 250u);
    ASSERT_TRUE(c.CopyClient(c.InstallDir() + kClient));
    ASSERT_TRUE(c.WriteText(c.Root() + "short.cfg", Profile("ok")));
    ASSERT_TRUE(c.WriteText(c.Root() + "long.cfg", Profile(LongServiceName())));

    ExpectQuietExit(RunInstaller(c, {"-launch", c.Root() + "short.cfg"}));
    ASSERT_TRUE(c.WaitForRecord(c.InstallDir(), "cwd"));

    const Outcome out = RunInstaller(c, {"-launch", c.Root() + "long.cfg"});
    ExpectLaunchFailedBox(out);
    EXPECT_EQ(out.boxCaption, "t");
    launch::WaitForStrayClient();
    EXPECT_EQ(WithPrefix(c.Record(c.InstallDir()), "module ").size(), 1u);
}

// The profile path shares the 520-character buffer: 519 characters fit, longer ones
// are refused without a word.
TEST(LaunchHandOff, ProfilePathBeyondItsBufferIsRefusedSilently) {
    LaunchCase c("longprofile");
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.CopyClient(c.InstallDir() + kClient));
    ASSERT_TRUE(c.WriteText(c.Root() + "launch.cfg", Profile("svc")));
    const char separator = c.Root().back();
    // The same file, named with enough "./" steps to reach the wanted length.
    auto pathOfLength = [&](size_t length) {
        std::string steps;
        while (c.Root().size() + steps.size() + 10 < length) {
            steps += length - (c.Root().size() + steps.size() + 10) == 1
                         ? std::string(1, separator)
                         : std::string(".") + separator;
        }
        return c.Root() + steps + "launch.cfg";
    };
    ASSERT_EQ(pathOfLength(520).size(), 520u);
    ExpectQuietExit(RunInstaller(c, {"-launch", pathOfLength(520)}));
    ExpectQuietExit(RunInstaller(c, {"-launch", pathOfLength(700)}));
    launch::WaitForStrayClient();
    EXPECT_TRUE(c.Record(c.InstallDir()).empty());

    if (!launch::kLongPathsOpen) GTEST_SKIP() << "paths this long do not open here";
    ASSERT_EQ(pathOfLength(519).size(), 519u);
    ExpectQuietExit(RunInstaller(c, {"-launch", pathOfLength(519)}));
    EXPECT_TRUE(c.WaitForRecord(c.InstallDir(), "cwd"));
}

}  // namespace
