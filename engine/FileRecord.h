#pragma once
// The records that travel through a search: where to look, what was found,
// and the groups a finder reports.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace clonarium {

// One entry of the list of places a search walks: a folder (walked with all
// its subfolders) or a single file.
struct SearchRoot {
    std::wstring path;
    bool isFolder = true;
};

// One admitted file. Times are UTC as the file system reports them.
struct FileRecord {
    std::wstring path; // never carries the long-path prefix
    FILETIME creationTime{};
    FILETIME lastAccessTime{};
    FILETIME lastWriteTime{};
    uint64_t size = 0;
    bool isImage = false;
    uint32_t width = 0;
    uint32_t height = 0;
    // Similar pictures: how alike to the first picture of its group, in percent.
    uint16_t similarity = 0;
};

// What a finder reports for one group: the size every file shares (0 for
// similar images) and the files, in the order the indexer admitted them.
struct FileGroup {
    uint64_t size = 0;
    std::vector<FileRecord> files;
};

} // namespace clonarium
