// The bytes of a WM_COPYDATA as the fake clients record them and the tests expect them.
#pragma once

#include <string>

inline std::string Hex(const char* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) {
        const unsigned char ch = static_cast<unsigned char>(data[i]);
        hex += digits[ch >> 4];
        hex += digits[ch & 15];
    }
    return hex;
}

inline std::string Hex(const std::string& bytes) {
    return Hex(bytes.data(), bytes.size());
}
