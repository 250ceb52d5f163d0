#include "engine/DuplicateFinder.h"
#include "engine/SearchCacheDatabase.h"
#include "system/Handles.h"
#include "system/TextEncoding.h"
#include "tests/engine/AdmitAll.h"
#include "tests/engine/RecordingCallback.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <random>
#include <set>
#include <thread>

using namespace clonarium;
using vandrelcommon::system::KernelHandle;
using Result = SearchCacheDatabase::OpenResult;

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

std::string Random(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string content(size, '\0');
    for (char& c : content) {
        c = static_cast<char>(random());
    }
    return content;
}

class SearchCacheTest : public testing::Test {
protected:
    struct Reading {
        size_t opened = 0;
        uint64_t bytes = 0;
    };

    // Groups as sizes with their paths.
    Groups Find(ISearchCache* cache, Reading* reading = nullptr) const
    {
        RecordingCallback callback;
        DuplicateFinder finder(AdmitAll());
        finder.SetCache(cache);
        finder.FindDuplicates({{tree.Root(), true}}, &callback);
        if (reading != nullptr) {
            *reading = {finder.FilesOpened(), finder.BytesRead()};
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

    // A search with the cache, as the search worker runs one.
    Groups FindWithCache(Reading* reading = nullptr) const
    {
        SearchCacheDatabase cache;
        EXPECT_NE(cache.Open(cacheFile), Result::Failed);
        Groups groups = Find(&cache, reading);
        EXPECT_TRUE(cache.Close());
        return groups;
    }

    TempTree tree;
    TempTree cacheFolder;
    std::wstring cacheFile = cacheFolder.Path(L"cache.db");
};

TEST_F(SearchCacheTest, ARepeatSearchFindsWhatAnUncachedOneFindsAfterEveryKindOfChange)
{
    // Three copies each of contents of one size (eight bytes), so that a
    // digest kept for the wrong file would move a file into the wrong group;
    // and files read in parts, whose start or end is kept.
    struct Pair {
        const wchar_t* name;
        std::string content;
    };
    const std::string large = Random(8 * ReadPlan{}.wholeAtOnce, 1);
    const Pair sets[] = {{L"kept", "AAAAAAAA"}, {L"edited", "BBBBBBBB"}, {L"grown", "CCCCCCCC"},
        {L"shrunk", "DDDDDDDD"}, {L"renamed", "EEEEEEEE"}, {L"moved", "FFFFFFFF"}, {L"deleted", "GGGGGGGG"},
        {L"folder", "HHHHHHHH"}, {L"large", large}};
    for (const Pair& set : sets) {
        for (const wchar_t* copy : {L"1", L"2", L"3"}) {
            Put(tree, std::wstring(L"d\\") + set.name + copy, set.content, 1);
        }
    }
    std::string largeStart = large;
    largeStart.front() = 'S';
    std::string largeEnd = large;
    largeEnd.back() = 'E';
    Put(tree, L"d\\large-start", largeStart, 1);
    Put(tree, L"d\\large-end", largeEnd, 1);
    const Groups before = Find(nullptr);
    ASSERT_EQ(before.size(), 9u);
    ASSERT_EQ(FindWithCache(), before);

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
    Put(tree, L"d\\large-start", large, 2);          // what was told apart by its start is now a copy
    Put(tree, L"d\\large-end", large, 2);            // and so is what was told apart by its end

    const Groups uncached = Find(nullptr);
    ASSERT_NE(uncached, before);
    EXPECT_EQ(FindWithCache(), uncached);
    EXPECT_EQ(FindWithCache(), uncached); // with what the last search kept
}

// What was read of a file, however little, is kept: a repeat search of an
// unchanged tree opens nothing, reads nothing and writes nothing.
TEST_F(SearchCacheTest, ARepeatSearchOfAnUnchangedTreeReadsAndWritesNothing)
{
    std::vector<std::wstring> paths;
    for (int i = 0; i < 20; ++i) {
        const std::string content(100 + i % 4, static_cast<char>('a' + i % 6));
        paths.push_back(tree.MakeFile(L"f" + std::to_wstring(i), content));
    }
    // Large files told apart by their start, by their end, and copies.
    const std::string large = Random(4 * ReadPlan{}.wholeAtOnce, 2);
    for (int i = 1; i <= 3; ++i) {
        std::string start = large;
        start.front() = static_cast<char>(start.front() + i);
        paths.push_back(tree.MakeFile(L"start" + std::to_wstring(i), start));
        std::string end = large;
        end.back() = static_cast<char>(end.back() + i);
        paths.push_back(tree.MakeFile(L"end" + std::to_wstring(i), end));
    }
    paths.push_back(tree.MakeFile(L"copy1", large));
    paths.push_back(tree.MakeFile(L"copy2", large));
    // Empty files are opened once more while indexing, to tell them from devices.
    paths.push_back(tree.MakeFile(L"empty1"));
    paths.push_back(tree.MakeFile(L"empty2"));
    Reading reading;
    const Groups first = FindWithCache(&reading);
    // Small files whole, starts and ends, copies whole, empty files twice;
    // and each member of a group once more for its identity.
    size_t members = 0;
    for (const auto& [size, names] : first) {
        members += names.size();
    }
    EXPECT_EQ(reading.opened, 20u + 8 + 2 + 2 + 2 + members);
    EXPECT_TRUE(first.contains({0, {L"empty1", L"empty2"}}));
    EXPECT_TRUE(first.contains({large.size(), {L"copy1", L"copy2"}}));
    const std::string database = ReadFileBytes(cacheFile);

    EXPECT_EQ(FindWithCache(&reading), first);
    EXPECT_EQ(reading.opened, 0u);
    EXPECT_EQ(reading.bytes, 0u);
    EXPECT_EQ(ReadFileBytes(cacheFile), database);

    // Not even a file that nobody may open is asked for.
    std::vector<KernelHandle> locks;
    for (const std::wstring& path : paths) {
        locks.emplace_back(
            ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(locks.back()) << "cannot lock a test file";
    }
    EXPECT_TRUE(Find(nullptr).empty());
    EXPECT_EQ(FindWithCache(&reading), first);
    EXPECT_EQ(reading.opened, 0u);
}

// The database of a few files, and ways of spoiling it.
class SearchCacheDatabaseTest : public testing::Test {
protected:
    static KnownContent Content(uint8_t parts, char c)
    {
        KnownContent content;
        content.parts = parts;
        content.head = static_cast<uint64_t>(c) * 3;
        content.tail = static_cast<uint64_t>(c) * 5;
        content.digest.fill(static_cast<uint8_t>(c));
        content.identity = {0x1234abcdu + static_cast<DWORD>(c), 0x0102030405060708ull};
        return content;
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
    static bool Same(const KnownContent& a, const KnownContent& b)
    {
        return a.parts == b.parts && (!a.Has(KnownContent::kHead) || a.head == b.head) &&
               (!a.Has(KnownContent::kTail) || a.tail == b.tail) &&
               (!a.Has(KnownContent::kDigest) || a.digest == b.digest) &&
               (!a.Has(KnownContent::kIdentity) || a.identity == b.identity);
    }
    // Runs SQL on the database as another program would.
    void Sql(const char* sql) const
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(vandrelcommon::system::Utf8FromWide(path).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    TempTree folder;
    std::wstring path = folder.Path(L"search-cache.db");
};

TEST_F(SearchCacheDatabaseTest, KeysIgnoreCaseNeedSizeAndTimeAlikeAndPartsAddUp)
{
    {
        SearchCacheDatabase cache;
        ASSERT_EQ(cache.Open(path), Result::Created);
        cache.KeepContent(L"C:\\Photos\\A.jpg", 10, Hours(1), Content(KnownContent::kHead, 'a'));
        cache.KeepPicture(L"C:\\Photos\\A.jpg", 10, Hours(1), Picture());
        cache.KeepContent(L"C:\\Photos\\B.jpg", 10, Hours(1), Content(KnownContent::kDigest, 'b'));
        ASSERT_TRUE(cache.Close());
    }
    {
        SearchCacheDatabase cache;
        ASSERT_EQ(cache.Open(path), Result::Opened);
        EXPECT_EQ(cache.FileCount(), 2u);
        EXPECT_TRUE(Same(cache.FindContent(L"c:\\photos\\a.JPG", 10, Hours(1)), Content(KnownContent::kHead, 'a')));
        ImageClonarium::PictureSignature picture;
        ASSERT_TRUE(cache.FindPicture(L"C:\\PHOTOS\\A.JPG", 10, Hours(1), picture));
        const ImageClonarium::PictureSignature kept = Picture();
        EXPECT_EQ(std::memcmp(&picture, &kept, sizeof(picture)), 0);
        EXPECT_FALSE(cache.KnowsFile(L"C:\\Photos\\A.jpg", 10, Hours(2)));
        EXPECT_FALSE(cache.KnowsFile(L"C:\\Photos\\A.jpg", 11, Hours(1)));
        EXPECT_FALSE(cache.KnowsFile(L"C:\\Photos\\A.jpgx", 10, Hours(1)));
        EXPECT_FALSE(cache.KnowsFile(L"C:\\Photo\\A.jpg", 10, Hours(1)));
        // What a later search reads adds to what is kept of the same file;
        // for a file of a new time it replaces it.
        cache.KeepContent(L"C:\\Photos\\A.jpg", 10, Hours(1), Content(KnownContent::kTail, 'a'));
        cache.KeepContent(
            L"C:\\Photos\\A.jpg", 10, Hours(1), Content(KnownContent::kDigest | KnownContent::kIdentity, 'a'));
        cache.KeepContent(L"C:\\Photos\\B.jpg", 10, Hours(2), Content(KnownContent::kHead, 'c'));
        ASSERT_TRUE(cache.Close());
    }
    SearchCacheDatabase cache;
    ASSERT_EQ(cache.Open(path), Result::Opened);
    EXPECT_TRUE(Same(cache.FindContent(L"C:\\Photos\\A.jpg", 10, Hours(1)),
        Content(KnownContent::kHead | KnownContent::kTail | KnownContent::kDigest | KnownContent::kIdentity, 'a')));
    ImageClonarium::PictureSignature picture;
    EXPECT_TRUE(cache.FindPicture(L"C:\\Photos\\A.jpg", 10, Hours(1), picture));
    EXPECT_TRUE(Same(cache.FindContent(L"C:\\Photos\\B.jpg", 10, Hours(2)), Content(KnownContent::kHead, 'c')));
    EXPECT_EQ(cache.FindContent(L"C:\\Photos\\B.jpg", 10, Hours(1)).parts, 0);
    EXPECT_EQ(cache.FileCount(), 2u);
    ASSERT_TRUE(cache.Close());

    // A signature of another layout is never handed out.
    Sql("UPDATE files SET picture_format = 2");
    ASSERT_EQ(cache.Open(path), Result::Opened);
    EXPECT_FALSE(cache.FindPicture(L"C:\\Photos\\A.jpg", 10, Hours(1), picture));
    EXPECT_TRUE(cache.KnowsFile(L"C:\\Photos\\A.jpg", 10, Hours(1)));
}

// A folder listed to its end takes with it what the cache kept of files and
// folders no longer in it; the files of folders a search never meets go when
// the cache is over its bound.
TEST_F(SearchCacheDatabaseTest, GoneFilesAndFoldersLeaveAndTheBoundHolds)
{
    const KnownContent digest = Content(KnownContent::kDigest, 'd');
    {
        SearchCacheDatabase cache;
        ASSERT_EQ(cache.Open(path), Result::Created);
        for (const wchar_t* file :
            {L"C:\\A\\x", L"C:\\A\\y", L"C:\\A\\B\\z", L"C:\\A\\B\\C\\w", L"C:\\A\\D\\v", L"C:\\E\\u"}) {
            cache.KeepContent(file, 1, Hours(1), digest);
        }
        ASSERT_TRUE(cache.Close());
    }
    {
        SearchCacheDatabase cache;
        ASSERT_EQ(cache.Open(path), Result::Opened);
        EXPECT_EQ(cache.FileCount(), 6u);
        cache.FolderListed(L"C:\\a", {L"X", L"NEW"}, {L"D", L"F"});
        ASSERT_TRUE(cache.Close());
    }
    {
        SearchCacheDatabase cache;
        ASSERT_EQ(cache.Open(path), Result::Opened);
        EXPECT_EQ(cache.FileCount(), 3u);
        for (const wchar_t* file : {L"C:\\A\\x", L"C:\\A\\D\\v", L"C:\\E\\u"}) {
            EXPECT_TRUE(cache.KnowsFile(file, 1, Hours(1))) << vandrelcommon::system::Utf8FromWide(file);
        }
        for (const wchar_t* file : {L"C:\\A\\y", L"C:\\A\\B\\z", L"C:\\A\\B\\C\\w"}) {
            EXPECT_FALSE(cache.KnowsFile(file, 1, Hours(1))) << vandrelcommon::system::Utf8FromWide(file);
        }
    }
    {
        // Three new files make six, one over a bound of five: the folders
        // this search did not meet go, those kept first going first.
        SearchCacheDatabase cache(5);
        ASSERT_EQ(cache.Open(path), Result::Opened);
        for (const wchar_t* file : {L"C:\\G\\1", L"C:\\G\\2", L"C:\\G\\3"}) {
            cache.KeepContent(file, 1, Hours(1), digest);
        }
        ASSERT_TRUE(cache.Close());
    }
    SearchCacheDatabase cache;
    ASSERT_EQ(cache.Open(path), Result::Opened);
    EXPECT_EQ(cache.FileCount(), 5u);
    EXPECT_TRUE(cache.KnowsFile(L"C:\\E\\u", 1, Hours(1)));
    EXPECT_TRUE(cache.KnowsFile(L"C:\\A\\D\\v", 1, Hours(1)));
    EXPECT_TRUE(cache.KnowsFile(L"C:\\G\\3", 1, Hours(1)));
    EXPECT_FALSE(cache.KnowsFile(L"C:\\A\\x", 1, Hours(1)));
}

// The cache file of earlier versions is deleted; a file that is not a sound
// database of ours is made anew, one of a newer version left alone; the
// cache can be emptied even while another search holds it open.
TEST_F(SearchCacheDatabaseTest, OldDamagedForeignAndNewerFilesAreNeverMisread)
{
    const std::wstring oldFile = folder.Path(SearchCacheDatabase::kOldFileName);
    ASSERT_TRUE(WriteFileBytes(oldFile, "ClnCache and the rest of an old cache"));
    ASSERT_TRUE(WriteFileBytes(path, "junk that is no database"));
    const KnownContent digest = Content(KnownContent::kDigest, 'd');
    SearchCacheDatabase cache;
    ASSERT_EQ(cache.Open(path), Result::Replaced);
    EXPECT_TRUE(cache.DroppedOldFile());
    EXPECT_EQ(::GetFileAttributesW(oldFile.c_str()), INVALID_FILE_ATTRIBUTES);
    cache.KeepContent(L"C:\\a", 1, Hours(1), digest);
    ASSERT_TRUE(cache.Close());

    // Pages spoilt behind SQLite's back: whatever the damage, no lookup
    // answers wrongly, and the next search starts anew.
    const std::string sound = ReadFileBytes(path);
    ASSERT_GT(sound.size(), 4096u);
    for (size_t page = 1; page < sound.size() / 4096; ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        std::string spoilt = sound;
        for (size_t i = page * 4096; i < (page + 1) * 4096; ++i) {
            spoilt[i] = static_cast<char>(i * 7);
        }
        ASSERT_TRUE(WriteFileBytes(path, spoilt));
        bool sound = false;
        for (int search = 0; search < 3 && !sound; ++search) {
            const Result opened = cache.Open(path);
            ASSERT_NE(opened, Result::Failed);
            const KnownContent known = cache.FindContent(L"C:\\a", 1, Hours(1));
            EXPECT_TRUE(known.parts == 0 || Same(known, digest));
            cache.FolderListed(L"C:", {L"A"}, {});
            cache.KeepContent(L"C:\\a", 1, Hours(1), digest);
            const bool closed = cache.Close();
            sound = opened == Result::Opened && Same(known, digest) && closed;
        }
        EXPECT_TRUE(sound);
    }

    Sql("PRAGMA user_version = 2");
    const std::string newer = ReadFileBytes(path);
    ASSERT_EQ(cache.Open(path), Result::Newer);
    EXPECT_FALSE(cache.IsOpen());
    cache.KeepContent(L"C:\\b", 1, Hours(1), digest);
    EXPECT_TRUE(cache.Close());
    EXPECT_EQ(ReadFileBytes(path), newer);
    Sql("PRAGMA user_version = 1");

    // Emptied under another search's feet: its rows go, it carries on.
    SearchCacheDatabase other;
    ASSERT_EQ(other.Open(path), Result::Opened);
    EXPECT_TRUE(other.KnowsFile(L"C:\\a", 1, Hours(1)));
    ASSERT_TRUE(SearchCacheDatabase::Clear(path));
    other.KeepContent(L"C:\\c", 1, Hours(1), digest);
    EXPECT_TRUE(other.Close());
    ASSERT_EQ(cache.Open(path), Result::Opened);
    EXPECT_FALSE(cache.KnowsFile(L"C:\\a", 1, Hours(1)));
    EXPECT_TRUE(cache.KnowsFile(L"C:\\c", 1, Hours(1)));
    EXPECT_EQ(cache.FileCount(), 1u);
    cache.Close();
    ASSERT_TRUE(SearchCacheDatabase::Clear(path));
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(SearchCacheDatabase::Clear(path)); // nothing left is fine
}

// Two searches read and write one cache at once, each in batches of its
// own: neither waits for the other's end, and all both kept is there.
TEST_F(SearchCacheDatabaseTest, TwoSearchesAtOnceKeepWhatBothLearnt)
{
    // Each search writes once while it runs, and once at its end.
    constexpr int kFiles = static_cast<int>(SearchCacheDatabase::kWriteBatch) + 1000;
    const auto search = [&](wchar_t drive, bool& closed, int& found) {
        SearchCacheDatabase cache;
        closed = false;
        if (cache.Open(path) == Result::Failed) {
            return;
        }
        for (int i = 0; i < kFiles; ++i) {
            const std::wstring file =
                std::wstring(1, drive) + L":\\f" + std::to_wstring(i % 50) + L"\\" + std::to_wstring(i);
            found += cache.KnowsFile(file, 1, Hours(1)) ? 1 : 0;
            cache.KeepContent(file, 1, Hours(1), Content(KnownContent::kDigest, static_cast<char>(drive)));
        }
        closed = cache.Close();
    };
    {
        SearchCacheDatabase cache;
        ASSERT_EQ(cache.Open(path), Result::Created);
    }
    bool closed[2] = {};
    int found[2] = {};
    std::thread first([&] { search(L'C', closed[0], found[0]); });
    std::thread second([&] { search(L'D', closed[1], found[1]); });
    first.join();
    second.join();
    EXPECT_TRUE(closed[0]);
    EXPECT_TRUE(closed[1]);
    EXPECT_EQ(found[0] + found[1], 0);
    SearchCacheDatabase cache;
    ASSERT_EQ(cache.Open(path), Result::Opened);
    EXPECT_EQ(cache.FileCount(), 2u * kFiles);
    for (const wchar_t* file : {L"C:\\f0\\0", L"D:\\f49\\49", L"C:\\f9\\50959"}) {
        EXPECT_TRUE(Same(cache.FindContent(file, 1, Hours(1)), Content(KnownContent::kDigest, file[0])))
            << vandrelcommon::system::Utf8FromWide(file);
    }
}

// A process killed while it writes leaves the database as one of its writes
// left it, never between two: every file keeps the digest of one round.
TEST_F(SearchCacheDatabaseTest, AWriterKilledAtAnyMomentLeavesAWholeCache)
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring writer = self;
    writer = writer.substr(0, writer.find_last_of(L'\\') + 1) + L"cache-writer.exe";
    ASSERT_NE(::GetFileAttributesW(writer.c_str()), INVALID_FILE_ATTRIBUTES);
    std::mt19937 random(31);
    int rounds = 0;
    for (int kill = 0; kill < 20; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        std::wstring command = L"\"" + writer + L"\" \"" + path + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(::CreateProcessW(
            nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        const KernelHandle processHandle(process.hProcess);
        const KernelHandle threadHandle(process.hThread);
        ::Sleep(200 + random() % 600);
        ::TerminateProcess(processHandle.Get(), 1);
        ::WaitForSingleObject(processHandle.Get(), INFINITE);

        SearchCacheDatabase cache;
        const Result opened = cache.Open(path);
        ASSERT_TRUE(opened == Result::Opened || opened == Result::Created) << static_cast<int>(opened);
        const uint64_t count = cache.FileCount();
        ASSERT_TRUE(count == 0 || count == 1000) << count;
        const KnownContent first = cache.FindContent(L"C:\\w\\0", 1, Hours(1));
        for (int i = 0; i < 1000; i += 37) {
            const KnownContent known = cache.FindContent(L"C:\\w\\" + std::to_wstring(i), 1, Hours(1));
            ASSERT_TRUE(Same(known, first)) << "file " << i;
        }
        rounds = std::max<int>(rounds, first.digest[0]);
        cache.Close();
    }
    EXPECT_GT(rounds, 1); // the kills came while it was writing, not before
}

} // namespace
