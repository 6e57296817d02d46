// The data-aware edit: keys, clipboard, focus, mouse and the edit buttons.

#include "gridbase/DBCtrlsMv.h"

#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/db/Field.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>

namespace {

QString ErrorText(const std::exception& Error)
{
    if (const auto* own = dynamic_cast<const Exception*>(&Error))
        return own->Message();
    return QString::fromUtf8(Error.what());
}

} // namespace

// ---------------------------------------------------------------- events

bool TCustomDBEditMv::event(QEvent* Event)
{
    if (IInplaceEditHolderMv* holder = Holder(); holder && holder->InplaceEditEvent(this, Event))
        return true;
    switch (Event->type()) {
    case QEvent::KeyPress: {
        // Tab stays in the edit when it wants it (otherwise it moves the focus).
        auto* key = static_cast<QKeyEvent*>(Event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            IInplaceEditHolderMv* holder = Holder();
            if (FWantTabs || (holder && holder->InplaceEditWantsTab(this))) {
                keyPressEvent(key);
                return true;
            }
        }
        break;
    }
    case QEvent::ShortcutOverride: {
        // A button's short-cut belongs to the edit, not to a window action.
        auto* key = static_cast<QKeyEvent*>(Event);
        const TShortCut shortCut = ShortCut(VirtualKeyOf(*key), ShiftStateOf(key->modifiers()));
        for (int i = 0; i < ButtonControlCount(); ++i) {
            const TEditButtonMv* button = ButtonOfControl(ButtonControl(i));
            if (button && button->Visible() && button->ShortCut() != 0 && button->ShortCut() == shortCut) {
                Event->accept();
                return true;
            }
        }
        break;
    }
    case QEvent::ApplicationPaletteChange:
        // The cached button faces are in the old colours.
        ClearButtonsBitmapCache();
        break;
    case QEvent::ToolTip: {
        if (!FTooltips && !FShowHint) {
            Event->ignore();
            return true;
        }
        if (FTooltips) {
            const QString whole = TooltipText();
            if (!whole.isEmpty()) {
                QToolTip::showText(mapToGlobal(QPoint(0, height())), whole, this);
                return true;
            }
        }
        if (!FShowHint || toolTip().isEmpty()) {
            QToolTip::hideText();
            Event->ignore();
            return true;
        }
        break;
    }
    default: break;
    }
    return QLineEdit::event(Event);
}

// ---------------------------------------------------------------- keys

void TCustomDBEditMv::keyPressEvent(QKeyEvent* Event)
{
    UserAction([&] { HandleKeyEvent(Event); });
}

void TCustomDBEditMv::HandleKeyEvent(QKeyEvent* Event)
{
    const quint16 code = VirtualKeyOf(*Event);
    const TShiftState shift = ShiftStateOf(Event->modifiers());
    FKeyShift = shift;
    quint16 key = code;
    if (key != 0)
        KeyDown(key, shift);
    const bool consumed = code != 0 && key == 0;
    // Enter and Escape go on to a surrounding dialog (its default or
    // cancel button) unless the edit claims them; asked before the key
    // changes the state that decides it.
    const bool dialogKey = code == VK_RETURN || code == VK_ESCAPE;
    const bool keep = !dialogKey || consumed || WantsSpecialKey(code);
    const QString chars = KeyEventChars(*Event);
    if (!chars.isEmpty()) {
        // A consumed Enter or Escape (a list took it) does not also act as
        // a character.
        if (!(consumed && dialogKey))
            DeliverChars(chars);
        Event->setAccepted(keep);
        return;
    }
    if (consumed || code == 0) {
        Event->setAccepted(code != 0);
        return;
    }
    DefaultKey(Event, code, shift);
    if (dialogKey)
        Event->setAccepted(keep);
}

void TCustomDBEditMv::DeliverChars(const QString& Chars)
{
    for (qsizetype i = 0; i < Chars.size();) {
        // A character outside the basic plane arrives as two halves; the
        // handlers see the first with both in PendingCharText.
        const qsizetype length = Chars[i].isHighSurrogate() && i + 1 < Chars.size() && Chars[i + 1].isLowSurrogate() ? 2 : 1;
        FPendingCharText = Chars.mid(i, length);
        QChar key = Chars[i];
        try {
            WMChar(key);
        } catch (...) {
            FPendingCharText.clear();
            throw;
        }
        FPendingCharText.clear();
        i += length;
    }
}

void TCustomDBEditMv::keyReleaseEvent(QKeyEvent* Event)
{
    quint16 key = VirtualKeyOf(*Event);
    if (key != 0)
        UserAction([&] { KeyUp(key, ShiftStateOf(Event->modifiers())); });
    QLineEdit::keyReleaseEvent(Event);
}

void TCustomDBEditMv::TypeChars(const QString& Chars)
{
    FKeyShift = TShiftState();
    UserAction([&] { DeliverChars(Chars); });
}

void TCustomDBEditMv::KeyDown(quint16& Key, TShiftState Shift)
{
    if (IInplaceEditHolderMv* holder = Holder()) {
        holder->InplaceEditKeyDown(this, Key, Shift);
        if (Key == 0)
            return;
    }
    if (OnKeyDown) {
        OnKeyDown(this, Key, Shift);
        if (Key == 0)
            return;
    }
    // The first button whose short-cut this is.
    const TShortCut shortCut = ShortCut(Key, Shift);
    for (int i = 0; i < ButtonControlCount(); ++i) {
        TEditButtonMv* button = ButtonOfControl(ButtonControl(i));
        if (!button || !button->Visible() || button->ShortCut() == 0 || button->ShortCut() != shortCut)
            continue;
        const bool canPress =
            button->Enabled() && isEnabled() && (button != FEditButton.get() || CanDropDown());
        if (canPress)
            PressButtonByShortCut(ButtonControl(i));
        Key = 0;
        return;
    }
    if (DropDownKeyDown(Key, Shift)) {
        Key = 0;
        return;
    }
    if (Key == 'A' && (Shift & (ssShift | ssAlt | ssCtrl)) == TShiftState(ssCtrl))
        selectAll();
    if ((Key == VK_DELETE || (Key == VK_INSERT && Shift.testFlag(ssShift))) && !FReadOnly)
        FDataLink.Edit();
}

bool TCustomDBEditMv::DropDownKeyDown(quint16 Key, TShiftState Shift)
{
    if (!MRUListShown())
        return false;
    const bool listKey = ((Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) && !Shift.testFlag(ssAlt)) ||
                         ((Key == VK_HOME || Key == VK_END) && Shift.testFlag(ssCtrl));
    if (listKey) {
        SendKeyToDropDown(FMRUListBox, Key, Shift);
        return true;
    }
    if (Key == VK_RETURN || Key == VK_ESCAPE) {
        CloseUp(Key == VK_RETURN);
        return true;
    }
    return false;
}

void TCustomDBEditMv::SendKeyToDropDown(QWidget* DropDown, quint16 Key, TShiftState Shift)
{
    if (!DropDown)
        return;
    QKeyEvent press(QEvent::KeyPress, QtKeyOf(Key), ModifiersOf(Shift));
    QApplication::sendEvent(DropDown, &press);
    QKeyEvent release(QEvent::KeyRelease, QtKeyOf(Key), ModifiersOf(Shift));
    QApplication::sendEvent(DropDown, &release);
}

void TCustomDBEditMv::SendWheelToDropDown(QWidget* DropDown, int Steps)
{
    auto* control = dynamic_cast<TCustomControl*>(DropDown);
    if (!control || Steps == 0)
        return;
    QWidget* target = control->ClientWidget();
    const QPoint center(target->width() / 2, target->height() / 2);
    QWheelEvent wheel(QPointF(center), QPointF(target->mapToGlobal(center)), QPoint(), QPoint(0, -120 * Steps),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

void TCustomDBEditMv::PressButtonByShortCut(TEditButtonControlMv* Control)
{
    bool autoRepeat = false;
    bool handled = false;
    EditButtonDown(Control, true, autoRepeat, handled);
    Control->Click();
}

void TCustomDBEditMv::KeyPress(QChar& Key)
{
    if (IInplaceEditHolderMv* holder = Holder()) {
        holder->InplaceEditKeyPress(this, Key);
        if (Key.isNull())
            return;
    }
    if (OnKeyPress) {
        OnKeyPress(this, Key);
        if (Key.isNull())
            return;
    }
    const ushort c = Key.unicode();
    if (c >= 32 && !DataIndependent() && !IsValidChar(Key)) {
        QApplication::beep();
        Key = QChar();
        return;
    }
    if (c == 27) {
        FDataLink.Reset();
        selectAll();
        Key = QChar();
        return;
    }
    if ((c == 8 || c == 22 || c == 24 || c >= 32) && !FReadOnly)
        FDataLink.Edit();
    if (c == 8 && TextEmpty() && FMRUList->Active() && !DroppedDown())
        FMRUList->DropDown();
}

void TCustomDBEditMv::KeyUp(quint16& Key, TShiftState Shift)
{
    if (IInplaceEditHolderMv* holder = Holder()) {
        holder->InplaceEditKeyUp(this, Key, Shift);
        if (Key == 0)
            return;
    }
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TCustomDBEditMv::WMChar(QChar& Key)
{
    KeyPress(Key);
    if (!Key.isNull())
        ApplyChar(Key);
}

QString TCustomDBEditMv::TypedText(QChar Key) const
{
    return FPendingCharText.size() > 1 && FPendingCharText[0] == Key ? FPendingCharText : QString(Key);
}

bool TCustomDBEditMv::AcceptsChar(QChar Key)
{
    return DataIndependent() || IsValidChar(Key);
}

QString TCustomDBEditMv::LimitCaption() const
{
    const TField* field = Field();
    return field ? field->DisplayLabel() : QString();
}

bool TCustomDBEditMv::BeginUserChange()
{
    if (!FReadOnly)
        FDataLink.Edit();
    return EditCanModify();
}

bool TCustomDBEditMv::WantsSpecialKey(quint16 Key) const
{
    if (Key == VK_RETURN)
        return FWantReturns || MRUListShown();
    if (Key == VK_ESCAPE)
        return MRUListShown() || FDataLink.Modified();
    return false;
}

// ---------------------------------------------------------------- focus

void TCustomDBEditMv::focusInEvent(QFocusEvent* Event)
{
    QLineEdit::focusInEvent(Event);
    // The window coming back to the front is no entry into the edit.
    if (Event->reason() == Qt::ActiveWindowFocusReason && FFocused) {
        SetHot();
        return;
    }
    UserAction([&] { DoEnter(Event->reason()); });
}

void TCustomDBEditMv::DoEnter(Qt::FocusReason Reason)
{
    SetFocused(true);
    SetHot();
    if (FAutoSelect && Reason != Qt::MouseFocusReason)
        selectAll();
    CheckCursor();
    if (OnEnter)
        OnEnter(this);
}

void TCustomDBEditMv::SetFocused(bool Value)
{
    if (FFocused == Value)
        return;
    FFocused = Value;
    // A bound edit shows the field's edit text while it has the focus and
    // its display text otherwise; a data-independent one has one text.
    if (!DataIndependent())
        FDataLink.Reset();
    update();
}

void TCustomDBEditMv::focusOutEvent(QFocusEvent* Event)
{
    // The line edit drops the selection as the focus goes; leaving asks
    // whether there was one.
    FSelectedOnExit = hasSelectedText();
    QLineEdit::focusOutEvent(Event);
    const Qt::FocusReason reason = Event->reason();
    if (reason == Qt::ActiveWindowFocusReason && WidgetWithin(QApplication::activeWindow(), this)) {
        // A window manager made the edit's own drop-down the active window:
        // the keys belong to the edit, so its window takes the activation
        // back and the drop-down stays.
        ReclaimActivation();
        return;
    }
    if (DroppedDown())
        UserAction([&] { CloseUp(false); });
    SetHot();
    // A popup menu or another window takes the focus for a while; the edit
    // is not left.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return;
    try {
        DoExit();
    } catch (const std::exception& error) {
        // The value stays as typed and the edit takes the focus back; the
        // error box tells why. An incomplete masked text keeps the caret at
        // the position to fill, anything else is selected whole.
        const auto* maskError = dynamic_cast<const EDBEditError*>(&error);
        const int position = maskError ? maskError->Position() : -1;
        if (position < 0)
            selectAll();
        const QString message = ErrorText(error);
        QMetaObject::invokeMethod(
            this,
            [this, message, position] {
                setFocus(Qt::OtherFocusReason);
                if (position >= 0)
                    setCursorPosition(position);
                else
                    selectAll();
                ShowErrorBox(message);
            },
            Qt::QueuedConnection);
    }
}

void TCustomDBEditMv::ReclaimActivation()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            // Only while no other application or window took over meanwhile.
            const QWidget* active = QApplication::activeWindow();
            if ((!active || WidgetWithin(active, this)) && isVisible())
                window()->activateWindow();
        },
        Qt::QueuedConnection);
}

void TCustomDBEditMv::DoExit()
{
    ValidateEdit();
    if (OnExit)
        OnExit(this);
    FDataLink.UpdateRecord();
    SetFocused(false);
    if (!EditMask().isEmpty() && !FSelectedOnExit && !hasSelectedText())
        setCursorPosition(std::max(0, cursorPosition() - 2));
    FSelectedOnExit = false;
}

// ---------------------------------------------------------------- mouse

bool TCustomDBEditMv::InButtonOrImageArea(const QPoint& Pos) const
{
    if (ImageRect().Contains(Pos))
        return true;
    const TRect client = ClientRect();
    if (FButtonWidth <= 0 || !client.Contains(Pos))
        return false;
    return isRightToLeft() ? Pos.x() < client.Left + FButtonWidth : Pos.x() >= client.Right - FButtonWidth;
}

bool TCustomDBEditMv::MouseDown(QMouseEvent* Event)
{
    const QPoint pos = Event->position().toPoint();
    if (InButtonOrImageArea(pos))
        return true;
    IInplaceEditHolderMv* holder = Holder();
    if (holder && Event->button() == Qt::LeftButton) {
        // The press that follows the host's own press soon enough is the
        // second click of a double click.
        QPoint hostPos;
        qint64 hostTime = 0;
        holder->GetMouseDownInfo(hostPos, hostTime);
        if (hostTime != 0 &&
            IsDoubleClickMessage(hostPos, Event->globalPosition().toPoint(), qint64(Event->timestamp()) - hostTime)) {
            QLineEdit::mouseDoubleClickEvent(Event);
            return true;
        }
    }
    return false;
}

void TCustomDBEditMv::mousePressEvent(QMouseEvent* Event)
{
    bool taken = false;
    UserAction([&] { taken = MouseDown(Event); });
    if (!taken)
        QLineEdit::mousePressEvent(Event);
}

void TCustomDBEditMv::mouseMoveEvent(QMouseEvent* Event)
{
    const bool inArea = InButtonOrImageArea(Event->position().toPoint());
    if (Event->buttons() == Qt::NoButton)
        setCursor(inArea ? Qt::ArrowCursor : Qt::IBeamCursor);
    if (inArea && Event->buttons() == Qt::NoButton)
        return;
    QLineEdit::mouseMoveEvent(Event);
}

void TCustomDBEditMv::mouseDoubleClickEvent(QMouseEvent* Event)
{
    if (InButtonOrImageArea(Event->position().toPoint()))
        return;
    QLineEdit::mouseDoubleClickEvent(Event);
}

bool TCustomDBEditMv::MouseWheel(int Steps, TShiftState)
{
    if (!MRUListShown())
        return false;
    SendWheelToDropDown(FMRUListBox, Steps);
    return true;
}

void TCustomDBEditMv::wheelEvent(QWheelEvent* Event)
{
    const int delta = Event->angleDelta().y();
    const int steps = delta < 0 ? 1 : delta > 0 ? -1 : 0;
    bool handled = false;
    if (steps != 0)
        UserAction([&] { handled = MouseWheel(steps, ShiftStateOf(Event->modifiers(), Event->buttons())); });
    if (handled)
        Event->accept();
    else
        QLineEdit::wheelEvent(Event);
}

void TCustomDBEditMv::enterEvent(QEnterEvent* Event)
{
    QLineEdit::enterEvent(Event);
    FMouseInControl = true;
    SetHot();
}

void TCustomDBEditMv::leaveEvent(QEvent* Event)
{
    QLineEdit::leaveEvent(Event);
    FMouseInControl = false;
    SetHot();
}
