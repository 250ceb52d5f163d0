#include "ui/framework/Gdiplus.h"

#include <objidl.h>
#include <gdiplus.h>

#include <atomic>

namespace vandrelcommon::ui {

namespace {

std::atomic<int> sessions = 0;

} // namespace

GdiplusSession::GdiplusSession()
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
        token_ = token;
        ++sessions;
    }
}

GdiplusSession::~GdiplusSession()
{
    if (token_ != 0) {
        --sessions;
        Gdiplus::GdiplusShutdown(token_);
    }
}

bool GdiplusSession::IsAvailable()
{
    return sessions > 0;
}

} // namespace vandrelcommon::ui
