// The canvas' mirrored mapping: everything but text lands on the exact
// mirror image of its left-to-right twin; text keeps its glyphs upright in
// a mirrored box; clips and visibility tests take logical rectangles.

#include "platform/Canvas.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <functional>

namespace {

constexpr int Width = 60;
constexpr int Height = 40;

QImage Paint(bool mirrored, const std::function<void(TCanvas&)>& draw)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas;
    canvas.Begin(&image, QRegion(0, 0, Width, Height), QApplication::palette());
    canvas.SetMirrored(mirrored, Width);
    draw(canvas);
    canvas.End();
    return image;
}

// Every kind of drawing but text, off-centre so that a shifted or
// unmirrored result shows.
void Scene(TCanvas& c)
{
    c.FillRect(TRect(3, 2, 17, 9), clRed);
    c.Brush.Color = clBlue;
    c.FrameRect(TRect(20, 2, 31, 12));
    c.Pen.Color = clBlack;
    c.MoveTo(1, 15);
    c.LineTo(25, 15);
    c.MoveTo(33, 3);
    c.LineTo(33, 30);
    c.Pen.Style = psDot;
    c.MoveTo(2, 18);
    c.LineTo(21, 18);
    c.Pen.Style = psSolid;
    c.Polyline({QPoint(40, 5), QPoint(52, 5), QPoint(52, 20)});
    TRect edge(36, 24, 56, 36);
    c.DrawEdge(edge, EDGE_RAISED, BF_RECT);
    c.Brush.Color = clWhite;
    c.DrawFocusRect(TRect(4, 22, 19, 33));
    QPixmap arrow(6, 5);
    arrow.fill(Qt::green);
    {
        QPainter p(&arrow);
        p.fillRect(0, 0, 2, 5, Qt::black);
    }
    c.Draw(24, 30, arrow);
    c.Pen.Width = 3;
    c.Polyline({QPoint(8, 37), QPoint(30, 37)});
}

void TextAt(TCanvas& c, int x, const QString& text)
{
    c.Brush.Style = bsClear;
    c.TextOut(x, 3, text);
}

} // namespace

TEST(CanvasMirrorTest, EveryShapeLandsOnTheExactMirrorImage)
{
    const QImage plain = Paint(false, Scene);
    EXPECT_NE(plain, plain.mirrored(true, false)) << "the scene is not symmetric";
    EXPECT_EQ(Paint(true, Scene), plain.mirrored(true, false));
}

TEST(CanvasMirrorTest, MappingOffAgainDrawsPlainAndTheMappingEndsWithThePaint)
{
    const QImage image = Paint(true, [](TCanvas& c) {
        EXPECT_EQ(c.LPtoDP(TRect(10, 1, 25, 5)), TRect(35, 1, 50, 5));
        {
            const TNormalMapping normal(c);
            EXPECT_EQ(c.LPtoDP(TRect(10, 1, 25, 5)), TRect(10, 1, 25, 5));
            c.FillRect(TRect(0, 0, 5, 5), clRed);
        }
        c.FillRect(TRect(0, 10, 5, 15), clBlue);
    });
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(Width - 1, 12), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(0, 12), QColor(Qt::white));

    QImage again(Width, Height, QImage::Format_RGB32);
    TCanvas canvas;
    canvas.Begin(&again, QRegion(0, 0, Width, Height), QApplication::palette());
    canvas.SetMirrored(true, Width);
    canvas.End();
    canvas.Begin(&again, QRegion(0, 0, Width, Height), QApplication::palette());
    EXPECT_FALSE(canvas.Mirrored());
    canvas.End();
}

TEST(CanvasMirrorTest, TextKeepsItsGlyphsUprightInAMirroredBox)
{
    const QString text = QStringLiteral("Kq库");
    int advance = 0;
    // TextOut at logical x is the plain TextOut at the box's mirrored left.
    const QImage mirrored = Paint(true, [&](TCanvas& c) {
        advance = c.TextWidth(text);
        TextAt(c, 4, text);
        EXPECT_EQ(c.PenPos(), QPoint(4 + advance, 3));
    });
    EXPECT_EQ(mirrored, Paint(false, [&](TCanvas& c) { TextAt(c, Width - 4 - advance, text); }));

    // DrawText: a left-aligned text in a logical box sits at the right of
    // the mirrored box, exactly as right-aligned text in that box.
    const QImage drawn = Paint(true, [&](TCanvas& c) {
        TRect r(2, 20, 40, 36);
        c.Brush.Style = bsClear;
        c.DrawText(text, r, DT_LEFT | DT_SINGLELINE);
    });
    EXPECT_EQ(drawn, Paint(false, [&](TCanvas& c) {
                  TRect r(Width - 40, 20, Width - 2, 36);
                  c.Brush.Style = bsClear;
                  c.DrawText(text, r, DT_RIGHT | DT_SINGLELINE);
              }));

    // TextRect fills the mirrored rectangle and clips to it.
    const QImage boxed = Paint(true, [&](TCanvas& c) {
        c.Brush.Color = clYellow;
        c.TextRect(TRect(5, 2, 25, 18), 7, 3, text);
    });
    EXPECT_EQ(boxed.pixelColor(Width - 25, 16), QColor(Qt::yellow));
    EXPECT_EQ(boxed.pixelColor(Width - 6, 16), QColor(Qt::yellow));
    EXPECT_EQ(boxed.pixelColor(Width - 26, 16), QColor(Qt::white));
    EXPECT_EQ(boxed.pixelColor(Width - 5, 16), QColor(Qt::white));
}

TEST(CanvasMirrorTest, ClipsAndVisibilityTakeLogicalRectangles)
{
    const QImage image = Paint(true, [](TCanvas& c) {
        c.SaveClip();
        c.IntersectClipRect(TRect(0, 0, 10, 10));
        EXPECT_TRUE(c.RectVisible(TRect(5, 5, 8, 8)));
        EXPECT_FALSE(c.RectVisible(TRect(Width - 10, 0, Width, 10)));
        EXPECT_EQ(c.ClipRect(), TRect(0, 0, 10, 10));
        c.FillRect(TRect(0, 0, Width, Height), clRed);
        c.RestoreClip();
        c.SaveClip();
        c.ExcludeClipRect(TRect(0, 20, 30, Height));
        c.FillRect(TRect(0, 20, Width, Height), clBlue);
        c.RestoreClip();
    });
    EXPECT_EQ(image.pixelColor(Width - 1, 0), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(Width - 10, 9), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(Width - 11, 9), QColor(Qt::white));
    // The excluded logical left part is the device's right part.
    EXPECT_EQ(image.pixelColor(0, 25), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(Width - 1, 25), QColor(Qt::white));

    // A cut-out clip right after a restored one, plain.
    const QImage plain = Paint(false, [](TCanvas& c) {
        c.SaveClip();
        c.IntersectClipRect(TRect(0, 0, 10, 10));
        c.RestoreClip();
        c.ExcludeClipRect(TRect(0, 20, 30, Height));
        c.FillRect(TRect(0, 20, Width, Height), clBlue);
    });
    EXPECT_EQ(plain.pixelColor(0, 25), QColor(Qt::white));
    EXPECT_EQ(plain.pixelColor(Width - 1, 25), QColor(Qt::blue));
}

TEST(CanvasMirrorTest, RightToLeftReadingMovesNeutralCharactersButNotTheAlignment)
{
    auto draw = [](unsigned flags) {
        return Paint(false, [&](TCanvas& c) {
            TRect r(0, 0, Width, 20);
            c.Brush.Style = bsClear;
            c.DrawText(QStringLiteral("ab."), r, flags | DT_SINGLELINE);
        });
    };
    const auto rightHalf = [](const QImage& image) { return image.copy(Width / 2, 0, Width / 2, 20); };
    const QImage blank = Paint(false, [](TCanvas&) {});
    const QImage ltr = draw(DT_LEFT);
    const QImage rtl = draw(DT_LEFT | DT_RTLREADING);
    EXPECT_NE(ltr, rtl) << "the full stop goes before the letters";
    EXPECT_EQ(rightHalf(rtl), rightHalf(blank)) << "still aligned left";
    // Absolute alignment whatever the application's direction.
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    const QImage underRtlApp = draw(DT_LEFT);
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(underRtlApp, ltr);
}
