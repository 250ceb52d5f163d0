// Times the preview as the result view uses it:
//   text FILE      shows a large text file: time from the call to the first
//                  lines painted, the whole line scan (and its rate), and the
//                  process's memory before, during and after.
//   pictures N DIR shows the pictures in DIR (*.jpg) one after another, N
//                  times in all: median and worst time from the call to the
//                  picture painted.
//   preview-bench text FILE | pictures N DIR
#include "engine/FileIndexer.h"
#include "results/DuplicateResult.h"
#include "ui/PreviewManager.h"
#include "ui/framework/Module.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

using namespace clonarium;
using namespace vandrelcommon::ui;

namespace {

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

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

struct Memory {
    double workingSetMb;
    double commitMb;
};

Memory MemoryNow()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return Memory{counters.WorkingSetSize / 1048576.0, counters.PagefileUsage / 1048576.0};
}

std::unique_ptr<CDuplicateItem> ItemFor(const std::wstring& path)
{
    FileRecord record;
    RecordFile(path, record);
    return CDuplicateItem::Create(record, static_cast<int64_t>(record.size), 0);
}

int BenchText(CPreviewManager& preview, const std::wstring& path)
{
    CFilePreviewCtrl& view = preview.Pane(0).View();
    const std::unique_ptr<CDuplicateItem> item = ItemFor(path);
    const uint64_t rows = static_cast<uint64_t>(view.GetClientRect().bottom / view.LineHeight());
    // Once to warm the page cache, then measured.
    for (int run = 0; run < 2; ++run) {
        preview.ShowFirst(nullptr);
        const Memory before = MemoryNow();
        const double start = Now();
        preview.ShowFirst(item.get());
        while (view.LineCount() < rows && view.IsScanning()) {
            Pump();
            ::Sleep(0);
        }
        view.Invalidate();
        view.UpdateWindow();
        const double firstLines = Now() - start;
        Memory peak = MemoryNow();
        while (view.IsScanning()) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            Pump();
            const Memory now = MemoryNow();
            peak = Memory{std::max(peak.workingSetMb, now.workingSetMb), std::max(peak.commitMb, now.commitMb)};
        }
        const double scan = Now() - start;
        const Memory after = MemoryNow();
        const double gigabytes = static_cast<double>(item->size) / 1e9;
        std::printf("%s: %.2f GB, %llu lines, widest %llu columns\n", run == 0 ? "cold-ish" : "measured", gigabytes,
            static_cast<unsigned long long>(view.LineCount()), static_cast<unsigned long long>(view.WidthInColumns()));
        std::printf("  first lines painted: %.1f ms\n", firstLines * 1000);
        std::printf("  whole scan: %.3f s, %.2f GB/s\n", scan, gigabytes / scan);
        std::printf("  working set MB before/peak/after: %.1f / %.1f / %.1f\n", before.workingSetMb, peak.workingSetMb,
            after.workingSetMb);
        std::printf(
            "  committed MB before/peak/after: %.1f / %.1f / %.1f\n", before.commitMb, peak.commitMb, after.commitMb);
    }
    return 0;
}

int BenchPictures(CPreviewManager& preview, int switches, const std::wstring& folder)
{
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW entry;
    HANDLE listing = ::FindFirstFileW((folder + L"\\*.jpg").c_str(), &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            files.push_back(folder + L"\\" + entry.cFileName);
        } while (::FindNextFileW(listing, &entry));
        ::FindClose(listing);
    }
    if (files.size() < 2) {
        std::fprintf(stderr, "preview-bench: need at least two pictures in the folder\n");
        return 2;
    }
    std::sort(files.begin(), files.end());
    std::vector<std::unique_ptr<CDuplicateItem>> items;
    for (const std::wstring& file : files) {
        items.push_back(ItemFor(file));
    }
    CFilePreviewCtrl& view = preview.Pane(0).View();
    std::vector<double> times;
    for (int i = 0; i < switches; ++i) {
        const double start = Now();
        // ShowFirst loads the picture and paints it before it returns.
        preview.ShowFirst(items[static_cast<size_t>(i) % items.size()].get());
        times.push_back((Now() - start) * 1000);
        if (view.Kind() != PreviewKind::Image) {
            std::fprintf(stderr, "preview-bench: %ls is no picture to the library\n", view.Path().c_str());
            return 1;
        }
        Pump();
    }
    const RECT client = view.GetClientRect();
    // The library's share: loading the picture, and drawing it at the view's size.
    std::vector<double> loads, draws;
    const ImageDrawerOwner drawer(ImageClonarium::CreateImageDrawer());
    MemoryDC memory;
    GdiBitmap bitmap(::CreateCompatibleBitmap(ClientDC(view), client.right, client.bottom));
    SelectedObject selected(memory, bitmap.Get());
    for (size_t i = 0; i < items.size() * 3; ++i) {
        double start = Now();
        drawer->Load(files[i % files.size()]);
        loads.push_back((Now() - start) * 1000);
        start = Now();
        const RECT place = FitPicture(drawer->GetWidth(), drawer->GetHeight(), client.right, client.bottom);
        drawer->Draw(memory, place.left, place.top, place.right - place.left, place.bottom - place.top);
        draws.push_back((Now() - start) * 1000);
    }
    std::sort(loads.begin(), loads.end());
    std::sort(draws.begin(), draws.end());
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf(
        "%d switches among %zu pictures into a %ldx%ld view\n", switches, files.size(), client.right, client.bottom);
    std::printf("  call to picture painted: median %.1f ms, fastest %.1f ms, slowest %.1f ms\n",
        sorted[sorted.size() / 2], sorted.front(), sorted.back());
    std::printf("  of which the library: load median %.1f ms, draw median %.1f ms\n", loads[loads.size() / 2],
        draws[draws.size() / 2]);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3 || (std::wcscmp(argv[1], L"pictures") == 0 && argc < 4)) {
        std::fprintf(stderr, "usage: preview-bench text FILE | pictures N DIR\n");
        return 2;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AppModule().Init(::GetModuleHandleW(nullptr));
    CWindowImpl window;
    if (window.Create(nullptr, RECT{0, 0, 1000, 600}, L"preview-bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN) ==
        nullptr) {
        return 1;
    }
    window.ShowWindow(SW_SHOWNOACTIVATE);
    CPreviewManager preview;
    RECT client = window.GetClientRect();
    if (preview.Create(window, client) == nullptr) {
        std::fprintf(stderr, "preview-bench: no preview pane template\n");
        return 1;
    }
    preview.SetSinglePane(true);
    Pump();
    const int result = std::wcscmp(argv[1], L"text") == 0 ? BenchText(preview, argv[2])
                                                          : BenchPictures(preview, _wtoi(argv[2]), argv[3]);
    window.DestroyWindow();
    AppModule().Term();
    ::CoUninitialize();
    return result;
}
