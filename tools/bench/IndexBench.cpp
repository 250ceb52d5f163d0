// imaging-index-bench [COUNT] [RUNS] [SIMILARITY]
// Times the grouping of COUNT (default 100,000) synthetic picture signatures:
// three in ten belong to planted families of four (a base pattern, a copy
// with up to 6 bits changed, one turned by one to three quarters and one
// mirrored, turned or not, each with up to 4 bits changed); the rest are
// unrelated. Prints the median time of RUNS runs (default 5) at SIMILARITY
// (default 85) with rotations and mirrors each on and off, how many planted
// families came out whole (with the members in orientations that count), and
// the time of all eight orientations against the four turns alone.
#include "imaging/Grouping.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <span>
#include <vector>

using namespace ImageClonarium;

namespace {

uint64_t RandomPattern(std::mt19937_64& random)
{
    // Like a real hash: 32 of the 64 bits set.
    uint64_t hash = 0;
    while (std::popcount(hash) < 32) {
        hash |= uint64_t(1) << (random() % 64);
    }
    return hash;
}

// Every coefficient of the upright pattern told apart from zero: its
// positive bits are its hash.
CoefficientSigns Telling(uint64_t hash)
{
    return {hash, ~hash};
}

CoefficientSigns Flip(const CoefficientSigns& signs, int bits, std::mt19937_64& random)
{
    uint64_t flipped = 0;
    for (int i = 0; i < bits; ++i) {
        flipped ^= uint64_t(1) << (random() % 64);
    }
    return {signs.Positive ^ flipped, signs.Negative ^ flipped};
}

Signature RandomSignature(std::mt19937_64& random)
{
    Signature s;
    for (auto& frame : s.Frames) {
        frame = Telling(RandomPattern(random));
    }
    for (auto& tone : s.Tone) {
        tone = uint8_t(random() % 256);
    }
    return s;
}

// The signature of `base` shown in `orientation`: turned clockwise by
// orientation % 4 quarters, then mirrored when orientation >= 4.
Signature InOrientation(const Signature& base, size_t orientation)
{
    Signature s = base;
    for (auto& frame : s.Frames) {
        frame = Oriented(frame, orientation);
    }
    return s;
}

struct Member {
    uint32_t Position;
    size_t Orientation;
};

struct Set {
    std::vector<Signature> Signatures;
    std::vector<std::vector<Member>> Families; // base, copy, turned copy, mirrored copy
};

Set MakeSet(size_t count, uint64_t seed)
{
    std::mt19937_64 random(seed);
    Set set;
    const size_t familyMembers = count * 3 / 10 / 4 * 4;
    while (set.Signatures.size() < familyMembers) {
        const Signature base = RandomSignature(random);
        Signature copy = base;
        copy.Frames[0] = Flip(base.Frames[0], int(random() % 7), random);
        const size_t turn = 1 + random() % 3;
        Signature turned = InOrientation(base, turn);
        turned.Frames[0] = Flip(turned.Frames[0], int(random() % 5), random);
        const size_t mirror = FirstMirrored + random() % 4;
        Signature mirrored = InOrientation(base, mirror);
        mirrored.Frames[0] = Flip(mirrored.Frames[0], int(random() % 5), random);
        const uint32_t first = uint32_t(set.Signatures.size());
        set.Signatures.insert(set.Signatures.end(), {base, copy, turned, mirrored});
        set.Families.push_back({{first, 0}, {first + 1, 0}, {first + 2, turn}, {first + 3, mirror}});
    }
    while (set.Signatures.size() < count) {
        set.Signatures.push_back(RandomSignature(random));
    }
    // Shuffle, keeping track of where the families went.
    std::vector<uint32_t> place(count);
    for (uint32_t i = 0; i < count; ++i) {
        place[i] = i;
    }
    std::shuffle(place.begin(), place.end(), random);
    std::vector<Signature> shuffled(count);
    for (uint32_t i = 0; i < count; ++i) {
        shuffled[place[i]] = set.Signatures[i];
    }
    set.Signatures = std::move(shuffled);
    for (auto& family : set.Families) {
        for (auto& member : family) {
            member.Position = place[member.Position];
        }
    }
    return set;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const int similarity = argc > 3 ? std::atoi(argv[3]) : 85;
    const Set set = MakeSet(count, 20240611);
    std::printf("imaging-index-bench: %zu signatures of %zu bytes, %zu planted families of 4, %d runs each\n", count,
        sizeof(Signature), set.Families.size(), runs);
    // The modes take turns within each run, so that a change of the
    // machine's load falls on all of them alike.
    struct Mode {
        Likeness Compared;
        std::vector<double> Seconds;
        Groups Found;
    };
    std::vector<Mode> modes;
    for (const bool mirrors : {false, true}) {
        for (const bool rotations : {true, false}) {
            Mode& mode = modes.emplace_back();
            mode.Compared.Threshold = HashThreshold(static_cast<uint16_t>(similarity));
            mode.Compared.Rotations = rotations;
            mode.Compared.Mirrors = mirrors;
        }
    }
    for (int run = 0; run < runs; ++run) {
        for (Mode& mode : modes) {
            const auto start = std::chrono::steady_clock::now();
            GroupAlike(set.Signatures, mode.Compared, nullptr, mode.Found);
            mode.Seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }
    double fourTurns = 0, allEight = 0;
    for (const Mode& mode : modes) {
        const std::span<const uint8_t> compared = ComparedOrientations(mode.Compared);
        const std::set<std::vector<uint32_t>> found(mode.Found.begin(), mode.Found.end());
        size_t whole = 0;
        for (const auto& family : set.Families) {
            std::vector<uint32_t> expected;
            for (const Member& member : family) {
                if (std::find(compared.begin(), compared.end(), member.Orientation) != compared.end()) {
                    expected.push_back(member.Position);
                }
            }
            std::sort(expected.begin(), expected.end());
            whole += found.count(expected);
        }
        const double median = Median(mode.Seconds);
        if (mode.Compared.Rotations) {
            (mode.Compared.Mirrors ? allEight : fourTurns) = median;
        }
        std::printf("similarity %d, rotations %-3s, mirrors %-3s: median %.3f s (min %.3f, max %.3f); "
                    "%zu groups, %zu of %zu families whole\n",
            similarity, mode.Compared.Rotations ? "on" : "off", mode.Compared.Mirrors ? "on" : "off", median,
            *std::min_element(mode.Seconds.begin(), mode.Seconds.end()),
            *std::max_element(mode.Seconds.begin(), mode.Seconds.end()), mode.Found.size(), whole, set.Families.size());
    }
    std::printf("eight orientations / four turns: %.2fx\n", allEight / fourTurns);
    return 0;
}
