#include "app/KivProgress.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

TFormProgress::TFormProgress(QWidget* parent)
    // No border icons: the work it shows cannot be cancelled from here.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    , LabelTitle(new QLabel(this))
    , ProgressBar(new QProgressBar(this))
{
    setFixedSize(418, 57);
    LabelTitle->setGeometry(16, 16, 385, 16);
    LabelTitle->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    ProgressBar->setGeometry(16, 32, 385, 17);
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
