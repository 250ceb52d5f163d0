#pragma once
// What earlier searches learnt of files, so that a search need not read them
// again: content digests and picture signatures. A file is known by its full
// path (compared as the system compares paths, ignoring case), its size and
// its last-write time, all three as the folder listing gives them; a file
// changed without a new time or size is therefore taken for the old one.
#include "engine/ContentDigest.h"
#include "imaging/ImageClonarium.h"
#include "system/FileIdentity.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace clonarium {

// Called on the search's thread only.
class ISearchCache {
public:
    // True when a search read this very file before, so that it is a disk
    // file (not a device or a pipe, which are listed as empty files).
    virtual bool KnowsFile(const std::wstring& path, uint64_t size, FILETIME lastWriteTime) = 0;
    // True with the digest kept for this file.
    virtual bool FindDigest(const std::wstring& path, uint64_t size, FILETIME lastWriteTime, ContentDigest& digest) = 0;
    virtual void KeepDigest(
        const std::wstring& path, uint64_t size, FILETIME lastWriteTime, const ContentDigest& digest) = 0;
    // True with the identity kept for this file: which file on its volume the
    // name opens.
    virtual bool FindIdentity(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        vandrelcommon::system::FileIdentity& identity) = 0;
    virtual void KeepIdentity(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        const vandrelcommon::system::FileIdentity& identity) = 0;
    // True with the signature kept for this file.
    virtual bool FindPicture(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        ImageClonarium::PictureSignature& signature) = 0;
    virtual void KeepPicture(const std::wstring& path, uint64_t size, FILETIME lastWriteTime,
        const ImageClonarium::PictureSignature& signature) = 0;

protected:
    ~ISearchCache() = default;
};

} // namespace clonarium
