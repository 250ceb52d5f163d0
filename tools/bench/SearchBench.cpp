// search-bench: one search run as the main window runs it, through the search
// worker under its progress dialog into a result tree in a list view; then
// the groups of the tree on standard output as clonarium-scan writes them,
// and on standard error "seconds: " the time from opening the dialog to its
// end, as clonarium-scan gives the time of its search. Like clonarium-scan
// (and like the program) it keeps the search cache, the one clonarium-scan
// keeps beside itself, unless told --no-cache; --clear-cache empties it first.
//   search-bench [clonarium-scan's options] PATH...
// A search that finds nothing is closed as soon as it says "Finished.".
// Exit 0 when the dialog ended, 2 on a usage error.
#include "engine/SearchCacheDatabase.h"
#include "i18n/Localizer.h"
#include "system/TextEncoding.h"
#include "tools/clonarium-scan/ScanCommandLine.h"
#include "tools/clonarium-scan/ScanOutput.h"
#include "ui/framework/ProgramSession.h"
#include "ui/SearchProgressDialog.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Module.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <chrono>
#include <string>

using namespace clonarium;

namespace {

// The tree's groups, each file's path a line, an empty line after each group.
std::string GroupLines(CVirtualTree& tree)
{
    std::string out;
    for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
        FileGroup copy;
        for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
            FileRecord record;
            record.path = ItemOf(file)->Path();
            copy.files.push_back(record);
        }
        AppendGroup(copy, out);
    }
    return out;
}

CSearchProgressDialog* shownDialog = nullptr;

// A search that found nothing waits for Close: pressed as soon as it shows.
void CALLBACK CloseWhenFinished(HWND, UINT, UINT_PTR, DWORD)
{
    if (shownDialog != nullptr && shownDialog->GetState() == CSearchProgressDialog::State::Finished) {
        ::SendMessageW(shownDialog->GetDlgItem(IDC_SEARCH_STOP), BM_CLICK, 0, 0);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const vandrelcommon::ui::ProgramSession session;
    vandrelcommon::system::LoadLanguage("en");

    ScanOptions options;
    SearchRequest request;
    std::wstring error;
    if (!ParseScanCommandLine(std::vector<std::wstring>(argv + 1, argv + argc), options, error) ||
        !ResolveScanRoots(options.paths, request.roots, error) ||
        !MakeScanParameters(options, request.parameters, error)) {
        WriteText(::GetStdHandle(STD_ERROR_HANDLE),
            vandrelcommon::system::Utf8FromWide(L"search-bench: " + error + L"; " + kScanUsage) + "\r\n");
        return 2;
    }
    if (!options.noCache) {
        request.cacheFile = ScanCacheFile();
        if (options.clearCache) {
            SearchCacheDatabase::Clear(request.cacheFile);
        }
    }
    // The main window and its result list, as in options mode: hidden.
    const HWND mainWindow = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0, 800,
        600, nullptr, nullptr, nullptr, nullptr);
    vandrelcommon::ui::CVirtualTreeView results;
    results.Attach(mainWindow);
    request.results = &results;
    // As the result pane does when it takes its list: the shell's small icons
    // for the list, and the folder icon for the group rows.
    SHFILEINFOW folder{};
    const auto icons = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &folder,
        sizeof(folder), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
    results.ListView().SetImageList(icons, LVSIL_SMALL);
    request.groupIcon = folder.iIcon;
    CSearchProgressDialog dialog(request, mainWindow, nullptr);
    shownDialog = &dialog;
    const UINT_PTR closer = ::SetTimer(nullptr, 0, 50, CloseWhenFinished);
    const auto start = std::chrono::steady_clock::now();
    const INT_PTR ended = dialog.DoModal(mainWindow);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    ::KillTimer(nullptr, closer);
    WriteText(::GetStdHandle(STD_OUTPUT_HANDLE), GroupLines(results));
    WriteText(::GetStdHandle(STD_ERROR_HANDLE), "seconds: " + std::to_string(seconds.count()) + "\r\n");
    results.DestroyWindow();
    return ended == CSearchProgressDialog::kFound || ended == CSearchProgressDialog::kNothingFound ? 0 : 1;
}
