#pragma once
// Removes the queued files one at a time on a thread of its own, in one of
// the three modes, or gives their names to hard links to the kept copies,
// reporting each file's outcome to its callback and writing what it did
// into the journal of the run.
#include "deletion/DeleteGuard.h"
#include "deletion/DeleteJournal.h"
#include "deletion/DeleteOperation.h"
#include "deletion/DeleteTypes.h"
#include "system/Worker.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace clonarium {

class DeleteWorker : public vandrelcommon::system::IWorker {
public:
    explicit DeleteWorker(std::unique_ptr<IDeleteOperation> deleter = std::make_unique<WindowsVistaDeleter>());
    ~DeleteWorker() override;

    // Filled on the owner's thread before the start; the run destroys each item.
    void Enqueue(std::unique_ptr<IDeleteItem> item) { queue_.push_back(std::move(item)); }
    void SetParameters(const DeleteParameters& parameters) { parameters_ = parameters; }
    void SetCallback(IDeleteProcessCallback* callback) { callback_ = callback; }

    // The deleter of the last run: a WindowsXPDeleter when the one given
    // could not initialise.
    const IDeleteOperation& Deleter() const { return *deleter_; }

    void Run() override;

    // Called in HardLink mode after the link is made and before it takes the
    // file's name: lets a test stop the run there, as a crash would.
    void SetBeforeLinkMovesForTest(std::function<void()> hook) { beforeLinkMoves_ = std::move(hook); }
    // Makes the links in place of the system, as CreateHardLinkW would: lets
    // a test play a drive that holds none.
    using MakeLink = std::function<bool(const std::wstring& link, const std::wstring& existing)>;
    void SetMakeLinkForTest(MakeLink make) { makeLink_ = std::move(make); }

private:
    // Failure reason, or nothing when the file was handled: it has left its
    // place, or its name shares the kept copy's file (`freed` then tells the
    // bytes that freed). `file` is the queued file, open for its handling;
    // each way closes it when done.
    std::optional<std::wstring> Handle(const IDeleteItem& item, const std::wstring& path, uint64_t& freed);
    std::optional<std::wstring> ToRecycleBin(vandrelcommon::system::KernelHandle& file, const std::wstring& path,
        const OpenFileState& state, JournalEntry& entry);
    std::optional<std::wstring> ToBackup(vandrelcommon::system::KernelHandle& file, const std::wstring& path,
        const OpenFileState& state, JournalEntry& entry);
    std::optional<std::wstring> LinkToKeptCopy(vandrelcommon::system::KernelHandle& file, const std::wstring& path,
        const OpenFileState& state, JournalEntry& entry, uint64_t& freed);
    std::optional<std::wstring> LinkFailure(DWORD error, const std::wstring& path);
    bool MoveLinkOver(vandrelcommon::system::KernelHandle& file, HANDLE link, const std::wstring& path);
    void BeginJournal();
    void DiscardQueue();

    std::unique_ptr<IDeleteOperation> deleter_;
    DeleteParameters parameters_;
    IDeleteProcessCallback* callback_ = nullptr;
    DeleteGuard guard_;
    std::deque<std::unique_ptr<IDeleteItem>> queue_;
    JournalWriter journal_;
    uint64_t nextId_ = 0;
    uint64_t nextTemporary_ = 0;
    // Volumes that said they hold no hard links: said once, then short.
    std::set<std::wstring> volumesWithoutLinks_;
    // The rename that replaces a name still held open; given up for the run
    // once the system does not know it.
    bool posixRename_ = true;
    std::function<void()> beforeLinkMoves_;
    MakeLink makeLink_;
};

} // namespace clonarium
