// One table of file cases for every file system: the machine's own (POSIX natively,
// Win32 under Wine) and the fake in memory the installer's tests run on, so that the
// fake cannot drift from what the real ones do. Each case starts from the same tree
//   a.txt "A"   b.txt "B"   d\x.txt "X"   d\e\ro.txt "R" (read-only)
// and compares the whole tree afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/file_system.h"
#include "scratch_dir.h"
#include "support/fake_platform.h"
#include "support/file_results.h"
#include "support/win32_codes.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// A file system and the folder to work in (a Windows path).
struct Subject {
    FileSystem* files;
    std::string root;
    std::shared_ptr<void> keep;  // what holds the folder
};

struct Kind {
    const char* name;
    bool real;
    std::function<Subject()> make;
};

void PrintTo(const Kind& kind, std::ostream* os) {
    *os << kind.name;
}

const Kind kKinds[] = {
#ifdef _WIN32
    {"Win32", true,
#else
    {"Posix", true,
#endif
     [] {
         auto dir = std::make_shared<ScratchDir>();
         return Subject{&RealFileSystem(), dir->WinPath(), dir};
     }},
    {"Fake", false,
     [] {
         auto fake = std::make_shared<FakePlatform>();
         fake->AddDirectory("C:\\root");
         return Subject{fake.get(), "C:\\root", fake};
     }},
};

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// Calls on names below the root.
using Call = std::function<FileError(FileSystem&, const std::string& root)>;

Call Two(FileError (FileSystem::*call)(LPCTSTR, LPCTSTR), std::string from, std::string to) {
    return [=](FileSystem& fs, const std::string& r) {
        return (fs.*call)((r + "\\" + from).c_str(), (r + "\\" + to).c_str());
    };
}
Call One(FileError (FileSystem::*call)(LPCTSTR), std::string name) {
    return
        [=](FileSystem& fs, const std::string& r) { return (fs.*call)((r + "\\" + name).c_str()); };
}
// Opens (with OpenForReading or CreateNew) and closes.
Call Open(FileError (FileSystem::*open)(LPCTSTR, FileHandle*), std::string name) {
    return [=](FileSystem& fs, const std::string& r) {
        FileHandle h = kNoFile;
        if (FileError error = (fs.*open)((r + "\\" + name).c_str(), &h)) return error;
        return fs.Close(h);
    };
}
Call ReadWhole(std::string name, size_t limit) {
    return [=](FileSystem& fs, const std::string& r) {
        std::string bytes;
        return fs.ReadWholeFile((r + "\\" + name).c_str(), limit, bytes);
    };
}
Call Lock(std::string name) {
    return [=](FileSystem& fs, const std::string& r) {
        const std::string path = r + "\\" + name;
        FileHandle h = kNoFile;
        if (FileError error = fs.OpenLock(path.c_str(), &h)) return error;
        return fs.CloseLock(h, path.c_str(), false);
    };
}
// A second OpenLock while the first holds the lock; the holder then removes it.
Call LockTwice(std::string name) {
    return [=](FileSystem& fs, const std::string& r) {
        const std::string path = r + "\\" + name;
        FileHandle held = kNoFile, second = kNoFile;
        if (FileError error = fs.OpenLock(path.c_str(), &held)) return error;
        const FileError error = fs.OpenLock(path.c_str(), &second);
        if (!error) fs.CloseLock(second, path.c_str(), false);
        fs.CloseLock(held, path.c_str(), true);
        return error;
    };
}
const auto kCreateNew = &FileSystem::CreateNew;
const auto kOpenForReading = &FileSystem::OpenForReading;

class FileSystemContract : public ::testing::TestWithParam<Kind> {
  protected:
    void SetUp() override {
        m_subject = Subject{};  // the old folder goes before the new one is made
        m_subject = GetParam().make();
        MakeFile("a.txt", "A");
        MakeFile("b.txt", "B");
        ASSERT_TRUE(Succeeded(fs().MakeDirectory(At("d").c_str())));
        MakeFile("d\\x.txt", "X");
        ASSERT_TRUE(Succeeded(fs().MakeDirectory(At("d\\e").c_str())));
        MakeFile("d\\e\\ro.txt", "R", FILE_ATTRIBUTE_READONLY);
    }

    FileSystem& fs() { return *m_subject.files; }
    const std::string& root() { return m_subject.root; }
    std::string At(const std::string& name) { return root() + "\\" + name; }

    void MakeFile(const std::string& name, const std::string& bytes, DWORD attributes = 0) {
        FileHandle h = kNoFile;
        ASSERT_TRUE(Succeeded(fs().CreateNew(At(name).c_str(), &h))) << name;
        ASSERT_TRUE(Succeeded(fs().WriteAt(h, bytes.data(), static_cast<UINT>(bytes.size()), 0)));
        if (attributes != 0) {
            ASSERT_TRUE(Succeeded(fs().Stamp(h, CFileStatus(), attributes)));
        }
        ASSERT_TRUE(Succeeded(fs().Close(h)));
    }

    // Every path below the root, sorted: "name=bytes", "name=bytes ro" or "name\".
    std::vector<std::string> Tree(const std::string& below = "") {
        std::vector<std::string> names, out;
        EXPECT_TRUE(
            Succeeded(fs().ListDirectory((below.empty() ? root() : At(below)).c_str(), names)));
        for (const std::string& name : names) {
            const std::string rel = below.empty() ? name : below + "\\" + name;
            CFileStatus st;
            EXPECT_TRUE(Succeeded(fs().GetPathStatus(At(rel).c_str(), st))) << rel;
            if (st.m_attribute & FILE_ATTRIBUTE_DIRECTORY) {
                out.push_back(rel + "\\");
                for (const std::string& inner : Tree(rel)) out.push_back(inner);
                continue;
            }
            std::string bytes;
            EXPECT_TRUE(Succeeded(fs().ReadWholeFile(At(rel).c_str(), 1024, bytes))) << rel;
            out.push_back(rel + "=" + bytes +
                          ((st.m_attribute & FILE_ATTRIBUTE_READONLY) ? " ro" : ""));
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    Subject m_subject;
};

const std::vector<std::string> kStart = {
    "a.txt=A", "b.txt=B", "d\\", "d\\e\\", "d\\e\\ro.txt=R ro", "d\\x.txt=X",
};

// Calls that fail, the same way on every file system, and change nothing. The real
// ones keep the system's own code: Win32's as before, errno natively (0: not checked).
struct FailRow {
    const char* what;
    Call call;
    FileError::Kind kind;
    LONG win32Code;
    int posixErrno;
};

const FailRow kFailRows[] = {
    {"create-new on an existing file", Open(kCreateNew, "a.txt"), FileError::exists,
     ERROR_FILE_EXISTS, EEXIST},
    {"create-new in a missing folder", Open(kCreateNew, "none\\n.txt"), FileError::pathNotFound,
     ERROR_PATH_NOT_FOUND, ENOENT},
    {"Replace onto a read-only file", Two(&FileSystem::Replace, "a.txt", "d\\e\\ro.txt"),
     FileError::accessDenied, 0, 0},
    {"MoveNew onto an existing name", Two(&FileSystem::MoveNew, "a.txt", "b.txt"),
     FileError::exists, ERROR_ALREADY_EXISTS, 0},
    {"MoveNew of a folder onto a file", Two(&FileSystem::MoveNew, "d", "a.txt"), FileError::exists,
     ERROR_ALREADY_EXISTS, 0},
    {"RemoveTree of a missing path", One(&FileSystem::RemoveTree, "none"), FileError::notFound,
     ERROR_FILE_NOT_FOUND, ENOENT},
    {"RemoveEmptyDirectory of a full folder", One(&FileSystem::RemoveEmptyDirectory, "d"),
     FileError::notEmpty, ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
    {"MakeDirectory where one is", One(&FileSystem::MakeDirectory, "d"), FileError::exists,
     ERROR_ALREADY_EXISTS, EEXIST},
    {"MakeDirectory in a missing folder", One(&FileSystem::MakeDirectory, "none\\e"),
     FileError::pathNotFound, ERROR_PATH_NOT_FOUND, ENOENT},
    {"ReadWholeFile over its limit", ReadWhole("a.txt", 0), FileError::other, 0, 0},
    {"ReadWholeFile of a folder", ReadWhole("d", 1024), FileError::accessDenied,
     ERROR_ACCESS_DENIED, 0},
    {"ReadWholeFile of a missing file", ReadWhole("none.txt", 1024), FileError::notFound,
     ERROR_FILE_NOT_FOUND, ENOENT},
    {"OpenLock on a folder", Lock("d"), FileError::accessDenied, ERROR_ACCESS_DENIED, 0},
    {"OpenLock while it is held", LockTwice("~tpx.lock"), FileError::lockHeld, 0, 0},
};

TEST_P(FileSystemContract, FailuresChangeNothing) {
    for (const FailRow& row : kFailRows) {
        SCOPED_TRACE(row.what);
        const FileError error = row.call(fs(), root());
        EXPECT_TRUE(FailedWith(error, row.kind));
        const long code = kWindows ? row.win32Code : row.posixErrno;
        if (GetParam().real && code != 0) {
            EXPECT_EQ(error.osCode, code);
        }
        EXPECT_EQ(Tree(), kStart);
    }
}

// Calls that succeed, and the tree they leave.
struct MoveRow {
    const char* what;
    Call call;
    std::vector<std::string> tree;
    std::vector<std::string> windowsTree;  // where Windows leaves another; empty: the same
};

const MoveRow kMoveRows[] = {
    {"MoveNew of a folder",
     Two(&FileSystem::MoveNew, "d", "e"),
     {"a.txt=A", "b.txt=B", "e\\", "e\\e\\", "e\\e\\ro.txt=R ro", "e\\x.txt=X"},
     {}},
    {"Replace replaces a file",
     Two(&FileSystem::Replace, "b.txt", "a.txt"),
     {"a.txt=B", "d\\", "d\\e\\", "d\\e\\ro.txt=R ro", "d\\x.txt=X"},
     {}},
    {"MoveBack replaces a file",
     Two(&FileSystem::MoveBack, "a.txt", "b.txt"),
     {"b.txt=A", "d\\", "d\\e\\", "d\\e\\ro.txt=R ro", "d\\x.txt=X"},
     {}},
    // A second name natively; on Windows a move, so the target is gone.
    {"SetAside keeps the bytes at the backup name",
     Two(&FileSystem::SetAside, "a.txt", "a.old"),
     {"a.old=A", "a.txt=A", "b.txt=B", "d\\", "d\\e\\", "d\\e\\ro.txt=R ro", "d\\x.txt=X"},
     {"a.old=A", "b.txt=B", "d\\", "d\\e\\", "d\\e\\ro.txt=R ro", "d\\x.txt=X"}},
    // Nothing of the tree shows again in a new folder of its name.
    {"RemoveTree takes read-only files and leaves siblings",
     [](FileSystem& fs, const std::string& r) {
         if (FileError error = fs.RemoveTree((r + "\\d").c_str())) return error;
         return fs.MakeDirectory((r + "\\d").c_str());
     },
     {"a.txt=A", "b.txt=B", "d\\"},
     {}},
};

TEST_P(FileSystemContract, MovesLeaveTheirTree) {
    for (const MoveRow& row : kMoveRows) {
        SCOPED_TRACE(row.what);
        SetUp();  // a fresh start for each row
        ASSERT_TRUE(Succeeded(row.call(fs(), root())));
        EXPECT_EQ(Tree(), kWindows && !row.windowsTree.empty() ? row.windowsTree : row.tree);
    }
}

TEST_P(FileSystemContract, ListingHasNoDots) {
    std::vector<std::string> names;
    ASSERT_TRUE(Succeeded(fs().ListDirectory(root().c_str(), names)));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt", "d"}));
}

TEST_P(FileSystemContract, StatusIsStampedAndReadBack) {
    FileHandle h = kNoFile;
    ASSERT_TRUE(Succeeded(fs().CreateNew(At("s.txt").c_str(), &h)));
    CFileStatus set;
    set.m_mtime = CTime(1058175678);
    set.m_atime = CTime(1058175000);
    ASSERT_TRUE(Succeeded(fs().Stamp(h, set, FILE_ATTRIBUTE_READONLY)));
    ASSERT_TRUE(Succeeded(fs().Close(h)));
    CFileStatus st;
    ASSERT_TRUE(Succeeded(fs().GetPathStatus(At("s.txt").c_str(), st)));
    EXPECT_EQ(st.m_mtime.GetTime(), 1058175678);
    EXPECT_EQ(st.m_atime.GetTime(), 1058175000);
    EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0u);
    ASSERT_TRUE(Succeeded(fs().GetPathStatus(At("d").c_str(), st)));
    EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0u);
    const FileError missing = fs().GetPathStatus(At("none").c_str(), st);
    EXPECT_TRUE(FailedWith(missing, FileError::notFound));
    if (GetParam().real) {
        EXPECT_EQ(missing.osCode, kWindows ? ERROR_FILE_NOT_FOUND : ENOENT);
    }
}

TEST_P(FileSystemContract, TheLockFileComesAndGoesWithItsHolder) {
    const std::string lock = At("~tpx.lock");
    FileHandle h = kNoFile;
    ASSERT_TRUE(Succeeded(fs().OpenLock(lock.c_str(), &h)));
    CFileStatus st;
    EXPECT_TRUE(Succeeded(fs().GetPathStatus(lock.c_str(), st)));
    ASSERT_TRUE(Succeeded(fs().CloseLock(h, lock.c_str(), true)));
    EXPECT_EQ(Tree(), kStart);
}

#ifndef _WIN32
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// POSIX only: a link standing where a tree was, or inside one, goes itself.
TEST_P(FileSystemContract, RemoveTreeRemovesLinksNeverFollowed) {
    if (!GetParam().real) GTEST_SKIP() << "the fake has no links";
    ASSERT_EQ(symlink(Native(At("d")).c_str(), Native(At("e")).c_str()), 0);
    EXPECT_TRUE(Succeeded(fs().RemoveTree(At("e").c_str())));
    EXPECT_EQ(Tree(), kStart);
    ASSERT_EQ(symlink(Native(At("a.txt")).c_str(), Native(At("d\\to-file")).c_str()), 0);
    ASSERT_EQ(symlink(Native(root()).c_str(), Native(At("d\\to-dir")).c_str()), 0);
    EXPECT_TRUE(Succeeded(fs().RemoveTree(At("d").c_str())));
    EXPECT_EQ(Tree(), (std::vector<std::string>{"a.txt=A", "b.txt=B"}));
}
#endif

INSTANTIATE_TEST_SUITE_P(Files, FileSystemContract, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
