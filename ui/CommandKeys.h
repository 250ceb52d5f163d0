#pragma once
// The keys of the commands used most: the main window hears them wherever
// its focus is, the toolbar names them in its tooltips and the menus beside
// their items.
#include <windows.h>

#include <span>
#include <string>

namespace clonarium {

struct CommandKey {
    UINT command;
    WORD key; // a virtual key
    bool control;
    bool shift;
};

std::span<const CommandKey> CommandKeys();
// The key of `command`, or null.
const CommandKey* FindCommandKey(UINT command);
// The command `key` stands for with these modifiers, or 0.
UINT CommandOfKey(WPARAM key, bool control, bool shift);
// The key as the keyboard of the current language names it ("Strg+N").
std::wstring KeyName(const CommandKey& key);

} // namespace clonarium
