#include "engine/SearchWorker.h"

#include "engine/DuplicateFinder.h"
#include "engine/DuplicateImageFinder.h"
#include "engine/SearchCacheFile.h"

#include <memory>

namespace clonarium {

void SearchWorker::SetSearch(
    const std::vector<SearchRoot>& roots, const SearchParameters& parameters, ISearchProcessCallback& callback)
{
    mode_ = parameters.SearchMode;
    parameters_ = &parameters;
    roots_ = roots;
    callback_ = &callback;
}

void SearchWorker::Run()
{
    if (parameters_ == nullptr) {
        return;
    }
    std::unique_ptr<AbstractDuplicateFinder> finder;
    if (mode_ == SimilarImages) {
        finder = std::make_unique<DuplicateImageFinder>(*parameters_);
    } else {
        finder = std::make_unique<DuplicateFinder>(*parameters_);
    }
    SearchCacheFile cache;
    if (!cacheFile_.empty()) {
        cache.Load(cacheFile_); // a cache that cannot be read starts empty
        finder->SetCache(&cache);
    }
    finder->FindDuplicates(roots_, callback_);
    if (!cacheFile_.empty()) {
        cache.Save(cacheFile_);
    }
}

} // namespace clonarium
