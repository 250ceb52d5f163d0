#pragma once
// The first stage of every search: walks the roots, applies the filters of a
// SearchParameters record and hands each admitted file to a collection.
#include "engine/FileRecord.h"
#include "engine/SearchParameters.h"
#include "engine/SearchProcessCallback.h"
#include "system/FileIdentity.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

namespace clonarium {

class ISearchCache;

// Where the indexer puts the files it admits.
class FileCollection {
public:
    virtual ~FileCollection() = default;
    virtual void Add(FileRecord record) = 0;
};

// Exact duplicates: files by size, ascending, each list in admission order.
class SizeMap : public FileCollection {
public:
    void Add(FileRecord record) override;
    std::map<uint64_t, std::vector<FileRecord>> bySize;
};

// Similar images: paths with their sizes and listed times; a file's position
// is its index.
class PathList : public FileCollection {
public:
    struct Times {
        FILETIME creation;
        FILETIME lastAccess;
        FILETIME lastWrite;
    };
    void Add(FileRecord record) override;
    std::vector<std::wstring> paths;
    std::vector<uint64_t> sizes;
    std::vector<Times> times;
};

// Reads the three times of the file at record.path, opened for reading with
// read sharing; false when it cannot be opened or its times cannot be read.
bool ReadFileTimes(FileRecord& record);
// One file recorded as the indexer records it: its full path, size and three
// times, from the file's attributes (the file is not opened). False when they
// cannot be read; the record then holds the path alone.
bool RecordFile(const std::wstring& path, FileRecord& record);
// The same, with the file's identity from the same call. Dear under Wine
// (the volume's serial is asked for every time): only for files whose names
// could collide, such as the members of a group.
bool ReadFileTimesAndIdentity(FileRecord& record, vandrelcommon::system::FileIdentity& identity);

// True when two of these names could open one file, so that their
// identities are worth asking for: the search had several roots (one folder
// may be reached under two spellings, or a file under two links), or a name
// carries a short-name component ("~"). Within one root a walk meets a file
// once per name, and the indexer tells names apart as the system does.
bool NamesMayCollide(const std::vector<const std::wstring*>& paths, bool severalRoots);

class FileIndexer {
public:
    // Both must outlive the indexer; the callback may be null.
    FileIndexer(const SearchParameters& parameters, ISearchProcessCallback* callback);
    // The indexer keeps a reference: a temporary record would be gone at once.
    FileIndexer(SearchParameters&& parameters, ISearchProcessCallback* callback) = delete;

    // An empty file that a search read before under the same name and time
    // is taken for a disk file without an open, and every folder listed to
    // its end tells the cache which of its files and subfolders are there;
    // `cache` may be null.
    void SetCache(ISearchCache* cache) { cache_ = cache; }
    // Files opened so far: empty files (to tell devices from disk files) and
    // single-file roots.
    size_t FilesOpened() const { return filesOpened_; }

    // Walks one root into `collection`, raising `count` for every file added.
    // A file is added once however many roots reach it, and a name a folder
    // lists twice (Wine shows Linux names that are not UTF-8 with a
    // replacement character) is added once; names are compared ignoring
    // case, as the system does. What is not an ordinary disk file (a device
    // or a pipe, which Wine lists as an empty file) is counted as excluded.
    void IndexRoot(const SearchRoot& root, FileCollection& collection, uint32_t& count);

    // Wildcard match ignoring case: '*' any run, '?' one character.
    static bool MatchMask(const std::wstring& mask, const std::wstring& name);

    bool IsExcludedByMasks(const std::wstring& name) const;
    bool IsExcludedByFilters(const WIN32_FIND_DATAW& entry) const;
    // `path` has had its trailing backslashes removed.
    bool IsProtectedFolder(const std::wstring& path) const;

private:
    struct ProtectedFolder {
        std::wstring asStored;
        std::wstring prefix; // trailing backslashes removed, one appended
    };
    struct Listing;

    void WalkFolder(const std::wstring& rootPath, FileCollection& collection, uint32_t& count);
    bool OpenListing(const std::wstring& path, std::vector<Listing>& listings);
    void NextEntry(Listing& listing) const;
    void IndexFileRoot(const std::wstring& path, FileCollection& collection, uint32_t& count);
    bool IsExcludedByAttributes(DWORD attributes) const;
    bool MatchesAny(const std::vector<std::wstring>& upperMasks, const std::wstring& upperName) const;
    bool IsCanceled() const;
    // True when the entry, admitted by the filters, is still left out.
    bool IsLeftOut(Listing& listing, const std::wstring& path, uint64_t size);
    bool IsDevice(const std::wstring& path, FILETIME lastWriteTime);

    const SearchParameters& parameters_;
    ISearchProcessCallback* callback_;
    ISearchCache* cache_ = nullptr;
    size_t filesOpened_ = 0;
    std::vector<std::wstring> ignoreMasks_; // upper-cased, in set order
    std::vector<std::wstring> scanMasks_;   // upper-cased, in set order
    std::vector<ProtectedFolder> protectedFolders_;
    // Upper-cased: every folder listed and every file root added, so that
    // overlapping roots add nothing twice.
    std::unordered_set<std::wstring> listedFolders_;
    std::unordered_set<std::wstring> fileRoots_;
};

} // namespace clonarium
