#pragma once
// A tip beside a highlighted menu item whose text cannot say everything: the
// owner of the menu passes on its WM_MENUSELECT and WM_EXITMENULOOP.
#include <windows.h>

#include <string>

namespace clonarium {

class CMenuItemTip {
public:
    CMenuItemTip() = default;
    CMenuItemTip(const CMenuItemTip&) = delete;
    CMenuItemTip& operator=(const CMenuItemTip&) = delete;
    ~CMenuItemTip();

    // The tip belongs to `owner`, the window its menus report to.
    void Create(HWND owner);
    // From WM_MENUSELECT: shows the item's tip, or hides the tip.
    void OnMenuSelect(WPARAM wParam, LPARAM lParam);
    void Hide();
    HWND Window() const { return tip_; }
    HWND Owner() const { return owner_; }

private:
    HWND owner_ = nullptr;
    HWND tip_ = nullptr;
    std::wstring text_;
};

} // namespace clonarium
