#include "deletion/ConflictPolicy.h"

#include "deletion/BackupNames.h"
#include "deletion/FileOperations.h"
#include "system/LongPath.h"

namespace clonarium {

namespace {

// The answer the question starts at: never Overwrite, even when it was
// the last one, since the backup it replaces may be the last copy of a file
// deleted earlier; a generated name loses nothing.
int32_t IndexOf(ConflictAction action)
{
    switch (action) {
    case ConflictAction::Skip:
        return 1;
    case ConflictAction::RenameTo:
        return 2;
    default:
        return 3;
    }
}

ConflictAction ActionOf(int32_t index)
{
    switch (index) {
    case 1:
        return ConflictAction::Skip;
    case 2:
        return ConflictAction::RenameTo;
    case 3:
        return ConflictAction::AutoGenerate;
    default:
        return ConflictAction::Overwrite;
    }
}

} // namespace

ConflictAction ConflictPolicy::Resolve(const std::wstring& source, std::wstring& target, int32_t* stored)
{
    if (applyToAll_) {
        if (lastAction_ == ConflictAction::AutoGenerate) {
            target = MakeAutoBackupName(target);
            return lastAction_;
        }
        if (lastAction_ != ConflictAction::RenameTo) {
            return lastAction_; // a typed name is never reused
        }
    }
    ConflictQuestion question{
        StripLongPathPrefix(source), StripLongPathPrefix(target), IndexOf(lastAction_), false, {}};
    if (!ask_ || !ask_(question)) {
        lastAction_ = ConflictAction::Cancel;
        return lastAction_;
    }
    lastAction_ = ActionOf(question.chosenIndex);
    if (lastAction_ == ConflictAction::RenameTo) {
        target = vandrelcommon::system::AddLongPathPrefix(TrimNameEnd(question.resultPath));
    } else if (lastAction_ == ConflictAction::AutoGenerate) {
        target = MakeAutoBackupName(target);
    }
    if (stored != nullptr) {
        *stored = static_cast<int32_t>(lastAction_);
    }
    applyToAll_ = question.applyToAll && lastAction_ != ConflictAction::RenameTo;
    return lastAction_;
}

} // namespace clonarium
