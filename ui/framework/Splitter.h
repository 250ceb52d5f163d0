#pragma once
// Two panes side by side (left/right) or one above the other (top/bottom)
// with a divider between them. The panes' notifications go to the panes
// themselves when they handle them, else on to the splitter's parent.
#include "ui/framework/Window.h"

#include <windows.h>

#include <optional>

namespace vandrelcommon::ui {

class CSplitterWindow : public CWindowImpl {
public:
    static constexpr int kBothPanes = -1;

    // `leftRight` true: panes left and right of a vertical divider.
    explicit CSplitterWindow(bool leftRight = true) : leftRight_(leftRight) { }

    HWND Create(HWND parent, const RECT& rect = RECT{},
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, UINT id = 0);

    void SetPanes(HWND first, HWND second, bool update = true);
    void SetPane(int index, HWND pane, bool update = true);
    HWND GetPane(int index) const;

    // Distance of the divider from the left or top edge; -1 puts it in the
    // middle. It is kept at least the minimum pane size from both edges.
    // Before the splitter has a size the position is kept as asked.
    void SetSplitterPos(int position = -1, bool update = true);
    int GetSplitterPos() const { return position_; }
    void SetMinimumPaneSize(int size, bool update = true);
    int MinimumPaneSize() const { return minimumPaneSize_; }

    // Proportional: the divider keeps its share of the size when the
    // splitter is resized; otherwise it keeps its distance from the start.
    void SetProportional(bool proportional) { proportional_ = proportional; }
    // Only pane `pane` (0 or 1) fills the splitter, the other is hidden;
    // kBothPanes shows both.
    void SetSinglePaneMode(int pane, bool update = true);
    int GetSinglePaneMode() const { return singlePane_; }
    // Whether the user may drag the divider.
    void SetDraggable(bool draggable) { draggable_ = draggable; }
    bool IsDraggable() const { return draggable_; }

    int DividerWidth() const;
    // Places the panes in the splitter's client area.
    void UpdateLayout();

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_SETCURSOR, OnSetCursor)
    ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
    ON_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
    ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
    ON_MESSAGE(WM_CAPTURECHANGED, OnCaptureChanged)
    ON_MESSAGE(WM_SETFOCUS, OnSetFocus)
    PASS_NOTIFICATIONS_ON()
    END_MESSAGE_MAP()

protected:
    WindowClass GetWindowClass() const override;

private:
    LRESULT OnSize(Message& msg);
    LRESULT OnSetCursor(Message& msg);
    LRESULT OnLButtonDown(Message& msg);
    LRESULT OnMouseMove(Message& msg);
    LRESULT OnLButtonUp(Message& msg);
    LRESULT OnCaptureChanged(Message& msg);
    LRESULT OnSetFocus(Message& msg);

    // Length of the client area along the divider's axis.
    int Extent() const;
    int Clamp(int position) const;
    bool OnDivider(POINT point) const;
    int AlongAxis(POINT point) const { return leftRight_ ? point.x : point.y; }

    bool leftRight_;
    HWND panes_[2] = {nullptr, nullptr};
    int position_ = 0;
    // Asked for before the splitter had a size (negative: the middle), applied at
    // the first size.
    std::optional<int> pendingPosition_;
    int minimumPaneSize_ = 0;
    bool proportional_ = false;
    // Divider position per 10000 of the extent, kept in proportional mode.
    int share_ = 5000;
    int singlePane_ = kBothPanes;
    bool draggable_ = true;
    bool dragging_ = false;
    int dragOffset_ = 0;
};

} // namespace vandrelcommon::ui
