#include "ui/FileExistsDialog.h"

#include "deletion/BackupNames.h"
#include "i18n/Localizer.h"
#include "i18n/TextFormat.h"
#include "system/LongPath.h"
#include "results/DuplicateResult.h"
#include "ui/framework/Controls.h"

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::ui::CButton;
using vandrelcommon::ui::CComboBox;
using vandrelcommon::ui::Message;

namespace {

constexpr int kOverwrite = 0;
constexpr int kRename = 2;
constexpr int kRenameGenerated = 3;

const std::wstring& Text(const char* key)
{
    return Localize(std::string("duplicates-pane.backuping-form.") + key);
}

// The file's size and modification time, so that the two can be told
// apart; empty when it cannot be read.
std::wstring FileDetails(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(vandrelcommon::system::AddLongPathPrefix(path).c_str(), GetFileExInfoStandard, &data)) {
        return {};
    }
    const int64_t size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return vandrelcommon::system::TextFormat(Text("file-details"))
        .Add(FormatByteSize(size))
        .Add(FormatFileTime(data.ftLastWriteTime))
        .Str();
}

} // namespace

CFileExistsDlg::CFileExistsDlg(ConflictQuestion& question) : CDialogImpl(IDD_FILE_EXISTS), question_(question)
{ }

LRESULT CFileExistsDlg::OnInitDialog(Message&)
{
    CenterWindow(GetParent());
    Item(IDC_FILE_EXISTS_SOURCE).SetText(question_.source);
    Item(IDC_FILE_EXISTS_TARGET).SetText(question_.target);
    Item(IDC_FILE_EXISTS_SOURCE_DETAILS).SetText(FileDetails(question_.source));
    Item(IDC_FILE_EXISTS_TARGET_DETAILS).SetText(FileDetails(question_.target));
    Item(IDC_FILE_EXISTS_NAME).SetText(SuggestBackupName(question_.target));
    SetTexts();
    const int index = question_.chosenIndex;
    CComboBox(Item(IDC_FILE_EXISTS_ACTION)).SetCurSel(index >= kRename ? kRename : std::max(index, kOverwrite));
    CButton(Item(IDC_FILE_EXISTS_AUTO)).SetCheck(index == kRenameGenerated ? BST_CHECKED : BST_UNCHECKED);
    CButton(Item(IDC_FILE_EXISTS_FOR_ALL)).SetCheck(BST_UNCHECKED);
    Arrange();
    Item(IDC_FILE_EXISTS_ACTION).SetFocus(); // the choice, not the paths, comes first
    return FALSE;
}

void CFileExistsDlg::SetTexts()
{
    SetText(Text("backuping"));
    Item(IDC_FILE_EXISTS_FROM).SetText(Text("from"));
    Item(IDC_FILE_EXISTS_TO).SetText(Text("to"));
    Item(IDC_FILE_EXISTS_MESSAGE).SetText(Text("file-exists-message") + L"\n" + Text("select-action"));
    const CComboBox actions(Item(IDC_FILE_EXISTS_ACTION));
    for (const char* key : {"combo-overwrite", "combo-skip", "combo-rename-to"}) {
        actions.AddString(Text(key));
    }
    Item(IDC_FILE_EXISTS_AUTO).SetText(Text("chk-auto-generate"));
    Item(IDC_FILE_EXISTS_FOR_ALL).SetText(Text("chk-do-for-all"));
    Item(IDOK).SetText(Localize("common.btn-ok"));
    Item(IDCANCEL).SetText(Localize("common.btn-cancel"));
}

vandrelcommon::ui::CComboBox CFileExistsDlg::Actions() const
{
    return vandrelcommon::ui::CComboBox(GetDlgItem(IDC_FILE_EXISTS_ACTION));
}

bool CFileExistsDlg::IsRenameSelected() const
{
    return CComboBox(Item(IDC_FILE_EXISTS_ACTION)).GetCurSel() == kRename;
}

bool CFileExistsDlg::IsAutoChecked() const
{
    return CButton(Item(IDC_FILE_EXISTS_AUTO)).GetCheck() == BST_CHECKED;
}

void CFileExistsDlg::Arrange()
{
    const bool rename = IsRenameSelected();
    const bool typed = rename && !IsAutoChecked();
    Item(IDC_FILE_EXISTS_NAME).ShowWindow(rename ? SW_SHOW : SW_HIDE);
    Item(IDC_FILE_EXISTS_AUTO).ShowWindow(rename ? SW_SHOW : SW_HIDE);
    Item(IDC_FILE_EXISTS_NAME).EnableWindow(typed);
    // A typed name is never applied to further conflicts.
    Item(IDC_FILE_EXISTS_FOR_ALL).ShowWindow(typed ? SW_HIDE : SW_SHOW);
    Item(IDOK).EnableWindow(true);
    if (typed) {
        CheckName();
    }
}

void CFileExistsDlg::CheckName()
{
    Item(IDOK).EnableWindow(IsFreeBackupName(question_.target, Item(IDC_FILE_EXISTS_NAME).GetText()));
}

LRESULT CFileExistsDlg::OnActionChanged(Message&)
{
    Arrange();
    return 0;
}

LRESULT CFileExistsDlg::OnAutoClicked(Message&)
{
    Arrange();
    return 0;
}

LRESULT CFileExistsDlg::OnNameChanged(Message&)
{
    if (IsRenameSelected() && !IsAutoChecked()) {
        CheckName();
    }
    return 0;
}

LRESULT CFileExistsDlg::OnClose(Message& msg)
{
    const bool typed = IsRenameSelected() && !IsAutoChecked();
    question_.applyToAll = !typed && CButton(Item(IDC_FILE_EXISTS_FOR_ALL)).GetCheck() == BST_CHECKED;
    const int list = CComboBox(Item(IDC_FILE_EXISTS_ACTION)).GetCurSel();
    question_.chosenIndex = list == kRename ? (typed ? kRename : kRenameGenerated) : std::max(list, kOverwrite);
    if (msg.CommandId() == IDOK && typed) {
        question_.resultPath = FolderOf(question_.target) + L"\\" + Item(IDC_FILE_EXISTS_NAME).GetText();
    }
    EndDialog(msg.CommandId());
    return 0;
}

} // namespace clonarium
