#pragma once
// A one-line input dialog built in memory: a prompt, an edit box, OK and
// Cancel.
#include "ui/framework/Dialog.h"

#include <string>
#include <vector>

namespace vandrelcommon::ui {

class CInputBox : public CDialogImpl {
public:
    // `width` and `height` are the box's size in dialog units.
    CInputBox(std::wstring caption, std::wstring prompt, std::wstring okText, std::wstring cancelText, int width = 240,
        int height = 38);

    // 1 with Text() holding what was entered, 0 on Cancel (or when the box
    // could not be shown).
    int Run(HWND owner);
    const std::wstring& Text() const { return text_; }

    static constexpr int kPromptId = 4;
    static constexpr int kEditId = 3;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_COMMAND(IDOK, OnOk)
    ON_COMMAND(IDCANCEL, OnCancel)
    END_MESSAGE_MAP()

private:
    LRESULT OnInitDialog(Message& msg);
    LRESULT OnOk(Message& msg);
    LRESULT OnCancel(Message& msg);
    // The dialog template, DWORD-aligned as DialogBoxIndirect needs it.
    std::vector<DWORD> BuildTemplate() const;

    std::wstring caption_;
    std::wstring prompt_;
    std::wstring okText_;
    std::wstring cancelText_;
    int width_;
    int height_;
    std::wstring text_;
};

} // namespace vandrelcommon::ui
