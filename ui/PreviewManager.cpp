#include "ui/PreviewManager.h"

#include "i18n/Localizer.h"
#include "results/DuplicateResult.h"
#include "system/LongPath.h"
#include "ui/common/Layout.h"
#include "ui/common/TextFit.h"
#include "ui/framework/Dpi.h"

#include <algorithm>
#include <memory>

namespace clonarium {

using namespace vandrelcommon::ui;
using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::FileIdentity;
using vandrelcommon::system::IdentifyFile;
using vandrelcommon::system::Localize;

CPreviewPane::CPreviewPane() : CDialogImpl(IDD_PREVIEW_PANE)
{ }

LRESULT CPreviewPane::OnInitDialog(Message& msg)
{
    (void)msg;
    view_.Attach(GetDlgItem(IDC_PREVIEW_VIEW));
    Relocalize();
    SetFile(nullptr);
    return FALSE;
}

void CPreviewPane::SetFile(const CDuplicateItem* item)
{
    if (item == nullptr) {
        view_.Load(std::wstring());
        for (const int field : {IDC_PREVIEW_NAME, IDC_PREVIEW_SIZE, IDC_PREVIEW_MODIFIED}) {
            ::SetDlgItemTextW(hwnd_, field, L"-");
        }
        return;
    }
    const std::wstring path = AddLongPathPrefix(std::wstring(item->Path()));
    if (path != view_.Path()) {
        view_.Load(path);
    }
    ::SetDlgItemTextW(hwnd_, IDC_PREVIEW_NAME, item->Path().data());
    ::SetDlgItemTextW(hwnd_, IDC_PREVIEW_SIZE, FormatByteSize(item->size).c_str());
    ::SetDlgItemTextW(hwnd_, IDC_PREVIEW_MODIFIED, FormatFileTime(item->lastWriteTime).c_str());
}

void CPreviewPane::Relocalize()
{
    const std::pair<int, const char*> labels[] = {
        {IDC_PREVIEW_NAME_LABEL, "duplicates-pane.tree.header-filename"},
        {IDC_PREVIEW_SIZE_LABEL, "duplicates-pane.tree.header-size"},
        {IDC_PREVIEW_MODIFIED_LABEL, "duplicates-pane.tree.header-last-write-date"},
    };
    for (const auto& [id, key] : labels) {
        SetTextAndFit(GetDlgItem(id), Localize(key) + L":");
    }
    view_.SetNoPreviewText(Localize("duplicates-pane.no-preview-available"));
    Arrange();
    if (IsVisible()) {
        ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

LRESULT CPreviewPane::OnSize(Message& msg)
{
    (void)msg;
    Arrange();
    return 0;
}

// A grid of the three labelled fields on top, the view below in the rest.
// The values take the width the labels leave.
void CPreviewPane::Arrange()
{
    const int margin = ScaleX(4);
    const int gap = ScaleX(6);
    RECT area = GetClientRect();
    ::InflateRect(&area, -margin, -margin);
    const int fields[][2] = {{IDC_PREVIEW_NAME_LABEL, IDC_PREVIEW_NAME}, {IDC_PREVIEW_SIZE_LABEL, IDC_PREVIEW_SIZE},
        {IDC_PREVIEW_MODIFIED_LABEL, IDC_PREVIEW_MODIFIED}};
    int labelWidth = 0;
    for (const auto& field : fields) {
        const RECT label = CWindow(GetDlgItem(field[0])).GetRectInParent();
        labelWidth = std::max<int>(labelWidth, label.right - label.left);
    }
    const int valueWidth = area.right - area.left - labelWidth - gap;
    if (valueWidth <= 0 || area.bottom <= area.top) {
        return;
    }
    CVerticalLayout layout(hwnd_, area);
    auto grid = std::make_unique<CGridLayout>(hwnd_, area);
    for (const auto& field : fields) {
        const CWindow value(GetDlgItem(field[1]));
        const RECT rect = value.GetRectInParent();
        value.SetWindowPos(nullptr, 0, 0, valueWidth, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
        CHorizontalLayout* row = grid->AddRow();
        row->AddWindow(GetDlgItem(field[0]), Placement::Start, 0, Placement::Center, 0, 0);
        row->AddWindow(value, Placement::Start, gap, Placement::Start, 0, ScaleY(3));
    }
    layout.AddLayout(std::move(grid));
    layout.AddWindow(GetDlgItem(IDC_PREVIEW_VIEW), Placement::Stretch, 0, Placement::Stretch, ScaleY(3), 0);
    layout.Arrange(true);
}

LRESULT CPreviewPane::OnViewRightClick(Message& msg)
{
    if (notifyWindow_ != nullptr) {
        ::SendMessageW(notifyWindow_, WM_NOTIFY, msg.wParam, msg.lParam);
    }
    return 0;
}

HWND CPreviewManager::Create(HWND parent, const RECT& rect)
{
    if (splitter_.Create(parent, rect) == nullptr) {
        return nullptr;
    }
    splitter_.SetProportional(true);
    splitter_.SetDraggable(false);
    for (CPreviewPane& pane : panes_) {
        if (pane.Create(splitter_) == nullptr) {
            splitter_.DestroyWindow();
            return nullptr;
        }
        pane.SetNotifyWindow(parent);
        pane.ShowWindow(SW_SHOWNA);
    }
    splitter_.SetPanes(panes_[0], panes_[1]);
    splitter_.SetSplitterPos();
    return splitter_;
}

void CPreviewManager::ShowFirst(const CDuplicateItem* item)
{
    panes_[0].SetFile(item);
}

void CPreviewManager::ShowSecond(const CDuplicateItem* item)
{
    panes_[1].SetFile(item);
}

void CPreviewManager::SetSinglePane(bool single)
{
    splitter_.SetSinglePaneMode(single ? 0 : CSplitterWindow::kBothPanes);
    if (!single) {
        ShowSecond(nullptr);
    }
}

void CPreviewManager::ReleaseFile(const std::wstring& path)
{
    if (panes_[0].View().Path().empty() && panes_[1].View().Path().empty()) {
        return;
    }
    const std::wstring prefixed = AddLongPathPrefix(path);
    FileIdentity identity;
    if (!IdentifyFile(prefixed, identity)) {
        return;
    }
    for (CPreviewPane& pane : panes_) {
        if (pane.View().Shows(identity, prefixed)) {
            pane.View().Load(std::wstring());
        }
    }
}

void CPreviewManager::Relocalize()
{
    for (CPreviewPane& pane : panes_) {
        pane.Relocalize();
    }
}

} // namespace clonarium
