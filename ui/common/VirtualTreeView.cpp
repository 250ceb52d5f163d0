// The view half of the virtual tree. The model (CVirtualTree) owns the nodes
// and keeps `rows`: the nodes shown, in display order. A row is a position,
// the same in `rows` and in the list view; a node is the object behind it,
// and its row changes whenever a row above it comes or goes. The list view
// holds no items at all, only their number: it asks for one row at a time
// (OnGetDispInfo) when it paints it. It does keep its marks (selection,
// focus, the top row) by row number, so every change of the rows moves them
// to follow their nodes: KeepInView around a change of many rows,
// OnRowsMoved for a single row inserted or removed.
#include "ui/common/VirtualTreeView.h"

#include "ui/common/CheckBoxImages.h"
#include "ui/framework/Dpi.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace vandrelcommon::ui {

namespace {

constexpr int kStateImageSize = 16; // at 100% scaling
constexpr int kExpanderBox = 9;     // the boxed plus or minus, odd so it has a centre

using StateImage = CVirtualTreeView::StateImage;

StateImage StateImageOf(const CVirtualNode* node)
{
    switch (node->GetCheckState()) {
    case Checked:
        return StateImage::CheckedBox;
    case Mixed:
        return StateImage::MixedBox;
    default:
        return StateImage::UncheckedBox;
    }
}

// The node's row when it has one, else its highest collapsed ancestor, whose
// row is there because everything above it is expanded.
const CVirtualNode* ShownNode(const CVirtualNode* node)
{
    const CVirtualNode* shown = node;
    for (const CVirtualNode* up = node->parent; up != nullptr && up->level >= 0; up = up->parent) {
        if (!up->IsExpanded()) {
            shown = up;
        }
    }
    return shown;
}

// The row of each of `nodes` (-1 for a node without one), in one pass over
// the rows: the nodes sorted by address are looked up for every row.
std::vector<int> FindRows(const std::vector<CVirtualNode*>& rows, const std::vector<const CVirtualNode*>& nodes)
{
    std::vector<int> rowOf(nodes.size(), -1);
    if (nodes.empty()) {
        return rowOf;
    }
    std::vector<std::pair<const CVirtualNode*, size_t>> byAddress; // node, its position in `nodes`
    byAddress.reserve(nodes.size());
    for (size_t position = 0; position < nodes.size(); ++position) {
        byAddress.emplace_back(nodes[position], position);
    }
    std::sort(byAddress.begin(), byAddress.end());
    for (size_t row = 0; row < rows.size(); ++row) {
        const CVirtualNode* node = rows[row];
        auto at = std::lower_bound(byAddress.begin(), byAddress.end(), std::make_pair(node, size_t{0}));
        for (; at != byAddress.end() && at->first == node; ++at) {
            rowOf[at->second] = static_cast<int>(row);
        }
    }
    return rowOf;
}

// Every other pixel, counted from `phase`, so that dotted lines of
// neighbouring rows join up.
void DottedVertical(HDC dc, int x, int top, int bottom, int phase, COLORREF color)
{
    for (int y = top; y < bottom; ++y) {
        if (((y + phase) & 1) == 0) {
            ::SetPixelV(dc, x, y, color);
        }
    }
}

void DottedHorizontal(HDC dc, int left, int right, int y, int phase, COLORREF color)
{
    for (int x = left; x < right; ++x) {
        if (((x + phase) & 1) == 0) {
            ::SetPixelV(dc, x, y, color);
        }
    }
}

void DrawExpander(HDC dc, int centreX, int centreY, bool expanded)
{
    const int half = kExpanderBox / 2;
    RECT box{centreX - half, centreY - half, centreX + half + 1, centreY + half + 1};
    GdiBrush frame(::CreateSolidBrush(::GetSysColor(COLOR_GRAYTEXT)));
    ::FillRect(dc, &box, ::GetSysColorBrush(COLOR_WINDOW));
    ::FrameRect(dc, &box, frame.Get());
    const COLORREF sign = ::GetSysColor(COLOR_WINDOWTEXT);
    for (int d = -2; d <= 2; ++d) {
        ::SetPixelV(dc, centreX + d, centreY, sign);
        if (!expanded) {
            ::SetPixelV(dc, centreX, centreY + d, sign);
        }
    }
}

} // namespace

// Remembers the top row's node and the nodes of the selected and focused
// rows before the rows change; Restore scrolls the top node back to the top
// and moves the marks to the rows those nodes have now (or to the collapsed
// ancestor that hides them). The list view keeps marks by row number only.
class CVirtualTreeView::KeepInView {
public:
    explicit KeepInView(CVirtualTreeView& view) : view_(view)
    {
        if (view.hwnd_ == nullptr) {
            return;
        }
        const int count = static_cast<int>(view.rows_.size());
        const int top = view.ListView().GetTopIndex();
        if (top >= 0 && top < count) {
            topNode_ = view.rows_[top];
        }
        for (int row : view.SelectedRows()) {
            if (row < count) {
                oldSelectedRows_.push_back(row);
                selectedNodes_.push_back(view.rows_[row]);
            }
        }
        oldFocusedRow_ = view.FocusedRow();
        if (oldFocusedRow_ >= 0 && oldFocusedRow_ < count) {
            focusedNode_ = view.rows_[oldFocusedRow_];
        } else {
            oldFocusedRow_ = -1;
        }
    }

    // Before nodes are taken away: a remembered node that goes (`goes`
    // answers for it or an ancestor) is let go; the focus and the top row
    // pass to the node of the next row that stays, else of the last one
    // before it.
    void LetGo(const std::function<bool(const CVirtualNode*)>& goes)
    {
        for (const CVirtualNode*& node : selectedNodes_) {
            node = node != nullptr && goes(node) ? nullptr : node;
        }
        focusedNode_ = Substitute(focusedNode_, oldFocusedRow_, goes);
        topNode_ = Substitute(topNode_, view_.ListView().GetTopIndex(), goes);
    }

    // `focusInView`: the focused row is scrolled into sight too.
    void Restore(bool focusInView)
    {
        if (view_.hwnd_ == nullptr) {
            return;
        }
        // The nodes to find: the selected ones, then the focused one, then
        // the top one (each, when hidden, by the ancestor that shows it).
        std::vector<const CVirtualNode*> wanted;
        for (const CVirtualNode* node : selectedNodes_) {
            wanted.push_back(node != nullptr ? ShownNode(node) : nullptr);
        }
        wanted.push_back(focusedNode_ != nullptr ? ShownNode(focusedNode_) : nullptr);
        wanted.push_back(topNode_ != nullptr ? ShownNode(topNode_) : nullptr);
        const std::vector<int> found = FindRows(view_.rows_, wanted);
        const int newFocus = found[selectedNodes_.size()];
        const int newTop = found[selectedNodes_.size() + 1];

        // Selection leaves the rows whose node moved away first, then goes to
        // the rows the nodes have now; a row that kept its node is untouched.
        for (size_t i = 0; i < selectedNodes_.size(); ++i) {
            if (found[i] != oldSelectedRows_[i]) {
                view_.SetRowState(oldSelectedRows_[i], 0, LVIS_SELECTED);
            }
        }
        for (size_t i = 0; i < selectedNodes_.size(); ++i) {
            if (found[i] >= 0 && found[i] != oldSelectedRows_[i]) {
                view_.SetRowState(found[i], LVIS_SELECTED, LVIS_SELECTED);
            }
        }
        if (oldFocusedRow_ >= 0 && newFocus >= 0 && newFocus != oldFocusedRow_) {
            view_.SetRowState(newFocus, LVIS_FOCUSED, LVIS_FOCUSED);
            view_.ListView().SetSelectionMark(newFocus);
        }
        if (newTop >= 0) {
            const CListViewCtrl list = view_.ListView();
            const int top = list.GetTopIndex();
            if (newTop != top) {
                list.Scroll(0, (newTop - top) * view_.RowHeight());
            }
        }
        if (focusInView && newFocus >= 0) {
            view_.ListView().EnsureVisible(newFocus, false);
        }
    }

private:
    const CVirtualNode* Substitute(
        const CVirtualNode* node, int row, const std::function<bool(const CVirtualNode*)>& goes) const
    {
        if (node == nullptr || !goes(node)) {
            return node;
        }
        const std::vector<CVirtualNode*>& rows = view_.rows_;
        for (int next = row + 1; next < static_cast<int>(rows.size()); ++next) {
            if (!goes(rows[next])) {
                return rows[next];
            }
        }
        for (int before = std::min(row, static_cast<int>(rows.size())) - 1; before >= 0; --before) {
            if (!goes(rows[before])) {
                return rows[before];
            }
        }
        return nullptr;
    }

    CVirtualTreeView& view_;
    const CVirtualNode* topNode_ = nullptr;
    std::vector<const CVirtualNode*> selectedNodes_;
    std::vector<int> oldSelectedRows_;
    const CVirtualNode* focusedNode_ = nullptr;
    int oldFocusedRow_ = -1;
};

CVirtualTreeView::~CVirtualTreeView()
{
    if (hwnd_ == nullptr) {
        return;
    }
    // The list view outlives this object: it must not ask for rows or paint
    // with images that go with it.
    const CListViewCtrl list = ListView();
    UnsubclassWindow();
    list.SetItemCountEx(0, 0);
    if (stateImages_) {
        list.SetImageList(nullptr, LVSIL_STATE);
    }
}

bool CVirtualTreeView::Attach(HWND listView)
{
    if (listView == nullptr || (::GetWindowLongPtrW(listView, GWL_STYLE) & LVS_OWNERDATA) == 0) {
        return false;
    }
    if (!SubclassWindow(listView)) {
        return false;
    }
    redraw_ = true;
    // Images lent to the list view stay their owners'.
    ModifyStyle(LVS_TYPEMASK, LVS_REPORT | LVS_SHAREIMAGELISTS);
    // No sub-item images: no cell but the first shows one, and a list that
    // allows them sets every cell's text off its column's header.
    constexpr DWORD kStyles = LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_DOUBLEBUFFER;
    const CListViewCtrl list = ListView();
    list.SetExtendedListViewStyle(kStyles, kStyles);
    if ((viewFlags_ & kCheckBoxes) != 0) {
        BuildStateImages();
        const HIMAGELIST previous = list.SetImageList(stateImages_.Get(), LVSIL_STATE);
        // The one the list view made for its own check boxes.
        if (previous != nullptr && previous != stateImages_.Get()) {
            ::ImageList_Destroy(previous);
        }
        // Check marks live in the nodes: the list view asks for them.
        list.SetCallbackMask(LVIS_STATEIMAGEMASK);
    } else {
        list.SetExtendedListViewStyle(LVS_EX_CHECKBOXES, 0);
    }
    SetItemCount();
    Invalidate();
    return true;
}

void CVirtualTreeView::BuildStateImages()
{
    stateImages_ = MakeCheckBoxImages(hwnd_, ScaleX(kStateImageSize));
}

void CVirtualTreeView::SetItemCount() const
{
    ListView().SetItemCountEx(static_cast<int>(rows_.size()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void CVirtualTreeView::OnRowsChanged(int firstRow)
{
    if (hwnd_ == nullptr || !redraw_) {
        return; // the count is set once redrawing is switched on again
    }
    SetItemCount();
    InvalidateRowsFrom(firstRow);
}

// The list view keeps its marks by row number: those below `row` move with
// their rows, those of a removed row go, and the focus of a removed row
// passes to the row that takes its place.
void CVirtualTreeView::OnRowsMoved(int row, int count)
{
    if (hwnd_ == nullptr) {
        return;
    }
    if (row >= static_cast<int>(rows_.size()) - count) {
        OnRowsChanged(row); // at the end: no row below to move
        return;
    }
    const std::vector<int> selected = SelectedRows(row);
    const int focused = FocusedRow();
    for (int old : selected) {
        SetRowState(old, 0, LVIS_SELECTED);
    }
    if (focused >= row) {
        SetRowState(focused, 0, LVIS_FOCUSED);
    }
    SetItemCount();
    const int removed = count < 0 ? -count : 0;
    for (int old : selected) {
        if (old >= row + removed) {
            SetRowState(old + count, LVIS_SELECTED, LVIS_SELECTED);
        }
    }
    if (focused >= row) {
        const int focus =
            focused >= row + removed ? focused + count : std::min(row, static_cast<int>(rows_.size()) - 1);
        if (focus >= 0) {
            SetRowState(focus, LVIS_FOCUSED, LVIS_FOCUSED);
            ListView().SetSelectionMark(focus);
        }
    }
    InvalidateRowsFrom(row);
}

// Rows from `row` down moved or changed; rows above it did not.
void CVirtualTreeView::InvalidateRowsFrom(int row) const
{
    if (!redraw_) {
        return;
    }
    const CListViewCtrl list = ListView();
    const int top = list.GetTopIndex();
    if (row > top + list.GetCountPerPage() + 1) {
        return; // below the last row on screen
    }
    RECT area = GetClientRect();
    const int count = static_cast<int>(rows_.size());
    RECT bounds{};
    if (row > top && row < count && RowBounds(row, bounds)) {
        area.top = std::max(area.top, bounds.top);
    } else if (row > top && row >= count && count > 0 && RowBounds(count - 1, bounds)) {
        area.top = std::max(area.top, bounds.bottom);
    }
    ::InvalidateRect(hwnd_, &area, FALSE);
}

int CVirtualTreeView::IndentWidth() const
{
    const HIMAGELIST images = ListView().GetImageList(LVSIL_SMALL);
    int width = 0;
    int height = 0;
    if (images != nullptr && ::ImageList_GetIconSize(images, &width, &height) && width > 0) {
        return width;
    }
    return ::GetSystemMetrics(SM_CXSMICON);
}

int CVirtualTreeView::RowHeight() const
{
    RECT bounds{};
    if (rows_.empty() || !RowBounds(0, bounds)) {
        return 1;
    }
    return std::max(1, static_cast<int>(bounds.bottom - bounds.top));
}

RECT CVirtualTreeView::ExpanderRect(int row) const
{
    RECT bounds{};
    if (hwnd_ == nullptr || row < 0 || row >= static_cast<int>(rows_.size()) || !RowBounds(row, bounds)) {
        return RECT{};
    }
    // Column 0 need not be the leftmost one.
    RECT column{};
    const CHeaderCtrl header(ListView().GetHeader());
    if (header.Hwnd() != nullptr) {
        header.GetItemRect(0, column);
    }
    const int unit = IndentWidth();
    const int left = bounds.left + column.left + unit * rows_[row]->level;
    const int top = (bounds.top + bounds.bottom - unit) / 2;
    return RECT{left, top, left + unit, top + unit};
}

CVirtualTreeView::HitResult CVirtualTreeView::HitTest(POINT point) const
{
    if (hwnd_ == nullptr) {
        return {};
    }
    LVHITTESTINFO cell{};
    cell.pt = point;
    const CListViewCtrl list = ListView();
    const int row = list.SubItemHitTest(cell);
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return {};
    }
    if (cell.iSubItem != 0) {
        return {row, HitPart::Row};
    }
    LVHITTESTINFO item{};
    item.pt = point;
    list.HitTest(item);
    // On the item as a whole the list view sets all three bits.
    if ((viewFlags_ & kCheckBoxes) != 0 && (item.flags & LVHT_ONITEM) == LVHT_ONITEMSTATEICON) {
        return {row, HitPart::StateIcon};
    }
    const RECT expander = ExpanderRect(row);
    if (rows_[row]->firstChild != nullptr && ::PtInRect(&expander, point)) {
        return {row, HitPart::Expander};
    }
    return {row, HitPart::Row};
}

std::vector<int> CVirtualTreeView::SelectedRows(int first) const
{
    std::vector<int> selected;
    const CListViewCtrl list = ListView();
    int left = list.GetSelectedCount();
    int row = first - 1;
    while (left-- > 0) {
        row = list.GetNextItem(row, LVNI_SELECTED);
        if (row < 0) {
            break;
        }
        selected.push_back(row);
    }
    return selected;
}

int CVirtualTreeView::FocusedRow() const
{
    return ListView().GetNextItem(-1, LVNI_FOCUSED);
}

void CVirtualTreeView::SetRowState(int row, UINT state, UINT mask) const
{
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    ListView().SetItemState(row, item);
}

CVirtualNode* CVirtualTreeView::FocusedNode() const
{
    if (hwnd_ == nullptr) {
        return nullptr;
    }
    const int row = FocusedRow();
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[row] : nullptr;
}

void CVirtualTreeView::SelectOnly(int row)
{
    if (hwnd_ == nullptr || row < 0 || row >= static_cast<int>(rows_.size())) {
        return;
    }
    for (int selected : SelectedRows()) {
        if (selected != row) {
            SetRowState(selected, 0, LVIS_SELECTED);
        }
    }
    SetRowState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView().SetSelectionMark(row);
}

bool CVirtualTreeView::Expand(int row)
{
    return ChangeRow(row, [this](int at) { return CVirtualTree::Expand(at); });
}

bool CVirtualTreeView::Collapse(int row)
{
    return ChangeRow(row, [this](int at) { return CVirtualTree::Collapse(at); });
}

void CVirtualTreeView::ExpandAll()
{
    ChangeAll([this] { CVirtualTree::ExpandAll(); });
}

void CVirtualTreeView::CollapseAll()
{
    ChangeAll([this] { CVirtualTree::CollapseAll(); });
}

void CVirtualTreeView::RemoveNodes(const std::vector<CVirtualNode*>& nodes)
{
    const std::unordered_set<const CVirtualNode*> going(nodes.begin(), nodes.end());
    ChangeAll([&] { CVirtualTree::RemoveNodes(nodes); },
        [&going](const CVirtualNode* node) {
            for (; node != nullptr; node = node->parent) {
                if (going.count(node) != 0) {
                    return true;
                }
            }
            return false;
        });
}

// A sort keeps the row the keyboard is on in sight.
void CVirtualTreeView::ReorderChildren(CVirtualNode* parent, const std::vector<CVirtualNode*>& order)
{
    ChangeAll([&] { CVirtualTree::ReorderChildren(parent, order); }, nullptr, true);
}

void CVirtualTreeView::SortGrandchildren(
    CVirtualNode* parent, const std::function<bool(const CVirtualNode*, const CVirtualNode*)>& less)
{
    ChangeAll([&] { CVirtualTree::SortGrandchildren(parent, less); }, nullptr, true);
}

bool CVirtualTreeView::ChangeRow(int row, const std::function<bool(int)>& change)
{
    KeepInView keep(*this);
    if (!change(row)) {
        return false;
    }
    keep.Restore(false);
    if (hwnd_ != nullptr) {
        ListView().RedrawItems(row, row); // its expander changed
    }
    return true;
}

void CVirtualTreeView::ChangeAll(
    const std::function<void()>& change, const std::function<bool(const CVirtualNode*)>& goes, bool focusInView)
{
    KeepInView keep(*this);
    if (goes) {
        keep.LetGo(goes);
    }
    const bool redraw = hwnd_ != nullptr && redraw_;
    if (redraw) {
        SetRedraw(false);
    }
    change();
    // The list view takes in the new count for scrolling once redrawing is on.
    if (redraw) {
        SetRedraw(true);
    }
    keep.Restore(focusInView);
    if (redraw) {
        Invalidate(false);
    }
}

void CVirtualTreeView::RedrawNode(const CVirtualNode* node)
{
    if (hwnd_ == nullptr || node == nullptr) {
        return;
    }
    const CListViewCtrl list = ListView();
    const int top = std::max(0, list.GetTopIndex());
    const int end = std::min(static_cast<int>(rows_.size()), top + list.GetCountPerPage() + 2);
    for (int row = top; row < end; ++row) {
        if (rows_[row] == node) {
            list.RedrawItems(row, row);
            return;
        }
    }
}

LRESULT CVirtualTreeView::OnButtonDown(Message& msg)
{
    const HitResult hit = HitTest(msg.Point());
    if (hit.part == HitPart::StateIcon) {
        SetFocus();
        ToggleByUser(hit.row);
        return 0;
    }
    if (hit.part == HitPart::Expander) {
        SetFocus();
        SelectOnly(hit.row);
        if (rows_[hit.row]->IsExpanded()) {
            Collapse(hit.row);
        } else {
            Expand(hit.row);
        }
        return 0;
    }
    msg.handled = false;
    return 0;
}

LRESULT CVirtualTreeView::OnKeyDown(Message& msg)
{
    const WPARAM key = msg.wParam;
    if (MoveByKey(key)) {
        return 0;
    }
    const bool toggle = key == VK_SPACE && (viewFlags_ & kCheckBoxes) != 0;
    if (key != VK_LEFT && key != VK_RIGHT && key != VK_ADD && key != VK_SUBTRACT && !toggle) {
        msg.handled = false;
        return 0;
    }
    const int row = FocusedRow();
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return 0;
    }
    CVirtualNode* node = rows_[row];
    if (toggle) {
        ToggleByUser(row);
        return 0;
    }
    const bool hasChildren = node->firstChild != nullptr;
    if (key == VK_LEFT) {
        if (hasChildren && node->IsExpanded()) {
            Collapse(row);
        } else {
            // The list view's own move to the previous row, with its selection rules.
            DefaultProcedure(Message{msg.window, WM_KEYDOWN, VK_UP, msg.lParam});
        }
    } else if (key == VK_RIGHT) {
        if (hasChildren && !node->IsExpanded()) {
            Expand(row);
        } else {
            DefaultProcedure(Message{msg.window, WM_KEYDOWN, VK_DOWN, msg.lParam});
        }
    } else if (hasChildren) {
        if (key == VK_ADD) {
            Expand(row);
        } else {
            Collapse(row);
        }
    }
    return 0;
}

// The list view's own move deselects every row one by one, which takes most
// of a second over a million rows; a plain move selects only the new row.
// Moves that extend the selection stay the list view's.
bool CVirtualTreeView::MoveByKey(WPARAM key)
{
    if ((::GetKeyState(VK_SHIFT) & 0x8000) != 0 || (::GetKeyState(VK_CONTROL) & 0x8000) != 0 || rows_.empty()) {
        return false;
    }
    const int last = static_cast<int>(rows_.size()) - 1;
    const int row = std::clamp(FocusedRow(), 0, last);
    const int page = std::max(1, ListView().GetCountPerPage() - 1);
    int target = row;
    switch (key) {
    case VK_UP:
        target = FocusedRow() < 0 ? 0 : row - 1;
        break;
    case VK_DOWN:
        target = FocusedRow() < 0 ? 0 : row + 1;
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = last;
        break;
    case VK_PRIOR:
        target = row - page;
        break;
    case VK_NEXT:
        target = row + page;
        break;
    default:
        return false;
    }
    target = std::clamp(target, 0, last);
    SelectOnly(target);
    ListView().EnsureVisible(target, false);
    return true;
}

void CVirtualTreeView::ToggleByUser(int row)
{
    ToggleCheckState(rows_[row]);
    Invalidate(false); // the node's descendants and ancestors changed too
    NMHDR header{hwnd_, static_cast<UINT_PTR>(GetDlgCtrlID()), kCheckChanged};
    ::SendMessageW(GetParent(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

LRESULT CVirtualTreeView::OnSetRedraw(Message& msg)
{
    redraw_ = msg.wParam != 0;
    if (redraw_) {
        SetItemCount(); // rows added or removed meanwhile
    }
    msg.handled = false;
    return 0;
}

// Emptied with redrawing off: the rows first, then every node.
LRESULT CVirtualTreeView::OnDestroy(Message& msg)
{
    SetRedraw(false);
    RemoveAll();
    if (stateImages_) {
        ListView().SetImageList(nullptr, LVSIL_STATE);
        stateImages_.Reset();
    }
    SetRedraw(true);
    msg.handled = false;
    return 0;
}

LRESULT CVirtualTreeView::OnGetDispInfo(Message& msg)
{
    LVITEMW& item = msg.NotificationAs<NMLVDISPINFOW>()->item;
    if (item.iItem < 0 || item.iItem >= static_cast<int>(rows_.size())) {
        return 0;
    }
    CVirtualNode* node = rows_[item.iItem];
    if (item.iSubItem == 0 && (viewFlags_ & (kCheckBoxes | kTreeLines)) != 0) {
        // One step more than the level: room for the expander and the lines.
        item.iIndent = node->level + 1;
    }
    if (item.iSubItem == 0 && (viewFlags_ & kCheckBoxes) != 0 && (item.mask & LVIF_STATE) != 0) {
        item.state =
            (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(static_cast<UINT>(StateImageOf(node)) + 1);
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
    if ((item.mask & LVIF_IMAGE) != 0) {
        // Cells show an icon only when the node data gives one.
        item.iImage = I_IMAGENONE;
    }
    if (node->data != nullptr) {
        node->data->FillDisplayInfo(item, node);
    }
    return 0;
}

LRESULT CVirtualTreeView::OnCustomDraw(Message& msg)
{
    auto& draw = *msg.NotificationAs<NMLVCUSTOMDRAW>();
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return OnRowPrePaint(draw);
    case CDDS_SUBITEM | CDDS_ITEMPREPAINT:
        return OnCellPrePaint(draw);
    case CDDS_ITEMPOSTPAINT:
        OnRowPostPaint(draw);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

// The list view paints the row; the tree lines go on top of it.
LRESULT CVirtualTreeView::OnRowPrePaint(NMLVCUSTOMDRAW&)
{
    return (viewFlags_ & kTreeLines) != 0 ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
}

LRESULT CVirtualTreeView::OnCellPrePaint(NMLVCUSTOMDRAW&)
{
    return CDRF_DODEFAULT;
}

void CVirtualTreeView::OnRowPostPaint(NMLVCUSTOMDRAW& draw)
{
    if ((viewFlags_ & kTreeLines) != 0) {
        DrawTreeLines(draw.nmcd.hdc, static_cast<int>(draw.nmcd.dwItemSpec));
    }
}

// Dotted lines in the square of the row's own level and in those of its
// ancestors that have a next sibling, and the expander of a node with
// children.
void CVirtualTreeView::DrawTreeLines(HDC dc, int row) const
{
    const RECT square = ExpanderRect(row);
    if (::IsRectEmpty(&square)) {
        return;
    }
    RECT bounds{};
    RowBounds(row, bounds);
    const CVirtualNode* node = rows_[row];
    const int unit = square.right - square.left;
    const int centreX = square.left + unit / 2;
    const int centreY = (bounds.top + bounds.bottom) / 2;
    // Phases from the list's own origin: lines stay dotted alike after scrolling.
    const int phaseY = row * (bounds.bottom - bounds.top) - bounds.top;
    const int phaseX = -bounds.left;
    const COLORREF line = ::GetSysColor(COLOR_GRAYTEXT);

    DottedHorizontal(dc, centreX, square.right, centreY, phaseX, line);
    const int from = row == 0 ? centreY : bounds.top;
    const int to = node->nextSibling != nullptr ? bounds.bottom : centreY + 1;
    DottedVertical(dc, centreX, from, to, phaseY, line);
    int x = centreX;
    for (const CVirtualNode* up = node->parent; up != nullptr && up->level >= 0; up = up->parent) {
        x -= unit;
        if (up->nextSibling != nullptr) {
            DottedVertical(dc, x, bounds.top, bounds.bottom, phaseY, line);
        }
    }
    if (node->firstChild != nullptr) {
        DrawExpander(dc, centreX, centreY, node->IsExpanded());
    }
}

} // namespace vandrelcommon::ui
