#include "storage/ApplicationFolders.h"

#include <windows.h>
#include <shlobj.h>

namespace clonarium {

namespace {

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ExecutableFolder()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A path that filled the buffer was cut short and names no real folder.
    if (length == 0 || length >= MAX_PATH) {
        return std::wstring();
    }
    const std::wstring full(path, length);
    const size_t slash = full.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash);
}

std::wstring LocalAppDataFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::wstring();
    }
    return path;
}

} // namespace

FolderRoots SystemFolderRoots()
{
    return FolderRoots{ExecutableFolder(), LocalAppDataFolder()};
}

bool ChooseApplicationFolders(const FolderRoots& roots, ApplicationFolders& folders)
{
    const bool portable = !roots.executableFolder.empty() && !Exists(roots.executableFolder + L"\\nonportable");
    if (!portable && roots.localAppDataFolder.empty()) {
        return false;
    }
    folders.portable = portable;
    folders.vendorFolder = portable ? std::wstring() : roots.localAppDataFolder + L"\\Vandrelco";
    folders.baseFolder = portable ? roots.executableFolder + L"\\settings" : folders.vendorFolder + L"\\Clonarium";
    folders.settingsFile = folders.baseFolder + L"\\settings.ini";
    folders.presetsFolder = folders.baseFolder + L"\\presets";
    folders.regexpsFolder = folders.baseFolder + L"\\regexps";
    folders.cacheFile = folders.baseFolder + L"\\search-cache.db";
    return true;
}

void CreateApplicationFolders(const ApplicationFolders& folders)
{
    if (!folders.vendorFolder.empty()) {
        ::CreateDirectoryW(folders.vendorFolder.c_str(), nullptr);
    }
    ::CreateDirectoryW(folders.baseFolder.c_str(), nullptr);
    ::CreateDirectoryW(folders.presetsFolder.c_str(), nullptr);
    ::CreateDirectoryW(folders.regexpsFolder.c_str(), nullptr);
}

} // namespace clonarium
