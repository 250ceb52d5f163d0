#pragma once
// Destroying a large result on a thread of its own, so that the window is
// empty and usable at once.
#include "system/Worker.h"
#include "ui/common/VirtualTree.h"

#include <memory>
#include <vector>

namespace clonarium {

using vandrelcommon::ui::CVirtualNode;
using vandrelcommon::ui::CVirtualTree;

// Destroys a detached tree and every node's data on its thread.
class CTreeCleaner : public vandrelcommon::system::IWorker {
public:
    explicit CTreeCleaner(std::unique_ptr<CVirtualNode> detachedRoot) : detachedRoot_(std::move(detachedRoot)) { }
    // Waits for the thread, which uses the cleaner until it ends.
    ~CTreeCleaner() override;

    void Run() override { detachedRoot_.reset(); }

private:
    std::unique_ptr<CVirtualNode> detachedRoot_;
};

// The cleaners a result view started, in start order.
class TreeCleaners {
public:
    TreeCleaners() = default;
    TreeCleaners(const TreeCleaners&) = delete;
    TreeCleaners& operator=(const TreeCleaners&) = delete;
    // Destroying the list waits for every cleaner still running.

    // Empties the tree at once and starts a cleaner on what it held, after
    // disposing of the cleaners that have ended.
    void ClearTree(CVirtualTree& tree);
    size_t Count() const { return cleaners_.size(); }

private:
    void Reap();

    std::vector<std::unique_ptr<CTreeCleaner>> cleaners_;
};

} // namespace clonarium
