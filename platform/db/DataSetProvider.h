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

#include <QObject>
#include <QPointer>
#include <QStringList>

class TClientDataSet;
class TDataSet;
class TFieldDefs;
class TRecordStore;

class TDataSetProvider : public QObject {
    Q_OBJECT
public:
    explicit TDataSetProvider(QObject* parent = nullptr);

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet) { FDataSet = dataSet; }
    QString UpdateTableName;

private:
    friend class TClientDataSet;
    // Opens the source, takes its field definitions and records, closes it.
    void GetRecords(TFieldDefs& defs, TRecordStore& store);
    int ApplyUpdates(TClientDataSet& data, int maxErrors, QStringList& errors);

    QPointer<TDataSet> FDataSet;
};
