// What a user sits down to do, from the main window to the files on disk:
// searches over trees of real files, marking, the three ways of deleting,
// reports, rules and presets kept over a restart. Every step goes through
// the windows (commands, keys, clicks, dialog buttons); every scenario then
// checks the disk and what the window shows.
#include "tests/scenarios/ReportParsing.h"
#include "tests/scenarios/Scenario.h"

#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "results/DuplicateResult.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestPictures.h"
#include "ui/common/InputBox.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

using namespace clonarium;

namespace {

constexpr uint64_t kDay = 864000000000ull; // in FILETIME units
constexpr uint64_t kSomeTime = 133000000000000000ull;

struct TreeFile {
    const wchar_t* path; // under data\ .
    char fill;
    size_t size;
    int daysOld;
};

// Three groups (3, 2 and 2 files) beside files of no group; a name with a
// comma, an apostrophe, an ampersand and a letter beyond ASCII.
constexpr TreeFile kExactTree[] = {
    {L"2019\\report.doc", 'A', 30000, 30},
    {L"backup\\report.doc", 'A', 30000, 10},
    {L"old\\report (copy).doc", 'A', 30000, 20},
    {L"music\\Song, M\u00e4rz & 'Live'.txt", 'B', 20000, 5},
    {L"backup\\Song, M\u00e4rz & 'Live'.txt", 'B', 20000, 8},
    {L"a\\notes.txt", 'C', 5000, 1},
    {L"b\\notes.txt", 'C', 5000, 2},
    {L"a\\unique.txt", 'D', 5000, 3},
    {L"b\\lonely.bin", 'E', 777, 4},
};
// Keep-oldest-modified marks these.
const std::set<std::wstring> kNotOldest = {
    L"backup\\report.doc", L"old\\report (copy).doc", L"music\\Song, M\u00e4rz & 'Live'.txt", L"a\\notes.txt"};

std::set<std::wstring> Sorted(const std::vector<std::wstring>& paths)
{
    return {paths.begin(), paths.end()};
}

std::wstring NameOf(const std::wstring& path)
{
    return path.substr(path.find_last_of(L'\\') + 1);
}

std::wstring Text(HWND window)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

// Short stand-ins for file contents, so that a failure prints readably.
std::map<std::wstring, std::string> Fingerprints(const DiskState& state)
{
    std::map<std::wstring, std::string> prints;
    for (const auto& [path, bytes] : state) {
        prints[path] = std::to_string(bytes.size()) + " bytes of " + bytes.substr(0, 8);
    }
    return prints;
}

class ExactScenario : public Scenario {
protected:
    void SetUp() override
    {
        for (const TreeFile& file : kExactTree) {
            const std::wstring path =
                folder.MakeFile(std::wstring(L"data\\") + file.path, std::string(file.size, file.fill));
            const FILETIME written = MakeFileTime(kSomeTime - file.daysOld * kDay);
            ASSERT_TRUE(SetFileTimes(path, nullptr, nullptr, &written));
        }
        before = ReadDisk(folder.Path(L"data"));
        ASSERT_NO_FATAL_FAILURE(Start());
        SearchIn(folder.Path(L"data"));
        ASSERT_EQ(Frame().GetMode(), IModeContainer::kResultsMode);
        ASSERT_EQ(Groups(), 3);
    }

    std::set<std::wstring> DataPaths(const std::set<std::wstring>& relative) const
    {
        std::set<std::wstring> paths;
        for (const std::wstring& path : relative) {
            paths.insert(Data(path));
        }
        return paths;
    }
    // The tree as it was, less `gone`.
    DiskState BeforeWithout(const std::set<std::wstring>& gone) const
    {
        DiskState expected = before;
        for (const std::wstring& path : gone) {
            expected.erase(path);
        }
        return expected;
    }

    DiskState before;
};

// What the status line says of `files` in `groups`.
std::wstring Statistics(int files, int groups, int64_t total, int64_t wasted)
{
    return L"Remaining " + std::to_wstring(files) + L" duplicates in " + std::to_wstring(groups) +
           L" groups (total size: " + FormatByteSize(total) + L"; wasted size: " + FormatByteSize(wasted) + L")";
}

TEST_F(ExactScenario, KeepOldestOverAllGroupsThenTheRecycleBin)
{
    EXPECT_EQ(Frame().GetStatusText(), Statistics(7, 3, 140000, 85000));
    ResultCommand(ID_SELECT_KEEP_OLDEST_MODIFIED);
    const std::set<std::wstring> marked = DataPaths(kNotOldest);
    EXPECT_EQ(Sorted(FilesMarked(true)), marked);

    const DiskState binBefore = RecycledFiles();
    Delete(ID_DELETE_TO_RECYCLE_BIN);
    EXPECT_EQ(Fingerprints(ReadDisk(folder.Path(L"data"))), Fingerprints(BeforeWithout(marked)))
        << "the marked files gone, nothing else touched";
    ASSERT_TRUE(RecycleBinVisible()) << "run under tests/scenarios/run-under-x.sh, which gives the bin a folder";
    DiskState binned;
    for (const auto& [name, bytes] : RecycledFiles()) {
        if (binBefore.count(name) == 0) {
            binned[name] = bytes;
        }
    }
    DiskState expectedBin;
    for (const std::wstring& path : marked) {
        expectedBin[NameOf(path)] = before.at(path);
    }
    EXPECT_EQ(Fingerprints(binned), Fingerprints(expectedBin)) << "every marked file is in the bin";
    EXPECT_EQ(Groups(), 0) << "groups of one file are no groups";
    EXPECT_EQ(Frame().GetStatusText(), Statistics(0, 0, 0, 0));
}

// The conflict dialog answered as a user would: the action list by keys to
// "rename", a generated name, for every later conflict too.
void AnswerGenerateForAll(HWND dialog)
{
    const HWND actions = ::GetDlgItem(dialog, IDC_FILE_EXISTS_ACTION);
    ::SendMessageW(actions, CB_SETCURSEL, 0, 0);
    for (int step = 0; step < 2; ++step) {
        ::SendMessageW(actions, WM_KEYDOWN, VK_DOWN, 1);
        ::SendMessageW(actions, WM_KEYUP, VK_DOWN, 0xC0000001);
    }
    if (::IsDlgButtonChecked(dialog, IDC_FILE_EXISTS_AUTO) != BST_CHECKED) {
        ::SendMessageW(::GetDlgItem(dialog, IDC_FILE_EXISTS_AUTO), BM_CLICK, 0, 0);
    }
    ::SendMessageW(::GetDlgItem(dialog, IDC_FILE_EXISTS_FOR_ALL), BM_CLICK, 0, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// The tree view somewhere inside `window`, or null.
HWND FindTreeView(HWND window)
{
    HWND found = nullptr;
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t name[32] = {};
            ::GetClassNameW(child, name, 32);
            if (std::wstring(name) == WC_TREEVIEWW) {
                *reinterpret_cast<HWND*>(data) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring ItemText(HWND tree, HTREEITEM item)
{
    wchar_t text[MAX_PATH] = {};
    TVITEMW info{};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = MAX_PATH;
    return item != nullptr && TreeView_GetItem(tree, &info) ? std::wstring(text) : std::wstring();
}

// In the folder browser, the Desktop's subfolder `name` clicked open, then
// OK; Cancel when it is not there.
void PickDesktopFolder(HWND dialog, const std::wstring& name)
{
    HWND tree = nullptr;
    WaitFor([&] { return (tree = FindTreeView(dialog)) != nullptr && TreeView_GetRoot(tree) != nullptr; });
    HTREEITEM wanted = nullptr;
    if (tree != nullptr) {
        const HTREEITEM desktop = TreeView_GetRoot(tree);
        TreeView_Expand(tree, desktop, TVE_EXPAND);
        for (HTREEITEM item = TreeView_GetChild(tree, desktop); item != nullptr && wanted == nullptr;
             item = TreeView_GetNextSibling(tree, item)) {
            wanted = ItemText(tree, item) == name ? item : nullptr;
        }
    }
    if (wanted == nullptr) {
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    TreeView_SelectItem(tree, wanted);
    WaitFor([&] { return TreeView_GetSelection(tree) == wanted; });
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// The backup folder is picked in the browser as a folder on the Desktop
// (where Wine's browser reaches by a click; it takes no typed path), and
// removed with everything in it at the end.
TEST_F(ExactScenario, BackupIntoAFolderGeneratesNamesForEveryConflict)
{
    ResultCommand(ID_SELECT_KEEP_OLDEST_MODIFIED);
    wchar_t desktop[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop), S_OK);
    const std::wstring backupName = L"Backups of " + NameOf(folder.Root());
    const RemovedAtEnd backupFolder(std::wstring(desktop) + L"\\" + backupName, desktop);
    const std::wstring& backup = backupFolder.Path();
    ASSERT_TRUE(::CreateDirectoryW(backup.c_str(), nullptr));
    // The drive letter is the first level of the mirror tree.
    const auto mirror = [&](const std::wstring& path) { return backup + L"\\" + path.substr(0, 1) + path.substr(2); };
    // Two earlier backups with the names of two marked files.
    const std::wstring earlierReport = mirror(Data(L"backup\\report.doc"));
    const std::wstring earlierNotes = mirror(Data(L"a\\notes.txt"));
    for (const std::wstring& earlier : {earlierReport, earlierNotes}) {
        ASSERT_EQ(::SHCreateDirectoryExW(nullptr, earlier.substr(0, earlier.find_last_of(L'\\')).c_str(), nullptr),
            ERROR_SUCCESS);
        ASSERT_TRUE(WriteFileBytes(earlier, "earlier"));
    }
    {
        WindowAnswerer browser(
            L"#32770", L"Browse for Folder", [&](HWND dialog) { PickDesktopFolder(dialog, backupName); });
        EveryDialogAnswerer conflicts(IDC_FILE_EXISTS_ACTION, AnswerGenerateForAll);
        Delete(ID_DELETE_BACKUP_IN_FOLDER);
        EXPECT_TRUE(browser.answered);
        EXPECT_EQ(conflicts.answers, 1) << "asked once, for all";
    }
    EXPECT_EQ(Frame().Settings().backupFolder, backup);
    const std::set<std::wstring> marked = DataPaths(kNotOldest);
    EXPECT_EQ(Fingerprints(ReadDisk(folder.Path(L"data"))), Fingerprints(BeforeWithout(marked)));
    // A generated name begins with today's date.
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    wchar_t stamp[20] = {};
    swprintf(stamp, 20, L"[%04u-%02u-%02u] ", now.wYear, now.wMonth, now.wDay);
    const std::wstring today = stamp;
    const DiskState expected = {
        {earlierReport, "earlier"},
        {earlierNotes, "earlier"},
        {mirror(Data(L"backup\\" + today + L"report.doc")), before.at(Data(L"backup\\report.doc"))},
        {mirror(Data(L"a\\" + today + L"notes.txt")), before.at(Data(L"a\\notes.txt"))},
        {mirror(Data(L"old\\report (copy).doc")), before.at(Data(L"old\\report (copy).doc"))},
        {mirror(Data(L"music\\Song, M\u00e4rz & 'Live'.txt")), before.at(Data(L"music\\Song, M\u00e4rz & 'Live'.txt"))},
    };
    EXPECT_EQ(Fingerprints(ReadDisk(backup)), Fingerprints(expected));
    EXPECT_EQ(Groups(), 0);
}

TEST_F(ExactScenario, ReportsInTheThreeFormatsListEveryFileOfTheTree)
{
    std::set<std::pair<std::wstring, uint64_t>> inTree;
    for (const TreeFile& file : kExactTree) {
        if (file.fill <= 'C') {
            inTree.emplace(Data(file.path), file.size);
        }
    }
    ASSERT_EQ(inTree.size(), AllFiles().size());
    const std::set<uint64_t> totals = {90000, 40000, 10000};

    // CSV: a group line of three fields (its caption holds a comma), its
    // files of six, an empty line.
    Export(ID_EXPORT_CSV, folder.Path(L"report.csv"));
    std::vector<std::vector<std::wstring>> records;
    std::string error;
    ASSERT_TRUE(ParseCsv(ReadFileBytes(folder.Path(L"report.csv")), records, error)) << error;
    std::set<std::pair<std::wstring, uint64_t>> listed;
    std::set<uint64_t> listedTotals;
    for (size_t at = 0; at < records.size();) {
        ASSERT_EQ(records[at].size(), 3u) << "a group line";
        EXPECT_NE(records[at][0].find(L','), std::wstring::npos) << records[at][0];
        listedTotals.insert(std::stoull(records[at][2]));
        for (++at; at < records.size() && !records[at].empty(); ++at) {
            ASSERT_EQ(records[at].size(), 6u);
            listed.emplace(records[at][1] + L"\\" + records[at][0], std::stoull(records[at][2]));
        }
        ++at; // the empty line
    }
    EXPECT_EQ(listed, inTree);
    EXPECT_EQ(listedTotals, totals);

    // XML: well formed; the totals, and every file with its size.
    Export(ID_EXPORT_XML, folder.Path(L"report.xml"));
    XmlElement root;
    ASSERT_TRUE(ParseXml(ReadFileBytes(folder.Path(L"report.xml")), root, error)) << error;
    EXPECT_EQ(root.name, "clonarium-report");
    EXPECT_EQ(root.Child("general").Child("duplicates-count").text, "7");
    EXPECT_EQ(root.Child("general").Child("total-size").text, "140000");
    EXPECT_EQ(root.Child("general").Child("wasted-size").text, "85000");
    listed.clear();
    listedTotals.clear();
    for (const XmlElement* group : root.Child("report").All("duplicate-group")) {
        listedTotals.insert(std::stoull(group->attributes.at("total-size")));
        EXPECT_EQ(group->attributes.at("count"), std::to_string(group->All("duplicate-file").size()));
        for (const XmlElement* file : group->All("duplicate-file")) {
            listed.emplace(Wide(file->Child("path").text), std::stoull(file->Child("size").text));
        }
    }
    EXPECT_EQ(listed, inTree);
    EXPECT_EQ(listedTotals, totals);

    // HTML: the column table, then a table a group: a heading row and a row
    // of six cells a file.
    Export(ID_EXPORT_HTML, folder.Path(L"report.html"));
    const std::string html = ReadFileBytes(folder.Path(L"report.html"));
    ASSERT_EQ(html.rfind("\xEF\xBB\xBF", 0), 0u);
    const auto rows = HtmlTableRows(html);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].size(), 6u) << "the column titles";
    std::set<std::wstring> htmlFiles;
    int groupRows = 0;
    for (size_t row = 1; row < rows.size(); ++row) {
        if (rows[row].size() == 6) {
            htmlFiles.insert(Wide(rows[row][1]) + L"\\" + Wide(rows[row][0]));
        } else {
            ++groupRows;
        }
    }
    std::set<std::wstring> inTreePaths;
    for (const auto& [path, size] : inTree) {
        inTreePaths.insert(path);
    }
    EXPECT_EQ(htmlFiles, inTreePaths);
    EXPECT_EQ(groupRows, 3);
}

// A rule made in the rules dialog marks the files in backup folders; after a
// restart it is still there and marks them again.
TEST_F(ExactScenario, ARegularExpressionRuleIsKeptOverARestart)
{
    const auto chooseRule = [&](const std::function<void(HWND)>& act) {
        DialogAnswerer rules(IDC_REGEXP_ADD_RULE, act);
        Command(ID_TB_SELECT_BY_REGEXP);
        EXPECT_TRUE(rules.answered);
    };
    chooseRule([](HWND dialog) { MakeRule(dialog, L"Backup folders", L".*\\\\backup\\\\.*"); });
    const std::set<std::wstring> inBackup = DataPaths({L"backup\\report.doc", L"backup\\Song, M\u00e4rz & 'Live'.txt"});
    EXPECT_EQ(Sorted(FilesMarked(true)), inBackup);

    ASSERT_NO_FATAL_FAILURE(Restart());
    SearchIn(folder.Path(L"data"));
    ASSERT_EQ(Groups(), 3);
    EXPECT_TRUE(FilesMarked(true).empty());
    std::wstring shownRule;
    int expressions = 0;
    chooseRule([&](HWND dialog) {
        shownRule = Text(::GetDlgItem(dialog, IDC_REGEXP_RULE));
        expressions = static_cast<int>(::SendDlgItemMessageW(dialog, IDC_REGEXP_LIST, LB_GETCOUNT, 0, 0));
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(shownRule, L"Backup folders");
    EXPECT_EQ(expressions, 1);
    EXPECT_EQ(Sorted(FilesMarked(true)), inBackup);
}

// A preset for files over 10 KB, saved, and the German interface: both
// there after a restart, and the preset's search finds the two larger groups.
TEST_F(ExactScenario, APresetAndTheLanguageAreKeptOverARestart)
{
    Command(ID_TB_NEW_SEARCH);
    {
        WindowAnswerer name(L"#32770", L"Adding a new search preset...", [](HWND box) {
            ::SetDlgItemTextW(box, vandrelcommon::ui::CInputBox::kEditId, L"Large files");
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        Command(ID_TB_ADD_PRESET);
        EXPECT_TRUE(name.answered);
    }
    const HWND presets = Frame().GetToolbar().PresetList();
    const auto chosenPreset = [presets] {
        wchar_t text[128] = {};
        ::SendMessageW(
            presets, CB_GETLBTEXT, ::SendMessageW(presets, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    };
    EXPECT_EQ(chosenPreset(), L"Large files");
    const auto saveEnabled = [&] {
        return ::SendMessageW(Frame().GetToolbar().Hwnd(), TB_ISBUTTONENABLED, ID_TB_SAVE_PRESET, 0) != 0;
    };
    const HWND pane = Frame().OptionsPane().Hwnd();
    EXPECT_TRUE(::IsWindowVisible(pane));
    ::SendMessageW(::GetDlgItem(pane, IDC_OPTIONS_GREATER_CHECK), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(pane, IDC_OPTIONS_GREATER_VALUE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"10"));
    const HWND unit = ::GetDlgItem(pane, IDC_OPTIONS_GREATER_UNIT);
    ::SendMessageW(unit, CB_SETCURSEL, Kilobytes, 0);
    ::SendMessageW(
        pane, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_GREATER_UNIT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(unit));
    EXPECT_TRUE(saveEnabled()) << "a change can be saved";
    Command(ID_TB_SAVE_PRESET);
    EXPECT_FALSE(saveEnabled());
    // Back to the first preset, then German from the language menu.
    ::SendMessageW(presets, CB_SETCURSEL, 0, 0);
    ::SendMessageW(
        Frame().Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TB_PRESET, CBN_SELCHANGE), reinterpret_cast<LPARAM>(presets));
    for (const auto& language : vandrelcommon::system::GetLanguages()) {
        if (language.code == "de") {
            Command(language.commandId);
        }
    }
    EXPECT_EQ(Text(Frame().GetToolbar().PresetLabel()), L"Suchvorlage:");

    ASSERT_NO_FATAL_FAILURE(Restart());
    EXPECT_EQ(Text(Frame().GetToolbar().PresetLabel()), L"Suchvorlage:") << "still German";
    const HWND restartedPresets = Frame().GetToolbar().PresetList();
    const LRESULT large = ::SendMessageW(
        restartedPresets, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Large files"));
    ASSERT_NE(large, CB_ERR);
    ::SendMessageW(restartedPresets, CB_SETCURSEL, static_cast<WPARAM>(large), 0);
    ::SendMessageW(Frame().Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TB_PRESET, CBN_SELCHANGE),
        reinterpret_cast<LPARAM>(restartedPresets));
    const HWND restartedPane = Frame().OptionsPane().Hwnd();
    EXPECT_EQ(::IsDlgButtonChecked(restartedPane, IDC_OPTIONS_GREATER_CHECK), UINT(BST_CHECKED));
    EXPECT_EQ(Text(::GetDlgItem(restartedPane, IDC_OPTIONS_GREATER_VALUE)), L"10");
    SearchIn(folder.Path(L"data"));
    ASSERT_EQ(Frame().GetMode(), IModeContainer::kResultsMode);
    EXPECT_EQ(Groups(), 2) << "only the groups of files over 10 KB";
    EXPECT_EQ(Fingerprints(ReadDisk(folder.Path(L"data"))), Fingerprints(before));
}

// A picture, a copy turned a quarter and one twice as large: the largest is
// kept, the other two are deleted for good.
TEST_F(Scenario, SimilarPicturesKeepTheHighestResolutionAndDeletePermanently)
{
    for (const wchar_t* where : {L"data\\camera", L"data\\phone", L"data\\web"}) {
        folder.MakeFolder(where);
    }
    const Canvas photo = DrawScene(31, 320, 240);
    ASSERT_TRUE(WritePicture(Data(L"camera\\holiday.jpg"), photo, Format::Jpeg));
    ASSERT_TRUE(WritePicture(Data(L"phone\\holiday turned.png"), Turned(photo, 1), Format::Png));
    ASSERT_TRUE(WritePicture(Data(L"web\\holiday large.png"), Resized(photo, 640, 480), Format::Png));
    ASSERT_TRUE(WritePicture(Data(L"camera\\other.jpg"), DrawScene(32, 320, 240), Format::Jpeg));
    const DiskState before = ReadDisk(folder.Path(L"data"));
    ASSERT_NO_FATAL_FAILURE(Start());
    ChooseMode(VK_DOWN); // similar images
    EXPECT_EQ(::IsDlgButtonChecked(Frame().OptionsPane().Hwnd(), IDC_OPTIONS_ROTATIONS), UINT(BST_CHECKED));
    SearchIn(folder.Path(L"data"));
    ASSERT_EQ(Frame().GetMode(), IModeContainer::kResultsMode);
    ASSERT_EQ(Groups(), 1);
    EXPECT_EQ(Tree().Root().firstChild->childCount, 3);
    EXPECT_EQ(Frame().GetStatusText().rfind(L"Remaining 3 duplicates in 1 group (", 0), 0u) << Frame().GetStatusText();

    // Each picture's similarity to the first of its group, in a column of
    // its own; a click on its header puts the most alike first.
    constexpr int kSimilarity = 8;
    const HWND header = Tree().ListView().GetHeader();
    wchar_t title[64] = {};
    HDITEMW column{};
    column.mask = HDI_TEXT;
    column.pszText = title;
    column.cchTextMax = 64;
    ::SendMessageW(header, HDM_GETITEMW, kSimilarity, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(title, L"Similarity");
    std::vector<int> percents;
    for (CVirtualNode* file = Tree().Root().firstChild->firstChild; file != nullptr; file = file->nextSibling) {
        const std::wstring text = ItemOf(file)->GetColumnText(kSimilarity, file);
        ASSERT_EQ(text.back(), L'%') << text;
        percents.push_back(std::stoi(text));
    }
    EXPECT_EQ(percents.front(), 100);
    EXPECT_GE(*std::min_element(percents.begin(), percents.end()), 85);
    RECT cell{};
    ::SendMessageW(header, HDM_GETITEMRECT, kSimilarity, reinterpret_cast<LPARAM>(&cell));
    const LPARAM point = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::SendMessageW(header, WM_LBUTTONUP, 0, point);
    std::vector<int> sorted;
    for (CVirtualNode* file = Tree().Root().firstChild->firstChild; file != nullptr; file = file->nextSibling) {
        sorted.push_back(SimilarityOf(*ItemOf(file)));
    }
    std::sort(percents.rbegin(), percents.rend());
    EXPECT_EQ(sorted, percents);

    ResultCommand(ID_SELECT_KEEP_HIGHEST_RES);
    EXPECT_EQ(FilesMarked(false), std::vector<std::wstring>{Data(L"web\\holiday large.png")});
    const DiskState binBefore = RecycledFiles();
    Delete(ID_DELETE_PERMANENTLY);
    DiskState expected = before;
    expected.erase(Data(L"camera\\holiday.jpg"));
    expected.erase(Data(L"phone\\holiday turned.png"));
    EXPECT_EQ(Fingerprints(ReadDisk(folder.Path(L"data"))), Fingerprints(expected));
    EXPECT_EQ(Fingerprints(RecycledFiles()), Fingerprints(binBefore)) << "nothing went to the bin";
    EXPECT_EQ(Groups(), 0);
}

// A search of many files stopped soon after it began shows less than all;
// the next search shows all. A deletion paused touches nothing until it is
// resumed, then ends.
TEST_F(Scenario, AStoppedSearchThenANewOneAndADeletionPausedAndResumed)
{
    constexpr int kPairs = 300;
    for (int pair = 0; pair < kPairs; ++pair) {
        const std::string content = std::to_string(pair) + std::string(3000, '.');
        folder.MakeFile(L"data\\a\\" + std::to_wstring(pair) + L".dat", content);
        folder.MakeFile(L"data\\b\\" + std::to_wstring(pair) + L".dat", content);
    }
    ASSERT_NO_FATAL_FAILURE(Start());
    {
        DialogAnswerer stopping(IDC_SEARCH_STOP, [](HWND dialog) {
            ::PostMessageW(dialog, WM_COMMAND, IDC_SEARCH_PAUSE, 0);
            {
                QuestionAnswerer yes(IDYES, L"Confirm", L"Are you sure you want to cancel search?");
                ::PostMessageW(dialog, WM_COMMAND, IDC_SEARCH_STOP, 0);
            }
            // Stopped before any group was found, the dialog stays to say so.
            if (::IsWindow(dialog)) {
                ::PostMessageW(dialog, WM_COMMAND, IDC_SEARCH_STOP, 0);
            }
        });
        SearchIn(folder.Path(L"data"));
        EXPECT_TRUE(stopping.answered);
    }
    if (Frame().GetMode() == IModeContainer::kResultsMode) {
        EXPECT_LT(Groups(), kPairs);
        Command(ID_TB_NEW_SEARCH);
    }
    SearchIn(folder.Path(L"data"));
    ASSERT_EQ(Frame().GetMode(), IModeContainer::kResultsMode);
    ASSERT_EQ(Groups(), kPairs);

    ResultCommand(ID_SELECT_KEEP_FIRST);
    const std::vector<std::wstring> marked = FilesMarked(true);
    const std::vector<std::wstring> kept = FilesMarked(false);
    ASSERT_EQ(marked.size(), static_cast<size_t>(kPairs));
    const auto remaining = [&] {
        return std::count_if(marked.begin(), marked.end(), [](const std::wstring& path) { return Exists(path); });
    };
    std::atomic<long> whilePaused[2] = {-1, -1};
    std::wstring pausedButton;
    {
        DialogAnswerer deleting(IDC_DELETE_START, [&](HWND dialog) {
            const HWND button = ::GetDlgItem(dialog, IDC_DELETE_START);
            ::PostMessageW(dialog, WM_COMMAND, IDC_DELETE_START, 0); // start
            ::PostMessageW(dialog, WM_COMMAND, IDC_DELETE_START, 0); // pause
            WaitFor([&] { return Text(button) == L"Resume"; });
            pausedButton = Text(button);
            ::Sleep(300); // the file in hand when Pause was pressed is finished
            whilePaused[0] = static_cast<long>(remaining());
            ::Sleep(500);
            whilePaused[1] = static_cast<long>(remaining());
            ::PostMessageW(dialog, WM_COMMAND, IDC_DELETE_START, 0); // resume
            WaitFor([button] { return !::IsWindowVisible(button); }, 60000);
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        QuestionAnswerer yes(IDYES, L"Confirm", L"Delete 300 files permanently?");
        ResultCommand(ID_DELETE_PERMANENTLY);
        EXPECT_TRUE(deleting.answered);
        EXPECT_TRUE(yes.answered);
    }
    EXPECT_EQ(pausedButton, L"Resume");
    EXPECT_GT(whilePaused[0], 0) << "paused before the end";
    EXPECT_EQ(whilePaused[1], whilePaused[0]) << "nothing deleted while paused";
    EXPECT_EQ(remaining(), 0);
    EXPECT_TRUE(std::all_of(kept.begin(), kept.end(), Exists));
    EXPECT_EQ(Groups(), 0);
}

} // namespace
