// The input box, driven as a user would: typed into, confirmed or cancelled.
#include "tests/ui/UiTestSupport.h"
#include "ui/common/InputBox.h"
#include "ui/framework/Module.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

using namespace vandrelcommon::ui;

// What the timer saw of the open input box, and what it did.
struct InputBoxScript {
    std::wstring typed;
    bool confirm = true;
    std::wstring caption;
    std::wstring prompt;
    std::wstring okText;
    std::wstring cancelText;
    bool allDefaultFont = false;
    bool editHasFocus = false;
    bool found = false;
};
InputBoxScript* script = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK PlayInputBox(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) {
        return;
    }
    ::KillTimer(nullptr, id);
    script->found = true;
    script->caption = CWindow(dialog).GetText();
    script->prompt = CWindow(::GetDlgItem(dialog, CInputBox::kPromptId)).GetText();
    script->okText = CWindow(::GetDlgItem(dialog, IDOK)).GetText();
    script->cancelText = CWindow(::GetDlgItem(dialog, IDCANCEL)).GetText();
    const auto guiFont = reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT));
    script->allDefaultFont = true;
    for (int item : {CInputBox::kPromptId, CInputBox::kEditId, static_cast<int>(IDOK), static_cast<int>(IDCANCEL)}) {
        script->allDefaultFont = script->allDefaultFont &&
                                 static_cast<WPARAM>(::SendDlgItemMessageW(dialog, item, WM_GETFONT, 0, 0)) == guiFont;
    }
    script->editHasFocus = ::GetFocus() == ::GetDlgItem(dialog, CInputBox::kEditId);
    ::SetDlgItemTextW(dialog, CInputBox::kEditId, script->typed.c_str());
    const int button = script->confirm ? IDOK : IDCANCEL;
    ::PostMessageW(
        dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
}

int RunScriptedInputBox(InputBoxScript& played, HWND owner)
{
    script = &played;
    ::SetTimer(nullptr, 0, 20, PlayInputBox);
    CInputBox box(L"Adding a new search preset...", L"Enter a name for the new search preset:", L"OK", L"Cancel");
    const int result = box.Run(owner);
    played.typed = box.Text();
    script = nullptr;
    return result;
}

TEST(InputBox, ReturnsOneWithTheTextOnOkAndZeroOnCancel)
{
    uitest::CRecordingParent owner;
    ASSERT_NE(owner.Create(), nullptr);

    InputBoxScript ok;
    ok.typed = L"Photos of 2024";
    EXPECT_EQ(RunScriptedInputBox(ok, owner), 1);
    ASSERT_TRUE(ok.found);
    EXPECT_EQ(ok.typed, L"Photos of 2024");
    EXPECT_EQ(ok.caption, L"Adding a new search preset...");
    EXPECT_EQ(ok.prompt, L"Enter a name for the new search preset:");
    EXPECT_EQ(ok.okText, L"OK");
    EXPECT_EQ(ok.cancelText, L"Cancel");
    EXPECT_TRUE(ok.allDefaultFont);
    EXPECT_TRUE(ok.editHasFocus);

    InputBoxScript cancel;
    cancel.typed = L"never used";
    cancel.confirm = false;
    EXPECT_EQ(RunScriptedInputBox(cancel, owner), 0);
    EXPECT_TRUE(cancel.found);
    EXPECT_EQ(cancel.typed, L"");
}

} // namespace
