#pragma once
// "Backuping": asks what to do when a backup copy's name is taken already.
// Runs modally on the delete worker's thread, owned by the progress dialog.
#include "deletion/ConflictPolicy.h"
#include "resources/resource.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"

namespace clonarium {

class CFileExistsDlg : public vandrelcommon::ui::CDialogImpl {
public:
    // Shows the question's paths and preselects its chosen index; on OK hands
    // back the index, the "for all" choice and, for a typed name, the path.
    explicit CFileExistsDlg(ConflictQuestion& question);

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_COMMAND_CODE(IDC_FILE_EXISTS_ACTION, CBN_SELCHANGE, OnActionChanged)
    ON_COMMAND_CODE(IDC_FILE_EXISTS_AUTO, BN_CLICKED, OnAutoClicked)
    ON_COMMAND_CODE(IDC_FILE_EXISTS_NAME, EN_CHANGE, OnNameChanged)
    ON_COMMAND(IDOK, OnClose)
    ON_COMMAND(IDCANCEL, OnClose)
    END_MESSAGE_MAP()

private:
    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnActionChanged(vandrelcommon::ui::Message& msg);
    LRESULT OnAutoClicked(vandrelcommon::ui::Message& msg);
    LRESULT OnNameChanged(vandrelcommon::ui::Message& msg);
    LRESULT OnClose(vandrelcommon::ui::Message& msg);

    void SetTexts();
    // Shows, hides and enables the controls for the selected action.
    void Arrange();
    // OK is enabled for a usable typed name only.
    void CheckName();
    vandrelcommon::ui::CComboBox Actions() const;
    bool IsRenameSelected() const;
    bool IsAutoChecked() const;
    vandrelcommon::ui::CWindow Item(int id) const { return vandrelcommon::ui::CWindow(GetDlgItem(id)); }

    ConflictQuestion& question_;
};

} // namespace clonarium
