#include "tools/clonarium-scan/ScanCommandLine.h"

#include "system/LongPath.h"
#include "storage/ApplicationFolders.h"
#include "storage/SearchPresets.h"

#include <windows.h>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;

const wchar_t kScanUsage[] =
    L"usage: clonarium-scan [--mode exact|images] [--all] [--preset FILE] [--similarity N] [--no-rotations] "
    L"[--mirrors|--no-mirrors] [--select RULE [--delete recycle|permanent|backup:FOLDER]] "
    L"[--report csv|html|xml|json FILE] [--no-cache] [--clear-cache] PATH...";

namespace {

// What one option does with its values.
using ApplyOption = bool (*)(ScanOptions& options, const std::vector<std::wstring>& values, std::wstring& error);

struct OptionDefinition {
    const wchar_t* name;
    size_t valueCount;
    ApplyOption apply;
};

bool ApplyMode(ScanOptions& options, const std::vector<std::wstring>& values, std::wstring& error)
{
    const std::wstring& value = values[0];
    if (value == L"exact") {
        options.mode = ExactDuplicates;
        return true;
    }
    if (value == L"images") {
        options.mode = SimilarImages;
        return true;
    }
    error = L"unknown mode '" + value + L"' (exact or images)";
    return false;
}

bool ApplyAll(ScanOptions& options, const std::vector<std::wstring>&, std::wstring&)
{
    options.admitAll = true;
    return true;
}

bool ApplyPreset(ScanOptions& options, const std::vector<std::wstring>& values, std::wstring&)
{
    options.presetFile = values[0];
    return true;
}

bool ApplySimilarity(ScanOptions& options, const std::vector<std::wstring>& values, std::wstring& error)
{
    const std::wstring& value = values[0];
    const bool digits =
        !value.empty() && value.size() <= 3 && value.find_first_not_of(L"0123456789") == std::wstring::npos;
    const int similarity = digits ? std::stoi(value) : 0;
    if (similarity < 1 || similarity > 100) {
        error = L"--similarity takes a whole number from 1 to 100, not '" + value + L"'";
        return false;
    }
    options.similarity = static_cast<uint16_t>(similarity);
    return true;
}

bool ApplyNoRotations(ScanOptions& options, const std::vector<std::wstring>&, std::wstring&)
{
    options.noRotations = true;
    return true;
}

bool ApplyMirrors(ScanOptions& options, const std::vector<std::wstring>&, std::wstring&)
{
    options.mirrors = true;
    return true;
}

bool ApplyNoMirrors(ScanOptions& options, const std::vector<std::wstring>&, std::wstring&)
{
    options.mirrors = false;
    return true;
}

bool ApplyNoCache(ScanOptions& options, const std::vector<std::wstring>&, std::wstring&)
{
    options.noCache = true;
    return true;
}

bool ApplyClearCache(ScanOptions& options, const std::vector<std::wstring>&, std::wstring&)
{
    options.clearCache = true;
    return true;
}

bool ApplySelect(ScanOptions& options, const std::vector<std::wstring>& values, std::wstring& error)
{
    const std::string key(values[0].begin(), values[0].end()); // rule keys are ASCII
    options.selectRule = SmartRuleByKey(key);
    if (!options.selectRule) {
        error = L"unknown rule '" + values[0] + L"' (keep-first, keep-last, keep-newest-modified, ...)";
        return false;
    }
    return true;
}

bool ApplyReport(ScanOptions& options, const std::vector<std::wstring>& values, std::wstring& error)
{
    const std::pair<const wchar_t*, ReportKind> kinds[] = {
        {L"csv", ReportKind::Csv}, {L"html", ReportKind::Html}, {L"xml", ReportKind::Xml}, {L"json", ReportKind::Json}};
    for (const auto& [name, kind] : kinds) {
        if (values[0] != name) {
            continue;
        }
        if (values[1] == kStandardOutput && kind != ReportKind::Json) {
            error = L"only the json report goes to standard output ('-')";
            return false;
        }
        options.report = ScanReport{kind, values[1]};
        return true;
    }
    error = L"unknown report kind '" + values[0] + L"' (csv, html, xml or json)";
    return false;
}

bool ApplyDelete(ScanOptions& options, const std::vector<std::wstring>& values, std::wstring& error)
{
    const std::wstring& value = values[0];
    DeleteParameters parameters;
    if (value == L"recycle") {
        parameters.mode = DeleteMode::ToRecycleBin;
    } else if (value == L"permanent") {
        parameters.mode = DeleteMode::Permanently;
    } else if (value.starts_with(L"backup:") && value.size() > 7) {
        parameters.mode = DeleteMode::BackupInFolder;
        parameters.backupFolder = value.substr(7);
    } else {
        error = L"--delete takes recycle, permanent or backup:FOLDER, not '" + value + L"'";
        return false;
    }
    options.deletion = parameters;
    return true;
}

const OptionDefinition kOptions[] = {
    {L"--mode", 1, &ApplyMode},
    {L"--all", 0, &ApplyAll},
    {L"--preset", 1, &ApplyPreset},
    {L"--similarity", 1, &ApplySimilarity},
    {L"--no-rotations", 0, &ApplyNoRotations},
    {L"--mirrors", 0, &ApplyMirrors},
    {L"--no-mirrors", 0, &ApplyNoMirrors},
    {L"--select", 1, &ApplySelect},
    {L"--report", 2, &ApplyReport},
    {L"--delete", 1, &ApplyDelete},
    {L"--no-cache", 0, &ApplyNoCache},
    {L"--clear-cache", 0, &ApplyClearCache},
};

const OptionDefinition* FindOption(const std::wstring& name)
{
    for (const OptionDefinition& option : kOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

} // namespace

bool ParseScanCommandLine(const std::vector<std::wstring>& arguments, ScanOptions& options, std::wstring& error)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != L'-') {
            options.paths.push_back(argument);
            continue;
        }
        if (argument == L"--") {
            optionsEnded = true;
            continue;
        }
        const OptionDefinition* option = FindOption(argument);
        if (option == nullptr) {
            error = L"unknown option " + argument;
            return false;
        }
        if (arguments.size() - i - 1 < option->valueCount) {
            error = argument + (option->valueCount == 1 ? L" needs a value" : L" needs two values");
            return false;
        }
        const std::vector<std::wstring> values(arguments.begin() + static_cast<ptrdiff_t>(i) + 1,
            arguments.begin() + static_cast<ptrdiff_t>(i + 1 + option->valueCount));
        i += option->valueCount;
        if (!option->apply(options, values, error)) {
            return false;
        }
    }
    if (options.paths.empty() && !options.clearCache) {
        error = L"no PATH given";
        return false;
    }
    if (options.deletion && !options.selectRule) {
        error = L"--delete deletes only what a --select rule marks";
        return false;
    }
    if (options.deletion && options.report && options.report->ToStandardOutput()) {
        error = L"--delete prints what it did, so the report cannot go to standard output too";
        return false;
    }
    if (options.deletion && options.deletion->mode == DeleteMode::BackupInFolder) {
        return MakeAbsolute(options.deletion->backupFolder, error);
    }
    return true;
}

bool MakeAbsolute(std::wstring& path, std::wstring& error)
{
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    const DWORD written = length == 0 ? 0 : ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) {
        error = L"cannot make a full path of " + path;
        return false;
    }
    full.resize(written);
    path = full;
    return true;
}

bool ResolveScanRoots(const std::vector<std::wstring>& paths, std::vector<SearchRoot>& roots, std::wstring& error)
{
    for (const std::wstring& path : paths) {
        std::wstring full = path;
        std::wstring ignored;
        const DWORD attributes = !MakeAbsolute(full, ignored) ? INVALID_FILE_ATTRIBUTES
                                                              : ::GetFileAttributesW(AddLongPathPrefix(full).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            error = L"no such file or folder: " + path;
            return false;
        }
        roots.push_back({full, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    }
    return true;
}

std::wstring ScanCacheFile()
{
    ApplicationFolders folders;
    if (!ChooseApplicationFolders(SystemFolderRoots(), folders)) {
        return std::wstring();
    }
    CreateApplicationFolders(folders);
    return folders.cacheFile;
}

void AdmitEveryFile(SearchParameters& parameters)
{
    parameters.UseIgnoreMasks = false;
    parameters.ProtectFolders = false;
    parameters.SearchHidden = true;
    parameters.SearchSystem = true;
    parameters.SearchReadOnly = true;
    parameters.SearchCompressed = true;
    parameters.SearchEncrypted = true;
    parameters.SearchArchive = true;
}

bool MakeScanParameters(const ScanOptions& options, SearchParameters& parameters, std::wstring& error)
{
    parameters = SearchParameters();
    if (!options.presetFile.empty() && !ReadPresetFile(parameters, options.presetFile)) {
        error = L"cannot read the preset file " + options.presetFile;
        return false;
    }
    if (options.mode) {
        parameters.SearchMode = *options.mode;
    }
    if (options.similarity) {
        parameters.Similarity = *options.similarity;
    }
    if (options.noRotations) {
        parameters.DoRotations = false;
    }
    if (options.mirrors) {
        parameters.DoMirrors = *options.mirrors;
    }
    if (options.admitAll) {
        AdmitEveryFile(parameters);
    }
    return true;
}

} // namespace clonarium
