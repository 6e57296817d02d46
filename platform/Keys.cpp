#include "platform/Keys.h"

#include <QKeyEvent>

namespace {

quint16 KeypadCode(int key)
{
    switch (key) {
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Slash: return VK_DIVIDE;
    case Qt::Key_Period:
    case Qt::Key_Comma: return VK_DECIMAL;
    default:
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return quint16(VK_NUMPAD0 + (key - Qt::Key_0));
        return 0;
    }
}

} // namespace

quint16 VirtualKeyOf(const QKeyEvent& event)
{
    const int key = event.key();
    if (event.modifiers().testFlag(Qt::KeypadModifier)) {
        if (const quint16 code = KeypadCode(key))
            return code;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return quint16(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return quint16(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return quint16(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Period:
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Slash:
    case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return VK_OEM_7;
    default: return 0;
    }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState shift;
    if (modifiers.testFlag(Qt::ShiftModifier))
        shift |= ssShift;
    if (modifiers.testFlag(Qt::AltModifier))
        shift |= ssAlt;
    if (modifiers.testFlag(Qt::ControlModifier))
        shift |= ssCtrl;
    if (buttons.testFlag(Qt::LeftButton))
        shift |= ssLeft;
    if (buttons.testFlag(Qt::RightButton))
        shift |= ssRight;
    if (buttons.testFlag(Qt::MiddleButton))
        shift |= ssMiddle;
    return shift;
}

QString KeyEventChars(const QKeyEvent& event)
{
    const int key = event.key();
    const Qt::KeyboardModifiers mods = event.modifiers();
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    const bool alt = mods.testFlag(Qt::AltModifier);
    // Ctrl+Alt is AltGr on many layouts: take the layout's text.
    if (ctrl && alt)
        return event.text();
    if (alt)
        return {};
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return ctrl ? QString(QChar(10)) : QString(QChar(13));
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return ctrl ? QString() : QString(QChar(9));
    case Qt::Key_Escape: return QString(QChar(27));
    case Qt::Key_Backspace: return ctrl ? QString(QChar(127)) : QString(QChar(8));
    default: break;
    }
    if (ctrl) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            return QString(QChar(key - Qt::Key_A + 1));
        switch (key) {
        case Qt::Key_BracketLeft: return QString(QChar(27));
        case Qt::Key_Backslash: return QString(QChar(28));
        case Qt::Key_BracketRight: return QString(QChar(29));
        default: return {};
        }
    }
    QString chars;
    for (const QChar ch : event.text()) {
        if (ch.unicode() >= 32 && ch.unicode() != 127)
            chars.append(ch);
    }
    return chars;
}

void ShortCutToKey(TShortCut shortCut, quint16& key, TShiftState& shift)
{
    key = shortCut & 0xFF;
    shift = {};
    if (shortCut & scShift)
        shift |= ssShift;
    if (shortCut & scCtrl)
        shift |= ssCtrl;
    if (shortCut & scAlt)
        shift |= ssAlt;
}

int QtKeyOf(quint16 Key)
{
    switch (Key) {
    case VK_UP: return Qt::Key_Up;
    case VK_DOWN: return Qt::Key_Down;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_HOME: return Qt::Key_Home;
    case VK_END: return Qt::Key_End;
    case VK_LEFT: return Qt::Key_Left;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_RETURN: return Qt::Key_Return;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_BACK: return Qt::Key_Backspace;
    case VK_DELETE: return Qt::Key_Delete;
    default: return Qt::Key_unknown;
    }
}

Qt::KeyboardModifiers ModifiersOf(TShiftState Shift)
{
    Qt::KeyboardModifiers modifiers;
    if (Shift.testFlag(ssShift))
        modifiers |= Qt::ShiftModifier;
    if (Shift.testFlag(ssCtrl))
        modifiers |= Qt::ControlModifier;
    if (Shift.testFlag(ssAlt))
        modifiers |= Qt::AltModifier;
    return modifiers;
}
