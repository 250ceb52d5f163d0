// The search options pane driven through its controls: a preset filling the
// form, the change check behind the save button, a size field that is not a
// number, the question before unsaved changes go, and a language change.
#include "i18n/Localizer.h"
#include "storage/SearchPresets.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/SearchOptionsPane.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace clonarium;
using uitest::LoadTable;
using vandrelcommon::system::Localize;
using vandrelcommon::ui::CButton;
using vandrelcommon::ui::CComboBox;
using vandrelcommon::ui::CDateTimePickerCtrl;
using vandrelcommon::ui::CTrackBarCtrl;
using vandrelcommon::ui::CWindow;

FILETIME LocalTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    FILETIME result{};
    ::SystemTimeToFileTime(&time, &result);
    return result;
}

// A preset unlike the defaults in every field.
SearchParameters UnusualPreset()
{
    SearchParameters preset;
    preset.PresetName = L"Pictures";
    preset.SearchMode = SimilarImages;
    preset.UseScanMasks = true;
    preset.ScanMasks = {L"*.jpg", L"*.png"};
    preset.UseIgnoreMasks = false;
    preset.IgnoreMasks = {L"*.tmp"};
    preset.ProtectFolders = false;
    preset.ProtectedFolders = {L"C:\\Keep", L"D:\\Archive"};
    preset.UseLess = true;
    preset.LessBound = 300;
    preset.LessMultiplier = Megabytes;
    preset.UseGreater = true;
    preset.GreaterBound = 12;
    preset.GreaterMultiplier = Kilobytes;
    preset.UseModifiedBefore = true;
    preset.ModifiedBefore = LocalTime(2024, 3, 9, 17, 45, 30);
    preset.UseAccessedAfter = true;
    preset.AccessedAfter = LocalTime(2019, 11, 2, 6, 5, 4);
    preset.CreatedAfter = LocalTime(2001, 1, 31, 23, 59, 59);
    preset.SearchHidden = true;
    preset.SearchSystem = true;
    preset.SearchArchive = false;
    preset.SearchEncrypted = true;
    preset.Similarity = 70;
    preset.DoRotations = false;
    preset.DoMirrors = false;
    return preset;
}

std::vector<std::wstring> ListItems(HWND list)
{
    std::vector<std::wstring> items;
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        wchar_t text[300] = {};
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
        items.emplace_back(text);
    }
    return items;
}

SYSTEMTIME PickerTime(HWND picker)
{
    SYSTEMTIME time{};
    CDateTimePickerCtrl(picker).GetSystemTime(time);
    return time;
}

class SearchOptionsPaneTest : public testing::Test {
protected:
    void SetUp() override
    {
        LoadTable("en");
        ASSERT_NE(parent_.Create(900, 600), nullptr);
        ASSERT_NE(pane_.Create(parent_), nullptr);
        pane_.MoveWindow(RECT{0, 0, 880, 560});
        pane_.ShowWindow(SW_SHOWNA);
        parent_.ShowWindow(SW_SHOWNA);
    }

    CWindow Item(int id) const { return CWindow(pane_.GetDlgItem(id)); }
    bool IsChecked(int id) const { return CButton(Item(id)).GetCheck() == BST_CHECKED; }
    // A click of the mouse on a check box or button.
    void Click(int id) const { CButton(Item(id)).Click(); }
    // The arrow keys on a control that has the focus, as the keyboard sends
    // them; the mode list's keys go to the list inside it.
    void PressKey(int id, UINT key) const
    {
        CWindow control = Item(id);
        if (id == IDC_OPTIONS_MODE) {
            control = CWindow(reinterpret_cast<HWND>(control.SendMessage(CBEM_GETCOMBOCONTROL)));
        }
        control.SetFocus();
        control.SendMessage(WM_KEYDOWN, key, 1);
        control.SendMessage(WM_KEYUP, key, 0xC0000001);
    }
    std::wstring ModeText(int item) const
    {
        wchar_t text[100] = {};
        COMBOBOXEXITEMW entry{};
        entry.mask = CBEIF_TEXT | CBEIF_IMAGE;
        entry.iItem = item;
        entry.pszText = text;
        entry.cchTextMax = 100;
        Item(IDC_OPTIONS_MODE).SendMessage(CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&entry));
        EXPECT_EQ(entry.iImage, item);
        return text;
    }
    size_t FormChanges() const
    {
        return static_cast<size_t>(
            std::count(parent_.notifications.begin(), parent_.notifications.end(), CSearchOptionsPane::kFormChanged));
    }

    uitest::CRecordingParent parent_;
    CSearchOptionsPane pane_;
};

TEST_F(SearchOptionsPaneTest, PresetFillsEveryControlAndGathersBackUnchanged)
{
    SearchParameters preset = UnusualPreset();
    pane_.ApplyPreset(&preset);

    EXPECT_EQ(CComboBox(Item(IDC_OPTIONS_MODE)).GetCurSel(), 1);
    EXPECT_TRUE(IsChecked(IDC_OPTIONS_SCAN_CHECK));
    EXPECT_FALSE(IsChecked(IDC_OPTIONS_IGNORE_CHECK));
    EXPECT_FALSE(IsChecked(IDC_OPTIONS_PROTECT_CHECK));
    EXPECT_EQ(ListItems(Item(IDC_OPTIONS_SCAN_LIST)), (std::vector<std::wstring>{L"*.jpg", L"*.png"}));
    EXPECT_EQ(ListItems(Item(IDC_OPTIONS_IGNORE_LIST)), std::vector<std::wstring>{L"*.tmp"});
    EXPECT_EQ(ListItems(Item(IDC_OPTIONS_PROTECT_LIST)), (std::vector<std::wstring>{L"C:\\Keep", L"D:\\Archive"}));
    EXPECT_EQ(Item(IDC_OPTIONS_LESS_VALUE).GetText(), L"300");
    EXPECT_EQ(Item(IDC_OPTIONS_GREATER_VALUE).GetText(), L"12");
    EXPECT_EQ(
        CComboBox(Item(IDC_OPTIONS_LESS_UNIT)).GetLBText(CComboBox(Item(IDC_OPTIONS_LESS_UNIT)).GetCurSel()), L"MB");
    EXPECT_EQ(CComboBox(Item(IDC_OPTIONS_GREATER_UNIT)).GetCurSel(), 1);
    EXPECT_EQ(CComboBox(Item(IDC_OPTIONS_GREATER_UNIT)).GetCount(), 4);
    // Modified before: the first date row; the date and the time each in their picker.
    EXPECT_TRUE(IsChecked(IDC_OPTIONS_DATE_FIRST_CHECK));
    EXPECT_FALSE(IsChecked(IDC_OPTIONS_DATE_FIRST_CHECK + 3));
    EXPECT_TRUE(IsChecked(IDC_OPTIONS_DATE_FIRST_CHECK + 15));
    const SYSTEMTIME date = PickerTime(Item(IDC_OPTIONS_DATE_FIRST_CHECK + 1));
    const SYSTEMTIME time = PickerTime(Item(IDC_OPTIONS_DATE_FIRST_CHECK + 2));
    EXPECT_EQ(date.wYear * 10000 + date.wMonth * 100 + date.wDay, 20240309);
    EXPECT_EQ(time.wHour * 10000 + time.wMinute * 100 + time.wSecond, 174530);
    const bool attributes[] = {true, true, false, false, false, true};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(IsChecked(IDC_OPTIONS_ATTRIBUTE_FIRST + i), attributes[i]) << "attribute " << i;
    }
    EXPECT_EQ(CTrackBarCtrl(Item(IDC_OPTIONS_SIMILARITY)).GetPos(), 70);
    EXPECT_EQ(Item(IDC_OPTIONS_SIMILARITY_VALUE).GetText(), L"70%");
    EXPECT_FALSE(IsChecked(IDC_OPTIONS_ROTATIONS));
    EXPECT_FALSE(IsChecked(IDC_OPTIONS_MIRRORS));
    EXPECT_TRUE(Item(IDC_OPTIONS_SIMILARITY).IsVisible());

    // The enabling rules: lists, size fields and pickers follow their boxes;
    // with the protect box off no selection enables "-".
    EXPECT_TRUE(Item(IDC_OPTIONS_SCAN_ADD).IsEnabled());
    EXPECT_FALSE(Item(IDC_OPTIONS_SCAN_REMOVE).IsEnabled());
    EXPECT_FALSE(Item(IDC_OPTIONS_PROTECT_LIST).IsEnabled());
    EXPECT_FALSE(Item(IDC_OPTIONS_PROTECT_ADD).IsEnabled());
    Item(IDC_OPTIONS_PROTECT_LIST).SendMessage(LB_SETCURSEL, 0);
    pane_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_PROTECT_LIST, LBN_SELCHANGE),
        reinterpret_cast<LPARAM>(Item(IDC_OPTIONS_PROTECT_LIST).Hwnd()));
    EXPECT_FALSE(Item(IDC_OPTIONS_PROTECT_REMOVE).IsEnabled());
    EXPECT_TRUE(Item(IDC_OPTIONS_LESS_VALUE).IsEnabled());
    EXPECT_TRUE(Item(IDC_OPTIONS_DATE_FIRST_CHECK + 2).IsEnabled());
    EXPECT_FALSE(Item(IDC_OPTIONS_DATE_FIRST_CHECK + 4).IsEnabled());

    EXPECT_FALSE(pane_.IsChanged());
    SearchParameters gathered;
    ASSERT_TRUE(pane_.GatherParameters(gathered));
    EXPECT_TRUE(gathered == preset);
    EXPECT_EQ(gathered.Similarity, 70);
    EXPECT_FALSE(gathered.DoRotations);
    EXPECT_FALSE(gathered.DoMirrors);
    EXPECT_EQ(FileTimeToUInt64(gathered.ModifiedBefore), FileTimeToUInt64(preset.ModifiedBefore));
    EXPECT_EQ(FileTimeToUInt64(gathered.CreatedAfter), FileTimeToUInt64(preset.CreatedAfter));

    // A preset made now carries its dates to the millisecond; they survive too.
    SearchParameters fresh;
    pane_.ApplyPreset(&fresh);
    EXPECT_FALSE(pane_.IsChanged());
    pane_.ApplyPreset(&preset);

    // The images group goes with the exact mode, chosen by the keyboard.
    PressKey(IDC_OPTIONS_MODE, VK_UP);
    EXPECT_EQ(CComboBox(Item(IDC_OPTIONS_MODE)).GetCurSel(), 0);
    EXPECT_FALSE(Item(IDC_OPTIONS_SIMILARITY).IsVisible());
    EXPECT_FALSE(Item(IDC_OPTIONS_ROTATIONS).IsVisible());
    EXPECT_FALSE(Item(IDC_OPTIONS_MIRRORS).IsVisible());
    EXPECT_TRUE(pane_.IsChanged());
}

// The text of the pane's tooltip for the control `id`: asked of every
// tooltip window of the thread (a pop-up made for a child window is owned by
// the top-level one), empty when none knows the control.
std::wstring TipOf(HWND pane, int id)
{
    struct Search {
        HWND pane;
        int id;
        std::wstring text;
    } search{pane, id, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM found) {
            auto* search = reinterpret_cast<Search*>(found);
            wchar_t name[64] = {};
            ::GetClassNameW(window, name, 64);
            if (std::wstring(name) != TOOLTIPS_CLASSW) {
                return TRUE;
            }
            wchar_t text[512] = {};
            TOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.uFlags = TTF_IDISHWND;
            tool.hwnd = search->pane;
            tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(search->pane, search->id));
            tool.lpszText = text;
            ::SendMessageW(window, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
            search->text = text;
            return search->text.empty() ? TRUE : FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.text;
}

// The mirror images box: beside the rotations box in every language, each
// with a tooltip that says what it compares, ticked by the mouse or the space
// bar, gathered into the record, and a change of the preset in the
// similar-images mode only.
TEST_F(SearchOptionsPaneTest, MirrorsBoxSitsBesideRotationsAndCountsInImageModeOnly)
{
    SearchParameters preset = UnusualPreset();
    pane_.ApplyPreset(&preset);
    for (const char* language : {"en", "de", "fr", "pl", "ru", "ua"}) {
        LoadTable(language);
        pane_.Relocalize();
        EXPECT_EQ(Item(IDC_OPTIONS_MIRRORS).GetText(), Localize("search-options.chk-mirrors")) << language;
        EXPECT_EQ(TipOf(pane_.Hwnd(), IDC_OPTIONS_MIRRORS), Localize("search-options.tooltips.mirrors")) << language;
        EXPECT_EQ(TipOf(pane_.Hwnd(), IDC_OPTIONS_ROTATIONS), Localize("search-options.tooltips.rotations"))
            << language;
        EXPECT_GT(TipOf(pane_.Hwnd(), IDC_OPTIONS_MIRRORS).size(), 40u) << language;
        const RECT rotations = Item(IDC_OPTIONS_ROTATIONS).GetRectInParent();
        const RECT mirrors = Item(IDC_OPTIONS_MIRRORS).GetRectInParent();
        const RECT group = Item(IDC_OPTIONS_IMAGES_GROUP).GetRectInParent();
        EXPECT_EQ(mirrors.top, rotations.top) << language;
        EXPECT_LE(rotations.right, mirrors.left) << language;
        EXPECT_LE(mirrors.right, group.right) << language;
        EXPECT_LE(mirrors.bottom, group.bottom) << language;
    }
    LoadTable("en");
    pane_.Relocalize();

    Click(IDC_OPTIONS_MIRRORS);
    EXPECT_TRUE(IsChecked(IDC_OPTIONS_MIRRORS));
    EXPECT_TRUE(pane_.IsChanged());
    SearchParameters gathered;
    ASSERT_TRUE(pane_.GatherParameters(gathered));
    EXPECT_TRUE(gathered.DoMirrors);
    Item(IDC_OPTIONS_MIRRORS).SetFocus();
    Item(IDC_OPTIONS_MIRRORS).SendMessage(WM_KEYDOWN, VK_SPACE, 1);
    Item(IDC_OPTIONS_MIRRORS).SendMessage(WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_FALSE(IsChecked(IDC_OPTIONS_MIRRORS));
    EXPECT_FALSE(pane_.IsChanged());

    // In the exact mode the box is hidden and a change of it is none.
    preset.SearchMode = ExactDuplicates;
    pane_.ApplyPreset(&preset);
    EXPECT_FALSE(Item(IDC_OPTIONS_MIRRORS).IsVisible());
    Click(IDC_OPTIONS_MIRRORS);
    EXPECT_TRUE(IsChecked(IDC_OPTIONS_MIRRORS));
    EXPECT_FALSE(pane_.IsChanged());
}

TEST_F(SearchOptionsPaneTest, ChangingValuesAndBackLeavesTheFormUnchanged)
{
    SearchParameters preset = UnusualPreset();
    pane_.ApplyPreset(&preset);
    const size_t before = FormChanges();

    Click(IDC_OPTIONS_ATTRIBUTE_FIRST + 2);
    EXPECT_TRUE(pane_.IsChanged());
    EXPECT_GT(FormChanges(), before);
    Click(IDC_OPTIONS_ATTRIBUTE_FIRST + 2);
    EXPECT_FALSE(pane_.IsChanged());

    Item(IDC_OPTIONS_LESS_VALUE).SetText(L"301");
    EXPECT_TRUE(pane_.IsChanged());
    Item(IDC_OPTIONS_LESS_VALUE).SetText(L"300");
    EXPECT_FALSE(pane_.IsChanged());

    // A box turned off disables its fields; on again, nothing has changed.
    Click(IDC_OPTIONS_DATE_FIRST_CHECK);
    EXPECT_FALSE(Item(IDC_OPTIONS_DATE_FIRST_CHECK + 1).IsEnabled());
    EXPECT_TRUE(pane_.IsChanged());
    Click(IDC_OPTIONS_DATE_FIRST_CHECK);
    EXPECT_FALSE(pane_.IsChanged());

    PressKey(IDC_OPTIONS_GREATER_UNIT, VK_DOWN);
    EXPECT_EQ(CComboBox(Item(IDC_OPTIONS_GREATER_UNIT)).GetCurSel(), 2);
    EXPECT_TRUE(pane_.IsChanged());
    PressKey(IDC_OPTIONS_GREATER_UNIT, VK_UP);
    EXPECT_FALSE(pane_.IsChanged());

    // A mask typed in place with "+" and Enter, then taken away with "-".
    Click(IDC_OPTIONS_SCAN_ADD);
    const HWND editor = ::GetFocus();
    ASSERT_NE(editor, nullptr);
    ::SetWindowTextW(editor, L"*.gif");
    ::SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(ListItems(Item(IDC_OPTIONS_SCAN_LIST)), (std::vector<std::wstring>{L"*.jpg", L"*.png", L"*.gif"}));
    EXPECT_TRUE(pane_.IsChanged());
    EXPECT_TRUE(Item(IDC_OPTIONS_SCAN_REMOVE).IsEnabled());
    Click(IDC_OPTIONS_SCAN_REMOVE);
    EXPECT_EQ(ListItems(Item(IDC_OPTIONS_SCAN_LIST)), (std::vector<std::wstring>{L"*.jpg", L"*.png"}));
    EXPECT_FALSE(pane_.IsChanged());

    // Similarity counts in the similar-images mode only.
    PressKey(IDC_OPTIONS_SIMILARITY, VK_RIGHT);
    EXPECT_EQ(Item(IDC_OPTIONS_SIMILARITY_VALUE).GetText(), L"71%");
    EXPECT_TRUE(pane_.IsChanged());
    PressKey(IDC_OPTIONS_SIMILARITY, VK_LEFT);
    EXPECT_FALSE(pane_.IsChanged());

    // In the exact mode it does not: similar, a new similarity, and back.
    preset.SearchMode = ExactDuplicates;
    pane_.ApplyPreset(&preset);
    PressKey(IDC_OPTIONS_MODE, VK_DOWN);
    EXPECT_TRUE(pane_.IsChanged());
    PressKey(IDC_OPTIONS_SIMILARITY, VK_RIGHT);
    EXPECT_EQ(Item(IDC_OPTIONS_SIMILARITY_VALUE).GetText(), L"71%");
    PressKey(IDC_OPTIONS_MODE, VK_UP);
    EXPECT_FALSE(pane_.IsChanged());
}

TEST_F(SearchOptionsPaneTest, SizeFieldThatIsNoNumberTakesTheFocusAndKeepsTheRecord)
{
    SearchParameters preset = UnusualPreset();
    pane_.ApplyPreset(&preset);
    for (const wchar_t* bad : {L"12x", L"", L"-1", L" 5", L"4294967296"}) {
        Item(IDC_OPTIONS_GREATER_VALUE).SetText(bad);
        Item(IDC_OPTIONS_MODE).SetFocus();
        SearchParameters record;
        record.LessBound = 7;
        {
            QuestionAnswerer message(IDOK, L"File size", L"Please enter a whole number after \"Greater than:\"");
            EXPECT_FALSE(pane_.GatherParameters(record)) << testing::PrintToString(std::wstring(bad));
            EXPECT_TRUE(message.answered) << "the message names the field";
        }
        EXPECT_EQ(::GetFocus(), Item(IDC_OPTIONS_GREATER_VALUE).Hwnd());
        EXPECT_EQ(record.LessBound, 7u);
        EXPECT_TRUE(pane_.IsChanged());
    }
    // Its box off, the field is not read: the record keeps its bound.
    Click(IDC_OPTIONS_GREATER_CHECK);
    SearchParameters unread;
    unread.GreaterBound = 9;
    EXPECT_TRUE(pane_.GatherParameters(unread));
    EXPECT_FALSE(unread.UseGreater);
    EXPECT_EQ(unread.GreaterBound, 9u);
    Click(IDC_OPTIONS_GREATER_CHECK);
    Item(IDC_OPTIONS_GREATER_VALUE).SetText(L"4294967295");
    SearchParameters record;
    ASSERT_TRUE(pane_.GatherParameters(record));
    EXPECT_EQ(record.GreaterBound, 4294967295u);
    EXPECT_EQ(record.GreaterMultiplier, Kilobytes);
    Item(IDC_OPTIONS_GREATER_VALUE).SetText(L"12");
    EXPECT_FALSE(pane_.IsChanged());
}

TEST_F(SearchOptionsPaneTest, ConfirmSaveAsksOnlyAboutChangesAndSavesOnYes)
{
    TempTree tree;
    SearchParameters preset = UnusualPreset();
    ASSERT_TRUE(SavePreset(preset, tree.Path(L"pictures.prs")));
    pane_.ApplyPreset(&preset);
    EXPECT_EQ(pane_.ConfirmSave(), CSearchOptionsPane::SaveAnswer::No);

    Click(IDC_OPTIONS_IGNORE_CHECK);
    {
        QuestionAnswerer answerer(IDCANCEL);
        EXPECT_EQ(pane_.ConfirmSave(), CSearchOptionsPane::SaveAnswer::Cancel);
        EXPECT_TRUE(answerer.answered);
    }
    {
        QuestionAnswerer answerer(IDNO);
        EXPECT_EQ(pane_.ConfirmSave(), CSearchOptionsPane::SaveAnswer::No);
    }
    EXPECT_FALSE(preset.UseIgnoreMasks);
    EXPECT_TRUE(pane_.IsChanged());
    {
        QuestionAnswerer answerer(IDYES);
        EXPECT_EQ(pane_.ConfirmSave(), CSearchOptionsPane::SaveAnswer::Yes);
    }
    EXPECT_TRUE(preset.UseIgnoreMasks);
    EXPECT_FALSE(pane_.IsChanged());
    SearchParameters stored;
    ASSERT_TRUE(ReadPresetFile(stored, tree.Path(L"pictures.prs")));
    EXPECT_TRUE(stored == preset);
    EXPECT_EQ(stored.PresetName, L"Pictures");

    // The save button's own path: the file follows the form, even a mask
    // still being typed in place.
    Item(IDC_OPTIONS_LESS_VALUE).SetText(L"5");
    Click(IDC_OPTIONS_SCAN_ADD);
    ::SetWindowTextW(::GetFocus(), L"*.bmp");
    EXPECT_TRUE(pane_.SaveCurrentPreset());
    ASSERT_TRUE(ReadPresetFile(stored, tree.Path(L"pictures.prs")));
    EXPECT_EQ(stored.LessBound, 5u);
    EXPECT_EQ(stored.ScanMasks, (StringSet{L"*.bmp", L"*.jpg", L"*.png"}));
    EXPECT_FALSE(pane_.IsChanged());
}

TEST_F(SearchOptionsPaneTest, LanguageChangeRetextsThePaneAndKeepsTheForm)
{
    SearchParameters preset = UnusualPreset();
    pane_.ApplyPreset(&preset);
    const std::wstring englishCheck = Item(IDC_OPTIONS_PROTECT_CHECK).GetText();
    EXPECT_EQ(englishCheck, L"Protect folders");

    LoadTable("ru");
    pane_.Relocalize();
    const std::pair<int, const char*> texts[] = {
        {IDC_OPTIONS_MODE_LABEL, "search-options.lbl-search-mode"},
        {IDC_OPTIONS_PROTECT_CHECK, "search-options.chk-protect-folders"},
        {IDC_OPTIONS_DATES_GROUP, "search-options.group-file-modified-date"},
        {IDC_OPTIONS_DATE_FIRST_CHECK + 15, "search-options.chk-accessed-after"},
        {IDC_OPTIONS_ATTRIBUTE_FIRST + 5, "search-options.chk-attr-encrypted"},
        {IDC_OPTIONS_ROTATIONS, "search-options.chk-rotations"},
    };
    for (const auto& [id, key] : texts) {
        EXPECT_EQ(Item(id).GetText(), Localize(key)) << key;
    }
    EXPECT_NE(Item(IDC_OPTIONS_PROTECT_CHECK).GetText(), englishCheck);
    const CComboBox mode(Item(IDC_OPTIONS_MODE));
    EXPECT_EQ(mode.GetCurSel(), 1);
    EXPECT_EQ(ModeText(1), Localize("search-options.cbi-similar-images"));
    EXPECT_EQ(ModeText(0), Localize("search-options.cbi-exact-duplicates"));
    // The longest Russian date label still fits beside its pickers.
    const RECT check = Item(IDC_OPTIONS_DATE_FIRST_CHECK + 15).GetRectInParent();
    const RECT date = Item(IDC_OPTIONS_DATE_FIRST_CHECK + 16).GetRectInParent();
    EXPECT_LE(check.right, date.left);
    EXPECT_FALSE(pane_.IsChanged());
    LoadTable("en");
}

// The helper button of a protected folder being edited opens the folder
// browser; cancelled, it leaves the folder typed in as the item. (Wine 8's
// browser does not go to the folder it is asked to open at, so what it
// answers cannot be checked here.)
TEST_F(SearchOptionsPaneTest, HelperButtonOfAnEditedFolderOpensTheFolderBrowser)
{
    SearchParameters preset = UnusualPreset();
    preset.ProtectFolders = true;
    pane_.ApplyPreset(&preset);
    const HWND folders = Item(IDC_OPTIONS_PROTECT_LIST);
    ::SendMessageW(folders, LB_SETCURSEL, 1, 0);
    ::SendMessageW(folders, WM_KEYDOWN, VK_F2, 1);
    const HWND editor = ::GetFocus();
    ASSERT_EQ(::GetParent(editor), folders);
    ::SetWindowTextW(editor, L"C:\\windows");

    std::atomic<bool> answered = false;
    std::thread user([&answered] {
        for (int waited = 0; waited < 10000 && !answered; waited += 20) {
            const HWND browser = ::FindWindowW(L"#32770", nullptr);
            DWORD process = 0;
            ::GetWindowThreadProcessId(browser, &process);
            if (browser != nullptr && process == ::GetCurrentProcessId()) {
                ::PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
                answered = true;
            }
            ::Sleep(20);
        }
    });
    ::SendMessageW(::GetDlgItem(folders, vandrelcommon::ui::CEditListBox::kHelperId), BM_CLICK, 0, 0);
    user.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(ListItems(folders), (std::vector<std::wstring>{L"C:\\Keep", L"C:\\windows"}));
    EXPECT_TRUE(pane_.IsChanged());
}

} // namespace
