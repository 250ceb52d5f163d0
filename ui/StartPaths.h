#pragma once
// The folders and files the program is asked to tick at start,
//   Clonarium.exe [--search] PATH...
// as Explorer's "Search for duplicates with Clonarium" starts it; with
// --search the search begins at once. Dropped folders and files take the
// same road.
#include <string>
#include <vector>

namespace clonarium {

struct StartRequest {
    std::vector<std::wstring> paths;
    bool search = false;
};

// Splits a whole command line (the program's own name first) as the
// system's argument rules do.
StartRequest ParseStartCommandLine(const wchar_t* commandLine);

// The path as the folder tree holds it: absolute, with backslashes, without
// the long-path prefix or a trailing backslash (a drive stays "C:\").
// A quote at the end, which the argument rules leave of a quoted path's
// trailing backslash ("C:\" comes as C:"), is read as that backslash.
// Empty when the path cannot be made absolute.
std::wstring NormalizeStartPath(std::wstring path);

// True when the file or folder exists.
bool StartPathExists(const std::wstring& path);

} // namespace clonarium
