#include "results/SmartSelect.h"

#include <array>

namespace clonarium {

using vandrelcommon::ui::Checked;
using vandrelcommon::ui::Unchecked;

namespace {

constexpr std::array<const char*, kSmartSelectRuleCount> kRuleKeys = {"keep-first", "keep-last", "keep-newest-modified",
    "keep-oldest-modified", "keep-newest-created", "keep-oldest-created", "keep-newest-accessed",
    "keep-oldest-accessed", "keep-shortest-fn", "keep-longest-fn", "keep-shortest-path", "keep-longest-path",
    "keep-highest-res", "keep-lowest-res"};

// True when `later` is strictly better than `kept` by the rule.
bool Replaces(SmartSelectRule rule, const CDuplicateItem& later, const CDuplicateItem& kept)
{
    switch (rule) {
    case KeepNewestModified:
        return CompareFileTime(&later.lastWriteTime, &kept.lastWriteTime) > 0;
    case KeepOldestModified:
        return CompareFileTime(&later.lastWriteTime, &kept.lastWriteTime) < 0;
    case KeepNewestCreated:
        return CompareFileTime(&later.creationTime, &kept.creationTime) > 0;
    case KeepOldestCreated:
        return CompareFileTime(&later.creationTime, &kept.creationTime) < 0;
    case KeepNewestAccessed:
        return CompareFileTime(&later.lastAccessTime, &kept.lastAccessTime) > 0;
    case KeepOldestAccessed:
        return CompareFileTime(&later.lastAccessTime, &kept.lastAccessTime) < 0;
    case KeepShortestFileName:
        return FileNameView(later.Path()).size() < FileNameView(kept.Path()).size();
    case KeepLongestFileName:
        return FileNameView(later.Path()).size() > FileNameView(kept.Path()).size();
    case KeepShortestPath:
        return FolderView(later.Path()).size() < FolderView(kept.Path()).size();
    case KeepLongestPath:
        return FolderView(later.Path()).size() > FolderView(kept.Path()).size();
    case KeepHighestResolution:
        return Resolution(later) > Resolution(kept);
    case KeepLowestResolution:
        return Resolution(later) < Resolution(kept);
    default:
        return false;
    }
}

bool IsGroup(const CVirtualNode* node)
{
    return node != nullptr && node->level == 0 && GroupOf(node) != nullptr;
}

// The file the rule keeps, or null when it cannot tell: a child that is not a
// file item (marking the files before it would risk marking them all), or a
// resolution rule on files that are not pictures.
const CVirtualNode* KeptFile(const CVirtualNode* group, SmartSelectRule rule)
{
    const bool byResolution = rule == KeepHighestResolution || rule == KeepLowestResolution;
    const CVirtualNode* kept = nullptr;
    for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        const CDuplicateItem* item = ItemOf(file);
        if (item == nullptr || (byResolution && dynamic_cast<const CDuplicateImageItem*>(item) == nullptr)) {
            return nullptr;
        }
        if (kept == nullptr || rule == KeepLast || (rule != KeepFirst && Replaces(rule, *item, *ItemOf(kept)))) {
            kept = file;
        }
    }
    return kept;
}

} // namespace

const char* SmartRuleKey(SmartSelectRule rule)
{
    return rule >= 0 && rule < kSmartSelectRuleCount ? kRuleKeys[static_cast<size_t>(rule)] : "";
}

std::optional<SmartSelectRule> SmartRuleByKey(std::string_view key)
{
    for (size_t i = 0; i < kRuleKeys.size(); ++i) {
        if (key == kRuleKeys[i]) {
            return static_cast<SmartSelectRule>(i);
        }
    }
    return std::nullopt;
}

void SelectionChanges::Apply(CVirtualTree& tree) const
{
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i]->GetCheckState() != states[i]) {
            tree.SetCheckState(files[i], states[i]);
        }
    }
}

void SelectionChanges::DropEmptyNewSelection(const RegexpRule& rule)
{
    if (matched == 0 && rule.StartsNewSelection()) {
        files.clear();
        states.clear();
    }
}

void DecideSmartRule(const CVirtualNode* group, SmartSelectRule rule, SelectionChanges& changes)
{
    if (!IsGroup(group)) {
        return;
    }
    const CVirtualNode* kept = KeptFile(group, rule);
    if (kept == nullptr) {
        return;
    }
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        changes.files.push_back(file);
        changes.states.push_back(file == kept ? Unchecked : Checked);
    }
}

void DecideRegexpRule(const CVirtualNode* group, const RegexpRule& rule, SelectionChanges& changes)
{
    if (!IsGroup(group)) {
        return;
    }
    for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        const CDuplicateItem* item = ItemOf(file);
        if (item == nullptr) {
            continue;
        }
        const bool matched = rule.Matches(std::wstring(item->Path()));
        changes.matched += matched ? 1 : 0;
        if (const std::optional<CheckState> state = rule.StateFor(matched)) {
            changes.files.push_back(file);
            changes.states.push_back(*state);
        }
    }
}

void ApplySmartRule(CVirtualTree& tree, const CVirtualNode* group, SmartSelectRule rule)
{
    SelectionChanges changes;
    DecideSmartRule(group, rule, changes);
    changes.Apply(tree);
}

uint64_t ApplyRegexpRule(CVirtualTree& tree, const CVirtualNode* group, const RegexpRule& rule)
{
    SelectionChanges changes;
    DecideRegexpRule(group, rule, changes);
    changes.DropEmptyNewSelection(rule);
    changes.Apply(tree);
    return changes.matched;
}

void RemoveFromList(CVirtualTree& tree, CVirtualNode* group)
{
    if (!IsGroup(group)) {
        return;
    }
    tree.RemoveNode(group, true);
    tree.UpdateParentState(&tree.Root());
}

void CSmartSelecter::Run()
{
    callback_.OnStarted();
    for (const CVirtualNode* group = tree_.Root().firstChild; group != nullptr; group = group->nextSibling) {
        if (job_.regexpRule != nullptr) {
            DecideRegexpRule(group, *job_.regexpRule, changes_);
        } else {
            DecideSmartRule(group, job_.smartRule, changes_);
        }
        callback_.OnGroupProcessed();
        if (callback_.IsCanceled()) {
            break;
        }
    }
    if (job_.regexpRule != nullptr) {
        changes_.DropEmptyNewSelection(*job_.regexpRule);
    }
    callback_.OnFinished();
}

} // namespace clonarium
