#include "ui/common/OwnerDrawnButton.h"

namespace vandrelcommon::ui {

bool COwnerDrawnButton::SubclassWindow(HWND button)
{
    if (!CWindowImpl::SubclassWindow(button)) {
        return false;
    }
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
    Invalidate();
    return true;
}

void COwnerDrawnButton::DrawFocus(const DRAWITEMSTRUCT& item)
{
    if ((item.itemState & ODS_FOCUS) == 0 || (item.itemState & ODS_NOFOCUSRECT) != 0) {
        return;
    }
    RECT focus = item.rcItem;
    ::InflateRect(&focus, -3, -3);
    ::DrawFocusRect(item.hDC, &focus);
}

LRESULT COwnerDrawnButton::OnMouseMove(Message& msg)
{
    if (!hovering_) {
        hovering_ = true;
        // Asks for the WM_MOUSELEAVE that ends the hover look.
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = hwnd_;
        ::TrackMouseEvent(&track);
        Invalidate(false);
    }
    msg.handled = false;
    return 0;
}

LRESULT COwnerDrawnButton::OnMouseLeave(Message& msg)
{
    hovering_ = false;
    Invalidate(false);
    msg.handled = false;
    return 0;
}

} // namespace vandrelcommon::ui
