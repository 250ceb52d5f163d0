#include "imaging/Grouping.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <numeric>
#include <optional>
#include <tuple>

namespace ImageClonarium {

// The similarity percentage maps onto the number of differing hash bits:
//   100 -> 0 (the same pattern), then 2 bits for every 3 points down to
//   85 -> 10 (the default), then 1 bit for every 12 points down to 1 -> 17.
// Copies that were resized, recompressed, converted or slightly brightened
// mostly differ in fewer than 8 bits; different pictures in about 32, rarely
// fewer than 18 (measured on the picture set of tools/bench). The steep part
// lies where copies and different pictures separate; below the default the threshold widens slowly, since beyond about 20 bits
// unrelated pictures match by chance and every picture becomes everyone's
// neighbour.
int HashThreshold(uint16_t similarity)
{
    const int percent = std::clamp<int>(similarity, 1, 100);
    if (percent >= 85) {
        return ((100 - percent) * 2 + 1) / 3;
    }
    return 10 + (85 - percent + 6) / 12;
}

std::span<const uint8_t> ComparedOrientations(const Likeness& likeness)
{
    static constexpr uint8_t upright[] = {0};
    static constexpr uint8_t turns[] = {0, 1, 2, 3};
    static constexpr uint8_t mirrors[] = {0, FirstMirrored};
    static constexpr uint8_t all[] = {0, 1, 2, 3, 4, 5, 6, 7};
    if (likeness.Mirrors) {
        return likeness.Rotations ? std::span<const uint8_t>(all) : std::span<const uint8_t>(mirrors);
    }
    return likeness.Rotations ? std::span<const uint8_t>(turns) : std::span<const uint8_t>(upright);
}

namespace {

// Bits in which `a` in the compared orientations (`orientedA`) differs from
// `b` upright, counted as if all 64 coefficients told: a coefficient near
// zero in both pictures hashes alike in both, so two symmetric pictures, half
// of whose coefficients are zero, would otherwise agree in half their bits
// whatever they show. Either picture may be a part of the other cut down; with
// `parts`, both may be parts of one picture cut down differently. Inlined
// into each of the callers below, so that its bit counts use the processor's
// instruction where it has one.
[[gnu::always_inline]] inline int OneWayDistance(
    const Signature& a, const OrientedHashes& orientedA, const Signature& b, const Likeness& likeness, bool parts)
{
    // The fewest differing bits for each frame of `a` against each of `b`
    // (frame 0 the whole picture, 1 + k part k), scaled once at the end.
    std::array<std::array<int, 1 + CropCount>, 1 + CropCount> fewest;
    for (auto& row : fewest) {
        row.fill(64);
    }
    auto note = [&](size_t frameOfA, size_t frameOfB, uint64_t x) {
        const int bits = std::popcount(x ^ b.Frames[frameOfB].Positive);
        fewest[frameOfA][frameOfB] = std::min(fewest[frameOfA][frameOfB], bits);
    };
    for (const uint8_t orientation : ComparedOrientations(likeness)) {
        const FrameHashes hashes = orientedA.In(orientation);
        note(0, 0, hashes[0]);
        for (size_t crop = 1; crop <= CropCount; ++crop) {
            note(crop, 0, hashes[crop]);
            note(0, crop, hashes[0]);
            for (size_t other = 1; parts && other <= CropCount; ++other) {
                note(crop, other, hashes[crop]);
            }
        }
    }
    // How many coefficients of each frame are not near zero (the same in
    // every orientation).
    std::array<int, 1 + CropCount> tellingA, tellingB;
    for (size_t frame = 0; frame <= CropCount; ++frame) {
        tellingA[frame] = std::popcount(a.Frames[frame].Positive | a.Frames[frame].Negative);
        tellingB[frame] = std::popcount(b.Frames[frame].Positive | b.Frames[frame].Negative);
    }
    int best = 64;
    for (size_t frameOfA = 0; frameOfA <= CropCount; ++frameOfA) {
        for (size_t frameOfB = 0; frameOfB <= CropCount; ++frameOfB) {
            const int telling = std::max({tellingA[frameOfA], tellingB[frameOfB], 1});
            const int penalty = frameOfA == 0 && frameOfB == 0 ? 0 : PartPenalty;
            best = std::min(best, fewest[frameOfA][frameOfB] * 64 / telling + penalty);
        }
    }
    return best;
}

[[gnu::always_inline]] inline int MeasureDistance(const Signature& a, const Signature& b, const Likeness& likeness)
{
    for (size_t channel = 0; channel < 3; ++channel) {
        if (std::abs(int(a.Tone[channel]) - int(b.Tone[channel])) > ToneTolerance) {
            return 65;
        }
    }
    // Both ways round: a coefficient near zero hashes alike in every
    // orientation, so `a` turned is not quite `b` turned back. Parts of both
    // (six times six comparisons an orientation) only when nothing else
    // makes the pictures alike: nearly every pair measured is alike already.
    const OrientedHashes orientedA(a, likeness.Rotations), orientedB(b, likeness.Rotations);
    const int direct =
        std::min(OneWayDistance(a, orientedA, b, likeness, false), OneWayDistance(b, orientedB, a, likeness, false));
    if (direct <= likeness.Threshold) {
        return direct;
    }
    return std::min(OneWayDistance(a, orientedA, b, likeness, true), OneWayDistance(b, orientedB, a, likeness, true));
}

__attribute__((target("popcnt"))) int DistancePopcnt(const Signature& a, const Signature& b, const Likeness& likeness)
{
    return MeasureDistance(a, b, likeness);
}

int DistancePortable(const Signature& a, const Signature& b, const Likeness& likeness)
{
    return MeasureDistance(a, b, likeness);
}

const auto distance = __builtin_cpu_supports("popcnt") ? DistancePopcnt : DistancePortable;

} // namespace

int Distance(const Signature& a, const Signature& b, const Likeness& likeness)
{
    return distance(a, b, likeness);
}

namespace {

constexpr int Pieces = 4; // 16-bit pieces of a 64-bit hash
constexpr uint32_t PieceValues = 65536;
constexpr size_t PrefetchAhead = 8;

// Nearly all the work: counting differing bits over runs of hashes. The
// processor's own bit count instruction makes it several times faster, and
// counting four hashes at once with AVX2 (a table of the bits in each half
// byte) faster again; each is used where the processor has it.
void AppendNearPortable(
    const uint64_t* hashes, uint32_t begin, uint32_t end, uint64_t hash, int threshold, std::vector<uint32_t>& near)
{
    for (uint32_t position = begin; position < end; ++position) {
        if (std::popcount(hashes[position] ^ hash) <= threshold) {
            near.push_back(position);
        }
    }
}

__attribute__((target("popcnt"))) void AppendNearPopcnt(
    const uint64_t* hashes, uint32_t begin, uint32_t end, uint64_t hash, int threshold, std::vector<uint32_t>& near)
{
    for (uint32_t position = begin; position < end; ++position) {
        if (__builtin_popcountll(hashes[position] ^ hash) <= threshold) {
            near.push_back(position);
        }
    }
}

__attribute__((target("avx2,popcnt"))) void AppendNearAvx2(
    const uint64_t* hashes, uint32_t begin, uint32_t end, uint64_t hash, int threshold, std::vector<uint32_t>& near)
{
    const __m256i query = _mm256_set1_epi64x(static_cast<long long>(hash));
    const __m256i lowHalves = _mm256_set1_epi8(0x0F);
    const __m256i bitsInHalf = _mm256_setr_epi8(
        0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
    const __m256i limit = _mm256_set1_epi64x(threshold);
    uint32_t position = begin;
    for (; position + 4 <= end; position += 4) {
        const __m256i differ =
            _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(hashes + position)), query);
        const __m256i perByte = _mm256_add_epi8(_mm256_shuffle_epi8(bitsInHalf, _mm256_and_si256(differ, lowHalves)),
            _mm256_shuffle_epi8(bitsInHalf, _mm256_and_si256(_mm256_srli_epi16(differ, 4), lowHalves)));
        const __m256i perHash = _mm256_sad_epu8(perByte, _mm256_setzero_si256());
        unsigned alike = ~_mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpgt_epi64(perHash, limit))) & 0xFu;
        for (; alike != 0; alike &= alike - 1) {
            near.push_back(position + uint32_t(std::countr_zero(alike)));
        }
    }
    AppendNearPopcnt(hashes, position, end, hash, threshold, near);
}

const auto appendNear = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") ? AppendNearAvx2
                        : __builtin_cpu_supports("popcnt")                                 ? AppendNearPopcnt
                                                                                           : AppendNearPortable;

uint16_t Piece(uint64_t hash, int piece)
{
    return uint16_t(hash >> (16 * piece));
}

// The index rests on a counting argument. Cut a 64-bit hash into four 16-bit
// pieces. When two hashes differ in at most `threshold` bits, those bits fall
// into four pieces, so one piece at least holds no more than threshold / 4 of
// them (were every piece to hold threshold / 4 + 1 or more, there would be
// more than `threshold` in all). Hence every neighbour of a hash agrees with
// it, in some piece, up to a flip of at most threshold / 4 bits: looking up,
// piece by piece, each value that far from the hash's own piece finds every
// neighbour, and nothing else need be looked at. At the default threshold of
// 10 that is 1 + 16 + 120 piece values per piece, 548 short buckets in all,
// instead of every other hash.
//
// Per piece the entries are sorted by that piece's value (a counting sort),
// and `bucketStarts_` gives where each value's run begins, so a bucket is
// one slice. The whole hash is kept beside each entry so that most
// candidates of a bucket are turned away at once, by one bit count.
class MultiIndex {
public:
    struct Entry {
        uint64_t Hash;
        uint32_t Unit;
    };

    explicit MultiIndex(const std::vector<Entry>& entries)
    {
        for (int piece = 0; piece < Pieces; ++piece) {
            // bucketStarts[v + 1] first counts the entries whose piece is v;
            // the running sum turns the counts into starts.
            auto& bucketStarts = bucketStarts_[piece];
            bucketStarts.assign(PieceValues + 1, 0);
            for (const Entry& entry : entries) {
                ++bucketStarts[Piece(entry.Hash, piece) + 1];
            }
            std::partial_sum(bucketStarts.begin(), bucketStarts.end(), bucketStarts.begin());
            hashes_[piece].resize(entries.size());
            units_[piece].resize(entries.size());
            std::vector<uint32_t> nextFree(bucketStarts.begin(), bucketStarts.end() - 1);
            for (const Entry& entry : entries) {
                const uint32_t position = nextFree[Piece(entry.Hash, piece)]++;
                hashes_[piece][position] = entry.Hash;
                units_[piece][position] = entry.Unit;
            }
        }
    }

    // Calls visit(unit) for each unit within `threshold` bits of `hash`
    // (some more than once), looking at the piece values that differ by one
    // of `flips`; stops early when visit returns false.
    template <typename Visit>
    bool ForEachNear(uint64_t hash, int threshold, const std::vector<uint16_t>& flips, Visit&& visit)
    {
        for (int piece = 0; piece < Pieces; ++piece) {
            const uint16_t ownValue = Piece(hash, piece);
            const std::vector<uint32_t>& bucketStarts = bucketStarts_[piece];
            const uint64_t* hashes = hashes_[piece].data();
            for (size_t f = 0; f < flips.size(); ++f) {
                // The buckets lie far apart in memory: the one a few flips
                // ahead is asked for while this one is counted.
                if (f + PrefetchAhead < flips.size()) {
                    __builtin_prefetch(hashes + bucketStarts[uint16_t(ownValue ^ flips[f + PrefetchAhead])]);
                }
                const uint32_t value = uint16_t(ownValue ^ flips[f]);
                candidates_.clear();
                appendNear(hashes, bucketStarts[value], bucketStarts[value + 1], hash, threshold, candidates_);
                for (uint32_t position : candidates_) {
                    if (!visit(units_[piece][position])) {
                        return false;
                    }
                }
            }
        }
        return true;
    }

private:
    std::array<std::vector<uint32_t>, Pieces> bucketStarts_; // PieceValues + 1 each
    // Per piece, the entries ordered by piece value: hashes apart from units,
    // since nearly every hash looked at is turned away.
    std::array<std::vector<uint64_t>, Pieces> hashes_;
    std::array<std::vector<uint32_t>, Pieces> units_;
    std::vector<uint32_t> candidates_; // scratch of ForEachNear
};

// Every 16-bit mask with at most `bits` bits set.
std::vector<uint16_t> FlipsUpTo(int bits)
{
    std::vector<uint16_t> flips;
    for (uint32_t mask = 0; mask < PieceValues; ++mask) {
        if (std::popcount(mask) <= bits) {
            flips.push_back(uint16_t(mask));
        }
    }
    std::sort(flips.begin(), flips.end(), [](uint16_t a, uint16_t b) { return std::popcount(a) < std::popcount(b); });
    return flips;
}

// Two alike units and the hash bits they differ in.
struct Edge {
    uint32_t Lower, Higher; // units, Lower < Higher
    uint8_t Bits;
    auto operator<=>(const Edge&) const = default;
};

// Throttles the progress calls: the caller's should-stop is asked on a timer
// of its own, but it is worth calling often enough.
class ProgressThrottle {
public:
    ProgressThrottle(IGroupingProgress* progress, uint64_t total) : progress_(progress), total_(total) { }
    bool At(uint64_t done) { return !progress_ || progress_->Continue(done, total_); }
    // For inner loops: every 4096 units of work.
    bool Tick(uint64_t done) { return (++work_ & 4095) != 0 || At(done); }

private:
    IGroupingProgress* progress_;
    uint64_t total_;
    uint64_t work_ = 0;
};

// Pictures with the same signature form one unit: they are alike to each
// other and have the same distance to everyone else. Every orientation
// counts: the same upright hash alone says nothing of the turned ones.
struct Units {
    std::vector<std::vector<uint32_t>> Members; // positions in the signature list
    std::vector<const Signature*> Signatures;
    uint32_t Count() const { return uint32_t(Members.size()); }
};

Units MakeUnits(const std::vector<Signature>& signatures)
{
    std::vector<uint32_t> order(signatures.size());
    std::iota(order.begin(), order.end(), 0u);
    auto key = [&](uint32_t position) -> const Signature& { return signatures[position]; };
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
    Units units;
    for (size_t rank = 0; rank < order.size(); ++rank) {
        if (rank == 0 || key(order[rank]) != key(order[rank - 1])) {
            units.Members.emplace_back();
            units.Signatures.push_back(&signatures[order[rank]]);
        }
        units.Members.back().push_back(order[rank]);
    }
    return units;
}

// Every pair of alike units, closest first, through two indexes asked with
// upright hashes only. One holds every compared orientation of every unit: a
// pair alike through a turn or mirror image of one side is found when the
// other side asks. The other holds the upright parts of every unit, which a
// copy cut down matches within a few bits (at most 3 on the photographs of
// tools/bench, and PartPenalty more are counted): it is looked up with the
// pieces as they are, no bit flipped. Of four pieces one holds none of three
// differing bits, so every part within 3 bits is found, and most further
// (three in four of those 5 bits away); one bit flipped a piece would find
// every part within 7 bits, at 17 times the lookups and a third of the
// grouping's time. False when the progress asked to stop.
bool FindAlikePairs(const Units& units, const Likeness& likeness, ProgressThrottle& throttle, std::vector<Edge>& edges)
{
    const uint32_t count = units.Count();
    const std::span<const uint8_t> orientations = ComparedOrientations(likeness);
    std::vector<MultiIndex::Entry> entries;
    entries.reserve(count * std::max(orientations.size(), CropCount));
    for (uint32_t unit = 0; unit < count; ++unit) {
        for (const uint8_t orientation : orientations) {
            entries.push_back({Oriented(units.Signatures[unit]->Frames[0], orientation).Positive, unit});
        }
    }
    MultiIndex wholes(entries);
    entries.clear();
    for (uint32_t unit = 0; unit < count; ++unit) {
        for (size_t crop = 1; crop <= CropCount; ++crop) {
            entries.push_back({units.Signatures[unit]->Frames[crop].Positive, unit});
        }
    }
    MultiIndex parts(entries);
    entries = {};
    const std::vector<uint16_t> flips = FlipsUpTo(likeness.Threshold / Pieces);
    const std::vector<uint16_t> partFlips = FlipsUpTo(0);
    // The unit that last measured its distance to each unit: a unit met
    // again through another piece or turn is not measured twice.
    std::vector<uint32_t> measuredBy(count, UINT32_MAX);
    for (uint32_t unit = 0; unit < count; ++unit) {
        if (!throttle.At(unit)) {
            return false;
        }
        const Signature& own = *units.Signatures[unit];
        auto measure = [&](uint32_t other) {
            if (other != unit && measuredBy[other] != unit) {
                measuredBy[other] = unit;
                const int bits = Distance(own, *units.Signatures[other], likeness);
                if (bits <= likeness.Threshold) {
                    edges.push_back({std::min(unit, other), std::max(unit, other), uint8_t(bits)});
                }
            }
            return throttle.Tick(unit);
        };
        const uint64_t upright = own.Frames[0].Positive;
        if (!wholes.ForEachNear(upright, likeness.Threshold, flips, measure) ||
            !parts.ForEachNear(upright, likeness.Threshold, partFlips, measure)) {
            return false;
        }
    }
    // A pair is usually found from both sides.
    std::sort(edges.begin(), edges.end(), [](const Edge& x, const Edge& y) {
        return std::tie(x.Bits, x.Lower, x.Higher) < std::tie(y.Bits, y.Lower, y.Higher);
    });
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return true;
}

// Clusters of units from the pairs, closest pairs first; two clusters join
// only when every member of one is alike to every member of the other, so a
// run of pairwise-alike pictures never chains unlike ones together. False
// when the progress asked to stop.
bool JoinClusters(const Units& units, const std::vector<Edge>& edges, const Likeness& likeness,
    ProgressThrottle& throttle, std::vector<std::vector<uint32_t>>& clusterUnits)
{
    // A cluster is named by the number of one unit of it; every unit starts
    // as a cluster of its own.
    const uint32_t count = units.Count();
    std::vector<uint32_t> clusterOf(count);
    std::iota(clusterOf.begin(), clusterOf.end(), 0u);
    clusterUnits.assign(count, {});
    for (uint32_t unit = 0; unit < count; ++unit) {
        clusterUnits[unit] = {unit};
    }
    // Nothing when the progress asked to stop meanwhile.
    auto allAlike = [&](uint32_t first, uint32_t second, uint64_t done) -> std::optional<bool> {
        for (uint32_t firstUnit : clusterUnits[first]) {
            for (uint32_t secondUnit : clusterUnits[second]) {
                if (!throttle.Tick(done)) {
                    return std::nullopt;
                }
                if (Distance(*units.Signatures[firstUnit], *units.Signatures[secondUnit], likeness) >
                    likeness.Threshold) {
                    return false;
                }
            }
        }
        return true;
    };
    for (size_t edgeNumber = 0; edgeNumber < edges.size(); ++edgeNumber) {
        // The second half of the progress: `count` steps spread over the edges.
        const uint64_t done = count + edgeNumber * count / edges.size();
        if (!throttle.At(done)) {
            return false;
        }
        const Edge& edge = edges[edgeNumber];
        uint32_t kept = clusterOf[edge.Lower];
        uint32_t joined = clusterOf[edge.Higher];
        if (kept == joined) {
            continue;
        }
        const std::optional<bool> alike = allAlike(kept, joined, done);
        if (!alike) {
            return false;
        }
        if (!*alike) {
            continue;
        }
        // The smaller cluster moves into the larger one.
        if (clusterUnits[kept].size() < clusterUnits[joined].size()) {
            std::swap(kept, joined);
        }
        for (uint32_t unit : clusterUnits[joined]) {
            clusterOf[unit] = kept;
        }
        clusterUnits[kept].insert(clusterUnits[kept].end(), clusterUnits[joined].begin(), clusterUnits[joined].end());
        clusterUnits[joined].clear();
        clusterUnits[joined].shrink_to_fit();
    }
    return true;
}

} // namespace

bool GroupAlike(
    const std::vector<Signature>& signatures, const Likeness& likeness, IGroupingProgress* progress, Groups& groups)
{
    groups.clear();
    const Units units = MakeUnits(signatures);
    // Progress: one step per unit looking for its pairs, then as many over
    // the joining of clusters.
    const uint64_t total = 2 * uint64_t(units.Count());
    ProgressThrottle throttle(progress, total);
    std::vector<Edge> edges;
    std::vector<std::vector<uint32_t>> clusterUnits;
    if (!FindAlikePairs(units, likeness, throttle, edges) ||
        !JoinClusters(units, edges, likeness, throttle, clusterUnits) || !throttle.At(total)) {
        return false;
    }
    for (const auto& members : clusterUnits) {
        std::vector<uint32_t> group;
        for (uint32_t unit : members) {
            group.insert(group.end(), units.Members[unit].begin(), units.Members[unit].end());
        }
        if (group.size() >= 2) {
            std::sort(group.begin(), group.end());
            groups.push_back(std::move(group));
        }
    }
    std::sort(groups.begin(), groups.end(), [](const auto& x, const auto& y) { return x.front() < y.front(); });
    return true;
}

} // namespace ImageClonarium
