#include "platform/Dialogs.h"

#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/WindowHints.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <utility>

namespace {

TDialogAnswerer& Answerer()
{
    static TDialogAnswerer answerer;
    return answerer;
}

QString TypeCaption(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtError:
        return QStringLiteral("错误");
    case TMsgDlgType::mtWarning:
        return QStringLiteral("警告");
    case TMsgDlgType::mtConfirmation:
        return QStringLiteral("确认");
    case TMsgDlgType::mtInformation:
        break;
    }
    return QStringLiteral("信息");
}

QMessageBox::Icon TypeIcon(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtError:
        return QMessageBox::Critical;
    case TMsgDlgType::mtWarning:
        return QMessageBox::Warning;
    case TMsgDlgType::mtConfirmation:
        return QMessageBox::Question;
    case TMsgDlgType::mtInformation:
        break;
    }
    return QMessageBox::Information;
}

struct ButtonSet {
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton Default;
    // What Escape and the close box answer: Cancel where the set has it,
    // else OK, as the user's way out of the question.
    QMessageBox::StandardButton Escape;
};

ButtonSet Buttons(TMsgDlgButtons buttons)
{
    switch (buttons) {
    case TMsgDlgButtons::mbYesCancel:
        return {QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::Cancel};
    case TMsgDlgButtons::mbOKIgnore:
        return {QMessageBox::Ok | QMessageBox::Ignore, QMessageBox::Ok, QMessageBox::Ok};
    case TMsgDlgButtons::mbOKCancel:
        return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
    case TMsgDlgButtons::mbOK:
        break;
    }
    return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

TModalResult ResultOf(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return TModalResult::mrOk;
    case QMessageBox::Yes:
        return TModalResult::mrYes;
    case QMessageBox::Ignore:
        return TModalResult::mrIgnore;
    default:
        return TModalResult::mrCancel;
    }
}

TModalResult ShowMessage(const TMessageRequest& request)
{
    // Nobody is there to read it once the program is ending: the answer is
    // the user's way out, as if the box had been closed.
    if (Terminated())
        return ResultOf(Buttons(request.Buttons).Escape);
    if (Answerer().Message)
        return Answerer().Message(request);
    const ButtonSet set = Buttons(request.Buttons);
    QMessageBox box(TypeIcon(request.Type), request.Caption, request.Text, set.Buttons, QApplication::activeWindow());
    // A message is answered, not minimised.
    SetNoMinimizeHint(box);
    box.setDefaultButton(set.Default);
    box.setEscapeButton(set.Escape);
    box.exec();
    return ResultOf(box.standardButton(box.clickedButton()));
}

QString ApplicationTitle()
{
    const QString title = QGuiApplication::applicationDisplayName();
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

} // namespace

TDialogAnswerer SetDialogAnswerer(TDialogAnswerer answerer)
{
    return std::exchange(Answerer(), std::move(answerer));
}

TScopedDialogAnswerer::TScopedDialogAnswerer(TDialogAnswerer answerer)
    : FPrevious(SetDialogAnswerer(std::move(answerer)))
{
}

TScopedDialogAnswerer::~TScopedDialogAnswerer()
{
    SetDialogAnswerer(std::move(FPrevious));
}

TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    return ShowMessage({TypeCaption(type), text, type, buttons});
}

TModalResult MessageBoxTitled(const QString& caption, const QString& text, TMsgDlgType type,
                              TMsgDlgButtons buttons)
{
    return ShowMessage({caption, text, type, buttons});
}

void ShowError(const QString& text)
{
    MessageDlg(text, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
}

void ShowWarning(const QString& text)
{
    MessageDlg(text, TMsgDlgType::mtWarning, TMsgDlgButtons::mbOK);
}

void ShowInformation(const QString& text)
{
    MessageDlg(text, TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
}

int ExecModal(QDialog& dialog)
{
    if (Terminated())
        return QDialog::Rejected;
    if (Answerer().Modal)
        return Answerer().Modal(dialog);
    return dialog.exec();
}

QString ErrorBoxText(const QString& message)
{
    // A Chinese sentence that ends in its own full stop, exclamation or
    // question mark is whole already.
    static const QString fullWidthEnds = QStringLiteral("。！？");
    if (!message.isEmpty() && message.back() > u'.' && !fullWidthEnds.contains(message.back()))
        return message + u'.';
    return message;
}

void ShowErrorBox(const QString& message)
{
    ShowMessage({ApplicationTitle(), ErrorBoxText(message), TMsgDlgType::mtError, TMsgDlgButtons::mbOK});
}

void ShowException(const std::exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        ShowErrorBox(own->Message());
    else
        ShowErrorBox(QString::fromUtf8(error.what()));
}
