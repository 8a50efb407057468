// Written-out data and the volume's flush: both succeed on a real file and folder and
// leave nothing behind, and fail, with the kind and the system's code, on a closed
// handle, a missing folder and a file where the folder should be.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/file_system.h"
#include "scratch_dir.h"
#include "support/file_results.h"
#include "support/win32_codes.h"

TEST(DurabilityTest, RealFileAndFolderOrTheirFailures) {
#ifdef _WIN32
    const LONG kBadHandle = ERROR_INVALID_HANDLE, kNoFolder = ERROR_PATH_NOT_FOUND,
               kFileThere = ERROR_PATH_NOT_FOUND;
#else
    const LONG kBadHandle = EBADF, kNoFolder = ENOENT, kFileThere = ENOTDIR;
#endif
    FileSystem& platform = RealFileSystem();
    ScratchDir dir;
    FileHandle file = kNoFile;
    ASSERT_TRUE(Succeeded(platform.CreateNew(dir.WinPath("a.bin").c_str(), &file)));
    ASSERT_TRUE(Succeeded(platform.WriteAt(file, "data", 4, 0)));
    EXPECT_TRUE(Succeeded(platform.WriteOut(file)));
    EXPECT_TRUE(Succeeded(platform.FlushVolume(dir.WinPath().c_str())));
    ASSERT_TRUE(Succeeded(platform.Close(file)));
    std::vector<std::string> names;
    ASSERT_TRUE(Succeeded(platform.ListDirectory(dir.WinPath().c_str(), names)));
    EXPECT_EQ(names, std::vector<std::string>{"a.bin"});

    FileError error = platform.WriteOut(file);
    EXPECT_TRUE(FailedWith(error, FileError::other));
    EXPECT_EQ(error.osCode, kBadHandle);
    error = platform.FlushVolume(dir.WinPath("missing").c_str());
    EXPECT_TRUE(FailedWith(error, FileError::pathNotFound));
    EXPECT_EQ(error.osCode, kNoFolder);
    error = platform.FlushVolume(dir.WinPath("a.bin").c_str());
    EXPECT_TRUE(FailedWith(error, FileError::pathNotFound));
    EXPECT_EQ(error.osCode, kFileThere);
}
