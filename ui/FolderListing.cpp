#include "ui/FolderListing.h"

#include "system/Handles.h"
#include "system/LongPath.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <iterator>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::FindHandle;

namespace {

// Files whose icon is their own, not their type's.
constexpr std::array kOwnIconExtensions{L".EXE", L".ICO", L".CUR", L".ANI", L".LNK", L".URL", L".SCR", L".CPL"};

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name)
{
    if (!folder.empty() && folder.back() == L'\\') {
        return folder + name;
    }
    return folder + L'\\' + name;
}

std::wstring UpperExtension(const std::wstring& name)
{
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot == 0) {
        return {};
    }
    std::wstring extension = name.substr(dot);
    ::CharUpperBuffW(extension.data(), static_cast<DWORD>(extension.size()));
    return extension;
}

bool IsDotEntry(const wchar_t* name)
{
    return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

// The system's locale-aware order ignoring case; names equal to it (which a
// case-sensitive file system allows) keep a fixed order by their code units.
bool NameBefore(const FolderItemData& left, const FolderItemData& right)
{
    const int order = ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, left.name.c_str(),
        static_cast<int>(left.name.size()), right.name.c_str(), static_cast<int>(right.name.size()));
    if (order != CSTR_EQUAL && order != 0) {
        return order == CSTR_LESS_THAN;
    }
    return left.name < right.name;
}

FindHandle FindFirst(const std::wstring& folder, WIN32_FIND_DATAW& found)
{
    const std::wstring pattern = AddLongPathPrefix(JoinPath(folder, L"*"));
    return FindHandle(::FindFirstFileExW(
        pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(AddLongPathPrefix(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

HIMAGELIST ShellIconCache::SystemImageList()
{
    SHFILEINFOW info{};
    return reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(L"x", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
        SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

ShellIconCache::Icons ShellIconCache::Ask(const std::wstring& path, DWORD attributes, UINT flags)
{
    flags |= SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    Icons icons;
    SHFILEINFOW info{};
    if (::SHGetFileInfoW(path.c_str(), attributes, &info, sizeof(info), flags) != 0) {
        icons.icon = info.iIcon;
    }
    icons.openIcon = icons.icon;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        ::SHGetFileInfoW(path.c_str(), attributes, &info, sizeof(info), flags | SHGFI_OPENICON) != 0) {
        icons.openIcon = info.iIcon;
    }
    return icons;
}

void ShellIconCache::Fill(FolderItemData& item)
{
    Icons icons;
    if (item.isFolder) {
        if (!folder_) {
            folder_ = Ask(L"folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES);
        }
        icons = *folder_;
    } else {
        const std::wstring extension = UpperExtension(item.name);
        const bool ownIcon =
            std::find(kOwnIconExtensions.begin(), kOwnIconExtensions.end(), extension) != kOwnIconExtensions.end();
        // The shell takes no long-path prefix: a long path gets its type's icon.
        if (ownIcon && item.path.size() < MAX_PATH) {
            icons = Ask(item.path, 0, 0);
        } else if (const auto cached = byExtension_.find(extension); cached != byExtension_.end()) {
            icons = cached->second;
        } else {
            icons = Ask(L"x" + extension, FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES);
            byExtension_.emplace(extension, icons);
        }
    }
    item.icon = icons.icon;
    item.openIcon = icons.openIcon;
}

bool ListFolder(const std::wstring& folder, ShellIconCache& icons, std::vector<FolderItemData>& entries)
{
    entries.clear();
    if (!IsFolder(folder)) {
        return false;
    }
    WIN32_FIND_DATAW found{};
    const FindHandle find = FindFirst(folder, found);
    if (!find) {
        // A drive's root may hold nothing at all, not even "." and "..".
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    std::vector<FolderItemData> files;
    do {
        if (IsDotEntry(found.cFileName) || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            continue;
        }
        FolderItemData item;
        item.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.name = found.cFileName;
        item.path = JoinPath(folder, item.name);
        icons.Fill(item);
        (item.isFolder ? entries : files).push_back(std::move(item));
    } while (::FindNextFileW(find.Get(), &found));

    std::sort(entries.begin(), entries.end(), NameBefore);
    std::sort(files.begin(), files.end(), NameBefore);
    entries.insert(entries.end(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
    return true;
}

bool FolderHasEntries(const std::wstring& folder)
{
    WIN32_FIND_DATAW found{};
    const FindHandle find = FindFirst(folder, found);
    if (!find) {
        return false;
    }
    do {
        if (!IsDotEntry(found.cFileName)) {
            return true;
        }
    } while (::FindNextFileW(find.Get(), &found));
    return false;
}

std::vector<std::wstring> ListDriveRoots()
{
    std::vector<wchar_t> buffer(::GetLogicalDriveStringsW(0, nullptr) + 1);
    const DWORD length = ::GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    std::vector<std::wstring> roots;
    if (length == 0 || length >= buffer.size()) {
        return roots;
    }
    for (const wchar_t* root = buffer.data(); *root != L'\0'; root += std::wcslen(root) + 1) {
        roots.emplace_back(root);
    }
    return roots;
}

FolderItemData MakeDriveItem(const std::wstring& root)
{
    FolderItemData item;
    item.path = root;
    SHFILEINFOW info{};
    const UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (::SHGetFileInfoW(root.c_str(), 0, &info, sizeof(info), flags | SHGFI_DISPLAYNAME) != 0) {
        item.icon = info.iIcon;
        item.name = info.szDisplayName;
    }
    item.openIcon = item.icon;
    if (::SHGetFileInfoW(root.c_str(), 0, &info, sizeof(info), flags | SHGFI_OPENICON) != 0) {
        item.openIcon = info.iIcon;
    }
    if (item.name.empty()) {
        item.name = root;
    }
    return item;
}

} // namespace clonarium
