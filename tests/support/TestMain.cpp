// Every test executable runs with a QApplication on the offscreen platform,
// the Fusion style and a fixed font, so that widgets and pixels are stable.

#include "platform/Application.h"
#include "support/ChildProcess.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    if (qgetenv("MORVANE_AUDIO_DEVICE").isEmpty())
        qputenv("MORVANE_AUDIO_DEVICE", "null");
    const char* child = argc >= 3 && std::strcmp(argv[1], "--child") == 0 ? argv[2] : nullptr;
    std::unique_ptr<QApplication> app;
    if (child && TestChildRunsProgram(child))
        app = std::make_unique<TApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    // A test's child process (see ChildProcess.h) runs its work, not the tests.
    if (child)
        return RunRegisteredChild(child);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
