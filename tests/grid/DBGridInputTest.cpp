// Keys and mouse of the dataset grid over real datasets: every selection
// kind built with Shift and the mouse, check boxes, Tab and Enter, the
// incremental search, deletion with its question, column sizing and width
// fitting, and record dragging.

#include "DBGridEditorTestSupport.h"
#include "grid/DBGridMvInput.h"
#include "grid/DbUtilsMv.h"
#include "platform/SqlText.h"
#include "support/DialogAnswers.h"

#include <QFontMetrics>

namespace {

// Takes dragged records for client datasets and, as a reopened query would,
// leaves the dataset at its first record.
class TMovingHandler : public TDataSetHandlerMv {
public:
    TMovingHandler() : TDataSetHandlerMv(&TClientDataSet::staticMetaObject) {}
    bool LocateText(TCustomDBGridMv*, const QString&, TLocateTextDirectionMv, TLocateTextMatchingMv, quint8) override
    {
        return false;
    }
    void ApplyFilter(TCustomDBGridMv*, TDataSet*, bool) override {}
    void ApplySorting(TCustomDBGridMv*, TDataSet*, bool) override {}
    void ExecuteFindDialog(TCustomDBGridMv*, const QString&, const QString&) override {}
    void MoveRecords(TCustomDBGridMv*, TDataSet* DataSet, const QStringList& Bookmarks, int Target) override
    {
        Moved = Bookmarks;
        To = Target;
        DataSet->First();
    }
    QStringList Moved;
    int To = -1;
};

// Registers a handler for the test's life.
struct THandlerScope {
    explicit THandlerScope(std::unique_ptr<TDataSetHandlerMv> Handler) : Kind(Handler->DataSetClass())
    {
        RegisterDataSetHandler(std::move(Handler));
    }
    ~THandlerScope() { UnregisterDataSetHandler(Kind); }
    const QMetaObject* Kind = nullptr;
};

} // namespace

inline void PrintTo(const TGridRectMv& r, std::ostream* out)
{
    *out << '(' << r.Left << ',' << r.Top << ',' << r.Right << ',' << r.Bottom << ')';
}

TEST_F(DBGridTest, EachSelectionKindGrowsWithShiftAndLiesWhereTheGridRectSays)
{
    auto data = MakeItems(30);
    Grid->SetOptions(Grid->Options() | dgMultiSelect);
    Bind(*data);
    Show(520, 240);
    Focus();
    TDBGridMvSelection& selection = Grid->Selection();
    QWidget* client = Grid->ClientWidget();
    const int title = Grid->TitleRowCount();

    // A rectangle: click, Shift+click, Shift+Down; a Shift+click on the
    // anchor leaves none.
    ClickAt(*Grid, Centre(DataCell(*Grid, 1, 1)));
    ClickAt(*Grid, Centre(DataCell(*Grid, 3, 2)), Qt::ShiftModifier);
    ASSERT_EQ(selection.SelectionType(), gstRectangle);
    PressKey(client, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selection.SelectionToGridRect(), (TGridRectMv{2, title + 1, 4, title + 3}));
    EXPECT_TRUE(selection.DataCellSelected(2, data->Bookmark()));
    ClickAt(*Grid, Centre(DataCell(*Grid, 1, 1)), Qt::ShiftModifier);
    EXPECT_EQ(selection.SelectionType(), gstNon);
    EXPECT_EQ(selection.SelectionToGridRect(), (TGridRectMv{-1, -1, -1, -1}));
    EXPECT_EQ(Grid->SelectedRows().GetVisibleSelectedRect().Top, -1);

    // Records by the indicator: three Shift steps down, one back; the window
    // hears of the changes.
    int changes = 0;
    Grid->OnSelectionChanged = [&](QObject*) { ++changes; };
    Grid->SetAllowedSelections(asRecordBookmarks | asColumns | asAll);
    ClickAt(*Grid, QPoint(5, Centre(DataCell(*Grid, 0, 4)).y()));
    for (int i = 0; i < 3; ++i)
        PressKey(client, Qt::Key_Down, Qt::ShiftModifier);
    PressKey(client, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(selection.SelectionType(), gstRecordBookmarks);
    EXPECT_EQ(Grid->SelectedRows().Count(), 3);
    EXPECT_EQ(selection.SelectionToGridRect(), (TGridRectMv{0, title + 4, Grid->ColCount() - 1, title + 6}));
    const TGridRectMv shown = Grid->SelectedRows().GetVisibleSelectedRect();
    EXPECT_EQ(shown.Top, title + 4);
    EXPECT_EQ(shown.Bottom, title + 6);
    EXPECT_TRUE(Grid->CellIsInSelection(0, title + 4, Grid->SelectedRows().Items(0), -1));
    EXPECT_GT(changes, 0);
    // With dghClearSelection a span made with Ctrl is added to what was
    // selected, one made without replaces it.
    Grid->SetOptionsMv(Grid->OptionsMv() | dghClearSelection);
    ClickAt(*Grid, QPoint(5, Centre(DataCell(*Grid, 0, 8)).y()), Qt::ControlModifier);
    ClickAt(*Grid, QPoint(5, Centre(DataCell(*Grid, 0, 9)).y()), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Grid->SelectedRows().Count(), 5);
    PressKey(client, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Grid->SelectedRows().Count(), 3);
    EXPECT_TRUE(Grid->SelectedRows().CurrentRowSelected());

    // Columns by the band at the bottom of their titles: Shift from the
    // anchor out to a column and back; a column selected before the
    // extension stays.
    auto band = [&](int dataCol) {
        const TRect r = Grid->CellRect(Grid->DataToRawColumn(dataCol), 0);
        return QPoint(Centre(r).x(), r.Bottom - 2);
    };
    ClickAt(*Grid, band(3), Qt::ControlModifier);
    ClickAt(*Grid, band(1), Qt::ControlModifier);
    ClickAt(*Grid, band(4), Qt::ShiftModifier);
    EXPECT_EQ(selection.Columns().Count(), 4);
    ClickAt(*Grid, band(2), Qt::ShiftModifier);
    ASSERT_EQ(selection.SelectionType(), gstColumns);
    QStringList names;
    for (TColumnMv* column : selection.Columns().Items())
        names << column->FieldName();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Title"), QStringLiteral("Qty"), QStringLiteral("Price")}));
    EXPECT_EQ(selection.SelectionToGridRect(), (TGridRectMv{2, 0, 4, Grid->RowCount() - 1}));
    // A hidden column is passed over; a column taken out of the grid leaves
    // the selection at the next layout.
    Grid->GetColumnByFieldName(QStringLiteral("Flag"))->SetVisible(false);
    selection.Columns().SelectShift(Grid->GetColumnByFieldName(QStringLiteral("Flag")));
    EXPECT_EQ(selection.Columns().IndexOf(Grid->GetColumnByFieldName(QStringLiteral("Flag"))), -1);
    EXPECT_EQ(selection.Columns().Count(), 4);
    Grid->Columns().Delete(Grid->GetColumnByFieldName(QStringLiteral("Qty"))->Index());
    EXPECT_EQ(selection.Columns().Count(), 3);

    // Everything by the indicator's title once nothing is selected, and off
    // again.
    ClickAt(*Grid, QPoint(5, 5));
    EXPECT_EQ(selection.SelectionType(), gstNon);
    ClickAt(*Grid, QPoint(5, 5));
    ASSERT_EQ(selection.SelectionType(), gstAll);
    EXPECT_EQ(selection.SelectionToGridRect(), (TGridRectMv{0, 0, Grid->ColCount() - 1, Grid->RowCount() - 1}));
    EXPECT_TRUE(selection.DataCellSelected(0, data->Bookmark()));
    ClickAt(*Grid, QPoint(5, 5));
    EXPECT_FALSE(selection.DataCellSelected(0, data->Bookmark()));

    // A rectangle asked about while the dataset is closed: the cell test
    // answers no (painting asks it), the rectangle itself raises.
    selection.Rect().Select(0, data->Bookmark(), false);
    data->Next();
    selection.Rect().Select(1, data->Bookmark(), true);
    ASSERT_EQ(selection.SelectionType(), gstRectangle);
    const TBookmark bookmark = data->Bookmark();
    Source->SetEnabled(false);
    EXPECT_FALSE(Grid->DataLink()->Active());
    EXPECT_FALSE(selection.DataCellSelected(0, bookmark));
    try {
        selection.Rect().CellSelected(0, bookmark);
        ADD_FAILURE() << "no error without data";
    } catch (const EInvalidGridOperationMv& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Error in function TDBGridMvSelectionRect.CellSelected"));
    }
}

TEST_F(DBGridTest, MovesWithoutMultiSelectOnlyMoveAndTheEndsOfTheDataBehave)
{
    auto data = MakeItems(5);
    Bind(*data);
    Show(520, 240);
    Focus();
    QWidget* client = Grid->ClientWidget();
    PressKey(client, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(data->RecNo(), 2);
    EXPECT_EQ(Grid->Selection().SelectionType(), gstNon);

    // Down on the last record appends; Down on the untouched record does
    // nothing, Up leaves it for the last record.
    PressKey(client, Qt::Key_End, Qt::ControlModifier);
    PressKey(client, Qt::Key_Down);
    EXPECT_EQ(data->State(), dsInsert);
    PressKey(client, Qt::Key_Down);
    EXPECT_EQ(data->State(), dsInsert);
    PressKey(client, Qt::Key_Up);
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_EQ(data->RecordCount(), 5);
    EXPECT_EQ(data->RecNo(), 5);
    Grid->SetReadOnly(true);
    PressKey(client, Qt::Key_Down);
    EXPECT_EQ(data->State(), dsBrowse);
    Grid->SetReadOnly(false);

    // Tab wraps to the next record's first column; Enter works as Tab.
    PressKey(client, Qt::Key_Home, Qt::ControlModifier);
    Grid->MoveCol(Grid->ColCount() - 1, -1);
    PressKey(Grid, Qt::Key_Tab);
    EXPECT_EQ(data->RecNo(), 2);
    EXPECT_EQ(Grid->GetSelectedIndex(), 0);
    PressKey(Grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(data->RecNo(), 1);
    EXPECT_EQ(Grid->Col(), Grid->ColCount() - 1);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghEnterAsTab);
    PressKey(client, Qt::Key_Return);
    EXPECT_EQ(data->RecNo(), 2);
    EXPECT_EQ(Grid->GetSelectedIndex(), 0);
    PressKey(client, Qt::Key_Return);
    EXPECT_EQ(Grid->GetSelectedIndex(), 1);

    // The current column's input-method mode reaches the grid and its
    // editor: a column's own, else the grid's.
    Grid->SetImeMode(imClose);
    Grid->Columns()[2]->SetImeMode(imDisable);
    PressKey(client, Qt::Key_Right);
    EXPECT_FALSE(Grid->testAttribute(Qt::WA_InputMethodEnabled));
    Grid->ShowEditor();
    ASSERT_NE(Grid->InplaceEditor(), nullptr);
    EXPECT_FALSE(Grid->InplaceEditor()->testAttribute(Qt::WA_InputMethodEnabled));
    PressKey(client, Qt::Key_Left);
    EXPECT_TRUE(Grid->InplaceEditor()->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(Grid->InplaceEditor()->inputMethodHints().testFlag(Qt::ImhPreferLatin));

    // Home with one data column goes to the first record.
    for (int i = 1; i < Grid->Columns().Count(); ++i)
        Grid->Columns()[i]->SetVisible(false);
    PressKey(client, Qt::Key_Home);
    EXPECT_EQ(data->RecNo(), 1);
}

TEST_F(DBGridTest, CheckBoxesToggleByClickSpaceAndDeleteAndAnEmptyKeyListShowsGrayed)
{
    auto data = MakeItems(4);
    Bind(*data);
    Show(520, 240);
    Focus();
    TColumnMv* active = Grid->GetColumnByFieldName(QStringLiteral("Active"));
    ASSERT_EQ(active->GetColumnType(), ctCheckboxes) << "a boolean field is a check box by itself";
    const int col = active->Index();
    ASSERT_EQ(active->GetCheckboxState(), cbChecked);
    ClickAt(*Grid, Centre(DataCell(*Grid, col, 0)));
    EXPECT_EQ(active->GetCheckboxState(), cbUnchecked) << "a click on the cell toggles it";
    TypeText(Grid->ClientWidget(), QStringLiteral(" "));
    EXPECT_EQ(active->GetCheckboxState(), cbChecked) << "Space toggles it";
    PressKey(Grid->ClientWidget(), Qt::Key_Delete);
    EXPECT_EQ(active->GetCheckboxState(), cbGrayed) << "Delete clears the field";
    EXPECT_TRUE(data->FieldByName(QStringLiteral("Active"))->IsNull());

    // A text field with a check box but no keys cannot tell checked from
    // unchecked: grayed, and no key is read.
    TColumnMv* flag = Grid->GetColumnByFieldName(QStringLiteral("Flag"));
    flag->SetCheckboxes(true);
    EXPECT_EQ(flag->GetCheckboxState(), cbGrayed);
}

TEST_F(DBGridTest, ColumnsSizeLiveAndFitTheirWidestTextOnADoubleClick)
{
    auto data = MakeItems(6);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghTraceColSizing | dghDblClickOptimizeColWidth);
    // Stored columns outlive the closing of the dataset.
    for (const char* name : {"Code", "Title", "Qty", "Active"})
        Grid->Columns().Add()->SetFieldName(QString::fromLatin1(name));
    Bind(*data);
    Show(640, 240);
    Focus();
    TColumnMv* title = Grid->GetColumnByFieldName(QStringLiteral("Title"));
    const int raw = Grid->DataToRawColumn(title->Index());
    const int before = Grid->ColWidths(raw);
    const TRect head = Grid->CellRect(raw, 0);
    const QPoint edge(head.Right, Centre(head).y());
    MouseAt(*Grid, QEvent::MouseButtonPress, edge);
    MouseAt(*Grid, QEvent::MouseMove, edge + QPoint(30, 0));
    EXPECT_EQ(Grid->ColWidths(raw), before + 30) << "the width follows the pointer before the release";
    PressKey(Grid->ClientWidget(), Qt::Key_Escape);
    EXPECT_EQ(Grid->GridState(), gsNormal) << "Esc ends the sizing";
    MouseAt(*Grid, QEvent::MouseButtonRelease, edge + QPoint(30, 0));

    // With auto-fit the line stops where each column to its right would
    // keep a pixel and its line.
    Grid->SetAutoFitColWidths(true);
    const TRect fitHead = Grid->CellRect(raw, 0);
    const QPoint fitLine(fitHead.Right, Centre(fitHead).y());
    MouseAt(*Grid, QEvent::MouseButtonPress, fitLine);
    MouseAt(*Grid, QEvent::MouseMove, fitLine + QPoint(20, 0));
    const int widened = Grid->ColWidths(raw);
    EXPECT_GT(widened, fitHead.Width());
    MouseAt(*Grid, QEvent::MouseMove, QPoint(Grid->ClientWidth() - 2, fitLine.y()));
    EXPECT_EQ(Grid->ColWidths(raw), widened) << "no room left for the columns to the right";
    MouseAt(*Grid, QEvent::MouseButtonRelease, QPoint(Grid->ClientWidth() - 2, fitLine.y()));
    Grid->SetAutoFitColWidths(false);

    // A long text in one record, not the current one, decides the width.
    data->MoveBy(4);
    data->Edit();
    data->FieldByName(QStringLiteral("Title"))->SetAsString(QStringLiteral("一件很长的商品名称 XL"));
    data->Post();
    data->First();
    const QPoint fitEdge(Grid->CellRect(raw, 0).Right, edge.y());
    MouseAt(*Grid, QEvent::MouseButtonDblClick, fitEdge);
    const int text = QFontMetrics(title->Font()).horizontalAdvance(QStringLiteral("一件很长的商品名称 XL"));
    EXPECT_EQ(title->Width(), text + 4);

    // With two columns selected, a third column's edge fits all three; a
    // check box fits its glyph; a title wider than the cells keeps it.
    TColumnMv* qty = Grid->GetColumnByFieldName(QStringLiteral("Qty"));
    TColumnMv* active = Grid->GetColumnByFieldName(QStringLiteral("Active"));
    active->SetCheckboxes(true);
    active->Title().SetCaption(QStringLiteral("x"));
    qty->Title().SetCaption(QStringLiteral("库存数量（件）"));
    Grid->Selection().Columns().Select(qty, false);
    Grid->Selection().Columns().Select(active, true);
    title->SetWidth(300);
    MouseAt(*Grid, QEvent::MouseButtonDblClick, QPoint(Grid->CellRect(raw, 0).Right, edge.y()));
    EXPECT_EQ(title->Width(), text + 4);
    EXPECT_EQ(qty->Width(), QFontMetrics(qty->Title().Font()).horizontalAdvance(qty->Title().Caption()) + 4);
    EXPECT_EQ(active->Width(), CheckBoxGlyphWidth() + 4);

    // A closed dataset leaves the width alone.
    data->Close();
    title->SetWidth(90);
    MouseAt(*Grid, QEvent::MouseButtonDblClick, QPoint(Grid->CellRect(raw, 0).Right, edge.y()));
    EXPECT_EQ(title->Width(), 90);
}

TEST_F(DBGridTest, ARecordDraggedByTheIndicatorGoesToOnMoveRecordsOrTheDataService)
{
    auto data = MakeItems(10);
    Grid->SetOptionsMv(Grid->OptionsMv() | dghRecordMoving);
    Bind(*data);
    Show(520, 240);
    Focus();
    QStringList moved;
    int target = -1;
    Grid->OnMoveRecords = [&](QObject*, const QStringList& bookmarks, int to, bool checkOnly, bool&) {
        EXPECT_FALSE(checkOnly);
        moved = bookmarks;
        target = to;
    };
    auto indicator = [&](int dataRow) { return QPoint(5, Centre(DataCell(*Grid, 0, dataRow)).y()); };

    // A press on a data cell drags nothing; a drop on the start row moves
    // nothing.
    MouseAt(*Grid, QEvent::MouseButtonPress, Centre(DataCell(*Grid, 1, 1)));
    MouseAt(*Grid, QEvent::MouseMove, Centre(DataCell(*Grid, 1, 4)));
    MouseAt(*Grid, QEvent::MouseButtonRelease, Centre(DataCell(*Grid, 1, 4)));
    MouseAt(*Grid, QEvent::MouseButtonPress, indicator(1));
    MouseAt(*Grid, QEvent::MouseButtonRelease, indicator(1));
    EXPECT_TRUE(moved.isEmpty());

    // Under a record selection only a selected row can be dragged.
    Grid->SetOptions(Grid->Options() | dgMultiSelect);
    data->MoveBy(3 - data->RecNo());
    Grid->SelectedRows().SetCurrentRowSelected(true);
    MouseAt(*Grid, QEvent::MouseButtonPress, indicator(1));
    MouseAt(*Grid, QEvent::MouseMove, indicator(4));
    MouseAt(*Grid, QEvent::MouseButtonRelease, indicator(4));
    EXPECT_TRUE(moved.isEmpty());
    Grid->Selection().Clear();

    MouseAt(*Grid, QEvent::MouseButtonPress, indicator(1));
    const TBookmark dragged = data->Bookmark();
    MouseAt(*Grid, QEvent::MouseMove, indicator(4));
    MouseAt(*Grid, QEvent::MouseButtonRelease, indicator(4));
    EXPECT_EQ(moved, QStringList{dragged});
    EXPECT_EQ(target, 5) << "below the start: after the fifth record";

    // The permission hook is asked again at the drop, with its place.
    moved.clear();
    Grid->MovePermission = [](int from, int to) { return from == to; };
    MouseAt(*Grid, QEvent::MouseButtonPress, indicator(1));
    MouseAt(*Grid, QEvent::MouseMove, indicator(4));
    MouseAt(*Grid, QEvent::MouseButtonRelease, indicator(4));
    EXPECT_TRUE(moved.isEmpty());
    Grid->MovePermission = nullptr;

    // In the start's own row the line stands at its lower edge once the
    // pointer is lower in the row than where the drag began.
    const TRect row = DataCell(*Grid, 0, 2);
    const int right = Grid->ClientWidth();
    const auto lineAt = [&](int y) {
        const QImage image = Grab();
        for (int dy = -2; dy <= 2; ++dy)
            for (int x = right - 30; x < right - 2; ++x)
                if (image.pixelColor(x, y + dy).lightness() < 100)
                    return true;
        return false;
    };
    MouseAt(*Grid, QEvent::MouseButtonPress, QPoint(5, row.Top + 2));
    MouseAt(*Grid, QEvent::MouseMove, QPoint(5, row.Bottom - 2));
    EXPECT_TRUE(lineAt(row.Bottom));
    EXPECT_FALSE(lineAt(row.Top));
    MouseAt(*Grid, QEvent::MouseMove, QPoint(5, row.Top + 1));
    EXPECT_TRUE(lineAt(row.Top));
    EXPECT_FALSE(lineAt(row.Bottom));
    MouseAt(*Grid, QEvent::MouseButtonRelease, QPoint(5, row.Top + 1));
    EXPECT_TRUE(moved.isEmpty());

    // Without OnMoveRecords the data service hands the records to the
    // handler of the dataset's class; the dragged record stays current.
    Grid->OnMoveRecords = nullptr;
    auto handler = std::make_unique<TMovingHandler>();
    TMovingHandler* moving = handler.get();
    const THandlerScope registered(std::move(handler));
    MouseAt(*Grid, QEvent::MouseButtonPress, indicator(5));
    const TBookmark second = data->Bookmark();
    MouseAt(*Grid, QEvent::MouseMove, indicator(2));
    MouseAt(*Grid, QEvent::MouseButtonRelease, indicator(2));
    EXPECT_EQ(moving->Moved, QStringList{second});
    EXPECT_EQ(moving->To, 2) << "above the start: before the third record";
    EXPECT_EQ(data->Bookmark(), second);
}

TEST(DBGridAutoScroll, KeepsAPaceHoweverFarThePointerIs)
{
    EXPECT_EQ(AutoScrollInterval(200, 15, 2), 170);
    EXPECT_GT(AutoScrollInterval(200, 15, 500), 0);
    EXPECT_GT(AutoScrollInterval(200, 10, 20), 0);
}

// ---------------------------------------------------------------- over the database

// Five items over the database, shown and focused.
class DBGridItemsTest : public DBGridDatabaseTest {
protected:
    void SetUp() override
    {
        DBGridDatabaseTest::SetUp();
        const QStringList titles{QStringLiteral("衬衫"), QStringLiteral("长裤"), QStringLiteral("衬裙"),
                                 QStringLiteral("外套"), QStringLiteral("衬衣")};
        for (int i = 0; i < titles.size(); ++i)
            Exec(QStringLiteral("insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") "
                                "values(%1,%2,'S1','2024-01-01 00:00:00')")
                     .arg(100 + i)
                     .arg(QuotedStr(titles[i])));
        Data = &OpenClient(QStringLiteral("select * from \"KivItemOnsale\" order by \"NumIID\""));
        Bind(*Data);
        Show(520, 220);
        Focus();
    }

    TClientDataSet* Data = nullptr;
};

TEST_F(DBGridItemsTest, CtrlDeleteAsksFirstAndDeletesTheSelectedRecordsOnlyOnOk)
{
    Grid->SetOptions(Grid->Options() | dgMultiSelect | dgRowSelect);
    QWidget* client = Grid->ClientWidget();
    ClickAt(*Grid, Centre(DataCell(*Grid, 0, 1)));
    ClickAt(*Grid, Centre(DataCell(*Grid, 0, 3)), Qt::ControlModifier);
    ASSERT_EQ(Grid->SelectedRows().Count(), 2);

    TDialogAnswers answers;
    answers.Replies = {TModalResult::mrCancel, TModalResult::mrOk};
    PressKey(client, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Data->RecordCount(), 5) << "Cancel keeps the records";
    PressKey(client, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(answers.Texts(), QStringList(2, QStringLiteral("Delete all selected records?")));
    EXPECT_EQ(answers.Messages[0].Buttons, TMsgDlgButtons::mbOKCancel);
    ASSERT_EQ(Data->RecordCount(), 3);
    EXPECT_EQ(Grid->Selection().SelectionType(), gstNon);
    EXPECT_EQ(Data->ApplyUpdates(0), 0);
    EXPECT_EQ(Scalar(QStringLiteral("select count(*) from \"KivItemOnsale\"")), QStringLiteral("3"));
    Data->First();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Title"))->AsString(), QStringLiteral("衬衫"));
    Data->Next();
    EXPECT_EQ(Data->FieldByName(QStringLiteral("Title"))->AsString(), QStringLiteral("衬裙"));

    answers.Replies = {TModalResult::mrOk};
    PressKey(client, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(answers.Texts().last(), QStringLiteral("Delete record?"));
    EXPECT_EQ(Data->RecordCount(), 2);
}

TEST_F(DBGridItemsTest, IncrementalSearchFindsChineseTextAndAnEmptyTextLooksForNothing)
{
    Grid->SetOptionsMv(Grid->OptionsMv() | dghIncSearch);
    Grid->SetReadOnly(true);
    Grid->SetSelectedIndex(1);
    QWidget* client = Grid->ClientWidget();
    Data->MoveBy(3);
    // Ctrl+F starts a search with nothing typed: no record is looked for.
    PressKey(client, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(Grid->IncSearchActive());
    EXPECT_EQ(Data->RecNo(), 4);
    TypeText(client, QStringLiteral("衬"));
    EXPECT_EQ(Data->RecNo(), 1) << "the first title that starts so";
    TypeText(client, QStringLiteral("衣"));
    EXPECT_EQ(Grid->IncSearchText(), QStringLiteral("衬衣"));
    EXPECT_EQ(Data->RecNo(), 5);
    PressKey(client, Qt::Key_Backspace);
    EXPECT_EQ(Grid->IncSearchText(), QStringLiteral("衬"));
    EXPECT_EQ(Data->RecNo(), 1);
    PressKey(client, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Data->RecNo(), 3) << "the next match";
    PressKey(client, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Data->RecNo(), 1) << "the previous match";
    EXPECT_TRUE(Grid->IncSearchActive());
    // The time-out ends it; Esc ends a new one.
    Grid->WMTimer(DBGridMvIncSearchTimer);
    EXPECT_FALSE(Grid->IncSearchActive());
    TypeText(client, QStringLiteral("外"));
    EXPECT_EQ(Data->RecNo(), 4);
    PressKey(client, Qt::Key_Escape);
    EXPECT_FALSE(Grid->IncSearchActive());
    EXPECT_TRUE(Grid->IncSearchText().isEmpty());
}

// A click on the current row moves the column only: a record being typed
// stays open. A click on another row takes that record, also when dropping
// an untouched new record above it moves the rows up under the pointer.
TEST_F(DBGridTest, AClickOnTheRowBeingTypedMovesTheColumnAndAnotherRowIsTakenByItsRecord)
{
    auto data = MakeItems(6);
    Grid->SetOptions(Grid->Options() | dgEditing);
    Bind(*data);
    Show(520, 240);
    Focus();
    data->Append();
    data->FieldByName(u"Code"_qs)->SetAsString(u"NEW"_qs);
    ClickAt(*Grid, Centre(DataCell(*Grid, 1, 6)));
    EXPECT_EQ(data->State(), dsInsert) << "not posted by a click into its own row";
    EXPECT_EQ(Grid->GetSelectedIndex(), 1);
    data->Cancel();
    // Untouched, inserted above the fourth record: a click on the fourth
    // record's row drops it and lands on that record.
    data->First();
    data->MoveBy(2);
    const QString fourth = [&] {
        data->Next();
        const QString code = data->FieldByName(u"Code"_qs)->AsString();
        data->Prior();
        return code;
    }();
    data->Insert();
    ClickAt(*Grid, Centre(DataCell(*Grid, 1, 4)));
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_EQ(data->RecordCount(), 6);
    EXPECT_EQ(data->FieldByName(u"Code"_qs)->AsString(), fourth);
}
