#pragma once
// The program's icons at the screen's scaling. Each icon is a "PNG" resource
// drawn for 16 pixels, with renderings for 24 and 32 pixels beside it
// (resources/resource.h); other sizes are scaled from the nearest larger one.
#include "ui/framework/GdiHandles.h"

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

namespace clonarium {

// The side of toolbar and menu icons at the screen's DPI: 16 pixels at 100%.
int IconSize();

// Icon `id` at `size` x `size` pixels as a 32-bit bitmap with premultiplied
// alpha; nothing when GDI+ is not running or the icon is missing.
vandrelcommon::ui::GdiBitmap LoadIconImage(UINT id, int size);

// The icons at the screen's scaling, in the order given.
vandrelcommon::ui::ImageListHandle ImageListOf(std::initializer_list<UINT> icons);

// Shows the list's first picture on the button, left of its text. Image
// lists rather than bitmaps: a button draws those with their transparency.
// The list must outlive the button.
void SetButtonIcon(HWND button, HIMAGELIST images);

} // namespace clonarium
