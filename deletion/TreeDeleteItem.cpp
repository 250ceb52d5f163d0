#include "deletion/TreeDeleteItem.h"

#include <algorithm>

namespace clonarium {

using vandrelcommon::ui::CVirtualNode;

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
