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

uint64_t Hash(const Grid& luma)
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
    std::array<double, 64> coefficients;
    size_t k = 0;
    for (int d = 1; d < Frequencies && k < coefficients.size(); ++d) {
        for (int u = 0; u <= d && k < coefficients.size(); ++u) {
            const int v = d - u;
            double sum = 0;
            for (int y = 0; y < N; ++y) {
                sum += cosines.Table[v][y] * rows[y][u];
            }
            coefficients[k++] = sum;
        }
    }
    // Each bit: is the coefficient above the median? Brightness moves only the
    // mean and contrast scales every coefficient alike, so neither moves a bit.
    std::array<double, 64> sorted = coefficients;
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

} // namespace

Signature MakeSignature(const Thumbnail& thumbnail)
{
    Signature signature;
    for (size_t i = 0; i < 3; ++i) {
        signature.Tone[i] = uint8_t(std::clamp(std::lround(thumbnail.MeanRgb[i]), 0L, 255L));
    }
    // A picture of one flat colour has no pattern; its bits would be noise.
    const auto [low, high] = std::minmax_element(thumbnail.Luma.begin(), thumbnail.Luma.end());
    if (*high - *low < 2.0f) {
        return signature;
    }
    Grid grid = thumbnail.Luma;
    for (auto& hash : signature.Hashes) {
        hash = Hash(grid);
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
}

void ThumbnailBuilder::AddRows(const uint8_t* pixels, size_t stride, uint32_t firstRow, uint32_t rows)
{
    for (uint32_t r = 0; r < rows && firstRow + r < height_; ++r) {
        const uint8_t* p = pixels + r * stride;
        const size_t cellRow = size_t(rowCell_[firstRow + r]) * N;
        for (uint32_t x = 0; x < width_; ++x, p += 4) {
            // Transparent parts are seen against white.
            const uint32_t alpha = p[3], white = 255 * (255 - alpha);
            const double b = (p[0] * alpha + white) / 255.0;
            const double g = (p[1] * alpha + white) / 255.0;
            const double red = (p[2] * alpha + white) / 255.0;
            const size_t cell = cellRow + columnCell_[x];
            luma_[cell] += 0.299 * red + 0.587 * g + 0.114 * b;
            ++count_[cell];
            rgb_[0] += red;
            rgb_[1] += g;
            rgb_[2] += b;
        }
    }
}

Thumbnail ThumbnailBuilder::Finish() const
{
    Thumbnail thumbnail;
    const double pixels = double(width_) * height_;
    for (size_t i = 0; i < 3; ++i) {
        thumbnail.MeanRgb[i] = pixels > 0 ? float(rgb_[i] / pixels) : 0.0f;
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
            thumbnail.Luma[size_t(r) * N + c] = count_[cell] > 0 ? float(luma_[cell] / count_[cell]) : 0.0f;
        }
    }
    return thumbnail;
}

} // namespace ImageClonarium
