#pragma once
#include <windows.h>

#include <string>

namespace vandrelcommon::ui {

// Sets `control`'s text and resizes the control, keeping its position, so
// that its client area is just as large as the text in its font. False when
// the control is not a window.
bool SetTextAndFit(HWND control, const std::wstring& text);

// The size `text` takes in `window`'s font.
SIZE MeasureText(HWND window, const std::wstring& text);

} // namespace vandrelcommon::ui
