#pragma once
// GDI+ for the life of the session object; pictures are loaded only while a
// session runs.
#include <windows.h>

#include <cstdint>

namespace vandrelcommon::ui {

class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    bool Started() const { return token_ != 0; }
    // True while some session has GDI+ started.
    static bool IsAvailable();

private:
    ULONG_PTR token_ = 0;
};

} // namespace vandrelcommon::ui
