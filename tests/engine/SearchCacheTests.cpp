#include "engine/DuplicateFinder.h"
#include "engine/SearchCacheFile.h"
#include "system/Handles.h"
#include "tests/engine/AdmitAll.h"
#include "tests/engine/RecordingCallback.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>

using namespace clonarium;
using vandrelcommon::system::KernelHandle;

namespace {

using Groups = std::set<std::pair<uint64_t, std::set<std::wstring>>>;

FILETIME Hours(uint64_t hours)
{
    return MakeFileTime(133000000000000000ull + hours * 36000000000ull);
}

// Writes the file and gives it a last-write time of its own, so that a
// rewrite within the same clock tick still reads as new.
void Put(const TempTree& tree, const std::wstring& name, const std::string& content, uint64_t hour)
{
    const std::wstring path = tree.MakeFile(name, content);
    const FILETIME time = Hours(hour);
    ASSERT_TRUE(SetFileTimes(path, nullptr, nullptr, &time));
}

class SearchCacheTest : public testing::Test {
protected:
    // Groups as sizes with their paths; `opened` gets the files read.
    Groups Find(ISearchCache* cache, size_t* opened = nullptr) const
    {
        RecordingCallback callback;
        DuplicateFinder finder(AdmitAll());
        finder.SetCache(cache);
        finder.FindDuplicates({{tree.Root(), true}}, &callback);
        if (opened != nullptr) {
            *opened = finder.FilesOpened();
        }
        Groups groups;
        for (const FileGroup& group : callback.groups) {
            std::set<std::wstring> paths;
            for (const FileRecord& file : group.files) {
                paths.insert(file.path.substr(tree.Root().size() + 1));
            }
            groups.insert({group.size, paths});
        }
        return groups;
    }

    // A search with the cache file read before and written after it.
    Groups FindWithCacheFile(size_t* opened = nullptr) const
    {
        SearchCacheFile cache;
        cache.Load(cacheFile);
        Groups groups = Find(&cache, opened);
        EXPECT_TRUE(cache.Save(cacheFile));
        return groups;
    }

    TempTree tree;
    TempTree cacheFolder;
    std::wstring cacheFile = cacheFolder.Path(L"cache.dat");
};

TEST_F(SearchCacheTest, ARepeatSearchFindsWhatAnUncachedOneFindsAfterEveryKindOfChange)
{
    // Three copies each of contents of one size (eight bytes), so that a
    // digest kept for the wrong file would move a file into the wrong group.
    struct Pair {
        const wchar_t* name;
        const char* content;
    };
    const Pair sets[] = {{L"kept", "AAAAAAAA"}, {L"edited", "BBBBBBBB"}, {L"grown", "CCCCCCCC"},
        {L"shrunk", "DDDDDDDD"}, {L"renamed", "EEEEEEEE"}, {L"moved", "FFFFFFFF"}, {L"deleted", "GGGGGGGG"},
        {L"folder", "HHHHHHHH"}};
    for (const Pair& set : sets) {
        for (const wchar_t* copy : {L"1", L"2", L"3"}) {
            Put(tree, std::wstring(L"d\\") + set.name + copy, set.content, 1);
        }
    }
    const Groups before = Find(nullptr);
    ASSERT_EQ(before.size(), 8u);
    ASSERT_EQ(FindWithCacheFile(), before);

    Put(tree, L"d\\edited3", "AAAAAAAA", 2); // now a copy of "kept"
    Put(tree, L"d\\edited2", "CCCCCCCC", 2); // same size, new time: another group's content
    Put(tree, L"d\\grown3", "CCCCCCCCC", 1);
    Put(tree, L"d\\shrunk3", "DDDDDDD", 1);
    ASSERT_TRUE(::MoveFileW(tree.Path(L"d\\renamed3").c_str(), tree.Path(L"d\\renamed3-new").c_str()));
    ASSERT_TRUE(::MoveFileW(tree.Path(L"d\\moved3").c_str(), (tree.MakeFolder(L"e") + L"\\moved3").c_str()));
    ASSERT_TRUE(::DeleteFileW(tree.Path(L"d\\deleted3").c_str()));
    ASSERT_TRUE(::DeleteFileW(tree.Path(L"d\\folder3").c_str()));
    Put(tree, L"d\\folder3\\inside", "HHHHHHHH", 1); // a folder of the same name, with a copy inside
    Put(tree, L"d\\new", "BBBBBBBB", 1);             // new file of an old content and time

    const Groups uncached = Find(nullptr);
    ASSERT_NE(uncached, before);
    EXPECT_EQ(FindWithCacheFile(), uncached);
    EXPECT_EQ(FindWithCacheFile(), uncached); // with what the last search kept
}

TEST_F(SearchCacheTest, ARepeatSearchOfAnUnchangedTreeOpensNoFile)
{
    std::vector<std::wstring> paths;
    for (int i = 0; i < 20; ++i) {
        const std::string content(100 + i % 4, static_cast<char>('a' + i % 6));
        paths.push_back(tree.MakeFile(L"f" + std::to_wstring(i), content));
    }
    // Empty files are opened once more while indexing, to tell them from devices.
    paths.push_back(tree.MakeFile(L"empty1"));
    paths.push_back(tree.MakeFile(L"empty2"));
    size_t opened = 0;
    const Groups first = FindWithCacheFile(&opened);
    // Each member of a group is opened once more for its identity.
    size_t members = 0;
    for (const auto& [size, names] : first) {
        members += names.size();
    }
    EXPECT_EQ(opened, 24u + members);
    EXPECT_TRUE(first.contains({0, {L"empty1", L"empty2"}}));
    ASSERT_FALSE(first.empty());

    EXPECT_EQ(FindWithCacheFile(&opened), first);
    EXPECT_EQ(opened, 0u);

    // Not even a file that nobody may open is asked for.
    std::vector<KernelHandle> locks;
    for (const std::wstring& path : paths) {
        locks.emplace_back(
            ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(locks.back()) << "cannot lock a test file";
    }
    EXPECT_TRUE(Find(nullptr).empty());
    EXPECT_EQ(FindWithCacheFile(&opened), first);
    EXPECT_EQ(opened, 0u);
}

// The cache file of a few entries, and ways of spoiling it.
class SearchCacheFileTest : public testing::Test {
protected:
    static ContentDigest Digest(char c)
    {
        ContentDigest digest;
        digest.fill(static_cast<uint8_t>(c));
        return digest;
    }
    static ImageClonarium::PictureSignature Picture()
    {
        ImageClonarium::PictureSignature picture;
        picture.Format = 1;
        picture.Readable = 1;
        picture.Width = 640;
        picture.Height = 480;
        picture.Bytes.fill(0x5A);
        return picture;
    }
    void Keep(SearchCacheFile& cache, const std::wstring& path, uint64_t hour = 1)
    {
        cache.KeepDigest(path, 10, Hours(hour), Digest('d'));
    }
    bool Knows(SearchCacheFile& cache, const std::wstring& path, uint64_t hour = 1)
    {
        ContentDigest digest;
        return cache.FindDigest(path, 10, Hours(hour), digest) && digest == Digest('d');
    }
    // Loads `bytes` as the cache file.
    bool LoadsAs(const std::string& bytes, SearchCacheFile& cache)
    {
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return cache.Load(path);
    }
    // Puts the checksum right again, as a hostile writer would.
    static std::string Sealed(std::string bytes)
    {
        const ContentDigest checksum = MurmurHash3_x86_128(bytes.data() + 24, bytes.size() - 24, 0x436c6e43);
        std::memcpy(bytes.data() + 8, checksum.data(), checksum.size());
        return bytes;
    }
    static void PutUInt32(std::string& bytes, size_t offset, uint32_t value)
    {
        std::memcpy(bytes.data() + offset, &value, sizeof(value));
    }

    TempTree folder;
    std::wstring path = folder.Path(L"cache.dat");
};

TEST_F(SearchCacheFileTest, KeysIgnoreCaseAndNeedSizeAndTimeAlike)
{
    SearchCacheFile cache;
    Keep(cache, L"C:\\Photos\\A.jpg");
    cache.KeepPicture(L"C:\\Photos\\A.jpg", 10, Hours(1), Picture());
    const vandrelcommon::system::FileIdentity identity{0x1234abcd, 0x0102030405060708ull};
    cache.KeepIdentity(L"C:\\Photos\\A.jpg", 10, Hours(1), identity);
    ASSERT_TRUE(cache.Save(path));
    SearchCacheFile loaded;
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_TRUE(Knows(loaded, L"c:\\photos\\a.JPG"));
    vandrelcommon::system::FileIdentity found;
    ASSERT_TRUE(loaded.FindIdentity(L"C:\\PHOTOS\\A.JPG", 10, Hours(1), found));
    EXPECT_TRUE(found == identity);
    EXPECT_FALSE(loaded.FindIdentity(L"C:\\Photos\\A.jpg", 10, Hours(2), found));
    ImageClonarium::PictureSignature picture;
    ASSERT_TRUE(loaded.FindPicture(L"C:\\PHOTOS\\A.JPG", 10, Hours(1), picture));
    const ImageClonarium::PictureSignature kept = Picture();
    EXPECT_EQ(std::memcmp(&picture, &kept, sizeof(picture)), 0);
    EXPECT_FALSE(Knows(loaded, L"C:\\Photos\\A.jpg", 2));
    ContentDigest digest;
    EXPECT_FALSE(loaded.FindDigest(L"C:\\Photos\\A.jpg", 11, Hours(1), digest));
    // A picture kept for a file of a new time replaces what was known of it.
    loaded.KeepPicture(L"C:\\Photos\\A.jpg", 10, Hours(2), Picture());
    EXPECT_FALSE(loaded.FindDigest(L"C:\\Photos\\A.jpg", 10, Hours(2), digest));
}

TEST_F(SearchCacheFileTest, DamagedForeignAndHostileFilesAreIgnoredAndRebuilt)
{
    SearchCacheFile cache;
    Keep(cache, L"C:\\a");
    Keep(cache, L"C:\\b\\c");
    cache.KeepPicture(L"C:\\b\\c", 10, Hours(1), Picture());
    ASSERT_TRUE(cache.Save(path));
    const std::string good = ReadFileBytes(path);
    SearchCacheFile loaded;
    ASSERT_TRUE(LoadsAs(good, loaded));
    EXPECT_EQ(loaded.EntryCount(), 2u);

    for (size_t length = 0; length < good.size(); ++length) {
        EXPECT_FALSE(LoadsAs(good.substr(0, length), loaded)) << "cut at " << length;
        EXPECT_EQ(loaded.EntryCount(), 0u);
    }
    EXPECT_FALSE(LoadsAs(good + '\0', loaded));
    for (size_t bit = 0; bit < good.size() * 8; ++bit) {
        std::string flipped = good;
        flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
        EXPECT_FALSE(LoadsAs(flipped, loaded)) << "bit " << bit;
    }
    std::string future = good;
    PutUInt32(future, 24, SearchCacheFile::kVersion + 1);
    EXPECT_FALSE(LoadsAs(Sealed(future), loaded));
    // Sealed lies: entries that run past the end, a path of no length, what
    // no entry holds.
    std::string tooMany = good;
    PutUInt32(tooMany, 32, 0xFFFFFFFF);
    EXPECT_FALSE(LoadsAs(Sealed(tooMany), loaded));
    const size_t firstEntry = SearchCacheFile::kHeaderSize;
    for (const auto& [offset, value] : {std::pair<size_t, std::string>{20, "\xFF\xFF"}, {20, std::string(2, '\0')},
             {22, "\x80"}, {22, std::string(1, '\0')}}) {
        std::string hostile = good;
        hostile.replace(firstEntry + offset, value.size(), value);
        EXPECT_FALSE(LoadsAs(Sealed(hostile), loaded)) << "at " << offset;
        EXPECT_EQ(loaded.EntryCount(), 0u);
    }
    // Too large for the limit: not even read.
    SearchCacheFile small(good.size() - 1);
    EXPECT_FALSE(LoadsAs(good, small));

    // A search with a cache that could not be read builds a sound one.
    ASSERT_FALSE(LoadsAs("junk", loaded));
    Keep(loaded, L"C:\\a");
    ASSERT_TRUE(loaded.Save(path));
    SearchCacheFile rebuilt;
    ASSERT_TRUE(rebuilt.Load(path));
    EXPECT_TRUE(Knows(rebuilt, L"C:\\a"));
    EXPECT_FALSE(Knows(rebuilt, L"C:\\b\\c"));
}

TEST_F(SearchCacheFileTest, EntriesNotSeenAgeOutAndTheOldestMakeRoom)
{
    {
        SearchCacheFile cache;
        Keep(cache, L"C:\\old");
        ASSERT_TRUE(cache.Save(path));
    }
    for (uint32_t search = 1; search <= SearchCacheFile::kSearchesKept; ++search) {
        SearchCacheFile cache;
        ASSERT_TRUE(cache.Load(path));
        Keep(cache, L"C:\\new");
        ASSERT_TRUE(cache.Save(path));
        SearchCacheFile after;
        ASSERT_TRUE(after.Load(path));
        EXPECT_EQ(Knows(after, L"C:\\old"), search < SearchCacheFile::kSearchesKept) << "search " << search;
    }

    // Room for two entries: each search keeps one more, the oldest goes.
    const uint64_t entrySize = 23 + 2 * 4 + 16; // a path of four characters
    const uint64_t limit = SearchCacheFile::kHeaderSize + 2 * entrySize;
    ASSERT_TRUE(SearchCacheFile::Clear(path));
    for (const wchar_t* name : {L"C:\\1", L"C:\\2", L"C:\\3"}) {
        SearchCacheFile cache(limit);
        cache.Load(path);
        Keep(cache, name);
        ASSERT_TRUE(cache.Save(path));
    }
    EXPECT_LE(ReadFileBytes(path).size(), limit);
    SearchCacheFile cache(limit);
    ASSERT_TRUE(cache.Load(path));
    EXPECT_FALSE(Knows(cache, L"C:\\1"));
    EXPECT_TRUE(Knows(cache, L"C:\\2"));
    EXPECT_TRUE(Knows(cache, L"C:\\3"));
    ASSERT_TRUE(SearchCacheFile::Clear(path));
    EXPECT_TRUE(SearchCacheFile::Clear(path)); // nothing left is fine
    EXPECT_FALSE(cache.Load(path));
}

TEST_F(SearchCacheFileTest, TwoSearchesWritingAtOnceLeaveAWholeFile)
{
    const auto writer = [&](int entries) {
        SearchCacheFile cache;
        for (int i = 0; i < entries; ++i) {
            Keep(cache, L"C:\\" + std::to_wstring(i));
        }
        for (int round = 0; round < 40; ++round) {
            cache.Save(path);
        }
    };
    SearchCacheFile seed;
    Keep(seed, L"C:\\0");
    ASSERT_TRUE(seed.Save(path));
    std::atomic<int> running = 2;
    std::thread first([&] {
        writer(50);
        --running;
    });
    std::thread second([&] {
        writer(300);
        --running;
    });
    int loads = 0;
    while (running > 0 || loads < 10) {
        SearchCacheFile cache;
        ASSERT_TRUE(cache.Load(path)) << "load " << loads;
        const size_t count = cache.EntryCount();
        EXPECT_TRUE(count == 1 || count == 50 || count == 300) << count;
        ++loads;
    }
    first.join();
    second.join();
    SearchCacheFile last;
    ASSERT_TRUE(last.Load(path));
    EXPECT_TRUE(last.EntryCount() == 50 || last.EntryCount() == 300);
    // No new file is left behind.
    WIN32_FIND_DATAW entry;
    const HANDLE find = ::FindFirstFileW(folder.Path(L"*.new").c_str(), &entry);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) {
        ::FindClose(find);
    }
}

} // namespace
