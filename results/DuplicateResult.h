#pragma once
// The result of a search as node data of the virtual tree: one group row per
// group of duplicates, one file row per file under it, with their column
// texts, totals, status-line statistics and orderings.
#include "engine/FileRecord.h"
#include "engine/SearchParameters.h"
#include "ui/common/VirtualTree.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace clonarium {

using vandrelcommon::ui::CVirtualNode;
using vandrelcommon::ui::CVirtualTree;

// The text after the last backslash; the whole path when there is none.
std::wstring FileNameOf(const std::wstring& path);
std::wstring_view FileNameView(std::wstring_view path);
// The text before the last backslash; empty when there is none.
std::wstring FolderOf(const std::wstring& path);
std::wstring_view FolderView(std::wstring_view path);
// The text after the last dot when it lies after the last backslash.
std::wstring ExtensionOf(const std::wstring& path);
// The platform's short size text with the unit in the program's language
// ("1,23 MB", "777 Bytes"); decimal digits grouped by "," if it fails.
std::wstring FormatByteSize(int64_t size);
// Short date and long time; empty when the platform cannot format it.
std::wstring FormatFileTime(const FILETIME& time);

// FormatFileTime for the many times of one report. The shell's formatter is
// dear, so each day's date text and each second's time text are asked for
// once and joined as the shell joins them. The local-time offset is taken
// once, as the shell takes the current one at every call. Where the shell's
// own text shows that it joins or converts otherwise, every time goes to it.
class FileTimeFormatter {
public:
    FileTimeFormatter();
    // The text of FormatFileTime(time), kept until the next call.
    const std::wstring& Format(const FILETIME& time);

private:
    std::wstring text_;
    int64_t offset_ = 0; // local time minus UTC, in file-time units
    bool cached_ = false;
    std::unordered_map<int64_t, std::wstring> dates_; // by local day
    std::vector<std::wstring> times_;                 // by local second of the day; empty: not asked yet
};

// A file row. A result holds a million of them, so an item and its path's
// characters share one heap block: items are made only by Create, which
// places the characters after the object, and are never copied.
class CDuplicateItem : public vandrelcommon::ui::IVirtualNodeData, public vandrelcommon::ui::IIterableTextColumn {
public:
    static std::unique_ptr<CDuplicateItem> Create(const FileRecord& record, int64_t size, int32_t iconIndex);
    CDuplicateItem(const CDuplicateItem&) = delete;
    CDuplicateItem& operator=(const CDuplicateItem&) = delete;
    // Frees the whole block, whatever size the object's type has.
    static void operator delete(void* block) { ::operator delete(block); }

    void FillDisplayInfo(LVITEMW& item, CVirtualNode* node) override;
    std::wstring GetColumnText(int column, CVirtualNode* node) override;
    int GetColumnCount() override { return 8; }

    // The full path; a null follows its characters.
    std::wstring_view Path() const
    {
        return {reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(this) + PathOffset()), pathLength_};
    }

    int64_t size;
    int32_t iconIndex;
    FILETIME lastWriteTime;
    FILETIME lastAccessTime;
    FILETIME creationTime;

    // Why deletion could not handle the file; empty when it could.
    const std::wstring& Remark() const;
    void SetRemark(std::wstring text);

protected:
    CDuplicateItem(const FileRecord& record, int64_t size, int32_t iconIndex);
    // An `Item` made with `arguments` in a block that holds the record's path after it.
    template <typename Item, typename... Arguments>
    static std::unique_ptr<Item> Place(const FileRecord& record, Arguments... arguments);

private:
    // Where the path's characters begin: right after the object, so every
    // class made by Place answers its own size.
    virtual size_t PathOffset() const { return sizeof(CDuplicateItem); }

    uint32_t pathLength_;
    // Few files ever get one, and a million rows each holding an empty
    // string would cost 24 bytes a row more than this pointer.
    std::unique_ptr<std::wstring> remark_;
};

class CDuplicateImageItem : public CDuplicateItem {
public:
    static std::unique_ptr<CDuplicateImageItem> Create(const FileRecord& record, int32_t iconIndex);

    std::wstring GetColumnText(int column, CVirtualNode* node) override;
    int GetColumnCount() override { return 10; }

    uint32_t width;
    uint32_t height;
    uint16_t similarity; // to the group's first picture, in percent

private:
    friend class CDuplicateItem; // Place makes it
    CDuplicateImageItem(const FileRecord& record, int32_t iconIndex);
    size_t PathOffset() const override { return sizeof(CDuplicateImageItem); }
};

class CDuplicateGroup : public vandrelcommon::ui::IVirtualNodeData, public vandrelcommon::ui::IIterableTextColumn {
public:
    CDuplicateGroup(int64_t size, int32_t iconIndex) : size(size), iconIndex(iconIndex) { }

    void FillDisplayInfo(LVITEMW& item, CVirtualNode* node) override;
    std::wstring GetColumnText(int column, CVirtualNode* node) override;
    int GetColumnCount() override { return 4; }

    // Exact duplicates: the size of each file. Similar images: minus the
    // number of images the group was built with.
    int64_t size;
    int32_t iconIndex;
    int32_t lockedId = -1; // sequence number of the locked file
};

// The node's data as a group or a file item, or null.
CDuplicateGroup* GroupOf(const CVirtualNode* node);
CDuplicateItem* ItemOf(const CVirtualNode* node);

// Width times height of a picture; 0 for a file that is not one.
uint64_t Resolution(const CDuplicateItem& item);
// A picture's similarity to its group's first picture, in percent; 0 for a
// file that is not one.
int SimilarityOf(const CDuplicateItem& item);

// A group's current files times its size, or for images the sum of its
// files' own sizes.
int64_t GroupTotalSize(const CVirtualNode* group);

// System image-list indexes of small file icons, one shell lookup per extension.
class ExtensionIcons {
public:
    int32_t IconOf(const std::wstring& path);

private:
    std::unordered_map<std::wstring, int32_t> indexes_;
};

// Appends one group found by a finder and its files, in the finder's order.
CVirtualNode* AddGroup(
    CVirtualTree& tree, const FileGroup& group, ResultMode mode, ExtensionIcons& icons, int32_t groupIcon);

// The result tree's columns in order: the language key of each header
// (under "duplicates-pane.tree."; null for the lock column, which has none)
// and its width at 96 DPI.
struct ResultColumn {
    const char* headerKey;
    int width;
};
std::span<const ResultColumn> ResultColumns(ResultMode mode);
// A column's header in the current language; empty for the lock column.
std::wstring ColumnHeader(const ResultColumn& column);

struct ResultStatistics {
    uint64_t files = 0;
    uint64_t groups = 0;
    int64_t total = 0;
    int64_t wasted = 0; // all but one copy of each group; exact duplicates only
};

ResultStatistics ComputeStatistics(CVirtualTree& tree);

// The files marked for deletion and the space deleting them frees.
struct MarkedFiles {
    uint64_t files = 0;
    int64_t size = 0;
};
MarkedFiles CountMarkedFiles(CVirtualTree& tree);
// The status line's text for them.
std::wstring MarkedFilesText(const MarkedFiles& marked);
// The status line's text for these numbers.
std::wstring StatisticsText(const ResultStatistics& statistics, ResultMode mode);

enum class GroupSortOrder : int32_t { None = 0, TotalSize = 1, SingleFileSize = 2, FileCount = 3 };

// The order the groups are in and which way a newly chosen order goes.
struct GroupOrdering {
    GroupSortOrder order = GroupSortOrder::None;
    bool ascending = false;

    // The same order chosen again while descending goes ascending; anything
    // else goes descending.
    bool DirectionFor(GroupSortOrder chosen) const { return chosen == order && !ascending; }
};

void SortGroups(CVirtualTree& tree, GroupSortOrder order, bool ascending);

enum class FileSortKey : int32_t {
    Created = 0,
    Modified = 1,
    LastAccess = 2,
    Folder = 3,
    FileName = 4,
    Size = 5,
    Remark = 6,
    Resolution = 7,
    Similarity = 8,
};

// Sorts the files inside every group; the groups keep their order.
void SortFiles(CVirtualTree& tree, FileSortKey key, bool flag);

} // namespace clonarium
