#include "engine/DuplicateImageFinder.h"
#include "engine/SearchCacheDatabase.h"
#include "system/Handles.h"

#include "tests/engine/RecordingCallback.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <set>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

// Stops the search at the first call of the comparison stage, or after a
// number of indexed files; remembers whether the library asked after that.
class StoppingCallback : public RecordingCallback {
public:
    void SetStage(int32_t stage) override
    {
        RecordingCallback::SetStage(stage);
        if (stopAtComparison && stage == StageComparingImages) {
            Stop();
        }
    }
    void OnFileCompared(uint64_t size) override
    {
        RecordingCallback::OnFileCompared(size);
        EXPECT_EQ(size, 0u);
        comparedAfterStop += WasCanceled() ? 1 : 0;
    }
    bool stopAtComparison = false;
    int comparedAfterStop = 0;
};

class DuplicateImageFinderTest : public ::testing::Test {
protected:
    DuplicateImageFinderTest() : com_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) { }
    ~DuplicateImageFinderTest() override
    {
        if (com_) {
            ::CoUninitialize();
        }
    }

    void Write(const std::wstring& name, const Canvas& canvas, Format format = Format::Png)
    {
        ASSERT_TRUE(WritePicture(tree_.Path(name), canvas, format)) << "cannot write a test picture";
    }

    // The groups as sets of file names.
    static std::set<std::set<std::wstring>> Named(const std::vector<FileGroup>& groups)
    {
        std::set<std::set<std::wstring>> named;
        for (const FileGroup& group : groups) {
            std::set<std::wstring> names;
            for (const FileRecord& file : group.files) {
                names.insert(file.path.substr(file.path.find_last_of(L'\\') + 1));
            }
            named.insert(names);
        }
        return named;
    }

    std::vector<FileGroup> Find(bool doRotations, RecordingCallback& callback)
    {
        SearchParameters parameters;
        parameters.DoRotations = doRotations;
        DuplicateImageFinder finder(parameters);
        finder.FindDuplicates({{tree_.Root(), true}}, &callback);
        return callback.groups;
    }

    TempTree tree_;
    const Canvas scene_ = DrawScene(7, 160, 120);
    const Canvas other_ = DrawScene(8, 160, 120);

private:
    bool com_;
};

TEST_F(DuplicateImageFinderTest, ARepeatSearchTakesWhatTheCacheKnowsAndOpensNoFile)
{
    Write(L"photo.png", scene_);
    Write(L"photo.jpg", Resized(scene_, 320, 240), Format::Jpeg);
    Write(L"different.png", other_);
    tree_.MakeFile(L"notes.txt", "not a picture, and remembered as such");
    const TempTree cacheFolder;
    const std::wstring cacheFile = cacheFolder.Path(L"cache.db");
    const auto find = [&](ISearchCache* cache) {
        RecordingCallback callback;
        DuplicateImageFinder finder(SearchParameters{});
        finder.SetCache(cache);
        finder.FindDuplicates({{tree_.Root(), true}}, &callback);
        return callback.groups;
    };
    SearchCacheDatabase first;
    ASSERT_EQ(first.Open(cacheFile), SearchCacheDatabase::OpenResult::Created);
    const std::vector<FileGroup> firstGroups = find(&first);
    ASSERT_EQ(Named(firstGroups), (std::set<std::set<std::wstring>>{{L"photo.png", L"photo.jpg"}}));
    ASSERT_TRUE(first.Close());

    {
        // Every file is held open without sharing, so any open fails: without
        // the cache nothing is grouped, with it the same groups come back,
        // dimensions and times as before.
        std::vector<KernelHandle> locks;
        for (const wchar_t* name : {L"photo.png", L"photo.jpg", L"different.png", L"notes.txt"}) {
            locks.emplace_back(::CreateFileW(
                tree_.Path(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(locks.back()) << "cannot lock a test file";
        }
        EXPECT_TRUE(find(nullptr).empty());
        SearchCacheDatabase repeat;
        ASSERT_EQ(repeat.Open(cacheFile), SearchCacheDatabase::OpenResult::Opened);
        const std::vector<FileGroup> repeatGroups = find(&repeat);
        ASSERT_EQ(Named(repeatGroups), Named(firstGroups));
        for (size_t i = 0; i < firstGroups[0].files.size(); ++i) {
            const FileRecord& before = firstGroups[0].files[i];
            const FileRecord& after = repeatGroups[0].files[i];
            EXPECT_EQ(after.path, before.path);
            EXPECT_EQ(after.size, before.size);
            EXPECT_EQ(after.width, before.width);
            EXPECT_EQ(after.height, before.height);
            EXPECT_EQ(FileTimeToUInt64(after.lastWriteTime), FileTimeToUInt64(before.lastWriteTime));
            EXPECT_EQ(FileTimeToUInt64(after.creationTime), FileTimeToUInt64(before.creationTime));
        }
    }

    // A picture rewritten since (with a new time) is read again.
    Write(L"different.png", Brightened(scene_, 4));
    const FILETIME later = MakeFileTime(FileTimeToUInt64(firstGroups[0].files[0].lastWriteTime) + 36000000000ull);
    ASSERT_TRUE(SetFileTimes(tree_.Path(L"different.png"), nullptr, nullptr, &later));
    SearchCacheDatabase again;
    ASSERT_EQ(again.Open(cacheFile), SearchCacheDatabase::OpenResult::Opened);
    EXPECT_EQ(Named(find(&again)), Named(find(nullptr)));
    EXPECT_EQ(Named(find(nullptr)), (std::set<std::set<std::wstring>>{{L"photo.png", L"photo.jpg", L"different.png"}}));
}

TEST(DuplicateImageFinder, OptionsWordFollowsDoRotationsAndDoMirrors)
{
    SearchParameters parameters;
    parameters.DoMirrors = false;
    parameters.DoRotations = true;
    EXPECT_EQ(DuplicateImageFinder(parameters).LibraryOptions(), 0u);
    parameters.DoRotations = false;
    EXPECT_EQ(DuplicateImageFinder(parameters).LibraryOptions(), 0x80000000u);
    parameters.DoMirrors = true;
    EXPECT_EQ(DuplicateImageFinder(parameters).LibraryOptions(), 0xC0000000u);
    parameters.DoRotations = true;
    EXPECT_EQ(DuplicateImageFinder(parameters).LibraryOptions(), 0x40000000u);
}

TEST_F(DuplicateImageFinderTest, GroupsCarrySizeZeroAndEachMembersOwnRecord)
{
    Write(L"photo.png", scene_);
    Write(L"photo.jpg", Resized(scene_, 320, 240), Format::Jpeg);
    Write(L"different.png", other_);
    tree_.MakeFile(L"empty.jpg");
    tree_.MakeFile(L"corrupt.jpg", "\xFF\xD8\xFF\xE0 this is not a picture at all");
    RecordingCallback callback;
    const std::vector<FileGroup> groups = Find(true, callback);

    ASSERT_EQ(Named(groups), (std::set<std::set<std::wstring>>{{L"photo.png", L"photo.jpg"}}));
    const FileGroup& group = groups[0];
    EXPECT_EQ(group.size, 0u);
    uint64_t total = 0;
    for (const FileRecord& file : group.files) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(::GetFileAttributesExW(file.path.c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(file.size, (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        EXPECT_EQ(FileTimeToUInt64(file.lastWriteTime), FileTimeToUInt64(data.ftLastWriteTime));
        EXPECT_TRUE(file.isImage);
        EXPECT_EQ(file.width, file.path.ends_with(L".png") ? 160u : 320u);
        EXPECT_EQ(file.height, file.path.ends_with(L".png") ? 120u : 240u);
        total += file.size;
    }
    EXPECT_GT(total, 0u); // what the progress dialog adds up for an image group

    // Every admitted file, readable or not, is examined once; the comparison
    // total is announced once; the stages follow each other.
    EXPECT_EQ(callback.indexed, 5);
    EXPECT_GT(callback.filesToCompare, 0);
    EXPECT_GE(callback.compared, 1);
    EXPECT_EQ(callback.stages.front(), StageIndexing);
    EXPECT_EQ(callback.stages.back(), StageComparingImages);
    EXPECT_TRUE(std::is_sorted(callback.stages.begin(), callback.stages.end()));
    EXPECT_EQ(std::count(callback.stages.begin(), callback.stages.end(), StageComparing), 5);
}

TEST_F(DuplicateImageFinderTest, TurnedCopyGroupsOnlyWithRotationsOn)
{
    Write(L"upright.png", scene_);
    Write(L"turned.png", Turned(scene_, 1));
    Write(L"different.png", other_);
    RecordingCallback withRotations;
    withRotations.Stop(); // left over from before: the search forgets it as it starts
    EXPECT_EQ(Named(Find(true, withRotations)), (std::set<std::set<std::wstring>>{{L"upright.png", L"turned.png"}}));
    RecordingCallback withoutRotations;
    EXPECT_TRUE(Find(false, withoutRotations).empty());
}

TEST_F(DuplicateImageFinderTest, PhotoTaggedToTurnGroupsWithItsUprightTwinWithoutRotations)
{
    Write(L"upright.png", scene_);
    ASSERT_TRUE(WriteJpegWithOrientation(tree_.Path(L"camera.jpg"), Turned(scene_, 3), 6));
    RecordingCallback callback;
    const std::vector<FileGroup> groups = Find(false, callback);
    ASSERT_EQ(Named(groups), (std::set<std::set<std::wstring>>{{L"upright.png", L"camera.jpg"}}));
    for (const FileRecord& file : groups[0].files) {
        EXPECT_EQ(file.width, 160u) << "size as shown, not as stored";
    }
}

// (Were the library called anyway, it would return at once with nothing: the
// outcome is what can be seen from here.)
TEST_F(DuplicateImageFinderTest, StopDuringIndexingEndsBeforeAnyPictureIsExamined)
{
    for (int i = 0; i < 6; ++i) {
        Write(L"p" + std::to_wstring(i) + L".png", scene_);
    }
    StoppingCallback callback;
    callback.stopAfterIndexed = 2;
    EXPECT_TRUE(Find(true, callback).empty());
    EXPECT_EQ(callback.stages, std::vector<int32_t>{StageIndexing});
    EXPECT_EQ(callback.compared, 0);
    EXPECT_EQ(::WaitForSingleObject(callback.FinishedEvent(), 0), WAIT_OBJECT_0);
}

TEST_F(DuplicateImageFinderTest, StopDuringComparisonEndsTheSearchWithNothingFound)
{
    for (int i = 0; i < 6; ++i) {
        Write(L"p" + std::to_wstring(i) + L".png", Brightened(scene_, i));
    }
    StoppingCallback callback;
    callback.stopAtComparison = true;
    EXPECT_TRUE(Find(true, callback).empty());
    EXPECT_EQ(callback.stages.back(), StageComparingImages);
    EXPECT_LE(callback.comparedAfterStop, 2); // the library ends at its next question
    EXPECT_EQ(::WaitForSingleObject(callback.FinishedEvent(), 0), WAIT_OBJECT_0);
}

} // namespace
