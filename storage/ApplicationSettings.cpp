#include "storage/ApplicationSettings.h"

#include "system/IniFile.h"
#include "storage/RegexpRules.h"
#include "storage/SearchPresets.h"
#include "system/TextEncoding.h"

#include <windows.h>

#include <array>

namespace clonarium {

using vandrelcommon::system::IniFile;
using vandrelcommon::system::StrictWideFromUtf8;

namespace {

const std::wstring kGeneral = L"General";
const std::wstring kDelete = L"Delete";

// Codes of the language tables the program carries.
const std::array<const char*, 6> kLanguageCodes = {"en", "de", "fr", "pl", "ru", "ua"};

constexpr uint32_t kLastSmartSelectRule = 13;

bool IsLanguageCode(const std::string& code)
{
    for (const char* known : kLanguageCodes) {
        if (code == known) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string LanguageForPrimaryLanguage(uint32_t primaryLanguage)
{
    switch (primaryLanguage) {
    case 7:
        return "de";
    case 12:
        return "fr";
    case 21:
        return "pl";
    case 34:
        return "ua";
    case 25: // Russian
    case 35: // Belarusian
    case 40: // Tajik
    case 63: // Kazakh
    case 67: // Uzbek
    case 68: // Tatar
        return "ru";
    default:
        return "en";
    }
}

std::string DefaultLanguageFromSystem()
{
    return LanguageForPrimaryLanguage(::GetUserDefaultUILanguage() & 0xFF);
}

void ApplicationSettings::PrepareFolders()
{
    PrepareFolders(SystemFolderRoots());
}

void ApplicationSettings::PrepareFolders(const FolderRoots& roots)
{
    ApplicationFolders folders;
    if (!ChooseApplicationFolders(roots, folders)) {
        return;
    }
    CreateApplicationFolders(folders);
    presetsFolder = folders.presetsFolder;
    regexpsFolder = folders.regexpsFolder;
    cacheFile = folders.cacheFile;
    journalFile = folders.journalFile;
    LoadSettings(folders.settingsFile);
}

bool ApplicationSettings::LoadSettings(const std::wstring& path)
{
    language = DefaultLanguageFromSystem();
    settingsFile = path;

    LoadPresets(*this);
    LoadRules(*this);

    IniFile file;
    if (!file.Load(path)) {
        firstRun = false;
        if (SaveSettings(path)) {
            CreateBuiltInPresets(*this);
        }
        return false;
    }

    backupFolder = file.GetString(kDelete, L"BackupFolder", L"");
    firstRun = file.GetInt(kGeneral, L"ifr", 2) != 0;
    if (!firstRun) {
        // A code without a table (written by hand, say) would leave every
        // text showing "{}"; the system's language is kept instead.
        const std::string stored = file.GetUtf8String(kGeneral, L"Language", "en");
        if (IsLanguageCode(stored)) {
            language = stored;
        }
    }
    ssb = file.GetInt(kGeneral, L"ssb", 2) != 0;
    spp = file.GetInt(kGeneral, L"spp", 2) != 0;
    maximized = file.GetInt(kGeneral, L"mfm", 0) == 1;
    advancedView = file.GetInt(kGeneral, L"amv", 0) == 1;
    // Off only when the user said so ("0"); on when the key is missing.
    checkForUpdates = file.GetInt(kGeneral, L"cfu", 1) != 0;

    const int32_t conflict = file.GetInt(kGeneral, L"ddom", 1);
    conflictAction = conflict == 2 || conflict == 3 || conflict == 4 ? conflict : 1;

    const int32_t rule = file.GetInt(kGeneral, L"dst", 0);
    smartSelectType = rule >= 0 && static_cast<uint32_t>(rule) <= kLastSmartSelectRule ? rule : 0;

    const int32_t mode = file.GetInt(kGeneral, L"ddt", 0);
    deleteMode = mode >= 1 && mode <= 3 ? mode : 0;

    defaultPresetFile = file.GetString(kGeneral, L"dpfn", L"");
    defaultRulesFile = file.GetString(kGeneral, L"drfn", L"");
    return true;
}

bool ApplicationSettings::SaveSettings(const std::wstring& path)
{
    firstRun = false;

    IniFile file;
    if (const auto code = StrictWideFromUtf8(language)) {
        file.SetString(kGeneral, L"Language", *code);
    }
    file.SetByte(kGeneral, L"ssb", ssb);
    file.SetByte(kGeneral, L"spp", spp);
    file.SetByte(kGeneral, L"mfm", maximized);
    file.SetByte(kGeneral, L"amv", advancedView);
    file.SetByte(kGeneral, L"cfu", checkForUpdates);
    file.SetString(kDelete, L"BackupFolder", backupFolder);
    file.SetByte(kGeneral, L"ifr", 0);
    file.SetInt(kGeneral, L"dst", static_cast<int32_t>(smartSelectType));
    file.SetInt(kGeneral, L"ddt", static_cast<int32_t>(deleteMode));
    file.SetString(kGeneral, L"dpfn", defaultPresetFile);
    file.SetString(kGeneral, L"drfn", defaultRulesFile);
    file.SetString(kGeneral, L"ddom", std::to_wstring(conflictAction));

    if (!file.Save(path)) {
        return false;
    }
    settingsFile = path;
    return true;
}

} // namespace clonarium
