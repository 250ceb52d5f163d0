#include "tests/ui/UiTestSupport.h"
#include "ui/common/VirtualTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace vandrelcommon::ui;

// Records the first row of every change it is told of.
class CountingTree : public CVirtualTree {
public:
    std::vector<int> changedFrom;

protected:
    void OnRowsChanged(int firstRow) override { changedFrom.push_back(firstRow); }
};

class VirtualTreeTest : public ::testing::Test {
protected:
    CVirtualNode* Add(CVirtualNode* parent, const std::wstring& name)
    {
        return uitest::AddNamed(tree, parent, name, &destroyed);
    }
    CVirtualNode* AddGroup(const std::wstring& name, int files)
    {
        return uitest::AddNamedGroup(tree, name, files, &destroyed);
    }
    std::vector<std::wstring> RowNames() const { return uitest::RowNames(tree); }
    static void Check(CVirtualTree& t, CVirtualNode* node, CheckState state) { t.SetCheckState(node, state); }

    CountingTree tree;
    int destroyed = 0;
};

TEST_F(VirtualTreeTest, AddNodeNumbersLinksAndLevels)
{
    CVirtualNode* group = AddGroup(L"g", 3);
    EXPECT_EQ(group->sequenceNumber, 0);
    EXPECT_EQ(group->level, 0);
    EXPECT_EQ(group->childCount, 3);
    EXPECT_EQ(group->GetCheckState(), Unchecked);
    EXPECT_EQ(tree.Root().level, -1);
    EXPECT_EQ(tree.Root().sequenceNumber, -1);
    EXPECT_TRUE(tree.Root().IsExpanded());
    CVirtualNode* first = group->firstChild;
    CVirtualNode* last = group->lastChild;
    EXPECT_EQ(first->level, 1);
    EXPECT_EQ(first->sequenceNumber, 0);
    EXPECT_EQ(last->sequenceNumber, 2);
    EXPECT_EQ(first->nextSibling->nextSibling, last);
    EXPECT_EQ(last->previousSibling->previousSibling, first);
    EXPECT_EQ(first->parent, group);
    // Files of a collapsed group have no rows.
    EXPECT_EQ(RowNames(), std::vector<std::wstring>{L"g"});
}

TEST_F(VirtualTreeTest, SequenceNumbersSurviveRemovals)
{
    CVirtualNode* group = AddGroup(L"g", 3);
    tree.RemoveNode(group->firstChild->nextSibling, true);
    EXPECT_EQ(group->childCount, 2);
    EXPECT_EQ(group->firstChild->sequenceNumber, 0);
    EXPECT_EQ(group->lastChild->sequenceNumber, 2);
    EXPECT_EQ(group->firstChild->nextSibling, group->lastChild);
    CVirtualNode* added = Add(group, L"g/3");
    EXPECT_EQ(added->sequenceNumber, 3);
    tree.RemoveNode(group->firstChild, true);
    tree.RemoveNode(group->lastChild, true);
    EXPECT_EQ(group->firstChild->sequenceNumber, 2);
    EXPECT_EQ(group->firstChild, group->lastChild);
    EXPECT_EQ(Add(group, L"g/4")->sequenceNumber, 4);
}

TEST_F(VirtualTreeTest, RemoveNodeTakesChildrenRowsAndData)
{
    AddGroup(L"a", 2);
    CVirtualNode* b = AddGroup(L"b", 3);
    AddGroup(L"c", 1);
    tree.ExpandAll();
    EXPECT_EQ(tree.Rows().size(), 9u);
    tree.RemoveNode(b, true);
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"a/0", L"a/1", L"c", L"c/0"}));
    EXPECT_EQ(destroyed, 4);
    EXPECT_EQ(tree.Root().childCount, 2);
    EXPECT_EQ(tree.Root().firstChild->nextSibling, tree.Root().lastChild);
}

TEST_F(VirtualTreeTest, CheckingFilesMakesTheGroupMixedThenChecked)
{
    CVirtualNode* group = AddGroup(L"g", 3);
    CVirtualNode* other = AddGroup(L"h", 2);
    Check(tree, group->firstChild, Checked);
    EXPECT_EQ(group->GetCheckState(), Mixed);
    // A recomputed parent never pushes its state down onto its other children.
    EXPECT_EQ(group->firstChild->GetCheckState(), Checked);
    EXPECT_EQ(tree.Root().GetCheckState(), Unchecked);
    Check(tree, group->firstChild->nextSibling, Checked);
    EXPECT_EQ(group->GetCheckState(), Mixed);
    Check(tree, group->lastChild, Checked);
    EXPECT_EQ(group->GetCheckState(), Checked);
    EXPECT_EQ(tree.Root().GetCheckState(), Mixed);
    Check(tree, other->firstChild, Checked);
    EXPECT_EQ(other->GetCheckState(), Mixed);
    EXPECT_EQ(group->GetCheckState(), Checked); // untouched by its sibling's change
    EXPECT_EQ(tree.Root().GetCheckState(), Mixed);
}

TEST_F(VirtualTreeTest, ToggleOnAMixedGroupUnchecksAllItsFiles)
{
    CVirtualNode* group = AddGroup(L"g", 3);
    Check(tree, group->lastChild, Checked);
    ASSERT_EQ(group->GetCheckState(), Mixed);
    tree.ToggleCheckState(group);
    EXPECT_EQ(group->GetCheckState(), Unchecked);
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        EXPECT_EQ(file->GetCheckState(), Unchecked);
    }
    tree.ToggleCheckState(group);
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        EXPECT_EQ(file->GetCheckState(), Checked);
    }
    EXPECT_EQ(tree.Root().GetCheckState(), Checked);
    EXPECT_EQ(group->flags & CVirtualNode::kGuard, 0u);
}

TEST_F(VirtualTreeTest, GroupWithoutFilesCountsAsChecked)
{
    CVirtualNode* group = AddGroup(L"g", 1);
    tree.RemoveNode(group->firstChild, true);
    EXPECT_EQ(group->GetCheckState(), Unchecked); // removal does not recompute
    tree.UpdateParentState(group);
    EXPECT_EQ(group->GetCheckState(), Checked);
}

TEST_F(VirtualTreeTest, RemovingFilesRecomputesFromWhatRemains)
{
    CVirtualNode* a = AddGroup(L"a", 2);
    CVirtualNode* b = AddGroup(L"b", 2);
    Check(tree, a->firstChild, Checked);
    Check(tree, b->firstChild, Checked);
    tree.RemoveNode(a->firstChild, true); // the checked one goes
    tree.UpdateParentState(a);
    EXPECT_EQ(a->GetCheckState(), Unchecked);
    tree.RemoveNode(b->lastChild, true); // the unchecked one goes
    tree.UpdateParentState(b);
    EXPECT_EQ(b->GetCheckState(), Checked);
    EXPECT_EQ(tree.Root().GetCheckState(), Mixed);
}

TEST_F(VirtualTreeTest, ExpandInsertsFilesBelowTheGroupCollapseRemovesExactlyThem)
{
    AddGroup(L"a", 2);
    AddGroup(L"b", 3);
    AddGroup(L"c", 1);
    tree.changedFrom.clear();
    EXPECT_TRUE(tree.Expand(1));
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"b", L"b/0", L"b/1", L"b/2", L"c"}));
    EXPECT_FALSE(tree.Expand(1)); // already expanded
    EXPECT_TRUE(tree.Expand(0));
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"a/0", L"a/1", L"b", L"b/0", L"b/1", L"b/2", L"c"}));
    EXPECT_TRUE(tree.Collapse(3));
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"a/0", L"a/1", L"b", L"c"}));
    EXPECT_FALSE(tree.Collapse(1)); // a file row has nothing to collapse
    EXPECT_FALSE(tree.Expand(99));
    EXPECT_EQ(tree.changedFrom, (std::vector<int>{2, 1, 4}));
}

TEST_F(VirtualTreeTest, ExpandAllAndCollapseAll)
{
    AddGroup(L"a", 2);
    AddGroup(L"b", 1);
    tree.ExpandAll();
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"a/0", L"a/1", L"b", L"b/0"}));
    tree.CollapseAll();
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_FALSE(tree.Root().firstChild->IsExpanded());
    EXPECT_TRUE(tree.Expand(1)); // the flags were cleared too
}

TEST_F(VirtualTreeTest, ChildAddedToAnExpandedGroupAppearsAfterItsSiblings)
{
    CVirtualNode* a = AddGroup(L"a", 2);
    AddGroup(L"b", 0);
    tree.Expand(0);
    Add(a, L"a/2");
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"a", L"a/0", L"a/1", L"a/2", L"b"}));
    EXPECT_EQ(tree.changedFrom.back(), 3);
    // Under a collapsed group a new node has no row and changes none.
    const size_t changes = tree.changedFrom.size();
    tree.Collapse(0);
    Add(a, L"a/3");
    EXPECT_EQ(tree.changedFrom.size(), changes + 1);
}

TEST_F(VirtualTreeTest, ReorderChildrenKeepsExpandedGroupsExpanded)
{
    CVirtualNode* a = AddGroup(L"a", 1);
    CVirtualNode* b = AddGroup(L"b", 2);
    CVirtualNode* c = AddGroup(L"c", 0);
    tree.Expand(tree.RowOf(b));
    tree.ReorderChildren(nullptr, {c, b, a});
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"c", L"b", L"b/0", L"b/1", L"a"}));
    EXPECT_EQ(tree.Root().firstChild, c);
    EXPECT_EQ(tree.Root().lastChild, a);
    EXPECT_EQ(a->previousSibling, b);
    tree.ReorderChildren(b, {b->lastChild, b->firstChild});
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"c", L"b", L"b/1", L"b/0", L"a"}));
    // Not a permutation of the children: ignored, nothing is lost.
    tree.ReorderChildren(nullptr, {a});
    tree.ReorderChildren(nullptr, {a, a, c});
    tree.ReorderChildren(nullptr, {a, b->firstChild, c});
    tree.ReorderChildren(b, {b->firstChild, nullptr});
    EXPECT_EQ(tree.Root().firstChild, c);
    EXPECT_EQ(c->nextSibling, b);
    EXPECT_EQ(b->nextSibling, a);
    EXPECT_EQ(RowNames(), (std::vector<std::wstring>{L"c", L"b", L"b/1", L"b/0", L"a"}));
}

TEST_F(VirtualTreeTest, RemoveAllDestroysEveryNodeAndRow)
{
    AddGroup(L"a", 2);
    AddGroup(L"b", 3);
    tree.ExpandAll();
    tree.RemoveAll();
    EXPECT_TRUE(tree.Rows().empty());
    EXPECT_EQ(tree.Root().childCount, 0);
    EXPECT_EQ(tree.Root().firstChild, nullptr);
    EXPECT_EQ(destroyed, 7);
    EXPECT_EQ(tree.Root().GetCheckState(), Checked);
}

TEST(VirtualNode, DestroyingAParentDestroysWhatIsStillBelowIt)
{
    int destroyed = 0;
    {
        CVirtualTree tree;
        CVirtualNode* group = uitest::AddNamed(tree, nullptr, L"g", &destroyed);
        uitest::AddNamed(tree, group, L"f", &destroyed);
    }
    EXPECT_EQ(destroyed, 2);
}

} // namespace
