#include "tests/support/TestPictures.h"

#include "tests/support/FileBytes.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <random>

using Microsoft::WRL::ComPtr;

namespace {

uint32_t Mix(uint32_t a, uint32_t b, double t)
{
    uint32_t out = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        const double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        out |= uint32_t(ca + (cb - ca) * t) << shift;
    }
    return out;
}

void PutLe16(std::string& out, uint16_t value)
{
    out += char(value & 0xFF);
    out += char(value >> 8);
}

void PutLe32(std::string& out, uint32_t value)
{
    PutLe16(out, uint16_t(value & 0xFFFF));
    PutLe16(out, uint16_t(value >> 16));
}

void PutEntry(std::string& out, uint16_t tag, uint16_t type, uint32_t count, uint32_t value)
{
    PutLe16(out, tag);
    PutLe16(out, type);
    PutLe32(out, count);
    PutLe32(out, value);
}

} // namespace

Canvas DrawScene(uint32_t seed, uint32_t width, uint32_t height)
{
    std::mt19937 random(seed);
    auto colour = [&] { return 0xFF000000 | (random() & 0xFFFFFF); };
    Canvas canvas{width, height, std::vector<uint32_t>(size_t(width) * height)};
    const uint32_t from = colour(), to = colour();
    const bool across = random() % 2 == 0;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            canvas.Pixels[size_t(y) * width + x] = Mix(from, to, across ? double(x) / width : double(y) / height);
        }
    }
    const int shapes = 6 + int(random() % 6);
    for (int s = 0; s < shapes; ++s) {
        const uint32_t fill = colour();
        const int cx = int(random() % width), cy = int(random() % height);
        const int rx = 4 + int(random() % (width / 3)), ry = 4 + int(random() % (height / 3));
        const bool disc = random() % 2 == 0;
        for (int y = std::max(0, cy - ry); y < std::min<int>(height, cy + ry); ++y) {
            for (int x = std::max(0, cx - rx); x < std::min<int>(width, cx + rx); ++x) {
                const double dx = double(x - cx) / rx, dy = double(y - cy) / ry;
                if (!disc || dx * dx + dy * dy <= 1) {
                    canvas.Pixels[size_t(y) * width + x] = fill;
                }
            }
        }
    }
    return canvas;
}

Canvas Filled(uint32_t width, uint32_t height, uint32_t colour)
{
    return {width, height, std::vector<uint32_t>(size_t(width) * height, colour)};
}

Canvas Turned(const Canvas& canvas, int quarterTurns)
{
    Canvas out = canvas;
    for (int t = 0; t < ((quarterTurns % 4) + 4) % 4; ++t) {
        Canvas next{out.Height, out.Width, std::vector<uint32_t>(out.Pixels.size())};
        for (uint32_t y = 0; y < next.Height; ++y) {
            for (uint32_t x = 0; x < next.Width; ++x) {
                next.Pixels[size_t(y) * next.Width + x] = out.At(y, out.Height - 1 - x);
            }
        }
        out = std::move(next);
    }
    return out;
}

Canvas Mirrored(const Canvas& canvas)
{
    Canvas out = canvas;
    for (uint32_t y = 0; y < canvas.Height; ++y) {
        for (uint32_t x = 0; x < canvas.Width; ++x) {
            out.Pixels[size_t(y) * canvas.Width + x] = canvas.At(canvas.Width - 1 - x, y);
        }
    }
    return out;
}

Canvas Resized(const Canvas& canvas, uint32_t width, uint32_t height)
{
    Canvas out{width, height, std::vector<uint32_t>(size_t(width) * height)};
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t y0 = y * canvas.Height / height, y1 = std::max(y0 + 1, (y + 1) * canvas.Height / height);
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t x0 = x * canvas.Width / width, x1 = std::max(x0 + 1, (x + 1) * canvas.Width / width);
            uint32_t sum[3] = {}, n = 0;
            for (uint32_t sy = y0; sy < y1; ++sy) {
                for (uint32_t sx = x0; sx < x1; ++sx, ++n) {
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += (canvas.At(sx, sy) >> (8 * c)) & 0xFF;
                    }
                }
            }
            out.Pixels[size_t(y) * width + x] = 0xFF000000 | (sum[2] / n) << 16 | (sum[1] / n) << 8 | sum[0] / n;
        }
    }
    return out;
}

Canvas Brightened(const Canvas& canvas, int amount)
{
    Canvas out = canvas;
    for (auto& pixel : out.Pixels) {
        uint32_t next = pixel & 0xFF000000;
        for (int shift = 0; shift < 24; shift += 8) {
            next |= uint32_t(std::clamp(int((pixel >> shift) & 0xFF) + amount, 0, 255)) << shift;
        }
        pixel = next;
    }
    return out;
}

bool WritePicture(const std::wstring& path, const Canvas& canvas, Format format)
{
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)))) {
        return false;
    }
    GUID container{};
    switch (format) {
    case Format::Png:
        container = GUID_ContainerFormatPng;
        break;
    case Format::Jpeg:
        container = GUID_ContainerFormatJpeg;
        break;
    case Format::Bmp:
        container = GUID_ContainerFormatBmp;
        break;
    case Format::Tiff:
        container = GUID_ContainerFormatTiff;
        break;
    case Format::Gif:
        container = GUID_ContainerFormatGif;
        break;
    }
    ComPtr<IWICBitmap> bitmap;
    if (FAILED(factory->CreateBitmapFromMemory(canvas.Width, canvas.Height, GUID_WICPixelFormat32bppBGRA,
            canvas.Width * 4, UINT(canvas.Pixels.size() * 4), (BYTE*)canvas.Pixels.data(), &bitmap))) {
        return false;
    }
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(factory->CreateStream(&stream)) || FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(container, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, &options)) || FAILED(frame->Initialize(options.Get())) ||
        FAILED(frame->SetSize(canvas.Width, canvas.Height))) {
        return false;
    }
    // The encoder converts from the bitmap to its own format (a palette for GIF).
    WICPixelFormatGUID pixelFormat = format == Format::Png   ? GUID_WICPixelFormat32bppBGRA
                                     : format == Format::Gif ? GUID_WICPixelFormat8bppIndexed
                                                             : GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->SetPixelFormat(&pixelFormat))) {
        return false;
    }
    ComPtr<IWICBitmapSource> source = bitmap;
    if (pixelFormat != GUID_WICPixelFormat32bppBGRA) {
        ComPtr<IWICPalette> palette;
        ComPtr<IWICFormatConverter> converter;
        const bool indexed = pixelFormat == GUID_WICPixelFormat8bppIndexed;
        if (indexed && (FAILED(factory->CreatePalette(&palette)) ||
                           FAILED(palette->InitializeFromBitmap(bitmap.Get(), 256, FALSE)) ||
                           FAILED(frame->SetPalette(palette.Get())))) {
            return false;
        }
        if (FAILED(factory->CreateFormatConverter(&converter)) ||
            FAILED(converter->Initialize(
                bitmap.Get(), pixelFormat, WICBitmapDitherTypeNone, palette.Get(), 0, WICBitmapPaletteTypeCustom))) {
            return false;
        }
        source = converter;
    }
    return SUCCEEDED(frame->WriteSource(source.Get(), nullptr)) && SUCCEEDED(frame->Commit()) &&
           SUCCEEDED(encoder->Commit());
}

bool WriteJpegWithOrientation(const std::wstring& path, const Canvas& canvas, uint16_t orientation)
{
    if (!WritePicture(path, canvas, Format::Jpeg)) {
        return false;
    }
    std::string jpeg = ReadFileBytes(path);
    if (jpeg.size() < 2) {
        return false;
    }
    // An APP1 segment right after the start marker, as cameras write it.
    std::string tiff = "II";
    PutLe16(tiff, 42);
    PutLe32(tiff, 8);
    PutLe16(tiff, 1);
    PutEntry(tiff, 0x0112, 3, 1, orientation);
    PutLe32(tiff, 0);
    const std::string body = std::string("Exif\0\0", 6) + tiff;
    std::string segment = "\xFF\xE1";
    segment += char((body.size() + 2) >> 8);
    segment += char((body.size() + 2) & 0xFF);
    segment += body;
    jpeg.insert(2, segment);
    return WriteFileBytes(path, jpeg);
}

bool WriteTiffWithOrientation(const std::wstring& path, const Canvas& canvas, uint16_t orientation)
{
    const uint32_t entries = 10;
    const uint32_t directory = 8, bits = directory + 2 + entries * 12 + 4, pixels = bits + 6;
    std::string tiff = "II";
    PutLe16(tiff, 42);
    PutLe32(tiff, directory);
    PutLe16(tiff, uint16_t(entries));
    PutEntry(tiff, 256, 4, 1, canvas.Width);
    PutEntry(tiff, 257, 4, 1, canvas.Height);
    PutEntry(tiff, 258, 3, 3, bits);
    PutEntry(tiff, 259, 3, 1, 1);      // no compression
    PutEntry(tiff, 262, 3, 1, 2);      // RGB
    PutEntry(tiff, 273, 4, 1, pixels); // strip offset
    PutEntry(tiff, 274, 3, 1, orientation);
    PutEntry(tiff, 277, 3, 1, 3);             // samples per pixel
    PutEntry(tiff, 278, 4, 1, canvas.Height); // rows per strip
    PutEntry(tiff, 279, 4, 1, uint32_t(canvas.Pixels.size() * 3));
    PutLe32(tiff, 0);
    for (int i = 0; i < 3; ++i) {
        PutLe16(tiff, 8);
    }
    for (uint32_t pixel : canvas.Pixels) {
        tiff += char((pixel >> 16) & 0xFF);
        tiff += char((pixel >> 8) & 0xFF);
        tiff += char(pixel & 0xFF);
    }
    return WriteFileBytes(path, tiff);
}
