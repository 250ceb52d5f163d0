#pragma once
// A list box whose items are edited in place: an edit box and a small helper
// button appear over the item being edited. Double click or F2 opens the
// editor; Enter commits; Escape puts the item's text back and commits; the
// focus moving anywhere but to the helper button commits. Insert appends an
// item and edits it; Delete removes the selected item. After a commit every
// empty item is removed. The control shows no text of its own: its parent
// hears of the helper button, of each commit (which it may veto) and of
// changes to the list through WM_NOTIFY.
#include "ui/framework/Window.h"

#include <windows.h>

#include <string>

namespace vandrelcommon::ui {

// What the parent is told; `item` and `text` name the edited item.
struct EditListNotification {
    NMHDR header;
    int item;
    const wchar_t* text;
};

class CEditListBox : public CWindowImpl {
public:
    // Notification codes (header.code) sent to the list box's parent.
    static constexpr UINT kHelperPressed = WM_APP + 0x61; // the edit box keeps the focus
    static constexpr UINT kCommitting = WM_APP + 0x62;    // answer nonzero to keep the old text
    static constexpr UINT kListChanged = WM_APP + 0x63;   // items added, replaced or removed

    static constexpr int kMaxTextLength = 260;
    static constexpr int kEditId = 1;
    static constexpr int kHelperId = 2;

    CEditListBox();
    ~CEditListBox() override;

    // Takes over a list box and gives it the edit box and the helper button.
    bool SubclassWindow(HWND listBox);

    // Opens the editor over `item` (committing an open one first).
    bool BeginEdit(int item);
    // Commits the open editor; false when none is open.
    bool EndEdit();
    // Escape: the item's text goes back into the edit box, then it commits.
    bool CancelEdit();
    bool IsEditing() const { return editing_; }
    int EditedItem() const { return editing_ ? item_ : -1; }
    HWND EditBox() const { return edit_.Hwnd(); }
    HWND HelperButton() const { return helper_.Hwnd(); }

    // Appends an empty item, selects it and opens the editor on it.
    int AddItem();
    // Removes the selected item unless an item is being edited.
    bool RemoveSelectedItem();

    int Count() const;
    std::wstring ItemText(int item) const;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_LBUTTONDBLCLK, OnDoubleClick)
    ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
    ON_COMMAND_CODE(kHelperId, BN_CLICKED, OnHelperClicked)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_MESSAGE(WM_VSCROLL, OnListMoving)
    ON_MESSAGE(WM_MOUSEWHEEL, OnListMoving)
    ON_MESSAGE(WM_SIZE, OnListMoving)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    END_MESSAGE_MAP()

private:
    // The edit box: Enter and Escape are its own, and losing the focus commits.
    class CEditPart : public CWindowImpl {
    public:
        explicit CEditPart(CEditListBox& owner) : owner_(owner) { }
        BEGIN_MESSAGE_MAP()
        ON_MESSAGE(WM_GETDLGCODE, OnGetDlgCode)
        ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
        ON_MESSAGE(WM_CHAR, OnChar)
        ON_MESSAGE(WM_KILLFOCUS, OnKillFocus)
        END_MESSAGE_MAP()

    private:
        LRESULT OnGetDlgCode(Message& msg);
        LRESULT OnKeyDown(Message& msg);
        LRESULT OnChar(Message& msg);
        LRESULT OnKillFocus(Message& msg);
        CEditListBox& owner_;
    };

    // The helper button: losing the focus to anything but the edit box commits.
    class CHelperPart : public CWindowImpl {
    public:
        explicit CHelperPart(CEditListBox& owner) : owner_(owner) { }
        BEGIN_MESSAGE_MAP()
        ON_MESSAGE(WM_KILLFOCUS, OnKillFocus)
        END_MESSAGE_MAP()

    private:
        LRESULT OnKillFocus(Message& msg);
        CEditListBox& owner_;
    };

    LRESULT OnDoubleClick(Message& msg);
    LRESULT OnKeyDown(Message& msg);
    LRESULT OnHelperClicked(Message& msg);
    LRESULT OnDrawItem(Message& msg);
    LRESULT OnListMoving(Message& msg);
    LRESULT OnDestroy(Message& msg);

    // Closes the editor; `keepFocus` keeps the focus in the list (Enter and
    // Escape) instead of letting it go where it was going.
    bool Commit(bool keepFocus);
    void RemoveEmptyItems();
    LRESULT Notify(UINT code, int item, const wchar_t* text) const;

    CEditPart edit_;
    CHelperPart helper_;
    bool editing_ = false;
    bool committing_ = false;
    int item_ = -1;
    std::wstring original_;
};

} // namespace vandrelcommon::ui
