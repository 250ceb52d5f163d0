#include "ui/IconImages.h"

#include "resources/resource.h"
#include "ui/common/ImageBitmap.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"

#include <objidl.h>
#include <gdiplus.h>

#include <memory>

namespace clonarium {

using vandrelcommon::ui::GdiBitmap;

namespace {

// The resource drawn for the smallest size not below `size`; the largest
// rendering when none is.
UINT RenderingFor(UINT id, int size)
{
    if (size <= 16) {
        return id;
    }
    return size <= 24 ? id + IDB_ICON_SIZE_24 : id + IDB_ICON_SIZE_32;
}

} // namespace

int IconSize()
{
    return vandrelcommon::ui::ScaleY(16);
}

GdiBitmap LoadIconImage(UINT id, int size)
{
    if (!vandrelcommon::ui::GdiplusSession::IsAvailable() || size <= 0) {
        return GdiBitmap();
    }
    const HMODULE module = vandrelcommon::ui::AppModule().ResourceInstance();
    // Pictures without renderings of their own (the flags) have only the 16-pixel one.
    auto stream = vandrelcommon::ui::CreateResourceStream(module, MAKEINTRESOURCEW(RenderingFor(id, size)), L"PNG");
    if (!stream) {
        stream = vandrelcommon::ui::CreateResourceStream(module, MAKEINTRESOURCEW(id), L"PNG");
    }
    if (!stream) {
        return GdiBitmap();
    }
    std::unique_ptr<Gdiplus::Bitmap> source(Gdiplus::Bitmap::FromStream(stream.Get()));
    if (source == nullptr || source->GetLastStatus() != Gdiplus::Ok) {
        return GdiBitmap();
    }
    Gdiplus::Bitmap sized(size, size, PixelFormat32bppPARGB);
    {
        Gdiplus::Graphics graphics(&sized);
        const bool exact = static_cast<int>(source->GetWidth()) == size;
        // Pixel art (the flags) doubles cleanly; other steps are smoothed.
        const bool whole = !exact && size % static_cast<int>(source->GetWidth()) == 0;
        graphics.SetInterpolationMode(
            whole ? Gdiplus::InterpolationModeNearestNeighbor : Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        graphics.DrawImage(source.get(), Gdiplus::Rect(0, 0, size, size), 0, 0, static_cast<INT>(source->GetWidth()),
            static_cast<INT>(source->GetHeight()), Gdiplus::UnitPixel);
    }
    HBITMAP handle = nullptr;
    if (sized.GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &handle) != Gdiplus::Ok) {
        return GdiBitmap();
    }
    return GdiBitmap(handle);
}

vandrelcommon::ui::ImageListHandle ImageListOf(std::initializer_list<UINT> icons)
{
    const int size = IconSize();
    vandrelcommon::ui::ImageListHandle list(
        ::ImageList_Create(size, size, ILC_COLOR32, static_cast<int>(icons.size()), 0));
    for (const UINT id : icons) {
        const GdiBitmap image = LoadIconImage(id, size);
        ::ImageList_Add(list.Get(), image.Get(), nullptr);
    }
    return list;
}

void SetButtonIcon(HWND button, HIMAGELIST images)
{
    BUTTON_IMAGELIST list{};
    list.himl = images;
    list.margin = RECT{vandrelcommon::ui::ScaleX(2), 0, 0, 0};
    list.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
    vandrelcommon::ui::CButton(button).SetImageList(list);
}

} // namespace clonarium
