#pragma once
// The program's one top-level window: the toolbar in a rebar band, the
// folder tree beside the search options (options mode) or the duplicates
// pane (results mode) above the preview, and the status bar. It owns the settings
// record, starts searches and switches between the two modes.
#include "storage/ApplicationSettings.h"
#include "ui/ClonariumToolbar.h"
#include "ui/DuplicatesPane.h"
#include "ui/FolderDropTarget.h"
#include "ui/FolderTreeView.h"
#include "ui/ModeContainer.h"
#include "ui/PopupMenus.h"
#include "ui/PreviewManager.h"
#include "ui/SearchOptionsPane.h"
#include "ui/SearchProgressDialog.h"
#include "ui/common/AutosizeMultipaneStatusBar.h"
#include "ui/framework/ComPtr.h"
#include "ui/framework/Frame.h"
#include "ui/framework/Splitter.h"
#include "update/UpdateCheckResult.h"
#include "update/UpdateChecker.h"

#include <windows.h>
#include <shobjidl.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace clonarium {

class CMainFrame : public vandrelcommon::ui::CFrameWindow,
                   public IModeContainer,
                   public vandrelcommon::system::IUpdateCheckResult {
public:
    static constexpr int kStatusPaneMain = 137;
    static constexpr int kStatusPaneMarks = 138;
    static constexpr UINT kTrayMessage = 1034;

    // Loads the settings: beside the program, or in the user's folders when
    // a "nonportable" marker stands beside it; tests give roots of their own.
    CMainFrame();
    explicit CMainFrame(const FolderRoots& roots);
    // Writes the settings once more.
    ~CMainFrame() override;

    ApplicationSettings& Settings() { return settings_; }
    int GetMode() const { return mode_; }
    CDuplicatesVirtualTreeView& Results() { return duplicatesPane_.Tree(); }
    CDuplicatesPane& DuplicatesPane() { return duplicatesPane_; }
    CPreviewManager& Preview() { return preview_; }
    CFolderTreeView& FolderTree() { return folderTree_; }
    CSearchOptionsPane& OptionsPane() { return optionsPane_; }
    // What Explorer drops on the folder tree goes to.
    IDropTarget& FolderDropTarget() { return folderDrop_; }

    // Once the window runs: ticks the folders and files in the folder tree,
    // opened down to them, names in a message those it cannot find, and
    // starts the search when asked to and anything was ticked.
    void OpenPaths(std::vector<std::wstring> paths, bool search);

    void SetMode(int mode) override;
    CClonariumToolbar& GetToolbar() override { return toolbar_; }
    PopupMenus& GetPopupMenus() override { return menus_; }
    void SetStatusText(const std::wstring& text) override;
    std::wstring GetStatusText() override;
    void SetMarksText(const std::wstring& text) override;
    std::wstring GetMarksText() const;
    ITaskbarList3* GetTaskbarList() override;
    HWND GetMainWindow() override { return hwnd_; }

    // On the update checker's thread: hands the result to the window.
    void OnUpdateCheckResult(vandrelcommon::system::UpdateResult result, const std::wstring& fileName) override;

    // F10 and Alt alone into the toolbar, Shift+F10 the context menu, the
    // command keys (F5, Ctrl+N, the delete keys...) where their commands can
    // run now, then Tab, F6 and accelerators.
    bool PreTranslateMessage(MSG& msg) override;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_CREATE, OnCreate)
    ON_MESSAGE(WM_CLOSE, OnClose)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_MESSAGE(WM_GETMINMAXINFO, OnGetMinMaxInfo)
    ON_MESSAGE(WM_QUERYENDSESSION, OnQueryEndSession)
    ON_MESSAGE(kUpdateMessage, OnUpdateFound)
    ON_MESSAGE(kTrayMessage, OnTray)
    ON_MESSAGE(kOpenPathsMessage, OnOpenPaths)
    ON_MESSAGE(WM_NOTIFY, OnNotify)
    ON_MESSAGE(WM_COMMAND, OnCommand)
    REFLECT_NOTIFICATIONS()
    CHAIN_TO_BASE(vandrelcommon::ui::CFrameWindow)
    END_MESSAGE_MAP()

protected:
    std::vector<HWND> KeyboardPanes() const override;

private:
    static constexpr UINT kUpdateMessage = WM_APP + 40;
    static constexpr UINT kOpenPathsMessage = WM_APP + 41;

    LRESULT OnCreate(vandrelcommon::ui::Message& msg);
    LRESULT OnClose(vandrelcommon::ui::Message& msg);
    LRESULT OnDestroy(vandrelcommon::ui::Message& msg);
    LRESULT OnGetMinMaxInfo(vandrelcommon::ui::Message& msg);
    LRESULT OnQueryEndSession(vandrelcommon::ui::Message& msg);
    LRESULT OnUpdateFound(vandrelcommon::ui::Message& msg);
    LRESULT OnTray(vandrelcommon::ui::Message& msg);
    LRESULT OnOpenPaths(vandrelcommon::ui::Message& msg);
    LRESULT OnNotify(vandrelcommon::ui::Message& msg);
    LRESULT OnCommand(vandrelcommon::ui::Message& msg);

    bool CreatePanes();
    void FillPresets();
    void ChoosePreset(int index);
    void AddPreset();
    void RemovePreset();
    void SavePreset();
    void SetAdvancedView(bool shown);
    // A status pane as wide as its text.
    void SetPaneText(int pane, const std::wstring& text);
    // Whether the command of a key can run now: its button is shown and enabled.
    bool IsCommandAvailable(UINT command) const;
    void RunKeyCommand(UINT command);
    // F10 or Alt: into the toolbar, or out of it.
    void ToggleToolbarKeys();
    // Where the keyboard goes in options mode: where it was, else the folder tree.
    void FocusOptions();
    void StartSearch();
    bool SwitchLanguage(UINT command);
    void ApplyLanguage();
    void OpenAddress(const std::wstring& address) const;
    void RemoveTrayIcon();
    vandrelcommon::ui::CComboBox Presets() const { return vandrelcommon::ui::CComboBox(toolbar_.PresetList()); }

    ApplicationSettings settings_;
    PopupMenus menus_;
    CClonariumToolbar toolbar_;
    vandrelcommon::ui::IconHandle statusIcon_;
    vandrelcommon::ui::CAutosizeMultipaneStatusBar statusBar_;
    vandrelcommon::ui::CSplitterWindow mainSplitter_{true};
    vandrelcommon::ui::CSplitterWindow rightSplitter_{false};
    CFolderTreeView folderTree_;
    CSearchOptionsPane optionsPane_;
    CPreviewManager preview_;
    CDuplicatesPane duplicatesPane_{settings_, *this, preview_};
    // Asked for when a progress dialog first needs it: by then the window has
    // its taskbar button.
    vandrelcommon::ui::ComPtr<ITaskbarList3> taskbar_;
    bool taskbarAsked_ = false;
    std::unique_ptr<vandrelcommon::system::UpdateChecker> updateChecker_;
    std::mutex updateLock_;
    std::wstring updateFile_; // handed over from the checker's thread
    std::wstring downloadAddress_;
    CSearchProgressDialog* search_ = nullptr; // while a search runs
    bool closeAfterSearch_ = false;
    CFolderDropTarget folderDrop_{[this](std::vector<std::wstring> paths) { OpenPaths(std::move(paths), false); }};
    std::vector<std::wstring> pathsToOpen_;
    bool searchOpenedPaths_ = false;
    int mode_ = kOptionsMode;
    HWND optionsFocus_ = nullptr; // kept while the results are shown
    bool altAlone_ = false;       // Alt is down, and no other key came since
    int presetIndex_ = -1;
    bool trayIcon_ = false;
};

} // namespace clonarium
