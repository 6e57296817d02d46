// The dataset grid over a right-to-left base grid, over SKUs of a fresh
// Firebird database: it looks like the mirror image of the same grid left to
// right (titles, indicator, filter row, footers, edit buttons), places its
// editors on the mirrored cells, and its mouse, keys, sizing, moving and
// horizontal bar follow the mirror.

#include "DBGridEditorTestSupport.h"
#include "TreeDataSet.h"

#include "grid/DBGridMvFilterRow.h"
#include "grid/DBGridMvInplaceEdit.h"
#include "gridbase/DBCtrlsMv.h"
#include "platform/ImageList.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolTip>
#include <QWindow>

namespace {

class DBGridRightToLeftTest : public DBGridDatabaseTest {
protected:
    void SetUp() override
    {
        DBGridDatabaseTest::SetUp();
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
        InsertSampleSkus();
        RtlWindow = std::make_unique<QWidget>();
        Rtl = new TTestDBGrid(RtlWindow.get());
        RtlOther = new QLineEdit(RtlWindow.get());
        RtlSource = std::make_unique<TDataSource>();
    }

    void TearDown() override
    {
        RtlWindow.reset();
        RtlSource.reset();
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
        DBGridDatabaseTest::TearDown();
    }

    // The fixture's grid left to right over one dataset and a twin right to
    // left over another, shown at the same size, neither focused.
    void ShowBoth(TDataSet& plain, TDataSet& mirrored, int width, int height)
    {
        Source->SetDataSet(&plain);
        Grid->SetDataSource(Source.get());
        // Pinned: its window reads right to left, as the application does.
        Grid->SetBiDiMode(bdLeftToRight);
        RtlSource->SetDataSet(&mirrored);
        Rtl->SetDataSource(RtlSource.get());
        Rtl->SetBiDiMode(bdRightToLeft);
        Show(width, height);
        Rtl->setGeometry(0, 0, width, height);
        RtlOther->setGeometry(0, height, width, 20);
        RtlWindow->resize(width, height + 20);
        RtlWindow->show();
        QApplication::setActiveWindow(RtlWindow.get());
        RtlOther->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
    }

    // Both grids over the SKUs, in columns of odd widths.
    void ShowSkus(int width = 460, int height = 240)
    {
        const QString sql = QStringLiteral(
            "select \"SkuID\", \"PropAlias\", \"Price\", \"Qty\" from \"KivItem\" order by \"SkuID\"");
        ShowBoth(OpenClient(sql), OpenClient(sql), width, height);
        for (TTestDBGrid* grid : {Grid, Rtl}) {
            const int widths[] = {50, 110, 71, 50};
            for (int i = 0; i < 4; ++i)
                grid->Columns().Items(i)->SetWidth(widths[i]);
        }
        QCoreApplication::processEvents();
    }

    QImage GrabRtl()
    {
        QCoreApplication::processEvents();
        return Rtl->ClientWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    void FocusRtl()
    {
        QApplication::setActiveWindow(RtlWindow.get());
        Rtl->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
    }

    static TColumnMv* Column(TCustomDBGridMv& grid, const char* name)
    {
        return grid.GetColumnByFieldName(QString::fromLatin1(name));
    }

    // An ellipsis and a plus button on the name column.
    static void AddEditButtons(TCustomDBGridMv& grid)
    {
        TColumnMv* alias = Column(grid, "PropAlias");
        alias->SetButtonStyle(cbsEllipsis);
        TEditButtonMv* extra = alias->EditButtons().Add();
        extra->SetStyle(ebsPlusMv);
        extra->SetVisible(true);
    }

    // Every part the dataset grid paints: indicator, two-level titles with a
    // group band and a sort marker, the filter row, footers with a count and
    // a sum, always-shown edit buttons, a plain look without 3-D frames
    // (their light falls from the upper left in either reading order), and
    // text in the colour of its background, so that the pictures compare
    // cell for cell with the text aside.
    static void Furnish(TTestDBGrid& grid)
    {
        grid.SetOptionsMv(grid.OptionsMv() & ~TDBGridMvOptions(dghFixed3D | dghFooter3D | dghData3D | dghFrozen3D));
        grid.STFilter().SetVisible(true);
        grid.SetFooterRowCount(1);
        grid.SetFooterColor(clInfoBk);
        grid.SumList().SetActive(true);
        // Unsmoothed glyphs in the background's colour leave no trace.
        QFont plain = grid.font();
        plain.setStyleStrategy(QFont::NoAntialias);
        grid.setFont(plain);
        grid.SetFontColor(clWindow);
        grid.SetTitleFont(TFont(plain, clBtnFace));
        grid.SetFooterFont(TFont(plain, clInfoBk));
        Column(grid, "SkuID")->Footer().SetValueType(fvtCount);
        Column(grid, "Qty")->Footer().SetValueType(fvtSum);
        Column(grid, "Qty")->Title().SetSortMarker(smDownMv);
        grid.SetUseMultiTitle(true);
        Column(grid, "SkuID")->Title().SetCaption(QStringLiteral("商品|编码"));
        Column(grid, "PropAlias")->Title().SetCaption(QStringLiteral("商品|名称"));
        Column(grid, "PropAlias")->SetAlwaysShowEditButton(true);
        AddEditButtons(grid);
    }

    std::unique_ptr<QWidget> RtlWindow;
    TTestDBGrid* Rtl = nullptr;
    QWidget* RtlOther = nullptr;
    std::unique_ptr<TDataSource> RtlSource;
};

TRect Mirror(const TRect& r, int width)
{
    return TRect(width - r.Right, r.Top, width - r.Left, r.Bottom);
}

TRect Geometry(const QWidget* widget)
{
    return TRect::FromQRect(widget->geometry());
}

// The first and the last column holding a pixel darker than mid-gray.
std::pair<int, int> InkSpan(const QImage& image, const TRect& rect)
{
    int first = -1;
    int last = -1;
    for (int x = rect.Left + 1; x < rect.Right - 1; ++x)
        for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y)
            if (image.pixelColor(x, y).lightness() < 110) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

} // namespace

TEST_F(DBGridRightToLeftTest, LooksLikeTheMirrorImageOfTheLeftToRightGridCellForCell)
{
    ShowSkus();
    for (TTestDBGrid* grid : {Grid, Rtl}) {
        Furnish(*grid);
        grid->DataSource()->DataSet()->MoveBy(2);
    }
    const QImage plain = Grab();
    const QImage mirrored = GrabRtl();
    const int width = Rtl->ClientWidth();
    ASSERT_EQ(Grid->ClientWidth(), width);
    EXPECT_NE(plain, plain.mirrored(true, false)) << "the picture is not symmetric";
    // Every cell of the title, filter, data and footer rows and of the
    // indicator stands mirrored; with the lines and the empty parts the
    // whole picture is the mirror image.
    for (int row = 0; row < Rtl->FullRowCount(); ++row)
        for (int col = 0; col < Rtl->FullColCount(); ++col)
            ASSERT_EQ(Rtl->CellRect(col, row), Mirror(Grid->CellRect(col, row), width)) << col << "," << row;
    EXPECT_EQ(mirrored, plain.mirrored(true, false));
}

TEST_F(DBGridRightToLeftTest, TextIsReadableAndAlignedFromTheRightRaisedTitlesLitFromTheUpperLeft)
{
    ShowSkus();
    const QImage plain = Grab();
    const QImage mirrored = GrabRtl();
    SaveScreenshot(mirrored, QStringLiteral("dbgrid-rtl.png"));
    const int width = Rtl->ClientWidth();
    // Left-aligned text starts at the right of its cell, numbers end at the
    // left, each as far from its edge as left to right, and upright: the
    // ink is not the mirrored picture.
    for (const char* name : {"PropAlias", "Price"}) {
        const int col = Rtl->DataToRawColumn(Column(*Rtl, name)->Index());
        const TRect plainCell = Grid->CellRect(col, Rtl->TitleRowCount());
        const TRect cell = Rtl->CellRect(col, Rtl->TitleRowCount());
        const auto [plainFirst, plainLast] = InkSpan(plain, plainCell);
        const auto [first, last] = InkSpan(mirrored, cell);
        ASSERT_GE(first, 0) << name;
        EXPECT_NEAR(width - 1 - last, plainFirst, 2) << name;
        EXPECT_NEAR(width - 1 - first, plainLast, 2) << name;
        EXPECT_NE(mirrored.copy(cell.ToQRect()), plain.copy(plainCell.ToQRect()).mirrored(true, false)) << name;
    }
    const TRect title = Rtl->CellRect(Rtl->DataToRawColumn(1), 0);
    const QColor light = Resolved(*Rtl, clBtnHighlight);
    const QColor shadow = Resolved(*Rtl, clBtnShadow);
    EXPECT_EQ(mirrored.pixelColor(title.Left + 6, title.Top), light);
    EXPECT_EQ(mirrored.pixelColor(title.Left, title.Top + 4), light);
    EXPECT_EQ(mirrored.pixelColor(title.Right - 1, title.Top + 4), shadow);
    EXPECT_EQ(mirrored.pixelColor(title.Left + 6, title.Bottom - 1), shadow);
}

TEST_F(DBGridRightToLeftTest, TheCellAndFilterEditorsAndTheirButtonsSitOnTheMirroredCell)
{
    ShowSkus();
    for (TTestDBGrid* grid : {Grid, Rtl}) {
        AddEditButtons(*grid);
        grid->SetSelectedIndex(Column(*grid, "PropAlias")->Index());
    }
    Focus();
    PressKey(Grid, Qt::Key_F2);
    FocusRtl();
    PressKey(Rtl, Qt::Key_F2);
    auto* plain = dynamic_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor());
    auto* mirrored = dynamic_cast<TDBGridInplaceEdit*>(Rtl->InplaceEditor());
    ASSERT_TRUE(plain && mirrored && mirrored->Visible());
    EXPECT_EQ(Geometry(mirrored), Mirror(Geometry(plain), Rtl->ClientWidth()));
    EXPECT_TRUE(mirrored->isRightToLeft());
    // Its buttons stand at its left, in the mirrored order, the text area
    // right of them.
    for (int i = 0; i < mirrored->ButtonCount(); ++i)
        EXPECT_EQ(Geometry(mirrored->ButtonControl(i)), Mirror(Geometry(plain->ButtonControl(i)), mirrored->width()))
            << i;
    EXPECT_GE(mirrored->EditRect().Left, mirrored->ButtonControl(0)->geometry().right());

    // A press on the buttons' strip of another row's cell, at its left, goes
    // to the editor's button there; its release clicks it.
    PressKey(Rtl, Qt::Key_Escape);
    int clicks = 0;
    Rtl->OnEditButtonClick = [&](QObject*) { ++clicks; };
    const TRect cell = DataCell(*Rtl, Column(*Rtl, "PropAlias")->Index(), 3);
    const QPoint point(cell.Left + mirrored->ButtonControl(0)->geometry().center().x(), cell.Top + 5);
    MouseAt(*Rtl, QEvent::MouseButtonPress, point);
    EXPECT_EQ(Geometry(mirrored), cell);
    QWidget* button = mirrored->ButtonControl(0);
    const QPointF local(button->mapFrom(Rtl->ClientWidget(), point));
    QMouseEvent release(QEvent::MouseButtonRelease, local, button->mapToGlobal(local), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(button, &release);
    EXPECT_EQ(clicks, 1);

    // The filter row's editor alike; Left at its text's end moves on to the
    // next column's filter.
    Rtl->STFilter().SetVisible(true);
    const TRect filter = Rtl->CellRect(Rtl->DataToRawColumn(Column(*Rtl, "PropAlias")->Index()), 1);
    ClickAt(*Rtl, Centre(filter));
    TInplaceFilterEditMv* editor = Rtl->FilterRow().Editor();
    ASSERT_TRUE(editor && editor->isVisible());
    EXPECT_EQ(Geometry(editor), filter);
    EXPECT_TRUE(editor->isRightToLeft());
    PressKey(editor, Qt::Key_Left);
    EXPECT_EQ(Rtl->FilterRow().EditColumn(), Column(*Rtl, "Price"));
}

TEST_F(DBGridRightToLeftTest, MouseAndKeysFollowTheMirrorColumnsSizeAndMoveByTheirTitles)
{
    ShowSkus(460, 220);
    FocusRtl();
    ClickAt(*Rtl, Centre(DataCell(*Rtl, 2, 3)));
    EXPECT_EQ(Rtl->GetSelectedIndex(), 2);
    EXPECT_EQ(Rtl->DataSource()->DataSet()->RecNo(), 4);
    // Left is the next column, Right the previous one.
    PressKey(Rtl, Qt::Key_Left);
    EXPECT_EQ(Rtl->GetSelectedIndex(), 3);
    PressKey(Rtl, Qt::Key_Right);
    EXPECT_EQ(Rtl->GetSelectedIndex(), 2);
    TColumnMv* clicked = nullptr;
    Rtl->OnTitleClick = [&](TColumnMv* column) { clicked = column; };
    ClickAt(*Rtl, Centre(Rtl->CellRect(Rtl->DataToRawColumn(2), 0)));
    EXPECT_EQ(clicked, Rtl->Columns().Items(2));

    TColumnMv* sku = Column(*Rtl, "SkuID");
    const int before = sku->Width();
    // The line after the first data column is at its left on screen.
    const TRect title = Rtl->CellRect(Rtl->DataToRawColumn(0), 0);
    const int line = title.Left - 1;
    EXPECT_TRUE(Rtl->Sizing(line, 5));
    EXPECT_FALSE(Rtl->Sizing(title.Right - 10, 5));
    MouseAt(*Rtl, QEvent::MouseButtonPress, QPoint(line, 5));
    MouseAt(*Rtl, QEvent::MouseMove, QPoint(line - 25, 5));
    MouseAt(*Rtl, QEvent::MouseButtonRelease, QPoint(line - 25, 5));
    EXPECT_EQ(sku->Width(), before + 25);
    // Live sizing alike, from where the line was taken.
    Rtl->SetOptionsMv(Rtl->OptionsMv() | dghTraceColSizing);
    const int traced = line - 25;
    MouseAt(*Rtl, QEvent::MouseButtonPress, QPoint(traced + 2, 5));
    MouseAt(*Rtl, QEvent::MouseMove, QPoint(traced - 8, 5));
    EXPECT_EQ(sku->Width(), before + 35);
    MouseAt(*Rtl, QEvent::MouseButtonRelease, QPoint(traced - 8, 5));

    // A title dragged further left lands after the column it is dropped on.
    const QPoint from = Centre(Rtl->CellRect(Rtl->DataToRawColumn(0), 0));
    const QPoint to = Centre(Rtl->CellRect(Rtl->DataToRawColumn(2), 0));
    MouseAt(*Rtl, QEvent::MouseButtonPress, from);
    MouseAt(*Rtl, QEvent::MouseMove, QPoint(from.x() - 10, from.y()));
    MouseAt(*Rtl, QEvent::MouseMove, to);
    Rtl->WMTimer(1);
    MouseAt(*Rtl, QEvent::MouseButtonRelease, to);
    EXPECT_EQ(Rtl->Columns().Items(2), sku);
}

TEST_F(DBGridRightToLeftTest, ItsColumnsFollowTheOrderItTakesFromItsWindowAndTheScreenShowsTheNewLayout)
{
    // Made in a window of the right-to-left application, it reads as the
    // window does (the twin is pinned right to left when shown).
    EXPECT_TRUE(Rtl->ParentBiDiMode());
    EXPECT_EQ(Rtl->BiDiMode(), bdRightToLeft);
    ShowSkus();
    Rtl->SetParentBiDiMode(true);
    TColumnMv* alias = Column(*Rtl, "PropAlias");
    EXPECT_TRUE(alias->UseRightToLeftAlignment());
    const int width = Rtl->ClientWidth();
    EXPECT_EQ(DataCell(*Rtl, 0, 1), Mirror(DataCell(*Grid, 0, 1), width));

    RtlWindow->setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(alias->BiDiMode(), bdLeftToRight);
    EXPECT_FALSE(alias->UseRightToLeftAlignment());
    EXPECT_EQ(DataCell(*Rtl, 0, 1), DataCell(*Grid, 0, 1));
    EXPECT_EQ(BackingStore(*Rtl), Grab());
}

TEST_F(DBGridRightToLeftTest, TreeRowsIndentFromTheRightAndTheirBoxesAnswerThere)
{
    const std::vector<std::pair<int, QString>> nodes{
        {-1, QStringLiteral("服装")}, {0, QStringLiteral("上衣")}, {1, QStringLiteral("衬衫")},
        {1, QStringLiteral("T恤")},   {0, QStringLiteral("裤子")}, {-1, QStringLiteral("鞋子")},
    };
    TTreeDataSet plainTree(nodes);
    TTreeDataSet tree(nodes);
    ShowBoth(plainTree, tree, 360, 200);
    ASSERT_TRUE(Rtl->TreeRows());
    // The indent of "T恤" (three levels: lines and its own connector) is the
    // mirror image of the left-to-right one, at the cell's right.
    const TRect plainCell = DataCell(*Grid, 0, 3);
    const TRect cell = DataCell(*Rtl, 0, 3);
    ASSERT_EQ(cell, Mirror(plainCell, Rtl->ClientWidth()));
    EXPECT_EQ(GrabRtl().copy(cell.Right - 3 * 18, cell.Top, 3 * 18, cell.Height()),
              Grab().copy(plainCell.Left, plainCell.Top, 3 * 18, plainCell.Height()).mirrored(true, false));

    // A click on "上衣"'s box, the second node column from the right, closes
    // it and opens it again.
    const TRect row = DataCell(*Rtl, 0, 1);
    const QPoint box(row.Right - 18 - 9, (row.Top + row.Bottom) / 2);
    FocusRtl();
    ClickAt(*Rtl, box);
    EXPECT_EQ(tree.VisibleNames().size(), 4);
    ClickAt(*Rtl, box);
    EXPECT_EQ(tree.VisibleNames().size(), 6);
    // The cell editor keeps its text clear of the indent, at its right, and
    // shows there the mirror image of what the left-to-right editor shows.
    tree.SetRecNo(2);
    plainTree.SetRecNo(2);
    PressKey(Rtl->ClientWidget(), Qt::Key_F2);
    Focus();
    PressKey(Grid->ClientWidget(), Qt::Key_F2);
    auto* editor = dynamic_cast<TDBGridInplaceEdit*>(Rtl->InplaceEditor());
    auto* plainEditor = dynamic_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor());
    ASSERT_TRUE(editor && editor->isVisible() && plainEditor && plainEditor->isVisible());
    EXPECT_EQ(editor->EditRect().Right, editor->width() - plainEditor->EditRect().Left);
    const int indent = 2 * 18;
    EXPECT_EQ(GrabWidget(editor).copy(editor->width() - indent, 0, indent, editor->height()),
              GrabWidget(plainEditor).copy(0, 0, indent, plainEditor->height()).mirrored(true, false));
    Rtl->SetDataSource(nullptr);
    Grid->SetDataSource(nullptr);
}

TEST_F(DBGridRightToLeftTest, TipsLeaveOutTheMirroredPartsOfTheirCellsAndOpenOverTheirText)
{
    const std::vector<std::pair<int, QString>> nodes{
        {-1, QStringLiteral("服装鞋帽配饰")}, {0, QStringLiteral("上衣外套夹克")}, {1, QStringLiteral("长袖衬衫正装")}};
    TTreeDataSet plainTree(nodes);
    TTreeDataSet tree(nodes);
    ShowBoth(plainTree, tree, 360, 200);
    TImageList images(12, 12);
    for (TTestDBGrid* grid : {Grid, Rtl}) {
        // Tree indent and image where the text starts, two always-shown
        // buttons at its end; the titles' sort markers, one title turned.
        grid->SetOptionsMv(grid->OptionsMv() | dghMultiSortMarking);
        TColumnMv* name = Column(*grid, "Name");
        name->SetWidth(140);
        name->SetToolTips(true);
        name->SetImageList(&images);
        name->SetShowImageAndText(true);
        name->SetAlwaysShowEditButton(true);
        name->SetButtonStyle(cbsEllipsis);
        TEditButtonMv* extra = name->EditButtons().Add();
        extra->SetStyle(ebsPlusMv);
        extra->SetVisible(true);
        name->Title().SetCaption(QStringLiteral("商品的分类名称和详细的说明文字"));
        name->Title().SetToolTips(true);
        name->Title().SetSortMarker(smDownMv);
        TColumnMv* id = Column(*grid, "Id");
        id->Title().SetCaption(QStringLiteral("商品编号"));
        id->Title().SetOrientation(tohVertical);
        id->Title().SetToolTips(true);
        id->Title().SetSortMarker(smUpMv);
    }
    QCoreApplication::processEvents();
    const int width = Rtl->ClientWidth();
    ASSERT_EQ(Grid->ClientWidth(), width);

    TCustomDBGridMv::TCellTipMv plain;
    TCustomDBGridMv::TCellTipMv mirrored;
    const TRect titles[] = {Grid->CellRect(Grid->DataToRawColumn(0), 0), Grid->CellRect(Grid->DataToRawColumn(1), 0)};
    for (const TRect& cell : {DataCell(*Grid, 0, 2), titles[0], titles[1]}) {
        const QPoint at = Centre(cell);
        ASSERT_TRUE(Grid->CellTipAt(at, plain)) << plain.Text.toStdString();
        ASSERT_TRUE(Rtl->CellTipAt(QPoint(width - 1 - at.x(), at.y()), mirrored)) << plain.Text.toStdString();
        ASSERT_EQ(mirrored.CellRect, Mirror(plain.CellRect, width));
        EXPECT_LT(plain.TextRect.Right, plain.CellRect.Right) << "the buttons or the marker left out";
        EXPECT_EQ(mirrored.TextRect, Mirror(plain.TextRect, width)) << plain.Text.toStdString();
    }
    // The data cell's indent (lines and its own connector) and image, the
    // marker's 14 pixels.
    ASSERT_TRUE(Grid->CellTipAt(Centre(DataCell(*Grid, 0, 2)), plain));
    EXPECT_EQ(plain.TextRect.Left, plain.CellRect.Left + 3 * 18 + 12 + 5);
    ASSERT_TRUE(Grid->CellTipAt(Centre(titles[0]), plain));
    EXPECT_EQ(plain.TextRect.Right, plain.CellRect.Right - 14);

    // Shown by the platform's help event, the tip covers the text: from its
    // start, which right to left is its right edge, growing the way it reads;
    // it lets the mouse through to the cell below.
    for (TTestDBGrid* grid : {Grid, Rtl}) {
        const bool rightToLeft = grid == Rtl;
        const QPoint at = Centre(DataCell(*grid, 0, 2));
        TCustomDBGridMv::TCellTipMv tip;
        ASSERT_TRUE(grid->CellTipAt(at, tip));
        QWidget* client = grid->ClientWidget();
        QHelpEvent help(QEvent::ToolTip, at, client->mapToGlobal(at));
        QApplication::sendEvent(client, &help);
        ASSERT_EQ(QToolTip::text(), tip.Text);
        const QWidgetList windows = QApplication::topLevelWidgets();
        const auto window = std::find_if(windows.begin(), windows.end(),
                                         [](QWidget* w) { return w->isVisible() && w->windowType() == Qt::ToolTip; });
        ASSERT_NE(window, windows.end());
        const QRect shown = (*window)->geometry();
        const QRect text = tip.TextRect.ToQRect().translated(client->mapToGlobal(QPoint(0, 0)));
        EXPECT_EQ(shown.top(), text.top()) << rightToLeft;
        EXPECT_GT(shown.width(), text.width()) << "the cut text is wider than its room";
        if (rightToLeft)
            EXPECT_EQ(shown.right(), text.right());
        else
            EXPECT_EQ(shown.left(), text.left());
        EXPECT_TRUE((*window)->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
        QToolTip::hideText();
    }
}

TEST_F(DBGridRightToLeftTest, TurnedTitlesTheRowCursorAndTheStandAloneEditAndCheckBoxStandMirrored)
{
    ShowSkus();
    for (TTestDBGrid* grid : {Grid, Rtl}) {
        grid->SetTitleHeight(40);
        grid->SetOptions(grid->Options() | dgMultiSelect);
        TColumnTitleMv& title = Column(*grid, "Price")->Title();
        title.SetCaption(QStringLiteral("单价"));
        title.SetOrientation(tohVertical);
        title.SetSortMarker(smDownMv);
    }
    const QImage plain = Grab();
    const QImage mirrored = GrabRtl();
    const int width = Rtl->ClientWidth();
    // The turned caption stands in the mirrored cell, clear of the marker
    // (now at the cell's left), and reads upright: the same picture as left
    // to right, not its mirror image.
    const TRect title = Grid->CellRect(Grid->DataToRawColumn(Column(*Grid, "Price")->Index()), 0);
    const TRect caption(title.Left + 1, title.Top + 1, title.Right - 1 - 16, title.Bottom - 1);
    const QImage upright = plain.copy(caption.ToQRect());
    ASSERT_TRUE(HasInk(plain, caption));
    ASSERT_NE(upright, upright.mirrored(true, false));
    EXPECT_EQ(mirrored.copy(Mirror(caption, width).ToQRect()), upright);

    // Over a data row's indicator, at the right, the row-selection arrow
    // points left.
    const QPoint indicator = Centre(Grid->CellRect(0, Grid->TitleRowCount() + 1));
    MouseAt(*Grid, QEvent::MouseMove, indicator);
    MouseAt(*Rtl, QEvent::MouseMove, QPoint(width - 1 - indicator.x(), indicator.y()));
    const QCursor right = Grid->ClientWidget()->cursor();
    const QCursor left = Rtl->ClientWidget()->cursor();
    ASSERT_EQ(right.shape(), Qt::BitmapCursor);
    const QImage arrow = right.pixmap().toImage();
    ASSERT_NE(arrow, arrow.mirrored(true, false));
    EXPECT_EQ(left.pixmap().toImage(), arrow.mirrored(true, false));
    EXPECT_EQ(left.hotSpot(), QPoint(arrow.width() - 1 - right.hotSpot().x(), right.hotSpot().y()));

    // The stand-alone edit's buttons stand at its left in the mirrored
    // order, each drawn as left to right; the check box's box stands at its
    // right, its tick upright. The left-to-right pair is told so under the
    // same right-to-left system.
    std::unique_ptr<TDBEditMv> edits[2];
    std::unique_ptr<TDBCheckBoxMv> boxes[2];
    for (int i = 0; i < 2; ++i) {
        edits[i] = std::make_unique<TDBEditMv>();
        boxes[i] = std::make_unique<TDBCheckBoxMv>();
        for (QWidget* widget : std::initializer_list<QWidget*>{edits[i].get(), boxes[i].get()}) {
            // Unfocused, as the grids.
            widget->setAttribute(Qt::WA_ShowWithoutActivating);
            if (i == 0)
                widget->setLayoutDirection(Qt::LeftToRight);
        }
        edits[i]->EditButton().SetVisible(true);
        TEditButtonMv* extra = edits[i]->EditButtons().Add();
        extra->SetStyle(ebsPlusMv);
        extra->SetVisible(true);
        edits[i]->resize(160, 24);
        boxes[i]->SetCaption(QStringLiteral("上架"));
        boxes[i]->SetState(cbChecked);
        boxes[i]->resize(120, 20);
        edits[i]->show();
        boxes[i]->show();
    }
    const QImage plainEdit = GrabWidget(edits[0].get());
    const QImage edit = GrabWidget(edits[1].get());
    ASSERT_EQ(edits[1]->ButtonControlCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const TRect plainButton = TRect::FromQRect(edits[0]->ButtonControl(i)->geometry());
        const TRect button = Mirror(plainButton, edit.width());
        EXPECT_EQ(TRect::FromQRect(edits[1]->ButtonControl(i)->geometry()), button) << i;
        EXPECT_EQ(edit.copy(button.ToQRect()), plainEdit.copy(plainButton.ToQRect())) << i;
    }
    const TRect plainBox = boxes[0]->CheckRect();
    const TRect box = Mirror(plainBox, boxes[1]->width());
    EXPECT_EQ(boxes[1]->CheckRect(), box);
    EXPECT_EQ(GrabWidget(boxes[1].get()).copy(box.ToQRect()), GrabWidget(boxes[0].get()).copy(plainBox.ToQRect()));
}

