#include "ui/ClonariumToolbar.h"

#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "ui/CommandKeys.h"
#include "ui/IconImages.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Frame.h"
#include "ui/framework/Module.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace clonarium {

using namespace vandrelcommon::ui;
using vandrelcommon::system::Localize;

namespace {

enum class ButtonKind { Text, Icon, Check, DropDownText, DropDownIcon, Separator };
enum class Shown { Options, Results, Always };

struct ButtonEntry {
    int id;
    ButtonKind kind;
    std::string_view key; // label, or tooltip of a button that shows no text
    Shown shown;
    UINT image; // 0: none, or the language's flag on the Language button
};

constexpr std::array kButtons = {
    ButtonEntry{ID_TB_START_SEARCH, ButtonKind::Text, "search-options.btn-start", Shown::Options, IDB_TB_START},
    ButtonEntry{ID_TB_PRESET_SEPARATOR, ButtonKind::Separator, {}, Shown::Options, 0},
    ButtonEntry{ID_TB_ADD_PRESET, ButtonKind::Icon, "search-options.tooltips.add-new-preset", Shown::Options,
        IDB_TB_PRESET_ADD},
    ButtonEntry{ID_TB_REMOVE_PRESET, ButtonKind::Icon, "search-options.tooltips.delete-preset", Shown::Options,
        IDB_TB_PRESET_DELETE},
    ButtonEntry{
        ID_TB_SAVE_PRESET, ButtonKind::Icon, "search-options.tooltips.save-preset", Shown::Options, IDB_TB_PRESET_SAVE},
    ButtonEntry{ID_TB_ADVANCED_VIEW, ButtonKind::Check, "search-options.tooltips.advanced-view", Shown::Options,
        IDB_TB_ADVANCED_VIEW},
    ButtonEntry{
        ID_TB_EXPAND_ALL, ButtonKind::Icon, "duplicates-pane.tooltips.expand-all", Shown::Results, IDB_TB_EXPAND_ALL},
    ButtonEntry{ID_TB_COLLAPSE_ALL, ButtonKind::Icon, "duplicates-pane.tooltips.collapse-all", Shown::Results,
        IDB_TB_COLLAPSE_ALL},
    ButtonEntry{
        ID_TB_SORT, ButtonKind::DropDownText, "duplicates-pane.buttons.sort.caption", Shown::Results, IDB_TB_SORT},
    ButtonEntry{ID_TB_SEPARATOR_SELECT, ButtonKind::Separator, {}, Shown::Results, 0},
    ButtonEntry{ID_TB_SMART_SELECT, ButtonKind::DropDownText, "duplicates-pane.buttons.select.caption", Shown::Results,
        IDB_TB_SMART_SELECT},
    ButtonEntry{ID_TB_SELECT_BY_REGEXP, ButtonKind::Text, "duplicates-pane.buttons.select-by-regexp", Shown::Results,
        IDB_TB_SELECT_REGEXP},
    ButtonEntry{
        ID_TB_SELECT_ALL, ButtonKind::Icon, "duplicates-pane.buttons.select-all", Shown::Results, IDB_TB_SELECT_ALL},
    ButtonEntry{ID_TB_CLEAR_SELECTION, ButtonKind::Icon, "duplicates-pane.buttons.clear-selection", Shown::Results,
        IDB_TB_CLEAR_SELECTION},
    ButtonEntry{ID_TB_SEPARATOR_SELECT_ALL, ButtonKind::Separator, {}, Shown::Results, 0},
    ButtonEntry{ID_TB_EXPORT, ButtonKind::DropDownText, "duplicates-pane.buttons.export.caption", Shown::Results,
        IDB_TB_EXPORT},
    ButtonEntry{ID_TB_SEPARATOR_EXPORT, ButtonKind::Separator, {}, Shown::Results, 0},
    ButtonEntry{ID_TB_DELETE, ButtonKind::DropDownText, "duplicates-pane.buttons.delete.caption", Shown::Results,
        IDB_TB_DELETE},
    ButtonEntry{ID_TB_SEPARATOR_DELETE, ButtonKind::Separator, {}, Shown::Results, 0},
    ButtonEntry{
        ID_TB_NEW_SEARCH, ButtonKind::Text, "duplicates-pane.buttons.new-search", Shown::Results, IDB_TB_NEW_SEARCH},
    ButtonEntry{ID_TB_SPRING, ButtonKind::Separator, {}, Shown::Always, 0},
    ButtonEntry{ID_TB_DONATE, ButtonKind::Text, "main.menu.donate", Shown::Always, IDB_TB_DONATE},
    ButtonEntry{ID_TB_LANGUAGE, ButtonKind::DropDownIcon, "main.menu.view-language", Shown::Always, 0},
    ButtonEntry{ID_TB_HELP, ButtonKind::DropDownIcon, "main.menu.help", Shown::Always, IDB_TB_HELP},
};

constexpr int kRightButtons[] = {ID_TB_DONATE, ID_TB_LANGUAGE, ID_TB_HELP};

// The labels the buttons give up, first to last, when the band is too
// narrow for all of them (a long language at a large scaling): each button
// keeps its icon and names itself in its tooltip.
constexpr int kLabelsGivenUp[] = {ID_TB_SELECT_BY_REGEXP, ID_TB_DONATE, ID_TB_SORT, ID_TB_EXPORT, ID_TB_NEW_SEARCH,
    ID_TB_SMART_SELECT, ID_TB_DELETE, ID_TB_START_SEARCH};

BYTE ButtonStyle(ButtonKind kind)
{
    switch (kind) {
    case ButtonKind::Text:
        return BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
    case ButtonKind::Icon:
        return BTNS_BUTTON | BTNS_AUTOSIZE;
    case ButtonKind::Check:
        return BTNS_CHECK | BTNS_AUTOSIZE;
    case ButtonKind::DropDownText:
        return BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
    case ButtonKind::DropDownIcon:
        return BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE;
    case ButtonKind::Separator:
        break;
    }
    return BTNS_SEP;
}

// Sizes at 96 DPI: the label's gap from the separator's left edge and the
// list's from the label, the room the separator keeps beyond both, the
// list's width and the spring's least width.
int LabelGap()
{
    return ScaleX(10);
}
int ListGap()
{
    return ScaleX(5);
}
int PresetRoom()
{
    return ScaleX(17);
}
int ListWidth()
{
    return ScaleX(170);
}
int SpringMinimum()
{
    return ScaleX(4);
}

bool IsReBar(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return std::wstring_view(name) == REBARCLASSNAMEW;
}

SIZE TextSize(HWND window, const std::wstring& text)
{
    ClientDC dc(window);
    SelectedObject font(dc, CWindow(window).GetFont());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

} // namespace

HWND CClonariumToolbar::Create(HWND parent, HWND commandWindow, const PopupMenus& menus)
{
    menus_ = &menus;
    commandWindow_ = commandWindow;
    // The toolbar paints under its children, so that the preset label can
    // be drawn on the toolbar's own background.
    HWND toolbar = CreateToolBar(parent, kToolBarId, (kToolBarStyle & ~WS_CLIPCHILDREN) | TBSTYLE_LIST);
    if (toolbar == nullptr) {
        return nullptr;
    }
    if (!SubclassWindow(toolbar)) {
        ::DestroyWindow(toolbar);
        return nullptr;
    }
    const CToolBarCtrl bar(hwnd_);
    bar.SetNotifyWindow(commandWindow);
    bar.SetExtendedStyle(TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS | TBSTYLE_EX_HIDECLIPPEDBUTTONS);
    if (!AddButtons() || !CreatePresetControls()) {
        DestroyWindow();
        return nullptr;
    }
    SetMode(Mode::Options);
    return hwnd_;
}

bool CClonariumToolbar::AddButtons()
{
    const int size = IconSize();
    images_.Reset(::ImageList_Create(size, size, ILC_COLOR32, static_cast<int>(kButtons.size()), 8));
    if (!images_) {
        return false;
    }
    // A picture that cannot be loaded leaves its button without one.
    const auto add = [&](UINT image) {
        const GdiBitmap picture = LoadIconImage(image, size);
        const int index = picture ? ::ImageList_Add(images_.Get(), picture.Get(), nullptr) : -1;
        return index >= 0 ? index : I_IMAGENONE;
    };
    std::vector<int> imageIndex;
    for (const ButtonEntry& entry : kButtons) {
        imageIndex.push_back(entry.image != 0 ? add(entry.image) : I_IMAGENONE);
    }
    flagImages_.clear();
    for (const auto& language : vandrelcommon::system::GetLanguages()) {
        flagImages_.push_back(add(language.imageId));
    }
    const CToolBarCtrl bar(hwnd_);
    bar.SetImageList(images_.Get());

    std::vector<std::wstring> texts;
    texts.reserve(kButtons.size());
    std::vector<TBBUTTON> buttons;
    for (size_t i = 0; i < kButtons.size(); ++i) {
        const ButtonEntry& entry = kButtons[i];
        TBBUTTON button{};
        button.idCommand = entry.id;
        button.fsStyle = ButtonStyle(entry.kind);
        button.fsState = TBSTATE_ENABLED;
        if (entry.kind == ButtonKind::Separator) {
            button.iBitmap = 0;
        } else {
            button.iBitmap = entry.id == ID_TB_LANGUAGE ? flagImages_.front() : imageIndex[i];
            texts.push_back(Localize(entry.key));
            button.iString = reinterpret_cast<INT_PTR>(texts.back().c_str());
        }
        buttons.push_back(button);
    }
    return bar.AddButtons(static_cast<int>(buttons.size()), buttons.data());
}

bool CClonariumToolbar::CreatePresetControls()
{
    const HINSTANCE instance = AppModule().Instance();
    const HFONT font = GetFont();
    presetLabel_ = ::CreateWindowExW(0, L"STATIC", Localize("search-options.lbl-preset").c_str(),
        WS_CHILD | SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_TB_PRESET_LABEL)), instance, nullptr);
    presetList_ = ::CreateWindowExW(0, WC_COMBOBOXW, nullptr, WS_CHILD | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
        0, ListWidth(), ScaleY(240), hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_TB_PRESET)), instance,
        nullptr);
    if (presetLabel_ == nullptr || presetList_ == nullptr) {
        return false;
    }
    CWindow(presetLabel_).SetFont(font);
    CWindow(presetList_).SetFont(font);
    return true;
}

void CClonariumToolbar::SetMode(Mode mode)
{
    mode_ = mode;
    const CToolBarCtrl bar(hwnd_);
    SetRedraw(false);
    for (const ButtonEntry& entry : kButtons) {
        const bool shown = entry.shown == Shown::Always || (entry.shown == Shown::Options) == (mode == Mode::Options);
        bar.HideButton(entry.id, !shown);
    }
    const int show = mode == Mode::Options ? SW_SHOWNA : SW_HIDE;
    CWindow(presetLabel_).ShowWindow(show);
    CWindow(presetList_).ShowWindow(show);
    SetRedraw(true);
    Layout();
    Redraw();
}

void CClonariumToolbar::Redraw() const
{
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CClonariumToolbar::ShowLanguage(std::string_view code)
{
    const auto languages = vandrelcommon::system::GetLanguages();
    for (size_t i = 0; i < languages.size(); ++i) {
        if (languages[i].code == code) {
            CToolBarCtrl(hwnd_).ChangeBitmap(ID_TB_LANGUAGE, flagImages_[i]);
        }
    }
}

void CClonariumToolbar::Relocalize()
{
    const CToolBarCtrl bar(hwnd_);
    SetRedraw(false);
    for (const ButtonEntry& entry : kButtons) {
        if (entry.kind == ButtonKind::Separator) {
            continue;
        }
        const std::wstring& text = Localize(entry.key);
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_TEXT;
        info.pszText = const_cast<wchar_t*>(text.c_str());
        bar.SetButtonInfo(entry.id, info);
    }
    CWindow(presetLabel_).SetText(Localize("search-options.lbl-preset"));
    menus_->Relocalize();
    SetRedraw(true);
    Layout();
    Redraw();
}

bool CClonariumToolbar::IsButtonUsable(int id) const
{
    const int state = CToolBarCtrl(hwnd_).GetState(id);
    return state != -1 && (state & TBSTATE_HIDDEN) == 0 && (state & TBSTATE_ENABLED) != 0;
}

bool CClonariumToolbar::EnableButton(int id, bool enable) const
{
    return CToolBarCtrl(hwnd_).EnableButton(id, enable);
}

bool CClonariumToolbar::CheckButton(int id, bool check) const
{
    return CToolBarCtrl(hwnd_).CheckButton(id, check);
}

bool CClonariumToolbar::IsButtonChecked(int id) const
{
    const int state = CToolBarCtrl(hwnd_).GetState(id);
    return state != -1 && (state & TBSTATE_CHECKED) != 0;
}

void CClonariumToolbar::Layout()
{
    for (const ButtonEntry& entry : kButtons) {
        if (entry.kind == ButtonKind::Text || entry.kind == ButtonKind::DropDownText) {
            ShowLabel(entry.id, true);
        }
    }
    FitButtons();
    // A few pixels to spare: a band cut that close shows its chevron.
    const int available = GetClientRect().right - SpringMinimum();
    for (const int id : kLabelsGivenUp) {
        if (available <= 0 || IdealWidth() <= available) {
            break;
        }
        if (!CToolBarCtrl(hwnd_).IsButtonHidden(id)) {
            ShowLabel(id, false);
            FitButtons();
        }
    }
    UpdateSpring();
    UpdateBand();
}

void CClonariumToolbar::FitButtons() const
{
    CToolBarCtrl(hwnd_).AutoSize();
    if (mode_ == Mode::Options) {
        PlacePresetControls();
    }
}

void CClonariumToolbar::ShowLabel(int id, bool shown) const
{
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_STYLE;
    const CToolBarCtrl bar(hwnd_);
    bar.GetButtonInfo(id, info);
    const BYTE style = shown ? info.fsStyle | BTNS_SHOWTEXT : info.fsStyle & ~BTNS_SHOWTEXT;
    if (style != info.fsStyle) {
        info.fsStyle = style;
        bar.SetButtonInfo(id, info);
    }
}

bool CClonariumToolbar::ShowsLabel(int id) const
{
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_STYLE;
    return CToolBarCtrl(hwnd_).GetButtonInfo(id, info) && (info.fsStyle & BTNS_SHOWTEXT) != 0;
}

void CClonariumToolbar::PlacePresetControls() const
{
    const CToolBarCtrl bar(hwnd_);
    RECT separator{};
    if (!bar.GetRect(ID_TB_PRESET_SEPARATOR, separator)) {
        return;
    }
    const int rowHeight = bar.GetButtonSize().cy;
    const SIZE text = TextSize(presetLabel_, CWindow(presetLabel_).GetText());
    const int labelLeft = separator.left + LabelGap();
    CWindow(presetLabel_).SetWindowPos(nullptr, labelLeft, 0, text.cx, rowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT list = CWindow(presetList_).GetWindowRect();
    const int listHeight = list.bottom - list.top;
    CWindow(presetList_)
        .SetWindowPos(nullptr, labelLeft + text.cx + ListGap(), (rowHeight - listHeight) / 2, 0, 0,
            SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_SIZE;
    info.cx = static_cast<WORD>(text.cx + ListWidth() + PresetRoom());
    bar.SetButtonInfo(ID_TB_PRESET_SEPARATOR, info);
}

int CClonariumToolbar::ButtonsEnd() const
{
    const CToolBarCtrl bar(hwnd_);
    const int spring = bar.CommandToIndex(ID_TB_SPRING);
    int end = 0;
    for (int index = 0; index < spring; ++index) {
        TBBUTTON button{};
        RECT rect{};
        if (bar.GetButton(index, button) && (button.fsState & TBSTATE_HIDDEN) == 0 && bar.GetItemRect(index, rect)) {
            end = std::max(end, static_cast<int>(rect.right));
        }
    }
    return end;
}

int CClonariumToolbar::RightButtonsWidth() const
{
    const CToolBarCtrl bar(hwnd_);
    int width = 0;
    for (const int id : kRightButtons) {
        RECT rect{};
        if (bar.GetRect(id, rect)) {
            width += rect.right - rect.left;
        }
    }
    return width;
}

int CClonariumToolbar::IdealWidth() const
{
    return ButtonsEnd() + SpringMinimum() + RightButtonsWidth();
}

void CClonariumToolbar::UpdateSpring() const
{
    const CToolBarCtrl bar(hwnd_);
    const int width =
        std::max(SpringMinimum(), static_cast<int>(GetClientRect().right) - ButtonsEnd() - RightButtonsWidth());
    RECT spring{};
    if (bar.GetRect(ID_TB_SPRING, spring) && spring.right - spring.left == width) {
        return;
    }
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_SIZE;
    info.cx = static_cast<WORD>(width);
    bar.SetButtonInfo(ID_TB_SPRING, info);
}

// The band's ideal width is the toolbar's with the spring closed, so that the
// rebar shows its chevron exactly when a button would be cut off.
void CClonariumToolbar::UpdateBand() const
{
    const HWND parent = GetParent();
    if (!IsReBar(parent)) {
        return;
    }
    const CReBarCtrl rebar(parent);
    for (UINT index = 0; index < rebar.GetBandCount(); ++index) {
        REBARBANDINFOW band{};
        band.cbSize = REBARBANDINFOW_V6_SIZE;
        band.fMask = RBBIM_CHILD;
        if (!rebar.GetBandInfo(index, band) || band.hwndChild != hwnd_) {
            continue;
        }
        band.fMask = RBBIM_IDEALSIZE | RBBIM_CHILDSIZE;
        band.cxIdeal = static_cast<UINT>(IdealWidth());
        band.cxMinChild = 0;
        band.cyMinChild = static_cast<UINT>(CToolBarCtrl(hwnd_).GetButtonSize().cy);
        rebar.SetBandInfo(index, band);
    }
}

HWND CClonariumToolbar::MenuTarget(int id) const
{
    const bool resultMenu = id != ID_TB_LANGUAGE && id != ID_TB_HELP;
    return resultMenu && resultsCommandWindow_ != nullptr ? resultsCommandWindow_ : commandWindow_;
}

bool CClonariumToolbar::ShowDropDownMenu(int id)
{
    PopupMenu which{};
    switch (id) {
    case ID_TB_SORT:
        which = PopupMenu::Sort;
        break;
    case ID_TB_SMART_SELECT:
        which = searchMode_ == 1 ? PopupMenu::SmartSelectImages : PopupMenu::SmartSelect;
        break;
    case ID_TB_EXPORT:
        which = PopupMenu::Export;
        break;
    case ID_TB_DELETE:
        which = PopupMenu::Delete;
        break;
    case ID_TB_LANGUAGE:
        which = PopupMenu::Language;
        break;
    case ID_TB_HELP:
        which = PopupMenu::Help;
        break;
    default:
        return false;
    }
    RECT button{};
    if (!CToolBarCtrl(hwnd_).GetRect(id, button)) {
        return false;
    }
    // A button cut off by the band (its menu chosen from the chevron) lends
    // the toolbar's right end as the menu's corner.
    const LONG end = GetClientRect().right;
    const bool clipped = button.right > end;
    if (clipped) {
        button.left = button.right = end;
    }
    ::MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&button), 2);
    // The menu opens below the button and never covers it.
    TPMPARAMS exclude{};
    exclude.cbSize = sizeof(exclude);
    exclude.rcExclude = button;
    const UINT align = clipped ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    const auto command = static_cast<UINT>(::TrackPopupMenuEx(menus_->Submenu(which),
        align | TPM_TOPALIGN | TPM_VERTICAL | TPM_RIGHTBUTTON | TPM_RETURNCMD, button.left, button.bottom, hwnd_,
        &exclude));
    if (command != 0) {
        ::SendMessageW(MenuTarget(id), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    return true;
}

// A new width may give room to a label given up, or take it from one.
LRESULT CClonariumToolbar::OnSize(Message& msg)
{
    const LRESULT result = DefaultProcedure(msg);
    const int width = LOWORD(msg.lParam);
    if (msg.wParam != SIZE_MINIMIZED && width != laidOutWidth_ && !layingOut_) {
        laidOutWidth_ = width;
        layingOut_ = true;
        Layout();
        layingOut_ = false;
    } else {
        UpdateSpring();
    }
    return result;
}

// The preset list's notifications, on to the command window.
LRESULT CClonariumToolbar::OnCommand(Message& msg)
{
    if (msg.CommandControl() == presetList_ && presetList_ != nullptr) {
        return ::SendMessageW(commandWindow_, WM_COMMAND, msg.wParam, msg.lParam);
    }
    msg.handled = false;
    return 0;
}

// The label is drawn on the toolbar's own background, which is painted
// before it (Redraw).
LRESULT CClonariumToolbar::OnLabelColor(Message& msg)
{
    if (msg.CommandControl() != presetLabel_) {
        msg.handled = false;
        return 0;
    }
    const auto dc = reinterpret_cast<HDC>(msg.wParam);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

LRESULT CClonariumToolbar::OnMeasureItem(Message& msg)
{
    msg.handled = menus_->Images().MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(msg.lParam));
    return TRUE;
}

LRESULT CClonariumToolbar::OnDrawItem(Message& msg)
{
    msg.handled = menus_->Images().DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(msg.lParam));
    return TRUE;
}

LRESULT CClonariumToolbar::OnDropDown(Message& msg)
{
    ShowDropDownMenu(msg.NotificationAs<NMTOOLBARW>()->iItem);
    return TBDDRET_DEFAULT;
}

void CClonariumToolbar::EnterKeyboardMode()
{
    const int first = NextUsable(-1, 1);
    if (first < 0) {
        return;
    }
    const HWND focus = ::GetFocus();
    returnFocus_ = focus != nullptr && focus != hwnd_ ? focus : GetParent();
    SetFocus();
    CToolBarCtrl(hwnd_).SetHotItem(first);
}

void CClonariumToolbar::LeaveKeyboardMode()
{
    const HWND back = returnFocus_;
    returnFocus_ = nullptr;
    CToolBarCtrl(hwnd_).SetHotItem(-1);
    if (back != nullptr && ::GetFocus() == hwnd_) {
        ::SetFocus(::IsWindow(back) && ::IsWindowVisible(back) ? back : GetParent());
    }
}

int CClonariumToolbar::NextUsable(int index, int step) const
{
    const CToolBarCtrl bar(hwnd_);
    const int count = bar.GetButtonCount();
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step + count) % count;
        TBBUTTON button{};
        if (bar.GetButton(index, button) && (button.fsStyle & BTNS_SEP) == 0 && IsButtonUsable(button.idCommand)) {
            return index;
        }
    }
    return -1;
}

void CClonariumToolbar::Press(int index, bool openMenu)
{
    TBBUTTON button{};
    if (index < 0 || !CToolBarCtrl(hwnd_).GetButton(index, button)) {
        return;
    }
    const bool dropDown = (button.fsStyle & BTNS_WHOLEDROPDOWN) != 0;
    if (openMenu && !dropDown) {
        return;
    }
    LeaveKeyboardMode();
    if (dropDown) {
        ShowDropDownMenu(button.idCommand);
        return;
    }
    if ((button.fsStyle & BTNS_CHECK) != 0) {
        CheckButton(button.idCommand, !IsButtonChecked(button.idCommand));
    }
    ::SendMessageW(
        commandWindow_, WM_COMMAND, MAKEWPARAM(button.idCommand, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT CClonariumToolbar::OnKeyDown(Message& msg)
{
    if (!InKeyboardMode()) {
        msg.handled = false;
        return 0;
    }
    const CToolBarCtrl bar(hwnd_);
    const int hot = bar.GetHotItem();
    switch (msg.wParam) {
    case VK_LEFT:
    case VK_RIGHT:
        bar.SetHotItem(NextUsable(hot, msg.wParam == VK_LEFT ? -1 : 1));
        break;
    case VK_HOME:
        bar.SetHotItem(NextUsable(-1, 1));
        break;
    case VK_END:
        bar.SetHotItem(NextUsable(0, -1));
        break;
    case VK_RETURN:
    case VK_SPACE:
        Press(hot, false);
        break;
    case VK_DOWN:
        Press(hot, true);
        break;
    case VK_ESCAPE:
    case VK_TAB:
        LeaveKeyboardMode();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CClonariumToolbar::OnKillFocus(Message& msg)
{
    returnFocus_ = nullptr;
    CToolBarCtrl(hwnd_).SetHotItem(-1);
    msg.handled = false;
    return 0;
}

std::wstring CClonariumToolbar::TipText(int id) const
{
    std::wstring keys;
    const auto addKey = [&keys](UINT command) {
        if (const CommandKey* key = FindCommandKey(command)) {
            keys += (keys.empty() ? L"" : L", ") + KeyName(*key);
        }
    };
    if (id == ID_TB_DELETE) {
        for (const UINT command : {ID_DELETE_TO_RECYCLE_BIN, ID_DELETE_PERMANENTLY, ID_DELETE_BACKUP_IN_FOLDER}) {
            addKey(command);
        }
    } else {
        addKey(static_cast<UINT>(id));
    }
    for (const ButtonEntry& entry : kButtons) {
        if (entry.id != id || entry.key.empty()) {
            continue;
        }
        const bool showsText = ShowsLabel(id);
        if (keys.empty()) {
            return showsText ? std::wstring() : Localize(entry.key);
        }
        return Localize(entry.key) + L" (" + keys + L")";
    }
    return {};
}

// Every button's tooltip, with the keys of its commands; a button that
// shows its text and has no key gets none.
LRESULT CClonariumToolbar::OnGetInfoTip(Message& msg)
{
    auto* tip = msg.NotificationAs<NMTBGETINFOTIPW>();
    if (tip->pszText == nullptr || tip->cchTextMax <= 0) {
        return 0;
    }
    const std::wstring text = TipText(tip->iItem);
    lstrcpynW(tip->pszText, text.c_str(), tip->cchTextMax);
    return 0;
}

} // namespace clonarium
