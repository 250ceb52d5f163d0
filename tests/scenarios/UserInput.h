#pragma once
// A user's keyboard and mouse: input put into the system's queue, as typed
// and clicked, so that it reaches the window that has the focus or lies
// under the pointer, through the program's message loop and its filters.
// The calls that only send may come from any thread; those that wait for
// the input to be handled run this thread's message loop.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

// Presses and releases `key` while `held` (VK_SHIFT, VK_CONTROL, VK_MENU)
// are down.
void SendKey(WORD key, std::initializer_list<WORD> held = {});
// Types the characters of `text` as Unicode keystrokes.
void SendText(const std::wstring& text);
// A click at a point of `window`'s client area: the left button, or the
// right one; twice for a double click.
void SendClick(HWND window, POINT client, bool right = false, bool twice = false);
// The pointer moved onto a point of `window`'s client area and left there.
void SendHover(HWND window, POINT client);

// Runs this thread's message loop (its filters, then dispatch) until `done`
// or `patience` ms have passed; false on timeout.
bool RunLoopUntil(const std::function<bool()>& done, int patience = 10000);
// Runs the loop until the input sent so far has been handled and the
// windows have painted.
void Settle();

// SendKey or SendClick, then Settle.
void PressKey(WORD key, std::initializer_list<WORD> held = {});
void Click(HWND window, POINT client, bool right = false, bool twice = false);
