// The main window's toolbar in a frame's rebar, driven by clicks: the
// buttons of each mode, the drop-down menus, a language switch and the
// chevron of a narrow window.
#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "tests/support/FileBytes.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ClonariumToolbar.h"
#include "ui/PopupMenus.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Frame.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace clonarium;
using namespace vandrelcommon::ui;

void LoadTable(const char* code)
{
    const std::string bytes =
        ReadFileBytes(L"Z:" CLONARIUM_SOURCE_DIR L"/i18n/" + std::wstring(code, code + 2) + L".lng");
    ASSERT_FALSE(bytes.empty()) << "the language table could not be read";
    std::wstring text(bytes.size() / 2, L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    vandrelcommon::system::Localizer::Instance().LoadTable(text);
}

// Keeps the command ids of the next menu that opens and picks its last item
// by the arrow keys and Enter.
class MenuPicker {
public:
    MenuPicker() { hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, ::GetCurrentThreadId()); }
    ~MenuPicker() { ::UnhookWindowsHookEx(hook_); }
    MenuPicker(const MenuPicker&) = delete;
    MenuPicker& operator=(const MenuPicker&) = delete;

    static inline std::vector<UINT> ids;
    static inline std::vector<std::wstring> texts;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->message == WM_INITMENUPOPUP && ids.empty()) {
            const auto menu = reinterpret_cast<HMENU>(sent->wParam);
            for (int item = 0; item < ::GetMenuItemCount(menu); ++item) {
                if ((::GetMenuState(menu, static_cast<UINT>(item), MF_BYPOSITION) & MF_SEPARATOR) != 0) {
                    continue;
                }
                ids.push_back(::GetMenuItemID(menu, item));
                wchar_t text[128] = {};
                ::GetMenuStringW(menu, static_cast<UINT>(item), text, 128, MF_BYPOSITION);
                texts.push_back(text);
            }
            ::PostMessageW(sent->hwnd, WM_KEYDOWN, VK_UP, 0);
            ::PostMessageW(sent->hwnd, WM_KEYDOWN, VK_RETURN, 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_ = nullptr;
};

// A frame holding the toolbar in its rebar, as the main window does; it keeps
// the commands it receives.
class CToolbarHost : public CFrameWindow {
public:
    std::vector<WORD> commands;
    PopupMenus menus;
    CClonariumToolbar toolbar;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    ON_MESSAGE(WM_COMMAND, OnCommand)
    REFLECT_NOTIFICATIONS()
    CHAIN_TO_BASE(CFrameWindow)
    END_MESSAGE_MAP()

private:
    LRESULT OnCreate(Message& msg)
    {
        (void)msg;
        if (!menus.Load(16) || CreateSimpleReBar() == nullptr || toolbar.Create(ReBar(), hwnd_, menus) == nullptr) {
            return -1;
        }
        AddReBarBand(toolbar);
        toolbar.Relocalize();
        return 0;
    }
    LRESULT OnCommand(Message& msg)
    {
        commands.push_back(msg.CommandId());
        return 0;
    }
};

class ToolbarTest : public testing::Test {
protected:
    void SetUp() override
    {
        LoadTable("en");
        host_.SetEndsMessageLoop(false);
        ASSERT_NE(
            host_.CreateFrame(0, RECT{0, 0, 1100, 300}, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, L"host"), nullptr);
        host_.ShowWindow(SW_SHOWNA);
        uitest::PumpMessages(50);
    }
    void TearDown() override { LoadTable("en"); }

    CToolBarCtrl Bar() const { return CToolBarCtrl(host_.toolbar); }

    std::vector<int> ShownCommands() const
    {
        std::vector<int> shown;
        for (int index = 0; index < Bar().GetButtonCount(); ++index) {
            TBBUTTON button{};
            Bar().GetButton(index, button);
            if ((button.fsState & TBSTATE_HIDDEN) == 0) {
                shown.push_back(button.idCommand);
            }
        }
        return shown;
    }

    // Presses and lets go of the button as the mouse does.
    void Click(int id) const
    {
        RECT rect{};
        ASSERT_TRUE(Bar().GetRect(id, rect)) << id;
        const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        Bar().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, point);
        Bar().SendMessage(WM_LBUTTONUP, 0, point);
        uitest::PumpMessages(20);
    }

    RECT ButtonRect(int id) const
    {
        RECT rect{};
        Bar().GetRect(id, rect);
        return rect;
    }

    CToolbarHost host_;
};

TEST_F(ToolbarTest, EachModeShowsItsButtonsAndKeepsTheLastThreeFlushRight)
{
    const std::vector<int> options = {ID_TB_START_SEARCH, ID_TB_PRESET_SEPARATOR, ID_TB_ADD_PRESET, ID_TB_REMOVE_PRESET,
        ID_TB_SAVE_PRESET, ID_TB_ADVANCED_VIEW, ID_TB_SPRING, ID_TB_DONATE, ID_TB_LANGUAGE, ID_TB_HELP};
    EXPECT_EQ(ShownCommands(), options);
    EXPECT_TRUE(CWindow(host_.toolbar.PresetLabel()).IsVisible());
    EXPECT_TRUE(CWindow(host_.toolbar.PresetList()).IsVisible());
    EXPECT_EQ(CWindow(host_.toolbar.PresetLabel()).GetText(), L"Search preset:");
    EXPECT_EQ(Bar().GetButtonText(ID_TB_START_SEARCH), L"Start search");
    // The label and the list sit inside the separator after Start search.
    const RECT separator = ButtonRect(ID_TB_PRESET_SEPARATOR);
    const RECT list = CWindow(host_.toolbar.PresetList()).GetRectInParent();
    EXPECT_GT(CWindow(host_.toolbar.PresetLabel()).GetRectInParent().left, separator.left);
    EXPECT_LT(list.right, ButtonRect(ID_TB_ADD_PRESET).left);
    const LONG width = host_.toolbar.GetClientRect().right;
    EXPECT_EQ(ButtonRect(ID_TB_HELP).right, width);

    Click(ID_TB_START_SEARCH);
    Click(ID_TB_ADVANCED_VIEW);
    EXPECT_TRUE(host_.toolbar.IsButtonChecked(ID_TB_ADVANCED_VIEW));
    Click(ID_TB_DONATE);
    EXPECT_EQ(host_.commands, (std::vector<WORD>{ID_TB_START_SEARCH, ID_TB_ADVANCED_VIEW, ID_TB_DONATE}));
    // Choosing another preset with the keyboard reaches the window too.
    const CComboBox presets(host_.toolbar.PresetList());
    presets.AddString(L"(Default)");
    presets.AddString(L"Photos");
    presets.SetCurSel(0);
    host_.commands.clear();
    presets.SendMessage(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(presets.GetCurSel(), 1);
    EXPECT_NE(std::find(host_.commands.begin(), host_.commands.end(), IDC_TB_PRESET), host_.commands.end());

    host_.toolbar.SetMode(CClonariumToolbar::Mode::Results);
    const std::vector<int> results = {ID_TB_EXPAND_ALL, ID_TB_COLLAPSE_ALL, ID_TB_SORT, ID_TB_SEPARATOR_SELECT,
        ID_TB_SMART_SELECT, ID_TB_SELECT_BY_REGEXP, ID_TB_SELECT_ALL, ID_TB_CLEAR_SELECTION, ID_TB_SEPARATOR_SELECT_ALL,
        ID_TB_EXPORT, ID_TB_SEPARATOR_EXPORT, ID_TB_DELETE, ID_TB_SEPARATOR_DELETE, ID_TB_NEW_SEARCH, ID_TB_SPRING,
        ID_TB_DONATE, ID_TB_LANGUAGE, ID_TB_HELP};
    EXPECT_EQ(ShownCommands(), results);
    EXPECT_FALSE(CWindow(host_.toolbar.PresetLabel()).IsVisible());
    EXPECT_FALSE(CWindow(host_.toolbar.PresetList()).IsVisible());
    EXPECT_EQ(ButtonRect(ID_TB_HELP).right, width);
    host_.commands.clear();
    Click(ID_TB_NEW_SEARCH);
    host_.toolbar.EnableButton(ID_TB_SELECT_ALL, false);
    Click(ID_TB_SELECT_ALL);
    EXPECT_EQ(host_.commands, std::vector<WORD>{ID_TB_NEW_SEARCH});

    host_.toolbar.SetMode(CClonariumToolbar::Mode::Options);
    EXPECT_EQ(ShownCommands(), options);
}

TEST_F(ToolbarTest, DropDownButtonsOpenTheirMenusAndSendTheChosenCommand)
{
    struct DropDown {
        CClonariumToolbar::Mode mode;
        int searchMode;
        int button;
        std::vector<UINT> ids;
    };
    const std::vector<UINT> keepRules = {ID_SELECT_KEEP_FIRST, ID_SELECT_KEEP_LAST, ID_SELECT_KEEP_NEWEST_MODIFIED,
        ID_SELECT_KEEP_OLDEST_MODIFIED, ID_SELECT_KEEP_NEWEST_CREATED, ID_SELECT_KEEP_OLDEST_CREATED,
        ID_SELECT_KEEP_NEWEST_ACCESSED, ID_SELECT_KEEP_OLDEST_ACCESSED, ID_SELECT_KEEP_SHORTEST_FN,
        ID_SELECT_KEEP_LONGEST_FN, ID_SELECT_KEEP_SHORTEST_PATH, ID_SELECT_KEEP_LONGEST_PATH};
    std::vector<UINT> imageRules = keepRules;
    imageRules.push_back(ID_SELECT_KEEP_HIGHEST_RES);
    imageRules.push_back(ID_SELECT_KEEP_LOWEST_RES);
    const std::vector<DropDown> dropDowns = {
        {CClonariumToolbar::Mode::Results, 0, ID_TB_SORT,
            {ID_SORT_TOTAL_SIZE, ID_SORT_SINGLE_FILE_SIZE, ID_SORT_FILE_NUMBER}},
        {CClonariumToolbar::Mode::Results, 0, ID_TB_SMART_SELECT, keepRules},
        {CClonariumToolbar::Mode::Results, 1, ID_TB_SMART_SELECT, imageRules},
        {CClonariumToolbar::Mode::Results, 0, ID_TB_EXPORT, {ID_EXPORT_CSV, ID_EXPORT_HTML, ID_EXPORT_XML}},
        {CClonariumToolbar::Mode::Results, 0, ID_TB_DELETE,
            {ID_DELETE_PERMANENTLY, ID_DELETE_TO_RECYCLE_BIN, ID_DELETE_BACKUP_IN_FOLDER}},
        {CClonariumToolbar::Mode::Options, 0, ID_TB_LANGUAGE,
            {ID_LANGUAGE_DE, ID_LANGUAGE_EN, ID_LANGUAGE_FR, ID_LANGUAGE_PL, ID_LANGUAGE_RU, ID_LANGUAGE_UA}},
        {CClonariumToolbar::Mode::Options, 0, ID_TB_HELP, {ID_HELP_ONLINE, ID_HELP_CLEAR_CACHE, ID_APP_ABOUT}},
    };
    for (const DropDown& dropDown : dropDowns) {
        host_.toolbar.SetMode(dropDown.mode);
        host_.toolbar.SetSearchMode(dropDown.searchMode);
        host_.commands.clear();
        MenuPicker::ids.clear();
        MenuPicker::texts.clear();
        {
            MenuPicker picker;
            Click(dropDown.button);
        }
        EXPECT_EQ(MenuPicker::ids, dropDown.ids) << dropDown.button;
        // The last item was chosen; the button itself sends nothing.
        EXPECT_EQ(host_.commands, std::vector<WORD>{static_cast<WORD>(dropDown.ids.back())}) << dropDown.button;
    }
    EXPECT_EQ(MenuPicker::texts, (std::vector<std::wstring>{L"Online help", L"Clear the search cache", L"About"}));

    // The result menus' commands go to the result pane once there is one;
    // Help and Language stay with the main window.
    uitest::CRecordingParent pane;
    ASSERT_NE(pane.Create(), nullptr);
    host_.toolbar.SetResultsCommandWindow(pane);
    host_.toolbar.SetMode(CClonariumToolbar::Mode::Results);
    host_.commands.clear();
    for (const int button : {ID_TB_SORT, ID_TB_HELP}) {
        MenuPicker::ids.clear();
        MenuPicker picker;
        Click(button);
    }
    ASSERT_EQ(pane.commands.size(), 1u);
    EXPECT_EQ(pane.commands[0].id, ID_SORT_FILE_NUMBER);
    EXPECT_EQ(host_.commands, std::vector<WORD>{ID_APP_ABOUT});
}

TEST_F(ToolbarTest, LanguageSwitchRetextsButtonsLabelAndMenus)
{
    const auto sortMenuFirst = [this] {
        wchar_t text[128] = {};
        ::GetMenuStringW(host_.menus.Submenu(PopupMenu::Sort), 0, text, 128, MF_BYPOSITION);
        return std::wstring(text);
    };
    const auto smartCaption = [this] {
        wchar_t text[128] = {};
        ::GetMenuStringW(host_.menus.Submenu(PopupMenu::Select), 2, text, 128, MF_BYPOSITION);
        return std::wstring(text);
    };
    const auto languageImage = [this] {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_IMAGE;
        Bar().SendMessage(TB_GETBUTTONINFOW, ID_TB_LANGUAGE, reinterpret_cast<LPARAM>(&info));
        return info.iImage;
    };
    EXPECT_EQ(sortMenuFirst(), L"By total group size");
    EXPECT_EQ(smartCaption(), L"Smart selection");
    const RECT englishList = CWindow(host_.toolbar.PresetList()).GetRectInParent();
    host_.toolbar.ShowLanguage("en");
    const int englishFlag = languageImage();

    LoadTable("ru");
    host_.toolbar.Relocalize();
    host_.toolbar.ShowLanguage("ru");
    EXPECT_EQ(Bar().GetButtonText(ID_TB_START_SEARCH),
        L"\u041d\u0430\u0447\u0430\u0442\u044c \u043f\u043e\u0438\u0441\u043a");
    EXPECT_EQ(CWindow(host_.toolbar.PresetLabel()).GetText(),
        L"\u0428\u0430\u0431\u043b\u043e\u043d \u043f\u043e\u0438\u0441\u043a\u0430:");
    EXPECT_EQ(sortMenuFirst(),
        L"\u041f\u043e \u043e\u0431\u0449\u0435\u043c\u0443 \u0440\u0430\u0437\u043c\u0435\u0440\u0443 "
        L"\u0433\u0440\u0443\u043f\u043f\u044b");
    EXPECT_EQ(smartCaption(), L"\u0423\u043c\u043d\u044b\u0439 \u0432\u044b\u0431\u043e\u0440");
    EXPECT_NE(languageImage(), englishFlag);
    // The longer label pushes the list to the right; the buttons follow it.
    const RECT russianList = CWindow(host_.toolbar.PresetList()).GetRectInParent();
    EXPECT_GT(russianList.left, englishList.left);
    EXPECT_LT(russianList.right, ButtonRect(ID_TB_ADD_PRESET).left);
    EXPECT_EQ(ButtonRect(ID_TB_HELP).right, host_.toolbar.GetClientRect().right);

    LoadTable("en");
    host_.toolbar.Relocalize();
    host_.toolbar.ShowLanguage("en");
    EXPECT_EQ(Bar().GetButtonText(ID_TB_HELP), L"Help");
    EXPECT_EQ(sortMenuFirst(), L"By total group size");
    EXPECT_EQ(languageImage(), englishFlag);
}

// The tooltip the toolbar asks its window for names the keys of the
// button's commands in the keyboard's words of the language.
TEST_F(ToolbarTest, TooltipsNameTheKeysOfTheirCommands)
{
    const auto tip = [this](int id) {
        wchar_t text[INFOTIPSIZE] = {};
        NMTBGETINFOTIPW info{};
        info.hdr = NMHDR{Bar().Hwnd(), kToolBarId, static_cast<UINT>(TBN_GETINFOTIPW)};
        info.pszText = text;
        info.cchTextMax = INFOTIPSIZE;
        info.iItem = id;
        host_.SendMessage(WM_NOTIFY, kToolBarId, reinterpret_cast<LPARAM>(&info));
        return std::wstring(text);
    };
    EXPECT_EQ(tip(ID_TB_START_SEARCH), L"Start search (F5)");
    EXPECT_EQ(tip(ID_TB_NEW_SEARCH), L"New search (Ctrl+N)");
    EXPECT_EQ(tip(ID_TB_DELETE), L"Delete (Del, Shift+Del, Ctrl+B)");
    EXPECT_EQ(tip(ID_TB_EXPORT), L"Report (Ctrl+E)");
    EXPECT_EQ(tip(ID_TB_SAVE_PRESET), L"Save the search preset") << "an icon's tooltip is its text";
    EXPECT_EQ(tip(ID_TB_SELECT_BY_REGEXP), L"") << "a text shown needs no tooltip";
    wchar_t item[128] = {};
    ::GetMenuStringW(host_.menus.Submenu(PopupMenu::Delete), ID_DELETE_PERMANENTLY, item, 128, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(item), L"Permanently\tShift+Del") << "the menu names it too";

    LoadTable("de");
    host_.toolbar.Relocalize();
    EXPECT_EQ(tip(ID_TB_DELETE), L"L\u00f6schen (Entf, Umschalt+Entf, Strg+B)");
}

TEST_F(ToolbarTest, ChevronAppearsWhenTheWindowIsTooNarrow)
{
    const auto chevronShown = [this] {
        const CReBarCtrl rebar(host_.ReBar());
        RECT band{};
        rebar.SendMessage(RB_GETRECT, 0, reinterpret_cast<LPARAM>(&band));
        RBHITTESTINFO hit{};
        hit.pt = POINT{band.right - 6, (band.top + band.bottom) / 2};
        rebar.HitTest(hit);
        return hit.flags == RBHT_CHEVRON;
    };
    EXPECT_FALSE(chevronShown());
    host_.SetWindowPos(nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    uitest::PumpMessages(50);
    EXPECT_TRUE(chevronShown());
    host_.SetWindowPos(nullptr, 0, 0, 1100, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    uitest::PumpMessages(50);
    EXPECT_FALSE(chevronShown());
    EXPECT_EQ(ButtonRect(ID_TB_HELP).right, host_.toolbar.GetClientRect().right);
}

} // namespace
