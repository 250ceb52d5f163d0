#pragma once
// The pane in which the user edits the current search preset: search mode,
// masks, protected folders, size, date and attribute bounds, and the options
// of the similar-image search.
//
// How a host (the main window) uses it:
//   - Create(parent) makes the pane, hidden; the host places and shows it.
//   - ApplyPreset(&preset) makes `preset` current and fills every control
//     from it. The preset stays the host's (its preset list owns it). The
//     host enables its delete-preset button unless preset.IsDefault.
//   - Whenever the form changes, the pane sends its parent WM_NOTIFY with
//     code kFormChanged (holders between pass it on); the host then enables
//     its save-preset button exactly when IsChanged().
//   - GatherParameters(record) fills a record for a search; SaveCurrentPreset()
//     answers the save-preset button; ConfirmSave() runs before the host
//     switches presets or closes (Cancel: the host abandons that).
//   - Relocalize() after the language has changed.
#include "engine/SearchParameters.h"
#include "resources/resource.h"
#include "ui/common/EditListBox.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/GdiHandles.h"

#include <windows.h>

#include <string>
#include <utility>

namespace clonarium {

class CSearchOptionsPane : public vandrelcommon::ui::CDialogImpl {
public:
    // WM_NOTIFY code sent to the parent after any change of the form.
    static constexpr UINT kFormChanged = WM_APP + 0x70;

    enum class SaveAnswer { Yes, No, Cancel };

    CSearchOptionsPane();

    // The pane as a hidden child of `parent`; null on failure.
    HWND Create(HWND parent);

    // Makes `preset` current and fills every control from it. With null the
    // controls stay as they are and there is nothing to compare them with.
    void ApplyPreset(SearchParameters* preset);
    SearchParameters* CurrentPreset() const { return preset_; }

    // Reads every control into `record`, keeping its name, storage path and
    // is-default flag; an item still being edited in place is committed
    // first. A size field whose box is on and that does not hold an unsigned
    // number gets a message naming it and takes the focus; the record is
    // then left untouched and the answer is false. A size field whose box is
    // off is not read.
    bool GatherParameters(SearchParameters& record);

    // True when the form differs from the current preset (a size field that
    // is not a number counts as a difference).
    bool IsChanged() const;

    // The save-preset button: gathers the form into the current preset and
    // saves it to its file. True when the file was written (the host then
    // disables the button); false when the form could not be read, the
    // preset has no file or writing it failed.
    bool SaveCurrentPreset();

    // Asks whether to save the changes of the form, if there are any. Yes
    // saves them. A size field that is not a number answers Cancel, with
    // the focus on it, so that nothing the user typed is lost.
    SaveAnswer ConfirmSave();

    // Takes every text from the current language and lays the pane out again.
    void Relocalize();

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_HSCROLL, OnSimilarityScroll)
    ON_COMMAND(IDC_OPTIONS_SCAN_ADD, OnAddMask)
    ON_COMMAND(IDC_OPTIONS_IGNORE_ADD, OnAddMask)
    ON_COMMAND(IDC_OPTIONS_PROTECT_ADD, OnAddProtectedFolder)
    ON_COMMAND(IDC_OPTIONS_SCAN_REMOVE, OnRemoveItem)
    ON_COMMAND(IDC_OPTIONS_IGNORE_REMOVE, OnRemoveItem)
    ON_COMMAND(IDC_OPTIONS_PROTECT_REMOVE, OnRemoveItem)
    ON_MESSAGE(WM_COMMAND, OnCommand)
    ON_NOTIFY(IDC_OPTIONS_PROTECT_LIST, vandrelcommon::ui::CEditListBox::kHelperPressed, OnBrowseEditedFolder)
    ON_NOTIFY_CODE(vandrelcommon::ui::CEditListBox::kListChanged, OnListChanged)
    ON_NOTIFY_CODE(DTN_DATETIMECHANGE, OnDateChanged)
    END_MESSAGE_MAP()

private:
    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnSize(vandrelcommon::ui::Message& msg);
    LRESULT OnSimilarityScroll(vandrelcommon::ui::Message& msg);
    LRESULT OnAddMask(vandrelcommon::ui::Message& msg);
    LRESULT OnAddProtectedFolder(vandrelcommon::ui::Message& msg);
    LRESULT OnRemoveItem(vandrelcommon::ui::Message& msg);
    LRESULT OnCommand(vandrelcommon::ui::Message& msg);
    LRESULT OnBrowseEditedFolder(vandrelcommon::ui::Message& msg);
    LRESULT OnListChanged(vandrelcommon::ui::Message& msg);
    LRESULT OnDateChanged(vandrelcommon::ui::Message& msg);

    // Reads the controls into `record`; the id of a size field that is not
    // a number, or 0.
    int ReadControls(SearchParameters& record) const;
    void ShowBadBound(int field) const;
    void FillLists(const SearchParameters& preset);
    void FillDates(const SearchParameters& preset);
    void FillUnits();
    void UpdateEnabling() const;
    void UpdateSimilarityText() const;
    // Runs the enabling rules and tells the parent that the form changed.
    void FormChanged() const;
    void CreateTooltips();
    // The tooltip entry of the control `id`, with `text` (kept by the caller).
    TOOLINFOW TipTool(int id, const std::wstring& text) const;
    // The pictures of the mode list and of the lists' buttons.
    void LoadImages();
    void Arrange();
    void ArrangeRightColumn(int left, int top, int width, int fieldHeight);
    void ArrangeLists(int left, int top, int right, int bottom, int fieldHeight);
    int LeftColumnWidth() const;
    // A list's button holds its picture and its "+" or "-".
    int ListButtonWidth() const;
    int RightColumnWidth() const;
    // The width of the check boxes of the size and date rows.
    int LabelColumnWidth() const;
    // A check box as wide as its text and its box need.
    int CheckWidth(int id) const;
    // The date picker's width in cx, the time picker's in cy.
    SIZE PickerWidths() const;
    void Place(int id, int x, int y, int width, int height) const;
    const vandrelcommon::ui::CEditListBox& List(int listId) const;
    vandrelcommon::ui::CEditListBox& List(int listId)
    {
        return const_cast<vandrelcommon::ui::CEditListBox&>(std::as_const(*this).List(listId));
    }

    vandrelcommon::ui::CWindow Item(int id) const { return vandrelcommon::ui::CWindow(GetDlgItem(id)); }
    bool IsChecked(int id) const { return ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
    void SetChecked(int id, bool on) const { ::CheckDlgButton(hwnd_, id, on ? BST_CHECKED : BST_UNCHECKED); }

    vandrelcommon::ui::CEditListBox scanMasks_;
    vandrelcommon::ui::CEditListBox ignoreMasks_;
    vandrelcommon::ui::CEditListBox protectedFolders_;
    vandrelcommon::ui::CToolTipCtrl tooltips_; // owned by the pane's window, which destroys it
    vandrelcommon::ui::ImageListHandle modeImages_;
    vandrelcommon::ui::ImageListHandle addImage_;
    vandrelcommon::ui::ImageListHandle removeImage_;
    SearchParameters* preset_ = nullptr;
    bool applying_ = false; // filling the controls: no change is reported
};

} // namespace clonarium
