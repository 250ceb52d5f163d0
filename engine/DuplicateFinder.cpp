#include "engine/DuplicateFinder.h"

#include "engine/ContentDigest.h"
#include "engine/FileOpener.h"
#include "system/Handles.h"
#include "system/LongPath.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::FileIdentity;
using vandrelcommon::system::IdentifyFile;
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
    bool left = false;    // told apart from the rest of its size, or unreadable: in no group

    // Every file of the comparison is counted once, as soon as no more
    // reading is needed to place it.
    void Count(ISearchProcessCallback& callback)
    {
        if (!counted) {
            counted = true;
            callback.OnFileCompared(file->size);
        }
    }
    void Leave(ISearchProcessCallback& callback)
    {
        left = true;
        Count(callback);
    }
};

// The files of shared sizes, in ascending order of size and, within a size,
// in the order the indexer admitted them.
struct DuplicateFinder::Comparison {
    struct SizeClass {
        uint64_t size;
        uint32_t first; // in `candidates`
        uint32_t count;
        bool allDigested; // before anything was read: nothing needs reading
    };
    std::vector<Candidate> candidates;
    std::vector<SizeClass> sizes;
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
    std::vector<const FileRecord*> records;
    for (auto& [size, files] : sizes.bySize) {
        if (files.size() < 2) {
            callback.OnFileCompared(size); // a unique size is never opened
            continue;
        }
        comparison.sizes.push_back(
            {size, static_cast<uint32_t>(comparison.candidates.size()), static_cast<uint32_t>(files.size()), true});
        for (FileRecord& file : files) {
            comparison.candidates.emplace_back().file = &file;
            records.push_back(&file);
        }
    }
    if (cache_ != nullptr) {
        std::vector<KnownContent> known = cache_->FindContents(records);
        for (size_t i = 0; i < known.size(); ++i) {
            comparison.candidates[i].known = known[i];
        }
    }
    for (Comparison::SizeClass& sizeClass : comparison.sizes) {
        for (uint32_t i = sizeClass.first; i < sizeClass.first + sizeClass.count; ++i) {
            Candidate& candidate = comparison.candidates[i];
            if (candidate.known.Has(KnownContent::kDigest)) {
                candidate.Count(callback);
            } else {
                sizeClass.allDigested = false;
            }
        }
    }
    const bool canceled = !ReadFirstParts(comparison, callback);
    if (!canceled) {
        SetApartLoneFiles(comparison, callback);
    }
    ReportGroups(comparison, canceled, callback);
}

FileOpener DuplicateFinder::OpenerOf(const Comparison& comparison, const std::vector<uint32_t>& files) const
{
    std::vector<const std::wstring*> paths;
    paths.reserve(files.size());
    for (const uint32_t i : files) {
        paths.push_back(&comparison.candidates[i].file->path);
    }
    return FileOpener(std::move(paths), openAhead_ ? kOpenerThreads : 0, openAhead_ ? kOpenWindow : 1);
}

bool DuplicateFinder::ReadFirstParts(Comparison& comparison, ISearchProcessCallback& callback)
{
    std::vector<uint32_t> toRead;
    for (const Comparison::SizeClass& sizeClass : comparison.sizes) {
        const uint8_t parts =
            sizeClass.size <= plan_.wholeAtOnce ? KnownContent::kDigest : KnownContent::kHead | KnownContent::kTail;
        for (uint32_t i = sizeClass.first; i < sizeClass.first + sizeClass.count && !sizeClass.allDigested; ++i) {
            if ((comparison.candidates[i].known.parts & parts) != parts) {
                toRead.push_back(i);
            }
        }
    }
    FileOpener opener = OpenerOf(comparison, toRead);
    bool goOn = true;
    for (const uint32_t i : toRead) {
        Candidate& candidate = comparison.candidates[i];
        const FileRecord& file = *candidate.file;
        KnownContent learnt = candidate.known;
        const Outcome outcome = ReadFirstPart(opener.Next(), file.size, learnt, callback);
        if (!Learn(candidate, outcome, learnt, callback)) {
            goOn = false;
            break;
        }
    }
    filesOpened_ += opener.OpenCount();
    return goOn;
}

bool DuplicateFinder::Learn(
    Candidate& candidate, Outcome outcome, const KnownContent& learnt, ISearchProcessCallback& callback)
{
    if (outcome == Outcome::Canceled) {
        return false; // the file at which the stop was noticed is not counted
    }
    const FileRecord& file = *candidate.file;
    if (outcome == Outcome::Failed) {
        candidate.Leave(callback);
        callback.OnFileNotRead(file.path);
        return true;
    }
    if (cache_ != nullptr) {
        cache_->KeepContent(file.path, file.size, file.lastWriteTime, learnt);
    }
    if (callback.IsCanceled()) {
        return false;
    }
    candidate.known = learnt;
    if (candidate.known.Has(KnownContent::kDigest)) {
        candidate.Count(callback);
    }
    return true;
}

// A file of up to `wholeAtOnce` bytes is read whole; of a larger one its
// start and its end are read at one opening, which costs more than the
// bytes of its end.
DuplicateFinder::Outcome DuplicateFinder::ReadFirstPart(
    HANDLE file, uint64_t size, KnownContent& known, ISearchProcessCallback& callback)
{
    if (file == INVALID_HANDLE_VALUE || file == nullptr) {
        return Outcome::Failed;
    }
    if (size <= plan_.wholeAtOnce) {
        const Outcome outcome = DigestFile(file, size, callback, known.digest);
        known.parts |= outcome == Outcome::Done ? KnownContent::kDigest : 0;
        return outcome;
    }
    Outcome outcome = HashRegion(file, 0, plan_.headSize, callback, known.head);
    if (outcome == Outcome::Done) {
        outcome = HashRegion(file, size - plan_.tailSize, plan_.tailSize, callback, known.tail);
    }
    known.parts |= outcome == Outcome::Done ? KnownContent::kHead | KnownContent::kTail : 0;
    return outcome;
}

// Within each size, files are told apart by their digest where every one
// is known or the files are read whole at once, otherwise by their start
// and end; a file that shares them with no other is in no group.
void DuplicateFinder::SetApartLoneFiles(Comparison& comparison, ISearchProcessCallback& callback)
{
    using Key = std::array<uint8_t, 2 * sizeof(uint64_t)>;
    std::vector<std::pair<Key, uint32_t>> keys;
    for (const Comparison::SizeClass& sizeClass : comparison.sizes) {
        const bool byDigest = sizeClass.allDigested || sizeClass.size <= plan_.wholeAtOnce;
        keys.clear();
        for (uint32_t i = sizeClass.first; i < sizeClass.first + sizeClass.count; ++i) {
            const KnownContent& known = comparison.candidates[i].known;
            if (!comparison.candidates[i].left) {
                Key key{};
                if (byDigest) {
                    std::memcpy(key.data(), known.digest.data(), key.size());
                } else {
                    std::memcpy(key.data(), &known.head, sizeof(uint64_t));
                    std::memcpy(key.data() + sizeof(uint64_t), &known.tail, sizeof(uint64_t));
                }
                keys.emplace_back(key, i);
            }
        }
        std::sort(keys.begin(), keys.end());
        for (size_t k = 0; k < keys.size(); ++k) {
            const bool alone = (k == 0 || keys[k - 1].first != keys[k].first) &&
                               (k + 1 == keys.size() || keys[k + 1].first != keys[k].first);
            if (alone) {
                comparison.candidates[keys[k].second].Leave(callback);
            }
        }
    }
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
    FileOpener opener = OpenerOf(comparison, toRead);
    size_t next = 0; // in `toRead`
    for (const Comparison::SizeClass& sizeClass : comparison.sizes) {
        const auto first = candidates.begin() + sizeClass.first;
        const auto last = first + sizeClass.count;
        for (; !canceled && next < toRead.size() && toRead[next] < sizeClass.first + sizeClass.count; ++next) {
            Candidate& candidate = candidates[toRead[next]];
            const FileRecord& file = *candidate.file;
            KnownContent learnt = candidate.known;
            const Outcome outcome = DigestFile(opener.Next(), file.size, callback, learnt.digest);
            learnt.parts |= outcome == Outcome::Done ? KnownContent::kDigest : 0;
            if (!Learn(candidate, outcome, learnt, callback)) {
                canceled = true;
                break;
            }
        }
        // Groups completed before a stop are still reported: the files of the
        // size that were digested by then.
        canceled = canceled || callback.IsCanceled();
        std::map<std::string, std::vector<Candidate*>> byDigest;
        for (auto it = first; it != last; ++it) {
            if (!it->left && it->known.Has(KnownContent::kDigest)) {
                byDigest[DigestText(it->known.digest)].push_back(&*it);
            }
        }
        for (auto& [text, members] : byDigest) {
            if (members.size() >= 2) {
                DropRepeatedFiles(members);
            }
            if (members.size() >= 2) {
                FileGroup group;
                group.size = sizeClass.size;
                for (Candidate* member : members) {
                    group.files.push_back(std::move(*member->file));
                }
                callback.OnGroupFound(group);
            }
        }
    }
    filesOpened_ += opener.OpenCount();
}

void DuplicateFinder::DropRepeatedFiles(std::vector<Candidate*>& members)
{
    std::vector<FileIdentity> seen;
    std::erase_if(members, [&](Candidate* member) {
        KnownContent& known = member->known;
        const FileRecord& file = *member->file;
        if (!known.Has(KnownContent::kIdentity)) {
            ++filesOpened_;
            if (!IdentifyFile(AddLongPathPrefix(file.path), known.identity)) {
                return false;
            }
            known.parts |= KnownContent::kIdentity;
            if (cache_ != nullptr) {
                cache_->KeepContent(file.path, file.size, file.lastWriteTime, known);
            }
        }
        if (std::find(seen.begin(), seen.end(), known.identity) != seen.end()) {
            return true;
        }
        seen.push_back(known.identity);
        return false;
    });
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
