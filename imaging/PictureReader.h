#pragma once
// Reads picture files as a viewer shows them: first frame, EXIF orientation
// applied, transparency against white. JPEG, PNG (alone or in an icon) and
// plain BMP go through decoders of our own, a band of rows at a time and
// JPEG reduced while decoding; the rest through the platform's imaging
// component (WIC). Anything that is not a readable picture simply fails.
#include "imaging/PictureHeader.h"
#include "imaging/Signature.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <condition_variable>
#include <cstdint>
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
// A picture whose decoder would hold more than this beyond a few rows is not
// read: one in a single scan is never held, but a progressive JPEG is held
// as its coefficients, an interlaced PNG whole, and the platform's decoders
// hold every picture whole (a TIFF a strip at a time).
constexpr uint64_t MaxDecoderBytes = 192ull << 20;

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

// Memory that the readers of one search share: a reader takes its share
// before it takes the memory, and waits while others hold too much. A share
// larger than the whole budget is refused, so that the readers never hold
// more than the budget whatever the pictures.
class MemoryBudget {
public:
    explicit MemoryBudget(uint64_t bytes) : bytes_(bytes) { }
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // A share taken, given back when the object goes.
    class Share {
    public:
        Share() = default;
        Share(MemoryBudget* budget, uint64_t bytes) : budget_(budget), bytes_(bytes) { }
        Share(Share&& other) noexcept : budget_(std::exchange(other.budget_, nullptr)), bytes_(other.bytes_) { }
        Share& operator=(Share&& other) noexcept;
        ~Share();

    private:
        MemoryBudget* budget_ = nullptr;
        uint64_t bytes_ = 0;
    };
    // False, at once, when `bytes` exceed the whole budget.
    bool Take(uint64_t bytes, Share& share);

private:
    void GiveBack(uint64_t bytes);

    std::mutex mutex_;
    std::condition_variable givenBack_;
    const uint64_t bytes_;
    uint64_t taken_ = 0;
};

// The two budgets of one search: the files being decoded, read whole, and
// what their decoders hold beyond a few rows. A reader holds its file's share
// while it waits for its decoder's, and one holding a decoder's share waits
// for nothing, so no two readers wait for each other.
struct ReadingBudgets {
    MemoryBudget Files{MaxFileBytes};
    MemoryBudget Decoders{MaxDecoderBytes};
};

class IRowSink;

// One reader per thread: WIC objects stay on the thread that made them.
class PictureReader {
public:
    // With budgets, reading waits for shares of them.
    explicit PictureReader(ReadingBudgets* budgets = nullptr);
    bool Examine(const std::wstring& path, ExaminedPicture& picture);
    // The picture reduced by a whole factor so that neither side exceeds
    // `maxSide`; `width` and `height` are its size as a viewer shows it.
    bool ReadBitmap(const std::wstring& path, uint32_t maxSide, Bitmap& bitmap, uint32_t& width, uint32_t& height);

private:
    struct Opened;
    bool Open(const std::wstring& path, Opened& opened);
    // The stored (not yet turned) picture, reduced by a JPEG decoder so that
    // each side keeps at least `minSide` pixels (0: not reduced).
    bool Decode(Opened& opened, uint32_t minSide, IRowSink& sink);
    bool DecodeWithWic(Opened& opened, IRowSink& sink);

    // The decoder for the format, made from a class factory kept for the
    // thread: asking WIC to find the decoder costs dozens of registry reads
    // per file. Formats whose headers are not read are not read at all.
    Microsoft::WRL::ComPtr<IWICBitmapDecoder> MakeDecoder(PictureFormat format);

    ReadingBudgets* budgets_;
    Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;
    std::vector<std::pair<CLSID, Microsoft::WRL::ComPtr<IClassFactory>>> classFactories_;
};

} // namespace ImageClonarium
