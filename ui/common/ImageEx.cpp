#include "ui/common/ImageEx.h"

#include "ui/common/ImageBitmap.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"

namespace vandrelcommon::ui {

namespace {

// A frame that claims no time would make the thread spin; browsers show such
// frames for a tenth of a second, and so do we.
constexpr UINT kDefaultDelay = 10;

} // namespace

std::unique_ptr<ImageEx> ImageEx::Create(HMODULE module, const wchar_t* name, const wchar_t* type)
{
    if (!GdiplusSession::IsAvailable() || name == nullptr || type == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<ImageEx>(new ImageEx(module, name, type));
}

ImageEx::ImageEx(HMODULE module, const wchar_t* name, const wchar_t* type)
    : stream_(CreateResourceStream(module != nullptr ? module : AppModule().ResourceInstance(), name, type))
{
    if (stream_) {
        image_.reset(Gdiplus::Image::FromStream(stream_.Get()));
        if (image_ != nullptr && image_->GetLastStatus() != Gdiplus::Ok) {
            image_.reset();
        }
    }
    ReadFrames();
}

ImageEx::~ImageEx()
{
    Destroy();
}

UINT ImageEx::Width() const
{
    return image_ != nullptr ? image_->GetWidth() : 0;
}

UINT ImageEx::Height() const
{
    return image_ != nullptr ? image_->GetHeight() : 0;
}

void ImageEx::ReadFrames()
{
    if (image_ == nullptr) {
        return;
    }
    frameCount_ = image_->GetFrameCount(&Gdiplus::FrameDimensionTime);
    const UINT size = image_->GetPropertyItemSize(PropertyTagFrameDelay);
    if (size >= sizeof(Gdiplus::PropertyItem)) {
        std::vector<unsigned char> buffer(size);
        auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
        if (image_->GetPropertyItem(PropertyTagFrameDelay, size, item) == Gdiplus::Ok && item->value != nullptr) {
            const auto* values = static_cast<const LONG*>(item->value);
            for (ULONG i = 0; i < item->length / sizeof(LONG); ++i) {
                delays_.push_back(values[i] > 0 ? static_cast<UINT>(values[i]) : 0);
            }
        }
    }
    if (frameCount_ > 1) {
        playEvent_.Reset(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
        stopEvent_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    }
}

UINT ImageEx::FrameDelay(UINT frame) const
{
    return frame < delays_.size() ? delays_[frame] : 0;
}

DWORD ImageEx::WaitAfterFrame(UINT frame) const
{
    const UINT delay = FrameDelay(frame);
    return (delay > 0 ? delay : kDefaultDelay) * 10;
}

bool ImageEx::Start(HWND owner, int x, int y)
{
    if (image_ == nullptr) {
        return false;
    }
    {
        // The animation thread may be drawing at the old place right now.
        std::lock_guard lock(drawing_);
        owner_ = owner;
        x_ = x;
        y_ = y;
    }
    if (frameCount_ > 1 && !thread_.joinable() && playEvent_ && stopEvent_) {
        thread_ = std::thread(&ImageEx::Animate, this);
    }
    return true;
}

void ImageEx::Pause()
{
    if (!paused_ && playEvent_) {
        ::ResetEvent(playEvent_.Get());
        paused_ = true;
    }
}

void ImageEx::Resume()
{
    if (paused_ && playEvent_) {
        ::SetEvent(playEvent_.Get());
        paused_ = false;
    }
}

void ImageEx::Destroy()
{
    if (thread_.joinable()) {
        Resume();
        ::SetEvent(stopEvent_.Get());
        thread_.join();
    }
    playEvent_.Reset();
    stopEvent_.Reset();
    paused_ = false;
    delays_.clear();
    frameCount_ = 0;
    std::lock_guard lock(drawing_);
    image_.reset();
    stream_.Reset();
}

void ImageEx::Draw(HDC dc)
{
    std::lock_guard lock(drawing_);
    if (image_ == nullptr || dc == nullptr) {
        return;
    }
    Gdiplus::Graphics graphics(dc);
    graphics.DrawImage(
        image_.get(), x_, y_, static_cast<INT>(image_->GetWidth()), static_cast<INT>(image_->GetHeight()));
}

void ImageEx::Animate()
{
    UINT k = 0;
    for (;;) {
        if (::WaitForSingleObject(playEvent_.Get(), INFINITE) != WAIT_OBJECT_0) {
            return;
        }
        HWND owner = nullptr;
        {
            std::lock_guard lock(drawing_);
            owner = owner_;
        }
        // Without an owner there is nowhere to draw (a null window is the screen).
        if (owner != nullptr) {
            ClientDC dc(owner);
            Draw(dc);
        }
        {
            std::lock_guard lock(drawing_);
            image_->SelectActiveFrame(&Gdiplus::FrameDimensionTime, k);
        }
        currentFrame_ = k;
        k = k + 1 == frameCount_ ? 0 : k + 1;
        if (::WaitForSingleObject(stopEvent_.Get(), WaitAfterFrame(k)) != WAIT_TIMEOUT) {
            return;
        }
    }
}

} // namespace vandrelcommon::ui
