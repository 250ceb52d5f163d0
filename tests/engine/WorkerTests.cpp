#include "system/Worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

using vandrelcommon::system::IControlCallback;
using vandrelcommon::system::IWorker;

namespace {

constexpr DWORD kPatience = 10000; // ms; a wait this long means something hangs

// Asks `done` every millisecond; false when it still says no after kPatience.
bool WaitUntil(const std::function<bool()>& done)
{
    for (DWORD waited = 0; waited < kPatience; ++waited) {
        if (done()) {
            return true;
        }
        ::Sleep(1);
    }
    return done();
}

// Runs `body` on its own thread.
class FunctionWorker : public IWorker {
public:
    explicit FunctionWorker(std::function<void(FunctionWorker&)> body) : body_(std::move(body)) { }
    ~FunctionWorker() override { WaitForFinish(); }
    void Run() override { body_(*this); }
    using IWorker::IsStopRequested;

private:
    std::function<void(FunctionWorker&)> body_;
};

class ControlCallback : public IControlCallback { };

// The loop of a worker: counts its steps until a stop is requested.
struct StepLoop {
    ControlCallback callback;
    std::atomic<long> steps = 0;
    std::atomic<bool> canceled = false;

    void Run()
    {
        callback.OnStarted();
        while (!callback.IsCanceled()) {
            ++steps;
        }
        canceled = true;
        callback.OnFinished();
    }

    // True once the loop has taken `count` more steps.
    bool Advances(long count = 1000)
    {
        const long target = steps + count;
        return WaitUntil([&] { return steps >= target; });
    }

    // True once the loop has stood still for a while: blocked in IsCanceled.
    bool StandsStill()
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const long before = steps;
            ::Sleep(50);
            if (steps == before) {
                return true;
            }
        }
        return false;
    }
};

bool Ended(const IWorker& worker)
{
    return ::WaitForSingleObject(worker.Thread(), kPatience) == WAIT_OBJECT_0;
}

// A message-only window of the calling thread that counts what it receives.
class CountingWindow {
public:
    CountingWindow()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &Procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"ClonariumWorkerTestWindow";
        ::RegisterClassW(&windowClass); // fails harmlessly when already registered
        window_ = ::CreateWindowExW(
            0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, this);
    }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;
    ~CountingWindow() { ::DestroyWindow(window_); }

    HWND Handle() const { return window_; }
    std::atomic<int> received = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        } else if (message == WM_APP) {
            ++reinterpret_cast<CountingWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA))->received;
            return 1;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
};

} // namespace

TEST(IControlCallback, PauseBlocksAtTheNextPausePointResumeGoesOnStopEnds)
{
    StepLoop loop;
    FunctionWorker worker([&](FunctionWorker&) { loop.Run(); });
    ASSERT_NE(worker.Start(THREAD_PRIORITY_NORMAL), 0u);
    ASSERT_TRUE(loop.Advances());

    loop.callback.Pause();
    EXPECT_TRUE(loop.callback.IsPaused());
    ASSERT_TRUE(loop.StandsStill());
    EXPECT_FALSE(loop.canceled);

    loop.callback.Resume();
    EXPECT_FALSE(loop.callback.IsPaused());
    EXPECT_TRUE(loop.Advances());

    loop.callback.Stop();
    EXPECT_TRUE(loop.callback.WasCanceled());
    ASSERT_TRUE(Ended(worker));
    EXPECT_TRUE(loop.canceled);
    EXPECT_EQ(::WaitForSingleObject(loop.callback.FinishedEvent(), 0), WAIT_OBJECT_0);
}

TEST(IControlCallback, StopWhilePausedWakesTheBlockedWorker)
{
    StepLoop loop;
    FunctionWorker worker([&](FunctionWorker&) { loop.Run(); });
    ASSERT_NE(worker.Start(THREAD_PRIORITY_NORMAL), 0u);
    ASSERT_TRUE(loop.Advances());
    loop.callback.Pause();
    ASSERT_TRUE(loop.StandsStill());

    loop.callback.Stop();
    ASSERT_TRUE(Ended(worker));
    EXPECT_TRUE(loop.canceled);
    worker.WaitForFinish();
}

TEST(IControlCallback, AStopBeforeTheWorkerBeganIsForgotten)
{
    ControlCallback callback;
    callback.Stop();
    EXPECT_TRUE(callback.IsCanceled());
    EXPECT_EQ(::WaitForSingleObject(callback.FinishedEvent(), 0), WAIT_OBJECT_0); // idle: finished

    callback.OnStarted();
    EXPECT_FALSE(callback.WasCanceled());
    EXPECT_FALSE(callback.IsCanceled());
    EXPECT_EQ(::WaitForSingleObject(callback.FinishedEvent(), 0), WAIT_TIMEOUT); // running

    // OnStarted also un-pauses, so a pause left over cannot block the new run.
    callback.Pause();
    callback.OnStarted();
    EXPECT_FALSE(callback.IsCanceled());
    callback.Stop();
    EXPECT_TRUE(callback.IsCanceled());
    EXPECT_TRUE(callback.IsCanceled()); // and it stays so
}

// While paused, the worker still handles messages sent or posted to its
// windows, several arriving at once included.
TEST(IControlCallback, APausedWorkerDispatchesItsMessages)
{
    ControlCallback callback;
    std::atomic<CountingWindow*> window = nullptr;
    std::atomic<bool> paused = false;
    std::atomic<bool> canceled = false;
    FunctionWorker worker([&](FunctionWorker&) {
        CountingWindow own;
        callback.OnStarted();
        window = &own;
        WaitUntil([&] { return paused.load(); });
        canceled = callback.IsCanceled(); // blocks until the stop
        window = nullptr;
    });
    ASSERT_NE(worker.Start(THREAD_PRIORITY_NORMAL), 0u);
    WaitUntil([&] { return window != nullptr; });
    CountingWindow* own = window;
    ASSERT_NE(own, nullptr);
    callback.Pause();
    paused = true;

    DWORD_PTR answer = 0;
    EXPECT_NE(::SendMessageTimeoutW(own->Handle(), WM_APP, 0, 0, SMTO_NORMAL, kPatience, &answer), 0);
    EXPECT_EQ(answer, 1u);
    for (int i = 0; i < 3; ++i) {
        ::PostMessageW(own->Handle(), WM_APP, 0, 0);
    }
    WaitUntil([&] { return own->received >= 4; });
    EXPECT_EQ(own->received, 4);
    EXPECT_FALSE(canceled);

    callback.Stop();
    ASSERT_TRUE(Ended(worker));
    EXPECT_TRUE(canceled);
}

TEST(IWorker, WaitForFinishDispatchesMessagesUntilTheThreadEnds)
{
    CountingWindow window;
    std::atomic<LRESULT> sent = 0;
    FunctionWorker worker([&](FunctionWorker&) {
        DWORD_PTR answer = 0;
        sent = ::SendMessageTimeoutW(window.Handle(), WM_APP, 0, 0, SMTO_NORMAL, kPatience, &answer);
    });
    ASSERT_NE(worker.Start(THREAD_PRIORITY_NORMAL), 0u);
    worker.WaitForFinish();
    EXPECT_NE(sent, 0) << "the waiting thread did not handle the worker's message";
    EXPECT_EQ(window.received, 1);
    EXPECT_EQ(::WaitForSingleObject(worker.Thread(), 0), WAIT_OBJECT_0);

    // The thread has ended: returns at once, without waiting out any timeout.
    const ULONGLONG start = ::GetTickCount64();
    worker.WaitForFinish();
    EXPECT_LT(::GetTickCount64() - start, 500u);
}

// A quit request taken from the queue while waiting is left for the
// thread's own message loop.
TEST(IWorker, WaitForFinishKeepsAQuitRequestForTheMessageLoop)
{
    FunctionWorker worker([](FunctionWorker&) { ::Sleep(200); });
    ::PostQuitMessage(7);
    ASSERT_NE(worker.Start(THREAD_PRIORITY_NORMAL), 0u);
    worker.WaitForFinish();
    MSG msg{};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(IWorker, WaitForFinishWithoutAThreadReturns)
{
    FunctionWorker worker([](FunctionWorker&) {});
    EXPECT_EQ(worker.Thread(), nullptr);
    const ULONGLONG start = ::GetTickCount64();
    worker.WaitForFinish();
    EXPECT_LT(::GetTickCount64() - start, 500u);
}

TEST(IWorker, EachStartClearsTheStopRequestAndReplacesTheThread)
{
    std::atomic<int> runs = 0;
    std::atomic<bool> stopSeenAtStart = true;
    FunctionWorker worker([&](FunctionWorker& self) {
        stopSeenAtStart = self.IsStopRequested();
        ++runs;
        WaitUntil([&] { return self.IsStopRequested(); });
    });
    worker.RequestStop();
    const DWORD first = worker.Start(THREAD_PRIORITY_NORMAL);
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(WaitUntil([&] { return runs == 1; }));
    EXPECT_FALSE(stopSeenAtStart);
    worker.RequestStop();
    worker.WaitForFinish();
    ASSERT_TRUE(Ended(worker));

    stopSeenAtStart = true;
    const DWORD second = worker.Start(THREAD_PRIORITY_NORMAL);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(::GetThreadId(worker.Thread()), second);
    ASSERT_TRUE(WaitUntil([&] { return runs == 2; }));
    worker.RequestStop();
    worker.WaitForFinish();
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(stopSeenAtStart);
}

TEST(IWorker, StartsAtTheGivenPriorityAndChangesItWithoutRestarting)
{
    StepLoop loop;
    FunctionWorker worker([&](FunctionWorker&) { loop.Run(); });
    const DWORD id = worker.Start(THREAD_PRIORITY_ABOVE_NORMAL);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(::GetThreadPriority(worker.Thread()), THREAD_PRIORITY_ABOVE_NORMAL);

    ASSERT_TRUE(worker.SetPriority(THREAD_PRIORITY_LOWEST));
    EXPECT_EQ(::GetThreadPriority(worker.Thread()), THREAD_PRIORITY_LOWEST);
    EXPECT_EQ(::GetThreadId(worker.Thread()), id);
    EXPECT_TRUE(loop.Advances(1));

    loop.callback.Stop();
    ASSERT_TRUE(Ended(worker));
}
