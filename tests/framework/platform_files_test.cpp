// The lock file on the machine's own files, where the fake cannot stand in: refused
// while another holds it, and a file with a second name refused. The rest of the file
// role is in file_system_contract_test.cpp.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "framework/file_system.h"
#include "scratch_dir.h"

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
