#include "system/Worker.h"

#include <process.h>

namespace vandrelcommon::system {

namespace {

HANDLE CreateManualResetEvent(bool signalled)
{
    return ::CreateEventW(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr);
}

bool IsSignalled(HANDLE event)
{
    return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// Dispatches the calling thread's messages while it waits. A WM_QUIT taken
// from the queue is posted again when the wait is over, so that the thread's
// own message loop still sees it.
class WaitingMessagePump {
public:
    WaitingMessagePump() = default;
    WaitingMessagePump(const WaitingMessagePump&) = delete;
    WaitingMessagePump& operator=(const WaitingMessagePump&) = delete;
    ~WaitingMessagePump()
    {
        if (quit_) {
            ::PostQuitMessage(exitCode_);
        }
    }

    // Waits for one of `handles` or for a message; returns what
    // MsgWaitForMultipleObjectsEx returned. Messages already in the queue
    // count too, not only those that arrive during the wait.
    DWORD Wait(DWORD count, const HANDLE* handles)
    {
        return ::MsgWaitForMultipleObjectsEx(count, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }

    bool DispatchOne()
    {
        MSG msg;
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            return false;
        }
        if (msg.message == WM_QUIT) {
            quit_ = true;
            exitCode_ = static_cast<int>(msg.wParam);
        } else {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        return true;
    }

    void DispatchAll()
    {
        while (DispatchOne()) {
        }
    }

private:
    bool quit_ = false;
    int exitCode_ = 0;
};

} // namespace

IWorker::IWorker() : stopEvent_(CreateManualResetEvent(false))
{ }

unsigned __stdcall IWorker::ThreadMain(void* worker)
{
    static_cast<IWorker*>(worker)->Run();
    return 0;
}

DWORD IWorker::Start(int priority)
{
    ::ResetEvent(stopEvent_.Get());
    thread_.Reset();
    unsigned id = 0;
    // _beginthreadex rather than CreateThread: the thread uses the C runtime.
    thread_.Reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &ThreadMain, this, CREATE_SUSPENDED, &id)));
    if (!thread_) {
        return 0;
    }
    if (priority != THREAD_PRIORITY_NORMAL) {
        ::SetThreadPriority(thread_.Get(), priority);
    }
    ::ResumeThread(thread_.Get());
    return id;
}

bool IWorker::SetPriority(int priority) const
{
    return thread_ && ::SetThreadPriority(thread_.Get(), priority) != FALSE;
}

void IWorker::RequestStop()
{
    ::SetEvent(stopEvent_.Get());
}

bool IWorker::IsStopRequested() const
{
    return IsSignalled(stopEvent_.Get());
}

bool IWorker::WaitForStopRequest(DWORD milliseconds) const
{
    return ::WaitForSingleObject(stopEvent_.Get(), milliseconds) == WAIT_OBJECT_0;
}

void IWorker::WaitForFinish()
{
    if (!thread_) {
        return;
    }
    const HANDLE thread = thread_.Get();
    WaitingMessagePump pump;
    while (pump.Wait(1, &thread) == WAIT_OBJECT_0 + 1) {
        pump.DispatchAll();
    }
}

IControlCallback::IControlCallback()
    : runEvent_(CreateManualResetEvent(true)),
      stopEvent_(CreateManualResetEvent(false)),
      finishedEvent_(CreateManualResetEvent(true))
{ }

void IControlCallback::SignalRun(bool set)
{
    std::lock_guard lock(signalLock_);
    if (set) {
        ::SetEvent(runEvent_.Get());
    } else {
        ::ResetEvent(runEvent_.Get());
    }
    runSet_ = set;
    running_ = runSet_ && !stopSet_;
}

void IControlCallback::SignalStop(bool set)
{
    std::lock_guard lock(signalLock_);
    if (set) {
        ::SetEvent(stopEvent_.Get());
    } else {
        ::ResetEvent(stopEvent_.Get());
    }
    stopSet_ = set;
    running_ = runSet_ && !stopSet_;
}

void IControlCallback::OnStarted()
{
    canceled_ = false;
    ::ResetEvent(finishedEvent_.Get());
    SignalStop(false);
    SignalRun(true);
}

bool IControlCallback::IsCanceled()
{
    if (running_) {
        return false;
    }
    return WaitWhilePaused();
}

bool IControlCallback::WaitWhilePaused()
{
    const HANDLE events[] = {runEvent_.Get(), stopEvent_.Get()};
    WaitingMessagePump pump;
    for (;;) {
        const DWORD woken = pump.Wait(2, events);
        if (woken == WAIT_OBJECT_0) {
            return IsSignalled(stopEvent_.Get());
        }
        if (woken != WAIT_OBJECT_0 + 2) {
            return true; // the stop event, or the events are gone: nothing to wait for
        }
        pump.DispatchOne();
    }
}

void IControlCallback::OnFinished()
{
    ::SetEvent(finishedEvent_.Get());
}

// The flags are set after the events, so that whoever sees them set also
// sees the worker's next IsCanceled answer accordingly.
void IControlCallback::Pause()
{
    SignalRun(false);
    paused_ = true;
}

void IControlCallback::Resume()
{
    paused_ = false;
    SignalRun(true);
}

void IControlCallback::Stop()
{
    SignalStop(true);
    canceled_ = true;
}

} // namespace vandrelcommon::system
