#include "ui/framework/ProgramSession.h"

#include "ui/framework/Module.h"

#include <commctrl.h>
#include <ole2.h>

namespace vandrelcommon::ui {

// OLE rather than bare COM: a window can take drops from Explorer only then.
ProgramSession::ComApartment::ComApartment() : entered_(SUCCEEDED(::OleInitialize(nullptr)))
{ }

ProgramSession::ComApartment::~ComApartment()
{
    if (entered_) {
        ::OleUninitialize();
    }
}

ProgramSession::ProgramSession(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_DATE_CLASSES;
    ::InitCommonControlsEx(&controls);
    AppModule().Init(instance);
}

ProgramSession::~ProgramSession()
{
    AppModule().Term();
}

} // namespace vandrelcommon::ui
