#pragma once
// Driving a dialog from a test as a user would: letting its messages run,
// and answering the question boxes it opens.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Dispatches this thread's messages until `done` or `patience` ms have passed.
inline bool PumpUntil(const std::function<bool()>& done, ULONGLONG patience = 10000)
{
    const ULONGLONG end = ::GetTickCount64() + patience;
    while (!done()) {
        if (::GetTickCount64() > end) {
            return false;
        }
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

// Answers the next question box titled `caption` (and, when given, whose
// message begins with `message`) with `button`, from a thread of its own, as
// a user would while the dialog waits for the answer.
class QuestionAnswerer {
public:
    explicit QuestionAnswerer(int button, std::wstring caption = L"Confirm", std::wstring message = {})
        : thread_([this, button, caption, message] {
              for (int waited = 0; waited < 10000; waited += 5) {
                  if (HWND box = Find(caption, message)) {
                      // A box may drop answers while it sounds its alert:
                      // say it again until the box has gone.
                      for (int tries = 0; tries < 40 && ::IsWindow(box); ++tries) {
                          ::PostMessageW(box, WM_COMMAND, button, 0);
                          answered = true;
                          ::Sleep(250);
                      }
                      return;
                  }
                  ::Sleep(5);
              }
          })
    { }
    QuestionAnswerer(const QuestionAnswerer&) = delete;
    QuestionAnswerer& operator=(const QuestionAnswerer&) = delete;
    ~QuestionAnswerer() { thread_.join(); }
    std::atomic<bool> answered = false;

private:
    static constexpr int kMessageText = 0xffff; // the id of a message box's text

    static HWND Find(const std::wstring& caption, const std::wstring& message)
    {
        HWND box = nullptr;
        while ((box = ::FindWindowExW(nullptr, box, L"#32770", caption.c_str())) != nullptr) {
            wchar_t text[256] = {};
            ::GetDlgItemTextW(box, kMessageText, text, 256);
            if (std::wstring(text).starts_with(message)) {
                return box;
            }
        }
        return nullptr;
    }

    std::thread thread_;
};

// Picks a command of the next menu that opens by its keys, and keeps the
// menu's texts.
class MenuChooser {
public:
    // The item at `index` (from 0) by the arrow keys and Enter; -1 closes
    // the menu with Escape.
    explicit MenuChooser(int index)
    {
        std::vector<WPARAM> keys(static_cast<size_t>(index + 1), VK_DOWN);
        keys.push_back(index < 0 ? VK_ESCAPE : VK_RETURN);
        Hook(std::move(keys));
    }
    // These keys, in order.
    explicit MenuChooser(std::vector<WPARAM> keys) { Hook(std::move(keys)); }
    ~MenuChooser() { ::UnhookWindowsHookEx(hook_); }
    MenuChooser(const MenuChooser&) = delete;
    MenuChooser& operator=(const MenuChooser&) = delete;

    const std::vector<std::wstring>& Texts() const { return texts_; }

private:
    static void Hook(std::vector<WPARAM> keys)
    {
        keys_ = std::move(keys);
        texts_.clear();
        hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, OnMessage, nullptr, ::GetCurrentThreadId());
    }

    static LRESULT CALLBACK OnMessage(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->message == WM_INITMENUPOPUP && texts_.empty()) {
            const auto menu = reinterpret_cast<HMENU>(sent->wParam);
            for (int item = 0; item < ::GetMenuItemCount(menu); ++item) {
                wchar_t text[128] = {};
                ::GetMenuStringW(menu, static_cast<UINT>(item), text, 128, MF_BYPOSITION);
                texts_.push_back(text);
            }
            for (const WPARAM key : keys_) {
                ::PostMessageW(sent->hwnd, WM_KEYDOWN, key, 0);
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline HHOOK hook_ = nullptr;
    static inline std::vector<WPARAM> keys_;
    static inline std::vector<std::wstring> texts_;
};

// Runs `act` from a thread of its own on the first visible dialog that has a
// control `id`, as a user would while the program waits for the dialog.
class DialogAnswerer {
public:
    DialogAnswerer(int id, std::function<void(HWND)> act)
        : thread_([this, id, act] {
              for (int waited = 0; waited < 10000; waited += 5) {
                  if (HWND dialog = FindDialogWith(id)) {
                      act(dialog);
                      answered = true;
                      return;
                  }
                  ::Sleep(5);
              }
          })
    { }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;
    ~DialogAnswerer() { thread_.join(); }
    std::atomic<bool> answered = false;

    static HWND FindDialogWith(int id)
    {
        struct Search {
            int id;
            HWND found;
        } search{id, nullptr};
        ::EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* search = reinterpret_cast<Search*>(data);
                wchar_t name[16] = {};
                ::GetClassNameW(window, name, 16);
                DWORD process = 0;
                ::GetWindowThreadProcessId(window, &process);
                if (process == ::GetCurrentProcessId() && std::wstring(name) == L"#32770" &&
                    ::IsWindowVisible(window) && ::GetDlgItem(window, search->id) != nullptr) {
                    search->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

private:
    std::thread thread_;
};

// Runs `act` on the first visible window of the class and caption as soon as
// it appears, from a thread of its own, as a user would while a dialog waits.
class WindowAnswerer {
public:
    WindowAnswerer(const wchar_t* windowClass, const wchar_t* caption, std::function<void(HWND)> act)
        : thread_([=, this] {
              for (int waited = 0; waited < 10000; waited += 5) {
                  HWND window = ::FindWindowW(windowClass, caption);
                  if (window != nullptr && ::IsWindowVisible(window)) {
                      act(window);
                      answered = true;
                      return;
                  }
                  ::Sleep(5);
              }
          })
    { }
    WindowAnswerer(const WindowAnswerer&) = delete;
    WindowAnswerer& operator=(const WindowAnswerer&) = delete;
    ~WindowAnswerer() { thread_.join(); }
    std::atomic<bool> answered = false;

private:
    std::thread thread_;
};

// Answers with `act` every dialog with a control `id` that opens while it
// lives, and counts them: for questions that must be asked once only.
class EveryDialogAnswerer {
public:
    EveryDialogAnswerer(int id, std::function<void(HWND)> act)
        : thread_([this, id, act] {
              HWND answeredLast = nullptr;
              while (!stop_) {
                  HWND dialog = DialogAnswerer::FindDialogWith(id);
                  if (dialog != nullptr && dialog != answeredLast) {
                      act(dialog);
                      answeredLast = dialog;
                      ++answers;
                  }
                  ::Sleep(5);
              }
          })
    { }
    EveryDialogAnswerer(const EveryDialogAnswerer&) = delete;
    EveryDialogAnswerer& operator=(const EveryDialogAnswerer&) = delete;
    ~EveryDialogAnswerer()
    {
        stop_ = true;
        thread_.join();
    }
    std::atomic<int> answers = 0;

private:
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

// Waits from another thread until `done`, looking every 5 ms; false after
// `patience` ms.
inline bool WaitFor(const std::function<bool()>& done, int patience = 10000)
{
    for (int waited = 0; waited < patience; waited += 5) {
        if (done()) {
            return true;
        }
        ::Sleep(5);
    }
    return false;
}
