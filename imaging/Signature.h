#pragma once
// The likeness signature of a picture: a perceptual hash of its brightness
// pattern (and of the pattern in the seven other orientations: turned by 90,
// 180 and 270 degrees, and each of the four mirrored) with its mean colour. A picture whose brightness is even throughout but whose colours are
// not (red on green of the same lightness) is hashed along its main axis of
// colour change instead. Resizing, recompression, a change of format and small changes of
// brightness or contrast move few bits; different pictures differ in about
// half of them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ImageClonarium {

// Red, green and blue, 0 to 255.
using Rgb = std::array<float, 3>;
inline float Luma(const Rgb& c)
{
    return 0.299f * c[0] + 0.587f * c[1] + 0.114f * c[2];
}

// The picture reduced to ThumbSide x ThumbSide cells of mean colour, row by
// row, shown upright; and its mean colour.
constexpr int ThumbSide = 32;
struct Thumbnail {
    std::array<Rgb, ThumbSide * ThumbSide> Cells{};
    Rgb MeanRgb{};
};

// Hashes[t] (t = 0 to 3): the pattern turned clockwise by t quarter turns;
// Hashes[FirstMirrored + t]: that turned pattern mirrored left to right. The
// upright pattern mirrored left to right is Hashes[4], top to bottom Hashes[6].
constexpr size_t FirstMirrored = 4;
struct Signature {
    std::array<uint64_t, 2 * FirstMirrored> Hashes{};
    std::array<uint8_t, 3> Tone{}; // mean red, green, blue
};

Signature MakeSignature(const Thumbnail& thumbnail);

// Averages the pixels of a picture into a Thumbnail, a band of rows at a time,
// so that a large picture is never held whole.
class ThumbnailBuilder {
public:
    ThumbnailBuilder(uint32_t width, uint32_t height);
    // `rows` rows of 32-bit BGRA pixels (not premultiplied) starting at `firstRow`.
    void AddRows(const uint8_t* pixels, size_t stride, uint32_t firstRow, uint32_t rows);
    Thumbnail Finish() const;

private:
    uint32_t width_, height_;
    std::vector<uint16_t> columnCell_, rowCell_;
    std::array<uint32_t, ThumbSide + 1> firstColumn_{};
    std::array<std::array<uint64_t, 3>, ThumbSide * ThumbSide> sums_{};
    std::array<uint32_t, ThumbSide * ThumbSide> count_{};
};

} // namespace ImageClonarium
