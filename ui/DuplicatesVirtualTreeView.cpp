#include "ui/DuplicatesVirtualTreeView.h"

#include "resources/resource.h"
#include "ui/IconImages.h"
#include "ui/framework/Dpi.h"

#include <shellapi.h>

#include <algorithm>
#include <string>

namespace clonarium {

using vandrelcommon::ui::Message;

namespace {

// The lock column's header holds a space rather than nothing.
std::wstring ColumnTitle(const ResultColumn& column)
{
    return column.headerKey == nullptr ? L" " : ColumnHeader(column);
}

bool IsFileRow(const CVirtualNode* node)
{
    return node != nullptr && node->level == 1 && ItemOf(node) != nullptr;
}

} // namespace

bool CDuplicatesVirtualTreeView::Attach(HWND listView)
{
    if (!CVirtualTreeView::Attach(listView)) {
        return false;
    }
    normalFont_ = GetFont();
    LOGFONTW font{};
    ::GetObjectW(normalFont_ != nullptr ? normalFont_ : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    font.lfStrikeOut = TRUE;
    struckFont_.Reset(::CreateFontIndirectW(&font));

    SHFILEINFOW info{};
    const auto systemImages = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info,
        sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
    ListView().SetImageList(systemImages, LVSIL_SMALL);
    groupIcon_ = info.iIcon;

    padlockSize_ = std::min(IconSize(), vandrelcommon::ui::ScaleX(16));
    closedPadlock_ = LoadIconImage(IDB_LOCK_CLOSED, padlockSize_);
    openPadlock_ = LoadIconImage(IDB_LOCK_OPEN, padlockSize_);
    Header().ModifyStyle(0, HDS_BUTTONS);
    return true;
}

void CDuplicatesVirtualTreeView::SetupColumns(ResultMode mode)
{
    cleaners_.ClearTree(*this);
    mode_ = mode;
    ordering_ = GroupOrdering{};
    const auto list = ListView();
    while (list.DeleteColumn(0)) {
    }
    int index = 0;
    for (const ResultColumn& entry : ResultColumns(mode)) {
        std::wstring title = ColumnTitle(entry);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title.data();
        column.cx = vandrelcommon::ui::ScaleX(entry.width);
        list.InsertColumn(index++, column);
    }
}

void CDuplicatesVirtualTreeView::RelocalizeColumns()
{
    int index = 0;
    for (const ResultColumn& entry : ResultColumns(mode_)) {
        std::wstring title = ColumnTitle(entry);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = title.data();
        ListView().SetColumn(index++, column);
    }
}

void CDuplicatesVirtualTreeView::SortGroupsBy(GroupSortOrder order)
{
    ordering_.ascending = ordering_.DirectionFor(order);
    ordering_.order = order;
    SortGroups(*this, order, ordering_.ascending);
}

CVirtualNode* CDuplicatesVirtualTreeView::LockedFile(const CVirtualNode* group)
{
    const CDuplicateGroup* data = GroupOf(group);
    if (data == nullptr || data->lockedId < 0) {
        return nullptr;
    }
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        if (file->sequenceNumber == data->lockedId) {
            return file;
        }
    }
    return nullptr;
}

void CDuplicatesVirtualTreeView::ToggleLock(CVirtualNode* file)
{
    CDuplicateGroup* group = GroupOf(file->parent);
    if (group == nullptr) {
        return;
    }
    const CVirtualNode* locked = LockedFile(file->parent);
    if (locked == file) {
        group->lockedId = -1;
    } else if (locked == nullptr) {
        group->lockedId = file->sequenceNumber;
    } else {
        return; // another file holds the lock
    }
    Invalidate(false);
    NMHDR header{Hwnd(), static_cast<UINT_PTR>(GetDlgCtrlID()), kLockChanged};
    ::SendMessageW(GetParent(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

LRESULT CDuplicatesVirtualTreeView::OnButtonDown(Message& msg)
{
    msg.handled = false; // the row is selected as usual
    LVHITTESTINFO hit{};
    hit.pt = msg.Point();
    if (ListView().SubItemHitTest(hit) < 0 || hit.iSubItem != kLockColumn ||
        hit.iItem >= static_cast<int>(Rows().size()) || !IsFileRow(Rows()[static_cast<size_t>(hit.iItem)])) {
        return 0;
    }
    ToggleLock(Rows()[static_cast<size_t>(hit.iItem)]);
    return 0;
}

LRESULT CDuplicatesVirtualTreeView::OnKeyDown(Message& msg)
{
    const bool control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    switch (msg.wParam) {
    case VK_RETURN:
        SendCommand(ID_FILE_OPEN);
        return 0;
    case 'A':
        if (control) {
            SendCommand(ID_SELECT_ALL);
            return 0;
        }
        break;
    default:
        break;
    }
    msg.handled = false;
    return 0;
}

// Enter goes to the tree rather than to the dialog holding it.
LRESULT CDuplicatesVirtualTreeView::OnGetDialogCode(Message& msg)
{
    LRESULT code = DefaultProcedure(msg);
    const auto* pending = reinterpret_cast<const MSG*>(msg.lParam);
    if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) {
        code |= DLGC_WANTMESSAGE;
    }
    return code;
}

void CDuplicatesVirtualTreeView::SendCommand(UINT command) const
{
    ::SendMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// The lock column keeps its width: its divider can be neither dragged nor
// double-clicked.
LRESULT CDuplicatesVirtualTreeView::OnHeaderNotify(Message& msg)
{
    const NMHDR* header = msg.Notification();
    if (header->hwndFrom == Header().Hwnd()) {
        const auto* item = reinterpret_cast<const NMHEADERW*>(header);
        const bool track = header->code == HDN_BEGINTRACKW || header->code == HDN_BEGINTRACKA;
        const bool doubleClick = header->code == HDN_DIVIDERDBLCLICKW || header->code == HDN_DIVIDERDBLCLICKA;
        if ((track || doubleClick) && item->iItem == kLockColumn) {
            return TRUE;
        }
    }
    msg.handled = false;
    return 0;
}

bool CDuplicatesVirtualTreeView::SortKeyOf(int column, FileSortKey& key) const
{
    switch (column) {
    case 0:
        key = FileSortKey::FileName;
        return true;
    case 2:
        key = FileSortKey::Folder;
        return true;
    case 3:
        key = FileSortKey::Size;
        return true;
    case 4:
        key = FileSortKey::Modified;
        return true;
    case 5:
        key = FileSortKey::Created;
        return true;
    case 6:
        key = FileSortKey::LastAccess;
        return true;
    case 7:
        key = mode_ == SimilarImages ? FileSortKey::Resolution : FileSortKey::Remark;
        return true;
    case 8:
        key = FileSortKey::Similarity;
        return mode_ == SimilarImages;
    case 9:
        key = FileSortKey::Remark;
        return mode_ == SimilarImages;
    default:
        return false;
    }
}

// A column without the up arrow gets it and sorts with the flag set; one
// with it gets the down arrow and sorts with the flag clear. The other
// columns lose their arrows.
LRESULT CDuplicatesVirtualTreeView::OnColumnClick(Message& msg)
{
    const int column = msg.NotificationAs<NMLISTVIEW>()->iSubItem;
    FileSortKey key{};
    if (!SortKeyOf(column, key)) {
        return 0;
    }
    const auto header = Header();
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    header.GetItem(column, item);
    const bool flag = (item.fmt & HDF_SORTUP) == 0;
    const int count = header.GetItemCount();
    for (int index = 0; index < count; ++index) {
        HDITEMW other{};
        other.mask = HDI_FORMAT;
        header.GetItem(index, other);
        other.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (index == column) {
            other.fmt |= flag ? HDF_SORTUP : HDF_SORTDOWN;
        }
        header.SetItem(index, other);
    }
    SortFiles(*this, key, flag);
    return 0;
}

LRESULT CDuplicatesVirtualTreeView::OnRowPrePaint(NMLVCUSTOMDRAW& draw)
{
    return CVirtualTreeView::OnRowPrePaint(draw) | CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT;
}

// Names of marked rows struck out, remarks in red.
LRESULT CDuplicatesVirtualTreeView::OnCellPrePaint(NMLVCUSTOMDRAW& draw)
{
    const auto row = static_cast<size_t>(draw.nmcd.dwItemSpec);
    if (row >= Rows().size()) {
        return CDRF_DODEFAULT;
    }
    const bool struck = draw.iSubItem == 0 && Rows()[row]->GetCheckState() == vandrelcommon::ui::Checked;
    ::SelectObject(draw.nmcd.hdc, struck && struckFont_ ? struckFont_.Get() : normalFont_);
    if (draw.iSubItem == RemarkColumn()) {
        draw.clrText = RGB(255, 0, 0);
    } else {
        draw.clrText = ListView().GetTextColor();
    }
    return CDRF_NEWFONT;
}

void CDuplicatesVirtualTreeView::OnRowPostPaint(NMLVCUSTOMDRAW& draw)
{
    CVirtualTreeView::OnRowPostPaint(draw);
    DrawPadlock(draw.nmcd.hdc, static_cast<int>(draw.nmcd.dwItemSpec));
}

// The closed padlock on a group's locked file; open padlocks on every file
// of a group without one.
void CDuplicatesVirtualTreeView::DrawPadlock(HDC dc, int row) const
{
    if (row < 0 || row >= static_cast<int>(Rows().size()) || !IsFileRow(Rows()[static_cast<size_t>(row)])) {
        return;
    }
    const CVirtualNode* file = Rows()[static_cast<size_t>(row)];
    const CVirtualNode* locked = LockedFile(file->parent);
    const HBITMAP image = locked == file ? closedPadlock_.Get() : locked == nullptr ? openPadlock_.Get() : nullptr;
    RECT cell{};
    if (image == nullptr || !ListView().GetSubItemRect(row, kLockColumn, cell, LVIR_BOUNDS)) {
        return;
    }
    vandrelcommon::ui::MemoryDC source(dc);
    const vandrelcommon::ui::SelectedObject selected(source, image);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const int size = std::min<int>(padlockSize_, cell.bottom - cell.top);
    ::GdiAlphaBlend(dc, cell.left, cell.top + (cell.bottom - cell.top - size) / 2, size, size, source, 0, 0,
        padlockSize_, padlockSize_, blend);
}

} // namespace clonarium
