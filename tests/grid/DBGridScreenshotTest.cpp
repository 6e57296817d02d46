// Renders a dataset grid over a real client dataset (indicator, titles on
// two levels with a sort marker, a footer with a sum and a count, a check-box
// column, the current row highlighted) to a PNG for a person to look at.

#include "DBGridTestSupport.h"

TEST_F(DBGridTest, RendersTitlesFootersCheckBoxesAndHighlightedRowToPng)
{
    auto data = MakeItems(12);
    Grid->SetUseMultiTitle(true);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghRowHighlight);
    Grid->SetFooterRowCount(1);
    Grid->SumList().SetActive(true);
    Bind(*data);
    Show(560, 300);

    TColumnMv* code = Grid->GetColumnByFieldName(QStringLiteral("Code"));
    TColumnMv* title = Grid->GetColumnByFieldName(QStringLiteral("Title"));
    TColumnMv* qty = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    TColumnMv* price = Grid->GetColumnByFieldName(QStringLiteral("Price"));
    TColumnMv* flag = Grid->GetColumnByFieldName(QStringLiteral("Flag"));
    code->Title().SetCaption(QStringLiteral("商品|编码"));
    title->Title().SetCaption(QStringLiteral("商品|名称"));
    qty->Title().SetCaption(QStringLiteral("库存|数量"));
    price->Title().SetCaption(QStringLiteral("库存|单价"));
    flag->Title().SetCaption(QStringLiteral("启用"));
    code->Footer().SetValueType(fvtCount);
    code->Footer().SetDisplayFormat(QStringLiteral("#行"));
    qty->Footer().SetValueType(fvtSum);
    price->Footer().SetValueType(fvtSum);
    const TStringList keys(QStringList{QStringLiteral("1"), QStringLiteral("0")});
    flag->SetKeyList(&keys);
    flag->SetCheckboxes(true);
    flag->SetWidth(40);
    qty->Title().SetSortMarker(smDownMv);
    data->MoveBy(3);
    Focus();

    const QImage image = Grid->grab().toImage();
    ASSERT_TRUE(SaveScreenshot(image, QStringLiteral("dbgrid.png")));
}

TEST_F(DBGridTest, RendersFlatGridWithButtonsAndVerticalTitleToPng)
{
    auto data = MakeItems(8);
    Grid->SetFlat(true);
    Grid->SetTitleLines(3);
    Grid->SetFooterRowCount(1);
    Grid->SetFooterColor(clInfoBk);
    Bind(*data);
    Show(520, 240);
    TColumnMv* title = Grid->GetColumnByFieldName(QStringLiteral("Title"));
    const TStringList picks(QStringList{QStringLiteral("Item 1"), QStringLiteral("Item 2")});
    title->SetPickList(&picks);
    title->SetAlwaysShowEditButton(true);
    TEditButtonMv* extra = title->EditButtons().Add();
    extra->SetStyle(ebsEllipsisMv);
    extra->SetVisible(true);
    TColumnMv* qty = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    qty->Title().SetOrientation(tohVertical);
    qty->Footer().SetValueType(fvtStaticText);
    qty->Footer().SetValue(QStringLiteral("合计"));
    qty->Footer().SetAlignment(taCenter);
    Grid->GetColumnByFieldName(QStringLiteral("Code"))->Title().SetSortMarker(smUpMv);
    Grid->SetEvenRowColor(RGBColor(240, 248, 255));

    const QImage image = Grid->grab().toImage();
    ASSERT_TRUE(SaveScreenshot(image, QStringLiteral("dbgrid-flat.png")));
    // The buttons stand at the right of every Title cell.
    const TRect cell = Grid->CellRect(Grid->DataToRawColumn(title->Index()), Grid->TitleRowCount());
    EXPECT_NE(image.pixelColor(cell.Right - 3, cell.Top + 3), image.pixelColor(cell.Left + 60, cell.Bottom - 3));
}

TEST_F(DBGridTest, RendersARectangleSelectionToPng)
{
    auto data = MakeItems(12);
    Grid->SetOptions(Grid->Options() | dgMultiSelect);
    Bind(*data);
    Show(520, 240);
    Focus();
    const int title = Grid->TitleRowCount();
    ClickAt(*Grid, Centre(Grid->CellRect(Grid->DataToRawColumn(1), title + 2)));
    ClickAt(*Grid, Centre(Grid->CellRect(Grid->DataToRawColumn(3), title + 5)), Qt::ShiftModifier);
    ASSERT_EQ(Grid->Selection().SelectionType(), gstRectangle);

    const QImage image = Grid->grab().toImage();
    ASSERT_TRUE(SaveScreenshot(image, QStringLiteral("dbgrid-selection.png")));
    // Inside the rectangle the cells take the selection colour; outside not.
    const QPoint origin = Grid->ClientWidget()->mapTo(Grid, QPoint(0, 0));
    auto background = [&](int dataCol, int row) {
        const TRect r = Grid->CellRect(Grid->DataToRawColumn(dataCol), title + row);
        return image.pixelColor(origin.x() + r.Right - 3, origin.y() + r.Top + 2);
    };
    const QColor window = Resolved(*Grid, clWindow);
    EXPECT_NE(background(2, 3), window);
    EXPECT_EQ(background(1, 2), background(2, 3));
    EXPECT_EQ(background(4, 3), window);
    EXPECT_EQ(background(2, 6), window);
}
