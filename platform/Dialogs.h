#pragma once
// Message dialogs and the error box. Every message the program shows to the
// user goes through MessageDlg, and every modal window through ExecModal, so
// that one replaceable answerer can stand in for the user: tests answer
// dialogs through it instead of poking at widgets from timers.

#include <QString>
#include <functional>
#include <exception>

class QDialog;
class QWidget;

// mtConfirmation asks a question (the grid's own confirmations).
enum class TMsgDlgType { mtError, mtWarning, mtInformation, mtConfirmation };

// The button sets the program uses: errors, warnings and information carry
// OK; the delete question Yes and Cancel; the unsaved-changes question OK
// and Ignore; the grid's own confirmations OK and Cancel.
enum class TMsgDlgButtons { mbOK, mbYesCancel, mbOKIgnore, mbOKCancel };

// The button that closed a message dialog. mrCancel is also the answer when
// the dialog was closed without a button (Escape or the close box).
enum class TModalResult { mrNone, mrOk, mrCancel, mrYes, mrIgnore };

struct TMessageRequest {
    QString Caption;
    QString Text;
    TMsgDlgType Type = TMsgDlgType::mtInformation;
    TMsgDlgButtons Buttons = TMsgDlgButtons::mbOK;
};

// Stands in for the user. Message answers a message dialog; Modal drives a
// modal window (fills its fields, presses its buttons) and returns its
// result code. A member that is not set leaves that kind of dialog to the
// real user.
struct TDialogAnswerer {
    std::function<TModalResult(const TMessageRequest&)> Message;
    std::function<int(QDialog&)> Modal;
};

// Replaces the answerer and returns the previous one.
TDialogAnswerer SetDialogAnswerer(TDialogAnswerer answerer);

// Installs an answerer for its own lifetime and puts the previous one back.
class TScopedDialogAnswerer {
public:
    explicit TScopedDialogAnswerer(TDialogAnswerer answerer);
    ~TScopedDialogAnswerer();
    TScopedDialogAnswerer(const TScopedDialogAnswerer&) = delete;
    TScopedDialogAnswerer& operator=(const TScopedDialogAnswerer&) = delete;

private:
    TDialogAnswerer FPrevious;
};

// Shows a modal message with its type's caption ("错误", "警告", "信息",
// "确认"),
// icon and button set, and returns the button pressed. Once the program is
// ending (Terminated) nothing shows: the answer is the one of the close box
// (Cancel where the set has it, else OK).
TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons);

// A message under a window's own title instead of its type's caption.
TModalResult MessageBoxTitled(const QString& caption, const QString& text, TMsgDlgType type,
                              TMsgDlgButtons buttons);

// The three common kinds, each with one OK button.
void ShowError(const QString& text);
void ShowWarning(const QString& text);
void ShowInformation(const QString& text);

// Runs a dialog modally (QDialog::exec) and returns its result code; once
// the program is ending, Rejected without showing it.
int ExecModal(QDialog& dialog);

// The text of the error box: a period is appended when the message's last
// character sorts above '.' and is not a full-width 。！？.
QString ErrorBoxText(const QString& message);

// The error box for an exception that nobody caught: titled with the
// application's title, an error icon and one OK button; nothing for an
// EAbort, whose message the user has seen already.
void ShowException(const std::exception& error);
void ShowErrorBox(const QString& message);
