#include "results/TreeCleaner.h"

#include <algorithm>

namespace clonarium {

CTreeCleaner::~CTreeCleaner()
{
    WaitForFinish();
}

void TreeCleaners::Reap()
{
    std::erase_if(cleaners_, [](const std::unique_ptr<CTreeCleaner>& cleaner) {
        return cleaner->Thread() == nullptr || WaitForSingleObject(cleaner->Thread(), 0) != WAIT_TIMEOUT;
    });
}

void TreeCleaners::ClearTree(CVirtualTree& tree)
{
    Reap();
    auto cleaner = std::make_unique<CTreeCleaner>(tree.DetachAll());
    if (cleaner->Start(THREAD_PRIORITY_ABOVE_NORMAL) == 0) {
        cleaner->Run(); // no thread to be had: free the nodes here
    }
    cleaners_.push_back(std::move(cleaner));
}

} // namespace clonarium
