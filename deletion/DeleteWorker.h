#pragma once
// Removes the queued files one at a time on a thread of its own, in one of
// the three modes, reporting each file's outcome to its callback.
#include "deletion/DeleteGuard.h"
#include "deletion/DeleteOperation.h"
#include "deletion/DeleteTypes.h"
#include "system/Worker.h"

#include <deque>
#include <memory>
#include <optional>
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

private:
    // Failure reason, or nothing when the file was handled and has left its
    // place. `file` is the queued file, open for its deletion; each way
    // closes it when done.
    std::optional<std::wstring> Handle(const IDeleteItem& item, const std::wstring& path);
    std::optional<std::wstring> ToRecycleBin(
        vandrelcommon::system::KernelHandle& file, const std::wstring& path, DWORD attributes);
    std::optional<std::wstring> ToBackup(
        vandrelcommon::system::KernelHandle& file, const std::wstring& path, DWORD attributes);
    void DiscardQueue();

    std::unique_ptr<IDeleteOperation> deleter_;
    DeleteParameters parameters_;
    IDeleteProcessCallback* callback_ = nullptr;
    DeleteGuard guard_;
    std::deque<std::unique_ptr<IDeleteItem>> queue_;
};

} // namespace clonarium
