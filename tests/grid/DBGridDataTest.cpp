// The grid and its dataset: rows that follow moves by keys, wheel, scroll
// bar and clicks; a live index that moves a posted record; typing into a
// cell; field properties changed as the windows' layouts change them; and
// datasets and data sources that close or go away under the grid.

#include "DBGridTestSupport.h"

#include <QScrollBar>

namespace {

// The texts a column shows on the rows on screen, top to bottom.
QStringList ShownTexts(TCustomDBGridMv& grid, TColumnMv* column)
{
    QStringList texts;
    TGridDataLinkMv* link = grid.DataLink();
    for (int row = 0; row < link->RecordCount(); ++row) {
        TActiveRecordScopeMv scope(*link, row);
        texts.append(column->GetDisplayText());
    }
    return texts;
}

bool CurrentRowFollows(TCustomDBGridMv& grid)
{
    return grid.Row() - grid.TitleRowCount() == grid.DataLink()->ActiveRecord();
}

} // namespace

TEST_F(DBGridTest, KeysWheelScrollBarClicksAndFocusRequestsMoveTheCurrentRecordAndColumn)
{
    auto data = MakeItems(100);
    Bind(*data);
    Show(400, 200);
    Focus();
    const int rows = Grid->RowCount() - Grid->TitleRowCount();

    PressKey(Grid->ClientWidget(), Qt::Key_Down);
    EXPECT_EQ(data->RecNo(), 2);
    PressKey(Grid->ClientWidget(), Qt::Key_PageDown);
    EXPECT_EQ(data->RecNo(), 2 + rows);
    EXPECT_TRUE(CurrentRowFollows(*Grid));
    PressKey(Grid->ClientWidget(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(data->RecNo(), 100);
    EXPECT_EQ(Grid->Row(), Grid->RowCount() - 1);
    PressKey(Grid->ClientWidget(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(data->RecNo(), 1);
    PressKey(Grid->ClientWidget(), Qt::Key_Right);
    EXPECT_EQ(Grid->GetSelectedIndex(), 1);
    PressKey(Grid->ClientWidget(), Qt::Key_Up);
    EXPECT_EQ(data->RecNo(), 1) << "nothing above the first record";

    WheelAt(*Grid, QPoint(20, 40), -240);
    EXPECT_EQ(data->RecNo(), 3) << "two steps of the wheel";

    QScrollBar* bar = Grid->ScrollBarWidget(sbVertical);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(data->RecNo(), 100);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(data->RecNo(), 100 - rows) << "one record above the first on screen";

    // Clicks and a field's focus request move record and column.
    data->First();
    int cellClicks = 0;
    Grid->OnCellClick = [&](TColumnMv* column) {
        EXPECT_EQ(column->FieldName(), QStringLiteral("Title"));
        ++cellClicks;
    };
    ClickAt(*Grid, Centre(DataCell(*Grid, 1, 3)));
    EXPECT_EQ(data->RecNo(), 4);
    EXPECT_EQ(Grid->GetSelectedIndex(), 1);
    EXPECT_EQ(cellClicks, 1);
    EXPECT_TRUE(Grid->GridHasFocus());
    TColumnMv* clickedTitle = nullptr;
    Grid->OnTitleClick = [&](TColumnMv* column) { clickedTitle = column; };
    ClickAt(*Grid, Centre(Grid->CellRect(Grid->DataToRawColumn(2), 0)));
    EXPECT_EQ(clickedTitle, Grid->Columns()[2]);
    EXPECT_EQ(data->RecNo(), 4);

    // A field's focus request moves to its column and focuses the grid.
    Other->setFocus(Qt::OtherFocusReason);
    data->FieldByName(QStringLiteral("Price"))->FocusControl();
    EXPECT_EQ(Grid->GetSelectedField(), data->FieldByName(QStringLiteral("Price")));
    EXPECT_TRUE(Grid->GridHasFocus());
    Grid->SetSelectedField(data->FieldByName(QStringLiteral("Code")));
    EXPECT_EQ(Grid->GetSelectedIndex(), 0);
}

TEST_F(DBGridTest, LiveIndexMovesThePostedRecordAndTheGridFollows)
{
    auto data = MakeItems(10);
    data->AddIndex(QStringLiteral("ByQty"), QStringLiteral("Qty"));
    data->SetIndexName(QStringLiteral("ByQty"));
    Bind(*data);
    Show(400, 300);
    TColumnMv* code = Grid->GetColumnByFieldName(QStringLiteral("Code"));
    data->SetRecNo(2);
    data->Edit();
    data->FieldByName(QStringLiteral("Qty"))->SetAsInteger(55);
    data->Post();
    EXPECT_EQ(data->FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("C002"));
    EXPECT_EQ(data->RecNo(), 10) << "the record moved to its place in the index";
    EXPECT_TRUE(CurrentRowFollows(*Grid));
    const QStringList shown = ShownTexts(*Grid, code);
    EXPECT_EQ(shown.first(), QStringLiteral("C001"));
    EXPECT_EQ(shown.last(), QStringLiteral("C002"));
    EXPECT_EQ(shown.at(1), QStringLiteral("C003"));
    const QImage screen = BackingStore(*Grid);
    Grid->Invalidate();
    EXPECT_EQ(BackingStore(*Grid), screen) << "the screen shows the new order";
}

TEST_F(DBGridTest, TypedTextReachesTheFieldWhenTheRecordIsLeft)
{
    auto data = MakeItems(5);
    Bind(*data);
    Show(400, 200);
    Focus();
    Grid->SetSelectedIndex(1);
    PressKey(Grid->ClientWidget(), Qt::Key_F2);
    TInplaceEdit* editor = Grid->InplaceEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("Item 1"));
    editor->selectAll();
    Type(editor, QStringLiteral("New"));
    EXPECT_EQ(editor->text(), QStringLiteral("New"));
    EXPECT_EQ(data->State(), dsEdit);
    EXPECT_TRUE(Grid->DataLink()->IsModified());
    PressKey(editor, Qt::Key_Down);
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_EQ(data->RecNo(), 2);
    data->First();
    EXPECT_EQ(data->FieldByName(QStringLiteral("Title"))->AsString(), QStringLiteral("New"));

    // Escape gives an unsaved change back.
    Grid->SetSelectedIndex(1);
    PressKey(Grid->ClientWidget(), Qt::Key_F2);
    editor->selectAll();
    Type(editor, QStringLiteral("x"));
    EXPECT_EQ(editor->text(), QStringLiteral("x"));
    PressKey(editor, Qt::Key_Escape);
    data->CheckBrowseMode();
    EXPECT_EQ(data->FieldByName(QStringLiteral("Title"))->AsString(), QStringLiteral("New"));
    Grid->SetOptions(Grid->Options() | dgAlwaysShowEditor);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("New")) << "the editor shows the field again";

    // A change of the field from elsewhere reloads the editor.
    data->Edit();
    data->FieldByName(QStringLiteral("Title"))->SetAsString(QStringLiteral("Other"));
    EXPECT_EQ(editor->text(), QStringLiteral("Other"));
    data->Cancel();

    // A read-only grid takes no typing, in the editor or on the grid.
    Grid->SetReadOnly(true);
    PressKey(Grid->ClientWidget(), Qt::Key_F2);
    Type(editor->isVisible() ? static_cast<QWidget*>(editor) : Grid->ClientWidget(), QStringLiteral("z"));
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_EQ(data->FieldByName(QStringLiteral("Title"))->AsString(), QStringLiteral("New"));
}

TEST_F(DBGridTest, FieldLayoutChangesReachTheDefaultColumns)
{
    auto data = MakeItems(4);
    Bind(*data);
    Grid->SetFooterRowCount(1);
    Grid->SumList().SetActive(true);
    Show(600, 200);
    // What a window's stored layout does to the fields, one row at a time.
    TColumnMv* code = Grid->GetColumnByFieldName(QStringLiteral("Code"));
    code->Footer().SetValueType(fvtCount);
    code->Footer().SetDisplayFormat(QStringLiteral("#行"));
    TField* flag = data->FieldByName(QStringLiteral("Flag"));
    flag->SetVisible(false);
    TField* qty = data->FieldByName(QStringLiteral("Qty"));
    qty->SetIndex(0);
    qty->SetDisplayLabel(QStringLiteral("数量"));
    qty->SetDisplayWidth(4);
    Grid->GetColumnByFieldName(QStringLiteral("Qty"))->Footer().SetValueType(fvtSum);

    EXPECT_EQ(Grid->Columns().Count(), 5);
    EXPECT_THROW(Grid->GetColumnByFieldName(QStringLiteral("Flag")), EInvalidGridOperationMv);
    TColumnMv* first = Grid->Columns()[0];
    EXPECT_EQ(first->FieldName(), QStringLiteral("Qty"));
    EXPECT_EQ(first->Title().Caption(), QStringLiteral("数量"));
    EXPECT_EQ(first->Width(), QFontMetrics(first->Font()).horizontalAdvance(u'0') * 4 + 4);
    EXPECT_EQ(Grid->ColWidths(Grid->DataToRawColumn(0)), first->Width());
    // The columns that stayed kept their footers through every relayout.
    EXPECT_EQ(Grid->GetFooterValue(0, Grid->GetColumnByFieldName(QStringLiteral("Code"))), QStringLiteral("4行"));
    EXPECT_EQ(Grid->GetFooterValue(0, first), QStringLiteral("10"));

    // A width the user gives a default column goes back into its field.
    Grid->SetColWidths(Grid->DataToRawColumn(0), 120);
    EXPECT_GT(qty->DisplayWidth(), 4);
}

TEST_F(DBGridTest, ClosingAndReopeningFindsTheFieldsAgainAndASourceOrDatasetGoneLeavesTheGridEmpty)
{
    auto data = MakeItems(6);
    TColumnMv* title = Grid->Columns().Add();
    title->SetFieldName(QStringLiteral("Title"));
    TColumnMv* qty = Grid->Columns().Add();
    qty->SetFieldName(QStringLiteral("Qty"));
    qty->Footer().SetValueType(fvtSum);
    Grid->SetFooterRowCount(1);
    Grid->SumList().SetActive(true);
    Bind(*data);
    Show();
    EXPECT_EQ(ShownTexts(*Grid, title).first(), QStringLiteral("Item 1"));
    Grab();
    data->Close();
    EXPECT_EQ(title->Field(), nullptr);
    EXPECT_EQ(Grid->Columns().Count(), 2) << "program-made columns stay";
    Grab();
    data->Open();
    EXPECT_EQ(title->Field(), data->FieldByName(QStringLiteral("Title")));
    // A client dataset made in memory opens again empty.
    EXPECT_EQ(Grid->GetFooterValue(0, qty), QStringLiteral("0"));
    data->Append();
    data->FieldByName(QStringLiteral("Qty"))->SetAsInteger(5);
    data->Post();
    EXPECT_EQ(Grid->GetFooterValue(0, qty), QStringLiteral("5"));
    Grab();

    // A dataset whose controls are disabled meanwhile.
    {
        TDisableControlsGuard guard(*data);
        data->Close();
        data->Open();
    }
    EXPECT_EQ(title->Field(), data->FieldByName(QStringLiteral("Title")));
    Grab();

    // The data source or the dataset going away leaves the grid empty.
    Source.reset();
    EXPECT_EQ(Grid->DataSource(), nullptr);
    EXPECT_FALSE(Grid->DataLink()->Active());
    EXPECT_EQ(Grid->RowCount(), Grid->TitleRowCount() + 1);
    Grab();

    TDataSource other;
    other.SetDataSet(data.get());
    Grid->SetDataSource(&other);
    EXPECT_TRUE(Grid->DataLink()->Active());
    data.reset();
    EXPECT_FALSE(Grid->DataLink()->Active());
    Grab();
    Grid->SetDataSource(nullptr);
}
