#pragma once
// Pictures the imaging tests make for themselves: drawn from a seed, turned,
// resized or brightened, and written with WIC (or, for TIFF with an
// orientation tag, by hand).
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct Canvas {
    uint32_t Width = 0, Height = 0;
    std::vector<uint32_t> Pixels; // 0xAARRGGBB, row by row

    uint32_t At(uint32_t x, uint32_t y) const { return Pixels[size_t(y) * Width + x]; }
};

// A picture of its own for every seed: a two-colour ramp under random
// rectangles and discs.
Canvas DrawScene(uint32_t seed, uint32_t width, uint32_t height);
Canvas Filled(uint32_t width, uint32_t height, uint32_t colour);
// Turned clockwise by quarter turns.
Canvas Turned(const Canvas& canvas, int quarterTurns);
// Mirrored left to right (as in a looking glass beside the picture).
Canvas Mirrored(const Canvas& canvas);
// Resized by averaging (down) or repeating (up) pixels.
Canvas Resized(const Canvas& canvas, uint32_t width, uint32_t height);
// Every channel moved by `amount` (clamped).
Canvas Brightened(const Canvas& canvas, int amount);

enum class Format { Png, Jpeg, Bmp, Tiff, Gif };
// Writes the canvas in the format through WIC; false when that fails.
bool WritePicture(const std::wstring& path, const Canvas& canvas, Format format);
// A JPEG whose EXIF block carries `orientation` (1 to 8).
bool WriteJpegWithOrientation(const std::wstring& path, const Canvas& canvas, uint16_t orientation);
// An uncompressed RGB TIFF whose Orientation tag is `orientation`.
bool WriteTiffWithOrientation(const std::wstring& path, const Canvas& canvas, uint16_t orientation);
