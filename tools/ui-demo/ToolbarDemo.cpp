// The main window's toolbar in a rebar over an empty client, with a few
// presets in its list; the status bar names each command it sends. The
// Language menu switches the texts as the program does.
#include "tools/ui-demo/Demo.h"

#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "ui/ClonariumToolbar.h"
#include "ui/IconImages.h"
#include "ui/PopupMenus.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Frame.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace uidemo {

using namespace vandrelcommon::ui;
using clonarium::CClonariumToolbar;

namespace {

class CToolbarDemoFrame : public CFrameWindow {
public:
    explicit CToolbarDemoFrame(const ToolbarDemoOptions& options) : options_(options) { }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(WM_COMMAND, OnCommand)
    REFLECT_NOTIFICATIONS()
    CHAIN_TO_BASE(CFrameWindow)
    END_MESSAGE_MAP()

private:
    LRESULT OnCreate(Message& msg)
    {
        (void)msg;
        if (!menus_.Load(clonarium::IconSize()) || CreateSimpleReBar() == nullptr ||
            toolbar_.Create(ReBar(), hwnd_, menus_) == nullptr) {
            return -1;
        }
        toolbar_.SetSearchMode(options_.images ? 1 : 0);
        toolbar_.ShowLanguage(options_.language);
        const CComboBox presets(toolbar_.PresetList());
        for (const wchar_t* name : {L"(Default)", L"Photos", L"Music"}) {
            presets.AddString(name);
        }
        presets.SetCurSel(0);
        if (options_.results) {
            toolbar_.SetMode(CClonariumToolbar::Mode::Results);
        }
        AddReBarBand(toolbar_);
        // As the main window does, the texts after the band: laying the
        // toolbar out tells the band its ideal width.
        toolbar_.Relocalize();
        CreateSimpleStatusBar(L"");
        // An empty client: the window destroys it with itself.
        SetClient(::CreateWindowExW(
            WS_EX_CLIENTEDGE, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_, nullptr, nullptr, nullptr));
        if (options_.openMenu != 0) {
            ::SetTimer(hwnd_, kMenuTimer, 700, nullptr);
        }
        return 0;
    }

    LRESULT OnTimer(Message& msg)
    {
        if (msg.wParam != kMenuTimer) {
            msg.handled = false;
            return 0;
        }
        ::KillTimer(hwnd_, kMenuTimer);
        if (options_.openMenu == kChevron) {
            PressChevron();
        } else {
            toolbar_.ShowDropDownMenu(options_.openMenu);
        }
        return 0;
    }

    LRESULT OnCommand(Message& msg)
    {
        const int command = msg.CommandId();
        if (msg.CommandControl() == toolbar_.PresetList() && msg.CommandCode() != CBN_SELCHANGE) {
            msg.handled = false;
            return 0;
        }
        // A drop-down button chosen from the chevron's menu.
        if (msg.CommandControl() == nullptr && toolbar_.ShowDropDownMenu(command)) {
            return 0;
        }
        for (const auto& language : vandrelcommon::system::GetLanguages()) {
            if (language.commandId == static_cast<UINT>(command) &&
                vandrelcommon::system::LoadLanguage(language.code)) {
                toolbar_.Relocalize();
                toolbar_.ShowLanguage(language.code);
            }
        }
        if (command == ID_TB_NEW_SEARCH || command == ID_TB_START_SEARCH) {
            toolbar_.SetMode(
                command == ID_TB_START_SEARCH ? CClonariumToolbar::Mode::Results : CClonariumToolbar::Mode::Options);
            UpdateLayout();
        }
        CStatusBarCtrl(StatusBar()).SetText(0, L"Command " + std::to_wstring(command));
        msg.handled = false;
        return 0;
    }

    // A click on the chevron, as the rebar finds it from the band's right end.
    void PressChevron() const
    {
        const CReBarCtrl rebar(ReBar());
        RECT band{};
        rebar.GetRect(0, band);
        RBHITTESTINFO hit{};
        hit.pt = POINT{band.right - 1, (band.top + band.bottom) / 2};
        while (hit.pt.x > band.left && (rebar.HitTest(hit), hit.flags != RBHT_CHEVRON)) {
            --hit.pt.x;
        }
        const LPARAM point = MAKELPARAM(hit.pt.x, hit.pt.y);
        ::SendMessageW(ReBar(), WM_LBUTTONDOWN, MK_LBUTTON, point);
        ::SendMessageW(ReBar(), WM_LBUTTONUP, 0, point);
    }

    static constexpr UINT_PTR kMenuTimer = 1;
    ToolbarDemoOptions options_;
    clonarium::PopupMenus menus_;
    CClonariumToolbar toolbar_;
};

} // namespace

int RunToolbarDemo(const ToolbarDemoOptions& options)
{
    vandrelcommon::system::LoadLanguage(options.language);
    CToolbarDemoFrame frame(options);
    return RunWindowLoop([&] {
        const RECT rect{0, 0, ScaleX(options.width), ScaleY(240)};
        if (frame.CreateFrame(0, rect, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, L"Toolbar demonstration") == nullptr) {
            return false;
        }
        frame.CenterWindow();
        frame.ShowWindow(SW_SHOWNORMAL);
        return true;
    });
}

} // namespace uidemo
