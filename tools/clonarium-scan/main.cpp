// clonarium-scan: finds duplicate files from the command line, for
// benchmarks and diagnostics. Exit 0 on success, 2 on a usage error, 1
// when output, a report or a deletion failed.
#include "deletion/FileOperations.h"
#include "engine/DuplicateFinder.h"
#include "engine/DuplicateImageFinder.h"
#include "engine/SearchCacheDatabase.h"
#include "system/TextEncoding.h"
#include "tools/clonarium-scan/ScanCommandLine.h"
#include "tools/clonarium-scan/ScanOutput.h"
#include "tools/clonarium-scan/ScanResult.h"
#include "i18n/Localizer.h"

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

int OutputError(const std::string& message)
{
    WriteText(::GetStdHandle(STD_ERROR_HANDLE), "clonarium-scan: " + message + "\r\n");
    return kOutputError;
}

// Says on standard error what became of a cache that was not simply opened.
void TellCacheOpened(SearchCacheDatabase::OpenResult result, bool droppedOldFile, const std::wstring& path)
{
    std::string lines;
    if (droppedOldFile) {
        lines += "search cache: deleted " + Utf8FromWide(SearchCacheDatabase::kOldFileName) +
                 ", the cache of an earlier version, which held too few files and nothing of what was read short of "
                 "a whole file; this search starts the new one\r\n";
    }
    const std::string name = Utf8FromWide(path);
    if (result == SearchCacheDatabase::OpenResult::Replaced) {
        lines += "search cache: " + name + " was not a sound cache of this version and was made anew\r\n";
    } else if (result == SearchCacheDatabase::OpenResult::Newer) {
        lines += "search cache: " + name + " belongs to a newer version; searching without it\r\n";
    } else if (result == SearchCacheDatabase::OpenResult::Failed) {
        lines += "search cache: cannot open " + name + "; searching without it\r\n";
    }
    WriteText(::GetStdHandle(STD_ERROR_HANDLE), lines);
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
    const std::wstring cacheFile = ScanCacheFile();
    if (options.clearCache && !SearchCacheDatabase::Clear(cacheFile)) {
        return OutputError(
            "cannot delete the cache " + Utf8FromWide(cacheFile) + ": " + Utf8FromWide(SystemErrorText()));
    }
    if (options.paths.empty()) {
        return 0; // --clear-cache alone
    }
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const auto mode = static_cast<ResultMode>(parameters.SearchMode);
    ScanCallback callback(output, ::GetStdHandle(STD_ERROR_HANDLE));
    // A rule, a report or a deletion works on the result as the program keeps it.
    const bool keepResult = options.selectRule || options.report;
    CVirtualTree tree;
    if (keepResult) {
        LoadLanguage("en");
        callback.KeepGroups(tree, mode);
    }
    std::unique_ptr<AbstractDuplicateFinder> finder;
    DuplicateFinder* exactFinder = nullptr;
    if (parameters.SearchMode == SimilarImages) {
        finder = std::make_unique<DuplicateImageFinder>(parameters);
    } else {
        finder = std::make_unique<DuplicateFinder>(parameters);
        exactFinder = static_cast<DuplicateFinder*>(finder.get());
    }
    const auto start = std::chrono::steady_clock::now();
    SearchCacheDatabase cache;
    if (!options.noCache && !cacheFile.empty()) {
        TellCacheOpened(cache.Open(cacheFile), cache.DroppedOldFile(), cacheFile);
    }
    if (cache.IsOpen()) {
        finder->SetCache(&cache);
    }
    finder->FindDuplicates(roots, &callback);
    cache.Close();
    bool written = callback.Flush();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    WriteText(::GetStdHandle(STD_ERROR_HANDLE), callback.Summary(seconds.count()));
    if (exactFinder != nullptr) {
        WriteText(::GetStdHandle(STD_ERROR_HANDLE), "files opened: " + std::to_string(exactFinder->FilesOpened()) +
                                                        "\r\nbytes read: " + std::to_string(exactFinder->BytesRead()) +
                                                        "\r\n");
    }
    if (keepResult) {
        PrepareResult(tree, options);
    }
    if (keepResult && !(options.report && options.report->ToStandardOutput())) {
        std::string lines;
        AppendResult(tree, options.selectRule.has_value(), lines);
        written = WriteText(output, lines) && written;
    }
    if (!written) {
        return OutputError("cannot write the groups");
    }
    if (options.report && !WriteScanReport(tree, mode, *options.report, callback.FilesNotRead())) {
        return OutputError("cannot write the report " + Utf8FromWide(options.report->path));
    }
    if (options.deletion && DeleteMarkedFiles(tree, mode, *options.deletion, output) > 0) {
        return kOutputError;
    }
    return 0;
}
