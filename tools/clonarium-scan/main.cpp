// clonarium-scan: finds duplicate files from the command line, for
// benchmarks and diagnostics. Exit 0 on success, 2 on a usage error.
#include "engine/DuplicateFinder.h"
#include "engine/DuplicateImageFinder.h"
#include "system/TextEncoding.h"
#include "tools/clonarium-scan/ScanCommandLine.h"
#include "tools/clonarium-scan/ScanOutput.h"

#include <windows.h>

#include <chrono>
#include <memory>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

constexpr int kUsageError = 2;
constexpr int kOutputError = 1;

int UsageError(const std::wstring& message)
{
    WriteText(
        ::GetStdHandle(STD_ERROR_HANDLE), Utf8FromWide(L"clonarium-scan: " + message + L"; " + kScanUsage) + "\r\n");
    return kUsageError;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::vector<std::wstring> arguments(argv + 1, argv + argc);
    ScanOptions options;
    std::vector<SearchRoot> roots;
    std::wstring error;
    SearchParameters parameters;
    if (!ParseScanCommandLine(arguments, options, error) || !ResolveScanRoots(options.paths, roots, error) ||
        !MakeScanParameters(options, parameters, error)) {
        return UsageError(error);
    }
    ScanCallback callback(::GetStdHandle(STD_OUTPUT_HANDLE));
    std::unique_ptr<AbstractDuplicateFinder> finder;
    if (parameters.SearchMode == SimilarImages) {
        finder = std::make_unique<DuplicateImageFinder>(parameters);
    } else {
        finder = std::make_unique<DuplicateFinder>(parameters);
    }
    const auto start = std::chrono::steady_clock::now();
    finder->FindDuplicates(roots, &callback);
    const bool written = callback.Flush();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    WriteText(::GetStdHandle(STD_ERROR_HANDLE), callback.Summary(seconds.count()));
    if (!written) {
        WriteText(::GetStdHandle(STD_ERROR_HANDLE), "clonarium-scan: cannot write the groups\r\n");
        return kOutputError;
    }
    return 0;
}
