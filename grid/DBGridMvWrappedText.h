#pragma once
// The text of the cell editor of a word-wrapping column, laid out in lines
// as the cell shows it: a line break ends a line, and a line wider than the
// text area wraps at a word boundary (inside a word only when the word alone
// is wider). The editor keeps its text, caret and selection as a line edit
// does; this layout tells it which line a position stands on, where the
// caret goes one line up or down, which position a point hits, and draws
// the lines with the selection and the caret.

#include <QFont>
#include <QPointF>
#include <QString>
#include <QTextLayout>
#include <memory>

class QPainter;
class QPalette;

// The memo text as the editor holds it: every line break (CR LF, a CR or an
// LF alone) becomes one LF.
QString AdjustLineBreaks(const QString& Text);

class TWrappedTextMv {
public:
    TWrappedTextMv();
    ~TWrappedTextMv();
    TWrappedTextMv(const TWrappedTextMv&) = delete;
    TWrappedTextMv& operator=(const TWrappedTextMv&) = delete;

    // Lays the text out again when any of them changed.
    void SetUp(const QString& Text, const QFont& Font, int Width, Qt::Alignment Alignment);

    int LineCount() const;
    int LineHeight() const;
    // The line a position stands on (a position where a line wraps counts to
    // the line it starts).
    int LineOfPosition(int Position) const;
    // The position on a line nearest to X (pixels from the text's left);
    // the line's end for a point past it.
    int PositionOnLine(int Line, qreal X) const;
    qreal XOfPosition(int Position) const;
    // The position nearest to a point (from the top of the first line).
    int PositionAt(const QPointF& Point) const;
    // The word around a position: its start and end.
    void WordAt(int Position, int& Start, int& End) const;

    // Draws the lines from FirstLine on at Origin, with the selection and,
    // when Caret is not negative, the caret.
    void Draw(QPainter& Painter, const QPointF& Origin, int FirstLine, int SelStart, int SelLength, int Caret,
              const QPalette& Palette) const;

private:
    std::unique_ptr<QTextLayout> FLayout;
    QString FText;
    QFont FFont;
    int FWidth = -1;
    Qt::Alignment FAlignment;
    int FLineHeight = 1;
};
