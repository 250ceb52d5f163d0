#pragma once
// Pieces every progress dialog shares: the caption-and-value rows of its
// list, and its list of thread priorities.
#include "ui/common/VirtualTree.h"
#include "ui/framework/Controls.h"

#include <string>

namespace vandrelcommon::ui {

// One row of a progress list: a caption and its value.
class CProgressNodeData : public IVirtualNodeData {
public:
    explicit CProgressNodeData(std::wstring caption) : caption_(std::move(caption)) { }
    void FillDisplayInfo(LVITEMW& item, CVirtualNode* node) override;
    const std::wstring& Value() const { return value_; }
    void SetValue(std::wstring value) { value_ = std::move(value); }

private:
    std::wstring caption_;
    std::wstring value_;
};

// Texts the label, fills the list with the priority levels (Normal chosen)
// and puts the list 10 pixels right of the label, sized to its text.
void FillPriorityList(CWindow label, CComboBox list);
// The thread priority value of the chosen level.
int SelectedPriority(CComboBox list);

} // namespace vandrelcommon::ui
