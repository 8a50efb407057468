#include <gtest/gtest.h>

#include <cstring>

#include "framework/file_system.h"
#include "framework/exception.h"
#include "framework/file.h"

TEST(ExceptionTest, RuntimeClassRecordsFormTheHierarchy) {
    CFileException fe;
    const CRuntimeClass* rc = fe.GetRuntimeClass();
    EXPECT_STREQ(rc->m_lpszClassName, "CFileException");
    EXPECT_EQ(rc->m_nObjectSize, static_cast<int>(sizeof(CFileException)));
    EXPECT_EQ(rc->m_wSchema, 0xFFFFu);
    EXPECT_EQ(rc->m_pfnCreateObject, nullptr);
    EXPECT_EQ(rc->m_pBaseClass, RUNTIME_CLASS(CException));
    EXPECT_TRUE(fe.IsKindOf(RUNTIME_CLASS(CFileException)));
    EXPECT_TRUE(fe.IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_TRUE(fe.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(fe.IsKindOf(RUNTIME_CLASS(CFile)));
    EXPECT_FALSE(fe.IsKindOf(nullptr));

    CFile f(RealFileSystem());
    EXPECT_TRUE(f.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(f.IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_STREQ(RUNTIME_CLASS(CObject)->m_lpszClassName, "CObject");
    EXPECT_EQ(RUNTIME_CLASS(CObject)->m_pBaseClass, nullptr);
}

TEST(ExceptionTest, ThrownPointersCarryTheirDataAndDeleteThemselves) {
    // The sanitizer build reports a leak if Delete does not free the heap object.
    try {
        CFileException::Throw(FileError(FileError::accessDenied, 5), "C:\\x\\y.cfg");
    } catch (CException* e) {
        ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
        CFileException* fe = static_cast<CFileException*>(e);
        EXPECT_EQ(fe->m_cause, CFileException::accessDenied);
        EXPECT_EQ(fe->m_lOsError, 5);
        EXPECT_EQ(fe->m_strFileName, "C:\\x\\y.cfg");
        EXPECT_TRUE(fe->m_bAutoDelete);
        char text[64] = "junk";
        UINT help = 7;
        EXPECT_TRUE(e->GetErrorMessage(text, sizeof(text), &help));
        EXPECT_STREQ(text, "access denied: C:\\x\\y.cfg (system error 5)");
        EXPECT_EQ(help, 0u);
        e->Delete();
    }

    // An exception made on the stack without auto-delete survives Delete.
    CException onStack(FALSE);
    onStack.Delete();
    EXPECT_FALSE(onStack.m_bAutoDelete);

    CFileException defaults;
    EXPECT_EQ(defaults.m_cause, CFileException::none);
    EXPECT_EQ(defaults.m_lOsError, -1);
    EXPECT_TRUE(defaults.m_strFileName.IsEmpty());
}

TEST(ExceptionTest, FileErrorsMapToCauses) {
    const struct {
        FileError::Kind kind;
        int cause;
    } kCases[] = {
        {FileError::none, CFileException::none},
        {FileError::notFound, CFileException::fileNotFound},
        {FileError::pathNotFound, CFileException::badPath},
        {FileError::badName, CFileException::badPath},
        {FileError::exists, CFileException::accessDenied},
        {FileError::accessDenied, CFileException::accessDenied},
        {FileError::notEmpty, CFileException::accessDenied},
        {FileError::inUse, CFileException::sharingViolation},
        {FileError::lockHeld, CFileException::lockViolation},
        {FileError::diskFull, CFileException::diskFull},
        {FileError::linkInTheWay, CFileException::generic},
        {FileError::other, CFileException::generic},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(CFileException::CauseOf(FileError(c.kind, 99999)), c.cause) << int(c.kind);
    }
}
