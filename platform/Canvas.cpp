#include "platform/Canvas.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QTransform>
#include <algorithm>
#include <climits>

namespace {

// Drawing in device coordinates while the mirrored mapping is on: the
// painter's mirroring transform is set aside for the scope's life.
class TDeviceSpace {
public:
    TDeviceSpace(QPainter* painter, bool mirrored) : FPainter(mirrored ? painter : nullptr)
    {
        if (FPainter) {
            FSaved = FPainter->worldTransform();
            FPainter->setWorldTransform(QTransform());
        }
    }
    ~TDeviceSpace()
    {
        if (FPainter)
            FPainter->setWorldTransform(FSaved);
    }
    TDeviceSpace(const TDeviceSpace&) = delete;
    TDeviceSpace& operator=(const TDeviceSpace&) = delete;

private:
    QPainter* FPainter;
    QTransform FSaved;
};

} // namespace

TCanvas::TCanvas() = default;
TCanvas::~TCanvas() = default;

void TCanvas::Begin(QPaintDevice* device, const QRegion& clip, const QPalette& palette)
{
    FPainter = std::make_unique<QPainter>(device);
    FPalette = palette;
    FBaseClip = clip;
    FClip = clip;
    FUserClip.reset();
    FClipStack.clear();
    FFontApplied = false;
    FMirrored = false;
    FMirrorWidth = 0;
    // Alignment and reading order are the draw-text flags' business, never
    // the painted widget's layout direction.
    FPainter->setLayoutDirection(Qt::LeftToRight);
}

void TCanvas::End()
{
    if (FPainter)
        FPainter->end();
    FPainter.reset();
    FClipStack.clear();
    FUserClip.reset();
    FMirrored = false;
}

void TCanvas::SetMirrored(bool mirrored, int width)
{
    FMirrored = mirrored;
    FMirrorWidth = width;
    if (!FPainter)
        return;
    // x -> width - x: the integer rectangle [L, R) lands exactly on the
    // device pixels [width - R, width - L).
    FPainter->setWorldTransform(mirrored ? QTransform(-1, 0, 0, 1, width, 0) : QTransform());
}

TRect TCanvas::LPtoDP(const TRect& rect) const
{
    if (!FMirrored)
        return rect;
    return TRect(FMirrorWidth - rect.Right, rect.Top, FMirrorWidth - rect.Left, rect.Bottom);
}

void TCanvas::DrawPixels(const QVector<QPoint>& pixels, const QColor& color)
{
    if (!FPainter || pixels.isEmpty())
        return;
    // A point is painted on the pixel to its lower right, which a mirror
    // would shift by one: points are placed on device pixels instead.
    QVector<QPoint> device = pixels;
    if (FMirrored)
        for (QPoint& p : device)
            p.setX(FMirrorWidth - 1 - p.x());
    const TDeviceSpace space(FPainter.get(), FMirrored);
    FPainter->setPen(QPen(color, 1));
    FPainter->drawPoints(device.constData(), int(device.size()));
}

void TCanvas::FillRect(const TRect& rect)
{
    if (Brush.Style == bsClear)
        return;
    FillRect(rect, Brush.Color);
}

void TCanvas::FillRect(const TRect& rect, TColor color)
{
    if (!FPainter || rect.IsEmpty() || color == clNone)
        return;
    FPainter->fillRect(rect.ToQRect(), QtColor(color));
}

void TCanvas::FrameRect(const TRect& rect)
{
    if (!FPainter || rect.IsEmpty() || Brush.Style == bsClear)
        return;
    const QColor c = QtColor(Brush.Color);
    FPainter->fillRect(QRect(rect.Left, rect.Top, rect.Width(), 1), c);
    FPainter->fillRect(QRect(rect.Left, rect.Bottom - 1, rect.Width(), 1), c);
    FPainter->fillRect(QRect(rect.Left, rect.Top, 1, rect.Height()), c);
    FPainter->fillRect(QRect(rect.Right - 1, rect.Top, 1, rect.Height()), c);
}

void TCanvas::Rectangle(const TRect& rect)
{
    if (!FPainter || rect.IsEmpty())
        return;
    FillRect(rect.Inflate(-1, -1));
    const QPoint tl(rect.Left, rect.Top);
    const QPoint tr(rect.Right - 1, rect.Top);
    const QPoint br(rect.Right - 1, rect.Bottom - 1);
    const QPoint bl(rect.Left, rect.Bottom - 1);
    Polyline({tl, tr, br, bl, tl});
}

void TCanvas::MoveTo(int x, int y)
{
    FPenPos = QPoint(x, y);
}

void TCanvas::LineTo(int x, int y)
{
    DrawSegment(FPenPos, QPoint(x, y));
    FPenPos = QPoint(x, y);
}

void TCanvas::Polyline(const QVector<QPoint>& points)
{
    if (points.isEmpty())
        return;
    if (FPainter && Pen.Width > 1 && Pen.Style != psClear) {
        ApplyPen();
        FPainter->drawPolyline(points.constData(), int(points.size()));
        FPenPos = points.last();
        return;
    }
    MoveTo(points.first().x(), points.first().y());
    for (qsizetype i = 1; i < points.size(); ++i)
        LineTo(points[i].x(), points[i].y());
}

void TCanvas::PolyPolyline(const QVector<QPoint>& pairs)
{
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        MoveTo(pairs[i].x(), pairs[i].y());
        LineTo(pairs[i + 1].x(), pairs[i + 1].y());
    }
}

void TCanvas::ApplyPen()
{
    Qt::PenStyle style = Qt::SolidLine;
    switch (Pen.Style) {
    case psSolid: style = Qt::SolidLine; break;
    case psDash: style = Qt::DashLine; break;
    case psDot: style = Qt::DotLine; break;
    case psDashDot: style = Qt::DashDotLine; break;
    case psClear: style = Qt::NoPen; break;
    }
    FPainter->setPen(QPen(QtColor(Pen.Color), std::max(1, Pen.Width), style, Qt::FlatCap, Qt::MiterJoin));
}

void TCanvas::DrawSegment(const QPoint& from, const QPoint& to)
{
    if (!FPainter || Pen.Style == psClear || from == to)
        return;
    const bool horizontal = from.y() == to.y();
    const bool vertical = from.x() == to.x();
    if (Pen.Width > 1 || (!horizontal && !vertical)) {
        ApplyPen();
        FPainter->drawLine(from, to);
        return;
    }
    const QColor color = QtColor(Pen.Color);
    // Pixels from 'from' up to, not including, 'to'.
    const int length = horizontal ? std::abs(to.x() - from.x()) : std::abs(to.y() - from.y());
    const int step = horizontal ? (to.x() > from.x() ? 1 : -1) : (to.y() > from.y() ? 1 : -1);
    if (Pen.Style == psSolid) {
        const int a = horizontal ? from.x() : from.y();
        const int b = a + step * (length - 1);
        const int lo = std::min(a, b);
        if (horizontal)
            FPainter->fillRect(QRect(lo, from.y(), length, 1), color);
        else
            FPainter->fillRect(QRect(from.x(), lo, 1, length), color);
        return;
    }
    // Patterned cosmetic pens: on/off runs counted from the line's start.
    const int on = Pen.Style == psDot ? 1 : 3;
    const int off = Pen.Style == psDot ? 1 : 2;
    QVector<QPoint> pixels;
    pixels.reserve(length);
    for (int i = 0; i < length; ++i) {
        if (i % (on + off) < on)
            pixels.append(horizontal ? QPoint(from.x() + step * i, from.y()) : QPoint(from.x(), from.y() + step * i));
    }
    DrawPixels(pixels, color);
}

const QFontMetrics& TCanvas::FontMetrics() const
{
    if (!FMetrics || FMetricsFont != Font) {
        FMetricsFont = Font;
        FMetrics.emplace(Font);
    }
    return *FMetrics;
}

int TCanvas::TextWidth(const QString& text) const
{
    return FontMetrics().horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString&) const
{
    return FontMetrics().height();
}

QSize TCanvas::TextExtent(const QString& text) const
{
    return QSize(TextWidth(text), TextHeight(text));
}

TTextMetric TCanvas::TextMetrics() const
{
    const QFontMetrics& fm = FontMetrics();
    TTextMetric tm;
    tm.tmHeight = fm.height();
    tm.tmAscent = fm.ascent();
    tm.tmDescent = fm.descent();
    int em = Font.pixelSize();
    if (em <= 0)
        em = qRound(Font.pointSizeF() * 96.0 / 72.0);
    tm.tmInternalLeading = std::max(0, tm.tmHeight - em);
    tm.tmExternalLeading = std::max(0, fm.leading());
    tm.tmAveCharWidth = fm.averageCharWidth();
    tm.tmMaxCharWidth = fm.maxWidth();
    return tm;
}

void TCanvas::ApplyTextState()
{
    if (!FFontApplied || FAppliedFont != Font) {
        FPainter->setFont(Font);
        FAppliedFont = Font;
        FFontApplied = true;
    }
    FPainter->setPen(QtColor(Font.Color));
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    if (!FPainter || text.isEmpty())
        return;
    const QFontMetrics& fm = FontMetrics();
    const int width = fm.horizontalAdvance(text);
    // Mirrored: the text's box is mirrored, the glyphs stay upright.
    const int left = FMirrored ? FMirrorWidth - x - width : x;
    const TDeviceSpace space(FPainter.get(), FMirrored);
    if (Brush.Style == bsSolid)
        FPainter->fillRect(QRect(left, y, width, fm.height()), QtColor(Brush.Color));
    ApplyTextState();
    FPainter->drawText(QPoint(left, y + fm.ascent()), text);
    FPenPos = QPoint(x + width, y);
}

void TCanvas::TextRect(const TRect& logical, int logicalX, int y, const QString& text)
{
    if (!FPainter || logical.IsEmpty())
        return;
    const TRect rect = LPtoDP(logical);
    const int x = FMirrored ? FMirrorWidth - logicalX - FontMetrics().horizontalAdvance(text) : logicalX;
    const TDeviceSpace space(FPainter.get(), FMirrored);
    if (Brush.Style == bsSolid)
        FPainter->fillRect(rect.ToQRect(), QtColor(Brush.Color));
    if (text.isEmpty())
        return;
    ApplyTextState();
    if (x >= rect.Left && y >= rect.Top) {
        // Qt clips this form itself, and only when the text overflows.
        FPainter->drawText(QRect(x, y, rect.Right - x, rect.Bottom - y),
                           Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        return;
    }
    FPainter->save();
    FPainter->setClipRect(rect.ToQRect(), Qt::IntersectClip);
    FPainter->drawText(QPoint(x, y + FontMetrics().ascent()), text);
    FPainter->restore();
}

QRect TCanvas::TextBounds(const QRect& rect, int flags, const QString& text) const
{
    return FontMetrics().boundingRect(rect, flags, text);
}

int TCanvas::DrawText(const QString& source, TRect& rect, unsigned format)
{
    // Alignment is absolute, as the flags say; the reading order is the
    // flags' too. Mirrored, the text's place in its box is mirrored.
    const bool mirrored = FMirrored && !(format & DT_CALCRECT);
    int flags = Qt::AlignAbsolute;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if ((format & DT_RIGHT) != mirrored)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_RTLREADING)
        flags |= Qt::TextForceRightToLeft;
    const bool single = format & DT_SINGLELINE;
    if (single) {
        flags |= Qt::TextSingleLine;
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
        if (format & DT_WORDBREAK)
            flags |= Qt::TextWordWrap;
    }
    if (format & DT_EXPANDTABS)
        flags |= Qt::TextExpandTabs;
    if (format & DT_NOCLIP)
        flags |= Qt::TextDontClip;
    if (!(format & DT_NOPREFIX))
        flags |= Qt::TextShowMnemonic;

    QString text = source;
    const QFontMetrics& fm = FontMetrics();
    if ((format & DT_END_ELLIPSIS) && !(format & DT_WORDBREAK) && !(format & DT_CALCRECT)) {
        QStringList lines = single ? QStringList{text} : text.split(u'\n');
        for (QString& line : lines) {
            if (fm.horizontalAdvance(line) > rect.Width())
                line = fm.elidedText(line, Qt::ElideRight, std::max(0, rect.Width()));
        }
        text = lines.join(u'\n');
    }

    if (format & DT_CALCRECT) {
        const bool wrap = (format & DT_WORDBREAK) && !single;
        if (!wrap) {
            // Unwrapped text is measured with the same metrics as TextWidth
            // and TextHeight, line by line.
            QString shown = text;
            if (!(format & DT_NOPREFIX))
                shown.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(u'&').replace(u'\x01', u'&');
            const QStringList lines = single ? QStringList{QString(shown).replace(u'\n', u' ')} : shown.split(u'\n');
            int width = 0;
            for (const QString& line : lines)
                width = std::max(width, fm.horizontalAdvance(line));
            rect.Right = rect.Left + width;
            rect.Bottom = rect.Top + fm.height() * int(lines.size());
            return rect.Height();
        }
        const QRect area(rect.Left, rect.Top, std::max(1, rect.Width()), INT_MAX / 4);
        const QRect needed = TextBounds(area, flags & ~(Qt::AlignHCenter | Qt::AlignRight), text);
        if (needed.width() > rect.Width())
            rect.Right = rect.Left + needed.width();
        rect.Bottom = rect.Top + needed.height();
        return needed.height();
    }

    const QRect area = LPtoDP(rect).ToQRect();
    const QRect bounds = TextBounds(area, flags, text);
    if (!FPainter)
        return bounds.height();
    const TDeviceSpace space(FPainter.get(), FMirrored);
    if (Brush.Style == bsSolid) {
        const QRect fill = (format & DT_NOCLIP) ? bounds : bounds.intersected(area);
        FPainter->fillRect(fill, QtColor(Brush.Color));
    }
    ApplyTextState();
    FPainter->drawText(area, flags, text);
    return bounds.height();
}

int TCanvas::DrawTextEx(const QString& text, TRect& rect, unsigned format, TDrawTextParams* params)
{
    const int left = params ? params->iLeftMargin : 0;
    const int right = params ? params->iRightMargin : 0;
    rect.Left += left;
    rect.Right -= right;
    const int height = DrawText(text, rect, format);
    rect.Left -= left;
    rect.Right += right;
    if (params)
        params->uiLengthDrawn = int(text.size());
    return height;
}

void TCanvas::DrawFocusRect(const TRect& rect)
{
    if (!FPainter || rect.IsEmpty())
        return;
    const TColor back = ColorToRGB(Brush.Color, FPalette);
    const QColor color = QtColor(back ^ 0xFFFFFF);
    QVector<QPoint> pixels;
    // One dotted ring: every other pixel, counted around the rectangle.
    int n = 0;
    auto dot = [&](int x, int y) {
        if (n++ % 2 == 0)
            pixels.append(QPoint(x, y));
    };
    for (int x = rect.Left; x < rect.Right; ++x)
        dot(x, rect.Top);
    for (int y = rect.Top + 1; y < rect.Bottom; ++y)
        dot(rect.Right - 1, y);
    if (rect.Height() > 1)
        for (int x = rect.Right - 2; x >= rect.Left; --x)
            dot(x, rect.Bottom - 1);
    if (rect.Width() > 1)
        for (int y = rect.Bottom - 2; y > rect.Top; --y)
            dot(rect.Left, y);
    DrawPixels(pixels, color);
}

void TCanvas::DrawEdge(TRect& rect, unsigned edge, unsigned flags)
{
    // Outer ring first, then the inner one a pixel inside. The light side
    // (top, left) is drawn before the dark side (bottom, right), whose lines
    // run the full length, so the two far corners are dark.
    struct Ring {
        bool Present;
        TColor TopLeft;
        TColor BottomRight;
    };
    const bool mono = flags & BF_MONO;
    const bool flat = flags & BF_FLAT;
    Ring outer{false, clNone, clNone};
    Ring inner{false, clNone, clNone};
    if (edge & BDR_RAISEDOUTER)
        outer = {true, cl3DLight, cl3DDkShadow};
    else if (edge & BDR_SUNKENOUTER)
        outer = {true, clBtnShadow, clBtnHighlight};
    if (edge & BDR_RAISEDINNER)
        inner = {true, clBtnHighlight, clBtnShadow};
    else if (edge & BDR_SUNKENINNER)
        inner = {true, cl3DDkShadow, cl3DLight};
    if (mono) {
        outer = {outer.Present, clWindowFrame, clWindowFrame};
        inner = {inner.Present, clWindow, clWindow};
    } else if (flat) {
        outer = {outer.Present, clBtnShadow, clBtnShadow};
        inner = {inner.Present, clBtnFace, clBtnFace};
    }
    TRect r = rect;
    for (const Ring& ring : {outer, inner}) {
        if (!ring.Present || r.IsEmpty())
            continue;
        if (FPainter) {
            const QColor tl = QtColor(ring.TopLeft);
            const QColor br = QtColor(ring.BottomRight);
            if (flags & BF_LEFT)
                FPainter->fillRect(QRect(r.Left, r.Top, 1, r.Height()), tl);
            if (flags & BF_TOP)
                FPainter->fillRect(QRect(r.Left, r.Top, r.Width(), 1), tl);
            if (flags & BF_RIGHT)
                FPainter->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), br);
            if (flags & BF_BOTTOM)
                FPainter->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), br);
        }
        if (flags & BF_LEFT)
            ++r.Left;
        if (flags & BF_TOP)
            ++r.Top;
        if (flags & BF_RIGHT)
            --r.Right;
        if (flags & BF_BOTTOM)
            --r.Bottom;
    }
    if ((flags & BF_MIDDLE) && FPainter && !r.IsEmpty())
        FPainter->fillRect(r.ToQRect(), QtColor(mono ? clWindow : clBtnFace));
    if (flags & BF_ADJUST)
        rect = r;
}

void TCanvas::Draw(int x, int y, const QPixmap& pixmap)
{
    if (FPainter)
        FPainter->drawPixmap(x, y, pixmap);
}

void TCanvas::StretchDraw(const TRect& rect, const QPixmap& pixmap)
{
    if (FPainter)
        FPainter->drawPixmap(rect.ToQRect(), pixmap);
}

TRect TCanvas::ClipRect() const
{
    return LPtoDP(TRect::FromQRect(FClip.boundingRect()));
}

bool TCanvas::RectVisible(const TRect& rect) const
{
    return !rect.IsEmpty() && FClip.intersects(LPtoDP(rect).ToQRect());
}

void TCanvas::ApplyUserClip()
{
    if (!FPainter)
        return;
    // The clip is kept in device coordinates.
    const TDeviceSpace space(FPainter.get(), FMirrored);
    if (FUserClip) {
        // A region of several rectangles set while clipping is off is not
        // taken by the raster engine; a rectangle first switches it on.
        FPainter->setClipRect(FUserClip->boundingRect());
        FPainter->setClipRegion(*FUserClip);
    } else {
        FPainter->setClipping(false);
    }
}

void TCanvas::IntersectClipRect(const TRect& rect)
{
    FUserClip = (FUserClip ? *FUserClip : FBaseClip) & LPtoDP(rect).ToQRect();
    FClip = *FUserClip;
    ApplyUserClip();
}

void TCanvas::ExcludeClipRect(const TRect& rect)
{
    FUserClip = (FUserClip ? *FUserClip : FBaseClip) - QRegion(LPtoDP(rect).ToQRect());
    FClip = *FUserClip;
    ApplyUserClip();
}

void TCanvas::SaveClip()
{
    FClipStack.push_back(FUserClip);
}

void TCanvas::RestoreClip()
{
    if (FClipStack.empty())
        return;
    FUserClip = FClipStack.back();
    FClipStack.pop_back();
    FClip = FUserClip ? *FUserClip : FBaseClip;
    ApplyUserClip();
}
