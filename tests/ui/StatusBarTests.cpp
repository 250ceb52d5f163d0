// The status bar of self-sizing panes.
#include "tests/ui/UiTestSupport.h"
#include "ui/common/AutosizeMultipaneStatusBar.h"
#include "ui/framework/Module.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using namespace vandrelcommon::ui;

class StatusBarTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(parent_.Create(500, 300), nullptr);
        HWND bar = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
            parent_, nullptr, AppModule().Instance(), nullptr);
        ASSERT_TRUE(bar_.SubclassWindow(bar));
    }
    int Width(int index) const
    {
        const std::vector<int> edges = bar_.PaneEdges();
        return edges[index] - (index > 0 ? edges[index - 1] : 0);
    }
    int FreeRight() const
    {
        return bar_.GetClientRect().right - ::GetSystemMetrics(SM_CXVSCROLL) - ::GetSystemMetrics(SM_CXEDGE);
    }

    uitest::CRecordingParent parent_;
    CAutosizeMultipaneStatusBar bar_;
};

TEST_F(StatusBarTest, SinglePaneIsExactlyAsWideAsAsked)
{
    ASSERT_TRUE(bar_.SetPanes({137}));
    bar_.SetPaneWidth(137, 180);
    EXPECT_EQ(bar_.PaneEdges(), std::vector<int>{180});
    bar_.SetPaneWidth(137, 64);
    EXPECT_EQ(Width(0), 64);
    // A pane that is not there changes nothing.
    bar_.SetPaneWidth(138, 300);
    EXPECT_EQ(Width(0), 64);
}

TEST_F(StatusBarTest, DefaultPaneTakesWhatTheOthersLeave)
{
    ASSERT_TRUE(bar_.SetPanes({5, CAutosizeMultipaneStatusBar::kDefaultPane, 137}));
    EXPECT_EQ(bar_.PaneEdges().back(), FreeRight());

    // Before the default pane: its right edge moves; after it: its left edge.
    bar_.SetPaneWidth(5, 60);
    bar_.SetPaneWidth(137, 150);
    EXPECT_EQ(Width(0), 60);
    EXPECT_EQ(Width(2), 150);
    EXPECT_EQ(bar_.PaneEdges().back(), FreeRight());

    // Resizing follows the parent's width; the default pane absorbs it.
    ::SetWindowPos(parent_, nullptr, 0, 0, 700, 300, SWP_NOMOVE | SWP_NOZORDER);
    ::SendMessageW(bar_, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(bar_.PaneEdges().back(), FreeRight());
    EXPECT_EQ(Width(0), 60);
    EXPECT_EQ(Width(2), 150);

    // Too narrow for the fixed panes: the default pane is not made negative.
    const std::vector<int> before = bar_.PaneEdges();
    ::SetWindowPos(parent_, nullptr, 0, 0, 120, 300, SWP_NOMOVE | SWP_NOZORDER);
    ::SendMessageW(bar_, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(bar_.PaneEdges(), before);
}

TEST_F(StatusBarTest, TextsAreKeptPerPane)
{
    ASSERT_TRUE(bar_.SetPanes({CAutosizeMultipaneStatusBar::kDefaultPane, 137}));
    EXPECT_TRUE(bar_.SetPaneText(137, L"12 files in 3 groups"));
    EXPECT_TRUE(bar_.SetPaneText(0, L"Ready"));
    std::wstring text = L"stale";
    EXPECT_TRUE(bar_.GetPaneText(137, text));
    EXPECT_EQ(text, L"12 files in 3 groups");
    EXPECT_FALSE(bar_.GetPaneText(99, text));
    EXPECT_EQ(text, L"");
    EXPECT_FALSE(bar_.SetPaneText(99, L"nowhere"));
    EXPECT_FALSE(bar_.SetPanes({}));
}

} // namespace
