#include "exception.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CFileException, CException)

void CException::Delete() {
    if (m_bAutoDelete) delete this;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
    if (pnHelpContext != nullptr) *pnHelpContext = 0;
    if (lpszError != nullptr && nMaxError > 0) *lpszError = '\0';
    return FALSE;
}

BOOL CException::CopyErrorMessage(const CString& text, LPTSTR lpszError, UINT nMaxError,
                                  UINT* pnHelpContext) {
    if (pnHelpContext != nullptr) *pnHelpContext = 0;
    if (lpszError == nullptr || nMaxError == 0) return FALSE;
    const UINT n = static_cast<UINT>(text.GetLength()) < nMaxError - 1
                       ? static_cast<UINT>(text.GetLength())
                       : nMaxError - 1;
    std::memcpy(lpszError, static_cast<LPCTSTR>(text), n);
    lpszError[n] = '\0';
    return TRUE;
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
    static const char* const kCauses[] = {"no error",
                                          "file error",
                                          "file not found",
                                          "bad path",
                                          "too many open files",
                                          "access denied",
                                          "invalid file",
                                          "cannot remove the current directory",
                                          "directory full",
                                          "bad seek",
                                          "hardware I/O error",
                                          "sharing violation",
                                          "lock violation",
                                          "disk full",
                                          "end of file"};
    const bool known = m_cause >= none && m_cause <= endOfFile;
    CString text;
    text.Format("%s: %s (system error %ld)", known ? kCauses[m_cause] : "file error",
                static_cast<LPCTSTR>(m_strFileName), static_cast<long>(m_lOsError));
    return CopyErrorMessage(text, lpszError, nMaxError, pnHelpContext);
}

CFileException::CFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName) {}

int CFileException::OsErrorToException(LONG lOsError) {
    switch (lOsError) {
        case ERROR_SUCCESS:
            return none;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_HANDLE:
            return fileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_NOT_SAME_DEVICE:
            return badPath;
        case ERROR_TOO_MANY_OPEN_FILES:
            return tooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return accessDenied;
        case ERROR_CURRENT_DIRECTORY:
        case ERROR_DIR_NOT_EMPTY:
            return removeCurrentDir;
        case ERROR_SEEK:
        case ERROR_NEGATIVE_SEEK:
            return badSeek;
        case ERROR_NOT_READY:
        case ERROR_GEN_FAILURE:
            return hardIO;
        case ERROR_SHARING_VIOLATION:
            return sharingViolation;
        case ERROR_LOCK_VIOLATION:
            return lockViolation;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return diskFull;
        case ERROR_HANDLE_EOF:
            return endOfFile;
        default:
            return generic;
    }
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName) {
    Throw(OsErrorToException(lOsError), lOsError, lpszFileName);
}

void CFileException::Throw(int cause, LONG lOsError, LPCTSTR lpszFileName) {
    throw new CFileException(cause, lOsError, lpszFileName);
}
