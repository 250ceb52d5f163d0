#pragma once
// Pause, stop and finished signals shared by a worker thread and the dialog
// that drives it.
#include "engine/Handles.h"

#include <windows.h>

#include <atomic>

namespace vandrelcommon::system {

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

protected:
    KernelHandle runEvent_;      // not signalled: paused
    KernelHandle stopEvent_;     // signalled: a stop was requested
    KernelHandle finishedEvent_; // not signalled while an operation runs
    std::atomic<bool> canceled_ = false;
    std::atomic<bool> paused_ = false;
};

} // namespace vandrelcommon::system
