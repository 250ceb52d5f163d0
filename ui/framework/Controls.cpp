#include "ui/framework/Controls.h"

namespace vandrelcommon::ui {

// The texts are asked for in two messages, length then text, because a
// control that gives no length gives nothing else either.

std::wstring CToolBarCtrl::GetButtonText(int command) const
{
    const auto length = static_cast<int>(SendMessage(TB_GETBUTTONTEXTW, static_cast<WPARAM>(command)));
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessage(TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring CStatusBarCtrl::GetText(int pane) const
{
    const int length = GetTextLength(pane);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessage(SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring CComboBox::GetLBText(int index) const
{
    const int length = GetLBTextLen(index);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const auto copied =
        static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

} // namespace vandrelcommon::ui
