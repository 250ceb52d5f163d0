// Text fitting: a control sized to its text.
#include "tests/ui/UiTestSupport.h"
#include "ui/common/TextFit.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

using namespace vandrelcommon::ui;

TEST(SetTextAndFit, ClientAreaBecomesTheTextSize)
{
    uitest::CRecordingParent parent;
    ASSERT_NE(parent.Create(), nullptr);
    HWND label = uitest::CreateChild(L"Static", parent, RECT{5, 7, 15, 17}, WS_BORDER);
    const auto font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    CWindow(label).SetFont(font);
    const std::wstring text = L"Some icons are by";
    ASSERT_TRUE(SetTextAndFit(label, text));

    SIZE expected{};
    {
        ClientDC dc(label);
        SelectedObject selected(dc, font);
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &expected);
    }
    const RECT client = CWindow(label).GetClientRect();
    EXPECT_EQ(client.right, expected.cx);
    EXPECT_EQ(client.bottom, expected.cy);
    const RECT placed = CWindow(label).GetRectInParent();
    EXPECT_EQ(placed.left, 5);
    EXPECT_EQ(placed.top, 7);
    EXPECT_EQ(placed.right - placed.left, expected.cx + 2);
    EXPECT_EQ(CWindow(label).GetText(), text);
    EXPECT_FALSE(SetTextAndFit(nullptr, text));
}

} // namespace
