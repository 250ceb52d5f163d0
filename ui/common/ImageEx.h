#pragma once
// A GDI+ picture from a resource that plays its frames (an animated GIF) on a
// thread of its own, drawing on its owner window at a fixed place.
#include "system/Handles.h"
#include "ui/framework/ComPtr.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vandrelcommon::ui {

class ImageEx {
public:
    // The picture of resource `name` of `type` (null module: the framework
    // module's resources). Null when GDI+ is not running; an image without
    // frames when the resource is missing or unreadable.
    static std::unique_ptr<ImageEx> Create(
        HMODULE module = nullptr, const wchar_t* name = L"LOADER", const wchar_t* type = L"GIF");
    ~ImageEx();
    ImageEx(const ImageEx&) = delete;
    ImageEx& operator=(const ImageEx&) = delete;

    bool IsLoaded() const { return image_ != nullptr; }
    UINT Width() const;
    UINT Height() const;
    UINT FrameCount() const { return frameCount_; }
    // Hundredths of a second that frame `frame` stays, as the picture says.
    UINT FrameDelay(UINT frame) const;
    bool IsAnimated() const { return frameCount_ > 1; }

    // Sets where the picture is drawn and, for an animation, starts its
    // thread. False when there is nothing to show or it was destroyed.
    bool Start(HWND owner, int x, int y);
    void Pause();
    void Resume();
    bool IsPaused() const { return paused_; }
    // Stops and waits for the thread, then lets go of the picture.
    void Destroy();

    // Draws the current frame at the start position in its natural size.
    void Draw(HDC dc);
    // The frame made active last.
    UINT CurrentFrame() const { return currentFrame_; }

private:
    ImageEx(HMODULE module, const wchar_t* name, const wchar_t* type);
    void ReadFrames();
    DWORD WaitAfterFrame(UINT frame) const;
    void Animate();

    // The picture reads from the stream as long as it lives.
    ComPtr<IStream> stream_;
    std::unique_ptr<Gdiplus::Image> image_;
    UINT frameCount_ = 0;
    std::vector<UINT> delays_;
    std::atomic<UINT> currentFrame_ = 0;
    HWND owner_ = nullptr;
    int x_ = 0;
    int y_ = 0;
    // The animation thread and the interface thread take turns on the
    // picture and on where it is drawn.
    std::mutex drawing_;
    system::KernelHandle playEvent_; // not signalled: paused
    system::KernelHandle stopEvent_;
    std::thread thread_;
    bool paused_ = false;
};

} // namespace vandrelcommon::ui
