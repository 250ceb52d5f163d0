#include "ui/ProgressDialogParts.h"

#include "i18n/Localizer.h"
#include "ui/common/ThreadPriorities.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/GdiHandles.h"

#include <cstdio>
#include <memory>

namespace clonarium {

using vandrelcommon::system::Localize;

namespace {

std::string Narrow(const wchar_t* key)
{
    return std::string(key, key + wcslen(key));
}

std::string PriorityKey(const wchar_t* key)
{
    return Narrow(vandrelcommon::ui::kThreadPrioritySection) + "." + Narrow(key);
}

int TextWidth(const vandrelcommon::ui::CWindow& window, const std::wstring& text)
{
    const vandrelcommon::ui::ClientDC dc(window);
    const vandrelcommon::ui::SelectedObject font(dc, window.GetFont());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

} // namespace

void CProgressNodeData::FillDisplayInfo(LVITEMW& item, vandrelcommon::ui::CVirtualNode*)
{
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        ::lstrcpynW(item.pszText, (item.iSubItem == 0 ? caption_ : value_).c_str(), item.cchTextMax);
    }
    if ((item.mask & LVIF_IMAGE) != 0 && item.iSubItem == 0) {
        item.iImage = image_;
    }
}

std::vector<CProgressNodeData*> AddProgressRows(vandrelcommon::ui::CVirtualTreeView& list,
    const std::vector<std::wstring>& captions, const std::vector<int>& images)
{
    const vandrelcommon::ui::CListViewCtrl listView(list.Hwnd());
    const RECT client = list.GetClientRect();
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = (client.right - client.left) * 2 / 5;
    listView.InsertColumn(0, column);
    column.cx = (client.right - client.left) - column.cx;
    listView.InsertColumn(1, column);
    std::vector<CProgressNodeData*> rows;
    for (size_t i = 0; i < captions.size(); ++i) {
        auto data = std::make_unique<CProgressNodeData>(captions[i], i < images.size() ? images[i] : I_IMAGENONE);
        rows.push_back(data.get());
        list.AddNode(nullptr, std::move(data));
    }
    return rows;
}

void FillPriorityList(const vandrelcommon::ui::CWindow& label, const vandrelcommon::ui::CComboBox& list)
{
    label.SetText(Localize(PriorityKey(vandrelcommon::ui::kThreadPriorityLabelKey)));
    for (const auto& level : vandrelcommon::ui::kThreadPriorityLevels) {
        const int index = list.AddString(Localize(PriorityKey(level.textKey)));
        list.SetItemData(index, level.value);
        if (level.value == THREAD_PRIORITY_NORMAL) {
            list.SetCurSel(index);
        }
    }
    // The label's width follows its text in every language.
    RECT labelRect = label.GetRectInParent();
    labelRect.right = labelRect.left + TextWidth(label, label.GetText());
    label.MoveWindow(labelRect);
    const RECT listRect = list.GetRectInParent();
    list.SetWindowPos(
        nullptr, labelRect.right + vandrelcommon::ui::ScaleX(10), listRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int SelectedPriority(const vandrelcommon::ui::CComboBox& list)
{
    return static_cast<int>(list.GetItemData(list.GetCurSel()));
}

std::wstring ElapsedText(uint64_t seconds)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%02llu:%02llu:%02llu", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

} // namespace clonarium
