// Every test executable runs with a QApplication on the offscreen platform,
// the Fusion style and a fixed font, so that widgets and pixels are stable.

#include "support/ChildProcess.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    if (qgetenv("MORVANE_AUDIO_DEVICE").isEmpty())
        qputenv("MORVANE_AUDIO_DEVICE", "null");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    // A test's child process (see ChildProcess.h) runs its work, not the tests.
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return RunRegisteredChild(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
