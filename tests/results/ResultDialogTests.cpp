// The selection progress dialog and the rules dialog, driven through their
// controls as a user would.
#include "storage/ApplicationSettings.h"
#include "storage/RegexpRules.h"
#include "tests/results/ResultModel.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/TempTree.h"
#include "ui/RegexpsDialog.h"
#include "ui/common/InputBox.h"
#include "ui/SelectProgressDialog.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace clonarium;
using vandrelcommon::ui::Checked;
using vandrelcommon::ui::CheckState;
using vandrelcommon::ui::Mixed;
using vandrelcommon::ui::Unchecked;

namespace {

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

std::vector<CheckState> StatesOfGroups(CVirtualTree& tree)
{
    std::vector<CheckState> states;
    for (CVirtualNode* group : GroupsOf(tree)) {
        states.push_back(group->GetCheckState());
    }
    return states;
}

// Cancels through the dialog's button once three groups are done.
class CancelingSelectDialog : public CSelectProgressDialog {
public:
    using CSelectProgressDialog::CSelectProgressDialog;
    void OnGroupProcessed() override
    {
        CSelectProgressDialog::OnGroupProcessed();
        if (++seen_ == 3) {
            ::PostMessageW(Hwnd(), WM_COMMAND, IDCANCEL, 0);
            while (!WasCanceled()) {
                ::Sleep(1);
            }
        }
    }

private:
    int seen_ = 0;
};

class SelectProgressDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 10; ++i) {
            const std::wstring name = std::to_wstring(i);
            AddRecords(tree, {Record(L"c:\\a\\" + name), Record(L"c:\\b\\" + name), Record(L"c:\\c\\" + name)});
        }
    }
    CVirtualTree tree;
};

TEST_F(SelectProgressDialogTest, ARunOverEveryGroupEndsByItselfWithTheRuleApplied)
{
    CSelectProgressDialog dialog(tree, SelectionJob{KeepLast, nullptr}, nullptr, nullptr);
    EXPECT_EQ(dialog.DoModal(nullptr), 1);
    for (CVirtualNode* group : GroupsOf(tree)) {
        const auto files = FilesOf(group);
        EXPECT_EQ(files[0]->GetCheckState(), Checked);
        EXPECT_EQ(files[1]->GetCheckState(), Checked);
        EXPECT_EQ(files[2]->GetCheckState(), Unchecked);
    }
    EXPECT_EQ(dialog.RowValue(CSelectProgressDialog::kJobRow), L"Keep the last in group");
    EXPECT_EQ(dialog.RowValue(CSelectProgressDialog::kProcessedRow), L"10 of 10 groups of duplicates");

    RegexpRule rule;
    rule.name = L"Folder b";
    rule.expressions = {L"c:\\\\b"};
    rule.target = FolderPath;
    rule.Compile();
    CSelectProgressDialog byRule(tree, SelectionJob{KeepFirst, &rule}, nullptr, nullptr);
    EXPECT_EQ(byRule.DoModal(nullptr), 1);
    EXPECT_EQ(byRule.RowValue(CSelectProgressDialog::kJobRow), L"Folder b");
    EXPECT_EQ(FilesOf(GroupsOf(tree)[9])[1]->GetCheckState(), Checked);
    EXPECT_EQ(FilesOf(GroupsOf(tree)[9])[0]->GetCheckState(), Unchecked);
}

TEST_F(SelectProgressDialogTest, CancelAfterThreeGroupsKeepsThoseThreeAndLeavesTheRest)
{
    CancelingSelectDialog dialog(tree, SelectionJob{KeepFirst, nullptr}, nullptr, nullptr);
    EXPECT_EQ(dialog.DoModal(nullptr), 2);
    std::vector<CheckState> expected(10, Unchecked);
    expected[0] = expected[1] = expected[2] = Mixed;
    EXPECT_EQ(StatesOfGroups(tree), expected);
}

class RegexpsDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        settings.regexpsFolder = folder.Root();
        LoadRules(settings);
        ASSERT_EQ(settings.rules.size(), 1u);
    }
    void Open()
    {
        dialog = std::make_unique<CRegexpsDlg>(settings);
        ASSERT_NE(dialog->Create(nullptr), nullptr);
        window = dialog->Hwnd();
    }
    void TearDown() override
    {
        if (dialog && dialog->IsWindow()) {
            dialog->DestroyWindow();
        }
    }
    HWND Item(int id) const { return ::GetDlgItem(window, id); }
    void Click(int id) const { ::SendMessageW(Item(id), BM_CLICK, 0, 0); }
    void Choose(int comboId, int index) const { ::SendMessageW(Item(comboId), CB_SETCURSEL, index, 0); }
    int Count(int comboId) const { return static_cast<int>(::SendMessageW(Item(comboId), CB_GETCOUNT, 0, 0)); }
    int Expressions() const { return static_cast<int>(::SendMessageW(Item(IDC_REGEXP_LIST), LB_GETCOUNT, 0, 0)); }
    HWND Edit() const { return ::GetDlgItem(Item(IDC_REGEXP_LIST), vandrelcommon::ui::CEditListBox::kEditId); }
    // Add-expression, the text typed, then a key that ends the edit.
    void AddExpression(const wchar_t* text, WPARAM endKey = VK_RETURN) const
    {
        Click(IDC_REGEXP_ADD);
        ::SetWindowTextW(Edit(), text);
        ::SendMessageW(Edit(), WM_KEYDOWN, endKey, 0);
        PumpMessages();
    }
    void AddRuleNamed(const wchar_t* name) const
    {
        WindowAnswerer answer(L"#32770", L"Adding a new rule...", [name](HWND box) {
            ::SetDlgItemTextW(box, vandrelcommon::ui::CInputBox::kEditId, name);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        Click(IDC_REGEXP_ADD_RULE);
        EXPECT_TRUE(answer.answered);
    }

    TempTree folder;
    ApplicationSettings settings;
    std::unique_ptr<CRegexpsDlg> dialog;
    HWND window = nullptr;
};

TEST_F(RegexpsDialogTest, ARuleAddedEditedAndChosenIsSavedInItsFile)
{
    Open();
    EXPECT_EQ(dialog->CurrentRule(), settings.rules[0].get());
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_REGEXP_DELETE_RULE))) << "the default rule cannot be deleted";
    EXPECT_EQ(Count(IDC_REGEXP_MODE), 4);
    EXPECT_EQ(Count(IDC_REGEXP_MATCH), 3);

    AddRuleNamed(L"Temporary");
    ASSERT_EQ(settings.rules.size(), 2u);
    EXPECT_EQ(dialog->CurrentRule(), settings.rules[1].get());
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_REGEXP_DELETE_RULE)));

    AddExpression(L"(unclosed");
    EXPECT_TRUE(::IsWindowVisible(dialog->ErrorTip())) << "an invalid expression gets the balloon";
    AddExpression(L".*?\\.tmp$");
    AddExpression(L"never kept", VK_ESCAPE);
    EXPECT_EQ(Expressions(), 2) << "Escape on a new item leaves no empty item";
    ::SendMessageW(Item(IDC_REGEXP_LIST), LB_SETCURSEL, 0, 0);
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_REGEXP_LIST, LBN_SELCHANGE),
        reinterpret_cast<LPARAM>(Item(IDC_REGEXP_LIST)));
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_REGEXP_REMOVE)));
    Choose(IDC_REGEXP_MODE, SubtractFromSelection);
    Choose(IDC_REGEXP_MATCH, 2); // file name
    Click(IDOK);
    EXPECT_FALSE(dialog->IsWindow());

    const std::wstring file = settings.rules[1]->file;
    EXPECT_EQ(settings.defaultRulesFile, file.substr(file.find_last_of(L'\\') + 1));
    RegexpRule stored;
    ASSERT_TRUE(LoadRule(stored, file));
    EXPECT_EQ(stored.expressions, (std::vector<std::wstring>{L"(unclosed", L".*?\\.tmp$"}));
    EXPECT_EQ(stored.mode, SubtractFromSelection);
    EXPECT_EQ(stored.target, FileName);
    EXPECT_EQ(settings.rules[1]->compiled.size(), 1u) << "the invalid text is left out of matching";

    Open(); // the rule chosen last is current again; deleting it removes its file
    EXPECT_EQ(dialog->CurrentRule(), settings.rules[1].get());
    Click(IDC_REGEXP_DELETE_RULE);
    EXPECT_EQ(settings.rules.size(), 1u);
    EXPECT_EQ(::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(dialog->CurrentRule(), settings.rules[0].get());
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_REGEXP_DELETE_RULE)));
}

TEST_F(RegexpsDialogTest, CancelKeepsTheFormUnsavedAndAHelperFillsItsTemplate)
{
    Open();
    AddRuleNamed(L"Drive D");
    Click(IDC_REGEXP_ADD);
    WindowAnswerer pick(L"#32768", nullptr, [](HWND menu) {
        ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    ::SendMessageW(::GetDlgItem(Item(IDC_REGEXP_LIST), vandrelcommon::ui::CEditListBox::kHelperId), BM_CLICK, 0, 0);
    EXPECT_TRUE(pick.answered);
    wchar_t text[64] = {};
    ::GetWindowTextW(Edit(), text, 64);
    EXPECT_STREQ(text, L"d:\\\\.*?");
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 1u) << "the drive letter is ready to be overtyped";

    Click(IDCANCEL);
    RegexpRule stored;
    ASSERT_TRUE(LoadRule(stored, settings.rules[1]->file));
    EXPECT_TRUE(stored.expressions.empty());
}

} // namespace
