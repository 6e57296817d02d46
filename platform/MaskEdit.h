#pragma once
// TCustomMaskEdit: the class library's masked edit as the grid library's
// single-line edits build on it (the grid's cell editor and the data-aware
// edit).
//
// With an EditMask (the language is in MaskEditCodec.h) the line edit holds
// the edit text: one character per position of the mask, literals shown,
// the blank character where nothing was typed yet. Typing overwrites the
// next position that takes input and skips the literals; a character that
// fits no position is refused with a beep, and a paste is refused whole
// when one of its characters does not fit. Backspace and Delete empty a
// position (over the literals) and never shift the rest. Text is the value
// the edit stands for (the mask's "save literals" field decides whether the
// literals are part of it); EditText is what is shown. Without a mask the
// two are the same.
//
// What this base owns is the way text gets in. A typed character, text an
// input method committed, a paste (keys, the context menu, the line edit's
// own key bindings and, on X11, the middle button's selection paste) all
// pass the same questions: may the text change now (EditCanModify, after
// BeginUserChange), does every character belong (AcceptsChar), and is there
// room (MaxLength, in characters as a database's text column counts them).
// Nothing reaches an edit that refuses typing, or slips past its limit or
// its character rule: typing stops at the limit, and a text of several
// characters (a paste, an input method's) that does not fit is refused
// whole, never cut, and the user is told so.
// Text is not dropped into these edits, as into the system's edit controls.

#include "platform/Exceptions.h"
#include "platform/Keys.h"
#include "platform/MaskEditCodec.h"

#include <QLineEdit>
#include <exception>

class QContextMenuEvent;
class QDropEvent;
class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;

// A masked edit left with a required position unfilled. Position is where
// the caret was put (0-based).
class EDBEditError : public Exception {
public:
    EDBEditError(QString Message, int Position) : Exception(std::move(Message)), FPosition(Position) {}
    int Position() const { return FPosition; }

private:
    int FPosition;
};

class TCustomMaskEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TCustomMaskEdit(QWidget* Parent = nullptr);

    // ---- the mask
    const QString& EditMask() const { return FEditMask; }
    // Keeps the text (Text) and shows it through the new mask.
    void SetEditMask(const QString& Value);
    // The text is kept in the mask's form (a mask is set, and the text was
    // not put in un-masked by ShowUnmasked).
    bool IsMasked() const { return !FMask.IsEmpty() && !FUnmasked; }
    const TEditMaskMv& ParsedMask() const { return FMask; }
    // What is shown: the mask's edit text, blanks included.
    QString EditText() const { return text(); }
    void SetEditText(const QString& Value);
    // The value: through the mask's "save literals" rule.
    QString Text() const;
    void SetText(const QString& Value);
    // Whether nothing is entered (for a masked edit: the edit text is the
    // mask applied to an empty text).
    bool TextEmpty() const;
    // The text typed from the start on: what the recent values filter by.
    QString EnteredText() const;
    // Raises EDBEditError (in Chinese) when the user changed a masked text
    // and left a required position unfilled; the caret goes there.
    void ValidateEdit();
    // The message of a required position left unfilled (1-based in it).
    static QString IncompleteMessage(int Position);
    // The message of a text refused for the limit: what the edit holds
    // (its field's caption, or empty), the limit, and how many characters
    // the text would have had.
    static QString TooLongMessage(const QString& Caption, int Limit, int Length);

    // The length limit of what the user enters, in characters (a character
    // beyond the BMP is one); 0 or less means none.
    int MaxLength() const { return FMaxLength; }
    // Whether the text may change now; every modification asks it.
    virtual bool EditCanModify() = 0;
    // Clipboard requests. The paste takes the clipboard text to PasteText;
    // cut and clear work only when BeginUserChange allows them.
    virtual void WMPaste();
    virtual void WMCut();
    virtual void WMClear();

protected:
    void SetMaxLengthValue(int Value) { FMaxLength = Value; }
    // Runs before a paste, cut or clear (a data-aware edit starts editing
    // here) and answers whether the text may change.
    virtual bool BeginUserChange() { return EditCanModify(); }
    // Whether a character may be part of the text (the field's rule).
    virtual bool AcceptsChar(QChar) { return true; }
    // The text that a typed character stands for (both halves of a
    // character outside the basic plane).
    virtual QString TypedText(QChar Key) const { return QString(Key); }
    // Any text of the user's as it goes in (a letter case, say).
    virtual QString UserText(const QString& Text) const { return Text; }
    // What the edit holds as the user knows it, for the message of a text
    // refused for the limit (an edit bound to a field: the field's caption).
    virtual QString LimitCaption() const { return QString(); }
    // Pasted text, from the clipboard or the selection: its first line goes
    // in as the user's. Lists that search instead of taking text override it.
    virtual void PasteText(const QString& Text);
    // What a single-line edit takes of pasted text: its first line.
    static QString FirstLine(const QString& Text);

    // Characters as typed, one by one through the descendant's key
    // handling (KeyPress, then ApplyChar): a key's text, or what an input
    // method committed.
    virtual void TypeChars(const QString& Chars) = 0;

    // What a character that came through the key handling does: the
    // control characters of the edit (select all, copy, paste, cut, undo,
    // redo, backspace) and the insertion of any other.
    void ApplyChar(QChar Key);
    // Inserts text at the selection as the user would: nothing when a
    // character is refused (with a beep), nor when the text does not fit
    // the room MaxLength leaves (a beep; for more than one character also
    // the message).
    void InsertUserText(const QString& Text);
    // A key the descendant left to the line edit: Delete clears, Shift+Delete
    // cuts, Shift+Insert pastes, Ctrl+Insert copies; the line edit's own
    // paste and cut bindings take the same road; moving the caret is always
    // allowed, anything else needs a writable edit.
    void DefaultKey(QKeyEvent* Event, quint16 Code, TShiftState Shift);

    // A caret past what is typed goes back to the next position to fill,
    // so that typing goes on there (after a click, on entry, at the end).
    void CheckCursor();
    // Shows a text as it stands, without the mask, until the next
    // SetText or SetEditText (a data-aware edit shows the field's display
    // text so while it does not have the focus).
    void ShowUnmasked(const QString& Value);

    // Errors of a user action reach the user as the error box, not the
    // event loop.
    template <class TAction>
    void UserAction(TAction&& Action)
    {
        try {
            Action();
        } catch (const std::exception& error) {
            ReportUserError(error);
        }
    }
    static void ReportUserError(const std::exception& Error);

    // The composition under way shows as the line edit shows it; the
    // committed text is typed (TypeChars).
    void inputMethodEvent(QInputMethodEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    // Dropped text is refused, also when the event is sent straight here.
    void dropEvent(QDropEvent* Event) override;
    // The standard menu, with its modifying entries routed through the same
    // checks as the keys.
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    // Replaces the edit text as the user's change (undo and the change
    // notifications follow) and puts the caret.
    void ApplyMaskResult(const TMaskEditResultMv& Result);
    void MaskDelete(bool Forward);
    void MaskUndo(bool Redo);
    // The characters the edit would hold with the text put at the selection,
    // and whether they are within MaxLength.
    int LengthWith(const QString& Text) const;
    bool Fits(const QString& Text) const;
    void RefuseLongText(const QString& Text);
    int SelStartPos() const;
    int SelLengthPos() const;

    int FMaxLength = 0;
    QString FEditMask;
    TEditMaskMv FMask;
    bool FUnmasked = false;
};
