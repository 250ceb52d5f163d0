#include "storage/SearchPresets.h"

#include "system/Handles.h"
#include "storage/ApplicationSettings.h"
#include "system/IniFile.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <functional>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

class SearchPresetsTest : public ::testing::Test {
protected:
    SearchPresetsTest()
    {
        settings.presetsFolder = tree.MakeFolder(L"presets");
        settings.regexpsFolder = tree.MakeFolder(L"regexps");
    }
    std::wstring PresetFile(const std::wstring& name) const { return settings.presetsFolder + L"\\" + name; }
    bool Exists(const std::wstring& name) const
    {
        return ::GetFileAttributesW(PresetFile(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::vector<std::wstring> Names() const
    {
        std::vector<std::wstring> names;
        for (const auto& preset : settings.presets) {
            names.push_back(preset->PresetName);
        }
        return names;
    }

    TempTree tree;
    ApplicationSettings settings;
};

TEST_F(SearchPresetsTest, SaveAndLoadKeepEveryStoredField)
{
    SearchParameters saved;
    saved.PresetName = L"Holiday pictures";
    saved.ScanMasks = {L"*.jpg", L"*.png"};
    saved.IgnoreMasks = {L"thumbs.db"};
    saved.ProtectedFolders = {L"C:\\Keep", L"D:\\"};
    saved.LessBound = 4000000000u; // above what a signed reading keeps
    saved.GreaterBound = 12;
    saved.LessMultiplier = Gigabytes;
    saved.GreaterMultiplier = Kilobytes;
    saved.UseLess = saved.UseGreater = saved.UseScanMasks = true;
    saved.ProtectFolders = saved.UseIgnoreMasks = false;
    saved.UseModifiedBefore = saved.UseAccessedAfter = true;
    saved.SearchHidden = saved.SearchEncrypted = true;
    saved.SearchArchive = false;
    saved.ModifiedBefore = MakeFileTime(0x01DA123456789ABCull);
    saved.AccessedAfter = MakeFileTime(0xFFFFFFFF00000001ull);
    saved.SearchMode = SimilarImages;
    saved.Similarity = 70;
    saved.DoRotations = false;
    saved.DoMirrors = false;
    const std::wstring path = PresetFile(L"holiday.prs");
    ASSERT_TRUE(SavePreset(saved, path));
    EXPECT_EQ(saved.StoragePath, path);

    SearchParameters loaded;
    ASSERT_TRUE(LoadPreset(loaded, path));
    EXPECT_EQ(loaded.StoragePath, path);
    EXPECT_EQ(loaded.PresetName, L"Holiday pictures");
    EXPECT_TRUE(loaded == saved);
    EXPECT_EQ(loaded.LessBound, 4000000000u);
    EXPECT_EQ(loaded.Similarity, 70);
    EXPECT_FALSE(loaded.DoRotations);
    EXPECT_FALSE(loaded.DoMirrors);
    EXPECT_FALSE(loaded.IsDefault);
}

// Each field of "Search" is written under its own key (a changed field
// changes that key and no other), and read back from it.
TEST_F(SearchPresetsTest, EveryFieldHasItsOwnKey)
{
    const std::pair<const wchar_t*, bool SearchParameters::*> flags[] = {
        {L"DoMirrors", &SearchParameters::DoMirrors},
        {L"DoRotations", &SearchParameters::DoRotations},
        {L"ProtectFolders", &SearchParameters::ProtectFolders},
        {L"SearchArchive", &SearchParameters::SearchArchive},
        {L"SearchCompressed", &SearchParameters::SearchCompressed},
        {L"SearchEncrypted", &SearchParameters::SearchEncrypted},
        {L"SearchHidden", &SearchParameters::SearchHidden},
        {L"SearchReadOnly", &SearchParameters::SearchReadOnly},
        {L"SearchSystem", &SearchParameters::SearchSystem},
        {L"UseAccessedAfter", &SearchParameters::UseAccessedAfter},
        {L"UseAccessedBefore", &SearchParameters::UseAccessedBefore},
        {L"UseCreatedAfter", &SearchParameters::UseCreatedAfter},
        {L"UseCreatedBefore", &SearchParameters::UseCreatedBefore},
        {L"UseGreater", &SearchParameters::UseGreater},
        {L"UseIgnoreMasks", &SearchParameters::UseIgnoreMasks},
        {L"UseLess", &SearchParameters::UseLess},
        {L"UseModifiedAfter", &SearchParameters::UseModifiedAfter},
        {L"UseModifiedBefore", &SearchParameters::UseModifiedBefore},
        {L"UseScanMasks", &SearchParameters::UseScanMasks},
    };
    const std::pair<const wchar_t*, FILETIME SearchParameters::*> dates[] = {
        {L"AccessedAfter", &SearchParameters::AccessedAfter},
        {L"AccessedBefore", &SearchParameters::AccessedBefore},
        {L"CreatedAfter", &SearchParameters::CreatedAfter},
        {L"CreatedBefore", &SearchParameters::CreatedBefore},
        {L"ModifiedAfter", &SearchParameters::ModifiedAfter},
        {L"ModifiedBefore", &SearchParameters::ModifiedBefore},
    };
    std::vector<std::pair<const wchar_t*, std::function<void(SearchParameters&)>>> changes = {
        {L"GreaterBound", [](SearchParameters& p) { p.GreaterBound = 7; }},
        {L"GreaterMultiplier", [](SearchParameters& p) { p.GreaterMultiplier = Megabytes; }},
        {L"LessBound", [](SearchParameters& p) { p.LessBound = 9; }},
        {L"LessMultiplier", [](SearchParameters& p) { p.LessMultiplier = Kilobytes; }},
        {L"SearchMode", [](SearchParameters& p) { p.SearchMode = SimilarImages; }},
        {L"Similarity", [](SearchParameters& p) { p.Similarity = 42; }},
    };
    for (const auto& [key, flag] : flags) {
        changes.push_back({key, [flag](SearchParameters& p) { p.*flag = !(p.*flag); }});
    }
    for (const auto& [key, date] : dates) {
        changes.push_back({key, [date](SearchParameters& p) { p.*date = MakeFileTime(0x0123456789ull); }});
    }

    const std::wstring path = PresetFile(L"keys.prs");
    auto searchSection = [&](SearchParameters preset) {
        EXPECT_TRUE(SavePreset(preset, path));
        IniFile file;
        EXPECT_TRUE(file.Load(path));
        return file.GetSections().at(L"Search");
    };
    const SearchParameters fresh;
    const IniFile::Section unchanged = searchSection(fresh);
    EXPECT_EQ(unchanged.size(), changes.size()) << "a key without a field here";
    for (const auto& [key, change] : changes) {
        SearchParameters changed = fresh;
        change(changed);
        IniFile::Section written = searchSection(changed);
        EXPECT_NE(written[key], unchanged.at(key)) << testing::PrintToString(std::wstring(key));
        SearchParameters loaded;
        ASSERT_TRUE(LoadPreset(loaded, path));
        EXPECT_TRUE(
            loaded == changed && loaded.DoRotations == changed.DoRotations && loaded.DoMirrors == changed.DoMirrors)
            << testing::PrintToString(std::wstring(key));
        written[key] = unchanged.at(key);
        EXPECT_EQ(written, unchanged) << testing::PrintToString(std::wstring(key));
    }
}

TEST_F(SearchPresetsTest, MissingKeysKeepTheRecordsValuesOddOnesAreTakenAsTheyCome)
{
    const std::wstring path =
        tree.MakeFile(L"presets\\odd.prs", Utf16File(L"[Search]\nSearchMode=2\nSimilarity=150\nUseGreater=1\n"
                                                     L"LessMultiplier=65539\nSearchHidden=7\n"));
    SearchParameters preset;
    preset.UseLess = true; // not in the file: stays
    preset.SearchHidden = true;
    preset.LessBound = 42;
    preset.DoRotations = false;
    preset.DoMirrors = true;
    ASSERT_TRUE(LoadPreset(preset, path));
    EXPECT_TRUE(preset.UseLess);
    EXPECT_TRUE(preset.UseGreater);
    EXPECT_TRUE(preset.SearchHidden); // 7 is neither 0 nor 1
    EXPECT_EQ(preset.LessBound, 42u);
    EXPECT_EQ(preset.SearchMode, ExactDuplicates);
    EXPECT_EQ(preset.Similarity, 150);
    EXPECT_EQ(preset.LessMultiplier, 3); // kept in 16 bits
    EXPECT_TRUE(preset.DoRotations);     // a missing key means on
    EXPECT_FALSE(preset.DoMirrors);      // and off: stored before mirror images were matched
    EXPECT_EQ(preset.PresetName, L"(Untitled)");
    EXPECT_TRUE(preset.ScanMasks.empty() && preset.IgnoreMasks.empty() && preset.ProtectedFolders.empty());
}

TEST_F(SearchPresetsTest, LoadingRewritesTheFileInItsNormalForm)
{
    const std::wstring path = tree.MakeFile(
        L"presets\\masks.prs", Utf16File(L"[Scan masks]\r\nb=*.gif\r\na=*.bmp\r\n[General]\r\nPresetName=Masks\r\n"));
    SearchParameters preset;
    ASSERT_TRUE(LoadPreset(preset, path));
    EXPECT_EQ(preset.ScanMasks, (StringSet{L"*.bmp", L"*.gif"}));
    IniFile written;
    ASSERT_TRUE(written.Load(path));
    // The document goes back as it was read; the keys are renumbered by the
    // next save of the preset.
    EXPECT_EQ(written.GetSections().at(L"Scan masks"), (IniFile::Section{{L"a", L"*.bmp"}, {L"b", L"*.gif"}}));
    // Only what the loader asked for is added; the missing list sections now exist.
    EXPECT_EQ(written.GetSections().count(L"Ignore masks"), 1u);
    EXPECT_EQ(written.GetSections().count(L"Protected folders"), 1u);
    EXPECT_EQ(written.GetSections().count(L"Search"), 0u);
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.find('\r'), std::string::npos);
    ASSERT_TRUE(SavePreset(preset, path));
    ASSERT_TRUE(written.Load(path));
    EXPECT_EQ(written.GetSections().at(L"Scan masks"), (IniFile::Section{{L"0", L"*.bmp"}, {L"1", L"*.gif"}}));
}

// A file that opens but cannot be rewritten. Held open against writing here:
// under Wine run as root a read-only file is written all the same.
TEST_F(SearchPresetsTest, FileThatCannotBeRewrittenLoadsCompletelyButReportsFalse)
{
    const std::string bytes =
        Utf16File(L"[General]\r\nPresetName=Fixed\r\n[Scan masks]\r\n0=*.raw\r\n[Search]\r\nSimilarity=70\r\n");
    const std::wstring path = tree.MakeFile(L"presets\\fixed.prs", bytes);
    vandrelcommon::system::KernelHandle holder(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    SearchParameters preset;
    EXPECT_FALSE(LoadPreset(preset, path));
    holder.Reset();
    EXPECT_EQ(preset.PresetName, L"Fixed");
    EXPECT_EQ(preset.ScanMasks, StringSet{L"*.raw"});
    EXPECT_EQ(preset.Similarity, 70);
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST_F(SearchPresetsTest, UnreadableFileLeavesTheRecordUntouched)
{
    SearchParameters preset;
    preset.PresetName = L"Mine";
    EXPECT_FALSE(LoadPreset(preset, PresetFile(L"missing.prs")));
    EXPECT_EQ(preset.PresetName, L"Mine");
    EXPECT_TRUE(preset.StoragePath.empty());
}

TEST_F(SearchPresetsTest, DefaultPresetFirstThenEveryPresetFile)
{
    tree.MakeFile(L"presets\\default", Utf16File(L"[General]\nPresetName=Renamed\n[Search]\nUseLess=1\n"));
    tree.MakeFile(L"presets\\one.prs", Utf16File(L"[General]\nPresetName=One\n"));
    tree.MakeFolder(L"presets\\folder.prs"); // listed, cannot be loaded
    tree.MakeFile(L"presets\\ignored.txt", Utf16File(L"[General]\nPresetName=Not a preset\n"));
    LoadPresets(settings);
    ASSERT_EQ(settings.presets.size(), 3u);
    const SearchParameters& byDefault = *settings.presets[0];
    EXPECT_EQ(byDefault.PresetName, L"(Default)");
    EXPECT_TRUE(byDefault.IsDefault);
    EXPECT_TRUE(byDefault.UseLess);
    IniFile rewritten;
    ASSERT_TRUE(rewritten.Load(PresetFile(L"default")));
    EXPECT_EQ(rewritten.GetString(L"General", L"PresetName", L""), L"(Default)");

    std::vector<std::wstring> rest = {settings.presets[1]->PresetName, settings.presets[2]->PresetName};
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<std::wstring>{L"(Untitled)", L"One"}));
    for (size_t i = 1; i < settings.presets.size(); ++i) {
        EXPECT_FALSE(settings.presets[i]->IsDefault);
        if (settings.presets[i]->PresetName == L"(Untitled)") {
            EXPECT_TRUE(settings.presets[i]->StoragePath.empty());
        }
    }

    // Loading again rebuilds the list rather than adding to it.
    LoadPresets(settings);
    EXPECT_EQ(settings.presets.size(), 3u);
}

TEST_F(SearchPresetsTest, MissingDefaultFileIsCreated)
{
    LoadPresets(settings);
    ASSERT_EQ(settings.presets.size(), 1u);
    EXPECT_TRUE(Exists(L"default"));
    EXPECT_EQ(settings.presets[0]->StoragePath, PresetFile(L"default"));
    EXPECT_EQ(settings.presets[0]->IgnoreMasks.size(), 7u);
}

TEST_F(SearchPresetsTest, NewPresetsGetUniqueNamesAndFilesCountedSeparately)
{
    LoadPresets(settings);
    CreatePreset(settings, L"Images");
    CreatePreset(settings, L"Images");
    tree.MakeFile(L"presets\\Images (2).prs", "left over");
    const SearchParameters& third = CreatePreset(settings, L"Images");
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"(Default)", L"Images", L"Images (1)", L"Images (2)"}));
    EXPECT_EQ(settings.presets[1]->StoragePath, PresetFile(L"Images.prs"));
    EXPECT_EQ(settings.presets[2]->StoragePath, PresetFile(L"Images (1).prs"));
    EXPECT_EQ(third.StoragePath, PresetFile(L"Images (2) (1).prs"));
    EXPECT_TRUE(Exists(L"Images (2) (1).prs"));
}

TEST_F(SearchPresetsTest, FileNamesReplaceTheCharactersWindowsRefuses)
{
    EXPECT_EQ(CreatePreset(settings, L"a/b:c").StoragePath, PresetFile(L"a_b_c.prs"));
    EXPECT_EQ(CreatePreset(settings, L":\\/*?|<>").StoragePath, PresetFile(L"________.prs"));
    EXPECT_EQ(CreatePreset(settings, L"").StoragePath, PresetFile(L"(Untitled).prs"));
    EXPECT_TRUE(Exists(L"a_b_c.prs"));
    EXPECT_TRUE(Exists(L"(Untitled).prs"));
}

TEST_F(SearchPresetsTest, DefaultPresetCannotBeDeletedOthersTakeTheirFileWithThem)
{
    LoadPresets(settings);
    CreatePreset(settings, L"A");
    CreatePreset(settings, L"B");
    EXPECT_EQ(DeletePreset(settings, 0), -1);
    EXPECT_EQ(settings.presets.size(), 3u);
    EXPECT_TRUE(Exists(L"default"));
    EXPECT_EQ(DeletePreset(settings, 1), 1); // B takes A's place
    EXPECT_FALSE(Exists(L"A.prs"));
    EXPECT_EQ(DeletePreset(settings, 1), 0); // the last one: the one before it
    EXPECT_FALSE(Exists(L"B.prs"));
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"(Default)"});
    EXPECT_EQ(DeletePreset(settings, 5), -1);
}

TEST_F(SearchPresetsTest, FirstRunCreatesTheBuiltInPresets)
{
    EXPECT_FALSE(settings.LoadSettings(tree.Path(L"settings.ini")));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"(Default)", L"All files", L"Images", L"Photos", L"Videos", L"Music",
                           L"Documents", L"Similar images"}));
    const SearchParameters& photos = *settings.presets[3];
    EXPECT_EQ(photos.ScanMasks, (StringSet{L"*.jpg", L"*.jpeg", L"*.nef", L"*.crw", L"*.tif", L"*.tiff"}));
    EXPECT_TRUE(photos.UseScanMasks);
    EXPECT_FALSE(settings.presets[1]->UseScanMasks);
    EXPECT_EQ(settings.presets[2]->ScanMasks.size(), 20u);
    const SearchParameters& similar = *settings.presets[7];
    EXPECT_EQ(similar.SearchMode, SimilarImages);
    EXPECT_EQ(similar.Similarity, 85);

    // What was written is what the next start reads.
    ApplicationSettings next;
    next.presetsFolder = settings.presetsFolder;
    next.regexpsFolder = settings.regexpsFolder;
    EXPECT_TRUE(next.LoadSettings(tree.Path(L"settings.ini")));
    ASSERT_EQ(next.presets.size(), 8u);
    for (const auto& preset : next.presets) {
        if (preset->PresetName == L"Photos") {
            EXPECT_TRUE(*preset == photos);
        }
    }
}

TEST_F(SearchPresetsTest, NoBuiltInPresetsWhenTheSettingsFileCannotBeWritten)
{
    EXPECT_FALSE(settings.LoadSettings(tree.Path(L"no such folder\\settings.ini")));
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"(Default)"});
}

} // namespace
