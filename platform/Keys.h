#pragma once
// Keyboard and mouse input as the grid library's handlers see it: a key-down
// carries a virtual-key code and the shift state, and is followed by one
// key-press per character that the key produces (the control characters
// Enter #13, Tab #9, Esc #27, Backspace #8 and Ctrl+letter #1..#26 included).
// Qt's key events are translated here, in one place, for every control.

#include <QFlags>
#include <QString>
#include <QtGlobal>

class QKeyEvent;

enum TShiftStateFlag : quint8 {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Virtual-key codes.
constexpr quint16 VK_BACK = 0x08;
constexpr quint16 VK_TAB = 0x09;
constexpr quint16 VK_CLEAR = 0x0C;
constexpr quint16 VK_RETURN = 0x0D;
constexpr quint16 VK_SHIFT = 0x10;
constexpr quint16 VK_CONTROL = 0x11;
constexpr quint16 VK_MENU = 0x12;
constexpr quint16 VK_PAUSE = 0x13;
constexpr quint16 VK_CAPITAL = 0x14;
constexpr quint16 VK_ESCAPE = 0x1B;
constexpr quint16 VK_SPACE = 0x20;
constexpr quint16 VK_PRIOR = 0x21;
constexpr quint16 VK_NEXT = 0x22;
constexpr quint16 VK_END = 0x23;
constexpr quint16 VK_HOME = 0x24;
constexpr quint16 VK_LEFT = 0x25;
constexpr quint16 VK_UP = 0x26;
constexpr quint16 VK_RIGHT = 0x27;
constexpr quint16 VK_DOWN = 0x28;
constexpr quint16 VK_INSERT = 0x2D;
constexpr quint16 VK_DELETE = 0x2E;
// '0'..'9' and 'A'..'Z' are their own codes.
constexpr quint16 VK_NUMPAD0 = 0x60;
constexpr quint16 VK_MULTIPLY = 0x6A;
constexpr quint16 VK_ADD = 0x6B;
constexpr quint16 VK_SUBTRACT = 0x6D;
constexpr quint16 VK_DECIMAL = 0x6E;
constexpr quint16 VK_DIVIDE = 0x6F;
constexpr quint16 VK_F1 = 0x70;
constexpr quint16 VK_F2 = 0x71;
constexpr quint16 VK_F24 = 0x87;
constexpr quint16 VK_OEM_1 = 0xBA;      // ;
constexpr quint16 VK_OEM_PLUS = 0xBB;   // =
constexpr quint16 VK_OEM_COMMA = 0xBC;  // ,
constexpr quint16 VK_OEM_MINUS = 0xBD;  // -
constexpr quint16 VK_OEM_PERIOD = 0xBE; // .
constexpr quint16 VK_OEM_2 = 0xBF;      // /
constexpr quint16 VK_OEM_3 = 0xC0;      // `
constexpr quint16 VK_OEM_4 = 0xDB;      // [
constexpr quint16 VK_OEM_5 = 0xDC;      // backslash
constexpr quint16 VK_OEM_6 = 0xDD;      // ]
constexpr quint16 VK_OEM_7 = 0xDE;      // '

// The virtual-key code of a key event; 0 for a key without one.
quint16 VirtualKeyOf(const QKeyEvent& event);
// The shift state of keyboard modifiers and held mouse buttons.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
// The characters the key produces, in order; empty for a key that produces
// none (arrows, function keys, Alt combinations).
QString KeyEventChars(const QKeyEvent& event);
// The Qt key of a navigation or editing virtual key (arrows, pages, Home,
// End, Enter, Escape, Backspace, Delete); Qt::Key_unknown for others.
int QtKeyOf(quint16 Key);
// The keyboard modifiers of a shift state.
Qt::KeyboardModifiers ModifiersOf(TShiftState Shift);

// A key with its modifiers as one 16-bit value (the class library's
// ShortCut): the key code plus $2000 for Shift, $4000 for Ctrl, $8000 for Alt.
using TShortCut = quint16;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut ShortCut(quint16 key, TShiftState shift)
{
    return TShortCut((key & 0xFF) | (shift.testFlag(ssShift) ? scShift : 0) | (shift.testFlag(ssCtrl) ? scCtrl : 0) |
                     (shift.testFlag(ssAlt) ? scAlt : 0));
}
void ShortCutToKey(TShortCut shortCut, quint16& key, TShiftState& shift);
