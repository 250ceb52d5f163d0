// The scenario test program: the process prepared as Clonarium.exe prepares
// it (COM, GDI+, the common controls, the module), then every scenario.
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"

#include "ui/framework/ProgramSession.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int main(int argc, char** argv)
{
    const vandrelcommon::ui::ProgramSession session;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
