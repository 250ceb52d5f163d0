#include "imaging/PictureReader.h"

#include "imaging/Orientation.h"
#include "imaging/PictureDecoders.h"
#include "imaging/PictureHeader.h"

#include <objbase.h>

#include <algorithm>
#include <memory>

using Microsoft::WRL::ComPtr;

namespace ImageClonarium {

namespace {

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

// A file on a disk no larger than MaxFileBytes, open for reading.
FileHandle OpenPictureFile(const std::wstring& path, uint64_t& bytes)
{
    HANDLE raw = ::CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    FileHandle file(raw);
    // Devices and pipes may never end; only files on a disk are read.
    LARGE_INTEGER size{};
    if (::GetFileType(raw) != FILE_TYPE_DISK || !::GetFileSizeEx(raw, &size) || size.QuadPart <= 0 ||
        uint64_t(size.QuadPart) > MaxFileBytes) {
        return nullptr;
    }
    bytes = uint64_t(size.QuadPart);
    return file;
}

bool ReadWholeFile(HANDLE file, uint64_t size, std::vector<uint8_t>& bytes)
{
    bytes.resize(size_t(size));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 16u << 20));
        if (!::ReadFile(file, bytes.data() + done, chunk, &read, nullptr) || read == 0) {
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

MemoryBudget::Share& MemoryBudget::Share::operator=(Share&& other) noexcept
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

MemoryBudget::Share::~Share()
{
    if (budget_ != nullptr) {
        budget_->GiveBack(bytes_);
    }
}

bool MemoryBudget::Take(uint64_t bytes, Share& share)
{
    if (bytes > bytes_) {
        return false;
    }
    {
        std::unique_lock lock(mutex_);
        givenBack_.wait(lock, [&] { return taken_ + bytes <= bytes_; });
        taken_ += bytes;
    }
    share = Share(this, bytes); // gives back the share it held before, if any
    return true;
}

void MemoryBudget::GiveBack(uint64_t bytes)
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
    // Released last: the decoder and the bytes go first.
    MemoryBudget::Share FileShare, DecoderShare;
    std::vector<uint8_t> Bytes;
    DeclaredSize Declared;
    Orientation Turn = Upright;
};

PictureReader::PictureReader(ReadingBudgets* budgets) : budgets_(budgets)
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
    uint64_t size = 0;
    const FileHandle file = OpenPictureFile(path, size);
    if (!file || (budgets_ != nullptr && !budgets_->Files.Take(size, opened.FileShare)) ||
        !ReadWholeFile(file.get(), size, opened.Bytes)) {
        return false;
    }
    // Some decoders work on the whole picture as soon as they are opened, so
    // the size the file claims is judged before any decoder sees it, and so
    // is whether the file could hold that much.
    DeclaredSize& declared = opened.Declared;
    if (!ReadDeclaredSize(opened.Bytes, declared) || declared.Pixels > MaxPixels ||
        opened.Bytes.size() < declared.MinimumBytes) {
        return false;
    }
    opened.Turn = ReadOrientation(opened.Bytes);
    return true;
}

namespace {

// Takes the decoder's memory from the budget (or refuses it, when no budget
// holds that much) before the rows go on to `rows`.
class BudgetedSink final : public IRowSink {
public:
    BudgetedSink(MemoryBudget* budget, MemoryBudget::Share& share, IRowSink& rows)
        : budget_(budget), share_(share), rows_(rows)
    { }
    bool Reserve(uint64_t bytes) override
    {
        return bytes <= MaxDecoderBytes && (budget_ == nullptr || budget_->Take(bytes, share_));
    }
    void Start(uint32_t width, uint32_t height) override { rows_.Start(width, height); }
    void Rows(const uint8_t* pixels, size_t stride, uint32_t firstRow, uint32_t rows) override
    {
        rows_.Rows(pixels, stride, firstRow, rows);
    }

private:
    MemoryBudget* budget_;
    MemoryBudget::Share& share_;
    IRowSink& rows_;
};

} // namespace

bool PictureReader::Decode(Opened& opened, uint32_t minSide, IRowSink& rows)
{
    BudgetedSink sink(budgets_ ? &budgets_->Decoders : nullptr, opened.DecoderShare, rows);
    const std::span<const uint8_t> file = opened.Bytes;
    switch (opened.Declared.Format) {
    case PictureFormat::Jpeg:
        return DecodeJpeg(file, minSide, sink);
    case PictureFormat::Png:
        return DecodePng(file, sink);
    case PictureFormat::Bmp:
        return IsPlainBmp(file) ? DecodeBmp(file, sink) : DecodeWithWic(opened, sink);
    case PictureFormat::Ico:
        return !IconPng(file).empty() ? DecodePng(IconPng(file), sink) : DecodeWithWic(opened, sink);
    case PictureFormat::Gif:
    case PictureFormat::Tiff:
        break;
    }
    return DecodeWithWic(opened, sink);
}

bool PictureReader::DecodeWithWic(Opened& opened, IRowSink& sink)
{
    const DeclaredSize& declared = opened.Declared;
    // The decoder holds the picture (or a TIFF strip) as 32-bit pixels at
    // most, and is given no more than the GIF's first frame.
    if (!factory_ || !sink.Reserve(declared.HeldPixels * 4)) {
        return false;
    }
    if (declared.FirstPictureEnd != 0 && declared.FirstPictureEnd < opened.Bytes.size()) {
        opened.Bytes.resize(size_t(declared.FirstPictureEnd));
        opened.Bytes.push_back(0x3B); // the trailer
    }
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0, height = 0;
    const ComPtr<IWICBitmapDecoder> decoder = MakeDecoder(declared.Format);
    if (FAILED(factory_->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(opened.Bytes.data(), DWORD(opened.Bytes.size()))) || !decoder ||
        FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&width, &height)) || width != declared.Width ||
        height != declared.Height) {
        return false;
    }
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory_->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
            WICBitmapPaletteTypeCustom))) {
        return false;
    }
    sink.Start(width, height);
    const size_t stride = size_t(width) * 4;
    const uint32_t bandRows = BandRows(stride, height);
    const std::unique_ptr<uint8_t[]> band(new uint8_t[stride * bandRows]);
    for (uint32_t row = 0; row < height; row += bandRows) {
        const uint32_t rows = std::min(bandRows, height - row);
        const WICRect rect{0, INT(row), INT(width), INT(rows)};
        if (FAILED(converter->CopyPixels(&rect, UINT(stride), UINT(stride * rows), band.get()))) {
            return false;
        }
        sink.Rows(band.get(), stride, row, rows);
    }
    return true;
}

namespace {

// Averages the rows into a thumbnail.
class ThumbnailSink final : public IRowSink {
public:
    bool Reserve(uint64_t) override { return true; }
    void Start(uint32_t width, uint32_t height) override
    {
        builder_ = std::make_unique<ThumbnailBuilder>(width, height);
    }
    void Rows(const uint8_t* pixels, size_t stride, uint32_t firstRow, uint32_t rows) override
    {
        builder_->AddRows(pixels, stride, firstRow, rows);
    }
    // Null when no row came.
    const ThumbnailBuilder* Builder() const { return builder_.get(); }

private:
    std::unique_ptr<ThumbnailBuilder> builder_;
};

// A BGRA pixel against white, as 0x00RRGGBB.
uint32_t OverWhite(const uint8_t* p)
{
    const uint32_t alpha = p[3], white = 255 * (255 - alpha);
    return (p[2] * alpha + white) / 255 << 16 | (p[1] * alpha + white) / 255 << 8 | (p[0] * alpha + white) / 255;
}

// Reduces the rows by a whole factor, so that neither side exceeds `maxSide`:
// each output pixel averages factor x factor pixels. Rows come in order, so
// only the output row being summed is kept.
class ReducingSink final : public IRowSink {
public:
    explicit ReducingSink(uint32_t maxSide) : maxSide_(maxSide) { }
    bool Reserve(uint64_t) override { return true; }
    void Start(uint32_t width, uint32_t height) override
    {
        width_ = width;
        factor_ = std::max(1u, (std::max(width, height) + maxSide_ - 1) / maxSide_);
        outWidth_ = (width + factor_ - 1) / factor_;
        outHeight_ = (height + factor_ - 1) / factor_;
        pixels_.assign(size_t(outWidth_) * outHeight_, 0);
        sums_.assign(size_t(outWidth_) * 4, 0);
    }
    void Rows(const uint8_t* pixels, size_t stride, uint32_t firstRow, uint32_t rows) override
    {
        for (uint32_t r = 0; r < rows; ++r) {
            const uint8_t* p = pixels + r * stride;
            if (factor_ == 1) {
                // Kept whole (a photo for the preview): each pixel straight
                // over, without sums and divisions by the factor.
                uint32_t* out = &pixels_[size_t(firstRow + r) * outWidth_];
                for (uint32_t x = 0; x < width_; ++x, p += 4) {
                    out[x] = p[3] == 255 ? uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0] : OverWhite(p);
                }
                continue;
            }
            if ((firstRow + r) / factor_ != sumRow_) {
                FinishRow();
                sumRow_ = (firstRow + r) / factor_;
            }
            for (uint32_t x = 0; x < width_; ++x, p += 4) {
                const uint32_t alpha = p[3], white = 255 * (255 - alpha);
                uint32_t* cell = &sums_[size_t(x / factor_) * 4];
                cell[0] += (p[0] * alpha + white) / 255;
                cell[1] += (p[1] * alpha + white) / 255;
                cell[2] += (p[2] * alpha + white) / 255;
                ++cell[3];
            }
        }
    }
    // The reduced picture, once every row came; false when none did.
    bool Finish(Bitmap& bitmap)
    {
        if (factor_ == 0) {
            return false;
        }
        if (factor_ > 1) {
            FinishRow();
        }
        bitmap.Width = outWidth_;
        bitmap.Height = outHeight_;
        bitmap.Pixels = std::move(pixels_);
        return true;
    }

private:
    void FinishRow()
    {
        uint32_t* out = &pixels_[size_t(sumRow_) * outWidth_];
        for (uint32_t x = 0; x < outWidth_; ++x) {
            const uint32_t* cell = &sums_[size_t(x) * 4];
            const uint32_t n = std::max(1u, cell[3]);
            out[x] = (cell[2] / n) << 16 | (cell[1] / n) << 8 | cell[0] / n;
        }
        std::fill(sums_.begin(), sums_.end(), 0u);
    }

    uint32_t maxSide_;
    uint32_t width_ = 0, factor_ = 0, outWidth_ = 0, outHeight_ = 0, sumRow_ = 0;
    std::vector<uint32_t> pixels_;
    std::vector<uint32_t> sums_; // blue, green, red, count
};

} // namespace

bool PictureReader::Examine(const std::wstring& path, ExaminedPicture& picture)
{
    Opened opened;
    ThumbnailSink sink;
    // Cells take whole rows and columns: with eight or more of them a cell,
    // a JPEG reduced while decoding hashes as its original does (with four,
    // a brightened photograph lost its group).
    if (!Open(path, opened) || !Decode(opened, 8 * ThumbSide, sink) || !sink.Builder()) {
        return false;
    }
    Thumbnail stored = sink.Builder()->Finish();
    std::vector<Rgb> cells(stored.Cells.begin(), stored.Cells.end());
    cells = Orient(cells, ThumbSide, ThumbSide, opened.Turn);
    std::copy(cells.begin(), cells.end(), picture.Thumb.Cells.begin());
    picture.Thumb.MeanRgb = stored.MeanRgb;
    const DeclaredSize& declared = opened.Declared;
    picture.Width = SwapsSides(opened.Turn) ? declared.Height : declared.Width;
    picture.Height = SwapsSides(opened.Turn) ? declared.Width : declared.Height;
    return true;
}

bool PictureReader::ReadBitmap(
    const std::wstring& path, uint32_t maxSide, Bitmap& bitmap, uint32_t& width, uint32_t& height)
{
    Opened opened;
    if (!Open(path, opened)) {
        return false;
    }
    const DeclaredSize& declared = opened.Declared;
    // A JPEG decoder may reduce it as long as its longer side keeps maxSide.
    const uint32_t longer = std::max(declared.Width, declared.Height);
    const uint32_t shorter = std::min(declared.Width, declared.Height);
    const uint32_t minSide = uint32_t((uint64_t(maxSide) * shorter + longer - 1) / longer);
    ReducingSink sink(maxSide);
    Bitmap reduced;
    if (!Decode(opened, minSide, sink) || !sink.Finish(reduced)) {
        return false;
    }
    width = SwapsSides(opened.Turn) ? declared.Height : declared.Width;
    height = SwapsSides(opened.Turn) ? declared.Width : declared.Height;
    bitmap.Pixels = opened.Turn < 2 ? std::move(reduced.Pixels)
                                    : Orient(reduced.Pixels, reduced.Width, reduced.Height, opened.Turn);
    bitmap.Width = SwapsSides(opened.Turn) ? reduced.Height : reduced.Width;
    bitmap.Height = SwapsSides(opened.Turn) ? reduced.Width : reduced.Height;
    return true;
}

} // namespace ImageClonarium
