#pragma once
// The rules dialog: picks, creates, deletes and edits regular-expression
// rules. Rules are edited in place and saved into their files when the user
// switches rules, adds one or presses OK.
#include "resources/resource.h"
#include "storage/ApplicationSettings.h"
#include "ui/common/EditListBox.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/GdiHandles.h"

#include <string>

namespace clonarium {

class CRegexpsDlg : public vandrelcommon::ui::CDialogImpl {
public:
    explicit CRegexpsDlg(ApplicationSettings& settings);

    // The rule current when the dialog closed; null when there is none.
    RegexpRule* CurrentRule() const { return current_; }
    // The tip shown for an invalid expression (hidden when there is none).
    HWND ErrorTip() const { return errorTip_; }

    // The helper templates, in menu order: the text and the part meant to be
    // overtyped.
    struct HelperTemplate {
        const char* textKey;
        const wchar_t* text;
        int selectionStart;
        int selectionEnd;
    };
    static const HelperTemplate kHelperTemplates[3];

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_MESSAGE(WM_NOTIFY, OnNotify)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_COMMAND_CODE(IDC_REGEXP_RULE, CBN_SELCHANGE, OnRuleChosen)
    ON_COMMAND(IDC_REGEXP_ADD_RULE, OnAddRule)
    ON_COMMAND(IDC_REGEXP_DELETE_RULE, OnDeleteRule)
    ON_COMMAND(IDC_REGEXP_ADD, OnAddExpression)
    ON_COMMAND(IDC_REGEXP_REMOVE, OnRemoveExpression)
    ON_COMMAND_CODE(IDC_REGEXP_LIST, LBN_SELCHANGE, OnExpressionSelected)
    ON_COMMAND(IDOK, OnOk)
    ON_COMMAND(IDCANCEL, OnCancel)
    END_MESSAGE_MAP()

private:
    static constexpr UINT_PTR kTipTimer = 1;

    LRESULT OnInitDialog(vandrelcommon::ui::Message& msg);
    LRESULT OnNotify(vandrelcommon::ui::Message& msg);
    LRESULT OnTimer(vandrelcommon::ui::Message& msg);
    LRESULT OnRuleChosen(vandrelcommon::ui::Message& msg);
    LRESULT OnAddRule(vandrelcommon::ui::Message& msg);
    LRESULT OnDeleteRule(vandrelcommon::ui::Message& msg);
    LRESULT OnAddExpression(vandrelcommon::ui::Message& msg);
    LRESULT OnRemoveExpression(vandrelcommon::ui::Message& msg);
    LRESULT OnExpressionSelected(vandrelcommon::ui::Message& msg);
    LRESULT OnOk(vandrelcommon::ui::Message& msg);
    LRESULT OnCancel(vandrelcommon::ui::Message& msg);

    void SetTexts();
    void FillRules();
    void MakeCurrent(int index);
    void LoadForm();
    void SaveForm();
    void UpdateRemoveButton();
    void CheckExpression(const std::wstring& text);
    void ShowHelperMenu();
    void AddTooltips();
    vandrelcommon::ui::CComboBox Combo(int id) const { return vandrelcommon::ui::CComboBox(GetDlgItem(id)); }
    vandrelcommon::ui::CWindow Item(int id) const { return vandrelcommon::ui::CWindow(GetDlgItem(id)); }

    ApplicationSettings& settings_;
    RegexpRule* current_ = nullptr;
    vandrelcommon::ui::CEditListBox list_;
    vandrelcommon::ui::ImageListHandle addImage_;
    vandrelcommon::ui::ImageListHandle removeImage_;
    HWND tooltips_ = nullptr; // children of the dialog: destroyed with it
    HWND errorTip_ = nullptr;
};

} // namespace clonarium
