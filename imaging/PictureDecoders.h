#pragma once
// Decoders of our own for the formats whose pictures come huge: JPEG (reduced
// while decoding, as far as the caller allows), PNG and plain BMP. They hand
// over the picture a band of rows at a time and hold no more than a few rows
// themselves, unless the file's coding makes them (a progressive JPEG, an
// interlaced PNG): what they hold is asked for first, so that the caller can
// refuse it. The platform's decoders take every picture in whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ImageClonarium {

class IRowSink {
public:
    // Once, before a decoder takes memory beyond a few rows: how many bytes
    // it will hold at most. False refuses the picture.
    virtual bool Reserve(uint64_t bytes) = 0;
    // Once, before the first row: the size of the rows that come, smaller than
    // the stored picture where the decoder reduced it.
    virtual void Start(uint32_t width, uint32_t height) = 0;
    // `rows` rows of 32-bit BGRA pixels (alpha not premultiplied) from
    // `firstRow` on; the rows come in order, top to bottom.
    virtual void Rows(const uint8_t* pixels, size_t stride, uint32_t firstRow, uint32_t rows) = 0;

protected:
    ~IRowSink() = default;
};

// How many rows of `stride` bytes go in a band handed to the sink: about
// 256 KB keep memory flat for large pictures, and stay below the size from
// which the heap maps and unmaps fresh pages for every picture (measured:
// about 8% of a scan of small pictures).
inline uint32_t BandRows(size_t stride, uint32_t height)
{
    return uint32_t(std::clamp<size_t>((256u << 10) / stride, 1, height));
}

// Each is false when the file is damaged, cut short where the picture cannot
// be read, or refused by the sink; the sink may have had some rows by then.

// The JPEG reduced by the decoder by 1/8 to 8/8 so that each side keeps at
// least `minSide` pixels (0: not reduced).
bool DecodeJpeg(std::span<const uint8_t> file, uint32_t minSide, IRowSink& sink);
bool DecodePng(std::span<const uint8_t> file, IRowSink& sink);
// BMP files stored row by row, with a palette, in bit fields or in plain
// BGR(A); the rarer codings (run lengths, JPEG or PNG inside) are not read
// here.
bool IsPlainBmp(std::span<const uint8_t> file);
bool DecodeBmp(std::span<const uint8_t> file, IRowSink& sink);
// The first picture of an icon file when it is a PNG; empty otherwise.
std::span<const uint8_t> IconPng(std::span<const uint8_t> file);

} // namespace ImageClonarium
