#include "ui/FolderDropTarget.h"

#include <shellapi.h>
#include <shlobj.h>

namespace clonarium {

std::vector<std::wstring> DroppedPaths(IDataObject* data)
{
    std::vector<std::wstring> paths;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data == nullptr || FAILED(data->GetData(&format, &medium))) {
        return paths;
    }
    if (const auto drop = static_cast<HDROP>(::GlobalLock(medium.hGlobal))) {
        const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(::DragQueryFileW(drop, i, nullptr, 0), L'\0');
            if (::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1)) == path.size()) {
                paths.push_back(std::move(path));
            }
        }
        ::GlobalUnlock(medium.hGlobal);
    }
    ::ReleaseStgMedium(&medium);
    return paths;
}

CFolderDropTarget::~CFolderDropTarget()
{
    Revoke();
}

bool CFolderDropTarget::Register(HWND window)
{
    Revoke();
    if (FAILED(::RegisterDragDrop(window, this))) {
        return false;
    }
    window_ = window;
    ::CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDropTargetHelper,
        reinterpret_cast<void**>(picture_.Put()));
    return true;
}

void CFolderDropTarget::Revoke()
{
    if (window_ != nullptr) {
        ::RevokeDragDrop(window_);
        window_ = nullptr;
    }
    picture_.Reset();
}

HRESULT CFolderDropTarget::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

DWORD CFolderDropTarget::EffectFor(DWORD allowed) const
{
    if (!hasFiles_) {
        return DROPEFFECT_NONE;
    }
    if ((allowed & DROPEFFECT_COPY) != 0) {
        return DROPEFFECT_COPY;
    }
    return allowed & DROPEFFECT_LINK;
}

HRESULT CFolderDropTarget::DragEnter(IDataObject* data, DWORD, POINTL point, DWORD* effect)
{
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    hasFiles_ = data != nullptr && data->QueryGetData(&format) == S_OK;
    *effect = EffectFor(*effect);
    if (picture_) {
        POINT at{point.x, point.y};
        picture_->DragEnter(window_, data, &at, *effect);
    }
    return S_OK;
}

HRESULT CFolderDropTarget::DragOver(DWORD, POINTL point, DWORD* effect)
{
    *effect = EffectFor(*effect);
    if (picture_) {
        POINT at{point.x, point.y};
        picture_->DragOver(&at, *effect);
    }
    return S_OK;
}

HRESULT CFolderDropTarget::DragLeave()
{
    hasFiles_ = false;
    if (picture_) {
        picture_->DragLeave();
    }
    return S_OK;
}

HRESULT CFolderDropTarget::Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect)
{
    *effect = EffectFor(*effect);
    if (picture_) {
        POINT at{point.x, point.y};
        picture_->Drop(data, &at, *effect);
    }
    hasFiles_ = false;
    std::vector<std::wstring> paths = DroppedPaths(data);
    if (*effect == DROPEFFECT_NONE || paths.empty()) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    onDrop_(std::move(paths));
    return S_OK;
}

} // namespace clonarium
