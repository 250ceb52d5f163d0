#pragma once
// The search cache, kept in one file of our own beside the settings. The file:
//   header, 36 bytes: "ClnCache", a 16-byte checksum (MurmurHash3 x86
//     128-bit) of everything after it, the format version (4), the number
//     of the search that wrote it (4), the entry count (4);
//   each entry: size (8), last-write time (8), number of the search that
//     last saw it (4), path length in characters (2), what it holds (1: bit
//     0 a digest, bit 1 a picture, bit 2 an identity), the upper-cased path
//     in UTF-16, then the digest (16 bytes), the picture's signature (136
//     bytes) and the identity (volume serial 4, file index 8) when held.
// Integers are little-endian. A file that is not exactly this is not used.
#include "engine/SearchCache.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace clonarium {

class SearchCacheFile : public ISearchCache {
public:
    // 2: picture signatures grew to 96 bytes to hold the mirror images' hashes.
    // 3: to 136 bytes, with the hashes of parts of the picture.
    // 4: identities of the members of groups.
    static constexpr uint32_t kVersion = 4;
    static constexpr size_t kHeaderSize = 36;
    // Entries that this many searches in a row did not see are dropped.
    static constexpr uint32_t kSearchesKept = 10;
    // The file stays within this size; the entries seen longest ago go first.
    static constexpr uint64_t kMaxFileSize = 64ull << 20;

    explicit SearchCacheFile(uint64_t maxFileSize = kMaxFileSize) : maxFileSize_(maxFileSize) { }

    // Reads the file. One that is missing, of another version, damaged or
    // larger than the limit leaves the cache empty and answers false.
    bool Load(const std::wstring& path);
    // Writes a new file beside `path` and moves it over `path`, so that the
    // file is whole at every moment, however many searches write it at once.
    bool Save(const std::wstring& path) const;
    // Deletes the file; true when none is left, false with the last error set
    // otherwise (also when the system reported the file deleted and it is
    // still there).
    static bool Clear(const std::wstring& path);

    size_t EntryCount() const { return entries_.size(); }

    bool KnowsFile(const std::wstring& path, uint64_t size, FILETIME lastWriteTime) override;
    bool FindDigest(const std::wstring& path, uint64_t size, FILETIME lastWriteTime, ContentDigest& digest) override;
    void KeepDigest(
        const std::wstring& path, uint64_t size, FILETIME lastWriteTime, const ContentDigest& digest) override;
    bool FindIdentity(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        vandrelcommon::system::FileIdentity& identity) override;
    void KeepIdentity(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        const vandrelcommon::system::FileIdentity& identity) override;
    bool FindPicture(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        ImageClonarium::PictureSignature& signature) override;
    void KeepPicture(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        const ImageClonarium::PictureSignature& signature) override;

private:
    static constexpr uint8_t kHoldsDigest = 1;
    static constexpr uint8_t kHoldsPicture = 2;
    static constexpr uint8_t kHoldsIdentity = 4;

    struct Entry {
        uint64_t size = 0;
        uint64_t lastWriteTime = 0;
        uint32_t lastSeen = 0;
        uint8_t holds = 0;
        ContentDigest digest{};
        ImageClonarium::PictureSignature picture{};
        vandrelcommon::system::FileIdentity identity{};
    };

    // The entry of this very file (path, size and time alike), marked seen;
    // null when there is none.
    Entry* FindEntry(const std::wstring& path, uint64_t size, FILETIME lastWriteTime);
    // The entry of this very file, made anew when the path's entry was of
    // another size or time.
    Entry& EntryToKeep(const std::wstring& path, uint64_t size, FILETIME lastWriteTime);
    bool Parse(const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> Serialize() const;

    const uint64_t maxFileSize_;
    std::unordered_map<std::wstring, Entry> entries_; // by upper-cased path
    uint32_t search_ = 1;                             // the number of the running search
};

} // namespace clonarium
