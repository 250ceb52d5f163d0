// The folder tree over the machine's drives, opened on the Windows folder
// with some of it ticked, so that every check state shows.
#include "tools/ui-demo/Demo.h"

#include "i18n/Localizer.h"
#include "ui/FolderTreeView.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Frame.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace uidemo {

using namespace vandrelcommon::ui;
using clonarium::CFolderTreeView;

namespace {

class CFolderTreeDemoFrame : public CFrameWindow {
public:
    explicit CFolderTreeDemoFrame(bool openMenu) : openMenu_(openMenu) { }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    ON_MESSAGE(WM_TIMER, OnTimer)
    REFLECT_NOTIFICATIONS()
    CHAIN_TO_BASE(CFrameWindow)
    END_MESSAGE_MAP()

private:
    LRESULT OnCreate(Message& msg)
    {
        (void)msg;
        CreateSimpleStatusBar(L"");
        if (tree_.Create(hwnd_, GetClientRect(), 1) == nullptr) {
            return -1;
        }
        tree_.SetFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
        SetClient(tree_);
        OpenWindowsFolder();
        tree_.SetFocus();
        if (openMenu_) {
            ::SetTimer(hwnd_, kMenuTimer, 500, nullptr);
        }
        return 0;
    }

    // Once the window is up, the menu key on the selected folder.
    LRESULT OnTimer(Message& msg)
    {
        if (msg.wParam != kMenuTimer) {
            msg.handled = false;
            return 0;
        }
        ::KillTimer(hwnd_, kMenuTimer);
        tree_.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree_.Hwnd()), -1);
        return 0;
    }

    HTREEITEM Child(HTREEITEM parent, const wchar_t* name) const
    {
        const CTreeViewCtrl tree = tree_.Tree();
        for (HTREEITEM item = tree.GetChildItem(parent); item != nullptr; item = tree.GetNextSiblingItem(item)) {
            if (::lstrcmpiW(tree_.ItemData(item)->name.c_str(), name) == 0) {
                return item;
            }
        }
        return nullptr;
    }

    // The Windows folder ticked but for its fonts, one file of it ticked alone.
    void OpenWindowsFolder()
    {
        wchar_t windows[MAX_PATH] = {};
        ::GetWindowsDirectoryW(windows, MAX_PATH);
        const CTreeViewCtrl tree = tree_.Tree();
        HTREEITEM drive = tree.GetRootItem();
        while (drive != nullptr &&
               ::CompareStringOrdinal(tree_.ItemData(drive)->path.c_str(), 2, windows, 2, TRUE) != CSTR_EQUAL) {
            drive = tree.GetNextSiblingItem(drive);
        }
        if (drive == nullptr || !tree_.ExpandItem(drive)) {
            return;
        }
        const HTREEITEM folder = Child(drive, windows + 3);
        if (folder == nullptr || !tree_.ExpandItem(folder)) {
            return;
        }
        tree_.SetCheckState(folder, Checked);
        tree_.SetCheckState(Child(folder, L"Fonts"), Unchecked);
        if (const HTREEITEM system = Child(folder, L"system32"); system != nullptr && tree_.ExpandItem(system)) {
            tree_.SetCheckState(Child(system, L"drivers"), Unchecked);
            tree_.SetCheckState(Child(system, L"notepad.exe"), Unchecked);
        }
        tree.SelectItem(folder);
        tree.EnsureVisible(drive);
        tree_.SendMessage(WM_HSCROLL, SB_LEFT);
        SetStatusText(std::to_wstring(tree_.GetSearchRoots().size()) + L" search roots");
    }

    void SetStatusText(const std::wstring& text) const { CStatusBarCtrl(StatusBar()).SetText(0, text); }

    static constexpr UINT_PTR kMenuTimer = 1;
    bool openMenu_;
    CFolderTreeView tree_;
};

} // namespace

int RunFolderTreeDemo(bool openMenu)
{
    vandrelcommon::system::LoadLanguage("en");
    CFolderTreeDemoFrame frame(openMenu);
    return RunWindowLoop([&] {
        const RECT rect{0, 0, ScaleX(420), ScaleY(560)};
        if (frame.CreateFrame(0, rect, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, L"Folder tree demonstration") == nullptr) {
            return false;
        }
        frame.CenterWindow();
        frame.ShowWindow(SW_SHOWNORMAL);
        return true;
    });
}

} // namespace uidemo
