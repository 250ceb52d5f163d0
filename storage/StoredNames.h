#pragma once
// Names and files of stored presets and rules.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clonarium {

// `requested`, or `requested (n)` with the smallest n from 1 on that `taken`
// does not refuse.
std::wstring UniqueName(const std::wstring& requested, const std::function<bool(const std::wstring&)>& taken);

// The name with each of the characters :\/*?|<> made "_"; "(Untitled)" when empty.
std::wstring FileNameFor(const std::wstring& name);

// folder\fileName.extension, or folder\fileName (n).extension with the
// smallest n from 1 on where no file or folder of that path exists yet.
std::wstring UniqueFilePath(const std::wstring& folder, const std::wstring& fileName, const std::wstring& extension);

// Calls visit(folder\name) for every entry of `folder` whose name ends in
// `extension`, in the order the folder lists them, folders included.
void ForEachStoredFile(
    const std::wstring& folder, const std::wstring& extension, const std::function<void(const std::wstring&)>& visit);

// Removes entries[index] and deletes its file, unless it is the default entry.
// Returns the index to select next (the entry that took its place, or the one
// before it when it was the last), or -1 when nothing was removed.
template <typename Entry>
int DeleteStoredEntry(
    std::vector<std::unique_ptr<Entry>>& entries, size_t index, bool Entry::*isDefault, std::wstring Entry::*file)
{
    if (index >= entries.size() || (*entries[index]).*isDefault) {
        return -1;
    }
    const std::wstring& path = (*entries[index]).*file;
    if (!path.empty()) {
        ::DeleteFileW(path.c_str());
    }
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index));
    return static_cast<int>(index < entries.size() ? index : entries.size() - 1);
}

// Reads an unsigned 32-bit number as the program writes it (unsigned
// decimal); a signed number is taken in its 32-bit form. Anything else, or a
// number out of range, gives the default.
uint32_t ParseUInt32(const std::wstring& text, uint32_t defaultValue);

} // namespace clonarium
