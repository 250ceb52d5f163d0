// Times ExpandAll and CollapseAll of the virtual tree view over a large
// result: groups of files in a real list view (owner-data mode) attached to
// the view, with a row selected and scrolled to in the middle, as a user
// would leave it. Prints the median of several runs of each step and checks
// that the list view holds nothing but the number of rows.
//   virtual-tree-bench [GROUPS [FILES_PER_GROUP [RUNS]]]
#include "ui/framework/ProgramSession.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Module.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace vandrelcommon::ui;

namespace {

class BenchData : public IVirtualNodeData, public IIterableTextColumn {
public:
    explicit BenchData(int number) : number_(number) { }
    void FillDisplayInfo(LVITEMW& item, CVirtualNode* node) override
    {
        if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
            ::lstrcpynW(item.pszText, GetColumnText(item.iSubItem, node).c_str(), item.cchTextMax);
        }
    }
    std::wstring GetColumnText(int column, CVirtualNode* node) override
    {
        if (column != 0) {
            return {};
        }
        return (node->level == 0 ? L"group " : L"file ") + std::to_wstring(number_);
    }
    int GetColumnCount() override { return 1; }

private:
    int number_;
};

// A top-level window that hands the list view's notifications to the view.
class CBenchParent : public CWindowImpl {
public:
    BEGIN_MESSAGE_MAP()
    REFLECT_NOTIFICATIONS()
    END_MESSAGE_MAP()
};

double Now()
{
    static LARGE_INTEGER frequency{};
    if (frequency.QuadPart == 0) {
        ::QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

std::wstring RowText(const CListViewCtrl& list, int row)
{
    wchar_t text[64] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 64;
    list.GetItemText(row, item);
    return text;
}

int failures = 0;

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::printf("CHECK FAILED: %s\n", what);
        ++failures;
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int groups = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200000;
    const int filesPerGroup = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;

    const ProgramSession session;

    CBenchParent parent;
    parent.Create(nullptr, RECT{0, 0, 800, 600}, L"virtual tree bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
    const CListViewCtrl list =
        ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
            0, 0, 780, 560, parent, nullptr, AppModule().Instance(), nullptr);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 300;
    column.pszText = const_cast<wchar_t*>(L"Name");
    list.InsertColumn(0, column);
    parent.ShowWindow(SW_SHOWNA);

    auto view = std::make_unique<CVirtualTreeView>();
    if (!view->Attach(list)) {
        std::printf("the list view could not be attached\n");
        return 2;
    }

    std::printf("virtual tree view: %d groups of %d files (%d nodes), %d runs per step\n", groups, filesPerGroup,
        groups * (filesPerGroup + 1), runs);
    double start = Now();
    view->SetRedraw(false);
    for (int g = 0; g < groups; ++g) {
        CVirtualNode* group = view->AddNode(nullptr, std::make_unique<BenchData>(g));
        for (int f = 0; f < filesPerGroup; ++f) {
            view->AddNode(group, std::make_unique<BenchData>(g * filesPerGroup + f));
        }
    }
    view->SetRedraw(true);
    std::printf("  building the tree:        %8.1f ms (one run)\n", (Now() - start) * 1000);

    const int allRows = groups * (filesPerGroup + 1);
    const int middle = groups / 2;
    std::vector<double> expandTimes;
    std::vector<double> collapseTimes;
    for (int run = 0; run < runs; ++run) {
        // A selected, focused row in the middle, scrolled into view.
        view->SelectOnly(middle);
        list.EnsureVisible(middle, false);
        PumpMessages();
        const CVirtualNode* topNode = view->Rows()[list.GetTopIndex()];

        start = Now();
        view->ExpandAll();
        expandTimes.push_back(Now() - start);
        PumpMessages();
        Check(static_cast<int>(view->Rows().size()) == allRows, "every node has a row after ExpandAll");
        Check(list.GetItemCount() == allRows, "the list view counts every row");
        Check(view->Rows()[list.GetTopIndex()] == topNode, "the top row stays on top");
        Check(view->FocusedNode() != nullptr && view->FocusedNode()->level == 0 &&
                  view->FocusedNode()->sequenceNumber == middle,
            "the focused group keeps the focus");

        start = Now();
        view->CollapseAll();
        collapseTimes.push_back(Now() - start);
        PumpMessages();
        Check(list.GetItemCount() == groups, "the list view counts the group rows");
    }

    // One group opened and closed by a click, in the middle of the groups.
    std::vector<double> expandOneTimes;
    std::vector<double> collapseOneTimes;
    for (int run = 0; run < runs; ++run) {
        start = Now();
        view->Expand(middle);
        expandOneTimes.push_back(Now() - start);
        start = Now();
        view->Collapse(middle);
        collapseOneTimes.push_back(Now() - start);
        PumpMessages();
    }
    Check(list.GetItemCount() == groups, "one group opened and closed leaves the groups");

    // Owner-data mode: no items are stored; texts are asked from the nodes.
    Check((list.GetStyle() & LVS_OWNERDATA) != 0, "the list view is in owner-data mode");
    view->ExpandAll();
    const int probe = allRows - 1;
    Check(RowText(list, probe) == view->Rows()[probe]->Columns()->GetColumnText(0, view->Rows()[probe]),
        "the list view asks the node for a row's text");
    Check(view->FocusedNode() != nullptr && view->FocusedNode()->level == 0 &&
              view->FocusedNode()->sequenceNumber == middle,
        "the focused group keeps the focus through every step");

    const double expand = Median(expandTimes) * 1000;
    const double collapse = Median(collapseTimes) * 1000;
    std::printf("  ExpandAll   (%7d rows): median %8.1f ms\n", allRows, expand);
    std::printf("  CollapseAll (%7d rows): median %8.1f ms\n", groups, collapse);
    std::printf("  Expand one group   (%7d rows): median %8.1f ms\n", groups, Median(expandOneTimes) * 1000);
    std::printf(
        "  Collapse one group (%7d rows): median %8.1f ms\n", groups + filesPerGroup, Median(collapseOneTimes) * 1000);
    std::printf("  list view item count after ExpandAll: %d (owner data: only a count)\n", list.GetItemCount());
    Check(expand < 1000 && collapse < 1000, "each step finishes in under a second");

    start = Now();
    parent.DestroyWindow();
    std::printf("  destroying the window (empties the tree): %8.1f ms\n", (Now() - start) * 1000);
    Check(view->Root().childCount == 0, "the tree is empty once the window is gone");
    view.reset();
    std::printf(failures == 0 ? "all checks passed\n" : "%d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
