#include "utf8.h"

bool DecodeUtf8(const char*& p, const char* end, uint32_t* codePoint) {
    const unsigned char lead = static_cast<unsigned char>(*p);
    int more;
    uint32_t value;
    uint32_t smallest;
    if (lead < 0x80) {
        more = 0;
        value = lead;
        smallest = 0;
    } else if ((lead & 0xE0) == 0xC0) {
        more = 1;
        value = lead & 0x1Fu;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        more = 2;
        value = lead & 0x0Fu;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        more = 3;
        value = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return false;
    }
    if (end - p <= more) return false;
    for (int i = 1; i <= more; ++i) {
        const unsigned char next = static_cast<unsigned char>(p[i]);
        if ((next & 0xC0) != 0x80) return false;
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    p += more + 1;
    *codePoint = value;
    return true;
}

bool IsValidUtf8(const char* text, size_t length) {
    const char* end = text + length;
    uint32_t codePoint;
    for (const char* p = text; p < end;) {
        if (!DecodeUtf8(p, end, &codePoint)) return false;
    }
    return true;
}
