#pragma once
// The tree of drives, folders and files in which the user ticks what to
// search. A folder is listed when it is expanded, so checking a folder
// reaches only its listed descendants; the rest are covered because the
// folder itself becomes a search root. The tree's parent must reflect
// notifications or pass them on (REFLECT_NOTIFICATIONS,
// PASS_NOTIFICATIONS_ON): the tree lists a folder when it hears that the
// folder is expanding, looks into a folder for its button when asked for
// it, and opens its menu when it hears of a right click.
#include "engine/FileRecord.h"
#include "ui/FolderListing.h"
#include "ui/common/CheckState.h"
#include "ui/framework/Controls.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Window.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <unordered_map>
#include <vector>

namespace clonarium {

class CFolderTreeView : public vandrelcommon::ui::CWindowImpl {
public:
    using CheckState = vandrelcommon::ui::CheckState;

    // Every 5 seconds the drives are read again.
    static constexpr UINT_PTR kDriveRefreshTimer = 0x4654;
    static constexpr UINT kDriveRefreshMs = 5000;

    CFolderTreeView() = default;
    ~CFolderTreeView() override;

    // Creates the tree as a child of `parent`, with one item per drive, and
    // starts the drive refresh. Null on failure.
    HWND Create(HWND parent, const RECT& rect, UINT id);

    vandrelcommon::ui::CTreeViewCtrl Tree() const { return vandrelcommon::ui::CTreeViewCtrl(hwnd_); }

    // Gives the context menu the texts of the current language.
    void Relocalize();

    // The checked items as search roots, in tree order: a checked item is a
    // root, a partly checked one contributes its children's roots.
    std::vector<SearchRoot> GetSearchRoots() const;

    // Drops the items of drives that are gone and adds those of new drives.
    void RefreshDrives();
    // Every 5 seconds while the tree is shown (it starts so), and once now.
    void StartDriveRefresh();
    void StopDriveRefresh();
    bool IsRefreshingDrives() const { return refreshing_; }

    // Lists the item's folder and expands it; false when there is nothing
    // to show (the folder is empty, gone or cannot be listed).
    bool ExpandItem(HTREEITEM item);

    // Opens the tree down to the folder or file at `path` (absolute, as
    // NormalizeStartPath makes it), ticks and selects it, as a user would;
    // false when the tree has no item for it.
    bool TickPath(std::wstring path);

    CheckState GetCheckState(HTREEITEM item) const;
    // Sets the state, pushing it down to the listed descendants unless the
    // call comes from a child, and up to the parents unless it comes from
    // the parent. Both false for what the user does.
    void SetCheckState(HTREEITEM item, CheckState state, bool fromParent = false, bool fromChild = false);

    // The item's record; null for no item.
    const FolderItemData* ItemData(HTREEITEM item) const;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_LBUTTONDOWN, OnButtonDown)
    ON_MESSAGE(WM_LBUTTONDBLCLK, OnButtonDown)
    ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
    ON_MESSAGE(WM_CHAR, OnChar)
    ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_REFLECTED_NOTIFY_CODE(TVN_ITEMEXPANDINGW, OnItemExpanding)
    ON_REFLECTED_NOTIFY_CODE(TVN_GETDISPINFOW, OnGetDispInfo)
    ON_REFLECTED_NOTIFY_CODE(NM_RCLICK, OnRightClick)
    END_MESSAGE_MAP()

protected:
    vandrelcommon::ui::WindowClass GetWindowClass() const override;

private:
    LRESULT OnButtonDown(vandrelcommon::ui::Message& msg);
    LRESULT OnKeyDown(vandrelcommon::ui::Message& msg);
    LRESULT OnChar(vandrelcommon::ui::Message& msg);
    LRESULT OnContextMenu(vandrelcommon::ui::Message& msg);
    LRESULT OnTimer(vandrelcommon::ui::Message& msg);
    LRESULT OnDestroy(vandrelcommon::ui::Message& msg);
    LRESULT OnItemExpanding(vandrelcommon::ui::Message& msg);
    LRESULT OnGetDispInfo(vandrelcommon::ui::Message& msg);
    LRESULT OnRightClick(vandrelcommon::ui::Message& msg);

    // The context menu for the item under a point of the screen, or for `item`.
    void ShowMenuAt(POINT screen);
    void ShowMenu(HTREEITEM item, POINT screen);

    // What a click on the state icon or the space bar does.
    void Toggle(HTREEITEM item);
    // A command of the context menu on the item.
    void RunCommand(UINT command, HTREEITEM item);
    void SelectWithoutSubfolders(HTREEITEM item);
    // Inverts the item and its listed descendants without telling its parent.
    void Invert(HTREEITEM item);
    // Tells the item's parent, and so on up, that the item's state changed.
    void PassUp(HTREEITEM item);
    // The state the children agree on, partly checked when they differ;
    // unchecked when there are none.
    CheckState StateOfChildren(HTREEITEM item) const;

    // Lists the folder into its children, keeping those still there with
    // their states; false when it has none now.
    bool Populate(HTREEITEM folder);
    // `children`: the item's cChildren, 0, 1 or I_CHILDRENCALLBACK.
    HTREEITEM InsertItem(HTREEITEM parent, HTREEITEM after, FolderItemData data, int children, CheckState state);
    void SetHasChildren(HTREEITEM item, bool hasChildren) const;
    // Deletes the item with its subtree and their records.
    void DeleteItem(HTREEITEM item);
    void CollectRecords(HTREEITEM item, std::vector<const FolderItemData*>& records) const;
    void CollectRoots(HTREEITEM first, std::vector<SearchRoot>& roots) const;
    void BuildMenu();

    vandrelcommon::ui::ImageListHandle stateImages_;
    vandrelcommon::ui::MenuHandle menu_;
    ShellIconCache icons_;
    HTREEITEM expandingListed_ = nullptr;
    bool refreshing_ = false;
    // The records behind the items' lParam.
    std::unordered_map<const FolderItemData*, std::unique_ptr<FolderItemData>> records_;
};

} // namespace clonarium
