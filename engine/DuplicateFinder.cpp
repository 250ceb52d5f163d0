#include "engine/DuplicateFinder.h"

#include "engine/ContentDigest.h"
#include "system/LongPath.h"

#include <algorithm>
#include <fstream>
#include <map>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::FileIdentity;
using vandrelcommon::system::IdentifyFile;

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

DuplicateFinder::DuplicateFinder(const SearchParameters& parameters, bool openAhead)
    : AbstractDuplicateFinder(parameters), openAhead_(openAhead)
{ }

void DuplicateFinder::FindDuplicates(const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback)
{
    SizeMap sizes;
    IndexThenCompare(roots, callback, sizes, [&](uint32_t fileCount, ISearchProcessCallback& progress) {
        progress.SetFilesToCompare(fileCount);
        progress.SetStage(StageComparing);
        Compare(sizes, progress);
    });
}

DuplicateFinder::KnownDigests DuplicateFinder::LookUpDigests(
    const SizeMap& sizes, std::vector<const std::wstring*>& unknown)
{
    KnownDigests known;
    for (const auto& [size, files] : sizes.bySize) {
        if (files.size() < 2) {
            continue; // a unique size is never read
        }
        for (const FileRecord& file : files) {
            ContentDigest digest;
            if (cache_ != nullptr && cache_->FindDigest(file.path, file.size, file.lastWriteTime, digest)) {
                known.emplace_back(digest);
            } else {
                known.emplace_back();
                unknown.push_back(&file.path);
            }
        }
    }
    return known;
}

// Size by size, ascending; each size's list is released as soon as it is done.
void DuplicateFinder::Compare(SizeMap& sizes, ISearchProcessCallback& callback)
{
    std::vector<const std::wstring*> unknown;
    const KnownDigests known = LookUpDigests(sizes, unknown);
    FileOpener opener(
        std::move(unknown), openAhead_ ? kOpenerThreads : 0, openAhead_ ? kOpenWindow : 1, kStreamBufferSize);
    size_t position = 0; // in `known`
    for (auto it = sizes.bySize.begin(); it != sizes.bySize.end(); it = sizes.bySize.erase(it)) {
        std::vector<FileRecord>& files = it->second;
        if (files.size() < 2) {
            callback.OnFileCompared(files.front().size); // a unique size is never opened
            continue;
        }
        const size_t count = files.size();
        const bool goOn = CompareFilesOfOneSize(it->first, files, known.data() + position, opener, callback);
        position += count;
        if (!goOn) {
            break;
        }
    }
    filesOpened_ += opener.OpenCount();
}

bool DuplicateFinder::CompareFilesOfOneSize(uint64_t size, std::vector<FileRecord>& files,
    const std::optional<ContentDigest>* known, FileOpener& opener, ISearchProcessCallback& callback)
{
    std::map<std::string, FileGroup> byDigest;
    for (FileRecord& file : files) {
        const std::optional<ContentDigest>& cached = *known++;
        ContentDigest digest{};
        const Outcome outcome = cached ? Outcome::Done : DigestFile(opener.Next(), size, callback, digest);
        if (outcome == Outcome::Canceled) {
            break; // the file at which the stop was noticed is not counted
        }
        if (outcome == Outcome::Failed) {
            callback.OnFileCompared(file.size);
            callback.OnFileNotRead(file.path);
            continue;
        }
        if (cached) {
            digest = *cached;
        } else if (cache_ != nullptr) {
            cache_->KeepDigest(file.path, file.size, file.lastWriteTime, digest);
        }
        if (callback.IsCanceled()) {
            break;
        }
        callback.OnFileCompared(file.size);
        FileGroup& group = byDigest[DigestText(digest)];
        group.size = size;
        group.files.push_back(std::move(file));
    }
    files.clear();
    files.shrink_to_fit();
    // Groups completed before a stop are still reported. Two names of one
    // file have one digest: only the first stays.
    for (auto& [text, group] : byDigest) {
        if (group.files.size() >= 2) {
            DropRepeatedFiles(group);
        }
        if (group.files.size() >= 2) {
            callback.OnGroupFound(group);
        }
    }
    return !callback.IsCanceled();
}

void DuplicateFinder::DropRepeatedFiles(FileGroup& group)
{
    std::vector<FileIdentity> seen;
    std::erase_if(group.files, [&](const FileRecord& file) {
        FileIdentity identity;
        if (cache_ == nullptr || !cache_->FindIdentity(file.path, file.size, file.lastWriteTime, identity)) {
            ++filesOpened_;
            if (!IdentifyFile(AddLongPathPrefix(file.path), identity)) {
                return false;
            }
            if (cache_ != nullptr) {
                cache_->KeepIdentity(file.path, file.size, file.lastWriteTime, identity);
            }
        }
        if (std::find(seen.begin(), seen.end(), identity) != seen.end()) {
            return true;
        }
        seen.push_back(identity);
        return false;
    });
}

bool DuplicateFinder::ComputeContentDigest(
    const std::wstring& path, ISearchProcessCallback& callback, std::string& text)
{
    // A search reads its files through the opener's buffers; this one is
    // needed only here.
    std::vector<char> streamBuffer(kStreamBufferSize);
    std::ifstream stream;
    stream.rdbuf()->pubsetbuf(streamBuffer.data(), static_cast<std::streamsize>(streamBuffer.size()));
    stream.open(AddLongPathPrefix(path).c_str(), std::ios::binary);
    ContentDigest digest;
    text.clear();
    if (DigestFile(stream, UINT64_MAX, callback, digest) != Outcome::Done) {
        return false;
    }
    text = DigestText(digest);
    return true;
}

DuplicateFinder::Outcome DuplicateFinder::DigestFile(
    std::ifstream& stream, uint64_t size, ISearchProcessCallback& callback, ContentDigest& digest)
{
    if (!stream.is_open()) {
        return Outcome::Failed;
    }
    MurmurHash3x86_128 hash(kDigestSeed);
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer_.data());
    uint64_t length = 0;
    size_t chunk = 0; // bytes of the last read
    for (;;) {
        stream.read(buffer_.data(), buffer_.size());
        chunk = static_cast<size_t>(stream.gcount());
        if (chunk == 0) {
            break;
        }
        if (callback.IsCanceled()) {
            return Outcome::Canceled;
        }
        length += chunk;
        if (length > size) {
            return Outcome::Failed;
        }
        hash.MixBlocks(bytes, chunk / MurmurHash3x86_128::kBlockSize);
        if (chunk % MurmurHash3x86_128::kBlockSize != 0) {
            break;
        }
    }
    // A read error would otherwise leave a digest of whatever was read before
    // it, and two files failing alike would look like duplicates.
    if (stream.bad()) {
        return Outcome::Failed;
    }
    const size_t tailLength = chunk % MurmurHash3x86_128::kBlockSize;
    digest = hash.Finish(bytes + chunk - tailLength, tailLength, static_cast<uint32_t>(length));
    return Outcome::Done;
}

} // namespace clonarium
