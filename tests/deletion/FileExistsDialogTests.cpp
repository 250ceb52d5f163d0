// The "Backuping" dialog driven through its controls: the list by keys, the
// check boxes by clicks, the name by typing.
#include "deletion/ConflictPolicy.h"
#include "i18n/Localizer.h"
#include "system/LongPath.h"
#include "tests/support/TempTree.h"
#include "ui/FileExistsDialog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

using namespace clonarium;
using vandrelcommon::system::AddLongPathPrefix;

namespace {

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

class FileExistsDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        vandrelcommon::system::LoadLanguage("en");
        report = tree.MakeFile(L"bk\\report.txt");
        tree.MakeFile(L"bk\\report (1).txt");
        question.source = tree.MakeFile(L"src\\report.txt");
        question.target = report;
    }
    void TearDown() override
    {
        if (dialog_ != nullptr && dialog_->IsWindow()) {
            dialog_->DestroyWindow();
        }
    }
    void Open(int32_t index)
    {
        question.chosenIndex = index;
        dialog_ = std::make_unique<CFileExistsDlg>(question);
        ASSERT_NE(dialog_->Create(nullptr), nullptr);
        window = dialog_->Hwnd();
    }
    HWND Item(int id) const { return ::GetDlgItem(window, id); }
    void Click(int id) const
    {
        ::SendMessageW(Item(id), BM_CLICK, 0, 0);
        Pump();
    }
    void Type(const wchar_t* text) const { ::SetWindowTextW(Item(IDC_FILE_EXISTS_NAME), text); }
    void Key(int id, WORD key) const
    {
        ::SendMessageW(Item(id), WM_KEYDOWN, key, 1);
        ::SendMessageW(Item(id), WM_KEYUP, key, 0xC0000001);
        Pump();
    }
    std::wstring Text(int id) const
    {
        wchar_t text[512] = {};
        ::GetWindowTextW(Item(id), text, 512);
        return text;
    }
    bool Visible(int id) const { return (::GetWindowLongW(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    LRESULT Selected() const { return ::SendMessageW(Item(IDC_FILE_EXISTS_ACTION), CB_GETCURSEL, 0, 0); }

    TempTree tree;
    std::wstring report;
    ConflictQuestion question;
    std::unique_ptr<CFileExistsDlg> dialog_;
    HWND window = nullptr;
};

} // namespace

TEST_F(FileExistsDialogTest, GeneratedNamePreselectedThenATypedNameIsChecked)
{
    Open(3); // a stored "Auto generate"
    EXPECT_EQ(Text(IDC_FILE_EXISTS_SOURCE), question.source);
    EXPECT_EQ(Text(IDC_FILE_EXISTS_TARGET), report);
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(::IsDlgButtonChecked(window, IDC_FILE_EXISTS_AUTO), UINT(BST_CHECKED));
    EXPECT_TRUE(Visible(IDC_FILE_EXISTS_NAME));
    EXPECT_FALSE(Enabled(IDC_FILE_EXISTS_NAME));
    EXPECT_TRUE(Visible(IDC_FILE_EXISTS_FOR_ALL));
    EXPECT_TRUE(Enabled(IDOK));
    EXPECT_EQ(Text(IDC_FILE_EXISTS_NAME), L"report (2).txt");
    EXPECT_EQ(Text(IDC_FILE_EXISTS_MESSAGE),
        L"File with the same name already exists in this location.\nPlease select the action:");

    Click(IDC_FILE_EXISTS_FOR_ALL);
    Click(IDC_FILE_EXISTS_AUTO); // now a typed name
    EXPECT_TRUE(Enabled(IDC_FILE_EXISTS_NAME));
    EXPECT_FALSE(Visible(IDC_FILE_EXISTS_FOR_ALL));
    EXPECT_TRUE(Enabled(IDOK));
    Type(L"a:b.txt");
    EXPECT_FALSE(Enabled(IDOK));
    Type(L"report (1).txt");
    EXPECT_FALSE(Enabled(IDOK));
    Type(L"");
    EXPECT_FALSE(Enabled(IDOK));
    Type(L"fresh.txt");
    EXPECT_TRUE(Enabled(IDOK));
    Click(IDOK);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(question.chosenIndex, 2);
    EXPECT_EQ(question.resultPath, tree.Path(L"bk\\fresh.txt"));
    EXPECT_FALSE(question.applyToAll); // checked, but a typed name stands for this file alone
}

TEST_F(FileExistsDialogTest, ListChosenByKeysAndApplyToAll)
{
    Open(0);
    EXPECT_EQ(Selected(), 0);
    EXPECT_FALSE(Visible(IDC_FILE_EXISTS_NAME));
    EXPECT_FALSE(Visible(IDC_FILE_EXISTS_AUTO));
    Key(IDC_FILE_EXISTS_ACTION, VK_DOWN);
    Key(IDC_FILE_EXISTS_ACTION, VK_DOWN);
    EXPECT_EQ(Selected(), 2);
    EXPECT_TRUE(Visible(IDC_FILE_EXISTS_NAME));
    EXPECT_TRUE(Enabled(IDC_FILE_EXISTS_NAME)); // "Auto generate" starts unchecked here
    Key(IDC_FILE_EXISTS_ACTION, VK_UP);
    EXPECT_EQ(Selected(), 1);
    EXPECT_FALSE(Visible(IDC_FILE_EXISTS_NAME));
    EXPECT_TRUE(Visible(IDC_FILE_EXISTS_FOR_ALL));
    Click(IDC_FILE_EXISTS_FOR_ALL);
    Click(IDOK);
    EXPECT_EQ(question.chosenIndex, 1);
    EXPECT_TRUE(question.applyToAll);
}

TEST_F(FileExistsDialogTest, CancelOnTheWorkersThreadCancelsThePolicy)
{
    // As in a run: the policy asks on a thread of its own, the dialog modal
    // there; the user presses Cancel.
    std::atomic<HWND> shown = nullptr;
    ConflictAction answer = ConflictAction::Overwrite;
    std::thread worker([&] {
        ConflictPolicy policy(ConflictAction::Skip, [&](ConflictQuestion& asked) {
            CFileExistsDlg dialog(asked);
            return dialog.DoModal(nullptr) == IDOK;
        });
        std::wstring target = AddLongPathPrefix(report);
        answer = policy.Resolve(AddLongPathPrefix(question.source), target, nullptr);
    });
    // Shown once it has opened: its controls are filled by then.
    for (int waited = 0; waited < 10000 && (shown == nullptr || !::IsWindowVisible(shown)); waited += 10) {
        shown = ::FindWindowW(nullptr, L"Backuping");
        ::Sleep(10);
    }
    ASSERT_NE(shown.load(), nullptr);
    EXPECT_EQ(::SendMessageW(::GetDlgItem(shown, IDC_FILE_EXISTS_ACTION), CB_GETCURSEL, 0, 0), 1);
    ::SendMessageW(::GetDlgItem(shown, IDCANCEL), BM_CLICK, 0, 0);
    worker.join();
    EXPECT_EQ(answer, ConflictAction::Cancel);
}
