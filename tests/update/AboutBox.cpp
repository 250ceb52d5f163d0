#include "tests/update/AboutBox.h"

#include "ui/framework/Controls.h"

namespace updatetest {

void PumpDialog(HWND dialog, DWORD milliseconds, const std::function<bool()>& done)
{
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    while (::GetTickCount64() < end) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (::IsWindow(dialog) && ::IsDialogMessageW(dialog, &msg)) {
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done && done()) {
            return;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

int RunAboutBox(clonarium::CAboutDlg& box, bool check)
{
    const HWND dialog = box.Create(nullptr);
    if (dialog == nullptr) {
        return 1;
    }
    box.ShowWindow(SW_SHOW);
    if (check) {
        vandrelcommon::ui::CButton(::GetDlgItem(dialog, IDC_ABOUT_CHECK_NOW)).Click();
    }
    PumpDialog(dialog, INFINITE, [&] { return !::IsWindow(dialog); });
    return 0;
}

} // namespace updatetest
