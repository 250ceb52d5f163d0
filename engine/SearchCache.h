#pragma once
// What earlier searches learnt of files, so that a search need not read them
// again: what was read of a file's content (its start, its end, its whole
// digest), which file a group member's name opens, and picture signatures.
// A file is known by its full path (compared as the system compares paths,
// ignoring case), its size and its last-write time, all three as the folder
// listing gives them; a file changed without a new time or size is
// therefore taken for the old one.
#include "engine/ContentDigest.h"
#include "engine/FileRecord.h"
#include "imaging/ImageClonarium.h"
#include "system/FileIdentity.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace clonarium {

// What was learnt of one file's content; each part is there or not.
struct KnownContent {
    enum Part : uint8_t {
        kHead = 1,     // `head`: a hash of the file's first bytes
        kTail = 2,     // `tail`: a hash of its last bytes
        kDigest = 4,   // `digest`: the digest of the whole content
        kIdentity = 8, // `identity`: which file on its volume the name opens
    };
    uint8_t parts = 0;
    uint64_t head = 0;
    uint64_t tail = 0;
    ContentDigest digest{};
    vandrelcommon::system::FileIdentity identity;

    bool Has(Part part) const { return (parts & part) != 0; }
};

// Called on the search's thread only.
class ISearchCache {
public:
    // True when a search read this very file before, so that it is a disk
    // file (not a device or a pipe, which are listed as empty files).
    virtual bool KnowsFile(const std::wstring& path, uint64_t size, FILETIME lastWriteTime) = 0;
    // What earlier searches read of each of these very files, in their
    // order; no parts for a file of which nothing is known.
    virtual std::vector<KnownContent> FindContents(const std::vector<const FileRecord*>& files) = 0;
    // Adds the parts of `content` to what is kept of the file.
    virtual void KeepContent(
        const std::wstring& path, uint64_t size, FILETIME lastWriteTime, const KnownContent& content) = 0;
    // True with the signature kept for this file.
    virtual bool FindPicture(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        ImageClonarium::PictureSignature& signature) = 0;
    virtual void KeepPicture(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        const ImageClonarium::PictureSignature& signature) = 0;
    // The folder (no trailing backslash) was listed from its first entry to
    // its last, and these are the upper-cased names of all its files and
    // subfolders: whatever is kept of others in it is gone.
    virtual void FolderListed(const std::wstring& folder, const std::unordered_set<std::wstring>& fileNames,
        const std::unordered_set<std::wstring>& subfolderNames) = 0;

protected:
    ~ISearchCache() = default;
};

} // namespace clonarium
