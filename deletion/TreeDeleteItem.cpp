#include "deletion/TreeDeleteItem.h"

#include <algorithm>

namespace clonarium {

using vandrelcommon::ui::Checked;
using vandrelcommon::ui::CVirtualNode;
using vandrelcommon::ui::Unchecked;

namespace {

FileRecord KeptCopy(const CDuplicateItem& item)
{
    FileRecord record;
    record.path = item.Path();
    record.size = static_cast<uint64_t>(item.size);
    record.lastWriteTime = item.lastWriteTime;
    return record;
}

void CollectGroup(const CVirtualNode* group, ResultMode mode, bool wholeGroupsConfirmed,
    std::vector<std::unique_ptr<CTreeDeleteItem>>& queue)
{
    DeleteCheck shared;
    shared.sameContent = mode == ExactDuplicates;
    std::vector<CVirtualNode*> checked;
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        if (const CDuplicateItem* item = ItemOf(file)) {
            if (file->GetCheckState() == Checked) {
                checked.push_back(file);
            } else {
                shared.keptCopies.push_back(KeptCopy(*item));
            }
        }
    }
    shared.wholeGroupConfirmed = wholeGroupsConfirmed && shared.keptCopies.empty();
    for (CVirtualNode* file : checked) {
        const CDuplicateItem& item = *ItemOf(file);
        DeleteCheck check = shared;
        check.size = static_cast<uint64_t>(item.size);
        check.lastWriteTime = item.lastWriteTime;
        queue.push_back(std::make_unique<CTreeDeleteItem>(file, std::wstring(item.Path()), std::move(check)));
    }
}

} // namespace

bool HasWholeGroupChecked(vandrelcommon::ui::CVirtualTree& tree)
{
    for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
        if (group->childCount > 0 && group->GetCheckState() == Checked) {
            return true;
        }
    }
    return false;
}

std::vector<std::unique_ptr<CTreeDeleteItem>> CollectCheckedFiles(
    vandrelcommon::ui::CVirtualTree& tree, ResultMode mode, bool wholeGroupsConfirmed)
{
    std::vector<std::unique_ptr<CTreeDeleteItem>> queue;
    for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
        if (group->GetCheckState() != Unchecked) {
            CollectGroup(group, mode, wholeGroupsConfirmed, queue);
        }
    }
    return queue;
}

void PruneDeletedRows(vandrelcommon::ui::CVirtualTree& tree, std::vector<CVirtualNode*>& deleted)
{
    if (deleted.empty()) {
        return;
    }
    std::vector<CVirtualNode*> groups;
    for (CVirtualNode* node : deleted) {
        if (node->parent != nullptr && node->parent != &tree.Root()) {
            groups.push_back(node->parent);
        }
    }
    std::sort(groups.begin(), groups.end());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    tree.RemoveNodes(deleted);
    deleted.clear();

    std::vector<CVirtualNode*> emptied;
    for (CVirtualNode* group : groups) {
        if (group->childCount == 0 ||
            (group->childCount == 1 && group->firstChild->GetCheckState() == vandrelcommon::ui::Unchecked)) {
            emptied.push_back(group);
        } else {
            tree.UpdateParentState(group);
        }
    }
    tree.RemoveNodes(emptied);
    tree.UpdateParentState(&tree.Root());
}

} // namespace clonarium
