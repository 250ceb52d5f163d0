// The control wrappers, each against a real control: what one method sets,
// another (or the control's own answer) reads back, so that a message sent
// with its arguments swapped or in the wrong slot shows.
#include "tests/ui/UiTestSupport.h"
#include "ui/framework/Controls.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

using namespace vandrelcommon::ui;

class ControlWrapperTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(parent_.Create(500, 400), nullptr); }
    HWND Make(const wchar_t* className, DWORD style, const RECT& rect = {0, 0, 300, 200})
    {
        return uitest::CreateChild(className, parent_, rect, WS_CHILD | WS_VISIBLE | style);
    }

    uitest::CRecordingParent parent_;
};

TEST_F(ControlWrapperTest, ComboBoxKeepsItemsTextsDataAndSelection)
{
    const CComboBox combo(Make(WC_COMBOBOXW, CBS_DROPDOWNLIST));
    EXPECT_EQ(combo.AddString(L"first"), 0);
    EXPECT_EQ(combo.AddString(L"third"), 1);
    EXPECT_EQ(combo.InsertString(1, L"second"), 1);
    EXPECT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.GetLBText(1), L"second");
    EXPECT_EQ(combo.GetLBTextLen(2), 5);
    EXPECT_EQ(combo.GetLBText(7), L"");
    combo.SetItemData(2, 42);
    EXPECT_EQ(combo.GetItemData(2), 42);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.SetCurSel(2), 2);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(combo.DeleteString(0), 2);
    EXPECT_EQ(combo.GetLBText(0), L"second");
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
}

TEST_F(ControlWrapperTest, StatusBarKeepsPartsTextsAndIcons)
{
    const CStatusBarCtrl bar(Make(STATUSCLASSNAMEW, 0));
    const int edges[] = {100, 250, -1};
    EXPECT_TRUE(bar.SetParts(3, edges));
    int read[3] = {};
    EXPECT_EQ(bar.GetParts(0, nullptr), 3);
    EXPECT_EQ(bar.GetParts(3, read), 3);
    EXPECT_EQ(read[0], 100);
    EXPECT_EQ(read[1], 250);
    EXPECT_TRUE(bar.SetText(1, L"middle pane"));
    EXPECT_EQ(bar.GetTextLength(1), 11);
    EXPECT_EQ(bar.GetText(1), L"middle pane");
    EXPECT_EQ(bar.GetText(0), L"");
    const HICON icon = ::LoadIconW(nullptr, IDI_INFORMATION);
    EXPECT_TRUE(bar.SetIcon(2, icon));
    EXPECT_EQ(bar.GetIcon(2), icon);
    EXPECT_EQ(bar.GetIcon(1), nullptr);
}

TEST_F(ControlWrapperTest, ToolBarButtonsAreFoundByCommandAndKeepTheirStates)
{
    const CToolBarCtrl toolbar(Make(TOOLBARCLASSNAMEW, TBSTYLE_LIST));
    toolbar.SetButtonStructSize();
    wchar_t open[] = L"Open";
    TBBUTTON buttons[] = {
        {I_IMAGENONE, 101, TBSTATE_ENABLED, BTNS_BUTTON | BTNS_SHOWTEXT, {}, 0, reinterpret_cast<INT_PTR>(open)},
        {0, 0, 0, BTNS_SEP, {}, 0, 0},
        {I_IMAGENONE, 103, TBSTATE_ENABLED, BTNS_CHECK, {}, 0, 0},
    };
    ASSERT_TRUE(toolbar.AddButtons(3, buttons));
    EXPECT_EQ(toolbar.GetButtonCount(), 3);
    EXPECT_EQ(toolbar.CommandToIndex(103), 2);
    EXPECT_EQ(toolbar.CommandToIndex(999), -1);
    TBBUTTON read{};
    ASSERT_TRUE(toolbar.GetButton(2, read));
    EXPECT_EQ(read.idCommand, 103);
    EXPECT_EQ(toolbar.GetButtonText(101), L"Open");
    EXPECT_EQ(toolbar.GetButtonText(103), L"");

    EXPECT_TRUE(toolbar.EnableButton(101, false));
    EXPECT_TRUE(toolbar.CheckButton(103, true));
    EXPECT_EQ(toolbar.GetState(101) & TBSTATE_ENABLED, 0);
    EXPECT_NE(toolbar.GetState(103) & TBSTATE_CHECKED, 0);
    EXPECT_NE(toolbar.GetState(103) & TBSTATE_ENABLED, 0);
    EXPECT_EQ(toolbar.GetState(999), -1);

    RECT first{};
    RECT last{};
    ASSERT_TRUE(toolbar.GetItemRect(0, first));
    ASSERT_TRUE(toolbar.GetItemRect(2, last));
    EXPECT_GT(last.left, first.left);
    EXPECT_GT(toolbar.GetButtonSize().cy, 0);
}

TEST_F(ControlWrapperTest, ReBarInsertsBandsAndReportsThem)
{
    const CReBarCtrl rebar(Make(REBARCLASSNAMEW, CCS_NODIVIDER));
    REBARINFO info{};
    info.cbSize = sizeof(info);
    EXPECT_TRUE(rebar.SetBarInfo(info));
    const HWND child = Make(WC_STATICW, 0, {0, 0, 80, 24});
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_ID;
    band.hwndChild = child;
    band.cyMinChild = 24;
    band.wID = 7;
    ASSERT_TRUE(rebar.InsertBand(-1, band));
    EXPECT_EQ(rebar.GetBandCount(), 1u);
    REBARBANDINFOW read{};
    read.cbSize = REBARBANDINFOW_V6_SIZE;
    read.fMask = RBBIM_CHILD | RBBIM_ID;
    ASSERT_TRUE(rebar.GetBandInfo(0, read));
    EXPECT_EQ(read.hwndChild, child);
    EXPECT_EQ(read.wID, 7u);
    EXPECT_GE(rebar.GetBarHeight(), 24u);
}

TEST_F(ControlWrapperTest, TreeViewWalksSelectsExpandsAndDeletes)
{
    const CTreeViewCtrl tree(Make(WC_TREEVIEWW, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT));
    auto insert = [&](HTREEITEM parent, const wchar_t* text) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<wchar_t*>(text);
        return tree.InsertItem(insert);
    };
    const HTREEITEM root = insert(TVI_ROOT, L"root");
    const HTREEITEM first = insert(root, L"first");
    const HTREEITEM second = insert(root, L"second");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(tree.GetCount(), 3u);
    EXPECT_EQ(tree.GetRootItem(), root);
    EXPECT_EQ(tree.GetChildItem(root), first);
    EXPECT_EQ(tree.GetNextSiblingItem(first), second);
    EXPECT_EQ(tree.GetParentItem(second), root);

    wchar_t text[32] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = second;
    item.pszText = text;
    item.cchTextMax = 32;
    ASSERT_TRUE(tree.GetItem(item));
    EXPECT_STREQ(text, L"second");
    item.pszText = const_cast<wchar_t*>(L"renamed");
    EXPECT_TRUE(tree.SetItem(item));
    item.pszText = text;
    tree.GetItem(item);
    EXPECT_STREQ(text, L"renamed");

    EXPECT_TRUE(tree.Expand(root, TVE_EXPAND));
    item.mask = TVIF_STATE;
    item.hItem = root;
    item.stateMask = TVIS_EXPANDED;
    tree.GetItem(item);
    EXPECT_NE(item.state & TVIS_EXPANDED, 0u);
    EXPECT_TRUE(tree.SelectItem(second));
    EXPECT_EQ(tree.GetSelectedItem(), second);

    RECT line{};
    RECT label{};
    ASSERT_TRUE(tree.GetItemRect(first, line, false));
    ASSERT_TRUE(tree.GetItemRect(first, label, true));
    EXPECT_GT(label.left, line.left);
    TVHITTESTINFO hit{};
    hit.pt = {(label.left + label.right) / 2, (label.top + label.bottom) / 2};
    EXPECT_EQ(tree.HitTest(hit), first);

    EXPECT_TRUE(tree.DeleteItem(first));
    EXPECT_EQ(tree.GetCount(), 2u);
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(tree.GetCount(), 0u);
}

TEST_F(ControlWrapperTest, ListViewRowsRectanglesAndStates)
{
    const CListViewCtrl list(Make(WC_LISTVIEWW, LVS_REPORT | LVS_OWNERDATA));
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 200;
    EXPECT_EQ(list.InsertColumn(0, column), 0);
    EXPECT_NE(list.GetHeader(), nullptr);
    list.SetExtendedListViewStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES, LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list.GetExtendedListViewStyle() & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES), DWORD{LVS_EX_FULLROWSELECT});

    ASSERT_TRUE(list.SetItemCountEx(50, LVSICF_NOSCROLL));
    EXPECT_EQ(list.GetItemCount(), 50);
    RECT bounds{};
    RECT label{};
    ASSERT_TRUE(list.GetItemRect(3, bounds, LVIR_BOUNDS));
    ASSERT_TRUE(list.GetItemRect(3, label, LVIR_LABEL));
    EXPECT_EQ(bounds.top, label.top);
    EXPECT_FALSE(list.GetItemRect(60, bounds, LVIR_BOUNDS));

    LVITEMW state{};
    state.state = state.stateMask = LVIS_SELECTED;
    EXPECT_TRUE(list.SetItemState(4, state));
    EXPECT_TRUE(list.SetItemState(9, state));
    EXPECT_EQ(list.GetSelectedCount(), 2);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 4);
    EXPECT_EQ(list.GetNextItem(4, LVNI_SELECTED), 9);
    list.SetSelectionMark(9);
    EXPECT_EQ(static_cast<int>(list.SendMessage(LVM_GETSELECTIONMARK)), 9);

    LVHITTESTINFO hit{};
    hit.pt = {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    EXPECT_EQ(list.HitTest(hit), 3);
    EXPECT_EQ(list.SubItemHitTest(hit), 3);

    EXPECT_TRUE(list.EnsureVisible(40, false));
    EXPECT_GT(list.GetTopIndex(), 0);
    EXPECT_GT(list.GetCountPerPage(), 0);
    const HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    EXPECT_EQ(list.SetImageList(images, LVSIL_SMALL), nullptr);
    EXPECT_EQ(list.GetImageList(LVSIL_SMALL), images);
    EXPECT_EQ(list.GetImageList(LVSIL_STATE), nullptr);
    list.DestroyWindow(); // before its image list, which it does not share
    ::ImageList_Destroy(images);
}

TEST_F(ControlWrapperTest, TrackBarAndProgressBarKeepRangeAndPosition)
{
    const CTrackBarCtrl track(Make(TRACKBAR_CLASSW, TBS_AUTOTICKS));
    track.SetRangeMin(10);
    track.SetRangeMax(90);
    EXPECT_EQ(track.GetRangeMin(), 10);
    EXPECT_EQ(track.GetRangeMax(), 90);
    track.SetPos(55);
    EXPECT_EQ(track.GetPos(), 55);
    track.SetPos(200);
    EXPECT_EQ(track.GetPos(), 90);

    const CProgressBarCtrl progress(Make(PROGRESS_CLASSW, 0));
    progress.SetRange32(0, 1000);
    PBRANGE range{};
    progress.GetRange(range);
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 1000);
    EXPECT_EQ(progress.SetPos(300), 0);
    EXPECT_EQ(progress.SetPos(400), 300);
    EXPECT_EQ(progress.GetPos(), 400);
}

TEST_F(ControlWrapperTest, DateTimePickerKeepsItsDate)
{
    const CDateTimePickerCtrl picker(Make(DATETIMEPICK_CLASSW, DTS_SHORTDATEFORMAT));
    SYSTEMTIME day{};
    day.wYear = 2024;
    day.wMonth = 2;
    day.wDay = 29;
    ASSERT_TRUE(picker.SetSystemTime(day));
    SYSTEMTIME read{};
    EXPECT_EQ(picker.GetSystemTime(read), DWORD{GDT_VALID});
    EXPECT_EQ(read.wYear, 2024);
    EXPECT_EQ(read.wMonth, 2);
    EXPECT_EQ(read.wDay, 29);
    EXPECT_TRUE(picker.SetFormat(L"yyyy'-'MM'-'dd"));
    EXPECT_EQ(picker.GetText(), L"2024-02-29");
}

} // namespace
