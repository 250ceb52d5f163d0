#include "engine/SearchWorker.h"

#include "engine/DuplicateFinder.h"
#include "engine/DuplicateImageFinder.h"
#include "engine/SearchCacheDatabase.h"

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
    // A cache that cannot be opened is done without.
    SearchCacheDatabase cache;
    if (!cacheFile_.empty()) {
        cache.Open(cacheFile_);
    }
    if (cache.IsOpen()) {
        finder->SetCache(&cache);
    }
    finder->FindDuplicates(roots_, callback_);
    cache.Close();
}

} // namespace clonarium
