// The lock file on the machine's own files, where the fake cannot stand in: a new file
// once its holder removed it, and a file with a second name refused. The rest of the
// file role is in file_system_contract_test.cpp.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "framework/file_system.h"
#include "scratch_dir.h"
#include "support/file_results.h"

// While one holds the lock another is refused at once (it decides how to wait); once
// the holder lets go, removing the file or not, the next takes the file then at the path.
TEST(PlatformFilesTest, ALockIsTheFileAtItsPathAndGoesWithItsHolder) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    const std::string lock = dir.WinPath("~tpx.lock");
    FileHandle held = kNoFile;
    ASSERT_TRUE(Succeeded(platform.OpenLock(lock.c_str(), &held)));
    ASSERT_TRUE(Succeeded(platform.WriteAt(held, "first", 5, 0)));
    for (const bool bRemove : {true, false}) {
        FileHandle second = kNoFile;
        EXPECT_TRUE(FailedWith(platform.OpenLock(lock.c_str(), &second), FileError::lockHeld));
        ASSERT_TRUE(Succeeded(platform.CloseLock(held, lock.c_str(), bRemove)));
        ASSERT_TRUE(Succeeded(platform.OpenLock(lock.c_str(), &held)));
        ULONGLONG length = 99;
        EXPECT_TRUE(Succeeded(platform.GetLength(held, &length)));
        EXPECT_EQ(length, 0u) << "a new file, not the removed one";
    }
    ASSERT_TRUE(Succeeded(platform.CloseLock(held, lock.c_str(), true)));
    EXPECT_FALSE(ScratchDir::Exists(dir.Path("~tpx.lock")));
}

// A lock file with a second name is no lock: it is refused untouched.
TEST(PlatformFilesTest, ALockFileWithASecondNameIsRefusedUntouched) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    ScratchDir::Write(dir.Path("outside.txt"), "keep me");
    std::filesystem::create_hard_link(dir.Path("outside.txt"), dir.Path("~tpx.lock"));
    FileHandle lock = kNoFile;
    EXPECT_TRUE(FailedWith(platform.OpenLock(dir.WinPath("~tpx.lock").c_str(), &lock),
                           FileError::accessDenied));
    EXPECT_EQ(ScratchDir::Read(dir.Path("outside.txt")), "keep me");
}

#ifndef _WIN32
// A holder whose lock file was removed under it, and taken anew by another, leaves the
// new holder's file alone when it lets go, and says so.
TEST(PlatformFilesTest, AHolderNeverRemovesTheNextHoldersLockFile) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    const std::string lock = dir.WinPath("~tpx.lock");
    FileHandle first = kNoFile, second = kNoFile, third = kNoFile;
    ASSERT_TRUE(Succeeded(platform.OpenLock(lock.c_str(), &first)));
    ASSERT_TRUE(std::filesystem::remove(dir.Path("~tpx.lock")));
    ASSERT_TRUE(Succeeded(platform.OpenLock(lock.c_str(), &second)));
    EXPECT_TRUE(Failed(platform.CloseLock(first, lock.c_str(), true)));
    EXPECT_TRUE(FailedWith(platform.OpenLock(lock.c_str(), &third), FileError::lockHeld));
    EXPECT_TRUE(Succeeded(platform.CloseLock(second, lock.c_str(), true)));
}
#endif
