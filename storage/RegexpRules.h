#pragma once
// Regular-expression rules as files of their own in the rules folder:
// "default" for the "(Default)" rule, "*.rer" for the others.
#include "results/RegexpRule.h"

#include <string>

namespace clonarium {

class ApplicationSettings;

// Rebuilds the settings' rule list: "(Default)" first, then every "*.rer"
// file in the order the folder lists them, loaded or not.
void LoadRules(ApplicationSettings& settings);

// Fills the rule from the file; false when the file cannot be read (the rule
// is then untouched) or cannot be written back in its normal form.
bool LoadRule(RegexpRule& rule, const std::wstring& path);

// Writes the rule and makes `path` its file.
bool SaveRule(RegexpRule& rule, const std::wstring& path);

// A new empty rule with a unique name and a new file, saved and appended.
RegexpRule& CreateRule(ApplicationSettings& settings, const std::wstring& requestedName);

// Removes the rule at `index` and deletes its file. The "(Default)" rule
// stays. Returns the index to select next, or -1 when nothing was deleted.
int DeleteRule(ApplicationSettings& settings, size_t index);

} // namespace clonarium
