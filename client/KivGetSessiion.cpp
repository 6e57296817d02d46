#include "client/KivGetSessiion.h"

#include "client/KivDataM.h"
#include "client/KivPlatformTexts.h"
#include "client/KivQuery.h"
#include "platform/Dialogs.h"
#include "platform/HttpClient.h"
#include "platform/StringList.h"
#include "platform/UrlDecode.h"
#include "platform/WindowHints.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

namespace {

QLineEdit* LabelledEdit(const QString& caption, QWidget* parent, int y)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(16, y, 72, 24);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(92, y, 352, 24);
    label->setBuddy(edit);
    return edit;
}

} // namespace

TFormGetSession::TFormGetSession(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , leAuthcode(LabelledEdit(QStringLiteral("授权码："), this, 16))
    , leSession(LabelledEdit(QStringLiteral("Session："), this, 84))
    , MemoLog(new QPlainTextEdit(this))
    , ActionGetSession(new QAction(QStringLiteral("点击获取Session"), this))
    , ButtonGetSession(new QToolButton(this))
    , BitBtnOK(new QPushButton(QStringLiteral("确认"), this))
{
    setWindowTitle(QStringLiteral("获取Session"));
    SetNoMinimizeHint(*this);
    setFixedSize(460, 290);

    ButtonGetSession->setDefaultAction(ActionGetSession);
    ButtonGetSession->setGeometry(92, 48, 130, 28);
    leSession->setReadOnly(true);
    MemoLog->setGeometry(16, 118, 428, 116);
    MemoLog->setReadOnly(true);
    BitBtnOK->setGeometry(364, 248, 80, 28);
    BitBtnOK->setDefault(true);

    connect(ActionGetSession, &QAction::triggered, this, &TFormGetSession::ActionGetSessionExecute);
    connect(BitBtnOK, &QPushButton::clicked, this, &TFormGetSession::BitBtnOKClick);
}

void TFormGetSession::ActionGetSessionExecute()
{
    const QString authcode = leAuthcode->text();
    if (authcode.isEmpty()) {
        ShowInformation(QStringLiteral("请将网页中的授权码全部复制到上面的输入框中！"));
        leAuthcode->setFocus();
        return;
    }
    // The code goes into the address encoded: a pasted '&' or blank cannot
    // change the request. The dialog stays usable while the platform answers;
    // the action waits for its reply.
    const QString url = SysRec.ContainerUrl + QString::fromLatin1(QUrl::toPercentEncoding(authcode));
    const QPointer<TFormGetSession> self(this);
    ActionGetSession->setEnabled(false);
    const THttpResult reply = RunPlatformRequest([&url](THttpClient& client) { return client.Get(url); });
    if (!self)
        return;
    ActionGetSession->setEnabled(true);
    if (!reply.Ok) {
        ShowError(QStringLiteral("获取Session失败：无法连接淘宝平台，请检查网络和授权码后重试！"));
        return;
    }
    const QString body = QString::fromUtf8(reply.Body);
    MemoLog->setPlainText(body);
    TStringList items;
    items.Delimiter = u'&';
    items.SetDelimitedText(body);
    leSession->setText(items.Values(QStringLiteral("kiv_session")));
    // The container answers a code it does not take with its reason.
    const QString error = items.Values(QStringLiteral("error"));
    if (leSession->text().isEmpty() && !error.isEmpty()) {
        const QString description = UrlDecode(items.Values(QStringLiteral("error_description")).toUtf8());
        const QString words = description.isEmpty() ? error : description + QStringLiteral(" [") + error + u']';
        ShowError(QStringLiteral("获取Session失败：") + PlatformRefusal(words)
                  + QStringLiteral("，请重新获取授权码，并检查“设置店铺”中店铺的AppKey后重试！"));
    }
}

void TFormGetSession::BitBtnOKClick()
{
    if (leSession->text().isEmpty()) {
        ShowInformation(QStringLiteral("没有正常获取到Session,请重试！"));
        return;
    }
    accept();
}

void TFormGetSession::ShowAuthorizeUrl(const QString& url)
{
    MemoLog->setPlainText(QStringLiteral("无法打开浏览器，请复制下面的授权地址，在浏览器中打开并登录，再把授权码粘贴到上面：\n") + url);
}

QString GetSession(const QString& authorizeUrl)
{
    TFormGetSession dialog(QApplication::activeWindow());
    if (!authorizeUrl.isEmpty())
        dialog.ShowAuthorizeUrl(authorizeUrl);
    if (ExecModal(dialog) != QDialog::Accepted)
        return QString();
    return dialog.leSession->text();
}
