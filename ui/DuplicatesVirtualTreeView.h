#pragma once
// The result tree: groups of duplicates and their files in columns, with the
// shell's file icons, the names of marked files struck out, failure remarks
// in red and a padlock column that chooses each group's locked file.
#include "results/DuplicateResult.h"
#include "results/TreeCleaner.h"
#include "ui/common/VirtualTreeView.h"
#include "ui/framework/GdiHandles.h"

#include <windows.h>
#include <commctrl.h>

namespace clonarium {

class CDuplicatesVirtualTreeView : public vandrelcommon::ui::CVirtualTreeView {
public:
    // Sent to the parent as a WM_NOTIFY code when a click changed a group's
    // locked file.
    static constexpr UINT kLockChanged = 0x7ff0;
    // Enter sends the parent ID_FILE_OPEN as a command, Ctrl+A ID_SELECT_ALL;
    // the delete keys are the main window's.
    static constexpr int kLockColumn = 1;

    CDuplicatesVirtualTreeView() = default;

    // Takes over the list view, takes its font and a struck-out copy, the
    // shell's small icons, the folder icon for groups and clickable headers.
    bool Attach(HWND listView);

    // Empties the tree at once (destroying what it held on a thread of its
    // own) and sets the columns of a result of `mode`; no group order yet.
    void SetupColumns(ResultMode mode);
    // Column titles from the current language table.
    void RelocalizeColumns();

    ResultMode Mode() const { return mode_; }
    int32_t GroupIcon() const { return groupIcon_; }
    const GroupOrdering& Ordering() const { return ordering_; }
    // Sorts the groups by `order`: descending, or ascending when it is the
    // current order and that is descending.
    void SortGroupsBy(GroupSortOrder order);

    // The group's locked file, or null.
    static CVirtualNode* LockedFile(const CVirtualNode* group);

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_LBUTTONDOWN, OnButtonDown)
    ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
    ON_MESSAGE(WM_GETDLGCODE, OnGetDialogCode)
    ON_MESSAGE(WM_NOTIFY, OnHeaderNotify)
    ON_REFLECTED_NOTIFY_CODE(LVN_COLUMNCLICK, OnColumnClick)
    CHAIN_TO_BASE(vandrelcommon::ui::CVirtualTreeView)
    END_MESSAGE_MAP()

protected:
    LRESULT OnRowPrePaint(NMLVCUSTOMDRAW& draw) override;
    LRESULT OnCellPrePaint(NMLVCUSTOMDRAW& draw) override;
    void OnRowPostPaint(NMLVCUSTOMDRAW& draw) override;

private:
    LRESULT OnButtonDown(vandrelcommon::ui::Message& msg);
    LRESULT OnKeyDown(vandrelcommon::ui::Message& msg);
    LRESULT OnGetDialogCode(vandrelcommon::ui::Message& msg);
    LRESULT OnHeaderNotify(vandrelcommon::ui::Message& msg);
    LRESULT OnColumnClick(vandrelcommon::ui::Message& msg);

    int RemarkColumn() const { return mode_ == SimilarImages ? 9 : 7; }
    // The file order a click on the column's header chooses; false for the
    // lock column.
    bool SortKeyOf(int column, FileSortKey& key) const;
    void ToggleLock(CVirtualNode* file);
    void DrawPadlock(HDC dc, int row) const;
    void SendCommand(UINT command) const;
    vandrelcommon::ui::CHeaderCtrl Header() const { return vandrelcommon::ui::CHeaderCtrl(ListView().GetHeader()); }

    ResultMode mode_ = ExactDuplicates;
    GroupOrdering ordering_;
    HFONT normalFont_ = nullptr; // the control's
    vandrelcommon::ui::GdiFont struckFont_;
    vandrelcommon::ui::GdiBitmap closedPadlock_;
    vandrelcommon::ui::GdiBitmap openPadlock_;
    int padlockSize_ = 16;
    int32_t groupIcon_ = -1;
    TreeCleaners cleaners_; // declared last: waits for its threads first
};

} // namespace clonarium
