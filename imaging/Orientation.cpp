#include "imaging/Orientation.h"

#include <algorithm>

namespace ImageClonarium {

namespace {

constexpr uint16_t OrientationTag = 0x0112;

// Reads the Orientation entry of the first directory of a TIFF structure
// (the body of a TIFF file, or of an EXIF block). Every offset is checked
// against the data: the files may be damaged or made to mislead.
Orientation ReadTiffOrientation(std::span<const uint8_t> tiff)
{
    if (tiff.size() < 8) {
        return Upright;
    }
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
        little = true;
    } else if (tiff[0] == 'M' && tiff[1] == 'M') {
        little = false;
    } else {
        return Upright;
    }
    auto u16 = [&](size_t at) -> uint16_t {
        return little ? uint16_t(tiff[at] | tiff[at + 1] << 8) : uint16_t(tiff[at] << 8 | tiff[at + 1]);
    };
    auto u32 = [&](size_t at) -> uint32_t {
        return little ? uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16 : uint32_t(u16(at)) << 16 | u16(at + 2);
    };
    if (u16(2) != 42) {
        return Upright;
    }
    const size_t directory = u32(4);
    if (directory > tiff.size() - 2) {
        return Upright;
    }
    const size_t entries = u16(directory);
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = directory + 2 + i * 12;
        if (entry + 12 > tiff.size()) {
            break;
        }
        if (u16(entry) != OrientationTag) {
            continue;
        }
        // Type SHORT, count 1: the value sits in the first two bytes of the field.
        const Orientation value = u16(entry + 2) == 3 ? u16(entry + 8) : Upright;
        return value >= 1 && value <= 8 ? value : Upright;
    }
    return Upright;
}

Orientation ReadJpegOrientation(std::span<const uint8_t> jpeg)
{
    // Walk the marker segments up to the start of the picture data.
    size_t at = 2;
    while (at + 4 <= jpeg.size()) {
        if (jpeg[at] != 0xFF) {
            return Upright;
        }
        const uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) { // start of scan, end of picture
            return Upright;
        }
        const size_t length = size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (length < 2 || at + 2 + length > jpeg.size()) {
            return Upright;
        }
        const auto body = jpeg.subspan(at + 4, length - 2);
        static constexpr uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && body.size() >= sizeof(exif) && std::equal(exif, exif + sizeof(exif), body.begin())) {
            return ReadTiffOrientation(body.subspan(sizeof(exif)));
        }
        at += 2 + length;
    }
    return Upright;
}

} // namespace

Orientation ReadOrientation(std::span<const uint8_t> file)
{
    if (file.size() >= 4 && file[0] == 0xFF && file[1] == 0xD8) {
        return ReadJpegOrientation(file);
    }
    return ReadTiffOrientation(file);
}

} // namespace ImageClonarium
