#pragma once
// What the duplicates pane and the delete progress dialog ask of the preview.
#include <string>

namespace clonarium {

class IDuplicatePreview {
public:
    virtual ~IDuplicatePreview() = default;
    // The file is about to be deleted: let go of it, and clear the view if it
    // shows that file.
    virtual void ReleaseFile(const std::wstring& path) = 0;
};

} // namespace clonarium
