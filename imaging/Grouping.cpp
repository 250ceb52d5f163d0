#include "imaging/Grouping.h"

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
// fewer than 18 (measured on the picture set of tools/bench). The steep part lies where copies and differents separate; below
// the default the threshold widens slowly, since beyond about 20 bits
// unrelated pictures match by chance and every picture becomes everyone's
// neighbour.
int HashThreshold(uint16_t similarity)
{
    const int s = std::clamp<int>(similarity, 1, 100);
    if (s >= 85) {
        return ((100 - s) * 2 + 1) / 3;
    }
    return 10 + (85 - s + 6) / 12;
}

int Distance(const Signature& a, const Signature& b, bool rotations)
{
    for (size_t i = 0; i < 3; ++i) {
        if (std::abs(int(a.Tone[i]) - int(b.Tone[i])) > ToneTolerance) {
            return 65;
        }
    }
    int best = std::popcount(a.Hashes[0] ^ b.Hashes[0]);
    if (rotations) {
        // Both ways round: the turned hashes are not exactly each other's turn.
        for (size_t r = 1; r < 4; ++r) {
            best = std::min({best, std::popcount(a.Hashes[r] ^ b.Hashes[0]), std::popcount(a.Hashes[0] ^ b.Hashes[r])});
        }
    }
    return best;
}

namespace {

constexpr int Pieces = 4; // 16-bit pieces of a 64-bit hash

// Nearly all the work: counting differing bits over runs of hashes. The
// processor's own bit count instruction makes it several times faster; it is
// used where the processor has it.
template <bool>
void AppendNear(
    const uint64_t* hashes, uint32_t begin, uint32_t end, uint64_t hash, int threshold, std::vector<uint32_t>& near)
{
    for (uint32_t k = begin; k < end; ++k) {
        if (std::popcount(hashes[k] ^ hash) <= threshold) {
            near.push_back(k);
        }
    }
}

template <>
__attribute__((target("popcnt"))) void AppendNear<true>(
    const uint64_t* hashes, uint32_t begin, uint32_t end, uint64_t hash, int threshold, std::vector<uint32_t>& near)
{
    for (uint32_t k = begin; k < end; ++k) {
        if (__builtin_popcountll(hashes[k] ^ hash) <= threshold) {
            near.push_back(k);
        }
    }
}

const auto appendNear = __builtin_cpu_supports("popcnt") ? AppendNear<true> : AppendNear<false>;

uint16_t Piece(uint64_t hash, int piece)
{
    return uint16_t(hash >> (16 * piece));
}

// Two hashes within t bits agree within t / 4 bits in at least one of their
// four pieces, so looking up every piece value that near finds every
// neighbour. Each table lists, per piece value, the units that have it with
// their whole hash, so that most candidates are turned away at once.
class MultiIndex {
public:
    struct Entry {
        uint64_t Hash;
        uint32_t Unit;
    };

    explicit MultiIndex(const std::vector<Entry>& all)
    {
        for (int p = 0; p < Pieces; ++p) {
            auto& start = starts_[p];
            start.assign(65537, 0);
            for (const Entry& entry : all) {
                ++start[Piece(entry.Hash, p) + 1];
            }
            std::partial_sum(start.begin(), start.end(), start.begin());
            hashes_[p].resize(all.size());
            units_[p].resize(all.size());
            std::vector<uint32_t> next(start.begin(), start.end() - 1);
            for (const Entry& entry : all) {
                const uint32_t at = next[Piece(entry.Hash, p)]++;
                hashes_[p][at] = entry.Hash;
                units_[p][at] = entry.Unit;
            }
        }
    }

    // Calls visit(unit) for each unit within `threshold` bits of `hash`
    // (some more than once), looking at the piece values that differ by one
    // of `flips`; stops early when visit returns false.
    template <typename Visit>
    bool ForEachNear(uint64_t hash, int threshold, const std::vector<uint16_t>& flips, Visit&& visit)
    {
        for (int p = 0; p < Pieces; ++p) {
            const uint16_t value = Piece(hash, p);
            for (uint16_t flip : flips) {
                const uint32_t key = uint16_t(value ^ flip);
                near_.clear();
                appendNear(hashes_[p].data(), starts_[p][key], starts_[p][key + 1], hash, threshold, near_);
                for (uint32_t k : near_) {
                    if (!visit(units_[p][k])) {
                        return false;
                    }
                }
            }
        }
        return true;
    }

private:
    std::array<std::vector<uint32_t>, Pieces> starts_;
    // Per piece, the entries ordered by piece value: hashes apart from units,
    // since nearly every hash looked at is turned away.
    std::array<std::vector<uint64_t>, Pieces> hashes_;
    std::array<std::vector<uint32_t>, Pieces> units_;
    std::vector<uint32_t> near_; // scratch of ForEachNear
};

// Every 16-bit mask with at most `bits` bits set.
std::vector<uint16_t> FlipsUpTo(int bits)
{
    std::vector<uint16_t> flips;
    for (uint32_t mask = 0; mask < 65536; ++mask) {
        if (std::popcount(mask) <= bits) {
            flips.push_back(uint16_t(mask));
        }
    }
    std::sort(flips.begin(), flips.end(), [](uint16_t a, uint16_t b) { return std::popcount(a) < std::popcount(b); });
    return flips;
}

struct Edge {
    uint32_t A, B; // units, A < B
    uint8_t Bits;
    auto operator<=>(const Edge&) const = default;
};

// Throttles the progress calls: the caller's should-stop is asked on a timer
// of its own, but it is worth calling often enough.
class Steps {
public:
    Steps(IGroupingProgress* progress, uint64_t total) : progress_(progress), total_(total) { }
    bool At(uint64_t done) { return !progress_ || progress_->Continue(done, total_); }
    // For inner loops: every 4096 units of work.
    bool Tick(uint64_t done) { return (++work_ & 4095) != 0 || At(done); }

private:
    IGroupingProgress* progress_;
    uint64_t total_;
    uint64_t work_ = 0;
};

// Pictures with the same signature form one unit: they are alike to each
// other and have the same distance to everyone else. Every turn counts: the
// same upright hash alone says nothing of the turned ones.
struct Units {
    std::vector<std::vector<uint32_t>> Members; // positions in the signature list
    std::vector<const Signature*> Signatures;
    uint32_t Count() const { return uint32_t(Members.size()); }
};

Units MakeUnits(const std::vector<Signature>& signatures)
{
    std::vector<uint32_t> order(signatures.size());
    std::iota(order.begin(), order.end(), 0u);
    auto key = [&](uint32_t i) { return std::pair(signatures[i].Hashes, signatures[i].Tone); };
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
    Units units;
    for (size_t k = 0; k < order.size(); ++k) {
        if (k == 0 || key(order[k]) != key(order[k - 1])) {
            units.Members.emplace_back();
            units.Signatures.push_back(&signatures[order[k]]);
        }
        units.Members.back().push_back(order[k]);
    }
    return units;
}

// Every pair of alike units, closest first, through the index. With
// rotations, the index holds every turn of every unit and is asked with
// upright hashes only: a pair alike through a turn of one side is found when
// the other side asks. False when the progress asked to stop.
bool FindAlikePairs(const Units& units, const Likeness& likeness, Steps& steps, std::vector<Edge>& edges)
{
    const uint32_t count = units.Count();
    const size_t turns = likeness.Rotations ? 4 : 1;
    std::vector<MultiIndex::Entry> entries;
    entries.reserve(count * turns);
    for (uint32_t u = 0; u < count; ++u) {
        for (size_t r = 0; r < turns; ++r) {
            entries.push_back({units.Signatures[u]->Hashes[r], u});
        }
    }
    MultiIndex index(entries);
    entries = {};
    const std::vector<uint16_t> flips = FlipsUpTo(likeness.Threshold / Pieces);
    std::vector<uint32_t> seenBy(count, UINT32_MAX);
    for (uint32_t u = 0; u < count; ++u) {
        if (!steps.At(u)) {
            return false;
        }
        const Signature& own = *units.Signatures[u];
        const bool finished = index.ForEachNear(own.Hashes[0], likeness.Threshold, flips, [&](uint32_t v) {
            if (v != u && seenBy[v] != u) {
                seenBy[v] = u;
                const int bits = Distance(own, *units.Signatures[v], likeness.Rotations);
                if (bits <= likeness.Threshold) {
                    edges.push_back({std::min(u, v), std::max(u, v), uint8_t(bits)});
                }
            }
            return steps.Tick(u);
        });
        if (!finished) {
            return false;
        }
    }
    // A pair is usually found from both sides.
    std::sort(edges.begin(), edges.end(),
        [](const Edge& x, const Edge& y) { return std::tie(x.Bits, x.A, x.B) < std::tie(y.Bits, y.A, y.B); });
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return true;
}

// Clusters of units from the pairs, closest pairs first; two clusters join
// only when every member of one is alike to every member of the other, so a
// run of pairwise-alike pictures never chains unlike ones together. False
// when the progress asked to stop.
bool JoinClusters(const Units& units, const std::vector<Edge>& edges, const Likeness& likeness, Steps& steps,
    std::vector<std::vector<uint32_t>>& clusterUnits)
{
    const uint32_t count = units.Count();
    std::vector<uint32_t> cluster(count);
    std::iota(cluster.begin(), cluster.end(), 0u);
    clusterUnits.assign(count, {});
    for (uint32_t u = 0; u < count; ++u) {
        clusterUnits[u] = {u};
    }
    // Nothing when the progress asked to stop meanwhile.
    auto allAlike = [&](uint32_t a, uint32_t b, uint64_t done) -> std::optional<bool> {
        for (uint32_t x : clusterUnits[a]) {
            for (uint32_t y : clusterUnits[b]) {
                if (!steps.Tick(done)) {
                    return std::nullopt;
                }
                if (Distance(*units.Signatures[x], *units.Signatures[y], likeness.Rotations) > likeness.Threshold) {
                    return false;
                }
            }
        }
        return true;
    };
    for (size_t e = 0; e < edges.size(); ++e) {
        const uint64_t done = count + e * count / edges.size();
        if (!steps.At(done)) {
            return false;
        }
        uint32_t a = cluster[edges[e].A], b = cluster[edges[e].B];
        if (a == b) {
            continue;
        }
        const std::optional<bool> alike = allAlike(a, b, done);
        if (!alike) {
            return false;
        }
        if (!*alike) {
            continue;
        }
        if (clusterUnits[a].size() < clusterUnits[b].size()) {
            std::swap(a, b);
        }
        for (uint32_t y : clusterUnits[b]) {
            cluster[y] = a;
        }
        clusterUnits[a].insert(clusterUnits[a].end(), clusterUnits[b].begin(), clusterUnits[b].end());
        clusterUnits[b].clear();
        clusterUnits[b].shrink_to_fit();
    }
    return true;
}

} // namespace

bool GroupAlike(
    const std::vector<Signature>& signatures, const Likeness& likeness, IGroupingProgress* progress, Groups& groups)
{
    groups.clear();
    const Units units = MakeUnits(signatures);
    const uint64_t total = 2 * uint64_t(units.Count());
    Steps steps(progress, total);
    std::vector<Edge> edges;
    std::vector<std::vector<uint32_t>> clusterUnits;
    if (!FindAlikePairs(units, likeness, steps, edges) || !JoinClusters(units, edges, likeness, steps, clusterUnits) ||
        !steps.At(total)) {
        return false;
    }
    for (const auto& members : clusterUnits) {
        std::vector<uint32_t> group;
        for (uint32_t u : members) {
            group.insert(group.end(), units.Members[u].begin(), units.Members[u].end());
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
