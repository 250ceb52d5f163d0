#include "ui/common/ProgressParts.h"

#include "i18n/Localizer.h"

namespace vandrelcommon::ui {

namespace {

struct ThreadPriorityLevel {
    const char* textKey;
    int value;
};

// In list order.
constexpr ThreadPriorityLevel kThreadPriorityLevels[] = {
    {"duplicates-pane.priority.highest", THREAD_PRIORITY_HIGHEST},
    {"duplicates-pane.priority.above-normal", THREAD_PRIORITY_ABOVE_NORMAL},
    {"duplicates-pane.priority.normal", THREAD_PRIORITY_NORMAL},
    {"duplicates-pane.priority.below-normal", THREAD_PRIORITY_BELOW_NORMAL},
    {"duplicates-pane.priority.lowest", THREAD_PRIORITY_LOWEST},
};

int TextWidth(CWindow window)
{
    const std::wstring text = window.GetText();
    HDC dc = ::GetDC(window);
    const HGDIOBJ old = ::SelectObject(dc, window.GetFont());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return size.cx;
}

} // namespace

void CProgressNodeData::FillDisplayInfo(LVITEMW& item, CVirtualNode*)
{
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        ::lstrcpynW(item.pszText, (item.iSubItem == 0 ? caption_ : value_).c_str(), item.cchTextMax);
    }
}

void FillPriorityList(CWindow label, CComboBox list)
{
    label.SetText(vandrelcommon::system::Localize("duplicates-pane.priority.priority"));
    list.ResetContent();
    for (const auto& level : kThreadPriorityLevels) {
        const int index = list.AddString(vandrelcommon::system::Localize(level.textKey));
        list.SetItemData(index, level.value);
        if (level.value == THREAD_PRIORITY_NORMAL) {
            list.SetCurSel(index);
        }
    }
    RECT labelRect = label.GetRectInParent();
    labelRect.right = labelRect.left + TextWidth(label);
    label.MoveWindow(labelRect);
    const RECT listRect = list.GetRectInParent();
    list.SetWindowPos(nullptr, labelRect.right + 10, listRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int SelectedPriority(CComboBox list)
{
    return static_cast<int>(list.GetItemData(list.GetCurSel()));
}

} // namespace vandrelcommon::ui
