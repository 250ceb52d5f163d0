#pragma once
// The preview area below the result tree: two panes side by side, each with
// a file's name, size and modification time above its view; the second one
// can be hidden.
#include "resources/resource.h"
#include "ui/DuplicatePreview.h"
#include "ui/FilePreviewCtrl.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/Splitter.h"

#include <windows.h>

#include <string>

namespace clonarium {

class CPreviewPane : public vandrelcommon::ui::CDialogImpl {
public:
    CPreviewPane();

    // Shows the item's file and its name, size and time; null shows nothing
    // and "-" in the three fields.
    void SetFile(const CDuplicateItem* item);
    // Labels and the no-preview text from the current language.
    void Relocalize();
    // Right clicks on the view go to `window` as NM_RCLICK notifications.
    void SetNotifyWindow(HWND window) { notifyWindow_ = window; }

    CFilePreviewCtrl& View() { return view_; }

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_NOTIFY(IDC_PREVIEW_VIEW, NM_RCLICK, OnViewRightClick)
    END_MESSAGE_MAP()

private:
    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnSize(vandrelcommon::ui::Message& msg);
    LRESULT OnViewRightClick(vandrelcommon::ui::Message& msg);
    void Arrange();

    CFilePreviewCtrl view_;
    HWND notifyWindow_ = nullptr;
};

class CPreviewManager : public IDuplicatePreview {
public:
    CPreviewManager() = default;
    CPreviewManager(const CPreviewManager&) = delete;
    CPreviewManager& operator=(const CPreviewManager&) = delete;

    // Creates the splitter with both panes as a child of `parent`, which also
    // receives the right clicks on the views. Null on failure.
    HWND Create(HWND parent, const RECT& rect = RECT{});
    HWND Window() const { return splitter_.Hwnd(); }

    void ShowFirst(const CDuplicateItem* item) override;
    void ShowSecond(const CDuplicateItem* item) override;
    void SetSinglePane(bool single) override;
    void ReleaseFile(const std::wstring& path) override;

    // Re-texts both panes after the language has changed.
    void Relocalize();

    CPreviewPane& Pane(int index) { return panes_[index]; }
    const CPreviewPane& Pane(int index) const { return panes_[index]; }

private:
    vandrelcommon::ui::CSplitterWindow splitter_{true};
    CPreviewPane panes_[2];
};

} // namespace clonarium
