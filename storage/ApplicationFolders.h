#pragma once
// Where the program keeps its files: portable in a "settings" folder beside
// the executable, or per user under the local application-data folder when a
// file or folder named "nonportable" lies beside the executable.
#include <string>

namespace clonarium {

// The two places the folders can be derived from. An empty root is one that
// could not be determined.
struct FolderRoots {
    std::wstring executableFolder;
    std::wstring localAppDataFolder;
};

struct ApplicationFolders {
    bool portable = true;
    // The maker's folder in the local application-data folder; empty when portable.
    std::wstring vendorFolder;
    // "settings" beside the executable, or vendorFolder + "\Clonarium".
    std::wstring baseFolder;
    std::wstring settingsFile;
    std::wstring presetsFolder;
    std::wstring regexpsFolder;
    // What searches learnt of files (engine/SearchCacheDatabase.h).
    std::wstring cacheFile;
};

// The running executable's folder and the user's local application-data folder.
FolderRoots SystemFolderRoots();

// Chooses the folders; false when the per-user place is needed but its root
// is unknown.
bool ChooseApplicationFolders(const FolderRoots& roots, ApplicationFolders& folders);

// Creates every folder of ours on the way; existing folders and failures are
// ignored (a later load or save there simply fails).
void CreateApplicationFolders(const ApplicationFolders& folders);

} // namespace clonarium
