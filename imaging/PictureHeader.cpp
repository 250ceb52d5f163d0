#include "imaging/PictureHeader.h"

#include <algorithm>
#include <cstring>

namespace ImageClonarium {

namespace {

// Bounds-checked reads of little- and big-endian numbers: every offset comes
// from the file and may point anywhere.
class Bytes {
public:
    explicit Bytes(std::span<const uint8_t> data) : data_(data) { }

    size_t Size() const { return data_.size(); }
    bool Has(size_t at, size_t length) const { return at <= data_.size() && length <= data_.size() - at; }
    bool StartsWith(const char* magic, size_t length) const
    {
        return Has(0, length) && std::memcmp(data_.data(), magic, length) == 0;
    }
    Bytes From(size_t at) const { return Bytes(data_.subspan(std::min(at, data_.size()))); }

    uint8_t U8(size_t at) const { return data_[at]; }
    uint16_t Le16(size_t at) const { return uint16_t(data_[at] | data_[at + 1] << 8); }
    uint32_t Le32(size_t at) const { return Le16(at) | uint32_t(Le16(at + 2)) << 16; }
    uint16_t Be16(size_t at) const { return uint16_t(data_[at] << 8 | data_[at + 1]); }
    uint32_t Be32(size_t at) const { return uint32_t(Be16(at)) << 16 | Be16(at + 2); }

private:
    std::span<const uint8_t> data_;
};

bool Accept(PictureFormat format, uint64_t width, uint64_t height, uint64_t pixels, DeclaredSize& size)
{
    if (width == 0 || height == 0 || width > UINT32_MAX || height > UINT32_MAX) {
        return false;
    }
    size.Format = format;
    size.Width = uint32_t(width);
    size.Height = uint32_t(height);
    size.Pixels = std::max(pixels, width * height);
    size.HeldPixels = size.Pixels;
    return true;
}

bool IsStartOfFrame(uint8_t marker)
{
    // C4 (Huffman tables), C8 (reserved) and CC (arithmetic conditioning) share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Huffman coding spends at least a bit on every 8 x 8 block of a component
// in its first scan; the component with the fewest blocks sets the floor.
// Arithmetic coding (C9 and up) can spend less.
uint64_t JpegMinimumBytes(const Bytes& frame, uint8_t marker, const DeclaredSize& size)
{
    const size_t components = frame.U8(7);
    if (marker >= 0xC9 || components == 0 || !frame.Has(8, components * 3)) {
        return 0;
    }
    uint32_t maxH = 1, maxV = 1;
    for (size_t c = 0; c < components; ++c) {
        maxH = std::max<uint32_t>(maxH, frame.U8(9 + c * 3) >> 4);
        maxV = std::max<uint32_t>(maxV, frame.U8(9 + c * 3) & 15);
    }
    uint64_t fewest = UINT64_MAX;
    for (size_t c = 0; c < components; ++c) {
        const uint32_t h = std::max(1, frame.U8(9 + c * 3) >> 4), v = std::max(1, frame.U8(9 + c * 3) & 15);
        const uint64_t columns = (uint64_t(size.Width) * h + maxH - 1) / maxH;
        const uint64_t rows = (uint64_t(size.Height) * v + maxV - 1) / maxV;
        fewest = std::min(fewest, ((columns + 7) / 8) * ((rows + 7) / 8));
    }
    return fewest / 8;
}

// Walks the marker segments up to the frame header, as a JPEG decoder does:
// bytes between segments are skipped up to the next 0xFF.
bool ReadJpeg(const Bytes& file, DeclaredSize& size)
{
    size_t at = 2;
    for (;;) {
        while (at < file.Size() && file.U8(at) != 0xFF) {
            ++at;
        }
        while (at < file.Size() && file.U8(at) == 0xFF) {
            ++at;
        }
        if (at >= file.Size()) {
            return false;
        }
        const uint8_t marker = file.U8(at++);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue; // markers without a segment
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || !file.Has(at, 2)) {
            return false; // a second start, the end or the scan before any frame
        }
        const uint16_t length = file.Be16(at);
        if (IsStartOfFrame(marker)) {
            // Height 0 leaves it to a later marker; nothing to check it by.
            if (length < 8 || !file.Has(at, length) ||
                !Accept(PictureFormat::Jpeg, file.Be16(at + 5), file.Be16(at + 3), 0, size)) {
                return false;
            }
            size.MinimumBytes = JpegMinimumBytes(file.From(at), marker, size);
            return true;
        }
        if (length < 2) {
            return false;
        }
        at += length;
    }
}

bool ReadPng(const Bytes& file, DeclaredSize& size)
{
    // The header chunk comes first: length 13, "IHDR", width, height.
    if (!file.Has(8, 16) || file.Be32(8) != 13 || !file.From(12).StartsWith("IHDR", 4)) {
        return false;
    }
    const uint32_t width = file.Be32(16), height = file.Be32(20);
    if (width > INT32_MAX || height > INT32_MAX) {
        return false;
    }
    if (!Accept(PictureFormat::Png, width, height, 0, size)) {
        return false;
    }
    // Deflate packs at most 1032 bytes into one: a 258-byte match in two
    // codes of at least a bit each. Every row starts with its filter byte.
    static const uint8_t channels[7] = {1, 0, 3, 1, 2, 0, 4};
    const uint8_t depth = file.U8(24), colour = file.U8(25);
    const uint64_t bits = uint64_t(depth) * (colour < 7 && channels[colour] ? channels[colour] : 1);
    const uint64_t raw = uint64_t(height) * (1 + (uint64_t(width) * bits + 7) / 8);
    size.MinimumBytes = raw / 1032;
    return true;
}

// Sub-blocks: a length byte, that many bytes, until a length of 0.
bool SkipSubBlocks(const Bytes& file, size_t& at)
{
    while (file.Has(at, 1)) {
        const uint8_t length = file.U8(at++);
        if (length == 0) {
            return true;
        }
        at += length;
    }
    return false;
}

// The screen and the first image in the file. A file cut short is judged by
// what it holds.
bool ReadGif(const Bytes& file, DeclaredSize& size)
{
    if (!file.Has(0, 13)) {
        return false;
    }
    const uint64_t screen = uint64_t(file.Le16(6)) * file.Le16(8);
    uint64_t pixels = screen;
    uint32_t width = 0, height = 0;
    const uint8_t screenFlags = file.U8(10);
    size_t at = 13 + ((screenFlags & 0x80) ? 3u << ((screenFlags & 7) + 1) : 0);
    while (file.Has(at, 1)) {
        const uint8_t kind = file.U8(at++);
        if (kind == 0x2C) {
            if (!file.Has(at, 9)) {
                break;
            }
            width = file.Le16(at + 4);
            height = file.Le16(at + 6);
            pixels += uint64_t(width) * height;
            const uint8_t flags = file.U8(at + 8);
            at += 9 + ((flags & 0x80) ? 3u << ((flags & 7) + 1) : 0) + 1; // descriptor, colours, code size
            if (SkipSubBlocks(file, at)) {
                size.FirstPictureEnd = std::min<uint64_t>(at, file.Size());
            }
            break;
        }
        if (kind != 0x21) {
            break; // the trailer, or data no decoder reads further
        }
        ++at; // the extension's label
        if (!SkipSubBlocks(file, at)) {
            break;
        }
    }
    if (!Accept(PictureFormat::Gif, width, height, pixels, size)) {
        return false;
    }
    // A 12-bit code stands for at most 4096 pixels, the longest string its
    // table can hold.
    size.MinimumBytes = (pixels - screen) / 4096 * 3 / 2;
    return true;
}

bool ReadBmpInfo(const Bytes& info, PictureFormat format, DeclaredSize& size)
{
    if (!info.Has(0, 4)) {
        return false;
    }
    if (info.Le32(0) == 12) { // the old core header: 16-bit sides
        return info.Has(0, 8) && Accept(format, info.Le16(4), info.Le16(6), 0, size);
    }
    if (!info.Has(0, 12)) {
        return false;
    }
    const int32_t width = int32_t(info.Le32(4)), height = int32_t(info.Le32(8));
    // A negative height stores the rows top-down.
    if (width <= 0 || height == INT32_MIN) {
        return false;
    }
    if (!Accept(format, uint32_t(width), uint32_t(height < 0 ? -height : height), 0, size)) {
        return false;
    }
    // Rows stored as they are (no compression, or bit fields): every row in
    // whole 32-bit words. An icon's height counts its mask too.
    const uint32_t compression = info.Has(16, 4) ? info.Le32(16) : 0;
    if (compression == 0 || compression == 3) {
        const uint64_t bits = info.Has(14, 2) ? std::max<uint16_t>(1, info.Le16(14)) : 1;
        const uint64_t rows = format == PictureFormat::Ico ? size.Height / 2 : size.Height;
        size.MinimumBytes = rows * ((size.Width * bits + 31) / 32 * 4);
    }
    return true;
}

bool ReadTiff(const Bytes& file, DeclaredSize& size)
{
    const bool little = file.U8(0) == 'I';
    auto u16 = [&](size_t at) { return little ? file.Le16(at) : file.Be16(at); };
    auto u32 = [&](size_t at) { return little ? file.Le32(at) : file.Be32(at); };
    const size_t directory = u32(4);
    if (!file.Has(directory, 2)) {
        return false;
    }
    const size_t entries = u16(directory);
    if (!file.Has(directory + 2, entries * 12)) {
        return false;
    }
    uint64_t width = 0, height = 0, tileWidth = 0, tileHeight = 0, stripRows = UINT32_MAX;
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = directory + 2 + i * 12;
        const uint16_t tag = u16(entry), type = u16(entry + 2);
        uint64_t value;
        if (type == 3) { // SHORT
            value = u16(entry + 8);
        } else if (type == 4) { // LONG
            value = u32(entry + 8);
        } else {
            continue;
        }
        switch (tag) {
        case 256:
            width = value;
            break;
        case 257:
            height = value;
            break;
        case 278:
            stripRows = value;
            break;
        case 322:
            tileWidth = value;
            break;
        case 323:
            tileHeight = value;
            break;
        }
    }
    if (!Accept(PictureFormat::Tiff, width, height, tileWidth * tileHeight, size)) {
        return false;
    }
    const uint64_t band = tileWidth * tileHeight != 0 ? tileWidth * tileHeight : width * std::min(height, stripRows);
    size.HeldPixels = std::max<uint64_t>(band, 1);
    return true;
}

// Every entry is checked, not only the one that is read: the picture of an
// entry (PNG or bitmap) carries its own size, which the directory's bytes
// cannot tell above 256.
bool ReadIco(const Bytes& file, DeclaredSize& size)
{
    const size_t count = file.Le16(4);
    if (count == 0 || !file.Has(6, count * 16)) {
        return false;
    }
    uint64_t largest = 0;
    DeclaredSize first;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = 6 + i * 16;
        const size_t offset = file.Le32(entry + 12);
        const Bytes picture = file.From(offset);
        if (!file.Has(offset, 1)) {
            return false;
        }
        DeclaredSize one;
        const bool read = picture.StartsWith("\x89PNG\r\n\x1A\n", 8) ? ReadPng(picture, one)
                                                                     : ReadBmpInfo(picture, PictureFormat::Ico, one);
        if (!read || picture.Size() < one.MinimumBytes) {
            return false;
        }
        if (i == 0) {
            first = one;
        }
        largest = std::max(largest, one.Pixels);
    }
    return Accept(PictureFormat::Ico, first.Width, first.Height, largest, size);
}

} // namespace

bool ReadDeclaredSize(std::span<const uint8_t> data, DeclaredSize& size)
{
    const Bytes file(data);
    if (file.StartsWith("\xFF\xD8\xFF", 3)) {
        return ReadJpeg(file, size);
    }
    if (file.StartsWith("\x89PNG\r\n\x1A\n", 8)) {
        return ReadPng(file, size);
    }
    if (file.StartsWith("GIF87a", 6) || file.StartsWith("GIF89a", 6)) {
        return ReadGif(file, size);
    }
    if (file.StartsWith("BM", 2)) {
        return ReadBmpInfo(file.From(14), PictureFormat::Bmp, size);
    }
    if (file.Has(0, 8) && (file.StartsWith("II*\0", 4) || file.StartsWith("MM\0*", 4))) {
        return ReadTiff(file, size);
    }
    if (file.Has(0, 6) && file.StartsWith("\0\0\1\0", 4)) {
        return ReadIco(file, size);
    }
    return false;
}

} // namespace ImageClonarium
