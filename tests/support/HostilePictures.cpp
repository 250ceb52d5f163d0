#include "tests/support/HostilePictures.h"

#include "tests/support/TempTree.h"

#include <windows.h>

#include <array>

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
