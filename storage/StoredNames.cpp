#include "storage/StoredNames.h"

#include "system/Handles.h"

#include <sstream>

namespace clonarium {

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

std::wstring UniqueFilePath(const std::wstring& folder, const std::wstring& fileName, const std::wstring& extension)
{
    std::wstring path = folder + L"\\" + fileName + extension;
    for (int n = 1; ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++n) {
        path = folder + L"\\" + fileName + L" (" + std::to_wstring(n) + L")" + extension;
    }
    return path;
}

void ForEachStoredFile(
    const std::wstring& folder, const std::wstring& extension, const std::function<void(const std::wstring&)>& visit)
{
    WIN32_FIND_DATAW entry;
    const vandrelcommon::system::FindHandle listing(::FindFirstFileW((folder + L"\\*" + extension).c_str(), &entry));
    if (!listing) {
        return;
    }
    do {
        visit(folder + L"\\" + entry.cFileName);
    } while (::FindNextFileW(listing.Get(), &entry));
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

} // namespace clonarium
