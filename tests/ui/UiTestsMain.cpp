// The ui test program: the window framework and the shared controls, with
// COM, GDI+ and the common controls started as the program starts them.
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int main(int argc, char** argv)
{
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    vandrelcommon::ui::GdiplusSession gdiplus;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_DATE_CLASSES;
    ::InitCommonControlsEx(&controls);
    vandrelcommon::ui::AppModule().Init(::GetModuleHandleW(nullptr));

    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();

    vandrelcommon::ui::AppModule().Term();
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return result;
}
