#pragma once
// A named regular-expression rule: which files of a group it marks or unmarks.
#include "ui/common/CheckState.h"

#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace clonarium {

enum RegexpMode : int32_t {
    NewSelection = 0,
    AddToSelection = 1,
    SubtractFromSelection = 2,
    IntersectWithSelection = 3,
};

enum MatchTarget : int32_t {
    FileName = 0,
    FolderPath = 1,
    FullPath = 2,
};

// Compiles one expression the way rules use it: ECMAScript grammar, in time
// proportional to subject × expression (so no expression can take the program
// down with a long path or make it backtrack for ever). Empty when the text is
// not a usable expression.
std::optional<std::wregex> CompileRegexp(const std::wstring& text, bool ignoreCase);

struct RegexpRule {
    std::wstring file; // full path of the rule's file; empty when it has none
    std::wstring name;
    std::vector<std::wstring> expressions;
    std::vector<std::wregex> compiled; // the expressions that compile, in order
    bool isDefault = false;
    // As read from the file: values outside the enumerations are kept.
    RegexpMode mode = NewSelection;
    MatchTarget target = FullPath;

    // Rebuilds `compiled` from `expressions`, case-insensitive.
    void Compile();

    // True when some compiled expression matches the whole of the part of
    // `path` the rule looks at (MatchSubject), not just a piece of it; the
    // first that does ends the search.
    bool Matches(const std::wstring& path) const;

    // The state this rule gives a file, or nothing when it leaves the file's
    // state as it is.
    std::optional<vandrelcommon::ui::CheckState> NewCheckState(const std::wstring& path) const
    {
        return StateFor(Matches(path));
    }
    // The same for a file the rule matched or did not.
    std::optional<vandrelcommon::ui::CheckState> StateFor(bool matched) const;
    // A new selection: every file not matched is unmarked.
    bool StartsNewSelection() const;
};

// The part of a path a rule looks at.
std::wstring MatchSubject(const std::wstring& path, MatchTarget target);

} // namespace clonarium
