// Demonstrations of the window framework and the shared controls, for a
// look at them and for screenshots:
//   ui-demo.exe              the demonstration window (--ask opens its input
//                            box, --menu its drop-down menu)
//   ui-demo.exe --tree       the virtual tree view
//   ui-demo.exe --editlist   the editable list (--edit opens the editor)
//   ui-demo.exe --folders    the folder tree (--menu opens its context menu)
//   ui-demo.exe --preview FILE [FILE2]
//                            the preview of one file, or of two side by side
#include "tools/ui-demo/Demo.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    vandrelcommon::ui::GdiplusSession gdiplus;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    ::InitCommonControlsEx(&controls);
    vandrelcommon::ui::AppModule().Init(::GetModuleHandleW(nullptr));

    const char* first = argc > 1 ? argv[1] : "";
    const char* second = argc > 2 ? argv[2] : "";
    int result = 0;
    if (std::strcmp(first, "--tree") == 0) {
        result = uidemo::RunTreeDemo();
    } else if (std::strcmp(first, "--folders") == 0) {
        result = uidemo::RunFolderTreeDemo(std::strcmp(second, "--menu") == 0);
    } else if (std::strcmp(first, "--preview") == 0) {
        int count = 0;
        wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
        std::vector<std::wstring> files;
        for (int i = 2; arguments != nullptr && i < count; ++i) {
            files.emplace_back(arguments[i]);
        }
        ::LocalFree(arguments);
        result = uidemo::RunPreviewDemo(files);
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

    vandrelcommon::ui::AppModule().Term();
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return result;
}
