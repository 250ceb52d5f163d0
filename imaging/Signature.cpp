#include "imaging/Signature.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace ImageClonarium {

namespace {

// The side of the grids that are hashed.
constexpr int N = 32;
// The hashes use frequencies up to this, from 0, the mean.
constexpr int Frequencies = 11;

struct Cosines {
    double Table[Frequencies][N];
    Cosines()
    {
        for (int u = 0; u < Frequencies; ++u) {
            const double scale = u == 0 ? std::sqrt(1.0 / N) : std::sqrt(2.0 / N);
            for (int x = 0; x < N; ++x) {
                Table[u][x] = scale * std::cos((2 * x + 1) * u * std::numbers::pi / (2 * N));
            }
        }
    }
};
const Cosines cosines;

using Grid = std::array<float, N * N>;
using FineGrid = std::array<float, ThumbSide * ThumbSide>;

// A part of the picture: the share of its width or height cut off each side.
struct Frame {
    float Left, Top, Right, Bottom;
};
// The parts whose hashes are kept (Signature::Crops): a copy cut down by up
// to 8% on every side matches the whole picture or one of the first two;
// one cut down by up to 10% on one side, one of the others.
const std::array<Frame, CropCount> cropFrames = {{
    {0.04f, 0.04f, 0.04f, 0.04f},
    {0.08f, 0.08f, 0.08f, 0.08f},
    {0.10f, 0.0f, 0.0f, 0.0f},
    {0.0f, 0.10f, 0.0f, 0.0f},
    {0.0f, 0.0f, 0.10f, 0.0f},
    {0.0f, 0.0f, 0.0f, 0.10f},
}};

// Each of N cells along one side averages the fine cells from `begin` to
// `end` (in fine cells, fractions counting by their share).
struct Span {
    std::array<std::array<float, ThumbSide>, N> Weights{};
    Span(float begin, float end)
    {
        const float step = (end - begin) / N;
        for (int cell = 0; cell < N; ++cell) {
            const float from = begin + cell * step, to = from + step;
            for (int fine = int(from); fine < ThumbSide && fine < to; ++fine) {
                const float share = std::min<float>(to, fine + 1) - std::max<float>(from, fine);
                Weights[cell][fine] = std::max(0.0f, share) / step;
            }
        }
    }
};

// The part `frame` of the fine grid, resampled to N x N cells.
Grid Resample(const FineGrid& fine, const Frame& frame)
{
    const Span across(frame.Left * ThumbSide, (1 - frame.Right) * ThumbSide);
    const Span down(frame.Top * ThumbSide, (1 - frame.Bottom) * ThumbSide);
    // Along the rows first, then down the columns.
    std::array<float, ThumbSide * N> rows{};
    for (int y = 0; y < ThumbSide; ++y) {
        for (int c = 0; c < N; ++c) {
            float sum = 0;
            for (int x = 0; x < ThumbSide; ++x) {
                sum += across.Weights[c][x] * fine[y * ThumbSide + x];
            }
            rows[y * N + c] = sum;
        }
    }
    Grid grid{};
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            float sum = 0;
            for (int y = 0; y < ThumbSide; ++y) {
                sum += down.Weights[r][y] * rows[y * N + c];
            }
            grid[r * N + c] = sum;
        }
    }
    return grid;
}

// A hash is made of 64 coefficients of the cosine transform; these are
// their horizontal (u) and vertical (v) frequencies, in the hash's bit order:
// diagonals u + v = 1 to 10 but (5, 5). A turn or a mirror image maps the
// set onto itself.
struct Frequency {
    int U, V;
};
using Coefficients = std::array<double, 64>;

const std::array<Frequency, 64> coefficientFrequencies = [] {
    std::array<Frequency, 64> table{};
    size_t k = 0;
    for (int d = 1; d < Frequencies; ++d) {
        for (int u = 0; u <= d; ++u) {
            if (u != 5 || d != 10) {
                table[k++] = {u, d - u};
            }
        }
    }
    return table;
}();

size_t CoefficientAt(int u, int v)
{
    for (size_t k = 0; k < coefficientFrequencies.size(); ++k) {
        if (coefficientFrequencies[k].U == u && coefficientFrequencies[k].V == v) {
            return k;
        }
    }
    return 0; // not reached: the set maps onto itself
}

// A date or a logo stamped in a corner must not keep a copy apart, so the
// corners, squares of nearly a third of each side (the same in every
// orientation), are left out of every hash: they count as the mean of the
// rest. A stamp over 5% of the picture, say a third of its width and a
// sixth of its height, lies inside one. (A quarter of each side left half
// the stamped photographs of tools/bench apart; a third, none, and no two
// different pictures came nearer.)
constexpr int CornerCells = 10;

Grid WithoutCorners(Grid grid)
{
    auto inCorner = [](int x, int y) {
        return (x < CornerCells || x >= N - CornerCells) && (y < CornerCells || y >= N - CornerCells);
    };
    double sum = 0;
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            sum += inCorner(x, y) ? 0 : grid[y * N + x];
        }
    }
    const float mean = float(sum / (N * N - 4 * CornerCells * CornerCells));
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            if (inCorner(x, y)) {
                grid[y * N + x] = mean;
            }
        }
    }
    return grid;
}

Coefficients Transform(const Grid& luma)
{
    // Row transform first (frequencies along x), then along y.
    double rows[N][Frequencies];
    for (int y = 0; y < N; ++y) {
        for (int u = 0; u < Frequencies; ++u) {
            double sum = 0;
            for (int x = 0; x < N; ++x) {
                sum += cosines.Table[u][x] * luma[y * N + x];
            }
            rows[y][u] = sum;
        }
    }
    Coefficients coefficients;
    for (size_t k = 0; k < coefficients.size(); ++k) {
        const auto [u, v] = coefficientFrequencies[k];
        double sum = 0;
        for (int y = 0; y < N; ++y) {
            sum += cosines.Table[v][y] * rows[y][u];
        }
        coefficients[k] = sum;
    }
    return coefficients;
}

// A coefficient within this share of the mean size of all 64 from zero is
// near zero. A symmetric picture has about half its coefficients at zero,
// and their signs would be noise.
constexpr double NearZero = 0.1;

CoefficientSigns Signs(const Coefficients& coefficients)
{
    double size = 0;
    for (const double coefficient : coefficients) {
        size += std::abs(coefficient) / coefficients.size();
    }
    const double nearZero = NearZero * size;
    CoefficientSigns signs;
    for (size_t k = 0; k < coefficients.size(); ++k) {
        if (coefficients[k] > nearZero) {
            signs.Positive |= uint64_t(1) << k;
        } else if (coefficients[k] < -nearZero) {
            signs.Negative |= uint64_t(1) << k;
        }
    }
    return signs;
}

// Coefficient k of a pattern in some orientation is coefficient k of the
// upright pattern, or of the upright pattern's transpose (the coefficient at
// (v, u) where k stands for (u, v)), negated where bit k of Negated is set. A
// clockwise quarter turn makes coefficient (u, v) of (-1)^u times (v, u); a
// mirror image left to right, (-1)^u times (u, v): cos((2 (N - 1 - x) + 1) u
// pi / 2N) = (-1)^u cos((2x + 1) u pi / 2N). So half turns and mirror images
// move no coefficient; quarter turns transpose them.
struct Reordering {
    bool Transposed = false;
    uint64_t Negated = 0;
};

const std::array<Reordering, Orientations> reorderings = [] {
    uint64_t oddU = 0; // the coefficients that change sign with a mirror image
    for (size_t k = 0; k < 64; ++k) {
        oddU |= uint64_t(coefficientFrequencies[k].U & 1) << k;
    }
    auto turned = [&](const Reordering& before) {
        // Transposing first moves the signs already flipped along; the turn
        // then flips odd u of the moved coefficients.
        Reordering after{!before.Transposed, 0};
        for (size_t k = 0; k < 64; ++k) {
            const auto [u, v] = coefficientFrequencies[k];
            after.Negated |= ((before.Negated >> CoefficientAt(v, u) & 1) ^ uint64_t(u & 1)) << k;
        }
        return after;
    };
    std::array<Reordering, Orientations> table{};
    for (size_t turn = 1; turn < FirstMirrored; ++turn) {
        table[turn] = turned(table[turn - 1]);
    }
    for (size_t turn = 0; turn < FirstMirrored; ++turn) {
        table[FirstMirrored + turn] = {table[turn].Transposed, table[turn].Negated ^ oddU};
    }
    return table;
}();

// The bits of a set of coefficients moved to their transposed places, a byte
// at a time.
const std::array<std::array<uint64_t, 256>, 8> transposedBytes = [] {
    std::array<std::array<uint64_t, 256>, 8> table{};
    for (size_t byte = 0; byte < 8; ++byte) {
        for (size_t value = 0; value < 256; ++value) {
            for (size_t bit = 0; bit < 8; ++bit) {
                if ((value >> bit & 1) != 0) {
                    const auto [u, v] = coefficientFrequencies[byte * 8 + bit];
                    table[byte][value] |= uint64_t(1) << CoefficientAt(v, u);
                }
            }
        }
    }
    return table;
}();

uint64_t Transposed(uint64_t bits)
{
    uint64_t moved = 0;
    for (size_t byte = 0; byte < 8; ++byte) {
        moved |= transposedBytes[byte][(bits >> (8 * byte)) & 0xFF];
    }
    return moved;
}

// Less difference than this (of 255) between the darkest and the lightest
// cell is no pattern: its bits would be noise.
constexpr float MinimumSpread = 2.0f;

template <typename Cells>
float Spread(const Cells& grid)
{
    const auto [low, high] = std::minmax_element(grid.begin(), grid.end());
    return *high - *low;
}

FineGrid Project(const Thumbnail& thumbnail, const Rgb& axis)
{
    FineGrid grid;
    for (size_t i = 0; i < grid.size(); ++i) {
        const Rgb& c = thumbnail.Cells[i];
        grid[i] = axis[0] * c[0] + axis[1] * c[1] + axis[2] * c[2];
    }
    return grid;
}

// The direction in colour space along which the cells vary most (power
// iteration on their covariance), turned so that its largest component is
// positive: the same picture lighter or with more contrast gives the same one.
Rgb MainColourAxis(const Thumbnail& thumbnail)
{
    double mean[3] = {}, covariance[3][3] = {};
    for (const Rgb& c : thumbnail.Cells) {
        for (int i = 0; i < 3; ++i) {
            mean[i] += c[i] / double(thumbnail.Cells.size());
        }
    }
    for (const Rgb& c : thumbnail.Cells) {
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                covariance[i][j] += (c[i] - mean[i]) * (c[j] - mean[j]);
            }
        }
    }
    double axis[3] = {0.6, 0.58, 0.55};
    for (int step = 0; step < 50; ++step) {
        double next[3] = {};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                next[i] += covariance[i][j] * axis[j];
            }
        }
        const double length = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2]);
        if (length == 0) {
            return {};
        }
        for (int i = 0; i < 3; ++i) {
            axis[i] = next[i] / length;
        }
    }
    const int largest =
        int(std::max_element(axis, axis + 3, [](double a, double b) { return std::abs(a) < std::abs(b); }) - axis);
    const double sign = axis[largest] < 0 ? -1 : 1;
    return {float(sign * axis[0]), float(sign * axis[1]), float(sign * axis[2])};
}

} // namespace

CoefficientSigns Oriented(const CoefficientSigns& upright, size_t orientation)
{
    const Reordering& reordering = reorderings[orientation];
    const uint64_t positive = reordering.Transposed ? Transposed(upright.Positive) : upright.Positive;
    const uint64_t negative = reordering.Transposed ? Transposed(upright.Negative) : upright.Negative;
    const uint64_t flipped = reordering.Negated;
    return {(positive & ~flipped) | (negative & flipped), (negative & ~flipped) | (positive & flipped)};
}

OrientedHashes::OrientedHashes(const Signature& signature, bool turns) : signature_(signature)
{
    for (size_t frame = 0; turns && frame < transposed_.size(); ++frame) {
        transposed_[frame] = {
            Transposed(signature.Frames[frame].Positive), Transposed(signature.Frames[frame].Negative)};
    }
}

FrameHashes OrientedHashes::In(size_t orientation) const
{
    const Reordering& reordering = reorderings[orientation];
    const auto& frames = reordering.Transposed ? transposed_ : signature_.Frames;
    const uint64_t flipped = reordering.Negated;
    FrameHashes hashes;
    for (size_t frame = 0; frame < hashes.size(); ++frame) {
        hashes[frame] = (frames[frame].Positive & ~flipped) | (frames[frame].Negative & flipped);
    }
    return hashes;
}

Signature MakeSignature(const Thumbnail& thumbnail)
{
    Signature signature;
    for (size_t i = 0; i < 3; ++i) {
        signature.Tone[i] = uint8_t(std::clamp(std::lround(thumbnail.MeanRgb[i]), 0L, 255L));
    }
    FineGrid fine;
    for (size_t i = 0; i < fine.size(); ++i) {
        fine[i] = Luma(thumbnail.Cells[i]);
    }
    if (Spread(fine) < MinimumSpread) {
        fine = Project(thumbnail, MainColourAxis(thumbnail));
        if (Spread(fine) < MinimumSpread) {
            return signature; // one flat colour
        }
    }
    signature.Frames[0] = Signs(Transform(WithoutCorners(Resample(fine, {0, 0, 0, 0}))));
    for (size_t k = 0; k < CropCount; ++k) {
        signature.Frames[1 + k] = Signs(Transform(WithoutCorners(Resample(fine, cropFrames[k]))));
    }
    return signature;
}

ThumbnailBuilder::ThumbnailBuilder(uint32_t width, uint32_t height)
    : width_(width), height_(height), columnCell_(width), rowCell_(height)
{
    for (uint32_t x = 0; x < width; ++x) {
        columnCell_[x] = uint16_t(uint64_t(x) * ThumbSide / width);
    }
    for (uint32_t y = 0; y < height; ++y) {
        rowCell_[y] = uint16_t(uint64_t(y) * ThumbSide / height);
    }
    // Cell c covers columns firstColumn_[c] to firstColumn_[c + 1] - 1 (none
    // when the picture is narrower than the grid).
    for (int c = 0; c <= ThumbSide; ++c) {
        firstColumn_[c] = uint32_t((uint64_t(c) * width + ThumbSide - 1) / ThumbSide);
    }
}

void ThumbnailBuilder::AddRows(const uint8_t* pixels, size_t stride, uint32_t firstRow, uint32_t rows)
{
    for (uint32_t r = 0; r < rows && firstRow + r < height_; ++r) {
        const uint8_t* row = pixels + r * stride;
        const size_t cellRow = size_t(rowCell_[firstRow + r]) * ThumbSide;
        for (int c = 0; c < ThumbSide; ++c) {
            uint64_t red = 0, green = 0, blue = 0;
            for (uint32_t x = firstColumn_[c]; x < firstColumn_[c + 1]; ++x) {
                const uint8_t* p = row + size_t(x) * 4;
                const uint32_t alpha = p[3];
                if (alpha == 255) {
                    red += p[2];
                    green += p[1];
                    blue += p[0];
                } else {
                    // Transparent parts are seen against white.
                    const uint32_t white = 255 * (255 - alpha);
                    red += (p[2] * alpha + white) / 255;
                    green += (p[1] * alpha + white) / 255;
                    blue += (p[0] * alpha + white) / 255;
                }
            }
            auto& cell = sums_[cellRow + c];
            cell[0] += red;
            cell[1] += green;
            cell[2] += blue;
            count_[cellRow + c] += firstColumn_[c + 1] - firstColumn_[c];
        }
    }
}

Thumbnail ThumbnailBuilder::Finish() const
{
    Thumbnail thumbnail;
    const double pixels = double(width_) * height_;
    for (size_t i = 0; i < 3; ++i) {
        uint64_t sum = 0;
        for (const auto& cell : sums_) {
            sum += cell[i];
        }
        thumbnail.MeanRgb[i] = pixels > 0 ? float(sum / pixels) : 0.0f;
    }
    for (int r = 0; r < ThumbSide; ++r) {
        for (int c = 0; c < ThumbSide; ++c) {
            size_t cell = size_t(r) * ThumbSide + c;
            if (count_[cell] == 0 && width_ > 0 && height_ > 0) {
                // A picture narrower or lower than the grid leaves cells empty:
                // they take the cell of the pixel under their centre.
                const size_t x = std::min<size_t>(width_ - 1, (2 * size_t(c) + 1) * width_ / (2 * ThumbSide));
                const size_t y = std::min<size_t>(height_ - 1, (2 * size_t(r) + 1) * height_ / (2 * ThumbSide));
                cell = size_t(rowCell_[y]) * ThumbSide + columnCell_[x];
            }
            for (int k = 0; k < 3 && count_[cell] > 0; ++k) {
                thumbnail.Cells[size_t(r) * ThumbSide + c][k] = float(double(sums_[cell][k]) / count_[cell]);
            }
        }
    }
    return thumbnail;
}

} // namespace ImageClonarium
