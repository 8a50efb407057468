// Sequential reading of a text file as the Windows C runtime's text mode delivers it:
// a CR LF pair reads as LF, a lone CR stays, and a Ctrl-Z byte ends the text.
#pragma once

#include <cstddef>
#include <cstdio>

#include "platform_api.h"

class CTextFile {
  public:
    CTextFile() = default;
    ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // FALSE when the path names no readable regular file.
    BOOL Open(LPCTSTR lpszPath);
    // Size in bytes on disk (before translation), from the start; -1 when unknown.
    long long GetSize();
    // Up to nCount translated bytes; fewer at the end of the text.
    size_t Read(void* lpBuf, size_t nCount);
    void Close();

  private:
    FILE* m_pFile = nullptr;
    bool m_bEnd = false;   // Ctrl-Z seen
    int m_nPending = EOF;  // a byte read ahead after a CR
};
