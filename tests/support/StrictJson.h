#pragma once
// A JSON reader as strict as RFC 8259, for reading back what our JSON
// report writes: whatever a lenient reader would let pass is an error here.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonValue {
    enum class Kind { Null, False, True, Number, String, Array, Object };
    Kind kind = Kind::Null;
    std::string number; // as written
    std::wstring text;  // a string in UTF-16; an escaped lone surrogate stays one
    std::vector<JsonValue> items;
    std::vector<std::pair<std::wstring, JsonValue>> members; // in document order

    // The member of that name; a null value when there is none.
    const JsonValue& operator[](std::wstring_view name) const;
    bool Has(std::wstring_view name) const;
    // A number without fraction or exponent; 0 for anything else.
    int64_t Integer() const;
};

// False, with the byte offset and the reason in `error`, for anything the
// grammar does not allow: a byte-order mark, text after the value, bytes
// that are not UTF-8 (overlong forms and encoded surrogates included), raw
// control characters in strings, unknown escapes, leading zeros, trailing
// commas, repeated member names.
bool ReadStrictJson(std::string_view document, JsonValue& value, std::string& error);
