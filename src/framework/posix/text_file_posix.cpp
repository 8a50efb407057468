// The C library here has no text mode; the translation is done by hand.
#include <sys/stat.h>

#include <string>

#include "native_path.h"
#include "text_file.h"

namespace {
const int kCtrlZ = 0x1A;
}

CTextFile::~CTextFile() {
    Close();
}

BOOL CTextFile::Open(LPCTSTR lpszPath) {
    Close();
    std::string native = posix::NativePath(lpszPath);
    if (native.empty()) return FALSE;
    m_pFile = std::fopen(native.c_str(), "rb");
    if (m_pFile == nullptr) return FALSE;
    struct stat st;
    if (fstat(fileno(m_pFile), &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return FALSE;
    }
    return TRUE;
}

long long CTextFile::GetSize() {
    if (m_pFile == nullptr || fseeko(m_pFile, 0, SEEK_END) != 0) return -1;
    long long size = static_cast<long long>(ftello(m_pFile));
    if (fseeko(m_pFile, 0, SEEK_SET) != 0) return -1;
    m_bEnd = false;
    m_nPending = EOF;
    return size;
}

size_t CTextFile::Read(void* lpBuf, size_t nCount) {
    if (m_pFile == nullptr) return 0;
    unsigned char* out = static_cast<unsigned char*>(lpBuf);
    size_t done = 0;
    while (done < nCount && !m_bEnd) {
        int c = m_nPending != EOF ? m_nPending : std::getc(m_pFile);
        m_nPending = EOF;
        if (c == EOF || c == kCtrlZ) {
            m_bEnd = c == kCtrlZ;
            break;
        }
        if (c == '\r') {
            int next = std::getc(m_pFile);
            if (next == '\n') {
                c = '\n';
            } else {
                m_nPending = next;  // a lone CR stays; the next byte is read normally
            }
        }
        out[done++] = static_cast<unsigned char>(c);
    }
    return done;
}

void CTextFile::Close() {
    if (m_pFile != nullptr) std::fclose(m_pFile);
    m_pFile = nullptr;
    m_bEnd = false;
    m_nPending = EOF;
}
