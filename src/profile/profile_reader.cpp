#include "profile_reader.h"

#include <cstring>
#include <string>

#include "file_system.h"

namespace {

// Names longer than this do not fit the fixed 256-character search patterns.
const size_t kMaxNameLength = 253;
// A profile holds a few short lines; anything larger is not one and is not read.
const size_t kMaxProfileSize = 1 << 20;

// The last file read, kept whole with its whole path.
FileSystem* g_pFiles = nullptr;  // from ProfileStartup
std::string g_cacheText;
std::string g_cachedPath;
bool g_cacheValid = false;

// First occurrence of pattern lying wholly inside [begin, end), or null.
const char* FindNoCaseIn(const char* begin, const char* end, const char* pattern) {
    size_t n = std::strlen(pattern);
    if (static_cast<size_t>(end - begin) < n) return nullptr;
    const char* last = end - n;
    for (const char* p = begin; p <= last; ++p) {
        size_t i = 0;
        while (i < n && AsciiLower(p[i]) == AsciiLower(pattern[i])) ++i;
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

// The text as the C runtime's text mode reads it: CR LF becomes LF, a lone CR stays,
// Ctrl-Z ends the text. A NUL ends it too, as it ends every search in it.
std::string TextMode(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == 0x1A || c == '\0') break;
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += c;
    }
    return text;
}

// Reads the file at path into the cache; false (the default answers) on any failure,
// an empty file included.
bool LoadCache(LPCTSTR path) {
    std::string bytes;
    if (g_pFiles == nullptr || g_pFiles->ReadWholeFile(path, kMaxProfileSize, bytes)) return false;
    std::string text = TextMode(bytes);
    g_cacheValid = false;  // a file that yields nothing drops the cache
    if (text.empty()) return false;
    g_cacheText.swap(text);
    g_cachedPath = path;
    g_cacheValid = true;
    return true;
}

}  // namespace

void ProfileStartup(FileSystem& files) {
    g_pFiles = &files;
}

void ProfileShutdown() {
    g_pFiles = nullptr;
    std::string().swap(g_cacheText);
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
    const char* text = g_cacheText.c_str();
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
