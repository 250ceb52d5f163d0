#pragma once
// A folder of the test's own under the temporary folder, removed with
// everything in it when the object goes away. Tests touch nothing else.
#include <windows.h>

#include <cstdint>
#include <string>

class TempTree {
public:
    TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;
    ~TempTree();

    // Full path of the tree's root, without a trailing backslash.
    const std::wstring& Root() const { return root_; }
    // Root() + "\" + relative.
    std::wstring Path(const std::wstring& relative) const;

    // Creates the folder and every folder on the way; returns its full path.
    std::wstring MakeFolder(const std::wstring& relative) const;
    // Creates (or replaces) a file with `content`; its folders are made first.
    std::wstring MakeFile(const std::wstring& relative, const std::string& content = {}) const;

private:
    std::wstring root_;
};

// Sets one of a file's three times (UTC).
bool SetFileTimes(
    const std::wstring& path, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);

// Adds `attributes` to a file and tells whether the file system kept them.
bool AddAttributes(const std::wstring& path, DWORD attributes);

FILETIME MakeFileTime(uint64_t value);
// Local FILETIME -> the UTC FILETIME that converts back to it.
FILETIME LocalToUtc(const FILETIME& local);

// Makes `link` a symbolic link to `target` (folder or file): the system's own
// call first, and where that leaves nothing behind (Wine), a Unix link made
// by /bin/ln. False when neither works.
bool MakeSymbolicLink(const std::wstring& link, const std::wstring& target, bool isFolder);

// Under Wine only (false elsewhere), through Unix programs: a symbolic link
// to a Unix path (a link to a device is listed as a file), a FIFO, and a file
// whose Unix name is printf's output of `printfName` (bytes that are not
// UTF-8, characters Windows forbids), written with printf's output of
// `content`.
bool MakeUnixLink(const std::wstring& link, const std::string& unixTarget);
bool MakeFifo(const std::wstring& path);
// Cuts a file to `size` bytes behind the back of whoever has it open.
bool ShrinkUnixFile(const std::wstring& path, uint64_t size);
bool MakeUnixFile(const std::wstring& folder, const std::string& printfName, const std::string& content);
