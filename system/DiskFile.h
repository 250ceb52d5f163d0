#pragma once
// Files the program reads whole (settings, presets, rules) are read only when
// they are ordinary files on a disk and no larger than a bound: a path may
// name a device or a pipe that never ends (Z:\dev\zero under Wine), or a file
// far larger than anything the program wrote.
#include "system/Handles.h"

#include <cstdint>
#include <string>

namespace vandrelcommon::system {

// No settings, preset or rule file comes anywhere near this.
constexpr uint64_t kMaxWholeFileBytes = 16ull << 20;

// True when the handle is an ordinary file on a disk: not a device, a pipe
// or a folder.
bool IsDiskFile(HANDLE file);

// The existing file opened for reading (others may read and write it) when
// it is an ordinary file on a disk of at most `maxBytes`; an empty handle
// otherwise.
KernelHandle OpenWholeFile(const std::wstring& path, uint64_t maxBytes = kMaxWholeFileBytes);

} // namespace vandrelcommon::system
