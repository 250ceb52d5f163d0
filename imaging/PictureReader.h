#pragma once
// Reads picture files through the platform's imaging component (WIC), as a
// viewer shows them: first frame, EXIF orientation applied, transparency
// against white. Anything that is not a readable picture simply fails.
#include "imaging/PictureHeader.h"
#include "imaging/Signature.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <string>
#include <vector>

namespace ImageClonarium {

// COM on the current thread for the life of the object (when the thread did
// not have it already).
class ComScope {
public:
    explicit ComScope(DWORD model);
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope();

private:
    bool initialised_;
};

// Files larger than this are not read: no picture worth comparing is, and
// a damaged or hostile file must not take the memory.
constexpr uint64_t MaxFileBytes = 256ull << 20;
// Larger pictures are refused before decoding for the same reason: by the
// size their headers claim, before any decoder sees them.
constexpr uint64_t MaxPixels = 250'000'000;

// An upright picture as 32-bit BGR pixels (alpha made opaque against white).
struct Bitmap {
    uint32_t Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;
};

// The size of a picture as a viewer shows it and its thumbnail.
struct ExaminedPicture {
    uint32_t Width = 0, Height = 0;
    Thumbnail Thumb;
};

// The memory that pictures being decoded at once may take, shared by the
// readers of one search: a reader takes its picture's share before decoding
// and waits while others hold too much, so that several huge pictures are
// never decoded at once. A picture larger than the whole budget is decoded
// when it is alone.
class DecodingBudget {
public:
    explicit DecodingBudget(uint64_t bytes) : bytes_(bytes) { }
    DecodingBudget(const DecodingBudget&) = delete;
    DecodingBudget& operator=(const DecodingBudget&) = delete;

    // A share taken, given back when the object goes.
    class Share {
    public:
        Share() = default;
        Share(DecodingBudget* budget, uint64_t bytes) : budget_(budget), bytes_(bytes) { }
        Share(Share&& other) noexcept : budget_(std::exchange(other.budget_, nullptr)), bytes_(other.bytes_) { }
        Share& operator=(Share&& other) noexcept;
        ~Share();

    private:
        DecodingBudget* budget_ = nullptr;
        uint64_t bytes_ = 0;
    };
    Share Take(uint64_t bytes);

private:
    void GiveBack(uint64_t bytes);

    std::mutex mutex_;
    std::condition_variable givenBack_;
    const uint64_t bytes_;
    uint64_t taken_ = 0;
};

// What decoders of one search may hold at once.
constexpr uint64_t DecodingBudgetBytes = 256ull << 20;

// One reader per thread: WIC objects stay on the thread that made them.
class PictureReader {
public:
    // With a budget, decoding waits for a share of it.
    explicit PictureReader(DecodingBudget* budget = nullptr);
    bool Examine(const std::wstring& path, ExaminedPicture& picture);
    // The picture reduced by a whole factor so that neither side exceeds
    // `maxSide`; Width and Height are the reduced size.
    bool ReadBitmap(const std::wstring& path, uint32_t maxSide, Bitmap& bitmap, uint32_t& width, uint32_t& height);

private:
    // Rows of 32-bit BGRA pixels of the stored (not yet turned) picture.
    using RowSink = std::function<void(const uint8_t* pixels, size_t stride, uint32_t firstRow, uint32_t rows)>;
    struct Opened;
    bool Open(const std::wstring& path, Opened& opened);
    bool Decode(Opened& opened, uint32_t minSide, const RowSink& sink);
    // The frame reduced by its decoder to no less than `minSide` a side, where
    // the decoder can scale (JPEG on Windows): far less work than decoding
    // every pixel of a photo only to average it away. Null where it cannot;
    // `width` and `height` are then left as they are.
    Microsoft::WRL::ComPtr<IWICBitmap> ScaleInDecoder(
        const Opened& opened, uint32_t minSide, uint32_t& width, uint32_t& height);

    // The decoder for the format, made from a class factory kept for the
    // thread: asking WIC to find the decoder costs dozens of registry reads
    // per file. Formats whose headers are not read are not read at all.
    Microsoft::WRL::ComPtr<IWICBitmapDecoder> MakeDecoder(PictureFormat format);

    DecodingBudget* budget_;
    Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;
    std::vector<std::pair<CLSID, Microsoft::WRL::ComPtr<IClassFactory>>> classFactories_;
};

} // namespace ImageClonarium
