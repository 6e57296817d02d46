#include "support/OtherSeat.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

namespace {

QSqlDatabase OpenSeat(const QString& database, const QString& password, const QString& name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
    db.setDatabaseName(database);
    db.setUserName(QStringLiteral("sysdba"));
    db.setPassword(password);
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    db.open();
    return db;
}

} // namespace

TOtherSeat::TOtherSeat(const QString& database, const QString& password, const QString& holdSql, const QString& waitingText)
{
    static QAtomicInteger<int> seats;
    FName = QStringLiteral("other-seat-%1").arg(seats.fetchAndAddRelaxed(1));
    FThread = std::thread([=, this] {
        Run(database, password, holdSql, waitingText);
        QSqlDatabase::removeDatabase(FName);
        QSqlDatabase::removeDatabase(FName + QStringLiteral("-watch"));
    });
}

TOtherSeat::~TOtherSeat()
{
    FThread.join();
}

void TOtherSeat::Run(const QString& database, const QString& password, const QString& holdSql, const QString& waitingText)
{
    QSqlDatabase seat = OpenSeat(database, password, FName);
    QSqlDatabase watch = OpenSeat(database, password, FName + QStringLiteral("-watch"));
    if (!seat.isOpen() || !watch.isOpen() || !seat.transaction())
        return;
    {
        QSqlQuery write(seat);
        if (!write.exec(holdSql))
            return;
    }
    Holding = true;
    QString text = waitingText;
    text.replace(u'\'', QStringLiteral("''"));
    for (int waited = 0; waited < 30000; waited += 10) {
        QSqlQuery waiting(watch);
        const bool read = waiting.exec(QStringLiteral("select count(*) from mon$statements where mon$attachment_id <> current_connection "
                                                      "and mon$state = 1 and mon$sql_text containing '%1'")
                                           .arg(text));
        const bool counted = read && waiting.next();
        // A watch that cannot be read cannot tell when to let go: the write
        // is taken back uncommitted, which the test sees.
        if (!counted)
            return;
        if (waiting.value(0).toInt() > 0)
            break;
        QThread::msleep(10);
    }
    Committed = seat.commit();
    seat.close();
    watch.close();
}
