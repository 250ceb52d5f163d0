#include "ui/common/VirtualTree.h"

#include <algorithm>
#include <utility>

namespace vandrelcommon::ui {

namespace {

template <typename Visit>
void ForEachDescendant(CVirtualNode* node, Visit visit)
{
    for (CVirtualNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
        visit(child);
        ForEachDescendant(child, visit);
    }
}

void Unlink(CVirtualNode* node)
{
    CVirtualNode* parent = node->parent;
    if (node->previousSibling != nullptr) {
        node->previousSibling->nextSibling = node->nextSibling;
    } else if (parent != nullptr) {
        parent->firstChild = node->nextSibling;
    }
    if (node->nextSibling != nullptr) {
        node->nextSibling->previousSibling = node->previousSibling;
    } else if (parent != nullptr) {
        parent->lastChild = node->previousSibling;
    }
    node->parent = node->previousSibling = node->nextSibling = nullptr;
}

} // namespace

CVirtualNode::~CVirtualNode()
{
    CVirtualNode* child = firstChild;
    while (child != nullptr) {
        CVirtualNode* next = child->nextSibling;
        delete child;
        child = next;
    }
}

IIterableTextColumn* CVirtualNode::Columns() const
{
    return dynamic_cast<IIterableTextColumn*>(data.get());
}

static_assert(sizeof(void*) != 8 || sizeof(CVirtualNode) == 72, "a node grew past 72 bytes");

CVirtualTree::CVirtualTree()
{
    root_.flags = CVirtualNode::kExpanded;
}

// A node has a row when every ancestor is expanded (the root always is).
bool CVirtualTree::IsVisible(const CVirtualNode* node)
{
    for (const CVirtualNode* up = node->parent; up != nullptr; up = up->parent) {
        if (!up->IsExpanded()) {
            return false;
        }
    }
    return node->parent != nullptr;
}

int CVirtualTree::RowOf(const CVirtualNode* node) const
{
    if (node == nullptr || !IsVisible(node)) {
        return -1;
    }
    const auto found = std::find(rows_.begin(), rows_.end(), node);
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

void CVirtualTree::AppendVisibleDescendants(const CVirtualNode* node, std::vector<CVirtualNode*>& out) const
{
    for (CVirtualNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
        out.push_back(child);
        if (child->IsExpanded()) {
            AppendVisibleDescendants(child, out);
        }
    }
}

CVirtualNode* CVirtualTree::AddNode(CVirtualNode* parent, std::unique_ptr<IVirtualNodeData> data)
{
    if (parent == nullptr) {
        parent = &root_;
    }
    auto* node = new CVirtualNode; // owned by `parent` from the link below on
    node->sequenceNumber = parent->nextSequenceNumber++;
    node->level = static_cast<int16_t>(parent->level + 1);
    node->data = std::move(data);
    node->parent = parent;
    node->previousSibling = parent->lastChild;
    if (parent->lastChild != nullptr) {
        parent->lastChild->nextSibling = node;
    } else {
        parent->firstChild = node;
    }
    parent->lastChild = node;
    ++parent->childCount;

    if (parent == &root_) {
        rows_.push_back(node);
        OnRowsMoved(static_cast<int>(rows_.size()) - 1, 1);
    } else if (parent->IsExpanded()) {
        const int parentRow = RowOf(parent);
        if (parentRow >= 0) {
            // After the parent's visible subtree, so rows stay in display order.
            size_t at = static_cast<size_t>(parentRow) + 1;
            while (at < rows_.size() && rows_[at]->level > parent->level) {
                ++at;
            }
            rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), node);
            OnRowsMoved(static_cast<int>(at), 1);
        }
    }
    return node;
}

void CVirtualTree::RemoveNode(CVirtualNode* node, bool removeRow)
{
    if (node == nullptr || node == &root_) {
        return;
    }
    while (node->firstChild != nullptr) {
        RemoveNode(node->firstChild, true);
    }
    if (removeRow) {
        const int row = RowOf(node);
        if (row >= 0) {
            rows_.erase(rows_.begin() + row);
            OnRowsMoved(row, -1);
        }
    }
    CVirtualNode* parent = node->parent;
    StoreCheckState(node, Unchecked); // no longer counted by the parent
    Unlink(node);
    node->data.reset();
    delete node;
    if (parent != nullptr) {
        --parent->childCount;
    }
}

void CVirtualTree::RemoveNodes(const std::vector<CVirtualNode*>& nodes)
{
    for (CVirtualNode* node : nodes) {
        node->flags |= CVirtualNode::kRemoving;
    }
    const auto goes = [](const CVirtualNode* row) {
        for (const CVirtualNode* node = row; node != nullptr; node = node->parent) {
            if ((node->flags & CVirtualNode::kRemoving) != 0) {
                return true;
            }
        }
        return false;
    };
    const auto first = std::find_if(rows_.begin(), rows_.end(), goes);
    const int firstRow = static_cast<int>(first - rows_.begin());
    const bool rowsChange = first != rows_.end();
    rows_.erase(std::remove_if(first, rows_.end(), goes), rows_.end());
    for (CVirtualNode* node : nodes) {
        CVirtualNode* parent = node->parent;
        StoreCheckState(node, Unchecked);
        Unlink(node);
        delete node; // its children go with it
        if (parent != nullptr) {
            --parent->childCount;
        }
    }
    if (rowsChange) {
        OnRowsChanged(firstRow);
    }
}

void CVirtualTree::RemoveAll()
{
    rows_.clear();
    OnRowsChanged(0);
    while (root_.firstChild != nullptr) {
        RemoveNode(root_.firstChild, false);
        UpdateParentState(&root_);
    }
}

std::unique_ptr<CVirtualNode> CVirtualTree::DetachAll()
{
    // The children keep their parent links to our root: relinking them all
    // would cost a pass over the groups, and destroying a node never follows
    // its parent.
    auto detached = std::make_unique<CVirtualNode>();
    detached->firstChild = std::exchange(root_.firstChild, nullptr);
    detached->lastChild = std::exchange(root_.lastChild, nullptr);
    detached->childCount = std::exchange(root_.childCount, 0);
    root_.checkedChildren_ = 0;
    root_.checkState_ = Unchecked;
    rows_.clear();
    OnRowsChanged(0);
    return detached;
}

void CVirtualTree::StoreCheckState(CVirtualNode* node, CheckState state)
{
    if (node->parent != nullptr) {
        node->parent->checkedChildren_ += (state == Checked ? 1 : 0) - (node->checkState_ == Checked ? 1 : 0);
    }
    node->checkState_ = state;
}

void CVirtualTree::SetCheckState(CVirtualNode* node, CheckState state)
{
    StoreCheckState(node, state);
    ApplyCheckState(node);
}

// The guard keeps a recomputed parent from pushing its new state back down:
// a group turning Mixed must not make the root uncheck every other group.
void CVirtualTree::ApplyCheckState(CVirtualNode* node)
{
    if ((node->flags & CVirtualNode::kGuard) == 0) {
        node->flags |= CVirtualNode::kGuard;
        if (node->checkState_ == Checked || node->checkState_ == Unchecked) {
            for (CVirtualNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
                StoreCheckState(child, node->checkState_);
                ApplyCheckState(child);
            }
        }
        node->flags &= ~CVirtualNode::kGuard;
    }
    if (node->parent != nullptr) {
        UpdateParentState(node->parent);
    }
}

void CVirtualTree::UpdateParentState(CVirtualNode* node)
{
    if ((node->flags & CVirtualNode::kGuard) != 0) {
        return;
    }
    node->flags |= CVirtualNode::kGuard;
    const int checked = node->checkedChildren_;
    if (checked == node->childCount) {
        StoreCheckState(node, Checked); // no children count as all checked
    } else if (checked == 0) {
        StoreCheckState(node, Unchecked);
    } else {
        StoreCheckState(node, Mixed);
    }
    ApplyCheckState(node);
    node->flags &= ~CVirtualNode::kGuard;
}

void CVirtualTree::ToggleCheckState(CVirtualNode* node)
{
    SetCheckState(node, node->checkState_ == Unchecked ? Checked : Unchecked);
}

bool CVirtualTree::Expand(int row)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()) || rows_[row]->IsExpanded()) {
        return false;
    }
    CVirtualNode* node = rows_[row];
    node->flags |= CVirtualNode::kExpanded;
    std::vector<CVirtualNode*> shown;
    AppendVisibleDescendants(node, shown);
    rows_.insert(rows_.begin() + row + 1, shown.begin(), shown.end());
    OnRowsChanged(row + 1);
    return true;
}

// Everything deeper than the node that follows its row is its visible subtree.
bool CVirtualTree::Collapse(int row)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()) || !rows_[row]->IsExpanded()) {
        return false;
    }
    CVirtualNode* node = rows_[row];
    node->flags &= ~CVirtualNode::kExpanded;
    auto end = rows_.begin() + row + 1;
    while (end != rows_.end() && (*end)->level > node->level) {
        ++end;
    }
    rows_.erase(rows_.begin() + row + 1, end);
    OnRowsChanged(row + 1);
    return true;
}

void CVirtualTree::ExpandAll()
{
    // Every node is expanded and becomes a row: one walk does both.
    rows_.clear();
    ForEachDescendant(&root_, [this](CVirtualNode* node) {
        node->flags |= CVirtualNode::kExpanded;
        rows_.push_back(node);
    });
    OnRowsChanged(0);
}

void CVirtualTree::CollapseAll()
{
    ForEachDescendant(&root_, [](CVirtualNode* node) { node->flags &= ~CVirtualNode::kExpanded; });
    const auto first =
        std::find_if(rows_.begin(), rows_.end(), [](const CVirtualNode* node) { return node->level >= 1; });
    if (first == rows_.end()) {
        return; // nothing was expanded
    }
    // The rows above are the root's first children; the rest follow them.
    const int firstRow = static_cast<int>(first - rows_.begin());
    rows_.resize(static_cast<size_t>(firstRow));
    for (CVirtualNode* child = firstRow == 0 ? root_.firstChild : rows_.back()->nextSibling; child != nullptr;
         child = child->nextSibling) {
        rows_.push_back(child);
    }
    OnRowsChanged(firstRow);
}

void CVirtualTree::ReorderChildren(CVirtualNode* parent, const std::vector<CVirtualNode*>& order)
{
    if (parent == nullptr) {
        parent = &root_;
    }
    if (!IsPermutationOfChildren(parent, order)) {
        return;
    }
    RelinkChildren(parent, order);
    RebuildRows();
}

void CVirtualTree::SortGrandchildren(
    CVirtualNode* parent, const std::function<bool(const CVirtualNode*, const CVirtualNode*)>& less)
{
    if (parent == nullptr) {
        parent = &root_;
    }
    std::vector<CVirtualNode*> order;
    for (CVirtualNode* child = parent->firstChild; child != nullptr; child = child->nextSibling) {
        order.clear();
        for (CVirtualNode* node = child->firstChild; node != nullptr; node = node->nextSibling) {
            order.push_back(node);
        }
        std::sort(order.begin(), order.end(), less);
        RelinkChildren(child, order);
    }
    RebuildRows();
}

void CVirtualTree::RelinkChildren(CVirtualNode* parent, const std::vector<CVirtualNode*>& order)
{
    CVirtualNode* previous = nullptr;
    for (CVirtualNode* node : order) {
        node->previousSibling = previous;
        node->nextSibling = nullptr;
        if (previous != nullptr) {
            previous->nextSibling = node;
        }
        previous = node;
    }
    parent->firstChild = order.empty() ? nullptr : order.front();
    parent->lastChild = previous;
}

// Every child once and nothing else: relinking anything less would lose nodes.
bool CVirtualTree::IsPermutationOfChildren(const CVirtualNode* parent, const std::vector<CVirtualNode*>& order)
{
    if (static_cast<int>(order.size()) != parent->childCount) {
        return false;
    }
    std::vector<const CVirtualNode*> sorted(order.begin(), order.end());
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end() &&
           std::all_of(order.begin(), order.end(),
               [parent](const CVirtualNode* node) { return node != nullptr && node->parent == parent; });
}

void CVirtualTree::RebuildRows()
{
    rows_.clear();
    AppendVisibleDescendants(&root_, rows_);
    OnRowsChanged(0);
}

} // namespace vandrelcommon::ui
