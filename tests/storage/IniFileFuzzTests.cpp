// Random bytes and random lines must never crash or hang the reader, and
// whatever it reads must survive a save and a reload.
#include "system/IniFile.h"

#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace vandrelcommon::system;

namespace {

// Fixed seeds keep a failure reproducible.
constexpr unsigned kSeed = 20240611;

// Pieces that matter to the line rules, mixed with ordinary and odd characters.
const wchar_t* const kFragments[] = {
    L"[",
    L"]",
    L"=",
    L" ",
    L"\t",
    L"\r",
    L"\n",
    L"\r\n",
    L"[]",
    L"[General]",
    L"key",
    L"value",
    L"\xFEFF",
    L"\xD800",
    L"\xDC00",
    L"\x0000",
    L"\u00e9",
    L"\u0416",
    L"%1%",
    L";",
    L"#",
    L"\\",
};

std::wstring RandomText(std::mt19937& random, size_t maxPieces)
{
    std::uniform_int_distribution<size_t> count(0, maxPieces);
    std::uniform_int_distribution<size_t> pick(0, std::size(kFragments) - 1);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> unit(0, 0xFFFF);
    std::uniform_int_distribution<size_t> runLength(1, 1200);
    std::wstring text;
    for (size_t i = count(random); i > 0; --i) {
        const int k = kind(random);
        if (k < 6) {
            const wchar_t* fragment = kFragments[pick(random)];
            // The NUL fragment is one character, not an empty string.
            text += *fragment == L'\0' ? std::wstring(1, L'\0') : std::wstring(fragment);
        } else if (k < 9) {
            text.push_back(static_cast<wchar_t>(unit(random)));
        } else {
            // Long runs reach past 1023 characters, where lines were once cut.
            text.append(runLength(random), static_cast<wchar_t>(L'a' + k));
        }
    }
    return text;
}

std::string RandomBytes(std::mt19937& random, size_t maxLength)
{
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(length(random), '\0');
    for (char& b : bytes) {
        b = static_cast<char>(byte(random));
    }
    return bytes;
}

// What any read document must satisfy.
void ExpectWellFormed(const IniFile& document)
{
    for (const auto& [name, keys] : document.GetSections()) {
        EXPECT_EQ(name.find(L'\n'), std::wstring::npos);
        for (const auto& [key, value] : keys) {
            EXPECT_EQ(key.find(L'='), std::wstring::npos);
            EXPECT_EQ((key + value).find(L'\n'), std::wstring::npos);
            if (!key.empty()) {
                EXPECT_NE(key.front(), L' ');
                EXPECT_NE(key.front(), L'\t');
                EXPECT_NE(key.front(), L'[');
            }
            if (!value.empty()) {
                EXPECT_NE(value.back(), L'\r');
            }
        }
    }
}

void ExpectSurvivesSaveAndLoad(const IniFile& document, const std::wstring& path)
{
    ASSERT_TRUE(document.Save(path));
    IniFile reloaded;
    ASSERT_TRUE(reloaded.Load(path));
    EXPECT_TRUE(reloaded.GetSections() == document.GetSections()); // lines are never cut
}

TEST(IniFileFuzz, RandomLinesParseAndRoundTrip)
{
    TempTree tree;
    const std::wstring path = tree.Path(L"roundtrip.ini");
    std::mt19937 random(kSeed);
    for (int round = 0; round < 400 && !HasFailure(); ++round) {
        const std::wstring text = RandomText(random, 80);
        IniFile parsed;
        parsed.Parse(text);
        ExpectWellFormed(parsed);
        // A file with the same content (its first character in place of the
        // byte-order mark) reads the same.
        IniFile loaded;
        ASSERT_TRUE(loaded.Load(tree.MakeFile(L"text.ini", Utf16Bytes(text))));
        EXPECT_TRUE(loaded == parsed) << "round " << round;
        ExpectSurvivesSaveAndLoad(parsed, path);
    }
}

TEST(IniFileFuzz, RandomBytesLoadAndRoundTrip)
{
    TempTree tree;
    const std::wstring path = tree.Path(L"roundtrip.ini");
    std::mt19937 random(kSeed + 1);
    for (int round = 0; round < 300 && !HasFailure(); ++round) {
        IniFile loaded;
        ASSERT_TRUE(loaded.Load(tree.MakeFile(L"bytes.ini", RandomBytes(random, 6000))));
        ExpectWellFormed(loaded);
        ExpectSurvivesSaveAndLoad(loaded, path);
    }
}

TEST(IniFileFuzz, ValueReadersTakeAnyText)
{
    std::mt19937 random(kSeed + 2);
    const FILETIME fallback{};
    for (int round = 0; round < 3000; ++round) {
        IniFile document;
        document.SetString(L"S", L"k", RandomText(random, 6));
        const int32_t number = document.GetInt(L"S", L"k", -5);
        const bool flag = document.GetBool(L"S", L"k", true);
        document.GetFileTime(L"S", L"k", fallback);
        document.GetUtf8String(L"S", L"k", "");
        // GetBool answers false only for a text that reads as 0.
        if (!flag) {
            EXPECT_EQ(number, 0);
        }
    }
}

} // namespace
