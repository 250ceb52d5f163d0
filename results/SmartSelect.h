#pragma once
// Rules that mark files of a group for deletion, and the run of a rule over
// every group on a worker thread.
#include "results/DuplicateResult.h"
#include "results/RegexpRule.h"
#include "system/Worker.h"

#include <optional>
#include <string_view>
#include <vector>

namespace clonarium {

using vandrelcommon::ui::CheckState;

enum SmartSelectRule : int32_t {
    KeepFirst = 0,
    KeepLast = 1,
    KeepNewestModified = 2,
    KeepOldestModified = 3,
    KeepNewestCreated = 4,
    KeepOldestCreated = 5,
    KeepNewestAccessed = 6,
    KeepOldestAccessed = 7,
    KeepShortestFileName = 8,
    KeepLongestFileName = 9,
    KeepShortestPath = 10,
    KeepLongestPath = 11,
    KeepHighestResolution = 12,
    KeepLowestResolution = 13,
};
constexpr int kSmartSelectRuleCount = 14;

// The rule's key under "duplicates-pane.buttons.select." ("keep-first").
const char* SmartRuleKey(SmartSelectRule rule);
// The rule with that key, or nothing.
std::optional<SmartSelectRule> SmartRuleByKey(std::string_view key);

// New states for files of the result, in the order they are to be set.
struct SelectionChanges {
    std::vector<CVirtualNode*> files;
    std::vector<CheckState> states;
    uint64_t matched = 0; // files a regular-expression rule matched

    void Apply(CVirtualTree& tree) const;
    // A new selection that matched nothing would only clear every mark: it
    // changes nothing instead, and the caller says so.
    void DropEmptyNewSelection(const RegexpRule& rule);
};

// What a rule would do to one group, appended to `changes`; nothing when the
// node is not a group or the rule cannot choose a file to keep in it.
void DecideSmartRule(const CVirtualNode* group, SmartSelectRule rule, SelectionChanges& changes);
void DecideRegexpRule(const CVirtualNode* group, const RegexpRule& rule, SelectionChanges& changes);

void ApplySmartRule(CVirtualTree& tree, const CVirtualNode* group, SmartSelectRule rule);
// The number of files the rule matched in the group.
uint64_t ApplyRegexpRule(CVirtualTree& tree, const CVirtualNode* group, const RegexpRule& rule);

// Removes a group and its files from the result (not from the disk).
void RemoveFromList(CVirtualTree& tree, CVirtualNode* group);

// A smart rule or a regular-expression rule, for a run over every group.
struct SelectionJob {
    SmartSelectRule smartRule = KeepFirst;
    const RegexpRule* regexpRule = nullptr; // used when set
};

class ISmartSelectCallback : public vandrelcommon::system::IControlCallback {
public:
    virtual void OnGroupProcessed() = 0;
};

// Decides the job for each group in turn on its own thread. It only reads the
// tree, which the interface thread does not change while a run goes on; the
// interface thread sets the decided states (Changes) once the worker ended,
// so no node is read by one thread while the other writes it. A stop keeps
// the decisions for the groups done so far.
class CSmartSelecter : public vandrelcommon::system::IWorker {
public:
    CSmartSelecter(CVirtualTree& tree, SelectionJob job, ISmartSelectCallback& callback)
        : tree_(tree), job_(job), callback_(callback)
    { }
    ~CSmartSelecter() override { WaitForFinish(); }

    void Run() override;
    const SelectionChanges& Changes() const { return changes_; }

private:
    CVirtualTree& tree_;
    SelectionJob job_;
    ISmartSelectCallback& callback_;
    SelectionChanges changes_;
};

} // namespace clonarium
