// The result dialogs' test program: GoogleTest, or with
//   --show-select [--lang CODE]    the selection progress over many groups
//   --show-regexps [--lang CODE]   the rules dialog over a folder of its own
// one dialog in the language CODE, for looking at it and taking its picture.
#include "i18n/Localizer.h"
#include "results/SmartSelect.h"
#include "storage/ApplicationSettings.h"
#include "storage/RegexpRules.h"
#include "tests/results/ResultModel.h"
#include "tests/support/CommandLine.h"
#include "tests/support/TempTree.h"
#include "ui/RegexpsDialog.h"
#include "ui/SelectProgressDialog.h"
#include "ui/framework/Gdiplus.h"

#include "ui/framework/ProgramSession.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstring>
#include <string>

using namespace clonarium;

namespace {

// Slowed down so that the run can be looked at.
class CSlowSelectDialog : public CSelectProgressDialog {
public:
    using CSelectProgressDialog::CSelectProgressDialog;
    void OnGroupProcessed() override
    {
        CSelectProgressDialog::OnGroupProcessed();
        ::Sleep(2);
    }
};

int ShowSelect()
{
    CVirtualTree tree;
    for (int i = 0; i < 10000; ++i) {
        AddRecords(tree, {Record(L"c:\\a\\" + std::to_wstring(i)), Record(L"c:\\b\\" + std::to_wstring(i))});
    }
    CSlowSelectDialog dialog(tree, SelectionJob{KeepLast, nullptr}, nullptr, nullptr);
    return static_cast<int>(dialog.DoModal(nullptr));
}

int ShowRegexps()
{
    TempTree folder;
    ApplicationSettings settings;
    settings.regexpsFolder = folder.Root();
    LoadRules(settings);
    RegexpRule& rule = CreateRule(settings, L"Temporary files");
    rule.expressions = {L".*?\\.tmp$", L".*?\\\\Temp\\\\.*", L"("};
    rule.target = FullPath;
    SaveRule(rule, rule.file);
    settings.defaultRulesFile = rule.file.substr(rule.file.rfind(L'\\') + 1);
    CRegexpsDlg dialog(settings);
    return static_cast<int>(dialog.DoModal(nullptr));
}

} // namespace

int main(int argc, char** argv)
{
    const vandrelcommon::ui::ProgramSession session; // GDI+ among it, for the icons
    int result = 0;
    if (Has(argc, argv, "--show-select") || Has(argc, argv, "--show-regexps")) {
        vandrelcommon::system::LoadLanguage(Option(argc, argv, "--lang", "en"));
        result = Has(argc, argv, "--show-select") ? ShowSelect() : ShowRegexps();
    } else {
        vandrelcommon::system::LoadLanguage("en");
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
