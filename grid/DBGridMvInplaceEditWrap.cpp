// The cell editor of a wrapping column in rows of several lines: its text
// on several lines, Up and Down between them, the mouse on them; and a press
// on the node column of a tree row, which opens or closes the node.

#include "grid/DBGridMvInplaceEdit.h"

#include "grid/DBGridMvInput.h"

#include <QMouseEvent>
#include <QPainter>

const TWrappedTextMv& TDBGridInplaceEdit::WrappedText()
{
    FWrapped.SetUp(text(), font(), EditRect().Width(), alignment());
    return FWrapped;
}

bool TDBGridInplaceEdit::WrapKeyDown(quint16 Key, TShiftState Shift)
{
    const bool up = Key == VK_UP;
    TCustomDBGridMv* grid = DBGrid();
    // An editor that always shows lets the grid have the keys at the first
    // and the last line, and with the whole text selected: they move the
    // records. Otherwise they stay in the editor.
    if (grid && grid->Options().testFlag(dgAlwaysShowEditor)) {
        const TWrappedTextMv& wrapped = WrappedText();
        const int line = wrapped.LineOfPosition(hasSelectedText() ? selectionStart() : cursorPosition());
        const bool whole = hasSelectedText() && selectedText().size() == text().size();
        if (whole || (up && line == 0) || (!up && line + 1 == wrapped.LineCount()))
            return false;
    }
    MoveCaretLine(up ? -1 : 1, Shift.testFlag(ssShift));
    return true;
}

void TDBGridInplaceEdit::MoveCaretLine(int Step, bool Extend)
{
    const TWrappedTextMv& wrapped = WrappedText();
    const int caret = cursorPosition();
    const int target = wrapped.LineOfPosition(caret) + Step;
    if (target < 0 || target >= wrapped.LineCount())
        return;
    const int position = wrapped.PositionOnLine(target, wrapped.XOfPosition(caret));
    if (Extend) {
        int anchor = caret;
        if (hasSelectedText())
            anchor = caret == selectionStart() ? selectionEnd() : selectionStart();
        setSelection(anchor, position - anchor);
    } else {
        setCursorPosition(position);
    }
    ScrollToCaret();
    update();
}

void TDBGridInplaceEdit::ScrollToCaret()
{
    const TWrappedTextMv& wrapped = WrappedText();
    // A line at least half in view counts as shown, as the cell shows it.
    const int height = wrapped.LineHeight();
    const int visible = std::max(1, (EditRect().Height() + height / 2) / height);
    const int line = wrapped.LineOfPosition(cursorPosition());
    if (line < FFirstLine)
        FFirstLine = line;
    else if (line >= FFirstLine + visible)
        FFirstLine = line - visible + 1;
    FFirstLine = std::clamp(FFirstLine, 0, std::max(0, wrapped.LineCount() - visible));
}

void TDBGridInplaceEdit::PaintWrapped(QPainter& Painter)
{
    const TWrappedTextMv& wrapped = WrappedText();
    ScrollToCaret();
    Painter.fillRect(rect(), palette().brush(QPalette::Base));
    const TRect r = EditRect();
    Painter.setClipRect(r.ToQRect());
    Painter.setFont(font());
    const int selStart = hasSelectedText() ? selectionStart() : 0;
    const int selLength = int(selectedText().size());
    wrapped.Draw(Painter, QPointF(r.Left, r.Top), FFirstLine, selStart, selLength, hasFocus() ? cursorPosition() : -1,
                 palette());
}

int TDBGridInplaceEdit::WrappedPositionAt(const QPointF& Point)
{
    const TWrappedTextMv& wrapped = WrappedText();
    const TRect r = EditRect();
    return wrapped.PositionAt(QPointF(Point.x() - r.Left, Point.y() - r.Top + FFirstLine * wrapped.LineHeight()));
}

QVariant TDBGridInplaceEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The input method's window goes beside the caret's line.
    if (!FWordWrap || query != Qt::ImCursorRectangle)
        return TInplaceEdit::inputMethodQuery(query);
    const TRect r = EditRect();
    const int caret = cursorPosition();
    const int height = FWrapped.LineHeight();
    const int x = r.Left + int(FWrapped.XOfPosition(caret));
    const int y = r.Top + (FWrapped.LineOfPosition(caret) - FFirstLine) * height;
    return QRect(x, y, 1, height);
}

void TDBGridInplaceEdit::mousePressEvent(QMouseEvent* event)
{
    FPressAnchor = -1;
    if (event->button() == Qt::LeftButton && NodePress(event->position().toPoint())) {
        event->accept();
        return;
    }
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    int anchor = cursorPosition();
    if (hasSelectedText())
        anchor = anchor == selectionStart() ? selectionEnd() : selectionStart();
    TInplaceEdit::mousePressEvent(event);
    if (!FWordWrap || event->button() != Qt::LeftButton)
        return;
    // The line edit placed the caret by its one line; the lines say where.
    const int position = WrappedPositionAt(event->position());
    if (hasSelectedText() && !shift) {
        // The second press of a double click: the word under it.
        int start = 0;
        int end = 0;
        FWrapped.WordAt(position, start, end);
        setSelection(start, end - start);
        return;
    }
    if (shift) {
        setSelection(anchor, position - anchor);
    } else {
        setCursorPosition(position);
        anchor = position;
    }
    FPressAnchor = anchor;
}

void TDBGridInplaceEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    FPressAnchor = -1;
    TInplaceEdit::mouseDoubleClickEvent(event);
    if (FWordWrap && event->button() == Qt::LeftButton) {
        int start = 0;
        int end = 0;
        WrappedText().WordAt(WrappedPositionAt(event->position()), start, end);
        setSelection(start, end - start);
    }
}

bool TDBGridInplaceEdit::NodePress(const QPoint& Point)
{
    TCustomDBGridMv* grid = DBGrid();
    TColumnMv* column = GetEditColumn();
    if (!grid || !column || !grid->TreeRows() || grid->VisibleColumns().Count() == 0 ||
        grid->VisibleColumns().Items(0) != column)
        return false;
    const int indent = grid->TreeIndent();
    if (indent <= 0)
        return false;
    const int x = Point.x();
    const int pitch = DBGridMvTreeLevelWidth;
    const bool hit = grid->UseRightToLeftAlignment() ? x > width() - indent && x <= width() - indent + pitch
                                                     : x >= indent - pitch && x < indent;
    if (!hit)
        return false;
    UserAction([&] { grid->SetCurrentNodeExpanded(!grid->MemTableSupport()->NodeExpanded()); });
    return true;
}
