// The search test program: the search worker under its progress dialog.
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
