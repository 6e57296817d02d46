// The grid as a whole and its layout: the update and layout
// brackets, the deferred relayout, storing the columns, removed fields, the
// shared drawing bitmap, fixed and contra cells, row and title heights,
// auto-fit, and the rows that follow the dataset.

#include "DBGridTestSupport.h"

#include "grid/DBGridMvFilterRow.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>

TEST_F(DBGridTest, LayoutRunsOnceAtTheOutermostEndLayoutAndDeferredOnesOnce)
{
    const int before = Grid->LayoutCount();
    Grid->BeginLayout();
    Grid->BeginLayout();
    Grid->LayoutChanged();
    EXPECT_FALSE(Grid->AcquireLayoutLock());
    Grid->EndLayout();
    EXPECT_EQ(Grid->LayoutCount(), before);
    Grid->EndLayout();
    EXPECT_EQ(Grid->LayoutCount(), before + 1);
    // Unbalanced ends stay at zero.
    Grid->EndLayout();
    Grid->CancelLayout();
    Grid->EndUpdate();
    EXPECT_EQ(Grid->LayoutLock(), 0);
    EXPECT_EQ(Grid->UpdateLock(), 0);
    EXPECT_EQ(Grid->LayoutCount(), before + 1);
    // The update counter alone also blocks a relayout.
    Grid->BeginUpdate();
    Grid->LayoutChanged();
    Grid->EndUpdate();
    EXPECT_EQ(Grid->LayoutCount(), before + 1);

    // Two deferred layouts run once, from the event queue.
    Show();
    const int shown = Grid->LayoutCount();
    Grid->BeginUpdate();
    Grid->DeferLayout();
    Grid->DeferLayout();
    EXPECT_EQ(Grid->UpdateLock(), 1) << "deferring never releases an outer bracket";
    Grid->EndUpdate();
    EXPECT_EQ(Grid->LayoutCount(), shown);
    QCoreApplication::processEvents();
    EXPECT_EQ(Grid->LayoutCount(), shown + 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(Grid->LayoutCount(), shown + 1);
}

TEST_F(DBGridTest, StoringWritesColumnsOnlyWhenCustomized)
{
    auto data = MakeItems(2);
    Bind(*data);
    EXPECT_FALSE(Grid->StoredProperties().contains(QStringLiteral("Columns")));

    TDBGridMv other;
    TColumnMv* column = other.Columns().Add();
    column->SetFieldName(QStringLiteral("Qty"));
    column->SetWidth(77);
    column->Title().SetCaption(QStringLiteral("数量"));
    const QVariantMap stored = other.StoredProperties();
    ASSERT_TRUE(stored.contains(QStringLiteral("Columns")));
    EXPECT_FALSE(other.StoredProperties(&other).contains(QStringLiteral("Columns")));

    // Reading replaces whatever columns the grid had.
    TColumnMv* old = Grid->Columns().Add();
    old->SetFieldName(QStringLiteral("Code"));
    Grid->LoadProperties(stored);
    ASSERT_EQ(Grid->Columns().Count(), 1);
    TColumnMv* loaded = Grid->Columns()[0];
    EXPECT_EQ(loaded->FieldName(), QStringLiteral("Qty"));
    EXPECT_EQ(loaded->Width(), 77);
    EXPECT_EQ(loaded->Title().Caption(), QStringLiteral("数量"));
    EXPECT_EQ(loaded->Field(), data->FieldByName(QStringLiteral("Qty")));
}

TEST_F(DBGridTest, RemovedFieldLetsGoOfEveryColumnAndRelayoutsOnce)
{
    auto data = MakeItems(2);
    TColumnMv* first = Grid->Columns().Add();
    first->SetFieldName(QStringLiteral("Qty"));
    TColumnMv* second = Grid->Columns().Add();
    second->SetFieldName(QStringLiteral("Qty"));
    Bind(*data);
    TField* field = data->FieldByName(QStringLiteral("Qty"));
    ASSERT_EQ(first->Field(), field);
    ASSERT_EQ(second->Field(), field);
    const int before = Grid->LayoutCount();
    Grid->FieldRemoved(field);
    EXPECT_EQ(Grid->LayoutCount(), before + 1);

    // With the dataset's controls disabled the relayout waits for the queue.
    Show();
    const int waiting = Grid->LayoutCount();
    {
        TDisableControlsGuard guard(*data);
        Grid->FieldRemoved(field);
        EXPECT_EQ(Grid->LayoutCount(), waiting);
    }
    QCoreApplication::processEvents();
    EXPECT_GT(Grid->LayoutCount(), waiting);
}

TEST(DBGridSharedBitmap, LastGridFreesItAndTheNextMakesItAgain)
{
    const int living = TDBGridMvSharedBitmap::GridCount();
    {
        TDBGridMv one;
        EXPECT_TRUE(TDBGridMvSharedBitmap::Exists());
        {
            TDBGridMv two;
            EXPECT_EQ(TDBGridMvSharedBitmap::GridCount(), living + 2);
        }
        EXPECT_TRUE(TDBGridMvSharedBitmap::Exists());
    }
    EXPECT_EQ(TDBGridMvSharedBitmap::GridCount(), living);
    if (living == 0) {
        EXPECT_FALSE(TDBGridMvSharedBitmap::Exists());
        TDBGridMv again;
        EXPECT_TRUE(TDBGridMvSharedBitmap::Exists());
    }
}

TEST_F(DBGridTest, HiddenFrozenColumnsWidenTheFixedAreaAndContraColumnsComeFromTheRight)
{
    for (int i = 0; i < 5; ++i)
        Grid->Columns().Add();
    Grid->SetFrozenCols(2);
    EXPECT_EQ(Grid->FixedCols(), 1 + 2);
    Grid->Columns()[1]->SetVisible(false);
    EXPECT_EQ(Grid->FixedCols(), 1 + 2 + 1);
    EXPECT_EQ(Grid->TCustomGridMv::FrozenCols(), 2);
    // Every column hidden: one less than the hidden columns counted.
    Grid->SetFrozenCols(0);
    for (int i = 0; i < 5; ++i)
        Grid->Columns()[i]->SetVisible(false);
    EXPECT_EQ(Grid->VisibleColumns().Count(), 0);
    EXPECT_EQ(Grid->FixedCols(), 1 + 4);
    EXPECT_EQ(Grid->ColCount(), 6);

    // Contra columns are taken from the right, never more than there are.
    Grid->Columns().Clear();
    for (int i = 0; i < 4; ++i)
        Grid->Columns().Add();
    Grid->SetContraColCount(1);
    EXPECT_EQ(Grid->ColCount(), 4);
    EXPECT_EQ(Grid->FullColCount(), 5);
    Grid->SetContraColCount(9);
    EXPECT_EQ(Grid->ContraColCount(), 3) << "the columns after the frozen ones and the indicator";
    // Without columns the grid makes its one default column, which cannot
    // be a contra column.
    Grid->Columns().Clear();
    EXPECT_EQ(Grid->Columns().Count(), 1);
    EXPECT_EQ(Grid->ContraColCount(), 0);
}

TEST_F(DBGridTest, RowHeightFollowsTheFontUnlessSetInPixelsOrLinesAndFitsWholeLines)
{
    TCanvas measure;
    measure.Font = Grid->Font();
    const int h = measure.TextHeight(QStringLiteral("Wg"));
    Grid->LayoutChanged();
    EXPECT_EQ(Grid->DefaultRowHeight(), h + 3 + Grid->GridLineWidth());
    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgRowLines));
    EXPECT_EQ(Grid->DefaultRowHeight(), h + 3);
    Grid->SetFlat(true);
    EXPECT_EQ(Grid->DefaultRowHeight(), h + 1);
    Grid->SetFlat(false);

    Grid->SetRowHeight(40);
    EXPECT_EQ(Grid->DefaultRowHeight(), 40);
    Grid->SetRowHeight(-5);
    EXPECT_EQ(Grid->RowHeight(), 0);
    Grid->SetRowLines(2);
    const TTextMetric tm = measure.TextMetrics();
    EXPECT_EQ(Grid->DefaultRowHeight(), (tm.tmHeight + tm.tmExternalLeading) * 2);
    EXPECT_TRUE(Grid->MultiLineRows());

    // Fitted to the text, a height rounds to whole lines.
    Grid->SetOptions(Grid->Options() | dgRowLines);
    const int margin = 3 + Grid->GridLineWidth();
    Grid->SetOptionsMv(Grid->OptionsMv() | dghFitRowHeightToText);
    // The fit sets RowLines itself; each try starts from a height in pixels.
    auto fitted = [&](double lines) {
        Grid->BeginLayout();
        Grid->SetRowLines(0);
        Grid->SetRowHeight(int(lines * h) + margin);
        Grid->EndLayout();
        return Grid->DefaultRowHeight();
    };
    EXPECT_EQ(fitted(1.4), h + margin);
    EXPECT_EQ(fitted(1.6), 2 * h + margin);
    EXPECT_EQ(fitted(0.3), h + margin);
    EXPECT_EQ(Grid->RowLines(), 1);
}

TEST_F(DBGridTest, AutoFitSharesTheWidthInProportion)
{
    const int widths[] = {100, 100, 200};
    for (int width : widths)
        Grid->Columns().Add()->SetWidth(width);
    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgIndicator | dgColLines));
    Grid->SetAutoFitColWidths(true);
    Grid->SetBorderStyle(bsNone);
    Show(800, 200);
    TDBGridColumnsMv& columns = Grid->Columns();
    EXPECT_EQ(Grid->ClientWidth(), 800);
    EXPECT_EQ(columns[0]->Width(), 200);
    EXPECT_EQ(columns[1]->Width(), 200);
    EXPECT_EQ(columns[2]->Width(), 400);
    EXPECT_EQ(Grid->ScrollBars(), ssNone);

    // The rounding rest goes to the rightmost column.
    Grid->resize(801, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(columns[0]->Width() + columns[1]->Width() + columns[2]->Width(), 801);
    EXPECT_EQ(columns[2]->Width(), 401);

    // A column held by its limit takes no share.
    columns[0]->SetMaxWidth(150);
    Grid->LayoutChanged();
    EXPECT_EQ(columns[0]->Width(), 150);
    EXPECT_EQ(columns[0]->Width() + columns[1]->Width() + columns[2]->Width(), 801);

    Grid->SetAutoFitColWidths(false);
    EXPECT_EQ(Grid->ScrollBars(), ssHorizontal);
}

TEST_F(DBGridTest, FooterRowsAreContraRowsThatFollowTheCount)
{
    auto data = MakeItems(3);
    Bind(*data);
    Show();
    Grid->SetFooterRowCount(-1);
    EXPECT_EQ(Grid->FooterRowCount(), 0);
    Grid->SetFooterRowCount(2);
    EXPECT_EQ(Grid->ContraRowCount(), 2);
    EXPECT_EQ(Grid->RowCount(), 3 + Grid->TitleRowCount());
    Grid->SetFooterRowCount(0);
    EXPECT_EQ(Grid->ContraRowCount(), 0) << "a footer taken back goes with its row";
}

TEST_F(DBGridTest, RowsAreTheVisibleRecordsFollowTheCurrentOneAndKeepTheirWindowOverABookmark)
{
    auto data = MakeItems(50);
    Bind(*data);
    Show(400, 200);
    const int rows = Grid->RowCount() - Grid->TitleRowCount();
    EXPECT_GT(rows, 3);
    EXPECT_LT(rows, 50);
    EXPECT_EQ(Grid->DataLink()->BufferCount(), rows);
    EXPECT_EQ(Grid->Row(), Grid->TitleRowCount());

    data->MoveBy(rows + 5);
    EXPECT_EQ(Grid->Row() - Grid->TitleRowCount(), Grid->DataLink()->ActiveRecord());
    EXPECT_EQ(Grid->TopRow(), Grid->FixedRows()) << "the grid never scrolls its rows";
    EXPECT_EQ(Grid->GetRecNoForDataRow(Grid->Row() - Grid->TitleRowCount()), rows + 6);
    EXPECT_EQ(Grid->GetScrollInfo(sbVertical).Pos, rows + 6);
    EXPECT_EQ(Grid->GetScrollInfo(sbVertical).Max, 50 + rows - 1);

    data->Last();
    EXPECT_EQ(Grid->Row(), Grid->RowCount() - 1);
    data->Close();
    EXPECT_EQ(Grid->RowCount(), Grid->TitleRowCount() + 1);
    EXPECT_EQ(Grid->Columns().Count(), 1) << "closing drops the default columns";
    data->Open();
    EXPECT_EQ(Grid->Columns().Count(), 6);

    // A saved bookmark keeps the visible window.
    data->First();
    data->MoveBy(20);
    const int active = Grid->DataLink()->ActiveRecord();
    const int recNo = data->RecNo();
    Grid->SaveBookmark();
    data->First();
    Grid->RestoreBookmark();
    EXPECT_EQ(data->RecNo(), recNo);
    EXPECT_EQ(Grid->DataLink()->ActiveRecord(), active);

    // The rows above the current one deleted, the remembered record among
    // them: the current record stays, the saved offset moves nothing.
    TField* code = data->FieldByName(QStringLiteral("Code"));
    const QString current = code->AsString();
    Grid->SaveBookmark();
    data->MoveBy(-active);
    for (int i = 0; i < active; ++i)
        data->Delete();
    ASSERT_EQ(code->AsString(), current);
    Grid->RestoreBookmark();
    EXPECT_EQ(code->AsString(), current);
}

TEST_F(DBGridTest, ColumnPopupMenuShowsOnRightButtonReleaseInsteadOfTheGridsMenu)
{
    auto data = MakeItems(3);
    Bind(*data);
    int gridMenus = 0;
    Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(Grid, &QWidget::customContextMenuRequested, [&gridMenus] { ++gridMenus; });
    Show();
    QMenu menu;
    menu.addAction(QStringLiteral("x"));
    Grid->Columns()[1]->SetPopupMenu(&menu);
    // As the window system does: the click, then the menu request.
    const auto rightClick = [this](QPoint at) {
        ClickAt(*Grid, at, Qt::NoModifier, Qt::RightButton);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, Grid->ClientWidget()->mapToGlobal(at));
        QApplication::sendEvent(Grid->ClientWidget(), &request);
    };
    rightClick(Centre(Grid->CellRect(Grid->DataToRawColumn(1), Grid->TitleRowCount())));
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(gridMenus, 0);
    menu.hide();

    // Not over a cell of that column: the grid's menu only.
    rightClick(Centre(Grid->CellRect(Grid->DataToRawColumn(0), Grid->TitleRowCount())));
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(gridMenus, 1);
}

TEST_F(DBGridTest, AutoFitOverDefaultColumnsSettlesOnTheClientWidth)
{
    auto data = MakeItems(30);
    Grid->SetAutoFitColWidths(true);
    Grid->SetOptions(Grid->Options() & ~TDBGridOptions(dgIndicator | dgColLines));
    Grid->SetBorderStyle(bsNone);
    Bind(*data);
    Show(700, 200);
    QCoreApplication::processEvents();
    int total = 0;
    for (int i = 0; i < Grid->Columns().Count(); ++i)
        total += Grid->Columns()[i]->Width();
    // Default columns take their widths in whole characters of their fields.
    EXPECT_LE(std::abs(total - Grid->ClientWidth()), 8 * Grid->Columns().Count());
    const int layouts = Grid->LayoutCount();
    QCoreApplication::processEvents();
    EXPECT_EQ(Grid->LayoutCount(), layouts) << "no relayout keeps itself going";
}

TEST_F(DBGridTest, SizingAndMovingColumnsKeepTheFilterEditTheCurrentColumnAndTheOutsideBar)
{
    auto data = MakeItems(3);
    Bind(*data);
    QScrollBar outside(Qt::Horizontal, Window.get());
    Grid->HorzScrollBar().SetExtScrollBar(&outside);
    Grid->STFilter().SetVisible(true);
    Show(900, 200);
    ASSERT_EQ(outside.maximum(), outside.minimum()) << "every column fits";
    TColumnMv* title = Grid->Columns()[1];
    const auto filterCell = [&] {
        const TRect cell = Grid->CellRect(Grid->DataToRawColumn(title->Index()), Grid->TitleRowCount() - 1);
        return QRect(cell.Left, cell.Top, cell.Width(), cell.Height());
    };
    Grid->StartFilterEdit(title);
    TInplaceFilterEditMv* editor = Grid->FilterRow().Editor();
    ASSERT_TRUE(editor && editor->isVisible());

    // A column sized wider than the client: the outside bar's range follows
    // at once, and the filter edit stays open on its moved cell.
    Grid->SetColWidths(Grid->DataToRawColumn(0), 1200);
    EXPECT_GT(outside.maximum(), outside.minimum());
    EXPECT_EQ(Grid->Columns()[0]->Width(), 1200);
    EXPECT_TRUE(Grid->FilterRow().InProgress());
    EXPECT_EQ(editor->geometry(), filterCell());

    // Moved to the end: the column stays current and keeps the filter edit.
    const int last = Grid->DataToRawColumn(Grid->Columns().Count() - 1);
    ASSERT_EQ(Grid->SelectedColumn(), title);
    Grid->MoveColumn(Grid->DataToRawColumn(title->Index()), last);
    EXPECT_EQ(title->Index(), Grid->Columns().Count() - 1);
    EXPECT_EQ(Grid->SelectedColumn(), title);
    EXPECT_EQ(Grid->FilterRow().EditColumn(), title);
    EXPECT_EQ(editor->geometry(), filterCell());
}
