#pragma once
// The similar-image library (simix-gm.dll): finds groups of alike pictures
// among a list of files, and draws a picture for the preview.
//
// Containers cross the library boundary: the program and the library are
// built by the same compiler with the same flags, and both allocate through
// the C runtime's malloc, so the caller releases what Find returns.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#ifdef SIMIX_GM_BUILDING
#define IMAGECLONARIUM_API __declspec(dllexport)
#else
#define IMAGECLONARIUM_API __declspec(dllimport)
#endif

namespace ImageClonarium {

// One member of a group: the position of the picture in the path list and its
// size in pixels as a viewer shows it (after the EXIF orientation).
struct ImageInfo {
    uint64_t Index;
    uint32_t Width;
    uint32_t Height;
};
static_assert(sizeof(ImageInfo) == 16);

using ImageGroup = std::vector<ImageInfo>;
using ImageGroups = std::vector<ImageGroup>;

// What Find learnt of one picture, kept by the caller between searches:
// handed back to a later Find while the file is unchanged, it spares reading
// the picture again. Only the library reads its bytes.
struct PictureSignature {
    uint32_t Format = 0;   // 0 when nothing is known; otherwise the library's own
    uint32_t Readable = 0; // 1 when the file is a picture the library can read
    uint32_t Width = 0;
    uint32_t Height = 0;
    std::array<uint8_t, 120> Bytes{};
};
static_assert(sizeof(PictureSignature) == 136);

// Bit 31 of the options word: do not match rotated copies.
constexpr uint32_t NoRotations = 0x80000000u;
// Bit 30: match mirror images too: without rotations the picture mirrored
// left to right; with rotations all eight orientations (each turn mirrored or
// not). A picture turned by half is never matched without rotations.
constexpr uint32_t MatchMirrors = 0x40000000u;
constexpr uint16_t DefaultSimilarity = 85;

// Progress and stop requests of one Find call. Every operation is called on
// the thread that called Find.
class IMAGECLONARIUM_API IImageClonariumCallback {
public:
    IImageClonariumCallback();
    IImageClonariumCallback(const IImageClonariumCallback&) = delete;
    IImageClonariumCallback& operator=(const IImageClonariumCallback&) = delete;

    // Once, before any picture is read.
    virtual void OnStart(uint64_t imageCount) = 0;
    // Once per picture read (readable or not).
    virtual void OnImageExamined(uint64_t examined, uint64_t imageCount) = 0;
    // During the comparison; `total` stays the same for the whole call.
    virtual void OnCompareProgress(uint64_t done, uint64_t total) = 0;
    // Asked at least every few tenths of a second; true ends Find soon after
    // with an empty result.
    virtual bool ShouldStop() = 0;

    virtual ~IImageClonariumCallback();

    // Right after OnImageExamined for a file that is not a picture the
    // library can read (or one claiming more pixels than it takes): the
    // picture at `index` is in no group. Last in the table, after the
    // destructor, so that the slots above keep their places.
    virtual void OnImageNotRead(uint64_t index) = 0;
};

class IMAGECLONARIUM_API CImageClonarium {
public:
    // Groups of pictures alike at `similarity` percent (1 to 100; values
    // outside are clamped). Files that are not readable pictures are left
    // out. Every group has at least two members; every index is a valid
    // position in `paths`; each picture is in at most one group. Groups are
    // ordered by their first member's index, members by index.
    ImageGroups Find(const std::vector<std::wstring>& paths, uint16_t similarity, uint32_t options,
        IImageClonariumCallback* callback);
    // The same, with `signatures` parallel to `paths` (resized to it when it
    // is not): a picture whose entry is in this library's format is taken
    // from it and its file is not read. When Find was not stopped, every
    // entry holds what is known of its picture on return.
    ImageGroups Find(const std::vector<std::wstring>& paths, uint16_t similarity, uint32_t options,
        IImageClonariumCallback* callback, std::vector<PictureSignature>& signatures);
    // How alike the pictures of two signatures that Find filled in are, in
    // percent: the highest similarity at which Find with `options` judges
    // them alike; 0 when they are alike at none, or when either is not a
    // readable picture in this library's format.
    uint16_t Similarity(const PictureSignature& first, const PictureSignature& second, uint32_t options);
};

// A picture loaded for drawing. Load replaces what was loaded before.
class IImageDraw {
public:
    // True when the file is a picture the library can read; the picture
    // stays loaded until the next Load.
    virtual bool Load(const std::wstring& path) = 0;
    // True when a loaded picture can be drawn on `dc`.
    virtual bool Prepare(HDC dc) = 0;
    // Draws the picture stretched to the rectangle.
    virtual bool Draw(HDC dc, int x, int y, int width, int height) = 0;
    // Size in pixels as a viewer shows it; 0 when nothing is loaded.
    virtual uint32_t GetWidth() const = 0;
    virtual uint32_t GetHeight() const = 0;

protected:
    // Freed with FreeImageDrawer only.
    ~IImageDraw() = default;
};

IMAGECLONARIUM_API IImageDraw* CreateImageDrawer();
IMAGECLONARIUM_API void FreeImageDrawer(IImageDraw* drawer);

} // namespace ImageClonarium
