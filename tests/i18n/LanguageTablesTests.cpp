// The six tables compiled into Clonarium.exe: where they are stored, their
// text form, and their content key by key.
#include "i18n/Localizer.h"
#include "system/IniFile.h"
#include "system/TextEncoding.h"
#include "tests/i18n/QuotedEnglishTexts.h"
#include "tests/support/FileBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>

using namespace vandrelcommon::system;

namespace {

using vandrelcommon::system::LanguageInfo;
using vandrelcommon::system::Localizer;

using Texts = std::map<std::string, std::wstring>;

std::wstring BesideThisProgram(const wchar_t* name)
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

std::string ResourceBytes(HMODULE module, uint32_t id, const wchar_t* type)
{
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) {
        return std::string();
    }
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(module, found)));
    return data ? std::string(data, ::SizeofResource(module, found)) : std::string();
}

std::wstring WideFromBytes(const std::string& bytes)
{
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(
            static_cast<unsigned char>(bytes[2 * i]) | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return text;
}

// The "%N%" a text uses (once or, in its forms by number, more often).
std::set<std::wstring> Placeholders(const std::wstring& text)
{
    static const std::wregex placeholder(L"%[0-9]+%");
    std::set<std::wstring> found;
    for (std::wsregex_iterator it(text.begin(), text.end(), placeholder), end; it != end; ++it) {
        found.insert(it->str());
    }
    return found;
}

size_t Count(const std::wstring& text, const std::wstring& word)
{
    size_t count = 0;
    for (size_t at = text.find(word); at != std::wstring::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return count;
}

class LanguageTables : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        program_ = ::LoadLibraryExW(BesideThisProgram(L"Clonarium.exe").c_str(), nullptr,
            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite()
    {
        if (program_) {
            ::FreeLibrary(program_);
        }
        program_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(program_, nullptr) << "Clonarium.exe cannot be opened"; }

    static std::string TableBytes(const LanguageInfo& language)
    {
        return ResourceBytes(program_, language.resourceId, L"LANGUAGE");
    }

    // Full key ("section.key") to text.
    static Texts TableTexts(const LanguageInfo& language)
    {
        IniFile document;
        document.Parse(WideFromBytes(TableBytes(language)));
        Texts texts;
        for (const auto& [section, keys] : document.GetSections()) {
            for (const auto& [key, text] : keys) {
                texts[Utf8FromWide(section + L"." + key)] = text;
            }
        }
        return texts;
    }

    static Texts EnglishTexts() { return TableTexts(Localizer().GetLanguages().front()); }

    static HMODULE program_;
};

HMODULE LanguageTables::program_ = nullptr;

const std::vector<LanguageInfo> kLanguages = Localizer().GetLanguages();

TEST_F(LanguageTables, StoredUnderTheirResourceLanguages)
{
    for (const LanguageInfo& language : kLanguages) {
        const WORD resourceLanguage = language.resourceId < 300 ? 1033 : 2048;
        EXPECT_NE(
            ::FindResourceExW(program_, L"LANGUAGE", MAKEINTRESOURCEW(language.resourceId), resourceLanguage), nullptr)
            << language.code;
        EXPECT_FALSE(TableBytes(language).empty()) << language.code;
    }
}

TEST_F(LanguageTables, CompiledTablesAreTheSourceFiles)
{
    for (const LanguageInfo& language : kLanguages) {
        const std::wstring source = WideFromUtf8(CLONARIUM_SOURCE_DIR "/i18n/") + WideFromUtf8(language.code) + L".lng";
        const std::string bytes = ReadFileBytes(source);
        ASSERT_FALSE(bytes.empty()) << "cannot read " << Utf8FromWide(source);
        EXPECT_TRUE(bytes == TableBytes(language)) << language.code;
    }
}

TEST_F(LanguageTables, TextForm)
{
    for (const LanguageInfo& language : kLanguages) {
        SCOPED_TRACE(language.code);
        const std::string bytes = TableBytes(language);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        EXPECT_EQ(bytes.size() % 2, 0u);
        const std::wstring text = WideFromBytes(bytes).substr(1);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), L'\n');
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\n') {
                EXPECT_TRUE(i > 0 && text[i - 1] == L'\r') << "line feed without carriage return at " << i;
            } else if (text[i] == L'\r') {
                EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == L'\n') << "lone carriage return at " << i;
            }
        }
    }
}

// The English table is the reference: each translation has its sections
// and its keys, none missing and none more.
TEST_F(LanguageTables, TranslationsHoldExactlyTheEnglishSectionsAndKeys)
{
    auto sectionsOf = [](const LanguageInfo& language) {
        IniFile document;
        document.Parse(WideFromBytes(TableBytes(language)));
        std::set<std::string> sections;
        for (const auto& entry : document.GetSections()) {
            sections.insert(Utf8FromWide(entry.first));
        }
        return sections;
    };
    auto keysOf = [](const LanguageInfo& language) {
        std::set<std::string> keys;
        for (const auto& entry : TableTexts(language)) {
            keys.insert(entry.first);
        }
        return keys;
    };
    ASSERT_EQ(kLanguages.front().code, "en");
    const std::set<std::string> englishSections = sectionsOf(kLanguages.front());
    const std::set<std::string> englishKeys = keysOf(kLanguages.front());
    ASSERT_FALSE(englishKeys.empty());
    for (const LanguageInfo& language : kLanguages) {
        SCOPED_TRACE(language.code);
        EXPECT_EQ(sectionsOf(language), englishSections);
        const std::set<std::string> keys = keysOf(language);
        std::vector<std::string> missing;
        std::vector<std::string> extra;
        std::set_difference(
            englishKeys.begin(), englishKeys.end(), keys.begin(), keys.end(), std::back_inserter(missing));
        std::set_difference(
            keys.begin(), keys.end(), englishKeys.begin(), englishKeys.end(), std::back_inserter(extra));
        EXPECT_TRUE(missing.empty()) << "missing " << testing::PrintToString(missing);
        EXPECT_TRUE(extra.empty()) << "extra " << testing::PrintToString(extra);
    }
}

TEST_F(LanguageTables, FixedEnglishTextsAreUsedWordForWord)
{
    const Texts english = EnglishTexts();
    for (const auto& [key, text] : QuotedEnglishTexts()) {
        const auto found = english.find(key);
        ASSERT_NE(found, english.end()) << key;
        // A text with forms by number ("...group|...groups") quotes its last.
        EXPECT_EQ(found->second.substr(found->second.rfind(L'|') + 1), text) << key;
    }
    EXPECT_EQ(QuotedEnglishTexts().size(), 149u);
}

TEST_F(LanguageTables, TranslationsKeepPlaceholdersAndNames)
{
    const Texts english = EnglishTexts();
    for (const LanguageInfo& language : kLanguages) {
        SCOPED_TRACE(language.code);
        const Texts texts = TableTexts(language);
        size_t sameAsEnglish = 0;
        for (const auto& [key, englishText] : english) {
            const auto found = texts.find(key);
            ASSERT_NE(found, texts.end()) << key;
            const std::wstring& text = found->second;
            EXPECT_FALSE(text.empty()) << key;
            EXPECT_EQ(Placeholders(text), Placeholders(englishText)) << key;
            // Any other percent sign would cut the text short when it is filled in.
            EXPECT_EQ(std::regex_replace(text, std::wregex(L"%[0-9]+%"), L"").find(L'%'), std::wstring::npos) << key;
            for (const wchar_t* name : {L"Clonarium", L"Vandrelco"}) {
                EXPECT_EQ(Count(text, name), Count(englishText, name)) << key;
            }
            sameAsEnglish += text == englishText ? 1 : 0;
        }
        if (language.code != "en") {
            EXPECT_LT(sameAsEnglish, 10u) << "looks untranslated";
        }
    }
}

TEST_F(LanguageTables, EachResourceHoldsItsOwnLanguage)
{
    const std::map<std::string, std::wstring> cancel = {
        {"en", L"Cancel"},
        {"de", L"Abbrechen"},
        {"fr", L"Annuler"},
        {"ru", L"\u041e\u0442\u043c\u0435\u043d\u0430"},
        {"pl", L"Anuluj"},
        {"ua", L"\u0421\u043a\u0430\u0441\u0443\u0432\u0430\u0442\u0438"},
    };
    for (const LanguageInfo& language : kLanguages) {
        EXPECT_EQ(TableTexts(language)["common.btn-cancel"], cancel.at(language.code)) << language.code;
    }
}

// A text that depends on a number holds as many forms as its language has,
// and the count picks the one its grammar asks for.
TEST_F(LanguageTables, FormsByNumberFollowEachLanguage)
{
    const std::map<std::string, size_t> formCount = {{"en", 2}, {"de", 2}, {"fr", 2}, {"ru", 3}, {"pl", 3}, {"ua", 3}};
    const Texts english = EnglishTexts();
    for (const LanguageInfo& language : kLanguages) {
        for (const auto& [key, text] : TableTexts(language)) {
            if (english.at(key).find(L'|') != std::wstring::npos) {
                EXPECT_EQ(Count(text, L"|") + 1, formCount.at(language.code)) << language.code << " " << key;
            }
        }
    }
    Localizer localizer(program_);
    const auto groups = [&](const char* code, uint64_t count) {
        localizer.LoadLanguage(code);
        return localizer.LocalizeForm("main.status.found-duplicates", count);
    };
    EXPECT_EQ(groups("en", 1), L"%1% in %2% group (total size: %3%; can be freed: %4%)");
    EXPECT_NE(groups("en", 0).find(L"groups"), std::wstring::npos);
    EXPECT_EQ(groups("fr", 0).find(L"groupes"), std::wstring::npos) << "French counts 0 as one";
    EXPECT_NE(groups("fr", 2).find(L"groupes"), std::wstring::npos);
    const std::wstring oneRu = L"\u0433\u0440\u0443\u043f\u043f\u0435 "; // группе
    for (const uint64_t one : {1, 21, 101}) {
        EXPECT_NE(groups("ru", one).find(oneRu), std::wstring::npos) << one;
    }
    for (const uint64_t other : {2, 5, 11, 12, 22, 111}) {
        EXPECT_EQ(groups("ru", other).find(oneRu), std::wstring::npos) << other;
    }
    EXPECT_NE(groups("pl", 1).find(L"grupie"), std::wstring::npos);
    EXPECT_NE(groups("pl", 21).find(L"grupach"), std::wstring::npos) << "Polish: only 1 is one";
    EXPECT_NE(groups("ua", 31).find(L"\u0433\u0440\u0443\u043f\u0456"), std::wstring::npos); // групі
}

TEST_F(LanguageTables, FlagsArePngPictures)
{
    for (const LanguageInfo& language : kLanguages) {
        const std::string png = ResourceBytes(program_, language.imageId, L"PNG");
        ASSERT_GE(png.size(), 24u) << language.code;
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n") << language.code;
        EXPECT_EQ(png.substr(12, 4), "IHDR") << language.code;
        // 16 x 16 pixels.
        EXPECT_EQ(png.substr(16, 8), std::string("\0\0\0\x10\0\0\0\x10", 8)) << language.code;
    }
}

TEST_F(LanguageTables, SwitchingLanguagesReplacesEveryText)
{
    Localizer localizer(program_);
    ASSERT_TRUE(localizer.LoadLanguage("en"));
    EXPECT_EQ(localizer.Localize("duplicates-pane.buttons.pause"), L"Pause");
    EXPECT_EQ(localizer.Localize("duplicates-pane.buttons"), L"{}");
    EXPECT_EQ(localizer.Localize("no-section.buttons.pause"), L"{}");

    const Texts english = EnglishTexts();
    for (const LanguageInfo& language : kLanguages) {
        ASSERT_TRUE(localizer.LoadLanguage(language.code));
        for (const auto& [key, text] : TableTexts(language)) {
            EXPECT_EQ(localizer.Localize(key), text) << language.code << " " << key;
        }
        ASSERT_TRUE(localizer.LoadLanguage("en"));
        for (const auto& [key, text] : english) {
            EXPECT_EQ(localizer.Localize(key), text) << "back from " << language.code << " " << key;
        }
    }
}

} // namespace
