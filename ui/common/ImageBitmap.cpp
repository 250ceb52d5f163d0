#include "ui/common/ImageBitmap.h"

#include "ui/framework/ComPtr.h"
#include "ui/framework/Gdiplus.h"
#include "ui/framework/Module.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <memory>

namespace vandrelcommon::ui {

ComPtr<IStream> CreateResourceStream(HMODULE module, const wchar_t* name, const wchar_t* type)
{
    HRSRC resource = ::FindResourceW(module, name, type);
    if (resource == nullptr) {
        return {};
    }
    const DWORD size = ::SizeofResource(module, resource);
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) {
        return {};
    }
    HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (copy == nullptr) {
        return {};
    }
    if (void* target = ::GlobalLock(copy)) {
        std::memcpy(target, bytes, size);
        ::GlobalUnlock(copy);
    } else {
        ::GlobalFree(copy);
        return {};
    }
    ComPtr<IStream> stream;
    // The stream frees the memory when it is released.
    if (FAILED(::CreateStreamOnHGlobal(copy, TRUE, stream.Put()))) {
        ::GlobalFree(copy);
        return {};
    }
    return stream;
}

GdiBitmap LoadImageBitmap(const wchar_t* name, const wchar_t* type, HMODULE module)
{
    if (name == nullptr || !GdiplusSession::IsAvailable()) {
        return GdiBitmap();
    }
    if (module == nullptr) {
        module = AppModule().ResourceInstance();
    }
    // The picture reads from the stream as long as it lives.
    ComPtr<IStream> stream;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
    if (type == nullptr) {
        if (IS_INTRESOURCE(name)) {
            return GdiBitmap();
        }
        bitmap.reset(Gdiplus::Bitmap::FromFile(name));
    } else if (type == RT_BITMAP) {
        bitmap.reset(Gdiplus::Bitmap::FromResource(module, name));
    } else {
        stream = CreateResourceStream(module, name, type);
        if (!stream) {
            return GdiBitmap();
        }
        bitmap.reset(Gdiplus::Bitmap::FromStream(stream.Get()));
    }
    if (bitmap == nullptr || bitmap->GetLastStatus() != Gdiplus::Ok) {
        return GdiBitmap();
    }
    HBITMAP handle = nullptr;
    // A fully transparent background keeps each pixel's own alpha.
    if (bitmap->GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &handle) != Gdiplus::Ok) {
        return GdiBitmap();
    }
    return GdiBitmap(handle);
}

} // namespace vandrelcommon::ui
