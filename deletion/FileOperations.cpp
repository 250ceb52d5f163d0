#include "deletion/FileOperations.h"

#include "i18n/Localizer.h"
#include "system/Handles.h"
#include "system/LongPath.h"

#include <algorithm>
#include <cwctype>
#include <string_view>
#include <vector>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::KernelHandle;

std::wstring StripLongPathPrefix(const std::wstring& path)
{
    if (path.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + path.substr(8);
    }
    if (path.starts_with(L"\\\\?\\")) {
        return path.substr(4);
    }
    return path;
}

DWORD ClearReadOnly(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        const DWORD cleared = attributes & ~FILE_ATTRIBUTE_READONLY;
        ::SetFileAttributesW(path.c_str(), cleared != 0 ? cleared : FILE_ATTRIBUTE_NORMAL);
    }
    return attributes;
}

void RestoreAttributes(const std::wstring& path, DWORD attributes)
{
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return; // nothing was changed
    }
    const DWORD error = ::GetLastError(); // the failure's text is still to be read
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ::SetFileAttributesW(path.c_str(), attributes);
    }
    ::SetLastError(error);
}

std::wstring ReasonText(const char* key)
{
    return vandrelcommon::system::Localize(std::string("duplicates-pane.") + key);
}

std::wstring SystemErrorText(DWORD error)
{
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (buffer != nullptr) {
        text.assign(buffer, length);
        ::LocalFree(buffer);
    }
    // A reason is one line: in the Remark column and in the console output,
    // where an empty line separates groups.
    while (!text.empty() && std::iswspace(text.back())) {
        text.pop_back();
    }
    return text;
}

std::wstring SystemErrorText()
{
    return SystemErrorText(::GetLastError());
}

namespace {

std::wstring ParentOf(const std::wstring& path)
{
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace

void RemoveEmptyParents(const std::wstring& path)
{
    // RemoveDirectoryW fails on a folder that still holds anything, on a drive
    // root and on the bare prefix, which ends the climb.
    for (std::wstring folder = ParentOf(path); !folder.empty() && ::RemoveDirectoryW(folder.c_str());
         folder = ParentOf(folder)) {
    }
}

bool PrepareBackupFolder(const std::wstring& root, const std::wstring& folder, std::wstring& out)
{
    std::wstring current = root;
    while (current.size() > 1 && (current.back() == L'\\' || current.back() == L'/')) {
        current.pop_back(); // D:\ joins as D:\C, not D:\\C
    }
    size_t start = 0;
    while (start <= folder.size()) {
        const size_t end = folder.find_first_of(L"\\/:?*", start);
        const size_t stop = end == std::wstring::npos ? folder.size() : end;
        if (stop > start) {
            current += L'\\';
            current.append(folder, start, stop - start);
            const std::wstring longPath = AddLongPathPrefix(current);
            const DWORD attributes = ::GetFileAttributesW(longPath.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                if (!::CreateDirectoryW(longPath.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
                    return false;
                }
            } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                return false; // a file holds the folder's name
            }
        }
        start = stop + 1;
    }
    out = current;
    return true;
}

namespace {

// Removes a copy of our own, read-only or not, keeping the last error.
void RemoveCopy(const std::wstring& path)
{
    const DWORD error = ::GetLastError();
    ClearReadOnly(path);
    ::DeleteFileW(path.c_str());
    ::SetLastError(error);
}

} // namespace

bool CopyOver(HANDLE source, const std::wstring& target)
{
    constexpr int kNameAttempts = 100;
    std::wstring copy;
    for (int attempt = 0; copy.empty() || !IsGone(copy); ++attempt) {
        if (attempt == kNameAttempts) {
            ::SetLastError(ERROR_FILE_EXISTS);
            return false;
        }
        copy = target + L".part" + std::to_wstring(attempt);
    }
    if (!CopyOpenFile(source, copy)) {
        return false;
    }
    const DWORD attributes = ClearReadOnly(target);
    if (::MoveFileExW(copy.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    RestoreAttributes(target, attributes);
    RemoveCopy(copy);
    return false;
}

namespace {

bool CopyBytes(HANDLE source, HANDLE target)
{
    std::vector<char> block(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(source, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        DWORD written = 0;
        if (!::WriteFile(target, block.data(), got, &written, nullptr) || written != got) {
            return false;
        }
    }
}

} // namespace

bool CopyOpenFile(HANDLE source, const std::wstring& target)
{
    FILE_BASIC_INFO basic{};
    const LARGE_INTEGER start{};
    if (!::GetFileInformationByHandleEx(source, FileBasicInfo, &basic, sizeof(basic)) ||
        !::SetFilePointerEx(source, start, nullptr, FILE_BEGIN)) {
        return false;
    }
    KernelHandle copy(::CreateFileW(target.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!copy) {
        return false;
    }
    basic.ChangeTime.QuadPart = 0; // left to the system
    // The attributes last: a read-only copy could no longer be removed here.
    if (CopyBytes(source, copy.Get()) &&
        ::SetFileInformationByHandle(copy.Get(), FileBasicInfo, &basic, sizeof(basic))) {
        return true;
    }
    const DWORD error = ::GetLastError();
    FILE_DISPOSITION_INFO remove{TRUE};
    ::SetFileInformationByHandle(copy.Get(), FileDispositionInfo, &remove, sizeof(remove));
    copy.Reset();
    ::SetLastError(error);
    return false;
}

bool IsGone(const std::wstring& path)
{
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

namespace {

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 (with the superscript
// digits), CONIN$ and CONOUT$: with any extension, and blanks before it.
bool IsReservedName(std::wstring_view part)
{
    std::wstring base(part.substr(0, part.find(L'.')));
    while (!base.empty() && base.back() == L' ') {
        base.pop_back();
    }
    for (wchar_t& c : base) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
        base == L"CONOUT$") {
        return true;
    }
    const wchar_t digit = base.size() == 4 ? base[3] : L'\0';
    const bool portDigit =
        (digit >= L'1' && digit <= L'9') || digit == L'\u00b9' || digit == L'\u00b2' || digit == L'\u00b3';
    return portDigit && (base.starts_with(L"COM") || base.starts_with(L"LPT"));
}

} // namespace

bool ShellTakesName(const std::wstring& path)
{
    const std::wstring plain = StripLongPathPrefix(path);
    size_t start = 0;
    if (plain.size() >= 3 && plain[1] == L':' && plain[2] == L'\\') {
        start = 3; // after the drive
    } else if (plain.starts_with(L"\\\\")) {
        start = 2; // the server, the share and the rest
    } else {
        return false; // no full path: the shell would resolve it against something else
    }
    if (plain.size() >= MAX_PATH) {
        return false;
    }
    const std::wstring_view parts = std::wstring_view(plain).substr(start);
    for (size_t begin = 0; begin <= parts.size();) {
        const size_t end = std::min(parts.find(L'\\', begin), parts.size());
        const std::wstring_view part = parts.substr(begin, end - begin);
        if (part.empty() || part.back() == L'.' || part.back() == L' ' || IsReservedName(part)) {
            return false;
        }
        begin = end + 1;
    }
    return true;
}

} // namespace clonarium
