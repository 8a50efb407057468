// 8-bit text in the system's ANSI code page. Search, case change, replacement and
// removal step over double-byte characters as units where the code page has them
// (the platform's IsLeadByte); with UTF-8 every byte is a unit, which is safe because
// every character searched for is ASCII. Case change touches only A-Z and a-z.
#pragma once

#include <cstdarg>
#include <string>

#include "platform_api.h"

class CString {
  public:
    CString() = default;
    CString(const CString& other) = default;
    CString(CString&& other) noexcept = default;
    CString(LPCTSTR psz);  // NOLINT: implicit, as callers expect
    CString(LPCTSTR pch, int nLength);
    CString(TCHAR ch, int nRepeat = 1);
    ~CString() = default;

    CString& operator=(const CString& other) = default;
    CString& operator=(CString&& other) noexcept = default;
    CString& operator=(LPCTSTR psz);
    CString& operator=(TCHAR ch);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    BOOL IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    TCHAR GetAt(int nIndex) const;
    TCHAR operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, TCHAR ch);
    operator LPCTSTR() const { return m_text.c_str(); }  // NOLINT

    CString& operator+=(const CString& s);
    CString& operator+=(LPCTSTR psz);
    CString& operator+=(TCHAR ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, LPCTSTR b);
    friend CString operator+(LPCTSTR a, const CString& b);
    friend CString operator+(const CString& a, TCHAR b);

    int Compare(LPCTSTR psz) const;
    int CompareNoCase(LPCTSTR psz) const;  // A-Z and a-z compare equal

    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    void MakeUpper();
    void MakeLower();
    // Blank, tab, line feed, carriage return, vertical tab and form feed.
    void TrimLeft();
    void TrimRight();

    int Replace(TCHAR chOld, TCHAR chNew);
    int Replace(LPCTSTR pszOld, LPCTSTR pszNew);
    int Remove(TCHAR ch);
    int Delete(int nIndex, int nCount = 1);

    // Positions are byte offsets; -1 when not found.
    int Find(TCHAR ch, int nStart = 0) const;
    int Find(LPCTSTR psz, int nStart = 0) const;
    int ReverseFind(TCHAR ch) const;
    int FindOneOf(LPCTSTR pszCharSet) const;

    void Format(LPCTSTR pszFormat, ...);
    void FormatV(LPCTSTR pszFormat, va_list args);

    // Loads string resource nID; FALSE (and the text unchanged) when there is none.
    BOOL LoadString(UINT nID);

    // Direct access for C APIs; ReleaseBuffer(-1) takes the length from the NUL.
    LPTSTR GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);
    LPTSTR GetBufferSetLength(int nNewLength);

  private:
    std::string m_text;
};

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCTSTR b);
bool operator==(LPCTSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCTSTR b);
bool operator!=(LPCTSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);

// `length` bytes of UTF-8 in the ANSI code page; false for bytes that are not UTF-8 and
// for a character the code page cannot hold.
bool AfxUtf8ToAnsi(const char* text, size_t length, CString& ansi);

// Offset of the last '\\' or '/' (either separates in a path), or -1.
int AfxLastPathSeparator(const CString& strPath);
// The last component of a path (after its folders and any drive "X:") split at its last
// dot: name, and extension with its dot.
void AfxSplitFileName(const CString& strPath, CString& strName, CString& strExtension);

// The one ASCII case fold: A-Z to a-z, every other byte unchanged.
inline char AsciiLower(char ch) {
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}
