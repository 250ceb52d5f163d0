#include "tools/clonarium-scan/ScanCommandLine.h"

#include "system/LongPath.h"
#include "storage/SearchPresets.h"

#include <windows.h>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;

const wchar_t kScanUsage[] =
    L"usage: clonarium-scan [--mode exact|images] [--all] [--preset FILE] [--similarity N] [--no-rotations] PATH...";

namespace {

// What one option does with its value (empty for options without one).
using ApplyOption = bool (*)(ScanOptions& options, const std::wstring& value, std::wstring& error);

struct OptionDefinition {
    const wchar_t* name;
    bool takesValue;
    ApplyOption apply;
};

bool ApplyMode(ScanOptions& options, const std::wstring& value, std::wstring& error)
{
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

bool ApplyAll(ScanOptions& options, const std::wstring&, std::wstring&)
{
    options.admitAll = true;
    return true;
}

bool ApplyPreset(ScanOptions& options, const std::wstring& value, std::wstring&)
{
    options.presetFile = value;
    return true;
}

bool ApplySimilarity(ScanOptions& options, const std::wstring& value, std::wstring& error)
{
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

bool ApplyNoRotations(ScanOptions& options, const std::wstring&, std::wstring&)
{
    options.noRotations = true;
    return true;
}

const OptionDefinition kOptions[] = {
    {L"--mode", true, &ApplyMode},
    {L"--all", false, &ApplyAll},
    {L"--preset", true, &ApplyPreset},
    {L"--similarity", true, &ApplySimilarity},
    {L"--no-rotations", false, &ApplyNoRotations},
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
        std::wstring value;
        if (option->takesValue) {
            if (i + 1 == arguments.size()) {
                error = argument + L" needs a value";
                return false;
            }
            value = arguments[++i];
        }
        if (!option->apply(options, value, error)) {
            return false;
        }
    }
    if (options.paths.empty()) {
        error = L"no PATH given";
        return false;
    }
    return true;
}

bool ResolveScanRoots(const std::vector<std::wstring>& paths, std::vector<SearchRoot>& roots, std::wstring& error)
{
    for (const std::wstring& path : paths) {
        const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
        std::wstring full(length, L'\0');
        const DWORD written = length == 0 ? 0 : ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
        full.resize(written < length ? written : 0);
        const DWORD attributes =
            full.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(AddLongPathPrefix(full).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            error = L"no such file or folder: " + path;
            return false;
        }
        roots.push_back({full, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    }
    return true;
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
    if (options.admitAll) {
        AdmitEveryFile(parameters);
    }
    return true;
}

} // namespace clonarium
