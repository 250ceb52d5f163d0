// clonarium-fuzz: feeds mutated pictures, presets, rules, INI files or
// language tables to the code that reads them, for a given time, and reports
// crashes, hangs and the peak memory of the reading processes.
//
//   clonarium-fuzz KIND SECONDS [--seed N] [--findings FOLDER]
//
// Inputs are read in batches by child processes (this program with --read),
// so that a crash or a hang ends only the child. A batch that fails is run
// again file by file, and the files that fail alone are kept in FOLDER.
// Exit code: 0 when nothing failed, 1 when something did, 2 on a usage error.
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"
#include "tools/fuzz/FuzzInputs.h"

#include <windows.h>

#include <objbase.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

using namespace clonarium::fuzz;

namespace {

constexpr size_t kBatch = 24;
// A batch that takes longer than this has hung (the machine may be loaded).
constexpr DWORD kBatchTimeoutMs = 120'000;
constexpr DWORD kFileTimeoutMs = 60'000;

enum class Outcome { Passed, Crashed, Hung, NotStarted };

struct Run {
    Outcome outcome = Outcome::Passed;
    DWORD exitCode = 0;
    uint64_t peakBytes = 0;
};

// The program's own path.
std::wstring Self()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Reads the folder in a child process of this program.
Run ReadInChild(InputKind kind, const std::wstring& folder, DWORD timeoutMs)
{
    std::wstring command = L"\"" + Self() + L"\" --read " + KindName(kind) + L" \"" + folder + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    Run run;
    // Under a heavy load Wine now and then fails to start a process; that
    // is no finding.
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        started =
            ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
        if (!started) {
            ::Sleep(1000);
        }
    }
    if (!started) {
        std::fprintf(stderr, "clonarium-fuzz: cannot start a reader (%lu)\n", ::GetLastError());
        run.outcome = Outcome::NotStarted;
        return run;
    }
    if (::WaitForSingleObject(child.hProcess, timeoutMs) == WAIT_TIMEOUT) {
        run.outcome = Outcome::Hung;
        ::TerminateProcess(child.hProcess, 9);
        ::WaitForSingleObject(child.hProcess, INFINITE);
    }
    PROCESS_MEMORY_COUNTERS memory{};
    if (::GetProcessMemoryInfo(child.hProcess, &memory, sizeof(memory))) {
        run.peakBytes = std::max<uint64_t>(memory.PeakPagefileUsage, memory.PeakWorkingSetSize);
    }
    ::GetExitCodeProcess(child.hProcess, &run.exitCode);
    if (run.outcome == Outcome::Passed && run.exitCode != 0) {
        run.outcome = Outcome::Crashed;
    }
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    return run;
}

struct Totals {
    uint64_t inputs = 0, batches = 0, crashes = 0, hangs = 0, notStarted = 0, peakBytes = 0;
};

// Runs each file of a failed batch alone and keeps those that fail.
void FindCulprits(InputKind kind, const std::vector<std::string>& inputs, const std::wstring& findings, Totals& totals)
{
    for (size_t i = 0; i < inputs.size(); ++i) {
        TempTree alone;
        alone.MakeFile(std::wstring(L"0") + Extension(kind), inputs[i]);
        const Run run = ReadInChild(kind, alone.Root(), kFileTimeoutMs);
        totals.peakBytes = std::max(totals.peakBytes, run.peakBytes);
        if (run.outcome == Outcome::NotStarted) {
            ++totals.notStarted;
        }
        if (run.outcome == Outcome::Passed || run.outcome == Outcome::NotStarted) {
            continue;
        }
        const bool hung = run.outcome == Outcome::Hung;
        ++(hung ? totals.hangs : totals.crashes);
        const std::wstring name = findings + L"\\" + KindName(kind) + (hung ? L"-hang-" : L"-crash-") +
                                  std::to_wstring(totals.hangs + totals.crashes) + Extension(kind);
        ::CreateDirectoryW(findings.c_str(), nullptr);
        WriteFileBytes(name, inputs[i]);
        std::fprintf(stderr, "clonarium-fuzz: %s (exit code 0x%08lX) kept as %ls\n", hung ? "hang" : "crash",
            run.exitCode, name.c_str());
    }
}

int Fuzz(InputKind kind, double seconds, uint64_t seed, const std::wstring& findings)
{
    const std::vector<std::string> seeds = MakeSeeds(kind);
    if (seeds.empty()) {
        std::fprintf(stderr, "clonarium-fuzz: no valid %ls to start from\n", KindName(kind));
        return 2;
    }
    std::mt19937_64 random(seed);
    Totals totals;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    while (elapsed() < seconds) {
        std::vector<std::string> inputs;
        TempTree batch;
        for (size_t i = 0; i < kBatch; ++i) {
            inputs.push_back(Mutate(seeds, kind, random));
            batch.MakeFile(std::to_wstring(100 + i) + Extension(kind), inputs.back());
        }
        const Run run = ReadInChild(kind, batch.Root(), kBatchTimeoutMs);
        totals.peakBytes = std::max(totals.peakBytes, run.peakBytes);
        totals.inputs += inputs.size();
        ++totals.batches;
        if (run.outcome == Outcome::NotStarted) {
            ++totals.notStarted;
            totals.inputs -= inputs.size();
        } else if (run.outcome != Outcome::Passed) {
            std::fprintf(stderr, "clonarium-fuzz: a batch %s; reading its files one by one\n",
                run.outcome == Outcome::Hung ? "hung" : "crashed");
            FindCulprits(kind, inputs, findings, totals);
        }
    }
    std::printf("kind: %ls\nseed: %llu\nseconds: %.0f\ninputs read: %llu\nbatches: %llu\ncrashes: %llu\nhangs: %llu\n"
                "readers Wine could not start: %llu\npeak memory of a reader: %.1f MB\n",
        KindName(kind), static_cast<unsigned long long>(seed), elapsed(),
        static_cast<unsigned long long>(totals.inputs), static_cast<unsigned long long>(totals.batches),
        static_cast<unsigned long long>(totals.crashes), static_cast<unsigned long long>(totals.hangs),
        static_cast<unsigned long long>(totals.notStarted), totals.peakBytes / 1048576.0);
    return totals.crashes + totals.hangs == 0 ? 0 : 1;
}

// A crash ends the reader with the exception's code, without a debugger.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* exception)
{
    ::TerminateProcess(::GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

int Usage()
{
    std::fprintf(stderr, "usage: clonarium-fuzz pictures|presets|rules|ini|languages SECONDS [--seed N] "
                         "[--findings FOLDER]\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    InputKind kind;
    if (argc == 4 && std::wstring(argv[1]) == L"--read" && ParseKind(argv[2], kind)) {
        ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        ::SetUnhandledExceptionFilter(EndOnCrash);
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ReadAll(kind, argv[3]);
        return 0;
    }
    if (argc < 3 || !ParseKind(argv[1], kind)) {
        return Usage();
    }
    const double seconds = _wtof(argv[2]);
    uint64_t seed = ::GetTickCount64();
    std::wstring findings = L"fuzz-findings";
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i];
        if (option == L"--seed") {
            seed = _wcstoui64(argv[i + 1], nullptr, 10);
        } else if (option == L"--findings") {
            findings = argv[i + 1];
        } else {
            return Usage();
        }
    }
    if (seconds <= 0 || argc % 2 == 0) {
        return Usage();
    }
    return Fuzz(kind, seconds, seed, findings);
}
