// The folder tree keeps each item's check state in its state image (1
// unchecked, 2 checked, 3 partly checked) and each item's record in its
// lParam; the records belong to this object.
#include "ui/FolderTreeView.h"

#include "i18n/Localizer.h"
#include "ui/common/CheckBoxImages.h"
#include "ui/framework/Dpi.h"

#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <utility>

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::ui::CheckState;
using vandrelcommon::ui::CTreeViewCtrl;
using vandrelcommon::ui::Message;
using vandrelcommon::ui::WindowClass;

namespace {

// The context menu's commands.
constexpr UINT kSelect = 1;
constexpr UINT kSelectWithoutSubfolders = 2;
constexpr UINT kClearSelection = 3;
constexpr UINT kInvertSelection = 4;

struct MenuText {
    UINT command;
    const char* key;
};
constexpr std::array kMenuTexts{
    MenuText{kSelect, "search-options.folder-tree.select"},
    MenuText{kSelectWithoutSubfolders, "search-options.folder-tree.select-without-subfolders"},
    MenuText{kClearSelection, "search-options.folder-tree.clear-selection"},
    MenuText{kInvertSelection, "search-options.folder-tree.invert-selection"},
};

constexpr int kStateImageSize = 16;

UINT StateImageOf(CheckState state)
{
    switch (state) {
    case vandrelcommon::ui::Checked:
        return 2;
    case vandrelcommon::ui::Mixed:
        return 3;
    default:
        return 1;
    }
}

CheckState CheckStateOf(UINT stateImage)
{
    switch (stateImage) {
    case 2:
        return vandrelcommon::ui::Checked;
    case 3:
        return vandrelcommon::ui::Mixed;
    default:
        return vandrelcommon::ui::Unchecked;
    }
}

} // namespace

CFolderTreeView::~CFolderTreeView()
{
    // Gone before the records its items point to.
    if (IsWindow()) {
        DestroyWindow();
    }
}

WindowClass CFolderTreeView::GetWindowClass() const
{
    WindowClass tree;
    tree.name = L"clonarium.FolderTreeView";
    tree.superclassOf = WC_TREEVIEWW;
    return tree;
}

HWND CFolderTreeView::Create(HWND parent, const RECT& rect, UINT id)
{
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
    if (CWindowImpl::Create(parent, rect, L"", style, WS_EX_CLIENTEDGE,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))) == nullptr) {
        return nullptr;
    }
    const CTreeViewCtrl tree = Tree();
    tree.SetImageList(ShellIconCache::SystemImageList(), TVSIL_NORMAL);
    stateImages_ = vandrelcommon::ui::MakeCheckBoxImages(hwnd_, vandrelcommon::ui::ScaleX(kStateImageSize));
    tree.SetImageList(stateImages_.Get(), TVSIL_STATE);
    BuildMenu();
    StartDriveRefresh();
    return hwnd_;
}

void CFolderTreeView::BuildMenu()
{
    menu_.Reset(::CreatePopupMenu());
    for (const MenuText& text : kMenuTexts) {
        ::AppendMenuW(menu_.Get(), MF_STRING, text.command, Localize(text.key).c_str());
    }
}

void CFolderTreeView::Relocalize()
{
    for (const MenuText& text : kMenuTexts) {
        ::ModifyMenuW(menu_.Get(), text.command, MF_BYCOMMAND | MF_STRING, text.command, Localize(text.key).c_str());
    }
}

const FolderItemData* CFolderTreeView::ItemData(HTREEITEM item) const
{
    TVITEMW query{};
    query.mask = TVIF_PARAM;
    query.hItem = item;
    if (item == nullptr || !Tree().GetItem(query)) {
        return nullptr;
    }
    return reinterpret_cast<const FolderItemData*>(query.lParam);
}

CheckState CFolderTreeView::GetCheckState(HTREEITEM item) const
{
    return CheckStateOf(Tree().GetItemState(item, TVIS_STATEIMAGEMASK) >> 12);
}

void CFolderTreeView::SetCheckState(HTREEITEM item, CheckState state, bool fromParent, bool fromChild)
{
    if (item == nullptr || GetCheckState(item) == state) {
        return;
    }
    const CTreeViewCtrl tree = Tree();
    TVITEMW change{};
    change.mask = TVIF_STATE;
    change.hItem = item;
    change.state = INDEXTOSTATEIMAGEMASK(StateImageOf(state));
    change.stateMask = TVIS_STATEIMAGEMASK;
    tree.SetItem(change);
    if (!fromChild && state != vandrelcommon::ui::Mixed) {
        for (HTREEITEM child = tree.GetChildItem(item); child != nullptr; child = tree.GetNextSiblingItem(child)) {
            SetCheckState(child, state, true, false);
        }
    }
    if (!fromParent) {
        PassUp(item);
    }
}

void CFolderTreeView::PassUp(HTREEITEM item)
{
    const HTREEITEM parent = Tree().GetParentItem(item);
    if (parent != nullptr) {
        SetCheckState(parent, StateOfChildren(parent), false, true);
    }
}

CheckState CFolderTreeView::StateOfChildren(HTREEITEM item) const
{
    const CTreeViewCtrl tree = Tree();
    HTREEITEM child = tree.GetChildItem(item);
    if (child == nullptr) {
        return vandrelcommon::ui::Unchecked;
    }
    const CheckState first = GetCheckState(child);
    for (child = tree.GetNextSiblingItem(child); child != nullptr; child = tree.GetNextSiblingItem(child)) {
        if (GetCheckState(child) != first) {
            return vandrelcommon::ui::Mixed;
        }
    }
    return first;
}

void CFolderTreeView::Toggle(HTREEITEM item)
{
    SetCheckState(item, GetCheckState(item) == vandrelcommon::ui::Unchecked ? vandrelcommon::ui::Checked
                                                                            : vandrelcommon::ui::Unchecked);
}

// The children are set as from their parent and the item then follows them,
// so that a folder of many files is not summed up once per file.
void CFolderTreeView::SelectWithoutSubfolders(HTREEITEM item)
{
    const FolderItemData* record = ItemData(item);
    if (record == nullptr || !record->isFolder) {
        SetCheckState(item, vandrelcommon::ui::Checked);
        return;
    }
    ExpandItem(item);
    const CTreeViewCtrl tree = Tree();
    for (HTREEITEM child = tree.GetChildItem(item); child != nullptr; child = tree.GetNextSiblingItem(child)) {
        const bool isFolder = ItemData(child)->isFolder;
        SetCheckState(child, isFolder ? vandrelcommon::ui::Unchecked : vandrelcommon::ui::Checked, true, false);
    }
    SetCheckState(item, StateOfChildren(item), false, true);
}

void CFolderTreeView::Invert(HTREEITEM item)
{
    switch (GetCheckState(item)) {
    case vandrelcommon::ui::Checked:
        SetCheckState(item, vandrelcommon::ui::Unchecked, true, false);
        break;
    case vandrelcommon::ui::Unchecked:
        SetCheckState(item, vandrelcommon::ui::Checked, true, false);
        break;
    case vandrelcommon::ui::Mixed: {
        const CTreeViewCtrl tree = Tree();
        for (HTREEITEM child = tree.GetChildItem(item); child != nullptr; child = tree.GetNextSiblingItem(child)) {
            Invert(child);
        }
        SetCheckState(item, StateOfChildren(item), true, true);
        break;
    }
    }
}

std::vector<SearchRoot> CFolderTreeView::GetSearchRoots() const
{
    std::vector<SearchRoot> roots;
    CollectRoots(Tree().GetRootItem(), roots);
    return roots;
}

void CFolderTreeView::CollectRoots(HTREEITEM first, std::vector<SearchRoot>& roots) const
{
    const CTreeViewCtrl tree = Tree();
    for (HTREEITEM item = first; item != nullptr; item = tree.GetNextSiblingItem(item)) {
        switch (GetCheckState(item)) {
        case vandrelcommon::ui::Checked: {
            const FolderItemData* record = ItemData(item);
            roots.push_back(SearchRoot{record->path, record->isFolder});
            break;
        }
        case vandrelcommon::ui::Mixed:
            CollectRoots(tree.GetChildItem(item), roots);
            break;
        default:
            break;
        }
    }
}

HTREEITEM CFolderTreeView::InsertItem(
    HTREEITEM parent, HTREEITEM after, FolderItemData data, int children, CheckState state)
{
    auto record = std::make_unique<FolderItemData>(std::move(data));
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    TVITEMEXW& item = insert.itemex;
    item.mask =
        TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_EXPANDEDIMAGE | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
    item.pszText = record->name.data();
    item.iImage = record->icon;
    item.iSelectedImage = record->icon;
    item.iExpandedImage = record->openIcon;
    item.cChildren = children;
    item.state = INDEXTOSTATEIMAGEMASK(StateImageOf(state));
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.lParam = reinterpret_cast<LPARAM>(record.get());
    const HTREEITEM inserted = Tree().InsertItem(insert);
    if (inserted != nullptr) {
        const FolderItemData* key = record.get();
        records_.emplace(key, std::move(record));
    }
    return inserted;
}

void CFolderTreeView::SetHasChildren(HTREEITEM item, bool hasChildren) const
{
    TVITEMW change{};
    change.mask = TVIF_CHILDREN;
    change.hItem = item;
    change.cChildren = hasChildren ? 1 : 0;
    Tree().SetItem(change);
}

void CFolderTreeView::DeleteItem(HTREEITEM item)
{
    std::vector<const FolderItemData*> records;
    CollectRecords(item, records);
    Tree().DeleteItem(item);
    for (const FolderItemData* record : records) {
        records_.erase(record);
    }
}

void CFolderTreeView::CollectRecords(HTREEITEM item, std::vector<const FolderItemData*>& records) const
{
    records.push_back(ItemData(item));
    const CTreeViewCtrl tree = Tree();
    for (HTREEITEM child = tree.GetChildItem(item); child != nullptr; child = tree.GetNextSiblingItem(child)) {
        CollectRecords(child, records);
    }
}

// The listing is merged into the children already there, which keep their
// check states: each is found by its path. New children take a checked or
// unchecked folder's state; under a partly checked one they come unchecked.
bool CFolderTreeView::Populate(HTREEITEM folder)
{
    const FolderItemData* record = ItemData(folder);
    if (record == nullptr || !record->isFolder) {
        return false;
    }
    std::vector<FolderItemData> entries;
    ListFolder(record->path, icons_, entries); // nothing listed when it fails
    const bool hasEntries = !entries.empty();

    const CTreeViewCtrl tree = Tree();
    std::unordered_map<std::wstring, HTREEITEM> present;
    for (HTREEITEM child = tree.GetChildItem(folder); child != nullptr; child = tree.GetNextSiblingItem(child)) {
        present.emplace(ItemData(child)->path, child);
    }
    const CheckState newState =
        GetCheckState(folder) == vandrelcommon::ui::Checked ? vandrelcommon::ui::Checked : vandrelcommon::ui::Unchecked;
    tree.SetRedraw(false);
    HTREEITEM after = TVI_FIRST;
    for (FolderItemData& entry : entries) {
        if (const auto found = present.find(entry.path); found != present.end()) {
            after = found->second;
            present.erase(found);
            continue;
        }
        const int children = entry.isFolder ? I_CHILDRENCALLBACK : 0;
        after = InsertItem(folder, after, std::move(entry), children, newState);
    }
    for (const auto& [path, child] : present) {
        DeleteItem(child);
    }
    tree.SetRedraw(true);
    SetHasChildren(folder, hasEntries);
    if (GetCheckState(folder) == vandrelcommon::ui::Mixed) {
        SetCheckState(folder, StateOfChildren(folder), false, true);
    }
    return hasEntries;
}

// Names are compared as the file system compares them: ignoring case,
// whatever the letters' script.
bool CFolderTreeView::TickPath(std::wstring path)
{
    if (!path.empty() && path.back() == L'\\') {
        path.pop_back(); // a drive's root
    }
    const auto same = [](std::wstring_view a, std::wstring_view b) {
        return ::CompareStringOrdinal(
                   a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
    };
    HTREEITEM item = Tree().GetRootItem();
    while (item != nullptr) {
        const FolderItemData* data = ItemData(item);
        std::wstring shown = data == nullptr ? std::wstring() : data->path;
        if (!shown.empty() && shown.back() == L'\\') {
            shown.pop_back();
        }
        if (same(shown, path)) {
            SetCheckState(item, vandrelcommon::ui::Checked);
            Tree().SelectItem(item); // and in sight
            return true;
        }
        const bool onTheWay = !shown.empty() && path.size() > shown.size() && path[shown.size()] == L'\\' &&
                              same(shown, std::wstring_view(path).substr(0, shown.size()));
        if (onTheWay) {
            ExpandItem(item);
            item = Tree().GetChildItem(item);
        } else {
            item = Tree().GetNextSiblingItem(item);
        }
    }
    return false;
}

bool CFolderTreeView::ExpandItem(HTREEITEM item)
{
    if (!Populate(item)) {
        return false;
    }
    // Listed just now: the notification that the expansion sends need not list again.
    expandingListed_ = item;
    Tree().Expand(item, TVE_EXPAND);
    expandingListed_ = nullptr;
    return true;
}

void CFolderTreeView::RefreshDrives()
{
    const std::vector<std::wstring> roots = ListDriveRoots();
    const CTreeViewCtrl tree = Tree();
    std::unordered_map<std::wstring, HTREEITEM> shown;
    for (HTREEITEM item = tree.GetRootItem(); item != nullptr;) {
        const HTREEITEM next = tree.GetNextSiblingItem(item);
        const std::wstring& path = ItemData(item)->path;
        if (std::find(roots.begin(), roots.end(), path) == roots.end()) {
            DeleteItem(item);
        } else {
            shown.emplace(path, item);
        }
        item = next;
    }
    HTREEITEM after = TVI_FIRST;
    for (const std::wstring& root : roots) {
        if (const auto found = shown.find(root); found != shown.end()) {
            after = found->second;
        } else {
            // A drive is not listed before it is opened: a drive without a disc would keep the user waiting.
            after = InsertItem(TVI_ROOT, after, MakeDriveItem(root), 1, vandrelcommon::ui::Unchecked);
        }
    }
}

LRESULT CFolderTreeView::OnButtonDown(Message& msg)
{
    TVHITTESTINFO hit{};
    hit.pt = msg.Point();
    const HTREEITEM item = Tree().HitTest(hit);
    if (item == nullptr || (hit.flags & TVHT_ONITEMSTATEICON) == 0) {
        msg.handled = false;
        return 0;
    }
    SetFocus();
    Toggle(item);
    return 0;
}

LRESULT CFolderTreeView::OnKeyDown(Message& msg)
{
    if (msg.wParam != VK_SPACE) {
        msg.handled = false;
        return 0;
    }
    if (const HTREEITEM item = Tree().GetSelectedItem(); item != nullptr) {
        Toggle(item);
    }
    return 0;
}

// The space bar ticks; it does not start a search by name.
LRESULT CFolderTreeView::OnChar(Message& msg)
{
    msg.handled = msg.wParam == L' ';
    return 0;
}

LRESULT CFolderTreeView::OnContextMenu(Message& msg)
{
    const CTreeViewCtrl tree = Tree();
    if (!msg.IsKeyboardContextMenu()) {
        ShowMenuAt(msg.Point());
        return 0;
    }
    // From the keyboard: under the selected item.
    const HTREEITEM item = tree.GetSelectedItem();
    RECT rect{};
    if (item == nullptr || !tree.GetItemRect(item, rect, true)) {
        return 0;
    }
    POINT point{rect.left, rect.bottom};
    ::ClientToScreen(hwnd_, &point);
    ShowMenu(item, point);
    return 0;
}

// A right click: the tree tells its parent, and asks for the menu only when
// the parent did not take the click, in a way each system has its own of.
LRESULT CFolderTreeView::OnRightClick(Message&)
{
    const DWORD position = ::GetMessagePos();
    ShowMenuAt(POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))});
    return TRUE;
}

void CFolderTreeView::ShowMenuAt(POINT screen)
{
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ::ScreenToClient(hwnd_, &hit.pt);
    const HTREEITEM item = Tree().HitTest(hit);
    if (item != nullptr) {
        Tree().SelectItem(item);
        ShowMenu(item, screen);
    }
}

void CFolderTreeView::ShowMenu(HTREEITEM item, POINT screen)
{
    // No drive may go while the menu holds one of the items.
    const bool refreshing = refreshing_;
    StopDriveRefresh();
    const UINT command = static_cast<UINT>(::TrackPopupMenuEx(menu_.Get(),
        TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, screen.x, screen.y, hwnd_, nullptr));
    RunCommand(command, item);
    if (refreshing) {
        StartDriveRefresh();
    }
}

void CFolderTreeView::StartDriveRefresh()
{
    RefreshDrives();
    refreshing_ = ::SetTimer(hwnd_, kDriveRefreshTimer, kDriveRefreshMs, nullptr) != 0;
}

void CFolderTreeView::StopDriveRefresh()
{
    ::KillTimer(hwnd_, kDriveRefreshTimer);
    refreshing_ = false;
}

void CFolderTreeView::RunCommand(UINT command, HTREEITEM item)
{
    switch (command) {
    case kSelect:
        SetCheckState(item, vandrelcommon::ui::Checked);
        break;
    case kSelectWithoutSubfolders:
        SelectWithoutSubfolders(item);
        break;
    case kClearSelection:
        SetCheckState(item, vandrelcommon::ui::Unchecked);
        break;
    case kInvertSelection:
        Invert(item);
        PassUp(item);
        break;
    default:
        break;
    }
}

LRESULT CFolderTreeView::OnTimer(Message& msg)
{
    if (msg.wParam != kDriveRefreshTimer) {
        msg.handled = false;
        return 0;
    }
    RefreshDrives();
    return 0;
}

LRESULT CFolderTreeView::OnDestroy(Message& msg)
{
    StopDriveRefresh();
    msg.handled = false;
    return 0;
}

// A folder's button is settled when the tree first needs it, mostly to
// paint it: looking into every folder of a long listing would hold up its
// opening.
LRESULT CFolderTreeView::OnGetDispInfo(Message& msg)
{
    auto* info = msg.NotificationAs<NMTVDISPINFOW>();
    if ((info->item.mask & TVIF_CHILDREN) != 0) {
        const auto* record = reinterpret_cast<const FolderItemData*>(info->item.lParam);
        info->item.cChildren = record != nullptr && FolderHasEntries(record->path) ? 1 : 0;
        info->item.mask |= TVIF_DI_SETITEM;
    }
    return 0;
}

// A folder is listed each time it opens, so that it shows what is there now;
// one that is gone, empty or cannot be listed does not open.
LRESULT CFolderTreeView::OnItemExpanding(Message& msg)
{
    const auto* change = msg.NotificationAs<NMTREEVIEWW>();
    const HTREEITEM item = change->itemNew.hItem;
    if ((change->action & TVE_EXPAND) == 0 || item == expandingListed_) {
        return FALSE;
    }
    return Populate(item) ? FALSE : TRUE;
}

} // namespace clonarium
