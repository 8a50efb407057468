// InstallPackage against the in-memory fake: what it asks of the platform, call by call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_install.h"
#include "support/fake_platform.h"
#include "support/zip_builder.h"

namespace {

class InstallCallsTest : public FakeInstallTest {
  protected:
    // The name of the n-th temporary file of the last installation.
    std::string Temp(int n) const {
        const std::vector<std::string> creates = platform_.Calls("open create-new ");
        if (creates.empty()) return "?";
        const std::string& first = creates.front();
        const size_t start = first.find("~tpx");
        return first.substr(start, first.find('-', start) + 1 - start) + std::to_string(n) + ".tmp";
    }

    int CountFor(const std::string& prefix, const std::string& name) const {
        return platform_.Count(prefix + kFakeCustom + "\\" + name);
    }

    std::vector<std::string> Asked() const {
        std::vector<std::string> dirs;
        for (const std::string& line : platform_.Calls("ask ")) {
            const size_t start = line.find('"') + 1;
            dirs.push_back(line.substr(start, line.find('"', start) - start));
        }
        return dirs;
    }
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
    // Per file: one exclusive create of a temporary file beside it, its time and
    // attributes set through that one handle, one close, one rename into place, and
    // every file staged before the first one moves.
    const std::string games = kFakeCustom + "\\games\\";
    const std::string temps[] = {games + "chess\\" + Temp(0), games + "chess\\" + Temp(1),
                                 games + Temp(2)};
    const std::string targets[] = {games + "chess\\board.txt", games + "chess\\rules.txt",
                                   games + "tpx.cfg"};
    std::vector<std::string> expected;
    for (const std::string& temp : temps) {
        expected.push_back("open create-new " + temp);
        expected.push_back("close " + temp);
    }
    for (int i = 0; i < 3; ++i) expected.push_back("rename " + temps[i] + " -> " + targets[i]);
    std::vector<std::string> files;
    for (const std::string& line : platform_.calls) {
        if (line.rfind("open create", 0) == 0 || line.rfind("close " + games, 0) == 0 ||
            line.rfind("rename ", 0) == 0) {
            files.push_back(line);
        }
    }
    EXPECT_EQ(files, expected);
    EXPECT_EQ(platform_.Calls("set-status " + temps[0]),
              std::vector<std::string>{"set-status " + temps[0] + " 2003-07-14 09:41:18 0x20"});
    EXPECT_EQ(platform_.Count("set-status "), 3);
    EXPECT_EQ(platform_.Count("set-times "), 0) << "no second open for the time";
    EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\games\\chess\\board.txt"),
              std::string(40000, 'b'));
    // Each folder is made once, from the top.
    EXPECT_EQ(platform_.Calls("mkdir "),
              (std::vector<std::string>{"mkdir " + kFakeCustom + "\\games",
                                        "mkdir " + kFakeCustom + "\\games\\chess"}));
    EXPECT_EQ(platform_.Count("ask "), 0);
    EXPECT_EQ(platform_.Calls("outcome "), std::vector<std::string>{"outcome 103 Chess Deluxe"});
}

TEST_F(InstallCallsTest, AsksOncePerRunOfExistingFilesInOneFolderAndNoStopsAtOnce) {
    for (const char* dir : {"a", "b"}) platform_.AddDirectory(kFakeCustom + "\\" + dir);
    for (const char* name : {"a\\1", "a\\2", "b\\1", "a\\3"})
        platform_.AddFile(kFakeCustom + "\\" + name, "old");
    zipbuild::ZipBuilder zip;
    for (const char* name : {"a/1", "a/2", "b/1", "a/3"}) zip.AddStored(name, "new");
    zip.AddStored("c/tpx.cfg", "[tpx]\ntitle=T\n");

    platform_.answers = {true, true, true};
    Install(zip);
    const std::string shown = "C:/QUORVIX/CUSTOM/";
    EXPECT_EQ(Asked(), (std::vector<std::string>{shown + "A/", shown + "B/", shown + "A/"}));
    EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\a\\3"), "new");
    EXPECT_EQ(platform_.Calls("outcome "), std::vector<std::string>{"outcome 103 T"});

    // No at the second question: the first folder's files stay installed, nothing
    // after the question is touched, and nothing is shown.
    for (const char* name : {"a\\1", "a\\2", "b\\1", "a\\3"})
        platform_.AddFile(kFakeCustom + "\\" + name, "old");
    platform_.answers = {true, false};
    Install(zip);
    EXPECT_EQ(Asked(), (std::vector<std::string>{shown + "A/", shown + "B/"}));
    EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\a\\2"), "new");
    EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\b\\1"), "old");
    EXPECT_EQ(CountFor("replace ", ""), 2) << "the two of folder a before the question";
    EXPECT_EQ(platform_.Count("outcome "), 0);
    EXPECT_FALSE(app_.m_bError);
}

TEST_F(InstallCallsTest, AFullDiskFailsTheRunAndTracesWhy) {
    zipbuild::ZipBuilder zip;
    zip.AddStored("first.bin", std::string(100, 'f'));
    zip.AddStored("big.bin", std::string(100, 'x'));
    platform_.FailCalls("write " + kFakeCustom + "\\~tpx", ERROR_DISK_FULL);
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(platform_.Paths(),
              (std::vector<std::string>{"C:\\Quorvix", kFakeCustom, kFakeCustom + "\\~tpx.lock",
                                        "C:\\pack.tpx"}))
        << "nothing stays of a failed run";
    const std::vector<std::string> traces =
        platform_.Calls("trace * Installation failed: disk full: ");
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_NE(traces[0].find("(system error 112)"), std::string::npos) << traces[0];
    EXPECT_EQ(platform_.Count("outcome "), 0) << "the failure dialog is start-up's";
}

}  // namespace
