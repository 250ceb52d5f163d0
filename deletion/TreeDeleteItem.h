#pragma once
// A queued file of the result tree: its row's node, so that the progress
// dialog can remove the row or write the failure reason into it.
#include "deletion/DeleteTypes.h"
#include "results/DuplicateResult.h"
#include "ui/common/VirtualTree.h"

#include <memory>
#include <string>
#include <vector>

namespace clonarium {

class CTreeDeleteItem : public IDeleteItem {
public:
    CTreeDeleteItem(vandrelcommon::ui::CVirtualNode* node, std::wstring path, DeleteCheck check)
        : node_(node), path_(std::move(path)), check_(std::move(check))
    { }
    const std::wstring& GetPath() const override { return path_; }
    const DeleteCheck& GetCheck() const override { return check_; }
    // Not owned: the tree owns it. Touched on the interface thread only.
    vandrelcommon::ui::CVirtualNode* Node() const { return node_; }

private:
    vandrelcommon::ui::CVirtualNode* node_;
    std::wstring path_;
    DeleteCheck check_;
};

// True when some group has every one of its files checked.
bool HasWholeGroupChecked(vandrelcommon::ui::CVirtualTree& tree);

// The checked files of every group that is not unchecked, in tree order,
// each with what the search saw of it and of the unchecked files of its
// group. `wholeGroupsConfirmed`: the user agreed to delete groups whose
// every file is checked.
std::vector<std::unique_ptr<CTreeDeleteItem>> CollectCheckedFiles(
    vandrelcommon::ui::CVirtualTree& tree, ResultMode mode, bool wholeGroupsConfirmed);

// Takes the rows of deleted files out of the result tree, in one pass over
// its rows, then each group left with no file or with one unchecked file
// (a group of one is no group). `deleted` holds file nodes and is emptied.
void PruneDeletedRows(vandrelcommon::ui::CVirtualTree& tree, std::vector<vandrelcommon::ui::CVirtualNode*>& deleted);

} // namespace clonarium
