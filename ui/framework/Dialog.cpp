#include "ui/framework/Dialog.h"

#include "ui/framework/Module.h"

namespace vandrelcommon::ui {

namespace {

// Messages whose answer a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool AnswersDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

} // namespace

CDialogImpl::~CDialogImpl()
{
    if (hwnd_ == nullptr) {
        return;
    }
    HWND window = hwnd_;
    OnDestroyed();
    Unbind();
    if (!modal_) {
        ::DestroyWindow(window);
    }
}

INT_PTR CDialogImpl::DoModal(HWND owner, LPARAM initParam)
{
    if (hwnd_ != nullptr) {
        return -1;
    }
    modal_ = true;
    CreationScope scope(this, Kind::Dialog);
    return ::DialogBoxParamW(
        AppModule().ResourceInstance(), MAKEINTRESOURCEW(templateId_), owner, DialogProc, initParam);
}

INT_PTR CDialogImpl::DoModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner, LPARAM initParam)
{
    if (hwnd_ != nullptr || dialogTemplate == nullptr) {
        return -1;
    }
    modal_ = true;
    CreationScope scope(this, Kind::Dialog);
    return ::DialogBoxIndirectParamW(AppModule().ResourceInstance(), dialogTemplate, owner, DialogProc, initParam);
}

HWND CDialogImpl::Create(HWND parent, LPARAM initParam)
{
    if (hwnd_ != nullptr) {
        return nullptr;
    }
    modal_ = false;
    HWND window = nullptr;
    {
        CreationScope scope(this, Kind::Dialog);
        window = ::CreateDialogParamW(
            AppModule().ResourceInstance(), MAKEINTRESOURCEW(templateId_), parent, DialogProc, initParam);
    }
    AfterModelessCreate(window);
    return hwnd_;
}

HWND CDialogImpl::CreateIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent, LPARAM initParam)
{
    if (hwnd_ != nullptr || dialogTemplate == nullptr) {
        return nullptr;
    }
    modal_ = false;
    HWND window = nullptr;
    {
        CreationScope scope(this, Kind::Dialog);
        window =
            ::CreateDialogIndirectParamW(AppModule().ResourceInstance(), dialogTemplate, parent, DialogProc, initParam);
    }
    AfterModelessCreate(window);
    return hwnd_;
}

void CDialogImpl::AfterModelessCreate(HWND window)
{
    if (window == nullptr) {
        return;
    }
    if (hwnd_ != window) {
        ::DestroyWindow(window);
        ::SetLastError(ERROR_OUTOFMEMORY);
        return;
    }
    if (CMessageLoop* loop = AppModule().GetMessageLoop()) {
        loop->AddMessageFilter(this);
        filtering_ = true;
    }
}

void CDialogImpl::OnDestroyed()
{
    if (filtering_) {
        if (CMessageLoop* loop = AppModule().GetMessageLoop()) {
            loop->RemoveMessageFilter(this);
        }
        filtering_ = false;
    }
}

bool CDialogImpl::EndDialog(INT_PTR result)
{
    if (hwnd_ == nullptr) {
        return false;
    }
    if (modal_) {
        return ::EndDialog(hwnd_, result) != FALSE;
    }
    return ::DestroyWindow(hwnd_) != FALSE;
}

bool CDialogImpl::PreTranslateMessage(MSG& msg)
{
    if (hwnd_ == nullptr || (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd))) {
        return false;
    }
    return ::IsDialogMessageW(hwnd_, &msg) != FALSE;
}

INT_PTR CALLBACK CDialogImpl::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = static_cast<CDialogImpl*>(FromHandle(window));
    if (self == nullptr) {
        self = static_cast<CDialogImpl*>(TakePending(window, Kind::Dialog));
    }
    if (self == nullptr) {
        return FALSE;
    }

    self->EnterDispatch();
    Message msg{window, message, wParam, lParam};
    INT_PTR answer = FALSE;
    if (self->ProcessWindowMessage(msg)) {
        if (AnswersDirectly(message)) {
            answer = static_cast<INT_PTR>(msg.result);
        } else {
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, msg.result);
            answer = TRUE;
        }
    } else if (message == WM_INITDIALOG) {
        // Let the dialog manager focus the first control.
        answer = TRUE;
    }
    if (message == WM_NCDESTROY && self->hwnd_ == window) {
        self->OnDestroyed();
        self->Unbind();
        self->MarkDestroyed();
    }
    self->LeaveDispatch(window);
    return answer;
}

SIZE DialogUnitsToPixels(HWND dialog, int width, int height)
{
    RECT rect{0, 0, width, height};
    ::MapDialogRect(dialog, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace vandrelcommon::ui
