#pragma once
// The modal dialog in which the last deletion is undone: it starts the undo
// worker at once, shows the current file, the counts and the elapsed time,
// lists each file left where it is with its reason, and lets the user pause
// and stop.
#include "deletion/DeleteUndo.h"
#include "resources/resource.h"
#include "ui/ProgressDialogParts.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/GdiHandles.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace clonarium {

class CUndoProgressDialog : public vandrelcommon::ui::CDialogImpl, public IUndoCallback {
public:
    enum Row { kFileRow, kRestoredRow, kSkippedRow, kTimeRow };

    explicit CUndoProgressDialog(const std::wstring& journalFile);
    ~CUndoProgressDialog() override;

    bool IsFinished() const { return finished_; }
    std::wstring RowValue(Row row) const;
    std::wstring SkippedText() const;

    // IUndoCallback, called on the worker thread: each hands its change to
    // the interface thread and waits for it.
    void OnUndoStarted(DeleteMode mode, uint64_t count) override;
    void OnFileStarted(const std::wstring& path) override;
    void OnFileRestored(const std::wstring& path) override;
    void OnFileSkipped(const std::wstring& path, const std::wstring& reason) override;
    void OnFinished() override;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(kRunMessage, OnRun)
    ON_COMMAND(IDC_UNDO_PAUSE, OnPause)
    ON_COMMAND(IDCANCEL, OnStop)
    REFLECT_NOTIFICATIONS()
    END_MESSAGE_MAP()

private:
    static constexpr UINT kRunMessage = WM_APP + 21;
    static constexpr UINT_PTR kRefreshTimer = 1;

    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnTimer(vandrelcommon::ui::Message& msg);
    LRESULT OnRun(vandrelcommon::ui::Message& msg);
    LRESULT OnPause(vandrelcommon::ui::Message& msg);
    LRESULT OnStop(vandrelcommon::ui::Message& msg);

    void OnInterfaceThread(const std::function<void()>& change);
    void Refresh();
    vandrelcommon::ui::CWindow Item(int id) const { return vandrelcommon::ui::CWindow(GetDlgItem(id)); }

    UndoWorker worker_;
    vandrelcommon::ui::ImageListHandle rowImages_; // lent to the list, so it outlives it
    vandrelcommon::ui::CVirtualTreeView list_;
    std::vector<CProgressNodeData*> rows_; // owned by the list's nodes
    std::wstring currentFile_;
    std::wstring skippedText_;
    uint64_t total_ = 0;
    uint64_t restored_ = 0;
    uint64_t skipped_ = 0;
    ULONGLONG startTick_ = 0;
    bool finished_ = false;
};

// Asks, then undoes the last deletion under the dialog; says so when there is
// nothing to undo.
void UndoLastDeletion(HWND owner, const std::wstring& journalFile);

} // namespace clonarium
