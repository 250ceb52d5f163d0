#include "results/DuplicateResult.h"

#include "i18n/Localizer.h"
#include "tests/results/ResultModel.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <random>
#include <vector>

using namespace clonarium;
using vandrelcommon::system::Localize;

namespace {

class DuplicateResultTest : public testing::Test {
protected:
    void SetUp() override { LoadEnglish(); }

    std::wstring Column(CVirtualNode* node, int column) { return node->Columns()->GetColumnText(column, node); }

    CVirtualTree tree;
};

TEST_F(DuplicateResultTest, ExactGroupShowsCountSizeTotalAndColumnsOfItsFiles)
{
    CVirtualNode* group = AddRecords(tree, {Record(L"c:\\a\\one.txt", 2048, 100), Record(L"c:\\b\\two.txt", 2048, 200),
                                               Record(L"c:\\c\\three.txt", 2048, 300)});
    EXPECT_EQ(Column(group, 0), L"3 files, 2048 bytes each");
    EXPECT_EQ(Column(group, 3), FormatByteSize(6144));
    EXPECT_EQ(Column(group, 1), L"");
    EXPECT_EQ(group->Columns()->GetColumnCount(), 4);
    EXPECT_EQ(GroupOf(group)->lockedId, 0);

    CVirtualNode* file = group->firstChild->nextSibling;
    EXPECT_EQ(Column(file, 0), L"two.txt");
    EXPECT_EQ(Column(file, 1), L"");
    EXPECT_EQ(Column(file, 2), L"c:\\b");
    EXPECT_EQ(Column(file, 3), FormatByteSize(2048));
    EXPECT_EQ(Column(file, 4), FormatFileTime(FileTimeOf(200)));
    EXPECT_EQ(Column(file, 8), L"");
    EXPECT_EQ(file->Columns()->GetColumnCount(), 8);
    ItemOf(file)->SetRemark(L"in use");
    EXPECT_EQ(Column(file, 7), L"in use");
    EXPECT_EQ(file->sequenceNumber, 1);

    CVirtualNode* empty = AddRecords(tree, {});
    EXPECT_EQ(GroupOf(empty)->lockedId, -1);

    const ResultStatistics statistics = ComputeStatistics(tree);
    EXPECT_EQ(statistics.files, 3u);
    EXPECT_EQ(statistics.groups, 2u);
    EXPECT_EQ(statistics.total, 6144);
    EXPECT_EQ(statistics.wasted, 4096);
    EXPECT_EQ(StatisticsText(statistics, ExactDuplicates), L"Remaining 3 duplicates in 2 groups (total size: " +
                                                               FormatByteSize(6144) + L"; wasted size: " +
                                                               FormatByteSize(4096) + L")");
}

TEST_F(DuplicateResultTest, ImageGroupTotalsTheFilesItStillHas)
{
    CVirtualNode* group = AddRecords(tree,
        {ImageRecord(L"c:\\p\\a.jpg", 10, 640, 480), ImageRecord(L"c:\\p\\b.png", 20, 4000, 3000, 97),
            ImageRecord(L"c:\\p\\c.jpg", 30, 1, 1)},
        SimilarImages);
    EXPECT_EQ(GroupOf(group)->size, -3);
    EXPECT_EQ(Column(group, 0), L"3 images");
    EXPECT_EQ(GroupTotalSize(group), 60);

    CVirtualNode* second = group->firstChild->nextSibling;
    EXPECT_EQ(Column(second, 3), FormatByteSize(20));
    EXPECT_EQ(Column(second, 7), L"4000x3000");
    EXPECT_EQ(Column(second, 8), L"97%");
    ItemOf(second)->SetRemark(L"locked");
    EXPECT_EQ(Column(second, 9), L"locked");
    EXPECT_EQ(second->Columns()->GetColumnCount(), 10);

    tree.RemoveNode(group->lastChild, true);
    EXPECT_EQ(GroupTotalSize(group), 30);
    EXPECT_EQ(Column(group, 0), L"2 images");

    const ResultStatistics statistics = ComputeStatistics(tree);
    EXPECT_EQ(statistics.total, 30);
    EXPECT_EQ(StatisticsText(statistics, SimilarImages),
        L"Remaining 2 duplicates in 1 group (total size: " + FormatByteSize(30) + L")");
}

TEST_F(DuplicateResultTest, PathParts)
{
    EXPECT_EQ(FileNameOf(L"plain.txt"), L"plain.txt");
    EXPECT_EQ(FolderOf(L"plain.txt"), L"");
    EXPECT_EQ(FileNameOf(L"c:\\a\\b.txt"), L"b.txt");
    EXPECT_EQ(FolderOf(L"c:\\a\\b.txt"), L"c:\\a");
    EXPECT_EQ(ExtensionOf(L"c:\\x.y\\README"), L"");
    EXPECT_EQ(ExtensionOf(L"c:\\x.y\\archive.tar.GZ"), L"GZ");
}

TEST_F(DuplicateResultTest, DisplayTextIsCutToTheRequestBuffer)
{
    CVirtualNode* group = AddRecords(tree, {Record(L"c:\\folder\\a-long-name.txt", 5)});
    wchar_t buffer[6];
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.pszText = buffer;
    item.cchTextMax = 6;
    item.iImage = -7;
    group->firstChild->data->FillDisplayInfo(item, group->firstChild);
    EXPECT_STREQ(buffer, L"a-lon");
    EXPECT_EQ(item.iImage, ItemOf(group->firstChild)->iconIndex);

    item.iSubItem = 2;
    item.iImage = -7;
    group->data->FillDisplayInfo(item, group);
    EXPECT_STREQ(buffer, L"");
    EXPECT_EQ(item.iImage, -7);
}

TEST_F(DuplicateResultTest, FormattersGiveText)
{
    // The platform's number, the unit of the language's table.
    EXPECT_EQ(FormatByteSize(1), L"1 byte");
    EXPECT_EQ(FormatByteSize(777), L"777 bytes");
    const std::wstring kilobytes = FormatByteSize(6144);
    EXPECT_EQ(kilobytes.front(), L'6');
    EXPECT_EQ(kilobytes.substr(kilobytes.size() - 3), L" KB");
    EXPECT_EQ(FormatByteSize(5ll << 30).substr(FormatByteSize(5ll << 30).size() - 3), L" GB");
    // 2020-01-02 03:04:05 UTC
    EXPECT_NE(FormatFileTime(FileTimeOf(132223334450000000ull)).find(L"2020"), std::wstring::npos);
}

TEST_F(DuplicateResultTest, FileTimeFormatterGivesTheShellsTextForEveryTime)
{
    // Days and seconds drawn from small sets meet again in new pairs, so most
    // texts are joined from what the formatter keeps; midnights, fractions of
    // a second and the ends of the range are among them.
    constexpr uint64_t kDay = 864000000000;
    constexpr uint64_t kSecond = 10000000;
    std::mt19937_64 random(14);
    std::vector<uint64_t> days;
    for (int i = 0; i < 60; ++i) {
        days.push_back(145000 + random() % 20000); // 1998 to 2052
    }
    std::vector<uint64_t> times = {0, 1, kDay, 2 * kDay - 1, 2 * kDay, 3 * kDay + 5 * kSecond,
        2914000 * kDay + 7 * kSecond, 3000000 * kDay, 3000001 * kDay + 9 * kSecond};
    for (int i = 0; i < 20000; ++i) {
        const uint64_t day = days[random() % days.size()];
        const uint64_t second = i % 3 == 0 ? random() % 86400 : random() % 90 * 960;
        const uint64_t fraction = i % 5 == 0 ? 0 : random() % kSecond;
        times.push_back(day * kDay + (i % 7 == 0 ? 86399 : second) * kSecond + fraction);
        times.push_back(day * kDay + (i % 11 == 0 ? 0 : second) * kSecond);
    }
    FileTimeFormatter formatter;
    size_t differing = 0;
    for (const uint64_t time : times) {
        const std::wstring expected = FormatFileTime(FileTimeOf(time));
        if (formatter.Format(FileTimeOf(time)) != expected && ++differing <= 5) {
            ADD_FAILURE() << "file time " << time << ": \"" << formatter.Format(FileTimeOf(time)) << "\" against \""
                          << expected << "\"";
        }
    }
    EXPECT_EQ(differing, 0u) << "of " << times.size();
}

TEST_F(DuplicateResultTest, GroupsSortEitherWayAndAGroupWithoutFilesComesFirstBySingleSize)
{
    CVirtualNode* bigFew = AddRecords(tree, {Record(L"a", 1000), Record(L"b", 1000)});
    CVirtualNode* smallMany = AddRecords(tree, {Record(L"c", 10), Record(L"d", 10), Record(L"e", 10)});
    CVirtualNode* empty = AddRecords(tree, {});
    CVirtualNode* middle = AddRecords(tree, {Record(L"f", 300), Record(L"g", 300)});

    using Order = std::vector<CVirtualNode*>;
    SortGroups(tree, GroupSortOrder::TotalSize, false);
    EXPECT_EQ(GroupsOf(tree), (Order{bigFew, middle, smallMany, empty}));
    SortGroups(tree, GroupSortOrder::FileCount, true);
    // Two groups of two files tie and may come either way.
    EXPECT_EQ(GroupsOf(tree).front(), empty);
    EXPECT_EQ(GroupsOf(tree).back(), smallMany);
    SortGroups(tree, GroupSortOrder::SingleFileSize, true);
    EXPECT_EQ(GroupsOf(tree), (Order{empty, smallMany, middle, bigFew}));
    SortGroups(tree, GroupSortOrder::SingleFileSize, false);
    EXPECT_EQ(GroupsOf(tree), (Order{empty, bigFew, middle, smallMany}));
    EXPECT_EQ(tree.Rows(), (Order{empty, bigFew, middle, smallMany}));

    GroupOrdering ordering{GroupSortOrder::TotalSize, false}; // as a loaded search leaves it
    EXPECT_TRUE(ordering.DirectionFor(GroupSortOrder::TotalSize));
    ordering.ascending = true;
    EXPECT_FALSE(ordering.DirectionFor(GroupSortOrder::TotalSize));
    ordering.ascending = false;
    EXPECT_FALSE(ordering.DirectionFor(GroupSortOrder::FileCount));
    EXPECT_FALSE(GroupOrdering{}.DirectionFor(GroupSortOrder::TotalSize));
}

TEST_F(DuplicateResultTest, FilesSortByEveryKeyAndTheLockStaysWithItsFile)
{
    CVirtualNode* group = AddRecords(tree,
        {Record(L"c:\\b\\Mid.txt", 1, 200), Record(L"c:\\C\\zed.txt", 1, 100), Record(L"c:\\a\\ALPHA.txt", 1, 300)});
    tree.Expand(0);
    using Paths = std::vector<std::wstring>;
    SortFiles(tree, FileSortKey::Created, true);
    EXPECT_EQ(PathsOf(group), (Paths{L"c:\\a\\ALPHA.txt", L"c:\\b\\Mid.txt", L"c:\\C\\zed.txt"}));
    SortFiles(tree, FileSortKey::Modified, false);
    EXPECT_EQ(PathsOf(group), (Paths{L"c:\\C\\zed.txt", L"c:\\b\\Mid.txt", L"c:\\a\\ALPHA.txt"}));
    SortFiles(tree, FileSortKey::FileName, true); // Z to A, ignoring case
    EXPECT_EQ(PathsOf(group), (Paths{L"c:\\C\\zed.txt", L"c:\\b\\Mid.txt", L"c:\\a\\ALPHA.txt"}));
    SortFiles(tree, FileSortKey::FileName, false);
    EXPECT_EQ(PathsOf(group), (Paths{L"c:\\a\\ALPHA.txt", L"c:\\b\\Mid.txt", L"c:\\C\\zed.txt"}));
    SortFiles(tree, FileSortKey::Folder, true); // case counts: "C" before "a"
    EXPECT_EQ(PathsOf(group), (Paths{L"c:\\C\\zed.txt", L"c:\\a\\ALPHA.txt", L"c:\\b\\Mid.txt"}));

    // The lock names the first file the finder gave, wherever it went.
    EXPECT_EQ(GroupOf(group)->lockedId, 0);
    EXPECT_EQ(group->lastChild->sequenceNumber, 0);
    // Rows follow the new order under the expanded group.
    EXPECT_EQ(tree.Rows(),
        (std::vector<CVirtualNode*>{group, group->firstChild, group->firstChild->nextSibling, group->lastChild}));

    CVirtualNode* images =
        AddRecords(tree, {ImageRecord(L"x\\big", 5, 100, 100), ImageRecord(L"x\\small", 9, 10, 10)}, SimilarImages);
    SortFiles(tree, FileSortKey::Resolution, true);
    EXPECT_EQ(PathsOf(images), (Paths{L"x\\small", L"x\\big"}));
    SortFiles(tree, FileSortKey::Size, false);
    EXPECT_EQ(PathsOf(images), (Paths{L"x\\small", L"x\\big"}));
    SortFiles(tree, FileSortKey::Size, true);
    EXPECT_EQ(PathsOf(images), (Paths{L"x\\big", L"x\\small"}));
}

// Names sort as their readers expect: case and accents do not part them
// from their letters, Polish and Cyrillic letters stand where they belong.
TEST_F(DuplicateResultTest, FileNamesSortByTheLanguageIgnoringCase)
{
    CVirtualNode* group = AddRecords(
        tree, {Record(L"c:\\a\\Zebra", 1), Record(L"c:\\a\\\u044f\u043c\u0430", 1), Record(L"c:\\a\\Mazury", 1),
                  Record(L"c:\\a\\\u00c4pfel", 1), Record(L"c:\\a\\\u0141\u00f3d\u017a", 1),
                  Record(L"c:\\a\\\u042f\u0431\u043b\u043e\u043a\u043e", 1), Record(L"c:\\a\\Birne", 1),
                  Record(L"c:\\a\\\u0430\u0440\u0431\u0443\u0437", 1), Record(L"c:\\a\\Lublin", 1)});
    SortFiles(tree, FileSortKey::FileName, false);
    std::vector<std::wstring> names;
    for (const std::wstring& path : PathsOf(group)) {
        names.push_back(FileNameOf(path));
    }
    const auto at = [&names](const std::wstring& name) {
        return std::find(names.begin(), names.end(), name) - names.begin();
    };
    EXPECT_EQ(at(L"\u00c4pfel"), 0) << "\u00c4 is an A";
    EXPECT_EQ(at(L"Birne"), 1);
    // Where a Polish reader or the system's own order puts it: among the L.
    EXPECT_GT(at(L"\u0141\u00f3d\u017a"), at(L"Birne"));
    EXPECT_LT(at(L"\u0141\u00f3d\u017a"), at(L"Mazury"));
    EXPECT_EQ(at(L"Zebra"), 5);
    // Cyrillic after Latin, capitals among the small letters.
    EXPECT_EQ(std::vector<std::wstring>(names.begin() + 6, names.end()),
        (std::vector<std::wstring>{
            L"\u0430\u0440\u0431\u0443\u0437", L"\u042f\u0431\u043b\u043e\u043a\u043e", L"\u044f\u043c\u0430"}));
}

} // namespace
