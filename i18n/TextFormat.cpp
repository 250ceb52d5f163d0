#include "i18n/TextFormat.h"

#include "system/TextEncoding.h"

#include <sstream>

namespace vandrelcommon::system {

namespace {

// The placeholder's number as formatted stream input reads it; 0 when none.
int PlaceholderNumber(std::wstring_view text)
{
    std::wistringstream stream{std::wstring(text)};
    int number = 0;
    return stream >> number ? number : 0;
}

} // namespace

TextFormat::TextFormat(std::wstring pattern) : pattern_(std::move(pattern))
{ }

TextFormat& TextFormat::Add(uint64_t value)
{
    arguments_.push_back(std::to_wstring(value));
    return *this;
}

TextFormat& TextFormat::Add(int32_t value)
{
    return Add(static_cast<uint32_t>(value));
}

TextFormat& TextFormat::Add(uint32_t value)
{
    arguments_.push_back(std::to_wstring(value));
    return *this;
}

TextFormat& TextFormat::Add(std::wstring_view text)
{
    arguments_.emplace_back(text);
    return *this;
}

TextFormat& TextFormat::Add(std::string_view text)
{
    arguments_.push_back(WideFromUtf8(text));
    return *this;
}

std::wstring TextFormat::Str() const
{
    std::wstring result;
    size_t position = 0;
    while (position < pattern_.size()) {
        const size_t open = pattern_.find(L'%', position);
        if (open == std::wstring::npos) {
            break;
        }
        result.append(pattern_, position, open - position);
        const size_t close = pattern_.find(L'%', open + 1);
        if (close == std::wstring::npos) {
            return result;
        }
        if (close == open + 1) {
            result.push_back(L'%');
        } else {
            const int number = PlaceholderNumber(std::wstring_view(pattern_).substr(open + 1, close - open - 1));
            if (number >= 1 && static_cast<size_t>(number) <= arguments_.size()) {
                result.append(arguments_[number - 1]);
            }
        }
        position = close + 1;
    }
    if (position < pattern_.size()) {
        result.append(pattern_, position);
    }
    return result;
}

} // namespace vandrelcommon::system
