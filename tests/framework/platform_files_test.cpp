// The lock file on the machine's own files, where the fake cannot stand in: waiting
// for its holder, and refusing a file with a second name. The rest of the file role
// is in file_system_contract_test.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "framework/file_system.h"
#include "scratch_dir.h"

// The holder removes the lock file as it lets go: a waiter then takes the next file at
// the path, never the removed one, so a third installer cannot come in beside it.
TEST(PlatformFilesTest, ALockIsTheFileAtItsPathAndGoesWithItsHolder) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    const std::string lock = dir.WinPath("~tpx.lock");
    HANDLE held = platform.OpenLockFile(lock.c_str());
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(platform.WriteFileAt(held, "first", 5, 0));
    // Each waiter waits while the one before holds the lock, then gets it when that one
    // lets go, removing the file (the second) or not (the third).
    for (const bool bRemove : {true, false}) {
        std::atomic<HANDLE> next{INVALID_HANDLE_VALUE};
        std::thread waiter([&] { next = platform.OpenLockFile(lock.c_str()); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(next.load(), INVALID_HANDLE_VALUE) << "waits while another holds it";
        ASSERT_TRUE(platform.CloseLockFile(held, lock.c_str(), bRemove));
        waiter.join();
        held = next.load();
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
