#include "system/IniFile.h"

#include "system/DiskFile.h"
#include "system/Handles.h"
#include "system/TextEncoding.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <vector>

namespace vandrelcommon::system {

using vandrelcommon::system::KernelHandle;

namespace {

constexpr size_t kReadBlockSize = 64 * 1024;
constexpr DWORD kWriteBlockSize = 1024 * 1024;

// Formatted stream input of a number; false when none can be read.
template <typename Number>
bool ReadNumber(const std::wstring& text, Number& value)
{
    std::wistringstream stream(text);
    return static_cast<bool>(stream >> value);
}

void AppendLittleEndian(std::string& bytes, std::wstring_view text)
{
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
}

} // namespace

// Cuts text into lines at the line feeds and parses each. A long line stays
// whole: cut into pieces, the rest of a long value would be read as a key of
// its own, and a protected folder with a long path would be cut short.
class IniFile::Reader {
public:
    explicit Reader(Sections& sections) : sections_(sections) { }

    void Add(wchar_t c)
    {
        piece_.push_back(c);
        if (c == L'\n') {
            EndPiece();
        }
    }

    void Finish()
    {
        if (!piece_.empty()) {
            EndPiece();
        }
    }

private:
    void EndPiece()
    {
        ParseLine(piece_);
        piece_.clear();
    }

    void ParseLine(std::wstring_view line)
    {
        while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n')) {
            line.remove_suffix(1);
        }
        const size_t start = line.find_first_not_of(L" \t");
        if (start == std::wstring_view::npos) {
            return;
        }
        line.remove_prefix(start);
        if (line.front() == L'[') {
            const size_t close = line.rfind(L']');
            if (close == std::wstring_view::npos) {
                return;
            }
            current_ = std::wstring(line.substr(1, close - 1));
            sections_[current_];
            return;
        }
        const size_t equals = line.find(L'=');
        std::wstring key(line.substr(0, equals));
        std::wstring value = equals == std::wstring_view::npos ? std::wstring() : std::wstring(line.substr(equals + 1));
        sections_[current_][std::move(key)] = std::move(value);
    }

    Sections& sections_;
    std::wstring current_;
    std::wstring piece_;
};

bool IniFile::Load(const std::wstring& path)
{
    sections_.clear();
    const KernelHandle file = OpenWholeFile(path);
    if (!file) {
        return false;
    }
    Reader reader(sections_);
    std::vector<unsigned char> block(kReadBlockSize);
    uint64_t offset = 0;
    int pendingLow = -1;
    DWORD got = 0;
    // A read error ends the text like the end of the file does; a file that
    // grows while it is read is read no further than the bound.
    while (offset < kMaxWholeFileBytes &&
           ::ReadFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i, ++offset) {
            if (offset < 2) {
                continue;
            }
            if (pendingLow < 0) {
                pendingLow = block[i];
            } else {
                reader.Add(static_cast<wchar_t>(pendingLow | (block[i] << 8)));
                pendingLow = -1;
            }
        }
    }
    // A lone last byte is half a character and is dropped.
    reader.Finish();
    return true;
}

void IniFile::Parse(std::wstring_view text)
{
    Reader reader(sections_);
    for (size_t i = 1; i < text.size(); ++i) {
        reader.Add(text[i]);
    }
    reader.Finish();
}

bool IniFile::Save(const std::wstring& path) const
{
    std::string bytes = "\xFF\xFE";
    for (const auto& [name, keys] : sections_) {
        AppendLittleEndian(bytes, L"[" + name + L"]\n");
        for (const auto& [key, value] : keys) {
            AppendLittleEndian(bytes, key + L"=" + value + L"\n");
        }
    }
    KernelHandle file(::CreateFileW(
        path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    for (size_t written = 0; written < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, kWriteBlockSize));
        DWORD done = 0;
        if (!::WriteFile(file.Get(), bytes.data() + written, chunk, &done, nullptr) || done != chunk) {
            return false;
        }
        written += done;
    }
    return true;
}

const std::wstring* IniFile::Find(const std::wstring& section, const std::wstring& key) const
{
    const auto s = sections_.find(section);
    if (s == sections_.end()) {
        return nullptr;
    }
    const auto k = s->second.find(key);
    return k == s->second.end() ? nullptr : &k->second;
}

std::wstring IniFile::GetString(
    const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue) const
{
    const std::wstring* value = Find(section, key);
    return value ? *value : defaultValue;
}

std::string IniFile::GetUtf8String(
    const std::wstring& section, const std::wstring& key, const std::string& defaultValue) const
{
    const std::wstring* value = Find(section, key);
    return value ? Utf8FromWide(*value) : defaultValue;
}

int32_t IniFile::GetInt(const std::wstring& section, const std::wstring& key, int32_t defaultValue) const
{
    // SetInt writes a negative value in its unsigned form, so the numbers
    // up to 2^32 - 1 are read back as the 32-bit values they were written from.
    const std::wstring* text = Find(section, key);
    int64_t value = 0;
    if (!text || !ReadNumber(*text, value) || value < INT32_MIN || value > UINT32_MAX) {
        return defaultValue;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

bool IniFile::GetBool(const std::wstring& section, const std::wstring& key, bool defaultValue) const
{
    switch (GetInt(section, key, 2)) {
    case 0:
        return false;
    case 1:
        return true;
    default:
        return defaultValue;
    }
}

FILETIME IniFile::GetFileTime(const std::wstring& section, const std::wstring& key, const FILETIME& defaultValue) const
{
    const std::wstring* text = Find(section, key);
    if (!text || text->empty()) {
        return defaultValue;
    }
    const size_t colon = text->find(L':');
    if (colon == std::wstring::npos) {
        return defaultValue;
    }
    uint32_t high = 0;
    uint32_t low = 0;
    if (!ReadNumber(text->substr(0, colon), high)) {
        high = 0;
    }
    if (!ReadNumber(text->substr(colon + 1), low)) {
        low = 0;
    }
    FILETIME result{};
    result.dwHighDateTime = high;
    result.dwLowDateTime = low;
    return result;
}

IniFile::Section& IniFile::GetSection(const std::wstring& section)
{
    return sections_[section];
}

void IniFile::SetString(const std::wstring& section, const std::wstring& key, const std::wstring& value)
{
    sections_[section][key] = value;
}

void IniFile::SetInt(const std::wstring& section, const std::wstring& key, int32_t value)
{
    SetString(section, key, std::to_wstring(static_cast<uint32_t>(value)));
}

void IniFile::SetByte(const std::wstring& section, const std::wstring& key, uint32_t value)
{
    SetString(section, key, std::to_wstring(value & 0xFF));
}

void IniFile::SetFileTime(const std::wstring& section, const std::wstring& key, const FILETIME& value)
{
    SetString(section, key, std::to_wstring(value.dwHighDateTime) + L":" + std::to_wstring(value.dwLowDateTime));
}

} // namespace vandrelcommon::system
