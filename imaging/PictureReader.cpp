#include "imaging/PictureReader.h"

#include "imaging/Orientation.h"
#include "imaging/PictureHeader.h"

#include <objbase.h>

#include <algorithm>
#include <memory>

using Microsoft::WRL::ComPtr;

namespace ImageClonarium {

namespace {

// Decoders that can scale while decoding (JPEG on Windows) offer this
// interface; the mingw-w64 headers do not declare it.
struct IWICBitmapSourceTransformDecl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
        WICPixelFormatGUID* format, WICBitmapTransformOptions transform, UINT stride, UINT bufferSize,
        BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
constexpr IID IID_SourceTransform = {0x3B16811B, 0x6A43, 0x4ec9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

// Paths longer than MAX_PATH open only with the "\\?\" form.
std::wstring LongPath(const std::wstring& path)
{
    if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) {
        return path;
    }
    if (path.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + path.substr(2);
    }
    const bool driveAbsolute = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    if (!driveAbsolute) {
        return path;
    }
    std::wstring prefixed = L"\\\\?\\" + path;
    std::replace(prefixed.begin(), prefixed.end(), L'/', L'\\'); // the prefixed form takes no slashes
    return prefixed;
}

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes)
{
    HANDLE raw = ::CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
        return false;
    }
    FileHandle file(raw);
    // Devices and pipes may never end; only files on a disk are read.
    if (::GetFileType(raw) != FILE_TYPE_DISK) {
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(raw, &size) || size.QuadPart <= 0 || uint64_t(size.QuadPart) > MaxFileBytes) {
        return false;
    }
    bytes.resize(size_t(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 16u << 20));
        if (!::ReadFile(raw, bytes.data() + done, chunk, &read, nullptr) || read == 0) {
            return false;
        }
        done += read;
    }
    return true;
}

const CLSID& DecoderFor(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return CLSID_WICJpegDecoder;
    case PictureFormat::Png:
        return CLSID_WICPngDecoder;
    case PictureFormat::Gif:
        return CLSID_WICGifDecoder;
    case PictureFormat::Bmp:
        return CLSID_WICBmpDecoder;
    case PictureFormat::Tiff:
        return CLSID_WICTiffDecoder;
    case PictureFormat::Ico:
        break;
    }
    return CLSID_WICIcoDecoder;
}

} // namespace

DecodingBudget::Share& DecodingBudget::Share::operator=(Share&& other) noexcept
{
    if (this != &other) {
        if (budget_ != nullptr) {
            budget_->GiveBack(bytes_);
        }
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = other.bytes_;
    }
    return *this;
}

DecodingBudget::Share::~Share()
{
    if (budget_ != nullptr) {
        budget_->GiveBack(bytes_);
    }
}

DecodingBudget::Share DecodingBudget::Take(uint64_t bytes)
{
    std::unique_lock lock(mutex_);
    givenBack_.wait(lock, [&] { return taken_ == 0 || taken_ + bytes <= bytes_; });
    taken_ += bytes;
    return Share(this, bytes);
}

void DecodingBudget::GiveBack(uint64_t bytes)
{
    {
        std::lock_guard lock(mutex_);
        taken_ -= bytes;
    }
    givenBack_.notify_all();
}

ComScope::ComScope(DWORD model) : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, model)))
{ }

ComScope::~ComScope()
{
    if (initialised_) {
        ::CoUninitialize();
    }
}

struct PictureReader::Opened {
    DecodingBudget::Share Share; // released last: the decoder and the bytes go first
    std::vector<uint8_t> Bytes;
    ComPtr<IWICStream> Stream;
    ComPtr<IWICBitmapDecoder> Decoder;
    ComPtr<IWICBitmapFrameDecode> Frame;
    uint32_t Width = 0, Height = 0;               // as stored
    uint32_t DecodedWidth = 0, DecodedHeight = 0; // smaller when the decoder scaled
    Orientation Turn = Upright;
};

PictureReader::PictureReader(DecodingBudget* budget) : budget_(budget)
{
    ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory_));
}

ComPtr<IWICBitmapDecoder> PictureReader::MakeDecoder(PictureFormat format)
{
    const CLSID& clsid = DecoderFor(format);
    auto known = std::find_if(
        classFactories_.begin(), classFactories_.end(), [&](const auto& entry) { return entry.first == clsid; });
    if (known == classFactories_.end()) {
        ComPtr<IClassFactory> classFactory;
        ::CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(&classFactory));
        known = classFactories_.insert(classFactories_.end(), {clsid, classFactory});
    }
    ComPtr<IWICBitmapDecoder> decoder;
    if (known->second) {
        known->second->CreateInstance(nullptr, IID_PPV_ARGS(&decoder));
    }
    return decoder;
}

bool PictureReader::Open(const std::wstring& path, Opened& opened)
{
    // Some decoders work on the whole picture as soon as they are opened, so
    // the size the file claims is judged before any decoder sees it, and so
    // is whether the file could hold that much.
    DeclaredSize declared;
    if (!factory_ || !ReadWholeFile(path, opened.Bytes) || !ReadDeclaredSize(opened.Bytes, declared) ||
        declared.Pixels > MaxPixels || opened.Bytes.size() < declared.MinimumBytes) {
        return false;
    }
    if (budget_ != nullptr) {
        // The file's bytes, and the whole picture as a decoder may hold it.
        opened.Share = budget_->Take(opened.Bytes.size() + declared.Pixels * 4);
    }
    if (declared.FirstPictureEnd != 0 && declared.FirstPictureEnd < opened.Bytes.size()) {
        opened.Bytes.resize(size_t(declared.FirstPictureEnd));
        opened.Bytes.push_back(0x3B); // the trailer
    }
    UINT width = 0, height = 0;
    if (FAILED(factory_->CreateStream(&opened.Stream)) ||
        FAILED(opened.Stream->InitializeFromMemory(opened.Bytes.data(), DWORD(opened.Bytes.size())))) {
        return false;
    }
    opened.Decoder = MakeDecoder(declared.Format);
    if (!opened.Decoder || FAILED(opened.Decoder->Initialize(opened.Stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(opened.Decoder->GetFrame(0, &opened.Frame)) || FAILED(opened.Frame->GetSize(&width, &height))) {
        return false;
    }
    if (width == 0 || height == 0 || uint64_t(width) * height > MaxPixels) {
        return false;
    }
    opened.Width = width;
    opened.Height = height;
    opened.Turn = ReadOrientation(opened.Bytes);
    return true;
}

ComPtr<IWICBitmap> PictureReader::ScaleInDecoder(
    const Opened& opened, uint32_t minSide, uint32_t& width, uint32_t& height)
{
    ComPtr<IWICBitmapSourceTransformDecl> transform;
    if (minSide == 0 || FAILED(opened.Frame->QueryInterface(IID_SourceTransform, &transform))) {
        return nullptr;
    }
    const double scale = std::max(double(minSide) / opened.Width, double(minSide) / opened.Height);
    UINT w = std::max(1u, UINT(opened.Width * scale + 0.5)), h = std::max(1u, UINT(opened.Height * scale + 0.5));
    WICPixelFormatGUID format{};
    ComPtr<IWICBitmap> reduced;
    if (scale >= 1 || FAILED(transform->GetClosestSize(&w, &h)) || w < minSide || h < minSide || w >= opened.Width ||
        FAILED(transform->GetClosestPixelFormat(&format)) ||
        FAILED(factory_->CreateBitmap(w, h, format, WICBitmapCacheOnLoad, &reduced))) {
        return nullptr;
    }
    ComPtr<IWICBitmapLock> lock;
    WICRect all{0, 0, INT(w), INT(h)};
    UINT stride = 0, size = 0;
    BYTE* buffer = nullptr;
    if (FAILED(reduced->Lock(&all, WICBitmapLockWrite, &lock)) || FAILED(lock->GetStride(&stride)) ||
        FAILED(lock->GetDataPointer(&size, &buffer)) ||
        FAILED(transform->CopyPixels(nullptr, w, h, &format, WICBitmapTransformRotate0, stride, size, buffer))) {
        return nullptr;
    }
    width = w;
    height = h;
    return reduced;
}

bool PictureReader::Decode(Opened& opened, uint32_t minSide, const RowSink& sink)
{
    uint32_t width = opened.Width, height = opened.Height;
    ComPtr<IWICBitmapSource> source = ScaleInDecoder(opened, minSide, width, height);
    if (!source) {
        source = opened.Frame;
    }

    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory_->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(source.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
            WICBitmapPaletteTypeCustom))) {
        return false;
    }
    opened.DecodedWidth = width;
    opened.DecodedHeight = height;
    // Bands of rows of about 256 KB keep memory flat for large pictures, and
    // stay below the size from which the heap maps and unmaps fresh pages for
    // every picture (measured: about 8% of a scan of small pictures).
    const size_t stride = size_t(width) * 4;
    const uint32_t bandRows = uint32_t(std::clamp<size_t>((256u << 10) / stride, 1, height));
    const std::unique_ptr<uint8_t[]> band(new uint8_t[stride * bandRows]);
    for (uint32_t row = 0; row < height; row += bandRows) {
        const uint32_t rows = std::min(bandRows, height - row);
        const WICRect rect{0, INT(row), INT(width), INT(rows)};
        if (FAILED(converter->CopyPixels(&rect, UINT(stride), UINT(stride * rows), band.get()))) {
            return false;
        }
        sink(band.get(), stride, row, rows);
    }
    return true;
}

bool PictureReader::Examine(const std::wstring& path, ExaminedPicture& picture)
{
    Opened opened;
    if (!Open(path, opened)) {
        return false;
    }
    std::unique_ptr<ThumbnailBuilder> builder;
    const bool decoded =
        Decode(opened, 4 * ThumbSide, [&](const uint8_t* pixels, size_t stride, uint32_t first, uint32_t rows) {
            if (!builder) {
                builder = std::make_unique<ThumbnailBuilder>(opened.DecodedWidth, opened.DecodedHeight);
            }
            builder->AddRows(pixels, stride, first, rows);
        });
    if (!decoded || !builder) {
        return false;
    }
    Thumbnail stored = builder->Finish();
    std::vector<Rgb> cells(stored.Cells.begin(), stored.Cells.end());
    cells = Orient(cells, ThumbSide, ThumbSide, opened.Turn);
    std::copy(cells.begin(), cells.end(), picture.Thumb.Cells.begin());
    picture.Thumb.MeanRgb = stored.MeanRgb;
    picture.Width = SwapsSides(opened.Turn) ? opened.Height : opened.Width;
    picture.Height = SwapsSides(opened.Turn) ? opened.Width : opened.Height;
    return true;
}

namespace {

// A BGRA pixel against white, as 0x00RRGGBB.
uint32_t OverWhite(const uint8_t* p)
{
    const uint32_t alpha = p[3], white = 255 * (255 - alpha);
    return (p[2] * alpha + white) / 255 << 16 | (p[1] * alpha + white) / 255 << 8 | (p[0] * alpha + white) / 255;
}

} // namespace

bool PictureReader::ReadBitmap(
    const std::wstring& path, uint32_t maxSide, Bitmap& bitmap, uint32_t& width, uint32_t& height)
{
    Opened opened;
    if (!Open(path, opened)) {
        return false;
    }
    width = SwapsSides(opened.Turn) ? opened.Height : opened.Width;
    height = SwapsSides(opened.Turn) ? opened.Width : opened.Height;
    // Whole-factor box reduction: each output pixel averages factor x factor
    // pixels. Rows come in order, so only the output row being summed is kept.
    const uint32_t factor = std::max(1u, (std::max(opened.Width, opened.Height) + maxSide - 1) / maxSide);
    const uint32_t outWidth = (opened.Width + factor - 1) / factor;
    const uint32_t outHeight = (opened.Height + factor - 1) / factor;
    std::vector<uint32_t> pixels(size_t(outWidth) * outHeight);
    std::vector<uint32_t> sums(size_t(outWidth) * 4); // blue, green, red, count
    uint32_t sumRow = 0;
    auto finishRow = [&] {
        uint32_t* out = &pixels[size_t(sumRow) * outWidth];
        for (uint32_t x = 0; x < outWidth; ++x) {
            const uint32_t* cell = &sums[size_t(x) * 4];
            const uint32_t n = std::max(1u, cell[3]);
            out[x] = (cell[2] / n) << 16 | (cell[1] / n) << 8 | cell[0] / n;
        }
        std::fill(sums.begin(), sums.end(), 0u);
    };
    const bool decoded = Decode(opened, 0, [&](const uint8_t* rowPixels, size_t stride, uint32_t first, uint32_t rows) {
        if (factor == 1) {
            // Kept whole (a photo for the preview): each pixel straight over,
            // without sums and divisions by the factor.
            for (uint32_t r = 0; r < rows; ++r) {
                const uint8_t* p = rowPixels + r * stride;
                uint32_t* out = &pixels[size_t(first + r) * outWidth];
                for (uint32_t x = 0; x < opened.Width; ++x, p += 4) {
                    out[x] = p[3] == 255 ? uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0] : OverWhite(p);
                }
            }
            return;
        }
        for (uint32_t r = 0; r < rows; ++r) {
            if ((first + r) / factor != sumRow) {
                finishRow();
                sumRow = (first + r) / factor;
            }
            const uint8_t* p = rowPixels + r * stride;
            for (uint32_t x = 0; x < opened.Width; ++x, p += 4) {
                const uint32_t alpha = p[3], white = 255 * (255 - alpha);
                uint32_t* cell = &sums[size_t(x / factor) * 4];
                cell[0] += (p[0] * alpha + white) / 255;
                cell[1] += (p[1] * alpha + white) / 255;
                cell[2] += (p[2] * alpha + white) / 255;
                ++cell[3];
            }
        }
    });
    if (!decoded) {
        return false;
    }
    if (factor > 1) {
        finishRow();
    }
    bitmap.Pixels = opened.Turn < 2 ? std::move(pixels) : Orient(pixels, outWidth, outHeight, opened.Turn);
    bitmap.Width = SwapsSides(opened.Turn) ? outHeight : outWidth;
    bitmap.Height = SwapsSides(opened.Turn) ? outWidth : outHeight;
    return true;
}

} // namespace ImageClonarium
