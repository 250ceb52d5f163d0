#include "ui/framework/Window.h"

#include "ui/framework/Module.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace vandrelcommon::ui {

namespace {

// The bound objects by window. Every message looks its window up here; a
// window property would do as well, but reading one is a round trip to the
// server under Wine (about 8 us, a tenth of a tree view's whole answer).
class BoundWindows {
public:
    // Never destroyed: windows may still get messages while statics go.
    static BoundWindows& Instance()
    {
        static BoundWindows* windows = new BoundWindows;
        return *windows;
    }
    CWindowBase* Find(HWND window)
    {
        std::lock_guard lock(mutex_);
        const auto found = objects_.find(window);
        return found == objects_.end() ? nullptr : found->second;
    }
    void Set(HWND window, CWindowBase* object)
    {
        std::lock_guard lock(mutex_);
        objects_[window] = object;
    }
    void Remove(HWND window, const CWindowBase* object)
    {
        std::lock_guard lock(mutex_);
        if (const auto found = objects_.find(window); found != objects_.end() && found->second == object) {
            objects_.erase(found);
        }
    }

private:
    std::mutex mutex_;
    std::unordered_map<HWND, CWindowBase*> objects_;
};

struct PendingObject {
    CWindowBase* object = nullptr;
    int kind = 0;
};
thread_local PendingObject pending;

} // namespace

bool CWindow::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) const
{
    const DWORD style = GetStyle();
    const DWORD changed = (style & ~remove) | add;
    if (changed == style) {
        return false;
    }
    ::SetWindowLongPtrW(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(changed));
    if (swpFlags != 0) {
        ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    }
    return true;
}

RECT CWindow::GetClientRect() const
{
    RECT rect{};
    ::GetClientRect(hwnd_, &rect);
    return rect;
}

RECT CWindow::GetWindowRect() const
{
    RECT rect{};
    ::GetWindowRect(hwnd_, &rect);
    return rect;
}

RECT CWindow::GetRectInParent() const
{
    RECT rect = GetWindowRect();
    ::MapWindowPoints(nullptr, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring CWindow::GetText() const
{
    const int length = ::GetWindowTextLengthW(hwnd_);
    if (length <= 0) {
        return {};
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int copied = ::GetWindowTextW(hwnd_, buffer.data(), length + 1);
    return std::wstring(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

bool CWindow::CenterWindow(HWND reference) const
{
    const RECT own = GetWindowRect();
    const bool child = (GetStyle() & WS_CHILD) != 0;
    const HWND parent = child ? ::GetParent(hwnd_) : nullptr;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(
        ::MonitorFromWindow(reference != nullptr ? reference : hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT area = monitor.rcWork;
    RECT around = area;
    if (child) {
        ::GetClientRect(parent, &area);
        around = area;
        if (reference != nullptr && reference != parent) {
            ::GetWindowRect(reference, &around);
            ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&around), 2);
        }
    } else if (reference != nullptr) {
        ::GetWindowRect(reference, &around);
    }
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    int x = (around.left + around.right - width) / 2;
    int y = (around.top + around.bottom - height) / 2;
    if (!child) {
        // Keep the caption reachable on the work area.
        if (x + width > area.right) {
            x = area.right - width;
        }
        if (y + height > area.bottom) {
            y = area.bottom - height;
        }
        if (x < area.left) {
            x = area.left;
        }
        if (y < area.top) {
            y = area.top;
        }
    }
    return ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

CWindowBase* CWindowBase::FromHandle(HWND window)
{
    if (window == nullptr) {
        return nullptr;
    }
    return BoundWindows::Instance().Find(window);
}

CWindowBase::CreationScope::CreationScope(CWindowBase* object, Kind kind)
{
    pending.object = object;
    pending.kind = static_cast<int>(kind);
}

CWindowBase::CreationScope::~CreationScope()
{
    pending.object = nullptr;
}

CWindowBase* CWindowBase::TakePending(HWND window, Kind kind)
{
    if (pending.object == nullptr || pending.kind != static_cast<int>(kind)) {
        return nullptr;
    }
    CWindowBase* object = pending.object;
    pending.object = nullptr;
    return object->Bind(window) ? object : nullptr;
}

bool CWindowBase::Bind(HWND window)
{
    if (!::IsWindow(window)) {
        return false;
    }
    BoundWindows::Instance().Set(window, this);
    hwnd_ = window;
    finalPending_ = false;
    return true;
}

void CWindowBase::Unbind()
{
    if (hwnd_ != nullptr) {
        BoundWindows::Instance().Remove(hwnd_, this);
        hwnd_ = nullptr;
    }
}

void CWindowBase::LeaveDispatch(HWND window)
{
    if (--dispatchDepth_ == 0 && finalPending_) {
        finalPending_ = false;
        OnFinalMessage(window);
    }
}

HWND NotifyingControl(const Message& msg)
{
    switch (msg.message) {
    case WM_COMMAND:
        return reinterpret_cast<HWND>(msg.lParam);
    case WM_NOTIFY:
        return reinterpret_cast<NMHDR*>(msg.lParam)->hwndFrom;
    case WM_DRAWITEM:
        return msg.wParam != 0 ? reinterpret_cast<DRAWITEMSTRUCT*>(msg.lParam)->hwndItem : nullptr;
    case WM_MEASUREITEM:
        return msg.wParam != 0
                   ? ::GetDlgItem(msg.window, static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(msg.lParam)->CtlID))
                   : nullptr;
    case WM_COMPAREITEM:
        return reinterpret_cast<COMPAREITEMSTRUCT*>(msg.lParam)->hwndItem;
    case WM_DELETEITEM:
        return reinterpret_cast<DELETEITEMSTRUCT*>(msg.lParam)->hwndItem;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<HWND>(msg.lParam);
    default:
        return nullptr;
    }
}

bool ReflectNotification(Message& msg)
{
    const HWND child = NotifyingControl(msg);
    CWindowBase* control = CWindowBase::FromHandle(child);
    if (control == nullptr || child == msg.window) {
        return false;
    }
    Message reflected{child, kReflectedMessageBase + msg.message, msg.wParam, msg.lParam};
    if (!control->ProcessWindowMessage(reflected)) {
        return false;
    }
    msg.result = reflected.result;
    return true;
}

bool PassNotificationOn(Message& msg)
{
    if (NotifyingControl(msg) == nullptr) {
        return false;
    }
    if (ReflectNotification(msg)) {
        return true;
    }
    const HWND parent = ::GetParent(msg.window);
    if (parent == nullptr || (::GetWindowLongPtrW(msg.window, GWL_STYLE) & WS_CHILD) == 0) {
        return false;
    }
    msg.result = ::SendMessageW(parent, msg.message, msg.wParam, msg.lParam);
    return true;
}

CWindowImpl::~CWindowImpl()
{
    if (hwnd_ == nullptr) {
        return;
    }
    if (subclassed_) {
        if (UnsubclassWindow() == nullptr) {
            Unbind();
        }
        return;
    }
    // Messages of the dying window must not reach a half-destroyed object.
    HWND window = hwnd_;
    Unbind();
    ::DestroyWindow(window);
}

HWND CWindowImpl::Create(
    HWND parent, const RECT& rect, const wchar_t* text, DWORD style, DWORD exStyle, HMENU menuOrId, void* createParam)
{
    if (hwnd_ != nullptr) {
        return nullptr;
    }
    WNDPROC baseProcedure = nullptr;
    const ATOM atom = AppModule().RegisterWindowClass(GetWindowClass(), WindowProc, baseProcedure);
    if (atom == 0) {
        return nullptr;
    }
    defaultProc_ = baseProcedure;
    subclassed_ = false;
    HWND window = nullptr;
    {
        CreationScope scope(this, Kind::Window);
        window = ::CreateWindowExW(exStyle, MAKEINTATOM(atom), text, style, rect.left, rect.top, rect.right - rect.left,
            rect.bottom - rect.top, parent, menuOrId, AppModule().Instance(), createParam);
    }
    if (window != nullptr && hwnd_ != window) {
        ::DestroyWindow(window);
        ::SetLastError(ERROR_OUTOFMEMORY);
        return nullptr;
    }
    return window;
}

bool CWindowImpl::SubclassWindow(HWND window)
{
    if (hwnd_ != nullptr || window == nullptr || !::IsWindow(window) || FromHandle(window) != nullptr) {
        return false;
    }
    if (!Bind(window)) {
        return false;
    }
    const auto previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindowImpl::WindowProc)));
    if (previous == nullptr) {
        Unbind();
        return false;
    }
    defaultProc_ = previous;
    subclassed_ = true;
    return true;
}

HWND CWindowImpl::UnsubclassWindow()
{
    if (hwnd_ == nullptr || !subclassed_) {
        return nullptr;
    }
    const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC));
    if (current != &CWindowImpl::WindowProc) {
        return nullptr;
    }
    ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc_));
    HWND window = hwnd_;
    Unbind();
    defaultProc_ = ::DefWindowProcW;
    subclassed_ = false;
    return window;
}

LRESULT CALLBACK CWindowImpl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = static_cast<CWindowImpl*>(FromHandle(window));
    if (self == nullptr) {
        self = static_cast<CWindowImpl*>(TakePending(window, Kind::Window));
    }
    if (self == nullptr) {
        // A window without its object (binding failed, or the object let go
        // while another procedure sat on top of ours): the class's handling.
        WNDPROC procedure = AppModule().BaseProcedure(static_cast<ATOM>(::GetClassWord(window, GCW_ATOM)));
        if (procedure == nullptr) {
            procedure = reinterpret_cast<WNDPROC>(::GetClassLongPtrW(window, GCLP_WNDPROC));
        }
        if (procedure == nullptr || procedure == &CWindowImpl::WindowProc) {
            procedure = ::DefWindowProcW;
        }
        return ::CallWindowProcW(procedure, window, message, wParam, lParam);
    }

    self->EnterDispatch();
    Message msg{window, message, wParam, lParam};
    const WNDPROC defaultProc = self->defaultProc_;
    LRESULT result = 0;
    if (self->ProcessWindowMessage(msg)) {
        result = msg.result;
    } else {
        result = ::CallWindowProcW(defaultProc, window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY && self->hwnd_ == window) {
        if (self->subclassed_ &&
            reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_WNDPROC)) == &CWindowImpl::WindowProc) {
            ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc));
        }
        self->Unbind();
        self->subclassed_ = false;
        self->defaultProc_ = ::DefWindowProcW;
        self->MarkDestroyed();
    }
    self->LeaveDispatch(window);
    return result;
}

} // namespace vandrelcommon::ui
