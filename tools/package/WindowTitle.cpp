// Starts a program, waits for its main window, prints the window's title,
// closes the window as a user would and waits for the program to end.
//   window-title [--time] PROGRAM.exe
// --time also prints how long the window took from the program's start
// until it was shown with its title and its thread was idle again (painted).
// Exit 0 when the window came and the program ended by itself after the
// close; 1 otherwise.
#include "system/Handles.h"

#include <windows.h>

#include <cstdio>
#include <string>

using vandrelcommon::system::KernelHandle;

namespace {

struct Search {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && ::GetWindow(window, GW_OWNER) == nullptr && ::IsWindowVisible(window)) {
        search->window = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool timed = argc == 3 && std::wstring(argv[1]) == L"--time";
    if (argc != 2 && !timed) {
        std::fputs("usage: window-title [--time] PROGRAM.exe\n", stderr);
        return 1;
    }
    const wchar_t* program = argv[argc - 1];
    const ULONGLONG start = ::GetTickCount64();
    std::wstring command = L"\"" + std::wstring(program) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        std::fprintf(stderr, "window-title: cannot start the program (error %lu)\n", ::GetLastError());
        return 1;
    }
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
    Search search{started.dwProcessId, nullptr};
    for (int waited = 0; waited < 90000 && search.window == nullptr; waited += 10) {
        ::Sleep(10);
        ::EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    }
    if (search.window == nullptr) {
        std::fputs("window-title: no window appeared\n", stderr);
        ::TerminateProcess(process.Get(), 1);
        return 1;
    }
    // The title is set just after the window shows.
    wchar_t title[256] = {};
    for (int waited = 0; waited < 10000 && ::GetWindowTextW(search.window, title, 256) == 0; waited += 10) {
        ::Sleep(10);
    }
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(search.window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
    const ULONGLONG shown = ::GetTickCount64() - start;
    std::printf("%ls\n", title);
    if (timed) {
        std::printf("window shown and painted after %llu ms\n", shown);
    }
    ::PostMessageW(search.window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
        std::fputs("window-title: the program did not end after its window was closed\n", stderr);
        ::TerminateProcess(process.Get(), 1);
        return 1;
    }
    return 0;
}
