#pragma once
// The settings record: what the program remembers between runs, the places
// of its files, and the preset and rule lists it owns.
#include "engine/SearchParameters.h"
#include "results/RegexpRule.h"
#include "storage/ApplicationFolders.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace clonarium {

using PresetList = std::vector<std::unique_ptr<SearchParameters>>;

using RuleList = std::vector<std::unique_ptr<RegexpRule>>;

// The language code for a primary language id of the system ("en" for any
// language without a table of its own).
std::string LanguageForPrimaryLanguage(uint32_t primaryLanguage);
// The language of the user's interface, as one of the table codes.
std::string DefaultLanguageFromSystem();

class ApplicationSettings {
public:
    // Chooses the folders from the running executable and the user's profile,
    // creates them and loads the settings file found there.
    void PrepareFolders();
    // The same from given roots. When the per-user place is needed and its root
    // is unknown, nothing is prepared or loaded.
    void PrepareFolders(const FolderRoots& roots);

    // False when the file could not be read; that counts as a first run, which
    // writes the file at once.
    bool LoadSettings(const std::wstring& path);
    // Rebuilds the file from the record, so keys the program does not know are
    // dropped. On success `settingsFile` becomes path.
    bool SaveSettings(const std::wstring& path);

    bool firstRun = true;
    std::wstring settingsFile;
    uint32_t smartSelectType = 0;
    uint32_t deleteMode = 0;
    int32_t conflictAction = 0;
    std::wstring defaultPresetFile;
    std::wstring defaultRulesFile;
    std::wstring presetsFolder = L"presets";
    std::wstring regexpsFolder = L"regexps";
    std::wstring cacheFile;   // not stored; empty when the folders are unknown
    std::wstring journalFile; // likewise
    std::wstring backupFolder;
    PresetList presets;
    RuleList rules;
    std::string language = "en";
    bool spp = true;
    bool ssb = true;
    bool maximized = false;
    bool advancedView = false;
    // Ask the maker's site for a newer version at start-up ("cfu"); the about
    // box changes it.
    bool checkForUpdates = true;
};

} // namespace clonarium
