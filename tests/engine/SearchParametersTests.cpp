#include "engine/SearchParameters.h"

#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using namespace clonarium;

namespace {

constexpr uint64_t kGiB = 1024ull * 1024 * 1024;

TEST(SearchParameters, FreshRecordHasTheDocumentedDefaults)
{
    SearchParameters p(true);
    EXPECT_TRUE(p.IsDefault);
    EXPECT_EQ(p.PresetName, L"(Untitled)");
    EXPECT_TRUE(p.StoragePath.empty());
    EXPECT_EQ(p.IgnoreMasks, (StringSet{L"*.dll", L"*.inf", L"*.drv", L"*.ini", L"*.sys", L"*.lnk", L"*.exe"}));
    EXPECT_TRUE(p.ScanMasks.empty());
    EXPECT_TRUE(p.ProtectFolders && p.UseIgnoreMasks && p.SearchArchive && p.DoRotations);
    EXPECT_FALSE(p.UseScanMasks || p.UseLess || p.UseGreater || p.SearchHidden || p.SearchSystem || p.SearchReadOnly ||
                 p.SearchCompressed || p.SearchEncrypted);
    EXPECT_FALSE(p.UseModifiedBefore || p.UseModifiedAfter || p.UseCreatedBefore || p.UseCreatedAfter ||
                 p.UseAccessedBefore || p.UseAccessedAfter);
    EXPECT_EQ(p.SearchMode, ExactDuplicates);
    EXPECT_EQ(p.Similarity, 85);
    // The six date bounds come from one reading of the clock.
    const uint64_t now = FileTimeToUInt64(p.ModifiedBefore);
    EXPECT_NE(now, 0u);
    for (const FILETIME* t :
        {&p.ModifiedAfter, &p.CreatedBefore, &p.CreatedAfter, &p.AccessedBefore, &p.AccessedAfter}) {
        EXPECT_EQ(FileTimeToUInt64(*t), now);
    }
    EXPECT_FALSE(SearchParameters(false).IsDefault);
}

TEST(SearchParameters, ResetKeepsStoragePathAndDefaultFlag)
{
    SearchParameters p(true);
    p.StoragePath = L"C:\\presets\\photos.prs";
    p.PresetName = L"Photos";
    p.ScanMasks.insert(L"*.jpg");
    p.IgnoreMasks.clear();
    p.Similarity = 40;
    p.Reset();
    EXPECT_EQ(p.StoragePath, L"C:\\presets\\photos.prs");
    EXPECT_TRUE(p.IsDefault);
    EXPECT_EQ(p.PresetName, L"(Untitled)");
    EXPECT_TRUE(p.ScanMasks.empty());
    EXPECT_EQ(p.IgnoreMasks.size(), 7u);
    EXPECT_EQ(p.Similarity, 85);
}

TEST(SearchParameters, ProtectedFoldersComeFromTheEnvironmentAndTheShell)
{
    wchar_t windows[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_WINDOWS, nullptr, 0, windows)));

    ASSERT_TRUE(::SetEnvironmentVariableW(L"ProgramW6432", L"Q:\\Programs Of Our Own"));
    SearchParameters withVariable;
    EXPECT_EQ(withVariable.ProtectedFolders.count(L"Q:\\Programs Of Our Own"), 1u);
    EXPECT_EQ(withVariable.ProtectedFolders.count(windows), 1u);

    ASSERT_TRUE(::SetEnvironmentVariableW(L"ProgramW6432", nullptr));
    SearchParameters withoutVariable;
    EXPECT_EQ(withoutVariable.ProtectedFolders.count(L"Q:\\Programs Of Our Own"), 0u);
    EXPECT_EQ(withoutVariable.ProtectedFolders.count(windows), 1u);
    for (const std::wstring& folder : withoutVariable.ProtectedFolders) {
        EXPECT_FALSE(folder.empty());
        EXPECT_LT(folder.size(), 255u);
    }
}

TEST(SearchParameters, CopyIsDeep)
{
    SearchParameters original;
    original.ScanMasks = {L"*.png"};
    SearchParameters copy = original;
    original.ScanMasks.insert(L"*.gif");
    original.ProtectedFolders.clear();
    EXPECT_EQ(copy.ScanMasks, StringSet{L"*.png"});
    EXPECT_FALSE(copy.ProtectedFolders.empty());
}

TEST(SearchParameters, EqualityIgnoresNameStorageDefaultFlagAndRotations)
{
    SearchParameters a(true);
    SearchParameters b = a;
    b.PresetName = L"Other";
    b.StoragePath = L"C:\\x.prs";
    b.IsDefault = false;
    b.DoRotations = !a.DoRotations;
    EXPECT_TRUE(a == b);
    b.SearchMode = SimilarImages;
    a.SearchMode = SimilarImages;
    EXPECT_TRUE(a == b); // rotations still not compared in image mode
}

TEST(SearchParameters, SimilarityAndMirrorsCountOnlyInSimilarImagesMode)
{
    SearchParameters a;
    EXPECT_TRUE(a.DoMirrors) << "on in a new preset";
    SearchParameters similarity = a, mirrors = a;
    similarity.Similarity = 60;
    mirrors.DoMirrors = false;
    EXPECT_TRUE(a == similarity);
    EXPECT_TRUE(a == mirrors);
    a.SearchMode = similarity.SearchMode = mirrors.SearchMode = SimilarImages;
    EXPECT_FALSE(a == similarity);
    EXPECT_FALSE(a == mirrors);
}

TEST(SearchParameters, EveryComparedFieldMakesADifference)
{
    const SearchParameters base;
    auto differs = [&](auto change) {
        SearchParameters other = base;
        change(other);
        return !(base == other);
    };
    EXPECT_TRUE(differs([](SearchParameters& p) { p.SearchMode = SimilarImages; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.LessBound = 1; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.GreaterBound = 1; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.LessMultiplier = Kilobytes; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.GreaterMultiplier = Megabytes; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseIgnoreMasks = false; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseScanMasks = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseLess = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseGreater = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseModifiedBefore = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseModifiedAfter = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseCreatedBefore = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseCreatedAfter = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseAccessedBefore = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.UseAccessedAfter = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.ProtectFolders = false; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.SearchHidden = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.SearchSystem = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.SearchReadOnly = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.SearchCompressed = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.SearchEncrypted = true; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.SearchArchive = false; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.ModifiedBefore.dwLowDateTime ^= 1; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.ModifiedAfter.dwHighDateTime ^= 1; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.CreatedBefore.dwLowDateTime ^= 1; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.CreatedAfter.dwLowDateTime ^= 1; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.AccessedBefore.dwLowDateTime ^= 1; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.AccessedAfter.dwLowDateTime ^= 1; }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.IgnoreMasks.insert(L"*.tmp"); }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.ScanMasks.insert(L"*.tmp"); }));
    EXPECT_TRUE(differs([](SearchParameters& p) { p.ProtectedFolders.insert(L"C:\\Keep"); }));
}

TEST(SearchParameters, SizeBoundsAreInclusiveAndSixtyFourBit)
{
    SearchParameters p;
    EXPECT_EQ(SearchParameters::BoundInBytes(5, Gigabytes), 5 * kGiB);
    EXPECT_EQ(SearchParameters::BoundInBytes(3, Kilobytes), 3072u);
    EXPECT_EQ(SearchParameters::BoundInBytes(0xFFFFFFFFu, Gigabytes), 0xFFFFFFFFull * kGiB);

    p.UseLess = p.UseGreater = true;
    p.LessBound = p.GreaterBound = 5;
    p.LessMultiplier = p.GreaterMultiplier = Gigabytes;
    EXPECT_FALSE(p.IsExcludedBySize(5 * kGiB));
    EXPECT_TRUE(p.IsExcludedBySize(5 * kGiB + 1));
    EXPECT_TRUE(p.IsExcludedBySize(5 * kGiB - 1));
}

TEST(SearchParameters, ZeroBounds)
{
    SearchParameters p;
    p.UseLess = true; // a less bound of 0 admits only empty files
    EXPECT_FALSE(p.IsExcludedBySize(0));
    EXPECT_TRUE(p.IsExcludedBySize(1));

    p.UseLess = false;
    p.UseGreater = true; // a greater bound of 0 admits everything
    EXPECT_FALSE(p.IsExcludedBySize(0));
    EXPECT_FALSE(p.IsExcludedBySize(UINT64_MAX));
}

TEST(SearchParameters, OutlandishMultiplierSaturatesInsteadOfWrapping)
{
    // Only a hand-edited preset can hold a multiplier past gigabytes.
    EXPECT_EQ(SearchParameters::BoundInBytes(1, 7), UINT64_MAX);
    EXPECT_EQ(SearchParameters::BoundInBytes(0xFFFFFFFFu, 4), UINT64_MAX);
    EXPECT_EQ(SearchParameters::BoundInBytes(0, 9), 0u);
    SearchParameters p;
    p.UseLess = true;
    p.LessBound = 1;
    p.LessMultiplier = 9;
    EXPECT_FALSE(p.IsExcludedBySize(UINT64_MAX - 1));
}

TEST(SearchParameters, DateBoundsAreStrictAndInLocalTime)
{
    const FILETIME bound = MakeFileTime(133000000000000000ull);
    FILETIME utcAtBound{};
    ASSERT_TRUE(::LocalFileTimeToFileTime(&bound, &utcAtBound));
    const uint64_t at = FileTimeToUInt64(utcAtBound);
    const FILETIME before = MakeFileTime(at - 10'000'000); // one second earlier
    const FILETIME after = MakeFileTime(at + 10'000'000);
    const FILETIME any = MakeFileTime(at);

    SearchParameters p;
    p.ModifiedAfter = p.ModifiedBefore = p.CreatedAfter = p.CreatedBefore = p.AccessedAfter = p.AccessedBefore = bound;

    p.UseModifiedAfter = true;
    EXPECT_TRUE(p.IsExcludedByDates(any, any, utcAtBound));
    EXPECT_TRUE(p.IsExcludedByDates(any, any, before));
    EXPECT_FALSE(p.IsExcludedByDates(any, any, after));
    p.UseModifiedAfter = false;

    p.UseModifiedBefore = true;
    EXPECT_TRUE(p.IsExcludedByDates(any, any, utcAtBound));
    EXPECT_FALSE(p.IsExcludedByDates(any, any, before));
    p.UseModifiedBefore = false;

    p.UseCreatedAfter = true;
    EXPECT_TRUE(p.IsExcludedByDates(utcAtBound, after, after));
    EXPECT_FALSE(p.IsExcludedByDates(after, utcAtBound, utcAtBound));
    p.UseCreatedAfter = false;

    p.UseAccessedBefore = true;
    EXPECT_TRUE(p.IsExcludedByDates(before, utcAtBound, before));
    EXPECT_FALSE(p.IsExcludedByDates(utcAtBound, before, utcAtBound));
}

// Each of the six tests alone. Every other bound, and every other time of the
// file, sits where it would exclude the file: a test that read the wrong bound
// or the wrong time would show.
TEST(SearchParameters, EachDateTestReadsItsOwnBoundAndTime)
{
    enum Time { Creation, LastAccess, LastWrite };
    const struct {
        bool SearchParameters::*use;
        FILETIME SearchParameters::*bound;
        Time time;
        bool after;
    } tests[] = {
        {&SearchParameters::UseModifiedAfter, &SearchParameters::ModifiedAfter, LastWrite, true},
        {&SearchParameters::UseModifiedBefore, &SearchParameters::ModifiedBefore, LastWrite, false},
        {&SearchParameters::UseCreatedAfter, &SearchParameters::CreatedAfter, Creation, true},
        {&SearchParameters::UseCreatedBefore, &SearchParameters::CreatedBefore, Creation, false},
        {&SearchParameters::UseAccessedAfter, &SearchParameters::AccessedAfter, LastAccess, true},
        {&SearchParameters::UseAccessedBefore, &SearchParameters::AccessedBefore, LastAccess, false},
    };
    const uint64_t at = 133000000000000000ull; // local
    const uint64_t second = 10'000'000;
    for (const auto& test : tests) {
        SearchParameters p;
        p.ModifiedAfter = p.ModifiedBefore = p.CreatedAfter = p.CreatedBefore = p.AccessedAfter = p.AccessedBefore =
            MakeFileTime(at);
        p.*test.use = true;
        p.*test.bound = MakeFileTime(test.after ? at - second : at + second);
        FILETIME times[3];
        for (FILETIME& time : times) {
            time = LocalToUtc(p.*test.bound);
        }
        EXPECT_TRUE(p.IsExcludedByDates(times[Creation], times[LastAccess], times[LastWrite]));
        times[test.time] = LocalToUtc(MakeFileTime(at));
        EXPECT_FALSE(p.IsExcludedByDates(times[Creation], times[LastAccess], times[LastWrite]))
            << "test " << (&test - tests);
    }
}

} // namespace
