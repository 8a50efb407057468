// InstallPackage against the in-memory fake: what it asks of the platform, call by call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fake_install.h"
#include "support/fake_platform.h"
#include "support/zip_builder.h"

namespace {

class InstallCallsTest : public FakeInstallTest {
  protected:
    std::vector<std::string> Asked() const {
        std::vector<std::string> dirs;
        for (const std::string& line : platform_.Calls("ask ")) {
            const size_t start = line.find('"') + 1;
            dirs.push_back(line.substr(start, line.find('"', start) - start));
        }
        return dirs;
    }

    // Adds a file of the custom folder ("a/b"), with its folders.
    void AddOld(std::string name) {
        std::replace(name.begin(), name.end(), '/', '\\');
        for (size_t cut = name.find('\\'); cut != std::string::npos; cut = name.find('\\', cut + 1))
            platform_.AddDirectory(kFakeCustom + "\\" + name.substr(0, cut));
        platform_.AddFile(kFakeCustom + "\\" + name, "old");
    }
};

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

bool IsStaging(const std::string& path) {
    return path.find("\\~tpx") != std::string::npos;
}

// What every successful run's calls keep to, whatever the pack and the folder hold:
// everything below custom; nothing but staging names and the record changed before the
// commit; each staged file opened, written out, stamped and closed once, through its
// handle; the record on the disk before the first move and after the last; old files
// removed only then.
void ExpectTheCallsKeepTheRules(const std::vector<std::string>& calls) {
    const std::string custom = kFakeCustom + "\\";
    std::vector<size_t> flushes, moves, records, removes;
    std::map<std::string, std::vector<std::string>> staged;  // the verbs naming each
    for (size_t i = 0; i < calls.size(); ++i) {
        const std::vector<std::string> words = Words(calls[i]);
        const std::string& verb = words[0];
        if (words.size() < 2 || verb == "trace" || verb == "ask" || verb == "outcome") continue;
        if (verb == "flush-volume") flushes.push_back(i);
        if (verb == "set-aside" || verb == "replace" || verb == "move-new") moves.push_back(i);
        if (verb == "remove" || verb == "rmdir" || verb == "rmtree") removes.push_back(i);
        if (verb == "write" && words[1] == custom + "~tpx.lock") records.push_back(i);
        if (words[1] == "create-new") staged[words[2]];
        const bool reads =
            verb == "read" || verb == "close" || verb == "flush-volume" || words[1] == "read";
        for (const std::string& path : words) {
            if (path.rfind("C:", 0) != 0) continue;
            if (staged.count(path)) staged[path].push_back(verb);
            if (path == "C:\\pack.tpx") {
                EXPECT_TRUE(reads) << calls[i];
                continue;
            }
            EXPECT_TRUE(path.rfind(custom, 0) == 0 || path == kFakeCustom) << calls[i];
            EXPECT_TRUE(reads || !flushes.empty() || IsStaging(path)) << calls[i];
        }
        if (verb == "replace" || verb == "move-new") {
            EXPECT_TRUE(IsStaging(words[1]) && !IsStaging(words[3])) << calls[i];
        }
        EXPECT_TRUE(verb != "set-times" && verb != "set-attributes") << "by path: " << calls[i];
    }
    for (const auto& file : staged) {
        for (const char* verb : {"open", "write-out", "set-status", "close"})
            EXPECT_EQ(std::count(file.second.begin(), file.second.end(), verb), 1)
                << verb << " " << file.first;
    }
    ASSERT_FALSE(moves.empty());
    const auto flushBetween = [&](size_t from, size_t to) {
        return std::any_of(flushes.begin(), flushes.end(),
                           [&](size_t f) { return from < f && f < to; });
    };
    const auto commit = std::lower_bound(records.begin(), records.end(), moves.front());
    ASSERT_TRUE(commit != records.begin() && commit != records.end());
    EXPECT_TRUE(flushBetween(commit[-1], moves.front())) << "the commit on the disk first";
    EXPECT_TRUE(flushBetween(moves.back(), records.back())) << "the moves before done";
    for (size_t r : removes) EXPECT_TRUE(flushBetween(records.back(), r)) << calls[r];
}

// Packs of new and replaced files, in folders that exist and new ones (a name staged in
// a new tree, then again), over an empty folder and one holding some of them.
TEST_F(InstallCallsTest, EveryRunKeepsToTheRulesOfStagingAndCommit) {
    const std::vector<std::pair<std::string, std::string>> pack = {
        {"Games/Chess/Board.TXT", std::string(40000, 'b')},
        {"Games/Chess/rules.txt", "rules"},
        {"Games/tpx.cfg", "[tpx]\r\ntitle=Chess Deluxe\r\n"},
        {"GAMES/chess/RULES.txt", "rules, second edition"},
        {"top.txt", "top"},
    };
    const std::vector<std::vector<std::string>> before = {
        {}, {"games/chess/board.txt", "top.txt"}, {"games/other.txt"}};
    for (const auto& old : before) {
        SCOPED_TRACE(old.empty() ? "empty" : old[0]);
        platform_.RemoveTree(kFakeCustom.c_str());
        platform_.AddDirectory(kFakeCustom);
        for (const std::string& name : old) AddOld(name);
        zipbuild::ZipBuilder zip;
        for (const auto& entry : pack) zip.AddDeflated(entry.first, entry.second);
        platform_.answers = {true, true, true};
        Install(zip);
        EXPECT_FALSE(app_.m_bError);
        ExpectTheCallsKeepTheRules(platform_.calls);
        for (const std::string& made : Made()) EXPECT_FALSE(IsStaging("\\" + made)) << made;
        EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\games\\chess\\board.txt"), pack[0].second);
        EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\games\\chess\\rules.txt"), pack[3].second);
        EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\top.txt"), "top");
    }
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

// What a killed run left and cannot be put back stays recorded, with the names it
// needs, and the run goes no further: b or its old copy is held by another program,
// or "done" cannot be written.
TEST_F(InstallCallsTest, ARecordThatCannotBePutBackStaysAndStopsTheRun) {
    const std::string c = kFakeCustom + "\\", p = "~tpx0000abcd-";
    const std::string record = "tpx journal " + p + "\ntemp .\nr 1 b\ncommit\n";
    const struct {
        std::string fails, kept;
    } kCases[] = {
        {"rename " + c + "b ", p + "1.old"},
        {"rename " + c + p + "1.old ", p + "1.old"},
        {"write " + c + "~tpx.lock 6", p + "1.tmp"},
    };
    for (const auto& k : kCases) {
        SCOPED_TRACE(k.fails);
        platform_.RemoveTree(kFakeCustom.c_str());
        platform_.AddDirectory(kFakeCustom);
        platform_.AddFile(c + "b", "new");
        platform_.AddFile(c + p + "1.old", "old");
        platform_.AddFile(c + "~tpx.lock", record);
        platform_.ClearFaults();
        platform_.FailCalls(k.fails, FileError::inUse);
        zipbuild::ZipBuilder zip;
        zip.AddStored("z.txt", "z");
        app_.m_bError = FALSE;
        Install(zip);
        EXPECT_TRUE(app_.m_bError);
        EXPECT_EQ(platform_.FileBytes(c + "~tpx.lock"), record);
        EXPECT_TRUE(platform_.HasFile(c + k.kept));
        EXPECT_FALSE(platform_.HasFile(c + "z.txt"));
    }
}

// A folder a killed run staged in that cannot be looked into keeps the record.
TEST_F(InstallCallsTest, AStagingFolderThatCannotBeListedKeepsTheRecord) {
    const std::string c = kFakeCustom + "\\", p = "~tpx0000abcd-";
    platform_.AddFile(c + p + "0.tmp", "staged");
    platform_.AddFile(c + "~tpx.lock", "tpx journal " + p + "\ntemp .\n");
    platform_.FailCalls("list " + kFakeCustom, FileError::accessDenied);
    zipbuild::ZipBuilder zip;
    zip.AddStored("z.txt", "z");
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_TRUE(platform_.HasFile(c + p + "0.tmp"));
    EXPECT_FALSE(platform_.HasFile(c + "z.txt"));
}

// A record that cannot be written, its header or a line after it, stops the run
// before anything moves.
TEST_F(InstallCallsTest, ARecordThatCannotBeWrittenStopsTheRunBeforeAnyMove) {
    platform_.AddFile(kFakeCustom + "\\a", "old");
    zipbuild::ZipBuilder zip;
    zip.AddStored("a", "new");
    for (const char* bytes : {" 26", " 7"}) {  // the header; "temp ." and "commit"
        platform_.ClearFaults();
        platform_.FailCalls("write " + kFakeCustom + "\\~tpx.lock" + bytes, FileError::diskFull);
        app_.m_bError = FALSE;
        Install(zip);
        EXPECT_TRUE(app_.m_bError) << bytes;
        EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\a"), "old") << bytes;
        EXPECT_EQ(Made(), std::vector<std::string>{"a"}) << bytes;
    }
}

// The flush after "done" fails and the moves cannot be undone: "done" is taken back, so
// that the record left undoes them later.
TEST_F(InstallCallsTest, DoneIsTakenBackWhenItsFlushFails) {
    platform_.AddFile(kFakeCustom + "\\a", "old");
    zipbuild::ZipBuilder zip;
    zip.AddStored("a", "new");
    Install(zip);
    const std::vector<std::string> calls = platform_.calls;
    size_t last = calls.size();
    while (last > 0 && calls[last - 1].rfind("flush-volume ", 0) != 0) --last;
    ASSERT_GT(last, 0u);
    platform_.AddFile(kFakeCustom + "\\a", "old");
    platform_.failAt = last - 1;
    platform_.FailCalls("rename ", FileError::inUse);
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\~tpx.lock").find("done"), std::string::npos);
}

// A pack that is not there is told as missing, in a folder that is or one that is not.
TEST_F(InstallCallsTest, AMissingPackIsToldAsMissing) {
    for (const char* pack : {"C:\\none.tpx", "C:\\none\\p.tpx"}) {
        const InstallOutcome outcome = app_.InstallPackage(pack);
        EXPECT_EQ(std::string(DescribeFailure(outcome.failure, kFakeCustom.c_str())),
                  "The pack cannot be found.")
            << pack;
    }
}

// An old file the run cannot remove keeps its record, for the next run to take.
TEST_F(InstallCallsTest, AnOldFileThatCannotGoKeepsTheRecord) {
    const std::string c = kFakeCustom + "\\";
    platform_.AddFile(c + "a", "old");
    platform_.FailCalls("remove " + c + "~tpx", FileError::inUse);
    platform_.FailCalls("rmtree " + c + "~tpx", FileError::inUse);
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
    platform_.FailCalls("rename " + c + "b ", FileError::inUse);
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

// The overwrite question comes before the first existing file of each run of entries
// in one folder (top-level files only after some question came); a No keeps what came
// before it, installs nothing after, and ends the run quietly.
TEST_F(InstallCallsTest, AsksOncePerRunOfExistingFilesInOneFolderAndNoStopsQuietly) {
    // The files custom holds, the pack's names, the answers, the folders asked about, and
    // what each of the pack's names holds after: new, old or nothing.
    const struct {
        const char *old, *pack, *answers, *asked, *after;
    } kCases[] = {
        {"a/1 a/2 b/1 a/3", "a/1 a/2 b/1 a/3", "yyy", "A/ B/ A/", "nnnn"},
        {"a/1 a/2 b/1 a/3", "a/1 a/2 b/1 a/3", "yn", "A/ B/", "nnoo"},
        {"a/1", "a/0 a/1 b/2", "n", "A/", "no-"},
        // Top-level files are replaced unasked until a question came, then asked as "/".
        {"top a/x other x", "top a/x other /x", "yy", "A/ /", "nnnn"},
        {"top a/1", "top a/0", "", "", "nn"},
    };
    const auto name = [](std::string n) {
        std::replace(n.begin(), n.end(), '/', '\\');
        return kFakeCustom + (n[0] == '\\' ? "" : "\\") + n;
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.pack) + " " + c.answers);
        platform_.RemoveTree(kFakeCustom.c_str());
        platform_.AddDirectory(kFakeCustom);
        for (const std::string& old : Words(c.old)) AddOld(old);
        zipbuild::ZipBuilder zip;
        zip.AddStored("tpx.cfg", "[tpx]\ntitle=T\n");  // a title to show, unless stopped
        for (const std::string& entry : Words(c.pack)) zip.AddStored(entry, "new");
        platform_.answers.clear();
        for (const char* a = c.answers; *a; ++a) platform_.answers.push_back(*a == 'y');
        Install(zip);
        std::vector<std::string> asked;
        for (const std::string& dir : Words(c.asked))
            asked.push_back(dir == "/" ? dir : "C:/QUORVIX/CUSTOM/" + dir);
        EXPECT_EQ(Asked(), asked);
        EXPECT_FALSE(app_.m_bError);
        const bool stopped = std::strchr(c.answers, 'n') != nullptr;
        EXPECT_EQ(platform_.Count("outcome "), stopped ? 0 : 1);
        const std::vector<std::string> pack = Words(c.pack);
        for (size_t i = 0; i < pack.size(); ++i) {
            const char* want = c.after[i] == 'n' ? "new" : c.after[i] == 'o' ? "old" : "";
            EXPECT_EQ(platform_.FileBytes(name(pack[i])), want) << pack[i];
        }
    }
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

TEST_F(InstallCallsTest, AVolumeThatCannotTellItsFreeSpaceLeavesItToTheWrites) {
    zipbuild::ZipBuilder zip;
    zip.AddStored("a.bin", std::string(100, 'a'));
    platform_.freeSpaceUnknown = true;
    Install(zip);
    EXPECT_FALSE(app_.m_bError);
    EXPECT_TRUE(platform_.HasFile(kFakeCustom + "\\a.bin"));
}

// A pack of folders only is not installed without them; the cause is the folder's own.
TEST_F(InstallCallsTest, AFolderThatCannotBeMadeFailsTheRunWithItsCause) {
    zipbuild::ZipBuilder zip;
    zip.AddStored("empty/", "");
    platform_.FailCalls("mkdir ", FileError::diskFull);
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(outcome_.failure.kind, InstallFailure::Kind::diskFull);
    EXPECT_EQ(platform_.Paths(),
              (std::vector<std::string>{"C:\\Quorvix", kFakeCustom, "C:\\pack.tpx"}));
}

TEST_F(InstallCallsTest, AFullDiskFailsTheRunAndTracesWhy) {
    platform_.AddDirectory(kFakeCustom + "\\games");
    zipbuild::ZipBuilder zip;
    zip.AddStored("games/first.bin", std::string(100, 'f'));
    zip.AddStored("games/big.bin", std::string(100, 'x'));
    platform_.FailCalls("write " + kFakeCustom + "\\games\\~tpx",
                        FileError(FileError::diskFull, 112));
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(platform_.Paths(),
              (std::vector<std::string>{"C:\\Quorvix", kFakeCustom, kFakeCustom + "\\games",
                                        "C:\\pack.tpx"}))
        << "nothing stays of a failed run";
    const std::vector<std::string> traces =
        platform_.Calls("trace * Installation failed: disk full: ");
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_NE(traces[0].find("(system error 112)"), std::string::npos) << traces[0];
    EXPECT_EQ(platform_.Count("outcome "), 0) << "the failure dialog is start-up's";
    // The cause names the entry being staged, not its temporary file.
    EXPECT_EQ(std::string(DescribeFailure(outcome_.failure, kFakeCustom.c_str())),
              "The disk is full (games\\first.bin).");
}

// A staged file whose writeout fails fails the run as a failed write would.
TEST_F(InstallCallsTest, AFailedWriteOutFailsTheRun) {
    platform_.AddDirectory(kFakeCustom + "\\games");
    zipbuild::ZipBuilder zip;
    zip.AddStored("games/a.bin", std::string(100, 'a'));
    platform_.FailCalls("write-out " + kFakeCustom + "\\games\\~tpx", FileError::diskFull);
    Install(zip);
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(outcome_.failure.kind, InstallFailure::Kind::diskFull);
    EXPECT_FALSE(platform_.HasFile(kFakeCustom + "\\games\\a.bin"));
}

// A run waits while another holds the lock, and a Cancel there or during the staging
// ends it with the folder as it was and no failure.
TEST_F(InstallCallsTest, WaitingAndCancellingChangeNothing) {
    AddOld("games/a.txt");
    zipbuild::ZipBuilder zip;
    for (int i = 0; i < 10; ++i) zip.AddStored("games/f" + std::to_string(i) + ".txt", "new");
    zip.AddStored("games/a.txt", "new");
    platform_.AddFile("C:\\pack.tpx", "");
    const std::vector<std::string> before = platform_.Paths();
    const struct {
        int held, cancelAfterWaits;
        ULONGLONG cancelAtProgress;
        InstallOutcome::Kind kind;
    } cases[] = {
        {3, 2, ULLONG_MAX, InstallOutcome::Kind::cancelled},
        {0, INT_MAX, 5, InstallOutcome::Kind::cancelled},
        {3, INT_MAX, ULLONG_MAX, InstallOutcome::Kind::installedQuietly},
    };
    for (const auto& c : cases) {
        platform_.lockHeldTries = c.held;
        platform_.waits = 0;
        platform_.cancelAfterWaits = c.cancelAfterWaits;
        platform_.cancelAtProgress = c.cancelAtProgress;
        platform_.answers = {true};
        Install(zip);
        EXPECT_EQ(outcome_.kind, c.kind) << c.held;
        EXPECT_FALSE(app_.m_bError);
        EXPECT_EQ(platform_.Count("waiting"),
                  std::min<long long>(c.held, c.cancelAfterWaits + 1LL));
        if (c.kind == InstallOutcome::Kind::cancelled) {
            EXPECT_EQ(platform_.Paths(), before);
            EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\games\\a.txt"), "old");
        } else {
            EXPECT_EQ(platform_.FileBytes(kFakeCustom + "\\games\\a.txt"), "new");
        }
    }
}

// A custom folder that refuses the lock file is named, not a lock that is not there.
TEST_F(InstallCallsTest, ALockFileRefusedByCustomBlamesCustom) {
    zipbuild::ZipBuilder zip;
    zip.AddStored("a.txt", "a");
    platform_.FailCalls("lock ", FileError::accessDenied);
    Install(zip);
    ASSERT_EQ(outcome_.kind, InstallOutcome::Kind::failed);
    EXPECT_EQ(std::string(DescribeFailure(outcome_.failure, kFakeCustom.c_str())),
              "Access was refused to " + kFakeCustom + ".");
}

}  // namespace
