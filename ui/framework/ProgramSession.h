#pragma once
// What a windowed program of ours sets up before its first window and takes
// down after its last: OLE (a COM apartment on this thread, and drag and
// drop), GDI+, the common controls' classes and the module record.
#include "ui/framework/Gdiplus.h"

#include <windows.h>

namespace vandrelcommon::ui {

class ProgramSession {
public:
    explicit ProgramSession(HINSTANCE instance = ::GetModuleHandleW(nullptr));
    ~ProgramSession();
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

private:
    // Entered first and left last, after GDI+ is shut down.
    class ComApartment {
    public:
        ComApartment();
        ~ComApartment();
        ComApartment(const ComApartment&) = delete;
        ComApartment& operator=(const ComApartment&) = delete;

    private:
        bool entered_ = false;
    };

    ComApartment com_;
    GdiplusSession gdiplus_;
};

} // namespace vandrelcommon::ui
