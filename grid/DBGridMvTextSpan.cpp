// The place of a text's first characters as the grid's text writers lay the
// text out: one line placed by alignment and layout, or lines wrapped at
// words and placed as Qt's text drawing places them.

#include "grid/DBGridMvTextSpan.h"

#include "grid/DBGridMvStyle.h"
#include "gridbase/WinApiMv.h"

#include <QTextLayout>
#include <cmath>

namespace {

std::vector<TRect> SingleLine(TCanvas& Canvas, const TRect& Rect, int DX, const QString& Text, int Count,
                              TAlignment Alignment, bool EndEllipsis)
{
    // The same placement along the line as WriteTextMv's.
    const QString text = EndEllipsis ? ShortenTextMv(Canvas, Text, Rect.Width() - DX) : Text;
    const int kept = text == Text ? int(text.size()) : std::max(0, int(text.size()) - 3);
    Count = std::min(Count, kept);
    if (Count <= 0)
        return {};
    const int textWidth = Alignment == taLeftJustify ? Canvas.TextWidth(text) : PlacedTextWidth(Canvas, text);
    int x = Rect.Left + DX;
    if (Alignment == taRightJustify)
        x = Rect.Right - textWidth - 3;
    else if (Alignment == taCenter)
        x = Rect.Width() > 0 ? Rect.Left + Rect.Width() / 2 - textWidth / 2 : 0;
    // One line: the part's band runs the cell's whole height.
    const TRect part = IntersectRect(TRect(x, Rect.Top, x + Canvas.TextWidth(text.left(Count)), Rect.Bottom), Rect);
    if (part.IsEmpty())
        return {};
    return {part};
}

std::vector<TRect> Wrapped(TCanvas& Canvas, const TRect& Rect, int DX, int DY, const QString& Text, int Count,
                           TAlignment Alignment, TTextLayout Layout)
{
    // DrawTextMv's rectangle: inset, moved down for the centre and bottom
    // layouts by the wrapped text's height.
    TRect area = Rect.Inflate(-DX, -DY);
    unsigned flags = DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK;
    if (Alignment == taRightJustify)
        flags |= DT_RIGHT;
    else if (Alignment == taCenter)
        flags |= DT_CENTER;
    if (Layout != tlTop) {
        TRect measure = area;
        const int height = Canvas.DrawText(Text, measure, flags | DT_CALCRECT);
        if (Layout == tlCenter)
            area.Top += std::max(0, (area.Height() - height) / 2);
        else
            area.Top = std::max(area.Top, area.Bottom - height);
    }
    if (DX > 0)
        ++area.Bottom;

    // The lines as Qt's text drawing breaks and places them.
    QString text = Text;
    text.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(text, Canvas.Font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(Canvas.Font).leading();
    const qreal width = std::max(0, area.Width());
    qreal height = -leading;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();

    std::vector<TRect> parts;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const int start = line.textStart();
        const int end = std::min(Count, start + line.textLength());
        if (end <= start)
            break;
        qreal offset = 0;
        if (Alignment == taRightJustify)
            offset = width - line.horizontalAdvance();
        else if (Alignment == taCenter)
            offset = (width - line.horizontalAdvance()) / 2;
        const int left = area.Left + int(std::floor(offset + line.cursorToX(start)));
        const int right = area.Left + int(std::ceil(offset + line.cursorToX(end)));
        const int top = area.Top + int(std::floor(line.y()));
        const TRect part = IntersectRect(TRect(left, top, right, top + int(std::ceil(line.height()))), Rect);
        if (!part.IsEmpty())
            parts.push_back(part);
    }
    return parts;
}

} // namespace

std::vector<TRect> WrittenTextPartRects(TCanvas& Canvas, const TRect& Rect, int DX, int DY, const QString& Text,
                                        int Count, TAlignment Alignment, TTextLayout Layout, bool WordWrap,
                                        bool EndEllipsis)
{
    Count = std::min(Count, int(Text.size()));
    if (Count <= 0 || Rect.IsEmpty())
        return {};
    if (WordWrap)
        return Wrapped(Canvas, Rect, DX, DY, Text, Count, Alignment, Layout);
    return SingleLine(Canvas, Rect, DX, Text, Count, Alignment, EndEllipsis);
}
