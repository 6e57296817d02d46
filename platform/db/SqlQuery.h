#pragma once
// A query over the database connection. Open runs the statement and reads
// every row into memory; the query is then a read-only dataset (First, Next,
// Eof, FieldByName(...)->AsString() and the rest). A provider hands its rows
// on to a client dataset for editing. An error while the rows are read
// raises as one of the statement itself does: the query opens with every
// row or not at all.
//
// Column types come from the driver: SMALLINT/INTEGER, BIGINT, NUMERIC
// (a number with a scale), DOUBLE/FLOAT, BOOLEAN, DATE, TIME, TIMESTAMP,
// text and binary blobs, and text (length in characters of the UTF8
// connection). Each field remembers the table it comes from.

#include "platform/db/DataSet.h"

#include <QString>

class TSQLConnection;

class TSQLQuery : public TDataSet {
    Q_OBJECT
public:
    explicit TSQLQuery(TSQLConnection* connection = nullptr, QObject* parent = nullptr);

    TSQLConnection* SQLConnection;
    QString SQL;

protected:
    void InternalOpen() override;
};
