#pragma once
// Which file a name opens: the volume's serial number and the file's index
// on it. Two names of one file (hard links, short names, other spellings)
// share it.
#include <windows.h>

#include <cstdint>
#include <string>

namespace vandrelcommon::system {

struct FileIdentity {
    DWORD volumeSerial = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of an open file. Dear under Wine (the volume's serial is asked
// for on every call), so callers that also need the file's times take them
// from `information`, filled by the same call when given.
bool IdentifyFile(HANDLE file, FileIdentity& identity, BY_HANDLE_FILE_INFORMATION* information = nullptr);
// Opens the file with no access rights (others may do anything) just to ask
// who it is.
bool IdentifyFile(const std::wstring& path, FileIdentity& identity);

// True when two open handles are one file. Asks for the 128-bit file id
// where the file system gives it (cheaper under Wine too), else as above.
bool SameFile(HANDLE a, HANDLE b);

} // namespace vandrelcommon::system
