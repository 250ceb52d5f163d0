#include "ui/StartPaths.h"

#include "system/LongPath.h"

#include <windows.h>
#include <shellapi.h>

namespace clonarium {

StartRequest ParseStartCommandLine(const wchar_t* commandLine)
{
    StartRequest request;
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(commandLine, &count);
    if (arguments == nullptr) {
        return request;
    }
    for (int i = 1; i < count; ++i) {
        const std::wstring argument = arguments[i];
        if (argument == L"--search") {
            request.search = true;
        } else if (!argument.empty()) {
            request.paths.push_back(argument);
        }
    }
    ::LocalFree(arguments);
    return request;
}

std::wstring NormalizeStartPath(std::wstring path)
{
    // By the argument rules a backslash before a quote escapes it: what was
    // a trailing backslash comes as a quote.
    if (!path.empty() && path.back() == L'"') {
        path.back() = L'\\';
    }
    if (path.starts_with(L"\\\\?\\UNC\\")) {
        path = L"\\\\" + path.substr(8);
    } else if (path.starts_with(L"\\\\?\\")) {
        path = path.substr(4);
    }
    if (path.empty()) {
        return path;
    }
    // Also turns slashes into backslashes and takes out "." and "..".
    std::wstring full(::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) {
        return {};
    }
    full.resize(length);
    const bool driveRoot = full.size() == 3 && full[1] == L':';
    while (!driveRoot && full.size() > 1 && full.back() == L'\\') {
        full.pop_back();
    }
    return full;
}

bool StartPathExists(const std::wstring& path)
{
    return ::GetFileAttributesW(vandrelcommon::system::AddLongPathPrefix(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace clonarium
