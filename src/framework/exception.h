// The exception family. Exceptions are thrown as heap pointers and released by the
// catcher with Delete().
#pragma once

#include "object.h"
#include "cstring.h"
#include "file_error.h"

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
  public:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}
    ~CException() override = default;

    // Deletes the object when it was created with auto-delete (on the heap).
    void Delete();
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr);

    BOOL m_bAutoDelete;

  protected:
    // Copies text into the caller's buffer, cut to fit; FALSE when there is no room.
    static BOOL CopyErrorMessage(const CString& text, LPTSTR lpszError, UINT nMaxError,
                                 UINT* pnHelpContext);
};

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
  public:
    enum {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr);

    // "<cause>: <file> (system error <n>)", for traces.
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

    // The cause a file-system failure stands for.
    static int CauseOf(const FileError& error);
    // Throws the failure of a call on lpszFileName, with its cause and system code.
    [[noreturn]] static void Throw(const FileError& error, LPCTSTR lpszFileName);
    [[noreturn]] static void Throw(int cause, LONG lOsError, LPCTSTR lpszFileName);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};
