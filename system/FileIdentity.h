#pragma once
// Which file a name opens: the volume's serial number and the file's index
// on it. Two names of one file (hard links, short names, other spellings)
// share it.
#include <windows.h>

#include <cstdint>
#include <cstring>
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

// The same, for telling files apart only: the 128-bit file id where the file
// system gives it (one cheap question under Wine too), else the volume's
// serial and the file index.
struct FileId {
    uint64_t volume = 0;
    FILE_ID_128 id{};
    bool operator==(const FileId& other) const
    {
        return volume == other.volume && memcmp(&id, &other.id, sizeof(id)) == 0;
    }
};
bool GetFileId(HANDLE file, FileId& id);
// True when two open handles are one file.
bool SameFile(HANDLE a, HANDLE b);

} // namespace vandrelcommon::system
