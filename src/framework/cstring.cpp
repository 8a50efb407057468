#include "cstring.h"

#include <cstdio>
#include <cstring>

#include "host.h"

namespace {

// Length of the character unit starting at p: 2 for a lead byte with a trail byte
// before end, else 1. A lead byte at the very end stands alone.
inline int UnitLength(const char* p, const char* end) {
    // No code page has a lead byte below 0x80: ASCII needs no question.
    if (static_cast<BYTE>(*p) < 0x80) return 1;
    return (p + 1 < end && AfxGetHost().IsLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') ? 2 : 1;
}

inline bool IsAsciiUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
inline bool IsAsciiLower(char c) {
    return c >= 'a' && c <= 'z';
}

inline bool IsTrimSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Offset of the first unit-aligned occurrence of [pat, pat + patLen) at or after
// nStart, or -1.
int FindUnits(const std::string& text, int nStart, const char* pat, size_t patLen) {
    if (patLen == 0 || nStart < 0) return -1;
    const char* begin = text.data();
    const char* end = begin + text.size();
    for (const char* p = begin; p < end; p += UnitLength(p, end)) {
        if (p - begin < nStart) continue;
        if (static_cast<size_t>(end - p) < patLen) break;
        if (std::memcmp(p, pat, patLen) == 0) return static_cast<int>(p - begin);
    }
    return -1;
}

}  // namespace

CString::CString(LPCTSTR psz) {
    if (psz != nullptr) m_text = psz;
}

CString::CString(LPCTSTR pch, int nLength) {
    if (pch != nullptr && nLength > 0) m_text.assign(pch, static_cast<size_t>(nLength));
}

CString::CString(TCHAR ch, int nRepeat) {
    if (nRepeat > 0) m_text.assign(static_cast<size_t>(nRepeat), ch);
}

CString& CString::operator=(LPCTSTR psz) {
    if (psz == nullptr) {
        m_text.clear();
    } else {
        m_text = psz;  // std::string handles psz pointing into m_text
    }
    return *this;
}

CString& CString::operator=(TCHAR ch) {
    m_text.assign(1, ch);
    return *this;
}

TCHAR CString::GetAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetLength()) return '\0';
    return m_text[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, TCHAR ch) {
    if (nIndex >= 0 && nIndex < GetLength()) m_text[static_cast<size_t>(nIndex)] = ch;
}

CString& CString::operator+=(const CString& s) {
    m_text += s.m_text;
    return *this;
}

CString& CString::operator+=(LPCTSTR psz) {
    if (psz != nullptr) m_text += psz;
    return *this;
}

CString& CString::operator+=(TCHAR ch) {
    m_text += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, LPCTSTR b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(LPCTSTR a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, TCHAR b) {
    CString r(a);
    r += b;
    return r;
}

int CString::Compare(LPCTSTR psz) const {
    return std::strcmp(m_text.c_str(), psz != nullptr ? psz : "");
}

int CString::CompareNoCase(LPCTSTR psz) const {
    // Unit by unit, so that a trail byte in the A-Z range is never folded.
    const char* a = m_text.c_str();
    const char* b = psz != nullptr ? psz : "";
    const char* aEnd = a + std::strlen(a);
    const char* bEnd = b + std::strlen(b);
    for (;;) {
        if (*a == '\0' || *b == '\0') break;
        int na = UnitLength(a, aEnd);
        int nb = UnitLength(b, bEnd);
        if (na == 1 && nb == 1) {
            char ca = AsciiLower(*a), cb = AsciiLower(*b);
            if (ca != cb) return static_cast<BYTE>(ca) < static_cast<BYTE>(cb) ? -1 : 1;
        } else {
            // Raw bytes decide between units of different kinds.
            int n = na < nb ? na : nb;
            int c = std::memcmp(a, b, static_cast<size_t>(n));
            if (c != 0) return c < 0 ? -1 : 1;
            if (na != nb) return na < nb ? -1 : 1;
        }
        a += na;
        b += nb;
    }
    if (*a == *b) return 0;
    return static_cast<BYTE>(*a) < static_cast<BYTE>(*b) ? -1 : 1;
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength() - nFirst);
}

CString CString::Mid(int nFirst, int nCount) const {
    if (nFirst < 0) nFirst = 0;
    if (nCount < 0) nCount = 0;
    int len = GetLength();
    if (nFirst > len) nFirst = len;
    if (nCount > len - nFirst) nCount = len - nFirst;
    return CString(m_text.data() + nFirst, nCount);
}

CString CString::Left(int nCount) const {
    return Mid(0, nCount);
}

CString CString::Right(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount > GetLength()) nCount = GetLength();
    return Mid(GetLength() - nCount, nCount);
}

void CString::MakeUpper() {
    char* p = &m_text[0];
    char* end = p + m_text.size();
    for (; p < end; p += UnitLength(p, end)) {
        if (UnitLength(p, end) == 1 && IsAsciiLower(*p)) *p = static_cast<char>(*p - 'a' + 'A');
    }
}

void CString::MakeLower() {
    char* p = &m_text[0];
    char* end = p + m_text.size();
    for (; p < end; p += UnitLength(p, end)) {
        if (UnitLength(p, end) == 1 && IsAsciiUpper(*p)) *p = AsciiLower(*p);
    }
}

void CString::TrimLeft() {
    size_t n = 0;
    while (n < m_text.size() && IsTrimSpace(m_text[n])) ++n;
    m_text.erase(0, n);
}

void CString::TrimRight() {
    const char* begin = m_text.data();
    const char* end = begin + m_text.size();
    const char* cut = nullptr;  // start of the trailing run of blanks
    for (const char* p = begin; p < end; p += UnitLength(p, end)) {
        if (UnitLength(p, end) == 1 && IsTrimSpace(*p)) {
            if (cut == nullptr) cut = p;
        } else {
            cut = nullptr;
        }
    }
    if (cut != nullptr) m_text.resize(static_cast<size_t>(cut - begin));
}

int CString::Replace(TCHAR chOld, TCHAR chNew) {
    int count = 0;
    char* p = &m_text[0];
    char* end = p + m_text.size();
    for (; p < end; p += UnitLength(p, end)) {
        if (UnitLength(p, end) == 1 && *p == chOld) {
            *p = chNew;
            ++count;
        }
    }
    return count;
}

int CString::Replace(LPCTSTR pszOld, LPCTSTR pszNew) {
    if (pszOld == nullptr || *pszOld == '\0') return 0;
    size_t oldLen = std::strlen(pszOld);
    std::string replacement = pszNew != nullptr ? pszNew : "";  // may alias m_text
    std::string out;
    int count = 0;
    size_t copied = 0;
    int pos = FindUnits(m_text, 0, pszOld, oldLen);
    while (pos >= 0) {
        out.append(m_text, copied, static_cast<size_t>(pos) - copied);
        out += replacement;
        copied = static_cast<size_t>(pos) + oldLen;
        ++count;
        pos = FindUnits(m_text, static_cast<int>(copied), pszOld, oldLen);
    }
    if (count > 0) {
        out.append(m_text, copied, std::string::npos);
        m_text.swap(out);
    }
    return count;
}

int CString::Remove(TCHAR ch) {
    std::string out;
    out.reserve(m_text.size());
    const char* p = m_text.data();
    const char* end = p + m_text.size();
    int count = 0;
    while (p < end) {
        int n = UnitLength(p, end);
        if (n == 1 && *p == ch) {
            ++count;
        } else {
            out.append(p, static_cast<size_t>(n));
        }
        p += n;
    }
    if (count > 0) m_text.swap(out);
    return count;
}

int CString::Delete(int nIndex, int nCount) {
    if (nIndex < 0) nIndex = 0;
    int len = GetLength();
    if (nCount > 0 && nIndex < len) {
        if (nCount > len - nIndex) nCount = len - nIndex;
        m_text.erase(static_cast<size_t>(nIndex), static_cast<size_t>(nCount));
    }
    return GetLength();
}

int CString::Find(TCHAR ch, int nStart) const {
    const char pat[1] = {ch};
    return FindUnits(m_text, nStart, pat, 1);
}

int CString::Find(LPCTSTR psz, int nStart) const {
    if (psz == nullptr) return -1;
    return FindUnits(m_text, nStart, psz, std::strlen(psz));
}

int CString::ReverseFind(TCHAR ch) const {
    const char* begin = m_text.data();
    const char* end = begin + m_text.size();
    int last = -1;
    for (const char* p = begin; p < end;) {
        const int n = UnitLength(p, end);
        if (n == 1 && *p == ch) last = static_cast<int>(p - begin);
        p += n;
    }
    return last;
}

int CString::FindOneOf(LPCTSTR pszCharSet) const {
    if (pszCharSet == nullptr) return -1;
    const char* setEnd = pszCharSet + std::strlen(pszCharSet);
    const char* begin = m_text.data();
    const char* end = begin + m_text.size();
    for (const char* p = begin; p < end; p += UnitLength(p, end)) {
        int n = UnitLength(p, end);
        for (const char* s = pszCharSet; s < setEnd; s += UnitLength(s, setEnd)) {
            if (UnitLength(s, setEnd) == n && std::memcmp(p, s, static_cast<size_t>(n)) == 0) {
                return static_cast<int>(p - begin);
            }
        }
    }
    return -1;
}

void CString::Format(LPCTSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCTSTR pszFormat, va_list args) {
    if (pszFormat == nullptr) {
        m_text.clear();
        return;
    }
    va_list probe;
    va_copy(probe, args);
    int needed = std::vsnprintf(nullptr, 0, pszFormat, probe);
    va_end(probe);
    if (needed <= 0) {
        m_text.clear();
        return;
    }
    std::string out(static_cast<size_t>(needed), '\0');
    std::vsnprintf(&out[0], out.size() + 1, pszFormat, args);
    m_text.swap(out);  // the arguments may point into m_text
}

LPTSTR CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > GetLength()) m_text.resize(static_cast<size_t>(nMinBufLength));
    return &m_text[0];
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0) nNewLength = static_cast<int>(std::strlen(m_text.c_str()));
    if (nNewLength > GetLength()) nNewLength = GetLength();
    m_text.resize(static_cast<size_t>(nNewLength));
}

LPTSTR CString::GetBufferSetLength(int nNewLength) {
    if (nNewLength < 0) nNewLength = 0;
    m_text.resize(static_cast<size_t>(nNewLength));
    return &m_text[0];
}

bool operator==(const CString& a, const CString& b) {
    return a.Compare(b) == 0;
}
bool operator==(const CString& a, LPCTSTR b) {
    return a.Compare(b) == 0;
}
bool operator==(LPCTSTR a, const CString& b) {
    return b.Compare(a) == 0;
}
bool operator!=(const CString& a, const CString& b) {
    return a.Compare(b) != 0;
}
bool operator!=(const CString& a, LPCTSTR b) {
    return a.Compare(b) != 0;
}
bool operator!=(LPCTSTR a, const CString& b) {
    return b.Compare(a) != 0;
}
bool operator<(const CString& a, const CString& b) {
    return a.Compare(b) < 0;
}

BOOL CString::LoadString(UINT nID) {
    return AfxGetHost().LoadStringResource(nID, *this) ? TRUE : FALSE;
}

int AfxLastPathSeparator(const CString& strPath) {
    // One pass over the character units, which a trail byte cannot fool.
    const int nLength = strPath.GetLength();
    LPCTSTR begin = strPath;
    int last = -1;
    for (LPCTSTR p = begin; p < begin + nLength;) {
        const int n = UnitLength(p, begin + nLength);
        if (n == 1 && (*p == '\\' || *p == '/')) last = static_cast<int>(p - begin);
        p += n;
    }
    return last;
}

void AfxSplitFileName(const CString& strPath, CString& strName, CString& strExtension) {
    int start = AfxLastPathSeparator(strPath) + 1;
    if (start == 0 && strPath.GetLength() >= 2 && strPath[1] == ':') start = 2;
    const CString strLast = strPath.Mid(start);
    const int dot = strLast.ReverseFind('.');
    strName = dot >= 0 ? strLast.Left(dot) : strLast;
    strExtension = dot >= 0 ? strLast.Mid(dot) : CString();
}

bool AfxUtf8ToAnsi(const char* text, size_t length, CString& ansi) {
    return AfxGetHost().Utf8ToAnsi(text, length, ansi);
}
