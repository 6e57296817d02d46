#pragma once
// What the table editor is about to store is checked here, in one place for
// every table: a row before it is posted, and the pending rows again before
// they are written. A problem is told to the user in Chinese, naming the
// field by its caption, and nothing reaches the database. Checked are
// required values (blanks are no value), a key that another row holds
// already (also a row the editor does not list, such as the
// administrator), the user and the shop a link names (never the
// administrator, whose links the editor does not list), a shop's app key
// and app secret, a user code with blanks around it, and the settings that
// statements write bare (the stock period and the low-stock threshold).
//
// The users' passwords are looked after here too: a password typed into
// "SYS_User" is stored as PasswordHash of the code and the password, as
// "修改密码" stores it and the login compares it, however long it is; a
// row whose password nobody typed keeps its stored value; and a stored
// password is shown only as asterisks, its editor starting empty.

#include "platform/db/Multicast.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

class TClientDataSet;
class TField;

class TTableCheck {
public:
    explicit TTableCheck(TClientDataSet& data);
    TTableCheck(const TTableCheck&) = delete;
    TTableCheck& operator=(const TTableCheck&) = delete;

    // The table the dataset edits (the table editor's key); set before it opens.
    void SetTable(const QString& table) { FTable = table; }

    // The first problem of the rows whose changes are pending (the database
    // may have changed since they were posted); empty when they may be written.
    QString PendingProblem();
    // The pending changes were written: the rows now stand in the database
    // as the dataset holds them.
    void Applied();

private:
    // What the rows are compared with, read once for the rows being
    // checked: how many records hold each key, the keys the database holds
    // of those the rows may take, and the codes of the users and shops.
    struct TFacts {
        QHash<QString, int> Holders;
        QSet<QString> KeysInDatabase;
        QSet<QString> Users;
        QSet<QString> Shops;
    };

    void Opened();
    // Refuses a row with a problem (the message, then EAbort); hashes a
    // typed password.
    void BeforePost();
    // For the active record alone, or for every record whose changes are pending.
    TFacts ReadFacts(bool pendingRows);
    // The first problem of the active record; empty when it may be stored.
    QString RowProblem(const TFacts& facts) const;
    void NoteStoredKeys();
    QString KeyText() const;
    // The active record's key as an SQL condition.
    QString KeyCondition() const;
    // The active record's key is free as far as the dataset can tell: the
    // database is to say whether it is taken.
    bool KeyAskedOfDatabase(const TFacts& facts) const;
    QString DuplicateProblem(const TFacts& facts) const;
    QString LinkProblem(const TFacts& facts) const;
    // "SYS_Params": a stock period or low-stock threshold the login could
    // not use.
    QString SettingProblem() const;
    // "SYS_User": a code with blanks around it.
    QString UserCodeProblem() const;
    QString PasswordProblem() const;
    // A monitor rule naming fields that the monitor window or the trade
    // line lacks, a layout's total on a column that holds no numbers, a
    // shop's sync time that is no time.
    QString MonitorRuleProblem() const;
    QString TotalProblem() const;
    QString ShopSyncProblem() const;
    bool RequiredByTable(const TField& field) const;
    bool IsTable(const QString& table) const;

    TClientDataSet& FData;
    QString FTable;
    // The table the rows come from, and the fields of the dataset that hold
    // its primary key with the key's columns.
    QString FOriginTable;
    QStringList FKeyFields;
    QStringList FKeyColumns;
    // The key of every row as the database held it when the dataset read it
    // (or last wrote it): a key among them is free once its row moved away.
    QSet<QString> FStoredKeys;
    // Users: a password was typed into the row being edited, and the code
    // the row had when its editing began.
    bool FPasswordTyped = false;
    // The password as typed, whatever the length of the column.
    QString FTypedPassword;
    QString FCodeBeforeEdit;
    std::vector<TScopedConnection> FConnections;
};
