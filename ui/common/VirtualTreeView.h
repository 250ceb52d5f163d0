#pragma once
// A tree with columns and three-state check boxes shown by a list view in
// owner-data mode: the list view only holds the number of rows and asks for
// each row it paints, so collapsed subtrees cost it nothing. The list view's
// parent must reflect notifications (REFLECT_NOTIFICATIONS).
#include "ui/common/VirtualTree.h"
#include "ui/framework/Controls.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Window.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace vandrelcommon::ui {

class CVirtualTreeView : public CWindowImpl, public CVirtualTree {
public:
    // View flags; both are set on construction.
    static constexpr uint32_t kCheckBoxes = 1;
    static constexpr uint32_t kTreeLines = 2;

    // Sent to the parent as a WM_NOTIFY code after the user changed a check
    // mark (a click on its box, or Space).
    static constexpr UINT kCheckChanged = 0x7fe0;

    // The state image list, by position: slot 0 stays empty.
    enum class StateImage { NoBox, UncheckedBox, CheckedBox, MixedBox };

    CVirtualTreeView() = default;
    ~CVirtualTreeView() override;

    // Takes over a list view in report and owner-data mode (LVS_REPORT |
    // LVS_OWNERDATA) and prepares it. False when it cannot be subclassed.
    bool Attach(HWND listView);

    // The list view taken over, for what the view does not do itself.
    CListViewCtrl ListView() const { return CListViewCtrl(hwnd_); }

    uint32_t ViewFlags() const { return viewFlags_; }
    // Takes effect at Attach.
    void SetViewFlags(uint32_t flags) { viewFlags_ = flags; }

    // The model's operations, keeping the top row's node in view and the
    // selection and focus on the nodes that had them (or, for a node taken
    // away, on the row that takes its place), and repainting every row.
    bool Expand(int row) override;
    bool Collapse(int row) override;
    void ExpandAll() override;
    void CollapseAll() override;
    void RemoveNodes(const std::vector<CVirtualNode*>& nodes) override;
    void ReorderChildren(CVirtualNode* parent, const std::vector<CVirtualNode*>& order) override;
    void SortGrandchildren(
        CVirtualNode* parent, const std::function<bool(const CVirtualNode*, const CVirtualNode*)>& less) override;

    // Repaints the node's row when it is on screen.
    void RedrawNode(const CVirtualNode* node);

    enum class HitPart { Nowhere, Row, StateIcon, Expander };
    struct HitResult {
        int row = -1;
        HitPart part = HitPart::Nowhere;
    };
    // What lies under a point of the client area.
    HitResult HitTest(POINT point) const;
    // The square left of a row's check box that holds its expander and tree
    // lines, in client coordinates; empty for a row that does not exist.
    RECT ExpanderRect(int row) const;

    // The node of the focused row, or null.
    CVirtualNode* FocusedNode() const;
    // Makes `row` the only selected row and the focused one.
    void SelectOnly(int row);

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_LBUTTONDOWN, OnButtonDown)
    ON_MESSAGE(WM_LBUTTONDBLCLK, OnButtonDown)
    ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
    ON_MESSAGE(WM_SETREDRAW, OnSetRedraw)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_REFLECTED_NOTIFY_CODE(LVN_GETDISPINFOW, OnGetDispInfo)
    ON_REFLECTED_NOTIFY_CODE(NM_CUSTOMDRAW, OnCustomDraw)
    END_MESSAGE_MAP()

protected:
    void OnRowsChanged(int firstRow) override;
    void OnRowsMoved(int row, int count) override;

    // Width of one indent step of the list view (its small icon width).
    int IndentWidth() const;
    int RowHeight() const;
    // A row's whole rectangle in client coordinates; false for a row the
    // list view does not have.
    bool RowBounds(int row, RECT& bounds) const { return ListView().GetItemRect(row, bounds, LVIR_BOUNDS); }

    // Custom drawing of a row, for a view that draws more than the tree: the
    // answer of a row's pre-paint stage (CDRF_ flags), a cell's pre-paint
    // stage when the row asked for it, and the row's post-paint stage, which
    // draws the tree lines.
    virtual LRESULT OnRowPrePaint(NMLVCUSTOMDRAW& draw);
    virtual LRESULT OnCellPrePaint(NMLVCUSTOMDRAW& draw);
    virtual void OnRowPostPaint(NMLVCUSTOMDRAW& draw);

private:
    LRESULT OnButtonDown(Message& msg);
    LRESULT OnKeyDown(Message& msg);
    LRESULT OnSetRedraw(Message& msg);
    // Up, Down, Home, End and the page keys without Shift or Ctrl; false
    // for any other key.
    bool MoveByKey(WPARAM key);
    LRESULT OnDestroy(Message& msg);
    LRESULT OnGetDispInfo(Message& msg);
    LRESULT OnCustomDraw(Message& msg);
    // Toggles the row's mark as the user asked, repaints and tells the parent.
    void ToggleByUser(int row);

    // Runs a change of the model's rows at `row` (or of all of them), then
    // puts the top row, the selection and the focus back on their nodes.
    bool ChangeRow(int row, const std::function<bool(int)>& change);
    // `goes`, when given, tells the nodes the change takes away;
    // `focusInView` scrolls the focused row into sight.
    void ChangeAll(const std::function<void()>& change, const std::function<bool(const CVirtualNode*)>& goes = nullptr,
        bool focusInView = false);
    void BuildStateImages();
    void DrawTreeLines(HDC dc, int row) const;
    void InvalidateRowsFrom(int row) const;
    void SetItemCount() const;
    void SetRowState(int row, UINT state, UINT mask) const;
    // Selected rows in order, from `first` on.
    std::vector<int> SelectedRows(int first = 0) const;
    int FocusedRow() const;

    // Marks and scroll position kept across a change of the rows.
    class KeepInView;

    uint32_t viewFlags_ = kCheckBoxes | kTreeLines;
    bool redraw_ = true;
    ImageListHandle stateImages_;
};

} // namespace vandrelcommon::ui
