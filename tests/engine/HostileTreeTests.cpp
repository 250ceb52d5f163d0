// Trees a careless user or an attacker might hand a search: devices and pipes
// among the files, one file under several names or roots, names that cannot
// be opened. The Unix ones are made through Wine and skipped elsewhere.
#include "engine/DuplicateFinder.h"
#include "engine/DuplicateImageFinder.h"
#include "tests/engine/AdmitAll.h"
#include "tests/engine/RecordingCallback.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <set>

using namespace clonarium;

namespace {

using PathGroups = std::set<std::multiset<std::wstring>>;

// Every group as the multiset of its paths, so that a path listed twice shows.
PathGroups Find(AbstractDuplicateFinder&& finder, const std::vector<SearchRoot>& roots, RecordingCallback& callback)
{
    finder.FindDuplicates(roots, &callback);
    PathGroups groups;
    for (const FileGroup& group : callback.groups) {
        std::multiset<std::wstring> paths;
        for (const FileRecord& file : group.files) {
            paths.insert(file.path);
        }
        groups.insert(paths);
    }
    return groups;
}

PathGroups FindExact(const std::vector<SearchRoot>& roots, RecordingCallback& callback)
{
    return Find(DuplicateFinder(AdmitAll()), roots, callback);
}

int CountListed(const std::wstring& pattern)
{
    WIN32_FIND_DATAW entry;
    HANDLE listing = ::FindFirstFileW(pattern.c_str(), &entry);
    int count = 0;
    for (bool more = listing != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(listing, &entry)) {
        ++count;
    }
    if (listing != INVALID_HANDLE_VALUE) {
        ::FindClose(listing);
    }
    return count;
}

#define SKIP_WITHOUT_WINE(made)                                                                                        \
    if (!(made)) {                                                                                                     \
        GTEST_SKIP() << "needs Wine's view of a Unix file system";                                                     \
    }

} // namespace

TEST(HostileTrees, DevicesAndPipesAreSkippedNeverReadAndNeverGroupedWithEmptyFiles)
{
    TempTree tree;
    tree.MakeFile(L"empty-1");
    tree.MakeFile(L"empty-2");
    SKIP_WITHOUT_WINE(MakeFifo(tree.Path(L"fifo")) && MakeUnixLink(tree.Path(L"zero"), "/dev/zero") &&
                      MakeUnixLink(tree.Path(L"urandom"), "/dev/urandom"));
    RecordingCallback callback;
    EXPECT_EQ(FindExact({{tree.Root(), true}}, callback), (PathGroups{{tree.Path(L"empty-1"), tree.Path(L"empty-2")}}));
    EXPECT_EQ(callback.skipped, 3);
    EXPECT_EQ(callback.indexed, 2);
    // Named as file roots, they are left out as well.
    RecordingCallback roots;
    EXPECT_EQ(
        FindExact({{tree.Path(L"zero"), false}, {tree.Path(L"fifo"), false}, {tree.Path(L"empty-1"), false}}, roots),
        PathGroups{});
    EXPECT_EQ(roots.filesToCompare, 1);
}

TEST(HostileTrees, AFileIsIndexedAndGroupedOnceWhateverTheRootsAndNames)
{
    TempTree tree;
    tree.MakeFile(L"sub\\a.txt", "same");
    tree.MakeFile(L"sub\\b.txt", "same");
    // The tree, a folder inside it, the tree again with its name in capitals
    // and a file root inside it: each file still once.
    std::wstring upper = tree.Root();
    ::CharUpperW(upper.data());
    RecordingCallback callback;
    const PathGroups groups = FindExact(
        {{tree.Root(), true}, {tree.Path(L"sub"), true}, {upper + L"\\\\", true}, {tree.Path(L"sub\\a.txt"), false}},
        callback);
    EXPECT_EQ(groups, (PathGroups{{tree.Path(L"sub\\a.txt"), tree.Path(L"sub\\b.txt")}}));
    EXPECT_EQ(callback.filesToCompare, 2);

    // A hard link reached through a second root is a second name of one
    // file: never grouped with it, while its true copy is.
    tree.MakeFile(L"other\\copy.txt", "same");
    ASSERT_TRUE(::CreateHardLinkW(tree.Path(L"other\\a-link.txt").c_str(), tree.Path(L"sub\\a.txt").c_str(), nullptr));
    ::DeleteFileW(tree.Path(L"sub\\b.txt").c_str());
    RecordingCallback linked;
    EXPECT_EQ(FindExact({{tree.Path(L"sub"), true}, {tree.Path(L"other"), true}}, linked),
        (PathGroups{{tree.Path(L"sub\\a.txt"), tree.Path(L"other\\copy.txt")}}));
    ::DeleteFileW(tree.Path(L"other\\copy.txt").c_str());
    RecordingCallback alone;
    EXPECT_EQ(FindExact({{tree.Path(L"sub"), true}, {tree.Path(L"other"), true}}, alone), PathGroups{});
}

// Linux names that are not UTF-8 are listed with a replacement character:
// three files, one Windows name. Before, they made one group of that name
// three times, and "keep first" would have marked the only file for deletion.
TEST(HostileTrees, NamesTheSystemCannotTellApartAreIndexedOnce)
{
    TempTree tree;
    for (const char* name : {"x\\377.bin", "x\\376.bin", "x\\375.bin"}) {
        SKIP_WITHOUT_WINE(MakeUnixFile(tree.Root(), name, "same"));
    }
    ASSERT_EQ(CountListed(tree.Path(L"x?.bin")), 3);
    RecordingCallback callback;
    EXPECT_EQ(FindExact({{tree.Root(), true}}, callback), PathGroups{});
    EXPECT_EQ(callback.indexed, 1);
    EXPECT_EQ(callback.skipped, 2);
}

// Characters Windows forbids in names, seen through Wine: listed, but no open
// under the listed name succeeds. Each is counted as not read.
TEST(HostileTrees, FilesTheComparisonCannotReadAreCounted)
{
    TempTree tree;
    tree.MakeFile(L"twin.txt", "same");
    for (const char* name : {"a*b.txt", "q?.txt", "p|.txt", "l<.txt"}) {
        SKIP_WITHOUT_WINE(MakeUnixFile(tree.Root(), name, "same"));
    }
    RecordingCallback callback;
    EXPECT_EQ(FindExact({{tree.Root(), true}}, callback), PathGroups{});
    EXPECT_EQ(callback.indexed, 5);
    EXPECT_EQ(callback.notReadFiles.size(), 4u);
    EXPECT_EQ(callback.compared, 5) << "the progress still reaches the total";
}

TEST(HostileTrees, TheImageSearchGroupsAPictureWithItsCopyNotWithItsOtherName)
{
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    {
        TempTree tree;
        tree.MakeFolder(L"one");
        tree.MakeFolder(L"two");
        ASSERT_TRUE(WritePicture(tree.Path(L"one\\a.png"), DrawScene(5, 80, 60), Format::Png));
        ASSERT_TRUE(
            ::CreateHardLinkW(tree.Path(L"two\\a-link.png").c_str(), tree.Path(L"one\\a.png").c_str(), nullptr));
        tree.MakeFile(L"one\\text.png", "not a picture");
        const std::vector<SearchRoot> roots = {{tree.Path(L"one"), true}, {tree.Path(L"two"), true}};
        RecordingCallback callback;
        EXPECT_EQ(Find(DuplicateImageFinder(AdmitAll()), roots, callback), PathGroups{});
        EXPECT_EQ(callback.notReadFiles.size(), 1u);
        ASSERT_TRUE(WritePicture(tree.Path(L"two\\copy.jpg"), DrawScene(5, 80, 60), Format::Jpeg));
        RecordingCallback again;
        EXPECT_EQ(Find(DuplicateImageFinder(AdmitAll()), roots, again),
            (PathGroups{{tree.Path(L"one\\a.png"), tree.Path(L"two\\copy.jpg")}}));
    }
    if (com) {
        ::CoUninitialize();
    }
}
