#include "engine/DuplicateFinder.h"

#include "engine/ContentDigest.h"
#include "engine/FileOpener.h"
#include "system/Handles.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <numeric>

namespace clonarium {

using vandrelcommon::system::KernelHandle;

void AbstractDuplicateFinder::IndexThenCompare(const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback,
    FileCollection& files, const CompareStage& compare)
{
    filesOpened_ = 0;
    if (callback == nullptr) {
        return;
    }
    callback->OnStarted();
    callback->SetStage(StageIndexing);
    uint32_t count = 0;
    FileIndexer indexer(parameters_, callback);
    indexer.SetCache(cache_);
    for (const SearchRoot& root : roots) {
        indexer.IndexRoot(root, files, count);
    }
    filesOpened_ = indexer.FilesOpened();
    if (!callback->IsCanceled()) {
        compare(count, *callback);
    }
    callback->OnFinished();
}

// One file of a shared size while it is compared.
struct DuplicateFinder::Candidate {
    FileRecord* file = nullptr;
    KnownContent known;
    bool counted = false; // OnFileCompared was called for it
    bool left = false;    // alone in its tie, or unreadable: in no group
};

// The files of shared sizes, in ascending order of size and, within a size,
// in the order the indexer admitted them; and the ties among them: runs of
// `order` that share size and whatever was read so far.
struct DuplicateFinder::Comparison {
    struct SizeClass {
        uint64_t size;
        uint32_t first; // in `candidates`
        uint32_t count;
    };
    struct Tie {
        uint32_t begin; // in `order`
        uint32_t end;
    };
    std::vector<Candidate> candidates;
    std::vector<SizeClass> sizes;
    std::vector<uint32_t> order;
    std::vector<Tie> ties;
};

namespace {

// The first eight bytes of a region's digest tell it apart well enough: a
// hash that happens to match only keeps a file for the next round.
uint64_t ShortHash(const uint8_t* bytes, size_t length)
{
    const ContentDigest digest = MurmurHash3_x86_128(bytes, length, DuplicateFinder::kDigestSeed);
    uint64_t hash = 0;
    std::memcpy(&hash, digest.data(), sizeof(hash));
    return hash;
}

// Reads up to `length` bytes at the handle's position (or at `offset` when
// given); false on a read error.
bool ReadBytes(HANDLE file, uint8_t* into, size_t length, const uint64_t* offset, size_t& read)
{
    OVERLAPPED at{};
    if (offset != nullptr) {
        at.Offset = static_cast<DWORD>(*offset);
        at.OffsetHigh = static_cast<DWORD>(*offset >> 32);
    }
    DWORD got = 0;
    const BOOL ok = ::ReadFile(file, into, static_cast<DWORD>(length), &got, offset != nullptr ? &at : nullptr);
    read = got;
    return ok || ::GetLastError() == ERROR_HANDLE_EOF;
}

} // namespace

DuplicateFinder::DuplicateFinder(const SearchParameters& parameters, bool openAhead, ReadPlan plan)
    : AbstractDuplicateFinder(parameters),
      openAhead_(openAhead),
      plan_(plan),
      buffer_(std::max({plan.headSize, plan.tailSize, plan.chunkSize}))
{ }

void DuplicateFinder::FindDuplicates(const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback)
{
    severalRoots_ = roots.size() > 1;
    bytesRead_ = 0;
    SizeMap sizes;
    IndexThenCompare(roots, callback, sizes, [&](uint32_t fileCount, ISearchProcessCallback& progress) {
        progress.SetFilesToCompare(fileCount);
        progress.SetStage(StageComparing);
        Compare(sizes, progress);
    });
}

void DuplicateFinder::Compare(SizeMap& sizes, ISearchProcessCallback& callback)
{
    Comparison comparison;
    for (auto& [size, files] : sizes.bySize) {
        if (files.size() < 2) {
            callback.OnFileCompared(size); // a unique size is never opened
            continue;
        }
        const auto first = static_cast<uint32_t>(comparison.candidates.size());
        comparison.sizes.push_back({size, first, static_cast<uint32_t>(files.size())});
        comparison.ties.push_back({first, first + static_cast<uint32_t>(files.size())});
        for (FileRecord& file : files) {
            Candidate& candidate = comparison.candidates.emplace_back();
            candidate.file = &file;
            if (cache_ != nullptr) {
                candidate.known = cache_->FindContent(file.path, file.size, file.lastWriteTime);
            }
            if (candidate.known.Has(KnownContent::kDigest)) {
                candidate.counted = true;
                callback.OnFileCompared(size);
            }
        }
    }
    comparison.order.resize(comparison.candidates.size());
    std::iota(comparison.order.begin(), comparison.order.end(), 0u);
    const bool canceled =
        !SplitTies(comparison, Stage::Head, callback) || !SplitTies(comparison, Stage::Tail, callback);
    ReportGroups(comparison, canceled, callback);
}

bool DuplicateFinder::SplitTies(Comparison& comparison, Stage stage, ISearchProcessCallback& callback)
{
    std::vector<Candidate>& candidates = comparison.candidates;
    const auto digested = [&](uint32_t i) { return candidates[i].known.Has(KnownContent::kDigest); };
    // What this round tells files by: a file read whole at once is told by
    // its digest, and so is a tie whose every digest is known.
    const auto partOf = [&](uint32_t i, bool allDigested) {
        if (allDigested || candidates[i].file->size <= plan_.WholeAtOnce()) {
            return KnownContent::kDigest;
        }
        return stage == Stage::Head ? KnownContent::kHead : KnownContent::kTail;
    };
    std::vector<uint8_t> allDigested(comparison.ties.size());
    std::vector<uint32_t> toRead;
    for (size_t t = 0; t < comparison.ties.size(); ++t) {
        const auto [begin, end] = comparison.ties[t];
        allDigested[t] = std::all_of(&comparison.order[begin], &comparison.order[end], digested);
        for (uint32_t i = begin; i < end; ++i) {
            const uint32_t file = comparison.order[i];
            if (!candidates[file].known.Has(partOf(file, allDigested[t]))) {
                toRead.push_back(file);
            }
        }
    }
    if (!ReadAll(comparison, toRead, stage, callback)) {
        return false;
    }
    const auto key = [&](uint32_t i, KnownContent::Part part) {
        ContentDigest value{};
        const KnownContent& known = candidates[i].known;
        if (part == KnownContent::kDigest) {
            value = known.digest;
        } else {
            std::memcpy(value.data(), part == KnownContent::kHead ? &known.head : &known.tail, sizeof(uint64_t));
        }
        return value;
    };
    std::vector<Comparison::Tie> ties;
    for (size_t t = 0; t < comparison.ties.size(); ++t) {
        const auto [begin, end] = comparison.ties[t];
        uint32_t* first = comparison.order.data() + begin;
        uint32_t* last = std::stable_partition(
            first, comparison.order.data() + end, [&](uint32_t i) { return !candidates[i].left; });
        if (first == last) {
            continue;
        }
        const KnownContent::Part part = partOf(*first, allDigested[t]);
        std::stable_sort(first, last, [&](uint32_t a, uint32_t b) { return key(a, part) < key(b, part); });
        for (uint32_t* run = first; run != last;) {
            uint32_t* runEnd = std::find_if(run, last, [&](uint32_t i) { return key(i, part) != key(*run, part); });
            if (runEnd - run == 1) {
                Candidate& alone = candidates[*run];
                alone.left = true;
                if (!alone.counted) {
                    alone.counted = true;
                    callback.OnFileCompared(alone.file->size);
                }
            } else {
                ties.push_back({static_cast<uint32_t>(run - comparison.order.data()),
                    static_cast<uint32_t>(runEnd - comparison.order.data())});
            }
            run = runEnd;
        }
    }
    comparison.ties = std::move(ties);
    return true;
}

bool DuplicateFinder::ReadAll(
    Comparison& comparison, const std::vector<uint32_t>& files, Stage stage, ISearchProcessCallback& callback)
{
    std::vector<const std::wstring*> paths;
    paths.reserve(files.size());
    for (const uint32_t i : files) {
        paths.push_back(&comparison.candidates[i].file->path);
    }
    FileOpener opener(std::move(paths), openAhead_ ? kOpenerThreads : 0, openAhead_ ? kOpenWindow : 1);
    bool goOn = true;
    for (const uint32_t i : files) {
        Candidate& candidate = comparison.candidates[i];
        const FileRecord& file = *candidate.file;
        const Outcome outcome = ReadPart(opener.Next(), candidate, stage, callback);
        if (outcome == Outcome::Canceled) {
            goOn = false; // the file at which the stop was noticed is not counted
            break;
        }
        if (outcome == Outcome::Failed) {
            candidate.left = true;
            if (!candidate.counted) {
                candidate.counted = true;
                callback.OnFileCompared(file.size);
            }
            callback.OnFileNotRead();
            continue;
        }
        if (cache_ != nullptr) {
            cache_->KeepContent(file.path, file.size, file.lastWriteTime, candidate.known);
        }
        if (callback.IsCanceled()) {
            goOn = false;
            break;
        }
        if (candidate.known.Has(KnownContent::kDigest) && !candidate.counted) {
            candidate.counted = true;
            callback.OnFileCompared(file.size);
        }
    }
    filesOpened_ += opener.OpenCount();
    return goOn;
}

DuplicateFinder::Outcome DuplicateFinder::ReadPart(
    HANDLE file, Candidate& candidate, Stage stage, ISearchProcessCallback& callback)
{
    if (file == INVALID_HANDLE_VALUE || file == nullptr) {
        return Outcome::Failed;
    }
    KnownContent& known = candidate.known;
    const uint64_t size = candidate.file->size;
    if (size <= plan_.WholeAtOnce()) {
        const Outcome outcome = DigestFile(file, size, callback, known.digest);
        known.parts |= outcome == Outcome::Done ? KnownContent::kDigest : 0;
        return outcome;
    }
    if (stage == Stage::Head) {
        const Outcome outcome = HashRegion(file, 0, plan_.headSize, callback, known.head);
        known.parts |= outcome == Outcome::Done ? KnownContent::kHead : 0;
        return outcome;
    }
    const Outcome outcome = HashRegion(file, size - plan_.tailSize, plan_.tailSize, callback, known.tail);
    known.parts |= outcome == Outcome::Done ? KnownContent::kTail : 0;
    return outcome;
}

void DuplicateFinder::ReportGroups(Comparison& comparison, bool canceled, ISearchProcessCallback& callback)
{
    std::vector<Candidate>& candidates = comparison.candidates;
    const auto waiting = [&](const Candidate& candidate) {
        return !candidate.left && !candidate.known.Has(KnownContent::kDigest);
    };
    std::vector<uint32_t> toRead;
    for (uint32_t i = 0; i < candidates.size() && !canceled; ++i) {
        if (waiting(candidates[i])) {
            toRead.push_back(i);
        }
    }
    std::vector<const std::wstring*> paths;
    for (const uint32_t i : toRead) {
        paths.push_back(&candidates[i].file->path);
    }
    FileOpener opener(std::move(paths), openAhead_ ? kOpenerThreads : 0, openAhead_ ? kOpenWindow : 1);
    size_t next = 0; // in `toRead`
    for (const Comparison::SizeClass& sizeClass : comparison.sizes) {
        const auto first = candidates.begin() + sizeClass.first;
        const auto last = first + sizeClass.count;
        for (; !canceled && next < toRead.size() && toRead[next] < sizeClass.first + sizeClass.count; ++next) {
            Candidate& candidate = candidates[toRead[next]];
            const FileRecord& file = *candidate.file;
            const Outcome outcome = DigestFile(opener.Next(), file.size, callback, candidate.known.digest);
            if (outcome == Outcome::Canceled) {
                canceled = true;
                break;
            }
            candidate.counted = true;
            if (outcome == Outcome::Failed) {
                candidate.left = true;
                callback.OnFileCompared(file.size);
                callback.OnFileNotRead();
                continue;
            }
            candidate.known.parts |= KnownContent::kDigest;
            if (cache_ != nullptr) {
                cache_->KeepContent(file.path, file.size, file.lastWriteTime, candidate.known);
            }
            if (callback.IsCanceled()) {
                canceled = true;
                break;
            }
            callback.OnFileCompared(file.size);
        }
        // Groups completed before a stop are still reported: the files of the
        // size that were digested by then.
        canceled = canceled || callback.IsCanceled();
        std::map<std::string, FileGroup> byDigest;
        for (auto it = first; it != last; ++it) {
            if (!it->left && it->known.Has(KnownContent::kDigest)) {
                FileGroup& group = byDigest[DigestText(it->known.digest)];
                group.size = sizeClass.size;
                group.files.push_back(std::move(*it->file));
            }
        }
        // Two names of one file have one digest: only the first stays.
        for (auto& [text, group] : byDigest) {
            if (group.files.size() >= 2) {
                DropRepeatedFiles(group, severalRoots_);
            }
            if (group.files.size() >= 2) {
                callback.OnGroupFound(group);
            }
        }
    }
    filesOpened_ += opener.OpenCount();
}

bool DuplicateFinder::ComputeContentDigest(
    const std::wstring& path, ISearchProcessCallback& callback, std::string& text)
{
    const KernelHandle file(OpenToRead(path));
    ContentDigest digest;
    text.clear();
    if (!file || DigestFile(file.Get(), UINT64_MAX, callback, digest) != Outcome::Done) {
        return false;
    }
    text = DigestText(digest);
    return true;
}

DuplicateFinder::Outcome DuplicateFinder::DigestFile(
    HANDLE file, uint64_t size, ISearchProcessCallback& callback, ContentDigest& digest)
{
    if (file == INVALID_HANDLE_VALUE || file == nullptr) {
        return Outcome::Failed;
    }
    MurmurHash3x86_128 hash(kDigestSeed);
    uint64_t length = 0;
    size_t chunk = 0; // bytes of the last read
    for (;;) {
        // A read error would otherwise leave a digest of whatever was read
        // before it, and two files failing alike would look like duplicates.
        if (!ReadBytes(file, buffer_.data(), plan_.chunkSize, nullptr, chunk)) {
            return Outcome::Failed;
        }
        if (chunk == 0) {
            break;
        }
        bytesRead_ += chunk;
        if (callback.IsCanceled()) {
            return Outcome::Canceled;
        }
        length += chunk;
        if (length > size) {
            return Outcome::Failed;
        }
        hash.MixBlocks(buffer_.data(), chunk / MurmurHash3x86_128::kBlockSize);
        if (chunk % MurmurHash3x86_128::kBlockSize != 0) {
            break;
        }
    }
    const size_t tailLength = chunk % MurmurHash3x86_128::kBlockSize;
    digest = hash.Finish(buffer_.data() + chunk - tailLength, tailLength, static_cast<uint32_t>(length));
    return Outcome::Done;
}

DuplicateFinder::Outcome DuplicateFinder::HashRegion(
    HANDLE file, uint64_t offset, size_t length, ISearchProcessCallback& callback, uint64_t& hash)
{
    size_t read = 0;
    if (!ReadBytes(file, buffer_.data(), length, &offset, read)) {
        return Outcome::Failed;
    }
    bytesRead_ += read;
    if (callback.IsCanceled()) {
        return Outcome::Canceled;
    }
    if (read != length) {
        return Outcome::Failed; // shorter than when it was listed
    }
    hash = ShortHash(buffer_.data(), length);
    return Outcome::Done;
}

} // namespace clonarium
