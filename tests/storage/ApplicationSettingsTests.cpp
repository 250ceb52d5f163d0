#include "storage/ApplicationSettings.h"

#include "system/IniFile.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A settings file with the given lines under "General".
std::string GeneralFile(const std::wstring& lines)
{
    return Utf16File(L"[General]\n" + lines);
}

// A table code other than the system's, so that reading it can be told apart.
std::string NotTheSystemLanguage()
{
    return DefaultLanguageFromSystem() == "de" ? "fr" : "de";
}

TEST(ApplicationSettings, LanguageFromThePrimaryLanguageOfTheSystem)
{
    EXPECT_EQ(LanguageForPrimaryLanguage(7), "de");
    EXPECT_EQ(LanguageForPrimaryLanguage(12), "fr");
    EXPECT_EQ(LanguageForPrimaryLanguage(21), "pl");
    EXPECT_EQ(LanguageForPrimaryLanguage(34), "ua");
    for (uint32_t russian : {25u, 35u, 40u, 63u, 67u, 68u}) {
        EXPECT_EQ(LanguageForPrimaryLanguage(russian), "ru") << russian;
    }
    for (uint32_t other : {0u, 9u, 10u, 16u, 22u, 26u, 36u, 0xFFu}) {
        EXPECT_EQ(LanguageForPrimaryLanguage(other), "en") << other;
    }
    EXPECT_EQ(DefaultLanguageFromSystem(), LanguageForPrimaryLanguage(::GetUserDefaultUILanguage() & 0xFF));
}

TEST(ApplicationSettingsSave, WritesTheExactFile)
{
    TempTree tree;
    ApplicationSettings settings;
    const std::wstring path = tree.Path(L"settings.ini");
    ASSERT_TRUE(settings.SaveSettings(path));
    EXPECT_EQ(ReadFileBytes(path), Utf16File(L"[Delete]\n"
                                             L"BackupFolder=\n"
                                             L"[General]\n"
                                             L"Language=en\n"
                                             L"amv=0\n"
                                             L"cfu=1\n"
                                             L"ddom=0\n"
                                             L"ddt=0\n"
                                             L"dpfn=\n"
                                             L"drfn=\n"
                                             L"dst=0\n"
                                             L"ifr=0\n"
                                             L"mfm=0\n"
                                             L"spp=1\n"
                                             L"ssb=1\n"));
    EXPECT_FALSE(settings.firstRun);
    EXPECT_EQ(settings.settingsFile, path);

    settings.backupFolder = L"D:\\Backup \u00e9t\u00e9";
    settings.language = "ua";
    settings.advancedView = true;
    settings.maximized = true;
    settings.spp = false;
    settings.ssb = false;
    settings.checkForUpdates = false;
    settings.conflictAction = 3;
    settings.deleteMode = 2;
    settings.smartSelectType = 13;
    settings.defaultPresetFile = L"Images (1).prs";
    settings.defaultRulesFile = L"a=b.rer";
    ASSERT_TRUE(settings.SaveSettings(path));
    EXPECT_EQ(ReadFileBytes(path), Utf16File(L"[Delete]\n"
                                             L"BackupFolder=D:\\Backup \u00e9t\u00e9\n"
                                             L"[General]\n"
                                             L"Language=ua\n"
                                             L"amv=1\n"
                                             L"cfu=0\n"
                                             L"ddom=3\n"
                                             L"ddt=2\n"
                                             L"dpfn=Images (1).prs\n"
                                             L"drfn=a=b.rer\n"
                                             L"dst=13\n"
                                             L"ifr=0\n"
                                             L"mfm=1\n"
                                             L"spp=0\n"
                                             L"ssb=0\n"));

    ApplicationSettings reloaded;
    ASSERT_TRUE(reloaded.LoadSettings(path));
    EXPECT_EQ(reloaded.backupFolder, settings.backupFolder);
    EXPECT_EQ(reloaded.language, "ua");
    EXPECT_TRUE(reloaded.advancedView && reloaded.maximized);
    EXPECT_FALSE(reloaded.spp || reloaded.ssb || reloaded.checkForUpdates || reloaded.firstRun);
    EXPECT_EQ(reloaded.conflictAction, 3);
    EXPECT_EQ(reloaded.deleteMode, 2u);
    EXPECT_EQ(reloaded.smartSelectType, 13u);
    EXPECT_EQ(reloaded.defaultPresetFile, L"Images (1).prs");
    EXPECT_EQ(reloaded.defaultRulesFile, L"a=b.rer");
}

TEST(ApplicationSettingsSave, LeavesOutALanguageThatIsNotUtf8AndDropsUnknownKeys)
{
    TempTree tree;
    const std::wstring path =
        tree.MakeFile(L"settings.ini", Utf16File(L"[General]\nLanguage=de\nifr=0\nextra=1\n[Mine]\nk=v\n"));
    ApplicationSettings settings;
    ASSERT_TRUE(settings.LoadSettings(path));
    settings.language = "\xFF\xFE";
    ASSERT_TRUE(settings.SaveSettings(path));
    IniFile saved;
    ASSERT_TRUE(saved.Load(path));
    EXPECT_EQ(saved.GetSections().size(), 2u);
    EXPECT_EQ(saved.GetSections().at(L"General").size(), 11u);
    EXPECT_EQ(saved.GetSections().at(L"General").count(L"Language"), 0u);
    EXPECT_EQ(saved.GetSections().at(L"General").count(L"extra"), 0u);
    EXPECT_EQ(saved.GetSections().count(L"Mine"), 0u);
}

TEST(ApplicationSettingsSave, FailureChangesOnlyTheFirstRunFlag)
{
    TempTree tree;
    ApplicationSettings settings;
    settings.settingsFile = L"before";
    EXPECT_FALSE(settings.SaveSettings(tree.MakeFolder(L"a folder")));
    EXPECT_FALSE(settings.SaveSettings(tree.Path(L"missing\\settings.ini")));
    EXPECT_EQ(settings.settingsFile, L"before");
    EXPECT_FALSE(settings.firstRun);
    EXPECT_TRUE(IsFolder(tree.Path(L"a folder")));
}

TEST(ApplicationSettingsLoad, MapsOutOfRangeCodes)
{
    TempTree tree;
    const struct {
        const wchar_t* lines;
        int32_t conflictAction;
        uint32_t deleteMode;
        uint32_t smartSelectType;
    } cases[] = {
        {L"ddom=0\nddt=7\ndst=99\n", 1, 0, 0},
        {L"ddom=2\nddt=1\ndst=13\n", 2, 1, 13},
        {L"ddom=3\nddt=2\ndst=0\n", 3, 2, 0},
        {L"ddom=4\nddt=0\ndst=7\n", 4, 0, 7},
        {L"ddom=5\nddt=3\ndst=14\n", 1, 3, 0},
        {L"ddom=2\nddt=4\ndst=1\n", 2, 0, 1},
        {L"ddom=-1\nddt=-1\ndst=-1\n", 1, 0, 0},
        {L"ddom=4294967298\nddt=x\ndst= 12abc\n", 1, 0, 12},
        {L"", 1, 0, 0},
    };
    for (const auto& c : cases) {
        ApplicationSettings settings;
        ASSERT_TRUE(settings.LoadSettings(tree.MakeFile(L"settings.ini", GeneralFile(c.lines))));
        EXPECT_EQ(settings.conflictAction, c.conflictAction) << testing::PrintToString(std::wstring(c.lines));
        EXPECT_EQ(settings.deleteMode, c.deleteMode) << testing::PrintToString(std::wstring(c.lines));
        EXPECT_EQ(settings.smartSelectType, c.smartSelectType) << testing::PrintToString(std::wstring(c.lines));
    }
}

TEST(ApplicationSettingsLoad, FlagsReadTheirOwnWay)
{
    TempTree tree;
    ApplicationSettings settings;
    // "mfm" and "amv" are on only for 1; "ssb", "spp" and "cfu" for anything but 0.
    ASSERT_TRUE(settings.LoadSettings(tree.MakeFile(L"a.ini", GeneralFile(L"mfm=2\namv=2\nssb=2\nspp=-3\ncfu=2\n"))));
    EXPECT_FALSE(settings.maximized);
    EXPECT_FALSE(settings.advancedView);
    EXPECT_TRUE(settings.ssb);
    EXPECT_TRUE(settings.spp);
    EXPECT_TRUE(settings.checkForUpdates);

    ASSERT_TRUE(settings.LoadSettings(tree.MakeFile(L"b.ini", GeneralFile(L"mfm=1\namv=1\nssb=0\nspp=0\ncfu=0\n"))));
    EXPECT_TRUE(settings.maximized);
    EXPECT_TRUE(settings.advancedView);
    EXPECT_FALSE(settings.ssb);
    EXPECT_FALSE(settings.spp);
    EXPECT_FALSE(settings.checkForUpdates);

    // Missing keys: the defaults, whatever the record held before.
    ASSERT_TRUE(settings.LoadSettings(tree.MakeFile(L"c.ini", GeneralFile(L"ssb=junk\n"))));
    EXPECT_FALSE(settings.maximized);
    EXPECT_FALSE(settings.advancedView);
    EXPECT_TRUE(settings.ssb);
    EXPECT_TRUE(settings.spp);
    EXPECT_TRUE(settings.checkForUpdates);
    EXPECT_TRUE(settings.firstRun);
}

TEST(ApplicationSettingsLoad, HandWrittenFileWithWindowsLineEnds)
{
    TempTree tree;
    const std::wstring path = tree.MakeFile(L"settings.ini", Utf16File(L"[General]\r\n"
                                                                       L"  ifr=0\r\n"
                                                                       L"\tdpfn=first.prs\r\n"
                                                                       L"dpfn=second.prs\r\n"
                                                                       L"drfn = spaced.rer\r\n"
                                                                       L"[Delete]\r\n"
                                                                       L"    BackupFolder=C:\\Backup\r\n"));
    const std::string before = ReadFileBytes(path);
    ApplicationSettings settings;
    ASSERT_TRUE(settings.LoadSettings(path));
    EXPECT_FALSE(settings.firstRun);
    EXPECT_EQ(settings.defaultPresetFile, L"second.prs");
    // "drfn " is another key; the blank stays part of it.
    EXPECT_EQ(settings.defaultRulesFile, L"");
    EXPECT_EQ(settings.backupFolder, L"C:\\Backup");
    EXPECT_EQ(settings.settingsFile, path);
    // Loading never writes a readable file.
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(ApplicationSettingsLoad, StoredLanguageOnlyAfterTheFirstRun)
{
    TempTree tree;
    const std::string stored = NotTheSystemLanguage();
    const std::wstring code(stored.begin(), stored.end());

    ApplicationSettings settings;
    ASSERT_TRUE(settings.LoadSettings(tree.MakeFile(L"first.ini", GeneralFile(L"ifr=1\nLanguage=" + code + L"\n"))));
    EXPECT_TRUE(settings.firstRun);
    EXPECT_EQ(settings.language, DefaultLanguageFromSystem());

    ASSERT_TRUE(settings.LoadSettings(tree.MakeFile(L"missing.ini", GeneralFile(L"Language=" + code + L"\n"))));
    EXPECT_TRUE(settings.firstRun) << "a missing ifr counts as a first run";
    EXPECT_EQ(settings.language, DefaultLanguageFromSystem());

    ASSERT_TRUE(settings.LoadSettings(tree.MakeFile(L"later.ini", GeneralFile(L"ifr=0\nLanguage=" + code + L"\n"))));
    EXPECT_FALSE(settings.firstRun);
    EXPECT_EQ(settings.language, stored);

    ASSERT_TRUE(settings.LoadSettings(tree.MakeFile(L"none.ini", GeneralFile(L"ifr=0\n"))));
    EXPECT_EQ(settings.language, "en");
}

TEST(ApplicationSettingsLoad, LanguageWithoutATableKeepsTheSystemLanguage)
{
    TempTree tree;
    for (const wchar_t* code : {L"xx", L"EN", L"", L" de", L"de "}) {
        ApplicationSettings settings;
        ASSERT_TRUE(settings.LoadSettings(
            tree.MakeFile(L"s.ini", GeneralFile(L"ifr=0\nLanguage=" + std::wstring(code) + L"\n"))));
        EXPECT_EQ(settings.language, DefaultLanguageFromSystem()) << testing::PrintToString(std::wstring(code));
    }
}

TEST(ApplicationSettingsLoad, MissingFileIsAFirstRunThatWritesTheFile)
{
    TempTree tree;
    const std::wstring path = tree.Path(L"settings.ini");
    ApplicationSettings settings;
    settings.language = "pl";
    EXPECT_FALSE(settings.LoadSettings(path));
    EXPECT_FALSE(settings.firstRun);
    EXPECT_EQ(settings.language, DefaultLanguageFromSystem());
    EXPECT_EQ(settings.settingsFile, path);

    IniFile written;
    ASSERT_TRUE(written.Load(path));
    EXPECT_EQ(written.GetInt(L"General", L"ifr", 5), 0);
    EXPECT_EQ(written.GetUtf8String(L"General", L"Language", ""), DefaultLanguageFromSystem());

    // From then on the stored language is honoured.
    ApplicationSettings next;
    ASSERT_TRUE(next.LoadSettings(path));
    EXPECT_FALSE(next.firstRun);
}

TEST(ApplicationSettingsLoad, UnreadableOrMalformedFilesFallBackQuietly)
{
    TempTree tree;
    // A folder in the file's place can be neither read nor replaced.
    const std::wstring folder = tree.MakeFolder(L"settings.ini");
    tree.MakeFile(L"settings.ini\\inside.txt", "keep");
    ApplicationSettings settings;
    EXPECT_FALSE(settings.LoadSettings(folder));
    EXPECT_FALSE(settings.firstRun);
    EXPECT_EQ(ReadFileBytes(tree.Path(L"settings.ini\\inside.txt")), "keep");

    // Bytes that are no settings file at all: every key takes its default.
    std::string garbage;
    for (int i = 0; i < 4000; ++i) {
        garbage.push_back(static_cast<char>((i * 7919) % 251));
    }
    const std::wstring path = tree.MakeFile(L"garbage.ini", garbage);
    ApplicationSettings fromGarbage;
    ASSERT_TRUE(fromGarbage.LoadSettings(path));
    EXPECT_EQ(fromGarbage.conflictAction, 1);
    EXPECT_EQ(fromGarbage.deleteMode, 0u);
    EXPECT_EQ(fromGarbage.smartSelectType, 0u);
    EXPECT_TRUE(fromGarbage.firstRun);
    EXPECT_EQ(ReadFileBytes(path), garbage);
}

// The settings file, presets folder and rules folder under `base`; both
// folders made, the settings file written.
void ExpectPlacesUnder(const ApplicationSettings& settings, const std::wstring& base)
{
    EXPECT_EQ(settings.settingsFile, base + L"\\settings.ini");
    EXPECT_EQ(settings.presetsFolder, base + L"\\presets");
    EXPECT_EQ(settings.regexpsFolder, base + L"\\regexps");
    EXPECT_TRUE(IsFolder(settings.presetsFolder));
    EXPECT_TRUE(IsFolder(settings.regexpsFolder));
    EXPECT_TRUE(Exists(settings.settingsFile));
}

class ApplicationFoldersTest : public testing::Test {
protected:
    FolderRoots Roots() const { return FolderRoots{executable_, localAppData_}; }

    TempTree tree_;
    std::wstring executable_ = tree_.MakeFolder(L"program");
    std::wstring localAppData_ = tree_.MakeFolder(L"local");
};

TEST_F(ApplicationFoldersTest, PortableBesideTheExecutable)
{
    ApplicationSettings settings;
    settings.PrepareFolders(Roots());
    ExpectPlacesUnder(settings, executable_ + L"\\settings"); // a first run writes the file at once
    EXPECT_FALSE(settings.firstRun);
    EXPECT_FALSE(Exists(localAppData_ + L"\\Vandrelco"));
}

TEST(ApplicationFolders, NonportableMarkerSwitchesToThePerUserFolder)
{
    for (const bool markerIsFolder : {false, true}) {
        SCOPED_TRACE(markerIsFolder ? "marker folder" : "marker file");
        TempTree tree;
        const FolderRoots roots{tree.MakeFolder(L"program"), tree.MakeFolder(L"local")};
        const std::wstring marker = roots.executableFolder + L"\\nonportable";
        if (markerIsFolder) {
            ::CreateDirectoryW(marker.c_str(), nullptr);
        } else {
            tree.MakeFile(L"program\\nonportable", "any content");
        }
        ApplicationSettings settings;
        settings.PrepareFolders(roots);
        ExpectPlacesUnder(settings, roots.localAppDataFolder + L"\\Vandrelco\\Clonarium");
        EXPECT_FALSE(Exists(roots.executableFolder + L"\\settings"));
        // Without the marker the portable folder is back.
        if (markerIsFolder) {
            ::RemoveDirectoryW(marker.c_str());
        } else {
            ::DeleteFileW(marker.c_str());
        }
        ApplicationSettings portable;
        portable.PrepareFolders(roots);
        EXPECT_EQ(portable.settingsFile, roots.executableFolder + L"\\settings\\settings.ini");
    }
}

TEST_F(ApplicationFoldersTest, SettingsOfAnEarlierRunAreLoaded)
{
    tree_.MakeFile(L"program\\settings\\settings.ini", GeneralFile(L"ifr=0\nmfm=1\n"));
    ApplicationSettings settings;
    settings.PrepareFolders(Roots());
    EXPECT_TRUE(settings.maximized);
    EXPECT_TRUE(IsFolder(settings.presetsFolder));
}

TEST_F(ApplicationFoldersTest, UnknownRoots)
{
    // No executable folder: the per-user place.
    ApplicationSettings perUser;
    perUser.PrepareFolders(FolderRoots{L"", localAppData_});
    EXPECT_EQ(perUser.settingsFile, localAppData_ + L"\\Vandrelco\\Clonarium\\settings.ini");

    // Per-user needed but unknown: nothing is prepared or loaded.
    tree_.MakeFile(L"program\\nonportable");
    ApplicationSettings nothing;
    nothing.PrepareFolders(FolderRoots{executable_, L""});
    EXPECT_TRUE(nothing.firstRun);
    EXPECT_TRUE(nothing.settingsFile.empty());
    EXPECT_EQ(nothing.presetsFolder, L"presets");
    EXPECT_EQ(nothing.regexpsFolder, L"regexps");
    EXPECT_FALSE(Exists(executable_ + L"\\settings"));
}

TEST_F(ApplicationFoldersTest, FolderThatCannotBeCreatedLosesNothing)
{
    // A file named "settings" where the folder should be.
    const std::wstring blocker = tree_.MakeFile(L"program\\settings", "user data");
    ApplicationSettings settings;
    settings.PrepareFolders(Roots());
    EXPECT_EQ(settings.settingsFile, blocker + L"\\settings.ini");
    EXPECT_EQ(ReadFileBytes(blocker), "user data");
    EXPECT_FALSE(IsFolder(settings.presetsFolder));
}

TEST(ApplicationFolders, SystemRootsNameThisProgramsFolder)
{
    const FolderRoots roots = SystemFolderRoots();
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    EXPECT_EQ(roots.executableFolder, path.substr(0, path.find_last_of(L'\\')));
    EXPECT_TRUE(IsFolder(roots.localAppDataFolder));

    ApplicationFolders folders;
    ASSERT_TRUE(ChooseApplicationFolders(roots, folders));
    EXPECT_TRUE(folders.portable);
    EXPECT_EQ(folders.settingsFile, roots.executableFolder + L"\\settings\\settings.ini");
}

} // namespace
