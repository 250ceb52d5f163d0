#include "ui/framework/UpdateUI.h"

#include "ui/framework/Controls.h"

#include <algorithm>

namespace vandrelcommon::ui {

// A toolbar added late gets every state already sent to the others.
void CUpdateUI::UIAddToolBar(HWND toolbar)
{
    if (toolbar == nullptr || std::find(toolbars_.begin(), toolbars_.end(), toolbar) != toolbars_.end()) {
        return;
    }
    toolbars_.push_back(toolbar);
    for (const auto& [id, state] : states_) {
        PushState(toolbar, id, state);
    }
}

void CUpdateUI::UIRemoveToolBar(HWND toolbar)
{
    std::erase(toolbars_, toolbar);
}

void CUpdateUI::UIEnable(UINT id, bool enable)
{
    State& state = states_[id];
    if (state.enabled != enable) {
        state.enabled = enable;
        state.changed = true;
    }
}

void CUpdateUI::UISetCheck(UINT id, bool checked)
{
    State& state = states_[id];
    if (state.checked != checked) {
        state.checked = checked;
        state.changed = true;
    }
}

bool CUpdateUI::UIIsEnabled(UINT id) const
{
    const auto found = states_.find(id);
    return found == states_.end() || found->second.enabled;
}

bool CUpdateUI::UIIsChecked(UINT id) const
{
    const auto found = states_.find(id);
    return found != states_.end() && found->second.checked;
}

void CUpdateUI::UIUpdateToolBar(bool force)
{
    for (auto& [id, state] : states_) {
        if (!state.changed && !force) {
            continue;
        }
        for (HWND toolbar : toolbars_) {
            PushState(toolbar, id, state);
        }
        state.changed = false;
    }
}

void CUpdateUI::PushState(HWND toolbar, UINT id, const State& state)
{
    const CToolBarCtrl bar(toolbar);
    if (!bar.IsWindow() || bar.CommandToIndex(static_cast<int>(id)) < 0) {
        return;
    }
    bar.EnableButton(static_cast<int>(id), state.enabled);
    bar.CheckButton(static_cast<int>(id), state.checked);
}

void CUpdateUI::UIUpdateMenu(HMENU menu) const
{
    const int count = ::GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        const UINT id = ::GetMenuItemID(menu, position);
        const auto found = states_.find(id);
        if (id == static_cast<UINT>(-1) || found == states_.end()) {
            continue;
        }
        ::EnableMenuItem(menu, position, MF_BYPOSITION | (found->second.enabled ? MF_ENABLED : MF_GRAYED));
        ::CheckMenuItem(menu, position, MF_BYPOSITION | (found->second.checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

bool CUpdateUI::OnIdle(int idleCount)
{
    (void)idleCount;
    UIUpdateToolBar();
    return false;
}

LRESULT CUpdateUI::OnInitMenuPopup(Message& msg)
{
    UIUpdateMenu(reinterpret_cast<HMENU>(msg.wParam));
    // The window may have its own use for the popup too.
    msg.handled = false;
    return 0;
}

} // namespace vandrelcommon::ui
