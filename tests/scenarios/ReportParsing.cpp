#include "tests/scenarios/ReportParsing.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

std::wstring Utf16Text(const std::string& bytes, size_t from)
{
    std::wstring text;
    for (size_t i = from; i + 1 < bytes.size(); i += 2) {
        text += static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
    return text;
}

void AppendUtf8(std::string& text, uint32_t code)
{
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// "&name;" at `at` -> its text; false for anything but the predefined and
// numeric references.
bool ResolveEntity(const std::string& text, size_t& at, std::string& out)
{
    const size_t end = text.find(';', at);
    if (end == std::string::npos || end - at > 10) {
        return false;
    }
    const std::string name = text.substr(at + 1, end - at - 1);
    static const std::map<std::string, char> kNamed = {
        {"quot", '"'}, {"amp", '&'}, {"apos", '\''}, {"lt", '<'}, {"gt", '>'}};
    if (const auto named = kNamed.find(name); named != kNamed.end()) {
        out += named->second;
    } else if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x';
        const std::string digits = name.substr(hex ? 2 : 1);
        if (digits.empty() ||
            digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos) {
            return false;
        }
        AppendUtf8(out, static_cast<uint32_t>(std::stoul(digits, nullptr, hex ? 16 : 10)));
    } else {
        return false;
    }
    at = end + 1;
    return true;
}

bool ValidUtf8(const std::string& text)
{
    return text.empty() || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                               static_cast<int>(text.size()), nullptr, 0) > 0;
}

class XmlReader {
public:
    explicit XmlReader(const std::string& text) : text_(text) { }

    bool Document(XmlElement& root)
    {
        if (text_.compare(0, 5, "<?xml") != 0) {
            return Fail("no XML declaration");
        }
        at_ = text_.find("?>");
        if (at_ == std::string::npos) {
            return Fail("unclosed XML declaration");
        }
        at_ += 2;
        SkipSpace();
        if (!Element(root)) {
            return false;
        }
        SkipSpace();
        return at_ == text_.size() || Fail("content after the root element");
    }

    std::string error;

private:
    bool Fail(const std::string& why)
    {
        error = why + " at byte " + std::to_string(at_);
        return false;
    }
    void SkipSpace()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
            ++at_;
        }
    }
    static bool NameChar(char c, bool first)
    {
        return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':' ||
               (!first && (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.'));
    }
    bool Name(std::string& name)
    {
        const size_t start = at_;
        while (at_ < text_.size() && NameChar(text_[at_], at_ == start)) {
            ++at_;
        }
        name = text_.substr(start, at_ - start);
        return !name.empty() || Fail("a name expected");
    }
    // Character data up to `stop`, entities resolved.
    bool Chars(const std::string& stop, std::string& out)
    {
        while (at_ < text_.size() && stop.find(text_[at_]) == std::string::npos) {
            if (text_[at_] == '&') {
                if (!ResolveEntity(text_, at_, out)) {
                    return Fail("a bad entity reference");
                }
            } else if (text_[at_] == '>' && stop == "<" && text_.compare(at_ - 2, 3, "]]>") == 0) {
                return Fail("]]> in text");
            } else {
                out += text_[at_++];
            }
        }
        return true;
    }
    bool Attribute(XmlElement& element)
    {
        std::string name;
        if (!Name(name)) {
            return false;
        }
        SkipSpace();
        if (at_ >= text_.size() || text_[at_] != '=') {
            return Fail("= expected");
        }
        ++at_;
        SkipSpace();
        const char quote = at_ < text_.size() ? text_[at_] : '\0';
        if (quote != '"' && quote != '\'') {
            return Fail("a quoted value expected");
        }
        ++at_;
        std::string value;
        if (!Chars(std::string(1, quote) + "<", value)) {
            return false;
        }
        if (at_ >= text_.size() || text_[at_] != quote) {
            return Fail("an unclosed or broken attribute value");
        }
        ++at_;
        return element.attributes.emplace(name, value).second || Fail("attribute " + name + " twice");
    }
    bool Element(XmlElement& element)
    {
        if (at_ >= text_.size() || text_[at_] != '<') {
            return Fail("< expected");
        }
        ++at_;
        if (!Name(element.name)) {
            return false;
        }
        for (;;) {
            const size_t before = at_;
            SkipSpace();
            if (at_ >= text_.size()) {
                return Fail("unclosed start tag");
            }
            if (text_.compare(at_, 2, "/>") == 0) {
                at_ += 2;
                return true;
            }
            if (text_[at_] == '>') {
                ++at_;
                break;
            }
            if (at_ == before) {
                return Fail("space expected before an attribute");
            }
            if (!Attribute(element)) {
                return false;
            }
        }
        for (;;) {
            if (!Chars("<", element.text)) {
                return false;
            }
            if (at_ >= text_.size()) {
                return Fail("unclosed element " + element.name);
            }
            if (text_.compare(at_, 4, "<!--") == 0) {
                const size_t end = text_.find("-->", at_ + 4);
                if (end == std::string::npos) {
                    return Fail("unclosed comment");
                }
                at_ = end + 3;
            } else if (text_.compare(at_, 2, "</") == 0) {
                at_ += 2;
                std::string name;
                if (!Name(name) || name != element.name) {
                    return Fail("</" + name + "> closes <" + element.name + ">");
                }
                SkipSpace();
                if (at_ >= text_.size() || text_[at_] != '>') {
                    return Fail("unclosed end tag");
                }
                ++at_;
                return true;
            } else {
                element.children.emplace_back();
                if (!Element(element.children.back())) {
                    return false;
                }
            }
        }
    }

    const std::string& text_;
    size_t at_ = 0;
};

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Tags left out, entities a browser knows resolved, unknown ones kept.
std::string HtmlText(const std::string& html)
{
    std::string text;
    for (size_t at = 0; at < html.size();) {
        if (html[at] == '<') {
            const size_t end = html.find('>', at);
            at = end == std::string::npos ? html.size() : end + 1;
        } else if (html[at] != '&' || !ResolveEntity(html, at, text)) {
            text += html[at++];
        }
    }
    return text;
}

// The report puts an apostrophe in front of a text a spreadsheet would run
// as a formula (apostrophes, then "=", "+", "-" or "@"): the text without it.
std::wstring WithoutFormulaMark(std::wstring field)
{
    const size_t first = field.find_first_not_of(L'\'');
    if (first > 0 && first != std::wstring::npos &&
        std::wstring_view(L"=+-@").find(field[first]) != std::wstring::npos) {
        field.erase(0, 1);
    }
    return field;
}

} // namespace

bool ParseCsv(const std::string& bytes, std::vector<std::vector<std::wstring>>& records, std::string& error)
{
    if (bytes.compare(0, 2, "\xFF\xFE") != 0) {
        error = "no UTF-16LE byte-order mark";
        return false;
    }
    const std::wstring text = Utf16Text(bytes, 2);
    records.clear();
    size_t at = 0;
    const auto fail = [&](const char* why) {
        error = std::string(why) + " in record " + std::to_string(records.size() + 1);
        return false;
    };
    while (at < text.size()) {
        std::vector<std::wstring> record;
        if (text[at] == L'\n') {
            records.push_back(record); // an empty line
            ++at;
            continue;
        }
        for (;;) {
            std::wstring field;
            if (at < text.size() && text[at] == L'"') {
                for (++at;; ++at) {
                    if (at >= text.size()) {
                        return fail("an unclosed quoted field");
                    }
                    if (text[at] == L'"' && (at + 1 >= text.size() || text[at + 1] != L'"')) {
                        ++at;
                        break;
                    }
                    at += text[at] == L'"' ? 1 : 0; // a doubled quote stands for one
                    field += text[at];
                }
            } else {
                for (; at < text.size() && text[at] != L',' && text[at] != L'\n'; ++at) {
                    if (text[at] == L'"') {
                        return fail("a quote in an unquoted field");
                    }
                    field += text[at];
                }
            }
            record.push_back(WithoutFormulaMark(std::move(field)));
            if (at < text.size() && text[at] == L',') {
                ++at;
                continue;
            }
            if (at < text.size() && text[at] != L'\n') {
                return fail("text after a closing quote");
            }
            at += at < text.size() ? 1 : 0;
            break;
        }
        records.push_back(std::move(record));
    }
    return true;
}

std::vector<const XmlElement*> XmlElement::All(const std::string& childName) const
{
    std::vector<const XmlElement*> found;
    for (const XmlElement& child : children) {
        if (child.name == childName) {
            found.push_back(&child);
        }
    }
    return found;
}

const XmlElement& XmlElement::Child(const std::string& childName) const
{
    static const XmlElement kNone;
    for (const XmlElement& child : children) {
        if (child.name == childName) {
            return child;
        }
    }
    return kNone;
}

bool ParseXml(const std::string& bytes, XmlElement& root, std::string& error)
{
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0) {
        error = "no UTF-8 byte-order mark";
        return false;
    }
    const std::string text = bytes.substr(3);
    if (!ValidUtf8(text)) {
        error = "not UTF-8";
        return false;
    }
    XmlReader reader(text);
    root = XmlElement{};
    if (!reader.Document(root)) {
        error = reader.error;
        return false;
    }
    return true;
}

std::vector<std::vector<std::string>> HtmlTableRows(const std::string& html)
{
    const std::string lower = Lower(html);
    std::vector<std::vector<std::string>> rows;
    // Every <tr> begins a row, every <td> or <th> a cell; a cell ends at the
    // next tag that begins or ends a cell, row or table.
    for (size_t at = lower.find("<tr"); at != std::string::npos; at = lower.find("<tr", at + 1)) {
        const size_t rowEnd = std::min(std::min(lower.find("<tr", at + 3), lower.find("</table", at)), lower.size());
        std::vector<std::string> cells;
        for (size_t cell = at; (cell = std::min(lower.find("<td", cell + 1), lower.find("<th", cell + 1))) < rowEnd;) {
            const size_t open = lower.find('>', cell);
            if (open == std::string::npos || open >= rowEnd) {
                break;
            }
            size_t end = rowEnd;
            for (const char* stop : {"</td", "</th", "<td", "<th", "</tr"}) {
                end = std::min(end, lower.find(stop, open));
            }
            cells.push_back(HtmlText(html.substr(open + 1, end - open - 1)));
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

std::wstring Wide(const std::string& utf8)
{
    if (utf8.empty()) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(utf8.size()), L'\0');
    const int length = ::MultiByteToWideChar(
        CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length));
    return wide;
}
