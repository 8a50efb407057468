#include <string>

#include "framework/file_system.h"
#include "framework/file.h"
#include "install_fixture.h"

namespace {

using zipbuild::ZipBuilder;

const char kSuccessHeading[] = "outcome 103 ";

std::string Profile(const std::string& title) {
    return "[tpx]\r\ntitle=" + title + "\r\n";
}

time_t EntryTime(const zipbuild::Entry& entry) {
    return static_cast<time_t>(CTime(entry.dosDate, entry.dosTime).GetTime());
}

time_t LastWriteTime(const fs::path& path) {
    CFileStatus status;
    EXPECT_TRUE(CFile::GetStatus(RealFileSystem(), path.string().c_str(), status)) << path;
    return static_cast<time_t>(status.m_mtime.GetTime());
}

bool IsReadOnly(const fs::path& path) {
    return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
}

TEST_F(InstallTest, InstallsEntriesLowerCasedWithTheirTimesAndAttributes) {
    ZipBuilder zip;
    auto& game = zip.AddStored("Data/Game.INI", "[game]\nlevel=3\n");
    game.dosDate = zipbuild::DosDate(1999, 12, 31);
    game.dosTime = zipbuild::DosTime(23, 58, 30);
    zip.AddDirectory("data/sub/");
    // It replaces a writable file (top-level, so unasked), and takes the entry's time
    // and attributes along all the same.
    WriteFileBytes(custom_ / "readme.txt", "old");
    auto& locked = zip.AddDeflated("README.txt", std::string(5000, 'r'));
    locked.externalAttributes = 0x21;  // read-only, archive
    zip.AddStored("exact.bin", std::string(16384, 'x'));
    zip.AddDeflated("pieces.bin", std::string(65536, 'p'));
    zip.AddDeflated("Deep/er/Still.BIN", std::string(40000, 'd'));
    zip.AddStored("Dee/x.txt", "a sibling whose name starts like the last directory");
    const std::string transcript = Install(WritePack(zip));

    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(transcript, "") << "no profile file: no dialog at all";
    EXPECT_EQ(app_.m_strServiceName, "\"pack.tpx\"");
    EXPECT_EQ(ListTree(custom_),
              (std::set<std::string>{"data", "data/game.ini", "data/sub", "readme.txt", "exact.bin",
                                     "pieces.bin", "deep", "deep/er", "deep/er/still.bin", "dee",
                                     "dee/x.txt"}));
    EXPECT_EQ(ReadFileBytes(custom_ / "data" / "game.ini"), "[game]\nlevel=3\n");
    EXPECT_EQ(ReadFileBytes(custom_ / "readme.txt"), std::string(5000, 'r'));
    EXPECT_EQ(ReadFileBytes(custom_ / "exact.bin"), std::string(16384, 'x'));
    EXPECT_EQ(ReadFileBytes(custom_ / "pieces.bin"), std::string(65536, 'p'));
    EXPECT_EQ(ReadFileBytes(custom_ / "deep" / "er" / "still.bin"), std::string(40000, 'd'));
    EXPECT_EQ(LastWriteTime(custom_ / "data" / "game.ini"), EntryTime(game));
    EXPECT_EQ(LastWriteTime(custom_ / "readme.txt"), EntryTime(locked));
    EXPECT_TRUE(IsReadOnly(custom_ / "readme.txt"));
    EXPECT_FALSE(IsReadOnly(custom_ / "exact.bin"));
    EXPECT_TRUE(NoTempFilesLeft());
}

// Over four pieces of data, one byte more: the pieces are written in runs, and the
// last run holds a single byte.
TEST_F(InstallTest, EntriesOverFourPiecesInstallIntact) {
    std::string data(4 * 262144 + 1, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    ZipBuilder zip;
    zip.AddStored("stored.bin", data);
    zip.AddDeflated("deflated.bin", data);
    Install(WritePack(zip));
    EXPECT_FALSE(app_.m_bError);
    EXPECT_TRUE(ReadFileBytes(custom_ / "stored.bin") == data);
    EXPECT_TRUE(ReadFileBytes(custom_ / "deflated.bin") == data);
}

TEST_F(InstallTest, TitleComesFromTheLastProfileFileInArchiveOrder) {
    ZipBuilder two;
    two.AddStored("a/tpx.cfg", Profile("First"));
    two.AddStored("b/TPX.CFG", Profile("Second"));
    two.AddStored("c/other.txt", "x");
    std::string transcript = Install(WritePack(two));
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(app_.m_strServiceName, "Second");
    EXPECT_EQ(CountOccurrences(transcript, kSuccessHeading), 1);
    EXPECT_EQ(CountOccurrences(transcript, "Second"), 1);
    EXPECT_TRUE(fs::exists(custom_ / "b" / "tpx.cfg"));

    ZipBuilder backup;
    backup.AddStored("x/old-tpx.cfg.bak", Profile("From the backup"));
    transcript = Install(WritePack(backup, "backup.tpx"));
    EXPECT_EQ(app_.m_strServiceName, "From the backup");
    EXPECT_EQ(CountOccurrences(transcript, kSuccessHeading), 1);

    ZipBuilder untitled;
    untitled.AddStored("y/tpx.cfg", "[tpx]\r\nauthor=someone\r\n");
    transcript = Install(WritePack(untitled, "untitled.tpx"));
    EXPECT_EQ(app_.m_strServiceName, "(unknown name)");
    EXPECT_EQ(CountOccurrences(transcript, "(unknown name)"), 1);
    EXPECT_FALSE(app_.m_bError);
}

TEST_F(InstallTest, PacksThatCannotBeReadEndInTheFailureState) {
    ZipBuilder empty;
    std::string transcript = Install(WritePack(empty, "empty.tpx"));
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(app_.m_strServiceName, "\"empty.tpx\"");
    EXPECT_EQ(transcript, "") << "the failure dialog is start-up's";

    app_.m_bError = FALSE;
    Install((root_ / "no such dir" / "missing pack.tpx").string());
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(app_.m_strServiceName, "\"missing pack.tpx\"");

    // A file name longer than any file system allows is cut, not overrun.
    app_.m_bError = FALSE;
    Install((root_ / (std::string(300, 'n') + ".tpx")).string());
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(app_.m_strServiceName.Left(4), "\"nnn");
    EXPECT_LE(app_.m_strServiceName.GetLength(), 2 + 255 + 4);

    app_.m_bError = FALSE;
    WriteFileBytes(root_ / "text.tpx", "not an archive at all");
    Install((root_ / "text.tpx").string());
    EXPECT_TRUE(app_.m_bError);
    EXPECT_TRUE(ListTree(custom_).empty());
}

// Every name that could lead out of custom, or that Windows would not keep as
// written, stops the run at that entry before anything of it exists.
TEST_F(InstallTest, RefusesEntryNamesThatLeaveTheCustomDirectory) {
    const std::string badNames[] = {
        "../evil.txt",
        "sub/../../evil.txt",
        "..\\evil.txt",
        "sub\\..\\..\\evil.txt",
        "C:evil.txt",
        "c:/evil.txt",
        "/../evil.txt",
        "sub/evil.txt:stream",
        "sub/con.txt",
        "sub/NUL",
        "sub/evil.",
        "sub /evil.txt",
        "sub/./evil.txt",
        "sub/lpt1/evil.txt",
        "sub/evil?.txt",
        "sub/\x01vil.txt",
        std::string("sub/ok.txt\0/../../evil.txt", 26),
        "sub/" + std::string(300, 'e'),
    };
    const std::set<std::string> outside = ListTree(root_);
    int run = 0;
    for (const std::string& bad : badNames) {
        SCOPED_TRACE(bad);
        ZipBuilder zip;
        zip.AddStored("before.txt", "kept");
        zip.AddStored(bad, "evil");
        zip.AddStored("after.txt", "never");
        const std::string pack = WritePack(zip, "bad" + std::to_string(run++) + ".tpx");
        app_.m_bError = FALSE;
        Install(pack);
        EXPECT_TRUE(app_.m_bError);
        EXPECT_EQ(ListTree(custom_), std::set<std::string>{}) << "a failed run changes nothing";
        std::set<std::string> now = ListTree(root_);
        now.erase(fs::path(pack).filename().string());
        EXPECT_EQ(now, outside);
        fs::remove(pack);
    }

    // A leading separator or doubled ones stay inside custom, and name the same file as
    // the plain spelling, in a folder that exists too.
    fs::create_directories(custom_ / "dir");
    ZipBuilder harmless;
    harmless.AddStored("/lead.txt", "1");
    harmless.AddStored("dir//twice.txt", "2");
    harmless.AddStored("LEAD.txt", "3");
    harmless.AddStored("dir/twice.txt", "4");
    app_.m_bError = FALSE;
    Install(WritePack(harmless, "harmless.tpx"), {true, true});
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(ReadFileBytes(custom_ / "lead.txt"), "3");
    EXPECT_EQ(ReadFileBytes(custom_ / "dir" / "twice.txt"), "4");
}

// A damaged entry fails the run, and a failed run changes nothing: the file it would
// have replaced stays as it was, entries before it are not installed either, and the
// folders the run made are gone again.
TEST_F(InstallTest, DamagedEntriesLeaveNoTrace) {
    const std::string content(30000, 'n');
    struct Damage {
        const char* what;
        void (*apply)(zipbuild::Entry&);
    };
    const Damage damages[] = {
        {"corrupt deflate data",
         [](zipbuild::Entry& e) {
             for (size_t i = 10; i < e.compressed.size(); i += 7) e.compressed[i] ^= 0x5A;
         }},
        {"local header fault", [](zipbuild::Entry& e) { e.localSignature = 0x04034B51; }},
        {"wrong CRC", [](zipbuild::Entry& e) { e.crc = zipbuild::Crc32(e.data) ^ 1; }},
        {"deflate data cut short",
         [](zipbuild::Entry& e) {
             e.uncompressedSize = static_cast<uint32_t>(e.data.size() + 100);
             e.crc = zipbuild::Crc32(e.data);
         }},
        {"stored data cut short",
         [](zipbuild::Entry& e) {
             e.method = 0;
             e.compressed = e.data.substr(0, 20000);
         }},
    };
    for (const Damage& damage : damages) {
        for (bool existing : {true, false}) {
            SCOPED_TRACE(std::string(damage.what) + (existing ? ", existing file" : ", new file"));
            fs::remove_all(custom_);
            fs::create_directories(custom_);
            if (existing) WriteFileBytes(custom_ / "keep" / "file.txt", "OLD");
            ZipBuilder zip;
            zip.AddStored("first.txt", "done");
            damage.apply(zip.AddDeflated("keep/file.txt", content));
            zip.AddStored("keep/tpx.cfg", Profile("Never"));
            app_.m_bError = FALSE;
            const std::string transcript = Install(WritePack(zip), {true});
            EXPECT_TRUE(app_.m_bError);
            if (existing) {
                EXPECT_EQ(ListTree(custom_), (std::set<std::string>{"keep", "keep/file.txt"}));
                EXPECT_EQ(ReadFileBytes(custom_ / "keep" / "file.txt"), "OLD");
            } else {
                EXPECT_EQ(ListTree(custom_), std::set<std::string>{});
            }
            EXPECT_EQ(CountOccurrences(transcript, kSuccessHeading), 0);
            EXPECT_TRUE(NoTempFilesLeft());
        }
    }

    // A CRC failure is found before the next entry touches its target.
    WriteFileBytes(custom_ / "keep" / "file.txt", "OLD");
    ZipBuilder zip;
    zip.AddStored("prev.txt", "prev").crc = 12345;
    zip.AddStored("keep/file.txt", "new");
    app_.m_bError = FALSE;
    Install(WritePack(zip), {true});
    EXPECT_TRUE(app_.m_bError);
    EXPECT_EQ(ListTree(custom_), (std::set<std::string>{"keep", "keep/file.txt"}));
    EXPECT_EQ(ReadFileBytes(custom_ / "keep" / "file.txt"), "OLD");
    EXPECT_TRUE(NoTempFilesLeft());
}

// A record is a file anyone could have written: it removes nothing outside custom, nothing
// that does not bear a run's name, and its numbers cannot stop a run.
TEST_F(InstallTest, ARecordRemovesNothingButItsOwnRunsFiles) {
    const struct {
        const char* record;
        const char* kept;  // below the install directory
    } kRecords[] = {
        {"tpx journal ~tpx0000abcd-\ntree ..\\~tpx0000abcd-d2\n", "~tpx0000abcd-d2"},
        {"tpx journal ~tpx0000abcd-\ntemp ..\n", "~tpx0000abcd-1.tmp"},
        {"tpx journal save0000abcd-\ntemp .\n", "custom/save0000abcd-1.tmp"},
        {"tpx journal ~tpx0000abcd+\ntemp .\n", "custom/~tpx0000abcd+1.tmp"},
        {"tpx journal ~tpx0000abcx-\ntemp .\n", "custom/~tpx0000abcx-1.tmp"},
        {"tpx journal ~tpx0000abcd-\nn 99999999999999999999999 a\ncommit\n", "custom/a"},
        {"tpx journal ~tpx0000abcd-\nn 0 .\ncommit\n", "custom/keep.txt"},
        {"tpx journal ~tpx0000abcd-\ntemp .\nn 0 a\ncommit", "custom/a"},  // cut short
    };
    ZipBuilder zip;
    zip.AddStored("z.txt", "z");
    const std::string pack = WritePack(zip);
    for (const auto& r : kRecords) {
        SCOPED_TRACE(r.record);
        WriteFileBytes(root_ / r.kept, "keep");
        WriteFileBytes(custom_ / kLockFile, r.record);
        app_.m_bError = FALSE;
        Install(pack, {true});
        EXPECT_FALSE(app_.m_bError);
        EXPECT_EQ(ReadFileBytes(root_ / r.kept), "keep");
    }
}

TEST_F(InstallTest, TargetsThatCannotBeReplacedFailAlikeEverywhere) {
    WriteFileBytes(custom_ / "locked.txt", "OLD");
    fs::permissions(custom_ / "locked.txt",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::create_directories(custom_ / "folder");
    for (const char* name : {"locked.txt", "folder"}) {
        SCOPED_TRACE(name);
        ZipBuilder zip;
        zip.AddStored(name, "new");
        app_.m_bError = FALSE;
        Install(WritePack(zip), {true});
        EXPECT_TRUE(app_.m_bError);
        EXPECT_TRUE(NoTempFilesLeft());
    }
    EXPECT_EQ(ReadFileBytes(custom_ / "locked.txt"), "OLD");
    EXPECT_TRUE(fs::is_directory(custom_ / "folder"));
}

// Archives from other tools, hostile ones among them: whatever each does, the run ends
// normally and writes nothing outside custom and leaves no temporary file.
TEST_F(InstallTest, ArchivesFromOtherToolsStayInsideCustom) {
    const fs::path corpus = fs::path(TPX_SOURCE_DIR) / ".." / "shared" / "corpus";
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus folder at " << corpus;
    int installed = 0;
    for (const auto& item : fs::directory_iterator(corpus)) {
        if (item.path().extension() != ".zip") continue;
        SCOPED_TRACE(item.path().filename().string());
        fs::remove_all(custom_);
        fs::create_directories(custom_);
        app_.m_bError = FALSE;
        Install(item.path().string(), std::vector<bool>(64, true));
        installed += app_.m_bError ? 0 : 1;
        for (const auto& outside : fs::directory_iterator(root_)) {
            EXPECT_EQ(outside.path().filename(), "custom");
        }
        EXPECT_TRUE(NoTempFilesLeft());
    }
    EXPECT_GT(installed, 0) << "no archive of the corpus installed at all";
}

class CapitalInstallDirTest : public InstallTest {
  protected:
    std::string CustomLeaf() const override { return "Client Dir/Custom"; }
};

// Only the part of the path that comes from the entry is lower-cased.
TEST_F(CapitalInstallDirTest, TheInstallDirectoryKeepsItsLetterCase) {
    WriteFileBytes(custom_ / "maps" / "one.map", "old");
    ZipBuilder zip;
    zip.AddStored("Maps/One.MAP", "1");
    zip.AddStored("Maps/Deep/Two.MAP", "2");
    zip.AddStored("TPX.cfg", Profile("Capitals"));
    const std::string transcript = Install(WritePack(zip), {true});
    EXPECT_FALSE(app_.m_bError);
    EXPECT_EQ(
        ListTree(root_ / "Client Dir"),
        (std::set<std::string>{"Custom", "Custom/maps", "Custom/maps/one.map", "Custom/maps/deep",
                               "Custom/maps/deep/two.map", "Custom/tpx.cfg"}));
    EXPECT_EQ(ReadFileBytes(custom_ / "maps" / "one.map"), "1");
    EXPECT_EQ(AskedDirectories(transcript), (std::vector<std::string>{Shown("maps")}));
    EXPECT_EQ(app_.m_strServiceName, "Capitals");
}

}  // namespace
