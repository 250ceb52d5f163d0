// Entry point: prepares the process, shows the main window and runs the
// message loop until the window is closed.
#include "i18n/Localizer.h"
#include "resources/resource.h"
#include "storage/ApplicationSettings.h"
#include "ui/ProgramVersion.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Frame.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/MessageLoop.h"
#include "ui/framework/Module.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

using namespace clonarium;

namespace {

using namespace vandrelcommon::ui;

int Run(int showCommand)
{
    CMessageLoop loop;
    AppModule().AddMessageLoop(&loop);
    int exitCode = 0;
    // Beside the program, or in the user's folders when a "nonportable"
    // marker stands beside it; written again when the program ends.
    ApplicationSettings settings;
    settings.PrepareFolders();
    vandrelcommon::system::LoadLanguage(settings.language);
    {
        CFrameWindow frame;
        if (frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, ScaleX(846), ScaleY(600)}) != nullptr) {
            frame.CenterWindow();
            frame.ShowWindow(showCommand);
            ProgramVersion version;
            if (ReadProgramVersion(nullptr, version)) {
                frame.SetText(MainWindowTitle(version));
            }
            exitCode = loop.Run();
        }
    }
    if (!settings.settingsFile.empty()) {
        settings.SaveSettings(settings.settingsFile);
    }
    AppModule().RemoveMessageLoop();
    return exitCode;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int exitCode = 0;
    {
        GdiplusSession gdiplus;
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES;
        ::InitCommonControlsEx(&controls);
        AppModule().Init(instance);
        exitCode = Run(showCommand);
        AppModule().Term();
    }
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return exitCode;
}
