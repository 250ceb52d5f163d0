#include "i18n/Localizer.h"

#include "resources/resource.h"
#include "system/IniFile.h"
#include "system/TextEncoding.h"

#include <cstring>

namespace vandrelcommon::system {

namespace {

// Splits a dotted key: everything before the last "." names sections, the
// rest the text.
struct KeyParts {
    std::string_view sections;
    std::string_view last;
    bool hasSections;
};

KeyParts SplitLast(std::string_view key)
{
    const size_t dot = key.rfind('.');
    if (dot == std::string_view::npos) {
        return KeyParts{std::string_view(), key, false};
    }
    return KeyParts{key.substr(0, dot), key.substr(dot + 1), true};
}

// Calls visit(part) for every part of a dotted path; stops when it answers false.
template <typename Visit>
bool ForEachPart(std::string_view path, Visit visit)
{
    for (;;) {
        const size_t dot = path.find('.');
        if (!visit(path.substr(0, dot))) {
            return false;
        }
        if (dot == std::string_view::npos) {
            return true;
        }
        path.remove_prefix(dot + 1);
    }
}

std::wstring ReadTableResource(HMODULE module, uint32_t id)
{
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"LANGUAGE");
    if (!found) {
        return std::wstring();
    }
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) {
        return std::wstring();
    }
    std::wstring text(::SizeofResource(module, found) / 2, L'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
    return text;
}

// Which of a language's forms a count takes, by the rules of its grammar.
size_t PluralForm(std::string_view code, uint64_t count)
{
    const uint64_t units = count % 10;
    const uint64_t tens = count % 100;
    const bool few = units >= 2 && units <= 4 && (tens < 12 || tens > 14);
    if (code == "ru" || code == "ua") {
        return units == 1 && tens != 11 ? 0 : few ? 1 : 2;
    }
    if (code == "pl") {
        return count == 1 ? 0 : few ? 1 : 2;
    }
    if (code == "fr") {
        return count <= 1 ? 0 : 1;
    }
    return count == 1 ? 0 : 1;
}

} // namespace

Localizer::Localizer(HMODULE resources)
    : resources_(resources),
      root_(std::make_shared<LocalizeSection>()),
      languages_{
          {"en", IDR_LANGUAGE_EN, IDB_FLAG_EN, ID_LANGUAGE_EN},
          {"de", IDR_LANGUAGE_DE, IDB_FLAG_DE, ID_LANGUAGE_DE},
          {"fr", IDR_LANGUAGE_FR, IDB_FLAG_FR, ID_LANGUAGE_FR},
          {"ru", IDR_LANGUAGE_RU, IDB_FLAG_RU, ID_LANGUAGE_RU},
          {"pl", IDR_LANGUAGE_PL, IDB_FLAG_PL, ID_LANGUAGE_PL},
          {"ua", IDR_LANGUAGE_UA, IDB_FLAG_UA, ID_LANGUAGE_UA},
      }
{ }

Localizer& Localizer::Instance()
{
    static Localizer instance;
    return instance;
}

const std::wstring& Localizer::Localize(std::string_view key) const
{
    const KeyParts parts = SplitLast(key);
    const LocalizeSection* section = root_.get();
    if (parts.hasSections) {
        const bool found = ForEachPart(parts.sections, [&section](std::string_view name) {
            const auto child = section->subsections.find(name);
            if (child == section->subsections.end()) {
                return false;
            }
            section = child->second.get();
            return true;
        });
        if (!found) {
            return fallback_;
        }
    }
    const auto text = section->texts.find(parts.last);
    return text == section->texts.end() ? section->fallback : text->second;
}

std::wstring Localizer::LocalizeForm(std::string_view key, uint64_t count) const
{
    const std::wstring& forms = Localize(key);
    size_t form = PluralForm(code_, count);
    size_t start = 0;
    for (; form > 0; --form) {
        const size_t bar = forms.find(L'|', start);
        if (bar == std::wstring::npos) {
            break; // fewer forms than the rule knows: the last one
        }
        start = bar + 1;
    }
    const size_t end = forms.find(L'|', start);
    return forms.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

bool Localizer::LoadLanguage(std::string_view code)
{
    for (const LanguageInfo& language : languages_) {
        if (language.code == code) {
            const std::wstring table = ReadTableResource(resources_, language.resourceId);
            if (!table.empty()) {
                LoadTable(table);
                code_ = language.code;
            }
            return true;
        }
    }
    return false;
}

void Localizer::LoadTable(std::wstring_view table)
{
    IniFile document;
    document.Parse(table);
    root_->texts.clear();
    root_->subsections.clear();
    for (const auto& [name, keys] : document.GetSections()) {
        for (const auto& [key, text] : keys) {
            AddText(Utf8FromWide(name + L"." + key), text);
        }
    }
}

void Localizer::AddText(std::string_view key, const std::wstring& text)
{
    const KeyParts parts = SplitLast(key);
    LocalizeSection* section = root_.get();
    if (parts.hasSections) {
        ForEachPart(parts.sections, [&section](std::string_view name) {
            auto child = section->subsections.find(name);
            if (child == section->subsections.end()) {
                child = section->subsections.emplace(std::string(name), std::make_shared<LocalizeSection>()).first;
            }
            section = child->second.get();
            return true;
        });
    }
    // The first text stored under a key stays.
    section->texts.emplace(std::string(parts.last), text);
}

const std::wstring& Localize(std::string_view key)
{
    return Localizer::Instance().Localize(key);
}

std::wstring LocalizeForm(std::string_view key, uint64_t count)
{
    return Localizer::Instance().LocalizeForm(key, count);
}

std::vector<std::wstring> LocalizeWords(std::string_view key)
{
    const std::wstring& text = Localize(key);
    std::vector<std::wstring> words;
    size_t start = 0;
    while ((start = text.find_first_not_of(L' ', start)) != std::wstring::npos) {
        const size_t end = text.find(L' ', start);
        words.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        start = end;
    }
    return words;
}

bool LoadLanguage(std::string_view code)
{
    return Localizer::Instance().LoadLanguage(code);
}

std::vector<LanguageInfo> GetLanguages()
{
    return Localizer::Instance().GetLanguages();
}

} // namespace vandrelcommon::system
