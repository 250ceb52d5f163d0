#pragma once
// An owner-drawn push button with an icon or bitmap beside its text, its own
// colours for the normal, hover and focused looks, an optional tooltip and
// web address, and an auto-repeat mode. Its parent must reflect
// notifications (REFLECT_NOTIFICATIONS) so that it can draw itself.
#include "ui/common/OwnerDrawnButton.h"

#include <windows.h>

#include <array>
#include <string>

namespace vandrelcommon::ui {

class CButtonST : public COwnerDrawnButton {
public:
    enum class Color {
        BackgroundIn, // mouse over the button
        ForegroundIn,
        BackgroundOut, // normal
        ForegroundOut,
        BackgroundFocus, // focused, mouse elsewhere
        ForegroundFocus,
    };

    CButtonST();
    ~CButtonST() override;

    // Pictures stay the caller's.
    void SetIcon(HICON icon);
    void SetBitmap(HBITMAP bitmap);

    void SetColor(Color which, COLORREF color, bool repaint = true);
    COLORREF GetColor(Color which) const { return colors_[static_cast<size_t>(which)]; }
    // The system's button colours (also taken again when they change).
    void SetDefaultColors(bool repaint = true);

    void SetTooltipText(const std::wstring& text);
    // Opened with the shell's "open" verb, maximized, when the button is clicked.
    void SetUrl(const std::wstring& url) { url_ = url; }
    // Holding the left button sends the button's command again and again,
    // `pause` milliseconds apart, until it is released.
    void SetAutoRepeat(bool repeat, UINT pause = 100);

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
    ON_MESSAGE(WM_LBUTTONDBLCLK, OnLButtonDown)
    ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(WM_SYSCOLORCHANGE, OnSysColorChange)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_REFLECTED_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_REFLECTED_COMMAND_CODE(BN_CLICKED, OnClicked)
    CHAIN_TO_BASE(COwnerDrawnButton)
    END_MESSAGE_MAP()

private:
    LRESULT OnLButtonDown(Message& msg);
    LRESULT OnLButtonUp(Message& msg);
    LRESULT OnTimer(Message& msg);
    LRESULT OnSysColorChange(Message& msg);
    LRESULT OnDestroy(Message& msg);
    LRESULT OnDrawItem(Message& msg);
    LRESULT OnClicked(Message& msg);
    void SendCommand() const;
    void DrawPicture(HDC dc, RECT& area, bool disabled) const;

    COLORREF& ColorOf(Color which) { return colors_[static_cast<size_t>(which)]; }

    std::array<COLORREF, static_cast<size_t>(Color::ForegroundFocus) + 1> colors_{};
    HICON icon_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HWND tooltip_ = nullptr;
    std::wstring url_;
    bool autoRepeat_ = false;
    bool repeating_ = false;
    UINT repeatPause_ = 100;
};

} // namespace vandrelcommon::ui
