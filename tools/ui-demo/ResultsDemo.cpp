// The whole main window over a real search: the folder ticked in the folder
// tree, "Start search" pressed, and results mode with a file of the first
// group selected, so that the preview shows it beside the group's locked file.
#include "tools/ui-demo/Demo.h"

#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "ui/MainFrame.h"
#include "ui/framework/Dpi.h"

#include <windows.h>

namespace uidemo {

using namespace vandrelcommon::ui;

namespace {

constexpr UINT kStartMessage = WM_APP + 1;

class CResultsDemoFrame : public clonarium::CMainFrame {
public:
    CResultsDemoFrame(const clonarium::FolderRoots& roots, const ResultsDemoOptions& options)
        : CMainFrame(roots), options_(options)
    { }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(kStartMessage, OnStart)
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
            ::SendMessageW(mode, CB_SETCURSEL, 1, 0);
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
        if (frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, ScaleX(1000), ScaleY(700)}) == nullptr) {
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
