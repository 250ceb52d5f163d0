#include "ui/RegexpsDialog.h"

#include "i18n/Localizer.h"
#include "i18n/TextFormat.h"
#include "storage/RegexpRules.h"
#include "ui/IconImages.h"
#include "ui/common/InputBox.h"
#include "ui/framework/GdiHandles.h"

#include <commctrl.h>

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::system::TextFormat;
using vandrelcommon::ui::CEditListBox;
using vandrelcommon::ui::Message;

namespace {

const std::wstring& Text(const char* key)
{
    return Localize(std::string("duplicates-pane.regexp-form.") + key);
}

// Match box order: full path, folder path, file name.
int MatchIndexOf(MatchTarget target)
{
    switch (target) {
    case FolderPath:
        return 1;
    case FileName:
        return 2;
    default:
        return 0;
    }
}

MatchTarget MatchTargetOf(int index)
{
    return index == 1 ? FolderPath : index == 2 ? FileName : FullPath;
}

std::wstring FileNameOfRule(const RegexpRule& rule)
{
    const size_t slash = rule.file.find_last_of(L"\\/");
    return slash == std::wstring::npos ? rule.file : rule.file.substr(slash + 1);
}

constexpr UINT kTipShownMilliseconds = 5000;

} // namespace

const CRegexpsDlg::HelperTemplate CRegexpsDlg::kHelperTemplates[3] = {
    {"helpers.file-with-extension", L".*?\\.doc$", 5, 8},
    {"helpers.file-on-disk", L"d:\\\\.*?", 0, 1},
    {"helpers.file-with-name", L".*?\\\\FILENAME(\\.[^.]*$|$)", 5, 13},
};

CRegexpsDlg::CRegexpsDlg(ApplicationSettings& settings) : CDialogImpl(IDD_REGEXPS), settings_(settings)
{ }

LRESULT CRegexpsDlg::OnInitDialog(Message&)
{
    CenterWindow(GetParent());
    SetTexts();
    list_.SubclassWindow(GetDlgItem(IDC_REGEXP_LIST));
    ::SendMessageW(list_.EditBox(), EM_LIMITTEXT, CEditListBox::kMaxTextLength, 0);
    AddTooltips();
    addImage_ = ImageListOf({IDB_LIST_ADD});
    removeImage_ = ImageListOf({IDB_LIST_REMOVE});
    for (const int id : {IDC_REGEXP_ADD_RULE, IDC_REGEXP_ADD}) {
        SetButtonIcon(GetDlgItem(id), addImage_.Get());
    }
    for (const int id : {IDC_REGEXP_DELETE_RULE, IDC_REGEXP_REMOVE}) {
        SetButtonIcon(GetDlgItem(id), removeImage_.Get());
    }
    const auto match = Combo(IDC_REGEXP_MATCH);
    for (const char* key : {"matches.full-path", "matches.folder-path", "matches.file-name"}) {
        match.AddString(Text(key));
    }
    match.SetCurSel(0);
    FillRules();
    const auto mode = Combo(IDC_REGEXP_MODE);
    for (const char* key : {"modes.new-selection", "modes.add-to-selection", "modes.subtract-from-selection",
             "modes.intersect-with-selection"}) {
        mode.AddString(Text(key));
    }
    mode.SetCurSel(0);
    int chosen = settings_.rules.empty() ? -1 : 0;
    for (size_t i = 0; i < settings_.rules.size(); ++i) {
        if (!settings_.defaultRulesFile.empty() && FileNameOfRule(*settings_.rules[i]) == settings_.defaultRulesFile) {
            chosen = static_cast<int>(i);
            break;
        }
    }
    MakeCurrent(chosen);
    return TRUE;
}

void CRegexpsDlg::SetTexts()
{
    SetText(Text("select-by-regexp"));
    Item(IDC_REGEXP_RULE_LABEL).SetText(Text("rule-name"));
    Item(IDC_REGEXP_GROUP).SetText(Text("regexp-rule"));
    Item(IDC_REGEXP_MODE_LABEL).SetText(Text("mode"));
    Item(IDC_REGEXP_MATCH_LABEL).SetText(Text("match"));
    Item(IDC_REGEXP_LIST_LABEL).SetText(Text("regexps"));
    Item(IDOK).SetText(Localize("common.btn-ok"));
    Item(IDCANCEL).SetText(Localize("common.btn-cancel"));
}

void CRegexpsDlg::AddTooltips()
{
    tooltips_ = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, nullptr, nullptr);
    const vandrelcommon::ui::CToolTipCtrl tips(tooltips_);
    const std::pair<int, const char*> buttons[] = {{IDC_REGEXP_ADD_RULE, "tooltips.add-new-rule"},
        {IDC_REGEXP_DELETE_RULE, "tooltips.delete-rule"}, {IDC_REGEXP_ADD, "tooltips.add-new-regexp"},
        {IDC_REGEXP_REMOVE, "tooltips.remove-regexp"}};
    for (const auto& [id, key] : buttons) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = Hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(id));
        tool.lpszText = const_cast<wchar_t*>(Text(key).c_str());
        tips.AddTool(tool);
    }
    errorTip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_BALLOON | TTS_NOPREFIX,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, nullptr, nullptr);
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = Hwnd();
    tool.lpszText = const_cast<wchar_t*>(L"");
    vandrelcommon::ui::CToolTipCtrl(errorTip_).AddTool(tool);
}

void CRegexpsDlg::FillRules()
{
    const auto rules = Combo(IDC_REGEXP_RULE);
    rules.ResetContent();
    for (const auto& rule : settings_.rules) {
        rules.AddString(rule->isDefault ? Localize("search-options.default-preset") : rule->name);
    }
}

void CRegexpsDlg::MakeCurrent(int index)
{
    const bool valid = index >= 0 && static_cast<size_t>(index) < settings_.rules.size();
    current_ = valid ? settings_.rules[static_cast<size_t>(index)].get() : nullptr;
    Combo(IDC_REGEXP_RULE).SetCurSel(valid ? index : -1);
    LoadForm();
}

void CRegexpsDlg::LoadForm()
{
    ::SendMessageW(list_.Hwnd(), LB_RESETCONTENT, 0, 0);
    Item(IDC_REGEXP_REMOVE).EnableWindow(false);
    Item(IDC_REGEXP_DELETE_RULE).EnableWindow(current_ != nullptr && !current_->isDefault);
    if (current_ == nullptr) {
        return;
    }
    const int mode = current_->mode >= NewSelection && current_->mode <= IntersectWithSelection ? current_->mode : 0;
    Combo(IDC_REGEXP_MODE).SetCurSel(mode);
    Combo(IDC_REGEXP_MATCH).SetCurSel(MatchIndexOf(current_->target));
    for (const std::wstring& expression : current_->expressions) {
        ::SendMessageW(list_.Hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(expression.c_str()));
    }
    UpdateRemoveButton();
}

void CRegexpsDlg::SaveForm()
{
    if (current_ == nullptr) {
        return;
    }
    list_.EndEdit();
    const int mode = Combo(IDC_REGEXP_MODE).GetCurSel();
    current_->mode = mode >= 1 && mode <= 3 ? static_cast<RegexpMode>(mode) : NewSelection;
    current_->target = MatchTargetOf(Combo(IDC_REGEXP_MATCH).GetCurSel());
    current_->expressions.clear();
    for (int i = 0; i < list_.Count(); ++i) {
        current_->expressions.push_back(list_.ItemText(i));
    }
    current_->Compile();
    if (!current_->file.empty()) {
        SaveRule(*current_, current_->file);
    }
}

void CRegexpsDlg::UpdateRemoveButton()
{
    const bool selected = ::SendMessageW(list_.Hwnd(), LB_GETCURSEL, 0, 0) != LB_ERR;
    Item(IDC_REGEXP_REMOVE).EnableWindow(selected);
}

LRESULT CRegexpsDlg::OnRuleChosen(Message&)
{
    SaveForm();
    MakeCurrent(Combo(IDC_REGEXP_RULE).GetCurSel());
    return 0;
}

LRESULT CRegexpsDlg::OnAddRule(Message&)
{
    vandrelcommon::ui::CInputBox input(
        Text("add-rule-caption"), Text("add-rule-prompt"), Localize("common.btn-ok"), Localize("common.btn-cancel"));
    if (input.Run(Hwnd()) != 1) {
        return 0;
    }
    SaveForm();
    CreateRule(settings_, input.Text());
    FillRules();
    MakeCurrent(static_cast<int>(settings_.rules.size()) - 1);
    return 0;
}

LRESULT CRegexpsDlg::OnDeleteRule(Message&)
{
    const int index = Combo(IDC_REGEXP_RULE).GetCurSel();
    if (current_ == nullptr || current_->isDefault || index < 0) {
        return 0;
    }
    current_ = nullptr; // destroyed by DeleteRule
    const int next = DeleteRule(settings_, static_cast<size_t>(index));
    FillRules();
    MakeCurrent(next);
    return 0;
}

LRESULT CRegexpsDlg::OnAddExpression(Message&)
{
    if (current_ != nullptr) {
        list_.AddItem();
    }
    return 0;
}

LRESULT CRegexpsDlg::OnRemoveExpression(Message&)
{
    list_.RemoveSelectedItem();
    UpdateRemoveButton();
    return 0;
}

LRESULT CRegexpsDlg::OnExpressionSelected(Message&)
{
    UpdateRemoveButton();
    return 0;
}

LRESULT CRegexpsDlg::OnNotify(Message& msg)
{
    const auto* notification = reinterpret_cast<const vandrelcommon::ui::EditListNotification*>(msg.lParam);
    if (notification->header.hwndFrom != list_.Hwnd()) {
        msg.handled = false;
        return 0;
    }
    switch (notification->header.code) {
    case CEditListBox::kHelperPressed:
        ShowHelperMenu();
        break;
    case CEditListBox::kCommitting:
        CheckExpression(notification->text == nullptr ? std::wstring() : notification->text);
        break; // never vetoed: an invalid text stays and is left out of matching
    case CEditListBox::kListChanged:
        UpdateRemoveButton();
        break;
    default:
        msg.handled = false;
    }
    return 0;
}

void CRegexpsDlg::CheckExpression(const std::wstring& text)
{
    if (CompileRegexp(text, false)) {
        return;
    }
    RECT edit{};
    ::GetWindowRect(list_.EditBox(), &edit);
    const std::wstring message = TextFormat(Text("error-text")).Add(text).Str();
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = Hwnd();
    tool.lpszText = const_cast<wchar_t*>(message.c_str());
    const vandrelcommon::ui::CToolTipCtrl tip(errorTip_);
    tip.UpdateTipText(tool);
    tip.SetTitle(TTI_ERROR, Text("error-title"));
    tip.TrackPosition(edit.left + 10, edit.bottom);
    tip.TrackActivate(tool, true);
    ::SetTimer(Hwnd(), kTipTimer, kTipShownMilliseconds, nullptr);
}

LRESULT CRegexpsDlg::OnTimer(Message& msg)
{
    if (msg.wParam != kTipTimer) {
        msg.handled = false;
        return 0;
    }
    ::KillTimer(Hwnd(), kTipTimer);
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = Hwnd();
    vandrelcommon::ui::CToolTipCtrl(errorTip_).TrackActivate(tool, false);
    return 0;
}

void CRegexpsDlg::ShowHelperMenu()
{
    const HWND edit = list_.EditBox();
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    vandrelcommon::ui::MenuHandle menu(::CreatePopupMenu());
    for (UINT i = 0; i < 3; ++i) {
        ::AppendMenuW(menu.Get(), MF_STRING, i + 1, Text(kHelperTemplates[i].textKey).c_str());
    }
    POINT at{};
    ::GetCursorPos(&at);
    const UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN, at.x, at.y, 0, Hwnd(), nullptr));
    if (chosen < 1 || chosen > 3) {
        return;
    }
    const HelperTemplate& helper = kHelperTemplates[chosen - 1];
    ::SetWindowTextW(edit, helper.text);
    ::SendMessageW(edit, EM_SETSEL, helper.selectionStart, helper.selectionEnd);
    ::SetFocus(edit);
}

LRESULT CRegexpsDlg::OnOk(Message&)
{
    SaveForm();
    if (current_ != nullptr) {
        settings_.defaultRulesFile = FileNameOfRule(*current_);
    }
    EndDialog(IDOK);
    return 0;
}

LRESULT CRegexpsDlg::OnCancel(Message&)
{
    EndDialog(IDCANCEL);
    return 0;
}

} // namespace clonarium
