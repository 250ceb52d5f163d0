#include "engine/ContentDigest.h"
#include "engine/DuplicateFinder.h"

#include "tests/engine/RecordingCallback.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <random>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

std::string RandomContent(size_t size, uint32_t seed)
{
    std::mt19937 generator(seed);
    std::string content(size, '\0');
    for (char& c : content) {
        c = static_cast<char>(generator());
    }
    return content;
}

} // namespace

// The check Austin Appleby publishes with the function: keys of 0 to 255
// bytes (key i is the bytes 0..i-1) hashed with seed 256 - i, the results
// concatenated and hashed with seed 0.
TEST(MurmurHash3, PassesThePublishedVerification)
{
    uint8_t key[256];
    std::string hashes;
    for (int i = 0; i < 256; ++i) {
        key[i] = static_cast<uint8_t>(i);
        const ContentDigest digest = MurmurHash3_x86_128(key, static_cast<size_t>(i), 256u - i);
        hashes.append(reinterpret_cast<const char*>(digest.data()), digest.size());
    }
    const ContentDigest final = MurmurHash3_x86_128(hashes.data(), hashes.size(), 0);
    const uint32_t verification = final[0] | final[1] << 8 | final[2] << 16 | static_cast<uint32_t>(final[3]) << 24;
    EXPECT_EQ(verification, 0xB3ECE62Au);
}

TEST(MurmurHash3, DigestTextIsLowercaseHexInByteOrder)
{
    ContentDigest digest{};
    digest[0] = 0x01;
    digest[1] = 0xAB;
    digest[15] = 0xF0;
    EXPECT_EQ(DigestText(digest), "01ab00000000000000000000000000f0");
}

// The file is read in pieces; whatever the length, the digest is the
// published function of the whole content with seed 5.
TEST(ComputeContentDigest, EqualsTheOneShotDigestOfTheWholeContent)
{
    TempTree tree;
    DuplicateFinder finder{SearchParameters()};
    RecordingCallback callback;
    for (size_t size :
        std::vector<size_t>{0, 1, 15, 16, 17, 4095, 4096, 4097, 8192, 100000, 3 * ReadPlan{}.chunkSize + 7}) {
        const std::string content = RandomContent(size, static_cast<uint32_t>(size));
        const std::wstring path = tree.MakeFile(L"f" + std::to_wstring(size), content);
        std::string text;
        ASSERT_TRUE(finder.ComputeContentDigest(path, callback, text)) << size;
        EXPECT_EQ(text, DigestText(MurmurHash3_x86_128(content.data(), content.size(), 5))) << size;
        EXPECT_EQ(text.size(), 32u);
    }
}

TEST(ComputeContentDigest, FailsWithEmptyTextForAMissingFileOrAStop)
{
    TempTree tree;
    DuplicateFinder finder{SearchParameters()};
    RecordingCallback callback;
    std::string text = "left over";
    EXPECT_FALSE(finder.ComputeContentDigest(tree.Path(L"missing"), callback, text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(finder.ComputeContentDigest(tree.Root(), callback, text)); // a folder

    const std::wstring path = tree.MakeFile(L"data", std::string(10000, 'x'));
    callback.Stop();
    text = "left over";
    EXPECT_FALSE(finder.ComputeContentDigest(path, callback, text));
    EXPECT_TRUE(text.empty());
    // An empty file is never read, so no stop is noticed while reading it.
    EXPECT_TRUE(finder.ComputeContentDigest(tree.MakeFile(L"empty"), callback, text));
}
