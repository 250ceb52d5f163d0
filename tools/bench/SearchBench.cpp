// search-bench: one search run as the main window runs it, through the search
// worker under its progress dialog into a result tree in a list view; then
// the groups of the tree on standard output as clonarium-scan writes them.
//   search-bench [clonarium-scan's options] PATH...
// Exit 0 when the dialog ended, 2 on a usage error.
#include "i18n/Localizer.h"
#include "system/TextEncoding.h"
#include "tools/clonarium-scan/ScanCommandLine.h"
#include "tools/clonarium-scan/ScanOutput.h"
#include "ui/SearchProgressDialog.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Module.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

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
            record.path = ItemOf(file)->path;
            copy.files.push_back(record);
        }
        AppendGroup(copy, out);
    }
    return out;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    vandrelcommon::ui::AppModule().Init(::GetModuleHandleW(nullptr));
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
    // The main window and its result list, as in options mode: hidden.
    const HWND mainWindow = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0,
        800, 600, nullptr, nullptr, nullptr, nullptr);
    vandrelcommon::ui::CVirtualTreeView results;
    results.Attach(mainWindow);
    request.results = &results;
    CSearchProgressDialog dialog(request, mainWindow, nullptr);
    const INT_PTR ended = dialog.DoModal(mainWindow);
    WriteText(::GetStdHandle(STD_OUTPUT_HANDLE), GroupLines(results));
    results.DestroyWindow();
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return ended == CSearchProgressDialog::kFound || ended == CSearchProgressDialog::kNothingFound ? 0 : 1;
}
