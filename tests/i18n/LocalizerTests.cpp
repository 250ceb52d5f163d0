#include "i18n/Localizer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using vandrelcommon::system::Localize;
using vandrelcommon::system::Localizer;

// A table as the resources hold it: byte-order mark, CR LF line ends.
const wchar_t kTable[] = L"\xFEFF"
                         L"[duplicates-pane]\r\n"
                         L"buttons.pause=Pause\r\n"
                         L"buttons.stop=Stop\r\n"
                         L"status-exact.finished=Finished.\r\n"
                         L"empty=\r\n"
                         L"[common]\r\n"
                         L"m-of-n=%1% of %2%\r\n"
                         L"[\u00fcber]\r\n"
                         L"caption=\u00dcber \u0416\r\n";

TEST(Localizer, LooksUpDottedKeys)
{
    Localizer localizer;
    localizer.LoadTable(kTable);
    EXPECT_EQ(localizer.Localize("duplicates-pane.buttons.pause"), L"Pause");
    EXPECT_EQ(localizer.Localize("duplicates-pane.status-exact.finished"), L"Finished.");
    EXPECT_EQ(localizer.Localize("common.m-of-n"), L"%1% of %2%");
    EXPECT_EQ(localizer.Localize("duplicates-pane.empty"), L"") << "an empty text is a text";
    // Section names and key parts are matched as UTF-8.
    EXPECT_EQ(localizer.Localize("\xC3\xBC"
                                 "ber.caption"),
        L"\u00dcber \u0416");
}

TEST(Localizer, EverythingMissingGivesBraces)
{
    Localizer localizer;
    localizer.LoadTable(kTable);
    for (const char* key : {"duplicates-pane.buttons", "duplicates-pane", "nowhere.buttons.pause",
             "duplicates-pane.buttons.pause.more", "duplicates-pane.buttons.missing", "Duplicates-pane.buttons.pause",
             "", ".", "..", "common.", ".m-of-n", "duplicates-pane..buttons.pause"}) {
        EXPECT_EQ(localizer.Localize(key), L"{}") << "key: " << key;
    }
    // Before any table is loaded every text is missing.
    EXPECT_EQ(Localizer().Localize("duplicates-pane.buttons.pause"), L"{}");
}

TEST(Localizer, KeysWithoutSectionsAndOddParts)
{
    Localizer localizer;
    // Lines before the first header belong to the section with the empty name.
    localizer.LoadTable(L"\xFEFFtop=1\r\n[a.b]\r\nc=2\r\n[a]\r\nb.c=3\r\nb.d=4\r\n[x]\r\n.y=5\r\n");
    EXPECT_EQ(localizer.Localize(".top"), L"1");
    EXPECT_EQ(localizer.Localize("top"), L"{}");
    // "a" + "b.c" and "a.b" + "c" make the same key; the first one stored (in
    // ascending section order, "a" before "a.b") stays.
    EXPECT_EQ(localizer.Localize("a.b.c"), L"3");
    EXPECT_EQ(localizer.Localize("a.b.d"), L"4");
    EXPECT_EQ(localizer.Localize("x..y"), L"5");
}

TEST(Localizer, LoadingATableReplacesEveryText)
{
    Localizer localizer;
    localizer.LoadTable(kTable);
    localizer.LoadTable(L"\xFEFF[duplicates-pane]\r\nbuttons.pause=Pause!\r\n");
    EXPECT_EQ(localizer.Localize("duplicates-pane.buttons.pause"), L"Pause!");
    EXPECT_EQ(localizer.Localize("duplicates-pane.buttons.stop"), L"{}");
    EXPECT_EQ(localizer.Localize("common.m-of-n"), L"{}");
}

TEST(Localizer, UnknownCodeChangesNothing)
{
    Localizer localizer;
    localizer.LoadTable(kTable);
    for (const char* code : {"xx", "EN", "", "en ", "english"}) {
        EXPECT_FALSE(localizer.LoadLanguage(code)) << code;
    }
    EXPECT_EQ(localizer.Localize("duplicates-pane.buttons.pause"), L"Pause");
    EXPECT_FALSE(vandrelcommon::system::LoadLanguage("xx"));
}

TEST(Localizer, KnownCodeWithoutTableKeepsTheTexts)
{
    // This test program carries no language tables.
    Localizer localizer(::GetModuleHandleW(nullptr));
    localizer.LoadTable(kTable);
    EXPECT_TRUE(localizer.LoadLanguage("de"));
    EXPECT_EQ(localizer.Localize("duplicates-pane.buttons.pause"), L"Pause");
}

TEST(Localizer, ProcessWideHolderIsCreatedOnce)
{
    std::atomic<int> ready{0};
    std::vector<const Localizer*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] {
            ++ready;
            while (ready < static_cast<int>(seen.size())) {
                std::this_thread::yield();
            }
            seen[i] = &Localizer::Instance();
            Localize("duplicates-pane.buttons.pause");
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const Localizer* instance : seen) {
        EXPECT_EQ(instance, &Localizer::Instance());
    }
    EXPECT_EQ(Localize("no.such.key"), L"{}");
}

} // namespace
