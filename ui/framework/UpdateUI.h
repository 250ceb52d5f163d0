#pragma once
// The enabled and checked state of commands, kept in one place and pushed to
// the toolbars when the thread is idle and to a popup menu as it opens.
#include "ui/framework/MessageLoop.h"
#include "ui/framework/MessageMap.h"

#include <windows.h>

#include <map>
#include <vector>

namespace vandrelcommon::ui {

class CUpdateUI : public CMessageMap, public IIdleHandler {
public:
    void UIAddToolBar(HWND toolbar);
    void UIRemoveToolBar(HWND toolbar);

    void UIEnable(UINT id, bool enable);
    void UISetCheck(UINT id, bool checked);
    // Commands never set are enabled and unchecked.
    bool UIIsEnabled(UINT id) const;
    bool UIIsChecked(UINT id) const;

    // Pushes changed states (all with `force`) to the toolbars.
    void UIUpdateToolBar(bool force = false);
    // Applies the states to the items of `menu` (not its submenus).
    void UIUpdateMenu(HMENU menu) const;

    bool OnIdle(int idleCount) override;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
    END_MESSAGE_MAP()

private:
    struct State {
        bool enabled = true;
        bool checked = false;
        bool changed = true;
    };

    LRESULT OnInitMenuPopup(Message& msg);
    static void PushState(HWND toolbar, UINT id, const State& state);

    std::map<UINT, State> states_;
    std::vector<HWND> toolbars_;
};

} // namespace vandrelcommon::ui
