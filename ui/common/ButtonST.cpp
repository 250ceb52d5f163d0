#include "ui/common/ButtonST.h"

#include "ui/framework/Controls.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Module.h"

#include <commctrl.h>
#include <shellapi.h>

namespace vandrelcommon::ui {

namespace {

constexpr UINT_PTR kRepeatTimer = 1;

SIZE IconSize(HICON icon)
{
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) {
        return SIZE{0, 0};
    }
    // GetIconInfo hands over copies of the icon's bitmaps.
    const GdiBitmap color(info.hbmColor);
    const GdiBitmap mask(info.hbmMask);
    BITMAP bitmap{};
    if (::GetObjectW(color ? color.Get() : mask.Get(), sizeof(bitmap), &bitmap) == 0) {
        return SIZE{0, 0};
    }
    // A monochrome icon keeps its mask and image in one bitmap, one above the other.
    return SIZE{bitmap.bmWidth, color ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

} // namespace

CButtonST::CButtonST()
{
    SetDefaultColors(false);
}

CButtonST::~CButtonST()
{
    if (tooltip_ != nullptr) {
        ::DestroyWindow(tooltip_);
    }
}

void CButtonST::SetIcon(HICON icon)
{
    icon_ = icon;
    bitmap_ = nullptr;
    if (hwnd_ != nullptr) {
        Invalidate();
    }
}

void CButtonST::SetBitmap(HBITMAP bitmap)
{
    bitmap_ = bitmap;
    icon_ = nullptr;
    if (hwnd_ != nullptr) {
        Invalidate();
    }
}

void CButtonST::SetColor(Color which, COLORREF color, bool repaint)
{
    ColorOf(which) = color;
    if (repaint && hwnd_ != nullptr) {
        Invalidate();
    }
}

void CButtonST::SetDefaultColors(bool repaint)
{
    ColorOf(Color::BackgroundIn) = ::GetSysColor(COLOR_BTNFACE);
    ColorOf(Color::ForegroundIn) = ::GetSysColor(COLOR_BTNTEXT);
    ColorOf(Color::BackgroundOut) = ::GetSysColor(COLOR_BTNFACE);
    ColorOf(Color::ForegroundOut) = ::GetSysColor(COLOR_BTNTEXT);
    ColorOf(Color::BackgroundFocus) = ::GetSysColor(COLOR_BTNFACE);
    ColorOf(Color::ForegroundFocus) = ::GetSysColor(COLOR_BTNTEXT);
    if (repaint && hwnd_ != nullptr) {
        Invalidate();
    }
}

void CButtonST::SetTooltipText(const std::wstring& text)
{
    if (hwnd_ == nullptr) {
        return;
    }
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    if (tooltip_ == nullptr) {
        tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, AppModule().Instance(), nullptr);
        if (tooltip_ == nullptr) {
            return;
        }
        CToolTipCtrl(tooltip_).AddTool(tool);
        return;
    }
    CToolTipCtrl(tooltip_).UpdateTipText(tool);
}

void CButtonST::SetAutoRepeat(bool repeat, UINT pause)
{
    autoRepeat_ = repeat;
    repeatPause_ = pause > 0 ? pause : 1;
}

void CButtonST::SendCommand() const
{
    ::SendMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED), reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT CButtonST::OnLButtonDown(Message& msg)
{
    if (!autoRepeat_) {
        msg.handled = false;
        return 0;
    }
    // The button takes the capture and shows itself pressed as usual.
    const LRESULT result = DefaultProcedure(msg);
    repeating_ = true;
    SendCommand();
    ::SetTimer(hwnd_, kRepeatTimer, repeatPause_, nullptr);
    return result;
}

LRESULT CButtonST::OnLButtonUp(Message& msg)
{
    if (!repeating_) {
        msg.handled = false;
        return 0;
    }
    // The commands were sent while the button was held: the release adds none.
    repeating_ = false;
    ::KillTimer(hwnd_, kRepeatTimer);
    if (::GetCapture() == hwnd_) {
        ::ReleaseCapture();
    }
    SendMessage(BM_SETSTATE, FALSE);
    return 0;
}

LRESULT CButtonST::OnTimer(Message& msg)
{
    if (msg.wParam != kRepeatTimer) {
        msg.handled = false;
        return 0;
    }
    if (!repeating_ || ::GetCapture() != hwnd_) {
        repeating_ = false;
        ::KillTimer(hwnd_, kRepeatTimer);
        return 0;
    }
    // Only while the pointer is still over the pressed button.
    if ((SendMessage(BM_GETSTATE) & BST_PUSHED) != 0) {
        SendCommand();
    }
    return 0;
}

LRESULT CButtonST::OnSysColorChange(Message& msg)
{
    SetDefaultColors(true);
    msg.handled = false;
    return 0;
}

LRESULT CButtonST::OnDestroy(Message& msg)
{
    if (tooltip_ != nullptr) {
        ::DestroyWindow(tooltip_);
        tooltip_ = nullptr;
    }
    ::KillTimer(hwnd_, kRepeatTimer);
    msg.handled = false;
    return 0;
}

LRESULT CButtonST::OnClicked(Message& msg)
{
    if (!url_.empty()) {
        ::ShellExecuteW(nullptr, L"open", url_.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    }
    // The parent still gets its command.
    msg.handled = false;
    return 0;
}

void CButtonST::DrawPicture(HDC dc, RECT& area, bool disabled) const
{
    const int height = area.bottom - area.top;
    if (icon_ != nullptr) {
        const SIZE size = IconSize(icon_);
        const int y = area.top + (height - size.cy) / 2;
        if (disabled) {
            ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon_), 0, area.left, y, size.cx, size.cy,
                DST_ICON | DSS_DISABLED);
        } else {
            ::DrawIconEx(dc, area.left, y, icon_, size.cx, size.cy, 0, nullptr, DI_NORMAL);
        }
        area.left += size.cx + 4;
    } else if (bitmap_ != nullptr) {
        BITMAP description{};
        ::GetObjectW(bitmap_, sizeof(description), &description);
        const int bitmapHeight = description.bmHeight < 0 ? -description.bmHeight : description.bmHeight;
        const int y = area.top + (height - bitmapHeight) / 2;
        MemoryDC source(dc);
        SelectedObject selected(source, bitmap_);
        if (description.bmBitsPixel == 32) {
            BLENDFUNCTION blend{};
            blend.BlendOp = AC_SRC_OVER;
            blend.SourceConstantAlpha = static_cast<BYTE>(disabled ? 128 : 255);
            blend.AlphaFormat = AC_SRC_ALPHA;
            ::GdiAlphaBlend(dc, area.left, y, description.bmWidth, bitmapHeight, source, 0, 0, description.bmWidth,
                bitmapHeight, blend);
        } else {
            ::BitBlt(dc, area.left, y, description.bmWidth, bitmapHeight, source, 0, 0, SRCCOPY);
        }
        area.left += description.bmWidth + 4;
    }
}

LRESULT CButtonST::OnDrawItem(Message& msg)
{
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool hovering = IsHovering();

    Color background = Color::BackgroundOut;
    Color foreground = Color::ForegroundOut;
    if (hovering) {
        background = Color::BackgroundIn;
        foreground = Color::ForegroundIn;
    } else if (focused) {
        background = Color::BackgroundFocus;
        foreground = Color::ForegroundFocus;
    }
    GdiBrush brush(::CreateSolidBrush(GetColor(background)));
    ::FillRect(dc, &rect, brush.Get());
    if (pressed) {
        ::DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
    } else if (hovering || focused) {
        ::DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
    }

    RECT content = rect;
    ::InflateRect(&content, -4, -3);
    if (pressed) {
        ::OffsetRect(&content, 1, 1);
    }
    const std::wstring text = GetText();
    DrawPicture(dc, content, disabled);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, disabled ? ::GetSysColor(COLOR_GRAYTEXT) : GetColor(foreground));
    SelectedObject font(dc, GetFont());
    const UINT alignment = (icon_ != nullptr || bitmap_ != nullptr) ? DT_LEFT : DT_CENTER;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &content, DT_SINGLELINE | DT_VCENTER | alignment);
    DrawFocus(item);
    return TRUE;
}

} // namespace vandrelcommon::ui
