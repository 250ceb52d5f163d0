#include "imaging/Signature.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ImageClonarium {

namespace {

constexpr int N = ThumbSide;
// The hash uses the 64 lowest frequencies of the cosine transform after the
// mean: diagonals u + v = 1 to 9 (54 of them) and ten of the tenth.
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

Grid TurnClockwise(const Grid& cells)
{
    Grid out;
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            out[r * N + c] = cells[(N - 1 - c) * N + r];
        }
    }
    return out;
}

// A hash is made of 64 coefficients of the cosine transform; these are
// their horizontal (u) and vertical (v) frequencies, in the hash's bit order.
struct Frequency {
    int U, V;
};
using Coefficients = std::array<double, 64>;

const std::array<Frequency, 64> coefficientFrequencies = [] {
    std::array<Frequency, 64> table{};
    size_t k = 0;
    for (int d = 1; d < Frequencies && k < table.size(); ++d) {
        for (int u = 0; u <= d && k < table.size(); ++u) {
            table[k++] = {u, d - u};
        }
    }
    return table;
}();

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

// The transform of the pattern mirrored left to right, without transforming
// it again: cos((2 (N - 1 - x) + 1) u pi / 2N) = (-1)^u cos((2x + 1) u pi / 2N),
// so the coefficients of odd horizontal frequencies change sign.
Coefficients MirroredLeftToRight(Coefficients coefficients)
{
    for (size_t k = 0; k < coefficients.size(); ++k) {
        if (coefficientFrequencies[k].U % 2 != 0) {
            coefficients[k] = -coefficients[k];
        }
    }
    return coefficients;
}

uint64_t Hash(const Coefficients& coefficients)
{
    // Each bit: is the coefficient above the median? Brightness moves only the
    // mean and contrast scales every coefficient alike, so neither moves a bit.
    Coefficients sorted = coefficients;
    std::nth_element(sorted.begin(), sorted.begin() + 32, sorted.end());
    const double median = sorted[32];
    uint64_t hash = 0;
    for (size_t i = 0; i < coefficients.size(); ++i) {
        if (coefficients[i] >= median) {
            hash |= uint64_t(1) << i;
        }
    }
    return hash;
}

// Less difference than this (of 255) between the darkest and the lightest
// cell is no pattern: its bits would be noise.
constexpr float MinimumSpread = 2.0f;

float Spread(const Grid& grid)
{
    const auto [low, high] = std::minmax_element(grid.begin(), grid.end());
    return *high - *low;
}

Grid Project(const Thumbnail& thumbnail, const Rgb& axis)
{
    Grid grid;
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

Signature MakeSignature(const Thumbnail& thumbnail)
{
    Signature signature;
    for (size_t i = 0; i < 3; ++i) {
        signature.Tone[i] = uint8_t(std::clamp(std::lround(thumbnail.MeanRgb[i]), 0L, 255L));
    }
    Grid grid;
    for (size_t i = 0; i < grid.size(); ++i) {
        grid[i] = Luma(thumbnail.Cells[i]);
    }
    if (Spread(grid) < MinimumSpread) {
        grid = Project(thumbnail, MainColourAxis(thumbnail));
        if (Spread(grid) < MinimumSpread) {
            return signature; // one flat colour
        }
    }
    for (size_t turn = 0; turn < FirstMirrored; ++turn) {
        const Coefficients coefficients = Transform(grid);
        signature.Hashes[turn] = Hash(coefficients);
        signature.Hashes[FirstMirrored + turn] = Hash(MirroredLeftToRight(coefficients));
        grid = TurnClockwise(grid);
    }
    return signature;
}

ThumbnailBuilder::ThumbnailBuilder(uint32_t width, uint32_t height)
    : width_(width), height_(height), columnCell_(width), rowCell_(height)
{
    for (uint32_t x = 0; x < width; ++x) {
        columnCell_[x] = uint16_t(uint64_t(x) * N / width);
    }
    for (uint32_t y = 0; y < height; ++y) {
        rowCell_[y] = uint16_t(uint64_t(y) * N / height);
    }
    // Cell c covers columns firstColumn_[c] to firstColumn_[c + 1] - 1 (none
    // when the picture is narrower than the grid).
    for (int c = 0; c <= N; ++c) {
        firstColumn_[c] = uint32_t((uint64_t(c) * width + N - 1) / N);
    }
}

void ThumbnailBuilder::AddRows(const uint8_t* pixels, size_t stride, uint32_t firstRow, uint32_t rows)
{
    for (uint32_t r = 0; r < rows && firstRow + r < height_; ++r) {
        const uint8_t* row = pixels + r * stride;
        const size_t cellRow = size_t(rowCell_[firstRow + r]) * N;
        for (int c = 0; c < N; ++c) {
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
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            size_t cell = size_t(r) * N + c;
            if (count_[cell] == 0 && width_ > 0 && height_ > 0) {
                // A picture narrower or lower than the grid leaves cells empty:
                // they take the cell of the pixel under their centre.
                const size_t x = std::min<size_t>(width_ - 1, (2 * size_t(c) + 1) * width_ / (2 * N));
                const size_t y = std::min<size_t>(height_ - 1, (2 * size_t(r) + 1) * height_ / (2 * N));
                cell = size_t(rowCell_[y]) * N + columnCell_[x];
            }
            for (int k = 0; k < 3 && count_[cell] > 0; ++k) {
                thumbnail.Cells[size_t(r) * N + c][k] = float(double(sums_[cell][k]) / count_[cell]);
            }
        }
    }
    return thumbnail;
}

} // namespace ImageClonarium
