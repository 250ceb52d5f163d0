#include "ui/MenuItemTip.h"

#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dpi.h"

#include <commctrl.h>

namespace clonarium {

namespace {

struct ItemTip {
    UINT command;
    const char* key;
};

constexpr ItemTip kItemTips[] = {
    {ID_DELETE_HARD_LINK, "duplicates-pane.tooltips.hard-links"},
};

TOOLINFOW Tool(HWND owner, std::wstring& text)
{
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = owner;
    tool.uId = 1;
    tool.lpszText = text.data();
    return tool;
}

} // namespace

CMenuItemTip::~CMenuItemTip()
{
    if (tip_ != nullptr) {
        ::DestroyWindow(tip_);
    }
}

void CMenuItemTip::Create(HWND owner)
{
    owner_ = owner;
    tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
    const vandrelcommon::ui::CToolTipCtrl tips(tip_);
    tips.SetMaxTipWidth(vandrelcommon::ui::ScaleX(320));
    std::wstring none;
    tips.AddTool(Tool(owner_, none));
}

void CMenuItemTip::OnMenuSelect(WPARAM wParam, LPARAM lParam)
{
    const auto menu = reinterpret_cast<HMENU>(lParam);
    const UINT command = LOWORD(wParam);
    const bool isPopup = (HIWORD(wParam) & MF_POPUP) != 0;
    const char* key = nullptr;
    for (const ItemTip& entry : kItemTips) {
        if (!isPopup && entry.command == command) {
            key = entry.key;
        }
    }
    int index = -1;
    for (int i = 0; key != nullptr && menu != nullptr && i < ::GetMenuItemCount(menu); ++i) {
        if (::GetMenuItemID(menu, i) == command) {
            index = i;
        }
    }
    RECT item{};
    if (tip_ == nullptr || index < 0 || !::GetMenuItemRect(nullptr, menu, static_cast<UINT>(index), &item)) {
        Hide();
        return;
    }
    const vandrelcommon::ui::CToolTipCtrl tips(tip_);
    text_ = vandrelcommon::system::Localize(key);
    TOOLINFOW tool = Tool(owner_, text_);
    tips.UpdateTipText(tool);
    // Beside the menu, level with the item; a menu at the screen's right edge
    // gets it on its left instead.
    RECT tipRect{};
    tips.TrackPosition(item.right + vandrelcommon::ui::ScaleX(4), item.top);
    tips.TrackActivate(tool, true);
    ::GetWindowRect(tip_, &tipRect);
    const HMONITOR monitor = ::MonitorFromRect(&item, MONITOR_DEFAULTTONEAREST);
    MONITORINFO screen{};
    screen.cbSize = sizeof(screen);
    if (::GetMonitorInfoW(monitor, &screen) && tipRect.right > screen.rcWork.right) {
        RECT menuRect{};
        ::GetWindowRect(::WindowFromPoint(POINT{item.left, item.top}), &menuRect);
        tips.TrackPosition(menuRect.left - (tipRect.right - tipRect.left) - vandrelcommon::ui::ScaleX(4), item.top);
    }
}

void CMenuItemTip::Hide()
{
    if (tip_ != nullptr && !text_.empty()) {
        TOOLINFOW tool = Tool(owner_, text_);
        vandrelcommon::ui::CToolTipCtrl(tip_).TrackActivate(tool, false);
    }
    text_.clear();
}

} // namespace clonarium
