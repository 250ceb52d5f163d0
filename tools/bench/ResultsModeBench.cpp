// Times results mode over a large result in the real main window: groups of
// made-up files (nothing is read from disk) loaded as a search loads them,
// then the selection moved a row, every group expanded and collapsed, a mark
// toggled, the tree repainted, the groups sorted and the marked files counted,
// each as the interface thread answers it, and a keep-one rule run over every
// group under its dialog.
//   results-mode-bench.exe [GROUPS [FILES_PER_GROUP [RUNS]]]
#include "resources/resource.h"
#include "results/DuplicateResult.h"
#include "ui/framework/ProgramSession.h"
#include "ui/MainFrame.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/MessageLoop.h"
#include "ui/framework/Module.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace clonarium;

namespace {

double Now()
{
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The median time of `runs` runs of `step`, each followed by the painting it
// caused, in milliseconds.
double MedianMs(int runs, HWND painted, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        PumpMessages();
        const double start = Now();
        step();
        ::UpdateWindow(painted);
        times.push_back((Now() - start) * 1000);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// As the search dialog loads a result: with the view's redrawing off.
void LoadResult(CDuplicatesVirtualTreeView& tree, int groups, int filesPerGroup)
{
    tree.SetRedraw(false);
    ExtensionIcons icons;
    FileGroup group;
    for (int g = 0; g < groups; ++g) {
        group.size = 1000 + static_cast<uint64_t>(g % 5000) * 37;
        group.files.clear();
        for (int f = 0; f < filesPerGroup; ++f) {
            FileRecord record;
            record.path = L"C:\\Photos\\" + std::to_wstring(g) + L"\\folder " + std::to_wstring(f) + L"\\IMG_" +
                          std::to_wstring(g * filesPerGroup + f) + L".jpg";
            record.size = group.size;
            record.lastWriteTime = FILETIME{static_cast<DWORD>(g * 7 + f * 13), 30000000};
            group.files.push_back(std::move(record));
        }
        AddGroup(tree, group, ExactDuplicates, icons, tree.GroupIcon());
    }
    tree.SetRedraw(true);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int groups = argc > 1 ? std::max(1, _wtoi(argv[1])) : 200000;
    const int filesPerGroup = argc > 2 ? std::max(2, _wtoi(argv[2])) : 5;
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 5;

    const vandrelcommon::ui::ProgramSession session;
    vandrelcommon::ui::CMessageLoop loop;
    vandrelcommon::ui::AppModule().AddMessageLoop(&loop);

    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring settings = std::wstring(temp) + L"clonarium-results-bench";
    ::CreateDirectoryW(settings.c_str(), nullptr);
    int result = 1;
    {
        CMainFrame frame(FolderRoots{settings, L""});
        frame.SetEndsMessageLoop(false);
        if (frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, 1000, 700}) != nullptr) {
            frame.ShowWindow(SW_SHOWNA);
            CDuplicatesPane& pane = frame.DuplicatesPane();
            CDuplicatesVirtualTreeView& tree = frame.Results();
            const HWND list = tree.Hwnd();

            double start = Now();
            pane.SetupColumns(ExactDuplicates);
            LoadResult(tree, groups, filesPerGroup);
            frame.SetMode(IModeContainer::kResultsMode);
            ::UpdateWindow(frame.Hwnd());
            std::printf("results mode: %d groups of %d files (%d file rows), median of %d runs\n", groups,
                filesPerGroup, groups * filesPerGroup, runs);
            std::printf("  loading, sorting and showing the result: %8.1f ms (one run)\n", (Now() - start) * 1000);

            std::vector<double> expandTimes;
            std::vector<double> collapseTimes;
            for (int run = 0; run < runs; ++run) {
                start = Now();
                tree.ExpandAll();
                ::UpdateWindow(list);
                expandTimes.push_back((Now() - start) * 1000);
                start = Now();
                tree.CollapseAll();
                ::UpdateWindow(list);
                collapseTimes.push_back((Now() - start) * 1000);
            }
            std::sort(expandTimes.begin(), expandTimes.end());
            std::sort(collapseTimes.begin(), collapseTimes.end());
            tree.ExpandAll();
            tree.SelectOnly(1000);
            tree.SetFocus();
            std::printf("  expand all (%zu rows):            %8.1f ms\n", tree.Rows().size(),
                expandTimes[expandTimes.size() / 2]);
            std::printf("  collapse all:                       %8.1f ms\n", collapseTimes[collapseTimes.size() / 2]);
            std::printf("  selection moved one row (Down):     %8.1f ms\n",
                MedianMs(runs, list, [&] { ::SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0); }));
            std::printf("  mark toggled (Space):               %8.1f ms\n",
                MedianMs(runs, list, [&] { ::SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0); }));
            std::printf("  full repaint:                       %8.1f ms\n",
                MedianMs(runs, list, [&] { ::InvalidateRect(list, nullptr, TRUE); }));
            std::printf("  groups sorted from the Sort menu:   %8.1f ms\n",
                MedianMs(runs, list, [&] { ::SendMessageW(pane.Hwnd(), WM_COMMAND, ID_SORT_FILE_NUMBER, 0); }));
            std::printf(
                "  marked files counted (status line): %8.1f ms\n", MedianMs(runs, list, [&] { pane.UpdateMarks(); }));
            std::printf("  keep-newest over every group, with its dialog: %8.1f ms\n", MedianMs(runs, list, [&] {
                ::SendMessageW(pane.Hwnd(), WM_COMMAND, ID_SELECT_KEEP_NEWEST_MODIFIED, 0);
            }));
            int marked = 0;
            for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
                marked += group->GetCheckState() == vandrelcommon::ui::Mixed ? 1 : 0;
            }
            std::printf("  groups with a kept file after the rule: %d of %d\n", marked, groups);
            result = marked == groups ? 0 : 1;
            frame.DestroyWindow();
        }
    }
    vandrelcommon::ui::AppModule().RemoveMessageLoop();
    return result;
}
