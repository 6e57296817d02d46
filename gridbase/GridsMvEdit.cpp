// The in-place editor (TInplaceEdit) and the grid's side of editing: showing,
// hiding and loading the editor, and taking its text back.

#include "gridbase/GridsMv.h"

#include <QAction>
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
#include <QWheelEvent>
#include <algorithm>
#include <climits>

// ---------------------------------------------------------------- the editor

TInplaceEdit::TInplaceEdit(QWidget* parent) : TCustomMaskEdit(parent)
{
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The length limit is kept by MaxLength; Qt's own limit would cut text
    // that the grid loads.
    QLineEdit::setMaxLength(INT_MAX / 2);
    hide();
    connect(this, &QLineEdit::textEdited, this, [this] { Change(); });
}

TInplaceEdit::~TInplaceEdit() = default;

bool TInplaceEdit::EditCanModify()
{
    return FGrid ? FGrid->CanEditModify() : true;
}

bool TInplaceEdit::AcceptsChar(QChar Key)
{
    return FGrid ? FGrid->CanEditAcceptKey(Key) : true;
}

void TInplaceEdit::BoundsChanged()
{
    // Text from two pixels in and two down, as the grid draws cell text.
    setTextMargins(0, 1, 0, 0);
}

void TInplaceEdit::UpdateContents()
{
    clear();
    if (!FGrid)
        return;
    SetEditMask(FGrid->GetEditMask(FGrid->Col(), FGrid->Row()));
    SetText(FGrid->GetEditText(FGrid->Col(), FGrid->Row()));
    SetMaxLength(FGrid->GetEditLimit());
}

void TInplaceEdit::Change()
{
    if (FGrid)
        FGrid->EditorTextChanged();
}

void TInplaceEdit::InternalMove(const TRect& rect, bool redraw)
{
    if (rect.IsEmpty()) {
        Hide();
        return;
    }
    if (!isVisible())
        redraw = true;
    Invalidate();
    setGeometry(rect.ToQRect());
    show();
    raise();
    BoundsChanged();
    if (redraw)
        Invalidate();
    if (FGrid && FGrid->Focused())
        setFocus(Qt::OtherFocusReason);
}

void TInplaceEdit::Move(const TRect& rect)
{
    InternalMove(rect, false);
}

void TInplaceEdit::UpdateLoc(const TRect& rect)
{
    InternalMove(rect, true);
}

void TInplaceEdit::Hide()
{
    if (!isVisible())
        return;
    Invalidate();
    // The focus goes back to the grid before the window goes, so that Qt does
    // not hand it to some other control in between.
    if (hasFocus() && FGrid)
        FGrid->SetFocus();
    hide();
}

void TInplaceEdit::Invalidate()
{
    update();
    if (FGrid && isVisible())
        FGrid->InvalidateRect(TRect::FromQRect(geometry()));
}

void TInplaceEdit::SetFocus()
{
    if (isVisible())
        setFocus(Qt::OtherFocusReason);
}

bool TInplaceEdit::Visible() const
{
    return isVisible();
}

void TInplaceEdit::Deselect()
{
    deselect();
    end(false);
    CheckCursor();
}

void TInplaceEdit::SendToParent(quint16& Key, TShiftState Shift)
{
    if (FGrid)
        FGrid->KeyDown(Key, Shift);
    Key = 0;
}

void TInplaceEdit::KeyDown(quint16& Key, TShiftState Shift)
{
    if (!FGrid)
        return;
    const bool forwardMovement = FGrid->Options().testFlag(goAlwaysShowEditor);
    const int length = int(text().size());
    const int caret = cursorPosition();
    const int selStart = hasSelectedText() ? selectionStart() : caret;
    const int selEnd = hasSelectedText() ? selectionEnd() : caret;
    const bool startSide = caret == 0 && selStart == 0 && (selEnd == 0 || selEnd == length);
    const bool endSide = caret == length && (selStart == 0 || selStart == selEnd) && selEnd == length;
    // Right to left the text starts at the right: Left walks toward its end
    // and leaves the cell there.
    const bool mirrored = FGrid->UseRightToLeftAlignment();
    const bool leftSide = mirrored ? endSide : startSide;
    const bool rightSide = mirrored ? startSide : endSide;
    const bool ctrl = Shift.testFlag(ssCtrl);
    const TShiftState shiftKeys = Shift & (ssShift | ssAlt | ssCtrl);

    switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE: SendToParent(Key, Shift); break;
    case VK_INSERT:
        if (shiftKeys == TShiftState())
            SendToParent(Key, Shift);
        else if (shiftKeys == TShiftState(ssShift) && !FGrid->CanEditModify())
            Key = 0;
        break;
    case VK_LEFT:
        if (forwardMovement && (ctrl || leftSide))
            SendToParent(Key, Shift);
        break;
    case VK_HOME:
        if (forwardMovement && (ctrl || startSide))
            SendToParent(Key, Shift);
        break;
    case VK_RIGHT:
        if (forwardMovement && (ctrl || rightSide))
            SendToParent(Key, Shift);
        break;
    case VK_END:
        if (forwardMovement && (ctrl || endSide))
            SendToParent(Key, Shift);
        break;
    case VK_TAB:
        if (!Shift.testFlag(ssAlt))
            SendToParent(Key, Shift);
        break;
    case VK_DELETE:
        if (ctrl)
            SendToParent(Key, Shift);
        else if (!FGrid->CanEditModify())
            Key = 0;
        break;
    case VK_F2:
        // The grid's handler sees F2 first; left alone it deselects.
        if (FGrid->OnKeyDown)
            FGrid->OnKeyDown(FGrid, Key, Shift);
        if (Key == VK_F2) {
            Deselect();
            Key = 0;
        }
        return;
    default: break;
    }
    if (Key != 0 && FGrid->OnKeyDown)
        FGrid->OnKeyDown(FGrid, Key, Shift);
}

void TInplaceEdit::KeyUp(quint16& Key, TShiftState Shift)
{
    if (FGrid)
        FGrid->KeyUp(Key, Shift);
}

void TInplaceEdit::KeyPress(QChar& Key)
{
    if (!FGrid)
        return;
    FGrid->KeyPress(Key);
    if (Key.unicode() >= 32 && !FGrid->CanEditAcceptKey(Key)) {
        Key = QChar(0);
        QApplication::beep();
    }
    switch (Key.unicode()) {
    case 9:
    case 27: Key = QChar(0); break;
    case 13: {
        const bool allSelected = hasSelectedText() && selectionStart() == 0 && selectedText().size() == text().size();
        if (allSelected)
            Deselect();
        else
            selectAll();
        Key = QChar(0);
        break;
    }
    case 8:
    case 22:
    case 24:
        if (!FGrid->CanEditModify())
            Key = QChar(0);
        break;
    default: break;
    }
}

void TInplaceEdit::WMChar(QChar Key)
{
    KeyPress(Key);
    if (Key.unicode() != 0)
        ApplyChar(Key);
}

void TInplaceEdit::DblClick()
{
    if (FGrid)
        FGrid->DblClick();
}

bool TInplaceEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos)
{
    return FGrid ? FGrid->DoMouseWheel(Shift, WheelDelta, MousePos) : false;
}

bool TInplaceEdit::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress && FGrid) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
            FGrid->Options().testFlag(goTabs)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event)
{
    const quint16 code = VirtualKeyOf(*event);
    const TShiftState shift = ShiftStateOf(event->modifiers());
    quint16 key = code;
    if (key != 0)
        KeyDown(key, shift);
    event->accept();
    // The editor may be gone from under us (the grid moved on); characters
    // still arrive, as they would as messages.
    const QString chars = KeyEventChars(*event);
    if (!chars.isEmpty()) {
        TypeChars(chars);
        return;
    }
    if (code != 0 && key == 0)
        return;
    DefaultKey(event, code, shift);
}

void TInplaceEdit::keyReleaseEvent(QKeyEvent* event)
{
    quint16 key = VirtualKeyOf(*event);
    if (key != 0)
        KeyUp(key, ShiftStateOf(event->modifiers()));
    QLineEdit::keyReleaseEvent(event);
}

void TInplaceEdit::TypeChars(const QString& Chars)
{
    for (QChar ch : Chars)
        WMChar(ch);
}

void TInplaceEdit::mousePressEvent(QMouseEvent* event)
{
    // A press soon after the grid's own press (the one that opened the
    // editor) is the second click of a double click.
    if (event->button() == Qt::LeftButton && FClickTime != 0 &&
        qint64(event->timestamp()) - FClickTime <= GetDoubleClickTime()) {
        FClickTime = 0;
        QLineEdit::mouseDoubleClickEvent(event);
        DblClick();
        return;
    }
    FClickTime = 0;
    QLineEdit::mousePressEvent(event);
}

void TInplaceEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    DblClick();
}

void TInplaceEdit::wheelEvent(QWheelEvent* event)
{
    const bool handled = DoMouseWheel(ShiftStateOf(event->modifiers(), event->buttons()), event->angleDelta().y(),
                                      event->position().toPoint());
    event->setAccepted(handled);
}

void TInplaceEdit::focusOutEvent(QFocusEvent* event)
{
    // The selection stays when the focus goes elsewhere and comes back.
    const bool selected = hasSelectedText();
    const int start = selectionStart();
    const int length = int(selectedText().size());
    const bool caretAtStart = cursorPosition() == start;
    QLineEdit::focusOutEvent(event);
    if (selected) {
        if (caretAtStart)
            setSelection(start + length, -length);
        else
            setSelection(start, length);
    }
}

void TInplaceEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    BoundsChanged();
}

// ---------------------------------------------------------------- the grid's side

std::unique_ptr<TInplaceEdit> TCustomGridMv::CreateEditor()
{
    return std::make_unique<TInplaceEdit>();
}

bool TCustomGridMv::CanEditShow()
{
    return FOptions.testFlag(goEditing) && !FOptions.testFlag(goRowSelect) && FEditorMode && HandleAllocated() &&
           (FOptions.testFlag(goAlwaysShowEditor) || IsActiveControl());
}

bool TCustomGridMv::CanEditAcceptKey(QChar)
{
    return true;
}

bool TCustomGridMv::CanEditModify()
{
    return FCanEditModify;
}

QString TCustomGridMv::GetEditText(int, int)
{
    return QString();
}

void TCustomGridMv::SetEditText(int, int, const QString&)
{
}

int TCustomGridMv::GetEditLimit()
{
    return 0;
}

QString TCustomGridMv::GetEditMask(int, int)
{
    return QString();
}

void TCustomGridMv::EditorTextChanged()
{
    UpdateText();
}

void TCustomGridMv::ShowEditor()
{
    FEditorMode = true;
    UpdateEdit();
}

void TCustomGridMv::HideEditor()
{
    FEditorMode = false;
    HideEdit();
}

void TCustomGridMv::ShowEditorChar(QChar Ch)
{
    ShowEditor();
    if (!FInplaceEdit)
        return;
    QPointer<TInplaceEdit> editor = FInplaceEdit.get();
    QMetaObject::invokeMethod(
        editor, [editor, Ch] {
            if (editor)
                editor->WMChar(Ch);
        },
        Qt::QueuedConnection);
}

void TCustomGridMv::InvalidateEditor()
{
    FInplaceCol = -1;
    FInplaceRow = -1;
    UpdateEdit();
}

void TCustomGridMv::UpdateEditor()
{
    FInplaceCol = Col();
    FInplaceRow = Row();
    FInplaceEdit->UpdateContents();
    FCanEditModify = FInplaceEdit->MaxLength() != -1;
    FInplaceEdit->selectAll();
}

void TCustomGridMv::UpdateEdit()
{
    if (!CanEditShow())
        return;
    if (!FInplaceEdit) {
        FInplaceEdit = CreateEditor();
        FInplaceEdit->SetGrid(this);
        FInplaceEdit->setParent(ClientWidget());
        FInplaceEdit->setFont(font());
        FInplaceEdit->hide();
        UpdateEditor();
    } else if (Col() != FInplaceCol || Row() != FInplaceRow) {
        HideEdit();
        UpdateEditor();
    }
    if (CanEditShow())
        FInplaceEdit->UpdateLoc(CellRect(Col(), Row()));
}

void TCustomGridMv::HideEdit()
{
    if (!FInplaceEdit)
        return;
    UpdateText();
    FInplaceCol = -1;
    FInplaceRow = -1;
    FInplaceEdit->Hide();
}

void TCustomGridMv::UpdateText()
{
    if (FInplaceEdit && FInplaceCol != -1 && FInplaceRow != -1)
        SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->Text());
}
