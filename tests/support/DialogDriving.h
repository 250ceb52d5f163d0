#pragma once
// Driving a dialog from a test as a user would: letting its messages run,
// and answering the question boxes it opens.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

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

// Answers the next question box titled `caption` with `button`, from a
// thread of its own, as a user would while the dialog waits for the answer.
class QuestionAnswerer {
public:
    explicit QuestionAnswerer(int button, std::wstring caption = L"Confirm")
        : thread_([this, button, caption] {
              for (int waited = 0; waited < 10000; waited += 5) {
                  if (HWND box = ::FindWindowW(L"#32770", caption.c_str())) {
                      ::PostMessageW(box, WM_COMMAND, button, 0);
                      answered = true;
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
    std::thread thread_;
};
