#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/file.h"
#include "scratch_dir.h"

TEST(KernelTest, CreateDirectoryReportsLikeWindows) {
    ScratchDir dir;
    std::string top = dir.WinPath("custom");
    ASSERT_TRUE(CreateDirectoryA(top.c_str(), nullptr));
    SetLastError(0);
    EXPECT_FALSE(CreateDirectoryA(top.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryA(dir.WinPath("missing\\below").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    // Backslashes separate on every platform.
    ASSERT_TRUE(CreateDirectoryA((top + "\\games").c_str(), nullptr));
    EXPECT_NE(GetFileAttributesA(dir.Path("custom/games").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    ScratchDir::Write(dir.Path("custom/games/a.ini"), "x");
    CFileStatus st;
    EXPECT_TRUE(CFile::GetStatus((top + "\\games\\a.ini").c_str(), st));
}

TEST(KernelTest, FileAttributesReadOnlyAndMissing) {
    ScratchDir dir;
    std::string path = dir.WinPath("a.txt");
    ScratchDir::Write(dir.Path("a.txt"), "x");
    DWORD attributes = GetFileAttributesA(path.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY), 0u);
    EXPECT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    EXPECT_EQ(GetFileAttributesA(dir.WinPath("none").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SetFileAttributesA(dir.WinPath("none").c_str(), FILE_ATTRIBUTE_NORMAL));
}

TEST(KernelTest, SplitPathAndCompare) {
    char drive[_MAX_DRIVE], dirPart[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath("C:\\Downloads\\my.pack.tpx", drive, dirPart, fname, ext);
    EXPECT_STREQ(drive, "C:");
    EXPECT_STREQ(dirPart, "\\Downloads\\");
    EXPECT_STREQ(fname, "my.pack");
    EXPECT_STREQ(ext, ".tpx");
    _splitpath("/srv/a.d/pack", drive, dirPart, fname, ext);
    EXPECT_STREQ(drive, "");
    EXPECT_STREQ(dirPart, "/srv/a.d/");
    EXPECT_STREQ(fname, "pack");
    EXPECT_STREQ(ext, "");
    _splitpath("pack.tpx", nullptr, nullptr, fname, ext);
    EXPECT_STREQ(fname, "pack");
    EXPECT_STREQ(ext, ".tpx");
    _splitpath("", drive, dirPart, fname, ext);
    EXPECT_STREQ(fname, "");

    const unsigned char a[] = "c:\\x\\a";
    const unsigned char b[] = "c:\\x\\b";
    EXPECT_EQ(_mbscmp(a, a), 0);
    EXPECT_LT(_mbscmp(a, b), 0);
    EXPECT_GT(_mbscmp(b, a), 0);
}

TEST(KernelTest, ModuleFileNameIsABackslashPath) {
    char buffer[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(n, std::strlen(buffer));
    std::string path = buffer;
    EXPECT_NE(path.find("framework_tests"), std::string::npos) << path;
    EXPECT_NE(path.rfind('\\'), std::string::npos) << path;
    EXPECT_EQ(path.find('/'), std::string::npos) << path;

    // A short buffer gets the start of the path (whether the last place holds a NUL
    // differs between Windows versions).
    char small[5] = "????";
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof(small)), sizeof(small));
    EXPECT_EQ(std::string(small, 4), path.substr(0, 4));
}
