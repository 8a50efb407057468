#include "file.h"

#include <cstring>

#include "file_system.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace {

const UINT kReadBufferSize = 4096;

[[noreturn]] void ThrowLastError(LPCTSTR lpszFileName) {
    CFileException::ThrowOsError(platform::LastError(), lpszFileName);
}

// Using a closed CFile is the caller's fault; it fails like a bad handle would.
void CheckOpen(HANDLE h, const CString& name) {
    if (h == CFile::hFileNull) {
        CFileException::Throw(CFileException::fileNotFound, ERROR_INVALID_HANDLE, name);
    }
}

}  // namespace

// Bytes read ahead of the caller. The system's file position is always at
// start + size, so the logical position is start + next.
struct CFile::ReadBuffer {
    BYTE data[kReadBufferSize];
    ULONGLONG start = 0;
    UINT size = 0;
    UINT next = 0;

    UINT Available() const { return size - next; }
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
    if (platform::GetFullPath(lpszFileName, fullPath)) h = platform::OpenFile(fullPath, nOpenFlags);
    if (h == INVALID_HANDLE_VALUE) {
        if (pError != nullptr) {
            LONG os = platform::LastError();
            pError->m_cause = CFileException::OsErrorToException(os);
            pError->m_lOsError = os;
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    m_hFile = h;
    m_strFileName = fullPath;
    return TRUE;
}

void CFile::FlushReadBuffer() {
    if (!m_pBuffer || m_pBuffer->size == 0) return;
    UINT unread = m_pBuffer->Available();
    ULONGLONG logical = m_pBuffer->start + m_pBuffer->next;
    m_pBuffer->size = m_pBuffer->next = 0;
    if (unread == 0) return;
    ULONGLONG pos = 0;
    if (!platform::SeekFile(m_hFile, static_cast<LONGLONG>(logical), begin, &pos)) {
        ThrowLastError(m_strFileName);
    }
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    CheckOpen(m_hFile, m_strFileName);
    if (nCount == 0) return 0;
    BYTE* out = static_cast<BYTE*>(lpBuf);
    UINT done = 0;
    if (m_pBuffer) {
        UINT n = m_pBuffer->Available() < nCount ? m_pBuffer->Available() : nCount;
        std::memcpy(out, m_pBuffer->data + m_pBuffer->next, n);
        m_pBuffer->next += n;
        done = n;
    }
    if (done == nCount) return done;

    UINT rest = nCount - done;
    if (rest >= kReadBufferSize) {
        // Large reads bypass the buffer; it is empty now, so the system position is exact.
        if (m_pBuffer) m_pBuffer->size = m_pBuffer->next = 0;
        while (rest > 0) {
            UINT got = 0;
            if (!platform::ReadFile(m_hFile, out + done, rest, &got)) {
                ThrowLastError(m_strFileName);
            }
            if (got == 0) break;
            done += got;
            rest -= got;
        }
        return done;
    }

    if (!m_pBuffer) m_pBuffer.reset(new ReadBuffer);
    ULONGLONG start = m_pBuffer->start + m_pBuffer->size;
    if (m_pBuffer->size == 0) {
        // Nothing buffered: the system position may have moved through writes or seeks.
        if (!platform::SeekFile(m_hFile, 0, current, &start)) {
            ThrowLastError(m_strFileName);
        }
    }
    UINT got = 0;
    if (!platform::ReadFile(m_hFile, m_pBuffer->data, kReadBufferSize, &got)) {
        m_pBuffer->size = m_pBuffer->next = 0;
        ThrowLastError(m_strFileName);
    }
    m_pBuffer->start = start;
    m_pBuffer->size = got;
    UINT n = got < rest ? got : rest;
    std::memcpy(out + done, m_pBuffer->data, n);
    m_pBuffer->next = n;
    return done + n;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    CheckOpen(m_hFile, m_strFileName);
    if (nCount == 0) return;
    FlushReadBuffer();
    if (!platform::WriteFile(m_hFile, lpBuf, nCount)) {
        ThrowLastError(m_strFileName);
    }
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    CheckOpen(m_hFile, m_strFileName);
    if (nFrom != begin && nFrom != current && nFrom != end) {
        CFileException::Throw(CFileException::badSeek, ERROR_INVALID_PARAMETER, m_strFileName);
    }
    if (m_pBuffer && m_pBuffer->size > 0) {
        ReadBuffer& b = *m_pBuffer;
        if (nFrom != end) {
            LONGLONG logical = static_cast<LONGLONG>(b.start + b.next);
            LONGLONG target = nFrom == begin ? lOff : logical + lOff;
            if (target < 0) {
                CFileException::Throw(CFileException::badSeek, ERROR_NEGATIVE_SEEK, m_strFileName);
            }
            if (target >= static_cast<LONGLONG>(b.start) &&
                target <= static_cast<LONGLONG>(b.start + b.size)) {
                b.next = static_cast<UINT>(target - static_cast<LONGLONG>(b.start));
                return static_cast<ULONGLONG>(target);
            }
            // The system sits past the buffer, so the request becomes absolute.
            lOff = target;
            nFrom = begin;
        }
        b.size = b.next = 0;
    }
    ULONGLONG pos = 0;
    if (!platform::SeekFile(m_hFile, lOff, nFrom, &pos)) {
        ThrowLastError(m_strFileName);
    }
    return pos;
}

ULONGLONG CFile::GetLength() const {
    CheckOpen(m_hFile, m_strFileName);
    ULONGLONG length = 0;
    if (!platform::GetFileLength(m_hFile, &length)) {
        ThrowLastError(m_strFileName);
    }
    return length;
}

ULONGLONG CFile::GetPosition() const {
    CheckOpen(m_hFile, m_strFileName);
    if (m_pBuffer && m_pBuffer->size > 0) return m_pBuffer->start + m_pBuffer->next;
    ULONGLONG pos = 0;
    if (!platform::SeekFile(m_hFile, 0, current, &pos)) {
        ThrowLastError(m_strFileName);
    }
    return pos;
}

void CFile::Flush() {
    if (m_hFile == hFileNull) return;
    FlushReadBuffer();
    if (!platform::FlushFile(m_hFile)) {
        ThrowLastError(m_strFileName);
    }
}

void CFile::Close() {
    HANDLE h = m_hFile;
    CString name = m_strFileName;
    m_hFile = hFileNull;
    m_strFileName.Empty();
    m_pBuffer.reset();
    if (h != hFileNull && !platform::CloseFile(h)) {
        ThrowLastError(name);
    }
}

void CFile::Abort() {
    if (m_hFile != hFileNull) platform::CloseFile(m_hFile);
    m_hFile = hFileNull;
    m_strFileName.Empty();
    m_pBuffer.reset();
}

CString CFile::GetFilePath() const {
    return m_strFileName;
}

CString CFile::GetFileName() const {
    int cut = m_strFileName.ReverseFind('\\');
    return m_strFileName.Mid(cut + 1);
}

BOOL CFile::GetStatus(CFileStatus& rStatus) const {
    if (m_hFile == hFileNull) return FALSE;
    return GetStatus(m_strFileName, rStatus);
}

BOOL CFile::GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus) {
    CString fullPath;
    if (lpszFileName == nullptr || !platform::GetFullPath(lpszFileName, fullPath)) return FALSE;
    if (!platform::GetPathStatus(fullPath, rStatus)) {
        rStatus.m_szFullName[0] = '\0';
        return FALSE;
    }
    std::strncpy(rStatus.m_szFullName, fullPath, MAX_PATH - 1);
    rStatus.m_szFullName[MAX_PATH - 1] = '\0';
    return TRUE;
}

void CFile::SetStatus(LPCTSTR lpszFileName, const CFileStatus& status) {
    if (lpszFileName == nullptr) lpszFileName = "";
    DWORD current = platform::GetPathAttributes(lpszFileName);
    if (current == INVALID_FILE_ATTRIBUTES) {
        ThrowLastError(lpszFileName);
    }
    DWORD wanted = status.m_attribute;
    bool change = wanted != (current & 0xFF);
    // A read-only file must lose that attribute before its times can be set.
    if (change && (current & FILE_ATTRIBUTE_READONLY) != 0) {
        if (!platform::SetPathAttributes(lpszFileName, wanted)) {
            ThrowLastError(lpszFileName);
        }
        change = false;
    }
    if (status.m_ctime.GetTime() != 0 || status.m_mtime.GetTime() != 0 ||
        status.m_atime.GetTime() != 0) {
        if (!platform::SetPathTimes(lpszFileName, status)) {
            ThrowLastError(lpszFileName);
        }
    }
    if (change && !platform::SetPathAttributes(lpszFileName, wanted)) {
        ThrowLastError(lpszFileName);
    }
}

void CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName) {
    if (!platform::RenameFile(lpszOldName, lpszNewName)) {
        ThrowLastError(lpszOldName);
    }
}

void CFile::Remove(LPCTSTR lpszFileName) {
    if (!platform::RemoveFile(lpszFileName)) {
        ThrowLastError(lpszFileName);
    }
}
