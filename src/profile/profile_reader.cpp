#include "profile_reader.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "text_file.h"

namespace {

// Names longer than this do not fit the fixed 256-character search patterns.
const size_t kMaxNameLength = 253;

// The cached text. The path is kept whole, so a long path never matches another
// path that merely shares its beginning.
std::unique_ptr<char[]> g_cacheText;
int g_cacheCapacity = 0;
std::string g_cachedPath;
bool g_cacheValid = false;

inline char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// First occurrence of pattern lying wholly inside [begin, end), or null.
const char* FindNoCaseIn(const char* begin, const char* end, const char* pattern) {
    size_t n = std::strlen(pattern);
    if (static_cast<size_t>(end - begin) < n) return nullptr;
    const char* last = end - n;
    for (const char* p = begin; p <= last; ++p) {
        size_t i = 0;
        while (i < n && Fold(p[i]) == Fold(pattern[i])) ++i;
        if (i == n) return p;
    }
    return nullptr;
}

int CopyCut(LPTSTR out, int outLength, const char* text, size_t length) {
    if (out == nullptr || outLength < 1) return 0;
    if (length > static_cast<size_t>(outLength - 1)) length = static_cast<size_t>(outLength - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
    return static_cast<int>(length);
}

int AnswerDefault(LPCTSTR defaultValue, LPTSTR out, int outLength) {
    if (defaultValue == nullptr) defaultValue = "";
    return CopyCut(out, outLength, defaultValue, std::strlen(defaultValue));
}

// Reads the file at path into the cache; false (the default answers) on any failure.
bool LoadCache(LPCTSTR path) {
    CTextFile file;
    if (!file.Open(path)) return false;  // the cache stays as it was
    long long size = file.GetSize();
    g_cacheValid = false;
    if (size <= 0) return false;  // empty, or a size that cannot be told
    if (size > INT_MAX - 16) {
        g_cacheText.reset();
        g_cacheCapacity = 0;
        return false;
    }
    int needed = static_cast<int>(size) + 16;
    if (needed < 255) needed = 255;
    if (g_cacheCapacity < needed) {
        g_cacheText.reset();
        g_cacheText.reset(new (std::nothrow) char[static_cast<size_t>(needed)]);
        g_cacheCapacity = g_cacheText ? needed : 0;
        if (!g_cacheText) return false;
    }
    g_cacheText[0] = '\0';
    // Text mode may deliver fewer bytes than the size (CR LF pairs, Ctrl-Z).
    size_t got = file.Read(g_cacheText.get(), static_cast<size_t>(size));
    if (got < 1 || got > static_cast<size_t>(size)) return false;
    g_cacheText[got] = '\0';
    g_cachedPath = path;
    g_cacheValid = true;
    return true;
}

}  // namespace

void ProfileStartup() {}

void ProfileShutdown() {
    g_cacheText.reset();
    g_cacheCapacity = 0;
    g_cachedPath.clear();
    g_cacheValid = false;
}

const char* FindNoCase(const char* text, const char* pattern) {
    if (text == nullptr || pattern == nullptr) return nullptr;
    return FindNoCaseIn(text, text + std::strlen(text), pattern);
}

int ReadProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR defaultValue, LPTSTR out, int outLength,
                      LPCTSTR path) {
    if (section == nullptr || key == nullptr || path == nullptr ||
        std::strlen(section) > kMaxNameLength || std::strlen(key) > kMaxNameLength) {
        return AnswerDefault(defaultValue, out, outLength);
    }
    bool cached = g_cacheValid && g_cachedPath == path;
    if (!cached && !LoadCache(path)) return AnswerDefault(defaultValue, out, outLength);

    const std::string sectionPattern = std::string("[") + section + "]";
    const std::string keyPattern = std::string("\n") + key + "=";
    const char* text = g_cacheText.get();
    const char* header = FindNoCase(text, sectionPattern.c_str());
    // Only the first occurrence counts, and it must begin a line.
    if (header == nullptr || (header != text && header[-1] != '\n')) {
        return AnswerDefault(defaultValue, out, outLength);
    }
    const char* sectionEnd = std::strstr(header, "\n[");
    if (sectionEnd == nullptr) sectionEnd = header + std::strlen(header);
    const char* match = FindNoCaseIn(header, sectionEnd, keyPattern.c_str());
    if (match == nullptr) return AnswerDefault(defaultValue, out, outLength);

    const char* value = std::strchr(match + 1, '=') + 1;
    const char* valueEnd = value;
    while (valueEnd < sectionEnd && *valueEnd != '\n') ++valueEnd;
    return CopyCut(out, outLength, value, static_cast<size_t>(valueEnd - value));
}
