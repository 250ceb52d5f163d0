// BMP files whose rows are stored as they are: 1, 4 or 8 bits through a
// palette, 16 or 32 bits in bit fields, 24 or 32 bits of blue, green and red.
// The whole file is at hand, so rows stored bottom up are simply taken from
// the end. As the platform shows them, 32-bit rows without bit fields are
// opaque (the fourth byte is padding), and only bit fields with an alpha mask
// give transparency.
#include "imaging/PictureDecoders.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>

namespace ImageClonarium {

namespace {

constexpr uint32_t Plain = 0, BitFields = 3, AlphaBitFields = 6;
constexpr size_t FileHeader = 14, CoreHeader = 12, InfoHeader = 40;

uint32_t Le(std::span<const uint8_t> bytes, size_t at, size_t length)
{
    uint32_t value = 0;
    for (size_t i = 0; i < length; ++i) {
        value |= uint32_t(bytes[at + i]) << (8 * i);
    }
    return value;
}

// One channel stored in a bit field, scaled to 8 bits.
struct Channel {
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Largest = 0;

    explicit Channel(uint32_t mask = 0) : Mask(mask), Shift(mask ? std::countr_zero(mask) : 0), Largest(mask >> Shift)
    { }
    uint8_t Of(uint32_t pixel) const
    {
        return Largest ? uint8_t(uint64_t((pixel & Mask) >> Shift) * 255 / Largest) : 0;
    }
};

struct Layout {
    uint32_t Width = 0, Height = 0;
    bool TopDown = false;
    uint32_t Bits = 0;
    bool Fields = false;
    std::array<Channel, 4> Masks;        // red, green, blue, alpha
    std::array<uint32_t, 256> Palette{}; // 0x00RRGGBB
    size_t PixelsAt = 0, Stride = 0;
};

bool ReadLayout(std::span<const uint8_t> file, Layout& layout)
{
    if (file.size() < FileHeader + 4 || file[0] != 'B' || file[1] != 'M') {
        return false;
    }
    const std::span<const uint8_t> info = file.subspan(FileHeader);
    const size_t headerSize = Le(info, 0, 4);
    const bool core = headerSize == CoreHeader;
    if ((!core && headerSize < InfoHeader) || headerSize > info.size()) {
        return false;
    }
    int64_t width, height;
    uint32_t compression = Plain, coloursUsed = 0;
    if (core) {
        width = Le(info, 4, 2);
        height = Le(info, 6, 2);
        layout.Bits = Le(info, 10, 2);
    } else {
        width = int32_t(Le(info, 4, 4));
        height = int32_t(Le(info, 8, 4));
        layout.Bits = Le(info, 14, 2);
        compression = Le(info, 16, 4);
        coloursUsed = Le(info, 32, 4);
    }
    layout.TopDown = height < 0;
    height = std::abs(height);
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) {
        return false;
    }
    layout.Width = uint32_t(width);
    layout.Height = uint32_t(height);
    layout.Fields = compression == BitFields || compression == AlphaBitFields;
    const bool paletted = layout.Bits == 1 || layout.Bits == 4 || layout.Bits == 8;
    const bool direct = layout.Bits == 16 || layout.Bits == 24 || layout.Bits == 32;
    if (!(compression == Plain && (paletted || direct)) &&
        !(layout.Fields && (layout.Bits == 16 || layout.Bits == 32))) {
        return false;
    }
    // The masks follow a 40-byte header, or are the next fields of a longer
    // one: in either case they start 40 bytes into it.
    const size_t after = FileHeader + headerSize;
    if (layout.Fields) {
        const size_t masks = compression == AlphaBitFields || headerSize >= 56 ? 4 : 3;
        if (FileHeader + InfoHeader + 4 * masks > file.size()) {
            return false;
        }
        for (size_t i = 0; i < masks; ++i) {
            layout.Masks[i] = Channel(Le(file, FileHeader + InfoHeader + 4 * i, 4));
        }
    } else if (layout.Bits == 16) {
        layout.Masks = {Channel(0x7C00), Channel(0x03E0), Channel(0x001F), Channel()};
    }
    if (paletted) {
        const size_t entry = core ? 3 : 4;
        const size_t entries = std::min<size_t>(coloursUsed ? coloursUsed : 1u << layout.Bits, 256);
        for (size_t i = 0; i < entries && after + entry * (i + 1) <= file.size(); ++i) {
            layout.Palette[i] = Le(file, after + entry * i, 3);
        }
    }
    layout.PixelsAt = Le(file, 10, 4);
    layout.Stride = (uint64_t(layout.Width) * layout.Bits + 31) / 32 * 4;
    return layout.PixelsAt <= file.size() && uint64_t(layout.Stride) * layout.Height <= file.size() - layout.PixelsAt;
}

void ToBgra(const Layout& layout, const uint8_t* stored, uint8_t* out)
{
    const uint32_t bits = layout.Bits, width = layout.Width;
    auto put = [&out](uint32_t colour, uint8_t alpha) {
        out[0] = uint8_t(colour), out[1] = uint8_t(colour >> 8), out[2] = uint8_t(colour >> 16), out[3] = alpha;
        out += 4;
    };
    if (bits <= 8) {
        const uint32_t perByte = 8 / bits, mask = (1u << bits) - 1;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t shift = 8 - bits - (x % perByte) * bits;
            put(layout.Palette[(stored[x / perByte] >> shift) & mask], 255);
        }
    } else if (bits == 24 || (bits == 32 && !layout.Fields)) {
        const size_t step = bits / 8;
        for (uint32_t x = 0; x < width; ++x, stored += step) {
            put(uint32_t(stored[0] | stored[1] << 8 | stored[2] << 16), 255);
        }
    } else {
        const auto& [red, green, blue, alpha] = layout.Masks;
        for (uint32_t x = 0; x < width; ++x, stored += bits / 8) {
            const uint32_t pixel = bits == 16 ? uint32_t(stored[0] | stored[1] << 8) : Le({stored, 4}, 0, 4);
            put(uint32_t(blue.Of(pixel) | green.Of(pixel) << 8 | red.Of(pixel) << 16),
                alpha.Mask ? alpha.Of(pixel) : 255);
        }
    }
}

} // namespace

bool IsPlainBmp(std::span<const uint8_t> file)
{
    Layout layout;
    return ReadLayout(file, layout);
}

bool DecodeBmp(std::span<const uint8_t> file, IRowSink& sink)
{
    Layout layout;
    if (!ReadLayout(file, layout)) {
        return false;
    }
    const size_t stride = size_t(layout.Width) * 4;
    const uint32_t bandRows = BandRows(stride, layout.Height);
    if (!sink.Reserve(uint64_t(stride) * bandRows)) {
        return false;
    }
    const std::unique_ptr<uint8_t[]> band(new uint8_t[stride * bandRows]);
    sink.Start(layout.Width, layout.Height);
    for (uint32_t first = 0; first < layout.Height; first += bandRows) {
        const uint32_t rows = std::min(bandRows, layout.Height - first);
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t y = first + r;
            const size_t stored = layout.TopDown ? y : layout.Height - 1 - y;
            ToBgra(layout, file.data() + layout.PixelsAt + stored * layout.Stride, band.get() + r * stride);
        }
        sink.Rows(band.get(), stride, first, rows);
    }
    return true;
}

std::span<const uint8_t> IconPng(std::span<const uint8_t> file)
{
    // The directory: reserved, type, count, then 16 bytes an entry, the
    // first one's size at 8 and its place at 12.
    constexpr uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 6 + 16 || Le(file, 4, 2) == 0) {
        return {};
    }
    const size_t size = Le(file, 6 + 8, 4), at = Le(file, 6 + 12, 4);
    if (at >= file.size() || file.size() - at < sizeof(signature) ||
        !std::equal(std::begin(signature), std::end(signature), file.begin() + at)) {
        return {};
    }
    return file.subspan(at, std::min(size, file.size() - at));
}

} // namespace ImageClonarium
