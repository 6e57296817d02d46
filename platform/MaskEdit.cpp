#include "platform/MaskEdit.h"

#include "platform/Characters.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>
#include <memory>

namespace {

bool IsNavigationKey(quint16 Code)
{
    switch (Code) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT: return true;
    default: return false;
    }
}

} // namespace

TCustomMaskEdit::TCustomMaskEdit(QWidget* Parent) : QLineEdit(Parent)
{
    setAcceptDrops(false);
}

// ---------------------------------------------------------------- the mask

void TCustomMaskEdit::SetEditMask(const QString& Value)
{
    if (Value == FEditMask)
        return;
    const QString value = FUnmasked ? QString() : Text();
    FEditMask = Value;
    FMask = ParseEditMask(Value);
    // A text shown un-masked stays as it is until it is set again.
    if (!FUnmasked)
        setText(FMask.IsEmpty() ? value : MaskTextToEditText(FMask, value));
}

void TCustomMaskEdit::SetEditText(const QString& Value)
{
    FUnmasked = false;
    setText(FMask.IsEmpty() ? Value : MaskTextToEditText(FMask, Value));
}

QString TCustomMaskEdit::Text() const
{
    return IsMasked() ? MaskEditTextToText(FMask, text()) : text();
}

void TCustomMaskEdit::SetText(const QString& Value)
{
    // Loading goes by the same rule for the value and for an edit text.
    SetEditText(Value);
}

void TCustomMaskEdit::ShowUnmasked(const QString& Value)
{
    FUnmasked = !FMask.IsEmpty();
    setText(Value);
}

bool TCustomMaskEdit::TextEmpty() const
{
    return IsMasked() ? MaskEditTextEmpty(FMask, text()) : text().isEmpty();
}

QString TCustomMaskEdit::EnteredText() const
{
    return IsMasked() ? MaskTypedText(FMask, text()) : text();
}

QString TCustomMaskEdit::IncompleteMessage(int Position)
{
    return QStringLiteral("输入的值不完整: 第 %1 个字符必须填写. 按 Esc 键可放弃修改.").arg(Position);
}

QString TCustomMaskEdit::TooLongMessage(const QString& Caption, int Limit, int Length)
{
    const QString field = Caption.isEmpty() ? QStringLiteral("这里") : u'[' + Caption + u']';
    return field + QStringLiteral("最多只能有%1个字符，放入这段文字后将有%2个字符，这段文字没有被接受！").arg(Limit).arg(Length);
}

void TCustomMaskEdit::ValidateEdit()
{
    // Only what the user changed is checked: a stored value that the mask
    // does not fit can still be passed through.
    if (!IsMasked() || !isModified())
        return;
    const int position = MaskFirstIncomplete(FMask, text());
    if (position < 0)
        return;
    setCursorPosition(position);
    throw EDBEditError(IncompleteMessage(position + 1), position);
}

void TCustomMaskEdit::CheckCursor()
{
    if (!IsMasked() || hasSelectedText())
        return;
    const int limit = MaskCaretLimit(FMask, text());
    if (cursorPosition() > limit)
        setCursorPosition(limit);
}

int TCustomMaskEdit::SelStartPos() const
{
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TCustomMaskEdit::SelLengthPos() const
{
    return hasSelectedText() ? selectionLength() : 0;
}

void TCustomMaskEdit::ApplyMaskResult(const TMaskEditResultMv& Result)
{
    if (!Result.Accepted) {
        QApplication::beep();
        return;
    }
    // Through the line edit's own insertion, so that undo and the change
    // notifications work as for any typing.
    if (Result.EditText != text()) {
        selectAll();
        insert(Result.EditText);
    }
    setCursorPosition(Result.Caret);
}

void TCustomMaskEdit::MaskDelete(bool Forward)
{
    ApplyMaskResult(Forward ? MaskDeleteForward(FMask, text(), SelStartPos(), SelLengthPos())
                            : MaskDeleteBackward(FMask, text(), SelStartPos(), SelLengthPos()));
}

void TCustomMaskEdit::MaskUndo(bool Redo)
{
    if (!EditCanModify())
        return;
    if (Redo)
        redo();
    else
        undo();
    // A step of the line edit's history may stand between two edit texts.
    const QString edit = MaskTextToEditText(FMask, text());
    if (edit != text())
        ApplyMaskResult({edit, cursorPosition(), true});
}

// ---------------------------------------------------------------- input

void TCustomMaskEdit::ReportUserError(const std::exception& Error)
{
    ShowException(Error);
}

void TCustomMaskEdit::WMPaste()
{
    PasteText(QApplication::clipboard()->text());
}

void TCustomMaskEdit::WMCut()
{
    if (!BeginUserChange())
        return;
    if (!IsMasked()) {
        cut();
    } else if (hasSelectedText()) {
        copy();
        MaskDelete(true);
    }
}

void TCustomMaskEdit::WMClear()
{
    if (!BeginUserChange())
        return;
    if (IsMasked())
        MaskDelete(true);
    else
        del();
}

void TCustomMaskEdit::PasteText(const QString& Text)
{
    if (!BeginUserChange())
        return;
    InsertUserText(UserText(FirstLine(Text)));
}

QString TCustomMaskEdit::FirstLine(const QString& Text)
{
    const qsizetype lineEnd = Text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return lineEnd >= 0 ? Text.left(lineEnd) : Text;
}

void TCustomMaskEdit::ApplyChar(QChar Key)
{
    // The edit's own control characters; those that change the text ask
    // first.
    void (QLineEdit::*change)() = nullptr;
    switch (Key.unicode()) {
    case 1: selectAll(); return;
    case 3: copy(); return;
    case 22: WMPaste(); return;
    case 24: WMCut(); return;
    case 8: change = &QLineEdit::backspace; break;
    case 25: change = &QLineEdit::redo; break;
    case 26: change = &QLineEdit::undo; break;
    default: break;
    }
    if (change && IsMasked()) {
        if (Key.unicode() == 8) {
            if (EditCanModify())
                MaskDelete(false);
        } else {
            MaskUndo(Key.unicode() == 25);
        }
        return;
    }
    if (change) {
        if (EditCanModify())
            (this->*change)();
        return;
    }
    // Enter, Tab, Escape and the other control characters do not enter a
    // single-line text.
    if (Key.unicode() < 32 || Key.unicode() == 127 || !EditCanModify())
        return;
    InsertUserText(UserText(TypedText(Key)));
}

void TCustomMaskEdit::InsertUserText(const QString& Text)
{
    if (IsMasked()) {
        // The mask is the length limit; the field's rule is asked about
        // what goes into the positions, not about the literals skipped.
        ApplyMaskResult(MaskInsertText(FMask, text(), SelStartPos(), SelLengthPos(), Text,
                                       [this](QChar Ch) { return AcceptsChar(Ch); }));
        return;
    }
    for (QChar ch : Text) {
        if (!ch.isLowSurrogate() && !AcceptsChar(ch)) {
            QApplication::beep();
            return;
        }
    }
    if (!Fits(Text)) {
        RefuseLongText(Text);
        return;
    }
    if (!Text.isEmpty() || hasSelectedText())
        insert(Text);
}

int TCustomMaskEdit::LengthWith(const QString& Text) const
{
    // Counted on the text it would make: the halves of a character beyond
    // the basic plane, typed one after the other, make one character.
    return CharacterCount(text().replace(SelStartPos(), SelLengthPos(), Text));
}

bool TCustomMaskEdit::Fits(const QString& Text) const
{
    return FMaxLength <= 0 || LengthWith(Text) <= FMaxLength;
}

void TCustomMaskEdit::RefuseLongText(const QString& Text)
{
    QApplication::beep();
    // Typing just stops at the limit; a longer text cut there would go in
    // as something the user never meant, so it is refused whole and said.
    if (CharacterCount(Text) > 1)
        ShowError(TooLongMessage(LimitCaption(), FMaxLength, LengthWith(Text)));
}

void TCustomMaskEdit::DefaultKey(QKeyEvent* Event, quint16 Code, TShiftState Shift)
{
    Event->accept();
    if (Code == VK_DELETE) {
        if (Shift.testFlag(ssShift))
            WMCut();
        else
            WMClear();
        return;
    }
    if (Code == VK_INSERT) {
        if (Shift.testFlag(ssShift))
            WMPaste();
        else if (Shift.testFlag(ssCtrl))
            copy();
        return;
    }
    if (Event->matches(QKeySequence::Paste)) {
        WMPaste();
        return;
    }
    if (Event->matches(QKeySequence::Cut)) {
        WMCut();
        return;
    }
    // The line edit's other editing keys would not keep a masked text in
    // the mask's form; moving, selecting and copying are always allowed.
    if (IsMasked() && !IsNavigationKey(Code) && !Event->matches(QKeySequence::Copy) &&
        !Event->matches(QKeySequence::SelectAll))
        return;
    if (IsNavigationKey(Code) || EditCanModify())
        QLineEdit::keyPressEvent(Event);
}

void TCustomMaskEdit::inputMethodEvent(QInputMethodEvent* Event)
{
    const QString commit = Event->commitString();
    if (commit.isEmpty() && Event->replacementLength() == 0) {
        QLineEdit::inputMethodEvent(Event);
        return;
    }
    QInputMethodEvent preedit(Event->preeditString(), Event->attributes());
    QLineEdit::inputMethodEvent(&preedit);
    Event->accept();
    // Committed text goes in whole or not at all, as a paste does; its
    // characters one by one would stop at the limit.
    if (!IsMasked() && CharacterCount(commit) > 1 && !Fits(commit)) {
        UserAction([&] {
            if (EditCanModify())
                RefuseLongText(commit);
        });
        return;
    }
    TypeChars(commit);
}

void TCustomMaskEdit::mouseReleaseEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::MiddleButton) {
        QLineEdit::mouseReleaseEvent(Event);
        if (Event->button() == Qt::LeftButton)
            CheckCursor();
        return;
    }
    // The middle button pastes the selection where the system keeps one
    // (X11): by the same road as any paste, never the line edit's own.
    Event->accept();
    const QClipboard* clipboard = QApplication::clipboard();
    if (clipboard->supportsSelection())
        UserAction([&] { PasteText(clipboard->text(QClipboard::Selection)); });
}

void TCustomMaskEdit::dropEvent(QDropEvent* Event)
{
    Event->ignore();
}

void TCustomMaskEdit::contextMenuEvent(QContextMenuEvent* Event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        void (TCustomMaskEdit::*handler)() = nullptr;
        if (name == QLatin1String("edit-paste"))
            handler = &TCustomMaskEdit::WMPaste;
        else if (name == QLatin1String("edit-cut"))
            handler = &TCustomMaskEdit::WMCut;
        else if (name == QLatin1String("edit-delete"))
            handler = &TCustomMaskEdit::WMClear;
        else if (name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo"))
            action->setEnabled(action->isEnabled() && EditCanModify());
        if (IsMasked() && (name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo"))) {
            const bool redoAction = name == QLatin1String("edit-redo");
            action->disconnect();
            connect(action, &QAction::triggered, this, [this, redoAction] { MaskUndo(redoAction); });
        }
        if (handler) {
            action->disconnect();
            connect(action, &QAction::triggered, this, [this, handler] { UserAction([&] { (this->*handler)(); }); });
        }
    }
    menu->exec(Event->globalPos());
}
