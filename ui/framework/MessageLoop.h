#pragma once
// The interface thread's message loop: idle handlers run while the queue is
// empty, and filters (accelerators, modeless dialogs) see every message
// before it is translated and dispatched.
#include <windows.h>

#include <vector>

namespace vandrelcommon::ui {

class IPreTranslateFilter {
public:
    virtual ~IPreTranslateFilter() = default;
    // True when the message was consumed and must not be dispatched.
    virtual bool PreTranslateMessage(MSG& msg) = 0;
};

class IIdleHandler {
public:
    virtual ~IIdleHandler() = default;
    // `idleCount` counts the calls since the last message; false when the
    // handler has nothing more to do until the next message.
    virtual bool OnIdle(int idleCount) = 0;
};

class CMessageLoop {
public:
    CMessageLoop() = default;
    CMessageLoop(const CMessageLoop&) = delete;
    CMessageLoop& operator=(const CMessageLoop&) = delete;

    void AddMessageFilter(IPreTranslateFilter* filter);
    void RemoveMessageFilter(IPreTranslateFilter* filter);
    void AddIdleHandler(IIdleHandler* handler);
    void RemoveIdleHandler(IIdleHandler* handler);

    // Runs until WM_QUIT and returns its exit code.
    int Run();

    // Filters, the latest added first; true when one consumed the message.
    bool PreTranslateMessage(MSG& msg);
    // One idle round: every handler with `idleCount`; true only when all of
    // them ask for more idle time.
    bool OnIdle(int idleCount);

private:
    // Messages after which idle processing starts again.
    static bool IsIdleMessage(const MSG& msg);

    std::vector<IPreTranslateFilter*> filters_;
    std::vector<IIdleHandler*> idleHandlers_;
};

} // namespace vandrelcommon::ui
