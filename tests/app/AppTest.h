#pragma once
// A data module over a fresh database in the test's own folder, with the
// program's pictures registered, for the window tests.

#include "app/KivResources.h"
#include "client/KivDataM.h"
#include "platform/Application.h"
#include "platform/SqlText.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QImage>
#include <memory>

class AppTest : public DatabaseTest {
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        InitKivResources();
        ResetTerminated();
        FDM = std::make_unique<TKivDM>(TempPath(QString()));
        SysRec.UserCode = QStringLiteral("admin");
    }
    void TearDown() override
    {
        FDM.reset();
        ResetTerminated();
    }

    void AddUser(const QString& code, const QString& hash)
    {
        ExecSql(u"insert into \"SYS_User\"(\"Code\",\"Password\") values("_qs + QuotedStr(code) + u","_qs + QuotedStr(hash) + u")"_qs);
    }

    // With MORVANE_SCREENSHOT_DIR set, a picture of a window is written there
    // for a person to look at.
    static void Keep(const QImage& image, const QString& name)
    {
        const QString dir = qEnvironmentVariable("MORVANE_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            image.save(QDir(dir).filePath(name));
    }

    std::unique_ptr<TKivDM> FDM;
};
