// The base grid read right to left: it paints the mirror image of its
// left-to-right self, and its screen rectangles, hit tests, keys, sizing,
// moving, auto-scroll, window scrolling and horizontal bar follow the mirror.

#include "GridTestSupport.h"

#include "gridbase/ToolCtrlsMvButtons.h"
#include "gridbase/ToolCtrlsMvDropDown.h"
#include "platform/ImageList.h"

#include <QScrollBar>

namespace {

// Right to left needs a system that reads right to left; each test runs
// under one and leaves the application as it found it.
class RightToLeftGridTest : public GridTest {
protected:
    void SetUp() override
    {
        GridTest::SetUp();
        QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    }
    void TearDown() override
    {
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
        GridTest::TearDown();
    }
};

void Prepare(TTestGrid& grid, bool rightToLeft, int cols = 8, int rows = 30, int width = 500, int height = 300)
{
    grid.resize(width, height);
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    grid.SetOptions(grid.Options() | goColSizing | goRowSizing);
    // Set either way: left to right the grid would otherwise take the
    // right-to-left application's order.
    grid.SetBiDiMode(rightToLeft ? bdRightToLeft : bdLeftToRight);
    FocusOn(&grid);
}

// The client rectangle [L, R) mirrored in a client of the given width.
TRect Mirror(const TRect& r, int width)
{
    return TRect(width - r.Right, r.Top, width - r.Left, r.Bottom);
}

// A grid with every painted part: frozen and contra columns, a contra row,
// a selection, the focused cell, a switched-off line kind and odd widths.
void Furnish(TTestGrid& grid)
{
    grid.SetFixedCols(2);
    grid.SetFrozenCols(1);
    grid.SetContraColCount(2);
    grid.SetContraRowCount(1);
    grid.SetColWidths(0, 30);
    grid.SetColWidths(3, 41);
    grid.SetColWidths(grid.ColCount() + 1, 23);
    grid.SetRowHeights(4, 37);
    grid.SetOptions(grid.Options() & ~TGridOptionsMv(goHorzLine));
    grid.DrawTexts = false;
    // 3-D frames keep their light from the upper left in either order.
    grid.SetCtl3D(false);
    grid.FocusCell(3, 2, true);
    grid.FocusCell(4, 5, false);
}

} // namespace

TEST_F(RightToLeftGridTest, PaintsTheExactMirrorImageOfItsLeftToRightSelfWithItsBarsAndHitsTheMirroredCells)
{
    // The left-to-right grid runs under the same right-to-left system.
    TTestGrid ltr;
    TTestGrid rtl;
    Prepare(ltr, false);
    Furnish(ltr);
    Prepare(rtl, true);
    Furnish(rtl);
    const QImage mirrored = GrabClient(rtl);
    FocusOn(&ltr);
    const QImage plain = GrabClient(ltr);
    EXPECT_NE(plain, plain.mirrored(true, false)) << "the picture is not symmetric";
    EXPECT_EQ(mirrored, plain.mirrored(true, false));
    // The vertical bar stands at the left; the horizontal one is not turned.
    EXPECT_EQ(rtl.ScrollBarWidget(sbHorizontal)->layoutDirection(), Qt::LeftToRight);
    ASSERT_TRUE(rtl.ScrollBarShowing(sbVertical));
    const QRect client = rtl.ClientWidget()->geometry();
    EXPECT_LT(rtl.ScrollBarWidget(sbVertical)->geometry().right(), client.left());
    EXPECT_EQ(client.right(), rtl.width() - 2) << "up to the one-pixel flat border";
    EXPECT_EQ(rtl.ScrollBarWidget(sbHorizontal)->geometry().left(), client.left());

    // Screen rectangles, lines included, and hit tests.
    const int width = rtl.ClientWidth();
    for (int col : {0, 2, 3, rtl.ColCount()}) {
        const TRect cell = rtl.CellRect(col, 2);
        EXPECT_EQ(cell, Mirror(ltr.CellRect(col, 2), width)) << col;
        EXPECT_EQ(rtl.MouseCoord(cell.Left, cell.Top).X, col);
        EXPECT_EQ(rtl.MouseCoord(cell.Right - 1, cell.Top).X, col);
    }
    EXPECT_EQ(rtl.MouseCoord(width, 50), (TGridCoordMv{-1, -1}));
    TRect plainBox;
    TRect mirroredBox;
    ltr.GridRectToScreenRect({2, 1, 4, 4}, plainBox, true);
    rtl.GridRectToScreenRect({2, 1, 4, 4}, mirroredBox, true);
    EXPECT_EQ(mirroredBox, Mirror(plainBox, width));

    // Row select: the whole row's focus ring, mirrored too.
    for (TTestGrid* grid : {&ltr, &rtl})
        grid->SetOptions(grid->Options() | goRowSelect);
    const QImage rowPlain = GrabClient(ltr);
    FocusOn(&rtl);
    EXPECT_EQ(GrabClient(rtl), rowPlain.mirrored(true, false));
}

TEST_F(RightToLeftGridTest, FixedCellFramesFlatAndRaisedKeepTheirLightFromTheUpperLeft)
{
    for (bool flat : {false, true}) {
        TTestGrid grid;
        Prepare(grid, true);
        grid.DrawTexts = false;
        grid.SetFlat(flat);
        const QImage image = GrabClient(grid);
        const TRect cell = grid.CellRect(0, 2);
        const QColor light = ToQColor(clBtnHighlight, grid.palette());
        // The lower right is dark, or painted over in the cell's colour.
        const QColor dark = ToQColor(flat ? grid.FixedColor() : clBtnShadow, grid.palette());
        EXPECT_EQ(image.pixelColor(cell.Left + 5, cell.Top), light) << flat;
        EXPECT_EQ(image.pixelColor(cell.Left, cell.Top + 5), light) << flat;
        EXPECT_EQ(image.pixelColor(cell.Right - 1, cell.Top + 5), dark) << flat;
        EXPECT_EQ(image.pixelColor(cell.Left + 5, cell.Bottom - 1), dark) << flat;
    }
}

TEST_F(RightToLeftGridTest, LeftAndRightKeysFollowTheMirrorInTheGridAndInItsEditor)
{
    TTestGrid grid;
    Prepare(grid, true, 20, 30);
    grid.FocusCell(3, 2, true);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 4);
    PressKey(Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 3);
    // Ctrl+Left pages on to the later columns, Ctrl+Right back.
    const int page = grid.VisibleColCount() - 1;
    PressKey(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(grid.Col(), 3 + page);
    EXPECT_EQ(grid.LeftCol(), 1 + page);
    PressKey(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(grid.Col(), 3);
    EXPECT_EQ(grid.LeftCol(), 1);
    // Ctrl+End and Ctrl+Home go to the corners and repaint the grid.
    PressKey(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 29);
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
    PressKey(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
    // Row select: Left is the next row.
    grid.SetOptions(grid.Options() | goRowSelect);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Row(), 2);
    PressKey(Qt::Key_Right);
    EXPECT_EQ(grid.Row(), 1);

    // The editor sits on the mirrored cell; its text starts at the right, so
    // Left walks into the text and leaves it at its end.
    grid.SetOptions((grid.Options() & ~TGridOptionsMv(goRowSelect)) | goEditing | goAlwaysShowEditor);
    grid.Cells[{2, 2}] = QStringLiteral("abc");
    grid.FocusCell(2, 2, true);
    QCoreApplication::processEvents();
    TInplaceEdit* editor = grid.InplaceEditor();
    ASSERT_TRUE(editor && editor->Visible());
    EXPECT_EQ(TRect::FromQRect(editor->geometry()), grid.CellRect(2, 2));
    EXPECT_TRUE(editor->isRightToLeft());
    editor->setCursorPosition(0);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 2);
    editor->setCursorPosition(3);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 3);
}

TEST_F(RightToLeftGridTest, ColumnsSizeByTheirMirroredLinesAndMoveByTheirTitles)
{
    TTestGrid grid;
    Prepare(grid, true, 6, 5);
    // Column 2's line is at its left on screen; rows size from the fixed
    // column, which stands at the right.
    const int line = grid.CellRect(2, 0).Left - 1;
    EXPECT_TRUE(grid.Sizing(line - 3, 5));
    EXPECT_TRUE(grid.Sizing(line + 3, 5));
    EXPECT_FALSE(grid.Sizing(line - 4, 5));
    EXPECT_FALSE(grid.Sizing(line + 4, 5));
    const int rowLine = grid.CellRect(0, 1).Bottom;
    EXPECT_TRUE(grid.Sizing(grid.ClientWidth() - 10, rowLine));
    EXPECT_FALSE(grid.Sizing(10, rowLine));

    // Dragging the line leftwards widens the column; the sizing line
    // follows the pointer on screen.
    MousePress(grid, QPoint(line + 2, 5));
    MouseMove(grid, QPoint(line - 18, 5));
    const QImage image = BackingStoreClient(grid);
    int dark = 0;
    for (int y = 60; y < 120; ++y)
        dark += image.pixelColor(line - 20, y).lightness() < 100 ? 1 : 0;
    EXPECT_GE(dark, 20) << "the sizing line stands where the column's line will";
    MouseRelease(grid, QPoint(line - 18, 5));
    EXPECT_EQ(grid.ColWidths(2), 84);
    // A press in the grab zone without a move changes nothing, nor does a
    // drag below 2 pixels.
    const int moved = grid.CellRect(2, 0).Left - 1;
    for (int dx : {-3, 3})
        Click(grid.ClientWidget(), QPoint(moved + dx, 5));
    MousePress(grid, QPoint(moved, 5));
    MouseMove(grid, QPoint(grid.CellRect(2, 0).Right - 2, 5));
    MouseRelease(grid, QPoint(grid.CellRect(2, 0).Right - 2, 5));
    EXPECT_EQ(grid.ColWidths(2), 84);

    // A title dragged onto a later column (further left) moves it there.
    grid.SetOptions(grid.Options() | goColMoving);
    grid.SetColWidths(2, 40);
    MousePress(grid, Centre(grid.CellRect(2, 0)));
    EXPECT_EQ(grid.GridState(), gsColMoving);
    MouseMove(grid, Centre(grid.CellRect(4, 0)));
    grid.WMTimer(1);
    MouseRelease(grid, Centre(grid.CellRect(4, 0)));
    EXPECT_EQ(grid.ColWidths(4), 40);
}

TEST_F(RightToLeftGridTest, ContraColumnsAtTheLeftSizeFromTheLineInFrontOfThem)
{
    TTestGrid grid;
    grid.SetContraColCount(2);
    Prepare(grid, true, 4, 5, 600, 300);
    // The line between the contra columns is at the right of the outer one.
    const int between = grid.CellRect(4, 0).Left - 1;
    MousePress(grid, QPoint(between, 5));
    MouseMove(grid, QPoint(between + 30, 5));
    MouseRelease(grid, QPoint(between + 30, 5));
    EXPECT_EQ(grid.ColWidths(5), 94);
    EXPECT_EQ(grid.ColWidths(4), 64);
    EXPECT_EQ(grid.CellRect(5, 0).Left, 1) << "still flush with the far (left) edge";
}

TEST_F(RightToLeftGridTest, TheHorizontalBarAndASelectionPastTheLeftEdgeScrollOnToLaterColumns)
{
    TTestGrid grid;
    Prepare(grid, true, 20, 10, 400, 300);
    EXPECT_EQ(grid.GetScrollPos(sbHorizontal), 127) << "the first columns: thumb at the right";
    // The bar's left arrow shows later columns.
    grid.ModifyScrollBar(sbHorizontal, SB_LINEUP, 0);
    EXPECT_EQ(grid.LeftCol(), 2);
    grid.ModifyScrollBar(sbHorizontal, SB_LINEDOWN, 0);
    EXPECT_EQ(grid.LeftCol(), 1);
    // The thumb at the left end is the last columns; positions read back as
    // they were set.
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    const int last = grid.CalcMaxTopLeft({19, 9}, info).X;
    grid.ModifyScrollBar(sbHorizontal, SB_THUMBPOSITION, 0);
    EXPECT_EQ(grid.LeftCol(), last);
    for (int left = 1; left <= last; ++left) {
        grid.SetLeftCol(left);
        grid.ModifyScrollBar(sbHorizontal, SB_THUMBPOSITION, grid.GetScrollPos(sbHorizontal));
        EXPECT_EQ(grid.LeftCol(), left);
    }
    grid.ModifyScrollBar(sbHorizontal, SB_TOP, 0);
    EXPECT_EQ(grid.LeftCol(), last) << "the bar's left end";
    // Through the bar widget itself: its right arrow.
    grid.ScrollBarWidget(sbHorizontal)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(grid.LeftCol(), last - 1);
    EXPECT_EQ(grid.ScrollBarWidget(sbHorizontal)->value(), grid.GetScrollPos(sbHorizontal));

    // Selecting past the last full column, which is at the left, scrolls
    // on; over the fixed column, at the right, back.
    grid.SetLeftCol(1);
    const int y = Centre(grid.CellRect(2, 2)).y();
    MousePress(grid, Centre(grid.CellRect(2, 2)));
    MouseMove(grid, QPoint(1, y));
    const int anchor = grid.Selection().Right;
    grid.WMTimer(1);
    grid.WMTimer(1);
    EXPECT_EQ(grid.Selection().Right, anchor + 2);
    MouseMove(grid, QPoint(grid.ClientWidth() - 5, y));
    const int left = grid.LeftCol();
    grid.WMTimer(1);
    EXPECT_LT(grid.Selection().Left + grid.Selection().Right, 2 * anchor + 4);
    EXPECT_LE(grid.LeftCol(), left);
    MouseRelease(grid, QPoint(grid.ClientWidth() - 5, y));
}

TEST_F(RightToLeftGridTest, ScrollingAndResizingLeaveTheScreenAsAFreshPaint)
{
    TTestGrid grid;
    grid.SetContraRowCount(1);
    Prepare(grid, true, 20, 40, 420, 300);
    grid.DrawTexts = false;
    QCoreApplication::processEvents();
    grid.SetLeftCol(3);
    grid.SetTopRow(4);
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
    grid.SetLeftCol(2);
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
    grid.resize(470, 320);
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));

    // One column wider than the client scrolls by pixels from the right.
    TTestGrid wide;
    Prepare(wide, true, 1, 10, 300, 200);
    wide.SetFixedCols(0);
    wide.SetColWidths(0, 700);
    const int range = wide.GetScrollInfo(sbHorizontal).Max;
    EXPECT_EQ(wide.GetScrollPos(sbHorizontal), range);
    wide.ModifyScrollBar(sbHorizontal, SB_THUMBPOSITION, range - 50);
    EXPECT_EQ(wide.ColOffset(), 50);
    EXPECT_EQ(wide.GetScrollPos(sbHorizontal), range - 50);
    EXPECT_EQ(BackingStoreClient(wide), GrabClient(wide));
}

// Where the fixed column stands tells the layout: at the right edge right
// to left; the vertical bar stands on the other side.
bool LaidOutRightToLeft(TTestGrid& grid)
{
    const bool fixedAtRight = grid.CellRect(0, 1).Right == grid.ClientWidth();
    const bool barAtLeft = grid.ScrollBarWidget(sbVertical)->x() < grid.ClientWidget()->x();
    EXPECT_EQ(fixedAtRight, barAtLeft);
    EXPECT_EQ(grid.isRightToLeft(), fixedAtRight) << "the editor and other children read as the grid";
    return fixedAtRight;
}

TEST_F(RightToLeftGridTest, TakesItsParentsOrderAndFollowsItUntilItsOwnIsSet)
{
    QWidget window;
    auto* grid = new TTestGrid(&window);
    grid->resize(400, 200);
    grid->SetRowCount(30);
    window.show();
    EXPECT_TRUE(grid->ParentBiDiMode());
    EXPECT_EQ(grid->BiDiMode(), bdRightToLeft);
    EXPECT_TRUE(LaidOutRightToLeft(*grid));
    window.setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(grid->BiDiMode(), bdLeftToRight);
    EXPECT_FALSE(LaidOutRightToLeft(*grid));
    window.setLayoutDirection(Qt::RightToLeft);
    EXPECT_TRUE(LaidOutRightToLeft(*grid));

    // A parent grid gives its own mode, also one that Qt's direction does
    // not tell; a new parent is followed at once.
    auto* outer = new TTestGrid(&window);
    outer->SetBiDiMode(bdRightToLeftNoAlign);
    grid->setParent(outer);
    EXPECT_EQ(grid->BiDiMode(), bdRightToLeftNoAlign);
    EXPECT_FALSE(LaidOutRightToLeft(*grid));
    outer->SetBiDiMode(bdRightToLeftReadingOnly);
    EXPECT_EQ(grid->BiDiMode(), bdRightToLeftReadingOnly);
    grid->setParent(&window);
    EXPECT_EQ(grid->BiDiMode(), bdRightToLeft);

    // Its own mode turns the parent's off; turned on again, the parent's
    // order is taken at once.
    grid->SetBiDiMode(bdRightToLeft);
    EXPECT_FALSE(grid->ParentBiDiMode());
    window.setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(grid->BiDiMode(), bdRightToLeft);
    EXPECT_TRUE(LaidOutRightToLeft(*grid));
    grid->SetParentBiDiMode(true);
    EXPECT_EQ(grid->BiDiMode(), bdLeftToRight);
    EXPECT_FALSE(LaidOutRightToLeft(*grid));
}

TEST_F(RightToLeftGridTest, ReadsAsTheApplicationWithoutParentAndLaysOutRightToLeftOnlyUnderItsDirection)
{
    TTestGrid alone;
    QWidget window;
    window.setLayoutDirection(Qt::RightToLeft);
    auto* grid = new TTestGrid(&window);
    for (TTestGrid* g : {&alone, grid})
        g->SetRowCount(30);
    alone.show();
    window.show();
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(alone.BiDiMode(), bdLeftToRight);
    EXPECT_FALSE(LaidOutRightToLeft(alone));
    // A window set right to left in a left-to-right application gives its
    // order, which means no mirror there.
    EXPECT_EQ(grid->BiDiMode(), bdRightToLeft);
    EXPECT_FALSE(LaidOutRightToLeft(*grid));
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(alone.BiDiMode(), bdRightToLeft);
    EXPECT_TRUE(LaidOutRightToLeft(alone));
    EXPECT_TRUE(LaidOutRightToLeft(*grid));
}

TEST_F(RightToLeftGridTest, AListsImagesStandAtTheRightAndItsTextEndsShortOfThem)
{
    TTestOwner owner;
    TPopupListboxMv list(&owner);
    ASSERT_TRUE(list.isRightToLeft()) << "a drop-down of a right-to-left system";
    TImageList images(8, 8);
    QImage strip(8, 8, QImage::Format_RGB32);
    strip.fill(QColor(0, 0, 255));
    images.AddStrip(strip);
    list.SetImageList(&images);
    list.Items().Add(QStringLiteral("蓝色"));
    list.ItemsChanged();
    list.SetItemHeight(16);
    list.SetRowCount(1);
    list.resize(100, list.height());
    ShowDropDownWindow(&list, QPoint(0, 0));
    const QImage image = list.ClientWidget()->grab().toImage();
    const int width = image.width();
    // The 12-pixel image area at the right, the picture centred in it, and
    // the text ending two pixels short of it.
    EXPECT_EQ(image.pixelColor(width - 7, 8), QColor(0, 0, 255));
    int last = -1;
    for (int x = 0; x < width - 12; ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y).lightness() < 110)
                last = x;
    const int textWidth = list.Canvas().TextWidth(QStringLiteral("蓝色"));
    EXPECT_GT(last, width - 12 - 2 - textWidth / 2);
    EXPECT_LT(last, width - 12 - 2);
}

TEST_F(RightToLeftGridTest, TreeElementsOnAMirroredCanvasAreTheMirrorImageOfTheirLeftToRightSelves)
{
    for (int kind = 0; kind <= 9; ++kind) {
        const QImage plain = PaintImage(40, 20, [&](TCanvas& c) {
            DrawTreeElement(c, TRect(3, 0, 21, 20), kind, false, 1.0, 1.0, true);
        });
        const QImage mirrored = PaintImage(40, 20, [&](TCanvas& c) {
            c.SetMirrored(true, 40);
            DrawTreeElement(c, TRect(3, 0, 21, 20), kind, true, 1.0, 1.0, true);
        });
        EXPECT_EQ(mirrored, plain.mirrored(true, false)) << kind;
    }
}
