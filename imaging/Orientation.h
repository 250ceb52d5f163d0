#pragma once
// The EXIF orientation of JPEG and TIFF files, and turning pixel grids so that
// pictures are compared and drawn as a viewer shows them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ImageClonarium {

// 1 (as stored) to 8, as the EXIF/TIFF Orientation tag numbers them.
using Orientation = uint16_t;
constexpr Orientation Upright = 1;

// The orientation recorded in a JPEG (APP1 "Exif") or TIFF file; Upright when
// there is none, the data is damaged or the value is out of range.
Orientation ReadOrientation(std::span<const uint8_t> file);

// Orientations 5 to 8 turn the picture by a quarter: width and height swap.
inline bool SwapsSides(Orientation orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// A row-major grid of `width` x `height` cells, turned to be shown upright.
template <typename Cell>
std::vector<Cell> Orient(const std::vector<Cell>& cells, size_t width, size_t height, Orientation orientation)
{
    if (orientation < 2 || orientation > 8) {
        return cells;
    }
    const size_t outWidth = SwapsSides(orientation) ? height : width;
    const size_t outHeight = SwapsSides(orientation) ? width : height;
    std::vector<Cell> out(cells.size());
    for (size_t r = 0; r < outHeight; ++r) {
        for (size_t c = 0; c < outWidth; ++c) {
            size_t sc = c, sr = r; // source column and row
            switch (orientation) {
            case 2:
                sc = width - 1 - c;
                break;
            case 3:
                sc = width - 1 - c;
                sr = height - 1 - r;
                break;
            case 4:
                sr = height - 1 - r;
                break;
            case 5:
                sc = r;
                sr = c;
                break;
            case 6:
                sc = r;
                sr = height - 1 - c;
                break;
            case 7:
                sc = width - 1 - r;
                sr = height - 1 - c;
                break;
            case 8:
                sc = width - 1 - r;
                sr = c;
                break;
            }
            out[r * outWidth + c] = cells[sr * width + sc];
        }
    }
    return out;
}

} // namespace ImageClonarium
