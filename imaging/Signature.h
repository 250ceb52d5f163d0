#pragma once
// The likeness signature of a picture: a perceptual hash of its brightness
// pattern (and of the pattern in the seven other orientations: turned by 90,
// 180 and 270 degrees, and each of the four mirrored), hashes of parts of
// it, and its mean colour. A picture whose brightness is even throughout but
// whose colours are not (red on green of the same lightness) is hashed along
// its main axis of colour change instead. Resizing, recompression, a change
// of format and small changes of brightness or contrast move few bits;
// different pictures differ in about half of them.
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
// row, shown upright; and its mean colour. The hashes are taken from 32 x 32
// cells of the whole picture or of parts of it, resampled from these.
constexpr int ThumbSide = 64;
struct Thumbnail {
    std::array<Rgb, ThumbSide * ThumbSide> Cells{};
    Rgb MeanRgb{};
};

// Hashes[t] (t = 0 to 3): the pattern turned clockwise by t quarter turns;
// Hashes[FirstMirrored + t]: that turned pattern mirrored left to right. The
// upright pattern mirrored left to right is Hashes[4], top to bottom Hashes[6].
constexpr size_t FirstMirrored = 4;
constexpr size_t Orientations = 2 * FirstMirrored;
// Parts of the picture whose patterns are kept as well: a copy cut down to
// one of them shows it whole. Cut by 4% and by 8% on every side, and by 10%
// on one of the four sides.
constexpr size_t CropCount = 6;

// The signs of the 64 coefficients of a pattern's cosine transform: the bits
// of those clearly above zero, and of those clearly below; a coefficient near
// zero is in neither, so that noise does not flip it. The pattern's hash in
// every orientation follows from them.
struct CoefficientSigns {
    uint64_t Positive = 0;
    uint64_t Negative = 0;
    auto operator<=>(const CoefficientSigns&) const = default;
};

// What is kept of a picture: the signs of its upright pattern (Frames[0])
// and of its parts (Frames[1 + k]), and its mean colour.
struct PictureSigns {
    std::array<CoefficientSigns, 1 + CropCount> Frames{};
    std::array<uint8_t, 3> Tone{}; // mean red, green, blue
};

// The hashes compared: Hashes[t] the whole picture in orientation t,
// Crops[t][k] part k of the picture in orientation t. Turning or mirroring
// a part gives a part of the turned picture, so Crops[t] are the parts of
// the picture shown in orientation t.
// Telling[0] and Telling[1 + k]: how many coefficients of the whole picture
// and of part k are not near zero (the same in every orientation).
struct Signature {
    std::array<uint64_t, Orientations> Hashes{};
    std::array<std::array<uint64_t, CropCount>, Orientations> Crops{};
    std::array<uint8_t, 1 + CropCount> Telling{};
    std::array<uint8_t, 3> Tone{}; // mean red, green, blue
};

PictureSigns MakePictureSigns(const Thumbnail& thumbnail);
Signature Expand(const PictureSigns& signs);
inline Signature MakeSignature(const Thumbnail& thumbnail)
{
    return Expand(MakePictureSigns(thumbnail));
}

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
