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
    // "~tpx" and the run's number, from the last installation's temporary names.
    std::string Prefix() const {
        for (const std::string& line : platform_.calls) {
            const size_t start = line.find("~tpx");
            const size_t end = start == std::string::npos ? start : line.find('-', start);
            if (end != std::string::npos && end - start == 12) return line.substr(start, 13);
        }
        return "?";
    }
    std::string Temp(int n) const { return Prefix() + std::to_string(n) + ".tmp"; }

    // The calls that make, create, close or move something below `dir`.
    std::vector<std::string> FileCalls(const std::string& dir) const {
        std::vector<std::string> files;
        for (const std::string& line : platform_.Calls(
                 {"mkdir ", "open create-new ", "close ", "move-new ", "set-aside ", "replace "})) {
            if (line.find(dir) != std::string::npos &&
                line.find("~tpx.lock") == std::string::npos) {
                files.push_back(line);
            }
        }
        return files;
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

TEST_F(InstallCallsTest, FilesOfExistingFoldersAreStagedBesideTheirTargetsOpenedOnce) {
    const std::string games = kFakeCustom + "\\games\\";
    platform_.AddDirectory(kFakeCustom + "\\games");
    platform_.AddDirectory(games + "chess");
    zipbuild::ZipBuilder zip;
    auto& board = zip.AddDeflated("Games/Chess/Board.TXT", std::string(40000, 'b'));
    board.dosDate = zipbuild::DosDate(2003, 7, 14);
    board.dosTime = zipbuild::DosTime(9, 41, 18);
    zip.AddStored("Games/Chess/rules.txt", "rules");
    zip.AddStored("Games/tpx.cfg", "[tpx]\r\ntitle=Chess Deluxe\r\n");
    Install(zip);

    EXPECT_FALSE(app_.m_bError);
    // Per file: one exclusive create of a temporary file beside it, its time and
    // attributes set through that one handle, one close, one move into place, and
    // every file staged before the first one moves.
    const std::string temps[] = {games + "chess\\" + Temp(0), games + "chess\\" + Temp(1),
                                 games + Temp(2)};
    const std::string targets[] = {games + "chess\\board.txt", games + "chess\\rules.txt",
                                   games + "tpx.cfg"};
    std::vector<std::string> expected;
    for (const std::string& temp : temps) {
        expected.push_back("open create-new " + temp);
        expected.push_back("close " + temp);
    }
    for (int i = 0; i < 3; ++i) expected.push_back("move-new " + temps[i] + " -> " + targets[i]);
    EXPECT_EQ(FileCalls(kFakeCustom), expected);
    EXPECT_EQ(platform_.Calls("set-status " + temps[0]),
              std::vector<std::string>{"set-status " + temps[0] + " 2003-07-14 09:41:18 0x20"});
    EXPECT_EQ(platform_.Count("set-status "), 3);
    EXPECT_EQ(platform_.Count("set-times "), 0) << "no second open for the time";
    // Each file written out; the volume flushed before the moves, after them, after "done".
    EXPECT_EQ(platform_.Count("write-out "), 3);
    EXPECT_EQ(platform_.Count("flush-volume "), 3);
    EXPECT_EQ(platform_.FileBytes(games + "chess\\board.txt"), std::string(40000, 'b'));
    EXPECT_EQ(platform_.Count("ask "), 0);
    EXPECT_EQ(platform_.Calls("outcome "), std::vector<std::string>{"outcome 103 Chess Deluxe"});
}

TEST_F(InstallCallsTest, ANewFolderIsFilledUnderATemporaryNameAndMovesWhole) {
    zipbuild::ZipBuilder zip;
    zip.AddDeflated("Games/Chess/Board.TXT", std::string(40000, 'b'));
    zip.AddStored("Games/Chess/rules.txt", "rules");
    zip.AddStored("Games/tpx.cfg", "[tpx]\r\ntitle=Chess Deluxe\r\n");
    zip.AddStored("GAMES/chess/RULES.txt", "rules, second edition");
    zip.AddStored("top.txt", "top");
    platform_.answers = {true};
    // The replaced rules.txt stays at first: it is found where the tree went, and goes.
    platform_.FailCalls("remove " + kFakeCustom + "\\games\\chess\\~tpx", ERROR_SHARING_VIOLATION);
    Install(zip);

    EXPECT_FALSE(app_.m_bError);
    // The folder games is made as a temporary tree, and everything below it is made
    // and written there under its own name, once; the tree moves with one rename, the
    // files of the folders that existed (custom) one by one. A name staged before in
    // the tree is staged again beside it, and moves after the tree.
    const std::string custom = kFakeCustom + "\\";
    const std::string tree = custom + Prefix() + "d0";
    EXPECT_EQ(FileCalls(kFakeCustom),
              (std::vector<std::string>{
                  "mkdir " + tree, "mkdir " + tree + "\\chess",
                  "open create-new " + tree + "\\chess\\board.txt",
                  "close " + tree + "\\chess\\board.txt",
                  "open create-new " + tree + "\\chess\\rules.txt",
                  "close " + tree + "\\chess\\rules.txt", "open create-new " + tree + "\\tpx.cfg",
                  "close " + tree + "\\tpx.cfg", "open create-new " + tree + "\\chess\\" + Temp(3),
                  "close " + tree + "\\chess\\" + Temp(3), "open create-new " + custom + Temp(4),
                  "close " + custom + Temp(4), "move-new " + tree + " -> " + custom + "games",
                  "set-aside " + custom + "games\\chess\\rules.txt -> " + custom +
                      "games\\chess\\" + Prefix() + "3.old",
                  "replace " + custom + "games\\chess\\" + Temp(3) + " -> " + custom +
                      "games\\chess\\rules.txt",
                  "move-new " + custom + Temp(4) + " -> " + custom + "top.txt"}));
    EXPECT_EQ(Made(),
              (std::vector<std::string>{"games", "games\\chess", "games\\chess\\board.txt",
                                        "games\\chess\\rules.txt", "games\\tpx.cfg", "top.txt"}));
    EXPECT_EQ(platform_.FileBytes(custom + "games\\chess\\rules.txt"), "rules, second edition");
    EXPECT_EQ(platform_.Count("set-status "), 5);
    EXPECT_EQ(Asked(), std::vector<std::string>{"C:/QUORVIX/CUSTOM/GAMES/CHESS/"});
    EXPECT_EQ(platform_.Calls("outcome "), std::vector<std::string>{"outcome 103 Chess Deluxe"});

    // A failure leaves nothing: the tree goes whole, with what it holds.
    platform_.RemoveTree((custom + "games").c_str());
    platform_.RemoveFile((custom + "top.txt").c_str());
    zip.AddStored("last/con.txt", "a device name, refused");
    platform_.answers = {true};
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(Made(), std::vector<std::string>{});
}

TEST_F(InstallCallsTest,
       PastItsMemoryOfFoldersARunMakesThemInPlaceAndStillChangesNothingOnFailure) {
    const std::string custom = kFakeCustom + "\\";
    zipbuild::ZipBuilder zip;
    const int folders = 4200;  // more than the run remembers
    for (int i = 0; i < folders; ++i)
        zip.AddStored("f" + std::to_string(i) + "/a.txt", std::to_string(i));
    zip.AddStored("last/con.txt", "a device name, refused");
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(Made(), std::vector<std::string>{});
    const int trees = platform_.Count("mkdir " + custom + "~tpx");
    EXPECT_GT(trees, 0);
    EXPECT_LT(trees, folders);
    EXPECT_EQ(platform_.Count("rmdir "), folders - trees);

    zip.entries().pop_back();
    app_.m_bError = FALSE;
    Install(zip);
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(Made().size(), 2u * folders);
    EXPECT_EQ(platform_.FileBytes(custom + "f0\\a.txt"), "0");
    EXPECT_EQ(platform_.FileBytes(custom + "f4199\\a.txt"), "4199");
}

TEST_F(InstallCallsTest, AKilledRunsTreesGoWithTheNextRunButOnlyTheirs) {
    const std::string custom = kFakeCustom + "\\";
    for (const char* dir : {"~tpx0000abcd-d0", "~tpx0000abcd-d0\\x", "games", "~tpx9999abcd-d1"}) {
        platform_.AddDirectory(custom + dir);
    }
    platform_.AddFile(custom + "~tpx0000abcd-d0\\x\\half.txt", "half");
    platform_.AddFile(custom + "games\\mine.txt", "the user's");
    platform_.AddFile(custom + "~tpx.lock",
                      "tpx journal ~tpx0000abcd-\ntree ~tpx0000abcd-d0\ntree games\n"
                      "tree ~tpx9999abcd-d1\ntree ..\\~tpx0000abcd-d2\n");
    zipbuild::ZipBuilder zip;
    zip.AddStored("a.txt", "a");
    Install(zip);
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(platform_.Calls("rmtree "),
              std::vector<std::string>{"rmtree " + custom + "~tpx0000abcd-d0"});
    EXPECT_EQ(Made(),
              (std::vector<std::string>{"a.txt", "games", "games\\mine.txt", "~tpx9999abcd-d1"}));
}

// A run killed among its moves: each move is found as far as it got, and undone.
TEST_F(InstallCallsTest, AKilledCommitIsUndoneByTheNextRunMoveByMove) {
    const std::string c = kFakeCustom + "\\", p = "~tpx0000abcd-";
    // clang-format off
    const struct { const char* plan; std::vector<std::pair<std::string, std::string>> files; } kMoves[] = {
        {"r 0 a", {{"a", "old"}, {p + "0.tmp", "new"}}},                    // not begun
        {"r 1 b", {{"b", "old"}, {p + "1.old", "old"}, {p + "1.tmp", "new"}}},  // old kept
        {"r 2 c", {{"c", "new"}, {p + "2.old", "old"}}},                    // moved
        {"r 3 d", {{p + "3.old", "old"}, {p + "3.tmp", "new"}}},            // moved aside
        {"n 4 e", {{"e", "new"}}},                                          // moved
        {"n 5 f", {{p + "5.tmp", "new"}}},                                  // not begun
        {"t 0 g", {{"g\\x", "new"}}},                                       // moved
        {"t 1 h", {{p + "d1\\x", "new"}}},                                  // not begun
    };
    // clang-format on
    std::string record = "tpx journal " + p + "\ntemp .\n";
    for (const auto& move : kMoves) {
        record += move.plan + std::string("\n");
        for (const auto& file : move.files) {
            const size_t cut = file.first.find('\\');
            if (cut != std::string::npos) platform_.AddDirectory(c + file.first.substr(0, cut));
            platform_.AddFile(c + file.first, file.second);
        }
    }
    platform_.AddFile(c + "~tpx.lock", record + "commit\n");
    zipbuild::ZipBuilder zip;
    zip.AddStored("z.txt", "z");
    Install(zip);
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(Made(), (std::vector<std::string>{"a", "b", "c", "d", "z.txt"}));
    for (const char* name : {"a", "b", "c", "d"}) EXPECT_EQ(platform_.FileBytes(c + name), "old");

    // Once done, nothing is undone: only what is left of the run goes.
    platform_.AddFile(c + p + "1.old", "old");
    platform_.AddFile(c + "~tpx.lock", "tpx journal " + p + "\ntemp .\nr 1 b\ncommit\ndone\n");
    platform_.AddFile(c + "b", "new");
    Install(zip);
    EXPECT_EQ(Made(), (std::vector<std::string>{"a", "b", "c", "d", "z.txt"}));
    EXPECT_EQ(platform_.FileBytes(c + "b"), "new");
}

// Two moves of one name are undone last first, so the oldest contents come back; of
// the names in a temporary folder only the record's run's go.
TEST_F(InstallCallsTest, AKilledRunIsUndoneLastMoveFirstAndTakesOnlyItsOwnNames) {
    const std::string c = kFakeCustom + "\\", p = "~tpx0000abcd-";
    platform_.AddFile(c + "a", "second");
    platform_.AddFile(c + p + "0.old", "original");
    platform_.AddFile(c + p + "1.old", "first");
    platform_.AddFile(c + p + "7.tmp", "staged");
    platform_.AddFile(c + "~tpx0000abce-7.tmp", "another run's");
    platform_.AddFile(c + "~tpx0000abcd.tmp", "no run's");
    platform_.AddFile(c + "~tpx.lock", "tpx journal " + p + "\ntemp .\nr 0 a\nr 1 a\ncommit\n");
    zipbuild::ZipBuilder zip;
    zip.AddStored("z.txt", "z");
    Install(zip);
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(platform_.FileBytes(c + "a"), "original");
    EXPECT_EQ(Made(),
              (std::vector<std::string>{"a", "z.txt", "~tpx0000abcd.tmp", "~tpx0000abce-7.tmp"}));
}

// What a killed run left and cannot be put back (b is held by another program) stays
// recorded, and the run goes no further.
TEST_F(InstallCallsTest, ARecordThatCannotBePutBackStaysAndStopsTheRun) {
    const std::string c = kFakeCustom + "\\", p = "~tpx0000abcd-";
    const std::string record = "tpx journal " + p + "\ntemp .\nr 1 b\ncommit\n";
    platform_.AddFile(c + "b", "new");
    platform_.AddFile(c + p + "1.old", "old");
    platform_.AddFile(c + "~tpx.lock", record);
    platform_.FailCalls("rename " + c + "b ", ERROR_SHARING_VIOLATION);
    zipbuild::ZipBuilder zip;
    zip.AddStored("z.txt", "z");
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(platform_.FileBytes(c + "~tpx.lock"), record);
    EXPECT_FALSE(platform_.HasFile(c + "z.txt"));
}

// An old file the run cannot remove keeps its record, for the next run to take.
TEST_F(InstallCallsTest, AnOldFileThatCannotGoKeepsTheRecord) {
    const std::string c = kFakeCustom + "\\";
    platform_.AddFile(c + "a", "old");
    platform_.FailCalls("remove " + c + "~tpx", ERROR_SHARING_VIOLATION);
    platform_.FailCalls("rmtree " + c + "~tpx", ERROR_SHARING_VIOLATION);
    zipbuild::ZipBuilder zip;
    zip.AddStored("a", "new");
    Install(zip);
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(platform_.FileBytes(c + "a"), "new");
    EXPECT_NE(platform_.FileBytes(c + "~tpx.lock").find("done\n"), std::string::npos);
}

// A record obeyed again after a try that could not finish loses no file: what came
// back the first time stays, and what could not come back keeps its old copy.
TEST_F(InstallCallsTest, ARecordObeyedAgainLosesNoFile) {
    const std::string c = kFakeCustom + "\\", p = "~tpx0000abcd-";
    platform_.AddFile(c + "a", "new");
    platform_.AddFile(c + p + "0.old", "old a");
    platform_.AddFile(c + "b", "new");
    platform_.AddFile(c + p + "1.old", "old b");
    platform_.AddFile(c + "~tpx.lock", "tpx journal " + p + "\ntemp .\nr 0 a\nr 1 b\ncommit\n");
    platform_.FailCalls("rename " + c + "b ", ERROR_SHARING_VIOLATION);
    zipbuild::ZipBuilder zip;
    zip.AddStored("z.txt", "z");
    Install(zip);
    EXPECT_EQ(platform_.FileBytes(c + "a"), "old a");
    EXPECT_EQ(platform_.FileBytes(c + p + "1.old"), "old b");
    Install(zip);
    EXPECT_EQ(platform_.FileBytes(c + "a"), "old a");
    EXPECT_EQ(platform_.FileBytes(c + p + "1.old"), "old b");
}

// A name the pack uses as a file and as a folder (in either order), a folder on disk
// where the pack has a file, and a read-only file to replace: refused while staging,
// before the commit begins.
TEST_F(InstallCallsTest, ConflictsFailTheRunBeforeTheCommit) {
    const std::string c = kFakeCustom + "\\";
    platform_.AddDirectory(c + "dir");
    platform_.AddFile(c + "ro", "old", FILE_ATTRIBUTE_READONLY);
    const std::vector<std::vector<const char*>> packs = {
        {"a", "a/b"}, {"a/b", "a"}, {"dir"}, {"ro"}};
    for (const auto& names : packs) {
        zipbuild::ZipBuilder zip;
        for (const char* name : names) zip.AddStored(name, "new");
        platform_.answers = {true};
        app_.m_bError = FALSE;
        Install(zip);
        EXPECT_TRUE(app_.m_bError) << names[0];
        EXPECT_EQ(platform_.Count("flush-volume "), 0) << names[0];
        EXPECT_EQ(Made(), (std::vector<std::string>{"dir", "ro"}));
    }

    // A pack of folders only makes them.
    zipbuild::ZipBuilder folders;
    folders.AddDirectory("empty/");
    Install(folders);
    EXPECT_EQ(Made(), (std::vector<std::string>{"dir", "empty", "ro"}));
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

// Each call from the commit's first to the run's last fails in turn: the folder is then
// exactly as before the run, or, once the moves are all done, exactly as after it.
TEST_F(InstallCallsTest, AnyCallFailingDuringTheCommitLeavesTheFolderAsBeforeOrAsAfter) {
    const std::string custom = kFakeCustom + "\\";
    const auto setUp = [&] {
        platform_.failAt = SIZE_MAX;
        platform_.RemoveTree(kFakeCustom.c_str());
        platform_.AddDirectory(kFakeCustom);
        platform_.AddDirectory(custom + "games");
        platform_.AddFile(custom + "games\\a.txt", "old a");
        platform_.AddFile(custom + "top.txt", "old top", FILE_ATTRIBUTE_ARCHIVE);
        platform_.answers = {true, true};
        app_.m_bError = FALSE;
    };
    const auto snapshot = [&] {
        std::vector<std::string> state;
        for (const std::string& path : platform_.Paths()) {
            if (path.rfind(custom, 0) != 0) continue;
            state.push_back(path + " " + platform_.FileBytes(path) + " " +
                            std::to_string(platform_.FileAttributes(path)) + " " +
                            std::to_string(platform_.FileTime(path)));
        }
        return state;
    };
    zipbuild::ZipBuilder zip;
    for (const char* name : {"games/a.txt", "games/b.txt", "fresh/deep/x.txt", "top.txt"})
        zip.AddStored(name, std::string("new ") + name);
    zip.AddStored("fresh/tpx.cfg", "[tpx]\ntitle=T\n");

    setUp();
    const auto before = snapshot();
    Install(zip);
    ASSERT_FALSE(app_.m_bError);
    const auto after = snapshot();
    const std::vector<std::string> calls = platform_.calls;
    size_t first = 0;
    while (first < calls.size() && calls[first].rfind("flush-volume ", 0) != 0) ++first;
    ASSERT_LT(first, calls.size());
    int failed = 0;
    for (size_t at = first; at < calls.size(); ++at) {
        if (calls[at].rfind("unlock-remove ", 0) == 0) continue;  // the lock itself stays
        setUp();
        platform_.failAt = at;
        Install(zip);
        failed += app_.m_bError;
        EXPECT_EQ(snapshot(), app_.m_bError ? before : after) << "failed: " << calls[at];
        // A move or a flush that fails fails the run: success means all are on the disk.
        for (const char* step : {"flush-volume ", "set-aside ", "replace ", "move-new "}) {
            EXPECT_TRUE(calls[at].rfind(step, 0) != 0 || app_.m_bError) << calls[at];
        }
    }
    EXPECT_GT(failed, 5);
}

// Every entry is staged before any moves, so the declared total must be free up front.
TEST_F(InstallCallsTest, APackLargerThanTheFreeSpaceFailsBeforeAnythingIsWritten) {
    zipbuild::ZipBuilder zip;
    zip.AddStored("a.bin", std::string(100, 'a'));
    zip.AddDeflated("b/c.bin", std::string(5000, 'c'));
    for (const ULONGLONG free : {5099ull, 5100ull}) {
        platform_.freeSpace = free;
        app_.m_bError = FALSE;
        Install(zip);
        EXPECT_EQ(app_.m_bError != FALSE, free < 5100) << free;
        EXPECT_EQ(platform_.Count("open create-new ") + platform_.Count("mkdir "),
                  free < 5100 ? 0 : 3)
            << free;
    }
}

TEST_F(InstallCallsTest, AFullDiskFailsTheRunAndTracesWhy) {
    zipbuild::ZipBuilder zip;
    zip.AddStored("first.bin", std::string(100, 'f'));
    zip.AddStored("big.bin", std::string(100, 'x'));
    platform_.FailCalls("write " + kFakeCustom + "\\~tpx", ERROR_DISK_FULL);
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(platform_.Paths(),
              (std::vector<std::string>{"C:\\Quorvix", kFakeCustom, "C:\\pack.tpx"}))
        << "nothing stays of a failed run";
    const std::vector<std::string> traces =
        platform_.Calls("trace * Installation failed: disk full: ");
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_NE(traces[0].find("(system error 112)"), std::string::npos) << traces[0];
    EXPECT_EQ(platform_.Count("outcome "), 0) << "the failure dialog is start-up's";
}

}  // namespace
