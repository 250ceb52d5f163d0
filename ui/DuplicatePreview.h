#pragma once
// What the duplicates pane and the delete progress dialog ask of the preview.
#include <string>

namespace clonarium {

class CDuplicateItem;

class IDuplicatePreview {
public:
    virtual ~IDuplicatePreview() = default;
    // Shows a file of the result in the first pane, or nothing (null).
    virtual void ShowFirst(const CDuplicateItem* item) = 0;
    // The same for the second pane.
    virtual void ShowSecond(const CDuplicateItem* item) = 0;
    // True: only the first pane. False: both, the second one emptied.
    virtual void SetSinglePane(bool single) = 0;
    // The file is about to be deleted: let go of it, and clear the view if it
    // shows that file (another spelling or a hard link of it included).
    virtual void ReleaseFile(const std::wstring& path) = 0;
};

} // namespace clonarium
