#include "system/TextEncoding.h"

#include <gtest/gtest.h>

using namespace vandrelcommon::system;

namespace {

TEST(TextEncoding, RoundTripsEveryPlane)
{
    const std::wstring text = L"a\u00e9\u0416\u65e5\U0001F600";
    const std::string utf8 = "a\xC3\xA9\xD0\x96\xE6\x97\xA5\xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8FromWide(text), utf8);
    EXPECT_EQ(WideFromUtf8(utf8), text);
    EXPECT_EQ(StrictWideFromUtf8(utf8), text);
    EXPECT_EQ(Utf8FromWide(L""), "");
    EXPECT_EQ(StrictWideFromUtf8(""), std::wstring());
}

TEST(TextEncoding, BrokenInputBecomesReplacementCharactersOrNothing)
{
    EXPECT_EQ(Utf8FromWide(std::wstring(L"x\xD800y")), "x\xEF\xBF\xBDy") << "unpaired surrogate";
    EXPECT_EQ(WideFromUtf8("x\xFFy"), L"x\xFFFDy");
    EXPECT_EQ(WideFromUtf8("\xC3"), L"\xFFFD") << "cut short";
    EXPECT_FALSE(StrictWideFromUtf8("x\xFFy").has_value());
    EXPECT_FALSE(StrictWideFromUtf8("\xC3").has_value());
}

} // namespace
