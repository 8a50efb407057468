// InstallPackage against the in-memory fake: what it asks of the platform, call by call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/installer_app.h"
#include "support/fake_platform.h"
#include "support/zip_builder.h"

namespace {

const std::string kCustom = "C:\\Quorvix\\custom";

class InstallCallsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform_.AddDirectory("C:\\Quorvix");
        platform_.AddDirectory(kCustom);
        app_.m_strCustomDir = kCustom.c_str();
    }

    void Install(const zipbuild::ZipBuilder& zip) {
        platform_.AddFile("C:\\pack.tpx", zip.Build());
        platform_.calls.clear();
        app_.InstallPackage("C:\\pack.tpx");
    }

    int CountFor(const std::string& prefix, const std::string& name) const {
        return platform_.Count(prefix + kCustom + "\\" + name);
    }

    std::vector<std::string> Asked() const {
        std::vector<std::string> dirs;
        for (const std::string& line : platform_.Calls("ask ")) {
            const size_t start = line.find('"') + 1;
            dirs.push_back(line.substr(start, line.find('"', start) - start));
        }
        return dirs;
    }

    FakePlatform platform_;
    Platform::Scope scope_{platform_};
    InstallerApp app_;
};

TEST_F(InstallCallsTest, EachNewFileIsCreatedStampedAndClosedOnce) {
    zipbuild::ZipBuilder zip;
    auto& board = zip.AddDeflated("Games/Chess/Board.TXT", std::string(40000, 'b'));
    board.dosDate = zipbuild::DosDate(2003, 7, 14);
    board.dosTime = zipbuild::DosTime(9, 41, 18);
    zip.AddStored("Games/Chess/rules.txt", "rules");
    zip.AddStored("Games/tpx.cfg", "[tpx]\r\ntitle=Chess Deluxe\r\n");
    Install(zip);

    EXPECT_FALSE(app_.m_bError);
    for (const char* name :
         {"games\\chess\\board.txt", "games\\chess\\rules.txt", "games\\tpx.cfg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(CountFor("open create-keep ", name), 1);
        EXPECT_EQ(CountFor("set-times ", name), 1);
        EXPECT_EQ(CountFor("close ", name), 1);
        EXPECT_EQ(CountFor("remove ", name), 0);
    }
    EXPECT_EQ(platform_.Calls("set-times " + kCustom + "\\games\\chess\\board.txt"),
              std::vector<std::string>{"set-times " + kCustom +
                                       "\\games\\chess\\board.txt 2003-07-14 09:41:18"});
    EXPECT_EQ(platform_.FileBytes(kCustom + "\\games\\chess\\board.txt"), std::string(40000, 'b'));
    // Each folder is made once, from the top.
    EXPECT_EQ(platform_.Calls("mkdir "),
              (std::vector<std::string>{"mkdir " + kCustom + "\\games",
                                        "mkdir " + kCustom + "\\games\\chess"}));
    EXPECT_EQ(platform_.Count("ask "), 0);
    EXPECT_EQ(platform_.Calls("outcome "), std::vector<std::string>{"outcome 103 Chess Deluxe"});
}

TEST_F(InstallCallsTest, AsksOncePerRunOfExistingFilesInOneFolderAndNoStopsAtOnce) {
    for (const char* dir : {"a", "b"}) platform_.AddDirectory(kCustom + "\\" + dir);
    for (const char* name : {"a\\1", "a\\2", "b\\1", "a\\3"})
        platform_.AddFile(kCustom + "\\" + name, "old");
    zipbuild::ZipBuilder zip;
    for (const char* name : {"a/1", "a/2", "b/1", "a/3"}) zip.AddStored(name, "new");
    zip.AddStored("c/tpx.cfg", "[tpx]\ntitle=T\n");

    platform_.answers = {true, true, true};
    Install(zip);
    const std::string shown = "C:/QUORVIX/CUSTOM/";
    EXPECT_EQ(Asked(), (std::vector<std::string>{shown + "A/", shown + "B/", shown + "A/"}));
    EXPECT_EQ(platform_.FileBytes(kCustom + "\\a\\3"), "new");
    EXPECT_EQ(platform_.Calls("outcome "), std::vector<std::string>{"outcome 103 T"});

    // No at the second question: the first folder's files stay installed, nothing
    // after the question is touched, and nothing is shown.
    for (const char* name : {"a\\1", "a\\2", "b\\1", "a\\3"})
        platform_.AddFile(kCustom + "\\" + name, "old");
    platform_.answers = {true, false};
    Install(zip);
    EXPECT_EQ(Asked(), (std::vector<std::string>{shown + "A/", shown + "B/"}));
    EXPECT_EQ(platform_.FileBytes(kCustom + "\\a\\2"), "new");
    EXPECT_EQ(platform_.FileBytes(kCustom + "\\b\\1"), "old");
    EXPECT_EQ(CountFor("open create-keep ", "b\\1") + CountFor("open create ", "b\\1"), 0);
    EXPECT_EQ(platform_.Count("outcome "), 0);
    EXPECT_FALSE(app_.m_bError);
}

TEST_F(InstallCallsTest, AFullDiskFailsTheRunAndTracesWhy) {
    zipbuild::ZipBuilder zip;
    zip.AddStored("big.bin", std::string(100, 'x'));
    platform_.FailCalls("write " + kCustom + "\\big.bin", ERROR_DISK_FULL);
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_FALSE(platform_.HasFile(kCustom + "\\big.bin")) << "the partial file is removed";
    const std::vector<std::string> traces = platform_.Calls("trace * Installation failed: ");
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(traces[0], "trace * Installation failed: disk full: " + kCustom +
                             "\\big.bin (system error 112)\n");
    EXPECT_EQ(platform_.Count("outcome "), 0) << "the failure dialog is start-up's";
}

}  // namespace
