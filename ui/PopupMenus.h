#pragma once
// The popup menus of the program: one menu resource whose submenus open from
// the toolbar's drop-down buttons and as the panes' context menus, with the
// pictures beside their items.
#include "ui/common/MenuImageTable.h"
#include "ui/framework/GdiHandles.h"

#include <windows.h>

namespace clonarium {

// The submenus by position.
enum class PopupMenu {
    FileContext = 0,
    Select = 1,
    Delete = 2,
    SmartSelect = 3,
    Help = 4,
    Language = 5,
    SmartSelectImages = 6,
    SmartSelectImagesContext = 7,
    Export = 8,
    FolderSelect = 9,
    Sort = 10,
};

class PopupMenus {
public:
    // Loads the menu and the pictures of its items at `imageSize` pixels,
    // each language's flag under its item. False when the menu is missing.
    bool Load(int imageSize);

    HMENU Handle() const { return menu_.Get(); }
    HMENU Submenu(PopupMenu which) const;
    // The pictures; a window that opens one of these menus passes its
    // WM_MEASUREITEM and WM_DRAWITEM on to them.
    const vandrelcommon::ui::MenuImageTable& Images() const { return images_; }

    // Sets every item's text from the current language table.
    void Relocalize() const;

    // An arrow beside the Sort menu's item `command` (up when ascending) and
    // none beside its other items; command 0 shows none at all.
    void MarkSortOrder(UINT command, bool ascending);

private:
    int imageSize_ = 16;
    vandrelcommon::ui::MenuHandle menu_;
    vandrelcommon::ui::MenuImageTable images_;
};

} // namespace clonarium
