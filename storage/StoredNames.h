#pragma once
// Names and file names of stored presets and rules.
#include <functional>
#include <string>

// `requested`, or `requested (n)` with the smallest n from 1 on that `taken`
// does not refuse.
std::wstring UniqueName(const std::wstring& requested, const std::function<bool(const std::wstring&)>& taken);

// The name with each of the characters :\/*?|<> made "_"; "(Untitled)" when empty.
std::wstring FileNameFor(const std::wstring& name);

// folder\fileName.extension, or folder\fileName (n).extension with the
// smallest n from 1 on where no file or folder of that path exists yet.
std::wstring UniqueFilePath(const std::wstring& folder, const std::wstring& fileName,
                            const std::wstring& extension);

// Reads an unsigned 32-bit number as the program writes it (unsigned
// decimal); a signed number is taken in its 32-bit form. Anything else, or a
// number out of range, gives the default.
uint32_t ParseUInt32(const std::wstring& text, uint32_t defaultValue);
