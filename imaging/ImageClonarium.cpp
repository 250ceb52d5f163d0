// Find: pictures are examined on a few threads of our own; everything the
// caller sees (callbacks, the grouping) happens on the calling thread.
#include "imaging/ImageClonarium.h"

#include "imaging/Grouping.h"
#include "imaging/PictureReader.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace ImageClonarium {

IImageClonariumCallback::IImageClonariumCallback() = default;
IImageClonariumCallback::~IImageClonariumCallback() = default;

namespace {

// How often the caller hears of progress and is asked whether to stop.
constexpr ULONGLONG ProgressEveryMs = 50;
constexpr ULONGLONG StopQuestionEveryMs = 100;
// Readers run at most this many pictures ahead of what the caller has been
// told, so that they pause when the caller blocks in ShouldStop.
constexpr uint64_t ReadAhead = 64;

struct Examined {
    bool Readable = false;
    uint32_t Width = 0, Height = 0;
    Signature Signs;
};

// The number in PictureSignature::Format of the signatures made here. A change
// to the signature or to how it is made needs a new number, so that signatures
// kept from an earlier version are made again rather than misread.
// 2: with the mirror images' hashes; 3: signs of the coefficients, of the
// whole picture and of its parts, without the corners; 4: JPEG pictures
// reduced by their decoder before they are averaged.
constexpr uint32_t SignatureFormat = 4;
static_assert(sizeof(Signature::Frames) + sizeof(Signature::Tone) == 115,
    "a changed signature needs a new SignatureFormat and packing");
static_assert(115 <= sizeof(PictureSignature::Bytes));

PictureSignature Pack(const Examined& picture)
{
    PictureSignature packed;
    packed.Format = SignatureFormat;
    packed.Readable = picture.Readable ? 1 : 0;
    packed.Width = picture.Width;
    packed.Height = picture.Height;
    std::memcpy(packed.Bytes.data(), picture.Signs.Frames.data(), sizeof(picture.Signs.Frames));
    std::memcpy(
        packed.Bytes.data() + sizeof(picture.Signs.Frames), picture.Signs.Tone.data(), sizeof(picture.Signs.Tone));
    return packed;
}

// False when `packed` is of another format or makes no sense.
bool Unpack(const PictureSignature& packed, Examined& picture)
{
    if (packed.Format != SignatureFormat || packed.Readable > 1) {
        return false;
    }
    picture.Readable = packed.Readable == 1;
    picture.Width = packed.Width;
    picture.Height = packed.Height;
    std::memcpy(picture.Signs.Frames.data(), packed.Bytes.data(), sizeof(picture.Signs.Frames));
    std::memcpy(
        picture.Signs.Tone.data(), packed.Bytes.data() + sizeof(picture.Signs.Frames), sizeof(picture.Signs.Tone));
    return true;
}

// The caller's callback with its calls spaced out; works without one.
class Caller {
public:
    explicit Caller(IImageClonariumCallback* callback) : callback_(callback) { }

    bool ShouldStop(bool now = false)
    {
        if (!callback_) {
            return false;
        }
        const ULONGLONG tick = ::GetTickCount64();
        if (!now && tick - lastQuestion_ < StopQuestionEveryMs) {
            return false;
        }
        lastQuestion_ = tick;
        return callback_->ShouldStop();
    }
    void OnStart(uint64_t count)
    {
        if (callback_) {
            callback_->OnStart(count);
        }
    }
    void OnImageExamined(uint64_t examined, uint64_t count)
    {
        if (callback_) {
            callback_->OnImageExamined(examined, count);
        }
    }
    void OnImageNotRead(uint64_t index)
    {
        if (callback_) {
            callback_->OnImageNotRead(index);
        }
    }
    void OnCompareProgress(uint64_t done, uint64_t total)
    {
        const ULONGLONG tick = ::GetTickCount64();
        if (callback_ && (done == 0 || done == total || tick - lastProgress_ >= ProgressEveryMs)) {
            lastProgress_ = tick;
            callback_->OnCompareProgress(done, total);
        }
    }

private:
    IImageClonariumCallback* callback_;
    ULONGLONG lastQuestion_ = 0;
    ULONGLONG lastProgress_ = 0;
};

// Reads every picture on a pool of threads, but those `known` tells of; the
// threads are stopped and joined when the object goes away, whatever happened.
class Examination {
public:
    Examination(const std::vector<std::wstring>& paths, const std::vector<PictureSignature>* known)
        : paths_(paths), known_(known), results_(paths.size())
    {
        const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
        try {
            for (size_t t = 0; t < std::min(threads, paths.size()); ++t) {
                threads_.emplace_back([this] { Read(); });
            }
        } catch (...) {
            StopAndJoin(); // the destructor does not run for a half-made object
            throw;
        }
    }
    Examination(const Examination&) = delete;
    Examination& operator=(const Examination&) = delete;
    ~Examination() { StopAndJoin(); }

    // Tells the caller of each picture read; false when it asked to stop.
    bool Run(Caller& caller)
    {
        const uint64_t count = paths_.size();
        uint64_t told = 0;
        while (told < count) {
            std::vector<size_t> ready;
            {
                std::unique_lock lock(mutex_);
                callerWake_.wait_for(
                    lock, std::chrono::milliseconds(StopQuestionEveryMs), [&] { return !finished_.empty(); });
                ready.swap(finished_);
            }
            for (size_t index : ready) {
                caller.OnImageExamined(++told, count);
                if (!results_[index].Readable) { // written before the index was handed over
                    caller.OnImageNotRead(index);
                }
                if (caller.ShouldStop()) {
                    return false;
                }
            }
            {
                std::lock_guard lock(mutex_);
                told_ = told;
            }
            readerWake_.notify_all();
            if (caller.ShouldStop()) {
                return false;
            }
        }
        return true;
    }

    // What the readers found; they are all done once Run has returned true.
    std::vector<Examined> TakeResults()
    {
        StopAndJoin();
        return std::move(results_);
    }

private:
    void StopAndJoin()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        readerWake_.notify_all();
        for (auto& thread : threads_) {
            thread.join();
        }
        threads_.clear();
    }

    // The picture's result, from what the caller knows of it or from its file.
    void Examine(size_t index, PictureReader& reader)
    {
        Examined& result = results_[index];
        if (known_ != nullptr && Unpack((*known_)[index], result)) {
            return;
        }
        ExaminedPicture picture;
        try {
            if (reader.Examine(paths_[index], picture)) {
                result.Signs = MakeSignature(picture.Thumb);
                result.Width = picture.Width;
                result.Height = picture.Height;
                result.Readable = true;
            }
        } catch (...) {
            // Out of memory on one picture: it is simply left out.
        }
    }

    void Read()
    {
        ComScope com(COINIT_MULTITHREADED);
        PictureReader reader(&budgets_);
        for (;;) {
            size_t index;
            {
                std::unique_lock lock(mutex_);
                readerWake_.wait(lock, [&] { return stop_ || next_ >= paths_.size() || next_ < told_ + ReadAhead; });
                if (stop_ || next_ >= paths_.size()) {
                    return;
                }
                index = next_++;
            }
            Examine(index, reader);
            {
                std::lock_guard lock(mutex_);
                finished_.push_back(index);
            }
            callerWake_.notify_one();
        }
    }

    const std::vector<std::wstring>& paths_;
    const std::vector<PictureSignature>* known_; // parallel to paths_, or null
    std::vector<Examined> results_;              // each written by one reader, read after the join
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable readerWake_, callerWake_;
    size_t next_ = 0;              // next picture to read
    uint64_t told_ = 0;            // pictures the caller has been told of
    std::vector<size_t> finished_; // read, not yet told
    bool stop_ = false;
    ReadingBudgets budgets_;
};

class CompareProgress final : public IGroupingProgress {
public:
    explicit CompareProgress(Caller& caller) : caller_(caller) { }
    bool Continue(uint64_t done, uint64_t total) override
    {
        caller_.OnCompareProgress(done, total);
        const bool stop = caller_.ShouldStop(first_);
        first_ = false;
        return !stop;
    }

private:
    Caller& caller_;
    bool first_ = true;
};

Likeness LikenessFor(uint16_t similarity, uint32_t options)
{
    Likeness likeness;
    likeness.Threshold = HashThreshold(similarity);
    likeness.Rotations = (options & NoRotations) == 0;
    likeness.Mirrors = (options & MatchMirrors) != 0;
    return likeness;
}

// `known`, when given, is parallel to `paths`, and filled in.
ImageGroups FindAlike(const std::vector<std::wstring>& paths, uint16_t similarity, uint32_t options,
    IImageClonariumCallback* callback, std::vector<PictureSignature>* known)
{
    Caller caller(callback);
    caller.OnStart(paths.size());
    if (caller.ShouldStop(true)) {
        return {};
    }
    Examination examination(paths, known);
    if (!examination.Run(caller)) {
        return {};
    }
    const std::vector<Examined> examined = examination.TakeResults();
    if (known != nullptr) {
        std::transform(examined.begin(), examined.end(), known->begin(), Pack);
    }

    std::vector<Signature> signatures;
    std::vector<uint64_t> pathIndex;
    for (size_t i = 0; i < examined.size(); ++i) {
        if (examined[i].Readable) {
            signatures.push_back(examined[i].Signs);
            pathIndex.push_back(i);
        }
    }
    const Likeness likeness = LikenessFor(similarity, options);
    CompareProgress progress(caller);
    Groups groups;
    if (!GroupAlike(signatures, likeness, &progress, groups)) {
        return {};
    }

    ImageGroups result;
    result.reserve(groups.size());
    for (const auto& group : groups) {
        ImageGroup& members = result.emplace_back();
        for (uint32_t position : group) {
            const Examined& picture = examined[pathIndex[position]];
            members.push_back({pathIndex[position], picture.Width, picture.Height});
        }
    }
    return result;
}

} // namespace

uint16_t CImageClonarium::Similarity(const PictureSignature& first, const PictureSignature& second, uint32_t options)
{
    Examined a, b;
    if (!Unpack(first, a) || !Unpack(second, b) || !a.Readable || !b.Readable) {
        return 0;
    }
    const int bits = Distance(a.Signs, b.Signs, LikenessFor(DefaultSimilarity, options));
    uint16_t percent = 100;
    while (percent > 0 && HashThreshold(percent) < bits) {
        --percent;
    }
    return percent;
}

ImageGroups CImageClonarium::Find(
    const std::vector<std::wstring>& paths, uint16_t similarity, uint32_t options, IImageClonariumCallback* callback)
{
    // Nothing is thrown across the library boundary; a failure finds nothing.
    try {
        return FindAlike(paths, similarity, options, callback, nullptr);
    } catch (...) {
        return {};
    }
}

ImageGroups CImageClonarium::Find(const std::vector<std::wstring>& paths, uint16_t similarity, uint32_t options,
    IImageClonariumCallback* callback, std::vector<PictureSignature>& signatures)
{
    try {
        signatures.resize(paths.size());
        return FindAlike(paths, similarity, options, callback, &signatures);
    } catch (...) {
        return {};
    }
}

} // namespace ImageClonarium
