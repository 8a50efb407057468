// The folded CRC-32 agrees with zlib's over every length around its block sizes, at
// every alignment, and when a run is checked in pieces.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "archive/crc32.h"

namespace {

uint32_t ZlibCrc(uint32_t crc, const unsigned char* data, size_t length) {
    return static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(length)));
}

}  // namespace

TEST(Crc32Test, AgreesWithZlibAtEveryLengthAndAlignment) {
    std::mt19937 random(7);
    std::vector<unsigned char> bytes(70000);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t length = 0; length <= 300; ++length) {
            ASSERT_EQ(Crc32(0, bytes.data() + offset, length),
                      ZlibCrc(0, bytes.data() + offset, length))
                << "offset " << offset << ", length " << length;
        }
    }
    for (size_t length : {4095u, 4096u, 65536u, 69983u}) {
        EXPECT_EQ(Crc32(0x12345678u, bytes.data() + 3, length),
                  ZlibCrc(0x12345678u, bytes.data() + 3, length));
    }
    // All zeros and all ones: the cases a wrong constant gets right least often.
    for (unsigned char fill : {0x00, 0xFF}) {
        const std::vector<unsigned char> same(1000, fill);
        EXPECT_EQ(Crc32(0, same.data(), same.size()), ZlibCrc(0, same.data(), same.size()));
    }
}

TEST(Crc32Test, PiecesChainLikeOneRun) {
    std::mt19937 random(11);
    std::vector<unsigned char> bytes(20000);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
    const uint32_t whole = ZlibCrc(0, bytes.data(), bytes.size());
    for (int trial = 0; trial < 200; ++trial) {
        uint32_t crc = 0;
        size_t at = 0;
        while (at < bytes.size()) {
            const size_t n = std::min<size_t>(random() % 700, bytes.size() - at);
            crc = Crc32(crc, bytes.data() + at, n);
            at += n;
        }
        ASSERT_EQ(crc, whole) << "trial " << trial;
    }
}
