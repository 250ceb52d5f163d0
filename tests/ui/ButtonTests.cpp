// The two owner-drawn buttons: the coloured button with its picture, tooltip and auto-repeat, and the themed button with its menu.
#include "tests/ui/TestResources.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/common/ButtonST.h"
#include "ui/common/CustomButton.h"
#include "ui/common/ImageBitmap.h"
#include "ui/framework/GdiHandles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using namespace vandrelcommon::ui;

class ButtonTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(parent_.Create(), nullptr); }

    HWND MakeButton(int id, const wchar_t* text, int width = 100)
    {
        return uitest::CreateChild(L"Button", parent_, RECT{0, 0, width, 30}, BS_PUSHBUTTON, id, text);
    }
    // Draws the button through its parent, as the system asks for it.
    static void Draw(HWND parent, HWND button, uitest::Canvas& canvas, UINT state = 0)
    {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(::GetDlgCtrlID(button));
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = button;
        item.hDC = canvas.Dc();
        item.rcItem = CWindow(button).GetClientRect();
        ::SendMessageW(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    }

    uitest::CRecordingParent parent_;
};

TEST_F(ButtonTest, ButtonStDrawsItsColoursForNormalHoverAndFocus)
{
    CButtonST button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(21, L"Go")));
    EXPECT_EQ(button.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    button.SetColor(CButtonST::Color::BackgroundOut, RGB(10, 20, 30));
    button.SetColor(CButtonST::Color::BackgroundIn, RGB(200, 100, 50));
    button.SetColor(CButtonST::Color::BackgroundFocus, RGB(0, 128, 0));

    uitest::Canvas canvas(100, 30);
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(2, 2), RGB(10, 20, 30));
    Draw(parent_, button, canvas, ODS_FOCUS);
    EXPECT_EQ(canvas.Color(2, 2), RGB(0, 128, 0));

    ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.IsHovering());
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(2, 2), RGB(200, 100, 50));
    ::SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.IsHovering());
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(2, 2), RGB(10, 20, 30));

    // System colour changes bring the system's colours back.
    ::SendMessageW(button, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(button.GetColor(CButtonST::Color::BackgroundOut), ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(ButtonTest, ButtonStDrawsItsBitmapLeftOfTheTextWithItsAlpha)
{
    CButtonST button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(25, L"")));
    const COLORREF white = RGB(255, 255, 255);
    button.SetColor(CButtonST::Color::BackgroundOut, white);
    const GdiBitmap picture = LoadImageBitmap(MAKEINTRESOURCEW(IDP_HALF), L"PNG");
    ASSERT_TRUE(picture);
    button.SetBitmap(picture.Get());

    // Inside the 4 × 3 pixel padding, centred on the 24 pixels left of a
    // 30-pixel button: the picture spans x 4..20, y 7..23.
    uitest::Canvas canvas(100, 30);
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(6, 15), RGB(0x20, 0xa0, 0x40));
    EXPECT_EQ(canvas.Color(6, 5), white);
    // The transparent half shows the background.
    EXPECT_EQ(canvas.Color(16, 15), white);

    // Disabled, the picture is drawn at half strength over the background.
    Draw(parent_, button, canvas, ODS_DISABLED);
    const COLORREF faded = canvas.Color(6, 15);
    EXPECT_NE(faded, RGB(0x20, 0xa0, 0x40));
    EXPECT_NE(faded, white);
    EXPECT_EQ(canvas.Color(16, 15), white);
}

// A 16 × 16 icon of one opaque colour.
IconHandle SolidIcon(COLORREF rgb)
{
    const BITMAPINFO info = TopDownBitmapInfo(16, 16);
    void* bits = nullptr;
    GdiBitmap color(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color || bits == nullptr) {
        return IconHandle();
    }
    const DWORD pixel = 0xFF000000u | (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
    std::fill_n(static_cast<DWORD*>(bits), 16 * 16, pixel);
    const std::vector<BYTE> nothingMasked(16 * 16 / 8, 0);
    GdiBitmap mask(::CreateBitmap(16, 16, 1, 1, nothingMasked.data()));
    ICONINFO parts{};
    parts.fIcon = TRUE;
    parts.hbmColor = color.Get();
    parts.hbmMask = mask.Get();
    return IconHandle(::CreateIconIndirect(&parts));
}

TEST_F(ButtonTest, ButtonStDrawsItsIconInItsOwnSize)
{
    CButtonST button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(26, L"")));
    const COLORREF white = RGB(255, 255, 255);
    button.SetColor(CButtonST::Color::BackgroundOut, white);
    const IconHandle icon = SolidIcon(RGB(200, 30, 60));
    ASSERT_TRUE(icon);
    button.SetIcon(icon.Get());

    // Like a bitmap: x 4..20, y 7..23, measured from the icon itself.
    uitest::Canvas canvas(100, 30);
    Draw(parent_, button, canvas);
    EXPECT_EQ(canvas.Color(6, 15), RGB(200, 30, 60));
    EXPECT_EQ(canvas.Color(19, 22), RGB(200, 30, 60));
    EXPECT_EQ(canvas.Color(21, 15), white);
    EXPECT_EQ(canvas.Color(6, 24), white);
}

TEST_F(ButtonTest, ButtonStClicksReachTheParentAndAutoRepeatRepeatsWhileHeld)
{
    CButtonST button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(22, L"More")));
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    uitest::PumpMessages(50);
    ASSERT_EQ(parent_.commands.size(), 1u);
    EXPECT_EQ(parent_.commands[0].id, 22);
    EXPECT_EQ(parent_.commands[0].code, BN_CLICKED);

    parent_.commands.clear();
    button.SetAutoRepeat(true, 20);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    uitest::PumpMessages(3000, [&] { return parent_.commands.size() >= 4; });
    EXPECT_GE(parent_.commands.size(), 4u);
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    const size_t released = parent_.commands.size();
    uitest::PumpMessages(150);
    EXPECT_EQ(parent_.commands.size(), released);
    EXPECT_EQ(::SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
}

// Dark pixels (the arrow) in the strip at the right edge of a drawn button.
int DarkPixelsInStrip(const uitest::Canvas& canvas, int width, int height)
{
    int dark = 0;
    for (int x = width - ::GetSystemMetrics(SM_CXVSCROLL) + 3; x < width - 3; ++x) {
        for (int y = 4; y < height - 4; ++y) {
            const COLORREF color = canvas.Color(x, y);
            dark += GetRValue(color) + GetGValue(color) + GetBValue(color) < 150 ? 1 : 0;
        }
    }
    return dark;
}

// While the menu is open: a click on the button closes it.
HWND clickedWhileMenuOpen = nullptr;
void CALLBACK ClickTheButtonWhileTheMenuIsOpen(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    ::PostMessageW(clickedWhileMenuOpen, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    ::EndMenu();
}

TEST_F(ButtonTest, CustomButtonOpensItsMenuFromTheRightEdgeOnly)
{
    CCustomButton button;
    HWND handle = MakeButton(23, L"Delete", 120);
    ASSERT_TRUE(button.SubclassWindow(handle));
    const int strip = ::GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_FALSE(button.InDropDownPart(POINT{119, 10}));

    uitest::Canvas plain(120, 30);
    plain.Fill(RGB(255, 255, 255));
    Draw(parent_, button, plain);
    EXPECT_EQ(DarkPixelsInStrip(plain, 120, 30), 0);

    MenuHandle menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING, 32807, L"Permanently");
    button.SetMenu(menu.Get());
    EXPECT_TRUE(button.InDropDownPart(POINT{119, 10}));
    EXPECT_TRUE(button.InDropDownPart(POINT{120 - strip, 10}));
    EXPECT_FALSE(button.InDropDownPart(POINT{120 - strip - 1, 10}));
    EXPECT_FALSE(button.InDropDownPart(POINT{130, 10}));
    uitest::Canvas arrow(120, 30);
    arrow.Fill(RGB(255, 255, 255));
    Draw(parent_, button, arrow);
    EXPECT_GT(DarkPixelsInStrip(arrow, 120, 30), 0);

    // A press on the strip opens the menu and does not press the button; the
    // click that closed the menu is dropped, so its release clicks nothing.
    clickedWhileMenuOpen = button;
    ::SetTimer(nullptr, 0, 50, ClickTheButtonWhileTheMenuIsOpen);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(115, 10));
    EXPECT_EQ(parent_.menuPopups.size(), 1u);
    uitest::PumpMessages(50);
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    uitest::PumpMessages(50);
    EXPECT_TRUE(parent_.commands.empty());

    // Elsewhere it is an ordinary button.
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    uitest::PumpMessages(50);
    ASSERT_EQ(parent_.commands.size(), 1u);
    EXPECT_EQ(parent_.commands[0].id, 23);
    EXPECT_EQ(parent_.menuPopups.size(), 1u);
}

TEST_F(ButtonTest, CustomButtonIsOwnerDrawnAndFollowsTheMouse)
{
    CCustomButton button;
    ASSERT_TRUE(button.SubclassWindow(MakeButton(24, L"Start")));
    EXPECT_EQ(button.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_FALSE(button.IsHovering());
    ::SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.IsHovering());
    ::SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.IsHovering());
}

} // namespace
