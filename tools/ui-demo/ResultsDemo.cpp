// The whole main window over a real search: the folder ticked in the folder
// tree, "Start search" pressed, and results mode with a file of the first
// group selected, so that the preview shows it beside the group's locked file.
#include "tools/ui-demo/Demo.h"

#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "ui/MainFrame.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dpi.h"

#include <windows.h>

namespace uidemo {

using namespace vandrelcommon::ui;

namespace {

constexpr UINT kStartMessage = WM_APP + 1;
constexpr UINT_PTR kPressStartTimer = 1;

// The window open on this thread that has a control `id`, if any: the
// delete dialog by its Start button, the question before it by its Yes.
HWND FindWindowWith(int id)
{
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            if (::GetDlgItem(window, search->id) != nullptr) {
                search->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class CResultsDemoFrame : public clonarium::CMainFrame {
public:
    CResultsDemoFrame(const clonarium::FolderRoots& roots, const ResultsDemoOptions& options)
        : CMainFrame(roots), options_(options)
    { }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(kStartMessage, OnStart)
    ON_MESSAGE(WM_TIMER, OnTimer)
    CHAIN_TO_BASE(clonarium::CMainFrame)
    END_MESSAGE_MAP()

private:
    LRESULT OnStart(Message&)
    {
        for (const auto& language : vandrelcommon::system::GetLanguages()) {
            if (language.code == options_.language) {
                SendMessage(WM_COMMAND, language.commandId);
            }
        }
        if (options_.images) {
            const HWND mode = ::GetDlgItem(OptionsPane().Hwnd(), IDC_OPTIONS_MODE);
            CComboBox(mode).SetCurSel(1);
            ::SendMessageW(OptionsPane().Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_MODE, CBN_SELCHANGE),
                reinterpret_cast<LPARAM>(mode));
        }
        if (!FolderTree().TickPath(options_.folder)) {
            return 0;
        }
        SendMessage(WM_COMMAND, ID_TB_START_SEARCH); // returns when the search dialog has closed
        if (GetMode() != kResultsMode) {
            return 0;
        }
        Results().ExpandAll();
        Results().SelectOnly(2);
        Results().SetFocus();
        if (options_.deleteFiles) {
            // Keep the first of each group, then to the Recycle Bin; Yes and
            // Start are pressed once they are up, and the dialog stays open
            // at its end.
            DuplicatesPane().SendMessage(WM_COMMAND, ID_SELECT_KEEP_FIRST);
            ::SetTimer(hwnd_, kPressStartTimer, 1000, nullptr);
            DuplicatesPane().SendMessage(WM_COMMAND, ID_DELETE_TO_RECYCLE_BIN);
            return 0;
        }
        if (options_.contextMenu) {
            RECT row{};
            Results().ListView().GetItemRect(0, row, LVIR_LABEL);
            POINT point{row.left + ScaleX(40), (row.top + row.bottom) / 2};
            ::ClientToScreen(Results().Hwnd(), &point);
            DuplicatesPane().PostMessage(
                WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Results().Hwnd()), MAKELPARAM(point.x, point.y));
        }
        return 0;
    }

    LRESULT OnTimer(Message& msg)
    {
        if (msg.wParam != kPressStartTimer) {
            msg.handled = false;
            return 0;
        }
        if (HWND question = FindWindowWith(IDYES)) {
            ::PostMessageW(question, WM_COMMAND, IDYES, 0);
        } else if (HWND dialog = FindWindowWith(IDC_DELETE_START)) {
            ::KillTimer(hwnd_, kPressStartTimer);
            ::PostMessageW(dialog, WM_COMMAND, IDC_DELETE_START, 0);
        }
        return 0;
    }

    ResultsDemoOptions options_;
};

} // namespace

int RunResultsDemo(const ResultsDemoOptions& options)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring settings = std::wstring(temp) + L"clonarium-results-demo";
    ::CreateDirectoryW(settings.c_str(), nullptr);
    CResultsDemoFrame frame(clonarium::FolderRoots{settings, L""}, options);
    return RunWindowLoop([&] {
        if (frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, ScaleX(846), ScaleY(600)}) == nullptr) {
            return false;
        }
        frame.SetText(L"Clonarium");
        frame.CenterWindow();
        frame.ShowWindow(SW_SHOWNORMAL);
        frame.PostMessage(kStartMessage);
        return true;
    });
}

} // namespace uidemo
