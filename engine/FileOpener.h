#pragma once
// Opens the files of the comparison ahead of the worker that reads them.
// Under Wine every open costs a few round trips to the server while reading
// cached content is cheap, and opens made on other threads overlap well with
// the worker's reading. The worker still takes the files one by one, in order.
#include "engine/FileIndexer.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FileOpener {
public:
    // Hands out every file of `sizes` whose size is shared by two or more
    // files: sizes ascending, each size's files in list order. Up to `window`
    // files are open at a time, the one being read included; `openers`
    // threads open them. With no opener thread Next opens each file itself.
    // The caller may erase sizes and empty lists it has taken every file of.
    FileOpener(const SizeMap& sizes, size_t openers, size_t window, size_t streamBufferSize);
    FileOpener(const FileOpener&) = delete;
    FileOpener& operator=(const FileOpener&) = delete;
    // Files opened ahead are closed unread; no opener thread outlives this.
    ~FileOpener();

    // The next file's stream, not open when the file could not be opened;
    // valid until the next call, which closes it.
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
    Slot& SlotOf(size_t sequence) { return slots_[sequence % slots_.size()]; }

    // The walk over the files still to request; worker thread only.
    SizeIterator size_;
    const SizeIterator end_;
    size_t index_ = 0;
    size_t taken_ = 0; // files handed out by Next

    std::vector<Slot> slots_;
    std::mutex lock_;
    std::condition_variable requested_;
    std::condition_variable opened_;
    // Files are numbered in the order they are handed out; slot = number
    // modulo the window. Guarded by lock_.
    size_t requestEnd_ = 0; // files requested so far
    size_t openNext_ = 0;   // the first file nobody has begun to open
    bool stopping_ = false;
    std::vector<std::thread> openers_;
};
