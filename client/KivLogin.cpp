#include "client/KivLogin.h"

#include "client/KivConf.h"
#include "client/KivDataM.h"
#include "client/KivQuery.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Jpeg.h"
#include "platform/SqlText.h"
#include "platform/WindowHints.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <vector>

namespace {

QLabel* Caption(const QString& text, QWidget* parent, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

void SetPasswordEcho(QLineEdit& edit)
{
    edit.setEchoMode(QLineEdit::Password);
    edit.setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
}

TLoginKiv::TLoginKiv(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
    , ImageLogin(new QLabel(this))
    , ComboBoxUser(new QComboBox(this))
    , EditPassword(new QLineEdit(this))
    , BitBtnLogin(new QPushButton(QStringLiteral("登录"), this))
    , BitBtnConfig(new QPushButton(QStringLiteral("设置"), this))
    , LabelVersion(new QLabel(this))
{
    setWindowTitle(QStringLiteral("登录"));
    SetNoMinimizeHint(*this);
    setFixedSize(340, 236);

    ImageLogin->setGeometry(0, 0, 340, 88);
    ImageLogin->setPixmap(QPixmap::fromImage(LoadJpeg(QStringLiteral(":/morvane/login.jpg"))));

    Caption(QStringLiteral("用户："), this, QRect(40, 108, 60, 24));
    ComboBoxUser->setGeometry(104, 108, 180, 24);
    ComboBoxUser->setEditable(true);
    ComboBoxUser->setInsertPolicy(QComboBox::NoInsert);

    Caption(QStringLiteral("密码："), this, QRect(40, 142, 60, 24));
    EditPassword->setGeometry(104, 142, 180, 24);
    SetPasswordEcho(*EditPassword);

    BitBtnLogin->setGeometry(104, 184, 84, 28);
    BitBtnLogin->setDefault(true);
    BitBtnConfig->setGeometry(200, 184, 84, 28);
    BitBtnConfig->setAutoDefault(false);

    LabelVersion->setGeometry(8, 214, 90, 18);
    LabelVersion->setStyleSheet(QStringLiteral("color: #6b7280"));

    connect(BitBtnLogin, &QPushButton::clicked, this, &TLoginKiv::BitBtnLoginClick);
    connect(BitBtnConfig, &QPushButton::clicked, this, &TLoginKiv::BitBtnConfigClick);
}

void TLoginKiv::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TLoginKiv::FormShow()
{
    LabelVersion->setText(QStringLiteral("Ver: ") + SysRec.Version);
}

void TLoginKiv::BitBtnLoginClick()
{
    const QString userCode = LoginUserCode(ComboBoxUser->currentText(), EditPassword->text());
    if (!userCode.isEmpty()) {
        LoginFailures = 0;
        SysRec.UserCode = userCode;
        LoadProxy();
        ApplyProxy();
        QString stockNotice;
        QString lowStockNotice;
        SysRec.StockTime = LoadStockTime(&stockNotice);
        SysRec.LowStock = LoadLowStock(&lowStockNotice);
        LoadApiSettings();
        TellUnusableSettings(stockNotice, lowStockNotice);
        accept();
        return;
    }
    ++LoginFailures;
    // The message comes first: once the program is asked to end, every event
    // loop returns at once and the message would only flash.
    ShowError(QStringLiteral("密码不正确(还有%1次重试机会)，请重试！").arg(LoginFailureLimit - LoginFailures));
    if (LoginFailures >= LoginFailureLimit) {
        Terminate();
        reject();
    }
}

void TLoginKiv::TellUnusableSettings(const QString& stockNotice, const QString& lowStockNotice)
{
    // The administrator mends the settings, and is told at every login
    // until they are mended. A new stock period is stored at the login that
    // finds the stored one unusable, whoever logs in: a seller who meets it
    // is told once, since the stock-in figures start anew, and passes it on.
    // An unusable threshold stays stored and the session takes the default;
    // a seller could not mend it and would be told at every login: no word
    // to the seller of it.
    const QString header = QStringLiteral("“数据字典”中的设置无法使用：");
    if (SysRec.UserCode == QStringLiteral("admin")) {
        QStringList notices;
        for (const QString& notice : {stockNotice, lowStockNotice})
            if (!notice.isEmpty())
                notices << notice;
        if (!notices.isEmpty())
            ShowWarning(header + u'\n' + notices.join(u'\n'));
    } else if (!stockNotice.isEmpty()) {
        ShowWarning(header + u'\n' + stockNotice + QStringLiteral("\n请告知管理员。"));
    }
}

void TLoginKiv::BitBtnConfigClick()
{
    // Before a login the settings hold no proxy yet: the dialog shows (and
    // "应用" keeps) what the INI file holds.
    LoadProxy();
    ShowProxyDialog();
}

bool ShowLogin()
{
    TLoginKiv dialog;
    QStringList users;
    FillUserList(users);
    dialog.ComboBoxUser->addItems(users);
    return ExecModal(dialog) == QDialog::Accepted;
}

QString LoginUserCode(const QString& typedCode, const QString& password)
{
    struct TUserRow {
        QString Code;
        QString Password;
    };
    const QString trimmed = typedCode.trimmed();
    // Every row the database takes for either code; the choice is made here.
    const auto query = OpenQuery(QStringLiteral("select \"Code\", \"Password\" from \"SYS_User\" where \"Code\" = ") + QuotedStr(typedCode)
                                 + QStringLiteral(" or \"Code\" = ") + QuotedStr(trimmed));
    std::vector<TUserRow> named;
    for (; !query->Eof(); query->Next()) {
        TUserRow row{query->FieldByName(QStringLiteral("Code"))->AsString(), query->FieldByName(QStringLiteral("Password"))->AsString()};
        if (row.Code == typedCode) {
            named = {row};
            break;
        }
        if (row.Code.trimmed() == trimmed)
            named.push_back(row);
    }
    if (named.size() != 1 || named.front().Password != PasswordHash(named.front().Code, password))
        return QString();
    return named.front().Code;
}

bool PasswordMatches(const QString& userCode, const QString& password)
{
    return !LoginUserCode(userCode, password).isEmpty();
}
