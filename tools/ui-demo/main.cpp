// Demonstrations of the window framework and the shared controls, for a
// look at them and for screenshots:
//   ui-demo.exe              the demonstration window (--ask opens its input
//                            box, --menu its drop-down menu)
//   ui-demo.exe --tree       the virtual tree view
//   ui-demo.exe --editlist   the editable list (--edit opens the editor)
//   ui-demo.exe --folders    the folder tree (--menu opens its context menu)
//   ui-demo.exe --search FOLDER [--images] [--lang CODE] [--pause-after SECONDS]
//                            a search of FOLDER under its progress dialog,
//                            then the groups found
//   ui-demo.exe --results FOLDER [--images] [--lang CODE] [--context | --delete | --delete-menu ITEM]
//                            the main window after a search of FOLDER, a
//                            file selected (--context: a group's menu open;
//                            --delete: all but the first file of each group
//                            deleted to the Recycle Bin, the dialog left open;
//                            --delete-menu: all but the first marked, the
//                            toolbar's Delete menu open at its ITEMth item)
//   ui-demo.exe --options [--images] [--lang CODE]
//                            the search options pane
//   ui-demo.exe --toolbar [--lang CODE] [--results] [--images] [--menu ID | --chevron] [--width PIXELS]
//                            the main window's toolbar, in results mode with
//                            --results, the menu of button ID or of the
//                            rebar's chevron opened
//   ui-demo.exe --preview FILE [FILE2]
//                            the preview of one file, or of two side by side
#include "tools/ui-demo/Demo.h"
#include "ui/framework/ProgramSession.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The options of --search, read from the wide command line so that a folder
// named in any script arrives whole.
uidemo::SearchDemoOptions SearchOptions()
{
    uidemo::SearchDemoOptions options;
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        const std::wstring argument = arguments[i];
        const bool hasValue = i + 1 < count;
        if ((argument == L"--search" || argument == L"--results") && hasValue) {
            options.folder = arguments[++i];
        } else if (argument == L"--images") {
            options.images = true;
        } else if (argument == L"--lang" && hasValue) {
            const std::wstring code = arguments[++i];
            options.language.assign(code.begin(), code.end());
        } else if (argument == L"--context") {
            options.contextMenu = true;
        } else if (argument == L"--delete") {
            options.deleteFiles = true;
        } else if (argument == L"--delete-menu" && hasValue) {
            options.deleteMenuItem = _wtoi(arguments[++i]);
        } else if (argument == L"--pause-after" && hasValue) {
            options.pauseAfterSeconds = _wtoi(arguments[++i]);
        }
    }
    ::LocalFree(arguments);
    return options;
}

uidemo::ToolbarDemoOptions ToolbarOptions(int argc, char** argv)
{
    uidemo::ToolbarDemoOptions options;
    for (int i = 2; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--lang") == 0 && hasValue) {
            options.language = argv[++i];
        } else if (std::strcmp(argv[i], "--results") == 0) {
            options.results = true;
        } else if (std::strcmp(argv[i], "--images") == 0) {
            options.images = true;
        } else if (std::strcmp(argv[i], "--menu") == 0 && hasValue) {
            options.openMenu = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--item") == 0 && hasValue) {
            options.menuItem = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--chevron") == 0) {
            options.openMenu = uidemo::kChevron;
        } else if (std::strcmp(argv[i], "--width") == 0 && hasValue) {
            options.width = std::atoi(argv[++i]);
        }
    }
    return options;
}

// The files after --preview.
std::vector<std::wstring> PreviewFiles()
{
    std::vector<std::wstring> files;
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 2; arguments != nullptr && i < count; ++i) {
        files.emplace_back(arguments[i]);
    }
    ::LocalFree(arguments);
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    const vandrelcommon::ui::ProgramSession session;

    const char* first = argc > 1 ? argv[1] : "";
    const char* second = argc > 2 ? argv[2] : "";
    int result = 0;
    if (std::strcmp(first, "--tree") == 0) {
        result = uidemo::RunTreeDemo();
    } else if (std::strcmp(first, "--folders") == 0) {
        result = uidemo::RunFolderTreeDemo(std::strcmp(second, "--menu") == 0);
    } else if (std::strcmp(first, "--toolbar") == 0) {
        result = uidemo::RunToolbarDemo(ToolbarOptions(argc, argv));
    } else if (std::strcmp(first, "--preview") == 0) {
        result = uidemo::RunPreviewDemo(PreviewFiles());
    } else if (std::strcmp(first, "--search") == 0) {
        result = uidemo::RunSearchDemo(SearchOptions());
    } else if (std::strcmp(first, "--results") == 0) {
        const uidemo::SearchDemoOptions options = SearchOptions();
        result = uidemo::RunResultsDemo(uidemo::ResultsDemoOptions{options.folder, options.images, options.language,
            options.contextMenu, options.deleteFiles, options.deleteMenuItem});
    } else if (std::strcmp(first, "--options") == 0) {
        const uidemo::SearchDemoOptions options = SearchOptions();
        result = uidemo::RunOptionsDemo(options.language, options.images);
    } else if (std::strcmp(first, "--editlist") == 0) {
        result = uidemo::RunEditListDemo(std::strcmp(second, "--edit") == 0);
    } else {
        uidemo::DemoStart start = uidemo::DemoStart::Window;
        if (std::strcmp(first, "--ask") == 0) {
            start = uidemo::DemoStart::InputBox;
        } else if (std::strcmp(first, "--menu") == 0) {
            start = uidemo::DemoStart::Menu;
        }
        result = uidemo::RunDemo(start);
    }

    return result;
}
