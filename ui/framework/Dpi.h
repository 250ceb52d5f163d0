#pragma once
// Sizes are written for 96 DPI and scaled to the screen's DPI, which is read
// once from the screen's device context and kept.
#include <windows.h>

namespace vandrelcommon::ui {

int ScreenDpiX();
int ScreenDpiY();

// MulDiv(value, screen DPI, 96) on each axis.
int ScaleX(int value);
int ScaleY(int value);

} // namespace vandrelcommon::ui
