// The program's entry: the application with its pictures, translations and
// font, then the program's run (RunKiv) in the program's own folder. No
// argument is read.

#include "app/KivMain.h"
#include "app/KivResources.h"
#include "platform/Application.h"
#include "platform/SessionEnd.h"

#include <QFont>

int main(int argc, char** argv)
{
    // Until the program watches the session's end itself, an end that comes
    // waits for it (every thread started meanwhile inherits this).
    HoldEndSignals();
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    InitKivResources();
    QApplication::setWindowIcon(KivAppIcon());
    LoadQtTranslations();
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    return RunKiv(QString());
}
