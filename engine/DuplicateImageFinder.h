#pragma once
// Similar pictures: the indexer collects the admitted files, the image
// library groups those it judges alike.
#include "engine/DuplicateFinder.h"
#include "imaging/ImageClonarium.h"

namespace clonarium {

// Turns the library's progress calls into those of a search callback.
class ImageFinderCallback : public ImageClonarium::IImageClonariumCallback {
public:
    // `paths` are the library's pictures, by index.
    ImageFinderCallback(ISearchProcessCallback& callback, const std::vector<std::wstring>& paths)
        : callback_(callback), paths_(paths)
    { }

    void OnStart(uint64_t imageCount) override;
    void OnImageExamined(uint64_t examined, uint64_t imageCount) override;
    void OnCompareProgress(uint64_t done, uint64_t total) override;
    bool ShouldStop() override;
    void OnImageNotRead(uint64_t index) override;

private:
    ISearchProcessCallback& callback_;
    const std::vector<std::wstring>& paths_;
    bool totalAnnounced_ = false;
};

class DuplicateImageFinder : public AbstractDuplicateFinder {
public:
    using AbstractDuplicateFinder::AbstractDuplicateFinder;

    void FindDuplicates(const std::vector<SearchRoot>& roots, ISearchProcessCallback* callback) override;

    // The library's options word for these parameters: rotated copies are
    // matched unless do-rotations is off, mirror images when do-mirrors is on.
    uint32_t LibraryOptions() const;

private:
    // The library's groups, with what the cache knows of the pictures; and
    // the signatures of all of them, parallel to the files.
    ImageClonarium::ImageGroups FindAlike(
        const PathList& files, ImageFinderCallback& adapter, std::vector<ImageClonarium::PictureSignature>& signatures);
};

} // namespace clonarium
