#include "app/entry_name_encoding.h"

#include <zlib.h>

#include <cstring>

#include "framework/cstring.h"

namespace {

DWORD Little(const char* p, int bytes) {
    DWORD value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(p[i]);
    return value;
}

}  // namespace

bool FindUtf8EntryName(const EntryInfo& info, const char* stored, const char* extra,
                       const char** pUtf8, size_t* pLength) {
    if ((info.flags & kUtf8NameFlag) != 0) {
        *pUtf8 = stored;
        *pLength = info.nameLength;
        return true;
    }
    size_t pos = 0;
    const size_t end = info.extraLength;
    while (end - pos >= 4) {
        const DWORD id = Little(extra + pos, 2);
        const size_t size = Little(extra + pos + 2, 2);
        const char* data = extra + pos + 4;
        if (size > end - pos - 4) break;  // a block that overruns the field ends the walk
        // A field whose CRC does not match describes an older name: it is ignored.
        if (id == kUnicodePathFieldId && size >= 5 && data[0] == 1 &&
            Little(data + 1, 4) == crc32(0L, reinterpret_cast<const Bytef*>(stored),
                                         static_cast<uInt>(info.nameLength))) {
            *pUtf8 = data + 5;
            *pLength = size - 5;
            return true;
        }
        pos += 4 + size;
    }
    return false;
}

bool ConvertEntryNameToAnsi(const EntryInfo& info, const char* extra, std::vector<char>& name,
                            DWORD* pLength) {
    *pLength = info.nameLength;
    const char* utf8 = nullptr;
    size_t length = 0;
    if (!FindUtf8EntryName(info, name.data(), extra, &utf8, &length)) return true;
    CString strAnsi;
    if (!AfxUtf8ToAnsi(utf8, length, strAnsi)) return false;
    const size_t ansiLength = static_cast<size_t>(strAnsi.GetLength());
    if (ansiLength >= name.size()) return false;
    std::memcpy(name.data(), static_cast<LPCTSTR>(strAnsi), ansiLength);
    name[ansiLength] = '\0';
    *pLength = static_cast<DWORD>(ansiLength);
    return true;
}
