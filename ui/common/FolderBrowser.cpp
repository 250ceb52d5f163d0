#include "ui/common/FolderBrowser.h"

#include <shlobj.h>

#include <memory>

namespace vandrelcommon::ui {

namespace {

struct TaskMemFree {
    void operator()(void* memory) const { ::CoTaskMemFree(memory); }
};

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data != 0) {
        ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

} // namespace

std::wstring BrowseForFolder(HWND owner, const std::wstring& start, const std::wstring& title, bool editBox)
{
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.empty() ? nullptr : title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | (editBox ? BIF_EDITBOX : 0);
    info.lpfn = BrowseCallback;
    info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
    const std::unique_ptr<ITEMIDLIST, TaskMemFree> chosen(::SHBrowseForFolderW(&info));
    wchar_t path[MAX_PATH] = {};
    if (chosen == nullptr || !::SHGetPathFromIDListW(chosen.get(), path)) {
        return {};
    }
    return path;
}

} // namespace vandrelcommon::ui
