#pragma once
// How a backup name conflict is answered during one delete run: an earlier
// answer given "for all further conflicts", or the user's choice.
#include "deletion/DeleteTypes.h"

#include <functional>
#include <string>

namespace clonarium {

// What the conflict dialog is shown and hands back.
struct ConflictQuestion {
    std::wstring source; // plain paths
    std::wstring target;
    // In and out: 0 Overwrite, 1 Skip, 2 rename to a typed name, 3 rename to
    // a generated name.
    int32_t chosenIndex = 0;
    bool applyToAll = false;
    // The full plain path typed for index 2.
    std::wstring resultPath;
};

class ConflictPolicy {
public:
    // Shows the question to the user; false when the user cancelled.
    using Ask = std::function<bool(ConflictQuestion&)>;

    ConflictPolicy(ConflictAction lastAction, Ask ask) : lastAction_(lastAction), ask_(std::move(ask)) { }

    // `target` is in long-path form and is replaced for RenameTo and
    // AutoGenerate. `stored` receives the answer to keep in the settings when
    // the user answered with OK.
    ConflictAction Resolve(const std::wstring& source, std::wstring& target, int32_t* stored);

    ConflictAction LastAction() const { return lastAction_; }
    bool ApplyToAll() const { return applyToAll_; }

private:
    ConflictAction lastAction_;
    bool applyToAll_ = false;
    Ask ask_;
};

} // namespace clonarium
