#include "ui/framework/Splitter.h"

#include <algorithm>

namespace vandrelcommon::ui {

WindowClass CSplitterWindow::GetWindowClass() const
{
    WindowClass splitterClass;
    splitterClass.name = L"vandrelcommon.ui.Splitter";
    splitterClass.style = CS_DBLCLKS;
    // The divider is the background showing between the panes.
    splitterClass.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    return splitterClass;
}

HWND CSplitterWindow::Create(HWND parent, const RECT& rect, DWORD style, UINT id)
{
    return CWindowImpl::Create(parent, rect, nullptr, style, 0, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CSplitterWindow::SetPanes(HWND first, HWND second, bool update)
{
    panes_[0] = first;
    panes_[1] = second;
    if (update) {
        UpdateLayout();
    }
}

void CSplitterWindow::SetPane(int index, HWND pane, bool update)
{
    if (index != 0 && index != 1) {
        return;
    }
    panes_[index] = pane;
    if (update) {
        UpdateLayout();
    }
}

HWND CSplitterWindow::GetPane(int index) const
{
    return index == 0 || index == 1 ? panes_[index] : nullptr;
}

int CSplitterWindow::DividerWidth() const
{
    return ::GetSystemMetrics(leftRight_ ? SM_CXSIZEFRAME : SM_CYSIZEFRAME);
}

int CSplitterWindow::Extent() const
{
    if (hwnd_ == nullptr) {
        return 0;
    }
    const RECT client = GetClientRect();
    return leftRight_ ? client.right - client.left : client.bottom - client.top;
}

int CSplitterWindow::Clamp(int position) const
{
    const int available = Extent() - DividerWidth();
    const int upper = available - minimumPaneSize_;
    if (upper < minimumPaneSize_) {
        // Too small for both minimum sizes: share what there is.
        return std::max(0, available / 2);
    }
    return std::clamp(position, minimumPaneSize_, upper);
}

void CSplitterWindow::SetSplitterPos(int position, bool update)
{
    const int extent = Extent();
    if (extent <= 0) {
        pendingPosition_ = position;
        position_ = std::max(position, 0);
        return;
    }
    if (position < 0) {
        position = (extent - DividerWidth()) / 2;
    }
    pendingPosition_.reset();
    position_ = Clamp(position);
    share_ = ::MulDiv(position_, 10000, extent);
    if (update) {
        UpdateLayout();
    }
}

void CSplitterWindow::SetMinimumPaneSize(int size, bool update)
{
    minimumPaneSize_ = std::max(size, 0);
    if (Extent() > 0 && !pendingPosition_) {
        position_ = Clamp(position_);
        share_ = ::MulDiv(position_, 10000, Extent());
    }
    if (update) {
        UpdateLayout();
    }
}

void CSplitterWindow::SetSinglePaneMode(int pane, bool update)
{
    if (pane != 0 && pane != 1) {
        pane = kBothPanes;
    }
    singlePane_ = pane;
    for (int index = 0; index < 2; ++index) {
        if (panes_[index] != nullptr) {
            const bool shown = pane == kBothPanes || pane == index;
            ::ShowWindow(panes_[index], shown ? SW_SHOWNA : SW_HIDE);
        }
    }
    if (update) {
        UpdateLayout();
    }
}

void CSplitterWindow::UpdateLayout()
{
    if (hwnd_ == nullptr) {
        return;
    }
    const RECT client = GetClientRect();
    constexpr UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (singlePane_ != kBothPanes) {
        if (HWND pane = panes_[singlePane_]) {
            ::SetWindowPos(pane, nullptr, 0, 0, client.right, client.bottom, flags);
        }
        return;
    }
    const int divider = DividerWidth();
    RECT first = client;
    RECT second = client;
    if (leftRight_) {
        first.right = std::min<LONG>(position_, client.right);
        second.left = std::min<LONG>(position_ + divider, client.right);
    } else {
        first.bottom = std::min<LONG>(position_, client.bottom);
        second.top = std::min<LONG>(position_ + divider, client.bottom);
    }
    const RECT rects[2] = {first, second};
    for (int index = 0; index < 2; ++index) {
        if (panes_[index] != nullptr) {
            const RECT& rect = rects[index];
            ::SetWindowPos(
                panes_[index], nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, flags);
        }
    }
    Invalidate();
}

LRESULT CSplitterWindow::OnSize(Message& msg)
{
    if (msg.wParam == SIZE_MINIMIZED || Extent() <= 0) {
        return 0;
    }
    if (pendingPosition_) {
        SetSplitterPos(*pendingPosition_, false);
    } else if (proportional_) {
        position_ = Clamp(::MulDiv(Extent(), share_, 10000));
    } else {
        position_ = Clamp(position_);
    }
    UpdateLayout();
    return 0;
}

bool CSplitterWindow::OnDivider(POINT point) const
{
    if (!draggable_ || singlePane_ != kBothPanes) {
        return false;
    }
    const int along = AlongAxis(point);
    return along >= position_ && along < position_ + DividerWidth();
}

LRESULT CSplitterWindow::OnSetCursor(Message& msg)
{
    POINT point{};
    ::GetCursorPos(&point);
    ::ScreenToClient(hwnd_, &point);
    if (reinterpret_cast<HWND>(msg.wParam) == hwnd_ && LOWORD(msg.lParam) == HTCLIENT && OnDivider(point)) {
        ::SetCursor(::LoadCursorW(nullptr, leftRight_ ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
    }
    msg.handled = false;
    return 0;
}

LRESULT CSplitterWindow::OnLButtonDown(Message& msg)
{
    const POINT point = msg.Point();
    if (!OnDivider(point)) {
        msg.handled = false;
        return 0;
    }
    ::SetCapture(hwnd_);
    dragging_ = true;
    dragOffset_ = AlongAxis(point) - position_;
    return 0;
}

LRESULT CSplitterWindow::OnMouseMove(Message& msg)
{
    if (!dragging_ || ::GetCapture() != hwnd_) {
        msg.handled = false;
        return 0;
    }
    const POINT point = msg.Point();
    SetSplitterPos(AlongAxis(point) - dragOffset_);
    return 0;
}

LRESULT CSplitterWindow::OnLButtonUp(Message& msg)
{
    if (!dragging_) {
        msg.handled = false;
        return 0;
    }
    ::ReleaseCapture();
    return 0;
}

LRESULT CSplitterWindow::OnCaptureChanged(Message& msg)
{
    dragging_ = false;
    msg.handled = false;
    return 0;
}

LRESULT CSplitterWindow::OnSetFocus(Message& msg)
{
    HWND pane = panes_[singlePane_ == 1 ? 1 : 0];
    if (pane != nullptr && (::GetWindowLongPtrW(pane, GWL_STYLE) & WS_VISIBLE) != 0) {
        ::SetFocus(pane);
        return 0;
    }
    msg.handled = false;
    return 0;
}

} // namespace vandrelcommon::ui
