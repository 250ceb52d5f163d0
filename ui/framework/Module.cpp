#include "ui/framework/Module.h"

#include "ui/framework/Window.h"

namespace vandrelcommon::ui {

CAppModule& AppModule()
{
    static CAppModule module;
    return module;
}

void CAppModule::Init(HINSTANCE instance)
{
    std::lock_guard lock(mutex_);
    instance_ = instance;
    resourceInstance_ = instance;
}

void CAppModule::Term()
{
    std::lock_guard lock(mutex_);
    loops_.clear();
    const HINSTANCE instance = InstanceOrExecutable();
    for (const auto& [name, registered] : classes_) {
        ::UnregisterClassW(MAKEINTATOM(registered.atom), instance);
    }
    classes_.clear();
}

HINSTANCE CAppModule::InstanceOrExecutable() const
{
    return instance_ != nullptr ? instance_ : ::GetModuleHandleW(nullptr);
}

HINSTANCE CAppModule::Instance() const
{
    std::lock_guard lock(mutex_);
    return InstanceOrExecutable();
}

HINSTANCE CAppModule::ResourceInstance() const
{
    std::lock_guard lock(mutex_);
    return resourceInstance_ != nullptr ? resourceInstance_ : InstanceOrExecutable();
}

void CAppModule::SetResourceInstance(HINSTANCE instance)
{
    std::lock_guard lock(mutex_);
    resourceInstance_ = instance;
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop)
{
    std::lock_guard lock(mutex_);
    return loop != nullptr && loops_.emplace(::GetCurrentThreadId(), loop).second;
}

bool CAppModule::RemoveMessageLoop()
{
    std::lock_guard lock(mutex_);
    return loops_.erase(::GetCurrentThreadId()) != 0;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const
{
    std::lock_guard lock(mutex_);
    const auto found = loops_.find(threadId);
    return found == loops_.end() ? nullptr : found->second;
}

ATOM CAppModule::RegisterWindowClass(const WindowClass& windowClass, WNDPROC procedure, WNDPROC& baseProcedure)
{
    std::lock_guard lock(mutex_);
    if (const auto found = classes_.find(windowClass.name); found != classes_.end()) {
        baseProcedure = found->second.baseProcedure;
        return found->second.atom;
    }
    const HINSTANCE instance = InstanceOrExecutable();
    WNDCLASSEXW description{};
    description.cbSize = sizeof(description);
    if (windowClass.superclassOf != nullptr) {
        if (!::GetClassInfoExW(nullptr, windowClass.superclassOf, &description)) {
            return 0;
        }
        baseProcedure = description.lpfnWndProc;
    } else {
        description.style = windowClass.style;
        description.hbrBackground = windowClass.background;
        description.hCursor = windowClass.cursor != nullptr ? ::LoadCursorW(nullptr, windowClass.cursor) : nullptr;
        description.hIcon = windowClass.icon;
        description.hIconSm = windowClass.smallIcon;
        baseProcedure = ::DefWindowProcW;
    }
    description.lpfnWndProc = procedure;
    description.hInstance = instance;
    description.lpszClassName = windowClass.name;
    // A superclass keeps everything of its base but the name and procedure.
    description.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
    const ATOM atom = ::RegisterClassExW(&description);
    if (atom == 0) {
        return 0;
    }
    classes_.emplace(windowClass.name, RegisteredClass{atom, baseProcedure});
    return atom;
}

WNDPROC CAppModule::BaseProcedure(ATOM atom) const
{
    std::lock_guard lock(mutex_);
    for (const auto& [name, registered] : classes_) {
        if (registered.atom == atom) {
            return registered.baseProcedure;
        }
    }
    return nullptr;
}

} // namespace vandrelcommon::ui
