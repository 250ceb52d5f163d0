// Pictures of a few kilobytes whose headers claim huge sizes: their size is
// read from the headers, they are refused before any decoder sees them, and
// the search goes on with the rest.
#include "imaging/PictureHeader.h"
#include "imaging/PictureReader.h"
#include "tests/imaging/ImagingTest.h"
#include "tests/support/HostilePictures.h"

#include <psapi.h>

#include <memory>

using namespace ImageClonarium;

namespace {

const Format kFormats[] = {Format::Png, Format::Jpeg, Format::Bmp, Format::Tiff, Format::Gif};

const char* Name(Format format)
{
    switch (format) {
    case Format::Png:
        return "png";
    case Format::Jpeg:
        return "jpeg";
    case Format::Bmp:
        return "bmp";
    case Format::Tiff:
        return "tiff";
    case Format::Gif:
        return "gif";
    }
    return "?";
}

std::span<const uint8_t> AsBytes(const std::string& bytes)
{
    return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

DeclaredSize Declared(const std::string& bytes)
{
    DeclaredSize size;
    EXPECT_TRUE(ReadDeclaredSize(AsBytes(bytes), size));
    return size;
}

// Which pictures the library says it could not read.
class NotReadCallback : public IImageClonariumCallback {
public:
    void OnStart(uint64_t) override { }
    void OnImageExamined(uint64_t, uint64_t) override { }
    void OnCompareProgress(uint64_t, uint64_t) override { }
    bool ShouldStop() override { return false; }
    void OnImageNotRead(uint64_t index) override { notRead.insert(index); }

    std::set<uint64_t> notRead;
};

// The process's working set now and at its highest so far, in bytes.
struct WorkingSet {
    uint64_t Now = 0, Peak = 0;
};

WorkingSet MeasureWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters{};
    EXPECT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters)));
    return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}

struct DrawerDeleter {
    void operator()(IImageDraw* drawer) const { FreeImageDrawer(drawer); }
};

} // namespace

using HostilePictures = ImagingTest;

TEST_F(HostilePictures, HeadersOfEveryFormatTellTheSizeTheyClaim)
{
    const Canvas scene = DrawScene(7, 90, 60);
    for (Format format : kFormats) {
        SCOPED_TRACE(Name(format));
        const std::string picture = PictureBytes(scene, format);
        ASSERT_FALSE(picture.empty());
        DeclaredSize size = Declared(picture);
        EXPECT_EQ(size.Width, 90u);
        EXPECT_EQ(size.Height, 60u);
        EXPECT_EQ(size.Pixels, format == Format::Gif ? 2 * 90u * 60u : 90u * 60u); // screen and image
        size = Declared(ClaimingSize(picture, format, 40000, 30000));
        EXPECT_EQ(size.Width, 40000u);
        EXPECT_EQ(size.Height, 30000u);
    }
    // An icon is as large as its largest entry; the first is the one shown.
    const std::string small = PictureBytes(scene, Format::Png);
    const DeclaredSize icon = Declared(IconOf({small, PictureBytes(DrawScene(7, 120, 100), Format::Png)}));
    EXPECT_EQ(icon.Width, 90u);
    EXPECT_EQ(icon.Pixels, 120u * 100u);
}

// A uniform picture is as small as its format can make it: what the floor
// allows must still hold every such picture a real encoder writes.
TEST_F(HostilePictures, LargeUniformPicturesStayAboveTheirFormatsFloor)
{
    const Canvas grey = Filled(2000, 1500, 0xFF808080);
    PictureReader reader;
    for (Format format : kFormats) {
        SCOPED_TRACE(Name(format));
        const std::string picture = PictureBytes(grey, format);
        const DeclaredSize size = Declared(picture);
        EXPECT_LE(size.MinimumBytes, picture.size());
        ExaminedPicture examined;
        const std::string extension = Name(format);
        const std::wstring path = AddFile(L"grey." + std::wstring(extension.begin(), extension.end()), picture);
        EXPECT_TRUE(reader.Examine(path, examined));
        EXPECT_EQ(examined.Width, 2000u);
        // Claiming ten times the sides, it no longer can be what it says.
        const std::string claiming = ClaimingSize(picture, format, 20000, 15000);
        if (format != Format::Tiff) { // strips are read one by one: no floor needed
            EXPECT_GT(Declared(claiming).MinimumBytes, claiming.size());
        }
    }
}

TEST_F(HostilePictures, CutOrDamagedHeadersAreNeverReadPastTheirEnd)
{
    const Canvas scene = DrawScene(8, 40, 30);
    for (Format format : kFormats) {
        SCOPED_TRACE(Name(format));
        const std::string picture = PictureBytes(scene, format);
        size_t firstWhole = picture.size();
        for (size_t length = 0; length < picture.size(); ++length) {
            // A buffer of its own, just as long as the cut.
            const std::unique_ptr<uint8_t[]> cut(new uint8_t[length]);
            std::copy(picture.begin(), picture.begin() + length, cut.get());
            DeclaredSize size;
            if (ReadDeclaredSize({cut.get(), length}, size)) {
                firstWhole = std::min(firstWhole, length);
                EXPECT_EQ(size.Width, 40u);
                EXPECT_EQ(size.Height, 30u);
            }
        }
        EXPECT_LT(firstWhole, picture.size()) << "the header alone should be enough";
    }
    DeclaredSize size;
    EXPECT_FALSE(ReadDeclaredSize(AsBytes(std::string("\xFF\xD8\xFF\xDA\0\x02", 6)), size)) << "scan before frame";
    EXPECT_FALSE(ReadDeclaredSize(AsBytes(std::string("RIFF\0\0\0\0WEBPVP8 ", 16)), size)) << "unknown format";
    const std::string png = PictureBytes(scene, Format::Png);
    EXPECT_FALSE(ReadDeclaredSize(AsBytes(ClaimingSize(png, Format::Png, 0, 30)), size)) << "empty picture";
    EXPECT_FALSE(ReadDeclaredSize(AsBytes(IconOf({png}).substr(0, 22)), size)) << "entry beyond the file";
}

// Each of these crashed the search inside the system's decoder, or took
// gigabytes, before the headers were read first.
TEST_F(HostilePictures, PicturesClaimingHugeSizesAreLeftOutAndTheSearchGoesOn)
{
    const Canvas scene = DrawScene(9, 120, 90);
    const Canvas grey = Filled(64, 64, 0xFF808080);
    const std::string png = PictureBytes(scene, Format::Png);
    AddFile(L"40000x40000.jpg", ClaimingSize(PictureBytes(scene, Format::Jpeg), Format::Jpeg, 40000, 40000));
    AddFile(L"grey-65500.jpg", ClaimingSize(PictureBytes(grey, Format::Jpeg), Format::Jpeg, 65500, 65500));
    AddFile(L"65536.png", ClaimingSize(png, Format::Png, 65536, 65536));
    AddFile(L"icon.ico", IconOf({ClaimingSize(png, Format::Png, 65536, 65536)}));
    AddFile(L"second-entry.ico", IconOf({png, ClaimingSize(png, Format::Png, 40000, 40000)}));
    AddFile(L"wide.gif", ClaimingSize(PictureBytes(scene, Format::Gif), Format::Gif, 65535, 65535));
    AddFile(L"wide.bmp", ClaimingSize(PictureBytes(scene, Format::Bmp), Format::Bmp, 100000, 100000));
    AddFile(L"wide.tif", ClaimingSize(PictureBytes(scene, Format::Tiff), Format::Tiff, 70000, 70000));
    // Just under the limit of pixels, but far more than the data can fill:
    // decoders that take a picture in whole on opening took gigabytes.
    AddFile(L"under.png", ClaimingSize(png, Format::Png, 15000, 15000));
    AddFile(L"under.jpg", ClaimingSize(PictureBytes(grey, Format::Jpeg), Format::Jpeg, 15000, 15000));
    AddFile(L"under.gif", ClaimingSize(PictureBytes(scene, Format::Gif), Format::Gif, 15000, 15000));
    AddFile(L"under.bmp", ClaimingSize(PictureBytes(scene, Format::Bmp), Format::Bmp, 15000, 15000));
    AddFile(L"under.ico", IconOf({ClaimingSize(png, Format::Png, 15000, 15000)}));
    const size_t hostile = paths_.size();
    Add(L"a.png", scene, Format::Png);
    Add(L"a.jpg", scene, Format::Jpeg);
    AddFile(L"a.ico", IconOf({png}));

    NotReadCallback callback;
    const ImageGroups groups = Find(85, 0, &callback);
    EXPECT_EQ(Named(groups), (std::set<std::set<std::wstring>>{{L"a.png", L"a.jpg", L"a.ico"}}));
    std::set<uint64_t> hostileIndices;
    for (size_t i = 0; i < hostile; ++i) {
        hostileIndices.insert(i);
    }
    EXPECT_EQ(callback.notRead, hostileIndices);

    PictureReader reader;
    std::unique_ptr<IImageDraw, DrawerDeleter> drawer(CreateImageDrawer());
    for (size_t i = 0; i < hostile; ++i) {
        SCOPED_TRACE(::testing::Message() << "file " << i);
        ExaminedPicture picture;
        EXPECT_FALSE(reader.Examine(paths_[i], picture));
        EXPECT_FALSE(drawer->Load(paths_[i]));
        EXPECT_EQ(drawer->GetWidth(), 0u);
    }
}

// Pictures of 12,000 pixels a side, under a megabyte on disk and 576 MB as
// 32-bit pixels, are read a band of rows at a time (the JPEG reduced while
// decoding), for the search and for the preview alike, and grouped with a
// small copy.
TEST_F(HostilePictures, HonestHugePicturesAreReadWithoutBeingHeldWhole)
{
    constexpr uint32_t side = 12000;
    const std::string png = HugeCheckerPng(side), jpeg = HugeCheckerJpeg(side);
    ASSERT_LT(png.size() + jpeg.size(), 2u << 20) << "small on disk";
    AddFile(L"huge.png", png);
    AddFile(L"huge.jpg", jpeg);
    AddFile(L"huge.ico", IconOf({png}));
    Canvas small = Filled(300, 300, 0xFFFFFFFF);
    for (uint32_t y = 0; y < small.Height; ++y) {
        for (uint32_t x = 0; x < small.Width; ++x) {
            if ((x < 150) == (y < 150)) {
                small.Pixels[size_t(y) * small.Width + x] = 0xFF000000;
            }
        }
    }
    Add(L"small.png", small, Format::Png);
    Add(L"scene.png", DrawScene(9, 120, 90), Format::Png);

    // Everything measured is far below what one of them takes whole.
    constexpr uint64_t bound = 64ull << 20;
    const WorkingSet before = MeasureWorkingSet();
    ASSERT_LT(before.Peak, before.Now + bound) << "an earlier test took too much to measure this one";
    NotReadCallback callback;
    const ImageGroups groups = Find(85, 0, &callback);
    EXPECT_EQ(Named(groups), (std::set<std::set<std::wstring>>{{L"huge.png", L"huge.jpg", L"huge.ico", L"small.png"}}));
    EXPECT_TRUE(callback.notRead.empty());
    std::unique_ptr<IImageDraw, DrawerDeleter> drawer(CreateImageDrawer());
    for (const wchar_t* name : {L"huge.png", L"huge.jpg"}) {
        SCOPED_TRACE(::testing::Message() << name);
        ASSERT_TRUE(drawer->Load(tree_.Path(name)));
        EXPECT_EQ(drawer->GetWidth(), side);
        EXPECT_EQ(drawer->GetHeight(), side);
    }
    EXPECT_LT(MeasureWorkingSet().Peak, before.Now + bound);
}
