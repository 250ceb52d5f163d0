#include "tests/support/StrictJson.h"

#include <algorithm>

namespace {

constexpr int kMaximumDepth = 64;

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) { }

    bool Document(JsonValue& value, std::string& error)
    {
        const bool read = Value(value, 0) && (SkipSpace(), at_ == text_.size() || Fail("text after the value"));
        if (!read) {
            error = "at byte " + std::to_string(at_) + ": " + reason_;
        }
        return read;
    }

private:
    bool Fail(const char* reason)
    {
        reason_ = reason;
        return false;
    }

    void SkipSpace()
    {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
            ++at_;
        }
    }

    bool Take(char c)
    {
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool Word(std::string_view word)
    {
        if (text_.substr(at_, word.size()) != word) {
            return Fail("unknown word");
        }
        at_ += word.size();
        return true;
    }

    bool Value(JsonValue& value, int depth)
    {
        value = JsonValue{};
        SkipSpace();
        if (depth > kMaximumDepth) {
            return Fail("nested too deep");
        }
        if (at_ == text_.size()) {
            return Fail("a value is missing");
        }
        switch (text_[at_]) {
        case '{':
            value.kind = JsonValue::Kind::Object;
            return Object(value, depth);
        case '[':
            value.kind = JsonValue::Kind::Array;
            return Array(value, depth);
        case '"':
            value.kind = JsonValue::Kind::String;
            return String(value.text);
        case 't':
            value.kind = JsonValue::Kind::True;
            return Word("true");
        case 'f':
            value.kind = JsonValue::Kind::False;
            return Word("false");
        case 'n':
            value.kind = JsonValue::Kind::Null;
            return Word("null");
        default:
            value.kind = JsonValue::Kind::Number;
            return Number(value.number);
        }
    }

    bool Object(JsonValue& value, int depth)
    {
        ++at_;
        SkipSpace();
        if (Take('}')) {
            return true;
        }
        do {
            SkipSpace();
            std::wstring name;
            if (at_ == text_.size() || text_[at_] != '"' || !String(name)) {
                return reason_.empty() ? Fail("a member name is missing") : false;
            }
            if (value.Has(name)) {
                return Fail("a member name is repeated");
            }
            SkipSpace();
            if (!Take(':')) {
                return Fail("':' is missing");
            }
            JsonValue member;
            if (!Value(member, depth + 1)) {
                return false;
            }
            value.members.emplace_back(std::move(name), std::move(member));
            SkipSpace();
        } while (Take(','));
        return Take('}') || Fail("',' or '}' is missing");
    }

    bool Array(JsonValue& value, int depth)
    {
        ++at_;
        SkipSpace();
        if (Take(']')) {
            return true;
        }
        do {
            JsonValue item;
            if (!Value(item, depth + 1)) {
                return false;
            }
            value.items.push_back(std::move(item));
            SkipSpace();
        } while (Take(','));
        return Take(']') || Fail("',' or ']' is missing");
    }

    bool Digits()
    {
        const size_t start = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
            ++at_;
        }
        return at_ > start;
    }

    bool Number(std::string& number)
    {
        const size_t start = at_;
        Take('-');
        if (Take('0')) {
            if (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
                return Fail("a number with a leading zero");
            }
        } else if (!Digits()) {
            return Fail("not a value");
        }
        if (Take('.') && !Digits()) {
            return Fail("a fraction without digits");
        }
        if (Take('e') || Take('E')) {
            if (!Take('+')) {
                Take('-');
            }
            if (!Digits()) {
                return Fail("an exponent without digits");
            }
        }
        number.assign(text_.substr(start, at_ - start));
        return true;
    }

    bool Hex4(uint32_t& unit)
    {
        unit = 0;
        for (int i = 0; i < 4; ++i, ++at_) {
            const char c = at_ < text_.size() ? text_[at_] : '\0';
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) {
                return Fail("a \\u escape needs four hex digits");
            }
            unit = unit * 16 + static_cast<uint32_t>(digit);
        }
        return true;
    }

    bool Escape(std::wstring& out)
    {
        if (at_ == text_.size()) {
            return Fail("an escape is cut short");
        }
        const char c = text_[at_++];
        const std::string_view simple = "\"\\/bfnrt";
        const std::wstring_view meaning = L"\"\\/\b\f\n\r\t";
        if (const size_t found = simple.find(c); found != std::string_view::npos) {
            out.push_back(meaning[found]);
            return true;
        }
        uint32_t unit = 0;
        if (c != 'u' || !Hex4(unit)) {
            return reason_.empty() ? Fail("an unknown escape") : false;
        }
        out.push_back(static_cast<wchar_t>(unit));
        return true;
    }

    // One UTF-8 sequence, checked as RFC 3629 says.
    bool Character(std::wstring& out)
    {
        const auto byte = [this](size_t i) {
            return at_ + i < text_.size() ? static_cast<unsigned char>(text_[at_ + i]) : 0u;
        };
        const unsigned lead = byte(0);
        const auto continuation = [&](size_t i, unsigned low = 0x80, unsigned high = 0xBF) {
            return byte(i) >= low && byte(i) <= high;
        };
        uint32_t code = 0;
        size_t length = 0;
        if (lead < 0x80) {
            code = lead;
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF && continuation(1)) {
            code = lead & 0x1F;
            length = 2;
        } else if ((lead == 0xE0 && continuation(1, 0xA0)) || (lead == 0xED && continuation(1, 0x80, 0x9F)) ||
                   (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && continuation(1))) {
            code = lead & 0x0F;
            length = continuation(2) ? 3 : 0;
        } else if ((lead == 0xF0 && continuation(1, 0x90)) || (lead == 0xF4 && continuation(1, 0x80, 0x8F)) ||
                   (lead >= 0xF1 && lead <= 0xF3 && continuation(1))) {
            code = lead & 0x07;
            length = continuation(2) && continuation(3) ? 4 : 0;
        }
        if (length == 0) {
            return Fail("not UTF-8");
        }
        for (size_t i = 1; i < length; ++i) {
            code = (code << 6) | (byte(i) & 0x3F);
        }
        at_ += length;
        if (code >= 0x10000) {
            out.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(code));
        }
        return true;
    }

    bool String(std::wstring& out)
    {
        ++at_;
        while (at_ < text_.size()) {
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20) {
                return Fail("a control character in a string");
            }
            if (c == '\\') {
                ++at_;
                if (!Escape(out)) {
                    return false;
                }
            } else if (!Character(out)) {
                return false;
            }
        }
        return Fail("a string is not closed");
    }

    std::string_view text_;
    size_t at_ = 0;
    std::string reason_;
};

const JsonValue kNull;

} // namespace

const JsonValue& JsonValue::operator[](std::wstring_view name) const
{
    const auto found =
        std::find_if(members.begin(), members.end(), [name](const auto& member) { return member.first == name; });
    return found == members.end() ? kNull : found->second;
}

bool JsonValue::Has(std::wstring_view name) const
{
    return std::any_of(members.begin(), members.end(), [name](const auto& member) { return member.first == name; });
}

int64_t JsonValue::Integer() const
{
    if (kind != Kind::Number || number.find_first_of(".eE") != std::string::npos) {
        return 0;
    }
    return std::stoll(number);
}

bool ReadStrictJson(std::string_view document, JsonValue& value, std::string& error)
{
    return Reader(document).Document(value, error);
}
