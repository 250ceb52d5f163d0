#include "ui/common/TextFit.h"

#include "ui/framework/GdiHandles.h"

namespace vandrelcommon::ui {

SIZE MeasureText(HWND window, const std::wstring& text)
{
    ClientDC dc(window);
    if (static_cast<HDC>(dc) == nullptr) {
        return SIZE{0, 0};
    }
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    SelectedObject selected(dc, font != nullptr ? font : ::GetStockObject(SYSTEM_FONT));
    RECT bounds{0, 0, 0, 0};
    // The same prefix handling as a static control draws with.
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, DT_CALCRECT | DT_LEFT | DT_TOP);
    return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

bool SetTextAndFit(HWND control, const std::wstring& text)
{
    if (control == nullptr || !::IsWindow(control)) {
        return false;
    }
    const SIZE textSize = MeasureText(control, text);
    RECT frame{0, 0, textSize.cx, textSize.cy};
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    ::SetWindowPos(control, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return ::SetWindowTextW(control, text.c_str()) != FALSE;
}

} // namespace vandrelcommon::ui
