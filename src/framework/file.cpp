#include "file.h"

#include <cstring>

#include "file_system.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

namespace {

const UINT kReadBufferSize = 16384;

void ThrowIf(const FileError& error, LPCTSTR lpszFileName) {
    if (error) CFileException::Throw(error, lpszFileName);
}

// Using a closed CFile is the caller's fault; it fails like a bad handle would.
void CheckOpen(FileHandle h, const CString& name) {
    if (h == CFile::hFileNull) CFileException::Throw(CFileException::fileNotFound, 0, name);
}

}  // namespace

// Bytes read ahead of the caller, a copy of the file from start to start + size.
struct CFile::ReadBuffer {
    BYTE data[kReadBufferSize];
    ULONGLONG start = 0;
    UINT size = 0;

    bool Holds(ULONGLONG pos) const { return pos >= start && pos < start + size; }
};

CFile::CFile(FileSystem& files) : m_hFile(hFileNull), m_files(files) {}

CFile::CFile(FileSystem& files, LPCTSTR lpszFileName, UINT nOpenFlags)
    : m_hFile(hFileNull), m_files(files) {
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
    FileHandle h = kNoFile;
    FileError error = m_files.GetFullPath(lpszFileName, fullPath);
    // Reading, or writing a file of its own: what the installer does with files.
    if (!error && (nOpenFlags & modeCreateNew)) {
        error = m_files.CreateNew(fullPath, &h);
    } else if (!error) {
        error = (nOpenFlags & (modeWrite | modeReadWrite | modeCreate)) == 0
                    ? m_files.OpenForReading(fullPath, &h)
                    : FileError(FileError::other);
    }
    if (error) {
        if (pError != nullptr) {
            pError->m_cause = CFileException::CauseOf(error);
            pError->m_lOsError = error.osCode;
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
        ThrowIf(m_files.ReadAt(m_hFile, out + done, rest, m_position, &got), m_strFileName);
        m_position += got;
        return done + got;
    }

    if (!m_pBuffer) m_pBuffer.reset(new ReadBuffer);
    ReadBuffer& b = *m_pBuffer;
    b.size = 0;
    ThrowIf(m_files.ReadAt(m_hFile, b.data, kReadBufferSize, m_position, &got), m_strFileName);
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
    ThrowIf(m_files.WriteAt(m_hFile, lpBuf, nCount, m_position), m_strFileName);
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
            CFileException::Throw(CFileException::badSeek, 0, m_strFileName);
    }
    if (lOff < 0 && base + lOff < 0)
        CFileException::Throw(CFileException::badSeek, 0, m_strFileName);
    m_position = static_cast<ULONGLONG>(base + lOff);
    return m_position;
}

ULONGLONG CFile::GetLength() const {
    CheckOpen(m_hFile, m_strFileName);
    ULONGLONG length = 0;
    ThrowIf(m_files.GetLength(m_hFile, &length), m_strFileName);
    return length;
}

void CFile::ShareReading(const CFile& other) {
    Abort();
    m_hFile = other.m_hFile;
    m_strFileName = other.m_strFileName;
    m_position = 0;
    m_bOwned = false;
}

void CFile::Close() {
    const FileHandle h = m_bOwned ? m_hFile : hFileNull;
    CString name = m_strFileName;
    m_hFile = hFileNull;
    m_bOwned = true;
    m_strFileName.Empty();
    m_pBuffer.reset();
    if (h != hFileNull) ThrowIf(m_files.Close(h), name);
}

void CFile::Abort() {
    if (m_hFile != hFileNull && m_bOwned) m_files.Close(m_hFile);
    m_hFile = hFileNull;
    m_bOwned = true;
    m_strFileName.Empty();
    m_pBuffer.reset();
}

void CFile::SetStatus(const CFileStatus& status, DWORD dwAttributes) {
    CheckOpen(m_hFile, m_strFileName);
    ThrowIf(m_files.Stamp(m_hFile, status, dwAttributes), m_strFileName);
}

CString CFile::GetFilePath() const {
    return m_strFileName;
}

BOOL CFile::GetStatus(FileSystem& files, LPCTSTR lpszFileName, CFileStatus& rStatus) {
    CString fullPath;
    if (lpszFileName == nullptr || files.GetFullPath(lpszFileName, fullPath)) return FALSE;
    if (files.GetPathStatus(fullPath, rStatus)) {
        rStatus.m_szFullName[0] = '\0';
        return FALSE;
    }
    std::strncpy(rStatus.m_szFullName, fullPath, MAX_PATH - 1);
    rStatus.m_szFullName[MAX_PATH - 1] = '\0';
    return TRUE;
}
