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

// At the name itself, confined or not: an exclusive create and a lock follow no link,
// and an existing file is no new one.
TEST(ConfinedLinksTest, ALinkOrAFileAtTheNameFailsACreateAndALinkALock) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    std::filesystem::create_directories(dir.Path("custom"));
    ScratchDir::Write(dir.Path("keep.txt"), "keep");
    ScratchDir::Write(dir.Path("custom/file"), "old");
    ASSERT_EQ(symlink(dir.Path("keep.txt").c_str(), dir.Path("custom/link").c_str()), 0);
    ASSERT_EQ(symlink(dir.Path("made").c_str(), dir.Path("custom/dangling").c_str()), 0);
    const std::string c = dir.WinPath("custom") + "\\";
    const UINT create = CFile::modeCreateNew | CFile::modeWrite;
    for (const std::string& root : {std::string(), dir.WinPath("custom")}) {
        platform.ConfineBelow(root.c_str());
        for (const std::string name : {"file", "link", "dangling"}) {
            EXPECT_EQ(platform.OpenFile((c + name).c_str(), create), INVALID_HANDLE_VALUE) << name;
            EXPECT_EQ(platform.LastError(), ERROR_FILE_EXISTS) << name;
            if (name == "file") continue;
            EXPECT_EQ(platform.OpenLockFile((c + name).c_str()), INVALID_HANDLE_VALUE) << name;
        }
        platform.ConfineBelow("");
    }
    EXPECT_EQ(ScratchDir::Read(dir.Path("keep.txt")), "keep");
    EXPECT_EQ(ScratchDir::Read(dir.Path("custom/file")), "old");
    EXPECT_FALSE(ScratchDir::Exists(dir.Path("made")));
}

// A folder whose name begins another's is no way into that other one.
TEST(ConfinedLinksTest, AFolderIsNotReachedThroughOneNamedLikeItsStart) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    for (const char* sub : {"custom/a", "custom/ab"})
        std::filesystem::create_directories(dir.Path(sub));
    const std::string c = dir.WinPath("custom") + "\\";
    platform.ConfineBelow(dir.WinPath("custom").c_str());
    for (const char* name : {"a\\f", "ab\\f"}) {
        HANDLE file =
            platform.OpenFile((c + name).c_str(), CFile::modeCreateNew | CFile::modeWrite);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << name;
        if (file != INVALID_HANDLE_VALUE) platform.CloseFile(file);
    }
    platform.ConfineBelow("");
    EXPECT_TRUE(ScratchDir::Exists(dir.Path("custom/ab/f")));
}
