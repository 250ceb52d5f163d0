#pragma once
// The finders: they turn the search roots and a SearchParameters record into
// groups of duplicate files, reported through an ISearchProcessCallback.
#include "engine/FileIndexer.h"
#include "engine/FileOpener.h"
#include "engine/FileRecord.h"
#include "engine/SearchParameters.h"
#include "engine/SearchCache.h"
#include "engine/SearchProcessCallback.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
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

// How much the exact search reads of a file before all of it, and in what
// pieces, as tools/bench/read-plan.sh measured them: under Wine an opening
// costs more than reading 16 KiB, so files up to that are read whole at
// once; the size of the start and end read of larger files hardly changes
// the time, and a page of each reads least of the sizes that were as fast.
struct ReadPlan {
    size_t headSize = 4 * 1024;       // its first bytes
    size_t tailSize = 4 * 1024;       // and its last bytes
    uint64_t wholeAtOnce = 16 * 1024; // a file no larger is read whole at once; at least head and tail
    size_t chunkSize = 256 * 1024;    // each read of a whole file
};

// Exact duplicates: files of one size whose whole content has one digest.
// Files of a shared size are told apart by as little reading as will do:
// by their start and their end, and only files that share size, start and
// end are read whole and digested.
class DuplicateFinder : public AbstractDuplicateFinder {
public:
    static constexpr uint32_t kDigestSeed = 5;
    // Threads opening files ahead of the worker, and files open at a time,
    // the one being read included. Of one to three threads and 4 or 8 files,
    // two and 8 were among the fastest; a third thread gained nothing.
    static constexpr size_t kOpenerThreads = 2;
    static constexpr size_t kOpenWindow = 8;

    // Without `openAhead` every file is opened on the worker thread just
    // before it is read.
    explicit DuplicateFinder(const SearchParameters& parameters, bool openAhead = true, ReadPlan plan = {});

    void FindDuplicates(const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback) override;

    // Files the last search opened: to read them, or to tell an empty file
    // from a device.
    size_t FilesOpened() const { return filesOpened_; }
    // Bytes of file content the last search read.
    uint64_t BytesRead() const { return bytesRead_; }

    // True with the digest's 32-digit text; false, with `text` empty, when the
    // file cannot be opened or read, or a stop was requested while reading.
    bool ComputeContentDigest(const std::wstring& path, ISearchProcessCallback& callback, std::string& text);

private:
    enum class Outcome { Done, Failed, Canceled };
    struct Comparison;
    struct Candidate;

    void Compare(SizeMap& sizes, ISearchProcessCallback& callback);
    // Opens these files of the comparison, in this order.
    FileOpener OpenerOf(const Comparison& comparison, const std::vector<uint32_t>& files) const;
    // Reads what first tells the files of each size apart, where it is not
    // known, opening them ahead; false when a stop was noticed.
    bool ReadFirstParts(Comparison& comparison, ISearchProcessCallback& callback);
    // Adds to `known` what is read of the file at the first opening.
    Outcome ReadFirstPart(HANDLE file, uint64_t size, KnownContent& known, ISearchProcessCallback& callback);
    // Takes in what a read of the candidate's file gave: a file that fails
    // is in no group; what was learnt is kept, in the cache too, and the
    // file counted once its digest is known. False when a stop was noticed.
    bool Learn(Candidate& candidate, Outcome outcome, const KnownContent& learnt, ISearchProcessCallback& callback);
    void SetApartLoneFiles(Comparison& comparison, ISearchProcessCallback& callback);
    // Reads whole what is still tied, size by size, and reports the groups;
    // after a stop, those of the files digested by then.
    void ReportGroups(Comparison& comparison, bool canceled, ISearchProcessCallback& callback);
    // Leaves out every member that opens a file an earlier member opens (hard
    // links, links, one folder reached two ways): a file is never grouped with
    // itself. Asked of group members only, since an identity is dear to ask
    // for, and kept in the cache. Members that cannot be opened stay.
    void DropRepeatedFiles(std::vector<Candidate*>& members);
    // A file that gives more than `size` bytes has grown since it was listed,
    // or never ends (a device): it fails.
    Outcome DigestFile(HANDLE file, uint64_t size, ISearchProcessCallback& callback, ContentDigest& digest);
    // The hash of `length` bytes from `offset`; a file that gives fewer fails.
    Outcome HashRegion(HANDLE file, uint64_t offset, size_t length, ISearchProcessCallback& callback, uint64_t& hash);

    const bool openAhead_;
    const ReadPlan plan_;
    uint64_t bytesRead_ = 0; // by the running search
    std::vector<uint8_t> buffer_;
};

} // namespace clonarium
