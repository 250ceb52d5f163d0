#include "storage/StoredNames.h"

#include <windows.h>

#include <cstdint>
#include <sstream>

std::wstring UniqueName(const std::wstring& requested, const std::function<bool(const std::wstring&)>& taken)
{
    std::wstring name = requested;
    for (int n = 1; taken(name); ++n) {
        name = requested + L" (" + std::to_wstring(n) + L")";
    }
    return name;
}

std::wstring FileNameFor(const std::wstring& name)
{
    std::wstring fileName = name;
    for (wchar_t& c : fileName) {
        if (std::wstring_view(L":\\/*?|<>").find(c) != std::wstring_view::npos) {
            c = L'_';
        }
    }
    return fileName.empty() ? L"(Untitled)" : fileName;
}

std::wstring UniqueFilePath(const std::wstring& folder, const std::wstring& fileName,
                            const std::wstring& extension)
{
    std::wstring path = folder + L"\\" + fileName + extension;
    for (int n = 1; ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++n) {
        path = folder + L"\\" + fileName + L" (" + std::to_wstring(n) + L")" + extension;
    }
    return path;
}

uint32_t ParseUInt32(const std::wstring& text, uint32_t defaultValue)
{
    std::wistringstream stream(text);
    long long value = 0;
    if (!(stream >> value) || value < INT32_MIN || value > UINT32_MAX) {
        return defaultValue;
    }
    return static_cast<uint32_t>(value);
}
