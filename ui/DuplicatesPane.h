#pragma once
// The result view of the main window: the result tree filling a child
// dialog, the result commands of the toolbar's menus (marking rules, group
// order, reports, deletion), the context menus of its rows, and the preview
// kept in step with the selected row.
#include "deletion/DeleteTypes.h"
#include "resources/resource.h"
#include "results/SmartSelect.h"
#include "storage/ApplicationSettings.h"
#include "ui/DuplicatePreview.h"
#include "ui/DuplicatesVirtualTreeView.h"
#include "ui/ModeContainer.h"
#include "ui/framework/Dialog.h"

#include <windows.h>

namespace clonarium {

class CDuplicatesPane : public vandrelcommon::ui::CDialogImpl {
public:
    static constexpr UINT_PTR kPreviewTimer = 1;
    static constexpr UINT kPreviewPeriod = 100; // ms

    CDuplicatesPane(ApplicationSettings& settings, IModeContainer& container, IDuplicatePreview& preview);

    CDuplicatesVirtualTreeView& Tree() { return tree_; }

    // Before a result of `mode` is loaded: the tree emptied, its columns set.
    void SetupColumns(ResultMode mode);
    // After a result was loaded: statistics, groups by total size, the first
    // row in view, the preview following the selection.
    void ShowResult();
    // Leaving results mode: the timer stopped, the tree emptied.
    void ClearResult();
    // The status line's numbers for the groups now in the tree, and for the
    // files marked.
    void UpdateStatistics();
    void UpdateMarks();
    // Column titles and status text after the language has changed.
    void Relocalize();

    void StartPreviewTimer();
    void StopPreviewTimer();
    // Shows what the selected row calls for in the preview.
    void UpdatePreview();

    // Marks the files of the remembered mode's choice for deletion after the
    // questions the mode asks, then deletes them under the progress dialog.
    void StartDelete(DeleteMode mode);

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
    ON_MESSAGE(WM_MEASUREITEM, OnMeasureItem)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_MESSAGE(WM_COMMAND, OnCommand)
    ON_NOTIFY(IDC_DUPLICATES_TREE, CDuplicatesVirtualTreeView::kLockChanged, OnLockChanged)
    ON_NOTIFY(IDC_DUPLICATES_TREE, CDuplicatesVirtualTreeView::kCheckChanged, OnMarksChanged)
    REFLECT_NOTIFICATIONS()
    END_MESSAGE_MAP()

private:
    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnSize(vandrelcommon::ui::Message& msg);
    LRESULT OnTimer(vandrelcommon::ui::Message& msg);
    LRESULT OnContextMenu(vandrelcommon::ui::Message& msg);
    LRESULT OnMeasureItem(vandrelcommon::ui::Message& msg);
    LRESULT OnDrawItem(vandrelcommon::ui::Message& msg);
    LRESULT OnCommand(vandrelcommon::ui::Message& msg);
    LRESULT OnLockChanged(vandrelcommon::ui::Message& msg);
    LRESULT OnMarksChanged(vandrelcommon::ui::Message& msg);
    void TellRuleResult(const RegexpRule& rule, uint64_t matched);

    // Commands over the whole result; false for a command that is not one.
    bool RunResultCommand(UINT command);
    void RunOverAllGroups(const SelectionJob& job);
    // The rule the user chose in the rules dialog, or null.
    const RegexpRule* ChooseRegexpRule();
    void SetAllMarks(vandrelcommon::ui::CheckState state);
    void SortGroupsBy(GroupSortOrder order);
    void ShowSortMarks();
    void Export(UINT command);
    void RunShellCommand(UINT command) const;
    // The folder the user picked for backups; false when cancelled.
    bool ChooseBackupFolder();
    // Asks whether to delete `count` files the way `mode` does.
    bool ConfirmDelete(DeleteMode mode, size_t count) const;

    void ShowGroupMenu(CVirtualNode* group, POINT screen);
    void ShowFileMenu(int row, POINT screen);
    void ApplyToGroup(UINT command, CVirtualNode* group);

    // The node of the only selected row, or null.
    CVirtualNode* SelectedNode() const;
    const CDuplicateItem* SelectedFile() const;

    ApplicationSettings& settings_;
    IModeContainer& container_;
    IDuplicatePreview& preview_;
    CDuplicatesVirtualTreeView tree_;
    // The preview timer's memory: the row seen at the last tick, and whether
    // the preview shows it already.
    const CVirtualNode* seenNode_ = nullptr;
    bool previewShown_ = false;
    bool timerRunning_ = false;
    bool marksDirty_ = false;
    std::wstring ruleNote_; // what the last rule matched, until the marks change
};

} // namespace clonarium
