#pragma once
// Text lookup by dotted key ("duplicates-pane.buttons.pause") in the table of
// the current language. The six tables are "LANGUAGE" resources of the
// executable; loading one turns it into a tree of sections.
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vandrelcommon::system {

struct LocalizeSection {
    // Shown for a key this section does not have.
    std::wstring fallback = L"{}";
    std::map<std::string, std::wstring, std::less<>> texts;
    std::map<std::string, std::shared_ptr<LocalizeSection>, std::less<>> subsections;
};

struct LanguageInfo {
    std::string code;
    uint32_t resourceId = 0;
    uint32_t imageId = 0;   // the flag picture, a "PNG" resource
    uint32_t commandId = 0; // its item in the Language menu
};

class Localizer {
public:
    // Tables are looked up in `resources`; null means the executable.
    explicit Localizer(HMODULE resources = nullptr);
    Localizer(const Localizer&) = delete;
    Localizer& operator=(const Localizer&) = delete;

    // The process-wide holder, created on first use.
    static Localizer& Instance();

    // Never fails: a missing section or text gives "{}".
    const std::wstring& Localize(std::string_view key) const;
    // A text that depends on a number: the table holds the language's forms
    // separated by "|" (English: one, other; Russian: one, few, many); the
    // one `count` asks for, still to be filled.
    std::wstring LocalizeForm(std::string_view key, uint64_t count) const;
    // False when the code is not one of ours (nothing changes then). True
    // otherwise, even when the table cannot be found, which leaves the texts
    // as they are.
    bool LoadLanguage(std::string_view code);
    // Replaces every text by those of a table in the settings-file format,
    // given as its whole text including the leading byte-order mark.
    void LoadTable(std::wstring_view table);
    std::vector<LanguageInfo> GetLanguages() const { return languages_; }

private:
    void AddText(std::string_view key, const std::wstring& text);

    HMODULE resources_;
    std::string code_ = "en"; // of the table loaded last by LoadLanguage
    std::wstring fallback_ = L"{}";
    std::shared_ptr<LocalizeSection> root_;
    std::vector<LanguageInfo> languages_;
};

// The same operations on the process-wide holder.
const std::wstring& Localize(std::string_view key);
std::wstring LocalizeForm(std::string_view key, uint64_t count);
// A text that lists words separated by spaces (a language's units), word by word.
std::vector<std::wstring> LocalizeWords(std::string_view key);
bool LoadLanguage(std::string_view code);
std::vector<LanguageInfo> GetLanguages();

} // namespace vandrelcommon::system
