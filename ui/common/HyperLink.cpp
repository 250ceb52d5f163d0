#include "ui/common/HyperLink.h"

#include "ui/framework/Controls.h"
#include "ui/framework/Module.h"

#include <shellapi.h>

#include <algorithm>

namespace vandrelcommon::ui {

namespace {

// The usual colour of links on the web; the system's "hot-light" colour is
// too pale on some themes to read on white.
constexpr COLORREF kLinkColor = RGB(0, 102, 204);

void OpenWithShell(const std::wstring& address)
{
    ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

CHyperLink::Opener& CurrentOpener()
{
    static CHyperLink::Opener opener = OpenWithShell;
    return opener;
}

} // namespace

CHyperLink::Opener CHyperLink::SetOpener(Opener opener)
{
    Opener previous = CurrentOpener();
    CurrentOpener() = opener;
    return previous;
}

CHyperLink::~CHyperLink()
{
    if (tooltip_ != nullptr) {
        ::DestroyWindow(tooltip_);
    }
}

bool CHyperLink::Attach(HWND window, const std::wstring& address)
{
    if (!SubclassWindow(window)) {
        return false;
    }
    MakeUnderlinedFont();
    SetAddress(address);
    return true;
}

void CHyperLink::SetAddress(const std::wstring& address)
{
    address_ = address;
    UpdateTooltip();
}

void CHyperLink::SetPermanentUnderline(bool underline)
{
    permanentUnderline_ = underline;
    Invalidate();
}

bool CHyperLink::IsUnderlined() const
{
    return IsEnabled() && (hovering_ || permanentUnderline_);
}

void CHyperLink::Open() const
{
    if (IsEnabled() && !address_.empty()) {
        CurrentOpener()(address_);
    }
}

void CHyperLink::MakeUnderlinedFont()
{
    HFONT font = GetFont();
    LOGFONTW description{};
    if (::GetObjectW(font != nullptr ? font : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description) ==
        0) {
        return;
    }
    description.lfUnderline = TRUE;
    underlinedFont_.Reset(::CreateFontIndirectW(&description));
}

void CHyperLink::UpdateTooltip()
{
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = const_cast<wchar_t*>(address_.c_str());
    if (tooltip_ == nullptr) {
        tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, AppModule().Instance(),
            nullptr);
        CToolTipCtrl(tooltip_).AddTool(tool);
        return;
    }
    CToolTipCtrl(tooltip_).UpdateTipText(tool);
}

LRESULT CHyperLink::OnPaint(Message&)
{
    PaintDC dc(hwnd_);
    const RECT client = GetClientRect();
    // The parent's colours for static text, as the static control would use.
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(GetParent(), WM_CTLCOLORSTATIC,
        reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), reinterpret_cast<LPARAM>(hwnd_)));
    ::FillRect(dc, &client, brush != nullptr ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
    const bool enabled = IsEnabled();
    SelectedObject font(dc, IsUnderlined() && underlinedFont_ ? underlinedFont_.Get() : GetFont());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, enabled ? kLinkColor : ::GetSysColor(COLOR_WINDOWTEXT));
    const std::wstring text = GetText();
    RECT area = client;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
        DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (::GetFocus() == hwnd_) {
        RECT used = client;
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &used,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        used.right = std::min(used.right, client.right);
        used.top = client.top;
        used.bottom = client.bottom;
        ::DrawFocusRect(dc, &used);
    }
    return 0;
}

LRESULT CHyperLink::OnMouseMove(Message&)
{
    if (!hovering_) {
        hovering_ = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
        ::TrackMouseEvent(&track);
        Invalidate();
    }
    return 0;
}

LRESULT CHyperLink::OnMouseLeave(Message&)
{
    hovering_ = false;
    Invalidate();
    return 0;
}

LRESULT CHyperLink::OnSetCursor(Message&)
{
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

LRESULT CHyperLink::OnLButtonUp(Message&)
{
    Open();
    return 0;
}

LRESULT CHyperLink::OnGetDlgCode(Message& msg)
{
    // Enter on a focused link opens it instead of pressing the default button.
    const auto* key = reinterpret_cast<const MSG*>(msg.lParam);
    if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
        return DLGC_WANTMESSAGE;
    }
    return DLGC_WANTCHARS;
}

LRESULT CHyperLink::OnKeyDown(Message& msg)
{
    if (msg.wParam == VK_SPACE || msg.wParam == VK_RETURN) {
        Open();
        return 0;
    }
    msg.handled = false;
    return 0;
}

LRESULT CHyperLink::OnFocusChange(Message& msg)
{
    Invalidate();
    msg.handled = false;
    return 0;
}

LRESULT CHyperLink::OnRepaintAfterDefault(Message& msg)
{
    const LRESULT result = DefaultProcedure(msg);
    Invalidate();
    return result;
}

LRESULT CHyperLink::OnSetFont(Message& msg)
{
    const LRESULT result = DefaultProcedure(msg);
    MakeUnderlinedFont();
    return result;
}

LRESULT CHyperLink::OnDestroy(Message& msg)
{
    if (tooltip_ != nullptr) {
        ::DestroyWindow(tooltip_);
        tooltip_ = nullptr;
    }
    msg.handled = false;
    return 0;
}

} // namespace vandrelcommon::ui
