#include "results/SmartSelect.h"

#include "tests/results/ResultModel.h"

#include <gtest/gtest.h>

using namespace clonarium;
using namespace vandrelcommon::ui;

namespace {

std::vector<CheckState> StatesOf(const CVirtualNode* group)
{
    std::vector<CheckState> states;
    for (const CVirtualNode* file : FilesOf(group)) {
        states.push_back(file->GetCheckState());
    }
    return states;
}

FileRecord Timed(const std::wstring& path, uint64_t written, uint64_t created, uint64_t accessed)
{
    FileRecord record = Record(path, 1);
    record.lastWriteTime = FileTimeOf(written);
    record.creationTime = FileTimeOf(created);
    record.lastAccessTime = FileTimeOf(accessed);
    return record;
}

using States = std::vector<CheckState>;
const CheckState C = Checked;
const CheckState U = Unchecked;

TEST(SmartRuleTest, EveryRuleKeepsItsFileAndTiesKeepTheEarliest)
{
    CVirtualTree tree;
    // written: 2,3,3  created: 5,1,1  accessed: 7,7,9
    CVirtualNode* group = AddRecords(tree, {Timed(L"c:\\aaa\\x.txt", 2, 5, 7), Timed(L"c:\\b\\long-name.txt", 3, 1, 7),
                                               Timed(L"c:\\cc\\yy.txt", 3, 1, 9)});
    const std::pair<SmartSelectRule, States> expected[] = {
        {KeepFirst, {U, C, C}},
        {KeepLast, {C, C, U}},
        {KeepNewestModified, {C, U, C}},
        {KeepOldestModified, {U, C, C}},
        {KeepNewestCreated, {U, C, C}},
        {KeepOldestCreated, {C, U, C}},
        {KeepNewestAccessed, {C, C, U}},
        {KeepOldestAccessed, {U, C, C}},
        {KeepShortestFileName, {U, C, C}},
        {KeepLongestFileName, {C, U, C}},
        {KeepShortestPath, {C, U, C}},
        {KeepLongestPath, {U, C, C}},
    };
    for (const auto& [rule, states] : expected) {
        ApplySmartRule(tree, group, rule);
        EXPECT_EQ(StatesOf(group), states) << SmartRuleKey(rule);
        EXPECT_EQ(group->GetCheckState(), Mixed) << SmartRuleKey(rule);
        EXPECT_EQ(SmartRuleByKey(SmartRuleKey(rule)), rule);
    }
    EXPECT_EQ(SmartRuleByKey("keep-nothing"), std::nullopt);
}

TEST(SmartRuleTest, FolderLengthAloneDecidesThePathRules)
{
    CVirtualTree tree;
    CVirtualNode* group = AddRecords(tree, {Record(L"c:\\a\\bb.txt"), Record(L"c:\\abc\\b.txt"), Record(L"nofolder")});
    ApplySmartRule(tree, group, KeepShortestPath);
    EXPECT_EQ(StatesOf(group), (States{C, C, U})); // no backslash: folder length 0
    tree.RemoveNode(group->lastChild, true);
    ApplySmartRule(tree, group, KeepShortestPath);
    EXPECT_EQ(StatesOf(group), (States{U, C}));
    ApplySmartRule(tree, group, KeepLongestPath);
    EXPECT_EQ(StatesOf(group), (States{C, U}));
}

TEST(SmartRuleTest, KeepFirstFollowsTheCurrentOrder)
{
    CVirtualTree tree;
    CVirtualNode* group =
        AddRecords(tree, {ImageRecord(L"x\\big", 9, 1, 1), ImageRecord(L"x\\small", 2, 5, 5)}, SimilarImages);
    SortFiles(tree, FileSortKey::Size, true);
    ApplySmartRule(tree, group, KeepFirst);
    EXPECT_EQ(PathsOf(group).front(), L"x\\small");
    EXPECT_EQ(group->firstChild->GetCheckState(), Unchecked);
    ApplySmartRule(tree, group, KeepLowestResolution);
    EXPECT_EQ(StatesOf(group), (States{C, U}));
    ApplySmartRule(tree, group, KeepHighestResolution);
    EXPECT_EQ(StatesOf(group), (States{U, C}));
}

TEST(SmartRuleTest, GroupsTheRuleCannotDecideStayAsTheyWere)
{
    CVirtualTree tree;
    CVirtualNode* exact = AddRecords(tree, {Record(L"a\\1", 4), Record(L"a\\2", 4)});
    tree.SetCheckState(exact->lastChild, Checked);
    ApplySmartRule(tree, exact, KeepHighestResolution);
    EXPECT_EQ(StatesOf(exact), (States{U, C}));

    // A child that is not a file item: marking what came before it could leave
    // the group with every file marked.
    CVirtualNode* odd = AddRecords(tree, {Record(L"b\\1"), Record(L"b\\2")});
    tree.AddNode(odd, std::make_unique<CDuplicateGroup>(0, 0));
    ApplySmartRule(tree, odd, KeepLast);
    EXPECT_EQ(StatesOf(odd), (States{U, U, U}));

    // Only groups take rules.
    ApplySmartRule(tree, exact->firstChild, KeepLast);
    ApplySmartRule(tree, &tree.Root(), KeepLast);
    EXPECT_EQ(StatesOf(exact), (States{U, C}));
}

TEST(SmartRuleTest, RegexpModesAgainstMatchedAndUnmatchedFiles)
{
    RegexpRule rule;
    rule.expressions = {L".*?\\.doc$"};
    rule.target = FileName;
    rule.Compile();
    const std::pair<RegexpMode, States> expected[] = {
        // files: matched+checked, matched+unchecked, unmatched+checked, unmatched+unchecked
        {NewSelection, {C, C, U, U}},
        {AddToSelection, {C, C, C, U}},
        {SubtractFromSelection, {U, U, C, U}},
        {IntersectWithSelection, {C, U, U, U}},
    };
    for (const auto& [mode, states] : expected) {
        CVirtualTree tree;
        CVirtualNode* group =
            AddRecords(tree, {Record(L"c:\\A.DOC"), Record(L"c:\\b.doc"), Record(L"c:\\c.docx"), Record(L"c:\\d.txt")});
        tree.SetCheckState(group->firstChild, Checked);
        tree.SetCheckState(group->firstChild->nextSibling->nextSibling, Checked);
        rule.mode = mode;
        ApplyRegexpRule(tree, group, rule);
        EXPECT_EQ(StatesOf(group), states) << mode;
    }
}

TEST(SmartRuleTest, RemoveFromListTakesTheGroupOutOfTheCounts)
{
    CVirtualTree tree;
    CVirtualNode* first = AddRecords(tree, {Record(L"a\\1", 4), Record(L"a\\2", 4)});
    CVirtualNode* second = AddRecords(tree, {Record(L"b\\1", 8), Record(L"b\\2", 8)});
    tree.SetCheckState(second, Checked);
    EXPECT_EQ(tree.Root().GetCheckState(), Mixed);
    RemoveFromList(tree, first);
    EXPECT_EQ(tree.Root().GetCheckState(), Checked);
    const ResultStatistics statistics = ComputeStatistics(tree);
    EXPECT_EQ(statistics.groups, 1u);
    EXPECT_EQ(statistics.files, 2u);
    EXPECT_EQ(statistics.total, 16);
}

// Stops after a given number of groups, as a user pressing Cancel would.
class StopAfter : public ISmartSelectCallback {
public:
    explicit StopAfter(int groups) : groups_(groups) { }
    void OnGroupProcessed() override
    {
        if (++processed == groups_) {
            Stop();
        }
    }
    int processed = 0;

private:
    int groups_;
};

TEST(SmartSelecterTest, AStopKeepsTheGroupsDoneAndLeavesTheRest)
{
    CVirtualTree tree;
    for (int i = 0; i < 10; ++i) {
        AddRecords(tree, {Record(L"a\\1"), Record(L"a\\2")});
    }
    StopAfter callback(3);
    CSmartSelecter selecter(tree, SelectionJob{KeepFirst, nullptr}, callback);
    ASSERT_NE(selecter.Start(0), 0u);
    selecter.WaitForFinish();
    // The worker only decided; nothing changed yet.
    EXPECT_EQ(tree.Root().GetCheckState(), Unchecked);
    selecter.Changes().Apply(tree);

    EXPECT_EQ(callback.processed, 3);
    EXPECT_TRUE(callback.WasCanceled());
    const std::vector<CVirtualNode*> groups = GroupsOf(tree);
    for (size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i]->GetCheckState(), i < 3 ? Mixed : Unchecked) << i;
    }
}

} // namespace
