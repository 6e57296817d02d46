// The call wrappers' few own behaviours and the growing memory stream.

#include "GridTestSupport.h"
#include "gridbase/WinApiMv.h"

#include <QImage>

TEST(TMemoryStreamMv, GrowsInStepsOfTwiceTheGrowthStepAndReadsBackWhatWasWritten)
{
    TMemoryStreamMv stream;
    const char byte = 'x';
    stream.Write(&byte, 1);
    EXPECT_EQ(stream.Capacity(), 8192);
    EXPECT_EQ(stream.Size(), 1);
    stream.SetSize(8193);
    EXPECT_EQ(stream.Capacity(), 16384);
    // The capacity set to exactly the size stays unrounded.
    stream.SetCapacity(stream.Size());
    EXPECT_EQ(stream.Capacity(), 8193);
    stream.SetCapacity(0);
    EXPECT_EQ(stream.Capacity(), 0);
    EXPECT_EQ(stream.Memory(), nullptr);

    const QByteArray text = QByteArray(10000, 'a') + QByteArray("end");
    EXPECT_EQ(stream.Write(text.constData(), text.size()), text.size());
    EXPECT_EQ(stream.ToByteArray(), text);
    stream.Seek(-3, TMemoryStreamMv::soEnd);
    char tail[8] = {};
    EXPECT_EQ(stream.Read(tail, 8), 3);
    EXPECT_EQ(QByteArray(tail), QByteArray("end"));
    stream.SetPosition(2);
    stream.Write("XY", 2);
    EXPECT_EQ(stream.ToByteArray().mid(0, 5), QByteArray("aaXYa"));
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Read(tail, 1), 0);
}

TEST(WinApiMv, WrappersForwardToTheCanvasAndQtAndSmallDataHelpers)
{
    TCanvas canvas;
    TRect rect(0, 0, 1000, 0);
    const int height = DrawTextMv(canvas, u"宽度 width"_qs, 2, rect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(rect.Width(), canvas.TextWidth(u"宽度"_qs));
    EXPECT_EQ(height, canvas.TextHeight(u"宽度"_qs));
    TDrawTextParams params;
    params.iLeftMargin = 5;
    TRect withMargins(0, 0, 1000, 0);
    DrawTextExMv(canvas, u"ab"_qs, -1, withMargins, DT_CALCRECT | DT_SINGLELINE, &params);
    EXPECT_EQ(withMargins.Width(), canvas.TextWidth(u"ab"_qs) + 5);
    EXPECT_EQ(params.uiLengthDrawn, 0) << "the record is copied, not written";

    Variant values(std::vector<Variant>{Variant(1), Variant(u"a"_qs)});
    VarArrayRedimMv(values, 3);
    ASSERT_EQ(values.Elements().size(), 4u);
    EXPECT_EQ(values.Elements()[1], Variant(u"a"_qs));
    EXPECT_TRUE(values.Elements()[3].IsUnassigned());
    VarArrayRedimMv(values, 0);
    EXPECT_EQ(values.Elements().size(), 1u);
}

TEST(WinApiMv, OpaqueClippedTextFillsItsRectAndStaysInside)
{
    QImage image(60, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas;
    canvas.Begin(&image, QRegion(0, 0, 60, 20), QPalette());
    canvas.Brush.Color = clYellow;
    const TRect box(10, 2, 30, 18);
    ExtTextOutMv(canvas, 12, 3, ETO_OPAQUE | ETO_CLIPPED, &box, u"WWWWWWWW"_qs, -1);
    canvas.End();
    EXPECT_EQ(image.pixelColor(11, 16), QColor(255, 255, 0));
    for (int y = 0; y < 20; ++y)
        EXPECT_EQ(image.pixelColor(30, y), QColor(255, 255, 255)) << y;
}
