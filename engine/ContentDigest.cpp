#include "engine/ContentDigest.h"

namespace clonarium {

namespace {

constexpr uint32_t c1 = 0x239b961b;
constexpr uint32_t c2 = 0xab0e9789;
constexpr uint32_t c3 = 0x38b34ae5;
constexpr uint32_t c4 = 0xa1e38b93;

inline uint32_t Rotl(uint32_t x, int r)
{
    return (x << r) | (x >> (32 - r));
}

inline uint32_t LoadLittleEndian(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline void StoreLittleEndian(uint32_t value, uint8_t* p)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

inline uint32_t Mix1(uint32_t k)
{
    return Rotl(k * c1, 15) * c2;
}
inline uint32_t Mix2(uint32_t k)
{
    return Rotl(k * c2, 16) * c3;
}
inline uint32_t Mix3(uint32_t k)
{
    return Rotl(k * c3, 17) * c4;
}
inline uint32_t Mix4(uint32_t k)
{
    return Rotl(k * c4, 18) * c1;
}

inline uint32_t FinalMix(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x85ebca6b;
    h ^= h >> 13;
    h *= 0xc2b2ae35;
    h ^= h >> 16;
    return h;
}

// Bytes [from, to) of the tail as one little-endian lane value.
uint32_t TailLane(const uint8_t* tail, size_t tailLength, size_t from)
{
    uint32_t k = 0;
    for (size_t i = from; i < from + 4 && i < tailLength; ++i) {
        k |= static_cast<uint32_t>(tail[i]) << (8 * (i - from));
    }
    return k;
}

} // namespace

void MurmurHash3x86_128::MixBlocks(const uint8_t* blocks, size_t blockCount)
{
    uint32_t h1 = h1_, h2 = h2_, h3 = h3_, h4 = h4_;
    for (const uint8_t* p = blocks; blockCount > 0; --blockCount, p += kBlockSize) {
        h1 ^= Mix1(LoadLittleEndian(p));
        h1 = Rotl(h1, 19) + h2;
        h1 = h1 * 5 + 0x561ccd1b;
        h2 ^= Mix2(LoadLittleEndian(p + 4));
        h2 = Rotl(h2, 17) + h3;
        h2 = h2 * 5 + 0x0bcaa747;
        h3 ^= Mix3(LoadLittleEndian(p + 8));
        h3 = Rotl(h3, 15) + h4;
        h3 = h3 * 5 + 0x96cd1c35;
        h4 ^= Mix4(LoadLittleEndian(p + 12));
        h4 = Rotl(h4, 13) + h1;
        h4 = h4 * 5 + 0x32ac3b17;
    }
    h1_ = h1, h2_ = h2, h3_ = h3, h4_ = h4;
}

ContentDigest MurmurHash3x86_128::Finish(const uint8_t* tail, size_t tailLength, uint32_t length)
{
    // A tail lane takes part only when the tail reaches into it.
    if (tailLength > 12) {
        h4_ ^= Mix4(TailLane(tail, tailLength, 12));
    }
    if (tailLength > 8) {
        h3_ ^= Mix3(TailLane(tail, tailLength, 8));
    }
    if (tailLength > 4) {
        h2_ ^= Mix2(TailLane(tail, tailLength, 4));
    }
    if (tailLength > 0) {
        h1_ ^= Mix1(TailLane(tail, tailLength, 0));
    }

    h1_ ^= length, h2_ ^= length, h3_ ^= length, h4_ ^= length;
    h1_ += h2_ + h3_ + h4_;
    h2_ += h1_, h3_ += h1_, h4_ += h1_;
    h1_ = FinalMix(h1_), h2_ = FinalMix(h2_), h3_ = FinalMix(h3_), h4_ = FinalMix(h4_);
    h1_ += h2_ + h3_ + h4_;
    h2_ += h1_, h3_ += h1_, h4_ += h1_;

    ContentDigest digest;
    StoreLittleEndian(h1_, &digest[0]);
    StoreLittleEndian(h2_, &digest[4]);
    StoreLittleEndian(h3_, &digest[8]);
    StoreLittleEndian(h4_, &digest[12]);
    return digest;
}

ContentDigest MurmurHash3_x86_128(const void* key, size_t length, uint32_t seed)
{
    const auto* bytes = static_cast<const uint8_t*>(key);
    const size_t blocks = length / MurmurHash3x86_128::kBlockSize;
    MurmurHash3x86_128 hash(seed);
    hash.MixBlocks(bytes, blocks);
    return hash.Finish(bytes + blocks * MurmurHash3x86_128::kBlockSize, length % MurmurHash3x86_128::kBlockSize,
        static_cast<uint32_t>(length));
}

std::string DigestText(const ContentDigest& digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * digest.size());
    for (uint8_t byte : digest) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0xf]);
    }
    return text;
}

} // namespace clonarium
