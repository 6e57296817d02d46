#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <mutex>

QString SourceDir()
{
    const QByteArray env = qgetenv("MORVANE_SOURCE_DIR");
    return env.isEmpty() ? QStringLiteral(MORVANE_SOURCE_DIR) : QString::fromLocal8Bit(env);
}

QString BinaryDir()
{
    const QByteArray env = qgetenv("MORVANE_BINARY_DIR");
    return env.isEmpty() ? QStringLiteral(MORVANE_BINARY_DIR) : QString::fromLocal8Bit(env);
}

namespace {

// The template database: made by the build from db/schema.sql, or, when the
// build has not made it, by the project's own script once per process.
QString TemplateDatabase()
{
    const QString built = BinaryDir() + QStringLiteral("/tests/template.fdb");
    if (QFile::exists(built))
        return built;
    static QTemporaryDir dir;
    static QString path;
    static std::once_flag once;
    std::call_once(once, [] {
        EXPECT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("template.fdb"));
        QProcess script;
        script.start(SourceDir() + QStringLiteral("/scripts/create-db"), {path});
        script.waitForFinished(120000);
        EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    });
    return path;
}

} // namespace

void CreateTestDatabase(const QString& path)
{
    QFile::remove(path);
    ASSERT_TRUE(QFile::copy(TemplateDatabase(), path)) << path.toStdString();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void TempDirTest::SetUp()
{
    FTempDir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(FTempDir->isValid());
}

QString TempDirTest::TempPath(const QString& name) const
{
    return FTempDir->filePath(name);
}

void DatabaseTest::SetUp()
{
    TempDirTest::SetUp();
    CreateTestDatabase(DatabasePath());
}
