#include "tests/scenarios/Scenario.h"

#include "resources/resource.h"
#include "results/DuplicateResult.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/FileBytes.h"
#include "ui/common/EditListBox.h"
#include "ui/common/InputBox.h"
#include "ui/framework/Module.h"

#include <commctrl.h>

using namespace clonarium;

namespace {

constexpr int kSaveNameBox = 0x47c; // the file name box of the platform's save dialog

void ReadFolder(const std::wstring& folder, DiskState& state)
{
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring path = folder + L"\\" + name;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            ReadFolder(path, state);
        } else {
            state[path] = ReadFileBytes(path);
        }
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
}

// Removes the folders under `folder`, and it, as far as they are empty.
void RemoveEmptyFolders(const std::wstring& folder)
{
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L".." && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveEmptyFolders(folder + L"\\" + name);
            }
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(folder.c_str());
}

// The Trash's folder as a Windows path on drive Z:, or empty.
std::wstring TrashFolder()
{
    wchar_t unixPath[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"XDG_DATA_HOME", unixPath, MAX_PATH) == 0 || unixPath[0] != L'/') {
        return {};
    }
    std::wstring path = L"Z:" + std::wstring(unixPath) + L"/Trash/files";
    for (wchar_t& c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    return path;
}

// Presses Start in the delete dialog, then Close once it has finished.
void RunDeleteDialog(HWND dialog)
{
    ::PostMessageW(dialog, WM_COMMAND, IDC_DELETE_START, 0);
    WaitFor([dialog] { return !::IsWindowVisible(::GetDlgItem(dialog, IDC_DELETE_START)); }, 60000);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

} // namespace

DiskState ReadDisk(const std::wstring& folder)
{
    DiskState state;
    ReadFolder(folder, state);
    return state;
}

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

RemovedAtEnd::~RemovedAtEnd()
{
    for (const auto& [path, bytes] : ReadDisk(path_)) {
        ::DeleteFileW(path.c_str());
    }
    // Deepest folders first: a longer path cannot hold a shorter one.
    std::vector<std::wstring> folders;
    for (std::wstring folder = path_; folder.size() > stop_.size() && folder.starts_with(stop_);
         folder = folder.substr(0, folder.find_last_of(L'\\'))) {
        folders.push_back(folder);
    }
    for (const std::wstring& folder : folders) {
        RemoveEmptyFolders(folder);
    }
}

void MakeRule(HWND dialog, const wchar_t* name, const wchar_t* expression)
{
    {
        WindowAnswerer naming(L"#32770", L"Adding a new rule...", [name](HWND box) {
            ::SetDlgItemTextW(box, vandrelcommon::ui::CInputBox::kEditId, name);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        ::PostMessageW(::GetDlgItem(dialog, IDC_REGEXP_ADD_RULE), BM_CLICK, 0, 0);
    }
    WaitFor([] { return ::FindWindowW(L"#32770", L"Adding a new rule...") == nullptr; });
    ::PostMessageW(::GetDlgItem(dialog, IDC_REGEXP_ADD), BM_CLICK, 0, 0);
    const HWND list = ::GetDlgItem(dialog, IDC_REGEXP_LIST);
    HWND edit = nullptr;
    WaitFor([&] {
        edit = ::GetDlgItem(list, vandrelcommon::ui::CEditListBox::kEditId);
        return edit != nullptr && ::IsWindowVisible(edit);
    });
    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(expression));
    ::SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

bool RecycleBinVisible()
{
    return !TrashFolder().empty();
}

DiskState RecycledFiles()
{
    DiskState byName;
    const std::wstring trash = TrashFolder();
    if (trash.empty()) {
        return byName;
    }
    for (auto& [path, bytes] : ReadDisk(trash)) {
        byName[path.substr(trash.size() + 1)] = std::move(bytes);
    }
    return byName;
}

void Scenario::TearDown()
{
    if (frame_ && frame_->IsWindow()) {
        frame_->DestroyWindow();
    }
    frame_.reset();
    if (loopAdded_) {
        vandrelcommon::ui::AppModule().RemoveMessageLoop();
        loopAdded_ = false;
    }
}

void Scenario::Start()
{
    if (!loopAdded_) {
        loopAdded_ = vandrelcommon::ui::AppModule().AddMessageLoop(&loop_);
    }
    folder.MakeFolder(L"program");
    frame_ = std::make_unique<CMainFrame>(FolderRoots{folder.Path(L"program"), L""});
    frame_->SetEndsMessageLoop(false); // a quit message would end the next scenario's dialogs
    ASSERT_NE(frame_->CreateFrame(IDR_MAINFRAME, RECT{0, 0, 1000, 700}), nullptr);
    frame_->ShowWindow(SW_SHOW);
    ::SetForegroundWindow(frame_->Hwnd());
    frame_->UpdateWindow();
}

void Scenario::Restart()
{
    ::SendMessageW(frame_->Hwnd(), WM_CLOSE, 0, 0);
    ASSERT_FALSE(frame_->IsWindow()) << "the window closes without a question";
    frame_.reset();
    Start();
}

void Scenario::SearchIn(const std::wstring& searched)
{
    ASSERT_TRUE(frame_->FolderTree().TickPath(searched));
    Command(ID_TB_START_SEARCH);
    if (frame_->GetMode() == IModeContainer::kResultsMode) {
        Tree().ExpandAll();
    }
}

void Scenario::Command(UINT id)
{
    ::SendMessageW(frame_->Hwnd(), WM_COMMAND, id, 0);
}

void Scenario::ResultCommand(UINT id)
{
    ::SendMessageW(frame_->DuplicatesPane().Hwnd(), WM_COMMAND, id, 0);
}

void Scenario::ChooseMode(WPARAM arrow)
{
    const HWND modes = reinterpret_cast<HWND>(
        ::SendMessageW(frame_->OptionsPane().GetDlgItem(IDC_OPTIONS_MODE), CBEM_GETCOMBOCONTROL, 0, 0));
    ::SetFocus(modes);
    ::SendMessageW(modes, WM_KEYDOWN, arrow, 1);
    ::SendMessageW(modes, WM_KEYUP, arrow, 0xC0000001);
}

void Scenario::Delete(UINT command)
{
    QuestionAnswerer yes(IDYES, L"Confirm");
    DialogAnswerer deleting(IDC_DELETE_START, RunDeleteDialog);
    ResultCommand(command);
    EXPECT_TRUE(deleting.answered);
    EXPECT_TRUE(yes.answered) << "the question before the delete window";
}

void Scenario::Export(UINT command, const std::wstring& path)
{
    DialogAnswerer save(kSaveNameBox, [&](HWND dialog) {
        ::SetDlgItemTextW(dialog, kSaveNameBox, path.c_str());
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    ResultCommand(command);
    EXPECT_TRUE(save.answered);
}

std::vector<std::wstring> Scenario::FilesMarked(bool marked)
{
    std::vector<std::wstring> files;
    for (const CVirtualNode* group = Tree().Root().firstChild; group != nullptr; group = group->nextSibling) {
        for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
            if ((file->GetCheckState() == vandrelcommon::ui::Checked) == marked) {
                files.emplace_back(ItemOf(file)->Path());
            }
        }
    }
    return files;
}

std::vector<std::wstring> Scenario::AllFiles()
{
    std::vector<std::wstring> files = FilesMarked(true);
    for (std::wstring& file : FilesMarked(false)) {
        files.push_back(std::move(file));
    }
    return files;
}
