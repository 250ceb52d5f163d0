#pragma once
// Dialogs made from resource templates (by number) or from templates built
// in memory, run modally or modeless, with their messages in a message map.
#include "ui/framework/MessageLoop.h"
#include "ui/framework/Window.h"

#include <windows.h>

namespace vandrelcommon::ui {

class CDialogImpl : public CWindowBase, public IPreTranslateFilter {
public:
    explicit CDialogImpl(UINT templateId = 0) : templateId_(templateId) { }
    // A modeless dialog still open is destroyed with its object.
    ~CDialogImpl() override;

    UINT TemplateId() const { return templateId_; }

    // Runs the dialog of TemplateId from the module's resources; returns what
    // EndDialog was given, or -1 when there is no such template or no window.
    INT_PTR DoModal(HWND owner = nullptr, LPARAM initParam = 0);
    INT_PTR DoModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner = nullptr, LPARAM initParam = 0);

    // Creates the dialog modeless; null when there is no such template. While
    // open it sees the messages of its thread's loop first (Tab, Enter...).
    HWND Create(HWND parent, LPARAM initParam = 0);
    HWND CreateIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent, LPARAM initParam = 0);

    // Ends a modal dialog with `result`; destroys a modeless one.
    bool EndDialog(INT_PTR result);
    bool IsModal() const { return modal_; }

    bool PreTranslateMessage(MSG& msg) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void AfterModelessCreate(HWND window);
    void OnDestroyed();

    UINT templateId_;
    bool modal_ = false;
    bool filtering_ = false;
};

// Converts a size in dialog units of `dialog` into pixels.
SIZE DialogUnitsToPixels(HWND dialog, int width, int height);

} // namespace vandrelcommon::ui
