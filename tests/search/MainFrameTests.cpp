// The main window in process, with its settings in a folder of the test's own:
// this program carries all of the program's resources.
#include "resources/resource.h"
#include "i18n/Localizer.h"
#include "tests/support/DialogDriving.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"
#include "ui/common/InputBox.h"
#include "tests/support/TestPictures.h"
#include "ui/MainFrame.h"
#include "ui/StartPaths.h"
#include "ui/framework/ComPtr.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <set>

using namespace clonarium;
using vandrelcommon::ui::ComPtr;

namespace {

TEST(MainFrame, StartsInOptionsModeAndKeepsTheViewAndPresetChosenAfterClosing)
{
    TempTree folder;
    std::wstring settingsFile;
    {
        CMainFrame frame(FolderRoots{folder.Root(), L""});
        frame.SetEndsMessageLoop(false); // a quit message would end the next test's dialogs
        ASSERT_NE(frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, 900, 650}), nullptr);
        frame.ShowWindow(SW_SHOW);
        settingsFile = frame.Settings().settingsFile;
        EXPECT_EQ(frame.GetMode(), IModeContainer::kOptionsMode);
        EXPECT_TRUE(::IsWindowVisible(frame.FolderTree().Hwnd()));
        EXPECT_FALSE(::IsWindowVisible(frame.OptionsPane().Hwnd())) << "advanced view starts off";
        EXPECT_FALSE(::IsWindowVisible(frame.StatusBar()));

        // Advanced view, as a click on its check button does it.
        frame.GetToolbar().CheckButton(ID_TB_ADVANCED_VIEW, true);
        ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_ADVANCED_VIEW, 0);
        EXPECT_TRUE(::IsWindowVisible(frame.OptionsPane().Hwnd()));

        // Another preset chosen in the toolbar's list.
        const HWND presets = frame.GetToolbar().PresetList();
        ASSERT_GE(::SendMessageW(presets, CB_GETCOUNT, 0, 0), 2);
        ::SendMessageW(presets, CB_SETCURSEL, 1, 0);
        ::SendMessageW(
            frame.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TB_PRESET, CBN_SELCHANGE), reinterpret_cast<LPARAM>(presets));
        EXPECT_EQ(frame.OptionsPane().CurrentPreset(), frame.Settings().presets[1].get());

        frame.SetMode(IModeContainer::kResultsMode);
        EXPECT_FALSE(::IsWindowVisible(frame.FolderTree().Hwnd())) << "results mode hides the folder tree";
        EXPECT_TRUE(::IsWindowVisible(frame.Results().Hwnd()));
        EXPECT_TRUE(::IsWindowVisible(frame.StatusBar()));
        ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_NEW_SEARCH, 0);
        EXPECT_EQ(frame.GetMode(), IModeContainer::kOptionsMode);
        EXPECT_TRUE(::IsWindowVisible(frame.OptionsPane().Hwnd()));

        ::SendMessageW(frame.Hwnd(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(frame.IsWindow());
    }
    ApplicationSettings stored;
    stored.PrepareFolders(FolderRoots{folder.Root(), L""});
    ASSERT_EQ(stored.settingsFile, settingsFile);
    EXPECT_TRUE(stored.advancedView);
    ASSERT_GE(stored.presets.size(), 2u);
    const std::wstring& chosen = stored.presets[1]->StoragePath;
    EXPECT_EQ(stored.defaultPresetFile, chosen.substr(chosen.find_last_of(L'\\') + 1));
}

TEST(MainFrame, PresetsAreAddedAndRemovedAndCancelAtTheSaveQuestionKeepsEverything)
{
    TempTree folder;
    CMainFrame frame(FolderRoots{folder.Root(), L""});
    frame.SetEndsMessageLoop(false);
    ASSERT_NE(frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, 900, 650}), nullptr);
    frame.ShowWindow(SW_SHOW);
    const HWND presets = frame.GetToolbar().PresetList();
    const size_t before = frame.Settings().presets.size();

    {
        DialogAnswerer name(vandrelcommon::ui::CInputBox::kEditId, [](HWND box) {
            ::SetDlgItemTextW(box, vandrelcommon::ui::CInputBox::kEditId, L"Holiday photos");
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_ADD_PRESET, 0);
    }
    ASSERT_EQ(frame.Settings().presets.size(), before + 1);
    const SearchParameters* added = frame.Settings().presets.back().get();
    EXPECT_EQ(added->PresetName, L"Holiday photos");
    EXPECT_EQ(frame.OptionsPane().CurrentPreset(), added);
    EXPECT_EQ(::SendMessageW(presets, CB_GETCURSEL, 0, 0), static_cast<LRESULT>(before));
    const std::wstring addedFile = added->StoragePath;
    EXPECT_NE(::GetFileAttributesW(addedFile.c_str()), INVALID_FILE_ATTRIBUTES);

    // Removing the last entry chooses the one before it, and its file goes.
    ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_REMOVE_PRESET, 0);
    EXPECT_EQ(frame.Settings().presets.size(), before);
    EXPECT_EQ(::SendMessageW(presets, CB_GETCURSEL, 0, 0), static_cast<LRESULT>(before - 1));
    EXPECT_EQ(::GetFileAttributesW(addedFile.c_str()), INVALID_FILE_ATTRIBUTES);

    // The default preset is never removed.
    for (size_t i = 0; i < frame.Settings().presets.size(); ++i) {
        if (frame.Settings().presets[i]->IsDefault) {
            ::SendMessageW(presets, CB_SETCURSEL, i, 0);
            ::SendMessageW(
                frame.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TB_PRESET, CBN_SELCHANGE), reinterpret_cast<LPARAM>(presets));
        }
    }
    ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_REMOVE_PRESET, 0);
    EXPECT_EQ(frame.Settings().presets.size(), before);

    // A changed form, then the close box: Cancel at the question keeps the
    // window and writes nothing.
    const std::string stored = ReadFileBytes(frame.Settings().settingsFile);
    ::SendMessageW(::GetDlgItem(frame.OptionsPane().Hwnd(), IDC_OPTIONS_SCAN_CHECK), BM_CLICK, 0, 0);
    {
        QuestionAnswerer cancel(IDCANCEL);
        ::SendMessageW(frame.Hwnd(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(cancel.answered);
    }
    EXPECT_TRUE(frame.IsWindow());
    EXPECT_EQ(ReadFileBytes(frame.Settings().settingsFile), stored);

    // The Language menu's command re-texts the window at once.
    for (const auto& language : vandrelcommon::system::GetLanguages()) {
        if (language.code == "de") {
            ::SendMessageW(frame.Hwnd(), WM_COMMAND, language.commandId, 0);
        }
    }
    EXPECT_EQ(frame.Settings().language, "de");
    wchar_t label[64] = {};
    ::GetDlgItemTextW(frame.OptionsPane().Hwnd(), IDC_OPTIONS_MODE_LABEL, label, 64);
    EXPECT_EQ(std::wstring(label), vandrelcommon::system::Localize("search-options.lbl-search-mode"));
    EXPECT_NE(std::wstring(label), L"Search mode:");
    vandrelcommon::system::LoadLanguage("en");
    frame.DestroyWindow();
}

TEST(MainFrame, ASearchOverATickedFolderEndsInResultsModeAndHelpEmptiesItsCache)
{
    TempTree folder;
    const std::wstring cacheFile = folder.MakeFolder(L"program\\settings") + L"\\search-cache.db";
    const std::string words(100000, 'w');
    folder.MakeFile(L"data\\a\\report.txt", words);
    folder.MakeFile(L"data\\b\\report copy.txt", words);
    folder.MakeFile(L"data\\b\\other.txt", words + "!");
    CMainFrame frame(FolderRoots{folder.Path(L"program"), L""});
    frame.SetEndsMessageLoop(false);
    ASSERT_NE(frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, 900, 650}), nullptr);
    frame.ShowWindow(SW_SHOW);
    ASSERT_TRUE(frame.FolderTree().TickPath(folder.Path(L"data")));

    ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_START_SEARCH, 0); // returns when the search dialog has closed
    EXPECT_EQ(frame.GetMode(), IModeContainer::kResultsMode);
    ASSERT_EQ(frame.Results().Root().childCount, 1);
    EXPECT_EQ(frame.Results().Root().firstChild->childCount, 2);
    EXPECT_NE(frame.GetStatusText().find(L"2"), std::wstring::npos) << frame.GetStatusText();

    // What the search learnt is kept beside the settings, until Help's item
    // empties it without a question.
    EXPECT_NE(::GetFileAttributesW(cacheFile.c_str()), INVALID_FILE_ATTRIBUTES);
    ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_HELP_CLEAR_CACHE, 0);
    EXPECT_EQ(::GetFileAttributesW(cacheFile.c_str()), INVALID_FILE_ATTRIBUTES);
    frame.DestroyWindow();
}

// A photo and its mirror image (a selfie as the phone flips it) are found as
// a user sets the options pane: the similar-images mode picked with the
// keyboard, then the mirror images box, on in a new preset, clicked off.
TEST(MainFrame, TheMirrorImagesBoxDecidesWhetherAMirroredCopyIsFound)
{
    TempTree folder;
    folder.MakeFolder(L"program");
    folder.MakeFolder(L"data");
    const Canvas photo = DrawScene(21, 240, 160), other = DrawScene(22, 240, 160);
    ASSERT_TRUE(WritePicture(folder.Path(L"data\\photo.jpg"), photo, Format::Jpeg));
    ASSERT_TRUE(WritePicture(folder.Path(L"data\\selfie.jpg"), Mirrored(photo), Format::Jpeg));
    // A plain pair, so that each search finds something and ends by itself.
    ASSERT_TRUE(WritePicture(folder.Path(L"data\\other.png"), other, Format::Png));
    ASSERT_TRUE(WritePicture(folder.Path(L"data\\other copy.png"), other, Format::Png));
    CMainFrame frame(FolderRoots{folder.Path(L"program"), L""});
    frame.SetEndsMessageLoop(false);
    ASSERT_NE(frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, 900, 650}), nullptr);
    frame.ShowWindow(SW_SHOW);
    frame.GetToolbar().CheckButton(ID_TB_ADVANCED_VIEW, true);
    ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_ADVANCED_VIEW, 0);
    ASSERT_TRUE(frame.FolderTree().TickPath(folder.Path(L"data")));

    CSearchOptionsPane& pane = frame.OptionsPane();
    const HWND modeList =
        reinterpret_cast<HWND>(::SendMessageW(pane.GetDlgItem(IDC_OPTIONS_MODE), CBEM_GETCOMBOCONTROL, 0, 0));
    ::SetFocus(modeList);
    ::SendMessageW(modeList, WM_KEYDOWN, VK_DOWN, 1);
    ::SendMessageW(modeList, WM_KEYUP, VK_DOWN, 0xC0000001);
    const HWND mirrors = pane.GetDlgItem(IDC_OPTIONS_MIRRORS);
    ASSERT_TRUE(::IsWindowVisible(mirrors));
    EXPECT_EQ(::SendMessageW(mirrors, BM_GETCHECK, 0, 0), BST_CHECKED) << "on in a new preset";

    const auto search = [&] {
        ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_START_SEARCH, 0); // returns when the search dialog has closed
        EXPECT_EQ(frame.GetMode(), IModeContainer::kResultsMode);
        std::set<int> groupSizes;
        size_t groups = 0;
        for (const auto* group = frame.Results().Root().firstChild; group != nullptr; group = group->nextSibling) {
            groupSizes.insert(group->childCount);
            ++groups;
        }
        ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_NEW_SEARCH, 0);
        EXPECT_EQ(groupSizes, std::set<int>{2});
        return groups;
    };
    EXPECT_EQ(search(), 2u);
    ::SendMessageW(mirrors, BM_CLICK, 0, 0);
    EXPECT_EQ(::SendMessageW(mirrors, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(search(), 1u);
    frame.DestroyWindow();
}

// What Explorer's menu item and a start from a prompt hand the program.
TEST(StartPaths, TheCommandLineGivesPathsAndTheSearchSwitch)
{
    StartRequest request = ParseStartCommandLine(L"Clonarium.exe");
    EXPECT_TRUE(request.paths.empty());
    EXPECT_FALSE(request.search);
    request = ParseStartCommandLine(LR"("C:\Program Files\Clonarium\Clonarium.exe" "D:\a b\c" --search "C:\")");
    EXPECT_TRUE(request.search);
    // A quoted root's backslash escapes the closing quote, by the system's argument rules.
    EXPECT_EQ(request.paths, (std::vector<std::wstring>{L"D:\\a b\\c", L"C:\""}));
    EXPECT_EQ(NormalizeStartPath(request.paths[1]), L"C:\\");
    EXPECT_EQ(NormalizeStartPath(L"\\\\?\\C:\\x\\..\\y\\"), L"C:\\y");
    EXPECT_EQ(NormalizeStartPath(L"c:/a/./b/"), L"c:\\a\\b");
    EXPECT_EQ(NormalizeStartPath(L"\\\\?\\UNC\\server\\share\\dir"), L"\\\\server\\share\\dir");
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(
        NormalizeStartPath(L"e"), std::wstring(current) + (std::wstring(current).ends_with(L"\\") ? L"e" : L"\\e"));
}

// The text of the next message box, which is then closed with OK.
class MessageReader {
public:
    MessageReader()
        : answerer_(0xFFFF, [this](HWND box) {
              wchar_t text[4096] = {};
              ::GetDlgItemTextW(box, 0xFFFF, text, 4096);
              text_ = text;
              ::PostMessageW(box, WM_COMMAND, IDOK, 0);
          })
    { }
    bool Answered() const { return answerer_.answered; }
    const std::wstring& Text() const { return text_; }

private:
    std::wstring text_;
    DialogAnswerer answerer_;
};

std::vector<std::pair<std::wstring, bool>> RootsOf(CMainFrame& frame)
{
    std::vector<std::pair<std::wstring, bool>> roots;
    for (const SearchRoot& root : frame.FolderTree().GetSearchRoots()) {
        roots.emplace_back(root.path, root.isFolder);
    }
    return roots;
}

// Started as Explorer's menu item starts it, on a folder deeper than
// MAX_PATH, a file named in other scripts and a path that is gone: the two
// are ticked, the tree opened down to them, the missing one named in a
// message, and the search runs. A drive's root is ticked as it is named.
TEST(MainFrame, FoldersAndFilesNamedAtStartAreTickedAndSearched)
{
    TempTree folder;
    folder.MakeFolder(L"program");
    std::wstring deep = L"data";
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(40, L'd');
    }
    folder.MakeFile(deep + L"\\one.txt", "twins");
    folder.MakeFile(deep + L"\\two.txt", "twins");
    // Left unticked beside each, so that the folders above stay partly ticked.
    folder.MakeFile(deep.substr(0, deep.rfind(L'\\')) + L"\\beside.txt", "other");
    folder.MakeFile(L"data\\\u0424\u043e\u0442\u043e \U0001F600\\beside.txt", "another");
    const std::wstring photo =
        folder.MakeFile(L"data\\\u0424\u043e\u0442\u043e \U0001F600\\\u0441\u043d\u0438\u043c\u043e\u043a.jpg", "x");
    const std::wstring missing = folder.Path(L"data\\gone");
    CMainFrame frame(FolderRoots{folder.Path(L"program"), L""});
    frame.SetEndsMessageLoop(false);
    ASSERT_NE(frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, 900, 650}), nullptr);
    frame.ShowWindow(SW_SHOW);

    std::wstring said;
    {
        MessageReader message;
        frame.OpenPaths({folder.Path(deep) + L"\\", photo, missing}, true);
        ASSERT_TRUE(PumpUntil([&] { return frame.GetMode() == IModeContainer::kResultsMode; }, 120000));
        EXPECT_TRUE(message.Answered());
        said = message.Text();
    }
    EXPECT_NE(said.find(missing), std::wstring::npos) << said;
    EXPECT_EQ(said.find(photo), std::wstring::npos) << said;
    EXPECT_EQ(RootsOf(frame), (std::vector<std::pair<std::wstring, bool>>{{folder.Path(deep), true}, {photo, false}}));
    ASSERT_EQ(frame.Results().Root().childCount, 1);
    EXPECT_EQ(frame.Results().Root().firstChild->childCount, 2);

    const vandrelcommon::ui::CTreeViewCtrl tree = frame.FolderTree().Tree();
    const HTREEITEM shown = tree.GetSelectedItem();
    ASSERT_NE(frame.FolderTree().ItemData(shown), nullptr);
    EXPECT_EQ(frame.FolderTree().ItemData(shown)->path, photo) << "the last one ticked is the one in sight";
    EXPECT_NE(tree.GetItemState(tree.GetParentItem(shown), TVIS_EXPANDED), 0u);

    ::SendMessageW(frame.Hwnd(), WM_COMMAND, ID_TB_NEW_SEARCH, 0);
    frame.OpenPaths({L"C:\""}, false);
    ASSERT_TRUE(PumpUntil([&] { return !RootsOf(frame).empty() && RootsOf(frame).front().first == L"C:\\"; }));
    EXPECT_TRUE(RootsOf(frame).front().second);
    frame.DestroyWindow();
}

// The shell's own data object for items of one folder, as Explorer hands
// it to a drop target.
ComPtr<IDataObject> ShellDataObject(const std::wstring& folder, const std::vector<std::wstring>& names)
{
    ComPtr<IShellFolder> desktop;
    ComPtr<IShellFolder> parent;
    ComPtr<IDataObject> data;
    PIDLIST_RELATIVE folderItem = nullptr;
    if (FAILED(::SHGetDesktopFolder(desktop.Put())) ||
        FAILED(
            desktop->ParseDisplayName(nullptr, nullptr, std::wstring(folder).data(), nullptr, &folderItem, nullptr)) ||
        FAILED(desktop->BindToObject(folderItem, nullptr, IID_IShellFolder, reinterpret_cast<void**>(parent.Put())))) {
        ::CoTaskMemFree(folderItem);
        return data;
    }
    ::CoTaskMemFree(folderItem);
    std::vector<PCUITEMID_CHILD> items;
    for (const std::wstring& name : names) {
        PIDLIST_RELATIVE item = nullptr;
        if (SUCCEEDED(parent->ParseDisplayName(nullptr, nullptr, std::wstring(name).data(), nullptr, &item, nullptr))) {
            items.push_back(item);
        }
    }
    if (items.size() == names.size()) {
        parent->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()), items.data(), IID_IDataObject, nullptr,
            reinterpret_cast<void**>(data.Put()));
    }
    for (PCUITEMID_CHILD item : items) {
        ::CoTaskMemFree(const_cast<ITEMID_CHILD*>(item));
    }
    return data;
}

// What a browser drags: text, no files.
class TextOnlyData : public IDataObject {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject) ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM*) override { return QueryGetData(format); }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        return format->cfFormat == CF_UNICODETEXT ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

// Dragged from Explorer onto the folder tree of the real window: a folder
// and a file are ticked. The drop answers that it copies, never that it
// moves, so Explorer leaves the files where they are; a drag of text is
// refused.
TEST(MainFrame, FoldersAndFilesDroppedFromExplorerAreTicked)
{
    TempTree folder;
    folder.MakeFolder(L"program");
    const std::wstring photos = folder.MakeFolder(L"data\\Photos 2024");
    const std::wstring letter = folder.MakeFile(L"data\\Letter's copy.txt", "x");
    folder.MakeFile(L"data\\not dropped.txt", "y");
    CMainFrame frame(FolderRoots{folder.Path(L"program"), L""});
    frame.SetEndsMessageLoop(false);
    ASSERT_NE(frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, 900, 650}), nullptr);
    frame.ShowWindow(SW_SHOW);
    IDropTarget& target = frame.FolderDropTarget();
    EXPECT_EQ(::RegisterDragDrop(frame.FolderTree().Hwnd(), &target), DRAGDROP_E_ALREADYREGISTERED)
        << "the tree's window takes drops";

    const ComPtr<IDataObject> data = ShellDataObject(folder.Path(L"data"), {L"Photos 2024", L"Letter's copy.txt"});
    ASSERT_TRUE(data);
    EXPECT_EQ(DroppedPaths(data.Get()), (std::vector<std::wstring>{photos, letter}));
    RECT area{};
    ::GetWindowRect(frame.FolderTree().Hwnd(), &area);
    const POINTL point{area.left + 40, area.top + 40};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    ASSERT_EQ(target.DragEnter(data.Get(), MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_MOVE;
    target.DragOver(MK_LBUTTON | MK_SHIFT, point, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE)) << "a move is never offered";
    effect = DROPEFFECT_MOVE | DROPEFFECT_LINK;
    target.DragOver(MK_LBUTTON, point, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_LINK));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(target.Drop(data.Get(), 0, point, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    ASSERT_TRUE(PumpUntil([&] { return RootsOf(frame).size() == 2; }));
    EXPECT_EQ(RootsOf(frame), (std::vector<std::pair<std::wstring, bool>>{{photos, true}, {letter, false}}));

    TextOnlyData text;
    effect = DROPEFFECT_COPY;
    target.DragEnter(&text, MK_LBUTTON, point, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    target.DragLeave();
    frame.DestroyWindow();
}

} // namespace
