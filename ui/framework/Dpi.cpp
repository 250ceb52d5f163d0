#include "ui/framework/Dpi.h"

namespace vandrelcommon::ui {

namespace {

struct ScreenDpi {
    int x = 96;
    int y = 96;
};

const ScreenDpi& CachedDpi()
{
    static const ScreenDpi dpi = [] {
        ScreenDpi read;
        if (HDC screen = ::GetDC(nullptr)) {
            read.x = ::GetDeviceCaps(screen, LOGPIXELSX);
            read.y = ::GetDeviceCaps(screen, LOGPIXELSY);
            ::ReleaseDC(nullptr, screen);
        }
        // A device that reports nothing is taken as the usual 96.
        if (read.x <= 0) {
            read.x = 96;
        }
        if (read.y <= 0) {
            read.y = 96;
        }
        return read;
    }();
    return dpi;
}

} // namespace

int ScreenDpiX()
{
    return CachedDpi().x;
}

int ScreenDpiY()
{
    return CachedDpi().y;
}

int ScaleX(int value)
{
    return ::MulDiv(value, ScreenDpiX(), 96);
}

int ScaleY(int value)
{
    return ::MulDiv(value, ScreenDpiY(), 96);
}

} // namespace vandrelcommon::ui
