#pragma once
// The likeness signature of a picture: the signs of its brightness pattern's
// cosine transform, whose hash in any of eight orientations (turned by 0, 90,
// 180 or 270 degrees, each mirrored or not) follows from them, the same of
// parts of it, and its mean colour. A picture whose brightness is even throughout but
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

// The orientations of a pattern, numbered as hashes are compared: t (0 to 3)
// is the pattern turned clockwise by t quarter turns, FirstMirrored + t that
// turned pattern mirrored left to right. The upright pattern mirrored left to
// right is orientation 4, top to bottom 6.
constexpr size_t FirstMirrored = 4;
constexpr size_t Orientations = 2 * FirstMirrored;
// Parts of the picture whose patterns are kept as well: a copy cut down to
// one of them shows it whole. Cut by 4% and by 8% on every side, and by 10%
// on one of the four sides.
constexpr size_t CropCount = 6;

// The signs of the 64 coefficients of a pattern's cosine transform: the bits
// of those clearly above zero, and of those clearly below; a coefficient near
// zero is in neither, so that noise does not flip it. The bits above zero are
// the pattern's hash.
struct CoefficientSigns {
    uint64_t Positive = 0;
    uint64_t Negative = 0;
    auto operator<=>(const CoefficientSigns&) const = default;
};

// The signs of the pattern shown in `orientation`: a turn or a mirror image
// moves coefficients and flips their signs.
CoefficientSigns Oriented(const CoefficientSigns& upright, size_t orientation);

// What is kept and compared of a picture: the signs of its upright pattern
// (Frames[0]) and of its parts (Frames[1 + k]), and its mean colour. Hashes
// in the other orientations are made from them as pictures are compared;
// turning or mirroring a part gives a part of the turned picture.
struct Signature {
    std::array<CoefficientSigns, 1 + CropCount> Frames{};
    std::array<uint8_t, 3> Tone{}; // mean red, green, blue
    auto operator<=>(const Signature&) const = default;
};

Signature MakeSignature(const Thumbnail& thumbnail);

// The hashes of a signature's frames in one orientation: [0] the whole
// picture, [1 + k] part k.
using FrameHashes = std::array<uint64_t, 1 + CropCount>;

// A signature's hashes in its orientations. Quarter turns transpose the
// coefficients, which costs more than all else of a comparison: the frames
// are transposed once here (only with `turns`, which the quarter turns need)
// rather than for each turn.
class OrientedHashes {
public:
    OrientedHashes(const Signature& signature, bool turns);
    FrameHashes In(size_t orientation) const;

private:
    const Signature& signature_;
    std::array<CoefficientSigns, 1 + CropCount> transposed_{};
};

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
