#pragma once
// Takes folders and files dragged from Explorer onto a window (the folder
// tree) and hands their paths on. The drop only names things: it answers
// that it copies (or links, when the source offers nothing else) and never
// that it moves, so no source removes its files after the drop. The shell
// draws the dragged items' picture over the window meanwhile.
#include "ui/framework/ComPtr.h"

#include <windows.h>
#include <oleidl.h>
#include <shobjidl.h>

#include <functional>
#include <string>
#include <vector>

namespace clonarium {

// The paths of the file-system items a data object carries (the shell's
// file list, CF_HDROP); empty when it carries none.
std::vector<std::wstring> DroppedPaths(IDataObject* data);

class CFolderDropTarget : public IDropTarget {
public:
    // Called on the window's thread once the items are dropped.
    using DropHandler = std::function<void(std::vector<std::wstring> paths)>;

    explicit CFolderDropTarget(DropHandler onDrop) : onDrop_(std::move(onDrop)) { }
    ~CFolderDropTarget();
    CFolderDropTarget(const CFolderDropTarget&) = delete;
    CFolderDropTarget& operator=(const CFolderDropTarget&) = delete;

    // Takes drops on `window` until Revoke or the end of this object;
    // false when the system refuses (OLE not started on this thread).
    bool Register(HWND window);
    void Revoke();

    // The owner keeps the object; the counts only answer OLE.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    // What a drop of the current items would do, of what the source allows.
    DWORD EffectFor(DWORD allowed) const;

    DropHandler onDrop_;
    HWND window_ = nullptr;
    bool hasFiles_ = false;
    vandrelcommon::ui::ComPtr<IDropTargetHelper> picture_; // none when the shell cannot draw it
};

} // namespace clonarium
