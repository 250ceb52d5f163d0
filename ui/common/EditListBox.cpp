#include "ui/common/EditListBox.h"

#include "ui/framework/Module.h"

#include <algorithm>
#include <vector>

namespace vandrelcommon::ui {

CEditListBox::CEditListBox() : edit_(*this), helper_(*this)
{ }

CEditListBox::~CEditListBox()
{
    // The parts go with this object even when the list box stays.
    editing_ = false;
    for (CWindowImpl* part : {static_cast<CWindowImpl*>(&edit_), static_cast<CWindowImpl*>(&helper_)}) {
        const HWND window = part->Hwnd();
        if (window != nullptr) {
            part->UnsubclassWindow();
            ::DestroyWindow(window);
        }
    }
}

bool CEditListBox::SubclassWindow(HWND listBox)
{
    if (!CWindowImpl::SubclassWindow(listBox)) {
        return false;
    }
    // The list box must not paint over the editor.
    ModifyStyle(0, WS_CLIPCHILDREN);
    const HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), AppModule().Instance(), nullptr);
    const HWND helper = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_PUSHBUTTON | BS_OWNERDRAW, 0, 0, 0, 0, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHelperId)), AppModule().Instance(), nullptr);
    if (edit == nullptr || helper == nullptr || !edit_.SubclassWindow(edit) || !helper_.SubclassWindow(helper)) {
        ::DestroyWindow(edit);
        ::DestroyWindow(helper);
        UnsubclassWindow();
        return false;
    }
    edit_.SendMessage(EM_SETLIMITTEXT, kMaxTextLength);
    return true;
}

int CEditListBox::Count() const
{
    return static_cast<int>(SendMessage(LB_GETCOUNT));
}

std::wstring CEditListBox::ItemText(int item) const
{
    const LRESULT length = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(item));
    if (length == LB_ERR || length <= 0) {
        return {};
    }
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    const LRESULT copied = SendMessage(LB_GETTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text.data()));
    return copied == LB_ERR ? std::wstring() : std::wstring(text.data(), static_cast<size_t>(copied));
}

LRESULT CEditListBox::Notify(UINT code, int item, const wchar_t* text) const
{
    EditListNotification notification{};
    notification.header.hwndFrom = hwnd_;
    notification.header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    notification.header.code = code;
    notification.item = item;
    notification.text = text;
    return ::SendMessageW(GetParent(), WM_NOTIFY, notification.header.idFrom, reinterpret_cast<LPARAM>(&notification));
}

bool CEditListBox::BeginEdit(int item)
{
    // Not from inside a commit: the parent is still being asked about the item.
    if (hwnd_ == nullptr || committing_) {
        return false;
    }
    if (editing_) {
        EndEdit();
    }
    if (item < 0 || item >= Count()) {
        return false;
    }
    SendMessage(LB_SETCURSEL, static_cast<WPARAM>(item)); // also scrolls it into view
    RECT rect{};
    if (SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&rect)) == LB_ERR) {
        return false;
    }
    editing_ = true;
    item_ = item;
    original_ = ItemText(item);

    // A square button at the item's right end; the edit box takes the rest,
    // a pixel taller on each side so that its border does not hide the text.
    const int height = rect.bottom - rect.top + 2;
    const RECT client = GetClientRect();
    const int right = std::min(rect.right, client.right);
    helper_.SetWindowPos(HWND_TOP, right - height, rect.top - 1, height, height, SWP_NOACTIVATE);
    edit_.SetWindowPos(HWND_TOP, rect.left, rect.top - 1, right - height - rect.left, height, SWP_NOACTIVATE);
    edit_.SetFont(GetFont(), false);
    edit_.SetText(original_);
    edit_.SendMessage(EM_SETSEL, 0, -1);
    edit_.ShowWindow(SW_SHOW);
    helper_.ShowWindow(SW_SHOW);
    edit_.SetFocus();
    return true;
}

bool CEditListBox::EndEdit()
{
    return Commit(false);
}

bool CEditListBox::CancelEdit()
{
    if (!editing_) {
        return false;
    }
    edit_.SetText(original_);
    return Commit(true);
}

bool CEditListBox::Commit(bool keepFocus)
{
    if (!editing_ || committing_) {
        return false;
    }
    committing_ = true;
    const std::wstring text = edit_.GetText();
    const bool vetoed = Notify(kCommitting, item_, text.c_str()) != 0;
    editing_ = false;
    const HWND focus = ::GetFocus();
    if (keepFocus && (focus == edit_.Hwnd() || focus == helper_.Hwnd())) {
        SetFocus();
    }
    edit_.ShowWindow(SW_HIDE);
    helper_.ShowWindow(SW_HIDE);
    // The parent may have changed the list while it was asked.
    if (item_ < Count()) {
        if (!vetoed) {
            const LRESULT data = SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(item_));
            SendMessage(LB_DELETESTRING, static_cast<WPARAM>(item_));
            SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(item_), reinterpret_cast<LPARAM>(text.c_str()));
            SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(item_), data);
        }
        SendMessage(LB_SETCURSEL, static_cast<WPARAM>(item_));
    }
    RemoveEmptyItems();
    committing_ = false;
    Notify(kListChanged, item_, nullptr);
    return true;
}

void CEditListBox::RemoveEmptyItems()
{
    for (int item = Count() - 1; item >= 0; --item) {
        if (SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(item)) == 0) {
            SendMessage(LB_DELETESTRING, static_cast<WPARAM>(item));
        }
    }
}

int CEditListBox::AddItem()
{
    if (hwnd_ == nullptr || committing_) {
        return -1;
    }
    EndEdit();
    // Appended even in a sorted list box.
    const int item =
        static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"")));
    if (item < 0) {
        return -1;
    }
    SendMessage(LB_SETCURSEL, static_cast<WPARAM>(item));
    Notify(kListChanged, item, nullptr);
    BeginEdit(item);
    return item;
}

bool CEditListBox::RemoveSelectedItem()
{
    if (hwnd_ == nullptr || editing_) {
        return false;
    }
    const int item = static_cast<int>(SendMessage(LB_GETCURSEL));
    if (item < 0) {
        return false;
    }
    SendMessage(LB_DELETESTRING, static_cast<WPARAM>(item));
    Notify(kListChanged, item, nullptr);
    return true;
}

LRESULT CEditListBox::OnDoubleClick(Message& msg)
{
    DefaultProcedure(msg);
    const LRESULT hit = SendMessage(LB_ITEMFROMPOINT, 0, msg.lParam);
    if (HIWORD(hit) == 0) {
        BeginEdit(static_cast<int>(LOWORD(hit)));
    }
    return 0;
}

LRESULT CEditListBox::OnKeyDown(Message& msg)
{
    switch (msg.wParam) {
    case VK_F2: {
        const int item = static_cast<int>(SendMessage(LB_GETCURSEL));
        if (item >= 0) {
            BeginEdit(item);
        }
        return 0;
    }
    case VK_INSERT:
        AddItem();
        return 0;
    case VK_DELETE:
        RemoveSelectedItem();
        return 0;
    default:
        msg.handled = false;
        return 0;
    }
}

LRESULT CEditListBox::OnHelperClicked(Message& msg)
{
    (void)msg;
    if (!editing_) {
        return 0;
    }
    edit_.SetFocus();
    edit_.SendMessage(EM_SETSEL, 0, -1);
    const std::wstring text = edit_.GetText();
    Notify(kHelperPressed, item_, text.c_str());
    return 0;
}

// The helper button: a drop-down arrow, no text.
LRESULT CEditListBox::OnDrawItem(Message& msg)
{
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    if (item.CtlType != ODT_BUTTON || item.hwndItem != helper_.Hwnd()) {
        msg.handled = false;
        return FALSE;
    }
    RECT rect = item.rcItem;
    UINT state = DFCS_SCROLLCOMBOBOX;
    if ((item.itemState & ODS_SELECTED) != 0) {
        state |= DFCS_PUSHED;
    }
    ::DrawFrameControl(item.hDC, &rect, DFC_SCROLL, state);
    return TRUE;
}

// The editor stays over its item: the list moving under it commits it.
LRESULT CEditListBox::OnListMoving(Message& msg)
{
    if (editing_) {
        Commit(::GetFocus() == edit_.Hwnd() || ::GetFocus() == helper_.Hwnd());
    }
    msg.handled = false;
    return 0;
}

LRESULT CEditListBox::OnDestroy(Message& msg)
{
    // The parent may be going too: nothing more is told.
    editing_ = false;
    msg.handled = false;
    return 0;
}

LRESULT CEditListBox::CEditPart::OnGetDlgCode(Message& msg)
{
    const auto* pending = reinterpret_cast<const MSG*>(msg.lParam);
    if (pending != nullptr && pending->message == WM_KEYDOWN &&
        (pending->wParam == VK_RETURN || pending->wParam == VK_ESCAPE)) {
        return DLGC_WANTALLKEYS;
    }
    msg.handled = false;
    return 0;
}

LRESULT CEditListBox::CEditPart::OnKeyDown(Message& msg)
{
    if (msg.wParam == VK_RETURN) {
        owner_.Commit(true);
        return 0;
    }
    if (msg.wParam == VK_ESCAPE) {
        owner_.CancelEdit();
        return 0;
    }
    msg.handled = false;
    return 0;
}

// The characters of Enter and Escape would only make the edit box beep.
LRESULT CEditListBox::CEditPart::OnChar(Message& msg)
{
    if (msg.wParam == L'\r' || msg.wParam == 0x1B) {
        return 0;
    }
    msg.handled = false;
    return 0;
}

LRESULT CEditListBox::CEditPart::OnKillFocus(Message& msg)
{
    if (reinterpret_cast<HWND>(msg.wParam) != owner_.helper_.Hwnd()) {
        owner_.Commit(false);
    }
    msg.handled = false;
    return 0;
}

LRESULT CEditListBox::CHelperPart::OnKillFocus(Message& msg)
{
    if (reinterpret_cast<HWND>(msg.wParam) != owner_.edit_.Hwnd()) {
        owner_.Commit(false);
    }
    msg.handled = false;
    return 0;
}

} // namespace vandrelcommon::ui
