// The dataset grid's mouse and keys over the selection, over items of a
// fresh Firebird database: dragging the selected records onto another
// control, a press inside the selection that stays a click, Shift-clicks and
// Shift-keys that extend from the right place and step back over only what
// they selected, the title button of a multi-level title, the question
// before a deletion and Ctrl+V in the incremental search.

#include "DBGridEditorTestSupport.h"
#include "grid/DBGridMvInput.h"
#include "platform/SqlText.h"
#include "support/DialogAnswers.h"
#include "support/DragSettingsScope.h"

#include <QClipboard>
#include <QGuiApplication>

// Ten items, shown in three columns and focused.
class DBGridMouseSelectionTest : public DBGridDatabaseTest {
protected:
    void SetUp() override
    {
        DBGridDatabaseTest::SetUp();
        const QStringList titles{u"衬衫"_qs, u"长裤"_qs, u"衬裙"_qs, u"外套"_qs, u"衬衣"_qs,
                                 u"帽子"_qs, u"围巾"_qs, u"手套"_qs, u"袜子"_qs, u"鞋"_qs};
        for (int i = 0; i < titles.size(); ++i)
            Exec(QStringLiteral("insert into \"KivItemOnsale\"(\"NumIID\",\"Title\",\"ShopCode\",\"SyncDate\") "
                                "values(%1,%2,'S1','2024-01-01 00:00:00')")
                     .arg(101 + i)
                     .arg(QuotedStr(titles[i])));
        Data = &OpenClient(QStringLiteral(
            "select \"NumIID\", \"Title\", \"ShopCode\" from \"KivItemOnsale\" order by \"NumIID\""));
        Bind(*Data);
        for (int i = 0; i < Grid->Columns().Count(); ++i)
            Grid->Columns()[i]->SetWidth(90);
        Show(360, 260);
        Focus();
    }

    // The centre of a data cell.
    QPoint Cell(int dataCol, int dataRow) { return Centre(DataCell(*Grid, dataCol, dataRow)); }

    // Whole rows selected by the mouse; a press inside the selection clears
    // it (dghClearSelection).
    void SelectRows(int first, int last)
    {
        Grid->SetOptions(Grid->Options() | dgMultiSelect | dgRowSelect);
        Grid->SetOptionsMv(Grid->OptionsMv() | dghClearSelection);
        ClickAt(*Grid, Cell(1, first));
        ClickAt(*Grid, Cell(1, last), Qt::ShiftModifier);
    }

    // The items of the selected records, in the list's order.
    QList<qint64> SelectedItems()
    {
        QList<qint64> items;
        const TBookmark here = Data->Bookmark();
        for (const TBookmark& bookmark : Grid->SelectedRows().Bookmarks()) {
            Data->GotoBookmark(bookmark);
            items << Data->FieldByName(QStringLiteral("NumIID"))->AsLargeInt();
        }
        Data->GotoBookmark(here);
        return items;
    }

    qint64 CurrentItem() { return Data->FieldByName(QStringLiteral("NumIID"))->AsLargeInt(); }

    TClientDataSet* Data = nullptr;
};

TEST_F(DBGridMouseSelectionTest, ThreeSelectedRecordsDraggedOntoAnotherControlArriveThereByTheirBookmarks)
{
    Grid->SetDragMode(dmAutomatic);
    // A list beside the grid that takes records of a grid.
    auto* target = new TCustomControl(Window.get());
    target->setGeometry(Grid->width() + 10, 0, 150, 200);
    Window->resize(Grid->width() + 170, Window->height());
    target->show();
    QCoreApplication::processEvents();
    QStringList dropped;
    QObject* endedOn = nullptr;
    int starts = 0;
    int cellClicks = 0;
    target->OnDragOver = [](QObject*, QObject* source, int, int, TDragState, bool& accept) {
        accept = qobject_cast<TCustomDBGridMv*>(source) != nullptr;
    };
    target->OnDragDrop = [&](QObject*, QObject* source, int, int) {
        auto* grid = qobject_cast<TCustomDBGridMv*>(source);
        TDataSet* data = grid->DataSource()->DataSet();
        for (const TBookmark& bookmark : grid->SelectedRows().Bookmarks()) {
            data->GotoBookmark(bookmark);
            dropped << data->FieldByName(QStringLiteral("Title"))->AsString();
        }
    };
    Grid->OnStartDrag = [&](QObject*) { ++starts; };
    Grid->OnEndDrag = [&](QObject*, QObject* on, int, int) { endedOn = on; };
    Grid->OnCellClick = [&](TColumnMv*) { ++cellClicks; };
    SelectRows(1, 3);
    ASSERT_EQ(SelectedItems(), (QList<qint64>{102, 103, 104}));

    // A press inside the selection keeps it; the move away drags the grid.
    MouseAt(*Grid, QEvent::MouseButtonPress, Cell(1, 2));
    EXPECT_EQ(SelectedItems(), (QList<qint64>{102, 103, 104}));
    EXPECT_EQ(CurrentItem(), 103);
    MouseAt(*Grid, QEvent::MouseMove, Cell(1, 2) + QPoint(1, 0));
    ASSERT_TRUE(Grid->Dragging());
    EXPECT_EQ(starts, 0) << "not past the desktop's drag distance yet";
    const QPoint overTarget = Grid->ClientWidget()->mapFrom(Window.get(), target->geometry().center());
    MouseAt(*Grid, QEvent::MouseMove, overTarget);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::DragMoveCursor) << "the list takes it";
    MouseAt(*Grid, QEvent::MouseButtonRelease, overTarget);
    EXPECT_EQ(dropped, (QStringList{u"长裤"_qs, u"衬裙"_qs, u"外套"_qs}));
    EXPECT_EQ(endedOn, target);
    EXPECT_EQ(SelectedItems(), (QList<qint64>{102, 103, 104})) << "the drag leaves the selection";
    EXPECT_EQ(cellClicks, 2) << "the drag's release is no click";

    // A press inside the selection released where it went down is a click:
    // Ctrl toggles the record (with whole rows), a plain one clears.
    ClickAt(*Grid, Cell(1, 2), Qt::ControlModifier);
    EXPECT_EQ(SelectedItems(), (QList<qint64>{102, 104}));
    ClickAt(*Grid, Cell(1, 3));
    EXPECT_EQ(Grid->Selection().SelectionType(), gstNon);
    EXPECT_EQ(CurrentItem(), 104);
    EXPECT_EQ(starts, 1);
    // A press outside the selection selects at once.
    ClickAt(*Grid, Cell(1, 5));
    EXPECT_EQ(SelectedItems(), QList<qint64>{106});
}

TEST_F(DBGridMouseSelectionTest, APressInAManualGridSelectsAtOnceAndWithoutMultiSelectAnAutomaticOneDrags)
{
    SelectRows(1, 3);
    // Manual dragging: the press inside the selection clears it as it goes down.
    MouseAt(*Grid, QEvent::MouseButtonPress, Cell(1, 2));
    EXPECT_EQ(SelectedItems(), QList<qint64>{103});
    MouseAt(*Grid, QEvent::MouseMove, Cell(1, 2) + QPoint(200, 0));
    EXPECT_FALSE(Grid->Dragging());
    MouseAt(*Grid, QEvent::MouseButtonRelease, Cell(1, 2));

    // Automatic and immediate: without dgMultiSelect there is nothing to
    // keep, the press drags at once.
    const TDragSettingsScope settings({true, 5});
    Grid->SetDragMode(dmAutomatic);
    QList<QObject*> endedOn;
    Grid->OnEndDrag = [&](QObject*, QObject* on, int, int) { endedOn << on; };
    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgMultiSelect));
    MouseAt(*Grid, QEvent::MouseButtonPress, Cell(1, 7));
    EXPECT_TRUE(Grid->Dragging());
    EXPECT_EQ(CurrentItem(), 103) << "the press went to the drag, not to the cells";
    MouseAt(*Grid, QEvent::MouseButtonRelease, Cell(1, 7));
    EXPECT_EQ(endedOn, QList<QObject*>{nullptr});
}

TEST_F(DBGridMouseSelectionTest, AShiftClickOnADataCellMovesOnceAndSelectsTheRecordsBetween)
{
    Grid->SetOptions(Grid->Options() | dgMultiSelect);
    Grid->SetAllowedSelections(asRecordBookmarks | asColumns | asAll);
    Grid->SetOptionsMv(Grid->OptionsMv() & ~TDBGridMvOptions(dghClearSelection));
    ClickAt(*Grid, Cell(1, 2));
    ClickAt(*Grid, Cell(1, 5), Qt::ShiftModifier);
    EXPECT_EQ(CurrentItem(), 106) << "on the clicked row";
    EXPECT_EQ(SelectedItems(), (QList<qint64>{103, 104, 105, 106}));
    // Back up the list: the same from below.
    ClickAt(*Grid, Cell(0, 1), Qt::ShiftModifier);
    EXPECT_EQ(CurrentItem(), 102);
    EXPECT_EQ(SelectedItems(), (QList<qint64>{102, 103}));
    // In the indicator, as before.
    ClickAt(*Grid, QPoint(5, Cell(0, 4).y()), Qt::ShiftModifier);
    EXPECT_EQ(CurrentItem(), 105);
    EXPECT_EQ(SelectedItems(), (QList<qint64>{103, 104, 105}));
}

TEST_F(DBGridMouseSelectionTest, ARectangleGrowsFromTheCurrentCellNotFromACornerLeftBehind)
{
    Grid->SetOptions(Grid->Options() | dgMultiSelect);
    QWidget* client = Grid->ClientWidget();
    const int title = Grid->TitleRowCount();
    const int raw = Grid->DataToRawColumn(0);
    ClickAt(*Grid, Cell(0, 1));
    PressKey(client, Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(Grid->Selection().SelectionType(), gstRectangle);
    PressKey(client, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Grid->Selection().SelectionType(), gstNon) << "back on its anchor";
    for (int i = 0; i < 3; ++i)
        PressKey(client, Qt::Key_Down);
    PressKey(client, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Grid->Selection().SelectionToGridRect(), (TGridRectMv{raw, title + 4, raw, title + 5}));
    // A plain move clears (dghClearSelection), and Shift+Right: one row,
    // two columns.
    PressKey(client, Qt::Key_Up);
    PressKey(client, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Grid->Selection().SelectionToGridRect(), (TGridRectMv{raw, title + 4, raw + 1, title + 4}));
}

TEST_F(DBGridMouseSelectionTest, SteppingBackUnselectsOnlyTheRecordsTheExtensionSelected)
{
    Grid->SetOptions(Grid->Options() | dgMultiSelect | dgRowSelect);
    Grid->SetOptionsMv(Grid->OptionsMv() & ~TDBGridMvOptions(dghClearSelection));
    QWidget* client = Grid->ClientWidget();
    // Without dghClearSelection a click toggles: items 105 and 103.
    ClickAt(*Grid, Cell(1, 4));
    ClickAt(*Grid, Cell(1, 2));
    ASSERT_EQ(SelectedItems(), (QList<qint64>{103, 105}));
    for (int i = 0; i < 3; ++i)
        PressKey(client, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(SelectedItems(), (QList<qint64>{103, 104, 105, 106}));
    PressKey(client, Qt::Key_Up, Qt::ShiftModifier);
    PressKey(client, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(SelectedItems(), (QList<qint64>{103, 104, 105})) << "105 was selected before the extension";
    PressKey(client, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(SelectedItems(), (QList<qint64>{103, 105}));
    // Past the start upwards, and back: the start stays.
    PressKey(client, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(SelectedItems(), (QList<qint64>{102, 103, 105}));
    PressKey(client, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(SelectedItems(), (QList<qint64>{103, 105}));
}

TEST_F(DBGridMouseSelectionTest, TheTitleButtonFiresOnlyWhenReleasedInItsOwnBand)
{
    Grid->SetUseMultiTitle(true);
    Grid->Columns()[0]->Title().SetCaption(u"编号|商品"_qs);
    Grid->Columns()[1]->Title().SetCaption(u"编号|名称"_qs);
    Grid->Columns()[0]->Title().SetTitleButton(true);
    QStringList fired;
    Grid->OnTitleBtnClick = [&](QObject*, int, TColumnMv* column) { fired << column->FieldName(); };
    const TRect cell = Grid->CellRect(Grid->DataToRawColumn(0), 0);
    const QPoint leaf(Centre(cell).x(), cell.Bottom - 3);
    const QPoint group(Centre(cell).x(), cell.Top + 3);
    ASSERT_LT(group.y(), cell.Bottom - Grid->LeafOfColumn(Grid->Columns()[0])->Height);

    MouseAt(*Grid, QEvent::MouseButtonPress, leaf);
    MouseAt(*Grid, QEvent::MouseButtonRelease, group);
    EXPECT_TRUE(fired.isEmpty()) << "released over the group's band";
    MouseAt(*Grid, QEvent::MouseButtonPress, group);
    MouseAt(*Grid, QEvent::MouseButtonRelease, leaf);
    EXPECT_TRUE(fired.isEmpty()) << "a press on the group's band is no press of the button";
    ClickAt(*Grid, leaf);
    EXPECT_EQ(fired, QStringList{u"NumIID"_qs});
}

TEST_F(DBGridMouseSelectionTest, TheGridAsksBeforeDeletingAsAQuestion)
{
    // One dialog asks for records and for cells alike.
    Grid->SetOptions(Grid->Options() | dgConfirmDelete);
    TDialogAnswers answers;
    answers.Replies = {TModalResult::mrCancel};
    PressKey(Grid->ClientWidget(), Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(answers.Texts(), QStringList{u"Delete record?"_qs});
    EXPECT_EQ(answers.Messages[0].Type, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(answers.Messages[0].Caption, u"确认"_qs);
    EXPECT_EQ(answers.Messages[0].Buttons, TMsgDlgButtons::mbOKCancel);
    EXPECT_EQ(Data->RecordCount(), 10);
}

TEST_F(DBGridMouseSelectionTest, CtrlVDuringAnIncrementalSearchAddsTheClipboardText)
{
    Grid->SetOptionsMv(Grid->OptionsMv() | dghIncSearch);
    Grid->SetReadOnly(true);
    Grid->SetSelectedIndex(1);
    QWidget* client = Grid->ClientWidget();
    PressKey(client, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(Grid->IncSearchActive());
    QGuiApplication::clipboard()->setText(u"衬"_qs);
    PressKey(client, Qt::Key_V, Qt::ControlModifier);
    QGuiApplication::clipboard()->setText(u"衣"_qs);
    PressKey(client, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Grid->IncSearchText(), u"衬衣"_qs);
    EXPECT_EQ(CurrentItem(), 105);
}
