// Confined below custom, the platform reaches nothing through a link: a folder link
// fails the call, a file link is neither moved nor changed, and a linked lock is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "framework/file.h"
#include "framework/file_system.h"
#include "scratch_dir.h"

TEST(ConfinedLinksTest, NothingIsReachedThroughALink) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    std::filesystem::create_directories(dir.Path("custom"));
    std::filesystem::create_directories(dir.Path("outside"));
    ScratchDir::Write(dir.Path("outside/keep.txt"), "keep");
    ASSERT_EQ(symlink(dir.Path("outside").c_str(), dir.Path("custom/sub").c_str()), 0);
    ASSERT_EQ(symlink(dir.Path("outside/keep.txt").c_str(), dir.Path("custom/file").c_str()), 0);
    ASSERT_EQ(symlink(dir.Path("outside/lock").c_str(), dir.Path("custom/~tpx.lock").c_str()), 0);
    const std::string c = dir.WinPath("custom") + "\\";

    platform.ConfineBelow(dir.WinPath("custom").c_str());
    const UINT create = CFile::modeCreateNew | CFile::modeWrite;
    EXPECT_EQ(platform.OpenFile((c + "sub\\new.txt").c_str(), create), INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform.LastError(), ERROR_CANT_RESOLVE_FILENAME);
    EXPECT_FALSE(platform.MoveNew((c + "file").c_str(), (c + "moved").c_str()));
    EXPECT_FALSE(platform.MoveIntoPlace((c + "file").c_str(), (c + "moved").c_str()));
    EXPECT_EQ(platform.OpenLockFile((c + "~tpx.lock").c_str()), INVALID_HANDLE_VALUE);
    platform.ConfineBelow("");

    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("custom/file")));
    EXPECT_FALSE(ScratchDir::Exists(dir.Path("custom/moved")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("outside")), {}), 1);
    struct stat st;
    ASSERT_EQ(stat(dir.Path("outside/keep.txt").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u) << "the linked file's mode is not changed";
}
