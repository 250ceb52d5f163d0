#include "tests/imaging/ImagingTest.h"
#include "imaging/PictureHeader.h"
#include "tests/support/FileBytes.h"
#include "tests/support/HostilePictures.h"

#include <malloc.h>

#include <cstddef>
#include <functional>
#include <thread>

using namespace ImageClonarium;
using Names = std::set<std::set<std::wstring>>;

namespace {

// Records every call the library makes and on which thread; stops when told.
class RecordingCallback : public IImageClonariumCallback {
public:
    void OnStart(uint64_t imageCount) override
    {
        Note();
        ++starts;
        startCount = imageCount;
    }
    void OnImageExamined(uint64_t examined, uint64_t imageCount) override
    {
        Note();
        if (slowExamined) {
            ::Sleep(5);
        }
        ++examinedCalls;
        EXPECT_EQ(imageCount, startCount);
        EXPECT_EQ(examined, examinedCalls) << "examined count does not rise by one";
    }
    void OnCompareProgress(uint64_t done, uint64_t total) override
    {
        Note();
        if (compareCalls++ == 0) {
            compareTotal = total;
        }
        EXPECT_EQ(total, compareTotal) << "comparison total changed";
        EXPECT_LE(done, total);
    }
    void OnImageNotRead(uint64_t index) override
    {
        Note();
        notRead.insert(index);
    }
    bool ShouldStop() override
    {
        Note();
        ++stopQuestions;
        if (!stopped && stopWhen && stopWhen(*this)) {
            stopped = true;
        }
        return stopped;
    }

    std::function<bool(const RecordingCallback&)> stopWhen;
    bool slowExamined = false; // a caller that takes its time, as a window does
    std::set<DWORD> threads;
    std::set<uint64_t> notRead;
    uint64_t starts = 0, startCount = 0, examinedCalls = 0, compareCalls = 0, compareTotal = 0, stopQuestions = 0;
    bool stopped = false;
    int callsAfterStop = 0;

private:
    void Note()
    {
        threads.insert(::GetCurrentThreadId());
        callsAfterStop += stopped;
    }
};

const Canvas sceneA = DrawScene(1, 200, 130);
const Canvas sceneB = DrawScene(2, 180, 120);
const Canvas sceneC = DrawScene(3, 150, 150);
const Canvas sceneD = DrawScene(4, 120, 200);

} // namespace

using ImageClonariumFind = ImagingTest;

TEST_F(ImageClonariumFind, GroupsCopiesAcrossFormatsSizesAndBrightnessAndKeepsOthersApart)
{
    Add(L"a.png", sceneA, Format::Png);
    Add(L"a-copy.jpg", sceneA, Format::Jpeg);
    Add(L"a-half.bmp", Resized(sceneA, 100, 65), Format::Bmp);
    Add(L"a-brighter.tif", Brightened(sceneA, 14), Format::Tiff);
    Add(L"a-larger.png", Resized(sceneA, 320, 208), Format::Png);
    Add(L"b.jpg", sceneB, Format::Jpeg);
    Add(L"b-small.png", Resized(sceneB, 60, 40), Format::Png);
    Add(L"c.png", sceneC, Format::Png);
    Add(L"d.bmp", sceneD, Format::Bmp);
    Add(L"black.png", Filled(64, 64, 0xFF000000), Format::Png);
    Add(L"white.png", Filled(64, 64, 0xFFFFFFFF), Format::Png);

    const ImageGroups groups = Find();

    EXPECT_EQ(Named(groups), (Names{{L"a.png", L"a-copy.jpg", L"a-half.bmp", L"a-brighter.tif", L"a-larger.png"},
                                 {L"b.jpg", L"b-small.png"}}));
    for (const auto& group : groups) {
        for (const auto& member : group) {
            if (paths_[member.Index].ends_with(L"a-half.bmp")) {
                EXPECT_EQ(member.Width, 100u);
                EXPECT_EQ(member.Height, 65u);
            }
        }
    }
}

// A tall picture is decoded a band of rows at a time; its small copy in one.
TEST_F(ImageClonariumFind, ReadsTallPicturesBandByBand)
{
    const Canvas tall = DrawScene(5, 300, 1200);
    Add(L"tall.png", tall, Format::Png);
    Add(L"tall-small.jpg", Resized(tall, 75, 300), Format::Jpeg);
    Add(L"other-tall.png", DrawScene(6, 300, 1200), Format::Png);

    EXPECT_EQ(Named(Find()), (Names{{L"tall.png", L"tall-small.jpg"}}));
}

TEST_F(ImageClonariumFind, ReadsGifAndAPathListedTwice)
{
    const std::wstring png = Add(L"a.png", sceneA, Format::Png);
    if (!WritePicture(tree_.Path(L"a.gif"), sceneA, Format::Gif)) {
        GTEST_SKIP() << "the platform writes no GIF";
    }
    paths_.push_back(tree_.Path(L"a.gif"));
    paths_.push_back(png);
    Add(L"c.png", sceneC, Format::Png);

    const ImageGroups groups = Find();
    EXPECT_EQ(Named(groups), (Names{{L"a.png", L"a.gif"}}));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].size(), 3u);
}

// An animated GIF shows its first frame; the decoder is given no more, so a
// thousand frames after it cost nothing. The last frame is another scene.
TEST_F(ImageClonariumFind, ReadsOnlyTheFirstFrameOfAnAnimatedGif)
{
    const std::string first = PictureBytes(sceneA, Format::Gif), last = PictureBytes(sceneC, Format::Gif);
    auto frame = [](const std::string& gif) {
        const size_t image = gif.find('\x2C', 13); // the image descriptor, after screen and colours
        return gif.substr(image, gif.size() - 1 - image);
    };
    std::string animated = first.substr(0, first.size() - 1);
    for (int copy = 0; copy < 1000; ++copy) {
        animated += frame(first);
    }
    animated += frame(last) + '\x3B';
    AddFile(L"animated.gif", animated);
    Add(L"a.png", sceneA, Format::Png);
    Add(L"c.png", sceneC, Format::Png);

    EXPECT_EQ(Named(Find()), (Names{{L"animated.gif", L"a.png"}}));
    ImageClonarium::DeclaredSize size;
    ASSERT_TRUE(
        ImageClonarium::ReadDeclaredSize({reinterpret_cast<const uint8_t*>(animated.data()), animated.size()}, size));
    EXPECT_EQ(size.FirstPictureEnd, first.size() - 1);
    EXPECT_EQ(size.Pixels, 2u * sceneA.Width * sceneA.Height); // the screen and the first frame
}

TEST_F(ImageClonariumFind, SkipsEmptyDamagedAndNonPictureFiles)
{
    const std::wstring good = Add(L"a.jpg", sceneA, Format::Jpeg);
    Add(L"a-copy.png", sceneA, Format::Png);
    const std::string jpeg = ReadFileBytes(good);
    const std::string png = ReadFileBytes(paths_[1]);
    AddFile(L"empty.jpg", "");
    AddFile(L"empty2.jpg", "");
    AddFile(L"text.jpg", "not a picture at all\r\n");
    AddFile(L"text2.jpg", "not a picture at all\r\n");
    AddFile(L"cut.jpg", jpeg.substr(0, jpeg.size() / 3));
    AddFile(L"cut.png", png.substr(0, png.size() / 2));
    AddFile(L"header-only.jpg", jpeg.substr(0, 200));
    std::string noise(5000, '\0');
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = char((i * 7919 + 13) % 251);
    }
    AddFile(L"noise.png", noise);
    AddFile(L"noise.gif", "GIF89a" + noise);
    // A bitmap header that claims 60000 x 60000 pixels over a few bytes.
    std::string huge = ReadFileBytes(Add(L"small.bmp", Resized(sceneC, 8, 8), Format::Bmp));
    const int32_t side = 60000;
    huge.replace(18, 4, reinterpret_cast<const char*>(&side), 4);
    huge.replace(22, 4, reinterpret_cast<const char*>(&side), 4);
    AddFile(L"huge.bmp", huge);
    paths_.push_back(tree_.Path(L"missing.jpg"));
    paths_.push_back(tree_.Root()); // a folder

    RecordingCallback callback;
    const ImageGroups groups = Find(85, 0, &callback);

    EXPECT_EQ(Named(groups), (Names{{L"a.jpg", L"a-copy.png"}}));
    EXPECT_EQ(callback.examinedCalls, paths_.size());
}

TEST_F(ImageClonariumFind, ReadsPicturesBeyondTheOldPathLimit)
{
    const std::string bytes = ReadFileBytes(Add(L"a.png", sceneA, Format::Png));
    std::wstring deep;
    while (tree_.Root().size() + deep.size() < 300) {
        deep += L"a-rather-long-folder-name\\";
    }
    AddFile(deep + L"a.png", bytes);
    Add(L"b.png", sceneB, Format::Png);

    const ImageGroups groups = Find();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].size(), 2u);
    EXPECT_EQ(groups[0][1].Index, 1u);
}

TEST_F(ImageClonariumFind, MatchesTurnedCopiesOnlyWhenRotationsCount)
{
    Add(L"a.png", sceneA, Format::Png);
    Add(L"a-90.jpg", Turned(sceneA, 1), Format::Jpeg);
    Add(L"a-180.png", Turned(sceneA, 2), Format::Png);
    Add(L"a-270.bmp", Turned(sceneA, 3), Format::Bmp);
    Add(L"b.png", sceneB, Format::Png);
    Add(L"b-90.png", Turned(sceneB, 1), Format::Png);
    Add(L"c.png", sceneC, Format::Png);

    EXPECT_EQ(
        Named(Find(85, 0)), (Names{{L"a.png", L"a-90.jpg", L"a-180.png", L"a-270.bmp"}, {L"b.png", L"b-90.png"}}));
    EXPECT_EQ(Named(Find(85, NoRotations)), Names{});
}

TEST_F(ImageClonariumFind, MatchesMirrorImagesOnlyWhenMirrorsCount)
{
    Add(L"a.png", sceneA, Format::Png);
    Add(L"a-left-right.jpg", Mirrored(sceneA), Format::Jpeg);
    Add(L"a-top-bottom.png", Turned(Mirrored(sceneA), 2), Format::Png);
    Add(L"a-mirror-90.bmp", Turned(Mirrored(sceneA), 1), Format::Bmp);
    Add(L"b.png", sceneB, Format::Png);
    Add(L"b-left-right.png", Mirrored(Resized(sceneB, 150, 100)), Format::Png);
    Add(L"c.png", sceneC, Format::Png);

    Add(L"b-180.jpg", Turned(sceneB, 2), Format::Jpeg);
    // Without rotations a half turn stays apart, and so does the top-to-bottom
    // mirror image, which is the left-to-right one turned by half.
    EXPECT_EQ(Named(Find(85, NoRotations | MatchMirrors)),
        (Names{{L"a.png", L"a-left-right.jpg"}, {L"b.png", L"b-left-right.png"}}));
    EXPECT_EQ(
        Named(Find(85, MatchMirrors)), (Names{{L"a.png", L"a-left-right.jpg", L"a-top-bottom.png", L"a-mirror-90.bmp"},
                                           {L"b.png", L"b-left-right.png", L"b-180.jpg"}}));
    EXPECT_EQ(Named(Find(85, NoRotations)), Names{});
    // Without mirrors the mirror images are only turns of each other.
    EXPECT_EQ(Named(Find(85, 0)),
        (Names{{L"a-left-right.jpg", L"a-top-bottom.png", L"a-mirror-90.bmp"}, {L"b.png", L"b-180.jpg"}}));
}

// A picture that is its own mirror image is found once, in one group, with
// mirrors on as with them off. (Sides that are multiples of the thumbnail's
// 32 cells keep the thumbnail exactly symmetric too.)
TEST_F(ImageClonariumFind, SymmetricPicturesAreGroupedOnce)
{
    auto symmetric = [](const Canvas& canvas) {
        Canvas out = canvas;
        for (uint32_t y = 0; y < canvas.Height; ++y) {
            for (uint32_t x = canvas.Width / 2; x < canvas.Width; ++x) {
                out.Pixels[size_t(y) * canvas.Width + x] = canvas.At(canvas.Width - 1 - x, y);
            }
        }
        return out;
    };
    const Canvas a = symmetric(DrawScene(1, 224, 128)), b = symmetric(DrawScene(2, 192, 128));
    Add(L"a.png", a, Format::Png);
    Add(L"a-copy.tif", a, Format::Tiff);
    Add(L"a-left-right.bmp", Mirrored(a), Format::Bmp);
    Add(L"b.png", b, Format::Png);
    Add(L"b-top-bottom.png", Turned(Mirrored(b), 2), Format::Png);
    Add(L"c.png", symmetric(DrawScene(3, 160, 160)), Format::Png);

    const Names expected = {{L"a.png", L"a-copy.tif", L"a-left-right.bmp"}, {L"b.png", L"b-top-bottom.png"}};
    for (const uint32_t options : {MatchMirrors, 0u}) {
        // Named fails on a picture listed twice.
        EXPECT_EQ(Named(Find(85, options)), expected) << std::hex << options;
    }
    // Without rotations the top-to-bottom mirror image is a half turn.
    EXPECT_EQ(Named(Find(85, NoRotations | MatchMirrors)), (Names{{L"a.png", L"a-copy.tif", L"a-left-right.bmp"}}));
}

TEST_F(ImageClonariumFind, ShowsPicturesAsTheirOrientationTagSays)
{
    // A camera held sideways stores the picture turned and says so in a tag;
    // shown upright it is the same picture, with rotations off too.
    Add(L"upright.png", sceneA, Format::Png);
    const std::wstring jpeg = tree_.Path(L"tagged.jpg");
    ASSERT_TRUE(WriteJpegWithOrientation(jpeg, Turned(sceneA, 3), 6));
    paths_.push_back(jpeg);
    ASSERT_TRUE(WriteTiffWithOrientation(tree_.Path(L"tagged.tif"), Turned(sceneA, 1), 8));
    paths_.push_back(tree_.Path(L"tagged.tif"));
    ASSERT_TRUE(WriteJpegWithOrientation(tree_.Path(L"tagged-180.jpg"), Turned(sceneA, 2), 3));
    paths_.push_back(tree_.Path(L"tagged-180.jpg"));
    // Stored turned with a tag that says "as stored": a different view.
    ASSERT_TRUE(WriteJpegWithOrientation(tree_.Path(L"turned.jpg"), Turned(sceneA, 3), 1));
    paths_.push_back(tree_.Path(L"turned.jpg"));
    Add(L"b.png", sceneB, Format::Png);

    const ImageGroups groups = Find(85, NoRotations);

    ASSERT_EQ(Named(groups), (Names{{L"upright.png", L"tagged.jpg", L"tagged.tif", L"tagged-180.jpg"}}));
    for (const auto& member : groups[0]) {
        EXPECT_EQ(member.Width, sceneA.Width) << "size as shown, not as stored";
        EXPECT_EQ(member.Height, sceneA.Height);
    }
}

TEST_F(ImageClonariumFind, SimilarityNarrowsAndWidensTheMatch)
{
    // Copies of one picture with ever larger parts painted over.
    Add(L"a.png", sceneA, Format::Png);
    AddFile(L"a-same.png", ReadFileBytes(paths_[0]));
    Add(L"a-brighter.jpg", Brightened(Resized(sceneA, 150, 98), 20), Format::Jpeg);
    for (uint32_t side : {30u, 50u, 70u}) {
        Canvas painted = sceneA;
        for (uint32_t y = 10; y < 10 + side; ++y) {
            for (uint32_t x = 20; x < 20 + side; ++x) {
                painted.Pixels[y * painted.Width + x] = 0xFF000000;
            }
        }
        Add(L"a-painted" + std::to_wstring(side) + L".png", painted, Format::Png);
    }
    Add(L"b.png", sceneB, Format::Png);
    Add(L"c.png", sceneC, Format::Png);

    auto pairs = [&](uint16_t similarity) {
        size_t count = 0;
        for (const auto& group : Find(similarity)) {
            count += group.size() * (group.size() - 1) / 2;
        }
        return count;
    };
    const Names strict = Named(Find(100));
    ASSERT_EQ(strict.size(), 1u);
    EXPECT_TRUE(strict.begin()->contains(L"a.png") && strict.begin()->contains(L"a-same.png"));
    EXPECT_TRUE(Named(Find(85)).begin()->contains(L"a-brighter.jpg"));
    size_t previous = pairs(100);
    EXPECT_GE(previous, 1u);
    for (uint16_t similarity : {95, 90, 85, 75, 60, 40, 1}) {
        const size_t now = pairs(similarity);
        EXPECT_GE(now, previous) << "similarity " << similarity;
        previous = now;
    }
    EXPECT_GT(previous, pairs(85)) << "painted copies join at a low similarity";
    // Out of range values are taken as the nearest end.
    EXPECT_EQ(Named(Find(1000)), Named(Find(100)));
    EXPECT_EQ(Named(Find(0)), Named(Find(1)));
}

TEST_F(ImageClonariumFind, ReportsEveryStepOnTheCallingThread)
{
    Add(L"a.png", sceneA, Format::Png);
    Add(L"a.jpg", sceneA, Format::Jpeg);
    Add(L"b.png", sceneB, Format::Png);
    AddFile(L"text.jpg", "text");

    RecordingCallback callback;
    DWORD caller = 0;
    ImageGroups groups;
    // A thread of its own, so that the calling thread is not the one that
    // made the test's COM objects.
    std::thread([&] {
        caller = ::GetCurrentThreadId();
        groups = Find(85, 0, &callback);
    }).join();

    EXPECT_EQ(groups.size(), 1u);
    EXPECT_EQ(callback.threads, std::set<DWORD>{caller});
    EXPECT_EQ(callback.starts, 1u);
    EXPECT_EQ(callback.startCount, paths_.size());
    EXPECT_EQ(callback.examinedCalls, paths_.size());
    EXPECT_EQ(callback.notRead, std::set<uint64_t>{3}) << "only text.jpg is not a picture";
    EXPECT_GE(callback.compareCalls, 1u);
    EXPECT_GE(callback.stopQuestions, 1u);
}

TEST_F(ImageClonariumFind, StopDuringComparisonEndsAtOnceWithNothing)
{
    Add(L"a.png", sceneA, Format::Png);
    Add(L"a.jpg", sceneA, Format::Jpeg);
    Add(L"b.png", sceneB, Format::Png);
    Add(L"b.jpg", sceneB, Format::Jpeg);

    RecordingCallback callback;
    callback.stopWhen = [](const RecordingCallback& c) { return c.compareCalls > 0; };
    const ImageGroups groups = Find(85, 0, &callback);

    EXPECT_TRUE(callback.stopped) << "should-stop was not asked during the comparison";
    EXPECT_TRUE(groups.empty());
    EXPECT_EQ(callback.callsAfterStop, 0);
}

TEST_F(ImageClonariumFind, StopDuringExaminationLeavesTheRestUnread)
{
    const std::wstring first = Add(L"a.png", sceneA, Format::Png);
    const std::string bytes = ReadFileBytes(first);
    for (int i = 0; i < 200; ++i) {
        AddFile(L"a" + std::to_wstring(i) + L".png", bytes);
    }

    // Should-stop is asked every tenth of a second or so; a caller that takes
    // 5 ms over each picture has seen about 20 by then.
    RecordingCallback callback;
    callback.slowExamined = true;
    callback.stopWhen = [](const RecordingCallback& c) { return c.examinedCalls >= 2; };
    const ImageGroups groups = Find(85, 0, &callback);

    EXPECT_TRUE(groups.empty());
    EXPECT_EQ(callback.callsAfterStop, 0);
    EXPECT_LT(callback.examinedCalls, paths_.size());
    EXPECT_EQ(callback.compareCalls, 0u);
}

TEST_F(ImageClonariumFind, CallerReleasesWhatTheLibraryAllocated)
{
    static_assert(offsetof(ImageInfo, Width) == 8 && offsetof(ImageInfo, Height) == 12);
    Add(L"a.png", sceneA, Format::Png);
    Add(L"a.jpg", sceneA, Format::Jpeg);
    Add(L"b.png", sceneB, Format::Png);
    Add(L"b.jpg", sceneB, Format::Jpeg);

    ImageGroups groups = Find();
    ASSERT_EQ(groups.size(), 2u);
    // The blocks came from the same C runtime heap as ours...
    EXPECT_GE(_msize(groups[0].data()), groups[0].size() * sizeof(ImageInfo));
    EXPECT_GE(_msize(groups.data()), groups.size() * sizeof(ImageGroup));
    // ...so growing (which frees the library's block here) and dropping them works.
    for (int i = 0; i < 1000; ++i) {
        groups[0].push_back({uint64_t(i), 1, 1});
    }
    ImageGroup kept = std::move(groups[1]);
    groups.clear();
    groups.shrink_to_fit();
    EXPECT_EQ(kept.size(), 2u);
    kept = {};
    EXPECT_NE(::HeapValidate(reinterpret_cast<HANDLE>(_get_heap_handle()), 0, nullptr), FALSE);
}

TEST_F(ImageClonariumFind, NothingToCompare)
{
    RecordingCallback callback;
    EXPECT_TRUE(Find(85, 0, &callback).empty());
    EXPECT_EQ(callback.starts, 1u);
    Add(L"a.png", sceneA, Format::Png);
    EXPECT_TRUE(Find(85, 0, nullptr).empty());
}
