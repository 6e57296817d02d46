// The program's entry: the data module, the login, then the main window and
// the message loop until the main window closes. No argument is read.

#include "app/KivItemIn.h"
#include "app/KivItems.h"
#include "app/KivMain.h"
#include "app/KivResources.h"
#include "app/KivShop.h"
#include "client/KivDataM.h"
#include "client/KivLogin.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"

#include <QFont>

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    InitKivResources();
    QApplication::setWindowIcon(KivAppIcon());
    LoadQtTranslations();
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    // Outside the message loop nobody else shows what went wrong.
    try {
        TKivDM dataModule;
        if (!ShowLogin())
            return 0;
        InstallItemsHooks();
        InstallTableEditorHooks();
        InstallItemInHooks();
        TMainKiv mainWindow;
        mainWindow.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        ShowException(error);
        return 1;
    }
}
