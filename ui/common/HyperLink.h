#pragma once
// A static text that acts as a link to a web address: underlined while the
// mouse is over it (or for good, when asked), a hand cursor, a tooltip with
// the address, opened with the shell when clicked or when Space or Enter is
// pressed on it. A disabled link is drawn as plain text and does not react.
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Window.h"

#include <windows.h>

#include <string>

namespace vandrelcommon::ui {

class CHyperLink : public CWindowImpl {
public:
    // What opens an address; the shell's "open" verb unless replaced.
    using Opener = void (*)(const std::wstring& address);
    // Replaces the opener of every link; returns the one it replaced.
    static Opener SetOpener(Opener opener);

    CHyperLink() = default;
    ~CHyperLink() override;

    // Takes over the static control `window` (which should have SS_NOTIFY).
    bool Attach(HWND window, const std::wstring& address);
    void SetAddress(const std::wstring& address);
    const std::wstring& Address() const { return address_; }
    // Underlined whether or not the mouse is over it (while enabled).
    void SetPermanentUnderline(bool underline);
    bool IsUnderlined() const;
    // Opens the address, unless the link is disabled.
    void Open() const;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
    ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
    ON_MESSAGE(WM_SETCURSOR, OnSetCursor)
    ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
    ON_MESSAGE(WM_GETDLGCODE, OnGetDlgCode)
    ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
    ON_MESSAGE(WM_SETFOCUS, OnFocusChange)
    ON_MESSAGE(WM_KILLFOCUS, OnFocusChange)
    ON_MESSAGE(WM_ENABLE, OnRepaintAfterDefault)
    ON_MESSAGE(WM_SETTEXT, OnRepaintAfterDefault)
    ON_MESSAGE(WM_SETFONT, OnSetFont)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    END_MESSAGE_MAP()

private:
    LRESULT OnPaint(Message& msg);
    LRESULT OnMouseMove(Message& msg);
    LRESULT OnMouseLeave(Message& msg);
    LRESULT OnSetCursor(Message& msg);
    LRESULT OnLButtonUp(Message& msg);
    LRESULT OnGetDlgCode(Message& msg);
    LRESULT OnKeyDown(Message& msg);
    LRESULT OnFocusChange(Message& msg);
    LRESULT OnRepaintAfterDefault(Message& msg);
    LRESULT OnSetFont(Message& msg);
    LRESULT OnDestroy(Message& msg);
    void MakeUnderlinedFont();
    void UpdateTooltip();

    std::wstring address_;
    bool hovering_ = false;
    bool permanentUnderline_ = false;
    GdiFont underlinedFont_;
    HWND tooltip_ = nullptr;
};

} // namespace vandrelcommon::ui
