// The platform's own files, as the program uses them: both sides answer alike, with
// Win32 error codes, and a backslash separates everywhere.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "framework/file.h"
#include "framework/file_system.h"
#include "scratch_dir.h"

TEST(PlatformFilesTest, DirectoriesAreMadeOneLevelAtATime) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    const std::string top = dir.WinPath("custom");
    ASSERT_TRUE(platform.MakeDirectory(top.c_str()));
    EXPECT_FALSE(platform.MakeDirectory(top.c_str()));
    EXPECT_EQ(platform.LastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(platform.MakeDirectory(dir.WinPath("missing\\below").c_str()));
    EXPECT_EQ(platform.LastError(), ERROR_PATH_NOT_FOUND);

    ASSERT_TRUE(platform.MakeDirectory((top + "\\games").c_str()));
    CFileStatus st;
    ASSERT_TRUE(platform.GetPathStatus((top + "\\games").c_str(), st));
    EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0u);
    ScratchDir::Write(dir.Path("custom/games/a.ini"), "x");
    EXPECT_TRUE(CFile::GetStatus(RealFileSystem(), (top + "\\games\\a.ini").c_str(), st));
    EXPECT_FALSE(platform.GetPathStatus(dir.WinPath("none").c_str(), st));
    EXPECT_EQ(platform.LastError(), ERROR_FILE_NOT_FOUND);
}

TEST(PlatformFilesTest, WholeFilesAreReadUpToTheirLimitOnly) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    ScratchDir::Write(dir.Path("p.cfg"), "[tpx]\r\ntitle=x\r\n");
    std::string bytes;
    ASSERT_TRUE(platform.ReadWholeFile(dir.WinPath("p.cfg").c_str(), 1024, bytes));
    EXPECT_EQ(bytes, "[tpx]\r\ntitle=x\r\n");
    EXPECT_FALSE(platform.ReadWholeFile(dir.WinPath("p.cfg").c_str(), 4, bytes));
    EXPECT_FALSE(platform.ReadWholeFile(dir.WinPath("none.cfg").c_str(), 1024, bytes));
    EXPECT_FALSE(platform.ReadWholeFile(dir.WinPath("").c_str(), 1024, bytes)) << "a directory";
}

TEST(PlatformFilesTest, TreesGoWholeReadOnlyFilesIncluded) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    ASSERT_TRUE(platform.MakeDirectory(dir.WinPath("t").c_str()));
    ASSERT_TRUE(platform.MakeDirectory(dir.WinPath("t\\a").c_str()));
    ASSERT_TRUE(platform.MakeDirectory(dir.WinPath("t\\a\\b").c_str()));
    ASSERT_TRUE(platform.MakeDirectory(dir.WinPath("t\\empty").c_str()));
    ScratchDir::Write(dir.Path("t/a/b/deep.txt"), "x");
    ScratchDir::Write(dir.Path("t/top.txt"), "x");
    std::filesystem::permissions(dir.Path("t/a/b/deep.txt"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    ScratchDir::Write(dir.Path("beside.txt"), "stays");

    EXPECT_TRUE(platform.RemoveTree(dir.WinPath("t").c_str()));
    EXPECT_FALSE(ScratchDir::Exists(dir.Path("t")));
    EXPECT_EQ(ScratchDir::Read(dir.Path("beside.txt")), "stays");
    EXPECT_FALSE(platform.RemoveTree(dir.WinPath("t").c_str()));
    EXPECT_EQ(platform.LastError(), ERROR_FILE_NOT_FOUND);
}

// While one holds the lock another is refused at once (it decides how to wait); once
// the holder lets go, removing the file or not, the next takes the file then at the path.
TEST(PlatformFilesTest, ALockIsTheFileAtItsPathAndGoesWithItsHolder) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    const std::string lock = dir.WinPath("~tpx.lock");
    HANDLE held = platform.OpenLockFile(lock.c_str());
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(platform.WriteFileAt(held, "first", 5, 0));
    for (const bool bRemove : {true, false}) {
        EXPECT_EQ(platform.OpenLockFile(lock.c_str()), INVALID_HANDLE_VALUE);
        EXPECT_EQ(platform.LastError(), ERROR_LOCK_VIOLATION);
        ASSERT_TRUE(platform.CloseLockFile(held, lock.c_str(), bRemove));
        held = platform.OpenLockFile(lock.c_str());
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        ULONGLONG length = 99;
        EXPECT_TRUE(platform.GetFileLength(held, &length));
        EXPECT_EQ(length, 0u) << "a new file, not the removed one";
    }
    ASSERT_TRUE(platform.CloseLockFile(held, lock.c_str(), true));
    EXPECT_FALSE(ScratchDir::Exists(dir.Path("~tpx.lock")));
}

// A lock file with a second name is no lock: it is refused untouched.
TEST(PlatformFilesTest, ALockFileWithASecondNameIsRefusedUntouched) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    ScratchDir::Write(dir.Path("outside.txt"), "keep me");
    std::filesystem::create_hard_link(dir.Path("outside.txt"), dir.Path("~tpx.lock"));
    EXPECT_EQ(platform.OpenLockFile(dir.WinPath("~tpx.lock").c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform.LastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ScratchDir::Read(dir.Path("outside.txt")), "keep me");
}
