#include "engine/FileOpener.h"

#include "system/LongPath.h"

#include <mutex>
#include <system_error>

namespace clonarium {

using vandrelcommon::system::AddLongPathPrefix;

FileOpener::FileOpener(const SizeMap& sizes, size_t openers, size_t window, size_t streamBufferSize)
    : size_(sizes.bySize.begin()), end_(sizes.bySize.end()), slots_(window == 0 ? 1 : window)
{
    for (Slot& slot : slots_) {
        slot.streamBuffer.resize(streamBufferSize);
    }
    SkipUniqueSizes();
    if (size_ == end_) {
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
    ::WakeAllConditionVariable(&requested_);
    for (std::thread& opener : openers_) {
        opener.join();
    }
}

std::ifstream& FileOpener::Next()
{
    RequestAhead();
    Slot& slot = SlotOf(taken_++);
    std::unique_lock lock(lock_);
    if (openNext_ < taken_) { // nobody has begun this one
        ++openNext_;
        lock.unlock();
        Open(slot);
    } else {
        lock_.Wait(opened_, [&] { return slot.opened; });
    }
    return slot.stream;
}

// Fills the window. The slots reused hold files the worker is done with.
void FileOpener::RequestAhead()
{
    size_t requested = 0;
    {
        std::lock_guard lock(lock_);
        for (; requestEnd_ - taken_ < slots_.size() && size_ != end_; ++requested) {
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
    if (requested == 1) {
        ::WakeConditionVariable(&requested_);
    } else if (requested > 1) {
        ::WakeAllConditionVariable(&requested_);
    }
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
        lock_.Wait(requested_, [&] { return stopping_ || openNext_ < requestEnd_; });
        if (stopping_) {
            return;
        }
        Slot& slot = SlotOf(openNext_++);
        lock.unlock();
        Open(slot);
        lock.lock();
        slot.opened = true;
        ::WakeConditionVariable(&opened_);
    }
}

// Closes the file read before in this slot, then opens the slot's new one.
void FileOpener::Open(Slot& slot)
{
    if (slot.stream.is_open()) {
        slot.stream.close();
    }
    slot.stream.rdbuf()->pubsetbuf(slot.streamBuffer.data(), static_cast<std::streamsize>(slot.streamBuffer.size()));
    slot.stream.open(AddLongPathPrefix(slot.path).c_str(), std::ios::binary);
}

} // namespace clonarium
