// The update test program: GoogleTest, or with
//   --about SITE [--lang CODE] [--check]
// the about box asking SITE (say, tools/update-server's address) in the
// language CODE, its check button pressed at once with --check.
#include "i18n/Localizer.h"
#include "storage/ApplicationSettings.h"
#include "tests/update/AboutBox.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"

#include "ui/framework/ProgramSession.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstring>
#include <string>

namespace {

int RunAboutDemo(int argc, char** argv)
{
    const std::string site = argv[2];
    std::string language = "en";
    bool check = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lang") == 0 && i + 1 < argc) {
            language = argv[++i];
        } else if (std::strcmp(argv[i], "--check") == 0) {
            check = true;
        }
    }
    vandrelcommon::system::LoadLanguage(language);
    clonarium::ApplicationSettings settings;
    clonarium::CAboutDlg box(settings, std::wstring(site.begin(), site.end()));
    return updatetest::RunAboutBox(box, check);
}

} // namespace

int main(int argc, char** argv)
{
    const vandrelcommon::ui::ProgramSession session;
    if (argc > 2 && std::strcmp(argv[1], "--about") == 0) {
        return RunAboutDemo(argc, argv);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
