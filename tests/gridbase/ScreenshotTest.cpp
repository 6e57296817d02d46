// Renders a base grid with fixed, frozen and contra cells, scrolled, with an
// open editor, to a PNG file for a person to look at.

#include "GridTestSupport.h"

TEST_F(GridTest, RendersFixedFrozenContraScrolledWithEditorToPng)
{
    TTestGrid grid;
    grid.resize(720, 400);
    grid.SetColCount(16);
    grid.SetRowCount(60);
    grid.SetFixedCols(3);
    grid.SetFrozenCols(2);
    grid.SetContraColCount(1);
    grid.SetContraRowCount(2);
    grid.SetOptions(grid.Options() | goEditing | goColSizing | goRowSizing);
    for (int c = 0; c < grid.FullColCount(); ++c)
        grid.SetColWidths(c, 56 + (c % 3) * 10);
    grid.SetColWidths(0, 40);
    FillTexts(grid);
    for (int c = 0; c < grid.FullColCount(); ++c)
        grid.Cells[{c, 0}] = c >= grid.ColCount() ? QStringLiteral("合计") : QStringLiteral("列%1").arg(c);
    for (int r = 1; r < grid.FullRowCount(); ++r)
        grid.Cells[{0, r}] = r >= grid.RowCount() ? QStringLiteral("Σ%1").arg(r - grid.RowCount() + 1)
                                                  : QString::number(r);
    FocusOn(&grid);
    grid.SetLeftCol(6);
    grid.SetTopRow(20);
    grid.SetCol(8);
    grid.SetRow(24);
    grid.MoveAnchor({9, 25});
    grid.SetCol(7);
    grid.SetRow(23);
    PressKey(Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    TypeText(QStringLiteral("yz"));

    ASSERT_TRUE(grid.InplaceEditor() && grid.InplaceEditor()->isVisible());
    EXPECT_EQ(grid.InplaceEditor()->text(), QStringLiteral("xyz"));
    EXPECT_EQ(grid.Text(7, 23), QStringLiteral("xyz"));

    SaveScreenshot(grid.grab().toImage(), QStringLiteral("grid-base.png"));
}
