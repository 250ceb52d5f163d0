#include "imaging/Grouping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <set>

using namespace ImageClonarium;

namespace {

// Signs of a pattern whose every coefficient is told apart from zero, with
// `hash` as its bits above zero.
CoefficientSigns Telling(uint64_t hash)
{
    return {hash, ~hash};
}

// A signature whose upright hash is `hash` and whose parts are unrelated to
// it.
Signature Make(uint64_t hash, std::mt19937_64& random, uint8_t tone = 128)
{
    Signature s;
    for (auto& frame : s.Frames) {
        frame = Telling(random());
    }
    s.Frames[0] = Telling(hash);
    s.Tone = {tone, tone, tone};
    return s;
}

uint64_t Upright(const Signature& s)
{
    return s.Frames[0].Positive;
}

// The signature of the picture shown in `orientation`.
Signature Turn(const Signature& s, size_t orientation)
{
    Signature turned = s;
    for (auto& frame : turned.Frames) {
        frame = Oriented(frame, orientation);
    }
    return turned;
}

// The distance of two pictures as whole pictures (in the orientations asked
// for) or as a whole picture and a part of the other (upright, within 3
// bits): the pairs the index must find. Two parts, or a part of a turned
// picture, only hold groups together.
int DirectDistance(const Signature& a, const Signature& b, const Likeness& likeness)
{
    int best = 64;
    for (const uint8_t orientation : ComparedOrientations(likeness)) {
        best = std::min({best, std::popcount(OrientedHashes(a, true).In(orientation)[0] ^ Upright(b)),
            std::popcount(Upright(a) ^ OrientedHashes(b, true).In(orientation)[0])});
    }
    for (size_t crop = 1; crop <= CropCount; ++crop) {
        for (const int bits : {std::popcount(a.Frames[crop].Positive ^ Upright(b)),
                 std::popcount(Upright(a) ^ b.Frames[crop].Positive)}) {
            best = std::min(best, bits <= 3 ? bits + PartPenalty : 64); // parts are sure to be found within 3 bits
        }
    }
    return Distance(a, b, likeness) > 64 ? 65 : best;
}

Likeness Within(int threshold, bool rotations, bool mirrors)
{
    Likeness likeness;
    likeness.Threshold = threshold;
    likeness.Rotations = rotations;
    likeness.Mirrors = mirrors;
    return likeness;
}

// `bits` different bits changed.
uint64_t Flip(uint64_t hash, int bits, std::mt19937_64& random)
{
    uint64_t mask = 0;
    while (std::popcount(mask) < bits) {
        mask |= uint64_t(1) << (random() % 64);
    }
    return hash ^ mask;
}

class StopAfter final : public IGroupingProgress {
public:
    explicit StopAfter(int calls) : left_(calls) { }
    bool Continue(uint64_t done, uint64_t total) override
    {
        EXPECT_LE(done, total);
        return left_-- > 0;
    }
    int Left() const { return left_; }

private:
    int left_;
};

} // namespace

TEST(HashThreshold, FallsAsSimilarityRises)
{
    EXPECT_EQ(HashThreshold(100), 0);
    for (uint16_t s = 1; s < 100; ++s) {
        EXPECT_GE(HashThreshold(s), HashThreshold(uint16_t(s + 1))) << "at " << s;
    }
    EXPECT_EQ(HashThreshold(0), HashThreshold(1));
    EXPECT_EQ(HashThreshold(65535), HashThreshold(100));
    // Far below the distance of unrelated pictures (about 32 bits) even at 1.
    EXPECT_LE(HashThreshold(1), 20);
}

TEST(Distance, CountsDifferingBitsInTheOrientationsAskedFor)
{
    std::mt19937_64 random(1);
    const Likeness upright = Within(10, false, false), turns = Within(10, true, false),
                   mirrors = Within(10, false, true), all = Within(10, true, true);
    const Signature a = Make(0x0123456789ABCDEFull, random);
    Signature b = Make(Upright(a) ^ 0b1011, random);
    EXPECT_EQ(Distance(a, b, upright), 3);
    for (const Likeness& likeness : {turns, mirrors, all}) {
        EXPECT_EQ(Distance(b, a, likeness), Distance(a, b, likeness));
    }

    const Signature turned = Turn(a, 1);
    EXPECT_EQ(Distance(a, turned, turns), 0);
    EXPECT_GT(Distance(a, turned, upright), 10);
    EXPECT_GT(Distance(a, turned, mirrors), 10);

    // Mirrors alone count the left-to-right mirror image (4) only: the half
    // turn (2) and the top-to-bottom mirror (6, the half turn of 4) count with
    // rotations, as do the turned mirror images (5, 7).
    for (size_t orientation = 1; orientation < Orientations; ++orientation) {
        const Signature other = Turn(a, orientation);
        const bool mirror = orientation >= FirstMirrored;
        EXPECT_EQ(Distance(a, other, all), 0) << orientation;
        EXPECT_EQ(Distance(a, other, mirrors) == 0, orientation == FirstMirrored) << orientation;
        EXPECT_EQ(Distance(a, other, turns) == 0, !mirror) << orientation;
    }

    b.Tone = {128, 128, uint8_t(128 + ToneTolerance + 1)};
    EXPECT_GT(Distance(a, b, upright), 64) << "different colours are never alike";
}

// A copy cut down shows a part of the picture whole; two copies cut down
// differently share a part. Parts count in the orientations asked for.
TEST(Distance, FindsPartsOfOnePictureInTheOrientationsAskedFor)
{
    std::mt19937_64 random(5);
    const Likeness upright = Within(10, false, false), turns = Within(10, true, false);
    const Signature a = Make(random(), random);
    const Signature cut = Make(a.Frames[3].Positive ^ 0b111, random);
    EXPECT_EQ(Distance(a, cut, upright), 3 + PartPenalty);
    EXPECT_EQ(Distance(cut, a, upright), 3 + PartPenalty);
    Signature cutOtherwise = Make(random(), random);
    cutOtherwise.Frames[5] = a.Frames[2];
    EXPECT_EQ(Distance(a, cutOtherwise, upright), PartPenalty);
    const Signature turnedCut = Make(Oriented(a.Frames[6], 3).Positive, random);
    EXPECT_GT(Distance(a, turnedCut, upright), 10);
    EXPECT_EQ(Distance(a, turnedCut, turns), PartPenalty);
    EXPECT_EQ(Distance(turnedCut, a, turns), PartPenalty);
}

TEST(GroupAlike, NeverChainsUnlikePicturesThroughAlikeOnes)
{
    std::mt19937_64 random(2);
    // a ~ b and b ~ c at 8 bits each, but a and c 16 bits apart.
    const uint64_t a = random();
    const uint64_t b = a ^ 0x00000000000000FFull;
    const uint64_t c = b ^ 0x000000000000FF00ull;
    const std::vector<Signature> signatures = {Make(a, random), Make(b, random), Make(c, random)};
    Likeness likeness;
    likeness.Threshold = 10;
    Groups groups;
    ASSERT_TRUE(GroupAlike(signatures, likeness, nullptr, groups));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].size(), 2u);
    EXPECT_EQ(std::count(groups[0].begin(), groups[0].end(), 1u), 1) << "b is in the pair";
}

// Over random families, with the index: every group holds pictures alike to
// each other, and no two pictures left out of every group are alike (the
// index missed no neighbour).
TEST(GroupAlike, GroupsAreAlikeThroughoutAndNoAlikePairIsLeftOut)
{
    std::mt19937_64 random(3);
    std::vector<Signature> signatures;
    for (int family = 0; family < 150; ++family) {
        // The first member is the base picture itself; the others are copies
        // with bits changed, or copies cut down to one of its parts.
        const Signature base = Make(random(), random, uint8_t(100 + random() % 40));
        const int members = 1 + int(random() % 4);
        for (int m = 0; m < members; ++m) {
            const bool cut = m > 0 && random() % 4 == 0;
            const uint64_t shown = cut ? base.Frames[1 + random() % CropCount].Positive : Upright(base);
            Signature s = Make(
                Flip(shown, m == 0 ? 0 : int(random() % (cut ? 4 : 14)), random), random, uint8_t(100 + random() % 40));
            if (random() % 3 == 0) {
                s = Turn(s, 1 + random() % 3);
            }
            if (random() % 4 == 0) {
                s = Turn(s, FirstMirrored);
            }
            signatures.push_back(s);
        }
    }
    std::shuffle(signatures.begin(), signatures.end(), random);

    for (const int threshold : {HashThreshold(85), HashThreshold(60), HashThreshold(95)}) {
        for (const int mode : {0, 1, 2, 3}) {
            const Likeness likeness = Within(threshold, mode & 1, mode & 2);
            Groups groups;
            ASSERT_TRUE(GroupAlike(signatures, likeness, nullptr, groups));
            std::vector<bool> grouped(signatures.size());
            size_t previousFirst = 0;
            for (const auto& group : groups) {
                ASSERT_GE(group.size(), 2u);
                EXPECT_TRUE(std::is_sorted(group.begin(), group.end()));
                EXPECT_GE(group.front(), previousFirst);
                previousFirst = group.front();
                for (size_t i = 0; i < group.size(); ++i) {
                    ASSERT_FALSE(grouped[group[i]]) << "picture in two groups";
                    grouped[group[i]] = true;
                    for (size_t j = i + 1; j < group.size(); ++j) {
                        EXPECT_LE(Distance(signatures[group[i]], signatures[group[j]], likeness), threshold);
                    }
                }
            }
            size_t alikePairs = 0;
            for (size_t i = 0; i < signatures.size(); ++i) {
                for (size_t j = i + 1; j < signatures.size(); ++j) {
                    const bool alike = DirectDistance(signatures[i], signatures[j], likeness) <= threshold;
                    alikePairs += alike;
                    EXPECT_FALSE(alike && !grouped[i] && !grouped[j])
                        << i << " and " << j << " are alike but in no group (threshold " << threshold << ", mode "
                        << mode << ")";
                }
            }
            EXPECT_GT(alikePairs, 5u) << "the families are there to be found (threshold " << threshold << ", mode "
                                      << mode << ")";
        }
    }
}

// A copy cut down shows only a part of its original: the index finds it
// through that part, whatever its whole pattern.
TEST(GroupAlike, CopiesCutDownAreFoundThroughTheirParts)
{
    std::mt19937_64 random(7);
    std::vector<Signature> signatures;
    for (int original = 0; original < 300; ++original) {
        const Signature whole = Make(random(), random);
        const uint64_t part = whole.Frames[1 + random() % CropCount].Positive;
        signatures.push_back(whole);
        signatures.push_back(Make(Flip(part, int(random() % 4), random), random));
    }
    Groups groups;
    ASSERT_TRUE(GroupAlike(signatures, Within(HashThreshold(85), true, true), nullptr, groups));
    ASSERT_EQ(groups.size(), 300u);
    for (const auto& group : groups) {
        EXPECT_EQ(group, (std::vector<uint32_t>{group[0], group[0] + 1})) << group[0];
    }
}

TEST(GroupAlike, IdenticalSignaturesFormOneGroup)
{
    std::mt19937_64 random(4);
    const Signature same = Make(random(), random);
    std::vector<Signature> signatures(50, same);
    signatures.push_back(Make(random(), random));
    Likeness likeness;
    likeness.Threshold = 0;
    Groups groups;
    ASSERT_TRUE(GroupAlike(signatures, likeness, nullptr, groups));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].size(), 50u);
}

// Two pictures of the same whole pattern may still differ in their parts: a
// third alike to one of them only through a part must not join the other.
TEST(GroupAlike, SameWholePatternDoesNotMakeThePartsAlike)
{
    std::mt19937_64 random(6);
    const Signature b = Make(random(), random);
    const Signature a = Make(Upright(b), random);
    const Signature c = Make(b.Frames[3].Positive, random);
    const std::vector<Signature> signatures = {c, b, a};
    Likeness likeness;
    likeness.Threshold = HashThreshold(85);
    ASSERT_GT(Distance(a, c, likeness), likeness.Threshold);
    ASSERT_LE(Distance(b, c, likeness), likeness.Threshold);
    Groups groups;
    ASSERT_TRUE(GroupAlike(signatures, likeness, nullptr, groups));
    ASSERT_EQ(groups.size(), 1u);
    // b with a or with c (the pairs are equally close), never all three.
    EXPECT_EQ(groups[0].size(), 2u);
    EXPECT_EQ(std::count(groups[0].begin(), groups[0].end(), 1u), 1);
}

TEST(GroupAlike, StopsWhenProgressSaysSo)
{
    std::mt19937_64 random(5);
    std::vector<Signature> signatures;
    for (int i = 0; i < 5000; ++i) {
        signatures.push_back(Make(random(), random));
        signatures.push_back(Make(Flip(Upright(signatures.back()), 2, random), random));
    }
    Likeness likeness;
    likeness.Threshold = HashThreshold(85);
    Groups groups;
    StopAfter stopAtOnce(0);
    EXPECT_FALSE(GroupAlike(signatures, likeness, &stopAtOnce, groups));
    EXPECT_TRUE(groups.empty());
    StopAfter stopHalfway(3000);
    EXPECT_FALSE(GroupAlike(signatures, likeness, &stopHalfway, groups));
    EXPECT_TRUE(groups.empty());
    StopAfter never(1 << 30);
    EXPECT_TRUE(GroupAlike(signatures, likeness, &never, groups));
    EXPECT_GE(groups.size(), 4900u);
    // A stop at the very last call leaves no groups either.
    const int calls = (1 << 30) - never.Left();
    StopAfter stopAtTheEnd(calls - 1);
    EXPECT_FALSE(GroupAlike(signatures, likeness, &stopAtTheEnd, groups));
    EXPECT_TRUE(groups.empty());
}
