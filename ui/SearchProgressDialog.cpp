#include "ui/SearchProgressDialog.h"

#include "i18n/Localizer.h"
#include "i18n/TextFormat.h"
#include "ui/framework/Dpi.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::system::LocalizeForm;
using vandrelcommon::system::TextFormat;
using vandrelcommon::ui::Message;

namespace {

constexpr int kProgressRange = 1024;
constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr uint64_t kSecondsPerDay = 24 * 60 * 60;

const std::wstring& Text(const char* key)
{
    return Localize(std::string("duplicates-pane.") + key);
}

ULONGLONG SystemTimeNow()
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

void Raise(std::atomic<uint64_t>& counter, uint64_t by = 1)
{
    counter.fetch_add(by, kRelaxed);
}

} // namespace

CSearchProgressDialog::CSearchProgressDialog(SearchRequest& request, HWND mainWindow, ITaskbarList3* taskbar)
    : CDialogImpl(IDD_SEARCH_PROGRESS), request_(request), mainWindow_(mainWindow), taskbar_(taskbar)
{
    list_.SetViewFlags(0);
}

CSearchProgressDialog::~CSearchProgressDialog()
{
    // Should the window go while the search runs, the search stops with it.
    state_ = State::Stopping;
    Stop();
    worker_.WaitForFinish();
    SetTaskbarState(TBPF_NOPROGRESS);
}

LRESULT CSearchProgressDialog::OnInitDialog(Message&)
{
    SetText(Text("caption-searching"));
    CenterWindow(GetParent());
    list_.Attach(GetDlgItem(IDC_SEARCH_LIST));
    FillList();
    FillPriorityList(Item(IDC_SEARCH_PRIORITY_LABEL), Priorities());
    EnterState(State::Running);
    Start();
    Refresh(true);
    Item(IDC_SEARCH_PAUSE).SetFocus();
    return FALSE;
}

void CSearchProgressDialog::FillList()
{
    const char* foundKey = ImageSearch() ? "status-images.similar-images-found" : "status-exact.duplicates-found";
    rows_ = AddProgressRows(list_,
        {Text("status-exact.stage"), Text("status-exact.total-files-processed"), Text("status-exact.skipped-files"),
            Text("status-exact.skipped-protected-folders"), Text(foundKey), Text("status-exact.elapsed-time")});
    // The captions take what their longest needs, the values the rest: the
    // found row is long in every language.
    const vandrelcommon::ui::CListViewCtrl listView = list_.ListView();
    listView.SetColumnWidth(0, LVSCW_AUTOSIZE);
    listView.SetColumnWidth(0, listView.GetColumnWidth(0) + vandrelcommon::ui::ScaleX(12));
    FitValueColumn();
}

void CSearchProgressDialog::FitValueColumn() const
{
    const vandrelcommon::ui::CListViewCtrl listView = list_.ListView();
    const int rest = list_.GetClientRect().right - listView.GetColumnWidth(0);
    listView.SetColumnWidth(1, LVSCW_AUTOSIZE);
    if (listView.GetColumnWidth(1) < rest) {
        listView.SetColumnWidth(1, rest);
    }
}

void CSearchProgressDialog::Start()
{
    startTime_ = SystemTimeNow();
    ::SetTimer(Hwnd(), kRefreshTimer, 1000, nullptr);
    Progress().ModifyStyle(0, PBS_MARQUEE);
    Progress().SetMarquee(true);
    notifyWindow_ = Hwnd();
    worker_.SetSearch(request_.roots, request_.parameters, *this);
    worker_.SetCacheFile(request_.cacheFile);
    // The list says "Normal" until the user picks a level; a search starts a step above.
    if (worker_.Start(THREAD_PRIORITY_ABOVE_NORMAL) == 0) {
        PostMessage(kFinishedMessage); // no thread: nothing was searched
    }
}

vandrelcommon::ui::CComboBox CSearchProgressDialog::Priorities() const
{
    return vandrelcommon::ui::CComboBox(GetDlgItem(IDC_SEARCH_PRIORITY));
}

vandrelcommon::ui::CProgressBarCtrl CSearchProgressDialog::Progress() const
{
    return vandrelcommon::ui::CProgressBarCtrl(GetDlgItem(IDC_SEARCH_PROGRESS));
}

std::wstring CSearchProgressDialog::RowValue(Row row) const
{
    return rows_.at(row)->Value();
}

void CSearchProgressDialog::SetTaskbarState(TBPFLAG flag) const
{
    if (taskbar_ != nullptr && mainWindow_ != nullptr) {
        taskbar_->SetProgressState(mainWindow_, flag);
    }
}

void CSearchProgressDialog::EnterState(State state)
{
    state_ = state;
    const vandrelcommon::ui::CWindow pause = Item(IDC_SEARCH_PAUSE);
    const vandrelcommon::ui::CWindow stop = Item(IDC_SEARCH_STOP);
    switch (state) {
    case State::Running:
        pause.SetText(Text("buttons.pause"));
        stop.SetText(Text("buttons.stop"));
        SetTaskbarState(stage_.load(kRelaxed) == StageIndexing ? TBPF_INDETERMINATE : TBPF_NORMAL);
        break;
    case State::Paused:
        pause.SetText(Text("buttons.resume"));
        stop.SetText(Text("buttons.stop"));
        SetTaskbarState(TBPF_PAUSED);
        break;
    case State::Stopping:
        pause.EnableWindow(false);
        stop.EnableWindow(false);
        SetTaskbarState(TBPF_NOPROGRESS);
        break;
    case State::Finished:
        ShowDeterminateBar();
        Refresh(true);
        Progress().SetPos(kProgressRange);
        SetRow(kStageRow, Text("status-exact.finished"));
        pause.ShowWindow(SW_HIDE);
        stop.SetText(Text("buttons.close"));
        stop.EnableWindow(true);
        ::SendMessageW(Hwnd(), DM_SETDEFID, IDC_SEARCH_STOP, 0);
        stop.SetFocus();
        SetTaskbarState(TBPF_NOPROGRESS);
        break;
    }
}

LRESULT CSearchProgressDialog::OnPause(Message&)
{
    if (state_ == State::Running) {
        Pause();
        EnterState(State::Paused);
    } else if (state_ == State::Paused) {
        Resume();
        EnterState(State::Running);
    }
    return 0;
}

LRESULT CSearchProgressDialog::OnStop(Message&)
{
    if (state_ == State::Finished) {
        End(duplicateFiles_.load(kRelaxed) > 0 ? kFound : kNothingFound);
    } else {
        AskToStop(false);
    }
    return 0;
}

LRESULT CSearchProgressDialog::OnCancel(Message& msg)
{
    if (state_ == State::Finished) {
        return OnStop(msg);
    }
    AskToStop(true);
    return 0;
}

bool CSearchProgressDialog::AskToStop(bool closingWindow)
{
    if (state_ == State::Stopping) {
        return false;
    }
    Pause();
    const int answer = ::MessageBoxW(Hwnd(), Text("messages.confirm-cancel-search-body").c_str(),
        Text("messages.confirm-cancel-search-caption").c_str(), MB_YESNO | MB_ICONQUESTION);
    if (result_ != 0 || state_ == State::Finished) {
        Resume(); // the search ended while the question was open
        return false;
    }
    if (answer != IDYES) {
        Resume();
        EnterState(State::Running);
        return false;
    }
    closingWindow_ = closingWindow;
    EnterState(State::Stopping);
    Stop();
    worker_.WaitForFinish();
    Finish();
    return true;
}

LRESULT CSearchProgressDialog::OnPriorityChanged(Message&)
{
    worker_.SetPriority(SelectedPriority(Priorities()));
    return 0;
}

LRESULT CSearchProgressDialog::OnTimer(Message& msg)
{
    if (msg.wParam != kRefreshTimer) {
        msg.handled = false;
        return 0;
    }
    TakeGroups();
    RefreshProgress();
    return 0;
}

void CSearchProgressDialog::RefreshProgress()
{
    Refresh(false);
}

void CSearchProgressDialog::Refresh(bool evenPaused)
{
    if (IsPaused() && !evenPaused) {
        return;
    }
    static const char* const kExactStages[] = {"status-exact.indexing", "status-exact.comparing"};
    static const char* const kImageStages[] = {
        "status-images.indexing", "status-images.examining", "status-images.comparing"};
    const int32_t stage = stage_.load(kRelaxed);
    if (ImageSearch() ? stage >= 0 && stage <= 2 : stage >= 0 && stage <= 1) {
        SetRow(kStageRow, Text((ImageSearch() ? kImageStages : kExactStages)[stage]));
    }
    const uint64_t compared = compared_.load(kRelaxed);
    const uint64_t total = total_.load(kRelaxed);
    SetRow(kFilesRow, TextFormat(Localize("common.m-of-n")).Add(compared).Add(total).Str());
    SetRow(kSkippedRow, std::to_wstring(skipped_.load(kRelaxed)));
    SetRow(kProtectedRow, std::to_wstring(protectedSkipped_.load(kRelaxed)));
    const uint64_t groups = groups_.load(kRelaxed);
    TextFormat found(
        LocalizeForm(ImageSearch() ? "main.status.found-image-duplicates" : "main.status.found-duplicates", groups));
    found.Add(duplicateFiles_.load(kRelaxed)).Add(groups);
    found.Add(FormatByteSize(static_cast<int64_t>(totalSize_.load(kRelaxed))));
    if (!ImageSearch()) {
        found.Add(FormatByteSize(static_cast<int64_t>(wastedSize_.load(kRelaxed))));
    }
    SetRow(kFoundRow, found.Str());
    const ULONGLONG now = SystemTimeNow();
    const uint64_t seconds = now > startTime_ ? (now - startTime_) / kTicksPerSecond : 0;
    SetRow(kTimeRow, ElapsedText(seconds % kSecondsPerDay));

    const uint64_t done = std::min(compared, total);
    Progress().SetPos(total == 0 ? 0 : static_cast<int>((done * kProgressRange + total / 2) / total));
    if (stage > StageIndexing && taskbar_ != nullptr && mainWindow_ != nullptr) {
        taskbar_->SetProgressValue(mainWindow_, done, total);
    }
    FitValueColumn();
    list_.Invalidate(false);
}

void CSearchProgressDialog::ShowDeterminateBar()
{
    const vandrelcommon::ui::CProgressBarCtrl bar = Progress();
    if ((bar.GetStyle() & PBS_MARQUEE) != 0) {
        bar.SetMarquee(false);
        bar.ModifyStyle(PBS_MARQUEE, 0);
        bar.SetRange32(0, kProgressRange);
        bar.SetPos(0);
    }
    if (state_ == State::Running) {
        SetTaskbarState(TBPF_NORMAL);
    }
}

bool CSearchProgressDialog::TakeGroups()
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTakeGroupsSliceMs);
    const auto mode = static_cast<ResultMode>(request_.parameters.SearchMode);
    bool redrawOff = false;
    for (;;) {
        if (groupsAdded_ == takenGroups_.size()) {
            takenGroups_.clear();
            groupsAdded_ = 0;
            std::lock_guard lock(groupsLock_);
            takenGroups_.swap(pendingGroups_);
        }
        if (takenGroups_.empty() || std::chrono::steady_clock::now() >= until) {
            break;
        }
        if (request_.results == nullptr) {
            groupsAdded_ = takenGroups_.size();
            continue;
        }
        // Row by row, the view would look for its rows on screen once a group.
        if (!redrawOff) {
            request_.results->SetRedraw(false);
            redrawOff = true;
        }
        for (const size_t batchEnd = std::min(groupsAdded_ + 64, takenGroups_.size()); groupsAdded_ < batchEnd;
             ++groupsAdded_) {
            AddGroup(*request_.results, takenGroups_[groupsAdded_], mode, icons_, request_.groupIcon);
        }
    }
    if (redrawOff) {
        request_.results->SetRedraw(true);
    }
    const bool allTaken = takenGroups_.empty();
    if (!allTaken && !moreGroupsAsked_) {
        moreGroupsAsked_ = true;
        PostMessage(kTakeGroupsMessage);
    }
    return allTaken;
}

LRESULT CSearchProgressDialog::OnTakeGroupsMessage(Message&)
{
    moreGroupsAsked_ = false;
    if (TakeGroups() && finishing_) {
        Finish();
    }
    return 0;
}

void CSearchProgressDialog::Finish()
{
    if (result_ != 0 || state_ == State::Finished) {
        return; // already done
    }
    ::KillTimer(Hwnd(), kRefreshTimer);
    // The result is whole when the dialog ends: the groups still queued
    // are added first, a slice at a time, and Finish comes again after them.
    finishing_ = !TakeGroups();
    if (finishing_) {
        return;
    }
    SetTaskbarState(TBPF_NOPROGRESS);
    if (closingWindow_) {
        End(kNothingFound); // the user closed the window: no results are shown
    } else if (duplicateFiles_.load(kRelaxed) > 0) {
        End(kFound);
    } else {
        EnterState(State::Finished);
    }
}

void CSearchProgressDialog::End(INT_PTR result)
{
    result_ = result;
    ::KillTimer(Hwnd(), kRefreshTimer);
    SetTaskbarState(TBPF_NOPROGRESS);
    EndDialog(result);
}

LRESULT CSearchProgressDialog::OnStartedMessage(Message&)
{
    IControlCallback::OnStarted();
    // A stop or a pause the user asked for before the thread began holds.
    if (state_ == State::Stopping) {
        Stop();
    } else if (IsPaused()) {
        Pause();
    }
    return 0;
}

LRESULT CSearchProgressDialog::OnDeterminateMessage(Message&)
{
    if (result_ == 0 && state_ != State::Finished) {
        ShowDeterminateBar();
    }
    return 0;
}

LRESULT CSearchProgressDialog::OnFinishedMessage(Message&)
{
    Finish();
    return 0;
}

void CSearchProgressDialog::OnStarted()
{
    ::SendMessageW(notifyWindow_, kStartedMessage, 0, 0);
}

void CSearchProgressDialog::OnFileCompared(uint64_t)
{
    Raise(compared_);
}

void CSearchProgressDialog::OnGroupFound(const FileGroup& group)
{
    const uint64_t files = group.files.size();
    Raise(groups_);
    Raise(duplicateFiles_, files);
    if (ImageSearch()) {
        uint64_t sum = 0;
        for (const FileRecord& file : group.files) {
            sum += file.size;
        }
        Raise(totalSize_, sum);
    } else if (group.size > 0 && files > 0) {
        Raise(totalSize_, files * group.size);
        Raise(wastedSize_, (files - 1) * group.size);
    }
    // Taken into the tree by the refresh timer and at the end: a message a
    // group would crowd out the timer and the painting.
    std::lock_guard lock(groupsLock_);
    pendingGroups_.push_back(group);
}

void CSearchProgressDialog::SetFilesToCompare(int64_t count)
{
    compared_.store(0, kRelaxed);
    total_.store(count > 0 ? static_cast<uint64_t>(count) : 0, kRelaxed);
    ::PostMessageW(notifyWindow_, kDeterminateMessage, 0, 0);
}

void CSearchProgressDialog::OnFileIndexed(bool excluded)
{
    Raise(excluded ? skipped_ : total_);
}

void CSearchProgressDialog::OnProtectedFolderSkipped()
{
    Raise(protectedSkipped_);
}

void CSearchProgressDialog::SetStage(int32_t stage)
{
    if (stage != stage_.load(kRelaxed) && stage > StageIndexing) {
        ::PostMessageW(notifyWindow_, kDeterminateMessage, 0, 0);
    }
    stage_.store(stage, kRelaxed);
}

void CSearchProgressDialog::OnFileNotRead(const std::wstring&)
{
    Raise(skipped_);
}

void CSearchProgressDialog::OnFolderNotRead(const std::wstring&)
{
    Raise(skipped_);
}

void CSearchProgressDialog::OnFinished()
{
    ::PostMessageW(notifyWindow_, kFinishedMessage, 0, 0);
    IControlCallback::OnFinished();
}

} // namespace clonarium
