#include "ui/SearchOptionsPane.h"

#include "i18n/Localizer.h"
#include "i18n/TextFormat.h"
#include "storage/SearchPresets.h"
#include "ui/IconImages.h"
#include "ui/common/FolderBrowser.h"
#include "ui/common/TextFit.h"
#include "ui/framework/Dpi.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <string>

namespace clonarium {

using vandrelcommon::system::Localize;
using namespace vandrelcommon::ui;

namespace {

const std::wstring& Text(const std::string& key)
{
    return Localize("search-options." + key);
}

// A list with its check box, its "+" and "-" buttons, and its texts.
struct ListRow {
    int check;
    int add;
    int remove;
    int list;
    bool SearchParameters::*use;
    StringSet SearchParameters::*items;
    const char* checkKey;
    const char* addTip;
    const char* removeTip;
};

struct DateRow {
    bool SearchParameters::*use;
    FILETIME SearchParameters::*bound;
    const char* key;
};

// In the order of the rows in the pane; row i has the ids
// IDC_OPTIONS_DATE_FIRST_CHECK + 3i (check box), + 1 (date), + 2 (time).
constexpr std::array<DateRow, 6> kDateRows = {{
    {&SearchParameters::UseModifiedBefore, &SearchParameters::ModifiedBefore, "chk-modified-before"},
    {&SearchParameters::UseModifiedAfter, &SearchParameters::ModifiedAfter, "chk-modified-after"},
    {&SearchParameters::UseCreatedBefore, &SearchParameters::CreatedBefore, "chk-created-before"},
    {&SearchParameters::UseCreatedAfter, &SearchParameters::CreatedAfter, "chk-created-after"},
    {&SearchParameters::UseAccessedBefore, &SearchParameters::AccessedBefore, "chk-accessed-before"},
    {&SearchParameters::UseAccessedAfter, &SearchParameters::AccessedAfter, "chk-accessed-after"},
}};

int DateCheck(size_t row)
{
    return IDC_OPTIONS_DATE_FIRST_CHECK + 3 * static_cast<int>(row);
}

struct AttributeRow {
    bool SearchParameters::*flag;
    const char* key;
};

constexpr std::array<AttributeRow, 6> kAttributes = {{
    {&SearchParameters::SearchHidden, "chk-attr-hidden"},
    {&SearchParameters::SearchSystem, "chk-attr-system"},
    {&SearchParameters::SearchReadOnly, "chk-attr-readonly"},
    {&SearchParameters::SearchArchive, "chk-attr-archive"},
    {&SearchParameters::SearchCompressed, "chk-attr-compressed"},
    {&SearchParameters::SearchEncrypted, "chk-attr-encrypted"},
}};

struct SizeRow {
    int check;
    int value;
    int unit;
    bool SearchParameters::*use;
    uint32_t SearchParameters::*bound;
    uint16_t SearchParameters::*multiplier;
    const char* key;
};

constexpr std::array<SizeRow, 2> kSizeRows = {{
    {IDC_OPTIONS_LESS_CHECK, IDC_OPTIONS_LESS_VALUE, IDC_OPTIONS_LESS_UNIT, &SearchParameters::UseLess,
        &SearchParameters::LessBound, &SearchParameters::LessMultiplier, "chk-files-less"},
    {IDC_OPTIONS_GREATER_CHECK, IDC_OPTIONS_GREATER_VALUE, IDC_OPTIONS_GREATER_UNIT, &SearchParameters::UseGreater,
        &SearchParameters::GreaterBound, &SearchParameters::GreaterMultiplier, "chk-files-greater"},
}};

constexpr std::array<int, 4> kImageControls = {
    IDC_OPTIONS_IMAGES_GROUP, IDC_OPTIONS_SIMILARITY_LABEL, IDC_OPTIONS_SIMILARITY, IDC_OPTIONS_SIMILARITY_VALUE};

// An unsigned decimal number that fits 32 bits, nothing else around it.
bool ParseBound(const std::wstring& text, uint32_t& value)
{
    if (text.empty() || text.size() > 10) {
        return false;
    }
    uint64_t number = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        number = number * 10 + static_cast<uint64_t>(c - L'0');
    }
    if (number > std::numeric_limits<uint32_t>::max()) {
        return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

constexpr std::array<ListRow, 3> kListRows = {{
    {IDC_OPTIONS_SCAN_CHECK, IDC_OPTIONS_SCAN_ADD, IDC_OPTIONS_SCAN_REMOVE, IDC_OPTIONS_SCAN_LIST,
        &SearchParameters::UseScanMasks, &SearchParameters::ScanMasks, "chk-scan-mask", "tooltips.add-scan-mask",
        "tooltips.remove-scan-mask"},
    {IDC_OPTIONS_IGNORE_CHECK, IDC_OPTIONS_IGNORE_ADD, IDC_OPTIONS_IGNORE_REMOVE, IDC_OPTIONS_IGNORE_LIST,
        &SearchParameters::UseIgnoreMasks, &SearchParameters::IgnoreMasks, "chk-ignore-mask",
        "tooltips.add-ignore-mask", "tooltips.remove-ignore-mask"},
    {IDC_OPTIONS_PROTECT_CHECK, IDC_OPTIONS_PROTECT_ADD, IDC_OPTIONS_PROTECT_REMOVE, IDC_OPTIONS_PROTECT_LIST,
        &SearchParameters::ProtectFolders, &SearchParameters::ProtectedFolders, "chk-protect-folders",
        "tooltips.add-protected-folder", "tooltips.remove-protected-folder"},
}};

// What the image options compare, told in their tooltips.
constexpr std::pair<int, const char*> kImageOptionTips[] = {
    {IDC_OPTIONS_ROTATIONS, "tooltips.rotations"}, {IDC_OPTIONS_MIRRORS, "tooltips.mirrors"}};

} // namespace

CSearchOptionsPane::CSearchOptionsPane() : CDialogImpl(IDD_SEARCH_OPTIONS)
{ }

HWND CSearchOptionsPane::Create(HWND parent)
{
    // The pickers and the track bar live in classes a host may not have asked for.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_DATE_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES;
    ::InitCommonControlsEx(&controls);
    return CDialogImpl::Create(parent);
}

LRESULT CSearchOptionsPane::OnInitDialog(Message&)
{
    scanMasks_.SubclassWindow(GetDlgItem(IDC_OPTIONS_SCAN_LIST));
    ignoreMasks_.SubclassWindow(GetDlgItem(IDC_OPTIONS_IGNORE_LIST));
    protectedFolders_.SubclassWindow(GetDlgItem(IDC_OPTIONS_PROTECT_LIST));
    const CTrackBarCtrl similarity(GetDlgItem(IDC_OPTIONS_SIMILARITY));
    similarity.SetRangeMin(1);
    similarity.SetRangeMax(100);
    similarity.SetPageSize(5);
    FillUnits();
    LoadImages();
    CreateTooltips();
    Relocalize();
    UpdateEnabling();
    // The host decides where the focus goes.
    return FALSE;
}

const CEditListBox& CSearchOptionsPane::List(int listId) const
{
    switch (listId) {
    case IDC_OPTIONS_SCAN_LIST:
        return scanMasks_;
    case IDC_OPTIONS_IGNORE_LIST:
        return ignoreMasks_;
    default:
        return protectedFolders_;
    }
}

void CSearchOptionsPane::LoadImages()
{
    modeImages_ = ImageListOf({IDB_MODE_EXACT, IDB_MODE_IMAGES});
    Item(IDC_OPTIONS_MODE).SendMessage(CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(modeImages_.Get()));
    addImage_ = ImageListOf({IDB_LIST_ADD});
    removeImage_ = ImageListOf({IDB_LIST_REMOVE});
    for (const ListRow& row : kListRows) {
        SetButtonIcon(GetDlgItem(row.add), addImage_.Get());
        SetButtonIcon(GetDlgItem(row.remove), removeImage_.Get());
    }
}

TOOLINFOW CSearchOptionsPane::TipTool(int id, const std::wstring& text) const
{
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(id));
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    return tool;
}

void CSearchOptionsPane::CreateTooltips()
{
    const HWND tooltips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, nullptr, nullptr);
    tooltips_ = CToolTipCtrl(tooltips);
    // The image options' tips are sentences: they wrap.
    tooltips_.SetMaxTipWidth(vandrelcommon::ui::ScaleX(360));
    const std::wstring empty;
    for (const ListRow& row : kListRows) {
        for (const int id : {row.add, row.remove}) {
            tooltips_.AddTool(TipTool(id, empty));
        }
    }
    for (const auto& [id, key] : kImageOptionTips) {
        tooltips_.AddTool(TipTool(id, empty));
    }
}

void CSearchOptionsPane::Relocalize()
{
    const CComboBox mode(GetDlgItem(IDC_OPTIONS_MODE));
    const int selected = mode.GetCurSel();
    mode.ResetContent();
    for (const int item : {0, 1}) {
        COMBOBOXEXITEMW entry{};
        entry.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        entry.iItem = item;
        entry.pszText = const_cast<wchar_t*>(Text(item == 0 ? "cbi-exact-duplicates" : "cbi-similar-images").c_str());
        entry.iImage = item;
        entry.iSelectedImage = item;
        mode.SendMessage(CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
    }
    mode.SetCurSel(selected == CB_ERR ? 0 : selected);

    const std::pair<int, const char*> texts[] = {
        {IDC_OPTIONS_MODE_LABEL, "lbl-search-mode"},
        {IDC_OPTIONS_SIZE_GROUP, "group-file-size"},
        {IDC_OPTIONS_DATES_GROUP, "group-file-modified-date"},
        {IDC_OPTIONS_ATTRIBUTES_GROUP, "group-file-attributes"},
        {IDC_OPTIONS_IMAGES_GROUP, "group-images"},
        {IDC_OPTIONS_SIMILARITY_LABEL, "lbl-similarity"},
        {IDC_OPTIONS_ROTATIONS, "chk-rotations"},
        {IDC_OPTIONS_MIRRORS, "chk-mirrors"},
    };
    for (const auto& [id, key] : texts) {
        Item(id).SetText(Text(key));
    }
    for (const ListRow& row : kListRows) {
        Item(row.check).SetText(Text(row.checkKey));
        for (const auto& [id, key] : {std::pair{row.add, row.addTip}, std::pair{row.remove, row.removeTip}}) {
            tooltips_.UpdateTipText(TipTool(id, Text(key)));
        }
    }
    for (const auto& [id, key] : kImageOptionTips) {
        tooltips_.UpdateTipText(TipTool(id, Text(key)));
    }
    for (const SizeRow& row : kSizeRows) {
        Item(row.check).SetText(Text(row.key));
    }
    for (size_t row = 0; row < kDateRows.size(); ++row) {
        Item(DateCheck(row)).SetText(Text(kDateRows[row].key));
    }
    for (size_t i = 0; i < kAttributes.size(); ++i) {
        Item(IDC_OPTIONS_ATTRIBUTE_FIRST + static_cast<int>(i)).SetText(Text(kAttributes[i].key));
    }
    FillUnits();
    Arrange();
    if (IsVisible()) {
        ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

// The units in the current language, keeping the ones chosen.
void CSearchOptionsPane::FillUnits()
{
    const std::vector<std::wstring> names = vandrelcommon::system::LocalizeWords("search-options.size-units");
    for (const SizeRow& row : kSizeRows) {
        const CComboBox unit(GetDlgItem(row.unit));
        const int chosen = unit.GetCurSel();
        unit.ResetContent();
        for (const std::wstring& name : names) {
            unit.AddString(name);
        }
        unit.SetCurSel(chosen);
    }
}

void CSearchOptionsPane::ApplyPreset(SearchParameters* preset)
{
    preset_ = preset;
    if (preset == nullptr) {
        return;
    }
    applying_ = true;
    CComboBox(GetDlgItem(IDC_OPTIONS_MODE)).SetCurSel(preset->SearchMode == SimilarImages ? 1 : 0);
    FillLists(*preset);
    FillUnits();
    for (const SizeRow& row : kSizeRows) {
        SetChecked(row.check, preset->*row.use);
        Item(row.value).SetText(std::to_wstring(preset->*row.bound));
        CComboBox(GetDlgItem(row.unit)).SetCurSel(preset->*row.multiplier);
    }
    FillDates(*preset);
    for (size_t i = 0; i < kAttributes.size(); ++i) {
        SetChecked(IDC_OPTIONS_ATTRIBUTE_FIRST + static_cast<int>(i), preset->*kAttributes[i].flag);
    }
    CTrackBarCtrl(GetDlgItem(IDC_OPTIONS_SIMILARITY)).SetPos(preset->Similarity);
    SetChecked(IDC_OPTIONS_ROTATIONS, preset->DoRotations);
    SetChecked(IDC_OPTIONS_MIRRORS, preset->DoMirrors);
    applying_ = false;
    UpdateSimilarityText();
    FormChanged();
}

void CSearchOptionsPane::FillLists(const SearchParameters& preset)
{
    for (const ListRow& row : kListRows) {
        SetChecked(row.check, preset.*row.use);
        CEditListBox& list = List(row.list);
        list.EndEdit();
        list.SendMessage(LB_RESETCONTENT);
        for (const std::wstring& item : preset.*row.items) {
            list.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
    }
}

// A bound is local calendar time kept as a FILETIME; it goes to the pickers
// as it is, without any time-zone shift.
void CSearchOptionsPane::FillDates(const SearchParameters& preset)
{
    for (size_t row = 0; row < kDateRows.size(); ++row) {
        const int check = DateCheck(row);
        SetChecked(check, preset.*kDateRows[row].use);
        SYSTEMTIME time{};
        if (::FileTimeToSystemTime(&(preset.*kDateRows[row].bound), &time)) {
            CDateTimePickerCtrl(GetDlgItem(check + 1)).SetSystemTime(time);
            CDateTimePickerCtrl(GetDlgItem(check + 2)).SetSystemTime(time);
        }
    }
}

int CSearchOptionsPane::ReadControls(SearchParameters& record) const
{
    // A bound whose box is off is not read: it keeps what the record has.
    for (const SizeRow& row : kSizeRows) {
        record.*row.use = IsChecked(row.check);
        if (!(record.*row.use)) {
            continue;
        }
        if (!ParseBound(Item(row.value).GetText(), record.*row.bound)) {
            return row.value;
        }
        const int unit = CComboBox(GetDlgItem(row.unit)).GetCurSel();
        record.*row.multiplier = static_cast<uint16_t>(unit == CB_ERR ? Bytes : unit);
    }
    for (size_t i = 0; i < kAttributes.size(); ++i) {
        record.*kAttributes[i].flag = IsChecked(IDC_OPTIONS_ATTRIBUTE_FIRST + static_cast<int>(i));
    }
    record.SearchMode = CComboBox(GetDlgItem(IDC_OPTIONS_MODE)).GetCurSel() == 1 ? SimilarImages : ExactDuplicates;
    for (const ListRow& row : kListRows) {
        record.*row.use = IsChecked(row.check);
        StringSet& items = record.*row.items;
        items.clear();
        const CEditListBox& list = List(row.list);
        for (int item = 0; item < list.Count(); ++item) {
            items.insert(list.ItemText(item));
        }
    }
    for (size_t row = 0; row < kDateRows.size(); ++row) {
        const int check = DateCheck(row);
        record.*kDateRows[row].use = IsChecked(check);
        SYSTEMTIME date{};
        SYSTEMTIME time{};
        CDateTimePickerCtrl(GetDlgItem(check + 1)).GetSystemTime(date);
        CDateTimePickerCtrl(GetDlgItem(check + 2)).GetSystemTime(time);
        date.wHour = time.wHour;
        date.wMinute = time.wMinute;
        date.wSecond = time.wSecond;
        date.wMilliseconds = time.wMilliseconds;
        ::SystemTimeToFileTime(&date, &(record.*kDateRows[row].bound));
    }
    record.Similarity = static_cast<uint16_t>(CTrackBarCtrl(GetDlgItem(IDC_OPTIONS_SIMILARITY)).GetPos());
    record.DoRotations = IsChecked(IDC_OPTIONS_ROTATIONS);
    record.DoMirrors = IsChecked(IDC_OPTIONS_MIRRORS);
    return 0;
}

bool CSearchOptionsPane::GatherParameters(SearchParameters& record)
{
    // A toolbar button takes no focus: an item still being typed goes in first.
    for (const ListRow& row : kListRows) {
        List(row.list).EndEdit();
    }
    SearchParameters gathered = record;
    if (const int bad = ReadControls(gathered); bad != 0) {
        ShowBadBound(bad);
        return false;
    }
    record = gathered;
    return true;
}

// The message names the field by its box; the focus waits in the field.
void CSearchOptionsPane::ShowBadBound(int field) const
{
    for (const SizeRow& row : kSizeRows) {
        if (row.value != field) {
            continue;
        }
        const std::wstring text =
            vandrelcommon::system::TextFormat(Text("messages.size-not-a-number")).Add(Item(row.check).GetText()).Str();
        ::MessageBoxW(
            ::GetAncestor(hwnd_, GA_ROOT), text.c_str(), Text("group-file-size").c_str(), MB_OK | MB_ICONWARNING);
    }
    Item(field).SetFocus();
    Item(field).SendMessage(EM_SETSEL, 0, -1);
}

bool CSearchOptionsPane::IsChanged() const
{
    if (preset_ == nullptr) {
        return false;
    }
    SearchParameters gathered = *preset_;
    return ReadControls(gathered) != 0 || !(gathered == *preset_);
}

bool CSearchOptionsPane::SaveCurrentPreset()
{
    return preset_ != nullptr && GatherParameters(*preset_) && !preset_->StoragePath.empty() &&
           SavePreset(*preset_, preset_->StoragePath);
}

CSearchOptionsPane::SaveAnswer CSearchOptionsPane::ConfirmSave()
{
    if (preset_ == nullptr) {
        return SaveAnswer::No;
    }
    SearchParameters gathered = *preset_;
    if (!GatherParameters(gathered)) {
        return SaveAnswer::Cancel;
    }
    if (gathered == *preset_) {
        return SaveAnswer::No;
    }
    const int answer =
        ::MessageBoxW(::GetAncestor(hwnd_, GA_ROOT), Text("messages.confirm-search-options-save-body").c_str(),
            Text("messages.confirm-search-options-save-caption").c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) {
        return SaveAnswer::Cancel;
    }
    if (answer != IDYES) {
        return SaveAnswer::No;
    }
    *preset_ = gathered;
    if (!preset_->StoragePath.empty()) {
        SavePreset(*preset_, preset_->StoragePath);
    }
    FormChanged();
    return SaveAnswer::Yes;
}

void CSearchOptionsPane::UpdateEnabling() const
{
    for (const ListRow& row : kListRows) {
        const bool on = IsChecked(row.check);
        Item(row.list).EnableWindow(on);
        Item(row.add).EnableWindow(on);
        Item(row.remove).EnableWindow(on && Item(row.list).SendMessage(LB_GETCURSEL) != LB_ERR);
    }
    for (const SizeRow& row : kSizeRows) {
        const bool on = IsChecked(row.check);
        Item(row.value).EnableWindow(on);
        Item(row.unit).EnableWindow(on);
    }
    for (size_t row = 0; row < kDateRows.size(); ++row) {
        const int check = DateCheck(row);
        const bool on = IsChecked(check);
        Item(check + 1).EnableWindow(on);
        Item(check + 2).EnableWindow(on);
    }
    const bool images = CComboBox(GetDlgItem(IDC_OPTIONS_MODE)).GetCurSel() == 1;
    for (const int id : kImageControls) {
        Item(id).ShowWindow(images ? SW_SHOWNA : SW_HIDE);
    }
    Item(IDC_OPTIONS_ROTATIONS).ShowWindow(images ? SW_SHOWNA : SW_HIDE);
    Item(IDC_OPTIONS_MIRRORS).ShowWindow(images ? SW_SHOWNA : SW_HIDE);
}

void CSearchOptionsPane::UpdateSimilarityText() const
{
    const int position = CTrackBarCtrl(GetDlgItem(IDC_OPTIONS_SIMILARITY)).GetPos();
    Item(IDC_OPTIONS_SIMILARITY_VALUE).SetText(std::to_wstring(position) + L"%");
}

void CSearchOptionsPane::FormChanged() const
{
    if (applying_) {
        return;
    }
    UpdateEnabling();
    NMHDR header{};
    header.hwndFrom = hwnd_;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    header.code = kFormChanged;
    ::SendMessageW(GetParent(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

LRESULT CSearchOptionsPane::OnSize(Message&)
{
    Arrange();
    return 0;
}

LRESULT CSearchOptionsPane::OnSimilarityScroll(Message& msg)
{
    if (reinterpret_cast<HWND>(msg.lParam) != GetDlgItem(IDC_OPTIONS_SIMILARITY)) {
        msg.handled = false;
        return 0;
    }
    UpdateSimilarityText();
    FormChanged();
    return 0;
}

LRESULT CSearchOptionsPane::OnAddMask(Message& msg)
{
    List(msg.CommandId() == IDC_OPTIONS_SCAN_ADD ? IDC_OPTIONS_SCAN_LIST : IDC_OPTIONS_IGNORE_LIST).AddItem();
    return 0;
}

LRESULT CSearchOptionsPane::OnAddProtectedFolder(Message&)
{
    protectedFolders_.EndEdit();
    const std::wstring folder = vandrelcommon::ui::BrowseForFolder(::GetAncestor(hwnd_, GA_ROOT), {});
    if (!folder.empty()) {
        protectedFolders_.SendMessage(LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        protectedFolders_.SendMessage(LB_SETCURSEL, 0);
        FormChanged();
    }
    return 0;
}

// The item that took the removed one's place is selected, so that "-" can
// go on and the focus is not left on a button that turns disabled.
LRESULT CSearchOptionsPane::OnRemoveItem(Message& msg)
{
    int listId = IDC_OPTIONS_PROTECT_LIST;
    if (msg.CommandId() == IDC_OPTIONS_SCAN_REMOVE) {
        listId = IDC_OPTIONS_SCAN_LIST;
    } else if (msg.CommandId() == IDC_OPTIONS_IGNORE_REMOVE) {
        listId = IDC_OPTIONS_IGNORE_LIST;
    }
    CEditListBox& list = List(listId);
    const int item = static_cast<int>(list.SendMessage(LB_GETCURSEL));
    if (!list.RemoveSelectedItem()) {
        return 0;
    }
    if (list.Count() > 0) {
        list.SendMessage(LB_SETCURSEL, static_cast<WPARAM>(std::min(item, list.Count() - 1)));
    } else if (::GetFocus() == Item(msg.CommandId()).Hwnd()) {
        list.SetFocus();
    }
    FormChanged();
    return 0;
}

LRESULT CSearchOptionsPane::OnCommand(Message& msg)
{
    switch (msg.CommandCode()) {
    case BN_CLICKED:
    case EN_CHANGE:
    case CBN_SELCHANGE: // and LBN_SELCHANGE, the same code
        FormChanged();
        return 0;
    default:
        msg.handled = false;
        return 0;
    }
}

// The helper button of a protected folder being edited: the folder browser
// opens there, and the folder chosen replaces the item.
LRESULT CSearchOptionsPane::OnBrowseEditedFolder(Message& msg)
{
    const auto& notification = *msg.NotificationAs<EditListNotification>();
    const std::wstring folder = vandrelcommon::ui::BrowseForFolder(
        ::GetAncestor(hwnd_, GA_ROOT), notification.text != nullptr ? notification.text : L"");
    if (!folder.empty()) {
        ::SetWindowTextW(protectedFolders_.EditBox(), folder.c_str());
    }
    protectedFolders_.EndEdit();
    return 0;
}

LRESULT CSearchOptionsPane::OnListChanged(Message&)
{
    FormChanged();
    return 0;
}

LRESULT CSearchOptionsPane::OnDateChanged(Message&)
{
    FormChanged();
    return 0;
}

// Two columns: the search mode and the three lists on the left, sharing the
// height; the size, date, attribute and image groups on the right, as wide
// as their longest texts need.
void CSearchOptionsPane::Arrange()
{
    const RECT client = GetClientRect();
    const int margin = ScaleX(7);
    const RECT field = Item(IDC_OPTIONS_LESS_UNIT).GetWindowRect();
    const int fieldHeight = field.bottom - field.top;
    // The right column gives up width down to what the left one needs for
    // its captions and buttons, and takes no more than its own need.
    const int leftNeed = LeftColumnWidth();
    const int rightLeft = std::max<int>(
        client.right - margin - RightColumnWidth(), margin + std::max(leftNeed, ScaleX(150)) + ScaleX(12));
    const int rightWidth = std::max<int>(client.right - margin - rightLeft, ScaleX(200));
    ArrangeRightColumn(rightLeft, margin, rightWidth, fieldHeight);

    const int leftRight = rightLeft - ScaleX(12);
    const int labelWidth = MeasureText(GetDlgItem(IDC_OPTIONS_MODE_LABEL), Item(IDC_OPTIONS_MODE_LABEL).GetText()).cx;
    const SIZE label = MeasureText(GetDlgItem(IDC_OPTIONS_MODE_LABEL), L"Ag");
    Place(IDC_OPTIONS_MODE_LABEL, margin, margin + (fieldHeight - label.cy) / 2, labelWidth, label.cy);
    const int comboLeft = margin + labelWidth + ScaleX(6);
    Place(IDC_OPTIONS_MODE, comboLeft, margin, std::clamp(leftRight - comboLeft, ScaleX(60), ScaleX(240)), ScaleY(120));
    ArrangeLists(margin, margin + fieldHeight + ScaleY(8), leftRight, client.bottom - margin, fieldHeight);
}

void CSearchOptionsPane::Place(int id, int x, int y, int width, int height) const
{
    Item(id).SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int CSearchOptionsPane::CheckWidth(int id) const
{
    return MeasureText(GetDlgItem(id), Item(id).GetText()).cx + ScaleX(22);
}

int CSearchOptionsPane::LabelColumnWidth() const
{
    int width = 0;
    for (const SizeRow& row : kSizeRows) {
        width = std::max(width, CheckWidth(row.check));
    }
    for (size_t row = 0; row < kDateRows.size(); ++row) {
        width = std::max(width, CheckWidth(DateCheck(row)));
    }
    return width;
}

// The pickers as wide as a late date and time of this locale need, with
// room for their buttons.
SIZE CSearchOptionsPane::PickerWidths() const
{
    SYSTEMTIME sample{};
    sample.wYear = 2028;
    sample.wMonth = 12;
    sample.wDay = 28;
    sample.wHour = 23;
    sample.wMinute = 58;
    sample.wSecond = 58;
    wchar_t date[80] = {};
    wchar_t time[80] = {};
    ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &sample, nullptr, date, 80, nullptr);
    ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &sample, nullptr, time, 80);
    const HWND picker = GetDlgItem(IDC_OPTIONS_DATE_FIRST_CHECK + 1);
    return SIZE{MeasureText(picker, date).cx + ScaleX(36), MeasureText(picker, time).cx + ScaleX(34)};
}

// The mode's label and list, and each list's check box beside its two buttons.
int CSearchOptionsPane::LeftColumnWidth() const
{
    int width = MeasureText(GetDlgItem(IDC_OPTIONS_MODE_LABEL), Item(IDC_OPTIONS_MODE_LABEL).GetText()).cx + ScaleX(6) +
                ScaleX(160);
    for (const ListRow& row : kListRows) {
        width = std::max(width, CheckWidth(row.check) + 2 * ListButtonWidth() + ScaleX(9));
    }
    return width;
}

int CSearchOptionsPane::ListButtonWidth() const
{
    return IconSize() + MeasureText(GetDlgItem(kListRows[0].add), L"+").cx + ScaleX(16);
}

int CSearchOptionsPane::RightColumnWidth() const
{
    const int gap = ScaleX(6);
    const SIZE pickers = PickerWidths();
    const int fields = std::max(ScaleX(80) + gap + ScaleX(56), static_cast<int>(pickers.cx + gap + pickers.cy));
    int attributes = 0;
    for (size_t i = 0; i < kAttributes.size(); ++i) {
        attributes = std::max(attributes, CheckWidth(IDC_OPTIONS_ATTRIBUTE_FIRST + static_cast<int>(i)));
    }
    const int images = std::max<int>(CheckWidth(IDC_OPTIONS_ROTATIONS) + 3 * gap + CheckWidth(IDC_OPTIONS_MIRRORS),
        MeasureText(GetDlgItem(IDC_OPTIONS_SIMILARITY_LABEL), Item(IDC_OPTIONS_SIMILARITY_LABEL).GetText()).cx +
            ScaleX(160));
    const int inner = std::max({LabelColumnWidth() + gap + fields, 3 * attributes + 2 * gap, images});
    return inner + 2 * ScaleX(10);
}

void CSearchOptionsPane::ArrangeRightColumn(int left, int top, int width, int fieldHeight)
{
    const int gap = ScaleX(6);
    const int pad = ScaleX(10);
    const int rowHeight = fieldHeight + ScaleY(4);
    const int caption = MeasureText(GetDlgItem(IDC_OPTIONS_SIZE_GROUP), L"Ag").cy + ScaleY(4);
    const int bottomPad = ScaleY(8);
    const int groupGap = ScaleY(6);
    const int inner = left + pad;
    const int labelWidth = LabelColumnWidth();
    const int fieldLeft = inner + labelWidth + gap;
    const int right = left + width - pad;

    // File size: check box, number, unit.
    int y = top;
    Place(IDC_OPTIONS_SIZE_GROUP, left, y, width, caption + 2 * rowHeight + bottomPad);
    y += caption;
    for (const SizeRow& row : kSizeRows) {
        Place(row.check, inner, y, labelWidth, fieldHeight);
        const int unitWidth = ScaleX(56);
        Place(row.value, fieldLeft, y, right - unitWidth - gap - fieldLeft, fieldHeight);
        Place(row.unit, right - unitWidth, y, unitWidth, ScaleY(120));
        y += rowHeight;
    }
    y += bottomPad + groupGap;

    // File dates: check box, date, time.
    const SIZE pickers = PickerWidths();
    Place(IDC_OPTIONS_DATES_GROUP, left, y, width, caption + 6 * rowHeight + bottomPad);
    y += caption;
    for (size_t row = 0; row < kDateRows.size(); ++row) {
        const int check = DateCheck(row);
        Place(check, inner, y, labelWidth, fieldHeight);
        Place(check + 2, right - pickers.cy, y, pickers.cy, fieldHeight);
        Place(check + 1, fieldLeft, y, right - pickers.cy - gap - fieldLeft, fieldHeight);
        y += rowHeight;
    }
    y += bottomPad + groupGap;

    // File attributes: three columns of two.
    const int attributeHeight = ScaleY(20);
    Place(IDC_OPTIONS_ATTRIBUTES_GROUP, left, y, width, caption + 2 * attributeHeight + bottomPad);
    y += caption;
    const int column = (right - inner + gap) / 3;
    for (int i = 0; i < static_cast<int>(kAttributes.size()); ++i) {
        Place(IDC_OPTIONS_ATTRIBUTE_FIRST + i, inner + (i % 3) * column, y + (i / 3) * attributeHeight, column - gap,
            attributeHeight);
    }
    y += 2 * attributeHeight + bottomPad + groupGap;

    // Similar images: the similarity and its value, rotations and mirrors below.
    Place(IDC_OPTIONS_IMAGES_GROUP, left, y, width, caption + rowHeight + attributeHeight + bottomPad);
    y += caption;
    const SIZE text =
        MeasureText(GetDlgItem(IDC_OPTIONS_SIMILARITY_LABEL), Item(IDC_OPTIONS_SIMILARITY_LABEL).GetText());
    const int valueWidth = MeasureText(GetDlgItem(IDC_OPTIONS_SIMILARITY_VALUE), L"100%").cx;
    const int textTop = y + (fieldHeight - text.cy) / 2;
    Place(IDC_OPTIONS_SIMILARITY_LABEL, inner, textTop, text.cx, text.cy);
    Place(IDC_OPTIONS_SIMILARITY_VALUE, right - valueWidth, textTop, valueWidth, text.cy);
    const int trackLeft = inner + text.cx + gap;
    Place(IDC_OPTIONS_SIMILARITY, trackLeft, y, right - valueWidth - gap - trackLeft, fieldHeight);
    y += rowHeight;
    const int rotationsWidth = CheckWidth(IDC_OPTIONS_ROTATIONS);
    Place(IDC_OPTIONS_ROTATIONS, inner, y, rotationsWidth, attributeHeight);
    const int mirrorsLeft = inner + rotationsWidth + 3 * gap;
    Place(IDC_OPTIONS_MIRRORS, mirrorsLeft, y, right - mirrorsLeft, attributeHeight);
}

void CSearchOptionsPane::ArrangeLists(int left, int top, int right, int bottom, int fieldHeight)
{
    const int headerHeight = fieldHeight + ScaleY(4);
    const int blockGap = ScaleY(8);
    const int listHeight = std::max<int>(ScaleY(40), (bottom - top - 3 * headerHeight - 2 * blockGap) / 3);
    const int button = ListButtonWidth();
    int y = top;
    for (const ListRow& row : kListRows) {
        Place(row.remove, right - button, y, button, fieldHeight);
        Place(row.add, right - 2 * button - ScaleX(3), y, button, fieldHeight);
        Place(row.check, left, y, std::min(CheckWidth(row.check), right - 2 * button - ScaleX(9) - left), fieldHeight);
        y += headerHeight;
        Place(row.list, left, y, right - left, listHeight);
        y += listHeight + blockGap;
    }
}

} // namespace clonarium
