#pragma once
// Opens the files of the comparison ahead of the worker that reads them.
// Under Wine every open and every close is a round trip to the server, while
// reading cached content is cheap, and round trips made on other threads
// overlap well with the worker's reading. The worker still takes the files
// one by one, in order, and reads them itself.
#include "system/Handles.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace clonarium {

// Win32's slim lock and condition variable: unlike the thread library's, they
// wait and wake without a round trip to Wine's server.
class SlimLock {
public:
    void lock() { ::AcquireSRWLockExclusive(&lock_); }
    void unlock() { ::ReleaseSRWLockExclusive(&lock_); }

    // Called with the lock held.
    template <typename Predicate>
    void Wait(CONDITION_VARIABLE& condition, Predicate ready)
    {
        while (!ready()) {
            ::SleepConditionVariableSRW(&condition, &lock_, INFINITE, 0);
        }
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// A file opened as the comparison reads it (others may read and write it
// meanwhile); INVALID_HANDLE_VALUE when it cannot be.
HANDLE OpenToRead(const std::wstring& path);

// The ring. Files are numbered in the order Next hands them out, from 0; file
// n uses slot n % window. Three counts, each only growing, keep the order
//     claimed_ <= requested_ <= finished + window
// where `finished` is handedOut_ - 1 once Next has handed out a file (the
// worker reads that one and is done with every one before it), else 0:
//   requested_   files whose path was put in their slot;
//   claimed_     files someone (an opener, or Next itself) began to open;
//   handedOut_   files Next handed out.
// The files not yet finished with are thus at most `window` and sit in
// distinct slots: a slot gets a new path only after the worker is done with
// its old file, so opening the new file may close the old one unasked.
class FileOpener {
public:
    // Hands out the files of `paths` in order, opened for reading. Up to
    // `window` files are open at a time, the one being read included;
    // `openers` threads open them, and close a read file when its place is
    // needed. With no opener thread Next does both itself. A path must stay
    // valid until its file was handed out.
    FileOpener(std::vector<const std::wstring*> paths, size_t openers, size_t window);
    FileOpener(const FileOpener&) = delete;
    FileOpener& operator=(const FileOpener&) = delete;
    // Files opened ahead are closed unread; no opener thread outlives this.
    ~FileOpener();

    // The next file, an invalid handle when it could not be opened; valid
    // until the next call, which also tells that the worker is done with it.
    HANDLE Next();

    // Files opened so far (or tried).
    size_t OpenCount() const { return opened_; }

private:
    // One place of the ring. `path` and `opened` are guarded by lock_; the
    // file belongs to whoever claimed the slot's file until `opened` is set,
    // then to the worker.
    struct Slot {
        vandrelcommon::system::KernelHandle file;
        std::wstring path;
        bool opened = false;
    };
    void RequestAhead();
    void RunOpener();
    void Open(Slot& slot);
    Slot& SlotOf(size_t fileNumber) { return slots_[fileNumber % slots_.size()]; }

    const std::vector<const std::wstring*> paths_;
    size_t handedOut_ = 0; // worker thread only
    std::atomic<size_t> opened_ = 0;

    std::vector<Slot> slots_;
    SlimLock lock_;
    CONDITION_VARIABLE fileRequested_ = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE fileOpened_ = CONDITION_VARIABLE_INIT;
    // Guarded by lock_.
    size_t requested_ = 0;
    size_t claimed_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> openers_;
};

} // namespace clonarium
