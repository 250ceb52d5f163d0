// The virtual tree view attached to a real list view, driven by the
// messages a user's clicks and keys send.
#include "tests/ui/UiTestSupport.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Module.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using namespace vandrelcommon::ui;

class TreeViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(parent_.Create(500, 400), nullptr);
        list_ = uitest::CreateChild(
            WC_LISTVIEWW, parent_, RECT{0, 0, 480, 360}, LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 7);
        ASSERT_NE(list_, nullptr);
        for (int i = 0; i < 2; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_WIDTH;
            column.cx = 200;
            ::SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
        ASSERT_TRUE(view_.Attach(list_));
        parent_.ShowWindow(SW_SHOWNA);
    }

    CVirtualNode* Add(CVirtualNode* parent, const std::wstring& name)
    {
        return uitest::AddNamed(view_, parent, name, &destroyed_);
    }
    CVirtualNode* AddGroup(const std::wstring& name, int files)
    {
        return uitest::AddNamedGroup(view_, name, files, &destroyed_);
    }
    std::vector<std::wstring> RowNames() const { return uitest::RowNames(view_); }
    int ItemCount() const { return static_cast<int>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }

    RECT ItemRect(int row, int part) const
    {
        RECT rect{};
        rect.left = part;
        ::SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        return rect;
    }
    // The middle of the check box, which sits just left of the row's icon.
    POINT StateIconPoint(int row) const
    {
        const RECT icon = ItemRect(row, LVIR_ICON);
        return POINT{icon.left - 7, (icon.top + icon.bottom) / 2};
    }
    // The middle of the first indent step of a group row.
    POINT GroupExpanderPoint(int row) const
    {
        const RECT bounds = ItemRect(row, LVIR_BOUNDS);
        return POINT{bounds.left + 8, (bounds.top + bounds.bottom) / 2};
    }
    void Click(POINT point) const
    {
        ::SendMessageW(list_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
        ::SendMessageW(list_, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    }
    void Key(WPARAM key) const
    {
        ::SendMessageW(list_, WM_KEYDOWN, key, 1);
        ::SendMessageW(list_, WM_KEYUP, key, 1);
    }
    int FocusedRow() const
    {
        return static_cast<int>(::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    }
    void Select(int row) const
    {
        LVITEMW item{};
        item.state = LVIS_SELECTED;
        item.stateMask = LVIS_SELECTED;
        ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    bool IsSelected(int row) const
    {
        return ::SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) != 0;
    }
    int TopRow() const { return static_cast<int>(::SendMessageW(list_, LVM_GETTOPINDEX, 0, 0)); }
    // What the list view learns of a row when it asks for it.
    LVITEMW Request(int row, int column = 0) const
    {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_STATE | LVIF_INDENT | LVIF_IMAGE;
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = text_;
        item.cchTextMax = 64;
        ::SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item;
    }
    // The image as the list view numbers it: one more than its position.
    static int StateImage(const LVITEMW& item) { return static_cast<int>((item.state & LVIS_STATEIMAGEMASK) >> 12); }
    static int Shown(CVirtualTreeView::StateImage image) { return static_cast<int>(image) + 1; }

    uitest::CRecordingParent parent_;
    HWND list_ = nullptr;
    CVirtualTreeView view_;
    int destroyed_ = 0;
    mutable wchar_t text_[64] = {};
};

TEST_F(TreeViewTest, DisplayRequestsGiveIndentCheckBoxTextAndIcon)
{
    CVirtualNode* group = AddGroup(L"g", 3);
    AddGroup(L"h", 1);
    view_.Expand(0);
    view_.SetCheckState(group->firstChild->nextSibling, Checked);
    EXPECT_EQ(ItemCount(), 5);

    const LVITEMW groupRow = Request(0);
    EXPECT_EQ(groupRow.iIndent, 1);
    EXPECT_EQ(StateImage(groupRow), Shown(CVirtualTreeView::StateImage::MixedBox));
    EXPECT_STREQ(groupRow.pszText, L"g");
    EXPECT_EQ(groupRow.iImage, 7);
    const LVITEMW unchecked = Request(1);
    EXPECT_EQ(unchecked.iIndent, 2);
    EXPECT_EQ(StateImage(unchecked), Shown(CVirtualTreeView::StateImage::UncheckedBox));
    EXPECT_STREQ(unchecked.pszText, L"g/0");
    EXPECT_EQ(StateImage(Request(2)), Shown(CVirtualTreeView::StateImage::CheckedBox));
    EXPECT_STREQ(Request(4).pszText, L"h");
    // Other cells show no icon of their own, only the text the node data gives.
    EXPECT_EQ(Request(1, 1).iImage, I_IMAGENONE);
    EXPECT_STREQ(Request(1, 1).pszText, L"");

    // The check boxes are the view's own four images.
    const auto images = reinterpret_cast<HIMAGELIST>(::SendMessageW(list_, LVM_GETIMAGELIST, LVSIL_STATE, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(::ImageList_GetImageCount(images), 4);
    EXPECT_NE(::SendMessageW(list_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES, 0);
}

TEST_F(TreeViewTest, AttachRefusesAListViewThatStoresItems)
{
    const HWND plain = uitest::CreateChild(WC_LISTVIEWW, parent_, RECT{0, 0, 100, 100}, LVS_REPORT);
    CVirtualTreeView other;
    EXPECT_FALSE(other.Attach(plain));
    EXPECT_FALSE(other.Attach(nullptr));
    EXPECT_FALSE(other.Attach(list_)); // already taken
}

TEST_F(TreeViewTest, ClickingFileCheckBoxesMakesTheGroupMixedThenChecked)
{
    CVirtualNode* group = AddGroup(L"g", 3);
    view_.Expand(0);
    Click(StateIconPoint(1));
    EXPECT_EQ(group->firstChild->GetCheckState(), Checked);
    EXPECT_EQ(group->GetCheckState(), Mixed);
    EXPECT_EQ(StateImage(Request(0)), Shown(CVirtualTreeView::StateImage::MixedBox));
    Click(StateIconPoint(2));
    EXPECT_EQ(group->GetCheckState(), Mixed);
    Click(StateIconPoint(3));
    EXPECT_EQ(group->GetCheckState(), Checked);
    EXPECT_EQ(StateImage(Request(0)), Shown(CVirtualTreeView::StateImage::CheckedBox));
    // A click on the text leaves the marks alone.
    const RECT label = ItemRect(2, LVIR_LABEL);
    Click(POINT{label.left + 5, (label.top + label.bottom) / 2});
    EXPECT_EQ(group->GetCheckState(), Checked);
    EXPECT_TRUE(IsSelected(2));
}

TEST_F(TreeViewTest, ClickingTheCheckBoxOfAMixedGroupUnchecksAllItsFiles)
{
    CVirtualNode* group = AddGroup(L"g", 3);
    CVirtualNode* other = AddGroup(L"h", 2);
    view_.SetCheckState(group->lastChild, Checked);
    view_.SetCheckState(other->firstChild, Checked);
    ASSERT_EQ(group->GetCheckState(), Mixed);
    Click(StateIconPoint(0));
    EXPECT_EQ(group->GetCheckState(), Unchecked);
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        EXPECT_EQ(file->GetCheckState(), Unchecked);
    }
    EXPECT_EQ(other->GetCheckState(), Mixed); // its neighbour is not touched
    // Again: every file is marked.
    Click(StateIconPoint(0));
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        EXPECT_EQ(file->GetCheckState(), Checked);
    }
}

TEST_F(TreeViewTest, ExpanderClickSelectsTheRowAndInsertsOrRemovesExactlyItsFiles)
{
    AddGroup(L"a", 2);
    AddGroup(L"b", 3);
    AddGroup(L"c", 1);
    view_.SelectOnly(0);
    Click(GroupExpanderPoint(1));
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"b", L"b/0", L"b/1", L"b/2", L"c"}));
    EXPECT_EQ(ItemCount(), 6);
    EXPECT_EQ(FocusedRow(), 1);
    EXPECT_TRUE(IsSelected(1));
    EXPECT_FALSE(IsSelected(0));
    Click(GroupExpanderPoint(1));
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(ItemCount(), 3);
    // A group without files has no expander: the click is the list view's.
    CVirtualNode* empty = AddGroup(L"d", 0);
    EXPECT_EQ(view_.HitTest(GroupExpanderPoint(3)).part, CVirtualTreeView::HitPart::Row);
    Click(GroupExpanderPoint(3));
    EXPECT_FALSE(empty->IsExpanded());
    EXPECT_EQ(ItemCount(), 4);
}

TEST_F(TreeViewTest, LeftOnACollapsedGroupMovesUpAndOnAnExpandedOneCollapsesIt)
{
    AddGroup(L"a", 1);
    AddGroup(L"b", 2);
    AddGroup(L"c", 1);
    view_.SelectOnly(2);
    Key(VK_LEFT);
    EXPECT_EQ(FocusedRow(), 1);
    EXPECT_TRUE(IsSelected(1));
    EXPECT_FALSE(IsSelected(2));

    Key(VK_RIGHT); // expands b
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"b", L"b/0", L"b/1", L"c"}));
    EXPECT_EQ(FocusedRow(), 1);
    Key(VK_RIGHT); // already open: moves down
    EXPECT_EQ(FocusedRow(), 2);
    Key(VK_LEFT); // a file has nothing to collapse: moves up
    EXPECT_EQ(FocusedRow(), 1);
    Key(VK_LEFT); // collapses b
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(FocusedRow(), 1);

    Key(VK_ADD);
    EXPECT_EQ(ItemCount(), 5);
    Key(VK_ADD); // nothing more to open
    EXPECT_EQ(ItemCount(), 5);
    Key(VK_SUBTRACT);
    EXPECT_EQ(ItemCount(), 3);
    EXPECT_EQ(FocusedRow(), 1);
}

TEST_F(TreeViewTest, CollapsingAGroupWithASelectedFileSelectsTheGroup)
{
    AddGroup(L"a", 2);
    AddGroup(L"b", 2);
    view_.ExpandAll();
    view_.SelectOnly(4); // b/0
    ASSERT_TRUE(view_.Collapse(0));
    // b/0 moved up two rows; the list view's marks moved with it.
    EXPECT_EQ(FocusedRow(), 2);
    EXPECT_TRUE(IsSelected(2));
    EXPECT_FALSE(IsSelected(4));
    ASSERT_TRUE(view_.Collapse(1));
    EXPECT_EQ(FocusedRow(), 1);
    EXPECT_TRUE(IsSelected(1));
    EXPECT_EQ(view_.FocusedNode(), view_.Root().lastChild);
}

TEST_F(TreeViewTest, ExpandAllAndCollapseAllKeepTheTopRowAndTheFocus)
{
    std::vector<CVirtualNode*> groups;
    for (int g = 0; g < 100; ++g) {
        groups.push_back(AddGroup(L"g" + std::to_wstring(g), 3));
    }
    ::SendMessageW(list_, LVM_SCROLL, 0, 40 * (ItemRect(0, LVIR_BOUNDS).bottom - ItemRect(0, LVIR_BOUNDS).top));
    ASSERT_EQ(TopRow(), 40);
    view_.SelectOnly(45);

    view_.ExpandAll();
    EXPECT_EQ(ItemCount(), 400);
    EXPECT_EQ(view_.Rows()[TopRow()], groups[40]);
    EXPECT_EQ(view_.FocusedNode(), groups[45]);
    EXPECT_TRUE(IsSelected(45 * 4));
    EXPECT_FALSE(IsSelected(45));

    // A file at the top and a file focused: both fall back to their groups.
    view_.SelectOnly(view_.RowOf(groups[47]->lastChild));
    const int height = ItemRect(0, LVIR_BOUNDS).bottom - ItemRect(0, LVIR_BOUNDS).top;
    ::SendMessageW(list_, LVM_SCROLL, 0, (view_.RowOf(groups[40]) + 2 - TopRow()) * height);
    ASSERT_EQ(view_.Rows()[TopRow()], groups[40]->firstChild->nextSibling);
    view_.CollapseAll();
    EXPECT_EQ(ItemCount(), 100);
    EXPECT_EQ(TopRow(), 40);
    EXPECT_EQ(view_.FocusedNode(), groups[47]);
    EXPECT_TRUE(IsSelected(47));
    EXPECT_FALSE(groups[47]->IsExpanded());
}

TEST_F(TreeViewTest, MarksStayOnTheirNodesWhenRowsAreAddedOrRemovedAbove)
{
    CVirtualNode* a = AddGroup(L"a", 2);
    CVirtualNode* b = AddGroup(L"b", 2);
    view_.ExpandAll();
    view_.SelectOnly(view_.RowOf(b->firstChild));
    Select(view_.RowOf(b->lastChild));
    auto selectedNodes = [this] {
        std::vector<const CVirtualNode*> nodes;
        for (int row = 0; row < ItemCount(); ++row) {
            if (IsSelected(row)) {
                nodes.push_back(view_.Rows()[row]);
            }
        }
        return nodes;
    };
    const std::vector<const CVirtualNode*> both{b->firstChild, b->lastChild};

    Add(a, L"a/2"); // a row above the marks
    ASSERT_EQ(ItemCount(), 7);
    EXPECT_EQ(view_.FocusedNode(), b->firstChild);
    EXPECT_EQ(selectedNodes(), both);

    view_.RemoveNode(a, true); // four rows above the marks
    ASSERT_EQ(ItemCount(), 3);
    EXPECT_EQ(view_.FocusedNode(), b->firstChild);
    EXPECT_EQ(selectedNodes(), both);

    // The focused row itself goes: its mark goes, the focus passes on.
    view_.RemoveNode(b->firstChild, true);
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(view_.FocusedNode(), b->lastChild);
    EXPECT_EQ(selectedNodes(), std::vector<const CVirtualNode*>{b->lastChild});

    AddGroup(L"c", 1); // below the marks: nothing moves
    EXPECT_EQ(view_.FocusedNode(), b->lastChild);
    EXPECT_EQ(selectedNodes(), std::vector<const CVirtualNode*>{b->lastChild});
}

TEST_F(TreeViewTest, RemovingTheLastFileTakesItsRowAndLeavesTheGroupChecked)
{
    CVirtualNode* group = AddGroup(L"g", 1);
    AddGroup(L"h", 1);
    view_.Expand(0);
    ASSERT_EQ(ItemCount(), 3);
    view_.RemoveNode(group->firstChild, true);
    EXPECT_EQ(ItemCount(), 2);
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"g", L"h"}));
    EXPECT_EQ(destroyed_, 1);
    view_.UpdateParentState(group);
    EXPECT_EQ(group->GetCheckState(), Checked);
    EXPECT_EQ(StateImage(Request(0)), Shown(CVirtualTreeView::StateImage::CheckedBox));
    // A group without files offers nothing to open.
    Key(VK_ADD);
    EXPECT_EQ(ItemCount(), 2);
}

TEST_F(TreeViewTest, OnlyVisibleRowsReachTheListViewAndOnlyTheirPaintIsRedone)
{
    CVirtualNode* group = AddGroup(L"g", 2);
    for (int g = 0; g < 60; ++g) {
        AddGroup(L"more", 1);
    }
    ::UpdateWindow(list_);
    ::ValidateRect(list_, nullptr);
    // Files of a collapsed group cost the list view nothing.
    Add(group, L"g/2");
    EXPECT_EQ(ItemCount(), 61);
    RECT dirty{};
    EXPECT_FALSE(::GetUpdateRect(list_, &dirty, FALSE));

    // A row on screen is repainted alone; one scrolled away is not.
    view_.RedrawNode(view_.Rows()[3]);
    ASSERT_TRUE(::GetUpdateRect(list_, &dirty, FALSE));
    const RECT row = ItemRect(3, LVIR_BOUNDS);
    EXPECT_EQ(dirty.top, row.top);
    EXPECT_EQ(dirty.bottom, row.bottom);
    ::ValidateRect(list_, nullptr);
    view_.RedrawNode(view_.Rows()[58]);
    EXPECT_FALSE(::GetUpdateRect(list_, &dirty, FALSE));

    // Expanding repaints from the group down, not the rows above it.
    view_.Expand(2);
    ASSERT_TRUE(::GetUpdateRect(list_, &dirty, FALSE));
    EXPECT_EQ(dirty.top, ItemRect(2, LVIR_BOUNDS).top);
}

TEST_F(TreeViewTest, TreeLinesAndExpandersAreDrawnLeftOfTheCheckBoxes)
{
    AddGroup(L"a", 2);
    AddGroup(L"b", 1);
    view_.Expand(0);
    const RECT client = view_.GetClientRect();
    uitest::Canvas canvas(client.right, client.bottom);
    canvas.Fill(RGB(1, 2, 3));
    ::SendMessageW(list_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT | PRF_ERASEBKGND);

    const COLORREF line = ::GetSysColor(COLOR_GRAYTEXT);
    const COLORREF sign = ::GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const auto middle = [this](int row) {
        const RECT bounds = ItemRect(row, LVIR_BOUNDS);
        return (bounds.top + bounds.bottom) / 2;
    };
    // Row 0, expanded: a boxed minus in the first indent step.
    EXPECT_EQ(canvas.Color(4, middle(0)), line);
    EXPECT_EQ(canvas.Color(12, middle(0)), line);
    EXPECT_EQ(canvas.Color(8, middle(0)), sign);
    EXPECT_EQ(canvas.Color(8, middle(0) - 2), window);
    // Row 3, collapsed: a boxed plus.
    EXPECT_EQ(canvas.Color(8, middle(3)), sign);
    EXPECT_EQ(canvas.Color(8, middle(3) - 2), sign);

    // File rows: a dotted line down their own step, and one down the
    // group's step because the group has a next sibling.
    const auto dots = [&canvas, this](int x, int row) {
        const RECT bounds = ItemRect(row, LVIR_BOUNDS);
        int count = 0;
        for (int y = bounds.top; y < bounds.bottom; ++y) {
            count += canvas.Color(x, y) == ::GetSysColor(COLOR_GRAYTEXT) ? 1 : 0;
        }
        return count;
    };
    const int height = ItemRect(1, LVIR_BOUNDS).bottom - ItemRect(1, LVIR_BOUNDS).top;
    EXPECT_GE(dots(24, 1), height / 2 - 1);
    EXPECT_GE(dots(8, 1), height / 2 - 1);
    // The last file's own line stops in the middle of its row.
    EXPECT_LE(dots(24, 2), height / 2 / 2 + 2);
    // Nothing is drawn where a row has no line.
    EXPECT_EQ(dots(24, 3), 0);
}

TEST_F(TreeViewTest, DestroyingTheWindowEmptiesTheTree)
{
    AddGroup(L"a", 2);
    AddGroup(L"b", 3);
    view_.ExpandAll();
    ::DestroyWindow(list_);
    EXPECT_EQ(destroyed_, 7);
    EXPECT_TRUE(view_.Rows().empty());
    EXPECT_EQ(view_.Root().childCount, 0);
    EXPECT_EQ(view_.Hwnd(), nullptr);
    // A detached view still works as a tree.
    CVirtualNode* group = AddGroup(L"c", 1);
    EXPECT_EQ(group->sequenceNumber, 2);
    EXPECT_TRUE(view_.Expand(0));
    EXPECT_EQ(view_.HitTest(POINT{8, 8}).part, CVirtualTreeView::HitPart::Nowhere);
}

} // namespace
