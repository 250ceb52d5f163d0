#pragma once
// Pictures for toolbars, menus and dialogs as 32-bit bitmaps that keep their
// per-pixel alpha.
#include "ui/framework/ComPtr.h"
#include "ui/framework/GdiHandles.h"

#include <windows.h>

namespace vandrelcommon::ui {

// Loads `name` as:
//   - a file, when `type` is null (`name` is then a path);
//   - a resource of a custom type such as L"PNG" or L"GIF";
//   - a bitmap resource, when `type` is RT_BITMAP.
// Resources come from `module` (null: the framework module's resources).
// Nothing when GDI+ is not running or the picture is missing or unreadable.
GdiBitmap LoadImageBitmap(const wchar_t* name, const wchar_t* type, HMODULE module = nullptr);

// Copies the bytes of resource `name` of `type` into a global memory block
// behind a stream; empty when the resource is missing or empty.
ComPtr<IStream> CreateResourceStream(HMODULE module, const wchar_t* name, const wchar_t* type);

} // namespace vandrelcommon::ui
