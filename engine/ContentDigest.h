#pragma once
// The 128-bit content digest that makes two files of one size duplicates:
// MurmurHash3 x86 128-bit, as Austin Appleby published it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace clonarium {

using ContentDigest = std::array<uint8_t, 16>;

// The hash fed a file's content piece by piece: whole 16-byte blocks first,
// then the tail of fewer than 16 bytes.
class MurmurHash3x86_128 {
public:
    static constexpr size_t kBlockSize = 16;

    explicit MurmurHash3x86_128(uint32_t seed) : h1_(seed), h2_(seed), h3_(seed), h4_(seed) { }

    void MixBlocks(const uint8_t* blocks, size_t blockCount);
    // `length` is the whole key's length (modulo 2^32, as the published
    // function takes it). Lanes h1..h4, each little-endian.
    ContentDigest Finish(const uint8_t* tail, size_t tailLength, uint32_t length);

private:
    uint32_t h1_;
    uint32_t h2_;
    uint32_t h3_;
    uint32_t h4_;
};

// The published function in one call.
ContentDigest MurmurHash3_x86_128(const void* key, size_t length, uint32_t seed);

// 32 lowercase hexadecimal digits, two per byte in byte order.
std::string DigestText(const ContentDigest& digest);

} // namespace clonarium
