#pragma once
// Window classes: a thin handle wrapper, and windows whose messages go
// through a message map, made from a registered class, by subclassing an
// existing window, or by superclassing a system class.
#include "ui/framework/MessageMap.h"

#include <windows.h>

#include <string>

namespace vandrelcommon::ui {

// A window handle and the calls made on it; owns nothing.
class CWindow {
public:
    CWindow(HWND window = nullptr) : hwnd_(window) { }

    HWND Hwnd() const { return hwnd_; }
    operator HWND() const { return hwnd_; }
    bool IsWindow() const { return hwnd_ != nullptr && ::IsWindow(hwnd_); }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(hwnd_, message, wParam, lParam);
    }
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(hwnd_, message, wParam, lParam) != FALSE;
    }

    HWND GetParent() const { return ::GetParent(hwnd_); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(hwnd_); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)); }
    // Removes then adds style bits; true when the style changed.
    bool ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0) const;

    RECT GetClientRect() const;
    // The window's rectangle in screen coordinates.
    RECT GetWindowRect() const;
    // The window's rectangle in its parent's client coordinates.
    RECT GetRectInParent() const;
    bool SetWindowPos(HWND after, int x, int y, int width, int height, UINT flags) const
    {
        return ::SetWindowPos(hwnd_, after, x, y, width, height, flags) != FALSE;
    }
    bool MoveWindow(const RECT& rect, bool repaint = true) const
    {
        return ::MoveWindow(hwnd_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint) !=
               FALSE;
    }
    bool ShowWindow(int command) const { return ::ShowWindow(hwnd_, command) != FALSE; }
    bool IsVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
    bool EnableWindow(bool enable) const { return ::EnableWindow(hwnd_, enable) != FALSE; }
    bool IsEnabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
    HWND SetFocus() const { return ::SetFocus(hwnd_); }

    std::wstring GetText() const;
    bool SetText(const std::wstring& text) const { return ::SetWindowTextW(hwnd_, text.c_str()) != FALSE; }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, bool redraw = true) const
    {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }

    bool Invalidate(bool erase = true) const { return ::InvalidateRect(hwnd_, nullptr, erase) != FALSE; }
    bool UpdateWindow() const { return ::UpdateWindow(hwnd_) != FALSE; }
    void SetRedraw(bool redraw) const { SendMessage(WM_SETREDRAW, redraw); }

    // Centres the window on `reference`, or, without one, on the work area of
    // its monitor; it is kept inside that work area.
    bool CenterWindow(HWND reference = nullptr) const;
    // Converts a rectangle in dialog units of this dialog into pixels.
    bool MapDialogRect(RECT& rect) const { return ::MapDialogRect(hwnd_, &rect) != FALSE; }

    bool DestroyWindow() const { return ::DestroyWindow(hwnd_) != FALSE; }

protected:
    HWND hwnd_;
};

// A window whose messages are handled by this object's message map. Binding
// an object to its window and undoing it are shared by windows and dialogs.
class CWindowBase : public CWindow, public CMessageMap {
public:
    CWindowBase() = default;
    CWindowBase(const CWindowBase&) = delete;
    CWindowBase& operator=(const CWindowBase&) = delete;

    // The object bound to `window`, or null when it is none of ours.
    static CWindowBase* FromHandle(HWND window);

protected:
    // Called once the window is gone (after its last message); the object
    // may delete itself here.
    virtual void OnFinalMessage(HWND window) { (void)window; }

    enum class Kind { Window, Dialog };

    // While alive, the next new window of `kind` on this thread is bound to
    // `object` at its first message.
    class CreationScope {
    public:
        CreationScope(CWindowBase* object, Kind kind);
        ~CreationScope();
        CreationScope(const CreationScope&) = delete;
        CreationScope& operator=(const CreationScope&) = delete;
    };
    // The object waiting for a window of `kind` on this thread, bound now to
    // `window`; null when none waits or binding fails.
    static CWindowBase* TakePending(HWND window, Kind kind);

    bool Bind(HWND window);
    void Unbind();

    // Message dispatch around the map: counts nesting so that the final
    // message is delivered only after the outermost call has returned.
    void EnterDispatch() { ++dispatchDepth_; }
    // Delivers OnFinalMessage when the window is gone and this was the
    // outermost dispatch; the object must not be touched afterwards.
    void LeaveDispatch(HWND window);
    void MarkDestroyed() { finalPending_ = true; }

private:
    int dispatchDepth_ = 0;
    bool finalPending_ = false;
};

// What a window class is made of; `superclassOf` names a system class whose
// procedure handles whatever the message map leaves.
struct WindowClass {
    const wchar_t* name = L"vandrelcommon.ui.Window";
    const wchar_t* superclassOf = nullptr;
    UINT style = CS_DBLCLKS;
    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    const wchar_t* cursor = IDC_ARROW;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
};

class CWindowImpl : public CWindowBase {
public:
    CWindowImpl() = default;
    // A window made by Create is destroyed with its object; a subclassed one
    // is given back to its own procedure.
    ~CWindowImpl() override;

    // Registers the class of GetWindowClass (once per module) and creates a
    // window of it. Null on failure; when the window could not be bound to
    // this object it is not created and the error is ERROR_OUTOFMEMORY.
    HWND Create(HWND parent, const RECT& rect, const wchar_t* text, DWORD style, DWORD exStyle = 0,
        HMENU menuOrId = nullptr, void* createParam = nullptr);

    // Routes an existing window's messages through this object first.
    // False when the window is invalid or already bound to an object.
    bool SubclassWindow(HWND window);
    // Gives the window back its own procedure; null when another procedure
    // was installed on top of ours (the binding then stays).
    HWND UnsubclassWindow();

protected:
    virtual WindowClass GetWindowClass() const { return WindowClass{}; }
    // What the window would do with the message without this object.
    LRESULT DefaultProcedure(const Message& msg) const
    {
        return ::CallWindowProcW(defaultProc_, msg.window, msg.message, msg.wParam, msg.lParam);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC defaultProc_ = ::DefWindowProcW;
    bool subclassed_ = false;
};

} // namespace vandrelcommon::ui
