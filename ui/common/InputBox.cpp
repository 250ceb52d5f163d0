#include "ui/common/InputBox.h"

#include <algorithm>
#include <cstring>

namespace vandrelcommon::ui {

namespace {

// Writes a dialog template word by word; items start on DWORD boundaries.
class TemplateWriter {
public:
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value)
    {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void AlignToDword()
    {
        if (words_.size() % 2 != 0) {
            Word(0);
        }
    }
    void EmptyString() { Word(0); }

    void Header(DWORD style, WORD itemCount, short width, short height)
    {
        Dword(style);
        Dword(0); // extended style
        Word(itemCount);
        Word(0); // x
        Word(0); // y
        Word(static_cast<WORD>(width));
        Word(static_cast<WORD>(height));
        EmptyString(); // no menu
        EmptyString(); // the dialog class
        EmptyString(); // title: set when the box opens
    }

    // `systemClass` is the atom of a predefined class: 0x80 button, 0x81
    // edit, 0x82 static.
    void Item(DWORD style, short x, short y, short width, short height, WORD id, WORD systemClass)
    {
        AlignToDword();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Word(static_cast<WORD>(x));
        Word(static_cast<WORD>(y));
        Word(static_cast<WORD>(width));
        Word(static_cast<WORD>(height));
        Word(id);
        Word(0xFFFF);
        Word(systemClass);
        EmptyString(); // text: set when the box opens
        Word(0);       // no creation data
    }

    std::vector<DWORD> Finish() const
    {
        std::vector<DWORD> aligned((words_.size() + 1) / 2, 0);
        std::memcpy(aligned.data(), words_.data(), words_.size() * sizeof(WORD));
        return aligned;
    }

private:
    std::vector<WORD> words_;
};

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

} // namespace

CInputBox::CInputBox(
    std::wstring caption, std::wstring prompt, std::wstring okText, std::wstring cancelText, int width, int height)
    : caption_(std::move(caption)),
      prompt_(std::move(prompt)),
      okText_(std::move(okText)),
      cancelText_(std::move(cancelText)),
      width_(width),
      height_(height)
{ }

std::vector<DWORD> CInputBox::BuildTemplate() const
{
    // Narrower than the buttons column leaves no room for the edit box.
    const auto width = static_cast<short>(std::clamp(width_, 62, 0x7FFF));
    const auto height = static_cast<short>(std::clamp(height_, 0, 0x7FFF));
    TemplateWriter writer;
    writer.Header(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 4, width, height);
    writer.Item(SS_LEFT, 4, 4, static_cast<short>(width - 62), 14, kPromptId, kStaticClass);
    writer.Item(
        WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 4, 21, static_cast<short>(width - 62), 12, kEditId, kEditClass);
    writer.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, static_cast<short>(width - 54), 4, 50, 14, IDOK, kButtonClass);
    writer.Item(BS_PUSHBUTTON | WS_TABSTOP, static_cast<short>(width - 54), 20, 50, 14, IDCANCEL, kButtonClass);
    return writer.Finish();
}

int CInputBox::Run(HWND owner)
{
    text_.clear();
    const std::vector<DWORD> dialogTemplate = BuildTemplate();
    const INT_PTR result = DoModalIndirect(reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), owner);
    return result == 1 ? 1 : 0;
}

LRESULT CInputBox::OnInitDialog(Message& msg)
{
    (void)msg;
    SetText(caption_);
    ::SetDlgItemTextW(hwnd_, kPromptId, prompt_.c_str());
    ::SetDlgItemTextW(hwnd_, IDOK, okText_.c_str());
    ::SetDlgItemTextW(hwnd_, IDCANCEL, cancelText_.c_str());
    const auto font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    for (int id : {kPromptId, kEditId, static_cast<int>(IDOK), static_cast<int>(IDCANCEL)}) {
        ::SendDlgItemMessageW(hwnd_, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    CenterWindow(GetParent());
    ::SetFocus(GetDlgItem(kEditId));
    // The focus is set: the dialog manager must not move it.
    return FALSE;
}

LRESULT CInputBox::OnOk(Message& msg)
{
    (void)msg;
    text_ = CWindow(GetDlgItem(kEditId)).GetText();
    EndDialog(1);
    return 0;
}

LRESULT CInputBox::OnCancel(Message& msg)
{
    (void)msg;
    EndDialog(0);
    return 0;
}

} // namespace vandrelcommon::ui
