// The delete progress dialog driven through its buttons, over a result tree
// in a real list view, deleting real files.
#include "deletion/FileOperations.h"
#include "i18n/Localizer.h"
#include "system/Handles.h"
#include "tests/deletion/DeletionTestSupport.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"
#include "ui/DeleteProgressDialog.h"
#include "ui/IconImages.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>

using namespace clonarium;
using vandrelcommon::ui::Checked;
using vandrelcommon::ui::CVirtualNode;
using vandrelcommon::ui::Unchecked;

namespace {

class DeleteProgressDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        vandrelcommon::system::LoadLanguage("en");
        listView_ = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0, 400, 300,
            nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(tree_.Attach(listView_));
        request_.settings = &settings_;
        request_.tree = &tree_;
        request_.parameters.mode = DeleteMode::Permanently;
        request_.setRemark = [this](CVirtualNode* node, const std::wstring& reason) { remarks_[node] = reason; };
    }
    void TearDown() override
    {
        if (dialog_ != nullptr && dialog_->IsWindow()) {
            dialog_->DestroyWindow();
        }
        dialog_.reset();
        tree_.DestroyWindow();
    }

    // A group whose checked files are queued and whose unchecked ones stay.
    CVirtualNode* AddGroup(const std::vector<std::pair<std::wstring, bool>>& files)
    {
        CVirtualNode* group = tree_.AddNode(nullptr, nullptr);
        std::vector<std::wstring> kept;
        for (const auto& [path, checked] : files) {
            if (!checked) {
                kept.push_back(path);
            }
        }
        for (const auto& [path, checked] : files) {
            CVirtualNode* node = tree_.AddNode(group, nullptr);
            tree_.SetCheckState(node, checked ? Checked : Unchecked);
            nodes_[path] = node;
            if (checked) {
                auto item = Queued(path, kept);
                request_.queue.push_back(std::make_unique<CTreeDeleteItem>(node, path, item->GetCheck()));
            }
        }
        tree_.Expand(tree_.RowOf(group));
        return group;
    }
    void Open()
    {
        dialog_ = std::make_unique<CDeleteProgressDialog>(request_, nullptr, nullptr);
        ASSERT_NE(dialog_->Create(nullptr), nullptr);
        window_ = dialog_->Hwnd();
    }
    void Click(int id) const { ::SendMessageW(::GetDlgItem(window_, id), BM_CLICK, 0, 0); }
    std::wstring Text(int id) const
    {
        wchar_t text[256] = {};
        ::GetWindowTextW(::GetDlgItem(window_, id), text, 256);
        return text;
    }
    bool Finished() const { return dialog_->GetState() == CDeleteProgressDialog::State::Finished; }

    TempTree files_;
    HWND listView_ = nullptr;
    vandrelcommon::ui::CVirtualTreeView tree_;
    ApplicationSettings settings_;
    DeleteRequest request_;
    std::map<std::wstring, CVirtualNode*> nodes_;
    std::map<CVirtualNode*, std::wstring> remarks_;
    std::unique_ptr<CDeleteProgressDialog> dialog_;
    HWND window_ = nullptr;
};

} // namespace

TEST_F(DeleteProgressDialogTest, CancelBeforeStartAsksAndTouchesNothing)
{
    const std::wstring a = files_.MakeFile(L"a.txt", "same");
    const std::wstring k = files_.MakeFile(L"k.txt", "same");
    AddGroup({{a, true}, {k, false}});
    Open();
    EXPECT_EQ(Text(IDC_DELETE_START), L"Start");
    EXPECT_EQ(Text(IDCANCEL), L"Cancel");
    EXPECT_EQ(dialog_->RowValue(CDeleteProgressDialog::kFileRow), L"Press Start button to initiate deleting");
    EXPECT_EQ(dialog_->RowValue(CDeleteProgressDialog::kDeletedRow), L"0 of 1");
    EXPECT_EQ(::IsDlgButtonChecked(window_, IDC_DELETE_EMPTY_FOLDERS), UINT(BST_UNCHECKED));
    // Every row shows its own image at the screen's icon size.
    const HWND list = ::GetDlgItem(window_, IDC_DELETE_LIST);
    const auto images = reinterpret_cast<HIMAGELIST>(::SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(::ImageList_GetImageCount(images), 4);
    int width = 0;
    int height = 0;
    EXPECT_TRUE(::ImageList_GetIconSize(images, &width, &height));
    EXPECT_EQ(width, IconSize());
    for (int row = 0; row < 4; ++row) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ASSERT_TRUE(::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(item.iImage, row);
    }
    {
        QuestionAnswerer no(IDNO);
        Click(IDCANCEL);
    }
    EXPECT_TRUE(::IsWindow(window_));
    EXPECT_EQ(dialog_->GetState(), CDeleteProgressDialog::State::Ready);
    {
        QuestionAnswerer yes(IDYES);
        Click(IDCANCEL);
        EXPECT_TRUE(yes.answered);
    }
    EXPECT_FALSE(::IsWindow(window_));
    EXPECT_EQ(ReadFileBytes(a), "same");
    EXPECT_EQ(tree_.Rows().size(), 3u);
}

TEST_F(DeleteProgressDialogTest, ThreeFilesOneFailingEndAtTwoOfThreeAndEmptiedGroupsGo)
{
    const std::wstring f1 = files_.MakeFile(L"g1\\f1.txt", "one");
    const std::wstring held = files_.MakeFile(L"g1\\held.txt", "one");
    const std::wstring k1 = files_.MakeFile(L"g1\\k1.txt", "one");
    const std::wstring f3 = files_.MakeFile(L"g2\\f3.txt", "two");
    const std::wstring k2 = files_.MakeFile(L"g2\\k2.txt", "two");
    const std::wstring g3a = files_.MakeFile(L"g3\\a.txt", "three");
    const std::wstring g3b = files_.MakeFile(L"g3\\b.txt", "three");
    CVirtualNode* g1 = AddGroup({{f1, true}, {held, true}, {k1, false}});
    AddGroup({{f3, true}, {k2, false}});
    AddGroup({{g3a, false}, {g3b, false}});
    vandrelcommon::system::KernelHandle holder(
        ::CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    Open();
    Click(IDC_DELETE_START);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window_, IDC_DELETE_EMPTY_FOLDERS)));
    ASSERT_TRUE(PumpUntil([&] { return Finished(); }));

    EXPECT_EQ(dialog_->RowValue(CDeleteProgressDialog::kDeletedRow), L"2 of 3");
    EXPECT_EQ(dialog_->RowValue(CDeleteProgressDialog::kSkippedRow), L"1");
    EXPECT_EQ(remarks_[nodes_[held]], SystemErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(remarks_.size(), 1u);
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window_, IDC_DELETE_START)));
    EXPECT_EQ(Text(IDCANCEL), L"Close");
    EXPECT_EQ(::SendDlgItemMessageW(window_, IDC_DELETE_PROGRESS, PBM_GETPOS, 0, 0), 1024);
    // Group 1 keeps its failed file and its kept copy; group 2 had one
    // unchecked file left, so it went; group 3 was not touched.
    ASSERT_EQ(tree_.Root().childCount, 2);
    EXPECT_EQ(tree_.Root().firstChild, g1);
    EXPECT_EQ(g1->childCount, 2);
    EXPECT_EQ(tree_.Rows().size(), 3u + 3u);
    holder.Reset();
    EXPECT_EQ(ReadFileBytes(held), "one");
    EXPECT_EQ(ReadFileBytes(k2), "two");
    EXPECT_EQ(::GetFileAttributesW(f1.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesW(f3.c_str()), INVALID_FILE_ATTRIBUTES);

    Click(IDCANCEL); // "Close"
    EXPECT_FALSE(::IsWindow(window_));
}

TEST_F(DeleteProgressDialogTest, PauseThenStopAnsweredNoLetsTheDeletionGoOn)
{
    std::vector<std::pair<std::wstring, bool>> group;
    for (int i = 0; i < 40; ++i) {
        group.push_back({files_.MakeFile(L"f" + std::to_wstring(i) + L".txt", "same"), true});
    }
    group.push_back({files_.MakeFile(L"kept.txt", "same"), false});
    AddGroup(group);
    Open();
    // Start and Pause before the worker gets a word through: it pauses after
    // its first file.
    Click(IDC_DELETE_START);
    Click(IDC_DELETE_START);
    EXPECT_EQ(dialog_->GetState(), CDeleteProgressDialog::State::Paused);
    EXPECT_EQ(Text(IDC_DELETE_START), L"Resume");
    PumpUntil([] { return false; }, 500);
    EXPECT_FALSE(Finished());
    int left = 0;
    for (const auto& [path, checked] : group) {
        left += checked && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    EXPECT_EQ(left, 39); // one file, then the pause
    {
        QuestionAnswerer no(IDNO);
        Click(IDCANCEL);
        EXPECT_TRUE(no.answered);
    }
    ASSERT_TRUE(PumpUntil([&] { return Finished(); }));
    EXPECT_EQ(dialog_->RowValue(CDeleteProgressDialog::kDeletedRow), L"40 of 40");
    EXPECT_EQ(tree_.Root().childCount, 0);
}
