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
    if (rightToLeft)
        grid.SetBiDiMode(bdRightToLeft);
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

TEST_F(RightToLeftGridTest, OnlyARightToLeftSystemTurnsTheGridRound)
{
    TTestGrid grid;
    Prepare(grid, false);
    EXPECT_FALSE(grid.UseRightToLeftAlignment());
    EXPECT_EQ(grid.layoutDirection(), Qt::LeftToRight) << "a left-to-right grid under a right-to-left system";
    grid.SetBiDiMode(bdRightToLeftReadingOnly);
    EXPECT_FALSE(grid.UseRightToLeftAlignment());
    EXPECT_TRUE(grid.UseRightToLeftReading());
    grid.SetBiDiMode(bdRightToLeft);
    EXPECT_TRUE(grid.UseRightToLeftAlignment());
    EXPECT_EQ(grid.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(grid.ScrollBarWidget(sbHorizontal)->layoutDirection(), Qt::LeftToRight);
    // The vertical bar stands at the left, the client area right of it.
    ASSERT_TRUE(grid.ScrollBarShowing(sbVertical));
    const QRect bar = grid.ScrollBarWidget(sbVertical)->geometry();
    const QRect client = grid.ClientWidget()->geometry();
    EXPECT_LT(bar.right(), client.left());
    EXPECT_EQ(client.right(), grid.width() - 1 - 2) << "up to the border";
    EXPECT_EQ(grid.ScrollBarWidget(sbHorizontal)->geometry().left(), client.left());
    grid.SetBiDiMode(bdLeftToRight);
    EXPECT_GT(grid.ScrollBarWidget(sbVertical)->geometry().left(), grid.ClientWidget()->geometry().right());
    grid.SetBiDiMode(bdRightToLeft);
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    EXPECT_FALSE(grid.UseRightToLeftAlignment());
}

TEST_F(RightToLeftGridTest, PaintsTheExactMirrorImageOfItsLeftToRightSelf)
{
    TTestGrid ltr;
    Prepare(ltr, false);
    Furnish(ltr);
    TTestGrid rtl;
    Prepare(rtl, true);
    Furnish(rtl);
    FocusOn(&rtl);
    const QImage mirrored = GrabClient(rtl);
    FocusOn(&ltr);
    const QImage plain = GrabClient(ltr);
    ASSERT_EQ(plain.size(), mirrored.size());
    EXPECT_NE(plain, plain.mirrored(true, false)) << "the picture is not symmetric";
    EXPECT_EQ(mirrored, plain.mirrored(true, false));

    // Row select: the whole row's focus ring, mirrored too.
    for (TTestGrid* grid : {&ltr, &rtl})
        grid->SetOptions(grid->Options() | goRowSelect);
    FocusOn(&rtl);
    const QImage rowMirrored = GrabClient(rtl);
    FocusOn(&ltr);
    EXPECT_EQ(rowMirrored, GrabClient(ltr).mirrored(true, false));
}

TEST_F(RightToLeftGridTest, FixedCellFramesKeepTheirLightFromTheUpperLeft)
{
    for (bool flat : {false, true}) {
        TTestGrid grid;
        Prepare(grid, true);
        grid.DrawTexts = false;
        grid.SetFlat(flat);
        const QImage image = GrabClient(grid);
        const TRect cell = grid.CellRect(0, 2);
        const QColor light = ToQColor(clBtnHighlight, grid.palette());
        EXPECT_EQ(image.pixelColor(cell.Left + 5, cell.Top), light) << flat;
        EXPECT_EQ(image.pixelColor(cell.Left, cell.Top + 5), light) << flat;
        // The lower right is dark, or painted over in the cell's colour.
        const QColor lowerRight = flat ? ToQColor(grid.FixedColor(), grid.palette())
                                       : ToQColor(clBtnShadow, grid.palette());
        EXPECT_EQ(image.pixelColor(cell.Right - 1, cell.Top + 5), lowerRight) << flat;
        EXPECT_EQ(image.pixelColor(cell.Left + 5, cell.Bottom - 1), lowerRight) << flat;
    }
}

TEST_F(RightToLeftGridTest, ScreenRectanglesAndHitTestsAreMirrored)
{
    TTestGrid ltr;
    Prepare(ltr, false);
    ltr.SetContraColCount(1);
    TTestGrid rtl;
    Prepare(rtl, true);
    rtl.SetContraColCount(1);
    const int width = rtl.ClientWidth();
    ASSERT_EQ(width, ltr.ClientWidth());
    for (int col : {0, 1, 3, rtl.ColCount()}) {
        const TRect plain = ltr.CellRect(col, 2);
        const TRect mirrored = rtl.CellRect(col, 2);
        EXPECT_EQ(mirrored, Mirror(plain, width)) << col;
        // Every pixel of the mirrored cell hits that cell, its edges too.
        EXPECT_EQ(rtl.MouseCoord(mirrored.Left, mirrored.Top).X, col);
        EXPECT_EQ(rtl.MouseCoord(mirrored.Right - 1, mirrored.Top).X, col);
    }
    // The fixed column is at the right edge, the contra column at the left.
    EXPECT_EQ(rtl.MouseCoord(width - 1, 50).X, 0);
    EXPECT_EQ(rtl.MouseCoord(0, 50).X, rtl.ColCount());
    EXPECT_EQ(rtl.MouseCoord(width, 50), (TGridCoordMv{-1, -1}));
    // A whole selection's rectangle, lines included.
    TRect plainBox;
    TRect mirroredBox;
    ltr.GridRectToScreenRect({1, 1, 3, 4}, plainBox, true);
    rtl.GridRectToScreenRect({1, 1, 3, 4}, mirroredBox, true);
    EXPECT_EQ(mirroredBox, Mirror(plainBox, width));

    // A click selects the cell under the pointer.
    MousePress(rtl, Centre(rtl.CellRect(2, 3)));
    MouseRelease(rtl, Centre(rtl.CellRect(2, 3)));
    EXPECT_EQ(rtl.Col(), 2);
    EXPECT_EQ(rtl.Row(), 3);
}

TEST_F(RightToLeftGridTest, LeftAndRightKeysFollowTheMirror)
{
    TTestGrid grid;
    Prepare(grid, true, 20, 30);
    grid.FocusCell(3, 2, true);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 4);
    PressKey(Qt::Key_Right);
    PressKey(Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 2);
    // Ctrl+Left pages on to the later columns, Ctrl+Right back.
    const int page = grid.VisibleColCount() - 1;
    PressKey(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(grid.Col(), 2 + page);
    EXPECT_EQ(grid.LeftCol(), 1 + page);
    PressKey(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.LeftCol(), 1);
    // Ctrl+End and Ctrl+Home go to the corners and repaint the grid.
    PressKey(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.Col(), 19);
    EXPECT_EQ(grid.Row(), 29);
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
    PressKey(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.Col(), 1);
    EXPECT_EQ(grid.Row(), 1);
    // Row select: Left is the next row.
    grid.SetOptions(grid.Options() | goRowSelect);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Row(), 2);
    PressKey(Qt::Key_Right);
    EXPECT_EQ(grid.Row(), 1);
}

TEST_F(RightToLeftGridTest, ColumnsSizeByTheirMirroredLinesAndMoveByTheirTitles)
{
    TTestGrid grid;
    Prepare(grid, true, 6, 5);
    // Column 2's line is at its left on screen.
    const int line = grid.CellRect(2, 0).Left - 1;
    for (int dx = -3; dx <= 3; ++dx)
        EXPECT_TRUE(grid.Sizing(line + dx, 5)) << dx;
    EXPECT_FALSE(grid.Sizing(line - 4, 5));
    EXPECT_FALSE(grid.Sizing(line + 4, 5));
    grid.ClientWidget()->setCursor(Qt::ArrowCursor);
    MouseMove(grid, QPoint(line, 5), Qt::NoButton);
    EXPECT_EQ(grid.ClientWidget()->cursor().shape(), Qt::SplitHCursor);
    // Rows size from the fixed column, which stands at the right.
    const int rowLine = grid.CellRect(0, 1).Bottom;
    EXPECT_TRUE(grid.Sizing(grid.ClientWidth() - 10, rowLine));
    EXPECT_FALSE(grid.Sizing(10, rowLine));

    // Dragging the line leftwards widens the column; the sizing line
    // follows the pointer on screen.
    MousePress(grid, QPoint(line + 2, 5));
    MouseMove(grid, QPoint(line - 18, 5));
    QImage image = BackingStoreClient(grid);
    int dark = 0;
    for (int y = 60; y < 120; ++y)
        dark += image.pixelColor(line - 20, y).lightness() < 100 ? 1 : 0;
    EXPECT_GE(dark, 20) << "the sizing line stands where the column's line will";
    MouseRelease(grid, QPoint(line - 18, 5));
    EXPECT_EQ(grid.ColWidths(2), 84);
    // A press in the grab zone without a move changes nothing.
    const int moved = grid.CellRect(2, 0).Left - 1;
    for (int dx : {-3, 0, 3}) {
        MousePress(grid, QPoint(moved + dx, 5));
        MouseRelease(grid, QPoint(moved + dx, 5));
        EXPECT_EQ(grid.ColWidths(2), 84) << dx;
    }
    // Never below 2 pixels.
    const int right = grid.CellRect(2, 0).Right;
    MousePress(grid, QPoint(moved, 5));
    MouseMove(grid, QPoint(right - 2, 5));
    MouseRelease(grid, QPoint(right - 2, 5));
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
    EXPECT_EQ(grid.ColWidths(2), 64);
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
    // Still flush with the far (left) edge, its line the first pixel.
    EXPECT_EQ(grid.CellRect(5, 0).Left, 1);
}

TEST_F(RightToLeftGridTest, SelectingBeyondTheLeftEdgeScrollsOnToLaterColumns)
{
    TTestGrid grid;
    Prepare(grid, true, 20, 10, 400, 300);
    MousePress(grid, Centre(grid.CellRect(2, 2)));
    EXPECT_EQ(grid.GridState(), gsSelecting);
    // Past the last full column, which is at the left.
    MouseMove(grid, QPoint(1, Centre(grid.CellRect(2, 2)).y()));
    const int anchor = grid.Selection().Right;
    grid.WMTimer(1);
    grid.WMTimer(1);
    EXPECT_EQ(grid.Selection().Right, anchor + 2);
    EXPECT_GT(grid.LeftCol(), 1);
    // Over the fixed column, at the right, it scrolls back.
    MouseMove(grid, QPoint(grid.ClientWidth() - 5, Centre(grid.CellRect(2, 2)).y()));
    const int left = grid.LeftCol();
    grid.WMTimer(1);
    EXPECT_LT(grid.Selection().Left + grid.Selection().Right, 2 * anchor + 4);
    EXPECT_LE(grid.LeftCol(), left);
    MouseRelease(grid, QPoint(grid.ClientWidth() - 5, 50));
}

TEST_F(RightToLeftGridTest, TheHorizontalBarsThumbStartsAtTheRightAndItsStepsGoLeft)
{
    TTestGrid grid;
    Prepare(grid, true, 20, 10, 400, 300);
    ASSERT_TRUE(grid.ScrollBarShowing(sbHorizontal));
    EXPECT_EQ(grid.GetScrollInfo(sbHorizontal).Max, 127);
    EXPECT_EQ(grid.GetScrollPos(sbHorizontal), 127) << "the first columns: thumb at the right";
    // The bar's left arrow shows later columns.
    grid.ModifyScrollBar(sbHorizontal, SB_LINEUP, 0);
    EXPECT_EQ(grid.LeftCol(), 2);
    EXPECT_LT(grid.GetScrollPos(sbHorizontal), 127);
    grid.ModifyScrollBar(sbHorizontal, SB_LINEDOWN, 0);
    EXPECT_EQ(grid.LeftCol(), 1);
    grid.ModifyScrollBar(sbHorizontal, SB_PAGEUP, 0);
    EXPECT_GT(grid.LeftCol(), 2);
    grid.ModifyScrollBar(sbHorizontal, SB_PAGEDOWN, 0);
    EXPECT_EQ(grid.LeftCol(), 1);
    // The thumb at the left end is the last columns, at the right the first;
    // positions read back as they were set.
    TGridDrawInfoMv info;
    grid.CalcDrawInfo(info);
    const int last = grid.CalcMaxTopLeft({19, 9}, info).X;
    grid.ModifyScrollBar(sbHorizontal, SB_THUMBPOSITION, 0);
    EXPECT_EQ(grid.LeftCol(), last);
    EXPECT_EQ(grid.GetScrollPos(sbHorizontal), 0);
    grid.ModifyScrollBar(sbHorizontal, SB_THUMBPOSITION, 127);
    EXPECT_EQ(grid.LeftCol(), 1);
    for (int left = 1; left <= last; ++left) {
        grid.SetLeftCol(left);
        grid.ModifyScrollBar(sbHorizontal, SB_THUMBPOSITION, grid.GetScrollPos(sbHorizontal));
        EXPECT_EQ(grid.LeftCol(), left);
    }
    grid.ModifyScrollBar(sbHorizontal, SB_TOP, 0);
    EXPECT_EQ(grid.LeftCol(), last) << "the bar's left end";
    // Through the bar widget itself: its left arrow.
    grid.SetLeftCol(1);
    grid.ScrollBarWidget(sbHorizontal)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(grid.LeftCol(), 2);
    EXPECT_EQ(grid.ScrollBarWidget(sbHorizontal)->value(), grid.GetScrollPos(sbHorizontal));
}

TEST_F(RightToLeftGridTest, AColumnWiderThanTheClientScrollsByPixelsFromTheRight)
{
    TTestGrid grid;
    Prepare(grid, true, 1, 10, 300, 200);
    grid.SetFixedCols(0);
    grid.SetColWidths(0, 700);
    ASSERT_TRUE(grid.ScrollBarShowing(sbHorizontal));
    const int range = grid.GetScrollInfo(sbHorizontal).Max;
    EXPECT_EQ(grid.GetScrollPos(sbHorizontal), range);
    grid.ModifyScrollBar(sbHorizontal, SB_THUMBPOSITION, range - 50);
    EXPECT_EQ(grid.ColOffset(), 50);
    EXPECT_EQ(grid.GetScrollPos(sbHorizontal), range - 50);
    // The column's logical left edge has moved off the right edge.
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
}

TEST_F(RightToLeftGridTest, ScrollingAndResizingLeaveTheScreenAsAFreshPaint)
{
    TTestGrid grid;
    grid.SetContraRowCount(1);
    Prepare(grid, true, 20, 40, 420, 300);
    FillTexts(grid);
    grid.DrawTexts = false;
    QCoreApplication::processEvents();
    grid.SetLeftCol(3);
    grid.SetTopRow(4);
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
    grid.SetLeftCol(2);
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
    grid.resize(470, 320);
    QCoreApplication::processEvents();
    EXPECT_EQ(BackingStoreClient(grid), GrabClient(grid));
}

TEST_F(RightToLeftGridTest, TheEditorSitsOnTheMirroredCellAndLeavesItAtTheTextsLeftEnd)
{
    TTestGrid grid;
    Prepare(grid, true, 8, 10);
    grid.SetOptions(grid.Options() | goEditing | goAlwaysShowEditor);
    grid.Cells[{2, 2}] = QStringLiteral("abc");
    grid.FocusCell(2, 2, true);
    QCoreApplication::processEvents();
    TInplaceEdit* editor = grid.InplaceEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->Visible());
    EXPECT_EQ(TRect::FromQRect(editor->geometry()), grid.CellRect(2, 2));
    EXPECT_TRUE(editor->isRightToLeft());
    // The caret at the text's start (its right end): Right leaves the cell
    // back toward the first columns.
    editor->setCursorPosition(0);
    PressKey(Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 1);
    grid.FocusCell(2, 2, true);
    QCoreApplication::processEvents();
    editor->setCursorPosition(0);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 2) << "Left walks into the text first";
    editor->setCursorPosition(3);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 3);
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
    // The 12-pixel image area at the right, the picture centred in it.
    EXPECT_EQ(image.pixelColor(width - 7, 8), QColor(0, 0, 255));
    EXPECT_NE(image.pixelColor(6, 8), QColor(0, 0, 255));
    // The text ends two pixels short of the image area.
    int last = -1;
    for (int x = 0; x < width - 12; ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y).lightness() < 110)
                last = x;
    const int textWidth = list.Canvas().TextWidth(QStringLiteral("蓝色"));
    EXPECT_GT(last, width - 12 - 2 - textWidth / 2);
    EXPECT_LT(last, width - 12 - 2);
}

TEST_F(RightToLeftGridTest, TreeElementsOnAMirroredCanvasAreTheMirrorOfTheirLeftToRightSelves)
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
    // On a plain canvas a right-to-left element runs its connector left.
    const QImage turned = PaintImage(40, 20, [](TCanvas& c) {
        DrawTreeElement(c, TRect(10, 0, 30, 20), 6, true, 1.0, 1.0, false);
    });
    const QColor dot = Rgb(clBtnShadow);
    int left = 0;
    int right = 0;
    for (int x = 10; x < 30; ++x) {
        const bool on = turned.pixelColor(x, 10) == dot || turned.pixelColor(x, 11) == dot;
        (x < 20 ? left : right) += on ? 1 : 0;
    }
    EXPECT_GT(left, 3);
    EXPECT_LE(right, 1);
}
