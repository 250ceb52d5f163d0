#pragma once
// The main window's toolbar: the buttons of options mode (start search, the
// preset label and list, add, delete and save preset, advanced view) and of
// results mode (expand and collapse, the Sort, Smart select, Report and
// Delete menus, select by regexp, select all, clear selection, new search),
// then Donate, Language and Help kept flush right by a spring. It lives in a
// rebar band, which shows a chevron for the buttons that do not fit.
//
// Button commands and the preset list's notifications go to the command
// window as WM_COMMAND; a drop-down button opens its popup menu and sends the
// chosen item's command instead. The command window reflects notifications
// (REFLECT_NOTIFICATIONS), through which the drop-down buttons reach here.
#include "ui/PopupMenus.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Window.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace clonarium {

class CClonariumToolbar : public vandrelcommon::ui::CWindowImpl {
public:
    enum class Mode { Options, Results };

    // Creates the toolbar with its preset label and list as a child of
    // `parent` (the rebar, or any window) in options mode, with the texts of
    // the current language. `menus` outlive the toolbar. SetMode and
    // Relocalize tell its rebar band the width it needs: call one of them
    // once it is in its band.
    HWND Create(HWND parent, HWND commandWindow, const PopupMenus& menus);

    // Shows the buttons of `mode` and hides the others.
    void SetMode(Mode mode);
    Mode GetMode() const { return mode_; }
    // 0 exact duplicates, 1 similar images: picks the Smart select menu.
    void SetSearchMode(int searchMode) { searchMode_ = searchMode; }
    int GetSearchMode() const { return searchMode_; }
    // Where the commands of the Sort, Smart select, Report and Delete menus
    // go (the result pane); the command window until one is set.
    void SetResultsCommandWindow(HWND window) { resultsCommandWindow_ = window; }
    // Shows the flag of language `code` on the Language button.
    void ShowLanguage(std::string_view code);
    // Takes every text of the buttons, the label and the menus anew from
    // the current language table and lays the toolbar out again.
    void Relocalize();

    // The keyboard's way in, as into a menu bar (F10 or Alt): the first
    // button turns hot and takes the focus; the arrows move along the
    // buttons, Enter or Space presses the hot one and Down opens a drop-down
    // button's menu; Escape leaves. The focus goes back where it was before
    // a pressed button's command runs.
    void EnterKeyboardMode();
    void LeaveKeyboardMode();
    bool InKeyboardMode() const { return returnFocus_ != nullptr; }

    bool EnableButton(int id, bool enable) const;
    // Shown and enabled.
    bool IsButtonUsable(int id) const;
    bool CheckButton(int id, bool check) const;
    bool IsButtonChecked(int id) const;
    HWND PresetList() const { return presetList_; }
    HWND PresetLabel() const { return presetLabel_; }
    // The width that shows every button of the mode with the spring closed.
    int IdealWidth() const;
    // Opens the popup menu of drop-down button `id` below it and sends the
    // chosen command; false for a button without a menu. The rebar's chevron
    // menu sends a cut-off drop-down button's id as a command: the command
    // window opens its menu with this.
    bool ShowDropDownMenu(int id);

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_COMMAND, OnCommand)
    ON_MESSAGE(WM_CTLCOLORSTATIC, OnLabelColor)
    ON_MESSAGE(WM_MEASUREITEM, OnMeasureItem)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
    ON_MESSAGE(WM_KILLFOCUS, OnKillFocus)
    ON_REFLECTED_NOTIFY_CODE(TBN_DROPDOWN, OnDropDown)
    ON_REFLECTED_NOTIFY_CODE(TBN_GETINFOTIPW, OnGetInfoTip)
    END_MESSAGE_MAP()

private:
    LRESULT OnSize(vandrelcommon::ui::Message& msg);
    LRESULT OnCommand(vandrelcommon::ui::Message& msg);
    LRESULT OnLabelColor(vandrelcommon::ui::Message& msg);
    LRESULT OnMeasureItem(vandrelcommon::ui::Message& msg);
    LRESULT OnDrawItem(vandrelcommon::ui::Message& msg);
    LRESULT OnDropDown(vandrelcommon::ui::Message& msg);
    LRESULT OnKeyDown(vandrelcommon::ui::Message& msg);
    LRESULT OnKillFocus(vandrelcommon::ui::Message& msg);
    LRESULT OnGetInfoTip(vandrelcommon::ui::Message& msg);

    // The index of the next usable button from `index` in `step` (1 or -1),
    // round the end; -1 when there is none.
    int NextUsable(int index, int step) const;
    // What a click on the button at `index` does, after leaving the keyboard mode.
    void Press(int index, bool openMenu);
    // The tooltip's text: the button's own, and the keys of its commands.
    std::wstring TipText(int id) const;

    bool AddButtons();
    bool CreatePresetControls();
    // Buttons, preset controls, spring and band for the width there is; a
    // label that does not fit is given up.
    void Layout();
    void FitButtons() const;
    void ShowLabel(int id, bool shown) const;
    bool ShowsLabel(int id) const;
    // The toolbar and, over it, its label and list.
    void Redraw() const;
    void PlacePresetControls() const;
    void UpdateSpring() const;
    void UpdateBand() const;
    // The right edge of the last shown button before the spring.
    int ButtonsEnd() const;
    // The width of Donate, Language and Help together.
    int RightButtonsWidth() const;
    HWND MenuTarget(int id) const;

    const PopupMenus* menus_ = nullptr;
    HWND commandWindow_ = nullptr;
    HWND resultsCommandWindow_ = nullptr;
    HWND presetLabel_ = nullptr;
    HWND presetList_ = nullptr;
    vandrelcommon::ui::ImageListHandle images_;
    std::vector<int> flagImages_; // by language, in the order of GetLanguages

    HWND returnFocus_ = nullptr; // in keyboard mode: where the focus goes back
    int laidOutWidth_ = -1;
    bool layingOut_ = false;
    Mode mode_ = Mode::Options;
    int searchMode_ = 0;
};

} // namespace clonarium
