#include "ui/common/FolderBrowser.h"

#include <commctrl.h>
#include <shlobj.h>

#include <memory>

namespace vandrelcommon::ui {

namespace {

struct TaskMemFree {
    void operator()(void* memory) const { ::CoTaskMemFree(memory); }
};

// What the browser starts at, and the text of its box when OK was pressed.
struct Browse {
    const std::wstring* start = nullptr;
    std::wstring typed;
};

constexpr UINT_PTR kTypedPathSubclass = 1;

// Reads the box as OK is pressed, before the browser closes: a browser may
// answer with the folder selected in its tree and drop what was typed.
LRESULT CALLBACK KeepTypedPath(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        auto* browse = reinterpret_cast<Browse*>(data);
        for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
            wchar_t name[16] = {};
            ::GetClassNameW(child, name, 16);
            if (_wcsicmp(name, L"Edit") == 0) {
                wchar_t text[MAX_PATH * 4] = {};
                ::GetWindowTextW(child, text, MAX_PATH * 4);
                browse->typed = text;
            }
        }
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(window, KeepTypedPath, kTypedPathSubclass);
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data)
{
    auto* browse = reinterpret_cast<Browse*>(data);
    if (message == BFFM_INITIALIZED) {
        if (!browse->start->empty()) {
            ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(browse->start->c_str()));
        }
        ::SetWindowSubclass(window, KeepTypedPath, kTypedPathSubclass, reinterpret_cast<DWORD_PTR>(browse));
    }
    return 0;
}

// A full path: a drive's ("D:\...") or a share's ("\\server\...").
bool IsFullPath(const std::wstring& text)
{
    const bool drive = text.size() >= 3 && iswalpha(text[0]) && text[1] == L':' && text[2] == L'\\';
    return drive || text.rfind(L"\\\\", 0) == 0;
}

} // namespace

std::wstring BrowseForFolder(HWND owner, const std::wstring& start, const std::wstring& title, bool editBox)
{
    Browse browse{&start, {}};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.empty() ? nullptr : title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | (editBox ? BIF_EDITBOX : 0);
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&browse);
    const std::unique_ptr<ITEMIDLIST, TaskMemFree> chosen(::SHBrowseForFolderW(&info));
    if (chosen == nullptr) {
        return {};
    }
    if (editBox && IsFullPath(browse.typed)) {
        std::wstring typed = browse.typed;
        while (typed.size() > 3 && typed.back() == L'\\') {
            typed.pop_back();
        }
        return typed;
    }
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(chosen.get(), path)) {
        return {};
    }
    return path;
}

} // namespace vandrelcommon::ui
