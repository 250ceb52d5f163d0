#include "ui/common/MenuImageTable.h"

#include "ui/framework/Dpi.h"

#include <vector>

namespace vandrelcommon::ui {

namespace {

// A greyed copy of a 32-bit picture with premultiplied alpha: each pixel's
// brightness, at half its opacity.
GdiBitmap GreyedCopy(HDC reference, HBITMAP bitmap, SIZE size)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy));
    if (::GetDIBits(reference, bitmap, 0, static_cast<UINT>(size.cy), pixels.data(), &info, DIB_RGB_COLORS) == 0) {
        return GdiBitmap();
    }
    for (RGBQUAD& pixel : pixels) {
        const BYTE grey = static_cast<BYTE>((pixel.rgbRed * 299 + pixel.rgbGreen * 587 + pixel.rgbBlue * 114) / 1000);
        pixel.rgbRed = pixel.rgbGreen = pixel.rgbBlue = static_cast<BYTE>(grey / 2);
        pixel.rgbReserved = static_cast<BYTE>(pixel.rgbReserved / 2);
    }
    void* bits = nullptr;
    GdiBitmap greyed(::CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!greyed || bits == nullptr) {
        return GdiBitmap();
    }
    std::copy(pixels.begin(), pixels.end(), static_cast<RGBQUAD*>(bits));
    return greyed;
}

} // namespace

void MenuImageTable::Add(UINT id, GdiBitmap bitmap)
{
    if (!bitmap) {
        images_.erase(id);
        return;
    }
    BITMAP description{};
    ::GetObjectW(bitmap.Get(), sizeof(description), &description);
    Image& image = images_[id];
    image.size = SIZE{description.bmWidth, description.bmHeight < 0 ? -description.bmHeight : description.bmHeight};
    image.bitmap = std::move(bitmap);
}

HBITMAP MenuImageTable::Find(UINT id) const
{
    const auto found = images_.find(id);
    return found == images_.end() ? nullptr : found->second.bitmap.Get();
}

void MenuImageTable::AttachTo(HMENU menu) const
{
    const int count = ::GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        const UINT id = ::GetMenuItemID(menu, position);
        if (id == static_cast<UINT>(-1) || Find(id) == nullptr) {
            continue;
        }
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_BITMAP;
        info.hbmpItem = HBMMENU_CALLBACK;
        ::SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
    }
}

bool MenuImageTable::MeasureItem(MEASUREITEMSTRUCT& item) const
{
    const auto found = item.CtlType == ODT_MENU ? images_.find(item.itemID) : images_.end();
    if (found == images_.end()) {
        return false;
    }
    // The picture is drawn left of the room asked for here: this room is
    // the gap between it and the item's text.
    item.itemWidth += static_cast<UINT>(ScaleX(6));
    if (item.itemHeight < static_cast<UINT>(found->second.size.cy)) {
        item.itemHeight = static_cast<UINT>(found->second.size.cy);
    }
    return true;
}

bool MenuImageTable::DrawItem(const DRAWITEMSTRUCT& item) const
{
    const auto found = item.CtlType == ODT_MENU ? images_.find(item.itemID) : images_.end();
    if (found == images_.end()) {
        return false;
    }
    const Image& image = found->second;
    GdiBitmap greyed;
    HBITMAP shown = image.bitmap.Get();
    if ((item.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0) {
        greyed = GreyedCopy(item.hDC, shown, image.size);
        if (greyed) {
            shown = greyed.Get();
        }
    }
    MemoryDC source(item.hDC);
    SelectedObject selected(source, shown);
    const int x = item.rcItem.left - image.size.cx;
    const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - image.size.cy) / 2;
    BLENDFUNCTION blend{};
    blend.BlendOp = AC_SRC_OVER;
    blend.SourceConstantAlpha = 255;
    blend.AlphaFormat = AC_SRC_ALPHA;
    ::GdiAlphaBlend(item.hDC, x, y, image.size.cx, image.size.cy, source, 0, 0, image.size.cx, image.size.cy, blend);
    return true;
}

} // namespace vandrelcommon::ui
