#pragma once
// Puts back the files of the last run, read from its journal: out of the
// backup folder, out of the Recycle Bin through the bin's own Restore, or a
// name that shares the kept copy's file into a file of its own again, with
// the times and attributes it had. A place another file has taken is never
// overwritten: that file is skipped with a reason, and can be put back by a
// later undo once its place is free.
#include "deletion/DeleteJournal.h"
#include "system/Worker.h"

#include <cstdint>
#include <optional>
#include <string>

namespace clonarium {

// What the undo worker reports to; every call comes on the worker thread.
class IUndoCallback : public virtual vandrelcommon::system::IControlCallback {
public:
    virtual void OnUndoStarted(DeleteMode mode, uint64_t count) = 0;
    // About to put back the file that was at `path` (plain).
    virtual void OnFileStarted(const std::wstring& path) = 0;
    virtual void OnFileRestored(const std::wstring& path) = 0;
    virtual void OnFileSkipped(const std::wstring& path, const std::wstring& reason) = 0;
};

// The files the journal at `journalFile` can still put back, and the mode of
// its run; 0 when there is no journal or nothing to undo (a permanent run).
size_t UndoableFiles(const std::wstring& journalFile, DeleteMode* mode = nullptr);

class UndoWorker : public vandrelcommon::system::IWorker {
public:
    explicit UndoWorker(std::wstring journalFile) : journalFile_(std::move(journalFile)) { }
    void SetCallback(IUndoCallback* callback) { callback_ = callback; }

    void Run() override;

private:
    // The reason the file stays where it is, or nothing once it is back.
    std::optional<std::wstring> Restore(DeleteMode mode, const JournalEntry& entry);
    std::optional<std::wstring> FromBackup(const JournalEntry& entry);
    std::optional<std::wstring> FromRecycleBin(const JournalEntry& entry);
    std::optional<std::wstring> FromLink(const JournalEntry& entry);

    std::wstring journalFile_;
    IUndoCallback* callback_ = nullptr;
    uint64_t nextTemporary_ = 0;
};

} // namespace clonarium
