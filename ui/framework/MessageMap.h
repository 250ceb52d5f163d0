#pragma once
// One message map per class: a chain of handler entries written with the
// macros below, ending in the base class and in owned objects.
//
//   BEGIN_MESSAGE_MAP()
//       ON_MESSAGE(WM_SIZE, OnSize)
//       ON_COMMAND(ID_SAVE, OnSave)
//       ON_NOTIFY(IDC_TREE, NM_CLICK, OnTreeClick)
//       CHAIN_TO_MEMBER(toolbar_)
//       CHAIN_TO_BASE(CFrameWindow)
//   END_MESSAGE_MAP()
//
// Every handler has the form `LRESULT Handler(Message& msg)`. An entry that
// matches calls it and stops the map; a handler that clears msg.handled lets
// the message go on to the following entries and, at the end, to the default
// procedure of the window.
#include <windows.h>
#include <commctrl.h>

namespace vandrelcommon::ui {

// A parent sends a control's own notifications back to it under this offset,
// so that a control class can handle what it reports (owner drawing, clicks).
constexpr UINT kReflectedMessageBase = WM_USER + 0x1c00;

struct Message {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool handled = true;

    WORD CommandId() const { return LOWORD(wParam); }
    WORD CommandCode() const { return HIWORD(wParam); }
    HWND CommandControl() const { return reinterpret_cast<HWND>(lParam); }
    NMHDR* Notification() const { return reinterpret_cast<NMHDR*>(lParam); }
    template <typename T>
    T* NotificationAs() const
    {
        return reinterpret_cast<T*>(lParam);
    }

    // The point of a mouse message (client coordinates, may be negative).
    POINT Point() const { return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

    // WM_CONTEXTMENU asked for from the keyboard (the menu key, Shift+F10):
    // its point is (-1, -1), whatever the width of lParam.
    bool IsKeyboardContextMenu() const { return static_cast<DWORD>(lParam) == 0xFFFFFFFFu; }

    bool IsCommand(UINT id) const { return message == WM_COMMAND && LOWORD(wParam) == id; }
    bool IsCommandInRange(UINT first, UINT last) const
    {
        return message == WM_COMMAND && LOWORD(wParam) >= first && LOWORD(wParam) <= last;
    }
    bool IsNotification(UINT_PTR id, UINT code) const
    {
        return message == WM_NOTIFY && Notification()->idFrom == id && Notification()->code == code;
    }
    bool IsNotificationCode(UINT code) const { return message == WM_NOTIFY && Notification()->code == code; }
    bool IsNotificationInRange(UINT_PTR first, UINT_PTR last, UINT code) const
    {
        return message == WM_NOTIFY && Notification()->idFrom >= first && Notification()->idFrom <= last &&
               Notification()->code == code;
    }
};

class CMessageMap {
public:
    virtual ~CMessageMap() = default;
    // True when the message was handled; its answer is then in msg.result.
    virtual bool ProcessWindowMessage(Message& msg)
    {
        (void)msg;
        return false;
    }
};

// Offers a control's notification (command, notify, owner drawing, scrolling,
// colours) to the control's own message map as kReflectedMessageBase + the
// message. True when the control handled it; its answer is in msg.result.
bool ReflectNotification(Message& msg);

// The control a notification comes from (command, notify, owner drawing,
// scrolling, colours); null for any other message, and for a command from a
// menu or an accelerator.
HWND NotifyingControl(const Message& msg);

// For a window that only holds others (a splitter, a pane holder): a
// control's notification is offered to the control itself, then passed on
// to this window's parent with its answer, so that it reaches the window
// that handles it however many holders stand between. True when the message
// was a notification.
bool PassNotificationOn(Message& msg);

} // namespace vandrelcommon::ui

#define BEGIN_MESSAGE_MAP()                                                                                            \
    bool ProcessWindowMessage(::vandrelcommon::ui::Message& msg) override                                              \
    {
#define END_MESSAGE_MAP()                                                                                              \
    return false;                                                                                                      \
    }

#define VC_CALL_HANDLER(handler)                                                                                       \
    {                                                                                                                  \
        msg.handled = true;                                                                                            \
        msg.result = handler(msg);                                                                                     \
        if (msg.handled) {                                                                                             \
            return true;                                                                                               \
        }                                                                                                              \
    }

#define ON_MESSAGE(message_, handler)                                                                                  \
    if (msg.message == static_cast<UINT>(message_))                                                                    \
    VC_CALL_HANDLER(handler)

#define ON_MESSAGE_RANGE(first, last, handler)                                                                         \
    if (msg.message >= static_cast<UINT>(first) && msg.message <= static_cast<UINT>(last))                             \
    VC_CALL_HANDLER(handler)

#define ON_COMMAND(id, handler)                                                                                        \
    if (msg.IsCommand(id))                                                                                             \
    VC_CALL_HANDLER(handler)

#define ON_COMMAND_CODE(id, code, handler)                                                                             \
    if (msg.IsCommand(id) && msg.CommandCode() == static_cast<WORD>(code))                                             \
    VC_CALL_HANDLER(handler)

#define ON_COMMAND_RANGE(first, last, handler)                                                                         \
    if (msg.IsCommandInRange(first, last))                                                                             \
    VC_CALL_HANDLER(handler)

#define ON_NOTIFY(id, code, handler)                                                                                   \
    if (msg.IsNotification(id, static_cast<UINT>(code)))                                                               \
    VC_CALL_HANDLER(handler)

#define ON_NOTIFY_CODE(code, handler)                                                                                  \
    if (msg.IsNotificationCode(static_cast<UINT>(code)))                                                               \
    VC_CALL_HANDLER(handler)

#define ON_NOTIFY_RANGE(first, last, code, handler)                                                                    \
    if (msg.IsNotificationInRange(first, last, static_cast<UINT>(code)))                                               \
    VC_CALL_HANDLER(handler)

// Entries of a control class for what its parent reflects back to it.
#define ON_REFLECTED_MESSAGE(message_, handler)                                                                        \
    ON_MESSAGE(::vandrelcommon::ui::kReflectedMessageBase + (message_), handler)

#define ON_REFLECTED_COMMAND_CODE(code, handler)                                                                       \
    if (msg.message == ::vandrelcommon::ui::kReflectedMessageBase + WM_COMMAND &&                                      \
        msg.CommandCode() == static_cast<WORD>(code))                                                                  \
    VC_CALL_HANDLER(handler)

#define ON_REFLECTED_NOTIFY_CODE(code_, handler)                                                                       \
    if (msg.message == ::vandrelcommon::ui::kReflectedMessageBase + WM_NOTIFY &&                                       \
        msg.Notification()->code == static_cast<UINT>(code_))                                                          \
    VC_CALL_HANDLER(handler)

#define CHAIN_TO_BASE(Base)                                                                                            \
    if (Base::ProcessWindowMessage(msg)) {                                                                             \
        return true;                                                                                                   \
    }

#define CHAIN_TO_MEMBER(member)                                                                                        \
    if ((member).ProcessWindowMessage(msg)) {                                                                          \
        return true;                                                                                                   \
    }

#define PASS_NOTIFICATIONS_ON()                                                                                        \
    if (::vandrelcommon::ui::PassNotificationOn(msg)) {                                                                \
        return true;                                                                                                   \
    }

#define REFLECT_NOTIFICATIONS()                                                                                        \
    if (::vandrelcommon::ui::ReflectNotification(msg)) {                                                               \
        return true;                                                                                                   \
    }
