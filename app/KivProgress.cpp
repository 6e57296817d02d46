#include "app/KivProgress.h"

#include "client/KivSkuSums.h"
#include "platform/WindowHints.h"

#include <QCoreApplication>
#include <QPointer>

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int ClientWidth = 418;
constexpr int ClientHeight = 57;
constexpr int StopRowHeight = 34;

} // namespace

TFormProgress::TFormProgress(QWidget* parent)
    // No border icons: the window goes with its work.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    , LabelTitle(new QLabel(this))
    , ProgressBar(new QProgressBar(this))
    , ButtonStop(new QPushButton(QStringLiteral("停止"), this))
{
    // Nor minimised nor maximised apart from its owner, above which it stays.
    SetNoMinimizeHint(*this);
    setFixedSize(ClientWidth, ClientHeight);
    LabelTitle->setGeometry(16, 16, 385, 16);
    LabelTitle->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    ProgressBar->setGeometry(16, 32, 385, 17);
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ButtonStop->setGeometry((ClientWidth - 80) / 2, ClientHeight + 2, 80, 24);
    ButtonStop->setAutoDefault(false);
    ButtonStop->hide();
    connect(ButtonStop, &QPushButton::clicked, this, [this] {
        ButtonStop->setEnabled(false);
        if (FOnStop)
            FOnStop();
    });
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormProgress::AllowStop(std::function<void()> onStop)
{
    FOnStop = std::move(onStop);
    setFixedSize(ClientWidth, ClientHeight + StopRowHeight);
    ButtonStop->show();
}

void TFormProgress::HoldNobody()
{
    setWindowModality(Qt::NonModal);
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
}

void TFormProgress::reject()
{
    // Esc and the close of the window system: the work goes on.
}

void InstallUpgradeProgress()
{
    UpgradeProgress = [](int done, int steps, const QString& label) {
        static QPointer<TFormProgress> progress;
        if (done >= steps) {
            delete progress.data();
            return;
        }
        if (!progress) {
            progress = new TFormProgress;
            progress->setWindowTitle(QStringLiteral("数据库升级中..."));
            progress->setWindowModality(Qt::ApplicationModal);
            progress->ProgressBar->setRange(0, steps);
            progress->show();
        }
        progress->LabelTitle->setText(label);
        progress->ProgressBar->setValue(done);
        // The statements that follow hold the GUI thread: the window is
        // painted before they run.
        QCoreApplication::processEvents();
    };
}
