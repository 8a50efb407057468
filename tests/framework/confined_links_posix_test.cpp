// Confined below custom, the platform reaches nothing through a link: a folder link
// fails the call, a file link is neither moved nor changed, and a linked lock is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/file_system.h"
#include "scratch_dir.h"
#include "support/file_results.h"

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
    FileHandle file = kNoFile;
    const FileError error = platform.CreateNew((c + "sub\\new.txt").c_str(), &file);
    EXPECT_TRUE(FailedWith(error, FileError::linkInTheWay));
    EXPECT_EQ(error.osCode, ELOOP);
    EXPECT_TRUE(FailedWith(platform.MoveNew((c + "file").c_str(), (c + "moved").c_str()),
                           FileError::linkInTheWay));
    EXPECT_TRUE(Failed(platform.Replace((c + "file").c_str(), (c + "moved").c_str())));
    EXPECT_TRUE(Failed(platform.OpenLock((c + "~tpx.lock").c_str(), &file)));
    std::vector<std::string> names;
    EXPECT_TRUE(
        FailedWith(platform.ListDirectory((c + "sub").c_str(), names), FileError::linkInTheWay));
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
    for (const std::string& root : {std::string(), dir.WinPath("custom")}) {
        platform.ConfineBelow(root.c_str());
        for (const std::string name : {"file", "link", "dangling"}) {
            FileHandle file = kNoFile;
            const FileError error = platform.CreateNew((c + name).c_str(), &file);
            EXPECT_TRUE(FailedWith(error, FileError::exists)) << name;
            EXPECT_EQ(error.osCode, EEXIST) << name;
            if (name == "file") continue;
            EXPECT_TRUE(Failed(platform.OpenLock((c + name).c_str(), &file))) << name;
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
        FileHandle file = kNoFile;
        const FileError error = platform.CreateNew((c + name).c_str(), &file);
        EXPECT_TRUE(Succeeded(error)) << name;
        if (!error) platform.Close(file);
    }
    platform.ConfineBelow("");
    EXPECT_TRUE(ScratchDir::Exists(dir.Path("custom/ab/f")));
}
