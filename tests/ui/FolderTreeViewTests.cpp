// The folder tree over folders of the test's own, driven by the clicks, keys
// and menu choices of a user.
#include "i18n/Localizer.h"
#include "tests/support/FileBytes.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/TempTree.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/FolderTreeView.h"
#include "ui/framework/Dpi.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace clonarium {

bool operator==(const SearchRoot& left, const SearchRoot& right)
{
    return left.path == right.path && left.isFolder == right.isFolder;
}

void PrintTo(const SearchRoot& root, std::ostream* out)
{
    *out << testing::PrintToString(root.path) << (root.isFolder ? " (folder)" : " (file)");
}

} // namespace clonarium

namespace {

using namespace clonarium;
using uitest::LoadTable;
using vandrelcommon::ui::Checked;
using vandrelcommon::ui::CheckState;
using vandrelcommon::ui::CTreeViewCtrl;
using vandrelcommon::ui::Mixed;
using vandrelcommon::ui::Unchecked;

bool SamePath(const std::wstring& left, const std::wstring& right)
{
    return ::CompareStringOrdinal(left.c_str(), -1, right.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The context menu's items by position.
constexpr int kSelect = 0;
constexpr int kSelectWithoutSubfolders = 1;
constexpr int kClearSelection = 2;
constexpr int kInvertSelection = 3;

class FolderTreeTest : public testing::Test {
protected:
    void SetUp() override
    {
        LoadTable("en");
        ASSERT_NE(parent_.Create(500, 700), nullptr);
        ASSERT_NE(view_.Create(parent_, RECT{0, 0, 480, 660}, 5), nullptr);
        parent_.ShowWindow(SW_SHOWNA);
    }

    CTreeViewCtrl Tree() const { return view_.Tree(); }

    HTREEITEM Child(HTREEITEM parent, const std::wstring& name) const
    {
        const CTreeViewCtrl tree = Tree();
        for (HTREEITEM item = parent != nullptr ? tree.GetChildItem(parent) : tree.GetRootItem(); item != nullptr;
             item = tree.GetNextSiblingItem(item)) {
            const FolderItemData* data = view_.ItemData(item);
            if (parent == nullptr ? SamePath(data->path, name) : SamePath(data->name, name)) {
                return item;
            }
        }
        return nullptr;
    }
    std::vector<std::wstring> ChildTexts(HTREEITEM parent) const
    {
        std::vector<std::wstring> texts;
        const CTreeViewCtrl tree = Tree();
        for (HTREEITEM item = tree.GetChildItem(parent); item != nullptr; item = tree.GetNextSiblingItem(item)) {
            wchar_t text[MAX_PATH] = {};
            TVITEMW query{};
            query.mask = TVIF_TEXT;
            query.hItem = item;
            query.pszText = text;
            query.cchTextMax = MAX_PATH;
            tree.GetItem(query);
            texts.push_back(text);
        }
        return texts;
    }
    bool HasButton(HTREEITEM item) const
    {
        TVITEMW query{};
        query.mask = TVIF_CHILDREN;
        query.hItem = item;
        Tree().GetItem(query);
        return query.cChildren != 0;
    }
    bool IsExpanded(HTREEITEM item) const { return (Tree().GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0; }

    void Key(WPARAM key) const
    {
        ::SendMessageW(view_, WM_KEYDOWN, key, 1);
        if (key == VK_SPACE) {
            ::SendMessageW(view_, WM_CHAR, L' ', 1);
        }
        ::SendMessageW(view_, WM_KEYUP, key, 1);
    }
    RECT LabelRect(HTREEITEM item) const
    {
        Tree().EnsureVisible(item);
        RECT rect{};
        Tree().GetItemRect(item, rect, true);
        return rect;
    }
    void ClickAt(POINT point, UINT down, UINT up) const
    {
        // The tree waits for the button to come up before it acts on the click.
        ::PostMessageW(view_, up, 0, MAKELPARAM(point.x, point.y));
        ::SendMessageW(view_, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, MAKELPARAM(point.x, point.y));
        uitest::PumpMessages(0);
    }
    void Select(HTREEITEM item) const
    {
        const RECT label = LabelRect(item);
        ClickAt(POINT{(label.left + label.right) / 2, (label.top + label.bottom) / 2}, WM_LBUTTONDOWN, WM_LBUTTONUP);
        ASSERT_EQ(Tree().GetSelectedItem(), item);
    }
    // The check box sits left of the item's icon, which sits left of its label.
    // `again`: the second click of a double click.
    void ClickCheckBox(HTREEITEM item, bool again = false) const
    {
        const RECT label = LabelRect(item);
        int iconWidth = 0;
        int iconHeight = 0;
        ::ImageList_GetIconSize(ShellIconCache::SystemImageList(), &iconWidth, &iconHeight);
        TVHITTESTINFO hit{};
        hit.pt = POINT{label.left - iconWidth - vandrelcommon::ui::ScaleX(8), (label.top + label.bottom) / 2};
        ASSERT_EQ(Tree().HitTest(hit), item);
        ASSERT_NE(hit.flags & TVHT_ONITEMSTATEICON, 0u);
        ClickAt(hit.pt, again ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, WM_LBUTTONUP);
    }
    // A right click on the item's label, then the menu's command `index`.
    std::vector<std::wstring> ChooseFromMenu(HTREEITEM item, int index) const
    {
        const RECT label = LabelRect(item);
        POINT point{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
        ::ClientToScreen(view_, &point);
        MenuChooser chooser(index);
        // What the tree sends itself once the right button comes up.
        ::SendMessageW(view_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view_.Hwnd()), MAKELPARAM(point.x, point.y));
        return chooser.Texts();
    }
    // Opens the folders down to `path` as a user would: selects each and
    // presses the right arrow.
    HTREEITEM Open(const std::wstring& path) const
    {
        HTREEITEM item = Child(nullptr, path.substr(0, 3));
        for (size_t start = 3; item != nullptr && start < path.size();) {
            size_t end = path.find(L'\\', start);
            end = end == std::wstring::npos ? path.size() : end;
            Select(item);
            Key(VK_RIGHT);
            item = Child(item, path.substr(start, end - start));
            start = end + 1;
        }
        return item;
    }

    uitest::CRecordingParent parent_;
    CFolderTreeView view_;
    TempTree files_;
};

TEST_F(FolderTreeTest, ChecksPropagateDownAndUpAndTheRootsAreTheCheckedItemsInTreeOrder)
{
    files_.MakeFile(L"base\\a\\inside.txt", "1");
    files_.MakeFolder(L"base\\b");
    files_.MakeFile(L"base\\c.txt", "2");
    files_.MakeFile(L"beside base.txt");
    const HTREEITEM base = Open(files_.Path(L"base"));
    ASSERT_NE(base, nullptr);
    EXPECT_TRUE(view_.GetSearchRoots().empty());

    ClickCheckBox(base);
    EXPECT_EQ(view_.GetCheckState(base), Checked);
    EXPECT_EQ(view_.GetSearchRoots(), (std::vector<SearchRoot>{{files_.Path(L"base"), true}}));

    Select(base);
    Key(VK_RIGHT);
    ASSERT_EQ(ChildTexts(base), (std::vector<std::wstring>{L"a", L"b", L"c.txt"}));
    const HTREEITEM a = Child(base, L"a");
    for (const wchar_t* name : {L"a", L"b", L"c.txt"}) {
        EXPECT_EQ(view_.GetCheckState(Child(base, name)), Checked) << name;
    }

    // The space bar on "a" unticks it: "base" and every folder above it are partly checked.
    Select(a);
    Key(VK_SPACE);
    EXPECT_EQ(view_.GetCheckState(a), Unchecked);
    for (HTREEITEM up = base; up != nullptr; up = Tree().GetParentItem(up)) {
        EXPECT_EQ(view_.GetCheckState(up), Mixed);
    }
    EXPECT_EQ(view_.GetSearchRoots(),
        (std::vector<SearchRoot>{{files_.Path(L"base\\b"), true}, {files_.Path(L"base\\c.txt"), false}}));

    // Ticking "a" again brings "base" back to checked and a single root.
    ClickCheckBox(a);
    EXPECT_EQ(view_.GetCheckState(base), Checked);
    EXPECT_EQ(view_.GetSearchRoots(), (std::vector<SearchRoot>{{files_.Path(L"base"), true}}));

    // Expanding a checked folder's subfolder later checks what appears.
    Select(a);
    Key(VK_RIGHT);
    EXPECT_EQ(view_.GetCheckState(Child(a, L"inside.txt")), Checked);
    // Each click of a double click on a check box counts.
    ClickCheckBox(base);
    EXPECT_EQ(view_.GetCheckState(Child(a, L"inside.txt")), Unchecked);
    EXPECT_TRUE(view_.GetSearchRoots().empty());
    ClickCheckBox(base, true);
    EXPECT_EQ(view_.GetCheckState(Child(a, L"inside.txt")), Checked);
}

TEST_F(FolderTreeTest, ContextMenuSelectsWithoutSubfoldersInvertsAndClears)
{
    files_.MakeFile(L"two\\x.txt", "x");
    files_.MakeFile(L"two\\y.bin", "y");
    files_.MakeFile(L"two\\sub\\z.txt", "z");
    files_.MakeFolder(L"inv\\on");
    files_.MakeFolder(L"inv\\off");
    const HTREEITEM two = Open(files_.Path(L"two"));
    ASSERT_NE(two, nullptr);

    const auto texts = ChooseFromMenu(two, kSelectWithoutSubfolders);
    EXPECT_EQ(texts,
        (std::vector<std::wstring>{L"Select", L"Select without subfolders", L"Clear selection", L"Invert selection"}));
    EXPECT_TRUE(IsExpanded(two));
    EXPECT_EQ(view_.GetCheckState(two), Mixed);
    EXPECT_EQ(view_.GetSearchRoots(),
        (std::vector<SearchRoot>{{files_.Path(L"two\\x.txt"), false}, {files_.Path(L"two\\y.bin"), false}}));

    ChooseFromMenu(two, kClearSelection);
    EXPECT_EQ(view_.GetCheckState(two), Unchecked);
    EXPECT_TRUE(view_.GetSearchRoots().empty());
    ChooseFromMenu(two, kSelect);
    EXPECT_EQ(view_.GetCheckState(Child(two, L"sub")), Checked);
    EXPECT_EQ(view_.GetSearchRoots(), (std::vector<SearchRoot>{{files_.Path(L"two"), true}}));
    // Escape closes the menu and changes nothing.
    ChooseFromMenu(two, -1);
    EXPECT_EQ(view_.GetCheckState(two), Checked);
    ChooseFromMenu(two, kClearSelection);

    // Inverting a partly checked folder swaps its children and leaves it partly checked.
    const HTREEITEM inv = Child(Tree().GetParentItem(two), L"inv");
    Select(inv);
    Key(VK_RIGHT);
    ClickCheckBox(Child(inv, L"on"));
    ASSERT_EQ(view_.GetCheckState(inv), Mixed);
    ChooseFromMenu(inv, kInvertSelection);
    EXPECT_EQ(view_.GetCheckState(Child(inv, L"on")), Unchecked);
    EXPECT_EQ(view_.GetCheckState(Child(inv, L"off")), Checked);
    EXPECT_EQ(view_.GetCheckState(inv), Mixed);
    EXPECT_EQ(view_.GetSearchRoots(), (std::vector<SearchRoot>{{files_.Path(L"inv\\off"), true}}));
    // An unchecked item inverts to checked, from the keyboard's menu key too.
    Select(two);
    MenuChooser chooser(kInvertSelection);
    ::SendMessageW(view_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view_.Hwnd()), -1);
    EXPECT_EQ(view_.GetCheckState(two), Checked);

    // The menu speaks the language loaded last.
    LoadTable("ru");
    view_.Relocalize();
    EXPECT_EQ(ChooseFromMenu(two, -1).front(), L"Выбрать");
    LoadTable("en");
}

TEST_F(FolderTreeTest, FoldersThatVanishOrCannotBeListedDoNotOpen)
{
    files_.MakeFile(L"keep\\k1.txt", "1");
    files_.MakeFile(L"keep\\k2.txt", "2");
    files_.MakeFile(L"gone\\g.txt", "g");
    files_.MakeFile(L"flat\\f.txt", "f");
    const HTREEITEM keep = Open(files_.Path(L"keep"));
    ASSERT_NE(keep, nullptr);
    const HTREEITEM root = Tree().GetParentItem(keep);
    const HTREEITEM gone = Child(root, L"gone");
    const HTREEITEM flat = Child(root, L"flat");
    ASSERT_TRUE(HasButton(gone));
    ASSERT_TRUE(HasButton(flat));

    // Listed once, then a checked child disappears: listing again drops it,
    // and its parent follows the one child left.
    Select(keep);
    Key(VK_RIGHT);
    ClickCheckBox(Child(keep, L"k2.txt"));
    ASSERT_EQ(view_.GetCheckState(keep), Mixed);
    ASSERT_TRUE(::DeleteFileW(files_.Path(L"keep\\k2.txt").c_str()));
    Key(VK_LEFT);
    Key(VK_RIGHT);
    EXPECT_EQ(ChildTexts(keep), std::vector<std::wstring>{L"k1.txt"});
    EXPECT_EQ(view_.GetCheckState(keep), Unchecked);
    EXPECT_TRUE(view_.GetSearchRoots().empty());

    // A folder that is gone, and one that became a file, lose their buttons.
    ASSERT_TRUE(::DeleteFileW(files_.Path(L"gone\\g.txt").c_str()));
    ASSERT_TRUE(::RemoveDirectoryW(files_.Path(L"gone").c_str()));
    ASSERT_TRUE(::DeleteFileW(files_.Path(L"flat\\f.txt").c_str()));
    ASSERT_TRUE(::RemoveDirectoryW(files_.Path(L"flat").c_str()));
    files_.MakeFile(L"flat", "now a file");
    for (const HTREEITEM item : {gone, flat}) {
        Select(item);
        Key(VK_RIGHT);
        EXPECT_FALSE(IsExpanded(item));
        EXPECT_FALSE(HasButton(item));
        EXPECT_EQ(Tree().GetChildItem(item), nullptr);
        EXPECT_FALSE(view_.ExpandItem(item));
    }
    // "Select without subfolders" on a folder that is gone selects nothing.
    ChooseFromMenu(gone, kSelectWithoutSubfolders);
    EXPECT_EQ(view_.GetCheckState(gone), Unchecked);
    EXPECT_TRUE(view_.GetSearchRoots().empty());
}

TEST_F(FolderTreeTest, ListsFoldersFirstEachInNameOrderWithNamesInAnyScriptAndNoLinks)
{
    const std::vector<std::wstring> scripts{L"Ωμέγα", L"Юникод", L"漢字フォルダ", L"😀 smile", L"عربي"};
    for (const std::wstring& name : scripts) {
        files_.MakeFile(L"names\\" + name + L"\\inside.txt");
    }
    files_.MakeFolder(L"names\\gamma");
    files_.MakeFolder(L"names\\Beta");
    files_.MakeFolder(L"names\\alpha\\empty");
    files_.MakeFile(L"names\\b.txt");
    files_.MakeFile(L"names\\C.txt");
    files_.MakeFile(L"names\\a.txt");
    files_.MakeFile(L"names\\Ünïcödé файл.txt");
    const bool linked = MakeSymbolicLink(files_.Path(L"names\\link"), files_.Path(L"names\\gamma"), true);

    const HTREEITEM names = Open(files_.Path(L"names"));
    ASSERT_NE(names, nullptr);
    Select(names);
    Key(VK_RIGHT);
    const std::vector<std::wstring> texts = ChildTexts(names);
    ASSERT_EQ(texts.size(), 12u);
    const auto position = [&](const std::wstring& name) {
        return std::find(texts.begin(), texts.end(), name) - texts.begin();
    };
    EXPECT_LT(position(L"alpha"), position(L"Beta"));
    EXPECT_LT(position(L"Beta"), position(L"gamma"));
    EXPECT_EQ(std::vector<std::wstring>(texts.begin() + 8, texts.begin() + 11),
        (std::vector<std::wstring>{L"a.txt", L"b.txt", L"C.txt"}));
    EXPECT_EQ(texts.back(), L"Ünïcödé файл.txt");
    for (const std::wstring& name : scripts) {
        const HTREEITEM item = Child(names, name);
        ASSERT_NE(item, nullptr);
        EXPECT_LT(position(name), 8) << "folders come first";
        EXPECT_EQ(view_.ItemData(item)->path, files_.Path(L"names\\" + name));
        EXPECT_TRUE(HasButton(item));
    }
    if (linked) {
        EXPECT_EQ(Child(names, L"link"), nullptr);
    }
    // "alpha" holds an empty folder: it has a button, the empty one has none.
    const HTREEITEM alpha = Child(names, L"alpha");
    EXPECT_TRUE(HasButton(alpha));
    Select(alpha);
    Key(VK_RIGHT);
    EXPECT_FALSE(HasButton(Child(alpha, L"empty")));

    ClickCheckBox(Child(names, L"漢字フォルダ"));
    EXPECT_EQ(view_.GetSearchRoots(), (std::vector<SearchRoot>{{files_.Path(L"names\\漢字フォルダ"), true}}));
}

// Wine reports only the drives a process started with, so drives that come
// and go cannot be staged here; the refresh must at least keep what is there.
TEST_F(FolderTreeTest, ShowsTheSystemsDrivesAndTheRefreshKeepsThemAsTheyAre)
{
    std::vector<std::wstring> roots(1, std::wstring(MAX_PATH, L'\0'));
    const DWORD length = ::GetLogicalDriveStringsW(MAX_PATH, roots.front().data());
    ASSERT_GT(length, 0u);
    std::vector<std::wstring> expected;
    for (const wchar_t* root = roots.front().c_str(); *root != L'\0'; root += wcslen(root) + 1) {
        expected.emplace_back(root);
    }
    const auto shownDrives = [&] {
        std::vector<std::wstring> shown;
        for (HTREEITEM item = Tree().GetRootItem(); item != nullptr; item = Tree().GetNextSiblingItem(item)) {
            shown.push_back(view_.ItemData(item)->path);
            EXPECT_TRUE(HasButton(item)) << "a drive is not listed before it is opened";
        }
        return shown;
    };
    EXPECT_EQ(shownDrives(), expected);

    files_.MakeFile(L"kept.txt");
    files_.MakeFile(L"left.txt");
    const HTREEITEM kept = Open(files_.Path(L"kept.txt"));
    ASSERT_NE(kept, nullptr);
    ClickCheckBox(kept);
    const HTREEITEM drive = Tree().GetRootItem();
    uitest::PumpMessages(CFolderTreeView::kDriveRefreshMs + 1000);
    EXPECT_EQ(shownDrives(), expected);
    EXPECT_EQ(Tree().GetRootItem(), drive);
    EXPECT_EQ(view_.GetCheckState(kept), Checked);
    EXPECT_EQ(view_.GetSearchRoots(), (std::vector<SearchRoot>{{files_.Path(L"kept.txt"), false}}));
}

} // namespace
