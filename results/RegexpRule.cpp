#include "results/RegexpRule.h"

namespace clonarium {

using vandrelcommon::ui::Checked;
using vandrelcommon::ui::CheckState;
using vandrelcommon::ui::Unchecked;

namespace {

// The standard library's usual matcher backtracks, recursing once per
// character of the subject and taking exponential time on expressions such
// as (a|aa)*b. Where the library offers it, its breadth-first matcher is used
// instead: its depth is bounded by the expression and its time is polynomial.
// It cannot handle back-references, which therefore do not compile.
constexpr std::regex_constants::syntax_option_type kSafeMatching =
#if defined(__GLIBCXX__)
    std::regex_constants::__polynomial;
#else
    std::regex_constants::syntax_option_type{};
#endif

} // namespace

std::optional<std::wregex> CompileRegexp(const std::wstring& text, bool ignoreCase)
{
    auto flags = std::regex_constants::ECMAScript | kSafeMatching;
    if (ignoreCase) {
        flags |= std::regex_constants::icase;
    }
    try {
        return std::wregex(text, flags);
    } catch (const std::regex_error&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

void RegexpRule::Compile()
{
    compiled.clear();
    for (const std::wstring& text : expressions) {
        if (std::optional<std::wregex> expression = CompileRegexp(text, true)) {
            compiled.push_back(std::move(*expression));
        }
    }
}

std::wstring MatchSubject(const std::wstring& path, MatchTarget target)
{
    const size_t slash = path.find_last_of(L'\\');
    switch (target) {
    case FileName:
        return slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
    case FolderPath:
        return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    default:
        return path;
    }
}

bool RegexpRule::Matches(const std::wstring& path) const
{
    const std::wstring subject = MatchSubject(path, target);
    for (const std::wregex& expression : compiled) {
        try {
            if (std::regex_match(subject, expression)) {
                return true;
            }
        } catch (const std::exception&) {
            // Beyond the matcher's own limits: this expression does not match.
        }
    }
    return false;
}

// Modes other than the four known ones act as a new selection, as the rules
// dialog shows them.
std::optional<CheckState> RegexpRule::StateFor(bool matched) const
{
    switch (mode) {
    case AddToSelection:
        return matched ? std::optional<CheckState>(Checked) : std::nullopt;
    case SubtractFromSelection:
        return matched ? std::optional<CheckState>(Unchecked) : std::nullopt;
    case IntersectWithSelection:
        return matched ? std::nullopt : std::optional<CheckState>(Unchecked);
    default:
        return matched ? Checked : Unchecked;
    }
}

bool RegexpRule::StartsNewSelection() const
{
    return mode != AddToSelection && mode != SubtractFromSelection && mode != IntersectWithSelection;
}

} // namespace clonarium
