// Sizing and moving columns and rows with the mouse, selecting, and the
// auto-scroll while a selection is dragged outside the data.

#include "GridTestSupport.h"

#include <QCursor>

namespace {

void Prepare(TTestGrid& grid, int cols, int rows, int width = 500, int height = 300)
{
    grid.resize(width, height);
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    grid.SetOptions(grid.Options() | goColSizing | goRowSizing);
    FocusOn(&grid);
}

// Drags from one client point to another with the left button.
void Drag(TTestGrid& grid, QPoint from, QPoint to)
{
    MousePress(grid, from);
    MouseMove(grid, to);
    MouseRelease(grid, to);
}

// The x of the line after a column (its first pixel).
int LineAfter(TTestGrid& grid, int col)
{
    return grid.CellRect(col, 0).Right;
}

} // namespace

TEST_F(GridTest, ALineIsGrabbedThreePixelsEitherSidePaintedAndDraggedUnlessTinyOrCancelledAndATitleMovesItsColumn)
{
    TTestGrid grid;
    Prepare(grid, 6, 5);
    const int line = LineAfter(grid, 2);
    for (int dx = -3; dx <= 3; ++dx)
        EXPECT_TRUE(grid.Sizing(line + dx, 5)) << dx;
    EXPECT_FALSE(grid.Sizing(line - 4, 5));
    EXPECT_FALSE(grid.Sizing(line + 4, 5));
    // Columns size from the fixed rows only; rows from the fixed columns.
    EXPECT_FALSE(grid.Sizing(line, 40));
    const int rowLine = grid.CellRect(0, 1).Bottom;
    EXPECT_TRUE(grid.Sizing(10, rowLine));
    EXPECT_FALSE(grid.Sizing(100, rowLine));
    grid.ClientWidget()->setCursor(Qt::ArrowCursor);
    MouseMove(grid, QPoint(line + 1, 5), Qt::NoButton);
    EXPECT_EQ(grid.ClientWidget()->cursor().shape(), Qt::SplitHCursor);
    MouseMove(grid, QPoint(10, rowLine), Qt::NoButton);
    EXPECT_EQ(grid.ClientWidget()->cursor().shape(), Qt::SplitVCursor);

    Drag(grid, QPoint(line + 2, 5), QPoint(line + 22, 5));
    EXPECT_EQ(grid.ColWidths(2), 84);
    EXPECT_EQ(grid.GridState(), gsNormal);
    // A click in the grab zone that does not move changes nothing.
    const int moved = LineAfter(grid, 2);
    Drag(grid, QPoint(moved - 3, 5), QPoint(moved - 3, 5));
    EXPECT_EQ(grid.ColWidths(2), 84);
    // A drag that would leave less than 2 pixels leaves the width alone.
    const int left = grid.CellRect(2, 0).Left;
    Drag(grid, QPoint(moved, 5), QPoint(left + 1, 5));
    EXPECT_EQ(grid.ColWidths(2), 84);
    Drag(grid, QPoint(moved, 5), QPoint(left + 2, 5));
    EXPECT_EQ(grid.ColWidths(2), 2);
    // Rows alike, from the fixed column.
    Drag(grid, QPoint(10, rowLine), QPoint(10, rowLine + 10));
    EXPECT_EQ(grid.RowHeights(1), 34);
    // Cancel mode ends a drag without applying it.
    const int line3 = LineAfter(grid, 3);
    MousePress(grid, QPoint(line3, 5));
    MouseMove(grid, QPoint(line3 + 30, 5));
    grid.SendCancelMode();
    EXPECT_EQ(grid.GridState(), gsNormal);
    MouseRelease(grid, QPoint(line3 + 30, 5));
    EXPECT_EQ(grid.ColWidths(3), 64);

    // The sizing line is painted while dragging and gone afterwards.
    const int line1 = LineAfter(grid, 1);
    MousePress(grid, QPoint(line1, 5));
    MouseMove(grid, QPoint(line1 + 40, 5));
    EXPECT_EQ(grid.GridState(), gsColSizing);
    // A dotted vertical line through the data rows, where no line was.
    QImage image = BackingStoreClient(grid);
    int dark = 0;
    for (int y = 60; y < 120; ++y)
        dark += image.pixelColor(line1 + 40, y).lightness() < 100 ? 1 : 0;
    EXPECT_GE(dark, 20);
    MouseRelease(grid, QPoint(line1 + 40, 5));
    image = BackingStoreClient(grid);
    dark = 0;
    const int x = grid.CellRect(1, 0).Right + 1; // inside the next column now
    for (int y = 60; y < 120; ++y)
        dark += image.pixelColor(x + 38, y).lightness() < 100 ? 1 : 0;
    EXPECT_EQ(dark, 0);


    // A title dragged with column moving on moves its column.
    grid.SetOptions(grid.Options() | goColMoving);
    grid.SetColWidths(2, 40);
    const QPoint from = Centre(grid.CellRect(2, 0));
    MousePress(grid, from);
    EXPECT_EQ(grid.GridState(), gsColMoving);
    // In the title row the target follows the pointer on the timer's ticks.
    MouseMove(grid, Centre(grid.CellRect(4, 0)));
    grid.WMTimer(1);
    MouseRelease(grid, Centre(grid.CellRect(4, 0)));
    EXPECT_EQ(grid.ColWidths(4), 40);
    EXPECT_EQ(grid.ColWidths(2), 64);
    EXPECT_EQ(grid.GridState(), gsNormal);
    EXPECT_FALSE(grid.TimerActive(1));
}

TEST_F(GridTest, ContraColumnsSizeFromTheLineInFrontOfThem)
{
    TTestGrid grid;
    grid.SetContraColCount(2);
    Prepare(grid, 4, 5, 600, 300);
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    // The line in front of the contra area sizes the first contra column.
    TGridStateMv state = gsNormal;
    int index = 0, pos = 0, ofs = 0;
    grid.CalcSizingState(info.Horz.ContraBoundary + 1, 5, state, index, pos, ofs, info);
    EXPECT_EQ(state, gsColSizing);
    EXPECT_EQ(index, 4);
    // Dragging the line between the two contra columns to the left widens
    // the second one, which grows toward the near side.
    const int between = grid.CellRect(4, 0).Right;
    Drag(grid, QPoint(between, 5), QPoint(between - 30, 5));
    EXPECT_EQ(grid.ColWidths(5), 94);
    EXPECT_EQ(grid.ColWidths(4), 64);
    // It still ends at the client edge.
    EXPECT_EQ(grid.CellRect(5, 0).Right + 1, grid.ClientWidth());
    // The first contra column, from its line, to the right narrows it.
    grid.CalcDrawInfo(info);
    const int front = info.Horz.ContraBoundary;
    Drag(grid, QPoint(front, 5), QPoint(front + 20, 5));
    EXPECT_EQ(grid.ColWidths(4), 44);
}

TEST_F(GridTest, SizingAtTheEdgeOfAnExactFitAddressesOnlyRealColumns)
{
    TTestGrid grid;
    grid.SetScrollBars(ssNone);
    grid.SetContraColCount(1);
    grid.SetGridLineWidth(8);
    // Columns of 64 + 8: the fixed and four regular columns end exactly where
    // the contra area begins (440 - 72 - 8 = 360), and a line this wide has
    // no grab zone beyond its own end.
    grid.resize(440 + 4, 200);
    grid.SetOptions(grid.Options() | goColSizing);
    FocusOn(&grid);
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    ASSERT_EQ(info.Horz.GridBoundary, 360);
    ASSERT_EQ(info.Horz.GridExtent, 360);
    TGridStateMv state = gsNormal;
    int index = -1, pos = 0, ofs = 0;
    grid.CalcSizingState(360, 5, state, index, pos, ofs, info);
    ASSERT_EQ(state, gsColSizing);
    EXPECT_EQ(index, grid.ColCount() - 1) << "the last regular column, not the one after it";
    Drag(grid, QPoint(360, 5), QPoint(350, 5));
    EXPECT_EQ(grid.ColWidths(5), 64) << "the contra column is not touched";
    EXPECT_EQ(grid.ColWidths(4), 350 - 4 * 72);
}

TEST_F(GridTest, DraggingSelectsARangeAndTheTimerScrollsBeyondTheEdge)
{
    TTestGrid grid;
    Prepare(grid, 20, 60, 400, 300);
    MousePress(grid, Centre(grid.CellRect(2, 2)));
    EXPECT_EQ(grid.GridState(), gsSelecting);
    EXPECT_TRUE(grid.TimerActive(1));
    MouseMove(grid, Centre(grid.CellRect(4, 5)));
    EXPECT_EQ(grid.Selection(), (TGridRectMv{2, 2, 4, 5}));
    // Below the last full row: each tick moves the anchor one row on and
    // scrolls it into view.
    MouseMove(grid, QPoint(100, grid.ClientHeight() - 1));
    const int anchorRow = grid.Selection().Bottom;
    grid.WMTimer(1);
    grid.WMTimer(1);
    EXPECT_EQ(grid.Selection().Bottom, anchorRow + 2);
    EXPECT_GT(grid.TopRow(), 1);
    MouseRelease(grid, QPoint(100, grid.ClientHeight() - 1));
    EXPECT_FALSE(grid.TimerActive(1));
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.Row(), 2);
    // Shift+click extends from the current cell.
    MousePress(grid, Centre(grid.CellRect(5, grid.TopRow() + 1)), Qt::ShiftModifier);
    MouseRelease(grid, Centre(grid.CellRect(5, grid.TopRow() + 1)));
    EXPECT_EQ(grid.Selection(), (TGridRectMv{2, 2, 5, grid.TopRow() + 1}));
}
