// Which scroll bars show, their 0..127 scale, scroll requests, the single
// column's pixel offset and the wheel.

#include "GridTestSupport.h"

#include <QScrollBar>

namespace {

// A grid of columns 64 + 1 and rows 24 + 1 pixels wide in a client of the
// given size (border 2 on each side).
void Prepare(TTestGrid& grid, int cols, int rows, int width, int height)
{
    grid.resize(width + 4, height + 4);
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    ShowActive(grid);
    grid.UpdateScrollRange();
}

} // namespace

TEST_F(GridTest, ABarShowsOnlyForWhatOverflowsAndPositionsAreZeroWithout)
{
    TTestGrid grid;
    Prepare(grid, 3, 3, 400, 300);
    EXPECT_FALSE(grid.ScrollBarShowing(sbHorizontal));
    EXPECT_FALSE(grid.ScrollBarShowing(sbVertical));
    // The largest first cell is the first regular one: no range to divide by.
    grid.UpdateScrollPos();
    EXPECT_EQ(grid.GetScrollPos(sbHorizontal), 0);
    EXPECT_EQ(grid.GetScrollPos(sbVertical), 0);
    grid.ModifyScrollBar(sbVertical, SB_THUMBPOSITION, 127);
    grid.ModifyScrollBar(sbHorizontal, SB_PAGEDOWN, 0);
    EXPECT_EQ(grid.TopRow(), 1);
    EXPECT_EQ(grid.LeftCol(), 1);

    // A bar-less grid never changes any bar, however much overflows.
    TTestGrid bare;
    bare.SetScrollBars(ssNone);
    Prepare(bare, 30, 100, 200, 150);
    EXPECT_FALSE(bare.ScrollBarShowing(sbHorizontal));
    EXPECT_FALSE(bare.ScrollBarShowing(sbVertical));
    EXPECT_EQ(bare.GetScrollInfo(sbVertical), TScrollInfo());

    // Seven rows fill 175 pixels exactly; the columns need a horizontal bar,
    // which leaves too little height for the rows: the vertical one shows too.
    TTestGrid wide;
    Prepare(wide, 10, 7, 400, 175);
    EXPECT_TRUE(wide.ScrollBarShowing(sbHorizontal));
    EXPECT_TRUE(wide.ScrollBarShowing(sbVertical));
    EXPECT_EQ(wide.ClientHeight(), 175 - GetSystemMetrics(SM_CYHSCROLL));

    // Columns that fit only without the vertical bar get the horizontal one.
    TTestGrid narrow;
    Prepare(narrow, 6, 30, 6 * 65, 200);
    EXPECT_TRUE(narrow.ScrollBarShowing(sbVertical));
    EXPECT_TRUE(narrow.ScrollBarShowing(sbHorizontal));

    // And a grid where all fits shows neither.
    TTestGrid fits;
    Prepare(fits, 6, 7, 6 * 65, 175);
    EXPECT_FALSE(fits.ScrollBarShowing(sbVertical));
    EXPECT_FALSE(fits.ScrollBarShowing(sbHorizontal));
}

TEST_F(GridTest, AWiderGridPullsItsFirstColumnBackToTheLargestPossible)
{
    TTestGrid grid;
    Prepare(grid, 20, 3, 300, 200);
    grid.ModifyScrollBar(sbHorizontal, SB_BOTTOM, 0);
    const int before = grid.LeftCol();
    EXPECT_GT(before, 10);
    EXPECT_EQ(grid.GetScrollPos(sbHorizontal), 127);
    grid.resize(700, 204);
    QCoreApplication::processEvents();
    EXPECT_LT(grid.LeftCol(), before);
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    EXPECT_EQ(info.Horz.LastFullVisibleCell, 19);
    EXPECT_EQ(grid.LeftCol(), grid.CalcMaxTopLeft({19, 2}, info).X);
}

TEST_F(GridTest, ScrollRequestsMapTheBarScaleToFirstCells)
{
    TTestGrid grid;
    Prepare(grid, 5, 200, 300, 250);
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    const int maxTop = grid.CalcMaxTopLeft({4, 199}, info).Y;
    grid.ModifyScrollBar(sbVertical, SB_THUMBPOSITION, 127);
    EXPECT_EQ(grid.TopRow(), maxTop);
    EXPECT_EQ(grid.GetScrollPos(sbVertical), 127);
    grid.ModifyScrollBar(sbVertical, SB_THUMBPOSITION, 0);
    EXPECT_EQ(grid.TopRow(), 1);
    grid.ModifyScrollBar(sbVertical, SB_PAGEDOWN, 0);
    EXPECT_EQ(grid.TopRow(), 1 + grid.VisibleRowCount() - 1);
    grid.ModifyScrollBar(sbVertical, SB_PAGEUP, 0);
    EXPECT_EQ(grid.TopRow(), 1);
    // Thumb tracking moves only with goThumbTracking.
    grid.ModifyScrollBar(sbVertical, SB_THUMBTRACK, 64);
    EXPECT_EQ(grid.TopRow(), 1);
    grid.SetOptions(grid.Options() | goThumbTracking);
    grid.ModifyScrollBar(sbVertical, SB_THUMBTRACK, 64);
    EXPECT_EQ(grid.TopRow(), 1 + (maxTop - 1) * 64 / 127);
    // A line step skips hidden rows.
    grid.SetTopRow(10);
    grid.SetRowHeights(11, 0);
    grid.SetRowHeights(12, -1);
    grid.ModifyScrollBar(sbVertical, SB_LINEDOWN, 0);
    EXPECT_EQ(grid.TopRow(), 13);
    // The real bar widget drives the same requests.
    grid.ScrollBarWidget(sbVertical)->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(grid.TopRow(), 1);
}

TEST_F(GridTest, ASingleWideColumnScrollsByPixelsUpToItsRightEdge)
{
    TTestGrid grid;
    grid.SetColCount(1);
    grid.SetColWidths(0, 500);
    Prepare(grid, 1, 5, 200, 150);
    ASSERT_TRUE(grid.ScrollBarShowing(sbHorizontal));
    grid.ModifyScrollBar(sbHorizontal, SB_LINEDOWN, 0);
    EXPECT_EQ(grid.ColOffset(), grid.Canvas().TextWidth(u"0"_qs));
    grid.ModifyScrollBar(sbHorizontal, SB_PAGEDOWN, 0);
    grid.ModifyScrollBar(sbHorizontal, SB_PAGEDOWN, 0);
    grid.ModifyScrollBar(sbHorizontal, SB_PAGEDOWN, 0);
    EXPECT_EQ(grid.ColOffset(), 500 - grid.ClientWidth());
    EXPECT_EQ(grid.CellRect(0, 1).Left, 0);
    EXPECT_EQ(grid.GetScrollPos(sbHorizontal), grid.ColOffset());

    // Narrowed below the client width, the column is never drawn shifted.
    grid.SetColWidths(0, 120);
    EXPECT_EQ(grid.ColOffset(), 0);
    grid.ModifyScrollBar(sbHorizontal, SB_BOTTOM, 0);
    EXPECT_EQ(grid.ColOffset(), 0);
    // Its text starts a few pixels in from the client's left edge, not shifted
    // by the room the narrow column leaves.
    grid.Cells[{0, 2}] = u"|||"_qs;
    const QImage image = GrabClient(grid);
    const TRect cell = grid.CellRect(0, 2);
    int firstInk = -1;
    for (int x = 0; x < 20 && firstInk < 0; ++x)
        for (int y = cell.Top; y < cell.Bottom && firstInk < 0; ++y)
            if (image.pixelColor(x, y).lightness() < 128)
                firstInk = x;
    EXPECT_GE(firstInk, 2);
    EXPECT_LE(firstInk, 8);
}

TEST_F(GridTest, TheWheelMovesTheCurrentRowWithinTheRegularRows)
{
    TTestGrid grid;
    Prepare(grid, 5, 6, 300, 300);
    grid.SetRow(4);
    WheelOn(grid.ClientWidget(), QPoint(50, 50), -120);
    EXPECT_EQ(grid.Row(), 5);
    WheelOn(grid.ClientWidget(), QPoint(50, 50), -240);
    EXPECT_EQ(grid.Row(), 5);
    WheelOn(grid.ClientWidget(), QPoint(50, 50), 120 * 6);
    EXPECT_EQ(grid.Row(), 1);
}
