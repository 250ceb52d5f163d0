// imaging-index-bench [COUNT] [RUNS] [SIMILARITY]
// Times the grouping of COUNT (default 100,000) synthetic picture signatures:
// three in ten belong to planted families of three (a base pattern, a copy
// with up to 6 bits changed, and one turned by a quarter with up to 4 bits
// changed); the rest are unrelated. Prints the median time of RUNS runs
// (default 5) at SIMILARITY (default 85) with rotations on and off, and how many
// planted families came out whole (without their turned member when
// rotations are off).
#include "imaging/Grouping.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
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

uint64_t Flip(uint64_t hash, int bits, std::mt19937_64& random)
{
    for (int i = 0; i < bits; ++i) {
        hash ^= uint64_t(1) << (random() % 64);
    }
    return hash;
}

Signature RandomSignature(std::mt19937_64& random)
{
    Signature s;
    for (auto& hash : s.Hashes) {
        hash = RandomPattern(random);
    }
    for (auto& tone : s.Tone) {
        tone = uint8_t(random() % 256);
    }
    return s;
}

struct Set {
    std::vector<Signature> Signatures;
    std::vector<std::vector<uint32_t>> Families; // base, copy, turned copy
};

Set MakeSet(size_t count, uint64_t seed)
{
    std::mt19937_64 random(seed);
    Set set;
    const size_t familyMembers = count * 3 / 10 / 3 * 3;
    while (set.Signatures.size() < familyMembers) {
        const Signature base = RandomSignature(random);
        Signature copy = base;
        copy.Hashes[0] = Flip(base.Hashes[0], int(random() % 7), random);
        Signature turned = base;
        std::rotate(turned.Hashes.begin(), turned.Hashes.begin() + 1 + random() % 3, turned.Hashes.end());
        turned.Hashes[0] = Flip(turned.Hashes[0], int(random() % 5), random);
        const uint32_t first = uint32_t(set.Signatures.size());
        set.Signatures.insert(set.Signatures.end(), {base, copy, turned});
        set.Families.push_back({first, first + 1, first + 2});
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
            member = place[member];
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
    std::printf("imaging-index-bench: %zu signatures, %zu planted families of 3, %d runs each\n", count,
        set.Families.size(), runs);
    for (const bool rotations : {true, false}) {
        Likeness likeness;
        likeness.Threshold = HashThreshold(static_cast<uint16_t>(similarity));
        likeness.Rotations = rotations;
        std::vector<double> seconds;
        Groups groups;
        for (int run = 0; run < runs; ++run) {
            const auto start = std::chrono::steady_clock::now();
            GroupAlike(set.Signatures, likeness, nullptr, groups);
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        const std::set<std::vector<uint32_t>> found(groups.begin(), groups.end());
        size_t whole = 0;
        for (auto family : set.Families) {
            if (!rotations) {
                family.pop_back();
            }
            std::sort(family.begin(), family.end());
            whole += found.count(family);
        }
        std::printf("similarity %d, rotations %-3s: median %.3f s (min %.3f, max %.3f); %zu groups, "
                    "%zu of %zu families whole\n",
            similarity, rotations ? "on" : "off", Median(seconds), *std::min_element(seconds.begin(), seconds.end()),
            *std::max_element(seconds.begin(), seconds.end()), groups.size(), whole, set.Families.size());
    }
    return 0;
}
