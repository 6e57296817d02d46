// Footers: the sum items they keep in the grid's sum list, the text of each
// value type, the footer of each footer row, the defaults, and the grid-wide
// column defaults.

#include "DBGridTestSupport.h"

namespace {

TColumnMv* Column(TCustomDBGridMv& grid, const char16_t* name)
{
    return grid.GetColumnByFieldName(QString::fromUtf16(name));
}

} // namespace

TEST_F(DBGridTest, SumAndAverageFootersShowTheirFormats)
{
    auto data = MakeItems(4);
    Bind(*data);
    Grid->SetFooterRowCount(1);
    Grid->SumList().SetActive(true);
    TColumnMv* qty = Column(*Grid, u"Qty");
    TColumnMv* price = Column(*Grid, u"Price");
    qty->Footer().SetValueType(fvtSum);
    price->Footer().SetValueType(fvtAvg);
    EXPECT_EQ(Grid->GetFooterValue(0, qty), QStringLiteral("10")) << "an integer sum as a whole number";
    EXPECT_EQ(Grid->GetFooterValue(0, price), QStringLiteral("3.125"));

    // Display formats: the footer's first, else the field's.
    qty->Footer().SetDisplayFormat(QStringLiteral("#,##0.0"));
    EXPECT_EQ(Grid->GetFooterValue(0, qty), QStringLiteral("10.0"));
    qty->Footer().SetDisplayFormat(QString());
    data->FieldByName(QStringLiteral("Qty"))->SetDisplayFormat(QStringLiteral("0件"));
    EXPECT_EQ(Grid->GetFooterValue(0, Column(*Grid, u"Qty")), QStringLiteral("10件"));
}

TEST_F(DBGridTest, ACurrencyFieldShowsMoneyInItsCellsAndFooters)
{
    TClientDataSet data;
    data.FieldDefs().Add(QStringLiteral("Amount"), ftCurrency);
    data.CreateDataSet();
    for (const double value : {1234.5, -0.375}) {
        data.Append();
        data.FieldByName(QStringLiteral("Amount"))->SetAsFloat(value);
        data.Post();
    }
    data.First();
    Bind(data);
    Grid->SetFooterRowCount(1);
    Grid->SumList().SetActive(true);
    TColumnMv* amount = Column(*Grid, u"Amount");
    amount->Footer().SetValueType(fvtSum);
    EXPECT_EQ(amount->GetDisplayText(), QStringLiteral("¥1,234.50"));
    EXPECT_EQ(amount->Field()->GetEditText(), QStringLiteral("1234.50")) << "edited as a plain number";
    EXPECT_EQ(Grid->GetFooterValue(0, amount), QStringLiteral("¥1,234.13")) << "money in the system's currency format";
    data.Last();
    EXPECT_EQ(amount->GetDisplayText(), QStringLiteral("¥-0.38"));
}

TEST_F(DBGridTest, CountFooterNeedsNoField)
{
    auto data = MakeItems(7);
    TColumnMv* loose = Grid->Columns().Add();
    loose->Footer().SetValueType(fvtCount);
    loose->Footer().SetDisplayFormat(QStringLiteral("#行"));
    TColumnMv* qty = Grid->Columns().Add();
    qty->SetFieldName(QStringLiteral("Qty"));
    Grid->SumList().SetActive(true);
    Bind(*data);
    EXPECT_EQ(loose->Field(), nullptr);
    EXPECT_EQ(Grid->GetFooterValue(0, loose), QStringLiteral("7行"));
    loose->Footer().SetDisplayFormat(QString());
    EXPECT_EQ(Grid->GetFooterValue(0, loose), QStringLiteral("7"));
}

TEST_F(DBGridTest, FieldValueAndStaticFootersRowsBeyondTheCollectionAndSumItemsOfTheValueType)
{
    auto data = MakeItems(3);
    Bind(*data);
    TColumnMv* code = Column(*Grid, u"Code");
    code->Footer().SetValueType(fvtFieldValue);
    EXPECT_EQ(Grid->GetFooterValue(0, code), QString()) << "no field named";
    code->Footer().SetFieldName(QStringLiteral("Title"));
    data->SetRecNo(2);
    EXPECT_EQ(Grid->GetFooterValue(0, code), QStringLiteral("Item 2"));
    code->Footer().SetValueType(fvtNon);
    EXPECT_EQ(Grid->GetFooterValue(0, code), QString());
    EXPECT_EQ(Grid->GetFooterValue(0, nullptr), QString());

    // Footer rows beyond the column's footer list show its own footer.
    code->Footer().SetValueType(fvtStaticText);
    code->Footer().SetValue(QStringLiteral("合计"));
    TColumnFooterMv* first = code->Footers().Add();
    first->SetValueType(fvtStaticText);
    first->SetValue(QStringLiteral("first"));
    Grid->SetFooterRowCount(3);
    EXPECT_EQ(&code->GetFooterForRow(0), first);
    EXPECT_EQ(&code->GetFooterForRow(1), &code->Footer());
    EXPECT_EQ(Grid->GetFooterValue(0, code), QStringLiteral("first"));
    EXPECT_EQ(Grid->GetFooterValue(2, code), QStringLiteral("合计"));

    // Sum items come and go with the value type.
    TDBSumCollection& sums = Grid->SumList().SumCollection();
    TColumnFooterMv& footer = Column(*Grid, u"Qty")->Footer();
    const int before = sums.Count();
    footer.SetValueType(fvtSum);
    ASSERT_NE(footer.SumItem(), nullptr);
    EXPECT_EQ(sums.Count(), before + 1);
    EXPECT_EQ(footer.SumItem()->GroupOperation(), goSum);
    EXPECT_EQ(footer.SumItem()->FieldName(), QStringLiteral("Qty"));
    footer.SetValueType(fvtStaticText);
    EXPECT_EQ(footer.SumItem(), nullptr);
    EXPECT_EQ(sums.Count(), before);
    footer.SetValueType(fvtAvg);
    ASSERT_NE(footer.SumItem(), nullptr);
    EXPECT_EQ(footer.SumItem()->GroupOperation(), goAvg);
    footer.SetFieldName(QStringLiteral("Price"));
    EXPECT_EQ(footer.SumItem()->FieldName(), QStringLiteral("Price"));
    footer.SetValueType(fvtCount);
    EXPECT_EQ(footer.SumItem()->GroupOperation(), goCount);
    EXPECT_EQ(footer.SumItem()->FieldName(), QString());

    // A column that goes takes its sum item with it.
    Grid->Columns().Add()->SetFieldName(QStringLiteral("Qty"));
    EXPECT_EQ(sums.Count(), before);
}

TEST_F(DBGridTest, FooterAndColumnDefaultsComeFromTheGridUntilSet)
{
    auto data = MakeItems(3);
    Bind(*data);
    TColumnFooterMv& footer = Column(*Grid, u"Qty")->Footer();
    EXPECT_EQ(footer.Alignment(), taRightJustify);
    Grid->SetFooterColor(clYellow);
    EXPECT_EQ(footer.Color(), clYellow);
    footer.SetColor(clLime);
    Grid->SetFooterColor(clAqua);
    EXPECT_EQ(footer.Color(), clLime);
    EXPECT_TRUE(footer.ColorAssigned());
    TFont font = Grid->FooterFont();
    font.setBold(true);
    Grid->SetFooterFont(font);
    EXPECT_TRUE(footer.Font().bold());
    EXPECT_FALSE(footer.ToolTips());
    Grid->ColumnDefValues().Footer().SetToolTips(true);
    EXPECT_TRUE(footer.ToolTips());
    footer.RestoreDefaults();
    EXPECT_EQ(footer.Color(), clAqua);

    // Column defaults reach every column until it has its own.
    TColumnMv* a = Grid->Columns().Add();
    TColumnMv* b = Grid->Columns().Add();
    b->SetEndEllipsis(false);
    TColumnDefValuesMv& defaults = Grid->ColumnDefValues();
    defaults.SetEndEllipsis(true);
    defaults.SetLayout(tlCenter);
    defaults.SetAlwaysShowEditButton(true);
    EXPECT_TRUE(a->EndEllipsis());
    EXPECT_FALSE(b->EndEllipsis());
    EXPECT_EQ(a->Layout(), tlCenter);
    EXPECT_TRUE(a->AlwaysShowEditButton());

    EXPECT_EQ(a->Title().Color(), Grid->FixedColor());
    defaults.Title().SetColor(clYellow);
    EXPECT_EQ(a->Title().Color(), clYellow);
    EXPECT_TRUE(defaults.Title().IsColorStored());
    EXPECT_EQ(a->Title().Alignment(), taLeftJustify);
    Grid->SetUseMultiTitle(true);
    EXPECT_EQ(a->Title().Alignment(), taCenter) << "multi-level titles are centred while not set";
    a->Title().SetAlignment(taRightJustify);
    EXPECT_EQ(a->Title().Alignment(), taRightJustify);
    EXPECT_FALSE(defaults.Title().IsAlignmentStored());

    TDBGridMv other;
    other.ColumnDefValues().Assign(defaults);
    EXPECT_TRUE(other.ColumnDefValues().EndEllipsis());
    EXPECT_EQ(other.ColumnDefValues().Title().Color(), clYellow);
}

TEST_F(DBGridTest, FooterCellsArePaintedWithTheirColour)
{
    auto data = MakeItems(3);
    Bind(*data);
    Grid->SetFooterRowCount(1);
    Grid->SetFooterColor(clYellow);
    Column(*Grid, u"Qty")->Footer().SetColor(clAqua);
    Show(500, 200);
    const QImage image = Grab();
    const int footerRow = Grid->RowCount();
    const TRect code = Grid->CellRect(Grid->DataToRawColumn(0), footerRow);
    const TRect qty = Grid->CellRect(Grid->DataToRawColumn(2), footerRow);
    EXPECT_EQ(code.Bottom, Grid->ClientHeight() - Grid->GridLineWidth()) << "footers stand at the bottom";
    EXPECT_EQ(image.pixelColor(code.Right - 3, code.Bottom - 3), QColor(Qt::yellow));
    EXPECT_EQ(image.pixelColor(qty.Left + 3, qty.Bottom - 3), QColor(Qt::cyan));
    int painted = 0;
    Grid->OnDrawFooterCell = [&](QObject*, int, int row, TColumnMv*, const TRect&, TGridDrawState) {
        EXPECT_EQ(row, 0);
        ++painted;
    };
    Grab();
    EXPECT_GT(painted, 0);
}
