// The ui test program: GoogleTest, or with --demo the demonstration window
// of the framework and the shared controls (--demo --ask opens its input
// box, --demo --menu its drop-down menu, for screenshots); --demo-tree shows
// the virtual tree view, --demo-editlist the editable list (--edit opens the
// editor on an item).
#include "tests/ui/Demo.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstring>

int main(int argc, char** argv)
{
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    vandrelcommon::ui::GdiplusSession gdiplus;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_DATE_CLASSES;
    ::InitCommonControlsEx(&controls);
    vandrelcommon::ui::AppModule().Init(::GetModuleHandleW(nullptr));

    int result = 0;
    if (argc > 1 && std::strcmp(argv[1], "--demo") == 0) {
        uitest::DemoStart start = uitest::DemoStart::Window;
        if (argc > 2 && std::strcmp(argv[2], "--ask") == 0) {
            start = uitest::DemoStart::InputBox;
        } else if (argc > 2 && std::strcmp(argv[2], "--menu") == 0) {
            start = uitest::DemoStart::Menu;
        }
        result = uitest::RunDemo(start);
    } else if (argc > 1 && std::strcmp(argv[1], "--demo-tree") == 0) {
        result = uitest::RunTreeDemo();
    } else if (argc > 1 && std::strcmp(argv[1], "--demo-editlist") == 0) {
        result = uitest::RunEditListDemo(argc > 2 && std::strcmp(argv[2], "--edit") == 0);
    } else {
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }

    vandrelcommon::ui::AppModule().Term();
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return result;
}
