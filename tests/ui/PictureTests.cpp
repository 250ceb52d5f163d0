// Pictures: bitmaps with their alpha from resources and files, and the animated picture.
#include "tests/support/TempTree.h"
#include "tests/ui/TestResources.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/common/ImageBitmap.h"
#include "ui/common/ImageEx.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Module.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace vandrelcommon::ui;

// The pixels of a bitmap as 32-bit BGRA, top row first.
std::vector<RGBQUAD> Pixels(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = TopDownBitmapInfo(width, height);
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width * height));
    MemoryDC dc;
    ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    return pixels;
}

std::string ResourceBytes(const wchar_t* name, const wchar_t* type)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, name, type);
    const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(module, resource)));
    return std::string(bytes, ::SizeofResource(module, resource));
}

void ExpectHalfTransparent(const GdiBitmap& bitmap)
{
    ASSERT_TRUE(bitmap);
    BITMAP description{};
    ASSERT_NE(::GetObjectW(bitmap.Get(), sizeof(description), &description), 0);
    EXPECT_EQ(description.bmWidth, 16);
    EXPECT_EQ(description.bmBitsPixel, 32);
    const std::vector<RGBQUAD> pixels = Pixels(bitmap.Get(), 16, 16);
    // The left half is opaque green, the right half fully transparent.
    const RGBQUAD opaque = pixels[8 * 16 + 2];
    const RGBQUAD clear = pixels[8 * 16 + 12];
    EXPECT_EQ(opaque.rgbReserved, 255);
    EXPECT_GT(opaque.rgbGreen, opaque.rgbRed);
    EXPECT_EQ(clear.rgbReserved, 0);
}

TEST(LoadImageBitmap, KeepsPerPixelAlphaFromResourcesAndFiles)
{
    ExpectHalfTransparent(LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG"));

    TempTree tree;
    const std::wstring path = tree.MakeFile(L"half.png", ResourceBytes(MAKEINTRESOURCEW(IDP_HALF), L"PNG"));
    ExpectHalfTransparent(LoadImageBitmap(path.c_str(), nullptr));

    const GdiBitmap plain = LoadImageBitmap(MAKEINTRESOURCEW(IDB_PLAIN), RT_BITMAP);
    ASSERT_TRUE(plain);
    BITMAP description{};
    ::GetObjectW(plain.Get(), sizeof(description), &description);
    EXPECT_EQ(description.bmWidth, 8);
    EXPECT_EQ(description.bmBitsPixel, 32);
}

TEST(LoadImageBitmap, MissingOrBrokenPicturesGiveNothing)
{
    EXPECT_FALSE(LoadImageBitmap(MAKEINTRESOURCEW(999), L"PNG"));
    EXPECT_FALSE(LoadImageBitmap(MAKEINTRESOURCEW(IDP_CORRUPT), L"PNG"));
    EXPECT_FALSE(LoadImageBitmap(MAKEINTRESOURCEW(999), RT_BITMAP));
    EXPECT_FALSE(LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), nullptr));
    EXPECT_FALSE(LoadImageBitmap(nullptr, L"PNG"));
    TempTree tree;
    EXPECT_FALSE(LoadImageBitmap(tree.Path(L"absent.png").c_str(), nullptr));
    const std::wstring broken = tree.MakeFile(L"broken.png", "\x89PNG\r\n\x1a\n but nothing after");
    EXPECT_FALSE(LoadImageBitmap(broken.c_str(), nullptr));
}

TEST(ImageEx, PlaysPausesResumesAndStops)
{
    uitest::CRecordingParent owner;
    ASSERT_NE(owner.Create(), nullptr);
    std::unique_ptr<ImageEx> loader = ImageEx::Create();
    ASSERT_NE(loader, nullptr);
    ASSERT_TRUE(loader->IsLoaded());
    EXPECT_EQ(loader->FrameCount(), 4u);
    EXPECT_EQ(loader->FrameDelay(0), 2u);
    EXPECT_EQ(loader->Width(), 32u);
    ASSERT_TRUE(loader->Start(owner, 5, 5));

    // Frames change while it plays (20 ms apart).
    const UINT seen = loader->CurrentFrame();
    uitest::PumpMessages(3000, [&] { return loader->CurrentFrame() != seen; });
    EXPECT_NE(loader->CurrentFrame(), seen);

    loader->Pause();
    EXPECT_TRUE(loader->IsPaused());
    // A pass already under way may finish; after it nothing moves.
    uitest::PumpMessages(150);
    const UINT paused = loader->CurrentFrame();
    uitest::PumpMessages(200);
    EXPECT_EQ(loader->CurrentFrame(), paused);

    loader->Resume();
    EXPECT_FALSE(loader->IsPaused());
    uitest::PumpMessages(3000, [&] { return loader->CurrentFrame() != paused; });
    EXPECT_NE(loader->CurrentFrame(), paused);

    // Destroying a paused animation still ends its thread.
    loader->Pause();
    loader->Destroy();
    EXPECT_FALSE(loader->IsLoaded());
    EXPECT_FALSE(loader->Start(owner, 0, 0));
}

TEST(ImageEx, MissingResourceOrSingleFrameGivesNoAnimation)
{
    std::unique_ptr<ImageEx> missing = ImageEx::Create(nullptr, L"NOTTHERE", L"GIF");
    ASSERT_NE(missing, nullptr);
    EXPECT_FALSE(missing->IsLoaded());
    EXPECT_EQ(missing->FrameCount(), 0u);
    EXPECT_FALSE(missing->Start(nullptr, 0, 0));
    // Nothing plays, so there is nothing to pause.
    missing->Pause();
    EXPECT_FALSE(missing->IsPaused());
    missing->Resume();

    std::unique_ptr<ImageEx> broken = ImageEx::Create(nullptr, MAKEINTRESOURCEW(IDP_CORRUPT), L"PNG");
    ASSERT_NE(broken, nullptr);
    EXPECT_FALSE(broken->IsLoaded());

    std::unique_ptr<ImageEx> still = ImageEx::Create(nullptr, L"STILL", L"GIF");
    ASSERT_NE(still, nullptr);
    EXPECT_TRUE(still->IsLoaded());
    EXPECT_FALSE(still->IsAnimated());
    EXPECT_TRUE(still->Start(nullptr, 0, 0));
}

// Pixels of `canvas` that are no longer `background`, inside and outside `box`.
std::pair<int, int> ChangedPixels(const uitest::Canvas& canvas, SIZE size, const RECT& box, COLORREF background)
{
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            if (canvas.Color(x, y) != background) {
                const POINT point{x, y};
                ++(::PtInRect(&box, point) ? inside : outside);
            }
        }
    }
    return {inside, outside};
}

TEST(ImageEx, DrawsAtTheStartPositionInItsNaturalSize)
{
    std::unique_ptr<ImageEx> still = ImageEx::Create(nullptr, L"STILL", L"GIF");
    ASSERT_NE(still, nullptr);
    ASSERT_EQ(still->Width(), 32u);
    ASSERT_EQ(still->Height(), 32u);
    constexpr SIZE kCanvas{90, 60};
    // The picture has no blue in it: whatever it covers changes colour.
    constexpr COLORREF kBlue = RGB(0, 0, 255);
    const auto drawnAt = [&](int x, int y) {
        EXPECT_TRUE(still->Start(nullptr, x, y));
        uitest::Canvas canvas(kCanvas.cx, kCanvas.cy);
        canvas.Fill(kBlue);
        still->Draw(canvas.Dc());
        return ChangedPixels(canvas, kCanvas, RECT{x, y, x + 32, y + 32}, kBlue);
    };
    const auto [first, firstOutside] = drawnAt(10, 6);
    EXPECT_GT(first, 0);
    EXPECT_EQ(firstOutside, 0);
    // Started again, it draws at the new place.
    const auto [moved, movedOutside] = drawnAt(50, 20);
    EXPECT_EQ(moved, first);
    EXPECT_EQ(movedOutside, 0);
}

TEST(ImageEx, FramesWithoutADelayDoNotSpin)
{
    std::unique_ptr<ImageEx> image = ImageEx::Create(nullptr, L"ZERODELAY", L"GIF");
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->FrameCount(), 2u);
    EXPECT_EQ(image->FrameDelay(0), 0u);
    // Without an owner it only turns its frames: count how often in 350 ms.
    ASSERT_TRUE(image->Start(nullptr, 0, 0));
    int changes = 0;
    UINT last = image->CurrentFrame();
    const ULONGLONG end = ::GetTickCount64() + 350;
    while (::GetTickCount64() < end) {
        ::Sleep(1);
        if (image->CurrentFrame() != last) {
            last = image->CurrentFrame();
            ++changes;
        }
    }
    EXPECT_LE(changes, 5);
}

} // namespace
