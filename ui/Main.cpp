// Entry point: prepares the process, shows the main window and runs the
// message loop until the window is closed.
#include "resources/resource.h"
#include "ui/MainFrame.h"
#include "ui/ProgramVersion.h"
#include "ui/StartPaths.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/Frame.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/MessageLoop.h"
#include "ui/framework/Module.h"

#include "ui/framework/ProgramSession.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <utility>

using namespace clonarium;

namespace {

using namespace vandrelcommon::ui;

int Run(int showCommand)
{
    CMessageLoop loop;
    AppModule().AddMessageLoop(&loop);
    int exitCode = 0;
    {
        CMainFrame frame; // loads the settings, and writes them when it goes
        if (frame.CreateFrame(IDR_MAINFRAME, RECT{0, 0, ScaleX(846), ScaleY(600)}) != nullptr) {
            frame.ShowWindow(showCommand);
            frame.ShowWindow(frame.Settings().maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
            ProgramVersion version;
            if (ReadProgramVersion(nullptr, version)) {
                frame.SetText(MainWindowTitle(version));
            }
            // Started on folders, as Explorer's context menu does.
            StartRequest request = ParseStartCommandLine(::GetCommandLineW());
            if (!request.paths.empty()) {
                frame.OpenPaths(std::move(request.paths), request.search);
            }
            exitCode = loop.Run();
        }
    }
    AppModule().RemoveMessageLoop();
    return exitCode;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    const ProgramSession session(instance);
    return Run(showCommand);
}
