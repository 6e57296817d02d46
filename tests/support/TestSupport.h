#pragma once
// Shared fixtures: a temporary folder per test and a fresh embedded Firebird
// database made from db/schema.sql.

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable QString values in assertion messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// The project's source folder (db/schema.sql, resources, test data).
QString SourceDir();
// The build folder (tools such as platform-sim).
QString BinaryDir();

// A new database file at path, made from db/schema.sql. The schema is
// created once per test process and copied for each caller.
void CreateTestDatabase(const QString& path);

// A test with its own temporary folder.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    QString TempPath(const QString& name) const;
    std::unique_ptr<QTemporaryDir> FTempDir;
};

// A test with its own temporary folder holding "Kiv.fdb", a fresh database.
class DatabaseTest : public TempDirTest {
protected:
    void SetUp() override;
    QString DatabasePath() const { return TempPath(QStringLiteral("Kiv.fdb")); }
};
