// The exception family. Exceptions are thrown as heap pointers and released by the
// catcher with Delete().
#pragma once

#include "object.h"
#include "cstring.h"

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

    // Maps a Win32 error code (GetLastError; the POSIX side maps errno onto the same codes).
    static int OsErrorToException(LONG lOsError);
    [[noreturn]] static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = nullptr);
    [[noreturn]] static void Throw(int cause, LONG lOsError, LPCTSTR lpszFileName);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};
