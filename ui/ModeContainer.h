#pragma once
// What the panes and progress dialogs may ask of the main window.
#include "ui/ClonariumToolbar.h"
#include "ui/PopupMenus.h"

#include <windows.h>
#include <shobjidl.h>

#include <string>

namespace clonarium {

class IModeContainer {
public:
    enum Mode { kOptionsMode = 0, kResultsMode = 1 };

    virtual void SetMode(int mode) = 0;
    virtual CClonariumToolbar& GetToolbar() = 0;
    // The popup menus and the pictures beside their items.
    virtual PopupMenus& GetPopupMenus() = 0;
    virtual void SetStatusText(const std::wstring& text) = 0;
    virtual std::wstring GetStatusText() = 0;
    // The status line's part that counts the files marked for deletion.
    virtual void SetMarksText(const std::wstring& text) = 0;
    // The taskbar button's progress; null where the shell has none.
    virtual ITaskbarList3* GetTaskbarList() = 0;
    virtual HWND GetMainWindow() = 0;

protected:
    ~IModeContainer() = default;
};

} // namespace clonarium
