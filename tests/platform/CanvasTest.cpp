// The canvas: end-point rule of lines, 3-D edges, clipping, text measuring,
// and the classic frame controls.

#include "platform/Canvas.h"
#include "platform/FrameControls.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QImage>
#include <ostream>

namespace {

inline void PrintTo(const QColor& color, std::ostream* out)
{
    *out << color.name().toStdString();
}

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FImage = QImage(40, 30, QImage::Format_RGB32);
        FImage.fill(Qt::white);
        FCanvas.Begin(&FImage, QRegion(0, 0, 40, 30), QApplication::palette());
    }
    QColor At(int x, int y)
    {
        FCanvas.End();
        const QColor c = FImage.pixelColor(x, y);
        FCanvas.Begin(&FImage, QRegion(0, 0, 40, 30), QApplication::palette());
        return c;
    }
    QColor Palette(TColor color) { return ToQColor(color, QApplication::palette()); }
    QImage FImage;
    TCanvas FCanvas;
};

} // namespace

TEST_F(CanvasTest, LinesLeaveTheirEndPointUnpainted)
{
    FCanvas.Pen.Color = clBlack;
    FCanvas.MoveTo(2, 5);
    FCanvas.LineTo(8, 5);
    EXPECT_EQ(At(2, 5), QColor(Qt::black));
    EXPECT_EQ(At(7, 5), QColor(Qt::black));
    EXPECT_EQ(At(8, 5), QColor(Qt::white));
    // Backwards and vertical alike.
    FCanvas.MoveTo(10, 20);
    FCanvas.LineTo(10, 12);
    EXPECT_EQ(At(10, 20), QColor(Qt::black));
    EXPECT_EQ(At(10, 13), QColor(Qt::black));
    EXPECT_EQ(At(10, 12), QColor(Qt::white));
    // A dotted pen paints every other pixel from the start.
    FCanvas.Pen.Style = psDot;
    FCanvas.MoveTo(0, 25);
    FCanvas.LineTo(6, 25);
    EXPECT_EQ(At(0, 25), QColor(Qt::black));
    EXPECT_EQ(At(1, 25), QColor(Qt::white));
    EXPECT_EQ(At(4, 25), QColor(Qt::black));
}

TEST_F(CanvasTest, EdgesUseThePalettesLightToDarkColoursAndTheFocusRingInvertsTheBrush)
{
    TRect r(5, 5, 25, 20);
    FCanvas.DrawEdge(r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    EXPECT_EQ(r, TRect(7, 7, 23, 18));
    EXPECT_EQ(At(10, 5), Palette(cl3DLight));
    EXPECT_EQ(At(10, 6), Palette(clBtnHighlight));
    EXPECT_EQ(At(10, 19), Palette(cl3DDkShadow));
    EXPECT_EQ(At(24, 10), Palette(cl3DDkShadow));
    EXPECT_EQ(At(23, 10), Palette(clBtnShadow));
    // The dark side runs the full length: the far corners are dark.
    EXPECT_EQ(At(24, 5), Palette(cl3DDkShadow));
    EXPECT_EQ(At(5, 19), Palette(cl3DDkShadow));
    TRect sunken(30, 0, 40, 10);
    FCanvas.DrawEdge(sunken, BDR_SUNKENOUTER, BF_TOPLEFT);
    EXPECT_EQ(At(35, 0), Palette(clBtnShadow));
    EXPECT_EQ(At(39, 9), QColor(Qt::white));

    // The focus rectangle is a dotted ring in the brush's inverse.
    FImage.fill(Qt::white);
    FCanvas.Brush.Color = clWhite;
    FCanvas.DrawFocusRect(TRect(2, 2, 12, 8));
    EXPECT_EQ(At(2, 2), QColor(Qt::black));
    EXPECT_EQ(At(3, 2), QColor(Qt::white));
    EXPECT_EQ(At(4, 2), QColor(Qt::black));
    EXPECT_EQ(At(5, 5), QColor(Qt::white));
}

TEST_F(CanvasTest, TheClipNarrowsAndRestores)
{
    FCanvas.SaveClip();
    FCanvas.IntersectClipRect(TRect(10, 10, 20, 20));
    EXPECT_TRUE(FCanvas.RectVisible(TRect(15, 15, 30, 30)));
    EXPECT_FALSE(FCanvas.RectVisible(TRect(0, 0, 10, 10)));
    EXPECT_EQ(FCanvas.ClipRect(), TRect(10, 10, 20, 20));
    FCanvas.FillRect(TRect(0, 0, 40, 30), clRed);
    FCanvas.RestoreClip();
    FCanvas.FillRect(TRect(30, 0, 40, 5), clBlue);
    EXPECT_EQ(At(15, 15), QColor(Qt::red));
    EXPECT_EQ(At(5, 5), QColor(Qt::white));
    EXPECT_EQ(At(35, 2), QColor(Qt::blue));
    // No colour and a clear brush paint nothing.
    FCanvas.FillRect(TRect(0, 0, 5, 5), clNone);
    FCanvas.Brush.Style = bsClear;
    FCanvas.FillRect(TRect(0, 0, 5, 5));
    EXPECT_EQ(At(1, 1), QColor(Qt::white));
}

TEST_F(CanvasTest, CalcRectMeasuresWithoutDrawing)
{
    TRect single(0, 0, 500, 0);
    const int h = FCanvas.DrawText(u"库存 stock"_qs, single, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(single.Width(), FCanvas.TextWidth(u"库存 stock"_qs));
    EXPECT_EQ(h, FCanvas.TextHeight(u"x"_qs));
    TRect prefix(0, 0, 500, 0);
    FCanvas.DrawText(u"&File"_qs, prefix, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(prefix.Width(), FCanvas.TextWidth(u"File"_qs));
    TRect wrapped(0, 0, 60, 0);
    FCanvas.DrawText(u"one two three four five six"_qs, wrapped, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_LE(wrapped.Width(), 60);
    EXPECT_GE(wrapped.Height(), 3 * FCanvas.TextHeight(u"x"_qs));
    EXPECT_EQ(At(1, 1), QColor(Qt::white));
    const TTextMetric tm = FCanvas.TextMetrics();
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
}

TEST_F(CanvasTest, ClassicCheckBoxesAndArrowButtons)
{
    SetThemesEnabled(false);
    DrawFrameControl(FCanvas, TRect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    DrawFrameControl(FCanvas, TRect(14, 0, 27, 13), DFC_BUTTON, DFCS_BUTTONCHECK);
    DrawFrameControl(FCanvas, TRect(0, 14, 16, 30), DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
    int ink = 0;
    for (int y = 2; y < 11; ++y)
        for (int x = 2; x < 11; ++x)
            ink += At(x, y) == Palette(clWindowText) ? 1 : 0;
    EXPECT_GE(ink, 10) << "a tick in the checked box";
    EXPECT_EQ(At(20, 6), Palette(clWindow));
    EXPECT_EQ(At(0, 0), Palette(clBtnShadow));
    EXPECT_EQ(At(8, 22), Palette(clBtnText)) << "the arrow's middle";
    EXPECT_EQ(At(3, 16), Palette(clBtnFace));
    SetThemesEnabled(true);
    FImage.fill(Qt::white);
    DrawThemeElement(FCanvas, teHeaderItem, tsPressed, TRect(0, 0, 40, 30));
    EXPECT_NE(At(20, 15), QColor(Qt::white));
}
