// The C runtime's own text mode does the translation here.
#include "text_file.h"

CTextFile::~CTextFile() {
    Close();
}

BOOL CTextFile::Open(LPCTSTR lpszPath) {
    Close();
    if (lpszPath == nullptr || *lpszPath == '\0') return FALSE;
    m_pFile = std::fopen(lpszPath, "rt");
    return m_pFile != nullptr;
}

long long CTextFile::GetSize() {
    if (m_pFile == nullptr || _fseeki64(m_pFile, 0, SEEK_END) != 0) return -1;
    long long size = _ftelli64(m_pFile);
    if (_fseeki64(m_pFile, 0, SEEK_SET) != 0) return -1;
    return size;
}

size_t CTextFile::Read(void* lpBuf, size_t nCount) {
    if (m_pFile == nullptr) return 0;
    return std::fread(lpBuf, 1, nCount, m_pFile);
}

void CTextFile::Close() {
    if (m_pFile != nullptr) std::fclose(m_pFile);
    m_pFile = nullptr;
}
