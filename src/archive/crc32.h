// CRC-32 of entry data, as zlib's crc32() computes it. Where the processor can multiply
// without carries (PCLMULQDQ), long runs are folded 64 bytes at a time, several times
// faster than zlib's tables; the check of every byte an installation writes costs
// less than its copying.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t Crc32(uint32_t crc, const unsigned char* data, size_t length);
