#pragma once
// The tree behind the virtual tree view, without a window: nodes that own
// their data, three-state check marks that propagate up and down, and the
// list of rows the list view shows.
#include "ui/common/CheckState.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vandrelcommon::ui {

class CVirtualNode;

// What a node shows in the list view.
class IVirtualNodeData {
public:
    // Answers the list view's request for one row: the requested column's text
    // into the request's buffer, and for column 0 the icon.
    virtual void FillDisplayInfo(LVITEMW& item, CVirtualNode* node) = 0;
    virtual ~IVirtualNodeData() = default;
};

// Column texts of a node, for sorting, selection rules and reports.
class IIterableTextColumn {
public:
    // An unknown column gives an empty string.
    virtual std::wstring GetColumnText(int column, CVirtualNode* node) = 0;
    virtual int GetColumnCount() = 0;
    virtual ~IIterableTextColumn() = default;
};

class CVirtualNode {
public:
    static constexpr uint16_t kExpanded = 0x20;
    static constexpr uint16_t kGuard = 0x4000;    // set while check states propagate
    static constexpr uint16_t kRemoving = 0x8000; // set while RemoveNodes takes the node away

    CVirtualNode() = default;
    CVirtualNode(const CVirtualNode&) = delete;
    CVirtualNode& operator=(const CVirtualNode&) = delete;
    // A parent owns its children: whatever is still linked below goes too.
    ~CVirtualNode();

    bool IsExpanded() const { return (flags & kExpanded) != 0; }
    CheckState GetCheckState() const { return checkState_; }
    // The node's data seen as columns, or null.
    IIterableTextColumn* Columns() const;

    int32_t sequenceNumber = -1;
    int32_t childCount = 0;
    int32_t nextSequenceNumber = 0; // only ever grows
    // A result holds a million nodes: the small fields are packed so that a
    // node takes 72 bytes rather than 80 (a heap block of 88 rather than 104).
    int16_t level = -1;
    uint16_t flags = 0;
    CVirtualNode* parent = nullptr;
    CVirtualNode* firstChild = nullptr;
    CVirtualNode* lastChild = nullptr;
    CVirtualNode* nextSibling = nullptr;
    CVirtualNode* previousSibling = nullptr;
    std::unique_ptr<IVirtualNodeData> data;

private:
    friend class CVirtualTree;
    // Changed only by the tree, which keeps each parent's count of Checked
    // children in step, so recomputing a parent never scans its children.
    CheckState checkState_ : 8 = Unchecked;
    int32_t checkedChildren_ = 0;
};

class CVirtualTree {
public:
    CVirtualTree();
    CVirtualTree(const CVirtualTree&) = delete;
    CVirtualTree& operator=(const CVirtualTree&) = delete;
    virtual ~CVirtualTree() = default;

    CVirtualNode& Root() { return root_; }
    // The visible nodes in display order, one per list-view row.
    const std::vector<CVirtualNode*>& Rows() const { return rows_; }
    // Row of a visible node, or -1.
    int RowOf(const CVirtualNode* node) const;

    // Adds a node as the last child of `parent` (null: the root).
    CVirtualNode* AddNode(CVirtualNode* parent, std::unique_ptr<IVirtualNodeData> data);
    // Removes the node and everything below it. The parent's check state is
    // left for the caller to recompute with UpdateParentState.
    void RemoveNode(CVirtualNode* node, bool removeRow);
    // Removes many nodes and everything below them with one pass over the
    // rows, where RemoveNode searches them once a node. No node of the list
    // may lie below another. Parents' check states are left to the caller.
    virtual void RemoveNodes(const std::vector<CVirtualNode*>& nodes);
    // Removes every node and every row.
    void RemoveAll();
    // Moves every node under a new root and leaves the tree empty at once,
    // so that the nodes can be destroyed on another thread.
    std::unique_ptr<CVirtualNode> DetachAll();

    // Sets a node's state and propagates it (ApplyCheckState).
    void SetCheckState(CVirtualNode* node, CheckState state);
    // After a node's state was set: Checked or Unchecked goes down to every
    // descendant, then the ancestors are recomputed.
    void ApplyCheckState(CVirtualNode* node);
    // Recomputes a parent from its children: Checked when all are (or there are
    // none), Unchecked when none is, Mixed otherwise; then on up.
    void UpdateParentState(CVirtualNode* node);
    // A click on the check box: Unchecked becomes Checked, anything else Unchecked.
    void ToggleCheckState(CVirtualNode* node);

    // Show or hide the children of the node at `row`; false when nothing
    // changed. A view adds scrolling and repainting.
    virtual bool Expand(int row);
    virtual bool Collapse(int row);
    virtual void ExpandAll();
    virtual void CollapseAll();

    // Relinks the children of `parent` in the given order and rebuilds the
    // rows; an order that is not a permutation of them changes nothing.
    virtual void ReorderChildren(CVirtualNode* parent, const std::vector<CVirtualNode*>& order);
    // Sorts the children of every child of `parent` (null: the root) by
    // `less` and rebuilds the rows once, however many children there are.
    virtual void SortGrandchildren(
        CVirtualNode* parent, const std::function<bool(const CVirtualNode*, const CVirtualNode*)>& less);

protected:
    // The rows from `firstRow` on changed (and maybe their number); a view
    // tells its list view and repaints only those.
    virtual void OnRowsChanged(int firstRow) { (void)firstRow; }
    // One row was inserted at `row` (count 1) or taken from it (count -1),
    // and the rows below moved with it; a view moves its marks along.
    virtual void OnRowsMoved(int row, int count)
    {
        (void)count;
        OnRowsChanged(row);
    }

    std::vector<CVirtualNode*> rows_;

private:
    static void StoreCheckState(CVirtualNode* node, CheckState state);
    static bool IsVisible(const CVirtualNode* node);
    static void RelinkChildren(CVirtualNode* parent, const std::vector<CVirtualNode*>& order);
    static bool IsPermutationOfChildren(const CVirtualNode* parent, const std::vector<CVirtualNode*>& order);
    void AppendVisibleDescendants(const CVirtualNode* node, std::vector<CVirtualNode*>& out) const;
    void RebuildRows();

    CVirtualNode root_;
};

} // namespace vandrelcommon::ui
