#pragma once
// A search callback that counts what a finder tells it, and can request a
// stop once a given number of files has been indexed.
#include "engine/SearchProcessCallback.h"

#include <vector>

namespace clonarium {

class RecordingCallback : public ISearchProcessCallback {
public:
    void OnFileCompared(uint64_t) override { ++compared; }
    void OnGroupFound(const FileGroup& group) override { groups.push_back(group); }
    void SetFilesToCompare(int64_t count) override { filesToCompare = count; }
    void OnFileIndexed(bool excluded) override
    {
        ++(excluded ? skipped : indexed);
        if (stopAfterIndexed > 0 && indexed + skipped == stopAfterIndexed) {
            Stop();
        }
    }
    void RefreshProgress() override { }
    void OnProtectedFolderSkipped() override { ++protectedSkipped; }
    void SetStage(int32_t stage) override { stages.push_back(stage); }
    void OnFileNotRead(const std::wstring& path) override { notReadFiles.push_back(path); }
    void OnFolderNotRead(const std::wstring& path) override { notReadFolders.push_back(path); }

    int compared = 0;
    int indexed = 0;
    int skipped = 0;
    int protectedSkipped = 0;
    std::vector<std::wstring> notReadFiles;
    std::vector<std::wstring> notReadFolders;
    int stopAfterIndexed = 0; // 0: never
    int64_t filesToCompare = -1;
    std::vector<int32_t> stages;
    std::vector<FileGroup> groups;
};

} // namespace clonarium
