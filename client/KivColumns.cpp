#include "client/KivColumns.h"

#include "client/KivDataM.h"
#include "platform/Exceptions.h"
#include "platform/SqlText.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTextBoundaryFinder>
#include <algorithm>

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

int CharacterCount(QStringView text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count)
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    return count;
}

QString CutToCharacters(const QString& text, int length)
{
    // The QChar position after `length` code points.
    qsizetype end = 0;
    for (int count = 0; end < text.size() && count < std::max(0, length); ++count)
        end += text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate() ? 2 : 1;
    if (end >= text.size())
        return text;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    characters.setPosition(end);
    if (!characters.isAtBoundary())
        end = std::max<qsizetype>(0, characters.toPreviousBoundary());
    return text.left(end);
}

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
