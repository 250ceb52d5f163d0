#pragma once
#include <string>

namespace vandrelcommon::system {

// "\\?\" in front of an absolute path, so that listings and file operations
// reach paths longer than MAX_PATH. Paths beginning with two backslashes
// (network paths, or already prefixed) are left as they are.
inline std::wstring AddLongPathPrefix(const std::wstring& path)
{
    if (path.compare(0, 2, L"\\\\") == 0) {
        return path;
    }
    return L"\\\\?\\" + path;
}

} // namespace vandrelcommon::system
