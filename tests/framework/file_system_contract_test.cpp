// One table of file cases for every file system: the machine's own (POSIX natively,
// Win32 under Wine) and the fake in memory the installer's tests run on, so that the
// fake cannot drift from what the real ones do. Each case starts from the same tree
//   a.txt "A"   b.txt "B"   d\x.txt "X"   d\e\ro.txt "R" (read-only)
// and compares the whole tree afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/file_system.h"
#include "scratch_dir.h"
#include "support/fake_platform.h"

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
using Call = std::function<bool(FileSystem&, const std::string& root)>;

Call Two(bool (FileSystem::*call)(LPCTSTR, LPCTSTR), std::string from, std::string to) {
    return [=](FileSystem& fs, const std::string& r) {
        return (fs.*call)((r + "\\" + from).c_str(), (r + "\\" + to).c_str());
    };
}
Call One(bool (FileSystem::*call)(LPCTSTR), std::string name) {
    return
        [=](FileSystem& fs, const std::string& r) { return (fs.*call)((r + "\\" + name).c_str()); };
}
Call Open(std::string name, UINT flags) {
    return [=](FileSystem& fs, const std::string& r) {
        HANDLE h = fs.OpenFile((r + "\\" + name).c_str(), flags);
        return h != INVALID_HANDLE_VALUE && fs.CloseFile(h);
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
        HANDLE h = fs.OpenLockFile((r + "\\" + name).c_str());
        return h != INVALID_HANDLE_VALUE && fs.CloseLockFile(h, (r + "\\" + name).c_str(), false);
    };
}
constexpr UINT kCreateNew = CFile::modeCreateNew | CFile::modeWrite;

class FileSystemContract : public ::testing::TestWithParam<Kind> {
  protected:
    void SetUp() override {
        m_subject = Subject{};  // the old folder goes before the new one is made
        m_subject = GetParam().make();
        MakeFile("a.txt", "A");
        MakeFile("b.txt", "B");
        ASSERT_TRUE(fs().MakeDirectory(At("d").c_str()));
        MakeFile("d\\x.txt", "X");
        ASSERT_TRUE(fs().MakeDirectory(At("d\\e").c_str()));
        MakeFile("d\\e\\ro.txt", "R", FILE_ATTRIBUTE_READONLY);
    }

    FileSystem& fs() { return *m_subject.files; }
    const std::string& root() { return m_subject.root; }
    std::string At(const std::string& name) { return root() + "\\" + name; }

    void MakeFile(const std::string& name, const std::string& bytes, DWORD attributes = 0) {
        HANDLE h = fs().OpenFile(At(name).c_str(), CFile::modeCreateNew | CFile::modeWrite);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
        ASSERT_TRUE(fs().WriteFileAt(h, bytes.data(), static_cast<UINT>(bytes.size()), 0));
        if (attributes != 0) {
            ASSERT_TRUE(fs().SetFileStatus(h, CFileStatus(), attributes));
        }
        ASSERT_TRUE(fs().CloseFile(h));
    }

    // Every path below the root, sorted: "name=bytes", "name=bytes ro" or "name\".
    std::vector<std::string> Tree(const std::string& below = "") {
        std::vector<std::string> names, out;
        EXPECT_TRUE(fs().ListDirectory((below.empty() ? root() : At(below)).c_str(), names));
        for (const std::string& name : names) {
            const std::string rel = below.empty() ? name : below + "\\" + name;
            CFileStatus st;
            EXPECT_TRUE(fs().GetPathStatus(At(rel).c_str(), st)) << rel;
            if (st.m_attribute & FILE_ATTRIBUTE_DIRECTORY) {
                out.push_back(rel + "\\");
                for (const std::string& inner : Tree(rel)) out.push_back(inner);
                continue;
            }
            std::string bytes;
            EXPECT_TRUE(fs().ReadWholeFile(At(rel).c_str(), 1024, bytes)) << rel;
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

// Calls that fail with a Win32 code and change nothing.
struct FailRow {
    const char* what;
    Call call;
    LONG error;
    LONG posixError;  // where POSIX answers otherwise; 0: the same
};

const FailRow kFailRows[] = {
    {"create-new on an existing file", Open("a.txt", kCreateNew), ERROR_FILE_EXISTS, 0},
    {"create-new in a missing folder", Open("none\\n.txt", kCreateNew), ERROR_PATH_NOT_FOUND, 0},
    {"write-open of a read-only file", Open("d\\e\\ro.txt", CFile::modeReadWrite),
     ERROR_ACCESS_DENIED, 0},
    {"MoveNew onto an existing name", Two(&FileSystem::MoveNew, "a.txt", "b.txt"),
     ERROR_ALREADY_EXISTS, 0},
    {"MoveNew of a folder onto a file", Two(&FileSystem::MoveNew, "d", "a.txt"),
     ERROR_ALREADY_EXISTS, 0},
    {"RemoveTree of a missing path", One(&FileSystem::RemoveTree, "none"), ERROR_FILE_NOT_FOUND, 0},
    {"RemoveEmptyDirectory of a full folder", One(&FileSystem::RemoveEmptyDirectory, "d"),
     ERROR_DIR_NOT_EMPTY, 0},
    {"MakeDirectory where one is", One(&FileSystem::MakeDirectory, "d"), ERROR_ALREADY_EXISTS, 0},
    {"MakeDirectory in a missing folder", One(&FileSystem::MakeDirectory, "none\\e"),
     ERROR_PATH_NOT_FOUND, 0},
    {"ReadWholeFile over its limit", ReadWhole("a.txt", 0), ERROR_ACCESS_DENIED, 0},
    {"ReadWholeFile of a folder", ReadWhole("d", 1024), ERROR_ACCESS_DENIED, 0},
    {"ReadWholeFile of a missing file", ReadWhole("none.txt", 1024), ERROR_FILE_NOT_FOUND, 0},
    {"OpenLockFile on a folder", Lock("d"), ERROR_ACCESS_DENIED, 0},
};

TEST_P(FileSystemContract, FailuresChangeNothing) {
    for (const FailRow& row : kFailRows) {
        SCOPED_TRACE(row.what);
        EXPECT_FALSE(row.call(fs(), root()));
        const LONG posix = row.posixError != 0 ? row.posixError : row.error;
        EXPECT_EQ(fs().LastError(), GetParam().real && !kWindows ? posix : row.error);
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
    {"MoveIntoPlace replaces a file",
     Two(&FileSystem::MoveIntoPlace, "b.txt", "a.txt"),
     {"a.txt=B", "d\\", "d\\e\\", "d\\e\\ro.txt=R ro", "d\\x.txt=X"},
     {}},
    {"RenameFile replaces a file",
     Two(&FileSystem::RenameFile, "a.txt", "b.txt"),
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
         return fs.RemoveTree((r + "\\d").c_str()) && fs.MakeDirectory((r + "\\d").c_str());
     },
     {"a.txt=A", "b.txt=B", "d\\"},
     {}},
};

TEST_P(FileSystemContract, MovesLeaveTheirTree) {
    for (const MoveRow& row : kMoveRows) {
        SCOPED_TRACE(row.what);
        SetUp();  // a fresh start for each row
        ASSERT_TRUE(row.call(fs(), root())) << fs().LastError();
        EXPECT_EQ(Tree(), kWindows && !row.windowsTree.empty() ? row.windowsTree : row.tree);
    }
}

TEST_P(FileSystemContract, ListingHasNoDots) {
    std::vector<std::string> names;
    ASSERT_TRUE(fs().ListDirectory(root().c_str(), names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt", "d"}));
}

TEST_P(FileSystemContract, StatusIsStampedAndReadBack) {
    HANDLE h = fs().OpenFile(At("s.txt").c_str(), CFile::modeCreateNew | CFile::modeWrite);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CFileStatus set;
    set.m_mtime = CTime(1058175678);
    set.m_atime = CTime(1058175000);
    ASSERT_TRUE(fs().SetFileStatus(h, set, FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(fs().CloseFile(h));
    CFileStatus st;
    ASSERT_TRUE(fs().GetPathStatus(At("s.txt").c_str(), st));
    EXPECT_EQ(st.m_mtime.GetTime(), 1058175678);
    EXPECT_EQ(st.m_atime.GetTime(), 1058175000);
    EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0u);
    ASSERT_TRUE(fs().GetPathStatus(At("d").c_str(), st));
    EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_FALSE(fs().GetPathStatus(At("none").c_str(), st));
    EXPECT_EQ(fs().LastError(), ERROR_FILE_NOT_FOUND);
}

TEST_P(FileSystemContract, TheLockFileComesAndGoesWithItsHolder) {
    const std::string lock = At("~tpx.lock");
    HANDLE h = fs().OpenLockFile(lock.c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CFileStatus st;
    EXPECT_TRUE(fs().GetPathStatus(lock.c_str(), st));
    ASSERT_TRUE(fs().CloseLockFile(h, lock.c_str(), true));
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
    EXPECT_TRUE(fs().RemoveTree(At("e").c_str()));
    EXPECT_EQ(Tree(), kStart);
    ASSERT_EQ(symlink(Native(At("a.txt")).c_str(), Native(At("d\\to-file")).c_str()), 0);
    ASSERT_EQ(symlink(Native(root()).c_str(), Native(At("d\\to-dir")).c_str()), 0);
    EXPECT_TRUE(fs().RemoveTree(At("d").c_str()));
    EXPECT_EQ(Tree(), (std::vector<std::string>{"a.txt=A", "b.txt=B"}));
}
#endif

INSTANTIATE_TEST_SUITE_P(Files, FileSystemContract, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
