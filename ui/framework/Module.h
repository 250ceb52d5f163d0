#pragma once
// The application module: the instance whose resources and window classes
// the framework uses, and the message loop of each interface thread.
#include <windows.h>

#include <map>
#include <mutex>
#include <string>

namespace vandrelcommon::ui {

class CMessageLoop;
struct WindowClass;

class CAppModule {
public:
    // Without Init the module is the executable.
    void Init(HINSTANCE instance);
    // Forgets the message loops and unregisters the window classes.
    void Term();

    HINSTANCE Instance() const;
    HINSTANCE ResourceInstance() const;
    void SetResourceInstance(HINSTANCE instance);

    // One loop per thread; false when the calling thread has one already.
    bool AddMessageLoop(CMessageLoop* loop);
    bool RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

    // Registers `windowClass` with `procedure` unless it is registered; a
    // superclass takes over its base's extra bytes, and `baseProcedure`
    // receives the base class's procedure (DefWindowProcW for a plain class).
    // Returns the class atom, 0 on failure.
    ATOM RegisterWindowClass(const WindowClass& windowClass, WNDPROC procedure, WNDPROC& baseProcedure);
    // The procedure behind one of our classes (by atom): the base class's for
    // a superclass, DefWindowProcW for a plain class; null when not ours.
    WNDPROC BaseProcedure(ATOM atom) const;

private:
    // The instance given to Init, or the executable's; called with the mutex held.
    HINSTANCE InstanceOrExecutable() const;

    struct RegisteredClass {
        ATOM atom = 0;
        WNDPROC baseProcedure = nullptr;
    };

    mutable std::mutex mutex_;
    HINSTANCE instance_ = nullptr;
    HINSTANCE resourceInstance_ = nullptr;
    std::map<DWORD, CMessageLoop*> loops_;
    std::map<std::wstring, RegisteredClass> classes_;
};

// The process's one module.
CAppModule& AppModule();

} // namespace vandrelcommon::ui
