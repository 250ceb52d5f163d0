#pragma once
// One search preset: everything the engine needs to know about what to look for.
#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

namespace clonarium {

enum ResultMode : uint32_t {
    ExactDuplicates = 0,
    SimilarImages = 1,
};

enum SizeMultiplier : uint16_t {
    Bytes = 0,
    Kilobytes = 1,
    Megabytes = 2,
    Gigabytes = 3,
};

// Ordered by plain code-unit comparison; adding a string twice keeps one.
using StringSet = std::set<std::wstring>;

class SearchParameters {
public:
    explicit SearchParameters(bool isDefault = false);

    // Every field but the is-default flag and the storage path back to its default.
    void Reset();

    // True when the records describe the same search (see the .cpp for what
    // is compared and what is not).
    bool operator==(const SearchParameters& other) const;

    // Bound in bytes: bound × 1024^multiplier.
    static uint64_t BoundInBytes(uint32_t bound, uint16_t multiplier);

    // Both bounds are inclusive.
    bool IsExcludedBySize(uint64_t size) const;
    // File times are UTC; they are compared in local time, strictly.
    bool IsExcludedByDates(const FILETIME& creation, const FILETIME& lastAccess, const FILETIME& lastWrite) const;

    std::wstring StoragePath;
    std::wstring PresetName;
    FILETIME ModifiedBefore{};
    FILETIME ModifiedAfter{};
    FILETIME CreatedBefore{};
    FILETIME CreatedAfter{};
    FILETIME AccessedBefore{};
    FILETIME AccessedAfter{};
    uint32_t LessBound = 0;
    uint32_t GreaterBound = 0;
    StringSet IgnoreMasks;
    StringSet ScanMasks;
    StringSet ProtectedFolders;
    uint16_t LessMultiplier = Bytes;
    uint16_t GreaterMultiplier = Bytes;
    bool ProtectFolders = true;
    bool UseIgnoreMasks = true;
    bool UseScanMasks = false;
    bool UseLess = false;
    bool UseGreater = false;
    bool UseModifiedBefore = false;
    bool UseModifiedAfter = false;
    bool UseCreatedBefore = false;
    bool UseCreatedAfter = false;
    bool UseAccessedBefore = false;
    bool UseAccessedAfter = false;
    bool SearchHidden = false;
    bool SearchSystem = false;
    bool SearchReadOnly = false;
    bool SearchCompressed = false;
    bool SearchEncrypted = false;
    bool SearchArchive = true;
    bool IsDefault = false;
    bool DoRotations = true;
    bool DoMirrors = true;
    uint32_t SearchMode = ExactDuplicates;
    uint16_t Similarity = 85;
};

// The default protected folders of this system, in the order they are looked up.
StringSet DefaultProtectedFolders();

inline uint64_t FileTimeToUInt64(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

} // namespace clonarium
