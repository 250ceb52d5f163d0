#include "imaging/Grouping.h"
#include "imaging/Orientation.h"
#include "imaging/Signature.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>

using namespace ImageClonarium;

namespace {

// The part of a picture shown by a copy cut down to it: the share of the
// width or height cut off each side.
struct Cut {
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Smooth blobs over a picture, like one reduced to its thumbnail; its part
// `cut`, or with `stamp` cells in the bottom right corner made white.
Thumbnail Pattern(uint32_t seed, Cut cut = {}, int stamp = 0)
{
    std::mt19937 random(seed);
    Thumbnail thumb;
    double cx[6], cy[6], weight[6];
    for (int i = 0; i < 6; ++i) {
        cx[i] = (random() % 1000) / 1000.0;
        cy[i] = (random() % 1000) / 1000.0;
        weight[i] = double(random() % 200) - 100;
    }
    for (int row = 0; row < ThumbSide; ++row) {
        for (int column = 0; column < ThumbSide; ++column) {
            const double x = cut.Left + (1 - cut.Left - cut.Right) * (column + 0.5) / ThumbSide;
            const double y = cut.Top + (1 - cut.Top - cut.Bottom) * (row + 0.5) / ThumbSide;
            double v = 128;
            for (int i = 0; i < 6; ++i) {
                v += weight[i] * std::exp(-((x - cx[i]) * (x - cx[i]) + (y - cy[i]) * (y - cy[i])) / 0.015);
            }
            if (row >= ThumbSide - stamp && column >= ThumbSide - 3 * stamp) {
                v = 255;
            }
            thumb.Cells[row * ThumbSide + column] = {float(v), float(v), float(v)};
        }
    }
    thumb.MeanRgb = {120, 130, 140};
    return thumb;
}

// The bits in which two pictures differ, cropping and turning allowed.
int Apart(const Thumbnail& a, const Thumbnail& b)
{
    Likeness likeness;
    likeness.Rotations = likeness.Mirrors = true;
    return Distance(MakeSignature(a), MakeSignature(b), likeness);
}

std::string Le16(uint16_t v)
{
    return {char(v & 0xFF), char(v >> 8)};
}
std::string Le32(uint32_t v)
{
    return Le16(uint16_t(v & 0xFFFF)) + Le16(uint16_t(v >> 16));
}
std::string Be16(uint16_t v)
{
    return {char(v >> 8), char(v & 0xFF)};
}
std::string Be32(uint32_t v)
{
    return Be16(uint16_t(v >> 16)) + Be16(uint16_t(v & 0xFFFF));
}

std::string LittleTiff(uint16_t orientation)
{
    return "II" + Le16(42) + Le32(8) + Le16(2) + Le16(0x0100) + Le16(3) + Le32(1) + Le32(64) + Le16(0x0112) + Le16(3) +
           Le32(1) + Le16(orientation) + Le16(0) + Le32(0);
}

std::string Jpeg(const std::string& tiff)
{
    const std::string body = std::string("Exif\0\0", 6) + tiff;
    const std::string jfif = "\xFF\xE0" + Be16(16) + std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14);
    return "\xFF\xD8" + jfif + "\xFF\xE1" + Be16(uint16_t(body.size() + 2)) + body + "\xFF\xDA" + Be16(2);
}

std::span<const uint8_t> Bytes(const std::string& s)
{
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

} // namespace

TEST(Signature, IgnoresBrightnessAndContrastButNotThePattern)
{
    const Thumbnail thumb = Pattern(1);
    const Signature base = MakeSignature(thumb);
    EXPECT_GT(std::popcount(base.Frames[0].Positive), 16);
    EXPECT_LT(std::popcount(base.Frames[0].Positive), 48);

    Thumbnail changed = thumb;
    for (auto& cell : changed.Cells) {
        for (auto& v : cell) {
            v = v * 1.25f + 12;
        }
    }
    EXPECT_EQ(MakeSignature(changed).Frames[0].Positive, base.Frames[0].Positive);

    const Signature other = MakeSignature(Pattern(2));
    EXPECT_GT(std::popcount(other.Frames[0].Positive ^ base.Frames[0].Positive), 12);
    EXPECT_EQ(base.Tone, (std::array<uint8_t, 3>{120, 130, 140}));
}

TEST(Signature, TurnedHashesAreTheHashesOfTheTurnedPicture)
{
    const Thumbnail thumb = Pattern(3);
    const Signature base = MakeSignature(thumb);
    std::vector<Rgb> cells(thumb.Cells.begin(), thumb.Cells.end());
    for (int turns = 1; turns < 4; ++turns) {
        // Orientation 6 is a clockwise quarter turn.
        cells = Orient(cells, ThumbSide, ThumbSide, 6);
        Thumbnail turned = thumb;
        std::copy(cells.begin(), cells.end(), turned.Cells.begin());
        EXPECT_EQ(MakeSignature(turned).Frames[0], Oriented(base.Frames[0], turns)) << turns << " turns";
        EXPECT_NE(OrientedHashes(base, true).In(turns)[0], base.Frames[0].Positive);
    }
}

// The mirrored hashes come from the picture's own transform; they must be
// what transforming the mirror image itself gives.
TEST(Signature, MirroredHashesAreTheHashesOfTheMirrorImage)
{
    const Thumbnail thumb = Pattern(4);
    const Signature base = MakeSignature(thumb);
    std::vector<Rgb> turned(thumb.Cells.begin(), thumb.Cells.end());
    for (size_t turns = 0; turns < FirstMirrored; ++turns) {
        // Orientation 2 is mirrored left to right, 6 a clockwise quarter turn.
        const std::vector<Rgb> mirrored = Orient(turned, ThumbSide, ThumbSide, 2);
        Thumbnail picture = thumb;
        std::copy(mirrored.begin(), mirrored.end(), picture.Cells.begin());
        EXPECT_EQ(MakeSignature(picture).Frames[0], Oriented(base.Frames[0], FirstMirrored + turns))
            << turns << " turns";
        EXPECT_GT(std::popcount(OrientedHashes(base, true).In(FirstMirrored + turns)[0] ^
                                OrientedHashes(base, true).In(turns)[0]),
            12);
        turned = Orient(turned, ThumbSide, ThumbSide, 6);
    }
}

// Copies cut down by up to 8% on every side or 10% on one, or stamped in a
// corner, stay within the default threshold; other pictures do not come near.
TEST(Signature, CropsAndCornerStampsKeepThePattern)
{
    const int threshold = HashThreshold(85);
    for (uint32_t seed = 10; seed < 16; ++seed) {
        const Thumbnail whole = Pattern(seed);
        for (const Cut cut : {Cut{0.02, 0.02, 0.02, 0.02}, Cut{0.04, 0.04, 0.04, 0.04}, Cut{0.06, 0.06, 0.06, 0.06},
                 Cut{0.08, 0.08, 0.08, 0.08}, Cut{0.1, 0, 0, 0}, Cut{0, 0, 0, 0.1}, Cut{0.05, 0, 0, 0},
                 Cut{0.08, 0, 0.03, 0.05}}) {
            EXPECT_LE(Apart(whole, Pattern(seed, cut)), threshold)
                << seed << ": " << cut.Left << " " << cut.Top << " " << cut.Right << " " << cut.Bottom;
        }
        // 6 x 18 of 64 x 64 cells: 2.6% of the picture.
        EXPECT_LE(Apart(whole, Pattern(seed, {}, 6)), threshold) << seed;
        // A crop of a turned copy, and two crops of one picture.
        std::vector<Rgb> cells(whole.Cells.begin(), whole.Cells.end());
        cells = Orient(cells, ThumbSide, ThumbSide, 6);
        Thumbnail turned = whole;
        std::copy(cells.begin(), cells.end(), turned.Cells.begin());
        EXPECT_LE(Apart(turned, Pattern(seed, {0.08, 0.08, 0.08, 0.08})), threshold) << seed;
        EXPECT_LE(Apart(Pattern(seed, {0.04, 0.04, 0.04, 0.04}), Pattern(seed, {0.1, 0, 0, 0})), threshold) << seed;
        for (uint32_t other = seed + 1; other < 16; ++other) {
            EXPECT_GT(Apart(whole, Pattern(other)), threshold + 4) << seed << " and " << other;
        }
    }
}

// Half the coefficients of a symmetric picture are zero; noise must not
// decide their bits.
TEST(Signature, SymmetricPicturesHashStably)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1.5f, 1.5f);
    for (uint32_t seed = 20; seed < 26; ++seed) {
        Thumbnail symmetric = Pattern(seed);
        for (int y = 0; y < ThumbSide; ++y) {
            for (int x = ThumbSide / 2; x < ThumbSide; ++x) {
                symmetric.Cells[y * ThumbSide + x] = symmetric.Cells[y * ThumbSide + ThumbSide - 1 - x];
            }
        }
        Thumbnail noisy = symmetric;
        for (auto& cell : noisy.Cells) {
            const float change = noise(random);
            cell = {cell[0] + change, cell[1] + change, cell[2] + change};
        }
        const Signature signs = MakeSignature(symmetric);
        EXPECT_LE(std::popcount(signs.Frames[0].Positive | signs.Frames[0].Negative), 40)
            << seed << ": the odd horizontal frequencies are near zero";
        EXPECT_LE(
            std::popcount(MakeSignature(noisy).Frames[0].Positive ^ MakeSignature(symmetric).Frames[0].Positive), 2)
            << seed;
    }
}

TEST(Signature, FlatPicturesHaveNoPattern)
{
    Thumbnail flat;
    flat.Cells.fill({200.5f, 200.5f, 200.5f});
    flat.Cells[17] = {201.0f, 201.0f, 201.0f}; // below any visible difference
    const Signature s = MakeSignature(flat);
    EXPECT_EQ(s.Frames, decltype(s.Frames){});
}

TEST(Signature, PatternsOfColourAloneAreHashedToo)
{
    // The blobs in red against green of (almost) the same lightness.
    const Thumbnail blobs = Pattern(4);
    auto colourOnly = [&](float lighten) {
        Thumbnail thumb;
        for (size_t i = 0; i < thumb.Cells.size(); ++i) {
            const float t = (blobs.Cells[i][0] - 28) / 200; // about 0 to 1
            thumb.Cells[i] = {100 + 80 * t + lighten, 141 - 41 * t + lighten, 60 + lighten};
        }
        thumb.MeanRgb = {140, 120, 60};
        return thumb;
    };
    const Signature s = MakeSignature(colourOnly(0));
    EXPECT_NE(s.Frames[0].Positive, 0u);
    EXPECT_EQ(MakeSignature(colourOnly(15)).Frames[0].Positive, s.Frames[0].Positive) << "lighter, same pattern";
    EXPECT_EQ(s.Frames[0].Positive, MakeSignature(blobs).Frames[0].Positive) << "the pattern of the blobs themselves";
}

TEST(ThumbnailBuilder, AveragesCellsAndFillsThoseOfTinyPictures)
{
    // 64 x 2 pixels: left half black, right half white, opaque.
    std::vector<uint8_t> pixels(64 * 2 * 4);
    for (size_t x = 32; x < 64; ++x) {
        for (size_t y = 0; y < 2; ++y) {
            uint8_t* p = &pixels[(y * 64 + x) * 4];
            p[0] = p[1] = p[2] = 255;
        }
    }
    for (size_t i = 3; i < pixels.size(); i += 4) {
        pixels[i] = 255;
    }
    ThumbnailBuilder builder(64, 2);
    builder.AddRows(pixels.data(), 64 * 4, 0, 1);
    builder.AddRows(pixels.data() + 64 * 4, 64 * 4, 1, 1);
    const Thumbnail thumb = builder.Finish();
    for (int y = 0; y < ThumbSide; ++y) {
        EXPECT_FLOAT_EQ(Luma(thumb.Cells[y * ThumbSide + 0]), 0.0f);
        EXPECT_NEAR(Luma(thumb.Cells[y * ThumbSide + ThumbSide - 1]), 255.0f, 0.01);
    }
    EXPECT_NEAR(thumb.MeanRgb[0], 127.5f, 0.01);

    // Transparent pixels count as white.
    std::vector<uint8_t> clear(4, 0);
    ThumbnailBuilder one(1, 1);
    one.AddRows(clear.data(), 4, 0, 1);
    const Thumbnail white = one.Finish();
    EXPECT_NEAR(Luma(white.Cells[0]), 255.0f, 0.01);
    EXPECT_NEAR(Luma(white.Cells[ThumbSide * ThumbSide - 1]), 255.0f, 0.01);
}

TEST(Orientation, ReadFromJpegAndTiffInBothByteOrders)
{
    EXPECT_EQ(ReadOrientation(Bytes(Jpeg(LittleTiff(6)))), 6);
    EXPECT_EQ(ReadOrientation(Bytes(LittleTiff(8))), 8);
    const std::string big =
        "MM" + Be16(42) + Be32(8) + Be16(1) + Be16(0x0112) + Be16(3) + Be32(1) + Be16(3) + Be16(0) + Be32(0);
    EXPECT_EQ(ReadOrientation(Bytes(Jpeg(big))), 3);
    EXPECT_EQ(ReadOrientation(Bytes(big)), 3);
}

TEST(Orientation, DamagedOrMissingTagsMeanUpright)
{
    const std::string good = Jpeg(LittleTiff(6));
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const Orientation o = ReadOrientation(Bytes(good.substr(0, cut)));
        EXPECT_TRUE(o == Upright || o == 6) << "cut at " << cut;
    }
    EXPECT_EQ(ReadOrientation(Bytes(Jpeg(LittleTiff(9)))), Upright) << "out of range";
    EXPECT_EQ(ReadOrientation(Bytes(Jpeg(LittleTiff(0)))), Upright);
    // A directory offset far past the end, and an entry count past the end.
    EXPECT_EQ(ReadOrientation(Bytes("II" + Le16(42) + Le32(0xFFFFFFF0u) + Le16(1))), Upright);
    EXPECT_EQ(ReadOrientation(Bytes("II" + Le16(42) + Le32(8) + Le16(60000) + std::string(20, '\0'))), Upright);
    // A directory whose first entry would end past the data: the bytes after
    // it, which happen to hold an orientation entry, are not the data's.
    const std::string beyond = "II" + Le16(42) + Le32(8) + Le16(1) + Le16(0x0112) + Le16(3) + Le32(1) + Le16(6);
    EXPECT_EQ(ReadOrientation(Bytes(beyond).first(10)), Upright);
    EXPECT_EQ(ReadOrientation(Bytes(beyond).first(11)), Upright);
    // A segment length that runs past the end of the file.
    EXPECT_EQ(ReadOrientation(Bytes(std::string("\xFF\xD8\xFF\xE1\xFF\xFF"
                                                "Exif",
                  10))),
        Upright);
    EXPECT_EQ(ReadOrientation(Bytes("\x89PNG\r\n\x1A\n" + std::string(40, '\0'))), Upright);
    EXPECT_EQ(ReadOrientation({}), Upright);
}

TEST(Orientation, TurnsAndMirrorsGrids)
{
    // 3 x 2:   a b c
    //          d e f
    const std::vector<char> grid = {'a', 'b', 'c', 'd', 'e', 'f'};
    auto text = [](const std::vector<char>& cells) { return std::string(cells.begin(), cells.end()); };
    EXPECT_EQ(text(Orient(grid, 3, 2, 1)), "abcdef");
    EXPECT_EQ(text(Orient(grid, 3, 2, 2)), "cbafed");
    EXPECT_EQ(text(Orient(grid, 3, 2, 3)), "fedcba");
    EXPECT_EQ(text(Orient(grid, 3, 2, 4)), "defabc");
    EXPECT_EQ(text(Orient(grid, 3, 2, 5)), "adbecf"); // transposed, 2 x 3
    EXPECT_EQ(text(Orient(grid, 3, 2, 6)), "daebfc"); // clockwise
    EXPECT_EQ(text(Orient(grid, 3, 2, 7)), "fcebda");
    EXPECT_EQ(text(Orient(grid, 3, 2, 8)), "cfbead"); // anticlockwise
    EXPECT_TRUE(SwapsSides(6) && !SwapsSides(3));
}
