#include "deletion/TreeDeleteItem.h"

#include <gtest/gtest.h>

using namespace clonarium;
using vandrelcommon::ui::Checked;
using vandrelcommon::ui::CVirtualNode;
using vandrelcommon::ui::CVirtualTree;
using vandrelcommon::ui::Unchecked;

namespace {

// A group row with one file row a state, expanded.
CVirtualNode* AddGroup(CVirtualTree& tree, std::initializer_list<bool> checked, std::vector<CVirtualNode*>& files)
{
    CVirtualNode* group = tree.AddNode(nullptr, nullptr);
    for (bool check : checked) {
        files.push_back(tree.AddNode(group, nullptr));
        tree.SetCheckState(files.back(), check ? Checked : Unchecked);
    }
    tree.Expand(tree.RowOf(group));
    return group;
}

} // namespace

TEST(TreePruning, DeletedRowsGoAndAGroupGoesWhenNoFileOrOneUncheckedFileIsLeft)
{
    CVirtualTree tree;
    std::vector<CVirtualNode*> a, b, c, d;
    AddGroup(tree, {true, true, false}, a);
    AddGroup(tree, {true, true}, b);
    CVirtualNode* groupC = AddGroup(tree, {true, false, false}, c);
    CVirtualNode* groupD = AddGroup(tree, {true, true}, d);
    ASSERT_EQ(tree.Rows().size(), 4u + 3 + 2 + 3 + 2);

    // d[1] failed: it stays checked in its group.
    std::vector<CVirtualNode*> deleted{a[0], a[1], b[0], b[1], c[0], d[0]};
    PruneDeletedRows(tree, deleted);
    EXPECT_TRUE(deleted.empty());
    const std::vector<CVirtualNode*> expected{groupC, c[1], c[2], groupD, d[1]};
    EXPECT_EQ(tree.Rows(), expected);
    EXPECT_EQ(groupC->childCount, 2);
    EXPECT_EQ(groupC->GetCheckState(), Unchecked);
    EXPECT_EQ(groupD->GetCheckState(), Checked);
    EXPECT_EQ(tree.Root().childCount, 2);

    // Nothing to prune changes nothing.
    PruneDeletedRows(tree, deleted);
    EXPECT_EQ(tree.Rows(), expected);
}
