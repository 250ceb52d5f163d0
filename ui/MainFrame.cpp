#include "ui/MainFrame.h"

#include "engine/SearchCacheDatabase.h"
#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "results/DuplicateResult.h"
#include "storage/SearchPresets.h"
#include "ui/AboutDialog.h"
#include "ui/CommandKeys.h"
#include "ui/IconImages.h"
#include "ui/SearchProgressDialog.h"
#include "ui/StartPaths.h"
#include "ui/common/InputBox.h"
#include "ui/common/TextFit.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Module.h"
#include "update/SiteAddresses.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::ui::CSplitterWindow;
using vandrelcommon::ui::Message;
using vandrelcommon::ui::ScaleX;
using vandrelcommon::ui::ScaleY;

namespace {

constexpr UINT kFolderTreeId = 1001;
constexpr int kMinimumWidth = 846;
constexpr int kMinimumHeight = 600;

} // namespace

CMainFrame::CMainFrame()
{
    settings_.PrepareFolders();
}

CMainFrame::CMainFrame(const FolderRoots& roots)
{
    settings_.PrepareFolders(roots);
}

CMainFrame::~CMainFrame()
{
    if (!settings_.settingsFile.empty()) {
        settings_.SaveSettings(settings_.settingsFile);
    }
}

LRESULT CMainFrame::OnCreate(Message&)
{
    vandrelcommon::system::LoadLanguage(settings_.language);
    CenterWindow();
    if (!menus_.Load(IconSize()) || CreateSimpleReBar() == nullptr ||
        toolbar_.Create(ReBar(), hwnd_, menus_) == nullptr) {
        return -1;
    }
    AddReBarBand(toolbar_);
    statusBar_.SubclassWindow(CreateSimpleStatusBar(L""));
    statusBar_.SetPanes({kStatusPaneMain, kStatusPaneMarks});
    statusIcon_.Reset(static_cast<HICON>(
        ::LoadImageW(vandrelcommon::ui::AppModule().ResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
            ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
    statusBar_.SetPaneIcon(kStatusPaneMain, statusIcon_.Get());
    FillPresets();
    if (!CreatePanes()) {
        return -1;
    }
    ::ShowWindow(StatusBar(), SW_HIDE);
    SetMode(kOptionsMode);
    toolbar_.ShowLanguage(settings_.language);
    ApplyLanguage();
    ChoosePreset(presetIndex_);
    if (settings_.checkForUpdates) {
        updateChecker_ =
            std::make_unique<vandrelcommon::system::UpdateChecker>(this, 5000, SiteAddress(), kProductIdentifier);
        updateChecker_->StartCheck();
    }
    return 0;
}

bool CMainFrame::CreatePanes()
{
    if (mainSplitter_.Create(hwnd_) == nullptr || rightSplitter_.Create(mainSplitter_) == nullptr ||
        optionsPane_.Create(rightSplitter_) == nullptr || duplicatesPane_.Create(rightSplitter_) == nullptr ||
        preview_.Create(rightSplitter_) == nullptr ||
        folderTree_.Create(mainSplitter_, RECT{}, kFolderTreeId) == nullptr) {
        return false;
    }
    SetClient(mainSplitter_);
    mainSplitter_.SetPanes(folderTree_, rightSplitter_, false);
    mainSplitter_.SetMinimumPaneSize(ScaleX(200), false);
    mainSplitter_.SetSplitterPos(ScaleX(200), false);
    rightSplitter_.SetMinimumPaneSize(ScaleY(100), false);
    rightSplitter_.SetSplitterPos(-1, false);
    toolbar_.SetResultsCommandWindow(duplicatesPane_.Hwnd());
    folderDrop_.Register(folderTree_.Hwnd()); // without OLE the tree only takes no drops
    return true;
}

void CMainFrame::FillPresets()
{
    const auto presets = Presets();
    presets.ResetContent();
    presetIndex_ = settings_.presets.empty() ? -1 : 0;
    for (size_t i = 0; i < settings_.presets.size(); ++i) {
        const SearchParameters& preset = *settings_.presets[i];
        presets.AddString(preset.IsDefault ? Localize("search-options.default-preset") : preset.PresetName);
        if (FileNameOf(settings_.presets[i]->StoragePath) == settings_.defaultPresetFile) {
            presetIndex_ = static_cast<int>(i);
        }
    }
    presets.SetCurSel(presetIndex_);
}

void CMainFrame::ChoosePreset(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= settings_.presets.size()) {
        return;
    }
    presetIndex_ = index;
    Presets().SetCurSel(index);
    SearchParameters* preset = settings_.presets[static_cast<size_t>(index)].get();
    settings_.defaultPresetFile = FileNameOf(preset->StoragePath);
    optionsPane_.ApplyPreset(preset);
    toolbar_.EnableButton(ID_TB_SAVE_PRESET, false);
    toolbar_.EnableButton(ID_TB_REMOVE_PRESET, !preset->IsDefault);
}

void CMainFrame::SetMode(int mode)
{
    const bool options = mode == kOptionsMode;
    if (!options && mode_ == kOptionsMode) {
        const HWND focus = ::GetFocus();
        optionsFocus_ = focus != nullptr && ::IsChild(hwnd_, focus) ? focus : nullptr;
    }
    mode_ = mode;
    ::ShowWindow(StatusBar(), options ? SW_HIDE : SW_SHOW);
    if (options) {
        folderTree_.StartDriveRefresh();
        duplicatesPane_.ShowWindow(SW_HIDE);
        duplicatesPane_.ClearResult();
        rightSplitter_.SetPanes(optionsPane_, preview_.Window(), false);
        rightSplitter_.SetSinglePaneMode(0, false);
        optionsPane_.ShowWindow(SW_SHOW);
        mainSplitter_.SetSinglePaneMode(settings_.advancedView ? CSplitterWindow::kBothPanes : 0, false);
        toolbar_.CheckButton(ID_TB_ADVANCED_VIEW, settings_.advancedView);
        toolbar_.SetMode(CClonariumToolbar::Mode::Options);
    } else {
        folderTree_.StopDriveRefresh();
        optionsPane_.ShowWindow(SW_HIDE);
        toolbar_.SetMode(CClonariumToolbar::Mode::Results);
        duplicatesPane_.ShowWindow(SW_SHOW);
        preview_.SetSinglePane(true);
        preview_.ShowFirst(nullptr);
        duplicatesPane_.ShowResult();
        rightSplitter_.SetPanes(duplicatesPane_, preview_.Window(), false);
        rightSplitter_.SetSinglePaneMode(CSplitterWindow::kBothPanes, false);
        mainSplitter_.SetSinglePaneMode(1, false);
    }
    mainSplitter_.UpdateLayout();
    rightSplitter_.UpdateLayout();
    UpdateLayout();
    if (options) {
        FocusOptions();
    } else {
        FocusWhenActive(duplicatesPane_.Tree().Hwnd());
    }
}

void CMainFrame::FocusOptions()
{
    const HWND kept = optionsFocus_;
    optionsFocus_ = nullptr;
    const bool usable = kept != nullptr && ::IsChild(hwnd_, kept) && ::IsWindowVisible(kept) && ::IsWindowEnabled(kept);
    FocusWhenActive(usable ? kept : folderTree_.Hwnd());
}

std::vector<HWND> CMainFrame::KeyboardPanes() const
{
    if (mode_ == kOptionsMode) {
        return {folderTree_.Hwnd(), optionsPane_.Hwnd(), toolbar_.PresetList()};
    }
    return {duplicatesPane_.Hwnd(), preview_.Pane(0).Hwnd(), preview_.Pane(1).Hwnd()};
}

bool CMainFrame::PreTranslateMessage(MSG& msg)
{
    const auto down = [](int key) { return (::GetKeyState(key) & 0x8000) != 0; };
    const bool ours = hwnd_ != nullptr && (msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd));
    const bool keyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    if (ours && keyDown && msg.wParam == VK_F10 && !down(VK_CONTROL)) {
        if (down(VK_SHIFT)) { // the context menu, as the menu key asks for it
            ::SendMessageW(msg.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(msg.hwnd), static_cast<LPARAM>(-1));
        } else {
            ToggleToolbarKeys();
        }
        return true;
    }
    // Alt pressed and let go with no other key between, as into a menu bar.
    if (ours && keyDown) {
        altAlone_ = msg.wParam == VK_MENU && (altAlone_ || (msg.lParam & (1 << 30)) == 0);
    }
    if (ours && (msg.message == WM_SYSKEYUP || msg.message == WM_KEYUP) && msg.wParam == VK_MENU) {
        const bool alone = altAlone_;
        altAlone_ = false;
        if (alone) {
            ToggleToolbarKeys();
            return true;
        }
    }
    if (ours && msg.message == WM_KEYDOWN && !down(VK_MENU)) {
        const UINT command = CommandOfKey(msg.wParam, down(VK_CONTROL), down(VK_SHIFT));
        if (command != 0 && IsCommandAvailable(command)) {
            RunKeyCommand(command);
            return true;
        }
    }
    return CFrameWindow::PreTranslateMessage(msg);
}

void CMainFrame::ToggleToolbarKeys()
{
    if (toolbar_.InKeyboardMode()) {
        toolbar_.LeaveKeyboardMode();
    } else {
        toolbar_.EnterKeyboardMode();
    }
}

bool CMainFrame::IsCommandAvailable(UINT command) const
{
    const bool deletes = command == ID_DELETE_TO_RECYCLE_BIN || command == ID_DELETE_PERMANENTLY ||
                         command == ID_DELETE_BACKUP_IN_FOLDER;
    return toolbar_.IsButtonUsable(deletes ? ID_TB_DELETE : static_cast<int>(command));
}

void CMainFrame::RunKeyCommand(UINT command)
{
    switch (command) {
    case ID_TB_EXPORT:
        toolbar_.ShowDropDownMenu(ID_TB_EXPORT);
        break;
    case ID_DELETE_TO_RECYCLE_BIN:
    case ID_DELETE_PERMANENTLY:
    case ID_DELETE_BACKUP_IN_FOLDER:
        duplicatesPane_.SendMessage(WM_COMMAND, MAKEWPARAM(command, 0));
        break;
    default:
        SendMessage(WM_COMMAND, MAKEWPARAM(command, 1));
        break;
    }
}

// A pane is as wide as its text (and the icon of the first), so that the
// whole line shows.
void CMainFrame::SetPaneText(int pane, const std::wstring& text)
{
    const int icon = pane == kStatusPaneMain ? ::GetSystemMetrics(SM_CXSMICON) + ScaleX(4) : 0;
    const int width = vandrelcommon::ui::MeasureText(statusBar_.Hwnd(), text).cx + icon + ScaleX(16);
    statusBar_.SetPaneWidth(pane, std::max(width, ScaleX(100)));
    statusBar_.SetPaneText(pane, text);
}

void CMainFrame::SetStatusText(const std::wstring& text)
{
    SetPaneText(kStatusPaneMain, text);
}

void CMainFrame::SetMarksText(const std::wstring& text)
{
    SetPaneText(kStatusPaneMarks, text);
}

std::wstring CMainFrame::GetMarksText() const
{
    std::wstring text;
    statusBar_.GetPaneText(kStatusPaneMarks, text);
    return text;
}

std::wstring CMainFrame::GetStatusText()
{
    std::wstring text;
    statusBar_.GetPaneText(kStatusPaneMain, text);
    return text;
}

ITaskbarList3* CMainFrame::GetTaskbarList()
{
    if (!taskbarAsked_) {
        taskbarAsked_ = true;
        if (FAILED(::CoCreateInstance(
                CLSID_TaskbarList, nullptr, CLSCTX_ALL, IID_ITaskbarList3, reinterpret_cast<void**>(taskbar_.Put()))) ||
            FAILED(taskbar_->HrInit())) {
            taskbar_.Reset(); // no progress on the button, nothing else changes
        }
    }
    return taskbar_.Get();
}

LRESULT CMainFrame::OnCommand(Message& msg)
{
    const int command = msg.CommandId();
    if (msg.CommandControl() == toolbar_.PresetList()) {
        if (msg.CommandCode() == CBN_SELCHANGE) {
            const int chosen = Presets().GetCurSel();
            if (chosen != presetIndex_ && optionsPane_.ConfirmSave() == CSearchOptionsPane::SaveAnswer::Cancel) {
                Presets().SetCurSel(presetIndex_);
            } else {
                ChoosePreset(chosen);
            }
        }
        return 0;
    }
    switch (command) {
    case ID_TB_START_SEARCH:
        StartSearch();
        return 0;
    case ID_TB_ADD_PRESET:
        AddPreset();
        return 0;
    case ID_TB_REMOVE_PRESET:
        RemovePreset();
        return 0;
    case ID_TB_SAVE_PRESET:
        SavePreset();
        return 0;
    case ID_TB_ADVANCED_VIEW:
        SetAdvancedView(toolbar_.IsButtonChecked(ID_TB_ADVANCED_VIEW));
        return 0;
    case ID_TB_EXPAND_ALL:
        duplicatesPane_.Tree().ExpandAll();
        return 0;
    case ID_TB_COLLAPSE_ALL:
        duplicatesPane_.Tree().CollapseAll();
        return 0;
    case ID_TB_SELECT_BY_REGEXP:
    case ID_TB_SELECT_ALL:
    case ID_TB_CLEAR_SELECTION:
        duplicatesPane_.SendMessage(WM_COMMAND, MAKEWPARAM(command, 0));
        return 0;
    case ID_TB_NEW_SEARCH:
        SetMode(kOptionsMode);
        return 0;
    case ID_TB_DONATE:
        OpenAddress(DonationAddress(SiteAddress()));
        return 0;
    case ID_HELP_ONLINE:
        OpenAddress(OnlineHelpAddress(SiteAddress()));
        return 0;
    case ID_HELP_CLEAR_CACHE:
        SearchCacheDatabase::Clear(settings_.cacheFile);
        return 0;
    case ID_APP_ABOUT: {
        CAboutDlg about(settings_, SiteAddress());
        about.DoModal(hwnd_);
        return 0;
    }
    default:
        break;
    }
    // A drop-down button chosen from the chevron's menu.
    if (msg.CommandControl() == nullptr && toolbar_.ShowDropDownMenu(command)) {
        return 0;
    }
    if (SwitchLanguage(static_cast<UINT>(command))) {
        return 0;
    }
    msg.handled = false;
    return 0;
}

LRESULT CMainFrame::OnNotify(Message& msg)
{
    const auto* header = reinterpret_cast<const NMHDR*>(msg.lParam);
    if (header->hwndFrom == optionsPane_.Hwnd() && header->code == CSearchOptionsPane::kFormChanged) {
        toolbar_.EnableButton(ID_TB_SAVE_PRESET, optionsPane_.IsChanged());
        return 0;
    }
    msg.handled = false;
    return 0;
}

void CMainFrame::AddPreset()
{
    if (optionsPane_.ConfirmSave() == CSearchOptionsPane::SaveAnswer::Cancel) {
        Presets().SetCurSel(presetIndex_);
    }
    vandrelcommon::ui::CInputBox input(Localize("search-options.add-preset-caption"),
        Localize("search-options.add-preset-prompt"), Localize("common.btn-ok"), Localize("common.btn-cancel"));
    if (input.Run(hwnd_) != 1) {
        return;
    }
    CreatePreset(settings_, input.Text());
    FillPresets();
    ChoosePreset(static_cast<int>(settings_.presets.size()) - 1);
    SetAdvancedView(true);
}

void CMainFrame::RemovePreset()
{
    if (presetIndex_ < 0 || settings_.presets[static_cast<size_t>(presetIndex_)]->IsDefault) {
        return;
    }
    const int next = DeletePreset(settings_, static_cast<size_t>(presetIndex_));
    FillPresets();
    ChoosePreset(next);
}

void CMainFrame::SavePreset()
{
    if (optionsPane_.SaveCurrentPreset()) {
        toolbar_.EnableButton(ID_TB_SAVE_PRESET, false);
    }
}

void CMainFrame::SetAdvancedView(bool shown)
{
    settings_.advancedView = shown;
    toolbar_.CheckButton(ID_TB_ADVANCED_VIEW, shown);
    if (mode_ == kOptionsMode) {
        const HWND focus = ::GetFocus();
        const bool focusHidden = !shown && (focus == optionsPane_.Hwnd() || ::IsChild(optionsPane_.Hwnd(), focus));
        mainSplitter_.SetSinglePaneMode(shown ? CSplitterWindow::kBothPanes : 0);
        if (focusHidden) {
            FocusWhenActive(folderTree_.Hwnd());
        }
    }
}

void CMainFrame::StartSearch()
{
    SearchRequest request;
    if (!optionsPane_.GatherParameters(request.parameters)) {
        return; // the pane named the field in a message and gave it the focus
    }
    const auto mode = static_cast<ResultMode>(request.parameters.SearchMode);
    toolbar_.SetSearchMode(mode);
    duplicatesPane_.SetupColumns(mode);
    request.roots = folderTree_.GetSearchRoots();
    request.results = &duplicatesPane_.Tree();
    request.groupIcon = duplicatesPane_.Tree().GroupIcon();
    request.cacheFile = settings_.cacheFile;
    CSearchProgressDialog dialog(request, hwnd_, GetTaskbarList());
    search_ = &dialog;
    const INT_PTR result = dialog.DoModal(hwnd_);
    search_ = nullptr;
    if (closeAfterSearch_) {
        PostMessage(WM_CLOSE);
    } else if (result == CSearchProgressDialog::kFound) {
        SetMode(kResultsMode);
    }
}

bool CMainFrame::SwitchLanguage(UINT command)
{
    for (const auto& language : vandrelcommon::system::GetLanguages()) {
        if (language.commandId == command && vandrelcommon::system::LoadLanguage(language.code)) {
            settings_.language = language.code;
            toolbar_.ShowLanguage(language.code);
            ApplyLanguage();
            ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
            return true;
        }
    }
    return false;
}

void CMainFrame::ApplyLanguage()
{
    if (mode_ == kOptionsMode) {
        SetStatusText(Localize("main.status.ready"));
    }
    menus_.Relocalize();
    FillPresets(); // the default preset's name is the language's
    toolbar_.Relocalize();
    optionsPane_.Relocalize();
    folderTree_.Relocalize();
    preview_.Relocalize();
    duplicatesPane_.Relocalize();
    UpdateLayout();
}

LRESULT CMainFrame::OnClose(Message& msg)
{
    // A search asks, as its own window does, and the window closes once it
    // stopped; under any other window of ours the close waits for it.
    if (search_ != nullptr) {
        closeAfterSearch_ = search_->AskToStop(true);
        return 0;
    }
    if (!IsEnabled()) {
        return 0;
    }
    closeAfterSearch_ = false;
    if (optionsPane_.ConfirmSave() == CSearchOptionsPane::SaveAnswer::Cancel) {
        return 0; // the window stays open and nothing is written
    }
    if (updateChecker_) {
        updateChecker_->Stop(); // no result may reach a window that is going
    }
    settings_.maximized = ::IsZoomed(hwnd_) != FALSE;
    if (!settings_.settingsFile.empty()) {
        settings_.SaveSettings(settings_.settingsFile);
    }
    ShowWindow(SW_HIDE);
    msg.handled = false; // the frame destroys itself
    return 0;
}

LRESULT CMainFrame::OnDestroy(Message& msg)
{
    RemoveTrayIcon();
    folderDrop_.Revoke();
    msg.handled = false;
    return 0;
}

LRESULT CMainFrame::OnGetMinMaxInfo(Message& msg)
{
    auto* info = reinterpret_cast<MINMAXINFO*>(msg.lParam);
    info->ptMinTrackSize = POINT{kMinimumWidth, kMinimumHeight};
    return 0;
}

LRESULT CMainFrame::OnQueryEndSession(Message& msg)
{
    if ((msg.lParam & ENDSESSION_CLOSEAPP) != 0) {
        ::RegisterApplicationRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
    }
    return TRUE;
}

void CMainFrame::OnUpdateCheckResult(vandrelcommon::system::UpdateResult result, const std::wstring& fileName)
{
    if (result == vandrelcommon::system::UpdateResult::NewVersion && !fileName.empty()) {
        const std::lock_guard lock(updateLock_);
        updateFile_ = fileName;
        PostMessage(kUpdateMessage);
    }
}

LRESULT CMainFrame::OnUpdateFound(Message&)
{
    std::wstring fileName;
    {
        const std::lock_guard lock(updateLock_);
        fileName = updateFile_;
    }
    downloadAddress_ = DownloadAddress(SiteAddress(), fileName);
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = hwnd_;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE | NIF_INFO;
    icon.uCallbackMessage = kTrayMessage;
    icon.hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    lstrcpynW(icon.szTip, L"Clonarium", ARRAYSIZE(icon.szTip));
    lstrcpynW(icon.szInfo, Localize("notify.update-available").c_str(), ARRAYSIZE(icon.szInfo));
    lstrcpynW(icon.szInfoTitle, Localize("notify.update-caption").c_str(), ARRAYSIZE(icon.szInfoTitle));
    icon.dwInfoFlags = NIIF_INFO;
    trayIcon_ = ::Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
    return 0;
}

LRESULT CMainFrame::OnTray(Message& msg)
{
    if (msg.lParam == NIN_BALLOONUSERCLICK) {
        if (!downloadAddress_.empty()) {
            OpenAddress(downloadAddress_);
        }
        RemoveTrayIcon();
    } else if (msg.lParam == NIN_BALLOONTIMEOUT) {
        RemoveTrayIcon();
    }
    return 0;
}

void CMainFrame::RemoveTrayIcon()
{
    if (!trayIcon_) {
        return;
    }
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = hwnd_;
    icon.uID = 1;
    ::Shell_NotifyIconW(NIM_DELETE, &icon);
    trayIcon_ = false;
}

// Later, from the message loop: the window is painted first, and a drop
// returns to the program it came from before any message box shows.
void CMainFrame::OpenPaths(std::vector<std::wstring> paths, bool search)
{
    pathsToOpen_.insert(pathsToOpen_.end(), paths.begin(), paths.end());
    searchOpenedPaths_ = searchOpenedPaths_ || search;
    PostMessage(kOpenPathsMessage);
}

LRESULT CMainFrame::OnOpenPaths(Message&)
{
    const std::vector<std::wstring> paths = std::exchange(pathsToOpen_, {});
    const bool search = std::exchange(searchOpenedPaths_, false);
    if (paths.empty() || mode_ != kOptionsMode) {
        return 0; // the folder tree is hidden in results mode
    }
    constexpr int kNamesShown = 20; // of a long list the message names the first
    std::wstring notFound;
    int missing = 0;
    bool ticked = false;
    for (const std::wstring& given : paths) {
        const std::wstring path = NormalizeStartPath(given);
        if (!path.empty() && StartPathExists(path) && folderTree_.TickPath(path)) {
            ticked = true;
        } else if (++missing <= kNamesShown) {
            notFound += L"\n" + (path.empty() ? given : path);
        } else if (missing == kNamesShown + 1) {
            notFound += L"\n\u2026";
        }
    }
    if (!notFound.empty()) {
        ::MessageBoxW(hwnd_, (Localize("main.messages.not-found") + L"\n" + notFound).c_str(), L"Clonarium",
            MB_OK | MB_ICONWARNING);
    }
    if (search && ticked) {
        StartSearch();
    }
    return 0;
}

void CMainFrame::OpenAddress(const std::wstring& address) const
{
    ::ShellExecuteW(hwnd_, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace clonarium
