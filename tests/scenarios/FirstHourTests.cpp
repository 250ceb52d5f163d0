// What a new user meets in the first hour, driven through the real main
// window with the keyboard and the mouse: the folder tree opening, every
// control hearing its notifications inside its containers, the keyboard
// reaching everything, the size fields, the list painting the truth and the
// safe answers of the questions.
#include "tests/scenarios/Scenario.h"
#include "tests/scenarios/UserInput.h"

#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "results/DuplicateResult.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TopDownBitmap.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/GdiHandles.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace clonarium;
using vandrelcommon::ui::CTreeViewCtrl;
using vandrelcommon::ui::CVirtualNode;

namespace {

// The folder tree's child of `parent` (null: a drive) whose path is `path`,
// compared without case and without a trailing backslash.
HTREEITEM FolderItem(CFolderTreeView& folders, HTREEITEM parent, std::wstring path)
{
    if (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    const CTreeViewCtrl tree = folders.Tree();
    for (HTREEITEM item = parent == nullptr ? tree.GetRootItem() : tree.GetChildItem(parent); item != nullptr;
         item = tree.GetNextSiblingItem(item)) {
        std::wstring shown = folders.ItemData(item)->path;
        if (!shown.empty() && shown.back() == L'\\') {
            shown.pop_back();
        }
        if (_wcsicmp(shown.c_str(), path.c_str()) == 0) {
            return item;
        }
    }
    return nullptr;
}

// The point of the item's expand button as the tree itself finds it; no
// point (-1, -1) when the item shows none.
POINT ExpanderOf(const CTreeViewCtrl& tree, HTREEITEM item)
{
    RECT text{};
    if (!tree.GetItemRect(item, text, true)) {
        return POINT{-1, -1};
    }
    const int y = (text.top + text.bottom) / 2;
    for (int x = 0; x < text.left; ++x) {
        TVHITTESTINFO hit{};
        hit.pt = POINT{x, y};
        if (tree.HitTest(hit) == item && (hit.flags & TVHT_ONITEMBUTTON) != 0) {
            return hit.pt;
        }
    }
    return POINT{-1, -1};
}

POINT TextOf(const CTreeViewCtrl& tree, HTREEITEM item)
{
    RECT text{};
    tree.GetItemRect(item, text, true);
    return POINT{(text.left + text.right) / 2, (text.top + text.bottom) / 2};
}

bool IsExpanded(const CTreeViewCtrl& tree, HTREEITEM item)
{
    return (tree.GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0 && tree.GetChildItem(item) != nullptr;
}

// The folders from the drive down to `path`: C:\, C:\a, C:\a\b...
std::vector<std::wstring> FoldersDownTo(const std::wstring& path)
{
    std::vector<std::wstring> folders{path.substr(0, 3)};
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
        folders.push_back(path.substr(0, at));
    }
    folders.push_back(path);
    return folders;
}

HWND MessageBoxOf(const std::wstring& caption)
{
    HWND box = ::FindWindowW(L"#32770", caption.c_str());
    return box != nullptr && ::IsWindowVisible(box) ? box : nullptr;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

// Says No to any question that comes up while it lives.
class SayNo : public EveryDialogAnswerer {
public:
    SayNo() : EveryDialogAnswerer(IDNO, [](HWND box) { ::PostMessageW(box, WM_COMMAND, IDNO, 0); }) { }
};

class FirstHour : public Scenario {
protected:
    void SetUp() override
    {
        folder.MakeFile(L"data\\a\\song.txt", std::string(3000, 's'));
        folder.MakeFile(L"data\\b\\song.txt", std::string(3000, 's'));
        ASSERT_NO_FATAL_FAILURE(Start());
        Settle();
    }
    // An item of the Language menu.
    void ChooseLanguage(const char* code)
    {
        for (const auto& entry : vandrelcommon::system::GetLanguages()) {
            if (entry.code == code) {
                Command(entry.commandId);
            }
        }
    }
    void Search()
    {
        ASSERT_TRUE(Frame().FolderTree().TickPath(folder.Path(L"data")));
        PressKey(VK_F5);
        ASSERT_EQ(Frame().GetMode(), IModeContainer::kResultsMode);
    }
};

// A drive opens by its button, a folder by a double click, by Right and by
// "+"; a folder that holds something shows its button before it is opened;
// a right click and Shift+F10 open the context menu; the toolbar's
// drop-down button opens its menu.
TEST_F(FirstHour, TheFolderTreeOpensByMouseAndKeysAndShowsItsMenu)
{
    CFolderTreeView& folders = Frame().FolderTree();
    const CTreeViewCtrl tree = folders.Tree();
    const std::vector<std::wstring> path = FoldersDownTo(folder.Root());
    ASSERT_GE(path.size(), 5u);

    HTREEITEM drive = FolderItem(folders, nullptr, path[0]);
    ASSERT_NE(drive, nullptr);
    const POINT driveButton = ExpanderOf(tree, drive);
    ASSERT_GE(driveButton.x, 0) << "a drive shows its button";
    Click(tree, driveButton);
    EXPECT_TRUE(IsExpanded(tree, drive)) << "the button opens the drive";

    HTREEITEM second = FolderItem(folders, drive, path[1]);
    ASSERT_NE(second, nullptr);
    EXPECT_GE(ExpanderOf(tree, second).x, 0) << "a folder that holds something shows its button";
    Click(tree, TextOf(tree, second), false, true);
    EXPECT_TRUE(IsExpanded(tree, second)) << "a double click opens the folder";

    HTREEITEM third = FolderItem(folders, second, path[2]);
    ASSERT_NE(third, nullptr);
    Click(tree, TextOf(tree, third));
    EXPECT_EQ(tree.GetSelectedItem(), third);
    PressKey(VK_RIGHT);
    EXPECT_TRUE(IsExpanded(tree, third)) << "Right opens the folder";

    HTREEITEM fourth = FolderItem(folders, third, path[3]);
    ASSERT_NE(fourth, nullptr);
    PressKey(VK_DOWN);
    EXPECT_EQ(tree.GetSelectedItem(), tree.GetChildItem(third));
    Click(tree, TextOf(tree, fourth));
    PressKey(VK_ADD);
    EXPECT_TRUE(IsExpanded(tree, fourth)) << "+ opens the folder";

    {
        MenuChooser select(0); // Select
        Click(tree, TextOf(tree, fourth), true);
        EXPECT_FALSE(select.Texts().empty()) << "a right click opens the menu";
    }
    EXPECT_EQ(folders.GetCheckState(fourth), vandrelcommon::ui::Checked);
    {
        MenuChooser clear(2); // Clear selection
        PressKey(VK_F10, {VK_SHIFT});
        EXPECT_FALSE(clear.Texts().empty()) << "Shift+F10 opens the menu";
    }
    EXPECT_EQ(folders.GetCheckState(fourth), vandrelcommon::ui::Unchecked);

    // The toolbar's drop-down button, whose notification goes up through
    // the rebar to the window and back to the toolbar.
    const HWND toolbar = Frame().GetToolbar().Hwnd();
    RECT help{};
    ::SendMessageW(toolbar, TB_GETRECT, ID_TB_HELP, reinterpret_cast<LPARAM>(&help));
    {
        MenuChooser close(-1);
        Click(toolbar, POINT{(help.left + help.right) / 2, (help.top + help.bottom) / 2});
        EXPECT_EQ(close.Texts().size(), 3u) << "the Help menu opened";
    }
}

POINT CentreOf(HWND window)
{
    RECT rect{};
    ::GetClientRect(window, &rect);
    return POINT{rect.right / 2, rect.bottom / 2};
}

// "Less than" ticked, its number emptied, unticked: nothing is locked. Ticked
// and empty, the search says which field wants a number and waits in it.
TEST_F(FirstHour, AnEmptiedSizeFieldLocksNothing)
{
    CMainFrame& frame = Frame();
    RECT advanced{};
    ::SendMessageW(frame.GetToolbar().Hwnd(), TB_GETRECT, ID_TB_ADVANCED_VIEW, reinterpret_cast<LPARAM>(&advanced));
    Click(frame.GetToolbar().Hwnd(), POINT{(advanced.left + advanced.right) / 2, (advanced.top + advanced.bottom) / 2});
    const HWND pane = frame.OptionsPane().Hwnd();
    ASSERT_TRUE(::IsWindowVisible(pane));
    const HWND less = ::GetDlgItem(pane, IDC_OPTIONS_LESS_CHECK);
    const HWND number = ::GetDlgItem(pane, IDC_OPTIONS_LESS_VALUE);
    Click(less, POINT{6, CentreOf(less).y});
    ASSERT_EQ(::SendMessageW(less, BM_GETCHECK, 0, 0), BST_CHECKED);
    Click(number, CentreOf(number));
    PressKey(VK_END);
    for (int i = 0; i < 12; ++i) {
        SendKey(VK_BACK);
    }
    Settle();
    ASSERT_EQ(TextOf(number), L"");
    Click(less, POINT{6, CentreOf(less).y});
    ASSERT_EQ(::SendMessageW(less, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // Another preset and back, and a search: all as if the field were not there.
    const HWND presets = frame.GetToolbar().PresetList();
    const LRESULT chosen = ::SendMessageW(presets, CB_GETCURSEL, 0, 0);
    {
        const SayNo no; // to saving the preset, should it ask
        ::SetFocus(presets);
        PressKey(chosen == 0 ? VK_DOWN : VK_UP);
    }
    EXPECT_NE(::SendMessageW(presets, CB_GETCURSEL, 0, 0), chosen) << "another preset can be chosen";
    ::SetFocus(frame.FolderTree().Hwnd());
    ASSERT_TRUE(frame.FolderTree().TickPath(folder.Path(L"data")));
    PressKey(VK_F5);
    EXPECT_EQ(frame.GetMode(), IModeContainer::kResultsMode) << "the search ran";
    PressKey('N', {VK_CONTROL});

    // Ticked and empty: a message names the field, then the field has the focus.
    Click(less, POINT{6, CentreOf(less).y});
    ::SetWindowTextW(number, L"");
    {
        QuestionAnswerer ok(IDOK, L"File size", L"Please enter a whole number after \"Less than:\"");
        PressKey(VK_F5);
        EXPECT_TRUE(ok.answered) << "the message names the field";
    }
    Settle();
    EXPECT_EQ(frame.GetMode(), IModeContainer::kOptionsMode);
    EXPECT_EQ(::GetFocus(), number);

    // Unticked again, the window closes.
    Click(less, POINT{6, CentreOf(less).y});
    {
        const SayNo no;
        ::SendMessageW(frame.Hwnd(), WM_CLOSE, 0, 0);
    }
    EXPECT_FALSE(frame.IsWindow()) << "the window closes";
}

// The text of a question box's message.
std::wstring MessageOf(HWND box)
{
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(box, 0xffff, text, 1024);
    return text;
}

// Presses `keys` from a thread of its own once `ready` holds, as a user at
// the keyboard would answer a window the program waits on.
class KeysWhen {
public:
    KeysWhen(std::function<bool()> ready, std::vector<WORD> keys)
        : thread_([this, ready, keys] {
              if (WaitFor(ready, 20000)) {
                  for (const WORD key : keys) {
                      SendKey(key);
                      ::Sleep(100);
                  }
                  pressed = true;
              }
          })
    { }
    KeysWhen(const KeysWhen&) = delete;
    KeysWhen& operator=(const KeysWhen&) = delete;
    ~KeysWhen() { thread_.join(); }
    std::atomic<bool> pressed = false;

private:
    std::thread thread_;
};

// Everything with the keyboard alone: out of the folder tree and back, into
// the toolbar and along it, down the folder tree to the data, a search, a
// mark, a deletion with its question and its window, and back to a new
// search, the focus always where the next key is meant to go.
TEST_F(FirstHour, TheKeyboardAloneSearchesMarksAndDeletes)
{
    CMainFrame& frame = Frame();
    CFolderTreeView& folders = frame.FolderTree();
    const CTreeViewCtrl tree = folders.Tree();
    ASSERT_EQ(::GetFocus(), tree.Hwnd()) << "the program starts in the folder tree";

    const HWND presets = frame.GetToolbar().PresetList();
    PressKey(VK_TAB);
    EXPECT_EQ(::GetFocus(), presets) << "Tab leaves the tree";
    PressKey(VK_TAB);
    EXPECT_EQ(::GetFocus(), tree.Hwnd()) << "and comes back round";
    PressKey(VK_TAB, {VK_SHIFT});
    EXPECT_EQ(::GetFocus(), presets) << "Shift+Tab goes the other way";
    PressKey(VK_F6);
    EXPECT_EQ(::GetFocus(), tree.Hwnd()) << "F6 goes from pane to pane";

    // F10 into the toolbar, along it to Advanced view, Enter presses it.
    const HWND toolbar = frame.GetToolbar().Hwnd();
    PressKey(VK_F10);
    ASSERT_EQ(::GetFocus(), toolbar) << "F10 reaches the toolbar";
    const auto hotCommand = [toolbar] {
        TBBUTTON button{};
        const auto hot = ::SendMessageW(toolbar, TB_GETHOTITEM, 0, 0);
        return hot >= 0 && ::SendMessageW(toolbar, TB_GETBUTTON, hot, reinterpret_cast<LPARAM>(&button))
                   ? button.idCommand
                   : -1;
    };
    EXPECT_EQ(hotCommand(), ID_TB_START_SEARCH);
    for (int step = 0; step < 8 && hotCommand() != ID_TB_ADVANCED_VIEW; ++step) {
        PressKey(VK_RIGHT);
    }
    ASSERT_EQ(hotCommand(), ID_TB_ADVANCED_VIEW);
    PressKey(VK_RETURN);
    EXPECT_TRUE(::IsWindowVisible(frame.OptionsPane().Hwnd())) << "Enter pressed Advanced view";
    EXPECT_EQ(::GetFocus(), tree.Hwnd()) << "and the focus went back";
    PressKey(VK_TAB);
    EXPECT_TRUE(::IsChild(frame.OptionsPane().Hwnd(), ::GetFocus())) << "Tab goes on into the options";
    PressKey(VK_TAB, {VK_SHIFT});
    EXPECT_EQ(::GetFocus(), tree.Hwnd());
    PressKey(VK_MENU);
    EXPECT_EQ(::GetFocus(), toolbar) << "Alt alone reaches the toolbar too";
    PressKey(VK_ESCAPE);
    EXPECT_EQ(::GetFocus(), tree.Hwnd()) << "Escape leaves it";
    PressKey(VK_F10);
    PressKey(VK_END);
    EXPECT_EQ(hotCommand(), ID_TB_HELP);
    {
        MenuChooser close(-1);
        PressKey(VK_DOWN);
        EXPECT_EQ(close.Texts().size(), 3u) << "Down opened the Help menu";
    }
    EXPECT_EQ(::GetFocus(), tree.Hwnd());

    // Down the tree: the drive by the arrows, then each folder by its name.
    const std::vector<std::wstring> path = FoldersDownTo(folder.Path(L"data"));
    const HTREEITEM drive = FolderItem(folders, nullptr, path[0]);
    PressKey(VK_HOME);
    for (int step = 0; step < 30 && tree.GetSelectedItem() != drive; ++step) {
        PressKey(VK_DOWN);
    }
    ASSERT_EQ(tree.GetSelectedItem(), drive);
    HTREEITEM item = drive;
    for (size_t level = 1; level < path.size(); ++level) {
        PressKey(VK_RIGHT);
        ::Sleep(600); // a pause ends the name typed before
        const std::wstring& down = path[level];
        SendText(down.substr(down.find_last_of(L'\\') + 1));
        Settle();
        item = FolderItem(folders, item, down);
        ASSERT_NE(item, nullptr) << std::string(down.begin(), down.end());
        ASSERT_EQ(tree.GetSelectedItem(), item) << "typed the name of " << std::string(down.begin(), down.end());
    }
    PressKey(VK_SPACE);
    EXPECT_EQ(folders.GetCheckState(item), vandrelcommon::ui::Checked);

    // F5 searches; the result list takes the keyboard.
    PressKey(VK_F5);
    ASSERT_EQ(frame.GetMode(), IModeContainer::kResultsMode);
    const HWND list = Tree().Hwnd();
    EXPECT_EQ(::GetFocus(), list) << "the result list has the focus";
    ASSERT_EQ(Groups(), 1);
    PressKey(VK_F6);
    EXPECT_TRUE(::IsChild(frame.Preview().Pane(0).Hwnd(), ::GetFocus())) << "F6 goes on to the preview";
    PressKey(VK_F6, {VK_SHIFT});
    EXPECT_EQ(::GetFocus(), list) << "and Shift+F6 back";
    {
        MenuChooser close(-1);
        PressKey('E', {VK_CONTROL});
        EXPECT_EQ(close.Texts().size(), 3u) << "Ctrl+E opened the Report menu";
    }
    EXPECT_EQ(::GetFocus(), list);
    PressKey(VK_RIGHT); // opens the group
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_SPACE);
    const std::vector<std::wstring> marked = FilesMarked(true);
    ASSERT_EQ(marked.size(), 1u);
    RunLoopUntil([&] { return frame.GetMarksText().find(L"Marked: 1 file") != std::wstring::npos; }, 2000);
    EXPECT_EQ(frame.GetMarksText().rfind(L"Marked: 1 file,", 0), 0u) << frame.GetMarksText();

    // Delete: the question, Enter for Yes; the window, Enter for Start and,
    // once done, Enter for Close.
    const DiskState binBefore = RecycledFiles();
    {
        KeysWhen yes([] { return MessageBoxOf(L"Confirm") != nullptr; }, {VK_RETURN});
        KeysWhen start(
            [] {
                const HWND dialog = DialogAnswerer::FindDialogWith(IDC_DELETE_START);
                return dialog != nullptr && ::IsWindowVisible(::GetDlgItem(dialog, IDC_DELETE_START));
            },
            {VK_RETURN});
        KeysWhen close(
            [] {
                const HWND dialog = DialogAnswerer::FindDialogWith(IDC_DELETE_START);
                return dialog != nullptr && !::IsWindowVisible(::GetDlgItem(dialog, IDC_DELETE_START));
            },
            {VK_RETURN});
        PressKey(VK_DELETE);
        RunLoopUntil([&] { return close.pressed && DialogAnswerer::FindDialogWith(IDC_DELETE_START) == nullptr; });
        EXPECT_TRUE(yes.pressed && start.pressed && close.pressed);
    }
    EXPECT_FALSE(Exists(marked[0])) << "gone from its folder";
    EXPECT_EQ(RecycledFiles().size(), binBefore.size() + 1) << "into the Recycle Bin";
    EXPECT_EQ(Groups(), 0);
    EXPECT_EQ(::GetFocus(), list) << "the focus is back in the list";

    PressKey('N', {VK_CONTROL});
    EXPECT_EQ(frame.GetMode(), IModeContainer::kOptionsMode) << "Ctrl+N starts a new search";
    EXPECT_EQ(::GetFocus(), tree.Hwnd()) << "where the keyboard was before the search";
}

// A part of a window as it is painted now (client coordinates).
struct Picture {
    RECT area{};
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const
    {
        return pixels[static_cast<size_t>(y - area.top) * static_cast<size_t>(area.right - area.left) +
                      static_cast<size_t>(x - area.left)];
    }
    // The first column from `left` towards `right` (either way) holding a
    // pixel that stands out from `paper` (text, lines, pictures); -1 if none.
    int FirstInk(int left, int right, COLORREF paper) const
    {
        const auto differs = [paper](COLORREF pixel) {
            for (const int shift : {0, 8, 16}) {
                if (std::abs(static_cast<int>((pixel >> shift) & 0xff) - static_cast<int>((paper >> shift) & 0xff)) >
                    60) {
                    return true;
                }
            }
            return false;
        };
        const int step = right >= left ? 1 : -1;
        for (int x = left; x != right + step; x += step) {
            for (int y = area.top; y < area.bottom; ++y) {
                if (differs(At(x, y))) {
                    return x;
                }
            }
        }
        return -1;
    }
};

Picture PictureOf(HWND window, const RECT& area)
{
    Picture picture{area, {}};
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const vandrelcommon::ui::ClientDC shown(window);
    const vandrelcommon::ui::MemoryDC memory(shown);
    const vandrelcommon::ui::GdiBitmap bitmap(::CreateCompatibleBitmap(shown, width, height));
    {
        const vandrelcommon::ui::SelectedObject selected(memory, bitmap.Get());
        ::BitBlt(memory, 0, 0, width, height, shown, area.left, area.top, SRCCOPY);
    }
    BITMAPINFO info = TopDownBitmapInfo(width, height);
    picture.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    ::GetDIBits(memory, bitmap.Get(), 0, static_cast<UINT>(height), picture.pixels.data(), &info, DIB_RGB_COLORS);
    return picture;
}

// The list's rows as painted (below its header).
std::vector<COLORREF> PaintedRows(HWND list)
{
    RECT area{};
    ::GetClientRect(list, &area);
    RECT header{};
    ::GetWindowRect(reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
    area.top = header.bottom - header.top;
    return PictureOf(list, area).pixels;
}

// What the list shows now against what it shows when painted anew from
// scratch: the rows must not keep the picture of what stood there before.
void ExpectPaintedTruth(HWND list, const char* after)
{
    Settle();
    const std::vector<COLORREF> shown = PaintedRows(list);
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle();
    const std::vector<COLORREF> truth = PaintedRows(list);
    ASSERT_EQ(shown.size(), truth.size());
    size_t differing = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        differing += shown[i] != truth[i] ? 1 : 0;
    }
    EXPECT_EQ(differing, 0u) << "pixels painted stale " << after;
}

// The status line starts with "Ready"; the drives are read again only while
// the folder tree shows; after a deletion left no group the status line,
// the units and the default preset's name follow a change of language.
TEST_F(FirstHour, TheStatusLineAndTheNamesFollowTheLanguage)
{
    CMainFrame& frame = Frame();
    const auto icon = [&] { return ::SendMessageW(frame.StatusBar(), SB_GETICON, 0, 0) != 0; };
    EXPECT_EQ(frame.GetStatusText(), L"Ready");
    EXPECT_TRUE(icon()) << "the line starts with the program's icon";
    EXPECT_TRUE(frame.FolderTree().IsRefreshingDrives());
    ASSERT_TRUE(frame.FolderTree().TickPath(folder.Path(L"data")));
    PressKey(VK_F5);
    ASSERT_EQ(Groups(), 1);
    EXPECT_TRUE(::IsWindowVisible(frame.StatusBar()) && icon());
    EXPECT_FALSE(frame.FolderTree().IsRefreshingDrives()) << "the tree is hidden";
    ResultCommand(ID_SELECT_KEEP_FIRST);
    Delete(ID_DELETE_TO_RECYCLE_BIN);
    ASSERT_EQ(Groups(), 0);

    ChooseLanguage("de");
    EXPECT_EQ(frame.GetStatusText(), L"Verbleibende Duplikate: 0 in 0 Gruppen (Gesamtgr\u00f6\u00dfe: 0 Bytes; "
                                     L"verschwendeter Platz: 0 Bytes)");
    EXPECT_EQ(frame.GetMarksText(), L"Markiert: 0 Dateien, gibt 0 Bytes frei");
    PressKey('N', {VK_CONTROL});
    EXPECT_TRUE(frame.FolderTree().IsRefreshingDrives());
    const HWND presets = frame.GetToolbar().PresetList();
    EXPECT_NE(
        ::SendMessageW(presets, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"(Standard)")),
        CB_ERR);
    ChooseLanguage("ru");
    wchar_t unit[16] = {};
    ::SendDlgItemMessageW(
        frame.OptionsPane().Hwnd(), IDC_OPTIONS_LESS_UNIT, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(unit));
    EXPECT_EQ(std::wstring(unit), L"\u041c\u0411"); // МБ
    ChooseLanguage("en");
}

// Groups of different sizes and counts, so that every order moves them.
class Results : public Scenario {
protected:
    void SetUp() override
    {
        const struct {
            const wchar_t* name;
            int copies;
            size_t size;
            char fill;
        } groups[] = {{L"small", 4, 2000, 'a'}, {L"large", 2, 90000, 'b'}, {L"middle", 3, 20000, 'c'}};
        for (const auto& group : groups) {
            for (int copy = 0; copy < group.copies; ++copy) {
                folder.MakeFile(L"data\\" + std::to_wstring(copy) + L"\\" + group.name + L".dat",
                    std::string(group.size, group.fill));
            }
        }
        ASSERT_NO_FATAL_FAILURE(Start());
        SearchIn(folder.Path(L"data"));
        ASSERT_EQ(Groups(), 3);
        Settle();
    }

    CVirtualNode* SelectedNode()
    {
        const int row = Tree().ListView().GetNextItem(-1, LVNI_SELECTED);
        return row >= 0 ? Tree().Rows()[static_cast<size_t>(row)] : nullptr;
    }
    bool InView(const CVirtualNode* node)
    {
        const int row = Tree().RowOf(node);
        const int top = Tree().ListView().GetTopIndex();
        return row >= top && row < top + Tree().ListView().GetCountPerPage();
    }
    // A click on the row's name.
    void ClickRow(int row)
    {
        RECT name{};
        Tree().ListView().GetItemRect(row, name, LVIR_LABEL);
        Click(Tree().Hwnd(), POINT{name.left + 4, (name.top + name.bottom) / 2});
    }
};

// After a sort from the menu or the header, and after a deletion took rows
// away, the rows show their own marks, icons and padlocks, and the file that
// was selected stays selected and in view.
TEST_F(Results, TheListPaintsTheTruthAfterSortsAndDeletions)
{
    const HWND list = Tree().Hwnd();
    // Marks on the first two files of the last group, a file selected.
    const int lastGroup = Tree().RowOf(Tree().Root().lastChild);
    ClickRow(lastGroup + 1);
    PressKey(VK_SPACE);
    PressKey(VK_DOWN);
    PressKey(VK_SPACE);
    CVirtualNode* selected = SelectedNode();
    ASSERT_NE(selected, nullptr);
    ASSERT_EQ(selected->level, 1);

    ResultCommand(ID_SORT_FILE_NUMBER); // as the Sort menu sends it
    ExpectPaintedTruth(list, "after a sort from the menu");
    EXPECT_EQ(SelectedNode(), selected) << "the selection stays on its file";
    EXPECT_TRUE(InView(selected));

    RECT sizeHeader{};
    const HWND header = Tree().ListView().GetHeader();
    ::SendMessageW(header, HDM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&sizeHeader));
    Click(header, POINT{(sizeHeader.left + sizeHeader.right) / 2, (sizeHeader.top + sizeHeader.bottom) / 2});
    ExpectPaintedTruth(list, "after a sort by the header");
    EXPECT_EQ(SelectedNode(), selected);
    EXPECT_TRUE(InView(selected));

    ResultCommand(ID_SORT_TOTAL_SIZE);
    ExpectPaintedTruth(list, "after another sort from the menu");
    EXPECT_EQ(SelectedNode(), selected);

    Delete(ID_DELETE_TO_RECYCLE_BIN);
    EXPECT_EQ(FilesMarked(true).size(), 0u);
    ExpectPaintedTruth(list, "after a deletion took rows away");
}

// A group's context menu keeps its kinds of command apart; each cell's text
// starts where its column's header does, not a picture's width further on.
TEST_F(Results, TheGroupMenuHasItsSeparatorsAndCellsStandUnderTheirHeaders)
{
    const HWND list = Tree().Hwnd();
    RECT groupName{};
    Tree().ListView().GetItemRect(0, groupName, LVIR_LABEL);
    {
        MenuChooser close(-1);
        Click(list, POINT{groupName.left + 4, (groupName.top + groupName.bottom) / 2}, true);
        const std::vector<std::wstring> expected{
            L"Remove from this list", L"", L"Smart selection", L"", L"By regexp...", L"Select all", L"Clear selection"};
        EXPECT_EQ(close.Texts(), expected) << "separators around the smart selection";
    }

    // The first file's cells, below a row that is not selected.
    const int row = 1;
    LVITEMW unselected{};
    unselected.stateMask = LVIS_SELECTED;
    Tree().ListView().SetItemState(-1, unselected);
    Settle();
    const HWND header = Tree().ListView().GetHeader();
    RECT rowRect{};
    Tree().ListView().GetItemRect(row, rowRect, LVIR_BOUNDS);
    const Picture painted = PictureOf(list, rowRect);
    const auto paper = static_cast<COLORREF>(::SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
    for (const int column : {1, 2, 3}) {
        RECT title{};
        ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&title));
        const int ink = painted.FirstInk(title.left, std::min(title.right, rowRect.right) - 1, paper);
        EXPECT_GE(ink, title.left) << "column " << column;
        EXPECT_LE(ink, title.left + vandrelcommon::ui::ScaleX(10))
            << "column " << column << " starts at " << title.left;
    }
}

// The band's chevron as the rebar itself finds it, from the band's right
// end; x is -1 while the band shows none.
POINT ChevronOf(HWND rebar)
{
    RECT band{};
    ::SendMessageW(rebar, RB_GETRECT, 0, reinterpret_cast<LPARAM>(&band));
    POINT chevron{-1, (band.top + band.bottom) / 2};
    for (int x = band.right - 1; x > band.left && chevron.x < 0; --x) {
        RBHITTESTINFO hit{};
        hit.pt = POINT{x, chevron.y};
        ::SendMessageW(rebar, RB_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        chevron.x = hit.flags == RBHT_CHEVRON ? x - 2 : -1;
    }
    return chevron;
}

// A button cut off by the window's width is pressed from the rebar's
// chevron menu: a check button changes as a click on it would.
TEST_F(FirstHour, AdvancedViewFromTheChevronShowsTheOptions)
{
    CMainFrame& frame = Frame();
    // Narrower than a user may drag it, so that the band cuts buttons off.
    ::SetWindowPos(frame.Hwnd(), nullptr, 0, 0, 320, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOSENDCHANGING);
    Settle();
    const HWND toolbar = frame.GetToolbar().Hwnd();
    RECT shown{};
    ::GetClientRect(toolbar, &shown);
    std::vector<int> cutOff;
    for (int index = 0; index < ::SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0); ++index) {
        TBBUTTON button{};
        RECT rect{};
        ::SendMessageW(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
        ::SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
        if ((button.fsStyle & BTNS_SEP) == 0 && (button.fsState & TBSTATE_HIDDEN) == 0 && rect.right > shown.right) {
            cutOff.push_back(button.idCommand);
        }
    }
    const auto at = std::find(cutOff.begin(), cutOff.end(), ID_TB_ADVANCED_VIEW);
    ASSERT_NE(at, cutOff.end()) << "Advanced view is cut off";
    const HWND rebar = frame.ReBar();
    const POINT chevron = ChevronOf(rebar);
    ASSERT_GE(chevron.x, 0) << "the band shows its chevron";
    ASSERT_FALSE(::IsWindowVisible(frame.OptionsPane().Hwnd()));
    {
        MenuChooser advanced(static_cast<int>(at - cutOff.begin()));
        Click(rebar, chevron);
        EXPECT_FALSE(advanced.Texts().empty()) << "the chevron opened its menu";
    }
    Settle();
    EXPECT_TRUE(frame.GetToolbar().IsButtonChecked(ID_TB_ADVANCED_VIEW));
    EXPECT_TRUE(::IsWindowVisible(frame.OptionsPane().Hwnd())) << "the options show";
    EXPECT_TRUE(frame.Settings().advancedView);
}

// The visible tooltip of the program, or nothing.
std::wstring ShownTooltip()
{
    struct Found {
        std::wstring text;
    } found;
    ::EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            wchar_t name[32] = {};
            ::GetClassNameW(window, name, 32);
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            if (process == ::GetCurrentProcessId() && _wcsicmp(name, TOOLTIPS_CLASSW) == 0 &&
                ::IsWindowVisible(window)) {
                reinterpret_cast<Found*>(data)->text = TextOf(window);
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.text;
}

// In German, the longest of the toolbar's languages, the window at its
// starting size, which is also its least, keeps Donate, Language and Help
// whole: labels give way first and the band needs no chevron. A button's tooltip
// names the keys of its commands in the language's words.
TEST_F(FirstHour, ALongLanguageKeepsTheRightButtonsAndTooltipsNameTheKeys)
{
    ASSERT_NO_FATAL_FAILURE(Search());
    ChooseLanguage("de");
    CMainFrame& frame = Frame();
    const HWND toolbar = frame.GetToolbar().Hwnd();
    const auto buttonRect = [toolbar](int id) {
        RECT rect{};
        ::SendMessageW(toolbar, TB_GETRECT, id, reinterpret_cast<LPARAM>(&rect));
        return rect;
    };
    ::SetWindowPos(frame.Hwnd(), nullptr, 0, 0, vandrelcommon::ui::ScaleX(846), vandrelcommon::ui::ScaleY(600),
        SWP_NOMOVE | SWP_NOZORDER);
    Settle();
    RECT shown{};
    ::GetClientRect(toolbar, &shown);
    for (const int id : {ID_TB_DONATE, ID_TB_LANGUAGE, ID_TB_HELP}) {
        const RECT button = buttonRect(id);
        EXPECT_TRUE(button.right > button.left && button.right <= shown.right) << id;
    }
    EXPECT_LT(ChevronOf(frame.ReBar()).x, 0) << "no chevron";

    const RECT remove = buttonRect(ID_TB_DELETE);
    SendHover(toolbar, POINT{(remove.left + remove.right) / 2, (remove.top + remove.bottom) / 2});
    RunLoopUntil([] { return !ShownTooltip().empty(); });
    EXPECT_EQ(ShownTooltip(), L"L\u00f6schen (Entf, Umschalt+Entf, Strg+B)");
}

// The questions before a deletion name the way and the number of files, and
// Enter answers what loses nothing: No before a whole group or a permanent
// delete. A backup goes where the user typed, which the delete window shows
// and lets change; a name taken there is renamed, not overwritten, unless the
// user says so, and both files are shown with their sizes and dates.
TEST_F(FirstHour, DeletingAsksSafelyAndSaysWhereFilesGo)
{
    ASSERT_TRUE(Frame().FolderTree().TickPath(folder.Path(L"data")));
    PressKey(VK_F5);
    ASSERT_EQ(Groups(), 1);
    const std::vector<std::wstring> files = AllFiles();
    ASSERT_EQ(files.size(), 2u);
    const HWND list = Tree().Hwnd();
    ::SetFocus(list);

    // The whole group marked: the warning, Enter says No.
    PressKey(VK_HOME);
    PressKey(VK_SPACE);
    ASSERT_EQ(FilesMarked(true).size(), 2u);
    {
        KeysWhen enter([] { return MessageBoxOf(L"Warning") != nullptr; }, {VK_RETURN});
        PressKey(VK_DELETE);
        RunLoopUntil([&] { return enter.pressed && MessageBoxOf(L"Warning") == nullptr; });
    }
    EXPECT_TRUE(Exists(files[0]) && Exists(files[1])) << "Enter at the warning deletes nothing";
    EXPECT_EQ(DialogAnswerer::FindDialogWith(IDC_DELETE_START), nullptr);

    // One file marked: the questions name the way and the count.
    PressKey(VK_SPACE);
    PressKey(VK_RIGHT);
    PressKey(VK_DOWN);
    PressKey(VK_SPACE);
    ASSERT_EQ(FilesMarked(true).size(), 1u);
    const std::wstring marked = FilesMarked(true)[0];
    std::wstring question;
    {
        KeysWhen enter(
            [&] {
                const HWND box = MessageBoxOf(L"Confirm");
                question = box != nullptr ? MessageOf(box) : L"";
                return box != nullptr;
            },
            {VK_RETURN});
        PressKey(VK_DELETE, {VK_SHIFT});
        RunLoopUntil([&] { return enter.pressed && MessageBoxOf(L"Confirm") == nullptr; });
    }
    EXPECT_EQ(question, L"Delete 1 file permanently? It cannot be restored.");
    EXPECT_TRUE(Exists(marked)) << "Enter at the permanent question deletes nothing";
    {
        QuestionAnswerer no(IDNO, L"Confirm", L"Move 1 file to the Recycle Bin?");
        PressKey(VK_DELETE);
        EXPECT_TRUE(no.answered);
    }
    EXPECT_TRUE(Exists(marked));

    // A backup into a folder typed into the browser, where an earlier backup
    // of the same file waits.
    const RemovedAtEnd backupRoot(folder.Path(L"typed backups"), folder.Root());
    const std::wstring backup = backupRoot.Path();
    const std::wstring earlier = backup + L"\\" + marked.substr(0, 1) + marked.substr(2);
    ASSERT_EQ(::SHCreateDirectoryExW(nullptr, earlier.substr(0, earlier.find_last_of(L'\\')).c_str(), nullptr),
        ERROR_SUCCESS);
    ASSERT_TRUE(WriteFileBytes(earlier, "an earlier backup"));
    const std::wstring firstChoice = folder.Path(L"first choice");
    std::wstring shownWay;
    std::wstring shownFolder;
    std::wstring folderBeforeChange;
    int chosenAction = -1;
    bool generateTicked = false;
    std::wstring sourceDetails;
    std::wstring targetDetails;
    {
        // The browser's box: a path typed there is the answer.
        const auto typeFolder = [](HWND browser, const std::wstring& path) {
            for (HWND child = ::GetWindow(browser, GW_CHILD); child != nullptr;
                 child = ::GetWindow(child, GW_HWNDNEXT)) {
                wchar_t name[16] = {};
                ::GetClassNameW(child, name, 16);
                if (_wcsicmp(name, L"Edit") == 0) {
                    ::SendMessageW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
                }
            }
            ::PostMessageW(browser, WM_COMMAND, IDOK, 0);
        };
        const auto browser = [] {
            const HWND found = ::FindWindowW(L"#32770", L"Browse for Folder");
            return found != nullptr && ::IsWindowVisible(found) ? found : nullptr;
        };
        WindowAnswerer first(L"#32770", L"Browse for Folder", [&](HWND dialog) { typeFolder(dialog, firstChoice); });
        QuestionAnswerer yes(IDYES, L"Confirm", L"Move 1 file into the backup folder " + firstChoice + L"?");
        // The folder is changed in the delete window before the run starts.
        DialogAnswerer deleting(IDC_DELETE_START, [&](HWND dialog) {
            shownWay = TextOf(::GetDlgItem(dialog, IDC_DELETE_MODE));
            folderBeforeChange = TextOf(::GetDlgItem(dialog, IDC_DELETE_FOLDER));
            ::PostMessageW(dialog, WM_COMMAND, IDC_DELETE_CHANGE_FOLDER, 0);
            if (WaitFor([&] { return browser() != nullptr; })) {
                typeFolder(browser(), backup);
            }
            WaitFor([&] { return browser() == nullptr; });
            shownFolder = TextOf(::GetDlgItem(dialog, IDC_DELETE_FOLDER));
            ::PostMessageW(dialog, WM_COMMAND, IDC_DELETE_START, 0);
            WaitFor([dialog] { return !::IsWindowVisible(::GetDlgItem(dialog, IDC_DELETE_START)); }, 60000);
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        DialogAnswerer conflict(IDC_FILE_EXISTS_ACTION, [&](HWND dialog) {
            chosenAction = static_cast<int>(::SendDlgItemMessageW(dialog, IDC_FILE_EXISTS_ACTION, CB_GETCURSEL, 0, 0));
            generateTicked = ::IsDlgButtonChecked(dialog, IDC_FILE_EXISTS_AUTO) == BST_CHECKED;
            sourceDetails = TextOf(::GetDlgItem(dialog, IDC_FILE_EXISTS_SOURCE_DETAILS));
            targetDetails = TextOf(::GetDlgItem(dialog, IDC_FILE_EXISTS_TARGET_DETAILS));
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0); // as Enter
        });
        PressKey('B', {VK_CONTROL});
        EXPECT_TRUE(first.answered && yes.answered && deleting.answered && conflict.answered);
    }
    EXPECT_EQ(folderBeforeChange, firstChoice) << "the typed folder, not the one shown in the tree";
    EXPECT_EQ(shownWay, vandrelcommon::system::Localize("duplicates-pane.status-delete.mode-backup"));
    EXPECT_EQ(shownFolder, backup) << "the delete window names the folder chosen there, in full";
    EXPECT_EQ(Frame().Settings().backupFolder, backup);
    EXPECT_FALSE(Exists(firstChoice)) << "nothing went to the folder given up";
    EXPECT_EQ(chosenAction, 2) << "Rename to...";
    EXPECT_TRUE(generateTicked) << "...with a generated name, not Overwrite";
    EXPECT_EQ(sourceDetails.rfind(FormatByteSize(3000) + L", modified ", 0), 0u)
        << std::string(sourceDetails.begin(), sourceDetails.end());
    EXPECT_EQ(targetDetails.rfind(FormatByteSize(17) + L", modified ", 0), 0u);
    EXPECT_FALSE(Exists(marked));
    EXPECT_EQ(ReadFileBytes(earlier), "an earlier backup") << "the earlier backup is kept";
    EXPECT_EQ(ReadDisk(backup).size(), 2u) << "beside it, the new one under a generated name";
}

// The status line counts the marked files and the space they free as the
// marks change; a rule says what it matched, and a new selection that
// matches nothing leaves the marks and says so.
TEST_F(FirstHour, MarksAreCountedAndARuleSaysWhatItMatched)
{
    ASSERT_TRUE(Frame().FolderTree().TickPath(folder.Path(L"data")));
    PressKey(VK_F5);
    ASSERT_EQ(Groups(), 1);
    const auto marks = [&] {
        RunLoopUntil([] { return false; }, 250); // a tick of the pane's timer
        return Frame().GetMarksText();
    };
    EXPECT_EQ(marks(), L"Marked: 0 files, frees " + FormatByteSize(0));
    ::SetFocus(Tree().Hwnd());
    PressKey(VK_HOME);
    PressKey(VK_RIGHT);
    PressKey(VK_DOWN);
    PressKey(VK_SPACE);
    EXPECT_EQ(marks(), L"Marked: 1 file, frees " + FormatByteSize(3000));

    const std::vector<std::wstring> before = FilesMarked(true);
    {
        DialogAnswerer rules(IDC_REGEXP_ADD_RULE, [](HWND dialog) { MakeRule(dialog, L"Nothing", L".*nowhere.*"); });
        QuestionAnswerer said(
            IDOK, L"Select by regexp", L"Rule \u201cNothing\u201d matched no file. The marks are left as they were.");
        Command(ID_TB_SELECT_BY_REGEXP);
        EXPECT_TRUE(rules.answered);
        EXPECT_TRUE(said.answered) << "a new selection that matched nothing says so";
    }
    EXPECT_EQ(FilesMarked(true), before) << "the marks stay";
    {
        DialogAnswerer rules(IDC_REGEXP_ADD_RULE, [](HWND dialog) { MakeRule(dialog, L"Folder b", L".*\\\\b\\\\.*"); });
        Command(ID_TB_SELECT_BY_REGEXP);
        EXPECT_TRUE(rules.answered);
    }
    EXPECT_EQ(FilesMarked(true), std::vector<std::wstring>{folder.Path(L"data\\b\\song.txt")});
    EXPECT_EQ(marks(), L"Rule \u201cFolder b\u201d matched 1 file.  Marked: 1 file, frees " + FormatByteSize(3000));
}

// The main window closed while a search runs asks as the search window
// does, and on Yes stops the search and closes.
TEST_F(FirstHour, ClosingTheWindowDuringASearchAsksFirst)
{
    for (int pair = 0; pair < 300; ++pair) {
        const std::string content = std::to_string(pair) + std::string(3000, '.');
        folder.MakeFile(L"data\\c\\" + std::to_wstring(pair) + L".dat", content);
        folder.MakeFile(L"data\\d\\" + std::to_wstring(pair) + L".dat", content);
    }
    ASSERT_TRUE(Frame().FolderTree().TickPath(folder.Path(L"data")));
    const HWND frame = Frame().Hwnd();
    std::atomic<bool> asked = false;
    {
        DialogAnswerer closing(IDC_SEARCH_STOP, [&](HWND dialog) {
            ::PostMessageW(dialog, WM_COMMAND, IDC_SEARCH_PAUSE, 0);
            QuestionAnswerer yes(IDYES, L"Confirm", L"Are you sure you want to cancel search?");
            ::PostMessageW(frame, WM_CLOSE, 0, 0);
            WaitFor([&] { return yes.answered.load(); });
            asked = yes.answered.load();
        });
        PressKey(VK_F5);
        EXPECT_TRUE(closing.answered);
    }
    RunLoopUntil([frame] { return !::IsWindow(frame); }, 5000);
    EXPECT_TRUE(asked) << "the question of the search window";
    EXPECT_FALSE(::IsWindow(frame)) << "the window closed after the search stopped";
}

} // namespace
