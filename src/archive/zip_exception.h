// The archive reader's exception: a cause mapped from a zlib or reader code, the
// archive's path and a tag byte. Thrown by pointer; the catcher calls Delete().
#pragma once

#include "framework/cstring.h"
#include "framework/exception.h"

// The reader's own codes, beside zlib's return codes.
constexpr int ARCHIVE_ERR_CALL = -102;    // operation called in the wrong state
constexpr int ARCHIVE_ERR_FORMAT = -103;  // structure does not add up
constexpr int ARCHIVE_ERR_CRC = -105;     // CRC of a completely read entry differs

class CZipException : public CException {
    DECLARE_DYNAMIC(CZipException)
  public:
    enum {
        zipOther = 1,
        zipStreamEnd,
        zipNeedDictionary,
        zipFileError,
        zipStreamError,
        zipDataError,
        zipInsufficientMemory,
        zipBufferError,
        zipIncompatibleVersion,
        zipInvalidCall,
        zipBadArchive,
        zipCrcMismatch
    };

    CZipException(int cause = zipOther, LPCTSTR lpszArchiveName = nullptr, BYTE bTag = 0);
    ~CZipException() override;

    // zlib return code or ARCHIVE_ERR_* to a cause; unknown codes give zipOther.
    static int CodeToCause(int code);

    // The cause's name and the archive, e.g. "bad archive: C:\\a.tpx"; never fails.
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

    BYTE m_bTag;
    CString m_strFileName;  // full path of the archive; empty when it was not open
    int m_cause;
};

// Throws a new CZipException* for CodeToCause(code).
[[noreturn]] void ThrowZipException(int code, LPCTSTR lpszArchiveName, BYTE bTag);
