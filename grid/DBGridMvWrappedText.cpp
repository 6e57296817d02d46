// The lines of a word-wrapping cell editor's text.

#include "grid/DBGridMvWrappedText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QTextOption>
#include <algorithm>

QString AdjustLineBreaks(const QString& Text)
{
    QString adjusted = Text;
    adjusted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    adjusted.replace(u'\r', u'\n');
    return adjusted;
}

TWrappedTextMv::TWrappedTextMv() = default;
TWrappedTextMv::~TWrappedTextMv() = default;

void TWrappedTextMv::SetUp(const QString& Text, const QFont& Font, int Width, Qt::Alignment Alignment)
{
    Width = std::max(1, Width);
    Alignment &= Qt::AlignHorizontal_Mask;
    if (FLayout && Text == FText && Font == FFont && Width == FWidth && Alignment == FAlignment)
        return;
    FText = Text;
    FFont = Font;
    FWidth = Width;
    FAlignment = Alignment;
    // Same length as the text, so that positions stay the text's: a line
    // break ends the line, other control characters show as blanks.
    QString shown = Text;
    for (QChar& c : shown) {
        if (c == u'\n')
            c = QChar::LineSeparator;
        else if (c.unicode() < 0x20)
            c = u' ';
    }
    FLayout = std::make_unique<QTextLayout>(shown, Font);
    QTextOption option(Alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    FLayout->setTextOption(option);
    FLayout->setCacheEnabled(true);
    FLayout->beginLayout();
    qreal y = 0;
    for (QTextLine line = FLayout->createLine(); line.isValid(); line = FLayout->createLine()) {
        line.setLineWidth(Width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    FLayout->endLayout();
    FLineHeight = std::max(1, QFontMetrics(Font).height());
}

int TWrappedTextMv::LineCount() const
{
    return FLayout ? std::max(1, FLayout->lineCount()) : 1;
}

int TWrappedTextMv::LineHeight() const
{
    return FLineHeight;
}

int TWrappedTextMv::LineOfPosition(int Position) const
{
    if (!FLayout || FLayout->lineCount() == 0)
        return 0;
    const QTextLine line = FLayout->lineForTextPosition(std::clamp(Position, 0, int(FText.size())));
    return line.isValid() ? line.lineNumber() : FLayout->lineCount() - 1;
}

int TWrappedTextMv::PositionOnLine(int Line, qreal X) const
{
    if (!FLayout || FLayout->lineCount() == 0)
        return 0;
    const QTextLine line = FLayout->lineAt(std::clamp(Line, 0, FLayout->lineCount() - 1));
    int position = line.xToCursor(X, QTextLine::CursorBetweenCharacters);
    // Before the break or the blank that ends a line that is not the last:
    // the position after it is the next line's start.
    const int end = line.textStart() + line.textLength();
    if (line.lineNumber() < FLayout->lineCount() - 1 && line.textLength() > 0)
        position = std::min(position, end - 1);
    return std::clamp(position, line.textStart(), end);
}

qreal TWrappedTextMv::XOfPosition(int Position) const
{
    if (!FLayout || FLayout->lineCount() == 0)
        return 0;
    const QTextLine line = FLayout->lineAt(LineOfPosition(Position));
    return line.cursorToX(std::clamp(Position, 0, int(FText.size())));
}

int TWrappedTextMv::PositionAt(const QPointF& Point) const
{
    if (!FLayout || FLayout->lineCount() == 0)
        return 0;
    int line = 0;
    while (line < FLayout->lineCount() - 1 && Point.y() >= FLayout->lineAt(line).rect().bottom())
        ++line;
    return PositionOnLine(line, Point.x());
}

void TWrappedTextMv::WordAt(int Position, int& Start, int& End) const
{
    Start = End = std::clamp(Position, 0, int(FText.size()));
    if (!FLayout || FText.isEmpty())
        return;
    const int next = std::min(Start + 1, int(FText.size()));
    Start = FLayout->previousCursorPosition(next, QTextLayout::SkipWords);
    End = FLayout->nextCursorPosition(Start, QTextLayout::SkipWords);
    while (End > Position && End > Start && FText[End - 1].isSpace())
        --End;
}

void TWrappedTextMv::Draw(QPainter& Painter, const QPointF& Origin, int FirstLine, int SelStart, int SelLength,
                          int Caret, const QPalette& Palette) const
{
    if (!FLayout || FLayout->lineCount() == 0)
        return;
    const qreal top = FLayout->lineAt(std::clamp(FirstLine, 0, FLayout->lineCount() - 1)).y();
    const QPointF origin(Origin.x(), Origin.y() - top);
    QList<QTextLayout::FormatRange> selections;
    if (SelLength > 0) {
        QTextLayout::FormatRange range;
        range.start = SelStart;
        range.length = SelLength;
        range.format.setBackground(Palette.brush(QPalette::Highlight));
        range.format.setForeground(Palette.brush(QPalette::HighlightedText));
        selections << range;
    }
    Painter.setPen(Palette.color(QPalette::Text));
    FLayout->draw(&Painter, origin, selections);
    if (Caret >= 0)
        FLayout->drawCursor(&Painter, origin, Caret, 1);
}
