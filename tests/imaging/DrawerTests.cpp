#include "tests/imaging/ImagingTest.h"
#include "tests/support/TopDownBitmap.h"

#include <memory>

using namespace ImageClonarium;

namespace {

struct DrawerDeleter {
    void operator()(IImageDraw* drawer) const { FreeImageDrawer(drawer); }
};
using Drawer = std::unique_ptr<IImageDraw, DrawerDeleter>;

// A memory device context over a top-down 32-bit bitmap that can be read back.
class Surface {
public:
    Surface(int width, int height) : width_(width)
    {
        const BITMAPINFO info = TopDownBitmapInfo(width, height);
        dc_ = ::CreateCompatibleDC(nullptr);
        bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = ::SelectObject(dc_, bitmap_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    ~Surface()
    {
        ::SelectObject(dc_, old_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    uint32_t At(int x, int y) const
    {
        ::GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFF;
    }

private:
    int width_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

// Left half red, right half blue, with a green top-left corner to tell turns apart.
Canvas Marked(uint32_t width, uint32_t height)
{
    Canvas canvas = Filled(width, height, 0xFFFF0000);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = width / 2; x < width; ++x) {
            canvas.Pixels[y * width + x] = 0xFF0000FF;
        }
    }
    for (uint32_t y = 0; y < height / 4; ++y) {
        for (uint32_t x = 0; x < width / 4; ++x) {
            canvas.Pixels[y * width + x] = 0xFF00FF00;
        }
    }
    return canvas;
}

} // namespace

using ImageDrawerTest = ImagingTest;

TEST_F(ImageDrawerTest, LoadsAPictureAndDrawsItStretched)
{
    const std::wstring path = Add(L"marked.png", Marked(40, 20), Format::Png);
    Drawer drawer(CreateImageDrawer());
    ASSERT_NE(drawer, nullptr);
    Surface surface(80, 40);
    EXPECT_FALSE(drawer->Prepare(surface.Dc())) << "nothing loaded yet";

    ASSERT_TRUE(drawer->Load(L"\\\\?\\" + path));
    EXPECT_EQ(drawer->GetWidth(), 40u);
    EXPECT_EQ(drawer->GetHeight(), 20u);
    ASSERT_TRUE(drawer->Prepare(surface.Dc()));
    ASSERT_TRUE(drawer->Draw(surface.Dc(), 0, 0, 80, 40));
    EXPECT_EQ(surface.At(2, 2), 0x00FF00u);
    EXPECT_EQ(surface.At(30, 30), 0xFF0000u);
    EXPECT_EQ(surface.At(70, 30), 0x0000FFu);
}

TEST_F(ImageDrawerTest, DrawsSeeThroughPixelsAgainstWhite)
{
    Canvas canvas = Filled(8, 8, 0xFFFF0000);
    for (uint32_t i = 0; i < 32; ++i) {
        canvas.Pixels[i] = 0x800000FF; // the top half: blue, half transparent
    }
    const std::wstring path = Add(L"glass.png", canvas, Format::Png);
    Drawer drawer(CreateImageDrawer());
    Surface surface(8, 8);

    ASSERT_TRUE(drawer->Load(path));
    ASSERT_TRUE(drawer->Draw(surface.Dc(), 0, 0, 8, 8));
    EXPECT_EQ(surface.At(4, 1), 0x7F7FFFu);
    EXPECT_EQ(surface.At(4, 6), 0xFF0000u);
}

TEST_F(ImageDrawerTest, KeepsPicturesLargerThan4096PixelsReduced)
{
    const std::wstring path = Add(L"wide.png", Marked(5000, 40), Format::Png);
    Drawer drawer(CreateImageDrawer());
    Surface surface(100, 40);

    ASSERT_TRUE(drawer->Load(path));
    EXPECT_EQ(drawer->GetWidth(), 5000u) << "the size of the picture, not of what is kept";
    EXPECT_EQ(drawer->GetHeight(), 40u);
    ASSERT_TRUE(drawer->Draw(surface.Dc(), 0, 0, 100, 40));
    EXPECT_EQ(surface.At(5, 3), 0x00FF00u);
    EXPECT_EQ(surface.At(20, 30), 0xFF0000u);
    EXPECT_EQ(surface.At(45, 20), 0xFF0000u);
    EXPECT_EQ(surface.At(55, 20), 0x0000FFu);
    EXPECT_EQ(surface.At(95, 38), 0x0000FFu);
}

TEST_F(ImageDrawerTest, TurnsTaggedPicturesUpright)
{
    // Stored turned a quarter anticlockwise, tagged "turn clockwise to view".
    const std::wstring path = tree_.Path(L"tagged.jpg");
    ASSERT_TRUE(WriteJpegWithOrientation(path, Turned(Marked(40, 20), 3), 6));
    Drawer drawer(CreateImageDrawer());
    Surface surface(40, 20);

    ASSERT_TRUE(drawer->Load(path));
    EXPECT_EQ(drawer->GetWidth(), 40u);
    EXPECT_EQ(drawer->GetHeight(), 20u);
    ASSERT_TRUE(drawer->Draw(surface.Dc(), 0, 0, 40, 20));
    // JPEG blurs colours a little: compare the dominant channel.
    EXPECT_GT(surface.At(2, 2) >> 8 & 0xFF, 200u) << "green corner top left";
    EXPECT_GT(surface.At(10, 15) >> 16 & 0xFF, 200u) << "red on the left";
    EXPECT_GT(surface.At(35, 15) & 0xFF, 200u) << "blue on the right";
}

TEST_F(ImageDrawerTest, RefusesWhatIsNotAPictureAndForgetsThePreviousOne)
{
    const std::wstring picture = Add(L"a.bmp", Marked(16, 16), Format::Bmp);
    const std::wstring text = tree_.MakeFile(L"notes.txt", "plain text, no picture");
    const std::wstring empty = tree_.MakeFile(L"empty.png", "");
    Drawer drawer(CreateImageDrawer());
    Surface surface(16, 16);

    ASSERT_TRUE(drawer->Load(picture));
    EXPECT_FALSE(drawer->Load(text));
    EXPECT_EQ(drawer->GetWidth(), 0u);
    EXPECT_EQ(drawer->GetHeight(), 0u);
    EXPECT_FALSE(drawer->Prepare(surface.Dc()));
    EXPECT_FALSE(drawer->Draw(surface.Dc(), 0, 0, 16, 16));
    EXPECT_FALSE(drawer->Load(empty));
    EXPECT_FALSE(drawer->Load(tree_.Path(L"missing.png")));
    EXPECT_TRUE(drawer->Load(picture));
    EXPECT_FALSE(drawer->Prepare(nullptr));
    FreeImageDrawer(nullptr);
}
