#pragma once
// The worker a search runs on: it runs the finder of the search mode over the
// roots and reports through the callback.
#include "engine/FileRecord.h"
#include "engine/SearchParameters.h"
#include "engine/SearchProcessCallback.h"
#include "system/Worker.h"

#include <string>
#include <vector>

namespace clonarium {

class SearchWorker : public vandrelcommon::system::IWorker {
public:
    // The parameters and the callback must outlive the run; the roots are copied.
    void SetSearch(
        const std::vector<SearchRoot>& roots, const SearchParameters& parameters, ISearchProcessCallback& callback);

    // The search cache's file: read before the search and written after it.
    // Empty (the default): no cache.
    void SetCacheFile(const std::wstring& path) { cacheFile_ = path; }

    void Run() override;

private:
    uint32_t mode_ = ExactDuplicates;
    const SearchParameters* parameters_ = nullptr;
    std::vector<SearchRoot> roots_;
    ISearchProcessCallback* callback_ = nullptr;
    std::wstring cacheFile_;
};

} // namespace clonarium
