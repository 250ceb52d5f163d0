#pragma once
// The modal dialog in which a search runs: it starts the search worker, shows
// the stage, the counts and the elapsed time, lets the user pause and stop,
// and hands every group found to the result tree.
#include "engine/SearchParameters.h"
#include "engine/SearchProcessCallback.h"
#include "engine/SearchWorker.h"
#include "resources/resource.h"
#include "results/DuplicateResult.h"
#include "ui/ProgressDialogParts.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace clonarium {

// What the main window hands to the dialog; kept until the dialog has closed.
struct SearchRequest {
    std::vector<SearchRoot> roots;
    SearchParameters parameters;
    // Takes a group row and its file rows for every group found; may be null.
    vandrelcommon::ui::CVirtualTreeView* results = nullptr;
    int32_t groupIcon = -1; // of every group row
    // What earlier searches learnt; empty: no cache.
    std::wstring cacheFile;
};

class CSearchProgressDialog : public vandrelcommon::ui::CDialogImpl, public ISearchProcessCallback {
public:
    enum class State { Running, Paused, Finished, Stopping };
    enum Row { kStageRow, kFilesRow, kSkippedRow, kProtectedRow, kFoundRow, kTimeRow };
    // What the dialog ends with.
    static constexpr INT_PTR kFound = 1;
    static constexpr INT_PTR kNothingFound = 2; // or stopped by closing the window

    // `taskbar` shows the progress on the main window's button; may be null.
    CSearchProgressDialog(SearchRequest& request, HWND mainWindow, ITaskbarList3* taskbar);
    ~CSearchProgressDialog() override;

    State GetState() const { return state_; }
    std::wstring RowValue(Row row) const;
    // What the dialog ended with; 0 while it is open.
    INT_PTR Result() const { return result_; }
    // Asks whether to stop; on Yes stops the search, waits for the worker and
    // answers true. `closingWindow`: the dialog then closes showing nothing.
    bool AskToStop(bool closingWindow);

    // ISearchProcessCallback. The finder calls these on the worker thread;
    // they only count, or post to the interface thread, which owns the
    // controls and the result tree. RefreshProgress runs on the interface thread.
    void OnStarted() override;
    void OnFileCompared(uint64_t size) override;
    void OnGroupFound(const FileGroup& group) override;
    void SetFilesToCompare(int64_t count) override;
    void OnFileIndexed(bool excluded) override;
    void RefreshProgress() override;
    void OnProtectedFolderSkipped() override;
    void SetStage(int32_t stage) override;
    void OnFileNotRead(const std::wstring& path) override;
    void OnFolderNotRead(const std::wstring& path) override;
    void OnFinished() override;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(kStartedMessage, OnStartedMessage)
    ON_MESSAGE(kDeterminateMessage, OnDeterminateMessage)
    ON_MESSAGE(kFinishedMessage, OnFinishedMessage)
    ON_MESSAGE(kTakeGroupsMessage, OnTakeGroupsMessage)
    ON_COMMAND(IDC_SEARCH_PAUSE, OnPause)
    ON_COMMAND(IDC_SEARCH_STOP, OnStop)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_COMMAND_CODE(IDC_SEARCH_PRIORITY, CBN_SELCHANGE, OnPriorityChanged)
    REFLECT_NOTIFICATIONS()
    END_MESSAGE_MAP()

private:
    static constexpr UINT kStartedMessage = WM_APP + 30;
    static constexpr UINT kDeterminateMessage = WM_APP + 31;
    static constexpr UINT kFinishedMessage = WM_APP + 32;
    static constexpr UINT kTakeGroupsMessage = WM_APP + 33;
    // The longest the interface thread adds groups to the result tree at one
    // go; a search that finds 100,000 groups in a moment would otherwise
    // leave the window deaf for seconds.
    static constexpr int kTakeGroupsSliceMs = 30;
    static constexpr UINT_PTR kRefreshTimer = 1;

    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnTimer(vandrelcommon::ui::Message& msg);
    LRESULT OnStartedMessage(vandrelcommon::ui::Message& msg);
    LRESULT OnDeterminateMessage(vandrelcommon::ui::Message& msg);
    LRESULT OnFinishedMessage(vandrelcommon::ui::Message& msg);
    LRESULT OnTakeGroupsMessage(vandrelcommon::ui::Message& msg);
    LRESULT OnPause(vandrelcommon::ui::Message& msg);
    LRESULT OnStop(vandrelcommon::ui::Message& msg);
    LRESULT OnCancel(vandrelcommon::ui::Message& msg);
    LRESULT OnPriorityChanged(vandrelcommon::ui::Message& msg);

    void FillList();
    // The values fill the list's width, or take what the longest needs.
    void FitValueColumn() const;
    void Start();
    void EnterState(State state);
    void Finish();
    void End(INT_PTR result);
    // Adds the groups the worker has queued to the result tree for a slice of
    // time at most, and asks to go on where more are left; true when none is.
    bool TakeGroups();
    void ShowDeterminateBar();
    void Refresh(bool evenPaused);
    void SetRow(Row row, std::wstring value) { rows_.at(row)->SetValue(std::move(value)); }
    void SetTaskbarState(TBPFLAG flag) const;
    bool ImageSearch() const { return request_.parameters.SearchMode == SimilarImages; }
    vandrelcommon::ui::CComboBox Priorities() const;
    vandrelcommon::ui::CProgressBarCtrl Progress() const;
    vandrelcommon::ui::CWindow Item(int id) const { return vandrelcommon::ui::CWindow(GetDlgItem(id)); }

    SearchRequest& request_;
    HWND mainWindow_;
    ITaskbarList3* taskbar_;
    vandrelcommon::ui::CVirtualTreeView list_;
    std::vector<CProgressNodeData*> rows_; // owned by the list's nodes
    // The worker's messages go here: set before its thread starts, never
    // changed while it runs.
    HWND notifyWindow_ = nullptr;
    SearchWorker worker_;
    ExtensionIcons icons_;
    State state_ = State::Running;
    bool closingWindow_ = false; // the stop under way came from closing the window
    INT_PTR result_ = 0;
    ULONGLONG startTime_ = 0; // system time, in 100-nanosecond units

    // Written by the worker, read by the interface thread's refresh; each
    // counter stands alone, so relaxed order is enough.
    std::atomic<uint64_t> compared_ = 0;
    std::atomic<uint64_t> total_ = 0;
    std::atomic<uint64_t> skipped_ = 0;
    std::atomic<uint64_t> protectedSkipped_ = 0;
    std::atomic<uint64_t> groups_ = 0;
    std::atomic<uint64_t> duplicateFiles_ = 0;
    std::atomic<uint64_t> totalSize_ = 0;
    std::atomic<uint64_t> wastedSize_ = 0;
    std::atomic<int32_t> stage_ = StageIndexing;

    // Groups on their way from the worker to the result tree.
    std::mutex groupsLock_;
    std::vector<FileGroup> pendingGroups_;
    // Interface thread only: groups taken from the queue, and how many of
    // them are in the tree; whether the rest is asked for; whether the
    // dialog ends once they all are.
    std::vector<FileGroup> takenGroups_;
    size_t groupsAdded_ = 0;
    bool moreGroupsAsked_ = false;
    bool finishing_ = false;
};

} // namespace clonarium
