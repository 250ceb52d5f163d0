#include "system/TextEncoding.h"

#include <windows.h>

#include <climits>

namespace vandrelcommon::system {

namespace {

std::optional<std::wstring> ToWide(std::string_view text, DWORD flags)
{
    if (text.empty()) {
        return std::wstring();
    }
    if (text.size() > INT_MAX) {
        return std::nullopt;
    }
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, flags, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring result(static_cast<size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_UTF8, flags, text.data(), size, result.data(), length) != length) {
        return std::nullopt;
    }
    return result;
}

} // namespace

std::string Utf8FromWide(std::wstring_view text)
{
    if (text.empty() || text.size() > INT_MAX / 3) {
        return std::string();
    }
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return std::string();
    }
    std::string result(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), length, nullptr, nullptr);
    return result;
}

std::wstring WideFromUtf8(std::string_view text)
{
    return ToWide(text, 0).value_or(std::wstring());
}

std::optional<std::wstring> StrictWideFromUtf8(std::string_view text)
{
    return ToWide(text, MB_ERR_INVALID_CHARS);
}

} // namespace vandrelcommon::system
