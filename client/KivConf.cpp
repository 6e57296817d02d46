#include "client/KivConf.h"

#include "client/KivDataM.h"
#include "platform/Dialogs.h"
#include "platform/WindowHints.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <limits>

namespace {

constexpr int MaxPort = 65535;

} // namespace

TConfKiv::TConfKiv(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , EditProxyServer(new QLineEdit(this))
    , seProxyPort(new QSpinBox(this))
    , BitBtnApply(new QPushButton(QStringLiteral("应用"), this))
    , BitBtnCancel(new QPushButton(QStringLiteral("取消"), this))
{
    setWindowTitle(QStringLiteral("代理服务器设置"));
    SetNoMinimizeHint(*this);
    setFixedSize(320, 132);

    auto* serverLabel = new QLabel(QStringLiteral("代理服务器IP："), this);
    serverLabel->setGeometry(16, 18, 110, 24);
    serverLabel->setBuddy(EditProxyServer);
    EditProxyServer->setGeometry(130, 18, 170, 24);

    auto* portLabel = new QLabel(QStringLiteral("代理服务器Port："), this);
    portLabel->setGeometry(16, 52, 110, 24);
    portLabel->setBuddy(seProxyPort);
    seProxyPort->setGeometry(130, 52, 90, 24);
    // No limits: the user may type any port.
    seProxyPort->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());

    BitBtnApply->setGeometry(130, 92, 80, 28);
    BitBtnApply->setDefault(true);
    BitBtnCancel->setGeometry(220, 92, 80, 28);
    BitBtnCancel->setAutoDefault(false);

    connect(EditProxyServer, &QLineEdit::textChanged, this, &TConfKiv::EditProxyServerChange);
    connect(BitBtnApply, &QPushButton::clicked, this, &TConfKiv::BitBtnApplyClick);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TConfKiv::LoadProxySettings()
{
    EditProxyServer->setText(SysRec.ProxyServer);
    seProxyPort->setValue(SysRec.ProxyPort);
}

void TConfKiv::SaveProxySettings()
{
    SysRec.ProxyServer = EditProxyServer->text();
    SysRec.ProxyPort = seProxyPort->value();
}

void TConfKiv::EditProxyServerChange(const QString& text)
{
    if (text.isEmpty())
        seProxyPort->setValue(0);
}

void TConfKiv::BitBtnApplyClick()
{
    // The spin edit takes any number; a port is not any number.
    if (seProxyPort->value() < 0 || seProxyPort->value() > MaxPort) {
        ShowError(QStringLiteral("[代理服务器Port]必须是0到%1之间的整数，请重输！").arg(MaxPort));
        seProxyPort->setFocus();
        seProxyPort->selectAll();
        return;
    }
    SaveProxySettings();
    ApplyProxy();
    SaveProxy();
    accept();
}

void ShowProxyDialog()
{
    TConfKiv dialog(QApplication::activeWindow());
    dialog.LoadProxySettings();
    ExecModal(dialog);
}
