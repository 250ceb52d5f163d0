#include "engine/Worker.h"

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

void DispatchOneMessage()
{
    MSG msg;
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

} // namespace

IControlCallback::IControlCallback()
    : runEvent_(CreateManualResetEvent(true)),
      stopEvent_(CreateManualResetEvent(false)),
      finishedEvent_(CreateManualResetEvent(true))
{
}

void IControlCallback::OnStarted()
{
    canceled_ = false;
    ::ResetEvent(finishedEvent_.Get());
    ::ResetEvent(stopEvent_.Get());
    ::SetEvent(runEvent_.Get());
}

bool IControlCallback::IsCanceled()
{
    const HANDLE events[] = {runEvent_.Get(), stopEvent_.Get()};
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) {
            return IsSignalled(stopEvent_.Get());
        }
        if (woken == WAIT_OBJECT_0 + 1) {
            return true;
        }
        if (woken != WAIT_OBJECT_0 + 2) {
            return true; // the events are gone: nothing sensible to wait for
        }
        DispatchOneMessage();
    }
}

void IControlCallback::OnFinished()
{
    ::SetEvent(finishedEvent_.Get());
}

void IControlCallback::Pause()
{
    paused_ = true;
    ::ResetEvent(runEvent_.Get());
}

void IControlCallback::Resume()
{
    paused_ = false;
    ::SetEvent(runEvent_.Get());
}

void IControlCallback::Stop()
{
    canceled_ = true;
    ::SetEvent(stopEvent_.Get());
}

} // namespace vandrelcommon::system
