#pragma once
// Owners for GDI objects, icons, menus and image lists, and scoped device
// contexts. They share the handle owner of the kernel handles.
#include "engine/Handles.h"

#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

namespace vandrelcommon::ui {

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { ::DeleteObject(handle); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { ::DestroyIcon(handle); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { ::DestroyMenu(handle); }
};

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { ::ImageList_Destroy(handle); }
};

// Visual-style theme data (uxtheme).
struct ThemeTraits {
    using Handle = HTHEME;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { ::CloseThemeData(handle); }
};

using GdiBitmap = system::UniqueHandle<GdiObjectTraits<HBITMAP>>;
using GdiFont = system::UniqueHandle<GdiObjectTraits<HFONT>>;
using GdiBrush = system::UniqueHandle<GdiObjectTraits<HBRUSH>>;
using GdiPen = system::UniqueHandle<GdiObjectTraits<HPEN>>;
using GdiRegion = system::UniqueHandle<GdiObjectTraits<HRGN>>;
using IconHandle = system::UniqueHandle<IconTraits>;
using MenuHandle = system::UniqueHandle<MenuTraits>;
using ImageListHandle = system::UniqueHandle<ImageListTraits>;
using ThemeHandle = system::UniqueHandle<ThemeTraits>;

// A window's client-area device context, released on destruction.
class ClientDC {
public:
    explicit ClientDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
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
    explicit MemoryDC(HDC reference = nullptr) : dc_(::CreateCompatibleDC(reference)) {}
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
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object != nullptr ? ::SelectObject(dc, object) : nullptr)
    {
    }
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
