#pragma once
// Running the about box modeless in the update tests and in the --about
// demonstration, with the dialog manager's keyboard handling.
#include "ui/AboutDialog.h"

#include <windows.h>

#include <functional>

namespace updatetest {

// Dispatches this thread's messages (through the dialog manager of `dialog`
// while it exists) for `milliseconds`, or until `done`.
void PumpDialog(HWND dialog, DWORD milliseconds, const std::function<bool()>& done = {});

// Shows `box` modeless and, when `check`, presses its check button; returns
// once the box is closed.
int RunAboutBox(clonarium::CAboutDlg& box, bool check);

} // namespace updatetest
