#include "tests/support/ScanRun.h"

#include "system/Handles.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

using vandrelcommon::system::KernelHandle;

namespace {

KernelHandle InheritableOutput(const std::wstring& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return KernelHandle(::CreateFileW(
        path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

ScanRun RunScan(const TempTree& tree, const std::wstring& arguments)
{
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program = self;
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"clonarium-scan.exe";
    const std::wstring outPath = tree.Path(L"stdout.txt");
    const std::wstring errPath = tree.Path(L"stderr.txt");
    ScanRun run;
    {
        const KernelHandle out = InheritableOutput(outPath);
        const KernelHandle err = InheritableOutput(errPath);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out.Get();
        startup.hStdError = err.Get();
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        PROCESS_INFORMATION started{};
        if (!out.IsValid() || !err.IsValid() ||
            !::CreateProcessW(
                program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
            ADD_FAILURE() << "cannot start clonarium-scan.exe";
            return run;
        }
        const KernelHandle process(started.hProcess);
        const KernelHandle thread(started.hThread);
        ::WaitForSingleObject(process.Get(), INFINITE);
        DWORD exitCode = 0;
        ::GetExitCodeProcess(process.Get(), &exitCode);
        run.exitCode = static_cast<int>(exitCode);
    }
    run.out = ReadFileBytes(outPath);
    run.err = ReadFileBytes(errPath);
    return run;
}

size_t LineCount(const std::string& text)
{
    size_t lines = 0;
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        ++lines;
    }
    return lines;
}
