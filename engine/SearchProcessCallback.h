#pragma once
// How a finder reports its progress and its groups; the search progress
// dialog implements it.
#include "engine/FileRecord.h"
#include "system/Worker.h"

#include <cstdint>
#include <string>

namespace clonarium {

enum SearchStage : int32_t {
    StageIndexing = 0,
    StageComparing = 1,       // exact search; examining images in an image search
    StageComparingImages = 2, // image search only
};

class ISearchProcessCallback : public vandrelcommon::system::IControlCallback {
public:
    // One file of the comparison stage is done; `size` is its size (0 from
    // the image search, which compares pictures, not sizes).
    virtual void OnFileCompared(uint64_t size) = 0;
    // The group is valid only during the call; the receiver copies what it keeps.
    virtual void OnGroupFound(const FileGroup& group) = 0;
    virtual void SetFilesToCompare(int64_t count) = 0;
    // One file entry met by a folder walk; `excluded` when the filters left it out.
    virtual void OnFileIndexed(bool excluded) = 0;
    // Repaint request from the dialog's own timer; finders never call it.
    virtual void RefreshProgress() = 0;
    virtual void OnProtectedFolderSkipped() = 0;
    virtual void SetStage(int32_t stage) = 0;
    // One file of the comparison stage could not be read: it would not open
    // under its listed name, a read failed, or it gave more than its listed
    // size. Counted with the skipped files; OnFileCompared comes too.
    virtual void OnFileNotRead(const std::wstring& path) = 0;
    // A folder the walk met could not be listed (no access, or a path the
    // system cannot reach): nothing below it was searched. Counted with the
    // skipped files.
    virtual void OnFolderNotRead(const std::wstring& path) = 0;
};

} // namespace clonarium
