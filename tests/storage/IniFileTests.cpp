#include "system/IniFile.h"

#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

using namespace vandrelcommon::system;

namespace {

using Sections = IniFile::Sections;

// Parses text as a table whose first character is the byte-order mark.
Sections Parsed(const std::wstring& text)
{
    IniFile document;
    document.Parse(L"\xFEFF" + text);
    return document.GetSections();
}

IniFile WithValue(const std::wstring& value)
{
    IniFile document;
    document.SetString(L"S", L"k", value);
    return document;
}

FILETIME Time(DWORD high, DWORD low)
{
    FILETIME time{};
    time.dwHighDateTime = high;
    time.dwLowDateTime = low;
    return time;
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwHighDateTime == b.dwHighDateTime && a.dwLowDateTime == b.dwLowDateTime;
}

TEST(IniFileParse, LineEndsBlanksAndRepeatedKeys)
{
    // Windows line ends, blanks and tabs before keys, a key given twice (also
    // under a repeated header): the later value wins, blanks around "=" stay.
    const Sections parsed = Parsed(L"[General]\r\n"
                                   L"   ssb=0\r\n"
                                   L"\t \tspp=1\r\r\n"
                                   L"ssb=1\r\n"
                                   L"key = value \r\n"
                                   L"[Other]\n"
                                   L"x=1\n"
                                   L"[General]\n"
                                   L"spp=7\n");
    const Sections expected = {
        {L"General", {{L"ssb", L"1"}, {L"spp", L"7"}, {L"key ", L" value "}}},
        {L"Other", {{L"x", L"1"}}},
    };
    EXPECT_EQ(parsed, expected);
}

TEST(IniFileParse, SectionHeaders)
{
    const Sections parsed = Parsed(L"before=1\n"
                                   L"[]\n"
                                   L"empty=2\n"
                                   L"[a]b] trailing text\n"
                                   L"inner=3\n"
                                   L"[no closing bracket\n"
                                   L"still=4\n"
                                   L"  [ spaced ]\n"
                                   L"[Empty]\n");
    const Sections expected = {
        {L"", {{L"before", L"1"}, {L"empty", L"2"}}},
        // Text between the first and the last bracket, taken verbatim.
        {L"a]b", {{L"inner", L"3"}, {L"still", L"4"}}},
        {L" spaced ", {}},
        {L"Empty", {}},
    };
    EXPECT_EQ(parsed, expected);
}

TEST(IniFileParse, KeysWithoutValuesAndNoComments)
{
    const Sections parsed = Parsed(L"[S]\n"
                                   L"lonely\n"
                                   L"=no key\n"
                                   L"a=b=c\n"
                                   L";comment=kept\n"
                                   L"#x\n"
                                   L"\"quoted\"=\"v\"\n"
                                   L"   \t \n"
                                   L"\n");
    const Sections expected = {
        {L"S", {{L"lonely", L""}, {L"", L"no key"}, {L"a", L"b=c"}, {L";comment", L"kept"}, {L"#x", L""},
                   {L"\"quoted\"", L"\"v\""}}},
    };
    EXPECT_EQ(parsed, expected);
}

TEST(IniFileParse, FirstCharacterIsAlwaysDropped)
{
    IniFile document;
    document.Parse(L"xkey=1\nother=2");
    EXPECT_EQ(document.GetSections(), (Sections{{L"", {{L"key", L"1"}, {L"other", L"2"}}}}));
    IniFile empty;
    empty.Parse(L"");
    empty.Parse(L"\xFEFF");
    EXPECT_TRUE(empty.GetSections().empty());
}

TEST(IniFileParse, LongLinesAreReadWhole)
{
    // Cut at 1023 characters, the rest of a line would be a key of its own:
    // a long value could carry any key into the document.
    const std::wstring fill(1021, L'v');
    EXPECT_EQ(Parsed(L"k=" + fill + L"PresetName=Evil\n"), (Sections{{L"", {{L"k", fill + L"PresetName=Evil"}}}}));
    EXPECT_EQ(Parsed(L"k=" + fill + L"\nnext=1\n"), (Sections{{L"", {{L"k", fill}, {L"next", L"1"}}}}));
    const std::wstring longest(32767, L'x'); // the longest path the system takes
    EXPECT_EQ(Parsed(longest + L"=" + longest + L"\n"), (Sections{{L"", {{longest, longest}}}}));
}

TEST(IniFileLoad, ReadsTheFileAfterItsFirstTwoBytes)
{
    TempTree tree;
    const std::wstring text = L"[General]\r\nLanguage=de\r\n  dpfn=Fotos \u00e4\u00f6\u00fc.prs\r\n";
    IniFile document;
    ASSERT_TRUE(document.Load(tree.MakeFile(L"with-bom.ini", Utf16File(text))));
    EXPECT_EQ(document.GetSections(),
        (Sections{{L"General", {{L"Language", L"de"}, {L"dpfn", L"Fotos \u00e4\u00f6\u00fc.prs"}}}}));

    // Without a byte-order mark the first character is lost: the header
    // becomes "General]", which has no "[" and is read as a key.
    ASSERT_TRUE(document.Load(tree.MakeFile(L"no-bom.ini", Utf16Bytes(text))));
    EXPECT_EQ(document.GetSections(),
        (Sections{{L"", {{L"General]", L""}, {L"Language", L"de"}, {L"dpfn", L"Fotos \u00e4\u00f6\u00fc.prs"}}}}));

    // A lone last byte is half a character and is dropped.
    ASSERT_TRUE(document.Load(tree.MakeFile(L"odd.ini", Utf16File(L"a=1\nb=2") + "\x41")));
    EXPECT_EQ(document.GetSections(), (Sections{{L"", {{L"a", L"1"}, {L"b", L"2"}}}}));
}

TEST(IniFileLoad, LongLineInAFileIsReadWholeLikeParsedText)
{
    TempTree tree;
    // Longer than the reader's blocks of the file, too.
    const std::wstring text = L"[S]\n" + std::wstring(40000, L'x') + L"=v\nnext=1\n";
    IniFile loaded;
    ASSERT_TRUE(loaded.Load(tree.MakeFile(L"long.ini", Utf16File(text))));
    EXPECT_EQ(loaded.GetSections(), Parsed(text));
    EXPECT_EQ(loaded.GetSections(), (Sections{{L"S", {{std::wstring(40000, L'x'), L"v"}, {L"next", L"1"}}}}));
}

TEST(IniFileLoad, FailureLeavesTheDocumentEmpty)
{
    TempTree tree;
    IniFile document;
    ASSERT_TRUE(document.Load(tree.MakeFile(L"a.ini", Utf16File(L"[S]\nk=v\n"))));
    ASSERT_FALSE(document.GetSections().empty());
    EXPECT_FALSE(document.Load(tree.Path(L"missing.ini")));
    EXPECT_TRUE(document.GetSections().empty());

    ASSERT_TRUE(document.Load(tree.Path(L"a.ini")));
    EXPECT_FALSE(document.Load(tree.MakeFolder(L"folder")));
    EXPECT_TRUE(document.GetSections().empty());

    // Empty and one-byte files open fine and hold nothing.
    EXPECT_TRUE(document.Load(tree.MakeFile(L"empty.ini")));
    EXPECT_TRUE(document.GetSections().empty());
    EXPECT_TRUE(document.Load(tree.MakeFile(L"one.ini", "\xFF")));
    EXPECT_TRUE(document.GetSections().empty());
}

TEST(IniFileSave, WritesSortedSectionsAndKeysWithLineFeeds)
{
    TempTree tree;
    IniFile document;
    document.SetString(L"b", L"z", L"last");
    document.SetString(L"b", L"Z", L"upper before lower");
    document.SetString(L"b", L"a", L"1");
    document.SetString(L"a", L"k", L"");
    document.GetSection(L"Empty");
    document.SetString(L"", L"top", L"x=y");
    const std::wstring path = tree.Path(L"out.ini");
    ASSERT_TRUE(document.Save(path));
    EXPECT_EQ(ReadFileBytes(path), Utf16File(L"[]\ntop=x=y\n"
                                             L"[Empty]\n"
                                             L"[a]\nk=\n"
                                             L"[b]\nZ=upper before lower\na=1\nz=last\n"));

    IniFile reloaded;
    ASSERT_TRUE(reloaded.Load(path));
    EXPECT_EQ(reloaded, document);

    // Saving replaces a longer file completely.
    IniFile small;
    small.SetString(L"s", L"k", L"v");
    ASSERT_TRUE(small.Save(path));
    EXPECT_EQ(ReadFileBytes(path), Utf16File(L"[s]\nk=v\n"));

    ASSERT_TRUE(IniFile().Save(path));
    EXPECT_EQ(ReadFileBytes(path), "\xFF\xFE");
}

TEST(IniFileSave, FailsWhereNoFileCanBeWritten)
{
    TempTree tree;
    const std::wstring folder = tree.MakeFolder(L"folder");
    const std::wstring kept = tree.MakeFile(L"folder\\kept.txt", "data");
    EXPECT_FALSE(WithValue(L"v").Save(folder));
    EXPECT_FALSE(WithValue(L"v").Save(tree.Path(L"missing\\out.ini")));
    EXPECT_EQ(ReadFileBytes(kept), "data");
}

TEST(IniFileValues, GetIntReadsLikeStreamInput)
{
    const struct {
        const wchar_t* text;
        int32_t expected;
    } cases[] = {
        {L"42", 42},
        {L" \t42", 42},
        {L"42abc", 42},
        {L"-7", -7},
        {L"+8", 8},
        {L"0x1F", 0},
        {L"007", 7},
        {L"2147483647", 2147483647},
        {L"-2147483648", INT32_MIN},
        // The unsigned forms SetInt writes for negative values.
        {L"4294967295", -1},
        {L"2147483648", INT32_MIN},
        // No number, or one out of range: the default.
        {L"", -99},
        {L"abc", -99},
        {L"-", -99},
        {L" ", -99},
        {L"4294967296", -99},
        {L"-2147483649", -99},
        {L"99999999999", -99},
        {L"99999999999999999999", -99},
        {L"- 5", -99},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithValue(c.text).GetInt(L"S", L"k", -99), c.expected)
            << "text: " << testing::PrintToString(std::wstring(c.text));
    }
    EXPECT_EQ(WithValue(L"5").GetInt(L"S", L"missing", -1), -1);
    EXPECT_EQ(WithValue(L"5").GetInt(L"Missing", L"k", -1), -1);
}

TEST(IniFileValues, GetBoolTakesOnlyZeroAndOne)
{
    EXPECT_FALSE(WithValue(L"0").GetBool(L"S", L"k", true));
    EXPECT_TRUE(WithValue(L"1").GetBool(L"S", L"k", false));
    EXPECT_TRUE(WithValue(L" 1 ").GetBool(L"S", L"k", false));
    EXPECT_TRUE(WithValue(L"1yes").GetBool(L"S", L"k", false));
    for (const wchar_t* other : {L"2", L"-1", L"true", L"", L"yes"}) {
        EXPECT_TRUE(WithValue(other).GetBool(L"S", L"k", true))
            << "text: " << testing::PrintToString(std::wstring(other));
        EXPECT_FALSE(WithValue(other).GetBool(L"S", L"k", false))
            << "text: " << testing::PrintToString(std::wstring(other));
    }
    EXPECT_TRUE(WithValue(L"0").GetBool(L"S", L"missing", true));
}

TEST(IniFileValues, GetFileTimeReadsHighColonLow)
{
    const FILETIME fallback = Time(111, 222);
    const struct {
        const wchar_t* text;
        FILETIME expected;
    } cases[] = {
        {L"30828542:3542061056", Time(30828542, 3542061056u)},
        {L"4294967295:4294967295", Time(4294967295u, 4294967295u)},
        {L" 7 : 9", Time(7, 9)},
        // A half that cannot be read counts as 0.
        {L"x:5", Time(0, 5)},
        {L"7:", Time(7, 0)},
        {L":", Time(0, 0)},
        {L"4294967296:1", Time(0, 1)},
        {L"1:2:3", Time(1, 2)},
        // Empty or without a colon: the default.
        {L"", fallback},
        {L"12", fallback},
    };
    for (const auto& c : cases) {
        const FILETIME read = WithValue(c.text).GetFileTime(L"S", L"k", fallback);
        EXPECT_TRUE(SameTime(read, c.expected)) << "text: " << testing::PrintToString(std::wstring(c.text)) << " read "
                                                << read.dwHighDateTime << ":" << read.dwLowDateTime;
    }
    EXPECT_TRUE(SameTime(WithValue(L"1:2").GetFileTime(L"S", L"missing", fallback), fallback));
}

TEST(IniFileValues, SettersWriteTheirTextForms)
{
    IniFile document;
    document.SetInt(L"S", L"negative", -1);
    document.SetInt(L"S", L"positive", 12345);
    document.SetByte(L"S", L"true", true);
    document.SetByte(L"S", L"false", false);
    document.SetByte(L"S", L"wide", 0x1FF);
    document.SetByte(L"S", L"wrap", 256);
    document.SetFileTime(L"S", L"time", Time(30828542, 3542061056u));
    document.SetString(L"S", L"text", L"first");
    document.SetString(L"S", L"text", L"second");
    EXPECT_EQ(document.GetSections(),
        (Sections{
            {L"S", {{L"negative", L"4294967295"}, {L"positive", L"12345"}, {L"true", L"1"}, {L"false", L"0"},
                       {L"wide", L"255"}, {L"wrap", L"0"}, {L"time", L"30828542:3542061056"}, {L"text", L"second"}}}}));
    EXPECT_EQ(document.GetInt(L"S", L"negative", 0), -1);
    EXPECT_EQ(document.GetInt(L"S", L"positive", 0), 12345);
    EXPECT_TRUE(SameTime(document.GetFileTime(L"S", L"time", Time(0, 0)), Time(30828542, 3542061056u)));
}

TEST(IniFileValues, StringsAndSections)
{
    IniFile document;
    document.SetString(L"S", L"city", L"Z\u00fcrich \u041a\u0438\u0457\u0432");
    EXPECT_EQ(document.GetString(L"S", L"city", L"-"), L"Z\u00fcrich \u041a\u0438\u0457\u0432");
    EXPECT_EQ(document.GetString(L"S", L"missing", L"-"), L"-");
    EXPECT_EQ(document.GetString(L"s", L"city", L"-"), L"-") << "names are case-sensitive";
    EXPECT_EQ(document.GetUtf8String(L"S", L"city", "-"), "Z\xC3\xBCrich \xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2");
    EXPECT_EQ(document.GetUtf8String(L"S", L"missing", "fallback"), "fallback");

    EXPECT_EQ(document.GetSections().count(L"New"), 0u);
    IniFile::Section& created = document.GetSection(L"New");
    EXPECT_TRUE(created.empty());
    created[L"k"] = L"v";
    EXPECT_EQ(document.GetString(L"New", L"k", L""), L"v");
}

} // namespace
