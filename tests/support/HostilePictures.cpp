#include "tests/support/HostilePictures.h"

#include "tests/support/TempTree.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <iterator>

namespace {

uint32_t Get(const std::string& bytes, size_t at, int length, bool little)
{
    uint32_t value = 0;
    for (int i = 0; i < length; ++i) {
        const uint32_t byte = uint8_t(bytes[at + i]);
        value |= little ? byte << (8 * i) : byte << (8 * (length - 1 - i));
    }
    return value;
}

void Put(std::string& bytes, size_t at, int length, bool little, uint32_t value)
{
    for (int i = 0; i < length; ++i) {
        const int shift = little ? 8 * i : 8 * (length - 1 - i);
        bytes[at + i] = char((value >> shift) & 0xFF);
    }
}

uint32_t Crc32(const char* data, size_t length)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc = table[(crc ^ uint8_t(data[i])) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

// The offset of the JPEG frame header's body (after marker and length), or 0.
size_t JpegFrame(const std::string& bytes)
{
    size_t at = 2;
    while (at + 4 <= bytes.size() && uint8_t(bytes[at]) == 0xFF) {
        const uint8_t marker = uint8_t(bytes[at + 1]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            return at + 4;
        }
        at += 2 + Get(bytes, at + 2, 2, false);
    }
    return 0;
}

// The offset of the first GIF image descriptor's body, or 0.
size_t GifImage(const std::string& bytes)
{
    const uint8_t flags = uint8_t(bytes[10]);
    size_t at = 13 + ((flags & 0x80) ? 3u << ((flags & 7) + 1) : 0);
    while (at < bytes.size() && bytes[at] == 0x21) {
        at += 2;
        while (at < bytes.size() && bytes[at] != 0) {
            at += 1 + uint8_t(bytes[at]);
        }
        ++at;
    }
    return at < bytes.size() && bytes[at] == 0x2C ? at + 1 : 0;
}

bool ClaimTiff(std::string& bytes, uint32_t width, uint32_t height)
{
    const bool little = bytes[0] == 'I';
    const size_t directory = Get(bytes, 4, 4, little);
    const size_t entries = Get(bytes, directory, 2, little);
    int patched = 0;
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = directory + 2 + i * 12;
        const uint32_t tag = Get(bytes, entry, 2, little);
        if (tag == 256 || tag == 257) {
            Put(bytes, entry + 2, 2, little, 4); // LONG, so that any size fits
            Put(bytes, entry + 4, 4, little, 1);
            Put(bytes, entry + 8, 4, little, tag == 256 ? width : height);
            ++patched;
        }
    }
    return patched == 2;
}

} // namespace

std::string PictureBytes(const Canvas& canvas, Format format)
{
    TempTree tree;
    const std::wstring path = tree.Path(L"picture");
    if (!WritePicture(path, canvas, format)) {
        return {};
    }
    std::string bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char block[4096];
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE && ::ReadFile(file, block, sizeof(block), &got, nullptr) && got > 0) {
        bytes.append(block, got);
    }
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    return bytes;
}

std::string ClaimingSize(const std::string& picture, Format format, uint32_t width, uint32_t height)
{
    std::string bytes = picture;
    if (bytes.size() < 32) {
        return {};
    }
    switch (format) {
    case Format::Jpeg: {
        const size_t frame = JpegFrame(bytes);
        if (frame == 0 || width > 0xFFFF || height > 0xFFFF) {
            return {};
        }
        Put(bytes, frame + 1, 2, false, height);
        Put(bytes, frame + 3, 2, false, width);
        return bytes;
    }
    case Format::Png:
        Put(bytes, 16, 4, false, width);
        Put(bytes, 20, 4, false, height);
        Put(bytes, 29, 4, false, Crc32(bytes.data() + 12, 17)); // the chunk's type and data
        return bytes;
    case Format::Gif: {
        const size_t image = GifImage(bytes);
        if (image == 0 || width > 0xFFFF || height > 0xFFFF) {
            return {};
        }
        Put(bytes, 6, 2, true, width);
        Put(bytes, 8, 2, true, height);
        Put(bytes, image + 4, 2, true, width);
        Put(bytes, image + 6, 2, true, height);
        return bytes;
    }
    case Format::Bmp:
        Put(bytes, 18, 4, true, width);
        Put(bytes, 22, 4, true, height);
        return bytes;
    case Format::Tiff:
        return ClaimTiff(bytes, width, height) ? bytes : std::string();
    }
    return {};
}

std::string IconOf(const std::vector<std::string>& entries)
{
    std::string bytes(6 + 16 * entries.size(), '\0');
    Put(bytes, 2, 2, true, 1); // an icon, not a cursor
    Put(bytes, 4, 2, true, uint32_t(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t entry = 6 + 16 * i;
        // Width and height 0 say 256 or more: the picture itself tells.
        Put(bytes, entry + 4, 2, true, 1);
        Put(bytes, entry + 6, 2, true, 32);
        Put(bytes, entry + 8, 4, true, uint32_t(entries[i].size()));
        Put(bytes, entry + 12, 4, true, uint32_t(bytes.size()));
        bytes += entries[i];
    }
    return bytes;
}

namespace {

bool IsBlack(uint32_t x, uint32_t y, uint32_t side)
{
    return (x < side / 2) == (y < side / 2);
}

// Bits in deflate's order: values from their lowest bit, Huffman codes from
// their highest.
class DeflateBits {
public:
    void Value(uint32_t value, int bits)
    {
        for (int i = 0; i < bits; ++i) {
            Bit(value >> i & 1);
        }
    }
    void Code(uint32_t code, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            Bit(code >> i & 1);
        }
    }
    // A symbol of the fixed code table: literals, the end, lengths.
    void Symbol(uint32_t symbol)
    {
        if (symbol < 144) {
            Code(0x30 + symbol, 8);
        } else if (symbol < 256) {
            Code(0x190 + symbol - 144, 9);
        } else if (symbol < 280) {
            Code(symbol - 256, 7);
        } else {
            Code(0xC0 + symbol - 280, 8);
        }
    }
    // `count` bytes of `byte`: the byte, then copies of the byte before.
    void Run(uint8_t byte, size_t count)
    {
        static const uint16_t base[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83,
            99, 115, 131, 163, 195, 227, 258};
        static const uint8_t extra[] = {
            0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        Symbol(byte);
        --count;
        while (count >= 3) {
            const size_t length = std::min<size_t>(count, 258);
            size_t code = std::size(base) - 1;
            while (base[code] > length) {
                --code;
            }
            Symbol(uint32_t(257 + code));
            Value(uint32_t(length - base[code]), extra[code]);
            Code(0, 5); // distance 1
            count -= length;
        }
        for (; count > 0; --count) {
            Symbol(byte);
        }
    }
    std::string Finish()
    {
        if (used_ != 0) {
            bytes_.push_back(char(partial_));
        }
        return std::move(bytes_);
    }

private:
    void Bit(uint32_t bit)
    {
        partial_ |= bit << used_;
        if (++used_ == 8) {
            bytes_.push_back(char(partial_));
            partial_ = used_ = 0;
        }
    }

    std::string bytes_;
    uint32_t partial_ = 0, used_ = 0;
};

void AddChunk(std::string& png, const char* type, const std::string& data)
{
    std::string chunk(4, '\0');
    Put(chunk, 0, 4, false, uint32_t(data.size()));
    std::string body = type + data;
    chunk += body;
    chunk.resize(chunk.size() + 4);
    Put(chunk, chunk.size() - 4, 4, false, Crc32(body.data(), body.size()));
    png += chunk;
}

// Bits in JPEG's order, highest first, a 0 byte stuffed after every 0xFF.
class JpegBits {
public:
    void Put(uint32_t value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            partial_ = partial_ << 1 | (value >> i & 1);
            if (++used_ == 8) {
                Flush();
            }
        }
    }
    std::string Finish()
    {
        while (used_ != 0) {
            Put(1, 1);
        }
        return std::move(bytes_);
    }

private:
    void Flush()
    {
        bytes_.push_back(char(partial_));
        if (partial_ == 0xFF) {
            bytes_.push_back('\0');
        }
        partial_ = used_ = 0;
    }

    std::string bytes_;
    uint32_t partial_ = 0, used_ = 0;
};

std::string Segment(uint8_t marker, const std::string& body)
{
    std::string segment = {char(0xFF), char(marker), '\0', '\0'};
    ::Put(segment, 2, 2, false, uint32_t(body.size() + 2));
    return segment + body;
}

} // namespace

std::string HugeCheckerPng(uint32_t side)
{
    const size_t rowBytes = (side + 7) / 8;
    // Rows of the top half, then of the bottom one; the first of each is
    // stored (filter 0), the others say "as the row above" (filter 2).
    DeflateBits deflate;
    deflate.Value(1, 1); // the last block
    deflate.Value(1, 2); // of fixed codes
    uint32_t adlerA = 1, adlerB = 0;
    auto add = [&](uint8_t byte, size_t count) {
        deflate.Run(byte, count);
        for (size_t i = 0; i < count; ++i) {
            adlerA = (adlerA + byte) % 65521;
            adlerB = (adlerB + adlerA) % 65521;
        }
    };
    for (uint32_t y = 0; y < side; ++y) {
        if (y != 0 && y != side / 2) {
            add(2, 1);
            add(0, rowBytes);
            continue;
        }
        add(0, 1);
        std::string row(rowBytes, '\0');
        for (uint32_t x = 0; x < side; ++x) {
            if (!IsBlack(x, y, side)) {
                row[x / 8] = char(row[x / 8] | 0x80 >> (x % 8));
            }
        }
        for (size_t at = 0; at < row.size();) {
            size_t end = at;
            while (end < row.size() && row[end] == row[at]) {
                ++end;
            }
            add(uint8_t(row[at]), end - at);
            at = end;
        }
    }
    deflate.Symbol(256);
    std::string compressed = {char(0x78), char(0x01)};
    compressed += deflate.Finish();
    compressed.resize(compressed.size() + 4);
    Put(compressed, compressed.size() - 4, 4, false, adlerB << 16 | adlerA);

    std::string header(13, '\0');
    Put(header, 0, 4, false, side);
    Put(header, 4, 4, false, side);
    header[8] = 1; // bit depth; colour type 0, grey
    std::string png = "\x89PNG\r\n\x1a\n";
    AddChunk(png, "IHDR", header);
    AddChunk(png, "IDAT", compressed);
    AddChunk(png, "IEND", "");
    return png;
}

std::string HugeCheckerJpeg(uint32_t side)
{
    // Every block flat: its DC difference (category 0, or 8 between black
    // and white) and the end of block. Quantised by 8, black is -128 and
    // white 127.
    std::string quantisation(65, char(8));
    quantisation[0] = 0;
    std::string frame(9, '\0');
    frame[0] = 8;
    Put(frame, 1, 2, false, side);
    Put(frame, 3, 2, false, side);
    frame[5] = 1, frame[6] = 1, frame[7] = 0x11, frame[8] = 0;
    std::string dc(17, '\0'), ac(17, '\0');
    dc[0] = 0x00, dc[1] = 1, dc[2] = 1; // codes 0 (category 0) and 10 (category 8)
    dc += {0, 8};
    ac[0] = 0x10, ac[1] = 1; // code 0, the end of block
    ac += {0};
    const std::string scan = {1, 1, 0, 0, 63, 0};

    JpegBits bits;
    const uint32_t blocks = (side + 7) / 8;
    int previous = 0;
    for (uint32_t by = 0; by < blocks; ++by) {
        for (uint32_t bx = 0; bx < blocks; ++bx) {
            const int level = IsBlack(bx * 8, by * 8, side) ? -128 : 127;
            const int difference = level - previous;
            previous = level;
            if (difference == 0) {
                bits.Put(0, 1);
            } else {
                bits.Put(0b10, 2);
                bits.Put(uint32_t(difference > 0 ? difference : difference + 255), 8);
            }
            bits.Put(0, 1); // end of block
        }
    }
    std::string jpeg = {char(0xFF), char(0xD8)};
    jpeg += Segment(0xDB, quantisation) + Segment(0xC0, frame) + Segment(0xC4, dc) + Segment(0xC4, ac) +
            Segment(0xDA, scan) + bits.Finish();
    jpeg += {char(0xFF), char(0xD9)};
    return jpeg;
}
