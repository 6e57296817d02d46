#include "platform/MaskEdit.h"

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
#include <algorithm>
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
    if (BeginUserChange())
        cut();
}

void TCustomMaskEdit::WMClear()
{
    if (BeginUserChange())
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
    for (QChar ch : Text) {
        if (!ch.isLowSurrogate() && !AcceptsChar(ch)) {
            QApplication::beep();
            return;
        }
    }
    QString inserted = Text;
    if (FMaxLength > 0) {
        const qsizetype room = FMaxLength - (text().size() - selectedText().size());
        if (room < inserted.size()) {
            if (inserted.size() == 1 || room <= 0)
                QApplication::beep();
            inserted.truncate(std::max<qsizetype>(0, room));
            // Never half of a character outside the basic plane.
            if (!inserted.isEmpty() && inserted.back().isHighSurrogate())
                inserted.chop(1);
        }
    }
    if (!inserted.isEmpty() || hasSelectedText())
        insert(inserted);
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
    TypeChars(commit);
    Event->accept();
}

void TCustomMaskEdit::mouseReleaseEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::MiddleButton) {
        QLineEdit::mouseReleaseEvent(Event);
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
        if (handler) {
            action->disconnect();
            connect(action, &QAction::triggered, this, [this, handler] { UserAction([&] { (this->*handler)(); }); });
        }
    }
    menu->exec(Event->globalPos());
}
