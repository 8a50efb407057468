#include "archive/zip_exception.h"

IMPLEMENT_DYNAMIC(CZipException, CException)

CZipException::CZipException(int cause, LPCTSTR lpszArchiveName, BYTE bTag)
    : CException(TRUE), m_bTag(bTag), m_cause(cause) {
    if (lpszArchiveName != nullptr) m_strFileName = lpszArchiveName;
}

CZipException::~CZipException() = default;

int CZipException::CodeToCause(int code) {
    switch (code) {
        case 1:
            return zipStreamEnd;
        case 2:
            return zipNeedDictionary;
        case -1:
            return zipFileError;
        case -2:
            return zipStreamError;
        case -3:
            return zipDataError;
        case -4:
            return zipInsufficientMemory;
        case -5:
            return zipBufferError;
        case -6:
            return zipIncompatibleVersion;
        case ARCHIVE_ERR_CALL:
            return zipInvalidCall;
        case ARCHIVE_ERR_FORMAT:
            return zipBadArchive;
        case ARCHIVE_ERR_CRC:
            return zipCrcMismatch;
        default:
            return zipOther;
    }
}

BOOL CZipException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
    static const char* const kNames[] = {
        "unknown archive error", "stream end",   "need dictionary",     "file error",
        "stream error",          "data error",   "insufficient memory", "buffer error",
        "incompatible version",  "invalid call", "bad archive",         "CRC mismatch"};
    const bool known = m_cause >= zipOther && m_cause <= zipCrcMismatch;
    CString text = kNames[known ? m_cause - 1 : 0];
    if (!m_strFileName.IsEmpty()) text += ": " + m_strFileName;
    return CopyErrorMessage(text, lpszError, nMaxError, pnHelpContext);
}

void ThrowZipException(int code, LPCTSTR lpszArchiveName, BYTE bTag) {
    throw new CZipException(CZipException::CodeToCause(code), lpszArchiveName, bTag);
}
