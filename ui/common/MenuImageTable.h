#pragma once
// Pictures beside menu items: the items are owner-drawn for their picture
// only (the system draws the text), greyed when the item is.
#include "ui/framework/GdiHandles.h"

#include <windows.h>

#include <unordered_map>

namespace vandrelcommon::ui {

class MenuImageTable {
public:
    // Takes `bitmap` (32-bit with alpha) over; a picture already there for
    // `id` is deleted. A null bitmap removes the entry.
    void Add(UINT id, GdiBitmap bitmap);
    HBITMAP Find(UINT id) const;
    size_t Size() const { return images_.size(); }

    // Asks the menu to have the pictures of those of its items (not of its
    // submenus) that have one drawn by the owner window.
    void AttachTo(HMENU menu) const;

    // WM_MEASUREITEM and WM_DRAWITEM of a menu item; false when the item has
    // no picture here.
    bool MeasureItem(MEASUREITEMSTRUCT& item) const;
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

private:
    struct Image {
        GdiBitmap bitmap;
        SIZE size{};
    };
    std::unordered_map<UINT, Image> images_;
};

} // namespace vandrelcommon::ui
