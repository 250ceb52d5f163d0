#include "ui/DuplicatesPane.h"

#include "deletion/FileOperations.h"
#include "deletion/TreeDeleteItem.h"
#include "i18n/Localizer.h"
#include "i18n/TextFormat.h"
#include "results/Reports.h"
#include "results/SmartSelect.h"
#include "ui/DeleteProgressDialog.h"
#include "ui/RegexpsDialog.h"
#include "ui/SelectProgressDialog.h"
#include "ui/common/FolderBrowser.h"
#include "update/SiteAddresses.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::system::LocalizeForm;
using vandrelcommon::system::TextFormat;
using vandrelcommon::ui::Checked;
using vandrelcommon::ui::Message;
using vandrelcommon::ui::Unchecked;

namespace {

struct RuleCommand {
    UINT command;
    SmartSelectRule rule;
};

constexpr RuleCommand kRuleCommands[] = {
    {ID_SELECT_KEEP_FIRST, KeepFirst},
    {ID_SELECT_KEEP_LAST, KeepLast},
    {ID_SELECT_KEEP_NEWEST_MODIFIED, KeepNewestModified},
    {ID_SELECT_KEEP_OLDEST_MODIFIED, KeepOldestModified},
    {ID_SELECT_KEEP_NEWEST_CREATED, KeepNewestCreated},
    {ID_SELECT_KEEP_OLDEST_CREATED, KeepOldestCreated},
    {ID_SELECT_KEEP_NEWEST_ACCESSED, KeepNewestAccessed},
    {ID_SELECT_KEEP_OLDEST_ACCESSED, KeepOldestAccessed},
    {ID_SELECT_KEEP_SHORTEST_FN, KeepShortestFileName},
    {ID_SELECT_KEEP_LONGEST_FN, KeepLongestFileName},
    {ID_SELECT_KEEP_SHORTEST_PATH, KeepShortestPath},
    {ID_SELECT_KEEP_LONGEST_PATH, KeepLongestPath},
    {ID_SELECT_KEEP_HIGHEST_RES, KeepHighestResolution},
    {ID_SELECT_KEEP_LOWEST_RES, KeepLowestResolution},
};

std::optional<SmartSelectRule> RuleOf(UINT command)
{
    for (const RuleCommand& entry : kRuleCommands) {
        if (entry.command == command) {
            return entry.rule;
        }
    }
    return std::nullopt;
}

struct SortCommand {
    UINT command;
    GroupSortOrder order;
};

constexpr SortCommand kSortCommands[] = {
    {ID_SORT_TOTAL_SIZE, GroupSortOrder::TotalSize},
    {ID_SORT_SINGLE_FILE_SIZE, GroupSortOrder::SingleFileSize},
    {ID_SORT_FILE_NUMBER, GroupSortOrder::FileCount},
};

struct ExportFormat {
    UINT command;
    const wchar_t* name;
    const wchar_t* pattern;
    const wchar_t* extension;
};

constexpr ExportFormat kExportFormats[] = {
    {ID_EXPORT_CSV, L"CSV", L"*.csv", L"csv"},
    {ID_EXPORT_HTML, L"HTML", L"*.html;*.htm", L"html"},
    {ID_EXPORT_XML, L"XML", L"*.xml", L"xml"},
};

// Paths as long as the system allows: a longer name than the dialog's
// buffer would otherwise end the command as if it were cancelled.
constexpr DWORD kFileNameBuffer = 32768;
constexpr size_t kFilterLimit = 1000;

std::optional<DeleteMode> DeleteModeOf(UINT command)
{
    switch (command) {
    case ID_DELETE_PERMANENTLY:
        return DeleteMode::Permanently;
    case ID_DELETE_TO_RECYCLE_BIN:
        return DeleteMode::ToRecycleBin;
    case ID_DELETE_BACKUP_IN_FOLDER:
        return DeleteMode::BackupInFolder;
    default:
        return std::nullopt;
    }
}

} // namespace

CDuplicatesPane::CDuplicatesPane(ApplicationSettings& settings, IModeContainer& container, IDuplicatePreview& preview)
    : CDialogImpl(IDD_DUPLICATES_PANE), settings_(settings), container_(container), preview_(preview)
{ }

LRESULT CDuplicatesPane::OnInitDialog(Message&)
{
    tree_.Attach(GetDlgItem(IDC_DUPLICATES_TREE));
    return FALSE;
}

LRESULT CDuplicatesPane::OnSize(Message&)
{
    tree_.MoveWindow(GetClientRect());
    return 0;
}

void CDuplicatesPane::SetupColumns(ResultMode mode)
{
    tree_.SetupColumns(mode);
    seenNode_ = nullptr;
    previewShown_ = false;
    const HMENU sort = container_.GetPopupMenus().Submenu(PopupMenu::Sort);
    ::EnableMenuItem(sort, ID_SORT_SINGLE_FILE_SIZE, MF_BYCOMMAND | (mode == SimilarImages ? MF_GRAYED : MF_ENABLED));
    ShowSortMarks();
}

void CDuplicatesPane::ShowResult()
{
    UpdateStatistics();
    SortGroupsBy(GroupSortOrder::TotalSize);
    if (!tree_.Rows().empty()) {
        tree_.ListView().EnsureVisible(0, false);
        // The keys start at the first group, before anything is selected.
        LVITEMW focus{};
        focus.state = LVIS_FOCUSED;
        focus.stateMask = LVIS_FOCUSED;
        tree_.ListView().SetItemState(0, focus);
    }
    StartPreviewTimer();
}

void CDuplicatesPane::ClearResult()
{
    StopPreviewTimer();
    tree_.SetupColumns(tree_.Mode());
    seenNode_ = nullptr;
    previewShown_ = false;
}

void CDuplicatesPane::UpdateStatistics()
{
    container_.SetStatusText(StatisticsText(ComputeStatistics(tree_), tree_.Mode()));
    UpdateMarks();
}

void CDuplicatesPane::UpdateMarks()
{
    marksDirty_ = false;
    const std::wstring marked = MarkedFilesText(CountMarkedFiles(tree_));
    container_.SetMarksText(ruleNote_.empty() ? marked : ruleNote_ + L"  " + marked);
}

// What a rule did is told until the marks change again; a new selection
// that matched nothing changed nothing, and says so at once.
void CDuplicatesPane::TellRuleResult(const RegexpRule& rule, uint64_t matched)
{
    if (matched == 0 && rule.StartsNewSelection()) {
        const std::wstring text =
            TextFormat(Localize("duplicates-pane.messages.rule-matched-nothing")).Add(rule.name).Str();
        ::MessageBoxW(container_.GetMainWindow(), text.c_str(),
            Localize("duplicates-pane.regexp-form.select-by-regexp").c_str(), MB_OK | MB_ICONINFORMATION);
    }
    ruleNote_ =
        TextFormat(LocalizeForm("duplicates-pane.messages.rule-matched", matched)).Add(rule.name).Add(matched).Str();
    UpdateMarks();
}

LRESULT CDuplicatesPane::OnMarksChanged(Message&)
{
    ruleNote_.clear();
    marksDirty_ = true; // counted at the next tick: a key held down marks many rows
    return 0;
}

// The result's texts follow the language even when no group is left.
void CDuplicatesPane::Relocalize()
{
    tree_.RelocalizeColumns();
    if (IsVisible()) {
        UpdateStatistics();
    }
}

void CDuplicatesPane::StartPreviewTimer()
{
    seenNode_ = nullptr;
    previewShown_ = false;
    timerRunning_ = ::SetTimer(hwnd_, kPreviewTimer, kPreviewPeriod, nullptr) != 0;
}

void CDuplicatesPane::StopPreviewTimer()
{
    if (timerRunning_) {
        ::KillTimer(hwnd_, kPreviewTimer);
        timerRunning_ = false;
    }
}

// The preview follows the selection once it rests for a tick.
LRESULT CDuplicatesPane::OnTimer(Message& msg)
{
    if (msg.wParam != kPreviewTimer) {
        msg.handled = false;
        return 0;
    }
    if (marksDirty_) {
        UpdateMarks();
    }
    const CVirtualNode* selected = SelectedNode();
    if (selected != seenNode_) {
        seenNode_ = selected;
        previewShown_ = false;
    } else if (!previewShown_) {
        UpdatePreview();
        previewShown_ = true;
    }
    return 0;
}

void CDuplicatesPane::UpdatePreview()
{
    const CVirtualNode* node = SelectedNode();
    const CVirtualNode* group = node == nullptr ? nullptr : node->level == 0 ? node : node->parent;
    const CVirtualNode* locked = group == nullptr ? nullptr : CDuplicatesVirtualTreeView::LockedFile(group);
    const CDuplicateItem* file = node != nullptr && node->level == 1 ? ItemOf(node) : nullptr;
    if (file != nullptr && locked != nullptr && locked != node) {
        preview_.SetSinglePane(false);
        preview_.ShowFirst(ItemOf(locked));
        preview_.ShowSecond(file);
        return;
    }
    preview_.SetSinglePane(true);
    if (file != nullptr) {
        preview_.ShowFirst(file);
    } else {
        preview_.ShowFirst(locked != nullptr ? ItemOf(locked) : nullptr);
    }
}

LRESULT CDuplicatesPane::OnLockChanged(Message&)
{
    UpdatePreview();
    previewShown_ = true;
    return 0;
}

CVirtualNode* CDuplicatesPane::SelectedNode() const
{
    const int row = tree_.ListView().GetNextItem(-1, LVNI_SELECTED);
    return row >= 0 && row < static_cast<int>(tree_.Rows().size()) ? tree_.Rows()[static_cast<size_t>(row)] : nullptr;
}

const CDuplicateItem* CDuplicatesPane::SelectedFile() const
{
    const CVirtualNode* node = SelectedNode();
    return node != nullptr && node->level == 1 ? ItemOf(node) : nullptr;
}

LRESULT CDuplicatesPane::OnCommand(Message& msg)
{
    // Menus, the toolbar's menus and the tree's keys send commands without
    // a control.
    if (msg.CommandControl() != nullptr || !RunResultCommand(msg.CommandId())) {
        msg.handled = false;
    }
    return 0;
}

bool CDuplicatesPane::RunResultCommand(UINT command)
{
    if (const auto rule = RuleOf(command)) {
        settings_.smartSelectType = static_cast<uint32_t>(*rule);
        RunOverAllGroups(SelectionJob{*rule, nullptr});
        return true;
    }
    if (const auto mode = DeleteModeOf(command)) {
        StartDelete(*mode);
        return true;
    }
    for (const SortCommand& sort : kSortCommands) {
        if (sort.command == command) {
            SortGroupsBy(sort.order);
            return true;
        }
    }
    switch (command) {
    case ID_SELECT_BY_REGEXP:
    case ID_TB_SELECT_BY_REGEXP:
        if (const RegexpRule* rule = ChooseRegexpRule()) {
            RunOverAllGroups(SelectionJob{KeepFirst, rule});
        }
        return true;
    case ID_SELECT_ALL:
    case ID_TB_SELECT_ALL:
        SetAllMarks(Checked);
        return true;
    case ID_SELECT_CLEAR:
    case ID_TB_CLEAR_SELECTION:
        SetAllMarks(Unchecked);
        return true;
    case ID_EXPORT_CSV:
    case ID_EXPORT_HTML:
    case ID_EXPORT_XML:
        Export(command);
        return true;
    case ID_FILE_OPEN:
    case ID_FILE_SHOW_IN_FOLDER:
    case ID_FILE_PROPERTIES:
        RunShellCommand(command);
        return true;
    default:
        return false;
    }
}

void CDuplicatesPane::RunOverAllGroups(const SelectionJob& job)
{
    if (tree_.Root().firstChild == nullptr) {
        return;
    }
    CSelectProgressDialog dialog(tree_, job, container_.GetMainWindow(), container_.GetTaskbarList());
    dialog.DoModal(container_.GetMainWindow());
    tree_.Invalidate(false);
    if (job.regexpRule != nullptr) {
        TellRuleResult(*job.regexpRule, dialog.MatchedFiles());
    } else {
        ruleNote_.clear();
        UpdateMarks();
    }
}

const RegexpRule* CDuplicatesPane::ChooseRegexpRule()
{
    CRegexpsDlg dialog(settings_);
    if (dialog.DoModal(container_.GetMainWindow()) != IDOK) {
        return nullptr;
    }
    return dialog.CurrentRule();
}

void CDuplicatesPane::SetAllMarks(vandrelcommon::ui::CheckState state)
{
    tree_.EnableWindow(false);
    tree_.SetCheckState(&tree_.Root(), state);
    tree_.EnableWindow(true);
    tree_.Invalidate(false);
    ruleNote_.clear();
    UpdateMarks();
}

void CDuplicatesPane::SortGroupsBy(GroupSortOrder order)
{
    tree_.SortGroupsBy(order);
    ShowSortMarks();
}

void CDuplicatesPane::ShowSortMarks()
{
    UINT marked = 0;
    for (const SortCommand& sort : kSortCommands) {
        if (sort.order == tree_.Ordering().order) {
            marked = sort.command;
        }
    }
    container_.GetPopupMenus().MarkSortOrder(marked, tree_.Ordering().ascending);
}

void CDuplicatesPane::Export(UINT command)
{
    const ExportFormat* format = nullptr;
    for (const ExportFormat& entry : kExportFormats) {
        if (entry.command == command) {
            format = &entry;
        }
    }
    std::wstring filter = TextFormat(Localize("duplicates-pane.messages.t-files")).Add(format->name).Str();
    filter += L'\0';
    filter += format->pattern;
    filter += L'\0';
    filter += Localize("duplicates-pane.messages.all-files");
    filter += L'\0';
    filter += L"*.*";
    filter += L'\0';
    if (filter.size() + 1 > kFilterLimit) {
        return;
    }
    std::vector<wchar_t> path(kFileNameBuffer, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = ::GetActiveWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kFileNameBuffer;
    dialog.lpstrDefExt = format->extension;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING | OFN_EXPLORER;
    if (!::GetSaveFileNameW(&dialog)) {
        return;
    }
    const std::wstring chosen = path.data();
    bool written = false;
    if (command == ID_EXPORT_CSV) {
        written = WriteCsvReport(tree_, tree_.Mode(), chosen);
    } else {
        ReportContext context;
        context.mode = tree_.Mode();
        context.date = ReportDate();
        context.statusLine = container_.GetStatusText();
        context.productAddress = SiteAddress();
        const int columns = tree_.Mode() == SimilarImages ? 9 : 8;
        for (int column = 0; column < columns; ++column) {
            wchar_t title[256] = {};
            LVCOLUMNW info{};
            info.mask = LVCF_TEXT;
            info.pszText = title;
            info.cchTextMax = 256;
            tree_.ListView().GetColumn(column, info);
            context.headers.emplace_back(title);
        }
        written = command == ID_EXPORT_HTML ? WriteHtmlReport(tree_, context, chosen)
                                            : WriteXmlReport(tree_, context, chosen);
    }
    if (!written) {
        const std::wstring text =
            TextFormat(Localize("duplicates-pane.messages.cannot-save-file-body")).Add(chosen).Str();
        ::MessageBoxW(container_.GetMainWindow(), text.c_str(),
            Localize("duplicates-pane.messages.cannot-save-file-caption").c_str(), MB_ICONERROR | MB_OK);
    }
}

// Open, show in folder and properties act on a selected file row only and
// say nothing when the shell cannot do them. A name the shell would tidy
// into another (a sibling without the trailing dot) is not handed to it.
void CDuplicatesPane::RunShellCommand(UINT command) const
{
    const CDuplicateItem* file = SelectedFile();
    if (file == nullptr) {
        return;
    }
    if (!ShellTakesName(std::wstring(file->Path()))) {
        ::MessageBoxW(container_.GetMainWindow(), Localize("duplicates-pane.name-not-for-shell").c_str(),
            Localize("duplicates-pane.messages.cannot-save-file-caption").c_str(), MB_ICONERROR | MB_OK);
        return;
    }
    if (command == ID_FILE_SHOW_IN_FOLDER) {
        if (PIDLIST_ABSOLUTE item = ::ILCreateFromPathW(file->Path().data())) {
            ::SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
            ::ILFree(item);
        }
        return;
    }
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.hwnd = container_.GetMainWindow();
    execute.lpFile = file->Path().data();
    execute.nShow = SW_SHOWNORMAL;
    if (command == ID_FILE_PROPERTIES) {
        execute.fMask = SEE_MASK_INVOKEIDLIST;
        execute.lpVerb = L"properties";
    } else {
        execute.lpVerb = L"open";
    }
    ::ShellExecuteExW(&execute);
}

LRESULT CDuplicatesPane::OnContextMenu(Message& msg)
{
    POINT screen{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    int row = -1;
    if (msg.IsKeyboardContextMenu()) {
        // The menu key: at the focused row.
        const CVirtualNode* focused = tree_.FocusedNode();
        row = focused == nullptr ? -1 : tree_.RowOf(focused);
        RECT bounds{};
        if (row < 0 || !tree_.ListView().GetItemRect(row, bounds, LVIR_LABEL)) {
            return 0;
        }
        screen = POINT{bounds.left, bounds.bottom};
        ::ClientToScreen(tree_.Hwnd(), &screen);
    } else {
        POINT client = screen;
        ::ScreenToClient(tree_.Hwnd(), &client);
        row = tree_.HitTest(client).row;
    }
    if (row < 0 || row >= static_cast<int>(tree_.Rows().size())) {
        return 0;
    }
    CVirtualNode* node = tree_.Rows()[static_cast<size_t>(row)];
    if (node->level == 0) {
        ShowGroupMenu(node, screen);
    } else {
        ShowFileMenu(row, screen);
    }
    return 0;
}

// The choice is applied to the clicked group only.
void CDuplicatesPane::ShowGroupMenu(CVirtualNode* group, POINT screen)
{
    const PopupMenu which = tree_.Mode() == SimilarImages ? PopupMenu::SmartSelectImagesContext : PopupMenu::Select;
    const auto command = static_cast<UINT>(::TrackPopupMenuEx(container_.GetPopupMenus().Submenu(which),
        TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, hwnd_, nullptr));
    if (command != 0) {
        ApplyToGroup(command, group);
    }
}

void CDuplicatesPane::ApplyToGroup(UINT command, CVirtualNode* group)
{
    if (const auto rule = RuleOf(command)) {
        settings_.smartSelectType = static_cast<uint32_t>(*rule);
        ApplySmartRule(tree_, group, *rule);
    } else if (command == ID_SELECT_ALL || command == ID_SELECT_CLEAR) {
        tree_.SetCheckState(group, command == ID_SELECT_ALL ? Checked : Unchecked);
    } else if (command == ID_SELECT_BY_REGEXP) {
        if (const RegexpRule* rule = ChooseRegexpRule()) {
            TellRuleResult(*rule, ApplyRegexpRule(tree_, group, *rule));
        }
    } else if (command == ID_SELECT_REMOVE_FROM_LIST) {
        tree_.SetRedraw(false);
        RemoveFromList(tree_, group);
        tree_.SetRedraw(true);
        UpdateStatistics();
    }
    tree_.Invalidate(false);
    if (command != ID_SELECT_BY_REGEXP) {
        ruleNote_.clear();
        UpdateMarks();
    }
}

// The row is selected, and the chosen command arrives like any other.
void CDuplicatesPane::ShowFileMenu(int row, POINT screen)
{
    tree_.SelectOnly(row);
    const auto command =
        static_cast<UINT>(::TrackPopupMenuEx(container_.GetPopupMenus().Submenu(PopupMenu::FileContext),
            TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, hwnd_, nullptr));
    if (command != 0) {
        RunResultCommand(command);
    }
}

LRESULT CDuplicatesPane::OnMeasureItem(Message& msg)
{
    msg.handled = container_.GetPopupMenus().Images().MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(msg.lParam));
    return TRUE;
}

LRESULT CDuplicatesPane::OnDrawItem(Message& msg)
{
    msg.handled = container_.GetPopupMenus().Images().DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(msg.lParam));
    return TRUE;
}

bool CDuplicatesPane::ChooseBackupFolder()
{
    const std::wstring folder = vandrelcommon::ui::BrowseForFolder(container_.GetMainWindow(), settings_.backupFolder,
        Localize("duplicates-pane.messages.select-backup-folder"), true);
    if (folder.empty()) {
        return false;
    }
    settings_.backupFolder = folder;
    if (!settings_.settingsFile.empty()) {
        settings_.SaveSettings(settings_.settingsFile);
    }
    return true;
}

void CDuplicatesPane::StartDelete(DeleteMode mode)
{
    settings_.deleteMode = static_cast<uint32_t>(mode);
    if (mode == DeleteMode::BackupInFolder && !ChooseBackupFolder()) {
        return;
    }
    const HWND owner = container_.GetMainWindow();
    // Both questions answer No to Enter: losing the last copy of a file, or
    // a file for good, takes a click on Yes.
    const bool wholeGroups = HasWholeGroupChecked(tree_);
    if (wholeGroups && ::MessageBoxW(owner, Localize("duplicates-pane.messages.warning-all-selected-body").c_str(),
                           Localize("duplicates-pane.messages.warning-all-selected-caption").c_str(),
                           MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2) != IDYES) {
        return;
    }
    DeleteRequest request;
    request.queue = CollectCheckedFiles(tree_, tree_.Mode(), wholeGroups);
    if (request.queue.empty()) {
        ::MessageBeep(MB_OK); // nothing is marked
        return;
    }
    if (!ConfirmDelete(mode, request.queue.size())) {
        return;
    }
    request.settings = &settings_;
    request.tree = &tree_;
    request.parameters.mode = mode;
    request.parameters.backupFolder = settings_.backupFolder;
    request.setRemark = [](CVirtualNode* node, const std::wstring& reason) {
        if (CDuplicateItem* item = ItemOf(node)) {
            item->SetRemark(reason);
        }
    };
    request.preview = &preview_;
    StopPreviewTimer();
    CDeleteProgressDialog dialog(request, owner, container_.GetTaskbarList());
    dialog.DoModal(owner);
    UpdateStatistics();
    tree_.Invalidate(false);
    StartPreviewTimer();
}

// The question names the way and the number of files, and for a backup the
// folder in full.
bool CDuplicatesPane::ConfirmDelete(DeleteMode mode, size_t count) const
{
    const char* key = "duplicates-pane.messages.confirm-recycle-bin";
    UINT style = MB_YESNO | MB_ICONQUESTION;
    if (mode == DeleteMode::Permanently) {
        key = "duplicates-pane.messages.confirm-permanently";
        style = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;
    } else if (mode == DeleteMode::BackupInFolder) {
        key = "duplicates-pane.messages.confirm-backup";
    }
    const std::wstring text =
        TextFormat(LocalizeForm(key, count)).Add(static_cast<uint64_t>(count)).Add(settings_.backupFolder).Str();
    return ::MessageBoxW(container_.GetMainWindow(), text.c_str(),
               Localize("duplicates-pane.messages.confirm-delete-caption").c_str(), style) == IDYES;
}

} // namespace clonarium
