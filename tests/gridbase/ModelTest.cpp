// Counts, extents and their errors, structure changes and the stored layout.

#include "GridTestSupport.h"

namespace {

// Runs f and returns the message of the grid error it raises.
template <class F>
QString GridError(F f)
{
    try {
        f();
    } catch (const EInvalidGridOperationMv& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

class TAdjustingGrid : public TTestGrid {
public:
    using TCustomGridMv::AdjustSize;
};

} // namespace

TEST_F(GridTest, CountAndSizeErrorsAreTheGridsAndKeepTheState)
{
    TAdjustingGrid grid;
    grid.SetColCount(0);
    EXPECT_EQ(grid.ColCount(), 1);
    EXPECT_EQ(grid.FixedCols(), 0);

    grid.SetColCount(5);
    EXPECT_EQ(GridError([&] { grid.SetFixedCols(5); }), u"Fixed column count must be less than column count"_qs);
    EXPECT_EQ(GridError([&] { grid.SetFixedRows(5); }), u"Fixed row count must be less than row count"_qs);
    EXPECT_EQ(GridError([&] { grid.SetFixedCols(-1); }), u"Grid index out of range"_qs);
    EXPECT_EQ(grid.FixedCols(), 0);

    grid.SetContraRowCount(2);
    EXPECT_EQ(GridError([&] { grid.SetContraRowCount(-1); }), u"FContraRowCount can not be negative."_qs);
    EXPECT_EQ(GridError([&] { grid.SetContraColCount(-1); }), u"FContraColCount can not be negative."_qs);
    EXPECT_EQ(grid.ContraRowCount(), 2);
    EXPECT_EQ(grid.ContraColCount(), 0);

    grid.SetRowHeights(0, 30);
    EXPECT_EQ(GridError([&] { grid.SetRowCount(0x7FFFFFF); }), u"Grid too large for operation"_qs);
    EXPECT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.RowHeights(0), 30);
    EXPECT_EQ(GridError([&] { grid.AdjustSize(3, -4, false); }), u"Too many rows or columns deleted"_qs);
    EXPECT_EQ(grid.ColCount(), 5);
}

TEST_F(GridTest, ContraCellsHaveExtentsButAreNeverCurrent)
{
    TTestGrid grid;
    grid.SetContraColCount(2);
    EXPECT_EQ(grid.FullColCount(), 7);
    grid.SetColWidths(grid.ColCount() + 1, 33);
    EXPECT_EQ(grid.ColWidths(grid.ColCount() + 1), 33);
    EXPECT_EQ(GridError([&] { grid.SetColWidths(grid.FullColCount(), 10); }), u"Grid index out of range"_qs);
    EXPECT_EQ(GridError([&] { grid.SetTabStops(grid.FullColCount(), false); }), u"Grid index out of range"_qs);
    EXPECT_EQ(GridError([&] { grid.SetCol(grid.ColCount()); }), u"Grid index out of range"_qs);
    EXPECT_EQ(GridError([&] { grid.MoveCurrent(1, -1, true, false); }), u"Grid index out of range"_qs);
    EXPECT_EQ(grid.Col(), 1);
}

TEST_F(GridTest, GrowingColumnsInFrontOfContraColumnsResetsTheWidthsFromThere)
{
    TTestGrid grid;
    grid.SetContraColCount(1);
    for (int c = 0; c < grid.FullColCount(); ++c)
        grid.SetColWidths(c, 20 + c);
    grid.SetColCount(5); // the same count: nothing happens
    EXPECT_EQ(grid.ColWidths(5), 25);
    grid.SetColCount(7);
    EXPECT_EQ(grid.FullColCount(), 8);
    EXPECT_EQ(grid.ColWidths(4), 24);
    for (int c = 5; c < 8; ++c)
        EXPECT_EQ(grid.ColWidths(c), grid.DefaultColWidth()) << c;
    grid.SetColCount(3);
    EXPECT_EQ(grid.FullColCount(), 4);
    EXPECT_EQ(grid.ColWidths(2), 22);
}

TEST_F(GridTest, ShrinkingKeepsTheCurrentCellAndFirstCellInRange)
{
    TTestGrid grid;
    grid.resize(300, 200);
    ShowActive(grid);
    grid.SetColCount(30);
    grid.SetRowCount(40);
    grid.SetLeftCol(20);
    grid.SetCol(25);
    grid.SetRow(35);
    grid.SetColCount(10);
    grid.SetRowCount(8);
    EXPECT_EQ(grid.Col(), 9);
    EXPECT_EQ(grid.Row(), 7);
    EXPECT_LE(grid.LeftCol(), 9);
    EXPECT_LE(grid.TopRow(), 7);
    EXPECT_EQ(grid.Selection(), (TGridRectMv{9, 7, 9, 7}));
}

TEST_F(GridTest, MovingAndDeletingColumnsCarriesWidthsAndTheCurrentCell)
{
    TTestGrid grid;
    grid.SetColCount(6);
    for (int c = 0; c < 6; ++c)
        grid.SetColWidths(c, 10 * (c + 1));
    grid.SetCol(2);
    grid.MoveColumn(2, 4);
    EXPECT_EQ(grid.ColWidths(4), 30);
    EXPECT_EQ(grid.ColWidths(2), 40);
    EXPECT_EQ(grid.Col(), 4);
    grid.MoveColumn(5, 1);
    EXPECT_EQ(grid.ColWidths(1), 60);
    EXPECT_EQ(grid.Col(), 5);
    grid.DeleteColumn(1);
    EXPECT_EQ(grid.ColCount(), 5);
    EXPECT_EQ(grid.ColWidths(1), 20);
    grid.SetRowHeights(1, 40);
    grid.MoveRow(1, 3);
    EXPECT_EQ(grid.RowHeights(3), 40);
    grid.DeleteRow(3);
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.RowHeights(3), grid.DefaultRowHeight());
}

TEST_F(GridTest, StoredLayoutHoldsOnlyExplicitExtentsOfTheCountedCells)
{
    TTestGrid grid;
    grid.SetContraColCount(2);
    EXPECT_TRUE(grid.StoredCellExtents().isEmpty());
    grid.SetColWidths(1, 90);
    const QVariantMap stored = grid.StoredCellExtents();
    ASSERT_TRUE(stored.contains(u"ColWidths"_qs));
    EXPECT_FALSE(stored.contains(u"RowHeights"_qs));
    const QVariantList widths = stored.value(u"ColWidths"_qs).toList();
    EXPECT_EQ(widths.size(), grid.ColCount());
    EXPECT_EQ(widths[1].toInt(), 90);

    TTestGrid same;
    same.SetContraColCount(2);
    same.SetColWidths(1, 90);
    EXPECT_TRUE(grid.StoredCellExtents(&same).isEmpty());

    TTestGrid restored;
    restored.LoadCellExtents(stored);
    EXPECT_EQ(restored.ColWidths(1), 90);
    EXPECT_EQ(restored.ColWidths(0), restored.DefaultColWidth());

    // A new default row height drops explicit heights.
    restored.SetRowHeights(2, 50);
    restored.SetDefaultRowHeight(30);
    EXPECT_EQ(restored.RowHeights(2), 30);
    EXPECT_FALSE(restored.StoredCellExtents().contains(u"RowHeights"_qs));
}
