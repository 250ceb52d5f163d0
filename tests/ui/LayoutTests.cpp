// The layouts: leading and trailing runs, centring, fill items sharing the
// space around fixed ones, and the grid's columns.
#include "tests/ui/UiTestSupport.h"
#include "ui/common/Layout.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

namespace {

using namespace vandrelcommon::ui;

class LayoutTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(parent_.Create(600, 500), nullptr); }

    // A child of the given size, placed anywhere.
    HWND Box(int width, int height)
    {
        return uitest::CreateChild(L"Static", parent_, RECT{1, 1, 1 + width, 1 + height});
    }
    static RECT At(HWND window) { return CWindow(window).GetRectInParent(); }

    uitest::CRecordingParent parent_;
};

TEST_F(LayoutTest, TopItemThenFillItemTakesTheRestOfTheHeight)
{
    HWND top = Box(50, 40);
    HWND fill = Box(70, 10);
    CVerticalLayout layout(parent_, RECT{0, 0, 200, 300});
    layout.AddWindow(top, Placement::Stretch, 0, Placement::Start, 5, 5);
    layout.AddWindow(fill, Placement::Start, 3, Placement::Stretch, 10, 20);
    layout.Arrange(false);

    EXPECT_EQ(At(top).top, 5);
    EXPECT_EQ(At(top).bottom, 45);
    // Stretched across: the whole width.
    EXPECT_EQ(At(top).left, 0);
    EXPECT_EQ(At(top).right, 200);
    // All the height below the top item and its margins, minus its own.
    EXPECT_EQ(At(fill).top, 5 + 40 + 5 + 10);
    EXPECT_EQ(At(fill).bottom, 300 - 20);
    EXPECT_EQ(At(fill).left, 3);
    EXPECT_EQ(At(fill).right, 3 + 70);
}

TEST_F(LayoutTest, FillItemsShareTheSpaceBeforeAndAfterAFixedItem)
{
    HWND before = Box(20, 5);
    HWND middle = Box(20, 30);
    HWND after = Box(20, 5);
    CVerticalLayout layout(parent_, RECT{0, 10, 100, 210});
    layout.AddWindow(before, Placement::Start, 0, Placement::Stretch, 2, 3);
    layout.AddWindow(middle, Placement::Start, 0, Placement::Center, 0, 0);
    layout.AddWindow(after, Placement::Start, 0, Placement::Stretch, 4, 1);
    layout.Arrange(false);

    // The middle item is centred in the band 10..210.
    EXPECT_EQ(At(middle).top, 210 - (30 + 200) / 2);
    EXPECT_EQ(At(middle).bottom, 125);
    EXPECT_EQ(At(before).top, 10 + 2);
    EXPECT_EQ(At(before).bottom, 95 - 3);
    EXPECT_EQ(At(after).top, 125 + 4);
    EXPECT_EQ(At(after).bottom, 210 - 1);
}

TEST_F(LayoutTest, SeveralFillItemsSplitTheirSpaceEvenly)
{
    HWND a = Box(10, 1);
    HWND b = Box(10, 1);
    HWND middle = Box(10, 20);
    HWND c = Box(10, 1);
    HWND d = Box(10, 1);
    CVerticalLayout layout(parent_, RECT{0, 0, 50, 200});
    layout.AddWindow(a, Placement::Start, 0, Placement::Stretch, 0, 0);
    layout.AddWindow(b, Placement::Start, 0, Placement::Stretch, 0, 0);
    layout.AddWindow(middle, Placement::Start, 0, Placement::Center, 0, 0);
    layout.AddWindow(c, Placement::Start, 0, Placement::Stretch, 0, 0);
    layout.AddWindow(d, Placement::Start, 0, Placement::Stretch, 0, 0);
    layout.Arrange(false);

    EXPECT_EQ(At(middle).top, 90);
    EXPECT_EQ(At(a).top, 0);
    EXPECT_EQ(At(a).bottom, 45);
    EXPECT_EQ(At(b).top, 45);
    EXPECT_EQ(At(b).bottom, 90);
    EXPECT_EQ(At(c).top, 110);
    EXPECT_EQ(At(c).bottom, 155);
    EXPECT_EQ(At(d).top, 155);
    EXPECT_EQ(At(d).bottom, 200);
}

TEST_F(LayoutTest, CentreItemsAreCentredInTurnInTheBandAndItsParts)
{
    HWND first = Box(10, 10);
    HWND second = Box(10, 20);
    HWND third = Box(10, 30);
    CVerticalLayout layout(parent_, RECT{0, 0, 100, 300});
    layout.AddWindow(first, Placement::Center, 0, Placement::Center, 0, 0);
    layout.AddWindow(second, Placement::Center, 0, Placement::Center, 0, 0);
    layout.AddWindow(third, Placement::Center, 0, Placement::Center, 0, 0);
    layout.Arrange(false);

    // The middle one in the middle of 0..300, the others in the middle of
    // what lies above and below it.
    EXPECT_EQ(At(second).top, 140);
    EXPECT_EQ(At(first).top, 65);
    EXPECT_EQ(At(third).top, 215);
    // Across: C0 + (C1 - C0 - s) / 2.
    EXPECT_EQ(At(first).left, 45);

    // An even number splits the band in halves.
    HWND upper = Box(10, 10);
    HWND lower = Box(10, 10);
    CVerticalLayout pair(parent_, RECT{0, 0, 100, 100});
    pair.AddWindow(upper, Placement::Start, 0, Placement::Center, 0, 0);
    pair.AddWindow(lower, Placement::Start, 0, Placement::Center, 0, 0);
    pair.Arrange(false);
    EXPECT_EQ(At(upper).top, 20);
    EXPECT_EQ(At(lower).top, 70);
}

TEST_F(LayoutTest, TrailingRunStacksFromTheEndAndOnlyMovesItsWindows)
{
    HWND start = Box(30, 20);
    HWND end1 = Box(30, 15);
    HWND end2 = Box(30, 25);
    CVerticalLayout layout(parent_, RECT{0, 0, 120, 200});
    layout.AddWindow(start, Placement::End, 0, Placement::Start, 0, 0);
    layout.AddWindow(end1, Placement::Center, 0, Placement::End, 0, 5);
    layout.AddWindow(end2, Placement::Stretch, 7, Placement::End, 3, 2);
    layout.Arrange(false);

    EXPECT_EQ(At(start).top, 0);
    EXPECT_EQ(At(start).left, 120 - 30);
    EXPECT_EQ(At(end2).top, 200 - 2 - 25);
    EXPECT_EQ(At(end1).top, 200 - 2 - 25 - 3 - 5 - 15);
    EXPECT_EQ(At(end1).left, (120 - 30) / 2);
    // Moved to where a stretched item starts, but not resized.
    EXPECT_EQ(At(end2).left, 7);
    EXPECT_EQ(At(end2).right - At(end2).left, 30);
}

TEST_F(LayoutTest, HorizontalLayoutPlacesAlongTheWidth)
{
    HWND left = Box(40, 10);
    HWND fill = Box(5, 10);
    HWND right = Box(30, 10);
    CHorizontalLayout layout(parent_, RECT{10, 0, 310, 50});
    layout.AddWindow(left, Placement::Start, 4, Placement::End, 0, 6);
    layout.AddWindow(fill, Placement::Stretch, 5, Placement::Stretch, 2, 3);
    layout.AddWindow(right, Placement::End, 0, Placement::Center, 0, 0);
    layout.Items().back().rightMargin = 8;
    layout.Arrange(false);

    EXPECT_EQ(At(left).left, 14);
    EXPECT_EQ(At(left).top, 50 - 6 - 10);
    EXPECT_EQ(At(right).left, 310 - 8 - 30);
    EXPECT_EQ(At(right).top, 20);
    EXPECT_EQ(At(fill).left, 14 + 40 + 5);
    EXPECT_EQ(At(fill).right, 310 - 8 - 30);
    EXPECT_EQ(At(fill).top, 2);
    EXPECT_EQ(At(fill).bottom, 50 - 3);
}

TEST_F(LayoutTest, MeasureAddsAlongTheAxisAndTakesTheLargestAcross)
{
    HWND a = Box(40, 10);
    HWND b = Box(20, 30);
    CVerticalLayout column(parent_, RECT{0, 0, 100, 100});
    column.AddWindow(a, Placement::Start, 1, Placement::Start, 2, 3).rightMargin = 4;
    column.AddWindow(b, Placement::Start, 0, Placement::Start, 0, 0);
    RECT size{};
    column.Measure(size);
    EXPECT_EQ(size.right, 40 + 1 + 4);
    EXPECT_EQ(size.bottom, 10 + 2 + 3 + 30);

    CHorizontalLayout row(parent_, RECT{0, 0, 100, 100});
    row.AddWindow(a, Placement::Start, 1, Placement::Start, 2, 3);
    row.AddWindow(b, Placement::Start, 0, Placement::Start, 0, 0);
    row.Measure(size);
    EXPECT_EQ(size.right, 40 + 1 + 20);
    EXPECT_EQ(size.bottom, 30);
    // A stretched item makes the row as wide as the parent's client area.
    row.Items()[1].horizontal = Placement::Stretch;
    row.Measure(size);
    EXPECT_EQ(size.right, CWindow(parent_).GetClientRect().right);
    EXPECT_EQ(size.bottom, 30);
}

TEST_F(LayoutTest, GridAlignsTheSecondColumnAtTheWidestLabel)
{
    const int labelWidths[] = {40, 90, 60};
    HWND labels[3];
    HWND edits[3];
    CGridLayout grid(parent_, RECT{10, 10, 400, 300});
    for (int row = 0; row < 3; ++row) {
        labels[row] = Box(labelWidths[row], 14);
        edits[row] = Box(100, 20);
        CHorizontalLayout* cells = grid.AddRow();
        cells->AddWindow(labels[row], Placement::Start, 0, Placement::Center, 0, 0);
        cells->AddWindow(edits[row], Placement::Start, 6, Placement::Start, 0, 0);
    }
    grid.Arrange(true);

    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(At(labels[row]).left, 10) << row;
        EXPECT_EQ(At(edits[row]).left, 10 + 90 + 6) << row;
        EXPECT_EQ(At(edits[row]).top, 10 + 20 * row) << row;
        // Labels are centred on their row's height.
        EXPECT_EQ(At(labels[row]).top, 10 + 20 * row + 3) << row;
    }
    // Margins only grow: arranging again changes nothing.
    grid.Arrange(false);
    EXPECT_EQ(At(edits[0]).left, 106);
    EXPECT_EQ(grid.Items()[0].layout->Items()[0].rightMargin, 50);
}

TEST_F(LayoutTest, NestedLayoutsArePlacedAndArranged)
{
    HWND header = Box(80, 20);
    HWND inner = Box(30, 10);
    CVerticalLayout outer(parent_, RECT{0, 0, 300, 200});
    outer.AddWindow(header, Placement::Start, 0, Placement::Start, 0, 5);
    auto row = std::make_unique<CHorizontalLayout>(parent_, RECT{});
    row->AddWindow(inner, Placement::End, 0, Placement::Start, 0, 0);
    CAbstractLayout* nested = outer.AddLayout(std::move(row));
    outer.Arrange(false);

    EXPECT_EQ(nested->Rect().top, 25);
    EXPECT_EQ(nested->Rect().left, 0);
    EXPECT_EQ(At(inner).top, 25);
    // Within the rectangle the row received (as wide as it measured).
    EXPECT_EQ(At(inner).left, nested->Rect().right - 30);
}

TEST_F(LayoutTest, TooLittleRoomGivesEmptyItemsAndNothingBreaks)
{
    HWND squeezed = Box(20, 20);
    CVerticalLayout layout(parent_, RECT{0, 0, 50, 10});
    layout.AddWindow(squeezed, Placement::Start, 0, Placement::Stretch, 8, 8);
    layout.AddWindow(nullptr, Placement::Stretch, 0, Placement::Center, 0, 0);
    layout.Arrange(true);
    EXPECT_EQ(At(squeezed).bottom - At(squeezed).top, 0);

    CHorizontalLayout empty(parent_);
    empty.Arrange(true);
    RECT size{1, 1, 1, 1};
    empty.Measure(size);
    EXPECT_EQ(size.right, 0);
    EXPECT_EQ(size.bottom, 0);
}

TEST_F(LayoutTest, RedrawingIsSwitchedBackOnAfterArranging)
{
    // Switching redrawing off hides the window's visible state until it is
    // switched on again.
    parent_.ShowWindow(SW_SHOWNA);
    ASSERT_TRUE(parent_.IsVisible());
    CGridLayout grid(parent_);
    grid.AddRow()->AddWindow(Box(10, 10), Placement::Start, 0, Placement::Start, 0, 0);
    grid.Arrange(true);
    EXPECT_TRUE(parent_.IsVisible());
    CVerticalLayout column(parent_);
    column.AddWindow(Box(10, 10), Placement::Start, 0, Placement::Start, 0, 0);
    column.Arrange(true);
    EXPECT_TRUE(parent_.IsVisible());
    // Without items nothing is switched at all.
    CGridLayout noRows(parent_);
    noRows.Arrange(true);
    EXPECT_TRUE(parent_.IsVisible());
}

} // namespace
