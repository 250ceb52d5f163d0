// The ui test program: the window framework and the shared controls, with
// COM, GDI+ and the common controls started as the program starts them.
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
