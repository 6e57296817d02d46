// Pixels: line colours, frames, focus, the paint lock, and the contra areas,
// which stay in place while the grid scrolls and are never highlighted.

#include "GridTestSupport.h"

namespace {

QColor Palette(TTestGrid& grid, TColor color)
{
    return ToQColor(color, grid.palette());
}

void Prepare(TTestGrid& grid, int cols = 8, int rows = 30, int width = 500, int height = 300)
{
    grid.resize(width, height);
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    grid.DrawTexts = false;
    ShowActive(grid);
}

// The middle pixel of the vertical line after a cell, and of the horizontal
// line under it.
QColor VerticalLine(const QImage& image, TTestGrid& grid, int col, int row)
{
    const TRect r = grid.CellRect(col, row);
    return image.pixelColor(r.Right, (r.Top + r.Bottom) / 2);
}

QColor HorizontalLine(const QImage& image, TTestGrid& grid, int col, int row)
{
    const TRect r = grid.CellRect(col, row);
    return image.pixelColor((r.Left + r.Right) / 2, r.Bottom);
}

} // namespace

TEST_F(GridTest, LineColoursAreDerivedFromTheGridColourAndFlat)
{
    TTestGrid grid;
    Prepare(grid);
    QImage image = GrabClient(grid);
    EXPECT_EQ(VerticalLine(image, grid, 2, 2), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(HorizontalLine(image, grid, 2, 2), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(VerticalLine(image, grid, 0, 2), QColor(0, 0, 0));
    EXPECT_EQ(HorizontalLine(image, grid, 2, 0), QColor(0, 0, 0));

    grid.SetColor(clSilver);
    image = GrabClient(grid);
    EXPECT_EQ(VerticalLine(image, grid, 2, 2), QColor(0x80, 0x80, 0x80));
    grid.SetFlat(true);
    image = GrabClient(grid);
    EXPECT_EQ(VerticalLine(image, grid, 0, 2), QColor(0x80, 0x80, 0x80));

    // A colour that is set wins over the derived one.
    grid.GridLineColors()->SetBrightColor(clRed);
    image = GrabClient(grid);
    EXPECT_EQ(VerticalLine(image, grid, 2, 2), QColor(255, 0, 0));

    // A switched-off line paints its gap in the background.
    grid.SetColor(RGBColor(250, 240, 200));
    grid.SetOptions(grid.Options() & ~TGridOptionsMv(goVertLine));
    image = GrabClient(grid);
    EXPECT_EQ(VerticalLine(image, grid, 2, 2), QColor(250, 240, 200));
    EXPECT_EQ(HorizontalLine(image, grid, 2, 2), QColor(255, 0, 0));
}

TEST_F(GridTest, FixedCellsGetRaisedFramesAndFlatOnesOnlyTheirLitEdgeFrozenOnesNone)
{
    TTestGrid grid;
    Prepare(grid);
    const TRect fixed = grid.CellRect(0, 2);
    QImage image = GrabClient(grid);
    EXPECT_EQ(image.pixelColor(fixed.Left + 3, fixed.Top), Palette(grid, clBtnHighlight));
    EXPECT_EQ(image.pixelColor(fixed.Left, fixed.Top + 3), Palette(grid, clBtnHighlight));
    EXPECT_EQ(image.pixelColor(fixed.Left + 3, fixed.Bottom - 1), Palette(grid, clBtnShadow));
    EXPECT_EQ(image.pixelColor(fixed.Right - 1, fixed.Top + 3), Palette(grid, clBtnShadow));

    grid.SetFlat(true);
    image = GrabClient(grid);
    EXPECT_EQ(image.pixelColor(fixed.Left + 3, fixed.Top), Palette(grid, clBtnHighlight));
    EXPECT_EQ(image.pixelColor(fixed.Left + 3, fixed.Bottom - 1), Palette(grid, clBtnFace));
    EXPECT_EQ(image.pixelColor(fixed.Right - 1, fixed.Top + 3), Palette(grid, clBtnFace));
    grid.SetFlat(false);

    // Fixed lines on one axis only: four raised sides still, and the frame
    // reaches over the gap of the missing line.
    grid.SetOptions(grid.Options() & ~TGridOptionsMv(goFixedHorzLine));
    image = GrabClient(grid);
    const TRect vertOnly = grid.CellRect(0, 2);
    EXPECT_EQ(image.pixelColor(vertOnly.Left + 3, vertOnly.Top), Palette(grid, clBtnHighlight));
    EXPECT_EQ(image.pixelColor(vertOnly.Right - 1, vertOnly.Top + 3), Palette(grid, clBtnShadow));
    EXPECT_EQ(image.pixelColor(vertOnly.Left + 3, vertOnly.Bottom), Palette(grid, clBtnShadow));
    grid.SetOptions((grid.Options() | goFixedHorzLine) & ~TGridOptionsMv(goFixedVertLine));
    image = GrabClient(grid);
    const TRect horzOnly = grid.CellRect(0, 2);
    EXPECT_EQ(image.pixelColor(horzOnly.Left, horzOnly.Top + 3), Palette(grid, clBtnHighlight));
    EXPECT_EQ(image.pixelColor(horzOnly.Left + 3, horzOnly.Bottom - 1), Palette(grid, clBtnShadow));
    EXPECT_EQ(image.pixelColor(horzOnly.Right, horzOnly.Top + 3), Palette(grid, clBtnShadow));
    // Neither: no frame at all.
    grid.SetOptions(grid.Options() & ~TGridOptionsMv(goFixedHorzLine));
    image = GrabClient(grid);
    EXPECT_EQ(image.pixelColor(fixed.Left + 3, fixed.Top), Palette(grid, clBtnFace));

    // Frozen columns look like data, with a dark line after them.
    grid.SetOptions(grid.Options() | goFixedHorzLine | goFixedVertLine);
    grid.SetFixedCols(3);
    grid.SetFrozenCols(2);
    image = GrabClient(grid);
    const TRect frozen = grid.CellRect(1, 3);
    EXPECT_EQ(image.pixelColor(frozen.Left + 5, frozen.Top + 5), Palette(grid, clWindow));
    EXPECT_EQ(VerticalLine(image, grid, 1, 3), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(HorizontalLine(image, grid, 1, 3), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(VerticalLine(image, grid, 2, 3), QColor(0, 0, 0));
    EXPECT_EQ(VerticalLine(image, grid, 0, 3), QColor(0, 0, 0));
}

TEST_F(GridTest, NothingIsPaintedWhileThePaintLockIsHeld)
{
    TTestGrid grid;
    Prepare(grid);
    const QImage before = BackingStoreClient(grid);
    grid.LockPaint();
    grid.LockPaint();
    grid.DrawnStates.clear();
    grid.SetColWidths(1, 150);
    EXPECT_EQ(BackingStoreClient(grid), before);
    EXPECT_TRUE(grid.DrawnStates.empty());
    grid.UnlockPaint();
    grid.InvalidateGrid();
    EXPECT_EQ(BackingStoreClient(grid), before);
    grid.UnlockPaint();
    grid.UnlockPaint();
    EXPECT_EQ(grid.PaintLockCount(), 0);
    grid.InvalidateGrid();
    const QImage after = BackingStoreClient(grid);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, GrabClient(grid));
    EXPECT_FALSE(grid.DrawnStates.empty());
}

TEST_F(GridTest, TheContraRowStaysInPlaceWhileRowsScroll)
{
    TTestGrid grid;
    grid.SetContraRowCount(1);
    grid.SetContraColCount(1);
    Prepare(grid, 8, 60);
    grid.DrawTexts = true;
    FillTexts(grid);
    grid.InvalidateGrid();
    const QImage before = BackingStoreClient(grid);
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    const int contraTop = info.Vert.ContraBoundary;
    for (int step : {1, 3, 2}) {
        grid.SetTopRow(grid.TopRow() + step); // small steps move pixels
        const QImage after = BackingStoreClient(grid);
        EXPECT_EQ(after.copy(0, contraTop, after.width(), after.height() - contraTop),
                  before.copy(0, contraTop, before.width(), before.height() - contraTop));
        EXPECT_NE(after.copy(0, 30, 200, 60), before.copy(0, 30, 200, 60));
        // What the moved pixels show is what a full repaint shows.
        EXPECT_EQ(after, GrabClient(grid));
    }
    grid.SetLeftCol(3);
    grid.SetTopRow(40);
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
}

TEST_F(GridTest, ContraCellsAreNeverHighlightedOrFocused)
{
    TTestGrid grid;
    grid.SetContraRowCount(2);
    grid.SetContraColCount(1);
    grid.SetOptions(grid.Options() | goDrawFocusSelected);
    Prepare(grid, 6, 8);
    FocusOn(&grid);
    grid.MoveAnchor({5, 7}); // selection to the last regular cell
    const QImage image = GrabClient(grid);
    for (const auto& [cell, state] : grid.DrawnStates) {
        if (cell.first >= grid.ColCount() || cell.second >= grid.RowCount()) {
            EXPECT_FALSE(state.testFlag(gdSelected)) << cell.first << "," << cell.second;
            EXPECT_FALSE(state.testFlag(gdFocused)) << cell.first << "," << cell.second;
        }
    }
    EXPECT_TRUE(grid.DrawnStates.at({3, 4}).testFlag(gdSelected));
    const QPoint contra = Centre(grid.CellRect(3, 8));
    EXPECT_EQ(image.pixelColor(contra.x(), contra.y()), Palette(grid, clWindow));
    const QPoint selected = Centre(grid.CellRect(3, 4));
    EXPECT_EQ(image.pixelColor(selected.x(), selected.y()), Palette(grid, clHighlight));
}

TEST_F(GridTest, ContraLinesSitExactlyWhereHitTestsPutThem)
{
    for (int lineWidth : {1, 2, 3}) {
        TTestGrid grid;
        grid.SetContraRowCount(1);
        grid.SetContraColCount(1);
        grid.SetGridLineWidth(lineWidth);
        grid.GridLineColors()->SetContraVertLineColor(clRed);
        grid.GridLineColors()->SetContraHorzLineColor(clBlue);
        Prepare(grid, 20, 40);
        const QImage image = GrabClient(grid);
        TGridDrawInfoMv info;
        grid.CalcDrawInfo(info);
        const int y = Centre(grid.CellRect(0, 3)).y();
        const int cb = info.Horz.ContraBoundary;
        for (int x = cb; x < cb + lineWidth; ++x)
            EXPECT_EQ(image.pixelColor(x, y), QColor(255, 0, 0)) << lineWidth << " x " << x;
        EXPECT_EQ(image.pixelColor(cb + lineWidth, y), Palette(grid, clWindow)) << lineWidth;
        const int x = Centre(grid.CellRect(3, 0)).x();
        const int rb = info.Vert.ContraBoundary;
        for (int yy = rb; yy < rb + lineWidth; ++yy)
            EXPECT_EQ(image.pixelColor(x, yy), QColor(0, 0, 255)) << lineWidth << " y " << yy;
        EXPECT_EQ(image.pixelColor(x, rb + lineWidth), Palette(grid, clWindow)) << lineWidth;
        // The last lines end at the client edge.
        EXPECT_EQ(image.pixelColor(grid.ClientWidth() - 1, y), QColor(0xC0, 0xC0, 0xC0)) << lineWidth;
        EXPECT_EQ(image.pixelColor(x, grid.ClientHeight() - 1), QColor(0xC0, 0xC0, 0xC0)) << lineWidth;
    }
}

TEST_F(GridTest, RowSelectFramesTheWholeRowNotTheCell)
{
    TTestGrid grid;
    grid.SetOptions(grid.Options() | goRowSelect);
    Prepare(grid, 5, 10);
    FocusOn(&grid);
    grid.SetRow(3);
    const QImage image = GrabClient(grid);
    const TRect row = grid.BoxRect(1, 3, 4, 3);
    int dots = 0;
    for (int x = row.Left; x < row.Right; ++x)
        dots += image.pixelColor(x, row.Top) != Palette(grid, clHighlight) ? 1 : 0;
    EXPECT_GE(dots, row.Width() / 2 - 1);
    // No dotted frame around the single current cell inside the row.
    const TRect cell = grid.CellRect(1, 3);
    EXPECT_EQ(image.pixelColor(cell.Right - 1, (cell.Top + cell.Bottom) / 2), Palette(grid, clHighlight));
    EXPECT_EQ(image.pixelColor(cell.Right - 2, (cell.Top + cell.Bottom) / 2 + 1), Palette(grid, clHighlight));
}

TEST_F(GridTest, InvalidatingAColumnRepaintsItsCellsInScrolledRows)
{
    TTestGrid grid;
    Prepare(grid, 8, 100);
    grid.SetTopRow(40);
    QCoreApplication::processEvents();
    grid.DrawnStates.clear();
    grid.InvalidateCol(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.DrawnStates.count({3, 0}), 1u);
    EXPECT_EQ(grid.DrawnStates.count({3, 41}), 1u);
    EXPECT_EQ(grid.DrawnStates.count({3, 40 + grid.VisibleRowCount() - 1}), 1u);
    EXPECT_EQ(grid.DrawnStates.count({6, 41}), 0u);
}
