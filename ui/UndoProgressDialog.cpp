#include "ui/UndoProgressDialog.h"

#include "i18n/Localizer.h"
#include "i18n/TextFormat.h"
#include "ui/IconImages.h"

#include <commctrl.h>

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::system::TextFormat;
using vandrelcommon::ui::Message;

namespace {

constexpr int kProgressRange = 1024;

const std::wstring& Text(const char* key)
{
    return Localize(std::string("duplicates-pane.") + key);
}

const char* QuestionKey(DeleteMode mode)
{
    switch (mode) {
    case DeleteMode::BackupInFolder:
        return "undo.confirm-backup";
    case DeleteMode::HardLink:
        return "undo.confirm-hard-links";
    case DeleteMode::ToRecycleBin:
    case DeleteMode::Permanently:
        break;
    }
    return "undo.confirm-recycle-bin";
}

} // namespace

CUndoProgressDialog::CUndoProgressDialog(const std::wstring& journalFile)
    : CDialogImpl(IDD_UNDO_PROGRESS), worker_(journalFile)
{
    list_.SetViewFlags(0);
}

CUndoProgressDialog::~CUndoProgressDialog()
{
    worker_.WaitForFinish();
}

LRESULT CUndoProgressDialog::OnInitDialog(Message&)
{
    SetText(Text("undo.caption"));
    CenterWindow(GetParent());
    list_.Attach(GetDlgItem(IDC_UNDO_LIST));
    rowImages_ = ImageListOf({IDB_PROGRESS_FILE, IDB_MENU_UNDO, IDB_PROGRESS_SKIPPED, IDB_PROGRESS_CLOCK});
    list_.ListView().SetImageList(rowImages_.Get(), LVSIL_SMALL);
    rows_ = AddProgressRows(list_,
        {Text("undo.restoring-file"), Text("undo.files-restored"), Text("status-delete.files-skipped"),
            Text("status-exact.elapsed-time")},
        {kFileRow, kRestoredRow, kSkippedRow, kTimeRow});
    vandrelcommon::ui::CProgressBarCtrl(GetDlgItem(IDC_UNDO_PROGRESS)).SetRange32(0, kProgressRange);
    Item(IDC_UNDO_PAUSE).SetText(Text("buttons.pause"));
    Item(IDCANCEL).SetText(Text("buttons.stop"));
    startTick_ = ::GetTickCount64();
    Refresh();
    ::SetTimer(Hwnd(), kRefreshTimer, 1000, nullptr);
    worker_.SetCallback(this);
    worker_.Start(THREAD_PRIORITY_NORMAL);
    return TRUE;
}

std::wstring CUndoProgressDialog::RowValue(Row row) const
{
    return rows_.at(row)->Value();
}

std::wstring CUndoProgressDialog::SkippedText() const
{
    return Item(IDC_UNDO_SKIPPED).GetText();
}

void CUndoProgressDialog::Refresh()
{
    rows_[kFileRow]->SetValue(currentFile_);
    rows_[kRestoredRow]->SetValue(TextFormat(Localize("common.m-of-n")).Add(restored_).Add(total_).Str());
    rows_[kSkippedRow]->SetValue(std::to_wstring(skipped_));
    rows_[kTimeRow]->SetValue(ElapsedText((::GetTickCount64() - startTick_) / 1000));
    const uint64_t done = restored_ + skipped_;
    vandrelcommon::ui::CProgressBarCtrl(GetDlgItem(IDC_UNDO_PROGRESS))
        .SetPos(total_ == 0 ? 0 : static_cast<int>(done * kProgressRange / total_));
    list_.ListView().SetColumnWidth(1, LVSCW_AUTOSIZE);
    list_.Invalidate(false);
}

LRESULT CUndoProgressDialog::OnTimer(Message& msg)
{
    if (msg.wParam != kRefreshTimer) {
        msg.handled = false;
        return 0;
    }
    if (!finished_ && !IsPaused()) {
        Refresh();
    }
    return 0;
}

LRESULT CUndoProgressDialog::OnPause(Message&)
{
    if (finished_) {
        return 0;
    }
    if (IsPaused()) {
        Resume();
        Item(IDC_UNDO_PAUSE).SetText(Text("buttons.pause"));
    } else {
        Pause();
        Item(IDC_UNDO_PAUSE).SetText(Text("buttons.resume"));
    }
    return 0;
}

// Stopping leaves what is back where it is; the rest waits for a later undo.
LRESULT CUndoProgressDialog::OnStop(Message&)
{
    if (!finished_) {
        Item(IDC_UNDO_PAUSE).EnableWindow(false);
        Item(IDCANCEL).EnableWindow(false);
        Stop();
        worker_.WaitForFinish();
    }
    ::KillTimer(Hwnd(), kRefreshTimer);
    EndDialog(finished_ ? IDOK : IDCANCEL);
    return 0;
}

void CUndoProgressDialog::OnInterfaceThread(const std::function<void()>& change)
{
    SendMessage(kRunMessage, 0, reinterpret_cast<LPARAM>(&change));
}

LRESULT CUndoProgressDialog::OnRun(Message& msg)
{
    (*reinterpret_cast<const std::function<void()>*>(msg.lParam))();
    return 0;
}

void CUndoProgressDialog::OnUndoStarted(DeleteMode, uint64_t count)
{
    OnInterfaceThread([&] { total_ = count; });
}

void CUndoProgressDialog::OnFileStarted(const std::wstring& path)
{
    OnInterfaceThread([&] { currentFile_ = path; });
}

void CUndoProgressDialog::OnFileRestored(const std::wstring&)
{
    OnInterfaceThread([&] {
        ++restored_;
        Refresh();
    });
}

void CUndoProgressDialog::OnFileSkipped(const std::wstring& path, const std::wstring& reason)
{
    OnInterfaceThread([&] {
        ++skipped_;
        skippedText_ += path + L": " + reason + L"\r\n";
        Item(IDC_UNDO_SKIPPED).SetText(skippedText_);
        Refresh();
    });
}

void CUndoProgressDialog::OnFinished()
{
    OnInterfaceThread([&] {
        finished_ = true;
        ::KillTimer(Hwnd(), kRefreshTimer);
        currentFile_.clear();
        Refresh();
        vandrelcommon::ui::CProgressBarCtrl(GetDlgItem(IDC_UNDO_PROGRESS)).SetPos(kProgressRange);
        Item(IDC_UNDO_PAUSE).ShowWindow(SW_HIDE);
        Item(IDCANCEL).SetText(Text("buttons.close"));
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDCANCEL)), TRUE);
    });
    IUndoCallback::OnFinished();
}

void UndoLastDeletion(HWND owner, const std::wstring& journalFile)
{
    DeleteMode mode = DeleteMode::Permanently;
    const size_t count = UndoableFiles(journalFile, &mode);
    if (count == 0) {
        ::MessageBoxW(owner, Text("undo.nothing").c_str(), Text("undo.caption").c_str(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    const std::wstring question = TextFormat(Text(QuestionKey(mode))).Add(static_cast<uint64_t>(count)).Str();
    if (::MessageBoxW(owner, question.c_str(), Text("undo.caption").c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    CUndoProgressDialog dialog(journalFile);
    dialog.DoModal(owner);
}

} // namespace clonarium
