#pragma once
// Worker threads and the pause, stop and finished signals shared by a worker
// and the dialog that drives it.
#include "system/Handles.h"

#include <windows.h>

#include <atomic>
#include <mutex>

namespace vandrelcommon::system {

// Base of every worker: owns the thread that runs `Run`. The owner waits for
// the thread (WaitForFinish) before it destroys the worker.
class IWorker {
public:
    IWorker();
    IWorker(const IWorker&) = delete;
    IWorker& operator=(const IWorker&) = delete;
    virtual ~IWorker() = default;

    // The work, executed on the worker thread.
    virtual void Run() = 0;
    // Returns at once when no thread was started or it has ended; otherwise
    // waits for it, dispatching the calling thread's window messages meanwhile.
    virtual void WaitForFinish();

    // Starts `Run` on a new thread with `priority` (a THREAD_PRIORITY_* value;
    // 0 leaves the default). Returns the thread identifier, 0 when no thread
    // could be created.
    DWORD Start(int priority);
    // Changes the running thread's priority without restarting it.
    bool SetPriority(int priority) const;
    // Asks the running work to end early; the work tests IsStopRequested.
    void RequestStop();

    HANDLE Thread() const { return thread_.Get(); }

protected:
    bool IsStopRequested() const;
    // Waits up to `milliseconds` for a stop request; true when one came.
    bool WaitForStopRequest(DWORD milliseconds) const;

private:
    static unsigned __stdcall ThreadMain(void* worker);

    KernelHandle stopEvent_;
    KernelHandle thread_;
};

// Base of every progress callback. The worker calls OnStarted, IsCanceled and
// OnFinished; the dialog calls Pause, Resume and Stop from its own thread.
class IControlCallback {
public:
    IControlCallback();
    IControlCallback(const IControlCallback&) = delete;
    IControlCallback& operator=(const IControlCallback&) = delete;
    virtual ~IControlCallback() = default;

    // First call of an operation on the worker thread: forgets a stop that was
    // requested before the worker began, and un-pauses.
    virtual void OnStarted();
    // The worker's only pause point: blocks while paused (dispatching window
    // messages of the calling thread), then tells whether a stop was requested.
    virtual bool IsCanceled();
    virtual void OnFinished();

    // Driven by the dialog on the interface thread.
    void Pause();
    void Resume();
    void Stop();

    bool IsPaused() const { return paused_; }
    bool WasCanceled() const { return canceled_; }
    HANDLE FinishedEvent() const { return finishedEvent_.Get(); }

private:
    // Sets or resets the run and stop events; keeps `running_` in step.
    void SignalRun(bool set);
    void SignalStop(bool set);
    bool WaitWhilePaused();

    KernelHandle runEvent_;      // not signalled: paused
    KernelHandle stopEvent_;     // signalled: a stop was requested
    KernelHandle finishedEvent_; // not signalled while an operation runs
    std::atomic<bool> canceled_ = false;
    std::atomic<bool> paused_ = false;

    // IsCanceled runs before every directory entry and after every read, and a
    // kernel wait can cost a round trip to another process (Wine's server). So
    // the events' state is mirrored here: while the run event is set and the
    // stop event clear, IsCanceled answers false without waiting. Every change
    // of either event goes through SignalRun/SignalStop under the lock, so the
    // mirror never disagrees with the events once a change is done.
    std::mutex signalLock_;
    bool runSet_ = true;
    bool stopSet_ = false;
    std::atomic<bool> running_ = true;
};

} // namespace vandrelcommon::system
