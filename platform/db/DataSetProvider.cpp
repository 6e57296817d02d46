#include "platform/db/DataSetProvider.h"

#include "platform/Exceptions.h"
#include "platform/SqlText.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DbTexts.h"
#include "platform/db/SqlConnection.h"
#include "platform/db/SqlQuery.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace {

struct TColumn {
    int Index = 0; // in the record
    QString Name;
    TFieldType Type = ftUnknown;
    int Scale = 0;
    bool Blob = false;
    bool Key = false;
};

struct TTarget {
    QString Table;
    std::vector<TColumn> Columns;
    bool Keyed = false;
    // Every column of the table is known and none is a blob: two records
    // that match on all of them are the same, and either may be written.
    bool RowsInterchangeable = false;
};

// A statement with its blob values, bound in order of the '?' marks.
struct TStatement {
    QString Sql;
    QVariantList Blobs;
};

bool SameValue(const Variant& a, const Variant& b)
{
    return a.GetKind() == b.GetKind() && a == b;
}

QString Literal(const Variant& value, const TColumn& column)
{
    if (value.IsClear())
        return QStringLiteral("NULL");
    switch (column.Type) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
        return SqlInteger(QString::number(value.AsInteger()));
    case ftFloat:
    case ftFMTBcd: {
        const double d = value.AsFloat();
        if (!std::isfinite(d))
            throw EDatabaseError(ColumnCannotStoreText(column.Name, value.AsString()));
        const QString text = column.Type == ftFMTBcd ? QString::number(d, 'f', column.Scale) : QString::number(d, 'g', 17);
        if (!IsSqlNumber(text))
            throw EDatabaseError(ColumnCannotStoreText(column.Name, text));
        return text;
    }
    case ftBoolean:
        return value.AsBoolean() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case ftDate:
        return QuotedStr(value.AsDateTime().toString(QStringLiteral("yyyy-MM-dd")));
    case ftTime:
        return QuotedStr(value.AsDateTime().toString(QStringLiteral("HH:mm:ss.zzz")));
    case ftTimeStamp:
    case ftDateTime:
        return QuotedStr(value.AsDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
    default:
        return QuotedStr(value.AsString());
    }
}

// The value as SQL text, or a '?' with the value kept for binding.
QString ValueSql(const Variant& value, const TColumn& column, TStatement& statement)
{
    if (!column.Blob || value.IsClear())
        return Literal(value, column);
    statement.Blobs << (column.Type == ftBlob ? QVariant(value.AsBytes()) : QVariant(value.AsString()));
    return QStringLiteral("?");
}

QString WhereSql(const TTarget& target, const Variant* values)
{
    QString sql;
    for (const TColumn& column : target.Columns) {
        if (target.Keyed ? !column.Key : column.Blob)
            continue;
        if (!sql.isEmpty())
            sql += QStringLiteral(" and ");
        const Variant& value = values[column.Index];
        sql += QuotedName(column.Name) + (value.IsClear() ? QStringLiteral(" is null") : u" = "_qs + Literal(value, column));
    }
    if (sql.isEmpty())
        throw EDatabaseError(QStringLiteral("No column of table \"%1\" can find the record").arg(target.Table));
    return u" where "_qs + sql;
}

TTarget ResolveTarget(const QSqlDatabase& db, const TClientDataSet& data, const QString& tableName)
{
    TTarget target;
    target.Table = tableName;
    const TFieldDefs& defs = data.FieldDefs();
    for (int i = 0; target.Table.isEmpty() && i < defs.Count(); ++i)
        target.Table = defs[i].OriginTable;
    if (target.Table.isEmpty())
        throw EDatabaseError(QStringLiteral("Unable to find the table to update"));
    const QSqlRecord table = db.record(QuotedName(target.Table));
    if (table.isEmpty())
        throw EDatabaseError(QStringLiteral("Table \"%1\" not found").arg(target.Table));
    const QSqlIndex primary = db.primaryIndex(QuotedName(target.Table));
    int keyColumns = 0;
    bool anyBlob = false;
    for (int i = 0; i < defs.Count(); ++i) {
        const TFieldDef& def = defs[i];
        if (def.OriginTable != target.Table || def.OriginColumn.isEmpty())
            continue;
        bool inTable = false;
        for (int j = 0; j < table.count() && !inTable; ++j)
            inTable = table.fieldName(j) == def.OriginColumn;
        if (!inTable)
            continue;
        TColumn column;
        column.Index = i;
        column.Name = def.OriginColumn;
        column.Type = def.DataType;
        column.Scale = def.Size;
        column.Blob = def.DataType == ftBlob || def.DataType == ftMemo;
        for (int j = 0; j < primary.count() && !column.Key; ++j)
            column.Key = primary.fieldName(j) == def.OriginColumn;
        keyColumns += column.Key ? 1 : 0;
        anyBlob = anyBlob || column.Blob;
        target.Columns.push_back(column);
    }
    if (target.Columns.empty())
        throw EDatabaseError(QStringLiteral("No column of table \"%1\" to write").arg(target.Table));
    target.Keyed = primary.count() > 0 && keyColumns == primary.count();
    target.RowsInterchangeable = !target.Keyed && !anyBlob && int(target.Columns.size()) == table.count();
    return target;
}

TStatement InsertSql(const TTarget& target, const Variant* values)
{
    TStatement statement;
    QString names;
    QString list;
    for (const TColumn& column : target.Columns) {
        // A Null is left out, so that the column's default applies.
        if (values[column.Index].IsClear())
            continue;
        if (!names.isEmpty()) {
            names += u',';
            list += u',';
        }
        names += QuotedName(column.Name);
        list += ValueSql(values[column.Index], column, statement);
    }
    if (names.isEmpty())
        throw EDatabaseError(QStringLiteral("An empty record cannot be inserted into \"%1\"").arg(target.Table));
    statement.Sql = u"insert into "_qs + QuotedName(target.Table) + u'(' + names + QStringLiteral(") values(") + list + u')';
    return statement;
}

TStatement UpdateSql(const TTarget& target, const Variant* oldValues, const Variant* values)
{
    TStatement statement;
    QString set;
    for (const TColumn& column : target.Columns) {
        if (SameValue(oldValues[column.Index], values[column.Index]))
            continue;
        if (!set.isEmpty())
            set += u',';
        set += QuotedName(column.Name) + QStringLiteral(" = ") + ValueSql(values[column.Index], column, statement);
    }
    if (set.isEmpty())
        return statement;
    statement.Sql = u"update "_qs + QuotedName(target.Table) + QStringLiteral(" set ") + set + WhereSql(target, oldValues);
    if (target.RowsInterchangeable)
        statement.Sql += QStringLiteral(" rows 1");
    return statement;
}

TStatement DeleteSql(const TTarget& target, const Variant* oldValues)
{
    TStatement statement;
    statement.Sql = u"delete from "_qs + QuotedName(target.Table) + WhereSql(target, oldValues);
    if (target.RowsInterchangeable)
        statement.Sql += QStringLiteral(" rows 1");
    return statement;
}

void ExecDirect(TSQLConnection& conn, QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        conn.RaiseError(query, sql);
}

// Runs one change; it must touch exactly one record.
void Execute(TSQLConnection& conn, QSqlDatabase& db, const TTarget& target, const TStatement& statement)
{
    if (statement.Sql.isEmpty())
        return;
    // Without a key a statement might reach other records too: it runs
    // inside a savepoint and is undone when it did.
    const bool guarded = !target.Keyed && !target.RowsInterchangeable;
    if (guarded)
        ExecDirect(conn, db, QStringLiteral("savepoint MORVANE_ROW"));
    QSqlQuery query(db);
    if (!query.prepare(statement.Sql))
        conn.RaiseError(query, statement.Sql);
    for (const QVariant& blob : statement.Blobs)
        query.addBindValue(blob);
    if (!query.exec())
        conn.RaiseError(query, statement.Sql);
    const int rows = query.numRowsAffected();
    if (rows == 1) {
        if (guarded)
            ExecDirect(conn, db, QStringLiteral("release savepoint MORVANE_ROW"));
        return;
    }
    if (guarded)
        ExecDirect(conn, db, QStringLiteral("rollback to savepoint MORVANE_ROW"));
    if (rows == 0)
        throw EDatabaseError(RecordChangedText());
    throw EDatabaseError(RecordNotUniqueText(target.Table));
}

} // namespace

TDataSetProvider::TDataSetProvider(QObject* parent) : QObject(parent) {}

void TDataSetProvider::GetRecords(TFieldDefs& defs, TRecordStore& store)
{
    if (!FDataSet)
        DatabaseError(QStringLiteral("Missing source dataset"), this);
    TDataSet& source = *FDataSet;
    if (!source.Active())
        source.Open();
    defs = source.FieldDefs();
    store = source.TakeStore();
    source.Close();
}

int TDataSetProvider::ApplyUpdates(TClientDataSet& data, int maxErrors, QStringList& errors)
{
    const std::vector<int> rows = data.PendingRows();
    if (rows.empty())
        return 0;
    auto* query = qobject_cast<TSQLQuery*>(FDataSet.data());
    if (!query || !query->SQLConnection)
        DatabaseError(QStringLiteral("The provider has no query to write through"), this);
    TSQLConnection& conn = *query->SQLConnection;
    QSqlDatabase db = conn.Database();
    const TTarget target = ResolveTarget(db, data, UpdateTableName);
    if (!db.transaction())
        conn.RaiseError(db.lastError());
    int errorCount = 0;
    std::vector<int> written;
    const TRecordStore& store = data.Store();
    for (const int row : rows) {
        const TRowInfo& info = store.Info(row);
        const Variant* values = store.RowData(row);
        const auto* original = store.Original(row);
        const Variant* oldValues = original ? original->data() : values;
        try {
            if (info.Status == usInserted)
                Execute(conn, db, target, InsertSql(target, values));
            else if (info.Status == usModified)
                Execute(conn, db, target, UpdateSql(target, oldValues, values));
            else
                Execute(conn, db, target, DeleteSql(target, oldValues));
            written.push_back(row);
        } catch (const EDatabaseConnectionLost&) {
            // The connection took the transaction with it: nothing of the log was written.
            throw;
        } catch (const Exception& e) {
            ++errorCount;
            errors << e.Message();
            if (maxErrors >= 0 && errorCount > maxErrors)
                break;
        }
    }
    if (maxErrors >= 0 && errorCount > maxErrors) {
        db.rollback();
        return errorCount;
    }
    if (!db.commit()) {
        errors << db.lastError().text();
        db.rollback();
        return errorCount + 1;
    }
    data.CommitRows(written);
    return errorCount;
}
