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

// Under Wine only (empty or false elsewhere): the Unix path of a Windows one,
// through Wine's own export; and /bin/sh running `commands`, waited for until
// they have run. False when they could not run or failed.
std::string UnixPath(const std::wstring& path);
bool RunUnixScript(const std::string& commands);
// Sets or clears the immutable flag of a file or folder (chattr): while it is
// set nobody, root included, changes, renames or removes the file, or what a
// folder holds. False where that cannot be done (no Wine, no such file
// system); a test then skips.
bool SetImmutable(const std::wstring& path, bool immutable);
// Under Wine only: inside `folder`, a chain of twenty folders of 250 "d"s
// each, deeper than a Unix path reaches, so that listing the deepest fails;
// at its bottom a file "twin.txt" holding "same". Returns the chain's top
// folder (empty when it cannot be made), which only RemoveUnixTree removes.
std::wstring MakeUnreachableFolder(const std::wstring& folder);
bool RemoveUnixTree(const std::wstring& folder);
