#include "system/Handles.h"
#include "ui/ProgramVersion.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace clonarium;

namespace {

std::wstring BesideThisProgram(const wchar_t* name)
{
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

TEST(ProgramVersion, FormatsMinorAndBuildWithPadding)
{
    EXPECT_EQ(FormatProgramVersion({3, 0, 0, 0}), L"3.00.000");
    EXPECT_EQ(FormatProgramVersion({3, 1, 0, 5}), L"3.01.005");
    EXPECT_EQ(FormatProgramVersion({10, 12, 1, 2}), L"10.12.65538");
    EXPECT_EQ(MainWindowTitle({3, 0, 0, 0}), L"Clonarium 3.00.000 - Vandrel Duplicate File Finder");
}

TEST(ProgramVersion, ReadFromTheExecutablesVersionResource)
{
    HMODULE program = ::LoadLibraryExW(BesideThisProgram(L"Clonarium.exe").c_str(), nullptr,
        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr);
    ProgramVersion version;
    EXPECT_TRUE(ReadProgramVersion(program, version));
    EXPECT_EQ(MainWindowTitle(version), L"Clonarium 3.00.000 - Vandrel Duplicate File Finder");
    EXPECT_NE(::FindResourceW(program, MAKEINTRESOURCEW(128), RT_GROUP_ICON), nullptr);
    EXPECT_NE(::FindResourceW(program, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
    ::FreeLibrary(program);
}

TEST(ProgramVersion, ModuleWithoutVersionResourceFails)
{
    ProgramVersion version{9, 9, 9, 9};
    // This test program carries no version resource.
    EXPECT_FALSE(ReadProgramVersion(nullptr, version));
}

struct FoundWindow {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param)
{
    auto* found = reinterpret_cast<FoundWindow*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == found->processId && ::GetWindow(window, GW_OWNER) == nullptr && ::IsWindowVisible(window)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// The started program's handles; a failed check that leaves it running ends it.
class StartedProgram {
public:
    explicit StartedProgram(const PROCESS_INFORMATION& started)
        : process_(started.hProcess), thread_(started.hThread), id_(started.dwProcessId)
    { }
    ~StartedProgram()
    {
        if (::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process_.Get(), 1);
            ::WaitForSingleObject(process_.Get(), 5000);
        }
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    HANDLE Process() const { return process_.Get(); }
    DWORD Id() const { return id_; }

private:
    vandrelcommon::system::KernelHandle process_;
    vandrelcommon::system::KernelHandle thread_;
    DWORD id_;
};

TEST(MainWindow, ShowsTheVersionInItsTitleAndClosesCleanly)
{
    std::wstring commandLine = L"\"" + BesideThisProgram(L"Clonarium.exe") + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(::CreateProcessW(
        nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
    const StartedProgram program(started);
    ::WaitForInputIdle(program.Process(), 10000);
    FoundWindow found{program.Id(), nullptr};
    for (int attempt = 0; attempt < 200 && found.window == nullptr; ++attempt) {
        ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&found));
        if (found.window == nullptr) {
            ::Sleep(50);
        }
    }
    ASSERT_NE(found.window, nullptr);
    // The title is set right after the window is shown.
    const std::wstring expected = L"Clonarium 3.00.000 - Vandrel Duplicate File Finder";
    wchar_t title[256] = {};
    for (int attempt = 0; attempt < 100 && expected != title; ++attempt) {
        ::Sleep(20);
        ::GetWindowTextW(found.window, title, 256);
    }
    EXPECT_EQ(std::wstring(title), expected);

    ::PostMessageW(found.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(program.Process(), 10000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(program.Process(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

} // namespace
