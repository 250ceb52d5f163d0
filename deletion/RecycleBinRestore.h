#pragma once
// Puts a file back from the Recycle Bin through the bin's own Restore: the
// shell folder of the bin lists what it holds with the place each item came
// from, and the item's "undelete" command moves it back there.
#include <windows.h>

#include <cstdint>
#include <string>

namespace clonarium {

enum class RestoreResult {
    Restored,
    // Nothing in the bin came from that place.
    NotInBin,
    // The bin holds the file but would not give it back (its Restore
    // command is missing or did nothing).
    Refused,
};

// The newest item of the bin that came from `path` (a plain full path) and,
// where the bin tells its size, holds `size` bytes. COM is initialised on
// the calling thread.
RestoreResult RestoreFromRecycleBin(const std::wstring& path, uint64_t size);

} // namespace clonarium
