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

namespace {

// Wine's own export turning a Windows path into the Unix one; absent on Windows.
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

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size() * 2 + 1, L'\0');
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? length - 1 : 0);
    return wide;
}

bool RunUnixLn(const std::wstring& link, const std::wstring& target)
{
    const std::string unixLink = UnixPath(link);
    const std::string unixTarget = UnixPath(target);
    if (unixLink.empty() || unixTarget.empty()) {
        return false;
    }
    std::wstring commandLine = L"Z:\\bin\\ln -s \"" + Widen(unixTarget) + L"\" \"" + Widen(unixLink) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(
            L"Z:\\bin\\ln", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    ::WaitForSingleObject(process.hProcess, 10000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    // Wine may signal a Unix child's handle before the child has run.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        ::Sleep(20);
    }
    return false;
}

} // namespace

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
