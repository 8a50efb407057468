#include "entry_name.h"

#include <cstring>

#include "app/install_journal.h"
#include "framework/cstring.h"

namespace {

const char kReserved[] = ":<>\"|?*";

bool IsSeparator(char ch) {
    return ch == '/' || ch == '\\';
}

bool EqualsNoCase(const char* text, size_t length, const char* word) {
    if (std::strlen(word) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (AsciiLower(text[i]) != word[i]) return false;
    }
    return true;
}

bool StartsWithNoCase(const char* text, size_t length, const char* word) {
    size_t n = std::strlen(word);
    return n <= length && EqualsNoCase(text, n, word);
}

// Windows reaches a device through a component whose part before the first dot,
// without trailing blanks, is a device name, in any directory.
bool IsDeviceName(const char* component, size_t length) {
    const char* dot = static_cast<const char*>(std::memchr(component, '.', length));
    size_t stem = dot ? static_cast<size_t>(dot - component) : length;
    while (stem > 0 && component[stem - 1] == ' ') --stem;

    static const char* const kPlain[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (const char* word : kPlain) {
        if (EqualsNoCase(component, stem, word)) return true;
    }
    if (!StartsWithNoCase(component, stem, "com") && !StartsWithNoCase(component, stem, "lpt")) {
        return false;
    }
    const char* digit = component + 3;
    size_t rest = stem - 3;
    if (rest == 1 && digit[0] >= '0' && digit[0] <= '9') return true;
    // Superscript one, two and three count as digits too: single bytes in the Western
    // ANSI code page, two bytes in UTF-8.
    auto isSuperscript = [](unsigned char ch) { return ch == 0xB9 || ch == 0xB2 || ch == 0xB3; };
    if (rest == 1 && isSuperscript(static_cast<unsigned char>(digit[0]))) return true;
    if (rest == 2 && static_cast<unsigned char>(digit[0]) == 0xC2 &&
        isSuperscript(static_cast<unsigned char>(digit[1]))) {
        return true;
    }
    return false;
}

EntryNameFault CheckComponent(const char* component, size_t length) {
    if (length == 2 && component[0] == '.' && component[1] == '.') {
        return EntryNameFault::parentComponent;
    }
    char last = component[length - 1];
    if (last == '.' || last == ' ') return EntryNameFault::trailingDotOrBlank;
    if (IsDeviceName(component, length)) return EntryNameFault::deviceName;
    return EntryNameFault::none;
}

}  // namespace

EntryNameFault CheckEntryName(const char* name, size_t length) {
    if (length > kMaxEntryNameLength) return EntryNameFault::tooLong;
    // Characters first, over the whole name: a NUL must be seen before anything
    // treats the name as a C string.
    for (size_t i = 0; i < length; ++i) {
        unsigned char ch = static_cast<unsigned char>(name[i]);
        if (ch < 32) return EntryNameFault::controlCharacter;
        if (std::memchr(kReserved, ch, sizeof kReserved - 1) != nullptr) {
            return EntryNameFault::reservedCharacter;
        }
    }
    size_t start = 0;
    bool bTop = true;
    while (start < length) {
        size_t end = start;
        while (end < length && !IsSeparator(name[end])) ++end;
        if (end > start) {
            EntryNameFault fault = CheckComponent(name + start, end - start);
            if (fault != EntryNameFault::none) return fault;
            if (bTop && EqualsNoCase(name + start, end - start, kJournalName)) {
                return EntryNameFault::reservedName;
            }
            bTop = false;
        }
        start = end + 1;
    }
    return EntryNameFault::none;
}

bool EndsWithBackslash(const CString& strPath) {
    return strPath.GetLength() > 0 && strPath.ReverseFind('\\') == strPath.GetLength() - 1;
}

const char* DescribeEntryNameFault(EntryNameFault fault) {
    switch (fault) {
        case EntryNameFault::none:
            return "acceptable";
        case EntryNameFault::tooLong:
            return "name too long";
        case EntryNameFault::controlCharacter:
            return "control character";
        case EntryNameFault::reservedCharacter:
            return "reserved character";
        case EntryNameFault::parentComponent:
            return "parent-directory component";
        case EntryNameFault::trailingDotOrBlank:
            return "component ending in a dot or blank";
        case EntryNameFault::deviceName:
            return "device name";
        case EntryNameFault::reservedName:
            return "name reserved for the installer";
    }
    return "unknown";
}
