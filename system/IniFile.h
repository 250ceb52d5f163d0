#pragma once
// The ordered section/key/value document behind every text file the program
// writes and behind the language tables. Files are UTF-16LE with a byte-order
// mark; names and keys compare as plain code units, so "Z" sorts before "a".
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace vandrelcommon::system {

class IniFile {
public:
    using Section = std::map<std::wstring, std::wstring>;
    using Sections = std::map<std::wstring, Section>;

    // Clears the document and reads the file, every line whole however long
    // it is (the file's size is bounded). The first two bytes are always
    // skipped (they are taken for the byte-order mark). False when the file
    // cannot be opened, or is no ordinary disk file, or is larger than
    // kMaxWholeFileBytes; the document then stays empty.
    bool Load(const std::wstring& path);
    // Reads a whole text with the same line rules; its first character is
    // taken for the byte-order mark and dropped.
    void Parse(std::wstring_view text);
    // Writes the byte-order mark and every section in order. False when the
    // file cannot be created or a write falls short.
    bool Save(const std::wstring& path) const;

    std::wstring GetString(
        const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue) const;
    std::string GetUtf8String(
        const std::wstring& section, const std::wstring& key, const std::string& defaultValue) const;
    // Read as formatted stream input reads a decimal number; one of 2^31 to
    // 2^32 - 1 is the unsigned form SetInt gives a negative value, and stands
    // for it. Outside -2^31 to 2^32 - 1, or no number: the default.
    int32_t GetInt(const std::wstring& section, const std::wstring& key, int32_t defaultValue) const;
    // 0 is false, 1 is true, anything else the default.
    bool GetBool(const std::wstring& section, const std::wstring& key, bool defaultValue) const;
    // Stored as "high:low", both halves unsigned decimal; a half that cannot
    // be read counts as 0.
    FILETIME GetFileTime(const std::wstring& section, const std::wstring& key, const FILETIME& defaultValue) const;
    // Creates the section (empty) when it is missing; an empty section is saved
    // as its header alone.
    Section& GetSection(const std::wstring& section);

    void SetString(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    // Written as the unsigned 32-bit form of the value.
    void SetInt(const std::wstring& section, const std::wstring& key, int32_t value);
    // The low 8 bits in decimal; booleans become "0" and "1".
    void SetByte(const std::wstring& section, const std::wstring& key, uint32_t value);
    void SetFileTime(const std::wstring& section, const std::wstring& key, const FILETIME& value);

    const Sections& GetSections() const { return sections_; }
    bool operator==(const IniFile& other) const = default;

private:
    class Reader;

    const std::wstring* Find(const std::wstring& section, const std::wstring& key) const;

    Sections sections_;
};

} // namespace vandrelcommon::system
