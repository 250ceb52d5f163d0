#pragma once
// The system's folder browser.
#include <windows.h>

#include <string>

namespace vandrelcommon::ui {

// File-system folders only, opened at `start` when it names one, with
// `title` above the tree and, when `editBox`, a box to type a path into: a
// full path typed there is the answer, whatever the tree shows. Empty when
// the user cancels.
std::wstring BrowseForFolder(
    HWND owner, const std::wstring& start, const std::wstring& title = {}, bool editBox = false);

} // namespace vandrelcommon::ui
