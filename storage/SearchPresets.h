#pragma once
// Search presets as files of their own in the presets folder: "default" for
// the "(Default)" preset, "*.prs" for the others.
#include "engine/SearchParameters.h"

#include <string>

namespace clonarium {

class ApplicationSettings;

// Rebuilds the settings' preset list: "(Default)" first, then every "*.prs"
// file in the order the folder lists them, loaded or not.
void LoadPresets(ApplicationSettings& settings);

// Fills the record from the file; false when the file cannot be read (the
// record is then untouched) or cannot be written back in its normal form.
bool LoadPreset(SearchParameters& preset, const std::wstring& path);

// Fills the record from the file like LoadPreset but writes nothing back.
bool ReadPresetFile(SearchParameters& preset, const std::wstring& path);

// Writes the record and makes `path` its file.
bool SavePreset(SearchParameters& preset, const std::wstring& path);

// A new preset with a unique name and a new file, saved and appended.
SearchParameters& CreatePreset(ApplicationSettings& settings, const std::wstring& requestedName);

// The presets a first run starts with.
void CreateBuiltInPresets(ApplicationSettings& settings);

// Removes the preset at `index` and deletes its file. The "(Default)" preset
// stays. Returns the index to select next, or -1 when nothing was deleted.
int DeletePreset(ApplicationSettings& settings, size_t index);

} // namespace clonarium
