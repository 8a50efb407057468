// Strict UTF-8 decoding, shared by the platforms that convert names from UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes the character at `p` (before `end`) into *codePoint and advances p. False
// for anything but the shortest form of a scalar value: stray or missing continuation
// bytes, overlong forms, surrogates and values above U+10FFFF.
bool DecodeUtf8(const char*& p, const char* end, uint32_t* codePoint);

// Whether all `length` bytes are UTF-8 by DecodeUtf8's rules.
bool IsValidUtf8(const char* text, size_t length);
