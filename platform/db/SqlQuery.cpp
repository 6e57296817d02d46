#include "platform/db/SqlQuery.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/db/SqlConnection.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// Bytes per character of a text column on the UTF8 connection.
constexpr int Utf8BytesPerChar = 4;

TFieldDef FieldDefOf(const QSqlField& field)
{
    TFieldDef def;
    def.Name = field.name();
    def.Required = field.requiredStatus() == QSqlField::Required;
    def.OriginTable = field.tableName();
    def.OriginColumn = field.name();
    const int length = int(field.length());
    const int precision = int(field.precision());
    switch (field.metaType().id()) {
    case QMetaType::Short:
    case QMetaType::UShort:
        def.DataType = ftSmallint;
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
        def.DataType = length == 2 ? ftSmallint : ftInteger;
        break;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        def.DataType = ftLargeint;
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        // NUMERIC and DECIMAL carry their scale as the precision.
        if (precision > 0) {
            def.DataType = ftFMTBcd;
            def.Size = precision;
            def.Precision = length > 0 ? length : 18;
        } else {
            def.DataType = ftFloat;
        }
        break;
    case QMetaType::Bool:
        def.DataType = ftBoolean;
        break;
    case QMetaType::QDate:
        def.DataType = ftDate;
        break;
    case QMetaType::QTime:
        def.DataType = ftTime;
        break;
    case QMetaType::QDateTime:
        def.DataType = ftTimeStamp;
        break;
    case QMetaType::QByteArray:
        // A text blob carries its character set where a binary one has none.
        def.DataType = precision != 0 ? ftMemo : ftBlob;
        break;
    default:
        def.DataType = ftString;
        def.Size = std::max(1, length / Utf8BytesPerChar);
        break;
    }
    return def;
}

Variant ValueOf(const QVariant& value, TFieldType type)
{
    if (value.isNull())
        return Variant::Null();
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
        return Variant(value.toLongLong());
    case ftFloat:
    case ftFMTBcd:
        return Variant(value.toDouble());
    case ftBoolean:
        return Variant(value.toBool());
    case ftDate:
        return Variant(QDateTime(value.toDate(), QTime(0, 0)));
    case ftTime:
        return Variant(QDateTime(NullDate(), value.toTime()));
    case ftTimeStamp:
        return Variant(value.toDateTime());
    case ftMemo:
        return Variant(QString::fromUtf8(value.toByteArray()));
    case ftBlob:
        return Variant(value.toByteArray());
    default:
        return Variant(value.toString());
    }
}

} // namespace

TSQLQuery::TSQLQuery(TSQLConnection* connection, QObject* parent) : TDataSet(parent), SQLConnection(connection) {}

void TSQLQuery::InternalOpen()
{
    if (!SQLConnection)
        DatabaseError(QStringLiteral("Missing SQL connection"), this);
    QSqlQuery query(SQLConnection->Database());
    query.setForwardOnly(true);
    if (!query.exec(SQL))
        SQLConnection->RaiseError(query, SQL);
    const QSqlRecord record = query.record();
    FieldDefs().Clear();
    std::vector<TFieldType> types;
    for (int i = 0; i < record.count(); ++i) {
        const TFieldDef def = FieldDefOf(record.field(i));
        FieldDefs().Add(def.Name, def.DataType) = def;
        types.push_back(def.DataType);
    }
    const int columns = record.count();
    TRecordStore store(columns);
    while (query.next()) {
        Variant* row = store.RowData(store.AddRow());
        for (int i = 0; i < columns; ++i)
            row[i] = ValueOf(query.value(i), types[size_t(i)]);
    }
    // A row the database could not make (a value out of its range, a
    // connection gone) ends the reading as the last row does; only the error
    // tells them apart. The rows before it are not the result.
    if (query.lastError().isValid())
        SQLConnection->RaiseError(query, SQL);
    SetStore(std::move(store));
}
