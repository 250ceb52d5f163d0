#include "ui/framework/ProgramSession.h"

#include "ui/framework/Module.h"

#include <commctrl.h>
#include <objbase.h>

namespace vandrelcommon::ui {

ProgramSession::ComApartment::ComApartment() : entered_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
{ }

ProgramSession::ComApartment::~ComApartment()
{
    if (entered_) {
        ::CoUninitialize();
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
