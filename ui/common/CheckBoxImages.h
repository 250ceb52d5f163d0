#pragma once
// The three check boxes of a tree's state images, drawn by the system
// (themed where a theme is active).
#include "ui/framework/GdiHandles.h"

#include <windows.h>

namespace vandrelcommon::ui {

// An image list of `size`-pixel squares: 0 empty, then an unchecked, a
// checked and a partly checked box, drawn for `window`.
ImageListHandle MakeCheckBoxImages(HWND window, int size);

} // namespace vandrelcommon::ui
