#include "engine/FileOpener.h"

#include "system/LongPath.h"

#include <mutex>
#include <system_error>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;

FileOpener::FileOpener(std::vector<const std::wstring*> paths, size_t openers, size_t window)
    : paths_(std::move(paths)), slots_(window == 0 ? 1 : window)
{
    if (paths_.empty()) {
        return; // nothing to open
    }
    openers_.reserve(openers);
    for (size_t i = 0; i < openers; ++i) {
        try {
            openers_.emplace_back(&FileOpener::RunOpener, this);
        } catch (const std::system_error&) {
            break; // fewer openers; Next opens what nobody else does
        }
    }
}

FileOpener::~FileOpener()
{
    {
        std::lock_guard lock(lock_);
        stopping_ = true;
    }
    ::WakeAllConditionVariable(&fileRequested_);
    for (std::thread& opener : openers_) {
        opener.join();
    }
}

HANDLE FileOpener::Next()
{
    // The file handed out last is finished with from here on.
    RequestAhead();
    Slot& slot = SlotOf(handedOut_++);
    std::unique_lock lock(lock_);
    if (claimed_ < handedOut_) { // no opener has claimed the file: open it here
        ++claimed_;
        lock.unlock();
        Open(slot);
    } else {
        lock_.Wait(fileOpened_, [&] { return slot.opened; });
    }
    return slot.file.Get();
}

// Requests files until the ring is full: at most `window` files beyond the
// finished ones, so each slot given a new path held a finished file.
void FileOpener::RequestAhead()
{
    size_t newlyRequested = 0;
    {
        std::lock_guard lock(lock_);
        for (; requested_ - handedOut_ < slots_.size() && requested_ < paths_.size(); ++newlyRequested) {
            Slot& slot = SlotOf(requested_);
            slot.path = *paths_[requested_++];
            slot.opened = false;
        }
    }
    if (newlyRequested == 1) {
        ::WakeConditionVariable(&fileRequested_);
    } else if (newlyRequested > 1) {
        ::WakeAllConditionVariable(&fileRequested_);
    }
}

// An opener claims the oldest requested file nobody has claimed, opens it
// outside the lock (the slot's stream is its own until `opened` is set) and
// wakes the worker, which may be waiting for exactly this file.
void FileOpener::RunOpener()
{
    std::unique_lock lock(lock_);
    for (;;) {
        lock_.Wait(fileRequested_, [&] { return stopping_ || claimed_ < requested_; });
        if (stopping_) {
            return;
        }
        Slot& slot = SlotOf(claimed_++);
        lock.unlock();
        Open(slot);
        lock.lock();
        slot.opened = true;
        ::WakeConditionVariable(&fileOpened_);
    }
}

// Closes the finished file of the slot's previous turn, then opens its new one.
void FileOpener::Open(Slot& slot)
{
    slot.file.Reset();
    slot.file.Reset(OpenToRead(slot.path));
    opened_.fetch_add(1, std::memory_order_relaxed);
}

HANDLE OpenToRead(const std::wstring& path)
{
    return ::CreateFileW(AddLongPathPrefix(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

} // namespace clonarium
