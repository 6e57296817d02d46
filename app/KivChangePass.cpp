#include "app/KivChangePass.h"

#include "client/KivDataM.h"
#include "client/KivLogin.h"
#include "client/KivQuery.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/SqlText.h"
#include "platform/WindowHints.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

QLineEdit* PasswordEdit(const QString& caption, QWidget* parent, int y)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(40, y, 110, 24);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(154, y, 180, 24);
    SetPasswordEcho(*edit);
    label->setBuddy(edit);
    return edit;
}

// The user may have been deleted at another seat since the login.
bool UserExists(const QString& userCode)
{
    return !IsEmptyResult(QStringLiteral("select 1 from \"SYS_User\" where \"Code\" = ") + QuotedStr(userCode));
}

QString NoSuchUserText(const QString& userCode)
{
    return QStringLiteral("系统中没有用户“") + userCode + QStringLiteral("”（可能已在其他电脑上被删除），密码没有修改！");
}

} // namespace

TChangePassKiv::TChangePassKiv(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , EditOldPass(PasswordEdit(QStringLiteral("老密码："), this, 22))
    , EditNewPass(PasswordEdit(QStringLiteral("新密码："), this, 58))
    , EditNewPass2(PasswordEdit(QStringLiteral("新密码确认："), this, 94))
    , PanelBottom(new QWidget(this))
    , BitBtnChange(new QPushButton(QStringLiteral("更改"), PanelBottom))
    , BitBtnCancel(new QPushButton(QStringLiteral("取消"), PanelBottom))
{
    // A dialog: the close icon only, also where the window type decides.
    SetNoMinimizeHint(*this);
    setWindowTitle(QStringLiteral("密码设置"));
    setFixedSize(379, 200);

    PanelBottom->setGeometry(0, 200 - 62, 379, 62);
    auto* line = new QFrame(PanelBottom);
    line->setGeometry(0, 0, 379, 2);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    BitBtnChange->setGeometry(154, 18, 84, 28);
    BitBtnChange->setDefault(true);
    BitBtnCancel->setGeometry(250, 18, 84, 28);
    BitBtnCancel->setAutoDefault(false);

    connect(BitBtnChange, &QPushButton::clicked, this, &TChangePassKiv::BitBtnChangeClick);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TChangePassKiv::SetUserCode(const QString& userCode)
{
    FUserCode = userCode;
    setWindowTitle(userCode + QStringLiteral(" 密码设置"));
}

void TChangePassKiv::BitBtnChangeClick()
{
    if (EditNewPass->text() != EditNewPass2->text()) {
        ShowError(QStringLiteral("新密码确认不一致，请重输！"));
        return;
    }
    // No old password can be right for a user who is not there: nothing
    // counts against the tries.
    if (!UserExists(FUserCode)) {
        ShowError(NoSuchUserText(FUserCode));
        reject();
        return;
    }
    if (PasswordHash(FUserCode, EditOldPass->text()) != GetUserPassword(FUserCode)) {
        ++LoginFailures;
        // The message first, while the event loops still run (see the login).
        ShowError(QStringLiteral("老密码与系统不一致(还有%1次重试机会)，请重试！").arg(LoginFailureLimit - LoginFailures));
        if (LoginFailures >= LoginFailureLimit) {
            Terminate();
            reject();
        }
        return;
    }
    // An empty new password is stored as the empty hash, which is what the
    // login and the old-password test compare an empty field with.
    if (SetUserPassword(FUserCode, PasswordHash(FUserCode, EditNewPass->text())) == 0) {
        ShowError(NoSuchUserText(FUserCode));
        reject();
        return;
    }
    ShowInformation(QStringLiteral("密码修改成功!"));
    accept();
}

bool ShowChangePassword(const QString& userCode)
{
    TChangePassKiv dialog(QApplication::activeWindow());
    dialog.SetUserCode(userCode);
    return ExecModal(dialog) == QDialog::Accepted;
}
