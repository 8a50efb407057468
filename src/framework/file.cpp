#include "file.h"

#include <cstring>

#include "platform.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace {

const UINT kReadBufferSize = 16384;

[[noreturn]] void ThrowLastError(LPCTSTR lpszFileName) {
    CFileException::ThrowOsError(Platform::Current().LastError(), lpszFileName);
}

// Using a closed CFile is the caller's fault; it fails like a bad handle would.
void CheckOpen(HANDLE h, const CString& name) {
    if (h == CFile::hFileNull) {
        CFileException::Throw(CFileException::fileNotFound, ERROR_INVALID_HANDLE, name);
    }
}

}  // namespace

// Bytes read ahead of the caller, a copy of the file from start to start + size.
struct CFile::ReadBuffer {
    BYTE data[kReadBufferSize];
    ULONGLONG start = 0;
    UINT size = 0;

    bool Holds(ULONGLONG pos) const { return pos >= start && pos < start + size; }
};

CFile::CFile() : m_hFile(hFileNull) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : m_hFile(hFileNull) {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error)) {
        CFileException::Throw(error.m_cause, error.m_lOsError, error.m_strFileName);
    }
}

CFile::~CFile() {
    Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    Abort();  // a second Open releases the first file
    if (lpszFileName == nullptr) lpszFileName = "";
    CString fullPath;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (Platform::Current().GetFullPath(lpszFileName, fullPath))
        h = Platform::Current().OpenFile(fullPath, nOpenFlags);
    if (h == INVALID_HANDLE_VALUE) {
        if (pError != nullptr) {
            LONG os = Platform::Current().LastError();
            pError->m_cause = CFileException::OsErrorToException(os);
            pError->m_lOsError = os;
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    m_hFile = h;
    m_strFileName = fullPath;
    m_position = 0;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    CheckOpen(m_hFile, m_strFileName);
    if (nCount == 0) return 0;
    BYTE* out = static_cast<BYTE*>(lpBuf);
    UINT done = 0;
    if (m_pBuffer && m_pBuffer->Holds(m_position)) {
        ReadBuffer& b = *m_pBuffer;
        UINT offset = static_cast<UINT>(m_position - b.start);
        done = b.size - offset < nCount ? b.size - offset : nCount;
        std::memcpy(out, b.data + offset, done);
        m_position += done;
        if (done == nCount) return done;
    }

    UINT rest = nCount - done;
    UINT got = 0;
    if (rest >= kReadBufferSize) {
        // Large reads go straight into the caller's buffer.
        if (!Platform::Current().ReadFileAt(m_hFile, out + done, rest, m_position, &got)) {
            ThrowLastError(m_strFileName);
        }
        m_position += got;
        return done + got;
    }

    if (!m_pBuffer) m_pBuffer.reset(new ReadBuffer);
    ReadBuffer& b = *m_pBuffer;
    b.size = 0;
    if (!Platform::Current().ReadFileAt(m_hFile, b.data, kReadBufferSize, m_position, &got)) {
        ThrowLastError(m_strFileName);
    }
    b.start = m_position;
    b.size = got;
    UINT n = got < rest ? got : rest;
    std::memcpy(out + done, b.data, n);
    m_position += n;
    return done + n;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    CheckOpen(m_hFile, m_strFileName);
    if (nCount == 0) return;
    if (m_pBuffer) m_pBuffer->size = 0;  // it may hold the bytes being replaced
    if (!Platform::Current().WriteFileAt(m_hFile, lpBuf, nCount, m_position)) {
        ThrowLastError(m_strFileName);
    }
    m_position += nCount;
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    CheckOpen(m_hFile, m_strFileName);
    LONGLONG base = 0;
    switch (nFrom) {
        case begin:
            break;
        case current:
            base = static_cast<LONGLONG>(m_position);
            break;
        case end:
            base = static_cast<LONGLONG>(GetLength());
            break;
        default:
            CFileException::Throw(CFileException::badSeek, ERROR_INVALID_PARAMETER, m_strFileName);
    }
    if (lOff < 0 && base + lOff < 0) {
        CFileException::Throw(CFileException::badSeek, ERROR_NEGATIVE_SEEK, m_strFileName);
    }
    m_position = static_cast<ULONGLONG>(base + lOff);
    return m_position;
}

ULONGLONG CFile::GetLength() const {
    CheckOpen(m_hFile, m_strFileName);
    ULONGLONG length = 0;
    if (!Platform::Current().GetFileLength(m_hFile, &length)) {
        ThrowLastError(m_strFileName);
    }
    return length;
}

ULONGLONG CFile::GetPosition() const {
    CheckOpen(m_hFile, m_strFileName);
    return m_position;
}

void CFile::Flush() {
    if (m_hFile == hFileNull) return;
    if (!Platform::Current().FlushFile(m_hFile)) {
        ThrowLastError(m_strFileName);
    }
}

void CFile::Close() {
    HANDLE h = m_hFile;
    CString name = m_strFileName;
    m_hFile = hFileNull;
    m_strFileName.Empty();
    m_pBuffer.reset();
    if (h != hFileNull && !Platform::Current().CloseFile(h)) {
        ThrowLastError(name);
    }
}

void CFile::Abort() {
    if (m_hFile != hFileNull) Platform::Current().CloseFile(m_hFile);
    m_hFile = hFileNull;
    m_strFileName.Empty();
    m_pBuffer.reset();
}

void CFile::SetStatus(const CFileStatus& status, DWORD dwAttributes) {
    CheckOpen(m_hFile, m_strFileName);
    if (!Platform::Current().SetFileStatus(m_hFile, status, dwAttributes)) {
        ThrowLastError(m_strFileName);
    }
}

void CFile::SetLength(ULONGLONG dwNewLen) {
    CheckOpen(m_hFile, m_strFileName);
    if (m_pBuffer) m_pBuffer->size = 0;
    if (!Platform::Current().SetFileLength(m_hFile, dwNewLen)) ThrowLastError(m_strFileName);
}

CString CFile::GetFilePath() const {
    return m_strFileName;
}

CString CFile::GetFileName() const {
    return m_strFileName.Mid(AfxLastPathSeparator(m_strFileName) + 1);
}

BOOL CFile::GetStatus(CFileStatus& rStatus) const {
    if (m_hFile == hFileNull) return FALSE;
    return GetStatus(m_strFileName, rStatus);
}

BOOL CFile::GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus) {
    CString fullPath;
    if (lpszFileName == nullptr || !Platform::Current().GetFullPath(lpszFileName, fullPath))
        return FALSE;
    if (!Platform::Current().GetPathStatus(fullPath, rStatus)) {
        rStatus.m_szFullName[0] = '\0';
        return FALSE;
    }
    std::strncpy(rStatus.m_szFullName, fullPath, MAX_PATH - 1);
    rStatus.m_szFullName[MAX_PATH - 1] = '\0';
    return TRUE;
}

void CFile::SetStatus(LPCTSTR lpszFileName, const CFileStatus& status) {
    if (lpszFileName == nullptr) lpszFileName = "";
    DWORD current = Platform::Current().GetPathAttributes(lpszFileName);
    if (current == INVALID_FILE_ATTRIBUTES) {
        ThrowLastError(lpszFileName);
    }
    DWORD wanted = status.m_attribute;
    bool change = wanted != (current & 0xFF);
    // A read-only file must lose that attribute before its times can be set.
    if (change && (current & FILE_ATTRIBUTE_READONLY) != 0) {
        if (!Platform::Current().SetPathAttributes(lpszFileName, wanted)) {
            ThrowLastError(lpszFileName);
        }
        change = false;
    }
    if (status.m_ctime.GetTime() != 0 || status.m_mtime.GetTime() != 0 ||
        status.m_atime.GetTime() != 0) {
        if (!Platform::Current().SetPathTimes(lpszFileName, status)) {
            ThrowLastError(lpszFileName);
        }
    }
    if (change && !Platform::Current().SetPathAttributes(lpszFileName, wanted)) {
        ThrowLastError(lpszFileName);
    }
}

void CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName) {
    if (!Platform::Current().RenameFile(lpszOldName, lpszNewName)) {
        ThrowLastError(lpszOldName);
    }
}

void CFile::Remove(LPCTSTR lpszFileName) {
    if (!Platform::Current().RemoveFile(lpszFileName)) {
        ThrowLastError(lpszFileName);
    }
}
