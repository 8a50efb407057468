#include "archive/crc32.h"

#include <zlib.h>

#include <limits>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define TPX_CRC32_FOLDING 1
#endif

namespace {

// Hands zlib runs it can take in one call.
uint32_t TableCrc32(uint32_t crc, const unsigned char* data, size_t length) {
    while (length > 0) {
        const uInt n = length < std::numeric_limits<uInt>::max() ? static_cast<uInt>(length)
                                                                 : std::numeric_limits<uInt>::max();
        crc = static_cast<uint32_t>(crc32(crc, data, n));
        data += n;
        length -= n;
    }
    return crc;
}

#ifdef TPX_CRC32_FOLDING

#define TPX_FOLDING_TARGET __attribute__((target("pclmul,sse4.1")))

TPX_FOLDING_TARGET inline __m128i Load(const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Lane a folded forward by the distance k stands for, onto the lane `next`.
TPX_FOLDING_TARGET inline __m128i Fold(__m128i a, __m128i k, __m128i next) {
    return _mm_xor_si128(
        _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11)), next);
}

// Folding by carry-less multiplication of the bit-reflected CRC-32 (polynomial
// 0x104C11DB7): four 128-bit lanes are folded 512 bits forward per step, then into one
// lane, which a Barrett reduction brings to 32 bits. The constants are x^n mod P for
// the fold distances, and P and floor(x^64 / P) for the reduction, all bit-reflected.
// `crc` is the inverted register; length is a multiple of 16, at least 64.
TPX_FOLDING_TARGET uint32_t FoldCrc32(uint32_t crc, const unsigned char* p, size_t length) {
    alignas(16) static const uint64_t k1k2[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const uint64_t k3k4[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const uint64_t k5k0[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const uint64_t poly[] = {0x01db710641, 0x01f7011641};

    __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
    p += 64;
    length -= 64;
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
    for (; length >= 64; p += 64, length -= 64) {
        x1 = Fold(x1, k, Load(p));
        x2 = Fold(x2, k, Load(p + 16));
        x3 = Fold(x3, k, Load(p + 32));
        x4 = Fold(x4, k, Load(p + 48));
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
    x1 = Fold(x1, k, x2);
    x1 = Fold(x1, k, x3);
    x1 = Fold(x1, k, x4);
    for (; length >= 16; p += 16, length -= 16) x1 = Fold(x1, k, Load(p));

    // 128 bits to 64, then the Barrett reduction to 32.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k, 0x10));
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00),
                       _mm_srli_si128(x1, 4));
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
    __m128i x2r = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
    x2r = _mm_clmulepi64_si128(_mm_and_si128(x2r, low32), k, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, x2r), 1));
}

bool CanFold() {
    static const bool can = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    }();
    return can;
}

#endif

}  // namespace

uint32_t Crc32(uint32_t crc, const unsigned char* data, size_t length) {
#ifdef TPX_CRC32_FOLDING
    if (length >= 64 && CanFold()) {
        const size_t folded = length & ~size_t(15);
        crc = ~FoldCrc32(~crc, data, folded);
        data += folded;
        length -= folded;
    }
#endif
    return TableCrc32(crc, data, length);
}
