#pragma once
// Conversions between the wide strings of the program and UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace vandrelcommon::system {

// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

// Invalid sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);

// Nothing when the text is not valid UTF-8.
std::optional<std::wstring> StrictWideFromUtf8(std::string_view text);

} // namespace vandrelcommon::system
