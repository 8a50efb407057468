#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/file_system.h"
#include "scratch_dir.h"
#include "support/fake_platform.h"
#include "support/file_results.h"
#include "support/win32_codes.h"

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

constexpr UINT kCreateNew = CFile::modeCreateNew | CFile::modeWrite;

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return s;
}

std::string ReadBytes(CFile& f, UINT n) {
    std::string s(n, '\0');
    s.resize(f.Read(&s[0], n));
    return s;
}

// Runs op, which must throw CFileException*, and hands the exception's fields on.
template <class Op>
CFileException Caught(Op op) {
    CFileException copy;
    try {
        op();
        ADD_FAILURE() << "no exception";
    } catch (CException* e) {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
        CFileException* fe = static_cast<CFileException*>(e);
        copy.m_cause = fe->m_cause;
        copy.m_lOsError = fe->m_lOsError;
        copy.m_strFileName = fe->m_strFileName;
        e->Delete();
    }
    return copy;
}

}  // namespace

TEST(CFileTest, SmallReadsSeeksAndLargeReadsDeliverTheRightBytes) {
    ScratchDir dir;
    const std::string data = Pattern(10000);
    ScratchDir::Write(dir.Path("data.bin"), data);

    CFile f(RealFileSystem());
    ASSERT_TRUE(f.Open(dir.Path("data.bin").c_str(), CFile::modeRead | CFile::shareDenyWrite));
    for (size_t i = 0; i < 5000; ++i) {
        BYTE b = 0;
        ASSERT_EQ(f.Read(&b, 1), 1u);
        ASSERT_EQ(b, static_cast<BYTE>(data[i])) << i;
    }
    EXPECT_EQ(f.Seek(0, CFile::current), 5000u);
    EXPECT_EQ(f.GetLength(), 10000u);
    EXPECT_EQ(f.Seek(0, CFile::current), 5000u);  // the length leaves the position alone

    EXPECT_EQ(f.Seek(4990, CFile::begin), 4990u);  // back inside the buffer
    EXPECT_EQ(ReadBytes(f, 20), data.substr(4990, 20));
    EXPECT_EQ(f.Seek(-30, CFile::current), 4980u);
    EXPECT_EQ(ReadBytes(f, 4), data.substr(4980, 4));
    EXPECT_EQ(f.Seek(100, CFile::begin), 100u);  // far outside it
    EXPECT_EQ(ReadBytes(f, 3), data.substr(100, 3));

    // A large read continues exactly where the small ones stopped.
    EXPECT_EQ(ReadBytes(f, 6000), data.substr(103, 6000));
    EXPECT_EQ(ReadBytes(f, 2), data.substr(6103, 2));
    EXPECT_EQ(f.Seek(-5, CFile::end), 9995u);
    EXPECT_EQ(ReadBytes(f, 10), data.substr(9995));
    EXPECT_EQ(ReadBytes(f, 1), "");
    EXPECT_EQ(ReadBytes(f, 5000), "");
    EXPECT_EQ(f.Seek(20000, CFile::begin), 20000u);  // past the end is allowed
    EXPECT_EQ(ReadBytes(f, 1), "");
    EXPECT_EQ(f.Seek(2, CFile::begin), 2u);
    EXPECT_EQ(ReadBytes(f, 2), data.substr(2, 2));
}

// A file is opened to be read or made to be written, never both: seeks move the
// logical position, and each write lands there.
TEST(CFileTest, WritesLandAtTheLogicalPosition) {
    ScratchDir dir;
    const std::string path = dir.Path("w.bin");

    {
        CFile f(RealFileSystem(), path.c_str(), kCreateNew);
        f.Write("0123456789abcdefghij", 20);
        EXPECT_EQ(f.Seek(3, CFile::begin), 3u);
        f.Write("XY", 2);
        EXPECT_EQ(f.Seek(0, CFile::current), 5u);
        EXPECT_EQ(f.Seek(12, CFile::begin), 12u);  // no system seek
        f.Write("Z", 1);
        EXPECT_EQ(f.GetLength(), 20u);
        EXPECT_EQ(f.Seek(0, CFile::end), 20u);
        f.Write("END", 3);
        EXPECT_EQ(f.GetLength(), 23u);
        EXPECT_EQ(f.Seek(-3, CFile::end), 20u);
        f.Seek(0, CFile::begin);
        f.Write("A", 1);
        EXPECT_EQ(f.Seek(0, CFile::current), 1u);
        char c = 0;
        CFileException thrown = Caught([&] { f.Read(&c, 1); });
        EXPECT_EQ(thrown.m_cause, CFileException::accessDenied) << "made to be written only";
        std::string big(20000, '\0');  // past the read-ahead buffer, straight from the file
        EXPECT_EQ(Caught([&] { f.Read(&big[0], 20000); }).m_cause, CFileException::accessDenied);
        f.Close();
        EXPECT_EQ(f.m_hFile, CFile::hFileNull);
    }
    EXPECT_EQ(ScratchDir::Read(path), "A12XY56789abZdefghijEND");

    // A new file or nothing: the one there keeps its contents.
    CFile again(RealFileSystem());
    CFileException e;
    EXPECT_FALSE(again.Open(path.c_str(), kCreateNew, &e));
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_EQ(e.m_lOsError, kWindows ? ERROR_FILE_EXISTS : EEXIST);
    EXPECT_EQ(ScratchDir::Read(path), "A12XY56789abZdefghijEND");
}

TEST(CFileTest, FailuresCarryCauseOsErrorAndFileName) {
    ScratchDir dir;
    CFile f(RealFileSystem());
    CFileException e;
    std::string missing = dir.Path("missing.tpx");
    EXPECT_FALSE(f.Open(missing.c_str(), CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e.m_lOsError, kWindows ? ERROR_FILE_NOT_FOUND : ENOENT);
    EXPECT_EQ(e.m_strFileName, missing.c_str());
    EXPECT_EQ(f.m_hFile, CFile::hFileNull);

    std::string noDir = dir.WinPath("nodir\\x.tpx");
    EXPECT_FALSE(f.Open(noDir.c_str(), kCreateNew, &e));
    EXPECT_EQ(e.m_cause, CFileException::badPath);
    EXPECT_EQ(e.m_lOsError, kWindows ? ERROR_PATH_NOT_FOUND : ENOENT);
    EXPECT_EQ(e.m_strFileName, noDir.c_str());

    // No name at all is no path.
    EXPECT_FALSE(f.Open("", kCreateNew, &e));
    EXPECT_EQ(e.m_cause, CFileException::badPath);

    // A directory cannot be opened, or created over, as a file.
    EXPECT_FALSE(f.Open(dir.Path().c_str(), CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_FALSE(f.Open(dir.Path().c_str(), kCreateNew, &e));
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);

    // The throwing constructor reports the same.
    CFileException thrown =
        Caught([&] { CFile g(RealFileSystem(), missing.c_str(), CFile::modeRead); });
    EXPECT_EQ(thrown.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(thrown.m_strFileName, missing.c_str());

    // Writing through a handle opened for reading.
    std::string path = dir.Path("ro.bin");
    ScratchDir::Write(path, "abc");
    // Only to read or to create: a file that is there is never opened to write.
    EXPECT_FALSE(f.Open(path.c_str(), CFile::modeWrite, &e));
    EXPECT_EQ(f.m_hFile, CFile::hFileNull);
    CFile r(RealFileSystem(), path.c_str(), CFile::modeRead);
    thrown = Caught([&] { r.Write("x", 1); });
    EXPECT_EQ(thrown.m_cause, CFileException::accessDenied);
    EXPECT_EQ(thrown.m_strFileName, r.GetFilePath());

    // A seek before the start fails and leaves the position where it was.
    EXPECT_EQ(ReadBytes(r, 1), "a");
    thrown = Caught([&] { r.Seek(-5, CFile::current); });
    EXPECT_EQ(thrown.m_cause, CFileException::badSeek);
    EXPECT_EQ(ReadBytes(r, 1), "b");
    thrown = Caught([&] { r.Seek(-1, CFile::begin); });
    EXPECT_EQ(thrown.m_cause, CFileException::badSeek);
    r.Close();

    // A closed file throws instead of touching a stale handle.
    thrown = Caught([&] { r.Read(&path[0], 1); });
    EXPECT_EQ(thrown.m_cause, CFileException::fileNotFound);
    Caught([&] { r.Seek(0, CFile::begin); });
    Caught([&] { r.GetLength(); });
    r.Close();  // closing twice is harmless
}

TEST(CFileTest, ReadOnlyFilesRefuseReplacingAndRemoval) {
    ScratchDir dir;
    std::string path = dir.Path("locked.txt");
    std::string other = dir.Path("other.txt");
    ScratchDir::Write(path, "keep");
    ScratchDir::Write(other, "new");
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);

    FileSystem& files = RealFileSystem();
    CFile f(files);
    CFileException e;
    EXPECT_TRUE(f.Open(path.c_str(), CFile::modeRead, &e));
    f.Close();
    const std::string locked = dir.WinPath("locked.txt"), newer = dir.WinPath("other.txt");
    for (const FileError& error :
         {files.RemoveFile(locked.c_str()), files.MoveBack(newer.c_str(), locked.c_str()),
          files.Replace(newer.c_str(), locked.c_str())}) {
        EXPECT_TRUE(FailedWith(error, FileError::accessDenied));
        if (kWindows) {
            EXPECT_EQ(error.osCode, ERROR_ACCESS_DENIED);
        }
    }
    EXPECT_EQ(ScratchDir::Read(path), "keep");
    EXPECT_EQ(ScratchDir::Read(other), "new");
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
}

TEST(CFileTest, FilePathIsTheFullBackslashPath) {
    ScratchDir dir;
    ScratchDir::Write(dir.Path("a.tpx"), "x");
    // Mixed separators and dot components, as callers may build them.
    std::string messy = dir.Path("sub/../.") + "\\a.tpx";
    ASSERT_TRUE(Succeeded(RealFileSystem().MakeDirectory(dir.Path("sub").c_str())));
    CFile f(RealFileSystem(), messy.c_str(), CFile::modeRead);
    EXPECT_EQ(f.GetFilePath(), dir.WinPath("a.tpx").c_str());
    CFileStatus st;
    EXPECT_TRUE(CFile::GetStatus(RealFileSystem(), messy.c_str(), st));
    EXPECT_STREQ(st.m_szFullName, dir.WinPath("a.tpx").c_str());
    f.Close();
    EXPECT_EQ(f.GetFilePath(), "");
}

TEST(CFileTest, StatusTimesAndAttributes) {
    ScratchDir dir;
    std::string path = dir.WinPath("stamp.ini");
    const CTime stamp(2001, 2, 3, 4, 5, 6);
    {
        CFile out(RealFileSystem(), path.c_str(), kCreateNew);
        out.Write("12345", 5);
        CFileStatus set;  // zero times are left alone
        set.m_mtime = stamp;
        out.SetStatus(set, FILE_ATTRIBUTE_READONLY);
    }
    CFileStatus st;
    ASSERT_TRUE(CFile::GetStatus(RealFileSystem(), path.c_str(), st));
    EXPECT_EQ(st.m_size, 5u);
    EXPECT_EQ(st.m_mtime.GetTime(), stamp.GetTime());
    EXPECT_NE(st.m_atime.GetTime(), 0);
    EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_READONLY, 0);
    EXPECT_EQ(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0);
    std::filesystem::permissions(dir.Path("stamp.ini"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);

    ASSERT_TRUE(CFile::GetStatus(RealFileSystem(), dir.Path().c_str(), st));
    EXPECT_NE(st.m_attribute & FILE_ATTRIBUTE_DIRECTORY, 0);
    EXPECT_FALSE(CFile::GetStatus(RealFileSystem(), dir.WinPath("none\\x").c_str(), st));
}

// A sharer reads the owner's file at a position of its own and lets go of it without
// closing it, by Close or its end; what it opened itself, before or after, it closes.
TEST(CFileTest, ASharerClosesOnlyWhatItOpenedItself) {
    FakePlatform fake;
    fake.AddFile("C:\\a.bin", "0123456789");
    fake.AddFile("C:\\b.bin", "b");
    CFile owner(fake, "C:\\a.bin", CFile::modeRead);
    owner.Seek(5, CFile::begin);
    for (const bool bClose : {true, false}) {
        CFile sharer(fake, "C:\\b.bin", CFile::modeRead);
        sharer.ShareReading(owner);
        EXPECT_EQ(ReadBytes(sharer, 3), "012");
        if (bClose) {
            sharer.Close();
            ASSERT_TRUE(sharer.Open("C:\\b.bin", CFile::modeRead));
        }
    }
    EXPECT_EQ(fake.Calls("close"), std::vector<std::string>(3, "close C:\\b.bin"));
    EXPECT_EQ(ReadBytes(owner, 3), "567");
}
