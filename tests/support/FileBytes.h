#pragma once
// Whole files as bytes, and wide text as the UTF-16LE bytes the program writes.
#include <windows.h>

#include <string>
#include <string_view>

// The file's bytes; empty when it cannot be read.
inline std::string ReadFileBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char block[4096];
    DWORD got = 0;
    while (::ReadFile(file, block, sizeof(block), &got, nullptr) && got > 0) {
        bytes.append(block, got);
    }
    ::CloseHandle(file);
    return bytes;
}

// Creates or replaces the file with `bytes`; false when it cannot be written whole.
inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool whole =
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    ::CloseHandle(file);
    return whole;
}

inline std::string Utf16Bytes(std::wstring_view text)
{
    std::string bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

// A file as the program writes it: byte-order mark, then the text.
inline std::string Utf16File(std::wstring_view text)
{
    return "\xFF\xFE" + Utf16Bytes(text);
}
