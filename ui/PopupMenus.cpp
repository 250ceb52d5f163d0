#include "ui/PopupMenus.h"

#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "ui/CommandKeys.h"
#include "ui/IconImages.h"
#include "ui/framework/Module.h"

#include <string_view>

namespace clonarium {

using vandrelcommon::system::Localize;

namespace {

struct ItemText {
    UINT command;
    std::string_view key;
};

// The items' texts; the languages keep their own names.
constexpr ItemText kItemTexts[] = {
    {ID_FILE_OPEN, "duplicates-pane.buttons.duplicate-context.open"},
    {ID_FILE_SHOW_IN_FOLDER, "duplicates-pane.buttons.duplicate-context.show-in-folder"},
    {ID_FILE_PROPERTIES, "duplicates-pane.buttons.duplicate-context.properties"},
    {ID_SELECT_REMOVE_FROM_LIST, "duplicates-pane.buttons.select.exclude-from-result"},
    {ID_SELECT_KEEP_FIRST, "duplicates-pane.buttons.select.keep-first"},
    {ID_SELECT_KEEP_LAST, "duplicates-pane.buttons.select.keep-last"},
    {ID_SELECT_KEEP_NEWEST_MODIFIED, "duplicates-pane.buttons.select.keep-newest-modified"},
    {ID_SELECT_KEEP_OLDEST_MODIFIED, "duplicates-pane.buttons.select.keep-oldest-modified"},
    {ID_SELECT_KEEP_NEWEST_CREATED, "duplicates-pane.buttons.select.keep-newest-created"},
    {ID_SELECT_KEEP_OLDEST_CREATED, "duplicates-pane.buttons.select.keep-oldest-created"},
    {ID_SELECT_KEEP_NEWEST_ACCESSED, "duplicates-pane.buttons.select.keep-newest-accessed"},
    {ID_SELECT_KEEP_OLDEST_ACCESSED, "duplicates-pane.buttons.select.keep-oldest-accessed"},
    {ID_SELECT_KEEP_SHORTEST_FN, "duplicates-pane.buttons.select.keep-shortest-fn"},
    {ID_SELECT_KEEP_LONGEST_FN, "duplicates-pane.buttons.select.keep-longest-fn"},
    {ID_SELECT_KEEP_SHORTEST_PATH, "duplicates-pane.buttons.select.keep-shortest-path"},
    {ID_SELECT_KEEP_LONGEST_PATH, "duplicates-pane.buttons.select.keep-longest-path"},
    {ID_SELECT_KEEP_HIGHEST_RES, "duplicates-pane.buttons.select.keep-highest-res"},
    {ID_SELECT_KEEP_LOWEST_RES, "duplicates-pane.buttons.select.keep-lowest-res"},
    {ID_SELECT_BY_REGEXP, "duplicates-pane.buttons.select.by-regexp"},
    {ID_SELECT_ALL, "duplicates-pane.buttons.select.select-all"},
    {ID_SELECT_CLEAR, "duplicates-pane.buttons.select.clear-selection"},
    {ID_DELETE_PERMANENTLY, "duplicates-pane.buttons.delete.permanently"},
    {ID_DELETE_TO_RECYCLE_BIN, "duplicates-pane.buttons.delete.to-recycle-bin"},
    {ID_DELETE_BACKUP_IN_FOLDER, "duplicates-pane.buttons.delete.backup-in-folder"},
    {ID_EXPORT_CSV, "duplicates-pane.buttons.export.to-csv"},
    {ID_EXPORT_HTML, "duplicates-pane.buttons.export.to-html"},
    {ID_EXPORT_XML, "duplicates-pane.buttons.export.to-xml"},
    {ID_SORT_TOTAL_SIZE, "duplicates-pane.buttons.sort.total-size"},
    {ID_SORT_SINGLE_FILE_SIZE, "duplicates-pane.buttons.sort.single-file-size"},
    {ID_SORT_FILE_NUMBER, "duplicates-pane.buttons.sort.file-number"},
    {ID_HELP_ONLINE, "main.menu.online-help"},
    {ID_HELP_CLEAR_CACHE, "main.menu.clear-cache"},
    {ID_APP_ABOUT, "main.menu.about"},
    {ID_FOLDERS_SELECT, "search-options.folder-tree.select"},
    {ID_FOLDERS_SELECT_WITHOUT_SUBFOLDERS, "search-options.folder-tree.select-without-subfolders"},
    {ID_FOLDERS_CLEAR_SELECTION, "search-options.folder-tree.clear-selection"},
    {ID_FOLDERS_INVERT_SELECTION, "search-options.folder-tree.invert-selection"},
};

struct ItemImage {
    UINT command;
    UINT image;
};

constexpr ItemImage kItemImages[] = {
    {ID_SELECT_REMOVE_FROM_LIST, IDB_MENU_REMOVE_FROM_LIST},
    {ID_SELECT_CLEAR, IDB_MENU_CLEAR_SELECTION},
    {ID_SELECT_ALL, IDB_MENU_SELECT_ALL},
    {ID_SELECT_BY_REGEXP, IDB_MENU_BY_REGEXP},
    {ID_DELETE_PERMANENTLY, IDB_MENU_DELETE_PERMANENTLY},
    {ID_DELETE_TO_RECYCLE_BIN, IDB_MENU_RECYCLE_BIN},
    {ID_DELETE_BACKUP_IN_FOLDER, IDB_MENU_BACKUP_IN_FOLDER},
    {ID_EXPORT_CSV, IDB_MENU_EXPORT_CSV},
    {ID_EXPORT_HTML, IDB_MENU_EXPORT_HTML},
    {ID_EXPORT_XML, IDB_MENU_EXPORT_XML},
    {ID_HELP_ONLINE, IDB_MENU_ONLINE_HELP},
    {ID_HELP_CLEAR_CACHE, IDB_MENU_CLEAR_CACHE},
    {ID_APP_ABOUT, IDB_MENU_ABOUT},
};

// The submenus whose items show their pictures.
constexpr PopupMenu kMenusWithImages[] = {PopupMenu::Select, PopupMenu::SmartSelectImagesContext, PopupMenu::Delete,
    PopupMenu::Help, PopupMenu::Export, PopupMenu::Language};

std::string_view TextKey(UINT command)
{
    for (const ItemText& item : kItemTexts) {
        if (item.command == command) {
            return item.key;
        }
    }
    return {};
}

void SetItemText(HMENU menu, int position, const std::wstring& text)
{
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    ::SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
}

// Every item of `menu` and of its submenus that has a text key.
void RelocalizeItems(HMENU menu)
{
    const int count = ::GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        if (HMENU submenu = ::GetSubMenu(menu, position)) {
            RelocalizeItems(submenu);
            continue;
        }
        const UINT command = ::GetMenuItemID(menu, position);
        const std::string_view key = TextKey(command);
        if (key.empty()) {
            continue;
        }
        // An item with a key of its own names it at its right.
        const CommandKey* shortcut = FindCommandKey(command);
        SetItemText(menu, position, Localize(key) + (shortcut != nullptr ? L"\t" + KeyName(*shortcut) : L""));
    }
}

} // namespace

bool PopupMenus::Load(int imageSize)
{
    menu_.Reset(::LoadMenuW(vandrelcommon::ui::AppModule().ResourceInstance(), MAKEINTRESOURCEW(IDR_POPUP_MENUS)));
    if (!menu_) {
        return false;
    }
    imageSize_ = imageSize;
    for (const ItemImage& item : kItemImages) {
        images_.Add(item.command, LoadIconImage(item.image, imageSize));
    }
    for (const auto& language : vandrelcommon::system::GetLanguages()) {
        images_.Add(language.commandId, LoadIconImage(language.imageId, imageSize));
    }
    for (const PopupMenu which : kMenusWithImages) {
        images_.AttachTo(Submenu(which));
    }
    return true;
}

HMENU PopupMenus::Submenu(PopupMenu which) const
{
    return ::GetSubMenu(menu_.Get(), static_cast<int>(which));
}

void PopupMenus::Relocalize() const
{
    RelocalizeItems(menu_.Get());
    // The smart-selection submenus of the context menus have no command;
    // they follow "Remove from this list" and its separator.
    for (const PopupMenu which : {PopupMenu::Select, PopupMenu::SmartSelectImagesContext}) {
        SetItemText(Submenu(which), 2, Localize("duplicates-pane.buttons.select.caption"));
    }
}

void PopupMenus::MarkSortOrder(UINT command, bool ascending)
{
    const HMENU sort = Submenu(PopupMenu::Sort);
    for (const UINT item : {ID_SORT_TOTAL_SIZE, ID_SORT_SINGLE_FILE_SIZE, ID_SORT_FILE_NUMBER}) {
        const bool marked = item == command;
        images_.Add(item, marked ? LoadIconImage(ascending ? IDB_MENU_SORT_UP : IDB_MENU_SORT_DOWN, imageSize_)
                                 : vandrelcommon::ui::GdiBitmap());
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_BITMAP;
        info.hbmpItem = marked ? HBMMENU_CALLBACK : nullptr;
        ::SetMenuItemInfoW(sort, item, FALSE, &info);
    }
}

} // namespace clonarium
