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

int CFileException::CauseOf(const FileError& error) {
    switch (error.kind) {
        case FileError::none:
            return none;
        case FileError::notFound:
            return fileNotFound;
        case FileError::pathNotFound:
        case FileError::badName:
            return badPath;
        case FileError::exists:
        case FileError::accessDenied:
        case FileError::notEmpty:
            return accessDenied;
        case FileError::inUse:
            return sharingViolation;
        case FileError::lockHeld:
            return lockViolation;
        case FileError::diskFull:
            return diskFull;
        case FileError::linkInTheWay:
        case FileError::other:
            break;
    }
    return generic;
}

void CFileException::Throw(const FileError& error, LPCTSTR lpszFileName) {
    Throw(CauseOf(error), error.osCode, lpszFileName);
}

void CFileException::Throw(int cause, LONG lOsError, LPCTSTR lpszFileName) {
    throw new CFileException(cause, lOsError, lpszFileName);
}
