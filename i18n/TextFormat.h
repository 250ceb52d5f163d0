#pragma once
// Fills "%1%", "%2%", ... in a localized pattern with arguments given in order.
// "%%" stands for one percent sign; a lone "%" drops itself and the rest of the
// pattern; a placeholder without a matching argument disappears.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vandrelcommon::system {

class TextFormat {
public:
    explicit TextFormat(std::wstring pattern);

    TextFormat& Add(uint64_t value);
    // Written as its unsigned 32-bit form.
    TextFormat& Add(int32_t value);
    TextFormat& Add(uint32_t value);
    // DWORD counters of the system.
    TextFormat& Add(unsigned long value) { return Add(static_cast<uint32_t>(value)); }
    TextFormat& Add(std::wstring_view text);
    // UTF-8.
    TextFormat& Add(std::string_view text);

    std::wstring Str() const;

private:
    std::wstring pattern_;
    std::vector<std::wstring> arguments_;
};

} // namespace vandrelcommon::system
