#include "imaging/ImageClonarium.h"

#include "imaging/PictureReader.h"

namespace ImageClonarium {

namespace {

// Larger pictures are kept reduced: a preview pane is never that large.
constexpr uint32_t MaxKeptSide = 4096;

class ImageDrawer final : public IImageDraw {
public:
    bool Load(const std::wstring& path) override
    {
        bitmap_ = {};
        width_ = height_ = 0;
        try {
            ComScope com(COINIT_APARTMENTTHREADED);
            PictureReader reader;
            Bitmap bitmap;
            uint32_t width = 0, height = 0;
            if (!reader.ReadBitmap(path, MaxKeptSide, bitmap, width, height)) {
                return false;
            }
            bitmap_ = std::move(bitmap);
            width_ = width;
            height_ = height;
            return true;
        } catch (...) {
            bitmap_ = {};
            return false;
        }
    }

    bool Prepare(HDC dc) override { return dc != nullptr && !bitmap_.Pixels.empty(); }

    bool Draw(HDC dc, int x, int y, int width, int height) override
    {
        if (!Prepare(dc)) {
            return false;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = LONG(bitmap_.Width);
        info.bmiHeader.biHeight = -LONG(bitmap_.Height); // rows top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
        POINT oldOrigin{};
        ::SetBrushOrgEx(dc, 0, 0, &oldOrigin);
        const int lines = ::StretchDIBits(dc, x, y, width, height, 0, 0, int(bitmap_.Width), int(bitmap_.Height),
            bitmap_.Pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        ::SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
        ::SetStretchBltMode(dc, oldMode);
        return lines > 0;
    }

    uint32_t GetWidth() const override { return width_; }
    uint32_t GetHeight() const override { return height_; }

private:
    Bitmap bitmap_;
    uint32_t width_ = 0, height_ = 0;
};

} // namespace

IImageDraw* CreateImageDrawer()
{
    try {
        return new ImageDrawer;
    } catch (...) {
        return nullptr;
    }
}

void FreeImageDrawer(IImageDraw* drawer)
{
    delete static_cast<ImageDrawer*>(drawer);
}

} // namespace ImageClonarium
