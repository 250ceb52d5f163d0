#pragma once
// What the folder tree shows of the file system: the drives, a folder's
// entries in the tree's order, and the shell's icons for them.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace clonarium {

// One item of the folder tree: a drive, a folder or a file.
struct FolderItemData {
    int icon = 0; // both in the shell's small-icon image list
    int openIcon = 0;
    bool isFolder = true;
    std::wstring path; // full path; a drive is its root, "C:\"
    std::wstring name; // as shown
};

// The shell's small icons. Asking the shell about each file costs several
// file-system calls, so files are asked about once per extension, except
// those that carry icons of their own (programs, icons, shortcuts); folders
// share the shell's folder icons.
class ShellIconCache {
public:
    // The shell's small-icon image list; the shell owns it.
    static HIMAGELIST SystemImageList();

    // Fills the item's icon and open icon.
    void Fill(FolderItemData& item);

private:
    struct Icons {
        int icon = 0;
        int openIcon = 0;
    };
    static Icons Ask(const std::wstring& path, DWORD attributes, UINT flags);

    std::unordered_map<std::wstring, Icons> byExtension_; // upper-case, with its dot
    std::optional<Icons> folder_;
};

// Lists a folder's entries, folders first and then files, each sorted by
// name in the user's locale ignoring case; reparse points, "." and ".." are
// left out. False when the folder is gone or cannot be listed (an empty
// folder lists fine).
bool ListFolder(const std::wstring& folder, ShellIconCache& icons, std::vector<FolderItemData>& entries);

// True when the folder holds anything besides "." and "..".
bool FolderHasEntries(const std::wstring& folder);

// The roots of the machine's drives ("C:\") in the system's order.
std::vector<std::wstring> ListDriveRoots();

// A drive's item, with the shell's display name and icons.
FolderItemData MakeDriveItem(const std::wstring& root);

} // namespace clonarium
