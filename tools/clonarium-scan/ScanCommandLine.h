#pragma once
// The command line of clonarium-scan:
//   clonarium-scan [--mode exact|images] [--all] [--preset FILE]
//                  [--similarity N] [--no-rotations] PATH...
#include "engine/FileRecord.h"
#include "engine/SearchParameters.h"

#include <string>
#include <vector>

extern const wchar_t kScanUsage[];

struct ScanOptions {
    ResultMode mode = ExactDuplicates;
    bool admitAll = false;
    std::vector<std::wstring> paths;
};

// False with a one-line message (without the program's name) when the
// arguments cannot be used.
bool ParseScanCommandLine(const std::vector<std::wstring>& arguments, ScanOptions& options, std::wstring& error);

// Each path, made absolute, becomes a file root when it names a file and a
// folder root when it names a folder. False with a message for a path that
// names neither.
bool ResolveScanRoots(const std::vector<std::wstring>& paths, std::vector<SearchRoot>& roots, std::wstring& error);

// Ignore masks off, protected folders off, every attribute switch on.
void AdmitEveryFile(SearchParameters& parameters);
