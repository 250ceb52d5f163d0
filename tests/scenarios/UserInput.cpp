#include "tests/scenarios/UserInput.h"

#include "ui/framework/MessageLoop.h"
#include "ui/framework/Module.h"

#include <vector>

namespace {

bool IsExtended(WORD key)
{
    switch (key) {
    case VK_DELETE:
    case VK_INSERT:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_APPS:
        return true;
    default:
        return false;
    }
}

INPUT KeyInput(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtended(key) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

INPUT MouseInput(DWORD flags, POINT screen)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ::MulDiv(screen.x, 65536, ::GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = ::MulDiv(screen.y, 65536, ::GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    return input;
}

void Send(std::vector<INPUT>& inputs)
{
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void DispatchWaiting()
{
    vandrelcommon::ui::CMessageLoop* loop = vandrelcommon::ui::AppModule().GetMessageLoop();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (loop == nullptr || !loop->PreTranslateMessage(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

} // namespace

void SendKey(WORD key, std::initializer_list<WORD> held)
{
    std::vector<INPUT> inputs;
    for (const WORD modifier : held) {
        inputs.push_back(KeyInput(modifier, false));
    }
    inputs.push_back(KeyInput(key, false));
    inputs.push_back(KeyInput(key, true));
    for (auto it = std::rbegin(held); it != std::rend(held); ++it) {
        inputs.push_back(KeyInput(*it, true));
    }
    Send(inputs);
}

void SendText(const std::wstring& text)
{
    std::vector<INPUT> inputs;
    for (const wchar_t c : text) {
        for (const bool up : {false, true}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            inputs.push_back(input);
        }
    }
    Send(inputs);
}

void SendClick(HWND window, POINT client, bool right, bool twice)
{
    POINT screen = client;
    ::ClientToScreen(window, &screen);
    std::vector<INPUT> inputs{MouseInput(MOUSEEVENTF_MOVE, screen)};
    for (int click = 0; click < (twice ? 2 : 1); ++click) {
        inputs.push_back(MouseInput(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, screen));
        inputs.push_back(MouseInput(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, screen));
    }
    Send(inputs);
}

void SendHover(HWND window, POINT client)
{
    POINT screen = client;
    ::ClientToScreen(window, &screen);
    // From a pixel beside it, so that the window sees the pointer move.
    std::vector<INPUT> inputs{
        MouseInput(MOUSEEVENTF_MOVE, POINT{screen.x - 1, screen.y}), MouseInput(MOUSEEVENTF_MOVE, screen)};
    Send(inputs);
}

bool RunLoopUntil(const std::function<bool()>& done, int patience)
{
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(patience);
    while (!done()) {
        if (::GetTickCount64() > end) {
            return false;
        }
        DispatchWaiting();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

void Settle()
{
    // Quiet for three rounds in a row: nothing waiting, nothing new.
    int quiet = 0;
    const ULONGLONG end = ::GetTickCount64() + 3000;
    while (quiet < 3 && ::GetTickCount64() < end) {
        const bool waiting = ::GetQueueStatus(QS_ALLINPUT) != 0;
        DispatchWaiting();
        quiet = waiting ? 0 : quiet + 1;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void PressKey(WORD key, std::initializer_list<WORD> held)
{
    SendKey(key, held);
    Settle();
}

void Click(HWND window, POINT client, bool right, bool twice)
{
    SendClick(window, client, right, twice);
    Settle();
}
