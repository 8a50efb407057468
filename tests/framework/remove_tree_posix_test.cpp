// Removing a tree never follows a link: one inside goes itself, and so does one that
// stands where the tree was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "framework/file_system.h"
#include "scratch_dir.h"

TEST(RemoveTreeTest, LinksAreRemovedNeverFollowed) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    ASSERT_TRUE(platform.MakeDirectory(dir.WinPath("outside").c_str()));
    ScratchDir::Write(dir.Path("outside/keep.txt"), "keep");
    ASSERT_TRUE(platform.MakeDirectory(dir.WinPath("t").c_str()));
    ASSERT_EQ(symlink(dir.Path("outside").c_str(), dir.Path("t/to-dir").c_str()), 0);
    ASSERT_EQ(symlink(dir.Path("outside/keep.txt").c_str(), dir.Path("t/to-file").c_str()), 0);
    EXPECT_TRUE(platform.RemoveTree(dir.WinPath("t").c_str()));
    EXPECT_FALSE(ScratchDir::Exists(dir.Path("t")));

    ASSERT_EQ(symlink(dir.Path("outside").c_str(), dir.Path("t").c_str()), 0);
    EXPECT_TRUE(platform.RemoveTree(dir.WinPath("t").c_str()));
    EXPECT_FALSE(ScratchDir::Exists(dir.Path("t")));
    EXPECT_EQ(ScratchDir::Read(dir.Path("outside/keep.txt")), "keep");
}
