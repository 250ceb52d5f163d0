#include "engine/FileIndexer.h"

#include "tests/engine/AdmitAll.h"
#include "tests/engine/RecordingCallback.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

struct IndexResult {
    std::vector<std::wstring> paths;
    uint32_t count = 0;
};

IndexResult Index(
    const SearchParameters& p, const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback = nullptr)
{
    FileIndexer indexer(p, callback);
    PathList list;
    IndexResult result;
    for (const SearchRoot& root : roots) {
        indexer.IndexRoot(root, list, result.count);
    }
    result.paths = list.paths;
    std::sort(result.paths.begin(), result.paths.end());
    return result;
}

IndexResult IndexFolder(
    const SearchParameters& p, const std::wstring& folder, ISearchProcessCallback* callback = nullptr)
{
    return Index(p, {{folder, true}}, callback);
}

WIN32_FIND_DATAW Entry(const wchar_t* name, uint64_t size = 0, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    WIN32_FIND_DATAW entry{};
    wcscpy_s(entry.cFileName, name);
    entry.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    entry.nFileSizeLow = static_cast<DWORD>(size);
    entry.dwFileAttributes = attributes;
    return entry;
}

TEST(MatchMask, WildcardsIgnoringCase)
{
    EXPECT_TRUE(FileIndexer::MatchMask(L"*.JPG", L"photo.jpg"));
    EXPECT_TRUE(FileIndexer::MatchMask(L"*.jpg", L"PHOTO.JPG"));
    EXPECT_FALSE(FileIndexer::MatchMask(L"*.jpg", L"photo.jpeg"));
    EXPECT_FALSE(FileIndexer::MatchMask(L"*.jpg", L"photo.jpg.txt"));
    EXPECT_TRUE(FileIndexer::MatchMask(L"*.*", L"a.b"));
    EXPECT_TRUE(FileIndexer::MatchMask(L"*.*", L"."));
    EXPECT_FALSE(FileIndexer::MatchMask(L"*.*", L"README"));
    EXPECT_TRUE(FileIndexer::MatchMask(L"*", L"README"));
    EXPECT_TRUE(FileIndexer::MatchMask(L"*", L""));
    EXPECT_TRUE(FileIndexer::MatchMask(L"Thumbs.db", L"THUMBS.DB"));
    EXPECT_FALSE(FileIndexer::MatchMask(L"Thumbs.db", L"Thumbs.db2"));
    EXPECT_FALSE(FileIndexer::MatchMask(L"Thumbs.db", L"xThumbs.db"));
    EXPECT_TRUE(FileIndexer::MatchMask(L"IMG_????.png", L"img_0042.PNG"));
    EXPECT_FALSE(FileIndexer::MatchMask(L"IMG_????.png", L"img_042.png"));
    EXPECT_TRUE(FileIndexer::MatchMask(L"a*b*c", L"axxbyybzzc"));
    EXPECT_FALSE(FileIndexer::MatchMask(L"a*b*c", L"axxbyybzz"));
    EXPECT_TRUE(FileIndexer::MatchMask(L"*ab", L"aab")); // needs the backtrack
    EXPECT_TRUE(FileIndexer::MatchMask(L"**x**", L"x"));
    EXPECT_TRUE(FileIndexer::MatchMask(L"ÄRGER.*", L"ärger.txt"));
}

TEST(IsExcludedByMasks, IgnoreMasksBeatScanMasks)
{
    SearchParameters p;
    FileIndexer defaults(p, nullptr);
    EXPECT_TRUE(defaults.IsExcludedByMasks(L"setup.EXE"));
    EXPECT_FALSE(defaults.IsExcludedByMasks(L"photo.jpg"));

    p.UseScanMasks = true;
    p.ScanMasks = {L"*.jpg", L"*.exe"};
    FileIndexer both(p, nullptr);
    EXPECT_FALSE(both.IsExcludedByMasks(L"photo.jpg"));
    EXPECT_TRUE(both.IsExcludedByMasks(L"setup.exe"));
    EXPECT_TRUE(both.IsExcludedByMasks(L"notes.txt"));

    p.UseIgnoreMasks = false;
    FileIndexer scanOnly(p, nullptr);
    EXPECT_FALSE(scanOnly.IsExcludedByMasks(L"setup.exe"));
}

TEST(IsExcludedByMasks, ScanMasksOnButEmptyExcludeEverything)
{
    SearchParameters p = AdmitAll();
    p.UseScanMasks = true;
    FileIndexer indexer(p, nullptr);
    EXPECT_TRUE(indexer.IsExcludedByMasks(L"photo.jpg"));

    TempTree tree;
    tree.MakeFile(L"a.txt", "a");
    tree.MakeFile(L"sub\\b.txt", "b");
    EXPECT_EQ(IndexFolder(p, tree.Root()).count, 0u);
}

TEST(IsExcludedByFilters, MasksSizeAttributesThenDates)
{
    SearchParameters p;
    p.UseGreater = true;
    p.GreaterBound = 10;
    FileIndexer indexer(p, nullptr);
    EXPECT_TRUE(indexer.IsExcludedByFilters(Entry(L"small.txt", 9)));
    EXPECT_FALSE(indexer.IsExcludedByFilters(Entry(L"exact.txt", 10)));
    EXPECT_TRUE(indexer.IsExcludedByFilters(Entry(L"big.dll", 100)));
    EXPECT_TRUE(indexer.IsExcludedByFilters(Entry(L"hidden.txt", 100, FILE_ATTRIBUTE_HIDDEN)));
    EXPECT_TRUE(indexer.IsExcludedByFilters(Entry(L"system.txt", 100, FILE_ATTRIBUTE_SYSTEM)));
    EXPECT_TRUE(indexer.IsExcludedByFilters(Entry(L"readonly.txt", 100, FILE_ATTRIBUTE_READONLY)));
    EXPECT_TRUE(indexer.IsExcludedByFilters(Entry(L"packed.txt", 100, FILE_ATTRIBUTE_COMPRESSED)));
    EXPECT_TRUE(indexer.IsExcludedByFilters(Entry(L"secret.txt", 100, FILE_ATTRIBUTE_ENCRYPTED)));
    EXPECT_FALSE(indexer.IsExcludedByFilters(Entry(L"archive.txt", 100, FILE_ATTRIBUTE_ARCHIVE)));
    // Attributes the switches do not name never exclude.
    EXPECT_FALSE(indexer.IsExcludedByFilters(
        Entry(L"plain.txt", 100, FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_TEMPORARY)));

    p.SearchArchive = false;
    FileIndexer noArchive(p, nullptr);
    EXPECT_TRUE(noArchive.IsExcludedByFilters(Entry(L"archive.txt", 100, FILE_ATTRIBUTE_ARCHIVE)));
}

// Each switch admits its own attribute and no other.
TEST(IsExcludedByFilters, EachAttributeSwitchAdmitsItsOwnAttribute)
{
    const struct {
        bool SearchParameters::*admit;
        DWORD attribute;
    } switches[] = {
        {&SearchParameters::SearchHidden, FILE_ATTRIBUTE_HIDDEN},
        {&SearchParameters::SearchSystem, FILE_ATTRIBUTE_SYSTEM},
        {&SearchParameters::SearchArchive, FILE_ATTRIBUTE_ARCHIVE},
        {&SearchParameters::SearchReadOnly, FILE_ATTRIBUTE_READONLY},
        {&SearchParameters::SearchCompressed, FILE_ATTRIBUTE_COMPRESSED},
        {&SearchParameters::SearchEncrypted, FILE_ATTRIBUTE_ENCRYPTED},
    };
    for (const auto& on : switches) {
        SearchParameters p = AdmitAll();
        for (const auto& s : switches) {
            p.*s.admit = false;
        }
        p.*on.admit = true;
        FileIndexer indexer(p, nullptr);
        for (const auto& s : switches) {
            EXPECT_EQ(indexer.IsExcludedByFilters(Entry(L"f.txt", 1, s.attribute)), s.attribute != on.attribute)
                << "switch of " << on.attribute << ", file with " << s.attribute;
        }
    }
}

TEST(IsProtectedFolder, CoversItselfAndBelowIgnoringCase)
{
    SearchParameters p;
    p.ProtectedFolders = {L"C:\\Data", L"D:\\", L"E:\\Keep\\\\"};
    FileIndexer indexer(p, nullptr);
    EXPECT_TRUE(indexer.IsProtectedFolder(L"C:\\Data"));
    EXPECT_TRUE(indexer.IsProtectedFolder(L"c:\\DATA"));
    EXPECT_TRUE(indexer.IsProtectedFolder(L"C:\\data\\Sub\\Deeper"));
    EXPECT_FALSE(indexer.IsProtectedFolder(L"C:\\Database"));
    EXPECT_FALSE(indexer.IsProtectedFolder(L"C:\\Dat"));
    // A drive root covers what is below it, not the root's own files.
    EXPECT_FALSE(indexer.IsProtectedFolder(L"D:"));
    EXPECT_TRUE(indexer.IsProtectedFolder(L"D:\\Windows"));
    // Stored with trailing backslashes, a folder covers what is below it only.
    EXPECT_TRUE(indexer.IsProtectedFolder(L"E:\\keep\\x"));
    EXPECT_FALSE(indexer.IsProtectedFolder(L"E:\\keep"));
}

TEST(FileIndexer, WalksEverySubfolderAndCountsWhatItAdds)
{
    TempTree tree;
    tree.MakeFile(L"one.txt", "1");
    tree.MakeFile(L"a\\two.txt", "22");
    tree.MakeFile(L"a\\b\\c\\three.txt", "333");
    tree.MakeFolder(L"empty");
    tree.MakeFile(L"lone.txt", "single");
    RecordingCallback callback;
    const IndexResult result = Index(AdmitAll(), {{tree.Root(), true}, {tree.Path(L"lone.txt"), false}}, &callback);
    // The file root, already reached by the walk, is not added again.
    EXPECT_EQ(result.paths, (std::vector<std::wstring>{tree.Path(L"a\\b\\c\\three.txt"), tree.Path(L"a\\two.txt"),
                                tree.Path(L"lone.txt"), tree.Path(L"one.txt")}));
    EXPECT_EQ(result.count, 4u);
    EXPECT_EQ(callback.indexed, 4);
    EXPECT_EQ(callback.skipped, 0);
}

TEST(FileIndexer, SizeMapGroupsBySizeInAdmissionOrder)
{
    TempTree tree;
    tree.MakeFile(L"x\\a.bin", "abc");
    tree.MakeFile(L"b.bin", "xyz");
    tree.MakeFile(L"c.bin", "12345");
    const SearchParameters p = AdmitAll();
    FileIndexer indexer(p, nullptr);
    SizeMap map;
    uint32_t count = 0;
    indexer.IndexRoot({tree.Path(L"c.bin"), false}, map, count);
    indexer.IndexRoot({tree.Path(L"x\\a.bin"), false}, map, count);
    indexer.IndexRoot({tree.Path(L"b.bin"), false}, map, count);
    ASSERT_EQ(map.bySize.size(), 2u);
    ASSERT_EQ(map.bySize[3].size(), 2u);
    EXPECT_EQ(map.bySize[3][0].path, tree.Path(L"x\\a.bin"));
    EXPECT_EQ(map.bySize[3][1].path, tree.Path(L"b.bin"));
    EXPECT_EQ(map.bySize[5][0].size, 5u);
    EXPECT_EQ(count, 3u);
}

TEST(FileIndexer, RecordsTimesAndSizeAsTheFileSystemReportsThem)
{
    TempTree tree;
    const std::wstring path = tree.MakeFile(L"dated.txt", "hello");
    const FILETIME accessed = MakeFileTime(131000000000000000ull);
    const FILETIME written = MakeFileTime(132000000000000000ull);
    ASSERT_TRUE(SetFileTimes(path, nullptr, &accessed, &written));
    WIN32_FILE_ATTRIBUTE_DATA expected{};
    ASSERT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &expected));
    const SearchParameters p = AdmitAll();
    for (bool isFolder : {true, false}) {
        FileIndexer indexer(p, nullptr);
        SizeMap map;
        uint32_t count = 0;
        indexer.IndexRoot({isFolder ? tree.Root() : path, isFolder}, map, count);
        ASSERT_EQ(map.bySize[5].size(), 1u);
        const FileRecord& record = map.bySize[5][0];
        EXPECT_EQ(record.path, path);
        EXPECT_EQ(FileTimeToUInt64(record.lastAccessTime), FileTimeToUInt64(accessed));
        EXPECT_EQ(FileTimeToUInt64(record.lastWriteTime), FileTimeToUInt64(written));
        EXPECT_EQ(FileTimeToUInt64(record.creationTime), FileTimeToUInt64(expected.ftCreationTime));
        EXPECT_FALSE(record.isImage);
        EXPECT_EQ(record.width, 0u);
    }
    // One file recorded on its own, named another way, comes out the same.
    FileRecord alone;
    ASSERT_TRUE(RecordFile(tree.Path(L"elsewhere\\..\\dated.txt"), alone));
    EXPECT_EQ(alone.path, path);
    EXPECT_EQ(alone.size, 5u);
    EXPECT_EQ(FileTimeToUInt64(alone.lastWriteTime), FileTimeToUInt64(written));
    EXPECT_FALSE(RecordFile(tree.Path(L"missing.txt"), alone));
    EXPECT_EQ(alone.path, tree.Path(L"missing.txt"));
}

TEST(FileIndexer, FilesStampedExactlyAtADateBoundAreExcluded)
{
    TempTree tree;
    const FILETIME bound = MakeFileTime(133500000000000000ull); // local time
    const FILETIME atBound = LocalToUtc(bound);
    const FILETIME later = MakeFileTime(FileTimeToUInt64(atBound) + 10'000'000);
    const FILETIME earlier = MakeFileTime(FileTimeToUInt64(atBound) - 10'000'000);
    ASSERT_TRUE(SetFileTimes(tree.MakeFile(L"at.txt", "a"), nullptr, nullptr, &atBound));
    ASSERT_TRUE(SetFileTimes(tree.MakeFile(L"later.txt", "b"), nullptr, nullptr, &later));
    ASSERT_TRUE(SetFileTimes(tree.MakeFile(L"earlier.txt", "c"), nullptr, nullptr, &earlier));

    SearchParameters p = AdmitAll();
    p.ModifiedAfter = p.ModifiedBefore = bound;
    p.UseModifiedAfter = true;
    EXPECT_EQ(IndexFolder(p, tree.Root()).paths, std::vector<std::wstring>{tree.Path(L"later.txt")});
    EXPECT_EQ(Index(p, {{tree.Path(L"at.txt"), false}}).count, 0u);

    p.UseModifiedAfter = false;
    p.UseModifiedBefore = true;
    EXPECT_EQ(IndexFolder(p, tree.Root()).paths, std::vector<std::wstring>{tree.Path(L"earlier.txt")});
    EXPECT_EQ(Index(p, {{tree.Path(L"earlier.txt"), false}, {tree.Path(L"at.txt"), false}}).count, 1u);
}

TEST(FileIndexer, FileRootsPassTheSameFilters)
{
    TempTree tree;
    const std::wstring big = tree.MakeFile(L"big.txt", std::string(2048, 'x'));
    const std::wstring small = tree.MakeFile(L"small.txt", "x");
    const std::wstring dll = tree.MakeFile(L"lib.dll", "x");
    SearchParameters p = AdmitAll();
    p.UseIgnoreMasks = true;
    p.UseGreater = true;
    p.GreaterBound = 2;
    p.GreaterMultiplier = Kilobytes;
    EXPECT_EQ(Index(p, {{big, false}, {small, false}, {dll, false}}).paths, std::vector<std::wstring>{big});
}

TEST(FileIndexer, ProtectedFolderInAnotherCaseIsSkippedWithOneCall)
{
    TempTree tree;
    tree.MakeFile(L"root.txt", "r");
    tree.MakeFile(L"Windows\\system.txt", "s");
    tree.MakeFile(L"Windows\\deep\\er.txt", "d");
    tree.MakeFile(L"Windowsill\\plant.txt", "p");
    SearchParameters p = AdmitAll();
    p.ProtectFolders = true;
    std::wstring protectedPath = tree.Path(L"WINDOWS");
    std::transform(protectedPath.begin(), protectedPath.end(), protectedPath.begin(), ::towlower);
    p.ProtectedFolders = {protectedPath};
    RecordingCallback callback;
    const IndexResult result = IndexFolder(p, tree.Root(), &callback);
    EXPECT_EQ(result.paths, (std::vector<std::wstring>{tree.Path(L"Windowsill\\plant.txt"), tree.Path(L"root.txt")}));
    EXPECT_EQ(callback.protectedSkipped, 1);
    EXPECT_EQ(callback.indexed, 2);

    p.ProtectFolders = false; // the switch turns the whole list off
    EXPECT_EQ(IndexFolder(p, tree.Root()).count, 4u);
}

TEST(FileIndexer, ProtectedRootFolderIsNotWalked)
{
    TempTree tree;
    tree.MakeFile(L"a.txt", "a");
    SearchParameters p = AdmitAll();
    p.ProtectFolders = true;
    p.ProtectedFolders = {tree.Root()};
    RecordingCallback callback;
    EXPECT_EQ(IndexFolder(p, tree.Root() + L"\\\\", &callback).count, 0u);
    EXPECT_EQ(callback.protectedSkipped, 1);
}

// A drive root such as C:\ is walked as "C:" and protected as "C:\": the same
// shape as this tree's root given with a trailing backslash.
TEST(FileIndexer, ProtectedRootWithBackslashStillIndexesTheRootsOwnFiles)
{
    TempTree tree;
    tree.MakeFile(L"top.txt", "t");
    tree.MakeFile(L"Sub\\below.txt", "b");
    tree.MakeFile(L"Other\\below.txt", "b");
    SearchParameters p = AdmitAll();
    p.ProtectFolders = true;
    p.ProtectedFolders = {tree.Root() + L"\\"};
    RecordingCallback callback;
    const IndexResult result = IndexFolder(p, tree.Root() + L"\\", &callback);
    EXPECT_EQ(result.paths, std::vector<std::wstring>{tree.Path(L"top.txt")});
    EXPECT_EQ(callback.protectedSkipped, 2);
}

TEST(FileIndexer, TrailingBackslashesOfARootAreDropped)
{
    TempTree tree;
    tree.MakeFile(L"Photos\\cat.jpg", "meow");
    const IndexResult result = IndexFolder(AdmitAll(), tree.Path(L"Photos\\\\"));
    EXPECT_EQ(result.paths, std::vector<std::wstring>{tree.Path(L"Photos\\cat.jpg")});
}

TEST(FileIndexer, ListsPathsLongerThanMaxPath)
{
    TempTree tree;
    std::wstring relative;
    while (tree.Root().size() + relative.size() < 300) {
        relative += std::wstring(40, L'd') + L"\\";
    }
    relative += L"deep.txt";
    tree.MakeFile(relative, "deep");
    const IndexResult result = IndexFolder(AdmitAll(), tree.Root());
    ASSERT_EQ(result.paths.size(), 1u);
    EXPECT_GT(result.paths[0].size(), static_cast<size_t>(MAX_PATH));
    EXPECT_EQ(result.paths[0], tree.Path(relative)); // recorded without the prefix
    // As a file root too.
    EXPECT_EQ(Index(AdmitAll(), {{tree.Path(relative), false}}).count, 1u);
}

TEST(FileIndexer, HiddenFilesNeedTheSwitchFilesInHiddenFoldersDoNot)
{
    TempTree tree;
    const std::wstring hiddenFile = tree.MakeFile(L"secret.txt", "s");
    tree.MakeFile(L"Hidden\\visible.txt", "v");
    if (!AddAttributes(hiddenFile, FILE_ATTRIBUTE_HIDDEN) ||
        !AddAttributes(tree.Path(L"Hidden"), FILE_ATTRIBUTE_HIDDEN)) {
        GTEST_SKIP() << "this file system does not keep the hidden attribute";
    }
    SearchParameters p = AdmitAll();
    p.SearchHidden = false;
    EXPECT_EQ(IndexFolder(p, tree.Root()).paths, std::vector<std::wstring>{tree.Path(L"Hidden\\visible.txt")});
    EXPECT_EQ(Index(p, {{hiddenFile, false}}).count, 0u);
    p.SearchHidden = true;
    EXPECT_EQ(IndexFolder(p, tree.Root()).count, 2u);
    EXPECT_EQ(Index(p, {{hiddenFile, false}}).count, 1u);
}

TEST(FileIndexer, ExcludedFilesAreReportedAsSkipped)
{
    TempTree tree;
    tree.MakeFile(L"keep.txt", "k");
    tree.MakeFile(L"drop.exe", "d");
    tree.MakeFile(L"sub\\drop.ini", "i");
    SearchParameters p = AdmitAll();
    p.UseIgnoreMasks = true;
    RecordingCallback callback;
    EXPECT_EQ(IndexFolder(p, tree.Root(), &callback).count, 1u);
    EXPECT_EQ(callback.indexed, 1);
    EXPECT_EQ(callback.skipped, 2);
}

TEST(FileIndexer, StopRequestEndsTheWalkAtTheNextEntry)
{
    TempTree tree;
    for (int i = 0; i < 20; ++i) {
        tree.MakeFile(L"f" + std::to_wstring(i) + L".txt", "x");
        tree.MakeFile(L"sub\\g" + std::to_wstring(i) + L".txt", "y");
    }
    RecordingCallback callback;
    callback.OnStarted();
    callback.stopAfterIndexed = 5;
    const IndexResult result = IndexFolder(AdmitAll(), tree.Root(), &callback);
    EXPECT_EQ(callback.indexed, 5);
    EXPECT_EQ(result.count, 5u);
    EXPECT_EQ(result.paths.size(), 5u);
}

TEST(FileIndexer, SymbolicLinksAreNeitherFollowedNorIndexed)
{
    TempTree tree;
    tree.MakeFile(L"real\\file.txt", "f");
    if (!MakeSymbolicLink(tree.Path(L"linkdir"), tree.Path(L"real"), true) ||
        (::GetFileAttributesW(tree.Path(L"linkdir").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        GTEST_SKIP() << "symbolic links to folders cannot be made here";
    }
    const bool fileLink = MakeSymbolicLink(tree.Path(L"link.txt"), tree.Path(L"real\\file.txt"), false);
    std::vector<std::wstring> expected{tree.Path(L"real\\file.txt")};
    WIN32_FIND_DATAW listed{};
    HANDLE find = ::FindFirstFileW(tree.Path(L"link.txt").c_str(), &listed);
    if (find != INVALID_HANDLE_VALUE) {
        ::FindClose(find);
    }
    if (fileLink && (listed.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        // Where the listing does not show a link to a file as a reparse point,
        // it is an ordinary entry.
        expected.insert(expected.begin(), tree.Path(L"link.txt"));
    }
    EXPECT_EQ(IndexFolder(AdmitAll(), tree.Root()).paths, expected);
}

TEST(FileIndexer, BadRootsAreSkippedSilently)
{
    TempTree tree;
    const std::wstring file = tree.MakeFile(L"plain.txt", "p");
    const std::wstring locked = tree.MakeFile(L"locked.txt", "l");
    HANDLE lock = ::CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    RecordingCallback callback;
    const IndexResult result = Index(AdmitAll(),
        {{tree.Path(L"missing"), true}, {tree.Path(L"missing.txt"), false},
            {file, true}, // a file given as a folder cannot be listed
            {tree.Path(L"missing\\x"), true}, {locked, false}, {L"", true}, {L"\\\\", true}, {L"::", false},
            {file, false}},
        &callback);
    ::CloseHandle(lock);
    EXPECT_EQ(result.paths, std::vector<std::wstring>{file});
    EXPECT_EQ(callback.indexed + callback.skipped, 0);
}

TEST(FileIndexer, UnicodeNamesAreKeptAsListed)
{
    TempTree tree;
    const std::vector<std::wstring> names = {L"日本語のファイル.txt", L"emoji 😀 file.txt", L"Ärger ß.txt",
        L"combining e\u0301.txt", L"Ελληνικά\\Кириллица.txt"};
    for (const std::wstring& name : names) {
        tree.MakeFile(name, "u");
    }
    IndexResult result = IndexFolder(AdmitAll(), tree.Root());
    std::vector<std::wstring> expected;
    for (const std::wstring& name : names) {
        expected.push_back(tree.Path(name));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(result.paths, expected);
}

} // namespace
