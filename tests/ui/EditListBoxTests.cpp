// The list edited in place: opening, committing, Escape, focus, the helper
// button, the parent's veto, Insert and Delete.
#include "tests/ui/UiTestSupport.h"
#include "ui/common/EditListBox.h"
#include "ui/framework/Module.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using namespace vandrelcommon::ui;

constexpr int kListId = 5;

// A parent that keeps what the list tells it and may veto commits or answer
// the helper button with a text of its own.
class CListParent : public CWindowImpl {
public:
    struct Heard {
        UINT code;
        int item;
        std::wstring text;
    };
    std::vector<Heard> heard;
    bool veto = false;
    std::wstring helperText;
    HWND editBox = nullptr;

    std::vector<UINT> Codes() const
    {
        std::vector<UINT> codes;
        for (const Heard& h : heard) {
            codes.push_back(h.code);
        }
        return codes;
    }

    bool ProcessWindowMessage(Message& msg) override
    {
        if (msg.message != WM_NOTIFY || msg.Notification()->idFrom != kListId) {
            return false;
        }
        const auto& notification = *msg.NotificationAs<EditListNotification>();
        heard.push_back(
            Heard{notification.header.code, notification.item, notification.text != nullptr ? notification.text : L""});
        msg.result = 0;
        if (notification.header.code == CEditListBox::kCommitting) {
            msg.result = veto ? 1 : 0;
        } else if (notification.header.code == CEditListBox::kHelperPressed && !helperText.empty()) {
            ::SetWindowTextW(editBox, helperText.c_str());
        }
        return true;
    }
};

class EditListTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(parent_.Create(nullptr, RECT{0, 0, 400, 300}, L"edit list test", WS_OVERLAPPEDWINDOW), nullptr);
        const HWND list = uitest::CreateChild(
            L"LISTBOX", parent_, RECT{10, 10, 250, 200}, LBS_NOTIFY | WS_VSCROLL | WS_BORDER, kListId);
        other_ = uitest::CreateChild(L"EDIT", parent_, RECT{260, 10, 380, 30});
        ASSERT_TRUE(box_.SubclassWindow(list));
        parent_.editBox = box_.EditBox();
        for (const wchar_t* text : {L"alpha", L"beta", L"gamma"}) {
            box_.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        parent_.ShowWindow(SW_SHOW);
        box_.SetFocus();
    }

    std::vector<std::wstring> Items() const
    {
        std::vector<std::wstring> items;
        for (int i = 0; i < box_.Count(); ++i) {
            items.push_back(box_.ItemText(i));
        }
        return items;
    }
    void Select(int item) const { box_.SendMessage(LB_SETCURSEL, static_cast<WPARAM>(item)); }
    int Selected() const { return static_cast<int>(box_.SendMessage(LB_GETCURSEL)); }
    void KeyTo(HWND window, WPARAM key) const
    {
        ::SendMessageW(window, WM_KEYDOWN, key, 1);
        ::SendMessageW(window, WM_KEYUP, key, 1);
    }
    void Type(const std::wstring& text) const { ::SetWindowTextW(box_.EditBox(), text.c_str()); }
    bool EditShown() const { return ::IsWindowVisible(box_.EditBox()) != FALSE; }
    const CListParent::Heard* LastHeard(UINT code) const
    {
        for (auto h = parent_.heard.rbegin(); h != parent_.heard.rend(); ++h) {
            if (h->code == code) {
                return &*h;
            }
        }
        return nullptr;
    }

    CListParent parent_;
    CEditListBox box_;
    HWND other_ = nullptr;
};

TEST_F(EditListTest, F2OpensTheEditorOverTheSelectedItem)
{
    Select(1);
    KeyTo(box_, VK_F2);
    ASSERT_TRUE(box_.IsEditing());
    EXPECT_EQ(box_.EditedItem(), 1);
    EXPECT_TRUE(EditShown());
    EXPECT_TRUE(::IsWindowVisible(box_.HelperButton()));
    EXPECT_EQ(CWindow(box_.EditBox()).GetText(), L"beta");
    EXPECT_EQ(::GetFocus(), box_.EditBox());
    EXPECT_EQ(::SendMessageW(box_.EditBox(), EM_GETLIMITTEXT, 0, 0), CEditListBox::kMaxTextLength);
    // In a dialog, Enter and Escape reach the edit box instead of OK and Cancel.
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        MSG pending{box_.EditBox(), WM_KEYDOWN, key, 1, 0, {}};
        EXPECT_EQ(
            ::SendMessageW(box_.EditBox(), WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&pending)), DLGC_WANTALLKEYS);
    }

    // Over the item: edit box and button share its row, the button at its right.
    RECT item{};
    box_.SendMessage(LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    const RECT edit = CWindow(box_.EditBox()).GetRectInParent();
    const RECT helper = CWindow(box_.HelperButton()).GetRectInParent();
    EXPECT_LE(edit.top, item.top);
    EXPECT_GE(edit.bottom, item.bottom);
    EXPECT_EQ(edit.left, item.left);
    EXPECT_EQ(edit.right, helper.left);
    EXPECT_LE(helper.right, item.right);
    EXPECT_EQ(CWindow(box_.HelperButton()).GetText(), L"");

    // Nothing selected: F2 opens nothing.
    KeyTo(box_.EditBox(), VK_RETURN);
    Select(-1);
    KeyTo(box_, VK_F2);
    EXPECT_FALSE(box_.IsEditing());
    EXPECT_FALSE(box_.BeginEdit(7));
    EXPECT_FALSE(box_.BeginEdit(-1));
    EXPECT_FALSE(box_.EndEdit());
}

TEST_F(EditListTest, EnterCommitsTheTextInPlaceAndKeepsItSelected)
{
    Select(1);
    KeyTo(box_, VK_F2);
    Type(L"b.t+");
    KeyTo(box_.EditBox(), VK_RETURN);
    EXPECT_FALSE(box_.IsEditing());
    EXPECT_FALSE(EditShown());
    EXPECT_EQ(Items(), (std::vector<std::wstring>{L"alpha", L"b.t+", L"gamma"}));
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(::GetFocus(), box_.Hwnd());
    const auto* committing = LastHeard(CEditListBox::kCommitting);
    ASSERT_NE(committing, nullptr);
    EXPECT_EQ(committing->item, 1);
    EXPECT_EQ(committing->text, L"b.t+");
    EXPECT_EQ(parent_.heard.back().code, CEditListBox::kListChanged);
}

TEST_F(EditListTest, EscapePutsTheTextBackAndCommits)
{
    Select(2);
    KeyTo(box_, VK_F2);
    Type(L"changed");
    KeyTo(box_.EditBox(), VK_ESCAPE);
    EXPECT_FALSE(box_.IsEditing());
    EXPECT_EQ(Items(), (std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}));
    ASSERT_NE(LastHeard(CEditListBox::kCommitting), nullptr);
    EXPECT_EQ(LastHeard(CEditListBox::kCommitting)->text, L"gamma");
    EXPECT_EQ(Selected(), 2);
}

TEST_F(EditListTest, EscapeRightAfterAddingLeavesNoEmptyItem)
{
    KeyTo(box_, VK_INSERT);
    ASSERT_TRUE(box_.IsEditing());
    EXPECT_EQ(box_.EditedItem(), 3);
    EXPECT_EQ(Items().size(), 4u);
    EXPECT_EQ(Selected(), 3);
    KeyTo(box_.EditBox(), VK_ESCAPE);
    EXPECT_EQ(Items(), (std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}));

    // The same through the add button's operation, with a typed text kept.
    ASSERT_EQ(box_.AddItem(), 3);
    Type(L"delta");
    KeyTo(box_.EditBox(), VK_RETURN);
    EXPECT_EQ(Items(), (std::vector<std::wstring>{L"alpha", L"beta", L"gamma", L"delta"}));
}

TEST_F(EditListTest, FocusMovingAwayCommitsUnlessItGoesToTheHelperButton)
{
    Select(0);
    KeyTo(box_, VK_F2);
    Type(L"alpha2");
    ::SetFocus(box_.HelperButton());
    EXPECT_TRUE(box_.IsEditing());
    ::SetFocus(box_.EditBox());
    EXPECT_TRUE(box_.IsEditing());
    ::SetFocus(other_);
    EXPECT_FALSE(box_.IsEditing());
    EXPECT_EQ(::GetFocus(), other_); // the focus went where it was sent
    EXPECT_EQ(box_.ItemText(0), L"alpha2");

    // From the helper button to elsewhere commits as well.
    Select(1);
    box_.BeginEdit(1);
    Type(L"beta2");
    ::SetFocus(box_.HelperButton());
    ::SetFocus(other_);
    EXPECT_FALSE(box_.IsEditing());
    EXPECT_EQ(box_.ItemText(1), L"beta2");
}

TEST_F(EditListTest, HelperButtonTellsTheParentAndTheEditorStaysOpen)
{
    parent_.helperText = L".*?\\.doc$";
    box_.BeginEdit(2);
    ::SendMessageW(box_.HelperButton(), BM_CLICK, 0, 0);
    const auto* helper = LastHeard(CEditListBox::kHelperPressed);
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->item, 2);
    EXPECT_EQ(helper->text, L"gamma");
    EXPECT_TRUE(box_.IsEditing());
    EXPECT_EQ(::GetFocus(), box_.EditBox());
    KeyTo(box_.EditBox(), VK_RETURN);
    EXPECT_EQ(box_.ItemText(2), L".*?\\.doc$");
}

TEST_F(EditListTest, AVetoKeepsTheOldText)
{
    parent_.veto = true;
    box_.BeginEdit(0);
    Type(L"rejected");
    KeyTo(box_.EditBox(), VK_RETURN);
    EXPECT_FALSE(box_.IsEditing());
    EXPECT_EQ(Items(), (std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}));
    EXPECT_EQ(Selected(), 0);
}

TEST_F(EditListTest, ACommitRemovesEveryEmptyItem)
{
    box_.SendMessage(LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(L""));
    box_.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
    ASSERT_EQ(Items().size(), 5u);
    box_.BeginEdit(0);
    Type(L"");
    KeyTo(box_.EditBox(), VK_RETURN);
    EXPECT_EQ(Items(), (std::vector<std::wstring>{L"beta", L"gamma"}));
    EXPECT_EQ(Selected(), -1);
}

TEST_F(EditListTest, DeleteRemovesTheSelectedItemOnlyWhenNothingIsEdited)
{
    Select(0);
    KeyTo(box_, VK_DELETE);
    EXPECT_EQ(Items(), (std::vector<std::wstring>{L"beta", L"gamma"}));
    EXPECT_EQ(parent_.heard.back().code, CEditListBox::kListChanged);
    KeyTo(box_, VK_DELETE); // nothing selected now
    EXPECT_EQ(Items().size(), 2u);

    box_.BeginEdit(1);
    KeyTo(box_, VK_DELETE);
    EXPECT_FALSE(box_.RemoveSelectedItem());
    EXPECT_EQ(Items().size(), 2u);
    EXPECT_TRUE(box_.IsEditing());
}

TEST_F(EditListTest, DoubleClickOpensTheItemUnderTheMouse)
{
    RECT item{};
    box_.SendMessage(LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    const LPARAM point = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
    ::SendMessageW(box_, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::SendMessageW(box_, WM_LBUTTONUP, 0, point);
    ::SendMessageW(box_, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    ::SendMessageW(box_, WM_LBUTTONUP, 0, point);
    EXPECT_TRUE(box_.IsEditing());
    EXPECT_EQ(box_.EditedItem(), 2);
    // Below the last item there is nothing to open.
    KeyTo(box_.EditBox(), VK_RETURN);
    const LPARAM below = MAKELPARAM(item.left + 5, item.bottom + 40);
    ::SendMessageW(box_, WM_LBUTTONDBLCLK, MK_LBUTTON, below);
    ::SendMessageW(box_, WM_LBUTTONUP, 0, below);
    EXPECT_FALSE(box_.IsEditing());
}

TEST_F(EditListTest, DestroyingTheListWhileEditingTellsTheParentNothing)
{
    box_.BeginEdit(1);
    Type(L"lost");
    parent_.heard.clear();
    ::DestroyWindow(box_.Hwnd());
    EXPECT_TRUE(parent_.heard.empty());
    EXPECT_FALSE(box_.IsEditing());
}

} // namespace
