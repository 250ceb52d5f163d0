#include "engine/FileOpener.h"

#include "engine/LongPath.h"

#include <system_error>

FileOpener::FileOpener(const SizeMap& sizes, size_t openers, size_t window, size_t streamBufferSize)
    : size_(sizes.bySize.begin()), end_(sizes.bySize.end()), slots_(window == 0 ? 1 : window)
{
    for (Slot& slot : slots_) {
        slot.streamBuffer.resize(streamBufferSize);
    }
    SkipUniqueSizes();
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
    requested_.notify_all();
    for (std::thread& opener : openers_) {
        opener.join();
    }
}

std::ifstream& FileOpener::Next()
{
    if (taken_ > 0) {
        SlotOf(taken_ - 1).stream.close();
    }
    RequestAhead();
    Slot& slot = SlotOf(taken_++);
    std::unique_lock lock(lock_);
    if (openNext_ < taken_) { // nobody has begun this one
        ++openNext_;
        lock.unlock();
        Open(slot);
    } else {
        opened_.wait(lock, [&] { return slot.opened; });
    }
    return slot.stream;
}

void FileOpener::RequestAhead()
{
    {
        std::lock_guard lock(lock_);
        while (requestEnd_ - taken_ < slots_.size() && size_ != end_) {
            Slot& slot = SlotOf(requestEnd_++);
            slot.path = size_->second[index_].path;
            slot.opened = false;
            if (++index_ == size_->second.size()) {
                index_ = 0;
                ++size_;
                SkipUniqueSizes();
            }
        }
    }
    requested_.notify_all();
}

void FileOpener::SkipUniqueSizes()
{
    while (size_ != end_ && size_->second.size() < 2) {
        ++size_;
    }
}

void FileOpener::RunOpener()
{
    std::unique_lock lock(lock_);
    for (;;) {
        requested_.wait(lock, [&] { return stopping_ || openNext_ < requestEnd_; });
        if (stopping_) {
            return;
        }
        Slot& slot = SlotOf(openNext_++);
        lock.unlock();
        Open(slot);
        lock.lock();
        slot.opened = true;
        opened_.notify_one();
    }
}

void FileOpener::Open(Slot& slot)
{
    slot.stream.rdbuf()->pubsetbuf(slot.streamBuffer.data(), static_cast<std::streamsize>(slot.streamBuffer.size()));
    slot.stream.open(AddLongPathPrefix(slot.path).c_str(), std::ios::binary);
}
