#include "deletion/FileOperations.h"

#include "i18n/Localizer.h"
#include "system/LongPath.h"

#include <vector>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;

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

bool CopyOver(const std::wstring& source, const std::wstring& target)
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
    if (!::CopyFileW(source.c_str(), copy.c_str(), TRUE)) {
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            RemoveCopy(copy); // the name was free: whatever a broken copy left there is ours
        }
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

bool IsGone(const std::wstring& path)
{
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace clonarium
