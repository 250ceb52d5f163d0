#pragma once
// Opens the files of the comparison ahead of the worker that reads them.
// Under Wine every open and every close is a round trip to the server, while
// reading cached content is cheap, and round trips made on other threads
// overlap well with the worker's reading. The worker still takes the files
// one by one, in order, and reads them itself.
#include "engine/FileIndexer.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <map>
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

class FileOpener {
public:
    // Hands out every file of `sizes` whose size is shared by two or more
    // files: sizes ascending, each size's files in list order. Up to `window`
    // files are open at a time, the one being read included; `openers`
    // threads open them, and close a read file when its place is needed.
    // With no opener thread Next does both itself. The caller may erase sizes
    // and empty lists it has taken every file of.
    FileOpener(const SizeMap& sizes, size_t openers, size_t window, size_t streamBufferSize);
    FileOpener(const FileOpener&) = delete;
    FileOpener& operator=(const FileOpener&) = delete;
    // Files opened ahead are closed unread; no opener thread outlives this.
    ~FileOpener();

    // The next file's stream, not open when the file could not be opened;
    // valid until the next call.
    std::ifstream& Next();

private:
    struct Slot {
        std::vector<char> streamBuffer;
        std::ifstream stream;
        std::wstring path;
        bool opened = false;
    };
    using SizeIterator = std::map<uint64_t, std::vector<FileRecord>>::const_iterator;

    void RequestAhead();
    void SkipUniqueSizes();
    void RunOpener();
    static void Open(Slot& slot);
    Slot& SlotOf(size_t number) { return slots_[number % slots_.size()]; }

    // The walk over the files still to request; worker thread only.
    SizeIterator size_;
    const SizeIterator end_;
    size_t index_ = 0;
    size_t taken_ = 0; // files handed out by Next

    std::vector<Slot> slots_;
    SlimLock lock_;
    CONDITION_VARIABLE requested_ = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE opened_ = CONDITION_VARIABLE_INIT;
    // Files are numbered in the order Next hands them out; a file's slot is
    // its number modulo the window. Guarded by lock_, as are the slots'
    // paths and flags.
    size_t requestEnd_ = 0; // files requested so far
    size_t openNext_ = 0;   // the first file nobody has begun to open
    bool stopping_ = false;
    std::vector<std::thread> openers_;
};

} // namespace clonarium
