// window-search-bench: a search as a user runs one in the main window, and
// what the user does next: FOLDER ticked in the folder tree, "Start search"
// pressed, the result loaded into results mode, keep-first run over every
// group under its dialog, and a CSV report written to REPORT through the
// save dialog. For each step it prints its time, the process's peak memory
// at its end, and the longest the window took to answer a message during it
// (a thread of its own sends the window WM_NULL, one message after another):
// of every wait that overlaps the step, and of those that began and ended
// within it.
//   window-search-bench FOLDER REPORT [SETTINGS]
// SETTINGS holds the settings and the search cache; by default the folder
// of the executable, as for clonarium-scan, whose cache it then shares.
// Exit 0 when every step ran and the rule kept a file of every group.
#include "resources/resource.h"
#include "ui/MainFrame.h"
#include "ui/framework/MessageLoop.h"
#include "ui/framework/Module.h"
#include "ui/framework/ProgramSession.h"
#include "tests/support/DialogDriving.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

using namespace clonarium;

namespace {

constexpr int kSaveNameBox = 0x47c; // the file name box of the platform's save dialog

enum Step { kSearch, kLoad, kRule, kReport, kSteps };
const char* const kStepNames[kSteps] = {"search", "load", "rule", "report"};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// Sends the window one WM_NULL after another and keeps, for each step, the
// longest it took to answer one.
class AnswerWatch {
public:
    explicit AnswerWatch(HWND window) : window_(window), thread_([this] { Watch(); }) { }
    AnswerWatch(const AnswerWatch&) = delete;
    AnswerWatch& operator=(const AnswerWatch&) = delete;
    // The window's thread must answer messages until Stopped().
    ~AnswerWatch()
    {
        stop_ = true;
        thread_.join();
    }

    void Stop() { stop_ = true; }
    bool Stopped() const { return stopped_; }
    void SetStep(Step step) { step_ = step; }
    double LongestMs(Step step) const { return longestMs_[step]; }
    // Of the waits that began and ended within the step.
    double LongestWithinMs(Step step) const { return longestWithinMs_[step]; }

private:
    // A wait that began in one step and ended in another counts for both.
    void Watch()
    {
        while (!stop_) {
            const int first = step_;
            const Clock::time_point sent = Clock::now();
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &answer);
            const double ms = 1000 * Seconds(sent, Clock::now());
            const int last = step_;
            for (int step = std::max(first, 0); step <= last && step >= 0; ++step) {
                longestMs_[step] = std::max(longestMs_[step].load(), ms);
            }
            if (first == last && first >= 0) {
                longestWithinMs_[first] = std::max(longestWithinMs_[first].load(), ms);
            }
            ::Sleep(2);
        }
        stopped_ = true;
    }

    HWND window_;
    std::atomic<int> step_ = -1;
    std::atomic<bool> stop_ = false;
    std::atomic<bool> stopped_ = false;
    std::atomic<double> longestMs_[kSteps];
    std::atomic<double> longestWithinMs_[kSteps];
    std::thread thread_;
};

// When the search dialog goes away: the search is over, the loading begins.
Clock::time_point searchEnded;
AnswerWatch* watch = nullptr;

LRESULT CALLBACK SeeDialogsGo(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_DESTROY &&
        ::GetDlgItem(message->hwnd, IDC_SEARCH_STOP) != nullptr && watch != nullptr) {
        searchEnded = Clock::now();
        watch->SetStep(kLoad);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Memory {
    double peakWorkingSetMb;
    double peakPrivateMb;
};

Memory PeakMemory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return {counters.PeakWorkingSetSize / 1048576.0, counters.PeakPagefileUsage / 1048576.0};
}

std::wstring ExecutableFolder()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

// What each step took, and the peak memory at its end; printed once the last
// message sent during it has been answered.
struct StepFigures {
    double seconds = 0;
    Memory memory{};
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: window-search-bench FOLDER REPORT [SETTINGS]\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const std::wstring report = argv[2];
    ::DeleteFileW(report.c_str()); // the save dialog would ask whether to replace it
    const vandrelcommon::ui::ProgramSession session;
    vandrelcommon::ui::CMessageLoop loop;
    vandrelcommon::ui::AppModule().AddMessageLoop(&loop);
    int result = 1;
    {
        CMainFrame frame(FolderRoots{argc > 3 ? argv[3] : ExecutableFolder(), L""});
        frame.SetEndsMessageLoop(false);
        if (frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, 1000, 700}) == nullptr ||
            !frame.FolderTree().TickPath(folder)) {
            std::fprintf(stderr, "window-search-bench: cannot open the window or tick %ls\n", folder.c_str());
            return 1;
        }
        frame.ShowWindow(SW_SHOWNA);
        PumpUntil([] { return false; }, 200);
        StepFigures figures[kSteps];
        const auto done = [&](Step step, Clock::time_point from, Clock::time_point to) {
            figures[step] = {Seconds(from, to), PeakMemory()};
        };
        auto answers = std::make_unique<AnswerWatch>(frame.Hwnd());
        watch = answers.get();
        const HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, SeeDialogsGo, nullptr, ::GetCurrentThreadId());

        answers->SetStep(kSearch);
        const Clock::time_point start = Clock::now();
        ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_START_SEARCH, 0); // returns once results mode shows
        ::UpdateWindow(frame.Hwnd());
        const Clock::time_point loaded = Clock::now();
        ::UnhookWindowsHookEx(hook);
        watch = nullptr;
        done(kSearch, start, searchEnded);
        done(kLoad, searchEnded, loaded);

        CDuplicatesPane& pane = frame.DuplicatesPane();
        answers->SetStep(kRule);
        Clock::time_point stepStart = Clock::now();
        ::SendMessageW(pane.Hwnd(), WM_COMMAND, ID_SELECT_KEEP_FIRST, 0);
        ::UpdateWindow(frame.Hwnd());
        done(kRule, stepStart, Clock::now());

        answers->SetStep(kReport);
        stepStart = Clock::now();
        {
            DialogAnswerer save(kSaveNameBox, [&](HWND dialog) {
                ::SetDlgItemTextW(dialog, kSaveNameBox, report.c_str());
                ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            });
            ::SendMessageW(pane.Hwnd(), WM_COMMAND, ID_EXPORT_CSV, 0);
        }
        done(kReport, stepStart, Clock::now());
        answers->Stop();
        PumpUntil([&] { return answers->Stopped(); }); // the last message sent is answered
        double longestMs[kSteps] = {};
        double longestWithinMs[kSteps] = {};
        for (int step = 0; step < kSteps; ++step) {
            longestMs[step] = answers->LongestMs(static_cast<Step>(step));
            longestWithinMs[step] = answers->LongestWithinMs(static_cast<Step>(step));
        }
        answers.reset();
        for (int step = 0; step < kSteps; ++step) {
            const StepFigures& figure = figures[step];
            std::printf("%-7s %9.3f s   peak working set %8.1f MB   peak private %8.1f MB   longest unanswered "
                        "%8.1f ms   within the step %8.1f ms\n",
                kStepNames[step], figure.seconds, figure.memory.peakWorkingSetMb, figure.memory.peakPrivateMb,
                longestMs[step], longestWithinMs[step]);
        }

        uint64_t groups = 0;
        uint64_t files = 0;
        uint64_t keptIn = 0;
        for (const CVirtualNode* group = frame.Results().Root().firstChild; group != nullptr;
             group = group->nextSibling) {
            ++groups;
            files += group->childCount;
            keptIn += group->GetCheckState() == vandrelcommon::ui::Mixed ? 1 : 0;
        }
        WIN32_FILE_ATTRIBUTE_DATA written{};
        const bool reported = ::GetFileAttributesExW(report.c_str(), GetFileExInfoStandard, &written);
        std::printf("groups: %llu\nfiles in groups: %llu\ngroups with a kept file: %llu\nreport bytes: %llu\n",
            static_cast<unsigned long long>(groups), static_cast<unsigned long long>(files),
            static_cast<unsigned long long>(keptIn),
            reported ? (static_cast<unsigned long long>(written.nFileSizeHigh) << 32) | written.nFileSizeLow : 0ull);
        result = frame.GetMode() == IModeContainer::kResultsMode && groups > 0 && keptIn == groups && reported ? 0 : 1;
        frame.DestroyWindow();
    }
    vandrelcommon::ui::AppModule().RemoveMessageLoop();
    return result;
}
