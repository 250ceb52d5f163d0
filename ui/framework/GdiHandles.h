#pragma once
// Owners for GDI objects, icons, menus and image lists, and scoped device
// contexts. They share the handle owner of the kernel handles.
#include "system/Handles.h"

#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

namespace vandrelcommon::ui {

// Handles for which null means "none", let go of with `closeFunction`.
template <typename T, auto closeFunction>
struct NullableHandleTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { closeFunction(handle); }
};

using GdiBitmap = system::UniqueHandle<NullableHandleTraits<HBITMAP, ::DeleteObject>>;
using GdiFont = system::UniqueHandle<NullableHandleTraits<HFONT, ::DeleteObject>>;
using GdiBrush = system::UniqueHandle<NullableHandleTraits<HBRUSH, ::DeleteObject>>;
using GdiPen = system::UniqueHandle<NullableHandleTraits<HPEN, ::DeleteObject>>;
using GdiRegion = system::UniqueHandle<NullableHandleTraits<HRGN, ::DeleteObject>>;
using IconHandle = system::UniqueHandle<NullableHandleTraits<HICON, ::DestroyIcon>>;
using MenuHandle = system::UniqueHandle<NullableHandleTraits<HMENU, ::DestroyMenu>>;
using ImageListHandle = system::UniqueHandle<NullableHandleTraits<HIMAGELIST, ::ImageList_Destroy>>;
// Visual-style theme data (uxtheme).
using ThemeHandle = system::UniqueHandle<NullableHandleTraits<HTHEME, ::CloseThemeData>>;

// A window's client-area device context, released on destruction.
class ClientDC {
public:
    explicit ClientDC(HWND window) : window_(window), dc_(::GetDC(window)) { }
    ~ClientDC()
    {
        if (dc_ != nullptr) {
            ::ReleaseDC(window_, dc_);
        }
    }
    ClientDC(const ClientDC&) = delete;
    ClientDC& operator=(const ClientDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint and EndPaint around a WM_PAINT handler.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
    ~PaintDC() { ::EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    operator HDC() const { return dc_; }
    const RECT& UpdateRect() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// A memory device context compatible with `reference` (null: the screen).
class MemoryDC {
public:
    explicit MemoryDC(HDC reference = nullptr) : dc_(::CreateCompatibleDC(reference)) { }
    ~MemoryDC()
    {
        if (dc_ != nullptr) {
            ::DeleteDC(dc_);
        }
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object != nullptr ? ::SelectObject(dc, object) : nullptr)
    { }
    ~SelectedObject()
    {
        if (previous_ != nullptr) {
            ::SelectObject(dc_, previous_);
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace vandrelcommon::ui
