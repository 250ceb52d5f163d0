// Results mode driven as a user drives it: the main window searches a tree of
// real files, then the tests click, press keys and choose menu items in the
// duplicates pane and answer the dialogs it opens.
#include "resources/resource.h"
#include "results/SmartSelect.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"
#include "deletion/FileOperations.h"
#include "i18n/Localizer.h"
#include "ui/MainFrame.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

using namespace clonarium;
using vandrelcommon::system::Localize;
using vandrelcommon::ui::Checked;
using vandrelcommon::ui::Mixed;
using vandrelcommon::ui::Unchecked;

namespace {

constexpr int kSaveNameBox = 0x47c; // the file name box of the platform's save dialog

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A report's text without its byte-order mark, its UTF-16 read as ASCII.
std::string Ascii(const std::string& bytes)
{
    if (bytes.rfind("\xFF\xFE", 0) == 0) {
        std::string text;
        for (size_t i = 2; i < bytes.size(); i += 2) {
            text += bytes[i];
        }
        return text;
    }
    return bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
}

std::wstring PathOf(const CVirtualNode* node)
{
    const CDuplicateItem* item = ItemOf(node);
    return item == nullptr ? std::wstring() : std::wstring(item->Path());
}

class DuplicatesPaneTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Three groups; the second file of each is the newest.
        MakeGroup({L"x\\alpha.dat", L"y\\alpha.dat", L"z\\alpha copy.dat"}, std::string(100000, 'A'));
        MakeGroup({L"x\\beta.txt", L"y\\beta.txt"}, std::string(50000, 'B'));
        MakeGroup({L"x\\gamma.txt", L"z\\gamma.txt"}, std::string(10000, 'C'));
        folder.MakeFile(L"data\\x\\single.txt", "no copy of me");
        OpenAndSearch(3);
    }
    // The main window over the folder "data", searched.
    void OpenAndSearch(int groups)
    {
        frame = std::make_unique<CMainFrame>(FolderRoots{folder.Path(L"program"), L""});
        frame->SetEndsMessageLoop(false); // a quit message would end the next test's dialogs
        ASSERT_NE(frame->CreateFrame(IDR_MAINFRAME, RECT{0, 0, 1000, 700}), nullptr);
        frame->ShowWindow(SW_SHOW);
        ASSERT_TRUE(frame->FolderTree().TickPath(folder.Path(L"data")));
        ::SendMessageW(frame->Hwnd(), WM_COMMAND, ID_TB_START_SEARCH, 0); // returns when the search has ended
        ASSERT_EQ(frame->GetMode(), IModeContainer::kResultsMode);
        ASSERT_EQ(Tree().Root().childCount, groups);
        Tree().ExpandAll();
    }
    void TearDown() override
    {
        if (frame) {
            frame->DestroyWindow();
        }
    }

    void MakeGroup(std::initializer_list<const wchar_t*> names, const std::string& content)
    {
        uint64_t time = 133000000000000000ull;
        int index = 0;
        for (const wchar_t* name : names) {
            const std::wstring path = folder.MakeFile(std::wstring(L"data\\") + name, content);
            const FILETIME written = MakeFileTime(time + (index++ == 1 ? 50000000ull : 0ull));
            SetFileTimes(path, nullptr, nullptr, &written);
            time += 10000000ull;
        }
    }

    CDuplicatesVirtualTreeView& Tree() { return frame->Results(); }
    HWND Pane() { return frame->DuplicatesPane().Hwnd(); }
    CVirtualNode* Group(int index)
    {
        CVirtualNode* group = Tree().Root().firstChild;
        while (index-- > 0) {
            group = group->nextSibling;
        }
        return group;
    }
    CVirtualNode* File(int group, int index)
    {
        CVirtualNode* file = Group(group)->firstChild;
        while (index-- > 0) {
            file = file->nextSibling;
        }
        return file;
    }

    POINT CellCentre(const CVirtualNode* node, int column)
    {
        RECT cell{LVIR_BOUNDS, column, 0, 0};
        ::SendMessageW(Tree().Hwnd(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(Tree().RowOf(node)),
            reinterpret_cast<LPARAM>(&cell));
        if (column == 0) {
            cell.left = cell.right - 20; // the name, right of the check box
        }
        return POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    }
    void Click(const CVirtualNode* node, int column)
    {
        const POINT point = CellCentre(node, column);
        ::SendMessageW(Tree().Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
        ::SendMessageW(Tree().Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    }
    void Key(WPARAM key) { ::SendMessageW(Tree().Hwnd(), WM_KEYDOWN, key, 0); }
    void Command(UINT command) { ::SendMessageW(Pane(), WM_COMMAND, command, 0); }
    // A right click on the node's row, as the list view passes it on.
    void OpenContextMenu(const CVirtualNode* node)
    {
        POINT point = CellCentre(node, 2);
        ::ClientToScreen(Tree().Hwnd(), &point);
        ::SendMessageW(Pane(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Tree().Hwnd()), MAKELPARAM(point.x, point.y));
    }

    // What the tree's painting chooses for a cell: its font struck out, and
    // its text colour.
    std::pair<bool, COLORREF> CellLook(const CVirtualNode* node, int column)
    {
        const HDC dc = ::CreateCompatibleDC(nullptr);
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.hdr = NMHDR{Tree().Hwnd(), IDC_DUPLICATES_TREE, static_cast<UINT>(NM_CUSTOMDRAW)};
        draw.nmcd.dwDrawStage = CDDS_SUBITEM | CDDS_ITEMPREPAINT;
        draw.nmcd.hdc = dc;
        draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(Tree().RowOf(node));
        draw.iSubItem = column;
        ::SendMessageW(Pane(), WM_NOTIFY, IDC_DUPLICATES_TREE, reinterpret_cast<LPARAM>(&draw));
        LOGFONTW font{};
        ::GetObjectW(::GetCurrentObject(dc, OBJ_FONT), sizeof(font), &font);
        ::DeleteDC(dc);
        return {font.lfStrikeOut != 0, draw.clrText};
    }

    // Presses Start in the delete dialog, then Close once it has finished.
    static void RunDeleteDialog(HWND dialog)
    {
        ::PostMessageW(dialog, WM_COMMAND, IDC_DELETE_START, 0);
        WaitFor([dialog] { return !::IsWindowVisible(::GetDlgItem(dialog, IDC_DELETE_START)); });
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }

    TempTree folder;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(DuplicatesPaneTest, PadlocksChooseWhatThePreviewComparesAndMarkedNamesAreStruckOut)
{
    for (int group = 0; group < 3; ++group) {
        EXPECT_EQ(CDuplicatesVirtualTreeView::LockedFile(Group(group)), File(group, 0)) << "the first file is locked";
    }
    const int lock = CDuplicatesVirtualTreeView::kLockColumn;
    Click(File(0, 0), lock);
    EXPECT_EQ(CDuplicatesVirtualTreeView::LockedFile(Group(0)), nullptr) << "the closed padlock opens";
    Click(File(0, 1), lock);
    EXPECT_EQ(CDuplicatesVirtualTreeView::LockedFile(Group(0)), File(0, 1));
    Click(File(0, 2), lock);
    EXPECT_EQ(CDuplicatesVirtualTreeView::LockedFile(Group(0)), File(0, 1)) << "another file holds the lock";

    // Selecting another file of the group: both side by side once the selection rests.
    Click(File(0, 2), 0);
    CPreviewManager& preview = frame->Preview();
    EXPECT_TRUE(PumpUntil([&] { return preview.Pane(1).View().Path().ends_with(PathOf(File(0, 2))); }));
    EXPECT_TRUE(preview.Pane(0).View().Path().ends_with(PathOf(File(0, 1))));
    // The group row alone shows its locked file alone.
    Click(Group(1), 0);
    EXPECT_TRUE(PumpUntil([&] { return preview.Pane(0).View().Path().ends_with(PathOf(File(1, 0))); }));

    // Space marks the focused file: its name struck out, and back.
    Click(File(2, 1), 0);
    Key(VK_SPACE);
    EXPECT_EQ(File(2, 1)->GetCheckState(), Checked);
    EXPECT_EQ(Group(2)->GetCheckState(), Mixed);
    EXPECT_TRUE(CellLook(File(2, 1), 0).first);
    EXPECT_FALSE(CellLook(File(2, 1), 2).first) << "only the name is struck out";
    EXPECT_FALSE(CellLook(File(2, 0), 0).first);
    EXPECT_EQ(CellLook(File(2, 1), 7).second, RGB(255, 0, 0)) << "the remark column is red";
    Key(VK_SPACE);
    EXPECT_EQ(File(2, 1)->GetCheckState(), Unchecked);
    EXPECT_FALSE(CellLook(File(2, 1), 0).first);

    // The keys move a single selection.
    Key(VK_HOME);
    Key(VK_DOWN);
    EXPECT_EQ(Tree().FocusedNode(), File(0, 0));
    Key(VK_END);
    Key(VK_UP);
    EXPECT_EQ(Tree().FocusedNode(), File(2, 0));
    EXPECT_EQ(Tree().ListView().SendMessage(LVM_GETSELECTEDCOUNT), 1);

    // Ctrl+A marks every file.
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    Key('A');
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(Tree().Root().GetCheckState(), Checked);
}

TEST_F(DuplicatesPaneTest, HeaderClicksSortTheFilesAndTheLockColumnKeepsItsWidth)
{
    const HWND header = Tree().ListView().GetHeader();
    const auto clickHeader = [header](int column) {
        RECT item{};
        ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
        ::SendMessageW(header, WM_LBUTTONUP, 0, point);
    };
    const auto arrow = [header](int column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };

    clickHeader(0); // file name: the up arrow, Z to A
    EXPECT_EQ(arrow(0), HDF_SORTUP);
    EXPECT_EQ(PathOf(File(0, 2)), folder.Path(L"data\\z\\alpha copy.dat"));
    clickHeader(0); // again: the down arrow, A to Z
    EXPECT_EQ(arrow(0), HDF_SORTDOWN);
    EXPECT_EQ(PathOf(File(0, 0)), folder.Path(L"data\\z\\alpha copy.dat"));
    clickHeader(4); // modified: newest first, and the name column loses its arrow
    EXPECT_EQ(arrow(4), HDF_SORTUP);
    EXPECT_EQ(arrow(0), 0);
    EXPECT_EQ(PathOf(File(1, 0)), folder.Path(L"data\\y\\beta.txt"));
    clickHeader(CDuplicatesVirtualTreeView::kLockColumn);
    EXPECT_EQ(arrow(CDuplicatesVirtualTreeView::kLockColumn), 0) << "the lock column does not sort";

    // Dragging and double-clicking dividers: the lock column's stay put.
    const auto dragDivider = [&](int column, UINT message) {
        RECT item{};
        ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        const int y = (item.top + item.bottom) / 2;
        ::SendMessageW(header, message, MK_LBUTTON, MAKELPARAM(item.right - 1, y));
        ::SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(item.right + 60, y));
        ::SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(item.right + 60, y));
        return Tree().ListView().GetColumnWidth(column);
    };
    const int lockWidth = Tree().ListView().GetColumnWidth(CDuplicatesVirtualTreeView::kLockColumn);
    EXPECT_EQ(dragDivider(CDuplicatesVirtualTreeView::kLockColumn, WM_LBUTTONDOWN), lockWidth);
    EXPECT_EQ(dragDivider(CDuplicatesVirtualTreeView::kLockColumn, WM_LBUTTONDBLCLK), lockWidth);
    const int folderWidth = Tree().ListView().GetColumnWidth(2);
    EXPECT_GT(dragDivider(2, WM_LBUTTONDOWN), folderWidth) << "other dividers move";
}

TEST_F(DuplicatesPaneTest, AGroupsContextMenuActsOnThatGroupOnly)
{
    {
        // Smart selection, then its second rule: keep the last.
        MenuChooser chooser({VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN});
        OpenContextMenu(Group(1));
    }
    EXPECT_EQ(File(1, 0)->GetCheckState(), Checked);
    EXPECT_EQ(File(1, 1)->GetCheckState(), Unchecked);
    for (int group : {0, 2}) {
        EXPECT_EQ(Group(group)->GetCheckState(), Unchecked) << group;
    }
    EXPECT_EQ(frame->Settings().smartSelectType, static_cast<uint32_t>(KeepLast));

    const std::wstring before = frame->GetStatusText();
    {
        MenuChooser chooser(0); // remove from this list
        OpenContextMenu(Group(2));
    }
    EXPECT_EQ(Tree().Root().childCount, 2);
    EXPECT_NE(frame->GetStatusText(), before);
    EXPECT_NE(frame->GetStatusText().find(L"5 "), std::wstring::npos) << frame->GetStatusText();
    EXPECT_TRUE(Exists(folder.Path(L"data\\x\\gamma.txt"))) << "the files stay on disk";

    // A file row's menu: the row is selected; Escape chooses nothing.
    {
        MenuChooser chooser(-1);
        OpenContextMenu(File(0, 2));
    }
    EXPECT_EQ(Tree().FocusedNode(), File(0, 2));
}

TEST_F(DuplicatesPaneTest, ReportsAreWrittenInEachFormatThroughTheSaveDialog)
{
    const struct {
        UINT command;
        const wchar_t* name;
        const char* start;
    } formats[] = {{ID_EXPORT_CSV, L"report.csv", "\"3 files"}, {ID_EXPORT_HTML, L"report.html", "<html"},
        {ID_EXPORT_XML, L"report.xml", "<?xml"}};
    for (const auto& format : formats) {
        const std::wstring path = folder.Path(format.name);
        DialogAnswerer save(kSaveNameBox, [&](HWND dialog) {
            ::SetDlgItemTextW(dialog, kSaveNameBox, path.c_str());
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        Command(format.command);
        const std::string written = Ascii(ReadFileBytes(path));
        EXPECT_NE(written.find("alpha copy.dat"), std::string::npos) << format.start;
        EXPECT_EQ(written.rfind(format.start, 0), 0u) << written.substr(0, 40);
    }
}

TEST_F(DuplicatesPaneTest, BackupWithTheFolderBrowserCancelledDeletesNothing)
{
    frame->Settings().backupFolder = folder.MakeFolder(L"earlier backups");
    Click(File(0, 1), 0);
    Key(VK_SPACE);
    {
        QuestionAnswerer browser(IDCANCEL, L"Browse for Folder");
        Command(ID_DELETE_BACKUP_IN_FOLDER);
        EXPECT_TRUE(browser.answered);
    }
    EXPECT_TRUE(Exists(PathOf(File(0, 1))));
    EXPECT_EQ(frame->Settings().backupFolder, folder.Path(L"earlier backups"));
    EXPECT_EQ(DialogAnswerer::FindDialogWith(IDC_DELETE_START), nullptr);
}

TEST_F(DuplicatesPaneTest, TwoWholeGroupsAskTheWarningOnceThenGoToTheRecycleBin)
{
    const std::wstring alpha = PathOf(File(0, 0));
    const std::wstring beta = PathOf(File(1, 1));
    Click(Group(0), 0);
    Key(VK_SPACE);
    Click(Group(1), 0);
    Key(VK_SPACE);
    std::atomic<int> warnings = 0;
    std::atomic<bool> stop = false;
    std::thread answerer([&] {
        while (!stop) {
            if (HWND box = ::FindWindowW(L"#32770", L"Warning")) {
                ++warnings;
                ::SendMessageW(box, WM_COMMAND, IDYES, 0);
                // An answered box lingers until its owner's loop ends it; under
                // load it would be found and counted again.
                while (::IsWindow(box) && !stop) {
                    ::Sleep(5);
                }
            }
            ::Sleep(5);
        }
    });
    {
        QuestionAnswerer yes(IDYES, L"Confirm", L"Move 5 files to the Recycle Bin?");
        DialogAnswerer deleting(IDC_DELETE_START, RunDeleteDialog);
        Command(ID_DELETE_TO_RECYCLE_BIN);
        EXPECT_TRUE(deleting.answered);
        EXPECT_TRUE(yes.answered);
    }
    stop = true;
    answerer.join();
    EXPECT_EQ(warnings, 1);
    EXPECT_FALSE(Exists(alpha));
    EXPECT_FALSE(Exists(beta));
    EXPECT_TRUE(Exists(folder.Path(L"data\\x\\gamma.txt")));
    EXPECT_EQ(Tree().Root().childCount, 1);
}

TEST_F(DuplicatesPaneTest, KeepNewestOverAllGroupsThenDeleteLeavesTheNewestOfEach)
{
    Command(ID_SELECT_KEEP_NEWEST_MODIFIED); // as the toolbar's menu sends it
    for (int group = 0; group < 3; ++group) {
        EXPECT_EQ(Group(group)->GetCheckState(), Mixed);
    }
    std::vector<std::wstring> kept;
    std::vector<std::wstring> marked;
    for (const CVirtualNode* group = Tree().Root().firstChild; group != nullptr; group = group->nextSibling) {
        for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
            (file->GetCheckState() == Checked ? marked : kept).push_back(PathOf(file));
        }
    }
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[1], folder.Path(L"data\\y\\beta.txt")) << "the newest of its group";
    {
        QuestionAnswerer yes(IDYES, L"Confirm", L"Move 4 files to the Recycle Bin?");
        DialogAnswerer deleting(IDC_DELETE_START, RunDeleteDialog);
        Command(ID_DELETE_TO_RECYCLE_BIN);
        EXPECT_TRUE(deleting.answered);
    }
    for (const std::wstring& path : kept) {
        EXPECT_TRUE(Exists(path)) << path;
    }
    for (const std::wstring& path : marked) {
        EXPECT_FALSE(Exists(path)) << path;
    }
    EXPECT_TRUE(Exists(folder.Path(L"data\\x\\single.txt")));
    EXPECT_EQ(Tree().Root().childCount, 0) << "groups of one are no groups";
    EXPECT_EQ(frame->Settings().deleteMode, static_cast<uint32_t>(DeleteMode::ToRecycleBin));
    EXPECT_NE(frame->GetStatusText().find(L"0 "), std::wstring::npos) << frame->GetStatusText();
}

// The window deletes through the same worker as the console tool: what its
// delete dialog counts and what the Remark column says agree with the disk.
class WindowDeleteTest : public DuplicatesPaneTest {
protected:
    void SetUp() override
    {
        // In each pair the file of folder a is the older one, and stays.
        for (const auto& [name, content] : {std::pair{L"report.", "twin"}, {L"locked.bin", "locked twin"}}) {
            for (const wchar_t* side : {L"a", L"b"}) {
                const std::wstring path = folder.MakeFolder(std::wstring(L"data\\") + side) + L"\\" + name;
                ASSERT_TRUE(WriteFileBytes(L"\\\\?\\" + path, content));
                const FILETIME time = MakeFileTime(side[0] == L'a' ? 131000000000000000ull : 132000000000000000ull);
                ASSERT_TRUE(SetFileTimes(path, nullptr, nullptr, &time));
            }
        }
        // The shell, handed "report.", would reach this file.
        folder.MakeFile(L"data\\b\\report", "unique");
        immutable = SetImmutable(folder.Path(L"data\\b\\locked.bin"), true);
        OpenAndSearch(2);
    }
    void TearDown() override
    {
        SetImmutable(folder.Path(L"data\\b\\locked.bin"), false);
        DuplicatesPaneTest::TearDown();
    }

    static std::wstring RowValue(HWND dialog, int row)
    {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = text;
        item.cchTextMax = 256;
        ::SendDlgItemMessageW(dialog, IDC_DELETE_LIST, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }

    bool immutable = false;
};

TEST_F(WindowDeleteTest, TheDeleteDialogAndTheRemarksAgreeWithTheDisk)
{
    if (!immutable) {
        GTEST_SKIP() << "no immutable files here (chattr)";
    }
    Command(ID_SELECT_KEEP_OLDEST_MODIFIED);
    std::wstring deleted;
    std::wstring skipped;
    {
        DialogAnswerer deleting(IDC_DELETE_START, [&](HWND dialog) {
            ::PostMessageW(dialog, WM_COMMAND, IDC_DELETE_START, 0);
            WaitFor([dialog] { return !::IsWindowVisible(::GetDlgItem(dialog, IDC_DELETE_START)); });
            deleted = RowValue(dialog, 1);
            skipped = RowValue(dialog, 2);
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        QuestionAnswerer yes(IDYES, L"Confirm", L"Move 2 files to the Recycle Bin?");
        Command(ID_DELETE_TO_RECYCLE_BIN);
        EXPECT_TRUE(deleting.answered);
        EXPECT_TRUE(yes.answered);
    }
    EXPECT_EQ(deleted, L"0 of 2");
    EXPECT_EQ(skipped, L"2");
    // Both marked files are still there, with their reasons; so are the rest.
    ASSERT_EQ(Tree().Root().childCount, 2);
    std::map<std::wstring, std::wstring> remarks;
    for (const CVirtualNode* group = Tree().Root().firstChild; group != nullptr; group = group->nextSibling) {
        ASSERT_EQ(group->childCount, 2);
        for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
            EXPECT_TRUE(::GetFileAttributesW((L"\\\\?\\" + PathOf(file)).c_str()) != INVALID_FILE_ATTRIBUTES);
            remarks[PathOf(file)] = ItemOf(file)->Remark();
        }
    }
    EXPECT_EQ(remarks[folder.Path(L"data\\b\\report.")], Localize("duplicates-pane.name-not-for-shell"));
    // An immutable file cannot even be opened for its deletion.
    EXPECT_EQ(remarks[folder.Path(L"data\\b\\locked.bin")], SystemErrorText(ERROR_ACCESS_DENIED));
    EXPECT_EQ(remarks[folder.Path(L"data\\a\\report.")], L"");
    EXPECT_EQ(ReadFileBytes(folder.Path(L"data\\b\\report")), "unique");

    // Nor does "Show in folder" hand that name to the shell: it says why.
    for (const CVirtualNode* group = Tree().Root().firstChild; group != nullptr; group = group->nextSibling) {
        for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
            if (PathOf(file) == folder.Path(L"data\\b\\report.")) {
                Click(file, 2);
            }
        }
    }
    QuestionAnswerer refusal(IDOK, L"Error", Localize("duplicates-pane.name-not-for-shell"));
    Command(ID_FILE_SHOW_IN_FOLDER);
    EXPECT_TRUE(refusal.answered);
}

} // namespace
