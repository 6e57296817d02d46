#pragma once
// The class library's edit-mask language, as plain functions over text: the
// masked edit (MaskEdit.h) keeps its text in the form these functions work
// on, so that every rule can be tested and fuzzed without a window.
//
// A mask has up to three fields separated by ';':
//   "!\(999\)000-0000;1;_"
//    mask              | save literals ('0': no, anything else: yes; default
//                      | yes) | blank character (default '_')
// Mask characters:
//   0  a digit, required          9  a digit, optional
//   #  a digit or + or -, optional
//   L  a letter, required         l  a letter, optional
//   A  a letter or digit, required   a  a letter or digit, optional
//   C  any character, required    c  any character, optional
//   >  what follows is upper case   <  lower case   <>  as typed
//   \  the next character is a literal
//   :  the time separator         /  the date separator
//   _  a blank (a literal space)
//   !  the text keeps unfilled positions at its start rather than its end
// Any other character is a literal, shown and skipped while typing.
//
// The edit text has one character per position of the mask: the literal at
// a literal position, the blank character at a position not filled yet,
// else what was typed there. The text (Text) is what the value is: the
// filled positions, a space for each unfilled one and the literals when the
// mask saves them; trailing unfilled positions are dropped (leading ones
// with '!'), and a text with nothing filled in is empty. A space or the
// blank character is never a value of its own: typed at an optional
// position it leaves the position unfilled.

#include <QChar>
#include <QString>
#include <functional>
#include <vector>

enum class TMaskCharKind : quint8 { Literal, Digit, DigitOrSign, Letter, AlphaNumeric, AnyChar };
enum class TMaskCase : quint8 { AsTyped, Upper, Lower };

struct TMaskPosition {
    TMaskCharKind Kind = TMaskCharKind::Literal;
    bool Required = false;
    TMaskCase Case = TMaskCase::AsTyped;
    // The character shown at a literal position.
    QChar Literal;

    bool IsLiteral() const { return Kind == TMaskCharKind::Literal; }
};

struct TEditMaskMv {
    std::vector<TMaskPosition> Positions;
    bool SaveLiterals = true;
    QChar Blank = u'_';
    // '!': unfilled positions lead the text.
    bool LeadingBlanks = false;

    // A mask without positions edits nothing: the edit is not masked.
    bool IsEmpty() const { return Positions.empty(); }
    int Size() const { return int(Positions.size()); }
};

// The result of an edit on an edit text: the new edit text and caret, or
// Accepted false (the edit text unchanged) when a character did not fit.
struct TMaskEditResultMv {
    QString EditText;
    int Caret = 0;
    bool Accepted = true;
};

// Parses the mask text with its fields; the time and date separators come
// from the program's format settings.
TEditMaskMv ParseEditMask(const QString& Mask);

// The edit text with nothing filled in.
QString MaskEmptyEditText(const TEditMaskMv& Mask);
// The character Ch becomes at a data position (its case applied), or a null
// character when it does not fit there.
QChar MaskFitChar(const TMaskPosition& Position, QChar Ch);
// Whether the position holds something typed.
bool MaskPositionFilled(const TEditMaskMv& Mask, const QString& EditText, int Index);

// A text (the Text form, or an edit text) loaded into an edit text: its
// characters fill the positions in order (backwards from the end with '!'),
// a literal of the mask in the text is taken at its own position, and a
// character that fits no position leaves the position unfilled.
QString MaskTextToEditText(const TEditMaskMv& Mask, const QString& Text);
// The Text form of an edit text.
QString MaskEditTextToText(const TEditMaskMv& Mask, const QString& EditText);
// The class library's FormatMaskText: a text put through the mask, in the
// Text form.
QString FormatMaskText(const QString& Mask, const QString& Text);
// The Text form of the edit text up to its first unfilled position (what
// has been typed from the start): the recent values filter by it.
QString MaskTypedText(const TEditMaskMv& Mask, const QString& EditText);
// Whether nothing is filled in.
bool MaskEditTextEmpty(const TEditMaskMv& Mask, const QString& EditText);
// The first required position left unfilled, -1 when none is. A text with
// nothing filled in is not incomplete: it is no value at all.
int MaskFirstIncomplete(const TEditMaskMv& Mask, const QString& EditText);

// The first data position at or after Index (Size when none), and the last
// one before Index (-1 when none).
int MaskNextDataPosition(const TEditMaskMv& Mask, int Index);
int MaskPriorDataPosition(const TEditMaskMv& Mask, int Index);

// Where typing goes on: the data position after the last filled one (the
// first data position when none is filled; Size after the last).
int MaskCaretLimit(const TEditMaskMv& Mask, const QString& EditText);

// Typing or pasting Typed over the selection (SelStart, SelLength): the
// selected positions are emptied, then each character fills the next data
// position, a literal of the mask typed at its own position is skipped
// over, and the caret ends on the next data position. One character that
// fits nowhere (Accepts, when given, is asked about each character that
// goes into a data position) refuses the whole text.
TMaskEditResultMv MaskInsertText(const TEditMaskMv& Mask, const QString& EditText, int SelStart, int SelLength,
                                 const QString& Typed, const std::function<bool(QChar)>& Accepts = {});
// Backspace: empties the selection, or else the data position before the
// caret (over any literals); the caret goes there.
TMaskEditResultMv MaskDeleteBackward(const TEditMaskMv& Mask, const QString& EditText, int SelStart, int SelLength);
// Delete: empties the selection, or else the data position at or after the
// caret (over any literals), and the caret goes past it.
TMaskEditResultMv MaskDeleteForward(const TEditMaskMv& Mask, const QString& EditText, int SelStart, int SelLength);
