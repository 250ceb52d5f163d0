#pragma once
// The first stage of every search: walks the roots, applies the filters of a
// SearchParameters record and hands each admitted file to a collection.
#include "engine/FileRecord.h"
#include "engine/SearchParameters.h"
#include "engine/SearchProcessCallback.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace clonarium {

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

// Similar images: paths and their sizes; a file's position is its index.
class PathList : public FileCollection {
public:
    void Add(FileRecord record) override;
    std::vector<std::wstring> paths;
    std::vector<uint64_t> sizes;
};

// Reads the three times of the file at record.path, opened for reading with
// read sharing; false when it cannot be opened or its times cannot be read.
bool ReadFileTimes(FileRecord& record);

class FileIndexer {
public:
    // Both must outlive the indexer; the callback may be null.
    FileIndexer(const SearchParameters& parameters, ISearchProcessCallback* callback);
    // The indexer keeps a reference: a temporary record would be gone at once.
    FileIndexer(SearchParameters&& parameters, ISearchProcessCallback* callback) = delete;

    // Walks one root into `collection`, raising `count` for every file added.
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
    void IndexFileRoot(const std::wstring& path, FileCollection& collection, uint32_t& count);
    bool IsExcludedByAttributes(DWORD attributes) const;
    bool MatchesAny(const std::vector<std::wstring>& upperMasks, const std::wstring& upperName) const;
    bool IsCanceled() const;

    const SearchParameters& parameters_;
    ISearchProcessCallback* callback_;
    std::vector<std::wstring> ignoreMasks_; // upper-cased, in set order
    std::vector<std::wstring> scanMasks_;   // upper-cased, in set order
    std::vector<ProtectedFolder> protectedFolders_;
};

} // namespace clonarium
