#pragma once
// What the progress dialogs share: the caption-and-value rows of their list,
// the thread-priority list beside its label, and the elapsed-time text.
#include "ui/common/VirtualTree.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/Controls.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace clonarium {

// One row of a progress dialog's list: a caption, its value and the index of
// the caption's image in the list's small images (I_IMAGENONE for none).
class CProgressNodeData : public vandrelcommon::ui::IVirtualNodeData {
public:
    explicit CProgressNodeData(std::wstring caption, int image = I_IMAGENONE)
        : caption_(std::move(caption)), image_(image)
    { }
    void FillDisplayInfo(LVITEMW& item, vandrelcommon::ui::CVirtualNode* node) override;
    const std::wstring& Value() const { return value_; }
    void SetValue(std::wstring value) { value_ = std::move(value); }

private:
    std::wstring caption_;
    std::wstring value_;
    int image_;
};

// Gives the list its caption and value columns, the captions two fifths of
// its width, and one row a caption, in order; the rows belong to the list.
// `images`, when given, holds each row's image index.
std::vector<CProgressNodeData*> AddProgressRows(vandrelcommon::ui::CVirtualTreeView& list,
    const std::vector<std::wstring>& captions, const std::vector<int>& images = {});

// Fills `list` with the thread priorities, "Normal" selected, each item's
// data its priority value; texts the label and sets the list 10 pixels (at
// 96 DPI) right of the label's text.
void FillPriorityList(const vandrelcommon::ui::CWindow& label, const vandrelcommon::ui::CComboBox& list);
// The priority value of the list's selected item.
int SelectedPriority(const vandrelcommon::ui::CComboBox& list);

// "hh:mm:ss"; the hours go on past 24.
std::wstring ElapsedText(uint64_t seconds);

} // namespace clonarium
