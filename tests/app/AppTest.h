#pragma once
// A data module over a fresh database in the test's own folder, with the
// program's pictures registered, for the window tests; the platform
// stand-in serving a catalogue; the first value a statement reads; keys and
// pictures of windows.

#include "app/KivItems.h"
#include "app/KivResources.h"
#include "client/KivDataM.h"
#include "platform/Application.h"
#include "platform/SqlText.h"
#include "support/PlatformSim.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QWidget>
#include <memory>

// The first field of the first row: "<none>" without a row, "<null>" for a null.
inline QString Scalar(const QString& sql)
{
    const auto q = OpenQuery(sql);
    return q->IsEmpty() ? u"<none>"_qs : q->Fields(0)->IsNull() ? u"<null>"_qs : q->Fields(0)->AsString();
}

// With MORVANE_SCREENSHOT_DIR set, a picture of a window is written there
// for a person to look at; a window once its pending layout and paints are done.
inline void Keep(const QImage& image, const QString& name)
{
    const QString dir = qEnvironmentVariable("MORVANE_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        image.save(QDir(dir).filePath(name));
}
inline void Keep(QWidget& window, const QString& name)
{
    if (qEnvironmentVariableIsEmpty("MORVANE_SCREENSHOT_DIR"))
        return;
    QCoreApplication::processEvents();
    Keep(window.grab().toImage(), name);
}

// A key pressed on the widget, as a person types it.
inline void Press(QWidget* target, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
}

class AppTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        InitKivResources();
        ResetTerminated();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        SysRec.UserCode = QStringLiteral("admin");
        // The stand-in lists a changed trade at once, unless a test says otherwise.
        TFormItems::ListingLagSecs = 0;
    }
    void TearDown() override
    {
        FDM.reset();
        ResetTerminated();
        TFormItems::ListingLagSecs = TFormItems::DefaultListingLagSecs;
    }

    void AddUser(const QString& code, const QString& hash)
    {
        ExecSql(u"insert into \"SYS_User\"(\"Code\",\"Password\") values("_qs + QuotedStr(code) + u","_qs + QuotedStr(hash) + u")"_qs);
    }

    // The stand-in serving the catalogue (its JSON text); a failed start ends the test.
    void StartSim(TPlatformSim& sim, const QByteArray& catalogue)
    {
        QFile file(TempPath(u"catalogue.json"_qs));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(catalogue);
        file.close();
        QString error;
        ASSERT_TRUE(sim.Start(file.fileName(), &error)) << error.toStdString();
    }

    std::unique_ptr<TKivDM> FDM;
};
