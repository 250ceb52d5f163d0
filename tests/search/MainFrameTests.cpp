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

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <set>

using namespace clonarium;

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

} // namespace
