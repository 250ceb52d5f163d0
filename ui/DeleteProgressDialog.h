#pragma once
// The modal dialog in which a deletion runs: it starts the delete worker,
// shows the current file, the counts and the elapsed time, lets the user
// pause and stop, takes deleted files out of the result tree and writes the
// reason of each failure into its row.
#include "deletion/ConflictPolicy.h"
#include "deletion/DeleteWorker.h"
#include "deletion/TreeDeleteItem.h"
#include "resources/resource.h"
#include "storage/ApplicationSettings.h"
#include "ui/DuplicatePreview.h"
#include "ui/ProgressDialogParts.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/GdiHandles.h"

#include <windows.h>
#include <shobjidl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clonarium {

// What the duplicates pane hands to the dialog; kept by the pane until the
// dialog has closed.
struct DeleteRequest {
    ApplicationSettings* settings = nullptr; // its conflictAction is read and written
    vandrelcommon::ui::CVirtualTreeView* tree = nullptr;
    DeleteParameters parameters;
    std::vector<std::unique_ptr<CTreeDeleteItem>> queue; // in tree order
    // Writes a failure reason into the file's record (the Remark column).
    std::function<void(vandrelcommon::ui::CVirtualNode*, const std::wstring&)> setRemark;
    IDuplicatePreview* preview = nullptr; // null until the preview exists
};

class CDeleteProgressDialog : public vandrelcommon::ui::CDialogImpl, public IDeleteProcessCallback {
public:
    enum class State { Ready, Deleting, Paused, Finished, Canceled };
    enum Row { kFileRow, kDeletedRow, kSkippedRow, kTimeRow };

    // `taskbar` shows the progress on the main window's button; may be null.
    CDeleteProgressDialog(DeleteRequest& request, HWND mainWindow, ITaskbarList3* taskbar);
    ~CDeleteProgressDialog() override;

    State GetState() const { return state_; }
    std::wstring RowValue(Row row) const;

    // IDeleteProcessCallback, called on the worker thread: each hands its
    // change to the interface thread and waits for it.
    void OnStarted() override;
    void OnFileStarted(const std::wstring& path) override;
    void OnFileDeleted(IDeleteItem* item) override;
    void OnFileFailed(IDeleteItem* item, const std::wstring& reason) override;
    void OnDeleteStarted(uint64_t count) override;
    ConflictAction OnFileExists(const std::wstring& source, std::wstring& target) override;
    void OnFinished() override;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(kRunMessage, OnRun)
    ON_COMMAND(IDC_DELETE_START, OnStartPause)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_COMMAND(IDC_DELETE_CHANGE_FOLDER, OnChangeFolder)
    ON_COMMAND_CODE(IDC_DELETE_PRIORITY, CBN_SELCHANGE, OnPriorityChanged)
    REFLECT_NOTIFICATIONS()
    END_MESSAGE_MAP()

private:
    static constexpr UINT kRunMessage = WM_APP + 20;
    static constexpr UINT_PTR kRefreshTimer = 1;

    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnTimer(vandrelcommon::ui::Message& msg);
    LRESULT OnRun(vandrelcommon::ui::Message& msg);
    LRESULT OnStartPause(vandrelcommon::ui::Message& msg);
    LRESULT OnCancel(vandrelcommon::ui::Message& msg);
    LRESULT OnPriorityChanged(vandrelcommon::ui::Message& msg);
    LRESULT OnChangeFolder(vandrelcommon::ui::Message& msg);

    // Runs `change` on the interface thread and returns when it is done.
    void OnInterfaceThread(const std::function<void()>& change);
    void ShowWay();
    void FillList();
    void Start();
    void EnterState(State state);
    void Finish();
    void Refresh(bool evenPaused = false);
    void SetRow(Row row, std::wstring value);
    void SetTaskbarState(TBPFLAG flag) const;
    vandrelcommon::ui::CComboBox Priorities() const;
    vandrelcommon::ui::CProgressBarCtrl Progress() const;
    vandrelcommon::ui::CWindow Item(int id) const { return vandrelcommon::ui::CWindow(GetDlgItem(id)); }

    DeleteRequest& request_;
    HWND mainWindow_;
    ITaskbarList3* taskbar_;
    vandrelcommon::ui::ImageListHandle rowImages_; // lent to the list, so it outlives it
    vandrelcommon::ui::CVirtualTreeView list_;
    std::vector<CProgressNodeData*> rows_; // owned by the list's nodes
    DeleteWorker worker_;
    ConflictPolicy policy_;
    State state_ = State::Ready;
    std::wstring currentFile_;
    uint64_t queued_ = 0; // at opening
    uint64_t total_ = 0;
    uint64_t deleted_ = 0;
    uint64_t skipped_ = 0;
    ULONGLONG startTick_ = 0;
    // Rows of deleted files, taken out of the tree a batch at a time.
    std::vector<vandrelcommon::ui::CVirtualNode*> pendingPrune_;
};

} // namespace clonarium
