#include "client/KivColumns.h"

#include "client/KivDataM.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"

#include <QHash>
#include <QObject>
#include <QPointer>

namespace {

// The catalogue's type numbers of CHAR and VARCHAR.
constexpr int CharType = 14;
constexpr int VarcharType = 37;

// The text columns read so far, per table; a child of the data module, so
// that it goes with the database it was read from.
class TColumnLengths : public QObject {
public:
    using QObject::QObject;
    QHash<QString, QHash<QString, int>> Tables;
};

QHash<QString, int> ReadTextColumns(const QString& table)
{
    QHash<QString, int> lengths;
    const auto query = OpenQuery(QStringLiteral("select trim(r.rdb$field_name) \"Name\", f.rdb$character_length \"Length\" from "
                                                "rdb$relation_fields r inner join rdb$fields f on f.rdb$field_name = r.rdb$field_source "
                                                "where r.rdb$relation_name = ")
                                 + QuotedStr(table) + QStringLiteral(" and f.rdb$field_type in (") + QString::number(CharType) + u','
                                 + QString::number(VarcharType) + u')');
    for (; !query->Eof(); query->Next())
        lengths.insert(query->FieldByName(QStringLiteral("Name"))->AsString(), query->FieldByName(QStringLiteral("Length"))->AsInteger());
    return lengths;
}

} // namespace

int TextColumnLength(const QString& table, const QString& column)
{
    if (!KivDM)
        throw EInvalidOperation(QStringLiteral("The data module does not exist"));
    // Gone with the data module it was read for.
    static QPointer<TColumnLengths> cache;
    if (!cache || cache->parent() != KivDM)
        cache = new TColumnLengths(KivDM);
    auto known = cache->Tables.constFind(table);
    if (known == cache->Tables.constEnd())
        known = cache->Tables.insert(table, ReadTextColumns(table));
    return known->value(column, 0);
}
