#pragma once
// Thin wrappers of the common controls: a class a control, a method a
// message. Each owns nothing and hides nothing: the arguments are those of
// the message, typed, and the answer is the message's, typed. Make one from
// a handle wherever the control is reached (`CListViewCtrl(list).GetTopIndex()`).
#include "ui/framework/Window.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace vandrelcommon::ui {

class CListViewCtrl : public CWindow {
public:
    using CWindow::CWindow;

    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    // Owner-data lists: the number of rows; `flags` LVSICF_*.
    bool SetItemCountEx(int count, DWORD flags) const
    {
        return SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), flags) != 0;
    }
    int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
    int GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
    int GetSelectedCount() const { return static_cast<int>(SendMessage(LVM_GETSELECTEDCOUNT)); }
    // The next row after `start` (-1: from the first) with the LVNI_* flags.
    int GetNextItem(int start, UINT flags) const
    {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags));
    }
    int SetSelectionMark(int row) const { return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, row)); }
    // `row` -1: every row.
    bool SetItemState(int row, const LVITEMW& item) const
    {
        return SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
    }
    bool GetItemText(int row, LVITEMW& item) const
    {
        return SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) >= 0;
    }
    // `portion` LVIR_*; false (and `rect` untouched) for a row that does not exist.
    bool GetItemRect(int row, RECT& rect, int portion) const
    {
        rect.left = portion;
        return SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != 0;
    }
    bool RedrawItems(int first, int last) const { return SendMessage(LVM_REDRAWITEMS, first, last) != 0; }
    bool Scroll(int dx, int dy) const { return SendMessage(LVM_SCROLL, static_cast<WPARAM>(dx), dy) != 0; }
    bool EnsureVisible(int row, bool partialOk) const
    {
        return SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), partialOk) != 0;
    }
    int HitTest(LVHITTESTINFO& hit) const
    {
        return static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    }
    int SubItemHitTest(LVHITTESTINFO& hit) const
    {
        return static_cast<int>(SendMessage(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    }
    // `portion` LVIR_*; false for a cell that does not exist.
    bool GetSubItemRect(int row, int column, RECT& rect, int portion) const
    {
        rect.top = column;
        rect.left = portion;
        return SendMessage(LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != 0;
    }
    COLORREF GetTextColor() const { return static_cast<COLORREF>(SendMessage(LVM_GETTEXTCOLOR)); }
    HWND GetHeader() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }
    int InsertColumn(int column, const LVCOLUMNW& info) const
    {
        return static_cast<int>(
            SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
    }
    bool DeleteColumn(int column) const { return SendMessage(LVM_DELETECOLUMN, static_cast<WPARAM>(column)) != 0; }
    bool GetColumn(int column, LVCOLUMNW& info) const
    {
        return SendMessage(LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)) != 0;
    }
    bool SetColumn(int column, const LVCOLUMNW& info) const
    {
        return SendMessage(LVM_SETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)) != 0;
    }
    // `width` in pixels, or LVSCW_AUTOSIZE / LVSCW_AUTOSIZE_USEHEADER.
    bool SetColumnWidth(int column, int width) const
    {
        return SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width) != 0;
    }
    int GetColumnWidth(int column) const
    {
        return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
    }
    // `which` LVSIL_*.
    HIMAGELIST GetImageList(int which) const
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, static_cast<WPARAM>(which)));
    }
    // Returns the list that was set before.
    HIMAGELIST SetImageList(HIMAGELIST images, int which) const
    {
        return reinterpret_cast<HIMAGELIST>(
            SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(images)));
    }
    DWORD SetExtendedListViewStyle(DWORD mask, DWORD style) const
    {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style));
    }
    DWORD GetExtendedListViewStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    // The LVIS_* state bits the list asks its owner for.
    bool SetCallbackMask(UINT mask) const { return SendMessage(LVM_SETCALLBACKMASK, mask) != 0; }
};

class CHeaderCtrl : public CWindow {
public:
    using CWindow::CWindow;

    int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
    // Fills what `item.mask` asks for.
    bool GetItem(int index, HDITEMW& item) const
    {
        return SendMessage(HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
    }
    bool SetItem(int index, const HDITEMW& item) const
    {
        return SendMessage(HDM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
    }
    bool GetItemRect(int index, RECT& rect) const
    {
        return SendMessage(HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) != 0;
    }
};

class CTreeViewCtrl : public CWindow {
public:
    using CWindow::CWindow;

    HTREEITEM InsertItem(const TVINSERTSTRUCTW& insert) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    bool DeleteItem(HTREEITEM item) const
    {
        return SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool DeleteAllItems() const { return DeleteItem(TVI_ROOT); }
    bool GetItem(TVITEMW& item) const { return SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0; }
    bool SetItem(const TVITEMW& item) const
    {
        return SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    // The item's TVIS_* state bits within `mask`.
    UINT GetItemState(HTREEITEM item, UINT mask) const
    {
        return static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
    }
    // `relation` TVGN_*: the item that stands so to `item`, or null.
    HTREEITEM GetNextItem(HTREEITEM item, UINT relation) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    bool SelectItem(HTREEITEM item) const
    {
        return SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
    }
    // `action` TVE_*.
    bool Expand(HTREEITEM item, UINT action) const
    {
        return SendMessage(TVM_EXPAND, action, reinterpret_cast<LPARAM>(item)) != 0;
    }
    bool EnsureVisible(HTREEITEM item) const
    {
        return SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)) != 0;
    }
    UINT GetCount() const { return static_cast<UINT>(SendMessage(TVM_GETCOUNT)); }
    HTREEITEM HitTest(TVHITTESTINFO& hit) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    }
    // `textOnly`: the rectangle of the label rather than of the whole line.
    bool GetItemRect(HTREEITEM item, RECT& rect, bool textOnly) const
    {
        *reinterpret_cast<HTREEITEM*>(&rect) = item;
        return SendMessage(TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&rect)) != 0;
    }
    // `which` TVSIL_*; returns the list that was set before.
    HIMAGELIST SetImageList(HIMAGELIST images, int which) const
    {
        return reinterpret_cast<HIMAGELIST>(
            SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(images)));
    }
};

class CToolBarCtrl : public CWindow {
public:
    using CWindow::CWindow;

    // Sent once after creation, before any button is added.
    void SetButtonStructSize() const { SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON)); }
    bool AddButtons(int count, const TBBUTTON* buttons) const
    {
        return SendMessage(TB_ADDBUTTONSW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(buttons)) != 0;
    }
    int GetButtonCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }
    bool GetButton(int index, TBBUTTON& button) const
    {
        return SendMessage(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button)) != 0;
    }
    bool GetItemRect(int index, RECT& rect) const
    {
        return SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) != 0;
    }
    SIZE GetButtonSize() const
    {
        const auto size = static_cast<DWORD>(SendMessage(TB_GETBUTTONSIZE));
        return {LOWORD(size), HIWORD(size)};
    }
    // The button's own text; empty when it has none.
    std::wstring GetButtonText(int command) const;
    // The index of the button with `command`, -1 when there is none.
    int CommandToIndex(int command) const
    {
        return static_cast<int>(SendMessage(TB_COMMANDTOINDEX, static_cast<WPARAM>(command)));
    }
    bool EnableButton(int command, bool enable) const
    {
        return SendMessage(TB_ENABLEBUTTON, static_cast<WPARAM>(command), MAKELPARAM(enable, 0)) != 0;
    }
    bool CheckButton(int command, bool check) const
    {
        return SendMessage(TB_CHECKBUTTON, static_cast<WPARAM>(command), MAKELPARAM(check, 0)) != 0;
    }
    // TBSTATE_* bits, -1 when there is no such button.
    int GetState(int command) const { return static_cast<int>(SendMessage(TB_GETSTATE, static_cast<WPARAM>(command))); }
    HWND GetToolTips() const { return reinterpret_cast<HWND>(SendMessage(TB_GETTOOLTIPS)); }
    // Returns the list that was set before.
    HIMAGELIST SetImageList(HIMAGELIST images) const
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)));
    }
    DWORD SetExtendedStyle(DWORD style) const { return static_cast<DWORD>(SendMessage(TB_SETEXTENDEDSTYLE, 0, style)); }
    void AutoSize() const { SendMessage(TB_AUTOSIZE); }
    // One of the common control library's bitmaps (IDB_*).
    void LoadStandardImages(UINT bitmap) const
    {
        SendMessage(TB_LOADIMAGES, bitmap, reinterpret_cast<LPARAM>(HINST_COMMCTRL));
    }
    // The button's rectangle by command; false when there is no such button.
    bool GetRect(int command, RECT& rect) const
    {
        return SendMessage(TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&rect)) != 0;
    }
    // By command: the fields of `info` named in its dwMask (TBIF_*).
    bool GetButtonInfo(int command, TBBUTTONINFOW& info) const
    {
        return SendMessage(TB_GETBUTTONINFOW, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&info)) != -1;
    }
    bool SetButtonInfo(int command, const TBBUTTONINFOW& info) const
    {
        return SendMessage(TB_SETBUTTONINFOW, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&info)) != 0;
    }
    // The hot button by index, -1 for none.
    int GetHotItem() const { return static_cast<int>(SendMessage(TB_GETHOTITEM)); }
    void SetHotItem(int index) const { SendMessage(TB_SETHOTITEM, static_cast<WPARAM>(index)); }
    bool HideButton(int command, bool hide) const
    {
        return SendMessage(TB_HIDEBUTTON, static_cast<WPARAM>(command), MAKELPARAM(hide, 0)) != 0;
    }
    bool IsButtonHidden(int command) const { return SendMessage(TB_ISBUTTONHIDDEN, static_cast<WPARAM>(command)) != 0; }
    // Shows image `image` of the image list on the button.
    bool ChangeBitmap(int command, int image) const
    {
        return SendMessage(TB_CHANGEBITMAP, static_cast<WPARAM>(command), image) != 0;
    }
    // The window that gets the toolbar's commands and notifications.
    void SetNotifyWindow(HWND window) const { SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(window)); }
};

class CReBarCtrl : public CWindow {
public:
    using CWindow::CWindow;

    bool SetBarInfo(const REBARINFO& info) const
    {
        return SendMessage(RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info)) != 0;
    }
    UINT GetBandCount() const { return static_cast<UINT>(SendMessage(RB_GETBANDCOUNT)); }
    // `index` -1: after the last band.
    bool InsertBand(int index, const REBARBANDINFOW& band) const
    {
        return SendMessage(RB_INSERTBANDW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&band)) != 0;
    }
    bool GetBandInfo(UINT index, REBARBANDINFOW& band) const
    {
        return SendMessage(RB_GETBANDINFOW, index, reinterpret_cast<LPARAM>(&band)) != 0;
    }
    bool SetBandInfo(UINT index, const REBARBANDINFOW& band) const
    {
        return SendMessage(RB_SETBANDINFOW, index, reinterpret_cast<LPARAM>(&band)) != 0;
    }
    UINT GetBarHeight() const { return static_cast<UINT>(SendMessage(RB_GETBARHEIGHT)); }
    bool GetRect(UINT band, RECT& rect) const
    {
        return SendMessage(RB_GETRECT, band, reinterpret_cast<LPARAM>(&rect)) != 0;
    }
    // The band under `hit.pt`, -1 for none; `hit.flags` tells the part (RBHT_*).
    int HitTest(RBHITTESTINFO& hit) const
    {
        return static_cast<int>(SendMessage(RB_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    }
};

class CStatusBarCtrl : public CWindow {
public:
    using CWindow::CWindow;

    // `rightEdges` holds `count` right edges in client coordinates, -1 for
    // the last pane reaching the border.
    bool SetParts(int count, const int* rightEdges) const
    {
        return SendMessage(SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rightEdges)) != 0;
    }
    // Fills up to `count` right edges (none with a null `rightEdges`) and
    // returns the number of panes.
    int GetParts(int count, int* rightEdges) const
    {
        return static_cast<int>(
            SendMessage(SB_GETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rightEdges)));
    }
    bool SetText(int pane, const std::wstring& text) const
    {
        return SendMessage(SB_SETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.c_str())) != 0;
    }
    int GetTextLength(int pane) const { return LOWORD(SendMessage(SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane))); }
    std::wstring GetText(int pane) const;
    bool SetIcon(int pane, HICON icon) const
    {
        return SendMessage(SB_SETICON, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(icon)) != 0;
    }
    HICON GetIcon(int pane) const
    {
        return reinterpret_cast<HICON>(SendMessage(SB_GETICON, static_cast<WPARAM>(pane)));
    }
    // One pane of plain text over the whole bar, or back to the parts.
    void SetSimple(bool simple) const { SendMessage(SB_SIMPLE, simple); }
};

class CComboBox : public CWindow {
public:
    using CWindow::CWindow;

    // The new item's index, CB_ERR or CB_ERRSPACE.
    int AddString(const std::wstring& text) const
    {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int InsertString(int index, const std::wstring& text) const
    {
        return static_cast<int>(
            SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
    }
    int DeleteString(int index) const
    {
        return static_cast<int>(SendMessage(CB_DELETESTRING, static_cast<WPARAM>(index)));
    }
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    // CB_ERR when nothing is selected.
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    // -1 clears the selection; CB_ERR for that and for an index out of range.
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    int GetLBTextLen(int index) const
    {
        return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
    }
    // The item's text; empty for an index out of range.
    std::wstring GetLBText(int index) const;
    LRESULT GetItemData(int index) const { return SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)); }
    int SetItemData(int index, LPARAM data) const
    {
        return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), data));
    }
};

class CTrackBarCtrl : public CWindow {
public:
    using CWindow::CWindow;

    void SetRangeMin(int minimum, bool redraw = false) const { SendMessage(TBM_SETRANGEMIN, redraw, minimum); }
    void SetRangeMax(int maximum, bool redraw = true) const { SendMessage(TBM_SETRANGEMAX, redraw, maximum); }
    int GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
    int GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
    void SetPos(int position, bool redraw = true) const { SendMessage(TBM_SETPOS, redraw, position); }
    void SetTicFreq(int frequency) const { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(frequency)); }
    int SetPageSize(int size) const { return static_cast<int>(SendMessage(TBM_SETPAGESIZE, 0, size)); }
    int SetLineSize(int size) const { return static_cast<int>(SendMessage(TBM_SETLINESIZE, 0, size)); }
};

class CProgressBarCtrl : public CWindow {
public:
    using CWindow::CWindow;

    // Returns the range before, packed as PBM_SETRANGE32 answers it.
    DWORD SetRange32(int minimum, int maximum) const
    {
        return static_cast<DWORD>(SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum));
    }
    void GetRange(PBRANGE& range) const { SendMessage(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)); }
    // Returns the position before.
    int SetPos(int position) const { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(position))); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    // A bar with PBS_MARQUEE: `intervalMs` between moves, 0 for the default.
    bool SetMarquee(bool on, UINT intervalMs = 0) const { return SendMessage(PBM_SETMARQUEE, on, intervalMs) != 0; }
    // PBST_NORMAL, PBST_ERROR or PBST_PAUSED; returns the state before.
    int SetState(int state) const { return static_cast<int>(SendMessage(PBM_SETSTATE, static_cast<WPARAM>(state))); }
    int GetState() const { return static_cast<int>(SendMessage(PBM_GETSTATE)); }
};

class CDateTimePickerCtrl : public CWindow {
public:
    using CWindow::CWindow;

    // GDT_VALID with `time` filled, or GDT_NONE when a picker with
    // DTS_SHOWNONE has its box cleared.
    DWORD GetSystemTime(SYSTEMTIME& time) const
    {
        return static_cast<DWORD>(SendMessage(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)));
    }
    bool SetSystemTime(const SYSTEMTIME& time) const
    {
        return SendMessage(DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time)) != 0;
    }
    // A format string of the picker ("dd.MM.yyyy"); empty: the style's own.
    bool SetFormat(const std::wstring& format) const
    {
        return SendMessage(DTM_SETFORMATW, 0, format.empty() ? 0 : reinterpret_cast<LPARAM>(format.c_str())) != 0;
    }
    // `which` GDTR_MIN | GDTR_MAX; `limits` holds the minimum, then the maximum.
    bool SetRange(DWORD which, const SYSTEMTIME (&limits)[2]) const
    {
        return SendMessage(DTM_SETRANGE, which, reinterpret_cast<LPARAM>(limits)) != 0;
    }
};

// A push button, check box or radio button.
class CButton : public CWindow {
public:
    using CWindow::CWindow;

    // BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE.
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
    // Pressed as by the mouse: the parent gets BN_CLICKED.
    void Click() const { SendMessage(BM_CLICK); }
    // The picture drawn beside the text; the list must outlive the button.
    void SetImageList(const BUTTON_IMAGELIST& list) const
    {
        SendMessage(BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
    }
};

class CToolTipCtrl : public CWindow {
public:
    using CWindow::CWindow;

    bool AddTool(const TOOLINFOW& tool) const
    {
        return SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
    }
    void UpdateTipText(const TOOLINFOW& tool) const
    {
        SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // Tips wider than this break into lines.
    void SetMaxTipWidth(int width) const { SendMessage(TTM_SETMAXTIPWIDTH, 0, width); }
    // `icon` TTI_* or an icon handle.
    bool SetTitle(WPARAM icon, const std::wstring& title) const
    {
        return SendMessage(TTM_SETTITLEW, icon, reinterpret_cast<LPARAM>(title.c_str())) != 0;
    }
    // Where a tracking tip shows, in screen coordinates.
    void TrackPosition(int x, int y) const { SendMessage(TTM_TRACKPOSITION, 0, MAKELPARAM(x, y)); }
    void TrackActivate(const TOOLINFOW& tool, bool on) const
    {
        SendMessage(TTM_TRACKACTIVATE, on, reinterpret_cast<LPARAM>(&tool));
    }
};

} // namespace vandrelcommon::ui
