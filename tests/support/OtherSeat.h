#pragma once
// Another seat of the same database, as a second program would be: a
// connection of its own, on a thread of its own, that writes a row in a
// transaction and holds it until a statement of another attachment waits
// for that row (the database's monitoring tables tell), then commits. The
// waiting statement then meets the other seat's write (an update conflict).

#include <QString>
#include <atomic>
#include <thread>

class TOtherSeat {
public:
    // holdSql writes the row; waitingText is a part of the waiting
    // statement's text (for example 'update "SYS_Fields"').
    TOtherSeat(const QString& database, const QString& password, const QString& holdSql, const QString& waitingText);
    ~TOtherSeat();
    TOtherSeat(const TOtherSeat&) = delete;
    TOtherSeat& operator=(const TOtherSeat&) = delete;

    // The row is written and held.
    std::atomic<bool> Holding{false};
    // The transaction was committed after the other statement waited.
    std::atomic<bool> Committed{false};

private:
    void Run(const QString& database, const QString& password, const QString& holdSql, const QString& waitingText);

    QString FName;
    std::thread FThread;
};
