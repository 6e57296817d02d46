// Steps of painting a cell over real data: what is drawn without the
// default drawing, the indicator on selected rows while editing, the edge of
// a highlighted raised cell, the sort marker's room, the group band's line,
// and the tips that measure the text as painting lays it out.

#include "DBGridEditorTestSupport.h"
#include "TreeDataSet.h"

namespace {

// The columns in front of Price and Qty made narrow, so that those show.
void NarrowFirstColumns(TCustomDBGridMv& grid)
{
    for (const char* name : {"SkuID", "NumIID", "PropAlias"})
        grid.GetColumnByFieldName(QString::fromLatin1(name))->SetWidth(60);
}

// The pixels of a rectangle of an image.
QImage Part(const QImage& image, const TRect& rect)
{
    return image.copy(rect.ToQRect());
}

} // namespace

TEST_F(DBGridTest, WithoutDefaultDrawingTheTreeIndentAndTheButtonsAreStillDrawn)
{
    TTreeDataSet tree({{-1, QStringLiteral("服装")}, {0, QStringLiteral("上衣")}, {1, QStringLiteral("衬衫")},
                       {-1, QStringLiteral("鞋子")}});
    Source->SetDataSet(&tree);
    Grid->SetDataSource(Source.get());
    Show(360, 200);
    TColumnMv* name = Grid->Columns().Items(0);
    name->SetWidth(160);
    name->SetAlwaysShowEditButton(true);
    TEditButtonMv* extra = name->EditButtons().Add();
    extra->SetVisible(true);
    extra->SetWidth(20);
    const TRect cell = DataCell(*Grid, 0, 1);
    const TRect indent(cell.Left, cell.Top, cell.Left + 2 * 18, cell.Bottom);
    const TRect button(cell.Right - 20, cell.Top, cell.Right, cell.Bottom);
    const QImage drawn = Grab();
    ASSERT_TRUE(HasInk(drawn, indent)) << "the node's box and lines";
    ASSERT_TRUE(HasInk(drawn, button));

    // The event draws the text; the grid still draws its own parts.
    int events = 0;
    Grid->OnDrawColumnCell = [&events](QObject*, const TRect&, int, TColumnMv*, TGridDrawState) { ++events; };
    Grid->SetDefaultDrawing(false);
    const QImage bare = Grab();
    EXPECT_GT(events, 0);
    EXPECT_EQ(Part(bare, indent), Part(drawn, indent));
    EXPECT_EQ(Part(bare, button), Part(drawn, button));
    Source->SetDataSet(nullptr);
}

TEST_F(DBGridEditorTest, SelectedRowsShowTheEditGlyphWhileTheRecordIsEdited)
{
    OpenSkus();
    Grid->SetOptions(Grid->Options() | dgMultiSelect);
    Data->SetRecNo(3);
    Grid->SelectedRows().SetCurrentRowSelected(true);
    Data->SetRecNo(2);
    const auto indicator = [this](int dataRow) { return Grid->CellRect(0, Grid->TitleRowCount() + dataRow); };
    const QImage browsing = Grab();
    Data->Edit();
    const QImage editing = Grab();
    EXPECT_NE(Part(editing, indicator(2)), Part(browsing, indicator(2))) << "the selected row gets the pencil";
    EXPECT_EQ(Part(editing, indicator(3)), Part(browsing, indicator(3))) << "a row neither current nor selected";
    EXPECT_NE(Part(editing, indicator(1)), Part(browsing, indicator(1))) << "the current record";
    Data->Cancel();
}

TEST_F(DBGridEditorTest, ARaisedDataCellIsSunkenWhereTheHighlightDecisionMarksIt)
{
    OpenSkus();
    Grid->SetOptions(Grid->Options() | dgMultiSelect);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghData3D);
    // The third record is selected but not current: the base grid does not
    // count it as selected, the highlight decision does.
    Data->SetRecNo(3);
    Grid->SelectedRows().SetCurrentRowSelected(true);
    Data->SetRecNo(1);
    const QImage image = Grab();
    const int col = Grid->GetColumnByFieldName(u"PropAlias"_qs)->Index();
    const TRect plain = DataCell(*Grid, col, 3);
    const TRect marked = DataCell(*Grid, col, 2);
    const int x = plain.Left + 10;
    // Raised: light above, dark below; sunken the other way round.
    EXPECT_GT(qGray(image.pixel(x, plain.Top)), qGray(image.pixel(x, plain.Bottom - 1)));
    EXPECT_LT(qGray(image.pixel(x, marked.Top)), qGray(image.pixel(x, marked.Bottom - 1)));
}

TEST_F(DBGridEditorTest, TheSortMarkerAndItsNumberShareSixteenPixels)
{
    OpenSkus();
    NarrowFirstColumns(*Grid);
    TColumnMv* price = Grid->GetColumnByFieldName(u"Price"_qs);
    TColumnMv* qty = Grid->GetColumnByFieldName(u"Qty"_qs);
    price->Title().SetCaption(u" "_qs);
    price->SetWidth(20);
    const TRect title = Grid->CellRect(Grid->DataToRawColumn(price->Index()), 0);
    // Two sort-marked columns: each writes its number beside the marker.
    Grid->SetOptionsMv(Grid->OptionsMv() | dghMultiSortMarking);
    qty->Title().SetSortMarker(smDownMv);
    price->Title().SetSortMarker(smDownMv);
    ASSERT_EQ(Grid->SortMarkedColumns().Count(), 2);
    ASSERT_EQ(price->Title().SortIndex(), 2);
    const QImage with = Grab();
    price->Title().SetSortMarker(smNoneMv);
    const QImage without = Grab();
    // The marker's glyph stands left of the number.
    const TImageList& markers = DBGridMvSortMarkers();
    const int numberWidth = QFontMetrics(DBGridMvSortMarkerFont()).horizontalAdvance(u"2"_qs);
    const int glyphLeft = title.Right - 1 - markers.Width() - 2 - numberWidth;
    const TRect glyph(std::max(title.Left + 1, glyphLeft), title.Top + 1, title.Right - 3 - numberWidth,
                      title.Bottom - 1);
    ASSERT_GT(glyph.Width(), 0);
    EXPECT_NE(Part(with, glyph), Part(without, glyph)) << "a 20-pixel title has room for the marker";
}

TEST_F(DBGridEditorTest, AGroupBandOverRaisedTitlesHasItsRowLine)
{
    OpenSkus();
    NarrowFirstColumns(*Grid);
    Grid->SetUseMultiTitle(true);
    Grid->GetColumnByFieldName(u"Price"_qs)->Title().SetCaption(u"金额|Price"_qs);
    Grid->GetColumnByFieldName(u"Qty"_qs)->Title().SetCaption(u"金额|Qty"_qs);
    ASSERT_TRUE(Grid->OptionsMv().testFlag(dghFixed3D));
    const TRect title = Grid->CellRect(Grid->DataToRawColumn(Grid->GetColumnByFieldName(u"Price"_qs)->Index()), 0);
    const QImage image = Grab();
    const QColor line = Resolved(*Grid, Grid->GridLineColors()->DarkColor());
    int lines = 0;
    for (int y = title.Top; y < title.Bottom; ++y)
        lines += QColor(image.pixel(title.Left + 3, y)) == line;
    EXPECT_EQ(lines, 1) << "the line under the group band";
}

TEST_F(DBGridEditorTest, TipsLeaveOutEveryShownButtonAndFootersCopyTheirTips)
{
    OpenSkus();
    TColumnMv* alias = Grid->GetColumnByFieldName(u"PropAlias"_qs);
    alias->SetToolTips(true);
    alias->SetAlwaysShowEditButton(true);
    alias->PickList().SetText(u"Red\nBlue"_qs);
    TEditButtonMv* extra = alias->EditButtons().Add();
    extra->SetVisible(true);
    extra->SetWidth(30);
    // "Red" fits beside the drop-down button but not beside both buttons.
    const int text = QFontMetrics(alias->Font()).horizontalAdvance(u"Red"_qs);
    alias->SetWidth(text + GetSystemMetrics(SM_CXVSCROLL) + 30 - 8);
    const QImage image = Grab();
    const TRect cell = DataCell(*Grid, alias->Index(), 1);
    const TRect beside(cell.Right - GetSystemMetrics(SM_CXVSCROLL) - 30, cell.Top, cell.Right - 30, cell.Bottom);
    EXPECT_TRUE(HasInk(image, beside)) << "the drop-down button is painted left of the extra one";
    TCustomDBGridMv::TCellTipMv tip;
    EXPECT_TRUE(Grid->CellTipAt(Centre(cell), tip));
    EXPECT_EQ(tip.Text, u"Red"_qs);

    // A footer assigned from another takes its tips as that one shows them.
    Grid->SetFooterRowCount(1);
    TColumnFooterMv& source = Grid->GetColumnByFieldName(u"Qty"_qs)->Footer();
    TColumnFooterMv& target = alias->Footer();
    target.SetValueType(fvtStaticText);
    target.SetValue(u"一段很长很长的页脚文字"_qs);
    target.SetToolTips(true);
    const QPoint footer = Centre(Grid->CellRect(Grid->DataToRawColumn(alias->Index()), Grid->RowCount()));
    EXPECT_TRUE(Grid->CellTipAt(footer, tip));
    ASSERT_FALSE(source.ToolTips());
    target.Assign(source);
    target.SetValueType(fvtStaticText);
    target.SetValue(u"一段很长很长的页脚文字"_qs);
    EXPECT_FALSE(target.ToolTips());
    EXPECT_FALSE(Grid->CellTipAt(footer, tip));
}
