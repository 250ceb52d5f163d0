// Pruning deleted files out of a large result, as the delete progress dialog
// does on the interface thread: GROUPS groups of two expanded file rows (one
// checked), DELETED of the checked files deleted and pruned in batches of
// BATCH (one a refresh tick). Prints the total time and the rows left.
//   prune-bench [GROUPS [DELETED [BATCH]]]
#include "deletion/TreeDeleteItem.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace clonarium;
using vandrelcommon::ui::CVirtualNode;
using vandrelcommon::ui::CVirtualTree;

int wmain(int argc, wchar_t** argv)
{
    const int groups = argc > 1 ? _wtoi(argv[1]) : 333334;
    const int deletedCount = argc > 2 ? _wtoi(argv[2]) : 100000;
    const int batch = argc > 3 ? _wtoi(argv[3]) : 1000;
    CVirtualTree tree;
    std::vector<CVirtualNode*> checked;
    for (int g = 0; g < groups; ++g) {
        CVirtualNode* group = tree.AddNode(nullptr, nullptr);
        group->flags |= CVirtualNode::kExpanded;
        checked.push_back(tree.AddNode(group, nullptr));
        tree.SetCheckState(checked.back(), vandrelcommon::ui::Checked);
        tree.AddNode(group, nullptr);
    }
    tree.ExpandAll();
    const size_t rowsBefore = tree.Rows().size();
    LARGE_INTEGER frequency, from, to;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&from);
    std::vector<CVirtualNode*> pending;
    // Spread over the whole result, as a selection rule would mark them.
    const int step = groups / deletedCount > 0 ? groups / deletedCount : 1;
    int done = 0;
    for (int g = 0; g < groups && done < deletedCount; g += step, ++done) {
        pending.push_back(checked[g]);
        if (pending.size() == static_cast<size_t>(batch)) {
            PruneDeletedRows(tree, pending);
        }
    }
    PruneDeletedRows(tree, pending);
    ::QueryPerformanceCounter(&to);
    const double seconds = double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
    std::printf("pruning %d deleted files out of %zu rows in batches of %d: %.3f s in total (%d batches), "
                "%zu rows left (expected %zu)\n",
        done, rowsBefore, batch, seconds, (done + batch - 1) / batch, tree.Rows().size(),
        rowsBefore - size_t(done) * 3);
    return tree.Rows().size() == rowsBefore - size_t(done) * 3 ? 0 : 1;
}
