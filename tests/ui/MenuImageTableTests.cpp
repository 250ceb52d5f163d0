// Menu pictures: the table that owns them, measures and draws them.
#include "tests/ui/TestResources.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/common/ImageBitmap.h"
#include "ui/common/MenuImageTable.h"
#include "ui/framework/Dpi.h"
#include "ui/framework/GdiHandles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace {

using namespace vandrelcommon::ui;

TEST(MenuImageTable, ReplacesAndOwnsItsPictures)
{
    MenuImageTable table;
    GdiBitmap first = LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG");
    const HBITMAP firstHandle = first.Get();
    table.Add(32882, std::move(first));
    table.Add(32882, LoadImageBitmap(MAKEINTRESOURCEW(IDP_INFO), L"PNG"));
    EXPECT_EQ(table.Size(), 1u);
    EXPECT_NE(table.Find(32882), firstHandle);
    EXPECT_EQ(::GetObjectType(firstHandle), 0u);
    table.Add(32882, GdiBitmap());
    EXPECT_EQ(table.Find(32882), nullptr);

    table.Add(1, LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG"));
    MenuHandle menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING, 1, L"with picture");
    ::AppendMenuW(menu.Get(), MF_STRING, 2, L"without");
    table.AttachTo(menu.Get());
    for (UINT id : {1u, 2u}) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_BITMAP;
        ::GetMenuItemInfoW(menu.Get(), id, FALSE, &info);
        EXPECT_EQ(info.hbmpItem, id == 1 ? HBMMENU_CALLBACK : nullptr) << id;
    }
}

TEST(MenuImageTable, MeasuresAndDrawsNormalAndGreyed)
{
    MenuImageTable table;
    table.Add(7, LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG"));

    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = 7;
    measure.itemWidth = 10;
    measure.itemHeight = 5;
    EXPECT_TRUE(table.MeasureItem(measure));
    EXPECT_EQ(measure.itemWidth, 10u + static_cast<UINT>(vandrelcommon::ui::ScaleX(6))) << "a gap before the text";
    EXPECT_EQ(measure.itemHeight, 16u);
    measure.itemHeight = 30;
    table.MeasureItem(measure);
    EXPECT_EQ(measure.itemHeight, 30u);
    measure.itemID = 8;
    EXPECT_FALSE(table.MeasureItem(measure));

    const auto draw = [&](UINT state) {
        uitest::Canvas canvas(60, 40);
        canvas.Fill(RGB(255, 255, 255));
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = 7;
        item.itemState = state;
        item.hDC = canvas.Dc();
        item.rcItem = RECT{30, 0, 60, 40};
        EXPECT_TRUE(table.DrawItem(item));
        // Left of the text area, centred: x = 30 - 16, y = (40 - 16) / 2.
        return std::pair{canvas.Color(14 + 2, 12 + 8), canvas.Color(14 + 12, 12 + 8)};
    };
    const auto [normal, normalClear] = draw(0);
    EXPECT_EQ(normal, RGB(0x20, 0xa0, 0x40));
    EXPECT_EQ(normalClear, RGB(255, 255, 255));
    const auto [greyed, greyedClear] = draw(ODS_GRAYED);
    EXPECT_EQ(GetRValue(greyed), GetGValue(greyed));
    EXPECT_EQ(GetGValue(greyed), GetBValue(greyed));
    EXPECT_NE(greyed, RGB(255, 255, 255));
    EXPECT_EQ(greyedClear, RGB(255, 255, 255));
}

} // namespace
