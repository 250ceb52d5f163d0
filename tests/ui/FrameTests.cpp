// The frame (bars, client, update-UI, accelerators, chevron) and the splitter.
#include "tests/ui/TestResources.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/framework/Frame.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/MessageLoop.h"
#include "ui/framework/Module.h"
#include "ui/framework/Splitter.h"
#include "ui/framework/UpdateUI.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using namespace vandrelcommon::ui;

constexpr UINT kFirstButton = 500;
constexpr UINT kCheckButton = 501;

class CTestFrame : public CFrameWindow, public CUpdateUI {
public:
    int refreshes = 0;
    std::vector<std::wstring> popupItems;

    BEGIN_MESSAGE_MAP()
    ON_COMMAND(ID_TEST_REFRESH, OnRefresh)
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
    CHAIN_TO_BASE(CUpdateUI)
    CHAIN_TO_BASE(CFrameWindow)
    END_MESSAGE_MAP()

private:
    LRESULT OnRefresh(Message& msg)
    {
        (void)msg;
        ++refreshes;
        return 0;
    }
    LRESULT OnInitMenuPopup(Message& msg)
    {
        const auto menu = reinterpret_cast<HMENU>(msg.wParam);
        for (int position = 0; position < ::GetMenuItemCount(menu); ++position) {
            wchar_t text[64] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
            popupItems.push_back(text);
        }
        msg.handled = false;
        return 0;
    }
};

class FrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AppModule().AddMessageLoop(&loop_));
        ASSERT_NE(frame_.CreateFrame(IDR_TEST_FRAME, RECT{0, 0, 600, 400}), nullptr);
        frame_.SetEndsMessageLoop(false);
        ASSERT_NE(frame_.CreateSimpleReBar(), nullptr);
        toolbar_ = CreateToolBar(frame_, kToolBarId, kToolBarStyle | TBSTYLE_LIST);
        ASSERT_NE(toolbar_, nullptr);
        TBBUTTON buttons[] = {
            {I_IMAGENONE, static_cast<int>(kFirstButton), TBSTATE_ENABLED, BTNS_BUTTON | BTNS_SHOWTEXT, {}, 0,
                reinterpret_cast<INT_PTR>(L"First button")},
            {I_IMAGENONE, static_cast<int>(kCheckButton), TBSTATE_ENABLED, BTNS_CHECK | BTNS_SHOWTEXT, {}, 0,
                reinterpret_cast<INT_PTR>(L"Check button")},
        };
        ::SendMessageW(toolbar_, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(buttons));
        ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
        ASSERT_TRUE(frame_.AddReBarBand(toolbar_));
        ASSERT_NE(frame_.CreateSimpleStatusBar(L"Ready"), nullptr);
        client_ = uitest::CreateChild(L"Static", frame_, RECT{0, 0, 10, 10});
        frame_.SetClient(client_);
        frame_.UpdateLayout();
    }
    void TearDown() override
    {
        if (frame_.Hwnd() != nullptr) {
            frame_.DestroyWindow();
        }
        AppModule().RemoveMessageLoop();
    }

    static RECT At(HWND window) { return CWindow(window).GetRectInParent(); }

    CMessageLoop loop_;
    CTestFrame frame_;
    HWND toolbar_ = nullptr;
    HWND client_ = nullptr;
};

TEST_F(FrameTest, ClientLiesBetweenTheBandAndTheStatusBar)
{
    EXPECT_EQ(frame_.GetText(), L"Framework test frame");
    const RECT client = frame_.GetClientRect();
    const RECT rebar = At(frame_.ReBar());
    const RECT status = At(frame_.StatusBar());
    EXPECT_GE(rebar.bottom - rebar.top, HIWORD(::SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0)));
    EXPECT_EQ(status.bottom, client.bottom);
    EXPECT_EQ(At(client_).top, rebar.bottom);
    EXPECT_EQ(At(client_).bottom, status.top);
    EXPECT_EQ(At(client_).left, 0);
    EXPECT_EQ(At(client_).right, client.right);

    // A hidden status bar leaves its room to the client.
    ::ShowWindow(frame_.StatusBar(), SW_HIDE);
    frame_.UpdateLayout();
    EXPECT_EQ(At(client_).bottom, client.bottom);

    // Resizing the frame lays it out again.
    ::ShowWindow(frame_.StatusBar(), SW_SHOWNA);
    frame_.SetWindowPos(nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(At(client_).right, frame_.GetClientRect().right);
    EXPECT_EQ(At(client_).bottom, At(frame_.StatusBar()).top);
}

TEST_F(FrameTest, UpdateUiReachesToolbarButtonsWhenIdleAndMenusAsTheyOpen)
{
    frame_.UIAddToolBar(toolbar_);
    frame_.UIEnable(kFirstButton, false);
    frame_.UISetCheck(kCheckButton, true);
    EXPECT_NE(::SendMessageW(toolbar_, TB_ISBUTTONENABLED, kFirstButton, 0), 0);
    loop_.AddIdleHandler(&frame_);
    loop_.OnIdle(0);
    EXPECT_EQ(::SendMessageW(toolbar_, TB_ISBUTTONENABLED, kFirstButton, 0), 0);
    EXPECT_NE(::SendMessageW(toolbar_, TB_ISBUTTONCHECKED, kCheckButton, 0), FALSE);
    frame_.UIEnable(kFirstButton, true);
    loop_.OnIdle(0);
    EXPECT_NE(::SendMessageW(toolbar_, TB_ISBUTTONENABLED, kFirstButton, 0), 0);

    // A toolbar added after the states were sent still gets them.
    frame_.UIEnable(kFirstButton, false);
    loop_.OnIdle(0);
    frame_.UIRemoveToolBar(toolbar_);
    ::SendMessageW(toolbar_, TB_ENABLEBUTTON, kFirstButton, MAKELPARAM(TRUE, 0));
    ::SendMessageW(toolbar_, TB_CHECKBUTTON, kCheckButton, MAKELPARAM(FALSE, 0));
    frame_.UIAddToolBar(toolbar_);
    EXPECT_EQ(::SendMessageW(toolbar_, TB_ISBUTTONENABLED, kFirstButton, 0), 0);
    EXPECT_NE(::SendMessageW(toolbar_, TB_ISBUTTONCHECKED, kCheckButton, 0), FALSE);
    frame_.UIEnable(kFirstButton, true);
    loop_.RemoveIdleHandler(&frame_);

    MenuHandle menu(::CreatePopupMenu());
    ::AppendMenuW(menu.Get(), MF_STRING | MF_GRAYED, kFirstButton, L"first");
    ::AppendMenuW(menu.Get(), MF_STRING, kCheckButton, L"check");
    ::AppendMenuW(menu.Get(), MF_STRING | MF_GRAYED, 502, L"untouched");
    ::SendMessageW(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu.Get()), 0);
    EXPECT_EQ(::GetMenuState(menu.Get(), kFirstButton, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(::GetMenuState(menu.Get(), kCheckButton, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_NE(::GetMenuState(menu.Get(), 502, MF_BYCOMMAND) & MF_GRAYED, 0u);
    // The frame's own map saw the popup too.
    EXPECT_EQ(frame_.popupItems.size(), 3u);
}

TEST_F(FrameTest, AcceleratorsOfTheFrameGoThroughTheLoop)
{
    MSG key{client_, WM_KEYDOWN, VK_F5, 0, 0, {}};
    EXPECT_TRUE(loop_.PreTranslateMessage(key));
    EXPECT_EQ(frame_.refreshes, 1);
    // Keys of windows outside the frame are left alone.
    uitest::CRecordingParent elsewhere;
    ASSERT_NE(elsewhere.Create(), nullptr);
    MSG other{elsewhere, WM_KEYDOWN, VK_F5, 0, 0, {}};
    EXPECT_FALSE(loop_.PreTranslateMessage(other));
    EXPECT_EQ(frame_.refreshes, 1);
    // Gone with the frame.
    frame_.DestroyWindow();
    EXPECT_FALSE(loop_.PreTranslateMessage(key));
}

TEST_F(FrameTest, ChevronOffersTheButtonsTheBandHides)
{
    // Narrow enough for the second button to be clipped.
    RECT second{};
    ::SendMessageW(toolbar_, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    ::SetWindowPos(toolbar_, nullptr, 0, 0, second.left + 4, second.bottom, SWP_NOMOVE | SWP_NOZORDER);

    // The menu is tracked modally: a timer closes it once it is open.
    ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        ::EndMenu();
    });
    NMREBARCHEVRON chevron{};
    chevron.hdr.hwndFrom = frame_.ReBar();
    chevron.hdr.idFrom = kReBarId;
    chevron.hdr.code = RBN_CHEVRONPUSHED;
    chevron.uBand = 0;
    chevron.rc = RECT{100, 0, 110, 20};
    ::SendMessageW(frame_, WM_NOTIFY, kReBarId, reinterpret_cast<LPARAM>(&chevron));
    EXPECT_EQ(frame_.popupItems, std::vector<std::wstring>{L"Check button"});
}

TEST(Frame, DestroyingATopLevelFrameEndsTheLoop)
{
    uitest::PumpMessages(0);
    MSG quit{};
    {
        CFrameWindow frame;
        ASSERT_NE(frame.CreateFrame(IDR_TEST_FRAME, RECT{0, 0, 200, 200}), nullptr);
        frame.DestroyWindow();
    }
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
    {
        CFrameWindow frame;
        ASSERT_NE(
            frame.CreateFrame(IDR_TEST_FRAME, RECT{0, 0, 200, 200}, WS_OVERLAPPEDWINDOW, 0, L"kept loop"), nullptr);
        EXPECT_EQ(frame.GetText(), L"kept loop");
        frame.SetEndsMessageLoop(false);
        frame.DestroyWindow();
    }
    EXPECT_FALSE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

class SplitterTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(parent_.Create(800, 600), nullptr);
        first_ = uitest::CreateChild(L"Static", parent_, RECT{0, 0, 10, 10});
        second_ = uitest::CreateChild(L"Static", parent_, RECT{0, 0, 10, 10});
    }
    void Make(CSplitterWindow& splitter, int width, int height)
    {
        ASSERT_NE(splitter.Create(parent_, RECT{0, 0, width, height}), nullptr);
        ::SetParent(first_, splitter);
        ::SetParent(second_, splitter);
        splitter.SetPanes(first_, second_);
    }
    static RECT At(HWND window) { return CWindow(window).GetRectInParent(); }
    static bool Shown(HWND window) { return (CWindow(window).GetStyle() & WS_VISIBLE) != 0; }
    static void Resize(HWND window, int width, int height)
    {
        ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    uitest::CRecordingParent parent_;
    HWND first_ = nullptr;
    HWND second_ = nullptr;
};

TEST_F(SplitterTest, DividerStaysAtLeastTheMinimumPaneSizeFromBothEdges)
{
    CSplitterWindow splitter(true);
    Make(splitter, 400, 200);
    const int divider = splitter.DividerWidth();
    splitter.SetMinimumPaneSize(100);

    splitter.SetSplitterPos(10);
    EXPECT_EQ(splitter.GetSplitterPos(), 100);
    EXPECT_EQ(At(first_).right, 100);
    EXPECT_EQ(At(second_).left, 100 + divider);
    EXPECT_EQ(At(second_).right, 400);
    EXPECT_EQ(At(second_).bottom, 200);

    splitter.SetSplitterPos(1000);
    EXPECT_EQ(splitter.GetSplitterPos(), 400 - divider - 100);
    splitter.SetSplitterPos(150);
    EXPECT_EQ(splitter.GetSplitterPos(), 150);
    splitter.SetSplitterPos();
    EXPECT_EQ(splitter.GetSplitterPos(), (400 - divider) / 2);

    // Too narrow for both minimums: what there is is shared, nothing is negative.
    Resize(splitter, 150, 200);
    EXPECT_EQ(splitter.GetSplitterPos(), (150 - divider) / 2);
    EXPECT_GE(At(first_).right - At(first_).left, 0);
    EXPECT_GE(At(second_).right - At(second_).left, 0);
    EXPECT_EQ(At(second_).right, 150);
}

TEST_F(SplitterTest, SinglePaneModeShowsOnlyTheChosenPaneOverTheWhole)
{
    CSplitterWindow splitter(false);
    Make(splitter, 300, 400);
    splitter.SetSplitterPos(100);
    splitter.SetSinglePaneMode(1);
    EXPECT_EQ(splitter.GetSinglePaneMode(), 1);
    EXPECT_FALSE(Shown(first_));
    EXPECT_TRUE(Shown(second_));
    EXPECT_EQ(At(second_).top, 0);
    EXPECT_EQ(At(second_).bottom, 400);
    EXPECT_EQ(At(second_).right, 300);

    // The divider cannot be caught while one pane is shown.
    ::SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 101));
    ::SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 201));
    ::SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(10, 201));
    EXPECT_EQ(splitter.GetSplitterPos(), 100);

    splitter.SetSinglePaneMode(CSplitterWindow::kBothPanes);
    EXPECT_TRUE(Shown(first_));
    EXPECT_TRUE(Shown(second_));
    EXPECT_EQ(At(first_).bottom, 100);
    EXPECT_EQ(At(second_).top, 100 + splitter.DividerWidth());
}

TEST_F(SplitterTest, ProportionalModeKeepsTheShareAndTheOtherKeepsTheDistance)
{
    CSplitterWindow proportional(false);
    Make(proportional, 200, 200);
    proportional.SetProportional(true);
    proportional.SetSplitterPos(50);
    Resize(proportional, 200, 400);
    EXPECT_EQ(proportional.GetSplitterPos(), 100);

    CSplitterWindow fixed(false);
    Make(fixed, 200, 200);
    fixed.SetSplitterPos(50);
    Resize(fixed, 200, 400);
    EXPECT_EQ(fixed.GetSplitterPos(), 50);
}

TEST_F(SplitterTest, DividerFollowsTheMouseOnlyWhenDraggable)
{
    CSplitterWindow splitter(true);
    Make(splitter, 400, 200);
    splitter.SetSplitterPos(150);
    const auto drag = [&](int from, int to) {
        ::SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from, 50));
        ::SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to, 50));
        ::SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(to, 50));
    };
    drag(151, 191);
    EXPECT_EQ(splitter.GetSplitterPos(), 190);
    EXPECT_EQ(At(first_).right, 190);
    // A press on a pane's area is not on the divider.
    drag(20, 60);
    EXPECT_EQ(splitter.GetSplitterPos(), 190);

    splitter.SetDraggable(false);
    drag(191, 231);
    EXPECT_EQ(splitter.GetSplitterPos(), 190);
}

TEST_F(SplitterTest, PositionAskedBeforeTheSplitterHasASizeIsKept)
{
    CSplitterWindow left(true);
    ASSERT_NE(left.Create(parent_), nullptr);
    left.SetPanes(first_, second_);
    left.SetMinimumPaneSize(100);
    left.SetSplitterPos(200);
    Resize(left, 600, 300);
    EXPECT_EQ(left.GetSplitterPos(), 200);

    CSplitterWindow middle(false);
    ASSERT_NE(middle.Create(parent_), nullptr);
    middle.SetSplitterPos();
    Resize(middle, 300, 500);
    EXPECT_EQ(middle.GetSplitterPos(), (500 - middle.DividerWidth()) / 2);
}

} // namespace
