#include "ui/framework/Frame.h"

#include "ui/framework/Controls.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Module.h"

#include <commctrl.h>

#include <string>

namespace vandrelcommon::ui {

namespace {

// The window's own visible flag: a bar of a frame not shown yet still counts.
bool HasVisibleStyle(HWND window)
{
    return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsKeyDown(int key)
{
    return (::GetKeyState(key) & 0x8000) != 0;
}

// The tab stops of a control, or of the controls a holder holds, in order.
void CollectStops(HWND window, std::vector<HWND>& stops)
{
    if (window == nullptr || !::IsWindowVisible(window) || !::IsWindowEnabled(window)) {
        return;
    }
    if ((::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0) {
        for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
            CollectStops(child, stops);
        }
    } else if ((::GetWindowLongPtrW(window, GWL_STYLE) & WS_TABSTOP) != 0) {
        stops.push_back(window);
    }
}

// The tab stops of the panes in order, each with the index of its pane.
struct TabStops {
    std::vector<HWND> stops;
    std::vector<size_t> pane;
};

TabStops CollectTabStops(const std::vector<HWND>& panes)
{
    TabStops found;
    for (size_t pane = 0; pane < panes.size(); ++pane) {
        std::vector<HWND> stops;
        CollectStops(panes[pane], stops);
        found.stops.insert(found.stops.end(), stops.begin(), stops.end());
        found.pane.insert(found.pane.end(), stops.size(), pane);
    }
    return found;
}

bool IsToolBar(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return std::wstring(name) == TOOLBARCLASSNAMEW;
}

// What the chevron menu shows for a button: its own text, else the tooltip
// its owner would give.
std::wstring ButtonText(HWND owner, HWND toolbar, int command)
{
    const CToolBarCtrl bar(toolbar);
    if (std::wstring text = bar.GetButtonText(command); !text.empty()) {
        return text;
    }
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = bar.GetToolTips();
    info.hdr.idFrom = static_cast<UINT_PTR>(command);
    info.hdr.code = TTN_GETDISPINFOW;
    ::SendMessageW(owner, WM_NOTIFY, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&info));
    if (info.lpszText != nullptr && !IS_INTRESOURCE(info.lpszText)) {
        return info.lpszText;
    }
    if (info.lpszText != nullptr && info.hinst != nullptr) {
        wchar_t loaded[256] = {};
        ::LoadStringW(info.hinst, static_cast<UINT>(reinterpret_cast<UINT_PTR>(info.lpszText)), loaded, 256);
        return loaded;
    }
    return info.szText;
}

} // namespace

HWND CreateToolBar(HWND parent, UINT id, DWORD style)
{
    HWND toolbar = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), AppModule().Instance(), nullptr);
    if (toolbar != nullptr) {
        CToolBarCtrl(toolbar).SetButtonStructSize();
    }
    return toolbar;
}

CFrameWindow::~CFrameWindow()
{
    StopFiltering();
}

WindowClass CFrameWindow::GetWindowClass() const
{
    WindowClass frameClass;
    frameClass.name = L"vandrelcommon.ui.Frame";
    frameClass.style = CS_DBLCLKS;
    frameClass.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    const HINSTANCE resources = AppModule().ResourceInstance();
    frameClass.icon = static_cast<HICON>(::LoadImageW(resources, MAKEINTRESOURCEW(resourceId_), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED));
    frameClass.smallIcon = static_cast<HICON>(::LoadImageW(resources, MAKEINTRESOURCEW(resourceId_), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    return frameClass;
}

HWND CFrameWindow::CreateFrame(
    UINT resourceId, const RECT& rect, DWORD style, DWORD exStyle, const wchar_t* caption, HWND parent)
{
    resourceId_ = resourceId;
    const HINSTANCE resources = AppModule().ResourceInstance();
    std::wstring title;
    if (caption != nullptr) {
        title = caption;
    } else {
        wchar_t loaded[256] = {};
        ::LoadStringW(resources, resourceId, loaded, 256);
        title = loaded;
    }
    HMENU menu = nullptr;
    if (::FindResourceW(resources, MAKEINTRESOURCEW(resourceId), RT_MENU) != nullptr) {
        menu = ::LoadMenuW(resources, MAKEINTRESOURCEW(resourceId));
    }
    if (::FindResourceW(resources, MAKEINTRESOURCEW(resourceId), RT_ACCELERATOR) != nullptr) {
        accelerators_ = ::LoadAcceleratorsW(resources, MAKEINTRESOURCEW(resourceId));
    }
    HWND window = Create(parent, rect, title.c_str(), style, exStyle, menu);
    if (window == nullptr) {
        if (menu != nullptr) {
            ::DestroyMenu(menu);
        }
        return nullptr;
    }
    if (CMessageLoop* loop = AppModule().GetMessageLoop()) {
        loop->AddMessageFilter(this);
        filteringLoop_ = loop;
    }
    return window;
}

HWND CFrameWindow::CreateSimpleReBar(DWORD style, UINT id)
{
    rebar_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr, style, 0, 0, 100, 100, hwnd_,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), AppModule().Instance(), nullptr);
    if (rebar_ != nullptr) {
        REBARINFO info{};
        info.cbSize = sizeof(info);
        CReBarCtrl(rebar_).SetBarInfo(info);
    }
    return rebar_;
}

bool CFrameWindow::AddReBarBand(HWND child, bool newRow)
{
    if (rebar_ == nullptr || child == nullptr) {
        return false;
    }
    int height = 0;
    int idealWidth = 0;
    if (IsToolBar(child)) {
        const CToolBarCtrl toolbar(child);
        height = toolbar.GetButtonSize().cy;
        const int count = toolbar.GetButtonCount();
        if (count > 0) {
            RECT last{};
            toolbar.GetItemRect(count - 1, last);
            idealWidth = last.right;
        }
    } else {
        RECT rect{};
        ::GetWindowRect(child, &rect);
        height = rect.bottom - rect.top;
        idealWidth = rect.right - rect.left;
    }
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_ID | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_CHILDEDGE | RBBS_USECHEVRON | RBBS_NOGRIPPER | (newRow ? RBBS_BREAK : 0);
    band.hwndChild = child;
    band.cyMinChild = static_cast<UINT>(height);
    band.cx = static_cast<UINT>(idealWidth);
    band.cxIdeal = static_cast<UINT>(idealWidth);
    const CReBarCtrl rebar(rebar_);
    band.wID = rebar.GetBandCount();
    return rebar.InsertBand(-1, band);
}

HWND CFrameWindow::CreateSimpleStatusBar(const wchar_t* text, UINT id, DWORD style)
{
    statusBar_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, text, style, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), AppModule().Instance(), nullptr);
    return statusBar_;
}

void CFrameWindow::UpdateLayout(bool resizeBars)
{
    if (hwnd_ == nullptr) {
        return;
    }
    RECT area = GetClientRect();
    if (rebar_ != nullptr && HasVisibleStyle(rebar_)) {
        if (resizeBars) {
            ::SendMessageW(rebar_, WM_SIZE, 0, 0);
        }
        RECT bar{};
        ::GetWindowRect(rebar_, &bar);
        area.top += bar.bottom - bar.top;
    }
    if (statusBar_ != nullptr && HasVisibleStyle(statusBar_)) {
        if (resizeBars) {
            ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
        }
        RECT bar{};
        ::GetWindowRect(statusBar_, &bar);
        area.bottom -= bar.bottom - bar.top;
    }
    if (area.bottom < area.top) {
        area.bottom = area.top;
    }
    if (client_ != nullptr) {
        ::SetWindowPos(client_, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
            SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool CFrameWindow::PreTranslateMessage(MSG& msg)
{
    if (hwnd_ == nullptr || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) {
        return false;
    }
    if (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd)) {
        return false;
    }
    const bool plain = !IsKeyDown(VK_CONTROL) && !IsKeyDown(VK_MENU);
    if (msg.message == WM_KEYDOWN && plain && (msg.wParam == VK_TAB || msg.wParam == VK_F6) &&
        MoveFocus(msg.wParam == VK_F6, IsKeyDown(VK_SHIFT))) {
        return true;
    }
    return accelerators_ != nullptr && ::TranslateAcceleratorW(hwnd_, accelerators_, &msg) != 0;
}

bool CFrameWindow::MoveFocus(bool wholePanes, bool backwards)
{
    const std::vector<HWND> panes = KeyboardPanes();
    const TabStops tabs = CollectTabStops(panes);
    const size_t count = tabs.stops.size();
    if (count == 0) {
        return false;
    }
    const HWND focus = ::GetFocus();
    size_t current = count;
    for (size_t index = 0; index < count; ++index) {
        if (tabs.stops[index] == focus || ::IsChild(tabs.stops[index], focus)) {
            current = index;
        }
    }
    if (!wholePanes) {
        size_t next = backwards ? count - 1 : 0;
        if (current < count) {
            next = backwards ? (current + count - 1) % count : (current + 1) % count;
        }
        FocusControl(tabs.stops[next]);
        return true;
    }
    // From pane to pane, skipping those without a stop; each pane gets back
    // the control it had when F6 last left it.
    const size_t paneCount = panes.size();
    const size_t here = current < count ? tabs.pane[current] : (backwards ? 0 : paneCount - 1);
    if (current < count) {
        paneFocus_[panes[here]] = tabs.stops[current];
    }
    for (size_t step = 1; step <= paneCount; ++step) {
        const size_t pane = backwards ? (here + paneCount - step) % paneCount : (here + step) % paneCount;
        HWND first = nullptr;
        HWND remembered = nullptr;
        for (size_t index = 0; index < count; ++index) {
            if (tabs.pane[index] != pane) {
                continue;
            }
            first = first == nullptr ? tabs.stops[index] : first;
            if (const auto kept = paneFocus_.find(panes[pane]);
                kept != paneFocus_.end() && kept->second == tabs.stops[index]) {
                remembered = kept->second;
            }
        }
        if (first != nullptr) {
            FocusControl(remembered != nullptr ? remembered : first);
            return true;
        }
    }
    return false;
}

void CFrameWindow::FocusControl(HWND control)
{
    const HWND parent = ::GetParent(control);
    wchar_t name[16] = {};
    ::GetClassNameW(parent, name, 16);
    if (std::wstring(name) == L"#32770") {
        ::SendMessageW(parent, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    } else {
        ::SetFocus(control);
    }
}

LRESULT CFrameWindow::OnSize(Message& msg)
{
    if (msg.wParam != SIZE_MINIMIZED) {
        UpdateLayout();
    }
    msg.handled = false;
    return 0;
}

void CFrameWindow::FocusWhenActive(HWND control)
{
    if (::GetActiveWindow() == hwnd_) {
        FocusControl(control);
    } else {
        savedFocus_ = control;
    }
}

// The focus is kept while another window is active, and given back after.
LRESULT CFrameWindow::OnActivate(Message& msg)
{
    msg.handled = false;
    if (LOWORD(msg.wParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        savedFocus_ = focus != nullptr && ::IsChild(hwnd_, focus) ? focus : nullptr;
        return 0;
    }
    if (HIWORD(msg.wParam) == 0 && savedFocus_ != nullptr && ::IsChild(hwnd_, savedFocus_) &&
        ::IsWindowVisible(savedFocus_) && ::IsWindowEnabled(savedFocus_)) {
        ::SetFocus(savedFocus_);
        msg.handled = true;
    }
    savedFocus_ = nullptr;
    return 0;
}

LRESULT CFrameWindow::OnSetFocus(Message& msg)
{
    if (client_ != nullptr && HasVisibleStyle(client_)) {
        ::SetFocus(client_);
        return 0;
    }
    msg.handled = false;
    return 0;
}

LRESULT CFrameWindow::OnDestroy(Message& msg)
{
    if (endsMessageLoop_ && (GetStyle() & WS_CHILD) == 0) {
        ::PostQuitMessage(0);
    }
    msg.handled = false;
    return 0;
}

LRESULT CFrameWindow::OnNcDestroy(Message& msg)
{
    StopFiltering();
    msg.handled = false;
    return 0;
}

void CFrameWindow::StopFiltering()
{
    if (filteringLoop_ != nullptr) {
        // The loop may be gone already when the frame outlives it.
        if (AppModule().GetMessageLoop() == filteringLoop_) {
            filteringLoop_->RemoveMessageFilter(this);
        }
        filteringLoop_ = nullptr;
    }
}

LRESULT CFrameWindow::OnReBarAutoSize(Message& msg)
{
    (void)msg;
    UpdateLayout(false);
    return 0;
}

LRESULT CFrameWindow::OnChevronPushed(Message& msg)
{
    const auto* chevron = msg.NotificationAs<NMREBARCHEVRON>();
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD;
    CReBarCtrl(chevron->hdr.hwndFrom).GetBandInfo(chevron->uBand, band);
    const CToolBarCtrl toolbar(band.hwndChild);
    if (toolbar.Hwnd() == nullptr || !IsToolBar(toolbar)) {
        msg.handled = false;
        return 0;
    }
    // The band clips the toolbar: a button that ends beyond it is hidden.
    const RECT shown = toolbar.GetClientRect();
    MenuHandle menu(::CreatePopupMenu());
    const int count = toolbar.GetButtonCount();
    int items = 0;
    for (int index = 0; index < count; ++index) {
        TBBUTTON button{};
        toolbar.GetButton(index, button);
        RECT rect{};
        toolbar.GetItemRect(index, rect);
        if ((button.fsStyle & BTNS_SEP) != 0 || (button.fsState & TBSTATE_HIDDEN) != 0 || rect.right <= shown.right) {
            continue;
        }
        UINT flags = MF_STRING;
        if ((button.fsState & TBSTATE_ENABLED) == 0) {
            flags |= MF_GRAYED;
        }
        if ((button.fsState & TBSTATE_CHECKED) != 0) {
            flags |= MF_CHECKED;
        }
        const std::wstring text = ButtonText(hwnd_, toolbar, button.idCommand);
        ::AppendMenuW(menu.Get(), flags, static_cast<UINT_PTR>(button.idCommand), text.c_str());
        ++items;
    }
    if (items == 0) {
        return 0;
    }
    POINT corner{chevron->rc.left, chevron->rc.bottom};
    ::ClientToScreen(chevron->hdr.hwndFrom, &corner);
    const auto command = static_cast<UINT>(
        ::TrackPopupMenuEx(menu.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_RETURNCMD | TPM_RIGHTBUTTON,
            corner.x, corner.y, hwnd_, nullptr));
    if (command == 0) {
        return 0;
    }
    // A check button chosen from the menu changes as a click on it would,
    // before its command is heard.
    TBBUTTON chosen{};
    if (toolbar.GetButton(toolbar.CommandToIndex(static_cast<int>(command)), chosen) &&
        (chosen.fsStyle & BTNS_CHECK) != 0) {
        toolbar.CheckButton(static_cast<int>(command), (chosen.fsState & TBSTATE_CHECKED) == 0);
    }
    PostMessage(WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return 0;
}

} // namespace vandrelcommon::ui
