// Where cells lie on screen: cell rectangles, hit tests and line positions
// over random layouts, and the rules at the contra edges.

#include "GridTestSupport.h"

#include <QRandomGenerator>

namespace {

// A random grid, scrolled to a random first cell: widths and heights from
// hidden (-1, 0) to wide, any part counts.
void RandomLayout(QRandomGenerator& rng, TTestGrid& grid)
{
    const int cols = rng.bounded(2, 30);
    const int rows = rng.bounded(2, 40);
    const int fixedCols = rng.bounded(0, std::min(4, cols));
    const int fixedRows = rng.bounded(0, std::min(3, rows));
    const int frozen = rng.bounded(0, fixedCols + 1);
    const int contraCols = rng.bounded(0, 4);
    const int contraRows = rng.bounded(0, 4);
    const int lineWidth = rng.bounded(0, 4);
    const int width = rng.bounded(150, 700);
    grid.resize(width, rng.bounded(120, 500));
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    grid.SetFixedCols(fixedCols);
    grid.SetFixedRows(fixedRows);
    grid.SetFrozenCols(frozen);
    grid.SetContraColCount(contraCols);
    grid.SetContraRowCount(contraRows);
    if (lineWidth == 0)
        grid.SetOptions(grid.Options() & ~TGridOptionsMv(goFixedVertLine | goVertLine | goFixedHorzLine | goHorzLine));
    else
        grid.SetGridLineWidth(lineWidth);
    for (int c = 0; c < grid.FullColCount(); ++c) {
        const int pick = rng.bounded(10);
        grid.SetColWidths(c, pick == 0 ? -1 : pick == 1 ? 0 : rng.bounded(1, 90));
    }
    for (int r = 0; r < grid.FullRowCount(); ++r) {
        const int pick = rng.bounded(12);
        grid.SetRowHeights(r, pick == 0 ? -1 : pick == 1 ? 0 : rng.bounded(1, 40));
    }
    grid.MoveTopLeft(rng.bounded(fixedCols, cols), rng.bounded(fixedRows, rows));
}

// Every shown cell's centre hits back to its cell.
void CheckHitTests(TTestGrid& grid)
{
    int checked = 0;
    for (int r = 0; r < grid.FullRowCount(); ++r) {
        for (int c = 0; c < grid.FullColCount(); ++c) {
            const TRect rect = grid.CellRect(c, r);
            if (rect.IsEmpty())
                continue;
            // Cells are clipped where the client or the contra area ends.
            EXPECT_LE(rect.Right, grid.ClientWidth());
            EXPECT_LE(rect.Bottom, grid.ClientHeight());
            const TGridCoordMv hit = grid.MouseCoord(Centre(rect).x(), Centre(rect).y());
            EXPECT_EQ(hit.X, c) << "row " << r << " col " << c;
            EXPECT_EQ(hit.Y, r) << "row " << r << " col " << c;
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

// Contra cells end exactly at the client edge whatever the scroll.
void CheckContraEdges(TTestGrid& grid)
{
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    const int lastCol = grid.FullColCount() - 1;
    const int lastRow = grid.FullRowCount() - 1;
    if (grid.ContraColCount() > 0 && grid.ColWidths(lastCol) > 0) {
        // The last contra line ends at the client edge.
        const TRect last = grid.CellRect(lastCol, grid.FixedRows() > 0 ? 0 : grid.TopRow());
        if (!last.IsEmpty()) {
            EXPECT_EQ(last.Right + info.Horz.EffectiveLineWidth, grid.ClientWidth());
        }
        // The first visible contra column starts right after the line in
        // front of the contra area. The line's first pixel belongs to the
        // regular column that the contra area cuts off (none when no
        // regular column reaches it), the rest of it to that contra column.
        int first = grid.ColCount();
        while (first < lastCol && grid.ColWidths(first) <= 0)
            ++first;
        const TRect firstRect = grid.CellRect(first, grid.FixedRows() > 0 ? 0 : grid.TopRow());
        if (!firstRect.IsEmpty()) {
            EXPECT_EQ(firstRect.Left, info.Horz.ContraBoundary + info.Horz.EffectiveLineWidth);
        }
        if (info.Horz.EffectiveLineWidth > 0 && info.Horz.ContraBoundary >= info.Horz.FixedBoundary) {
            const int cut = grid.CalcCoordFromPoint(info.Horz.ContraBoundary, 0, info).X;
            if (cut != -1) {
                EXPECT_GE(cut, grid.LeftCol());
                EXPECT_LT(cut, grid.ColCount());
                EXPECT_LE(grid.CellRect(cut, grid.FixedRows() > 0 ? 0 : grid.TopRow()).Left,
                          info.Horz.ContraBoundary);
            }
        }
        for (int x = info.Horz.ContraBoundary + 1; x < info.Horz.ContraStart(); ++x)
            EXPECT_EQ(grid.CalcCoordFromPoint(x, 0, info).X, first);
        if (info.Horz.ContraStart() < grid.ClientWidth()) {
            EXPECT_GE(grid.CalcCoordFromPoint(info.Horz.ContraStart(), 0, info).X, grid.ColCount());
        }
    }
    if (grid.ContraRowCount() > 0 && grid.RowHeights(lastRow) > 0) {
        const TRect last = grid.CellRect(grid.FixedCols() > 0 ? 0 : grid.LeftCol(), lastRow);
        if (!last.IsEmpty()) {
            EXPECT_EQ(last.Bottom + info.Vert.EffectiveLineWidth, grid.ClientHeight());
        }
        // A point inside the last contra row is a row at or beyond RowCount.
        const int y = grid.ClientHeight() - info.Vert.EffectiveLineWidth - 1;
        if (y >= info.Vert.ContraStart()) {
            EXPECT_GE(grid.CalcCoordFromPoint(0, y, info).Y, grid.RowCount());
        }
    }
}

} // namespace

TEST_F(GridTest, RandomLayoutsHitTestBackToTheirCellsAndEndAtTheClientEdge)
{
    for (const auto& [seed, rounds] : {std::pair{20240607u, 60}, std::pair{77u, 40}}) {
        QRandomGenerator rng(seed);
        for (int round = 0; round < rounds; ++round) {
            TTestGrid grid;
            grid.SetScrollBars(ssNone);
            ShowActive(grid);
            RandomLayout(rng, grid);
            SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round);
            CheckHitTests(grid);
            CheckContraEdges(grid);
        }
    }
}

TEST_F(GridTest, HiddenColumnsTakeNoPixelsAndNegativeIndicesGiveDefaults)
{
    TTestGrid grid;
    grid.resize(400, 200);
    ShowActive(grid);
    grid.SetColWidths(2, -1);
    grid.SetColWidths(3, 0);
    const TRect one = grid.CellRect(1, 1);
    const TRect four = grid.CellRect(4, 1);
    EXPECT_TRUE(grid.CellRect(2, 1).IsEmpty());
    EXPECT_TRUE(grid.CellRect(3, 1).IsEmpty());
    // Column 4 follows column 1 and its line directly.
    EXPECT_EQ(four.Left, one.Right + grid.GridLineWidth());
    for (int x = 0; x < grid.ClientWidth(); ++x) {
        const int col = grid.MouseCoord(x, 30).X;
        EXPECT_NE(col, 2);
        EXPECT_NE(col, 3);
    }
    EXPECT_EQ(grid.ColWidths(-1), grid.DefaultColWidth());
    EXPECT_EQ(grid.RowHeights(-5), grid.DefaultRowHeight());
    // Painting over hidden columns draws none of them.
    grid.DrawnStates.clear();
    (void)GrabClient(grid);
    EXPECT_EQ(grid.DrawnStates.count({2, 1}), 0u);
    EXPECT_EQ(grid.DrawnStates.count({4, 1}), 1u);
}

TEST_F(GridTest, AGridNotYetShownMeasuresItsOwnSizeAndKeepsFrozenColumnsWithinTheFixedOnes)
{
    TTestGrid grid;
    grid.SetScrollBars(ssNone);
    grid.resize(300, 200);
    EXPECT_FALSE(grid.HandleAllocated());
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    EXPECT_EQ(info.Horz.ClientExtent, 300 - 4);
    EXPECT_EQ(info.Vert.ClientExtent, 200 - 4);
    // Four columns of 64 + 1 fit in 296 pixels, the fifth does not.
    EXPECT_EQ(info.Horz.LastFullVisibleCell, 3);

    grid.SetFixedCols(2);
    grid.SetFrozenCols(5);
    EXPECT_EQ(grid.FrozenCols(), 2);
    grid.SetFrozenCols(-3);
    EXPECT_EQ(grid.FrozenCols(), 0);
    // Set before the fixed columns grow, it takes effect when they do.
    grid.SetFrozenCols(3);
    EXPECT_EQ(grid.FrozenCols(), 2);
    grid.SetColCount(8);
    grid.SetFixedCols(4);
    EXPECT_EQ(grid.FrozenCols(), 3);
    grid.CalcDrawInfo(info);
    EXPECT_EQ(info.Horz.FrozenStart, info.Horz.Advance(0));
}

TEST_F(GridTest, TheLargestFirstCellWalksOverHiddenCellsAndIsNeverOne)
{
    TTestGrid grid;
    grid.SetScrollBars(ssNone);
    grid.resize(304, 200); // 300 pixels of client
    ShowActive(grid);
    grid.SetColCount(6);
    const auto maxLeft = [&grid](int col) {
        TGridDrawInfoMv info;
        grid.CalcDrawInfo(info);
        return grid.CalcMaxTopLeft({col, grid.FixedRows()}, info).X;
    };
    // 64 + 1 each: three columns fit behind the fixed one; a hidden one
    // takes no room.
    EXPECT_EQ(maxLeft(5), 3);
    grid.SetColWidths(4, -1);
    EXPECT_EQ(maxLeft(5), 2);
    // A hidden last column is walked over: the answer is the last cell that
    // fits, not the hidden one.
    grid.SetColWidths(5, 0);
    EXPECT_EQ(maxLeft(5), 1);
    // Not even the given cell fits: it is the answer, unless it is hidden;
    // then the cell where the walk stopped.
    grid.SetColWidths(3, 400);
    EXPECT_EQ(maxLeft(3), 3);
    EXPECT_EQ(maxLeft(5), 3);
    grid.SetColWidths(2, 0);
    grid.SetColWidths(1, -1);
    EXPECT_EQ(maxLeft(2), 2) << "nothing but hidden cells: the given one";
}
