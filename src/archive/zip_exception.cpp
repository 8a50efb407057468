#include "archive/zip_exception.h"

#include <algorithm>
#include <cstring>

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
    if (pnHelpContext != nullptr) *pnHelpContext = 0;
    if (lpszError == nullptr || nMaxError == 0) return FALSE;
    const bool known = m_cause >= zipOther && m_cause <= zipCrcMismatch;
    const char* text = kNames[known ? m_cause - 1 : 0];
    const size_t n = std::min<size_t>(std::strlen(text), nMaxError - 1);
    std::memcpy(lpszError, text, n);
    lpszError[n] = '\0';
    return TRUE;
}

void ThrowZipException(int code, LPCTSTR lpszArchiveName, BYTE bTag) {
    throw new CZipException(CZipException::CodeToCause(code), lpszArchiveName, bTag);
}
