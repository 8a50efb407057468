// Written-out data and the volume's flush: both succeed on a real file and folder and
// leave nothing behind, and fail with Win32 codes on a closed handle, a missing folder
// and a file where the folder should be.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/file_system.h"
#include "scratch_dir.h"

TEST(DurabilityTest, RealFileAndFolderOrWin32Errors) {
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    HANDLE file =
        platform.OpenFile(dir.WinPath("a.bin").c_str(), CFile::modeCreate | CFile::modeWrite);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(platform.WriteFileAt(file, "data", 4, 0));
    EXPECT_TRUE(platform.WriteOutFile(file));
    EXPECT_TRUE(platform.FlushVolume(dir.WinPath().c_str()));
    ASSERT_TRUE(platform.CloseFile(file));
    std::vector<std::string> names;
    ASSERT_TRUE(platform.ListDirectory(dir.WinPath().c_str(), names));
    EXPECT_EQ(names, std::vector<std::string>{"a.bin"});

    EXPECT_FALSE(platform.WriteOutFile(file));
    EXPECT_EQ(platform.LastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(platform.FlushVolume(dir.WinPath("missing").c_str()));
    EXPECT_EQ(platform.LastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(platform.FlushVolume(dir.WinPath("a.bin").c_str()));
    EXPECT_EQ(platform.LastError(), ERROR_PATH_NOT_FOUND);
}
