// Cell painting, checked on pixels with the classic look: row colours,
// highlighted and selected cells, the indicator glyphs, sort markers, hidden
// duplicates, check boxes, the drawing events, and the style's colour rules.

#include "DBGridTestSupport.h"

#include <QFontMetrics>
#include <utility>

namespace {

// A pixel of the cell's background, away from left-aligned text.
QColor Background(const QImage& image, const TRect& cell)
{
    return image.pixelColor(cell.Right - 3, cell.Bottom - 3);
}

QImage CellImage(const QImage& image, const TRect& cell)
{
    return image.copy(cell.ToQRect());
}

// A style that sees a display of 256 colours.
class TPaletteStyle : public TDBGridMvStyle {
public:
    TPaletteStyle() { UpdateScreenColors(); }
    void UpdateScreenColors() override { SetScreenNumColors(256); }
};

constexpr int TitleCol = 1;

} // namespace

TEST(DBGridStyleBlend, MixesHalfWayAndLiftsTowardLightGray)
{
    EXPECT_EQ(Blend(clWhite, clBlack, false), RGBColor(186, 186, 186));
    EXPECT_EQ(Blend(clWhite, clBlack, true), RGBColor(202, 202, 202));
    EXPECT_EQ(Blend(clWhite, clWhite, true), RGBColor(255, 255, 255)) << "clamped at 255";
}

TEST_F(DBGridTest, RowColoursAlternateForColumnsInTheGridColour)
{
    auto data = MakeItems(6);
    Bind(*data);
    Grid->SetEvenRowColor(clYellow);
    Grid->SetOddRowColor(clAqua);
    Grid->Columns()[2]->SetColor(clLime);
    Show(500, 200);
    data->Last();
    const QImage image = Grab();
    const int rows = Grid->RowCount() - Grid->TitleRowCount();
    for (int row = 0; row < rows - 1; ++row) {
        const int recNo = Grid->GetRecNoForDataRow(row);
        EXPECT_EQ(Background(image, DataCell(*Grid, TitleCol, row)), recNo % 2 ? QColor(Qt::cyan) : QColor(Qt::yellow))
            << "record " << recNo;
        EXPECT_EQ(Background(image, DataCell(*Grid, 2, row)), QColor(Qt::green));
    }
    EXPECT_TRUE(Grid->EvenRowColorAssigned());
    EXPECT_EQ(TDBGridMv().EvenRowColor(), clWindow) << "unset, the row colour is the grid's";
}

TEST_F(DBGridTest, CurrentCellIsHighlightedOnlyWithFocusOrAlwaysShowSelection)
{
    auto data = MakeItems(4);
    Bind(*data);
    Show();
    data->MoveBy(1);
    Grid->SetSelectedIndex(TitleCol);
    const QColor window = Resolved(*Grid, clWindow);
    const TRect current = DataCell(*Grid, TitleCol, 1);
    EXPECT_EQ(Background(Grab(), current), window);

    Grid->SetOptions(Grid->Options() | dgAlwaysShowSelection);
    EXPECT_EQ(Background(Grab(), current), Resolved(*Grid, clBtnShadow));

    Focus();
    ASSERT_TRUE(Grid->GridHasFocus());
    EXPECT_EQ(Background(Grab(), current), Resolved(*Grid, clHighlight));
    EXPECT_EQ(Background(Grab(), DataCell(*Grid, TitleCol, 0)), window) << "other rows stay plain";
}

TEST_F(DBGridTest, SelectedCellsOnAPaletteDisplayTakeTheButtonFaceAndAStyleGoneLeavesTheGrid)
{
    auto data = MakeItems(4);
    Bind(*data);
    Show();
    Grid->Selection().SelectAll();
    const TRect cell = DataCell(*Grid, TitleCol, 2);
    const TColor shadowBlend = Blend(clWindow, clBtnShadow, false);
    EXPECT_EQ(Background(Grab(), cell), ToQColor(ColorToRGB(shadowBlend, Grid->palette())));

    {
        TPaletteStyle style;
        Grid->SetStyle(&style);
        EXPECT_FALSE(style.IsTrueColor());
        EXPECT_EQ(Background(Grab(), cell), Resolved(*Grid, clBtnFace));
        EXPECT_FALSE(DBGridMvDefaultStyle()->HasGrid(Grid));
    }
    // The grid leaves a style that is destroyed.
    EXPECT_EQ(Grid->Style(), DBGridMvDefaultStyle());
    EXPECT_TRUE(DBGridMvDefaultStyle()->HasGrid(Grid));
}

TEST_F(DBGridTest, IndicatorShowsTheStateOfTheCurrentRecordAndAnIncrementalSearchItsPrefix)
{
    auto data = MakeItems(4);
    Bind(*data);
    Show();
    const TRect cell = Grid->CellRect(0, Grid->TitleRowCount());
    const TImageList& glyphs = DBGridMvIndicators();
    // Where the glyph stands in a raised indicator cell.
    const int x = cell.Right - 1 - 1 - glyphs.Width();
    const int y = (cell.Top + 1 + cell.Bottom - 1 - glyphs.Height()) / 2;
    auto shows = [&](const QImage& image, int index) {
        const QImage glyph = glyphs.Pixmap(index).toImage();
        for (int gy = 0; gy < glyph.height(); ++gy)
            for (int gx = 0; gx < glyph.width(); ++gx) {
                const QColor g = glyph.pixelColor(gx, gy);
                if (g.alpha() == 255 && image.pixelColor(x + gx, y + gy) != g)
                    return false;
            }
        return true;
    };
    EXPECT_TRUE(shows(Grab(), 0));
    EXPECT_FALSE(HasInk(Grab(), Grid->CellRect(0, Grid->TitleRowCount() + 1))) << "no glyph on other rows";

    data->Edit();
    EXPECT_TRUE(shows(Grab(), 1));
    data->Cancel();
    data->Insert();
    EXPECT_TRUE(shows(Grab(), 2));
    data->Cancel();

    // An incremental search shows its glyph and paints the typed prefix.
    Focus();
    Grid->SetSelectedIndex(TitleCol);
    Grid->SetIncSearch(true, QStringLiteral("Ite"));
    const QImage searching = Grab();
    EXPECT_TRUE(shows(searching, 6));
    const TRect title = DataCell(*Grid, TitleCol, 0);
    EXPECT_EQ(searching.pixelColor(title.Left + 4, title.Bottom - 2), QColor(Qt::yellow));
    EXPECT_NE(Background(searching, title), QColor(Qt::yellow)) << "only the prefix";
    Grid->SetIncSearch(false, QString());
    EXPECT_TRUE(shows(Grab(), 0));
}

TEST_F(DBGridTest, NarrowSortMarkedTitleShowsNoMarker)
{
    // A column without a caption: nothing in the title but the marker.
    TColumnMv* column = Grid->Columns().Add();
    Show();
    column->SetWidth(12);
    const TRect title = Grid->CellRect(Grid->DataToRawColumn(0), 0);
    const QImage plain = CellImage(Grab(), title);
    column->Title().SetSortMarker(smUpMv);
    EXPECT_EQ(CellImage(Grab(), title), plain);

    // Wide enough, the marker shows.
    column->SetWidth(80);
    const TRect wide = Grid->CellRect(Grid->DataToRawColumn(0), 0);
    const QImage marked = CellImage(Grab(), wide);
    column->Title().SetSortMarker(smNoneMv);
    EXPECT_NE(CellImage(Grab(), wide), marked);
}

TEST_F(DBGridTest, HiddenDuplicatesShowOnTheFirstVisibleRow)
{
    auto data = std::make_unique<TClientDataSet>();
    data->FieldDefs().Add(QStringLiteral("Group"), ftString, 10);
    data->CreateDataSet();
    for (int i = 0; i < 40; ++i) {
        data->Append();
        data->FieldByName(QStringLiteral("Group"))->SetAsString(QStringLiteral("G%1").arg(i / 2));
        data->Post();
    }
    data->First();
    Bind(*data);
    Grid->Columns()[0]->SetHideDuplicates(true);
    Show(300, 200);
    QImage image = Grab();
    EXPECT_TRUE(HasInk(image, DataCell(*Grid, 0, 0)));
    EXPECT_FALSE(HasInk(image, DataCell(*Grid, 0, 1))) << "same as the record above";
    EXPECT_TRUE(HasInk(image, DataCell(*Grid, 0, 2)));

    // Scroll so that the second record of a pair stands first.
    const int rows = Grid->RowCount() - Grid->TitleRowCount();
    data->MoveBy(rows);
    int first = Grid->GetRecNoForDataRow(0);
    if (first % 2 == 1) {
        data->MoveBy(1);
        first = Grid->GetRecNoForDataRow(0);
    }
    ASSERT_EQ(first % 2, 0) << "the first row shows the second record of a pair";
    image = BackingStore(*Grid);
    EXPECT_TRUE(HasInk(image, DataCell(*Grid, 0, 0))) << "the first visible row always shows its value";
    EXPECT_TRUE(HasInk(image, DataCell(*Grid, 0, 1)));
    EXPECT_FALSE(HasInk(image, DataCell(*Grid, 0, 2)));
}

TEST_F(DBGridTest, CheckBoxCellsShowTheirState)
{
    auto data = MakeItems(3);
    Bind(*data);
    Show(700, 200);
    const int active = Grid->GetColumnByFieldName(QStringLiteral("Active"))->Index();
    const QImage image = Grab();
    const QImage checked = CellImage(image, DataCell(*Grid, active, 0));
    const QImage unchecked = CellImage(image, DataCell(*Grid, active, 1));
    EXPECT_NE(checked, unchecked);
    EXPECT_EQ(CellImage(image, DataCell(*Grid, active, 2)), checked);
    data->Edit();
    data->FieldByName(QStringLiteral("Active"))->Clear();
    data->Post();
    const QImage grayed = CellImage(Grab(), DataCell(*Grid, active, 0));
    EXPECT_NE(grayed, checked);
    EXPECT_NE(grayed, unchecked);
}

TEST_F(DBGridTest, DrawDataCellHandlerDrawsWithItsOwnColours)
{
    auto data = MakeItems(3);
    Bind(*data);
    int calls = 0;
    Grid->OnDrawDataCell = [&](QObject*, const TRect& rect, TField* field, TGridDrawState state) {
        ++calls;
        if (field && field->FieldName() == QStringLiteral("Title") && data->RecNo() == 2) {
            Grid->Canvas().Brush.Color = clYellow;
            Grid->Canvas().Font.Color = clRed;
            Grid->DefaultDrawDataCell(rect, field, state);
        }
    };
    Show();
    const QImage image = Grab();
    EXPECT_GT(calls, 0);
    const TRect marked = DataCell(*Grid, TitleCol, 1);
    EXPECT_EQ(Background(image, marked), QColor(Qt::yellow));
    bool red = false;
    for (int x = marked.Left; x < marked.Right && !red; ++x)
        for (int y = marked.Top; y < marked.Bottom && !red; ++y)
            red = image.pixelColor(x, y).red() > 200 && image.pixelColor(x, y).green() < 100;
    EXPECT_TRUE(red);
    EXPECT_EQ(Background(image, DataCell(*Grid, TitleCol, 0)), Resolved(*Grid, clWindow));

    // Customized columns leave the data-cell event out.
    Grid->Columns().Add()->SetFieldName(QStringLiteral("Title"));
    calls = 0;
    int columnCalls = 0;
    Grid->OnDrawColumnCell = [&](QObject*, const TRect&, int, TColumnMv*, TGridDrawState) { ++columnCalls; };
    Grab();
    EXPECT_EQ(calls, 0);
    EXPECT_GT(columnCalls, 0);
}

TEST_F(DBGridTest, CellsBelowTheRecordsTakeTheColumnColour)
{
    auto data = MakeItems(0);
    Bind(*data);
    Grid->Columns()[TitleCol]->SetColor(clYellow);
    Show();
    EXPECT_EQ(Background(Grab(), DataCell(*Grid, TitleCol, 0)), QColor(Qt::yellow));
}

TEST_F(DBGridTest, GetCellParamsEventsChangeTheCell)
{
    auto data = MakeItems(3);
    Bind(*data);
    Grid->OnGetCellParams = [](QObject*, TColumnMv* column, TFont&, TColor& background, TGridDrawState) {
        if (column->FieldName() == QStringLiteral("Title"))
            background = clAqua;
    };
    int editModeCalls = 0;
    Grid->Columns()[TitleCol]->SetOnGetCellParams([&](QObject*, bool editMode, TColCellParamsMv& params) {
        if (editMode) {
            ++editModeCalls;
            params.Background = clLime;
            params.ReadOnly = true;
        } else if (params.Text == QStringLiteral("Item 2")) {
            params.Background = clFuchsia;
        }
    });
    Show();
    const QImage image = Grab();
    EXPECT_EQ(Background(image, DataCell(*Grid, TitleCol, 0)), QColor(Qt::cyan));
    EXPECT_EQ(Background(image, DataCell(*Grid, TitleCol, 1)), QColor(Qt::magenta));
    EXPECT_EQ(editModeCalls, 0);

    // The editor asks the column in edit mode before it shows, and takes
    // the colour and the read-only state it is given.
    Focus();
    Grid->MoveCol(Grid->DataToRawColumn(TitleCol), 0);
    PressKey(Grid->ClientWidget(), Qt::Key_F2);
    TInplaceEdit* editor = Grid->InplaceEditor();
    ASSERT_TRUE(editor && editor->isVisible());
    EXPECT_GT(editModeCalls, 0);
    EXPECT_EQ(editor->palette().color(QPalette::Base), QColor(Qt::green));
    Type(editor, QStringLiteral("x"));
    EXPECT_EQ(editor->text(), QStringLiteral("Item 1"));
    EXPECT_EQ(data->FieldByName(QStringLiteral("Title"))->AsString(), QStringLiteral("Item 1"));
}

TEST_F(DBGridTest, ScrollingOneRecordAtATimeKeepsTheScreenRight)
{
    auto data = MakeItems(60);
    Bind(*data);
    Show(400, 200);
    const int rows = Grid->RowCount() - Grid->TitleRowCount();
    BackingStore(*Grid);
    for (int i = 0; i < rows + 3; ++i) {
        data->Next();
        QCoreApplication::processEvents();
    }
    const QImage scrolled = BackingStore(*Grid);
    Grid->Invalidate();
    const QImage fresh = BackingStore(*Grid);
    EXPECT_EQ(scrolled, fresh);
    EXPECT_EQ(Grid->GetRecNoForDataRow(0), 5) << "the current record stands last";
}

TEST_F(DBGridTest, LeavingTheGridRepaintsTheHighlightedRow)
{
    auto data = MakeItems(4);
    Bind(*data);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghRowHighlight);
    Show();
    Focus();
    Grid->SetSelectedIndex(0);
    const TRect other = DataCell(*Grid, TitleCol, 0);
    auto colour = [&](TColor c) { return ToQColor(ColorToRGB(c, Grid->palette())); };
    const QColor focused = colour(Blend(clWindow, clHighlight, true));
    const QColor unfocused = colour(Blend(clWindow, clBtnShadow, false));
    EXPECT_EQ(Background(BackingStore(*Grid), other), focused);
    // Without the focus the row keeps a quieter highlight.
    Other->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(Background(BackingStore(*Grid), other), unfocused);
    Focus();
    EXPECT_EQ(Background(BackingStore(*Grid), other), focused);
}

TEST_F(DBGridTest, ANumberTooWideForItsCellShowsAsHashesAndItsTipShowsItWhole)
{
    auto data = MakeItems(3);
    for (const auto& [recNo, qty] : {std::pair{1, 1000000004}, std::pair{2, 1999999999}}) {
        data->SetRecNo(recNo);
        data->Edit();
        data->FieldByName(QStringLiteral("Qty"))->SetAsInteger(qty);
        data->Post();
    }
    Bind(*data);
    Grid->SetFooterRowCount(1);
    Grid->SumList().SetActive(true);
    TColumnMv* qty = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    qty->Footer().SetValueType(fvtSum);
    // Room for "00000004", not for "1000000004".
    qty->SetWidth(QFontMetrics(qty->Font()).horizontalAdvance(QStringLiteral("00000004")) + 8);
    Show(500, 200);
    data->First();
    const QImage image = Grab();
    ASSERT_TRUE(SaveScreenshot(image, QStringLiteral("dbgrid-numbers-cut.png")));

    // Two numbers too wide look alike (no digits cut off either side); one
    // that fits shows.
    const int col = qty->Index();
    EXPECT_EQ(CellImage(image, DataCell(*Grid, col, 0)), CellImage(image, DataCell(*Grid, col, 1)));
    EXPECT_NE(CellImage(image, DataCell(*Grid, col, 0)), CellImage(image, DataCell(*Grid, col, 2)));

    // The tip shows a cut number whole, tips asked for or not.
    ASSERT_FALSE(qty->ToolTips());
    TCustomDBGridMv::TCellTipMv tip;
    ASSERT_TRUE(Grid->CellTipAt(Centre(DataCell(*Grid, col, 0)), tip));
    EXPECT_EQ(tip.Text, QStringLiteral("1000000004"));
    EXPECT_FALSE(Grid->CellTipAt(Centre(DataCell(*Grid, col, 2)), tip)) << "3 fits";
    ASSERT_TRUE(Grid->CellTipAt(Centre(Grid->CellRect(Grid->DataToRawColumn(col), Grid->RowCount())), tip));
    EXPECT_EQ(tip.Text, QStringLiteral("3000000006")) << "the footer's sum";
}
