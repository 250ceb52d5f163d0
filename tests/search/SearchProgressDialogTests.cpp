// The search progress dialog driven through its buttons, searching real
// folders and filling a result tree.
#include "i18n/Localizer.h"
#include "results/DuplicateResult.h"
#include "system/Handles.h"
#include "tests/engine/AdmitAll.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestPictures.h"
#include "ui/SearchProgressDialog.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shobjidl.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace clonarium;

namespace {

// Records the taskbar button's progress states; everything else is accepted.
class RecordingTaskbar : public ITaskbarList3 {
public:
    std::vector<TBPFLAG> states;
    ULONGLONG lastTotal = 0;

    HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG flag) override
    {
        states.push_back(flag);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG, ULONGLONG total) override
    {
        lastTotal = total;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return S_OK; }
};

class SearchProgressDialogTest : public testing::Test {
protected:
    using State = CSearchProgressDialog::State;

    void SetUp() override
    {
        vandrelcommon::system::LoadLanguage("en");
        request_.parameters = AdmitAll();
        // The main window is the result list, hidden as in options mode.
        mainWindow_ = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0, 400, 300,
            nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(results_.Attach(mainWindow_));
        request_.results = &results_;
    }
    void TearDown() override
    {
        dialog_.reset();
        results_.DestroyWindow();
    }

    void SearchIn(const std::wstring& folder) { request_.roots = {SearchRoot{folder, true}}; }
    // Opens the dialog, which starts the search at once. Its worker waits for
    // the first message this thread dispatches.
    void Open()
    {
        dialog_ = std::make_unique<CSearchProgressDialog>(request_, mainWindow_, &taskbar_);
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
    std::wstring Row(CSearchProgressDialog::Row row) const { return dialog_->RowValue(row); }
    bool Finished() const { return dialog_->GetState() == State::Finished; }
    bool Closed() const { return !::IsWindow(window_); }
    // Every group's file names, in the tree's order.
    std::vector<std::vector<std::wstring>> Groups()
    {
        std::vector<std::vector<std::wstring>> groups;
        for (CVirtualNode* group = results_.Root().firstChild; group != nullptr; group = group->nextSibling) {
            std::vector<std::wstring> names;
            for (CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
                names.push_back(std::wstring(FileNameView(ItemOf(file)->Path())));
            }
            std::sort(names.begin(), names.end());
            groups.push_back(names);
        }
        std::sort(groups.begin(), groups.end());
        return groups;
    }

    TempTree files_;
    vandrelcommon::ui::CVirtualTreeView results_;
    SearchRequest request_;
    RecordingTaskbar taskbar_;
    HWND mainWindow_ = nullptr;
    std::unique_ptr<CSearchProgressDialog> dialog_;
    HWND window_ = nullptr;
};

} // namespace

TEST_F(SearchProgressDialogTest, EmptyFolderEndsFinishedWithZerosAndWaitsForClose)
{
    SearchIn(files_.MakeFolder(L"empty"));
    Open();
    EXPECT_EQ(Text(IDC_SEARCH_PAUSE), L"Pause");
    EXPECT_EQ(Text(IDC_SEARCH_STOP), L"Stop");
    EXPECT_EQ(Row(CSearchProgressDialog::kStageRow), L"(1/2) Indexing...");
    ASSERT_TRUE(PumpUntil([&] { return Finished(); }));

    EXPECT_EQ(Row(CSearchProgressDialog::kStageRow), L"Finished.");
    EXPECT_EQ(Row(CSearchProgressDialog::kFilesRow), L"0 of 0");
    EXPECT_EQ(Row(CSearchProgressDialog::kSkippedRow), L"0");
    EXPECT_EQ(Row(CSearchProgressDialog::kFoundRow).rfind(L"0 in 0 groups (total size: ", 0), 0u);
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window_, IDC_SEARCH_PAUSE)));
    EXPECT_EQ(Text(IDC_SEARCH_STOP), L"Close");
    EXPECT_EQ(::SendDlgItemMessageW(window_, IDC_SEARCH_PROGRESS, PBM_GETPOS, 0, 0), 1024);
    ASSERT_FALSE(taskbar_.states.empty());
    EXPECT_EQ(taskbar_.states.front(), TBPF_INDETERMINATE);
    EXPECT_EQ(taskbar_.states.back(), TBPF_NOPROGRESS);

    // It stays open until the user closes it.
    PumpUntil([] { return false; }, 300);
    ASSERT_FALSE(Closed());
    Click(IDC_SEARCH_STOP);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(dialog_->Result(), CSearchProgressDialog::kNothingFound);
    EXPECT_EQ(results_.Root().childCount, 0);
}

TEST_F(SearchProgressDialogTest, FilesAndFoldersNotReadAndProtectedFoldersAreCountedAsSkipped)
{
    const std::wstring root = files_.MakeFolder(L"tree");
    // Under Wine, a folder deeper than a Unix path can reach.
    struct Unreachable {
        std::wstring folder;
        ~Unreachable() { RemoveUnixTree(folder); }
    } deep{MakeUnreachableFolder(root)};
    const bool deepMade = !deep.folder.empty();
    files_.MakeFile(L"tree\\a.txt", "same size");
    const std::wstring held = files_.MakeFile(L"tree\\b.txt", "same size");
    files_.MakeFile(L"tree\\keep\\c.txt", "same size");
    files_.MakeFile(L"tree\\other.txt", "unique");
    request_.parameters.ProtectFolders = true;
    request_.parameters.ProtectedFolders = {files_.Path(L"tree\\keep")};
    vandrelcommon::system::KernelHandle holder(
        ::CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    SearchIn(root);
    Open();
    ASSERT_TRUE(PumpUntil([&] { return Finished(); }));

    EXPECT_EQ(Row(CSearchProgressDialog::kFilesRow), L"3 of 3");
    EXPECT_EQ(Row(CSearchProgressDialog::kSkippedRow), deepMade ? L"2" : L"1");
    EXPECT_EQ(Row(CSearchProgressDialog::kProtectedRow), L"1");
    EXPECT_EQ(results_.Root().childCount, 0);
    EXPECT_EQ(taskbar_.lastTotal, 3u);
}

TEST_F(SearchProgressDialogTest, DuplicatesCloseTheDialogByItselfAndFillTheResultTree)
{
    const std::wstring root = files_.MakeFolder(L"tree");
    files_.MakeFile(L"tree\\a.txt", "one");
    files_.MakeFile(L"tree\\sub\\a copy.txt", "one");
    files_.MakeFile(L"tree\\b.txt", "two!");
    files_.MakeFile(L"tree\\sub\\b copy.txt", "two!");
    files_.MakeFile(L"tree\\sub\\deeper\\b again.txt", "two!");
    files_.MakeFile(L"tree\\alone.txt", "three");
    SearchIn(root);
    Open();
    ASSERT_TRUE(PumpUntil([&] { return Closed(); }));

    EXPECT_EQ(dialog_->Result(), CSearchProgressDialog::kFound);
    const std::vector<std::vector<std::wstring>> expected = {
        {L"a copy.txt", L"a.txt"}, {L"b again.txt", L"b copy.txt", L"b.txt"}};
    EXPECT_EQ(Groups(), expected);
    EXPECT_EQ(::SendMessageW(mainWindow_, LVM_GETITEMCOUNT, 0, 0), 2); // the list shows both group rows
    EXPECT_EQ(taskbar_.states.back(), TBPF_NOPROGRESS);
}

TEST_F(SearchProgressDialogTest, StopConfirmedDuringIndexingComparesNothingAndWaitsForClose)
{
    files_.MakeFile(L"tree\\a.txt", "same");
    files_.MakeFile(L"tree\\b.txt", "same");
    SearchIn(files_.Path(L"tree"));
    Open();
    {
        // The worker has not passed its first pause point: this thread has
        // dispatched nothing yet.
        QuestionAnswerer yes(IDYES);
        Click(IDC_SEARCH_STOP);
        EXPECT_TRUE(yes.answered);
    }
    ASSERT_TRUE(PumpUntil([&] { return Finished(); }));
    EXPECT_EQ(Row(CSearchProgressDialog::kStageRow), L"Finished.");
    EXPECT_EQ(Row(CSearchProgressDialog::kFoundRow).rfind(L"0 in 0 groups", 0), 0u);
    EXPECT_EQ(Row(CSearchProgressDialog::kFilesRow).rfind(L"0 of ", 0), 0u);
    EXPECT_EQ(results_.Root().childCount, 0);
    EXPECT_EQ(Text(IDC_SEARCH_STOP), L"Close");
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window_, IDC_SEARCH_STOP)));
    Click(IDC_SEARCH_STOP);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(dialog_->Result(), CSearchProgressDialog::kNothingFound);
}

TEST_F(SearchProgressDialogTest, NoToTheStopQuestionResumesTheSearch)
{
    files_.MakeFile(L"tree\\a.txt", "same");
    files_.MakeFile(L"tree\\b.txt", "same");
    SearchIn(files_.Path(L"tree"));
    Open();
    Click(IDC_SEARCH_PAUSE);
    EXPECT_EQ(Text(IDC_SEARCH_PAUSE), L"Resume");
    {
        QuestionAnswerer no(IDNO);
        Click(IDC_SEARCH_STOP);
        EXPECT_TRUE(no.answered);
    }
    EXPECT_EQ(dialog_->GetState(), State::Running);
    EXPECT_EQ(Text(IDC_SEARCH_PAUSE), L"Pause");
    ASSERT_TRUE(PumpUntil([&] { return Closed(); }));
    EXPECT_EQ(dialog_->Result(), CSearchProgressDialog::kFound);
    EXPECT_EQ(results_.Root().childCount, 1);
}

TEST_F(SearchProgressDialogTest, ClosingTheWindowAfterYesEndsWithNothingFound)
{
    files_.MakeFile(L"tree\\a.txt", "same");
    files_.MakeFile(L"tree\\b.txt", "same");
    SearchIn(files_.Path(L"tree"));
    Open();
    Click(IDC_SEARCH_PAUSE); // holds the search until the question is answered
    {
        // The close box posts its Cancel command: the question comes up
        // while this thread dispatches it.
        QuestionAnswerer yes(IDYES);
        ::SendMessageW(window_, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return yes.answered.load(); }));
    }
    ASSERT_TRUE(PumpUntil([&] { return Closed(); }));
    EXPECT_EQ(dialog_->Result(), CSearchProgressDialog::kNothingFound);
}

TEST_F(SearchProgressDialogTest, WhilePausedTheRowsAndTheElapsedTimeStandStill)
{
    files_.MakeFile(L"tree\\a.txt", "one");
    files_.MakeFile(L"tree\\b.txt", "two");
    SearchIn(files_.Path(L"tree"));
    Open();
    Click(IDC_SEARCH_PAUSE);
    EXPECT_EQ(taskbar_.states.back(), TBPF_PAUSED);
    std::vector<std::wstring> before;
    for (int row = CSearchProgressDialog::kStageRow; row <= CSearchProgressDialog::kTimeRow; ++row) {
        before.push_back(Row(static_cast<CSearchProgressDialog::Row>(row)));
    }
    // Two ticks of the refresh timer go by.
    PumpUntil([] { return false; }, 2300);
    for (int row = CSearchProgressDialog::kStageRow; row <= CSearchProgressDialog::kTimeRow; ++row) {
        EXPECT_EQ(Row(static_cast<CSearchProgressDialog::Row>(row)), before[row]) << "row " << row;
    }
    EXPECT_EQ(dialog_->GetState(), State::Paused);

    Click(IDC_SEARCH_PAUSE);
    EXPECT_EQ(Text(IDC_SEARCH_PAUSE), L"Pause");
    ASSERT_TRUE(PumpUntil([&] { return Finished(); }));
    EXPECT_EQ(Row(CSearchProgressDialog::kFilesRow), L"2 of 2");
    EXPECT_GE(Row(CSearchProgressDialog::kTimeRow), L"00:00:02");
}

TEST_F(SearchProgressDialogTest, AnImageSearchFillsTheTreeWithPictures)
{
    files_.MakeFolder(L"pictures");
    const Canvas scene = DrawScene(7, 160, 120);
    ASSERT_TRUE(WritePicture(files_.Path(L"pictures\\photo.png"), scene, Format::Png));
    ASSERT_TRUE(WritePicture(files_.Path(L"pictures\\photo.jpg"), Resized(scene, 320, 240), Format::Jpeg));
    ASSERT_TRUE(WritePicture(files_.Path(L"pictures\\other.png"), DrawScene(8, 160, 120), Format::Png));
    files_.MakeFile(L"pictures\\corrupt.jpg", "\xFF\xD8\xFF\xE0 not a picture");
    request_.parameters.SearchMode = SimilarImages;
    SearchIn(files_.Path(L"pictures"));
    Open();
    ASSERT_TRUE(PumpUntil([&] { return Closed(); }));

    EXPECT_EQ(dialog_->Result(), CSearchProgressDialog::kFound);
    EXPECT_EQ(Groups(), (std::vector<std::vector<std::wstring>>{{L"photo.jpg", L"photo.png"}}));
    const CVirtualNode* group = results_.Root().firstChild;
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(GroupOf(group)->size, -2); // an image group counts its pictures
    for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        const auto* picture = dynamic_cast<const CDuplicateImageItem*>(file->data.get());
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, picture->Path().ends_with(L".png") ? 160u : 320u);
    }
}
