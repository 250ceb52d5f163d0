#include "i18n/TextFormat.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using vandrelcommon::system::TextFormat;

std::wstring Format(const std::wstring& pattern, std::initializer_list<const wchar_t*> arguments)
{
    TextFormat format(pattern);
    for (const wchar_t* argument : arguments) {
        format.Add(std::wstring_view(argument));
    }
    return format.Str();
}

TEST(TextFormat, FillsNumberedPlaceholdersInAnyOrder)
{
    EXPECT_EQ(TextFormat(L"%1% of %2%").Add(3).Add(10).Str(), L"3 of 10");
    EXPECT_EQ(Format(L"%2% and %1%", {L"a", L"b"}), L"b and a");
    EXPECT_EQ(Format(L"%1%%1%-%1%", {L"x"}), L"xx-x");
    EXPECT_EQ(Format(L"no placeholders", {L"unused"}), L"no placeholders");
    EXPECT_EQ(Format(L"", {L"a"}), L"");
    EXPECT_EQ(Format(L"%1%", {L"%2%"}), L"%2%") << "arguments are not scanned again";
}

TEST(TextFormat, PercentSigns)
{
    EXPECT_EQ(Format(L"100%% sure", {}), L"100% sure");
    EXPECT_EQ(Format(L"%%%1%%%", {L"a"}), L"%a%");
    // A lone percent sign drops itself and everything after it.
    EXPECT_EQ(Format(L"50% done", {}), L"50");
    EXPECT_EQ(Format(L"%1% and 50% more", {L"a"}), L"a and 50");
    EXPECT_EQ(Format(L"%", {}), L"");
    EXPECT_EQ(Format(L"tail %", {L"a"}), L"tail ");
}

TEST(TextFormat, PlaceholdersWithoutArgumentsDisappear)
{
    EXPECT_EQ(Format(L"%3%", {L"a", L"b"}), L"");
    EXPECT_EQ(Format(L"[%0%][%-1%][%4294967297%][%99999999999%]", {L"a"}), L"[][][][]");
    EXPECT_EQ(Format(L"[%x%][% %][%one%]", {L"a"}), L"[][][]");
    // Read like stream input: leading blanks allowed, trailing text ignored.
    EXPECT_EQ(Format(L"[% 2%][%1st%][%+1%][%02%]", {L"a", L"b"}), L"[b][a][a][b]");
}

TEST(TextFormat, AddOverloads)
{
    const std::wstring text = TextFormat(L"%1%|%2%|%3%|%4%|%5%|%6%|%7%")
                                  .Add(std::numeric_limits<uint64_t>::max())
                                  .Add(int32_t{-1})
                                  .Add(uint32_t{4000000000u})
                                  .Add(std::wstring(L"wide \u0416"))
                                  .Add("Z\xC3\xBCrich")
                                  .Add(static_cast<unsigned long>(42))
                                  .Add(int32_t{0})
                                  .Str();
    EXPECT_EQ(text, L"18446744073709551615|4294967295|4000000000|wide \u0416|Z\u00fcrich|42|0");
}

} // namespace
