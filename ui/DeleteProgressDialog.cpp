#include "ui/DeleteProgressDialog.h"

#include "deletion/FileOperations.h"
#include "i18n/Localizer.h"
#include "i18n/TextFormat.h"
#include "ui/FileExistsDialog.h"
#include "ui/IconImages.h"
#include "ui/common/FolderBrowser.h"
#include "ui/framework/Controls.h"

#include <commctrl.h>

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::system::TextFormat;
using vandrelcommon::ui::CButton;
using vandrelcommon::ui::CVirtualNode;
using vandrelcommon::ui::Message;

namespace {

constexpr int kProgressRange = 1024;

const std::wstring& Text(const char* key)
{
    return Localize(std::string("duplicates-pane.") + key);
}

// The path as the user knows it, without the long-path prefix.
std::wstring Shown(const std::wstring& path)
{
    const size_t start = path.find_first_not_of(L"\\?");
    return start == std::wstring::npos ? std::wstring() : path.substr(start);
}

UINT ModeImage(DeleteMode mode)
{
    switch (mode) {
    case DeleteMode::BackupInFolder:
        return IDB_MENU_BACKUP_IN_FOLDER;
    case DeleteMode::Permanently:
        return IDB_MENU_DELETE_PERMANENTLY;
    case DeleteMode::ToRecycleBin:
        break;
    }
    return IDB_MENU_RECYCLE_BIN;
}

} // namespace

CDeleteProgressDialog::CDeleteProgressDialog(DeleteRequest& request, HWND mainWindow, ITaskbarList3* taskbar)
    : CDialogImpl(IDD_DELETE_PROGRESS),
      request_(request),
      mainWindow_(mainWindow),
      taskbar_(taskbar),
      policy_(static_cast<ConflictAction>(request.settings != nullptr ? request.settings->conflictAction : 1),
          [this](ConflictQuestion& question) {
              CFileExistsDlg dialog(question);
              return dialog.DoModal(Hwnd()) == IDOK;
          })
{
    list_.SetViewFlags(0);
}

CDeleteProgressDialog::~CDeleteProgressDialog()
{
    worker_.WaitForFinish();
    SetTaskbarState(TBPF_NOPROGRESS);
}

LRESULT CDeleteProgressDialog::OnInitDialog(Message&)
{
    SetText(Text("caption-deleting"));
    ShowWay();
    CenterWindow(GetParent());
    queued_ = request_.queue.size();
    list_.Attach(GetDlgItem(IDC_DELETE_LIST));
    FillList();
    FillPriorityList(Item(IDC_DELETE_PRIORITY_LABEL), Priorities());
    Progress().SetRange32(0, kProgressRange);
    Item(IDC_DELETE_EMPTY_FOLDERS).SetText(Text("status-delete.delete-empty-folders"));
    CButton(Item(IDC_DELETE_EMPTY_FOLDERS)).SetCheck(BST_UNCHECKED);
    EnterState(State::Ready);
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDC_DELETE_START)), TRUE); // Enter starts
    return FALSE;
}

// Says where the files go; a backup names its folder in full and lets the
// user change it until the run starts. The other ways have no folder: the
// controls below its row move up into its place.
void CDeleteProgressDialog::ShowWay()
{
    const DeleteMode mode = request_.parameters.mode;
    const char* way = mode == DeleteMode::BackupInFolder ? "status-delete.mode-backup"
                      : mode == DeleteMode::Permanently  ? "status-delete.mode-permanently"
                                                         : "status-delete.mode-recycle-bin";
    Item(IDC_DELETE_MODE).SetText(Text(way));
    if (mode == DeleteMode::BackupInFolder) {
        Item(IDC_DELETE_FOLDER).SetText(request_.parameters.backupFolder);
        Item(IDC_DELETE_CHANGE_FOLDER).SetText(Text("status-delete.btn-change-folder"));
        return;
    }
    const int shift = Item(IDC_DELETE_LIST).GetRectInParent().top - Item(IDC_DELETE_FOLDER).GetRectInParent().top;
    Item(IDC_DELETE_FOLDER).ShowWindow(SW_HIDE);
    Item(IDC_DELETE_CHANGE_FOLDER).ShowWindow(SW_HIDE);
    const LONG below = Item(IDC_DELETE_LIST).GetRectInParent().top;
    for (HWND child = ::GetWindow(Hwnd(), GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const RECT place = vandrelcommon::ui::CWindow(child).GetRectInParent();
        if (place.top >= below) {
            ::SetWindowPos(
                child, nullptr, place.left, place.top - shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    const RECT frame = GetWindowRect();
    SetWindowPos(nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top - shift,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CDeleteProgressDialog::OnChangeFolder(Message&)
{
    if (state_ != State::Ready) {
        return 0;
    }
    const std::wstring folder = vandrelcommon::ui::BrowseForFolder(
        Hwnd(), request_.parameters.backupFolder, Text("messages.select-backup-folder"), true);
    if (folder.empty()) {
        return 0;
    }
    request_.parameters.backupFolder = folder;
    Item(IDC_DELETE_FOLDER).SetText(folder);
    if (request_.settings != nullptr) {
        request_.settings->backupFolder = folder;
        if (!request_.settings->settingsFile.empty()) {
            request_.settings->SaveSettings(request_.settings->settingsFile);
        }
    }
    return 0;
}

void CDeleteProgressDialog::FillList()
{
    rowImages_ =
        ImageListOf({IDB_PROGRESS_FILE, ModeImage(request_.parameters.mode), IDB_PROGRESS_SKIPPED, IDB_PROGRESS_CLOCK});
    list_.ListView().SetImageList(rowImages_.Get(), LVSIL_SMALL);
    rows_ = AddProgressRows(list_,
        {Text("status-delete.deleting-file"), Text("status-delete.files-deleted"), Text("status-delete.files-skipped"),
            Text("status-exact.elapsed-time")},
        {kFileRow, kDeletedRow, kSkippedRow, kTimeRow});
    SetRow(kFileRow, Text("status-delete.press-start"));
    SetRow(kDeletedRow, TextFormat(Localize("common.m-of-n")).Add(uint64_t{0}).Add(queued_).Str());
    SetRow(kSkippedRow, L"0");
    SetRow(kTimeRow, L"00:00:00");
}

vandrelcommon::ui::CComboBox CDeleteProgressDialog::Priorities() const
{
    return vandrelcommon::ui::CComboBox(GetDlgItem(IDC_DELETE_PRIORITY));
}

vandrelcommon::ui::CProgressBarCtrl CDeleteProgressDialog::Progress() const
{
    return vandrelcommon::ui::CProgressBarCtrl(GetDlgItem(IDC_DELETE_PROGRESS));
}

std::wstring CDeleteProgressDialog::RowValue(Row row) const
{
    return rows_.at(row)->Value();
}

void CDeleteProgressDialog::SetRow(Row row, std::wstring value)
{
    rows_.at(row)->SetValue(std::move(value));
}

void CDeleteProgressDialog::SetTaskbarState(TBPFLAG flag) const
{
    if (taskbar_ != nullptr && mainWindow_ != nullptr) {
        taskbar_->SetProgressState(mainWindow_, flag);
    }
}

void CDeleteProgressDialog::EnterState(State state)
{
    state_ = state;
    const vandrelcommon::ui::CWindow start = Item(IDC_DELETE_START);
    const vandrelcommon::ui::CWindow cancel = Item(IDCANCEL);
    switch (state) {
    case State::Ready:
        start.SetText(Text("status-delete.btn-start"));
        cancel.SetText(Localize("common.btn-cancel"));
        break;
    case State::Deleting:
        start.SetText(Text("buttons.pause"));
        cancel.SetText(Text("buttons.stop"));
        SetTaskbarState(TBPF_NORMAL);
        break;
    case State::Paused:
        start.SetText(Text("buttons.resume"));
        cancel.SetText(Text("buttons.stop"));
        SetTaskbarState(TBPF_PAUSED);
        break;
    case State::Finished:
        start.ShowWindow(SW_HIDE);
        cancel.SetText(Text("buttons.close"));
        // The dialog's own way: Close becomes the button Enter presses.
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(cancel.Hwnd()), TRUE);
        SetTaskbarState(TBPF_NOPROGRESS);
        break;
    case State::Canceled:
        start.EnableWindow(false);
        cancel.EnableWindow(false);
        SetTaskbarState(TBPF_NOPROGRESS);
        break;
    }
}

LRESULT CDeleteProgressDialog::OnStartPause(Message&)
{
    if (state_ == State::Ready) {
        Start();
    } else if (state_ == State::Deleting || state_ == State::Paused) {
        if (IsPaused()) {
            Resume();
            EnterState(State::Deleting);
        } else {
            Pause();
            EnterState(State::Paused);
        }
    }
    return 0;
}

void CDeleteProgressDialog::Start()
{
    request_.parameters.deleteEmptyFolders = CButton(Item(IDC_DELETE_EMPTY_FOLDERS)).GetCheck() == BST_CHECKED;
    EnterState(State::Deleting);
    Item(IDC_DELETE_EMPTY_FOLDERS).EnableWindow(false);
    Item(IDC_DELETE_CHANGE_FOLDER).EnableWindow(false);
    startTick_ = ::GetTickCount64();
    ::SetTimer(Hwnd(), kRefreshTimer, 1000, nullptr);
    worker_.SetParameters(request_.parameters);
    worker_.SetCallback(this);
    for (auto& item : request_.queue) {
        worker_.Enqueue(std::move(item));
    }
    request_.queue.clear();
    worker_.Start(SelectedPriority(Priorities()));
}

LRESULT CDeleteProgressDialog::OnCancel(Message&)
{
    if (state_ == State::Finished) {
        SetTaskbarState(TBPF_NOPROGRESS);
        EndDialog(IDOK);
        return 0;
    }
    if (state_ == State::Canceled) {
        return 0; // already on its way out
    }
    Pause();
    const int answer = ::MessageBoxW(Hwnd(), Text("messages.confirm-cancel-delete-body").c_str(),
        Text("messages.confirm-cancel-delete-caption").c_str(), MB_YESNO | MB_ICONQUESTION);
    if (state_ == State::Finished) {
        Resume(); // the run ended while the question was open: nothing left to cancel
        return 0;
    }
    if (answer != IDYES) {
        Resume();
        if (state_ != State::Ready) {
            EnterState(State::Deleting); // the work goes on, and the buttons say so
        }
        return 0;
    }
    EnterState(State::Canceled);
    Stop();
    worker_.WaitForFinish();
    ::KillTimer(Hwnd(), kRefreshTimer);
    PruneDeletedRows(*request_.tree, pendingPrune_);
    SetTaskbarState(TBPF_NOPROGRESS);
    EndDialog(IDCANCEL);
    return 0;
}

LRESULT CDeleteProgressDialog::OnPriorityChanged(Message&)
{
    if (state_ != State::Ready) {
        worker_.SetPriority(SelectedPriority(Priorities()));
    }
    return 0;
}

LRESULT CDeleteProgressDialog::OnTimer(Message& msg)
{
    if (msg.wParam != kRefreshTimer) {
        msg.handled = false;
        return 0;
    }
    if (state_ == State::Deleting) {
        if (request_.tree != nullptr) {
            PruneDeletedRows(*request_.tree, pendingPrune_);
        }
        Refresh();
    }
    return 0;
}

void CDeleteProgressDialog::Refresh(bool evenPaused)
{
    if (IsPaused() && !evenPaused) {
        return;
    }
    SetRow(kFileRow, currentFile_);
    SetRow(kDeletedRow, TextFormat(Localize("common.m-of-n")).Add(deleted_).Add(queued_).Str());
    SetRow(kSkippedRow, std::to_wstring(skipped_));
    SetRow(kTimeRow, ElapsedText((::GetTickCount64() - startTick_) / 1000));
    const uint64_t done = deleted_ + skipped_;
    const int position = total_ == 0 ? 0 : static_cast<int>(done * kProgressRange / total_);
    Progress().SetPos(position);
    if (taskbar_ != nullptr && mainWindow_ != nullptr) {
        taskbar_->SetProgressValue(mainWindow_, done, total_);
    }
    list_.ListView().SetColumnWidth(1, LVSCW_AUTOSIZE);
    list_.Invalidate(false);
}

void CDeleteProgressDialog::Finish()
{
    ::KillTimer(Hwnd(), kRefreshTimer);
    if (request_.tree != nullptr) {
        PruneDeletedRows(*request_.tree, pendingPrune_);
    }
    if (state_ == State::Canceled) {
        return; // the cancel closes the dialog itself
    }
    EnterState(State::Finished);
    Refresh(true);
    Progress().SetPos(kProgressRange);
}

void CDeleteProgressDialog::OnInterfaceThread(const std::function<void()>& change)
{
    SendMessage(kRunMessage, 0, reinterpret_cast<LPARAM>(&change));
}

LRESULT CDeleteProgressDialog::OnRun(Message& msg)
{
    (*reinterpret_cast<const std::function<void()>*>(msg.lParam))();
    return 0;
}

void CDeleteProgressDialog::OnStarted()
{
    OnInterfaceThread([&] {
        IDeleteProcessCallback::OnStarted();
        // A pause or a stop the user asked for before the thread began holds.
        if (state_ == State::Canceled) {
            Stop();
        } else if (IsPaused()) {
            Pause();
        }
    });
}

void CDeleteProgressDialog::OnDeleteStarted(uint64_t count)
{
    OnInterfaceThread([&] {
        total_ = count;
        deleted_ = skipped_ = 0;
    });
}

void CDeleteProgressDialog::OnFileStarted(const std::wstring& path)
{
    OnInterfaceThread([&] {
        currentFile_ = Shown(path);
        if (request_.preview != nullptr) {
            request_.preview->ReleaseFile(StripLongPathPrefix(path));
        }
    });
}

void CDeleteProgressDialog::OnFileDeleted(IDeleteItem* item)
{
    OnInterfaceThread([&] {
        ++deleted_;
        if (CVirtualNode* node = static_cast<CTreeDeleteItem*>(item)->Node(); node != nullptr) {
            pendingPrune_.push_back(node);
        }
        Refresh();
    });
}

void CDeleteProgressDialog::OnFileFailed(IDeleteItem* item, const std::wstring& reason)
{
    OnInterfaceThread([&] {
        ++skipped_;
        CVirtualNode* node = static_cast<CTreeDeleteItem*>(item)->Node();
        if (node != nullptr && request_.setRemark) {
            request_.setRemark(node, reason);
        }
        if (node != nullptr && request_.tree != nullptr) {
            request_.tree->RedrawNode(node);
        }
        Refresh();
    });
}

ConflictAction CDeleteProgressDialog::OnFileExists(const std::wstring& source, std::wstring& target)
{
    int32_t stored = -1;
    const ConflictAction action = policy_.Resolve(source, target, &stored);
    if (stored >= 0 && request_.settings != nullptr) {
        OnInterfaceThread([&] { request_.settings->conflictAction = stored; });
    }
    return action;
}

void CDeleteProgressDialog::OnFinished()
{
    OnInterfaceThread([&] { Finish(); });
    IDeleteProcessCallback::OnFinished();
}

} // namespace clonarium
