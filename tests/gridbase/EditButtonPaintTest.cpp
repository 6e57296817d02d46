// Button faces: the up-down pair's middle row, the cache of faces, the
// check-box rectangle, the width rule and the tree lines.

#include "DropDownTestSupport.h"

#include "platform/Control.h"

namespace {

// Whether one row across a rect is all of one colour.
bool RowIs(const QImage& image, int y, int left, int right, const QColor& color)
{
    for (int x = left; x < right; ++x)
        if (image.pixelColor(x, y) != color)
            return false;
    return true;
}

} // namespace

TEST_F(ButtonsTest, AnUpDownPairFillsItsOddMiddleRowWithTheParentColourAndPressesOneHalf)
{
    const QColor parent(255, 0, 0);
    for (bool cached : {true, false}) {
        ButtonBitmapCacheEnabled = cached;
        const QImage odd = PaintImage(20, 20, [](TCanvas& c) {
            PaintEditButton(c, TRect(2, 1, 17, 18), clRed, 0, true, false, false, 0, bdkUpDown);
        });
        // 17 rows: eight for each half and the one between them.
        EXPECT_TRUE(RowIs(odd, 1 + 8, 2, 17, parent)) << "cached " << cached;
        EXPECT_FALSE(RowIs(odd, 1 + 7, 2, 17, parent));
        EXPECT_FALSE(RowIs(odd, 1 + 9, 2, 17, parent));

        const QImage even = PaintImage(20, 20, [](TCanvas& c) {
            PaintEditButton(c, TRect(2, 1, 17, 17), clRed, 0, true, false, false, 0, bdkUpDown);
        });
        for (int y = 1; y < 17; ++y)
            EXPECT_FALSE(RowIs(even, y, 2, 17, parent)) << "row " << y << " cached " << cached;
    }

    // A pressed half looks pressed, and only that half.
    const auto paint = [](int down) {
        return PaintImage(16, 20, [down](TCanvas& c) {
            PaintEditButton(c, TRect(0, 0, 16, 20), clWindow, 0, true, false, false, down, bdkUpDown);
        });
    };
    const QImage up = paint(0);
    const QImage lower = paint(2);
    EXPECT_EQ(up.copy(0, 0, 16, 10), lower.copy(0, 0, 16, 10));
    EXPECT_NE(up.copy(0, 10, 16, 10), lower.copy(0, 10, 16, 10));
}

TEST_F(ButtonsTest, FacesOfOneSizeAndStateAreDrawnOnceAndFollowThePalette)
{
    const auto paint = [](const QPalette& palette, bool enabled) {
        return PaintImage(
            20, 20,
            [enabled](TCanvas& c) {
                PaintEditButton(c, TRect(0, 0, 15, 20), clWindow, 0, enabled, false, false, 0, bdkEllipsis);
            },
            palette);
    };
    const QImage first = paint(QApplication::palette(), true);
    EXPECT_EQ(ButtonsBitmapCache().Count(), 1);
    const QImage second = paint(QApplication::palette(), true);
    EXPECT_EQ(ButtonsBitmapCache().Count(), 1) << "two edits of one size and state share a face";
    EXPECT_EQ(first, second);
    paint(QApplication::palette(), false);
    EXPECT_EQ(ButtonsBitmapCache().Count(), 2);

    // Other colours never get the face drawn with the old ones.
    QPalette green = QApplication::palette();
    green.setColor(QPalette::Button, QColor(0, 160, 0));
    const QImage tinted = paint(green, true);
    EXPECT_EQ(ButtonsBitmapCache().Count(), 3);
    EXPECT_EQ(tinted.pixelColor(7, 4), QColor(0, 160, 0));
    EXPECT_NE(first.pixelColor(7, 4), QColor(0, 160, 0));

    ClearButtonsBitmapCache();
    EXPECT_EQ(ButtonsBitmapCache().Count(), 0);

    // A negative size is an empty face; an unknown kind a blank one.
    TButtonBitmapInfoMv odd;
    odd.Width = -5;
    odd.Height = 10;
    EXPECT_TRUE(ButtonsBitmapCache().GetButtonBitmap(odd, QApplication::palette()).isNull());
    odd.Width = 10;
    odd.DrawKind = TButtonDrawKindMv(9);
    const QImage& blank = ButtonsBitmapCache().GetButtonBitmap(odd, QApplication::palette());
    EXPECT_EQ(blank.size(), QSize(10, 10));
    EXPECT_EQ(blank.pixelColor(5, 5).alpha(), 0);
    ClearButtonsBitmapCache();

    // The cache draws exactly what direct drawing draws.
    ButtonBitmapCacheEnabled = false;
    EXPECT_EQ(paint(QApplication::palette(), true), first);
}

TEST_F(ButtonsTest, AFlatButtonThatIsNotHotIsFramedInItsParentColour)
{
    const QImage image = PaintImage(20, 20, [](TCanvas& c) {
        PaintEditButton(c, TRect(0, 0, 15, 20), clRed, 0, true, false, true, 0, bdkDropDown);
    });
    const QColor red(255, 0, 0);
    EXPECT_TRUE(RowIs(image, 0, 0, 15, red));
    EXPECT_TRUE(RowIs(image, 19, 0, 15, red));
    EXPECT_EQ(image.pixelColor(0, 10), red);
    EXPECT_EQ(image.pixelColor(14, 10), red);
    EXPECT_EQ(image.pixelColor(2, 3), Rgb(clBtnFace));

    // Hot, it shows a raised edge instead.
    const QImage hot = PaintImage(20, 20, [](TCanvas& c) {
        PaintEditButton(c, TRect(0, 0, 15, 20), clRed, 0, true, true, true, 0, bdkDropDown);
    });
    EXPECT_EQ(hot.pixelColor(5, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(hot.pixelColor(5, 19), Rgb(clBtnShadow));
}

TEST_F(ButtonsTest, CheckBoxFacesAreSquareWithinTheirCellAndShowTheirState)
{
    const auto paint = [](int state) {
        return PaintImage(30, 16, [state](TCanvas& c) {
            PaintEditButton(c, TRect(0, 0, 30, 16), clWindow, state, true, false, false, 0, bdkCheckBox);
        });
    };
    const QImage unchecked = paint(0);
    // Cut to a square in the middle: the columns left of it keep the white.
    EXPECT_EQ(unchecked.pixelColor(6, 8), QColor(Qt::white));
    EXPECT_NE(unchecked.pixelColor(7, 8), QColor(Qt::white));
    EXPECT_NE(unchecked, paint(1));
    EXPECT_NE(paint(1), paint(2));

    // The check box rect never leaves its cell.
    const int w = CheckBoxGlyphWidth();
    const int h = CheckBoxGlyphHeight();
    // Smaller than the glyph: the cell itself.
    EXPECT_EQ(AdjustCheckBoxRect(Bounds(10, 20, w - 4, h - 3), taCenter, tlCenter), Bounds(10, 20, w - 4, h - 3));
    const TRect cell = Bounds(10, 20, 60, 40);
    EXPECT_EQ(AdjustCheckBoxRect(cell, taCenter, tlCenter), Bounds(10 + 30 - w / 2, 20 + 20 - h / 2, w, h));
    EXPECT_EQ(AdjustCheckBoxRect(cell, taRightJustify, tlBottom), Bounds(70 - w, 60 - h, w, h));
    EXPECT_EQ(AdjustCheckBoxRect(cell, taLeftJustify, tlTop), Bounds(10, 20, w, h));
}

TEST(EditButtonPaintTest, ButtonSizesRoundHalvesToEven)
{
    EXPECT_EQ(RoundHalfEven(33, 2), 16);
    EXPECT_EQ(RoundHalfEven(39, 2), 20);
    EXPECT_EQ(RoundHalfEven(28, 3), 9);
    EXPECT_EQ(DefaultEditButtonHeight(11, true), 16);
    EXPECT_EQ(DefaultEditButtonHeight(13, true), 20);
    EXPECT_EQ(DefaultEditButtonHeight(13, false), 13);
    EXPECT_EQ(EditButtonHeight(13, true, 21), 20);
    EXPECT_EQ(EditButtonHeight(13, true, 20), 20) << "not taller than one and a half widths: the whole height";
    EXPECT_EQ(EditButtonHeight(13, true, 18), 18);
    EXPECT_EQ(FlatButtonWidth() % 2, 1);
    EXPECT_LE(FlatButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));

    auto button = TVisibleEditButtonMv::CreateEditButton(nullptr);
    EXPECT_EQ(EditButtonControlWidth(*button, true), FlatButtonWidth());
    EXPECT_EQ(EditButtonControlWidth(*button, false), GetSystemMetrics(SM_CXVSCROLL));
    button->SetWidth(30);
    EXPECT_EQ(EditButtonControlWidth(*button, false), 30);
    button->SetVisible(false);
    EXPECT_EQ(EditButtonControlWidth(*button, false), 0);
}

TEST_F(ButtonsTest, TreeLinesOfNeighbouringRowsKeepTheirDotsInStep)
{
    // Two rows of 17 pixels: the second starts on an odd row, and the grid
    // passes the parity that keeps the dots on the same checkerboard.
    const QImage image = PaintImage(20, 34, [](TCanvas& c) {
        DrawTreeElement(c, TRect(0, 0, 20, 17), 9, false, 1.0, 1.0, false);
        DrawTreeElement(c, TRect(0, 17, 20, 34), 9, false, 1.0, 1.0, false);
    });
    const QColor dot = Rgb(clBtnShadow);
    for (int y = 0; y < 34; ++y) {
        const bool onDot = image.pixelColor(10, y) == dot;
        EXPECT_EQ(onDot, (10 + y) % 2 == 0) << "row " << y;
    }

    // A node box: 9 by 9 pixels, outlined, with a plus for kind 3.
    const QImage node = PaintImage(20, 20, [](TCanvas& c) {
        DrawTreeElement(c, TRect(0, 0, 20, 20), 3, false, 1.0, 1.0, false);
    });
    EXPECT_EQ(node.pixelColor(6, 10), dot);
    EXPECT_EQ(node.pixelColor(14, 10), dot);
    EXPECT_EQ(node.pixelColor(10, 6), dot);
    EXPECT_EQ(node.pixelColor(10, 10), Rgb(clWindowText));
    EXPECT_EQ(node.pixelColor(10, 8), Rgb(clWindowText)) << "the plus's upright";
    EXPECT_EQ(node.pixelColor(7, 7), Rgb(clWindow));
}

TEST(EditButtonPaintTest, DoubleClicksNeedTimeAndPlace)
{
    EXPECT_TRUE(IsDoubleClickMessage(QPoint(10, 10), QPoint(12, 13), GetDoubleClickTime()));
    EXPECT_FALSE(IsDoubleClickMessage(QPoint(10, 10), QPoint(10, 10), GetDoubleClickTime() + 1));
    EXPECT_FALSE(IsDoubleClickMessage(QPoint(10, 10), QPoint(10 + GetSystemMetrics(SM_CXDOUBLECLK) + 1, 10), 1));
}
