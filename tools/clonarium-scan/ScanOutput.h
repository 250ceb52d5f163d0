#pragma once
// What clonarium-scan prints: the groups on standard output, as UTF-8, each
// file's full path on a line of its own and an empty line after each group;
// on standard error each file and folder that could not be read, on a line
// "not read: PATH" as it comes (a folder's path ends in a backslash), and the
// counters at the end.
#include "engine/SearchProcessCallback.h"
#include "results/DuplicateResult.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace clonarium {

// One group's lines, appended to `out`.
void AppendGroup(const FileGroup& group, std::string& out);

// Writes UTF-8 text to a standard handle: as wide text when the handle is a
// console (which would otherwise show it in its own code page), as bytes
// otherwise. False when the text could not be written.
bool WriteText(HANDLE handle, const std::string& utf8);

// Counts what the finder reports and passes the groups on to an output
// handle, in large writes.
class ScanCallback : public ISearchProcessCallback {
public:
    ScanCallback(HANDLE output, HANDLE errors) : output_(output), errors_(errors) { }

    // From now on the groups go into the tree instead of the output.
    void KeepGroups(CVirtualTree& tree, ResultMode mode)
    {
        tree_ = &tree;
        mode_ = mode;
    }

    void OnFileCompared(uint64_t) override;
    void OnGroupFound(const FileGroup& group) override;
    void SetFilesToCompare(int64_t) override { }
    void OnFileIndexed(bool excluded) override;
    void RefreshProgress() override { }
    void OnProtectedFolderSkipped() override { ++protectedFoldersSkipped_; }
    void SetStage(int32_t stage) override { stage_ = stage; }
    void OnFileNotRead(const std::wstring& path) override;
    void OnFolderNotRead(const std::wstring& path) override;

    // Writes what is still buffered; false when any write failed.
    bool Flush();
    uint64_t FilesNotRead() const { return filesNotRead_; }
    // The counter lines for standard error.
    std::string Summary(double seconds) const;

private:
    HANDLE output_;
    HANDLE errors_;
    CVirtualTree* tree_ = nullptr;
    ResultMode mode_ = ExactDuplicates;
    ExtensionIcons icons_;
    std::string pending_;
    bool writeFailed_ = false;
    int32_t stage_ = StageIndexing;
    // Every admitted file passes once through the stage after indexing: the
    // exact search compares it, the image search examines it. (The image
    // search's own number of files to compare counts comparison steps.)
    uint64_t filesIndexed_ = 0;
    uint64_t filesSkipped_ = 0;
    uint64_t filesNotRead_ = 0; // by the comparison: left out of every group
    uint64_t foldersNotRead_ = 0;
    uint64_t protectedFoldersSkipped_ = 0;
    uint64_t groups_ = 0;
    uint64_t duplicateFiles_ = 0;
};

} // namespace clonarium
