#include "ui/SelectProgressDialog.h"

#include "i18n/Localizer.h"
#include "i18n/TextFormat.h"

#include <commctrl.h>

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::system::TextFormat;
using vandrelcommon::ui::Message;

namespace {

constexpr int kProgressRange = 1024;

} // namespace

CSelectProgressDialog::CSelectProgressDialog(
    CVirtualTree& tree, SelectionJob job, HWND mainWindow, ITaskbarList3* taskbar)
    : CDialogImpl(IDD_SELECT_PROGRESS), tree_(tree), job_(job), mainWindow_(mainWindow), taskbar_(taskbar)
{
    list_.SetViewFlags(0);
}

CSelectProgressDialog::~CSelectProgressDialog()
{
    if (worker_) {
        Stop();
        worker_->WaitForFinish();
    }
    SetTaskbarState(TBPF_NOPROGRESS);
}

LRESULT CSelectProgressDialog::OnInitDialog(Message&)
{
    SetText(Localize("duplicates-pane.caption-selecting"));
    CenterWindow(GetParent());
    vandrelcommon::ui::CWindow(GetDlgItem(IDCANCEL)).SetText(Localize("common.btn-cancel"));
    FillPriorityList(vandrelcommon::ui::CWindow(GetDlgItem(IDC_SELECT_PRIORITY_LABEL)), Priorities());
    vandrelcommon::ui::CProgressBarCtrl(GetDlgItem(IDC_SELECT_PROGRESS)).SetRange32(0, kProgressRange);
    SetTaskbarState(TBPF_NORMAL);
    total_ = static_cast<uint64_t>(tree_.Root().childCount);
    processed_ = 0;
    list_.Attach(GetDlgItem(IDC_SELECT_LIST));
    FillList();
    worker_ = std::make_unique<CSmartSelecter>(tree_, job_, *this);
    if (worker_->Start(THREAD_PRIORITY_ABOVE_NORMAL) == 0) {
        End(IDCANCEL); // no thread: nothing was decided, nothing changes
    }
    return TRUE;
}

std::wstring CSelectProgressDialog::JobName() const
{
    if (job_.regexpRule != nullptr) {
        return job_.regexpRule->name;
    }
    return Localize(std::string("duplicates-pane.buttons.select.") + SmartRuleKey(job_.smartRule));
}

void CSelectProgressDialog::FillList()
{
    rows_ = AddProgressRows(list_, {Localize("duplicates-pane.status-selecting.selecting"),
                                       Localize("duplicates-pane.status-selecting.selected-caption")});
    SetRow(kJobRow, JobName());
    ShowProgress();
}

void CSelectProgressDialog::OnGroupProcessed()
{
    processed_.fetch_add(1, std::memory_order_relaxed);
    if (!progressPosted_.exchange(true)) {
        PostMessage(kProgressMessage);
    }
}

void CSelectProgressDialog::OnFinished()
{
    IControlCallback::OnFinished();
    PostMessage(kFinishedMessage);
}

LRESULT CSelectProgressDialog::OnProgress(Message&)
{
    progressPosted_ = false;
    ShowProgress();
    return 0;
}

void CSelectProgressDialog::ShowProgress()
{
    const uint64_t processed = processed_.load(std::memory_order_relaxed);
    const int position = total_ == 0 ? 0 : static_cast<int>((processed * kProgressRange + total_ / 2) / total_);
    vandrelcommon::ui::CProgressBarCtrl(GetDlgItem(IDC_SELECT_PROGRESS)).SetPos(position);
    if (taskbar_ != nullptr && mainWindow_ != nullptr) {
        taskbar_->SetProgressValue(mainWindow_, processed, total_);
    }
    SetRow(kProcessedRow,
        TextFormat(Localize("duplicates-pane.status-selecting.selected")).Add(processed).Add(total_).Str());
    vandrelcommon::ui::CListViewCtrl(list_.Hwnd()).SetColumnWidth(1, LVSCW_AUTOSIZE);
    list_.Invalidate();
}

void CSelectProgressDialog::SetRow(Row row, std::wstring value)
{
    values_[row] = value;
    rows_.at(row)->SetValue(std::move(value));
}

LRESULT CSelectProgressDialog::OnWorkerFinished(Message&)
{
    End(1);
    return 0;
}

LRESULT CSelectProgressDialog::OnCancel(Message&)
{
    Stop();
    End(2);
    return 0;
}

void CSelectProgressDialog::End(int result)
{
    if (ended_) {
        return; // the worker finished while a cancel was on its way, or the other way round
    }
    ended_ = true;
    if (worker_) {
        worker_->WaitForFinish();
        worker_->Changes().Apply(tree_);
    }
    ShowProgress();
    SetTaskbarState(TBPF_NOPROGRESS);
    EndDialog(result);
}

LRESULT CSelectProgressDialog::OnPriorityChanged(Message&)
{
    if (worker_) {
        worker_->SetPriority(SelectedPriority(Priorities()));
    }
    return 0;
}

void CSelectProgressDialog::SetTaskbarState(TBPFLAG flag) const
{
    if (taskbar_ != nullptr && mainWindow_ != nullptr) {
        taskbar_->SetProgressState(mainWindow_, flag);
    }
}

vandrelcommon::ui::CComboBox CSelectProgressDialog::Priorities() const
{
    return vandrelcommon::ui::CComboBox(GetDlgItem(IDC_SELECT_PRIORITY));
}

} // namespace clonarium
