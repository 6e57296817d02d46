// The key table: where the current cell and the first shown cell go.

#include "GridTestSupport.h"

namespace {

void Prepare(TTestGrid& grid, int cols, int rows)
{
    grid.resize(400, 300);
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    FocusOn(&grid);
}

} // namespace

TEST_F(GridTest, CtrlEndGoesToTheLastRegularCellNeverIntoContraCells)
{
    TTestGrid grid;
    grid.SetContraColCount(2);
    grid.SetContraRowCount(3);
    Prepare(grid, 12, 40);
    PressKey(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.Col(), 11);
    EXPECT_EQ(grid.Row(), 39);
    // The cell was scrolled into view, left of the contra columns.
    const TRect cell = grid.CellRect(11, 39);
    ASSERT_FALSE(cell.IsEmpty());
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    EXPECT_LE(cell.Right, info.Horz.ContraBoundary);
    EXPECT_LE(cell.Bottom, info.Vert.ContraBoundary);
    PressKey(Qt::Key_Right);
    PressKey(Qt::Key_Down);
    EXPECT_EQ(grid.Col(), 11);
    EXPECT_EQ(grid.Row(), 39);
    PressKey(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.LeftCol(), 1);
    EXPECT_EQ(grid.TopRow(), 1);
    // Shift with the arrows extends the selection.
    PressKey(Qt::Key_Right, Qt::ShiftModifier);
    PressKey(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid.Selection(), (TGridRectMv{1, 1, 2, 2}));
    PressKey(Qt::Key_Right);
    EXPECT_EQ(grid.Selection(), (TGridRectMv{3, 2, 3, 2}));
}

TEST_F(GridTest, TabWalksTabStopsWrapsAndEndsWithEveryStopOff)
{
    TTestGrid grid;
    grid.SetOptions(grid.Options() | goTabs);
    Prepare(grid, 5, 3);
    grid.SetTabStops(2, false);
    grid.SetTabStops(3, false);
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(grid.Col(), 4);
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.Row(), 2);
    PressKey(Qt::Key_Tab);
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.Row(), 1) << "past the last cell of the last row to the first";

    // Shift+Tab goes backwards on every step, also past the columns whose
    // tab stop is off; its Shift grows no selection, the anchor goes along.
    grid.SetCol(4);
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Selection(), (TGridRectMv{1, 1, 1, 1}));
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.Col(), 4);
    EXPECT_EQ(grid.Row(), 2);

    // With every stop off Tab keeps the column, and ends also in a frozen
    // column it can never come back to.
    const auto stopsOff = [&] {
        for (int c = 0; c < 5; ++c)
            grid.SetTabStops(c, false);
    };
    stopsOff();
    grid.SetCol(2);
    PressKey(Qt::Key_Tab);
    EXPECT_EQ(grid.Col(), 2);
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.Col(), 2);
    grid.SetFixedCols(3);
    grid.SetFrozenCols(2);
    stopsOff();
    grid.SetCol(1);
    PressKey(Qt::Key_Tab);
    EXPECT_GE(grid.Col(), 1);
    EXPECT_LT(grid.Col(), 5);
}

TEST_F(GridTest, HomeGoesToTheFirstRegularColumnAndLeftEntersTheFrozenOnes)
{
    TTestGrid grid;
    Prepare(grid, 10, 5);
    grid.SetFixedCols(3);
    grid.SetFrozenCols(2);
    grid.SetCol(7);
    PressKey(Qt::Key_Home);
    EXPECT_EQ(grid.Col(), 3);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 2);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 1);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 1) << "the non-frozen fixed column is never current";
    PressKey(Qt::Key_End);
    EXPECT_EQ(grid.Col(), 9);
}

TEST_F(GridTest, PageKeysMoveTheCurrentRowAndTheFirstRowTogether)
{
    TTestGrid grid;
    Prepare(grid, 4, 100);
    const int page = grid.VisibleRowCount() - 1;
    PressKey(Qt::Key_PageDown);
    EXPECT_EQ(grid.Row(), 1 + page);
    EXPECT_EQ(grid.TopRow(), 1 + page);
    PressKey(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), grid.TopRow() + grid.VisibleRowCount() - 1);
    PressKey(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), grid.TopRow());
    PressKey(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(grid.TopRow(), 2 + page);
    EXPECT_EQ(grid.Row(), 1 + page) << "Ctrl+Down scrolls without moving the current cell";
}
