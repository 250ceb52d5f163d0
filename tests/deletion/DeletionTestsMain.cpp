// The deletion test program: GoogleTest, or with
//   --show-progress [--lang CODE] [--start] [--backup]
//   --show-file-exists [--lang CODE]
// the delete progress dialog over a few files of its own (started at once
// with --start; into a backup folder with --backup), or the "Backuping"
// dialog for a name that is taken, in the language CODE: for looking at them
// and taking their pictures.
#include "i18n/Localizer.h"
#include "system/LongPath.h"
#include "tests/deletion/DeletionTestSupport.h"
#include "tests/support/CommandLine.h"
#include "tests/support/TempTree.h"
#include "ui/DeleteProgressDialog.h"
#include "ui/FileExistsDialog.h"
#include "ui/framework/Gdiplus.h"

#include "ui/framework/ProgramSession.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstring>
#include <string>
#include <thread>

using namespace clonarium;

namespace {

int ShowFileExists()
{
    TempTree tree;
    tree.MakeFile(L"Backup\\C\\Photos\\2019\\report (1).txt");
    ConflictQuestion question;
    question.source = tree.MakeFile(L"Photos\\2019\\report.txt", std::string(48000, 'r'));
    question.target = tree.MakeFile(L"Backup\\C\\Photos\\2019\\report.txt", std::string(2000, 'r'));
    question.chosenIndex = 3;
    CFileExistsDlg dialog(question);
    return static_cast<int>(dialog.DoModal(nullptr));
}

int ShowProgress(bool start, bool backup)
{
    TempTree tree;
    HWND listView = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0, 400, 300,
        nullptr, nullptr, nullptr, nullptr);
    vandrelcommon::ui::CVirtualTreeView view;
    view.Attach(listView);
    ApplicationSettings settings;
    DeleteRequest request;
    request.settings = &settings;
    request.tree = &view;
    request.parameters.mode = backup ? DeleteMode::BackupInFolder : DeleteMode::ToRecycleBin;
    request.parameters.backupFolder = tree.Path(L"Backups of my photos");
    for (int group = 0; group < 3; ++group) {
        vandrelcommon::ui::CVirtualNode* groupNode = view.AddNode(nullptr, nullptr);
        const std::wstring kept = tree.MakeFile(L"kept" + std::to_wstring(group) + L".txt", "same");
        view.AddNode(groupNode, nullptr);
        for (int file = 0; file < 4; ++file) {
            const std::wstring path = tree.MakeFile(
                L"Photos\\" + std::to_wstring(group) + L"\\copy " + std::to_wstring(file) + L".txt", "same");
            auto item = Queued(path, {kept});
            request.queue.push_back(
                std::make_unique<CTreeDeleteItem>(view.AddNode(groupNode, nullptr), path, item->GetCheck()));
        }
    }
    CDeleteProgressDialog dialog(request, nullptr, nullptr);
    if (start) {
        // Pressed once the dialog is up, as a user would.
        std::thread([] {
            for (int waited = 0; waited < 10000; waited += 20) {
                HWND shown = ::FindWindowW(L"#32770", nullptr);
                if (shown != nullptr && ::IsWindowVisible(shown) && ::GetDlgItem(shown, IDC_DELETE_START) != nullptr) {
                    ::PostMessageW(shown, WM_COMMAND, IDC_DELETE_START, 0);
                    return;
                }
                ::Sleep(20);
            }
        }).detach();
    }
    const int result = static_cast<int>(dialog.DoModal(nullptr));
    view.DestroyWindow();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const vandrelcommon::ui::ProgramSession session; // GDI+ among it, for the icons
    int result = 0;
    if (Has(argc, argv, "--show-progress") || Has(argc, argv, "--show-file-exists")) {
        vandrelcommon::system::LoadLanguage(Option(argc, argv, "--lang", "en"));
        result = Has(argc, argv, "--show-progress")
                     ? ShowProgress(Has(argc, argv, "--start"), Has(argc, argv, "--backup"))
                     : ShowFileExists();
    } else {
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
