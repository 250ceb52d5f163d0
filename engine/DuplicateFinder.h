#pragma once
// The finders: they turn the search roots and a SearchParameters record into
// groups of duplicate files, reported through an ISearchProcessCallback.
#include "engine/FileIndexer.h"
#include "engine/FileOpener.h"
#include "engine/FileRecord.h"
#include "engine/SearchParameters.h"
#include "engine/SearchCache.h"
#include "engine/SearchProcessCallback.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace clonarium {

class AbstractDuplicateFinder {
public:
    // The finder keeps its own copy and never looks at `parameters` again.
    explicit AbstractDuplicateFinder(const SearchParameters& parameters) : parameters_(parameters) { }
    AbstractDuplicateFinder(const AbstractDuplicateFinder&) = delete;
    AbstractDuplicateFinder& operator=(const AbstractDuplicateFinder&) = delete;
    virtual ~AbstractDuplicateFinder() = default;

    // Runs one whole search; results go only through `callback`.
    virtual void FindDuplicates(const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback) = 0;

    // What earlier searches learnt, used and added to by the next search; it
    // must outlive it. Null (the default): every file is read.
    void SetCache(ISearchCache* cache) { cache_ = cache; }

protected:
    // What the comparison stage receives: the files the indexing stage
    // admitted, their number and the search's callback.
    using CompareStage = std::function<void(uint32_t fileCount, ISearchProcessCallback& callback)>;

    // The course every search takes: OnStarted; the indexing stage walks the
    // roots in order into `files`; unless a stop was requested by then,
    // `compare` runs; OnFinished last. A search without a callback could
    // report nothing, so it does nothing.
    void IndexThenCompare(const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback, FileCollection& files,
        const CompareStage& compare);

    const SearchParameters parameters_;
    ISearchCache* cache_ = nullptr;
    size_t filesOpened_ = 0; // by the running search's own code (not the image library's)
};

// Exact duplicates: files of one size whose whole content has one digest.
class DuplicateFinder : public AbstractDuplicateFinder {
public:
    static constexpr size_t kReadSize = 4096;
    static constexpr uint32_t kDigestSeed = 5;
    // The file stream's own buffer below the 4096-byte reads: of 4 KiB to
    // 1 MiB, 64 KiB read fastest. The stream fills one byte less than it is
    // given, hence the extra byte.
    static constexpr size_t kStreamBufferSize = 64 * 1024 + 1;
    // Threads opening files ahead of the worker, and files open at a time,
    // the one being read included. Of one to three threads and 4 or 8 files,
    // two and 8 were among the fastest; a third thread gained nothing.
    static constexpr size_t kOpenerThreads = 2;
    static constexpr size_t kOpenWindow = 8;

    // Without `openAhead` every file is opened on the worker thread just
    // before it is read.
    explicit DuplicateFinder(const SearchParameters& parameters, bool openAhead = true);

    void FindDuplicates(const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback) override;

    // Files the last search opened: to read them, or to tell an empty file
    // from a device.
    size_t FilesOpened() const { return filesOpened_; }

    // True with the digest's 32-digit text; false, with `text` empty, when the
    // file cannot be opened or read, or a stop was requested while reading.
    bool ComputeContentDigest(const std::wstring& path, ISearchProcessCallback& callback, std::string& text);

private:
    enum class Outcome { Done, Failed, Canceled };
    // A digest the cache holds for each file of the comparison, in order;
    // files without one are read.
    using KnownDigests = std::vector<std::optional<ContentDigest>>;

    // A file that gives more than `size` bytes has grown since it was listed,
    // or never ends (a device): it fails.
    Outcome DigestFile(std::ifstream& stream, uint64_t size, ISearchProcessCallback& callback, ContentDigest& digest);
    void Compare(SizeMap& sizes, ISearchProcessCallback& callback);
    // The cache's digests of the files of shared sizes, and the paths of
    // those it has none for.
    KnownDigests LookUpDigests(const SizeMap& sizes, std::vector<const std::wstring*>& unknown);
    // Digests the files of one size (`known` holds one entry a file) and
    // reports its groups; false when a stop was noticed.
    bool CompareFilesOfOneSize(uint64_t size, std::vector<FileRecord>& files, const std::optional<ContentDigest>* known,
        FileOpener& opener, ISearchProcessCallback& callback);
    // Leaves out every member that opens a file an earlier member opens (hard
    // links, links, one folder reached two ways): a file is never grouped with
    // itself. Asked of group members only, since an identity is dear to ask
    // for, and kept in the cache. Members that cannot be opened stay.
    void DropRepeatedFiles(FileGroup& group);

    const bool openAhead_;
    std::array<char, kReadSize> buffer_{};
};

} // namespace clonarium
