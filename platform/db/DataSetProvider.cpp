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
#include <algorithm>
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

// Runs work; what the database (or a listener) refuses is said of the
// record, by name, with the reason in the seller's words.
template <class Work>
void NamingRecord(const QString& record, Work work)
{
    try {
        work();
    } catch (const EDatabaseConnectionLost&) {
        throw;
    } catch (const EDatabaseError& error) {
        throw EDatabaseError(RecordRefusedText(record, DatabaseRefusalText(error.Message())));
    }
}

// Runs one change; it must touch exactly one record.
void Execute(TSQLConnection& conn, QSqlDatabase& db, const TTarget& target, const TStatement& statement, const QString& record)
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
        NamingRecord(record, [&] { conn.RaiseError(query, statement.Sql); });
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

// A pending change: the record's values as stored (none for a new record)
// and as they are to be (none for a deleted one).
struct TPending {
    int Row = 0;
    const Variant* Old = nullptr;
    const Variant* New = nullptr;
};

// One statement of a change, from the values before it to those after it.
struct TStep {
    size_t Change = 0;
    const Variant* From = nullptr;
    const Variant* To = nullptr;
    // The change is written once this step is.
    bool Last = true;
};

QStringList KeyColumns(const TTarget& target)
{
    QStringList columns;
    for (const TColumn& column : target.Columns)
        if (column.Key)
            columns << column.Name;
    return columns;
}

std::vector<Variant> KeyValues(const TTarget& target, const Variant* values)
{
    std::vector<Variant> key;
    for (const TColumn& column : target.Columns)
        if (values && column.Key)
            key.push_back(values[column.Index]);
    return key;
}

bool KeyMoved(const TTarget& target, const Variant* from, const Variant* to)
{
    if (!target.Keyed)
        return false;
    if (!from || !to)
        return true;
    for (const TColumn& column : target.Columns)
        if (column.Key && !SameValue(from[column.Index], to[column.Index]))
            return true;
    return false;
}

// Deletions free their keys first, new records take theirs last.
int WriteRank(const TTarget& target, const TPending& change)
{
    if (!change.New)
        return 0;
    if (!change.Old)
        return 3;
    return KeyMoved(target, change.Old, change.New) ? 1 : 2;
}

std::vector<TPending> PendingInWriteOrder(const TRecordStore& store, const std::vector<int>& rows, const TTarget& target)
{
    std::vector<TPending> changes;
    for (const int row : rows) {
        const TUpdateStatus status = store.Info(row).Status;
        const auto* original = store.Original(row);
        const Variant* values = store.RowData(row);
        const Variant* old = original ? original->data() : values;
        changes.push_back({row, status == usInserted ? nullptr : old, status == usDeleted ? nullptr : values});
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [&](const TPending& a, const TPending& b) { return WriteRank(target, a) < WriteRank(target, b); });
    return changes;
}

bool IsTextColumn(const TColumn& column)
{
    return column.Type == ftString || column.Type == ftWideString || column.Type == ftFixedChar;
}

// A changed key takes the stored key of another record whose key changes
// too (two codes swapped): written one after the other, the first would
// meet the second's key. Text keys can step aside meanwhile.
bool KeysTradePlaces(const TTarget& target, const std::vector<TPending>& changes)
{
    bool trade = false;
    for (const TPending& a : changes) {
        if (WriteRank(target, a) != 1)
            continue;
        for (const TColumn& column : target.Columns)
            if (column.Key && !IsTextColumn(column) && !SameValue(a.Old[column.Index], a.New[column.Index]))
                return false;
        for (const TPending& b : changes)
            trade = trade || (&a != &b && WriteRank(target, b) == 1 && !KeyMoved(target, a.New, b.Old));
    }
    return trade;
}

// The statements of the changes in order; keys that trade places step
// aside first, to a text that no record holds (midway keeps those values).
std::vector<TStep> WriteSteps(const TTarget& target, const std::vector<TPending>& changes, int fieldCount,
                              std::vector<std::vector<Variant>>& midway)
{
    std::vector<TStep> steps;
    const bool staged = KeysTradePlaces(target, changes);
    midway.reserve(changes.size());
    std::vector<TStep> moved;
    for (size_t i = 0; i < changes.size(); ++i) {
        const TPending& change = changes[i];
        if (!staged || WriteRank(target, change) != 1) {
            steps.push_back({i, change.Old, change.New, true});
            continue;
        }
        std::vector<Variant>& aside = midway.emplace_back(change.Old, change.Old + fieldCount);
        for (const TColumn& column : target.Columns)
            if (column.Key && !SameValue(change.Old[column.Index], change.New[column.Index]))
                aside[size_t(column.Index)] = Variant(QString(QChar(1)) + QString::number(change.Row));
        steps.push_back({i, change.Old, aside.data(), false});
        moved.push_back({i, aside.data(), change.New, true});
    }
    // Every key that steps aside has done so before any takes its new place.
    const auto others = std::find_if(steps.begin(), steps.end(),
                                     [&](const TStep& step) { return WriteRank(target, changes[step.Change]) > 1; });
    steps.insert(others, moved.begin(), moved.end());
    return steps;
}

TStatement StepSql(const TTarget& target, const TStep& step)
{
    if (!step.To)
        return DeleteSql(target, step.From);
    if (!step.From)
        return InsertSql(target, step.To);
    return UpdateSql(target, step.From, step.To);
}

// The record as the user knows it: by the captions and values of its key
// fields (of its first column that is no blob, without a key).
QString RecordName(const TTarget& target, const TClientDataSet& data, const Variant* values)
{
    std::vector<std::pair<QString, QString>> named;
    for (const TColumn& column : target.Columns) {
        if (target.Keyed ? !column.Key : column.Blob)
            continue;
        const TField* field = data.FindField(data.FieldDefs()[column.Index].Name);
        named.emplace_back(field ? field->DisplayLabel() : column.Name, values[column.Index].AsString());
        if (!target.Keyed)
            break;
    }
    return RecordNameText(named);
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

TSQLConnection& TDataSetProvider::WriteConnection()
{
    auto* query = qobject_cast<TSQLQuery*>(FDataSet.data());
    if (!query || !query->SQLConnection)
        DatabaseError(QStringLiteral("The provider has no query to write through"), this);
    return *query->SQLConnection;
}

std::vector<TKeyMove> TDataSetProvider::KeyMoves(TClientDataSet& data)
{
    std::vector<TKeyMove> moves;
    const std::vector<int> rows = data.PendingRows();
    if (rows.empty())
        return moves;
    const TTarget target = ResolveTarget(WriteConnection().Database(), data, UpdateTableName);
    for (const TPending& change : PendingInWriteOrder(data.Store(), rows, target))
        if (KeyMoved(target, change.Old, change.New))
            moves.push_back({KeyColumns(target), KeyValues(target, change.Old), KeyValues(target, change.New)});
    return moves;
}

int TDataSetProvider::ApplyUpdates(TClientDataSet& data, int maxErrors, QStringList& errors)
{
    const std::vector<int> rows = data.PendingRows();
    if (rows.empty())
        return 0;
    TSQLConnection& conn = WriteConnection();
    QSqlDatabase db = conn.Database();
    const TTarget target = ResolveTarget(db, data, UpdateTableName);
    const std::vector<TPending> changes = PendingInWriteOrder(data.Store(), rows, target);
    std::vector<std::vector<Variant>> midway;
    const std::vector<TStep> steps = WriteSteps(target, changes, data.Store().FieldCount(), midway);
    if (!db.transaction())
        conn.RaiseError(db.lastError());
    int errorCount = 0;
    std::vector<int> written;
    std::vector<bool> failed(changes.size(), false);
    for (const TStep& step : steps) {
        const TPending& change = changes[step.Change];
        if (failed[step.Change])
            continue;
        try {
            const QString record = RecordName(target, data, change.New ? change.New : change.Old);
            Execute(conn, db, target, StepSql(target, step), record);
            if (AfterKeyMove && KeyMoved(target, step.From, step.To)) {
                const TKeyMove move{KeyColumns(target), KeyValues(target, step.From), KeyValues(target, step.To)};
                NamingRecord(record, [&] { AfterKeyMove(conn, move); });
            }
            if (step.Last)
                written.push_back(change.Row);
        } catch (const EDatabaseConnectionLost&) {
            // The connection took the transaction with it: nothing of the log was written.
            throw;
        } catch (const Exception& e) {
            failed[step.Change] = true;
            ++errorCount;
            errors << e.Message();
            if (maxErrors >= 0 && errorCount > maxErrors)
                break;
        }
    }
    // A key left aside stands for no record: a save whose keys stepped
    // aside is written whole or not at all.
    if ((steps.size() > changes.size() && errorCount > 0) || (maxErrors >= 0 && errorCount > maxErrors)) {
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
