#include "tests/support/TempTree.h"

#include "system/LongPath.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

using namespace vandrelcommon::system;

namespace {

std::wstring Prefixed(const std::wstring& path)
{
    return AddLongPathPrefix(path);
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW(Prefixed(path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = path + L"\\" + name;
            const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            ::SetFileAttributesW(Prefixed(child).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (isFolder && !isLink) {
                RemoveTree(child);
            } else if (isFolder) {
                ::RemoveDirectoryW(Prefixed(child).c_str());
            } else {
                ::DeleteFileW(Prefixed(child).c_str());
            }
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(Prefixed(path).c_str());
}

} // namespace

TempTree::TempTree()
{
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring base = temp;
    while (!base.empty() && base.back() == L'\\') {
        base.pop_back();
    }
    for (;;) {
        root_ =
            base + L"\\clonarium-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
        if (::CreateDirectoryW(root_.c_str(), nullptr)) {
            break;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create a temporary folder";
            break;
        }
    }
}

TempTree::~TempTree()
{
    RemoveTree(root_);
}

std::wstring TempTree::Path(const std::wstring& relative) const
{
    return root_ + L"\\" + relative;
}

std::wstring TempTree::MakeFolder(const std::wstring& relative) const
{
    const std::wstring full = Path(relative);
    for (size_t slash = root_.size() + 1; slash != std::wstring::npos;) {
        slash = full.find(L'\\', slash + 1);
        ::CreateDirectoryW(Prefixed(full.substr(0, slash)).c_str(), nullptr);
    }
    return full;
}

std::wstring TempTree::MakeFile(const std::wstring& relative, const std::string& content) const
{
    const size_t slash = relative.find_last_of(L'\\');
    if (slash != std::wstring::npos) {
        MakeFolder(relative.substr(0, slash));
    }
    const std::wstring full = Path(relative);
    if (!WriteFileBytes(Prefixed(full), content)) {
        ADD_FAILURE() << "cannot write a test file";
    }
    return full;
}

bool SetFileTimes(
    const std::wstring& path, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite)
{
    HANDLE file = ::CreateFileW(Prefixed(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool done = ::SetFileTime(file, creation, lastAccess, lastWrite) != FALSE;
    ::CloseHandle(file);
    return done;
}

bool AddAttributes(const std::wstring& path, DWORD attributes)
{
    const std::wstring prefixed = Prefixed(path);
    const DWORD current = ::GetFileAttributesW(prefixed.c_str());
    if (current == INVALID_FILE_ATTRIBUTES ||
        !::SetFileAttributesW(prefixed.c_str(), (current & ~FILE_ATTRIBUTE_NORMAL) | attributes)) {
        return false;
    }
    return (::GetFileAttributesW(prefixed.c_str()) & attributes) == attributes;
}

FILETIME MakeFileTime(uint64_t value)
{
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

FILETIME LocalToUtc(const FILETIME& local)
{
    FILETIME utc{};
    ::LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

std::string UnixPath(const std::wstring& path)
{
    using UnixName = char*(CDECL*)(const wchar_t*);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto toUnix =
        reinterpret_cast<UnixName>(reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (toUnix == nullptr) {
        return {};
    }
    char* name = toUnix(path.c_str());
    if (name == nullptr) {
        return {};
    }
    std::string result = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

namespace {

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size() * 2 + 1, L'\0');
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? length - 1 : 0);
    return wide;
}

// Listed by its folder: Wine gives no attributes for a device or a pipe.
bool Listed(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    HANDLE listing = ::FindFirstFileW(path.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::FindClose(listing);
    return true;
}

// Runs a Unix program and waits until `made` is listed.
bool RunUnix(const std::wstring& program, const std::wstring& arguments, const std::wstring& made)
{
    std::wstring commandLine = program + L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(
            program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    ::WaitForSingleObject(process.hProcess, 10000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    // Wine may signal a Unix child's handle before the child has run.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (Listed(made)) {
            return true;
        }
        ::Sleep(20);
    }
    return false;
}

bool RunUnixLn(const std::wstring& link, const std::wstring& target)
{
    const std::string unixLink = UnixPath(link);
    const std::string unixTarget = UnixPath(target);
    if (unixLink.empty() || unixTarget.empty()) {
        return false;
    }
    return RunUnix(L"Z:\\bin\\ln", L"-s \"" + Widen(unixTarget) + L"\" \"" + Widen(unixLink) + L"\"", link);
}

} // namespace

bool MakeUnixLink(const std::wstring& link, const std::string& unixTarget)
{
    const std::string unixLink = UnixPath(link);
    return !unixLink.empty() &&
           RunUnix(L"Z:\\bin\\ln", L"-s \"" + Widen(unixTarget) + L"\" \"" + Widen(unixLink) + L"\"", link);
}

bool ShrinkUnixFile(const std::wstring& path, uint64_t size)
{
    const std::string unixPath = UnixPath(path);
    if (unixPath.empty() ||
        !RunUnix(L"Z:\\usr\\bin\\truncate", L"-s " + std::to_wstring(size) + L" \"" + Widen(unixPath) + L"\"", path)) {
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
            ((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow) == size) {
            return true;
        }
        ::Sleep(20);
    }
    return false;
}

bool MakeFifo(const std::wstring& path)
{
    const std::string unixPath = UnixPath(path);
    return !unixPath.empty() && RunUnix(L"Z:\\usr\\bin\\mkfifo", L"\"" + Widen(unixPath) + L"\"", path);
}

bool RunUnixScript(const std::string& commands)
{
    // A script file spares the quoting of a command line; the script leaves a
    // mark when it is done, since Wine may report a Unix child ended before
    // it ran.
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"clonarium-unix-" + std::to_wstring(::GetCurrentProcessId()) +
                              L"-" + std::to_wstring(counter++);
    const std::wstring script = base + L".sh";
    const std::wstring done = base + L".done";
    if (!WriteFileBytes(script, "")) {
        return false;
    }
    const std::string unixScript = UnixPath(script);
    const std::string unixDone = UnixPath(done);
    const bool ran = !unixScript.empty() && !unixDone.empty() &&
                     WriteFileBytes(script, "{ " + commands + "\n} && : > '" + unixDone + "'\n") &&
                     RunUnix(L"Z:\\bin\\sh", L"\"" + Widen(unixScript) + L"\"", done);
    ::DeleteFileW(script.c_str());
    ::DeleteFileW(done.c_str());
    return ran;
}

bool MakeUnixFile(const std::wstring& folder, const std::string& printfName, const std::string& content)
{
    const std::string unixFolder = UnixPath(folder);
    return !unixFolder.empty() &&
           RunUnixScript("cd '" + unixFolder + "' && printf '" + content + "' > \"$(printf '" + printfName + "')\"");
}

bool SetImmutable(const std::wstring& path, bool immutable)
{
    const std::string unixPath = UnixPath(path);
    if (unixPath.empty()) {
        return false;
    }
    const std::string quoted = "'" + unixPath + "'";
    // lsattr shows the immutable flag as the fifth letter.
    return RunUnixScript(immutable ? "chattr +i " + quoted + " && lsattr -d " + quoted + " | cut -c5 | grep -qx i"
                                   : "chattr -i " + quoted);
}

std::wstring MakeUnreachableFolder(const std::wstring& folder)
{
    const std::string unixFolder = UnixPath(folder);
    // Every name a system call gets stays shorter than a Unix path may be:
    // two chains of ten, the second moved under the first.
    const std::string made =
        "cd '" + unixFolder +
        "' && d=$(printf 'd%.0s' $(seq 250)) && c=$(printf \"$d/%.0s\" $(seq 10)) && "
        "mkdir -p \"$c\" \"y/$c\" && mv \"y/$d\" \"$c\" && rmdir y && cd \"$c\" && echo same > \"$c/twin.txt\"";
    if (unixFolder.empty() || !RunUnixScript(made)) {
        return {};
    }
    return folder + L"\\" + std::wstring(250, L'd');
}

bool RemoveUnixTree(const std::wstring& folder)
{
    const std::string unixFolder = UnixPath(folder);
    return !unixFolder.empty() && RunUnixScript("rm -rf '" + unixFolder + "'");
}

bool MakeSymbolicLink(const std::wstring& link, const std::wstring& target, bool isFolder)
{
    const DWORD unprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    const DWORD flags = unprivileged | (isFolder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    if (::CreateSymbolicLinkW(link.c_str(), target.c_str(), flags) &&
        ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    return RunUnixLn(link, target);
}
