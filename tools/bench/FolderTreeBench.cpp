// Times the opening of a folder of many entries in the folder tree, headless
// under Wine. Each run builds a new tree (so the shell's icons are asked
// for anew), opens the folder's parents untimed, then times the first
// opening of the folder and a second one (listing again, every item found
// present). For comparison it times the shell asked for the icon of each
// file by its path, which is what the tree would cost without asking once
// per extension (on a sample of the files). Prints medians.
//   folder-tree-bench [ENTRIES [FOLDERS [RUNS]]]
#include "ui/framework/ProgramSession.h"
#include "ui/FolderTreeView.h"
#include "ui/framework/Module.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace vandrelcommon::ui;
using clonarium::CFolderTreeView;

namespace {

// A top-level window that hands the tree's notifications to the tree.
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

constexpr std::array kExtensions{L".txt", L".jpg", L".png", L".gif", L".doc", L".pdf", L".mp3", L".zip", L".cpp", L".h",
    L".html", L".xml", L".csv", L".ini", L".log", L".dat", L".bmp", L".wav", L".rtf", L""};

// A folder of `entries` entries under the temporary folder: `folders` empty
// folders and files of twenty types. Returns its path.
std::wstring MakeBenchFolder(int entries, int folders, std::vector<std::wstring>& files)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = temp;
    if (folder.back() == L'\\') {
        folder.pop_back();
    }
    folder += L"\\clonarium-folder-tree-bench-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < entries; ++i) {
        const std::wstring path = folder + L"\\entry " + std::to_wstring(i);
        if (i < folders) {
            ::CreateDirectoryW(path.c_str(), nullptr);
            continue;
        }
        const std::wstring file = path + kExtensions[i % kExtensions.size()];
        const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
            files.push_back(file);
        }
    }
    return folder;
}

void RemoveBenchFolder(const std::wstring& folder, int folders, const std::vector<std::wstring>& files)
{
    for (const std::wstring& file : files) {
        ::DeleteFileW(file.c_str());
    }
    for (int i = 0; i < folders; ++i) {
        ::RemoveDirectoryW((folder + L"\\entry " + std::to_wstring(i)).c_str());
    }
    ::RemoveDirectoryW(folder.c_str());
}

// Opens the items from the drive down to `path`'s parent and returns the
// item of `path`; null when one of them is missing.
HTREEITEM OpenDownTo(CFolderTreeView& view, const std::wstring& path)
{
    const CTreeViewCtrl tree = view.Tree();
    HTREEITEM item = nullptr;
    for (HTREEITEM drive = tree.GetRootItem(); drive != nullptr; drive = tree.GetNextSiblingItem(drive)) {
        if (::CompareStringOrdinal(view.ItemData(drive)->path.c_str(), 3, path.c_str(), 3, TRUE) == CSTR_EQUAL) {
            item = drive;
        }
    }
    for (size_t start = 3; item != nullptr && start < path.size();) {
        size_t end = path.find(L'\\', start);
        end = end == std::wstring::npos ? path.size() : end;
        const std::wstring name = path.substr(start, end - start);
        view.ExpandItem(item);
        HTREEITEM child = tree.GetChildItem(item);
        while (child != nullptr &&
               ::CompareStringOrdinal(view.ItemData(child)->name.c_str(), -1, name.c_str(), -1, TRUE) != CSTR_EQUAL) {
            child = tree.GetNextSiblingItem(child);
        }
        item = child;
        start = end + 1;
    }
    return item;
}

int CountChildren(const CTreeViewCtrl& tree, HTREEITEM item)
{
    int count = 0;
    for (HTREEITEM child = tree.GetChildItem(item); child != nullptr; child = tree.GetNextSiblingItem(child)) {
        ++count;
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    const int entries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int folders = argc > 2 ? std::clamp(std::atoi(argv[2]), 0, entries) : 0;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

    const ProgramSession session;

    std::vector<std::wstring> files;
    const std::wstring folder = MakeBenchFolder(entries, folders, files);
    std::printf(
        "folder tree: a folder of %d entries (%d folders, %zu files), %d runs\n", entries, folders, files.size(), runs);

    CBenchParent parent;
    parent.Create(nullptr, RECT{0, 0, 500, 700}, L"folder tree bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
    parent.ShowWindow(SW_SHOWNA);
    std::vector<double> firstTimes;
    std::vector<double> againTimes;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        CFolderTreeView view;
        view.Create(parent, RECT{0, 0, 480, 660}, 1);
        const HTREEITEM item = OpenDownTo(view, folder);
        if (item == nullptr) {
            std::printf("the bench folder is not in the tree\n");
            return 2;
        }
        double start = Now();
        view.ExpandItem(item);
        firstTimes.push_back(Now() - start);
        start = Now();
        view.ExpandItem(item);
        againTimes.push_back(Now() - start);
        if (CountChildren(view.Tree(), item) != static_cast<int>(files.size()) + folders) {
            std::printf("CHECK FAILED: the folder shows every entry once\n");
            ++failures;
        }
    }

    // The shell asked about files by their paths; a sample, since it is slow.
    const size_t sample = std::min<size_t>(files.size(), 200);
    double start = Now();
    for (size_t i = 0; i < sample; ++i) {
        SHFILEINFOW info{};
        ::SHGetFileInfoW(files[i].c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    }
    const double perFile = sample == 0 ? 0 : (Now() - start) / static_cast<double>(sample);

    const double first = Median(firstTimes) * 1000;
    std::printf("  first opening:            %8.1f ms (median)\n", first);
    std::printf("  opening again:            %8.1f ms (median)\n", Median(againTimes) * 1000);
    std::printf("  shell asked per file:     %8.2f ms a file (%zu files), %.1f s for all the files\n", perFile * 1000,
        sample, perFile * static_cast<double>(files.size()));
    std::printf("  goal: first opening <= 1000 ms: %s\n", first <= 1000 ? "met" : "NOT met");

    parent.DestroyWindow();
    RemoveBenchFolder(folder, folders, files);
    return failures == 0 ? 0 : 1;
}
