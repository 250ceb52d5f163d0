#include "storage/SearchPresets.h"

#include "storage/ApplicationSettings.h"
#include "system/IniFile.h"
#include "storage/StoredNames.h"

#include <algorithm>
#include <vector>

namespace clonarium {

using vandrelcommon::system::IniFile;

namespace {

const std::wstring kGeneral = L"General";
const std::wstring kSearch = L"Search";
const std::wstring kDefaultFile = L"default";
const std::wstring kExtension = L".prs";

struct ListSection {
    const wchar_t* name;
    StringSet SearchParameters::*set;
};

const ListSection kLists[] = {
    {L"Protected folders", &SearchParameters::ProtectedFolders},
    {L"Scan masks", &SearchParameters::ScanMasks},
    {L"Ignore masks", &SearchParameters::IgnoreMasks},
};

struct FlagKey {
    const wchar_t* key;
    bool SearchParameters::*flag;
};

// Every flag of the "Search" section but DoRotations, whose missing key means
// on, and DoMirrors, whose missing key means off: a preset stored before
// mirror images were matched finds what it found then.
const FlagKey kFlags[] = {
    {L"ProtectFolders", &SearchParameters::ProtectFolders},
    {L"UseIgnoreMasks", &SearchParameters::UseIgnoreMasks},
    {L"UseScanMasks", &SearchParameters::UseScanMasks},
    {L"UseLess", &SearchParameters::UseLess},
    {L"UseGreater", &SearchParameters::UseGreater},
    {L"UseModifiedBefore", &SearchParameters::UseModifiedBefore},
    {L"UseModifiedAfter", &SearchParameters::UseModifiedAfter},
    {L"UseCreatedBefore", &SearchParameters::UseCreatedBefore},
    {L"UseCreatedAfter", &SearchParameters::UseCreatedAfter},
    {L"UseAccessedBefore", &SearchParameters::UseAccessedBefore},
    {L"UseAccessedAfter", &SearchParameters::UseAccessedAfter},
    {L"SearchHidden", &SearchParameters::SearchHidden},
    {L"SearchSystem", &SearchParameters::SearchSystem},
    {L"SearchArchive", &SearchParameters::SearchArchive},
    {L"SearchReadOnly", &SearchParameters::SearchReadOnly},
    {L"SearchCompressed", &SearchParameters::SearchCompressed},
    {L"SearchEncrypted", &SearchParameters::SearchEncrypted},
};

struct DateKey {
    const wchar_t* key;
    FILETIME SearchParameters::*date;
};

const DateKey kDates[] = {
    {L"ModifiedBefore", &SearchParameters::ModifiedBefore},
    {L"ModifiedAfter", &SearchParameters::ModifiedAfter},
    {L"CreatedBefore", &SearchParameters::CreatedBefore},
    {L"CreatedAfter", &SearchParameters::CreatedAfter},
    {L"AccessedBefore", &SearchParameters::AccessedBefore},
    {L"AccessedAfter", &SearchParameters::AccessedAfter},
};

// Bounds are written as unsigned decimal; reading them back as signed numbers
// would lose every bound above 2^31 - 1, so they are read the way they are written.
uint32_t ReadBound(const IniFile& file, const wchar_t* key, uint32_t current)
{
    return ParseUInt32(file.GetString(kSearch, key, L""), current);
}

uint16_t ReadUInt16(const IniFile& file, const wchar_t* key, uint16_t current)
{
    return static_cast<uint16_t>(file.GetInt(kSearch, key, current));
}

struct BuiltInPreset {
    const wchar_t* name;
    std::vector<const wchar_t*> scanMasks;
    bool similarImages;
};

const BuiltInPreset kBuiltInPresets[] = {
    {L"All files", {}, false},
    {L"Images",
        {L"*.bmp", L"*.rle", L"*.dib", L"*.crw", L"*.nef", L"*.gif", L"*.jpg", L"*.jpeg", L"*.jpe", L"*.pcx", L"*.pct",
            L"*.pict", L"*.png", L"*.psd", L"*.pspimage", L"*.thm", L"*.tif", L"*.tiff", L"*.tga", L"*.yuv"},
        false},
    {L"Photos", {L"*.jpg", L"*.jpeg", L"*.nef", L"*.crw", L"*.tif", L"*.tiff"}, false},
    {L"Videos",
        {L"*.avi", L"*.mkv", L"*.3g2", L"*.3gp", L"*.asf", L"*.asx", L"*.flv", L"*.mp4", L"*.mpg", L"*.rm", L"*.swf",
            L"*.vob", L"*.wmv"},
        false},
    {L"Music",
        {L"*.aac", L"*.aif", L"*.iff", L"*.m3u", L"*.mid", L"*.mp3", L"*.mpa", L"*.ra", L"*.wav", L"*.wma", L"*.ape",
            L"*.flac", L"*.m4a"},
        false},
    {L"Documents", {L"*.doc", L"*.docx", L"*.xls", L"*.xlsx", L"*.ppt", L"*.pptx", L"*.rtf"}, false},
    {L"Similar images",
        {L"*.bmp", L"*.rle", L"*.dib", L"*.gif", L"*.jpg", L"*.jpeg", L"*.jpe", L"*.pcx", L"*.png", L"*.psd", L"*.tif",
            L"*.tiff"},
        true},
};

} // namespace

// Loads the file into `file` and the record from it; false, with the record
// untouched, when the file cannot be read. Reading fills in the document's
// missing list sections, as a side effect that the normalising save of
// LoadPreset writes out.
static bool ReadPreset(SearchParameters& preset, const std::wstring& path, IniFile& file)
{
    if (!file.Load(path)) {
        return false;
    }
    preset.StoragePath = path;
    preset.PresetName = file.GetString(kGeneral, L"PresetName", L"(Untitled)");
    for (const ListSection& list : kLists) {
        StringSet& set = preset.*list.set;
        set.clear();
        for (const auto& [key, value] : file.GetSection(list.name)) {
            set.insert(value);
        }
    }
    preset.LessBound = ReadBound(file, L"LessBound", preset.LessBound);
    preset.GreaterBound = ReadBound(file, L"GreaterBound", preset.GreaterBound);
    preset.LessMultiplier = ReadUInt16(file, L"LessMultiplier", preset.LessMultiplier);
    preset.GreaterMultiplier = ReadUInt16(file, L"GreaterMultiplier", preset.GreaterMultiplier);
    for (const FlagKey& flag : kFlags) {
        preset.*flag.flag = file.GetBool(kSearch, flag.key, preset.*flag.flag);
    }
    for (const DateKey& date : kDates) {
        preset.*date.date = file.GetFileTime(kSearch, date.key, preset.*date.date);
    }
    preset.SearchMode =
        file.GetInt(kSearch, L"SearchMode", ExactDuplicates) == SimilarImages ? SimilarImages : ExactDuplicates;
    preset.Similarity = static_cast<uint16_t>(file.GetInt(kSearch, L"Similarity", 85));
    preset.DoRotations = file.GetBool(kSearch, L"DoRotations", true);
    preset.DoMirrors = file.GetBool(kSearch, L"DoMirrors", false);
    return true;
}

bool LoadPreset(SearchParameters& preset, const std::wstring& path)
{
    IniFile file;
    return ReadPreset(preset, path, file) && file.Save(path);
}

bool ReadPresetFile(SearchParameters& preset, const std::wstring& path)
{
    IniFile file;
    return ReadPreset(preset, path, file);
}

bool SavePreset(SearchParameters& preset, const std::wstring& path)
{
    preset.StoragePath = path;
    IniFile file;
    file.SetString(kGeneral, L"PresetName", preset.PresetName);
    for (const ListSection& list : kLists) {
        IniFile::Section& section = file.GetSection(list.name);
        int number = 0;
        for (const std::wstring& value : preset.*list.set) {
            section[std::to_wstring(number++)] = value;
        }
    }
    file.SetInt(kSearch, L"LessBound", static_cast<int32_t>(preset.LessBound));
    file.SetInt(kSearch, L"GreaterBound", static_cast<int32_t>(preset.GreaterBound));
    file.SetInt(kSearch, L"LessMultiplier", preset.LessMultiplier);
    file.SetInt(kSearch, L"GreaterMultiplier", preset.GreaterMultiplier);
    for (const FlagKey& flag : kFlags) {
        file.SetByte(kSearch, flag.key, preset.*flag.flag);
    }
    for (const DateKey& date : kDates) {
        file.SetFileTime(kSearch, date.key, preset.*date.date);
    }
    file.SetString(kSearch, L"SearchMode", preset.SearchMode == SimilarImages ? L"1" : L"0");
    file.SetInt(kSearch, L"Similarity", preset.Similarity);
    file.SetByte(kSearch, L"DoRotations", preset.DoRotations);
    file.SetByte(kSearch, L"DoMirrors", preset.DoMirrors);
    return file.Save(path);
}

void LoadPresets(ApplicationSettings& settings)
{
    settings.presets.clear();

    auto byDefault = std::make_unique<SearchParameters>(true);
    const std::wstring defaultPath = settings.presetsFolder + L"\\" + kDefaultFile;
    LoadPreset(*byDefault, defaultPath);
    byDefault->PresetName = L"(Default)";
    SavePreset(*byDefault, defaultPath);
    settings.presets.push_back(std::move(byDefault));

    ForEachStoredFile(settings.presetsFolder, kExtension, [&](const std::wstring& path) {
        auto preset = std::make_unique<SearchParameters>(false);
        LoadPreset(*preset, path);
        settings.presets.push_back(std::move(preset));
    });
}

SearchParameters& CreatePreset(ApplicationSettings& settings, const std::wstring& requestedName)
{
    auto preset = std::make_unique<SearchParameters>(false);
    preset->PresetName = UniqueName(requestedName, [&](const std::wstring& name) {
        return std::any_of(settings.presets.begin(), settings.presets.end(),
            [&](const auto& existing) { return existing->PresetName == name; });
    });
    SavePreset(*preset, UniqueFilePath(settings.presetsFolder, FileNameFor(preset->PresetName), kExtension));
    settings.presets.push_back(std::move(preset));
    return *settings.presets.back();
}

void CreateBuiltInPresets(ApplicationSettings& settings)
{
    for (const BuiltInPreset& builtIn : kBuiltInPresets) {
        SearchParameters& preset = CreatePreset(settings, builtIn.name);
        preset.ScanMasks = StringSet(builtIn.scanMasks.begin(), builtIn.scanMasks.end());
        preset.UseScanMasks = !builtIn.scanMasks.empty();
        if (builtIn.similarImages) {
            preset.Similarity = 85;
            preset.SearchMode = SimilarImages;
        }
        if (!preset.StoragePath.empty()) {
            SavePreset(preset, preset.StoragePath);
        }
    }
}

int DeletePreset(ApplicationSettings& settings, size_t index)
{
    return DeleteStoredEntry(settings.presets, index, &SearchParameters::IsDefault, &SearchParameters::StoragePath);
}

} // namespace clonarium
