#pragma once
// What the delete worker is given and what it reports: the modes, the
// parameters of one run, the queued files and the callback.
#include "engine/FileRecord.h"
#include "system/Worker.h"

#include <cstdint>
#include <string>
#include <vector>

namespace clonarium {

// Stored in the settings file as "ddt": the numbering is fixed.
enum class DeleteMode : uint32_t {
    ToRecycleBin = 0,
    BackupInFolder = 1,
    Permanently = 2,
};

// Stored in the settings file as "ddom": the numbering is fixed.
enum class ConflictAction : int32_t {
    Cancel = 0,
    Overwrite = 1,
    Skip = 2,
    RenameTo = 3,
    AutoGenerate = 4,
};

struct DeleteParameters {
    DeleteMode mode = DeleteMode::ToRecycleBin;
    // Remove the folders a successful delete leaves empty.
    bool deleteEmptyFolders = false;
    // Root of the mirror tree for BackupInFolder, a plain absolute path.
    std::wstring backupFolder;
};

// What the search saw of a queued file and of the files of its group that
// stay. Before the file is touched, in every mode, the worker checks that it
// is unchanged and that one of the files that stay still exists unchanged
// and, for exact duplicates, holds the same bytes, so that a deletion never
// removes the last copy of anything.
struct DeleteCheck {
    uint64_t size = 0;
    FILETIME lastWriteTime{};
    // Files of the same group that are not queued.
    std::vector<FileRecord> keptCopies;
    // The group holds exact duplicates: its files have the same bytes, and the
    // kept copy is compared with the file byte for byte.
    bool sameContent = false;
    // The user confirmed deleting every file of the group; with no kept copy
    // the second check is then skipped.
    bool wholeGroupConfirmed = false;
};

// One queued file.
class IDeleteItem {
public:
    virtual ~IDeleteItem() = default;
    // Full path, without the long-path prefix.
    virtual const std::wstring& GetPath() const = 0;
    virtual const DeleteCheck& GetCheck() const = 0;
};

// A queued file with nothing more than its path and what the search saw.
class FileDeleteItem : public IDeleteItem {
public:
    FileDeleteItem(std::wstring path, DeleteCheck check) : path_(std::move(path)), check_(std::move(check)) { }
    const std::wstring& GetPath() const override { return path_; }
    const DeleteCheck& GetCheck() const override { return check_; }

private:
    std::wstring path_;
    DeleteCheck check_;
};

// What the delete worker reports to; every call comes on the worker thread.
class IDeleteProcessCallback : public virtual vandrelcommon::system::IControlCallback {
public:
    // The file is about to be handled; `path` is in long-path form.
    virtual void OnFileStarted(const std::wstring& path) = 0;
    virtual void OnFileDeleted(IDeleteItem* item) = 0;
    virtual void OnFileFailed(IDeleteItem* item, const std::wstring& reason) = 0;
    virtual void OnDeleteStarted(uint64_t count) = 0;
    // The backup target exists. Both paths are in long-path form; `target`
    // may be replaced for RenameTo and AutoGenerate.
    virtual ConflictAction OnFileExists(const std::wstring& source, std::wstring& target) = 0;
};

} // namespace clonarium
