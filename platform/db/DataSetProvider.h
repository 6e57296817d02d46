#pragma once
// Feeds a client dataset from a source dataset (a TSQLQuery) and writes the
// client dataset's changes back to the source's table.
//
// The table written is UpdateTableName, or else the table of the first
// column that comes from one; only columns of that table are written.
// Records are found by the table's primary key; a table without one (or a
// query that lacks a key column) finds them by all their old values except
// blobs, and a change that would touch another record as well is refused
// (rolled back to before the statement) rather than guessed. Text goes into
// the SQL through QuotedStr, numbers as checked numbers; blob values are
// bound as parameters, since a text literal cannot carry every blob.
//
// The changes are written deletions first, then changed keys, then the
// other changes, then new records, so that a key given up in a save may be
// taken in the same save. Keys that trade places (two codes swapped) move
// in two steps: each first to a text of its own that no record holds, then
// to its new value; such a save is written whole or not at all. A record
// the database refuses is named in the error by its key fields' captions
// and values, with the reason.

#include "platform/Variant.h"
#include "platform/db/DataSet.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <vector>

class TClientDataSet;
class TFieldDefs;
class TRecordStore;
class TSQLConnection;

// A record's primary key as the database holds it and as the pending
// changes will leave it: From is empty for a new record, To for a deleted
// one. Values in the order of Columns, the key's columns.
struct TKeyMove {
    QStringList Columns;
    std::vector<Variant> From;
    std::vector<Variant> To;
};

class TDataSetProvider : public QObject {
    Q_OBJECT
public:
    explicit TDataSetProvider(QObject* parent = nullptr);

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet) { FDataSet = dataSet; }
    QString UpdateTableName;

    // The keys that the client dataset's pending changes bring, change or
    // take away, in the order ApplyUpdates writes them; none for a table
    // without a primary key.
    std::vector<TKeyMove> KeyMoves(TClientDataSet& data);
    // Runs inside ApplyUpdates' transaction after each write of a record
    // whose key came, changed or went, on the connection the changes go
    // through: what it runs there is part of the same unit of work, and what
    // it raises refuses the record. A key that moves in two steps is told
    // of each.
    std::function<void(TSQLConnection& connection, const TKeyMove& move)> AfterKeyMove;

private:
    friend class TClientDataSet;
    // Opens the source, takes its field definitions and records, closes it.
    void GetRecords(TFieldDefs& defs, TRecordStore& store);
    int ApplyUpdates(TClientDataSet& data, int maxErrors, QStringList& errors);
    // The connection of the query the changes are written through.
    TSQLConnection& WriteConnection();

    QPointer<TDataSet> FDataSet;
};
