#pragma once
// An owner-drawn push button drawn with the visual styles when they are on
// (the system's button colours otherwise) that may carry a popup menu: the
// strip one scroll-bar width wide at its right edge opens the menu. Its
// parent must reflect notifications (REFLECT_NOTIFICATIONS).
#include "ui/common/OwnerDrawnButton.h"
#include "ui/framework/GdiHandles.h"

#include <windows.h>
#include <uxtheme.h>

namespace vandrelcommon::ui {

class CCustomButton : public COwnerDrawnButton {
public:
    // Takes over a push button, makes it owner-drawn and opens its theme.
    bool SubclassWindow(HWND button);

    // The menu stays the caller's; null removes the drop-down part. Its
    // commands go to the button's parent.
    void SetMenu(HMENU menu);
    HMENU Menu() const { return menu_; }
    bool IsThemed() const { return static_cast<bool>(theme_); }
    // Whether `point` (client coordinates) lies on the drop-down part.
    bool InDropDownPart(POINT point) const;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
    ON_MESSAGE(WM_LBUTTONDBLCLK, OnLButtonDown)
    ON_MESSAGE(WM_THEMECHANGED, OnThemeChanged)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_REFLECTED_MESSAGE(WM_DRAWITEM, OnDrawItem)
    CHAIN_TO_BASE(COwnerDrawnButton)
    END_MESSAGE_MAP()

private:
    LRESULT OnLButtonDown(Message& msg);
    LRESULT OnThemeChanged(Message& msg);
    LRESULT OnDestroy(Message& msg);
    LRESULT OnDrawItem(Message& msg);
    void ShowMenu();
    void DrawArrow(HDC dc, const RECT& strip, COLORREF color) const;

    ThemeHandle theme_;
    HMENU menu_ = nullptr;
    bool menuOpen_ = false;
};

} // namespace vandrelcommon::ui
