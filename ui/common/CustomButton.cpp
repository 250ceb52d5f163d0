#include "ui/common/CustomButton.h"

#include "ui/framework/GdiHandles.h"

#include <vssym32.h>

namespace vandrelcommon::ui {

bool CCustomButton::SubclassWindow(HWND button)
{
    if (!COwnerDrawnButton::SubclassWindow(button)) {
        return false;
    }
    theme_.Reset(::OpenThemeData(hwnd_, L"Button"));
    return true;
}

void CCustomButton::SetMenu(HMENU menu)
{
    menu_ = menu;
    if (hwnd_ != nullptr) {
        Invalidate();
    }
}

bool CCustomButton::InDropDownPart(POINT point) const
{
    if (menu_ == nullptr || hwnd_ == nullptr) {
        return false;
    }
    const RECT client = GetClientRect();
    return ::PtInRect(&client, point) && point.x >= client.right - ::GetSystemMetrics(SM_CXVSCROLL);
}

LRESULT CCustomButton::OnLButtonDown(Message& msg)
{
    const POINT point = msg.Point();
    if (!InDropDownPart(point)) {
        msg.handled = false;
        return 0;
    }
    ShowMenu();
    return 0;
}

void CCustomButton::ShowMenu()
{
    menuOpen_ = true;
    Invalidate(false);
    UpdateWindow();
    const RECT rect = GetWindowRect();
    ::TrackPopupMenu(
        menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, rect.left, rect.bottom, 0, GetParent(), nullptr);
    menuOpen_ = false;
    Invalidate(false);
    // The click that closed the menu may wait in the queue: it must not
    // press the button again.
    MSG pending{};
    while (::PeekMessageW(&pending, hwnd_, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, PM_REMOVE)) {
    }
}

LRESULT CCustomButton::OnThemeChanged(Message& msg)
{
    theme_.Reset(::OpenThemeData(hwnd_, L"Button"));
    Invalidate();
    msg.handled = false;
    return 0;
}

LRESULT CCustomButton::OnDestroy(Message& msg)
{
    theme_.Reset();
    msg.handled = false;
    return 0;
}

void CCustomButton::DrawArrow(HDC dc, const RECT& strip, COLORREF color) const
{
    const int size = (strip.right - strip.left) / 4 + 1;
    const int centreX = (strip.left + strip.right) / 2;
    const int centreY = (strip.top + strip.bottom) / 2;
    const POINT points[3] = {{centreX - size, centreY - size / 2}, {centreX + size + 1, centreY - size / 2},
        {centreX, centreY + size / 2 + 1}};
    GdiBrush brush(::CreateSolidBrush(color));
    GdiPen pen(::CreatePen(PS_SOLID, 1, color));
    SelectedObject selectedBrush(dc, brush.Get());
    SelectedObject selectedPen(dc, pen.Get());
    ::Polygon(dc, points, 3);
}

LRESULT CCustomButton::OnDrawItem(Message& msg)
{
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0 || menuOpen_;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool hovering = IsHovering();

    RECT content = rect;
    int state = PBS_NORMAL;
    if (disabled) {
        state = PBS_DISABLED;
    } else if (pressed) {
        state = PBS_PRESSED;
    } else if (hovering) {
        state = PBS_HOT;
    } else if (focused) {
        state = PBS_DEFAULTED;
    }
    if (theme_) {
        if (::IsThemeBackgroundPartiallyTransparent(theme_.Get(), BP_PUSHBUTTON, state)) {
            ::DrawThemeParentBackground(hwnd_, dc, &rect);
        }
        ::DrawThemeBackground(theme_.Get(), dc, BP_PUSHBUTTON, state, &rect, nullptr);
        ::GetThemeBackgroundContentRect(theme_.Get(), dc, BP_PUSHBUTTON, state, &rect, &content);
    } else {
        UINT flags = DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0) | (hovering ? DFCS_HOT : 0);
        ::DrawFrameControl(dc, &rect, DFC_BUTTON, flags);
        ::InflateRect(&content, -::GetSystemMetrics(SM_CXEDGE), -::GetSystemMetrics(SM_CYEDGE));
        if (pressed) {
            ::OffsetRect(&content, 1, 1);
        }
    }

    const COLORREF textColor = ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    if (menu_ != nullptr) {
        RECT strip = content;
        strip.left = rect.right - ::GetSystemMetrics(SM_CXVSCROLL);
        RECT divider = strip;
        divider.top += 2;
        divider.bottom -= 2;
        ::DrawEdge(dc, &divider, EDGE_ETCHED, BF_LEFT);
        strip.left += ::GetSystemMetrics(SM_CXEDGE);
        DrawArrow(dc, strip, textColor);
        content.right = rect.right - ::GetSystemMetrics(SM_CXVSCROLL);
    }

    const std::wstring text = GetText();
    SelectedObject font(dc, GetFont());
    constexpr UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (theme_) {
        ::DrawThemeText(
            theme_.Get(), dc, BP_PUSHBUTTON, state, text.c_str(), static_cast<int>(text.size()), format, 0, &content);
    } else {
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, textColor);
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &content, format);
    }
    DrawFocus(item);
    return TRUE;
}

} // namespace vandrelcommon::ui
