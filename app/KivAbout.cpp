#include "app/KivAbout.h"

#include "client/KivDataM.h"
#include "platform/Dialogs.h"
#include "platform/Jpeg.h"
#include "platform/WindowHints.h"

#include <QApplication>
#include <QLabel>
#include <QTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextCursor>

namespace {

QLabel* Picture(QWidget* parent, const QRect& geometry, const QString& resource)
{
    auto* label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setPixmap(QPixmap::fromImage(LoadJpeg(resource)));
    label->setScaledContents(true);
    return label;
}

} // namespace

TFormKivAbout::TFormKivAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , PanelTop(new QWidget(this))
    , Image1(Picture(PanelTop, QRect(0, 0, 64, 64), QStringLiteral(":/morvane/about-left.jpg")))
    , Image2(Picture(PanelTop, QRect(64, 0, 367 - 64, 64), QStringLiteral(":/morvane/about-fill.jpg")))
    , Image3(Picture(PanelTop, QRect(48, 17, 32, 32), QStringLiteral(":/morvane/logo.jpg")))
    , Memo1(new QTextEdit(this))
    , BitBtnOK(new QPushButton(QStringLiteral("确认"), this))
{
    // A dialog: the close icon only, also where the window type decides.
    SetNoMinimizeHint(*this);
    setWindowTitle(QStringLiteral("关于"));
    setFixedSize(367, 200);
    PanelTop->setGeometry(0, 0, 367, 64);

    Memo1->setGeometry(96, 80, 185, 65);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->viewport()->setAutoFillBackground(false);
    Memo1->setStyleSheet(QStringLiteral("QTextEdit { background: palette(button); }"));
    Memo1->document()->setDocumentMargin(1);
    Memo1->setPlainText(QStringLiteral("版本：") + SysRec.Version
                        + QStringLiteral("\n多店铺库存管理\n联系：morvane@example.cn\n© Morvane 保留所有权利"));
    // Every line centred.
    QTextCursor cursor(Memo1->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);

    BitBtnOK->setGeometry(144, 152, 75, 25);
    BitBtnOK->setDefault(true);
    connect(BitBtnOK, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ShowAbout()
{
    TFormKivAbout dialog(QApplication::activeWindow());
    ExecModal(dialog);
}
