#pragma once
// The modal dialog under which a keep-one rule or a regular-expression rule
// runs over every group: the job's name, groups processed, a progress bar, a
// priority list and Cancel.
#include "resources/resource.h"
#include "results/SmartSelect.h"
#include "ui/ProgressDialogParts.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Dialog.h"

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <memory>
#include <vector>

namespace clonarium {

class CSelectProgressDialog : public vandrelcommon::ui::CDialogImpl, public ISmartSelectCallback {
public:
    enum Row { kJobRow, kProcessedRow };

    // Ends with 1 when every group was done, 2 when canceled; either way the
    // states decided so far are set in `tree` before the dialog closes.
    // `taskbar` shows the progress on the main window's button; may be null.
    CSelectProgressDialog(CVirtualTree& tree, SelectionJob job, HWND mainWindow, ITaskbarList3* taskbar);
    ~CSelectProgressDialog() override;

    // The row's last value; kept after the dialog closed.
    std::wstring RowValue(Row row) const { return values_[row]; }
    // The files a regular-expression rule matched in the groups it went through.
    uint64_t MatchedFiles() const { return worker_ ? worker_->Changes().matched : 0; }

    // Worker thread: each only posts to the dialog.
    void OnGroupProcessed() override;
    void OnFinished() override;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(kProgressMessage, OnProgress)
    ON_MESSAGE(kFinishedMessage, OnWorkerFinished)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_COMMAND_CODE(IDC_SELECT_PRIORITY, CBN_SELCHANGE, OnPriorityChanged)
    REFLECT_NOTIFICATIONS()
    END_MESSAGE_MAP()

private:
    static constexpr UINT kProgressMessage = WM_APP + 30;
    static constexpr UINT kFinishedMessage = WM_APP + 31;

    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnProgress(vandrelcommon::ui::Message& msg);
    LRESULT OnWorkerFinished(vandrelcommon::ui::Message& msg);
    LRESULT OnCancel(vandrelcommon::ui::Message& msg);
    LRESULT OnPriorityChanged(vandrelcommon::ui::Message& msg);

    std::wstring JobName() const;
    void FillList();
    void ShowProgress();
    void SetRow(Row row, std::wstring value);
    // Sets the decided states, switches the taskbar progress off and closes.
    void End(int result);
    void SetTaskbarState(TBPFLAG flag) const;
    vandrelcommon::ui::CComboBox Priorities() const;

    CVirtualTree& tree_;
    SelectionJob job_;
    HWND mainWindow_;
    ITaskbarList3* taskbar_;
    vandrelcommon::ui::CVirtualTreeView list_;
    std::vector<CProgressNodeData*> rows_; // owned by the list's nodes
    std::wstring values_[2];
    std::unique_ptr<CSmartSelecter> worker_;
    uint64_t total_ = 0;
    std::atomic<uint64_t> processed_ = 0;
    // Set while a progress message is on its way, so that a fast worker
    // posts one message for many groups.
    std::atomic<bool> progressPosted_ = false;
    bool ended_ = false;
};

} // namespace clonarium
