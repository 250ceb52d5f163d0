#pragma once
// clonarium-scan.exe from beside the running test program, run to its end.
#include "tests/support/TempTree.h"

#include <string>

struct ScanRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the program with `arguments` (one command line), its standard output
// and error going to files of `tree`. Started directly, not through the
// command interpreter: under load Wine's cmd now and then failed to find the
// program.
ScanRun RunScan(const TempTree& tree, const std::wstring& arguments);

// The number of line feeds in `text`.
size_t LineCount(const std::string& text);
