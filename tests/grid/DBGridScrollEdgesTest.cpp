// The edges of the scrolling area over a real database: the first column
// the horizontal bar can reach when hidden columns end the grid, and the
// line in front of the contra columns.

#include "GridDbTestSupport.h"

#include <QScrollBar>

TEST_F(DBGridDbTest, HiddenLastColumnsAreNeverTheFirstColumnShown)
{
    // Only the wide alias column shows; the hidden SKU column before it
    // joins the fixed ones, the hidden ones after it end the grid.
    Column("SkuID")->SetVisible(false);
    Column("Price")->SetVisible(false);
    Column("Qty")->SetVisible(false);
    Column("PropAlias")->SetWidth(600);
    Show(400, 200);
    const int alias = Grid->DataToRawColumn(Column("PropAlias")->Index());
    ASSERT_EQ(Grid->FixedCols(), alias);
    EXPECT_FALSE(Grid->ScrollBarShowing(sbHorizontal)) << "nothing to scroll to";
    EXPECT_EQ(Grid->LeftCol(), alias);

    // With a narrow column in front, the bar shows; its end makes the wide
    // column the first shown, not a hidden one, and its cells are there.
    Column("SkuID")->SetVisible(true);
    Column("SkuID")->SetWidth(100);
    ASSERT_TRUE(Grid->ScrollBarShowing(sbHorizontal));
    Grid->ScrollBarWidget(sbHorizontal)->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Grid->LeftCol(), alias);
    EXPECT_FALSE(DataCell(*Grid, Column("PropAlias")->Index(), 0).IsEmpty());
    EXPECT_EQ(Grid->GetScrollPos(sbHorizontal), 127);
    EXPECT_TRUE(HasInk(Grab(), DataCell(*Grid, Column("PropAlias")->Index(), 1)));
}

TEST_F(DBGridDbTest, TheLineInFrontOfTheContraColumnsHitsTheColumnItCuts)
{
    Column("SkuID")->SetWidth(60);
    Column("PropAlias")->SetWidth(250);
    Column("Price")->SetWidth(60);
    Column("Qty")->SetWidth(80);
    Grid->SetContraColCount(1);
    Show(400, 200);
    TGridDrawInfoMv info;
    Grid->CalcDrawInfo(info);
    ASSERT_EQ(info.Horz.EffectiveLineWidth, 1);
    const TRect alias = DataCell(*Grid, Column("PropAlias")->Index(), 1);
    ASSERT_EQ(alias.Right, info.Horz.ContraBoundary) << "the alias column is cut by the contra area";
    const int y = Centre(alias).y();
    EXPECT_EQ(Grid->MouseCoord(info.Horz.ContraBoundary, y).X, Grid->DataToRawColumn(Column("PropAlias")->Index()));
    EXPECT_EQ(Grid->MouseCoord(info.Horz.ContraStart(), y).X, Grid->DataToRawColumn(Column("Qty")->Index()));

    // A click on that line picks the cut column and the row.
    ClickAt(*Grid, QPoint(info.Horz.ContraBoundary, y));
    EXPECT_EQ(Grid->SelectedColumn(), Column("PropAlias"));
    EXPECT_EQ(Query->RecNo(), 2);
}
