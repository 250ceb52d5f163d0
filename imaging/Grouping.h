#pragma once
// Groups of alike pictures from their signatures, without comparing all
// pairs: a multi-index over 16-bit pieces of the hashes finds the near
// neighbours of each picture, and groups grow only while every member stays
// alike to every other.
#include "imaging/Signature.h"

#include <cstdint>
#include <span>
#include <vector>

namespace ImageClonarium {

// The most hash bits (of 64) in which two alike pictures may differ at a
// similarity of 1 to 100; see HashThreshold in Grouping.cpp for the mapping.
int HashThreshold(uint16_t similarity);

// Two pictures alike only through a part of one (a copy cut down) are held
// this many bits further apart: a part is compared in many more ways than a
// whole picture, so unrelated pictures meet through parts more often. Copies
// cut down match their part within 3 bits on the photographs of tools/bench.
constexpr int PartPenalty = 2;

// Mean colours further apart than this (of 255, in any channel) are not
// alike whatever their pattern: a flat black and a flat white picture, or the
// same drawing in another colour.
constexpr int ToneTolerance = 48;

struct Likeness {
    int Threshold = 0;     // differing hash bits allowed
    bool Rotations = true; // match copies turned by 90, 180 or 270 degrees
    bool Mirrors = false;  // match mirror images (and, with rotations, turned ones)
};

// The orientations (numbered as in Signature.h) in which one picture is
// compared with another: upright only, the four turns, upright and mirrored
// left to right, or all eight. Without rotations the only mirror image is the
// left-to-right one (what selfie cameras, scanners and flipped prints make):
// a top-to-bottom mirror is that mirror turned by half, and a half turn is a
// turn the user did not ask for.
std::span<const uint8_t> ComparedOrientations(const Likeness& likeness);

// Hash bits in which two pictures differ, or 65 when their colours are too
// far apart: the best of the orientations the likeness compares, of the whole
// pictures and of one whole and a part of the other (a copy cut down); when
// that is over the likeness's threshold, of parts of both too (copies cut
// down differently).
int Distance(const Signature& a, const Signature& b, const Likeness& likeness);

// Told how far the grouping has come; false stops it.
class IGroupingProgress {
public:
    virtual bool Continue(uint64_t done, uint64_t total) = 0;

protected:
    ~IGroupingProgress() = default;
};

using Groups = std::vector<std::vector<uint32_t>>;

// Groups of positions in `signatures`: each of two or more pictures alike
// to each other, each picture in at most one group, members in ascending
// order, groups ordered by their first member. Every pair alike as whole
// pictures, or as one whole and an upright part of the other within 3 bits
// (and most within 7), is found; pictures alike through parts of both, or a
// part of a turned one, only join a group that one of those pairs started. Returns false (and no
// groups) when `progress` asked to stop.
bool GroupAlike(
    const std::vector<Signature>& signatures, const Likeness& likeness, IGroupingProgress* progress, Groups& groups);

} // namespace ImageClonarium
