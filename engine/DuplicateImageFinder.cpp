#include "engine/DuplicateImageFinder.h"

#include <algorithm>

namespace clonarium {

using vandrelcommon::system::FileIdentity;

namespace {

// Two names of one file are one picture: only the first stays. Identities
// are dear to ask for, so only where names may collide. With `listedTimes`
// the times come from the folder listing, so that no file is opened for them.
// Each member's similarity is measured against the first picture.
FileGroup MakeGroup(const ImageClonarium::ImageGroup& images, const PathList& files,
    const std::vector<ImageClonarium::PictureSignature>& signatures, uint32_t options, bool severalRoots,
    bool listedTimes)
{
    FileGroup group; // size 0: the members' sizes differ
    std::vector<const std::wstring*> paths;
    for (const ImageClonarium::ImageInfo& image : images) {
        if (image.Index < files.paths.size()) { // never otherwise from a sound library
            paths.push_back(&files.paths[image.Index]);
        }
    }
    const bool mayCollide = NamesMayCollide(paths, severalRoots);
    std::vector<FileIdentity> identities;
    for (const ImageClonarium::ImageInfo& image : images) {
        if (image.Index >= files.paths.size()) {
            continue;
        }
        FileRecord record;
        record.path = files.paths[image.Index];
        record.size = files.sizes[image.Index];
        record.isImage = true;
        record.width = image.Width;
        record.height = image.Height;
        if (image.Index < signatures.size()) {
            record.similarity = ImageClonarium::CImageClonarium().Similarity(
                signatures[images.front().Index], signatures[image.Index], options);
        }
        FileIdentity identity;
        bool read = true;
        if (mayCollide) {
            read = ReadFileTimesAndIdentity(record, identity);
        } else if (listedTimes) {
            const PathList::Times& times = files.times[image.Index];
            record.creationTime = times.creation;
            record.lastAccessTime = times.lastAccess;
            record.lastWriteTime = times.lastWrite;
        } else {
            read = ReadFileTimes(record);
        }
        if (!read) {
            record.creationTime = record.lastAccessTime = record.lastWriteTime = FILETIME{};
        } else if (mayCollide) {
            if (std::find(identities.begin(), identities.end(), identity) != identities.end()) {
                continue;
            }
            identities.push_back(identity);
        }
        group.files.push_back(std::move(record));
    }
    return group;
}

} // namespace

void ImageFinderCallback::OnStart(uint64_t)
{ }

void ImageFinderCallback::OnImageExamined(uint64_t, uint64_t)
{
    callback_.SetStage(StageComparing);
    callback_.OnFileCompared(0);
}

void ImageFinderCallback::OnCompareProgress(uint64_t, uint64_t total)
{
    callback_.SetStage(StageComparingImages);
    if (!totalAnnounced_) {
        callback_.SetFilesToCompare(static_cast<int64_t>(total));
        totalAnnounced_ = true;
    }
    callback_.OnFileCompared(0);
}

void ImageFinderCallback::OnImageNotRead(uint64_t index)
{
    callback_.OnFileNotRead(index < paths_.size() ? paths_[index] : std::wstring());
}

bool ImageFinderCallback::ShouldStop()
{
    return callback_.IsCanceled();
}

uint32_t DuplicateImageFinder::LibraryOptions() const
{
    return (parameters_.DoRotations ? 0 : ImageClonarium::NoRotations) |
           (parameters_.DoMirrors ? ImageClonarium::MatchMirrors : 0);
}

ImageClonarium::ImageGroups DuplicateImageFinder::FindAlike(
    const PathList& files, ImageFinderCallback& adapter, std::vector<ImageClonarium::PictureSignature>& signatures)
{
    ImageClonarium::CImageClonarium library;
    signatures.assign(files.paths.size(), {});
    if (cache_ == nullptr) {
        return library.Find(files.paths, parameters_.Similarity, LibraryOptions(), &adapter, signatures);
    }
    for (size_t i = 0; i < files.paths.size(); ++i) {
        cache_->FindPicture(files.paths[i], files.sizes[i], files.times[i].lastWrite, signatures[i]);
    }
    ImageClonarium::ImageGroups groups =
        library.Find(files.paths, parameters_.Similarity, LibraryOptions(), &adapter, signatures);
    for (size_t i = 0; i < signatures.size(); ++i) {
        if (signatures[i].Format != 0) { // not known when the search was stopped before it
            cache_->KeepPicture(files.paths[i], files.sizes[i], files.times[i].lastWrite, signatures[i]);
        }
    }
    return groups;
}

void DuplicateImageFinder::FindDuplicates(const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback)
{
    PathList files;
    // The library's result lives only within the comparison stage, so it is
    // released before the search says it finished.
    IndexThenCompare(roots, callback, files, [&](uint32_t, ISearchProcessCallback& progress) {
        ImageFinderCallback adapter(progress, files.paths);
        std::vector<ImageClonarium::PictureSignature> signatures;
        const ImageClonarium::ImageGroups groups = FindAlike(files, adapter, signatures);
        for (const ImageClonarium::ImageGroup& images : groups) {
            const FileGroup group =
                MakeGroup(images, files, signatures, LibraryOptions(), roots.size() > 1, cache_ != nullptr);
            if (group.files.size() >= 2) {
                progress.OnGroupFound(group);
            }
        }
    });
}

} // namespace clonarium
