#include "results/DuplicateResult.h"

#include "i18n/Localizer.h"
#include "i18n/TextFormat.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <vector>

namespace clonarium {

using vandrelcommon::system::Localize;
using vandrelcommon::system::LocalizeForm;
using vandrelcommon::system::LocalizeWords;
using vandrelcommon::system::TextFormat;

namespace {

void CopyToRequest(LVITEMW& item, const std::wstring& text)
{
    if (item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::copy_n(text.data(), length, item.pszText);
    item.pszText[length] = L'\0';
}

std::wstring GroupedDecimal(int64_t value)
{
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::wstring digits;
    int count = 0;
    do {
        if (count > 0 && count % 3 == 0) {
            digits.push_back(L',');
        }
        digits.push_back(static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
        ++count;
    } while (magnitude != 0);
    if (negative) {
        digits.push_back(L'-');
    }
    return {digits.rbegin(), digits.rend()};
}

int FileCount(const CVirtualNode* group)
{
    return group->childCount;
}

constexpr ResultColumn kExactColumns[] = {{"header-filename", 250}, {nullptr, 16}, {"header-folder", 300},
    {"header-size", 100}, {"header-last-write-date", 150}, {"header-creation-date", 150},
    {"header-last-access-date", 150}, {"header-remark", 200}};
constexpr ResultColumn kImageColumns[] = {{"header-filename", 250}, {nullptr, 16}, {"header-folder", 300},
    {"header-size", 100}, {"header-last-write-date", 150}, {"header-creation-date", 150},
    {"header-last-access-date", 150}, {"header-resolution", 150}, {"header-similarity", 90}, {"header-remark", 200}};

// The shell's date-time formatter with the given FDTF_ flags.
std::wstring ShellFormatTime(const FILETIME& time, DWORD flags)
{
    // It is exported by ordinal only.
    using FormatDateTime = int(WINAPI*)(const FILETIME*, DWORD*, LPWSTR, UINT);
    static const auto format = [] {
        HMODULE shlwapi = LoadLibraryW(L"shlwapi.dll"); // stays loaded for the process
        return shlwapi == nullptr ? FormatDateTime(nullptr)
                                  : reinterpret_cast<FormatDateTime>(
                                        reinterpret_cast<void*>(GetProcAddress(shlwapi, MAKEINTRESOURCEA(354))));
    }();
    if (format == nullptr) {
        return {};
    }
    wchar_t buffer[40] = {};
    const int length = format(&time, &flags, buffer, 40);
    return length <= 0 ? std::wstring() : std::wstring(buffer);
}

constexpr DWORD kShortDate = 0x02;
constexpr DWORD kLongTime = 0x08;
constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsPerDay = 86'400;
constexpr int64_t kTicksPerDay = kTicksPerSecond * kSecondsPerDay;
constexpr int64_t kLastCachedDay = 3'000'000; // in the year 9814

int64_t TicksOf(const FILETIME& time)
{
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FILETIME FileTimeOfTicks(int64_t ticks)
{
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
}

// True when the shell's date text changes at the local midnight that
// `offset` gives on the day of `utc`.
bool DateTurnsAt(int64_t utc, int64_t offset)
{
    const int64_t midnight = (utc + offset) / kTicksPerDay * kTicksPerDay - offset;
    const std::wstring before = ShellFormatTime(FileTimeOfTicks(midnight - kTicksPerSecond), kShortDate);
    return !before.empty() && before != ShellFormatTime(FileTimeOfTicks(midnight), kShortDate);
}

// The words the platform's byte-size text ends in for 1 byte, 1 KB, 1 MB,
// 1 GB and 1 TB, in the system's language.
const std::array<std::wstring, 5>& PlatformUnits()
{
    static const std::array<std::wstring, 5> units = [] {
        std::array<std::wstring, 5> words;
        int64_t size = 1;
        for (std::wstring& word : words) {
            wchar_t buffer[100] = {};
            if (StrFormatByteSizeW(size, buffer, 100) != nullptr) {
                const std::wstring text = buffer;
                word = text.substr(text.rfind(L' ') + 1);
            }
            size = size == 1 ? 1024 : size * 1024;
        }
        return words;
    }();
    return units;
}

} // namespace

// Names as the user's language orders them, ignoring case (so Cyrillic,
// German and Polish names sort as their readers expect); -1, 0 or 1.
int CompareNames(std::wstring_view a, std::wstring_view b)
{
    const int order = ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
        b.data(), static_cast<int>(b.size()), nullptr, nullptr, 0);
    return order == 0 ? a.compare(b) : order - CSTR_EQUAL;
}

std::wstring_view FileNameView(std::wstring_view path)
{
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

std::wstring_view FolderView(std::wstring_view path)
{
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring_view::npos ? std::wstring_view() : path.substr(0, slash);
}

std::wstring FileNameOf(const std::wstring& path)
{
    return std::wstring(FileNameView(path));
}

std::wstring FolderOf(const std::wstring& path)
{
    return std::wstring(FolderView(path));
}

uint64_t Resolution(const CDuplicateItem& item)
{
    const auto* image = dynamic_cast<const CDuplicateImageItem*>(&item);
    return image == nullptr ? 0 : static_cast<uint64_t>(image->width) * image->height;
}

int SimilarityOf(const CDuplicateItem& item)
{
    const auto* image = dynamic_cast<const CDuplicateImageItem*>(&item);
    return image == nullptr ? 0 : image->similarity;
}

std::wstring ExtensionOf(const std::wstring& path)
{
    const size_t dot = path.rfind(L'.');
    const size_t slash = path.rfind(L'\\');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
        return {};
    }
    return path.substr(dot + 1);
}

std::wstring FormatByteSize(int64_t size)
{
    wchar_t buffer[100] = {};
    if (StrFormatByteSizeW(size, buffer, 100) == nullptr) {
        return GroupedDecimal(size);
    }
    // The platform's number in the program's language: its unit word is
    // found among those it gives 1 byte, 1 KB ... 1 TB, and replaced.
    const std::wstring text = buffer;
    const size_t space = text.rfind(L' ');
    if (space == std::wstring::npos) {
        return text;
    }
    const std::wstring_view number = std::wstring_view(text).substr(0, space);
    const std::wstring_view unit = std::wstring_view(text).substr(space + 1);
    const auto& platformUnits = PlatformUnits();
    if (unit == platformUnits[0]) {
        return TextFormat(LocalizeForm("main.units.bytes", static_cast<uint64_t>(size))).Add(number).Str();
    }
    const std::vector<std::wstring> units = LocalizeWords("main.units.larger");
    for (size_t k = 1; k < platformUnits.size() && k - 1 < units.size(); ++k) {
        if (unit == platformUnits[k]) {
            return std::wstring(number) + L" " + units[k - 1];
        }
    }
    return text;
}

std::wstring FormatFileTime(const FILETIME& time)
{
    return ShellFormatTime(time, kShortDate | kLongTime);
}

FileTimeFormatter::FileTimeFormatter()
{
    // Keys by local day and second are right only if the shell converts with
    // the same one offset: its date must turn at the midnight this offset
    // gives, in winter and in summer alike.
    const int64_t january = 132235632000000000; // 2020-01-15 12:00:00 UTC
    const FILETIME utc = FileTimeOfTicks(january);
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&utc, &local)) {
        return;
    }
    offset_ = TicksOf(local) - january;
    cached_ = DateTurnsAt(january, offset_) && DateTurnsAt(january + 182 * kTicksPerDay, offset_);
    if (cached_) {
        times_.resize(kSecondsPerDay);
    }
}

const std::wstring& FileTimeFormatter::Format(const FILETIME& time)
{
    // Days near the ends of the range go to the shell as they are.
    const int64_t local = TicksOf(time) + offset_;
    if (!cached_ || local < 2 * kTicksPerDay || local > kLastCachedDay * kTicksPerDay) {
        text_ = FormatFileTime(time);
        return text_;
    }
    const int64_t day = local / kTicksPerDay;
    std::wstring& clock = times_[static_cast<size_t>(local % kTicksPerDay / kTicksPerSecond)];
    const auto date = dates_.find(day);
    if (date != dates_.end() && !clock.empty()) {
        text_.assign(date->second).append(1, L' ').append(clock);
        return text_;
    }
    // A day or a second not seen before: the shell's own text, split into
    // its two parts and checked against what is known already.
    text_ = FormatFileTime(time);
    std::wstring dateText = date != dates_.end() ? date->second : ShellFormatTime(time, kShortDate);
    if (dateText.empty() || text_.empty()) {
        return text_; // nothing to learn from a time the shell cannot format
    }
    const bool joined = text_.size() > dateText.size() && text_.compare(0, dateText.size(), dateText) == 0 &&
                        text_[dateText.size()] == L' ';
    if (!joined || (!clock.empty() && text_.compare(dateText.size() + 1, std::wstring::npos, clock) != 0)) {
        cached_ = false;
        return text_;
    }
    clock = text_.substr(dateText.size() + 1);
    dates_.try_emplace(day, std::move(dateText));
    return text_;
}

static_assert(sizeof(void*) != 8 || sizeof(CDuplicateItem) == 64, "a file item grew past 64 bytes");

template <typename Item, typename... Arguments>
std::unique_ptr<Item> CDuplicateItem::Place(const FileRecord& record, Arguments... arguments)
{
    const size_t length = record.path.size();
    void* block = ::operator new(sizeof(Item) + (length + 1) * sizeof(wchar_t));
    auto* path = reinterpret_cast<wchar_t*>(static_cast<char*>(block) + sizeof(Item));
    std::copy_n(record.path.data(), length, path);
    path[length] = L'\0';
    return std::unique_ptr<Item>(::new (block) Item(record, arguments...));
}

std::unique_ptr<CDuplicateItem> CDuplicateItem::Create(const FileRecord& record, int64_t size, int32_t iconIndex)
{
    return Place<CDuplicateItem>(record, size, iconIndex);
}

CDuplicateItem::CDuplicateItem(const FileRecord& record, int64_t size, int32_t iconIndex)
    : size(size),
      iconIndex(iconIndex),
      lastWriteTime(record.lastWriteTime),
      lastAccessTime(record.lastAccessTime),
      creationTime(record.creationTime),
      pathLength_(static_cast<uint32_t>(record.path.size()))
{ }

void CDuplicateItem::FillDisplayInfo(LVITEMW& item, CVirtualNode* node)
{
    if ((item.mask & LVIF_TEXT) != 0) {
        CopyToRequest(item, GetColumnText(item.iSubItem, node));
    }
    if ((item.mask & LVIF_IMAGE) != 0 && item.iSubItem == 0) {
        item.iImage = iconIndex;
    }
}

std::wstring CDuplicateItem::GetColumnText(int column, CVirtualNode*)
{
    switch (column) {
    case 0:
        return std::wstring(FileNameView(Path()));
    case 2:
        return std::wstring(FolderView(Path()));
    case 3:
        return FormatByteSize(size);
    case 4:
        return FormatFileTime(lastWriteTime);
    case 5:
        return FormatFileTime(creationTime);
    case 6:
        return FormatFileTime(lastAccessTime);
    case 7:
        return Remark();
    default:
        return {};
    }
}

const std::wstring& CDuplicateItem::Remark() const
{
    static const std::wstring kNone;
    return remark_ ? *remark_ : kNone;
}

void CDuplicateItem::SetRemark(std::wstring text)
{
    if (text.empty()) {
        remark_.reset();
    } else {
        remark_ = std::make_unique<std::wstring>(std::move(text));
    }
}

std::unique_ptr<CDuplicateImageItem> CDuplicateImageItem::Create(const FileRecord& record, int32_t iconIndex)
{
    return Place<CDuplicateImageItem>(record, iconIndex);
}

CDuplicateImageItem::CDuplicateImageItem(const FileRecord& record, int32_t iconIndex)
    : CDuplicateItem(record, static_cast<int64_t>(record.size), iconIndex),
      width(record.width),
      height(record.height),
      similarity(record.similarity)
{ }

std::wstring CDuplicateImageItem::GetColumnText(int column, CVirtualNode* node)
{
    switch (column) {
    case 7:
        return TextFormat(L"%1%x%2%").Add(width).Add(height).Str();
    case 8:
        return std::to_wstring(similarity) + L"%";
    case 9:
        return Remark();
    default:
        return CDuplicateItem::GetColumnText(column, node);
    }
}

void CDuplicateGroup::FillDisplayInfo(LVITEMW& item, CVirtualNode* node)
{
    if ((item.mask & LVIF_TEXT) != 0) {
        CopyToRequest(item, GetColumnText(item.iSubItem, node));
    }
    if ((item.mask & LVIF_IMAGE) != 0 && item.iSubItem == 0) {
        item.iImage = iconIndex;
    }
}

std::wstring CDuplicateGroup::GetColumnText(int column, CVirtualNode* node)
{
    if (column == 0) {
        if (size < 0) {
            return TextFormat(Localize("duplicates-pane.tree.image-group-caption")).Add(FileCount(node)).Str();
        }
        // The template carries its own word for bytes, so the count goes in plain.
        return TextFormat(Localize("duplicates-pane.tree.group-caption"))
            .Add(FileCount(node))
            .Add(static_cast<uint64_t>(size))
            .Str();
    }
    if (column == 3) {
        return FormatByteSize(GroupTotalSize(node));
    }
    return {};
}

CDuplicateGroup* GroupOf(const CVirtualNode* node)
{
    return node == nullptr ? nullptr : dynamic_cast<CDuplicateGroup*>(node->data.get());
}

CDuplicateItem* ItemOf(const CVirtualNode* node)
{
    return node == nullptr ? nullptr : dynamic_cast<CDuplicateItem*>(node->data.get());
}

int64_t GroupTotalSize(const CVirtualNode* group)
{
    const CDuplicateGroup* data = GroupOf(group);
    if (data == nullptr) {
        return 0;
    }
    if (data->size >= 0) {
        return data->size * FileCount(group);
    }
    int64_t total = 0;
    for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
        if (const CDuplicateItem* item = ItemOf(file)) {
            total += item->size;
        }
    }
    return total;
}

int32_t ExtensionIcons::IconOf(const std::wstring& path)
{
    std::wstring extension = ExtensionOf(path);
    const auto found = indexes_.find(extension);
    if (found != indexes_.end()) {
        return found->second;
    }
    SHFILEINFOW info{};
    int32_t index = 0;
    if (SHGetFileInfoW(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
            SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) != 0) {
        index = info.iIcon;
        DestroyIcon(info.hIcon);
    }
    indexes_.emplace(std::move(extension), index);
    return index;
}

CVirtualNode* AddGroup(
    CVirtualTree& tree, const FileGroup& group, ResultMode mode, ExtensionIcons& icons, int32_t groupIcon)
{
    const int64_t size =
        mode == SimilarImages ? -static_cast<int64_t>(group.files.size()) : static_cast<int64_t>(group.size);
    auto data = std::make_unique<CDuplicateGroup>(size, groupIcon);
    CDuplicateGroup* groupData = data.get();
    CVirtualNode* node = tree.AddNode(nullptr, std::move(data));
    for (const FileRecord& record : group.files) {
        const int32_t icon = icons.IconOf(record.path);
        if (mode == SimilarImages) {
            tree.AddNode(node, CDuplicateImageItem::Create(record, icon));
        } else {
            tree.AddNode(node, CDuplicateItem::Create(record, size, icon));
        }
    }
    if (!group.files.empty()) {
        groupData->lockedId = 0;
    }
    return node;
}

std::span<const ResultColumn> ResultColumns(ResultMode mode)
{
    if (mode == SimilarImages) {
        return kImageColumns;
    }
    return kExactColumns;
}

std::wstring ColumnHeader(const ResultColumn& column)
{
    return column.headerKey == nullptr ? std::wstring()
                                       : Localize(std::string("duplicates-pane.tree.") + column.headerKey);
}

ResultStatistics ComputeStatistics(CVirtualTree& tree)
{
    ResultStatistics statistics;
    for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
        const uint64_t files = static_cast<uint64_t>(FileCount(group));
        const int64_t total = GroupTotalSize(group);
        ++statistics.groups;
        statistics.files += files;
        statistics.total += total;
        if (files > 0) {
            statistics.wasted += total / static_cast<int64_t>(files) * static_cast<int64_t>(files - 1);
        }
    }
    return statistics;
}

MarkedFiles CountMarkedFiles(CVirtualTree& tree)
{
    MarkedFiles marked;
    for (const CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
        if (group->GetCheckState() == vandrelcommon::ui::Unchecked) {
            continue;
        }
        for (const CVirtualNode* file = group->firstChild; file != nullptr; file = file->nextSibling) {
            const CDuplicateItem* item = ItemOf(file);
            if (item != nullptr && file->GetCheckState() == vandrelcommon::ui::Checked) {
                ++marked.files;
                marked.size += item->size;
            }
        }
    }
    return marked;
}

std::wstring MarkedFilesText(const MarkedFiles& marked)
{
    return TextFormat(LocalizeForm("main.status.marked", marked.files))
        .Add(marked.files)
        .Add(FormatByteSize(marked.size))
        .Str();
}

std::wstring StatisticsText(const ResultStatistics& statistics, ResultMode mode)
{
    if (mode == SimilarImages) {
        return TextFormat(LocalizeForm("main.status.remaining-duplicates-wastedless", statistics.groups))
            .Add(statistics.files)
            .Add(statistics.groups)
            .Add(FormatByteSize(statistics.total))
            .Str();
    }
    return TextFormat(LocalizeForm("main.status.remaining-duplicates", statistics.groups))
        .Add(statistics.files)
        .Add(statistics.groups)
        .Add(FormatByteSize(statistics.total))
        .Add(FormatByteSize(statistics.wasted))
        .Str();
}

void SortGroups(CVirtualTree& tree, GroupSortOrder order, bool ascending)
{
    struct Keyed {
        int64_t key;
        bool hasKey;
        CVirtualNode* node;
    };
    std::vector<Keyed> groups;
    groups.reserve(static_cast<size_t>(tree.Root().childCount));
    for (CVirtualNode* group = tree.Root().firstChild; group != nullptr; group = group->nextSibling) {
        Keyed keyed{0, true, group};
        if (order == GroupSortOrder::TotalSize) {
            keyed.key = GroupTotalSize(group);
        } else if (order == GroupSortOrder::FileCount) {
            keyed.key = FileCount(group);
        } else if (const CDuplicateItem* first = ItemOf(group->firstChild)) {
            keyed.key = first->size;
        } else {
            keyed.hasKey = false; // smallest going up, largest going down: first either way
        }
        groups.push_back(keyed);
    }
    std::sort(groups.begin(), groups.end(), [ascending](const Keyed& a, const Keyed& b) {
        if (a.hasKey != b.hasKey) {
            return !a.hasKey;
        }
        return ascending ? a.key < b.key : b.key < a.key;
    });
    std::vector<CVirtualNode*> nodes;
    nodes.reserve(groups.size());
    for (const Keyed& keyed : groups) {
        nodes.push_back(keyed.node);
    }
    tree.ReorderChildren(nullptr, nodes);
}

void SortFiles(CVirtualTree& tree, FileSortKey key, bool flag)
{
    auto compare = [key, flag](const CDuplicateItem& a, const CDuplicateItem& b) {
        switch (key) {
        case FileSortKey::Created:
            return flag ? CompareFileTime(&a.creationTime, &b.creationTime) > 0
                        : CompareFileTime(&a.creationTime, &b.creationTime) < 0;
        case FileSortKey::Modified:
            return flag ? CompareFileTime(&a.lastWriteTime, &b.lastWriteTime) > 0
                        : CompareFileTime(&a.lastWriteTime, &b.lastWriteTime) < 0;
        case FileSortKey::LastAccess:
            return flag ? CompareFileTime(&a.lastAccessTime, &b.lastAccessTime) > 0
                        : CompareFileTime(&a.lastAccessTime, &b.lastAccessTime) < 0;
        case FileSortKey::Folder: {
            const int order = FolderView(a.Path()).compare(FolderView(b.Path()));
            return flag ? order < 0 : order > 0;
        }
        case FileSortKey::FileName: {
            const int order = CompareNames(FileNameView(a.Path()), FileNameView(b.Path()));
            return flag ? order > 0 : order < 0;
        }
        case FileSortKey::Size:
            return flag ? a.size < b.size : a.size > b.size;
        case FileSortKey::Remark:
            return flag ? a.Remark() < b.Remark() : a.Remark() > b.Remark();
        case FileSortKey::Resolution:
            return flag ? Resolution(a) < Resolution(b) : Resolution(a) > Resolution(b);
        case FileSortKey::Similarity:
            return flag ? SimilarityOf(a) > SimilarityOf(b) : SimilarityOf(a) < SimilarityOf(b);
        }
        return false;
    };
    tree.SortGrandchildren(nullptr, [&compare](const CVirtualNode* a, const CVirtualNode* b) {
        const CDuplicateItem* first = ItemOf(a);
        const CDuplicateItem* second = ItemOf(b);
        return first != nullptr && second != nullptr && compare(*first, *second);
    });
}

} // namespace clonarium
