#pragma once
// The command line of clonarium-scan:
//   clonarium-scan [--mode exact|images] [--all] [--preset FILE]
//                  [--similarity N] [--no-rotations] [--mirrors|--no-mirrors]
//                  [--select RULE [--delete recycle|permanent|backup:FOLDER]]
//                  [--report csv|html|xml|json FILE|-] [--no-cache] [--clear-cache]
//                  PATH...
#include "deletion/DeleteTypes.h"
#include "engine/FileRecord.h"
#include "engine/SearchParameters.h"
#include "results/SmartSelect.h"

#include <optional>
#include <string>
#include <vector>

namespace clonarium {

extern const wchar_t kScanUsage[];

enum class ReportKind { Csv, Html, Xml, Json };

// The report's FILE that sends the JSON report to standard output.
inline constexpr wchar_t kStandardOutput[] = L"-";

struct ScanReport {
    ReportKind kind = ReportKind::Csv;
    std::wstring path;

    // Then standard output carries the document and nothing else.
    bool ToStandardOutput() const { return path == kStandardOutput; }
};

struct ScanOptions {
    std::optional<ResultMode> mode; // the preset's, or exact duplicates, when not given
    bool admitAll = false;
    std::wstring presetFile;
    std::optional<uint16_t> similarity;
    bool noRotations = false;
    std::optional<bool> mirrors; // the preset's (on in a fresh one) when not given
    std::optional<SmartSelectRule> selectRule;
    std::optional<ScanReport> report;
    std::optional<DeleteParameters> deletion; // only with a rule; a backup folder made absolute
    bool noCache = false;                     // neither read nor write the search cache
    bool clearCache = false;                  // empty it first; the only thing done without a PATH
    std::vector<std::wstring> paths;
};

// False with a one-line message (without the program's name) when the
// arguments cannot be used.
bool ParseScanCommandLine(const std::vector<std::wstring>& arguments, ScanOptions& options, std::wstring& error);

// The path made absolute in place; false with a message when it cannot be.
bool MakeAbsolute(std::wstring& path, std::wstring& error);

// Each path, made absolute, becomes a file root when it names a file and a
// folder root when it names a folder. False with a message for a path that
// names neither.
bool ResolveScanRoots(const std::vector<std::wstring>& paths, std::vector<SearchRoot>& roots, std::wstring& error);

// The search cache's file, beside the settings the program would use from
// this executable's folder (created on the way); empty when unknown.
std::wstring ScanCacheFile();

// Ignore masks off, protected folders off, every attribute switch on.
void AdmitEveryFile(SearchParameters& parameters);

// The parameters the options ask for: a freshly reset record or the preset
// file, then --mode, --similarity, --no-rotations, --mirrors or --no-mirrors
// and --all. False with a message when the preset file
// cannot be read; the file is never written.
bool MakeScanParameters(const ScanOptions& options, SearchParameters& parameters, std::wstring& error);

} // namespace clonarium
