#include <cstring>

#include "framework/file_system.h"
#include "archive_test_util.h"

using archive_test::Catch;
using archive_test::Caught;
using archive_test::ScratchFile;

TEST(ZipException, CodeToCauseMapsZlibAndReaderCodes) {
    const struct {
        int code, cause;
    } table[] = {{1, 2},
                 {2, 3},
                 {-1, 4},
                 {-2, 5},
                 {-3, 6},
                 {-4, 7},
                 {-5, 8},
                 {-6, 9},
                 {-102, 10},
                 {-103, 11},
                 {-105, 12},
                 // everything else is "other", success and the gaps included
                 {0, 1},
                 {3, 1},
                 {-7, 1},
                 {-101, 1},
                 {-104, 1},
                 {-106, 1},
                 {INT32_MIN, 1},
                 {INT32_MAX, 1}};
    for (const auto& row : table)
        EXPECT_EQ(CZipException::CodeToCause(row.code), row.cause) << "code " << row.code;
}

TEST(ZipException, ThrownPointerIsKindOfItsClassAndCarriesPathAndTag) {
    const Caught c = Catch([] { ThrowZipException(-3, "C:\\packs\\a.tpx", 7); });
    EXPECT_TRUE(c.zip);
    EXPECT_EQ(c.cause, CZipException::zipDataError);
    EXPECT_EQ(c.tag, 7);
    EXPECT_EQ(c.fileName, "C:\\packs\\a.tpx");

    CZipException* e = nullptr;
    try {
        ThrowZipException(ARCHIVE_ERR_FORMAT, nullptr, 0);
    } catch (CObject* o) {  // catchable as the root class too
        e = static_cast<CZipException*>(o);
    }
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_FALSE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
    EXPECT_STREQ(e->GetRuntimeClass()->m_lpszClassName, "CZipException");
    EXPECT_EQ(e->GetRuntimeClass()->m_nObjectSize, static_cast<int>(sizeof(CZipException)));
    EXPECT_EQ(e->GetRuntimeClass()->m_wSchema, 0xFFFFu);
    EXPECT_TRUE(e->m_strFileName.IsEmpty());
    EXPECT_TRUE(e->m_bAutoDelete);

    char text[64];
    EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, "bad archive");
    char tiny[4];
    EXPECT_TRUE(e->GetErrorMessage(tiny, sizeof tiny));
    EXPECT_STREQ(tiny, "bad");
    e->m_cause = 99;
    EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, "unknown archive error");
    e->Delete();
}

TEST(ZipException, CheckErrorPassesOkAndNeedDictionaryAndRaisesTheRest) {
    ArchiveBase base;  // closed: no storage
    EXPECT_TRUE(base.IsClosed());
    EXPECT_EQ(base.m_bExceptionTag, 1);
    EXPECT_EQ(base.m_bTrackAllocations, 1);
    EXPECT_EQ(base.CheckError(0), 0);
    EXPECT_EQ(base.CheckError(2), 2);

    Caught c = Catch([&] { base.CheckError(1); });
    EXPECT_EQ(c.cause, CZipException::zipStreamEnd);
    EXPECT_EQ(c.tag, 1);  // the base's own tag
    EXPECT_EQ(c.fileName, "");
    EXPECT_EQ(archive_test::ZipCause([&] { base.CheckError(-3); }), 6);
    EXPECT_EQ(archive_test::ZipCause([&] { base.CheckError(-105); }), 12);
}

TEST(ZipException, ReaderFailuresCarryFullPathWhileOpenAndNoneAfterClose) {
    zipbuild::ZipBuilder zip;
    zip.AddStored("a.txt", "abc").localSignature = 0x12345678;
    ScratchFile file("path.zip");
    file.Write(zip);

    ArchiveReader reader(RealFileSystem(), file.path());
    EXPECT_EQ(reader.m_bExceptionTag, 0);
    EXPECT_EQ(reader.m_pStorage, &reader.m_archive.file);
    const CString fullPath = reader.m_archive.file.GetFilePath();

    Caught open = Catch([&] { reader.OpenCurrentEntry(); });
    EXPECT_EQ(open.cause, CZipException::zipBadArchive);
    EXPECT_EQ(open.tag, 0);
    EXPECT_EQ(open.fileName, static_cast<LPCTSTR>(fullPath));

    reader.Close();
    EXPECT_TRUE(reader.IsClosed());
    reader.Close();  // a second Close does nothing
    Caught read = Catch([&] {
        char b[4];
        reader.ReadCurrentEntry(b, sizeof b);
    });
    EXPECT_EQ(read.cause, CZipException::zipInvalidCall);
    EXPECT_EQ(read.tag, 0);
    EXPECT_EQ(read.fileName, "");
}

TEST(ZipException, RelativePathIsReportedInFullForm) {
    zipbuild::ZipBuilder zip;
    zip.AddStored("a.txt", "abc").localMethod = 8;
    const std::string name = "tpx_relative_path_test.zip";
    zip.WriteFile(name);  // in the working directory
    Caught c = Catch([&] {
        ArchiveReader reader(RealFileSystem(), name.c_str());
        reader.OpenCurrentEntry();
    });
    std::remove(name.c_str());
    EXPECT_EQ(c.cause, CZipException::zipBadArchive);
    ASSERT_GT(c.fileName.size(), name.size());
    EXPECT_EQ(c.fileName.substr(c.fileName.size() - name.size()), name);
}

TEST(ZipException, OpenFailureIsAFileExceptionNamingThePath) {
    ScratchFile missing("does_not_exist.zip");
    CException* caught = nullptr;
    try {
        ArchiveReader reader(RealFileSystem(), missing.path());
    } catch (CException* e) {
        caught = e;
    }
    ASSERT_NE(caught, nullptr);
    EXPECT_TRUE(caught->IsKindOf(RUNTIME_CLASS(CFileException)));
    EXPECT_FALSE(caught->IsKindOf(RUNTIME_CLASS(CZipException)));
    CFileException* fe = static_cast<CFileException*>(caught);
    EXPECT_EQ(fe->m_cause, CFileException::fileNotFound);
    EXPECT_NE(std::strstr(fe->m_strFileName, "does_not_exist.zip"), nullptr);
    caught->Delete();
}
