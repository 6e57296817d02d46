#include "app/KivCodeMoves.h"

#include "platform/SqlText.h"
#include "platform/db/DataSetProvider.h"
#include "platform/db/SqlConnection.h"

#include <span>

namespace {

// How a row keyed by a code that goes is left: deleted, or kept with no code.
enum class TLeft { Deleted, Uncoded };

struct TCodeColumn {
    const char16_t* Table;
    const char16_t* Column;
    TLeft Left;
};

constexpr TCodeColumn UserColumns[] = {
    {u"SYS_UserShop", u"UserCode", TLeft::Deleted},
    {u"SYS_Fields", u"UserCode", TLeft::Deleted},
};

constexpr TCodeColumn ShopColumns[] = {
    {u"SYS_UserShop", u"ShopCode", TLeft::Deleted},
    {u"KivItemOnsale", u"ShopCode", TLeft::Deleted},
    {u"KivItem", u"ShopCode", TLeft::Deleted},
    {u"KivOutGap", u"ShopCode", TLeft::Deleted},
    {u"KivItemOut", u"ShopCode", TLeft::Uncoded},
};

// The layouts that every user shares are stored under this code: a user of
// that code owns none of them.
const QString SharedLayoutCode = QStringLiteral("SYS_CODE");

bool Owns(const TCodeColumn& column, const QString& code)
{
    return !(column.Table == std::u16string_view(u"SYS_Fields") && code == SharedLayoutCode);
}

QString Where(const TCodeColumn& column, const QString& code)
{
    return QStringLiteral(" where ") + QuotedName(QString::fromUtf16(column.Column)) + QStringLiteral(" = ") + QuotedStr(code);
}

void Clear(TSQLConnection& connection, std::span<const TCodeColumn> columns, const QString& code)
{
    for (const TCodeColumn& column : columns) {
        if (!Owns(column, code))
            continue;
        const QString table = QuotedName(QString::fromUtf16(column.Table));
        connection.ExecuteDirect(column.Left == TLeft::Deleted
                                     ? QStringLiteral("delete from ") + table + Where(column, code)
                                     : QStringLiteral("update ") + table + QStringLiteral(" set ")
                                           + QuotedName(QString::fromUtf16(column.Column)) + QStringLiteral(" = null") + Where(column, code));
    }
}

void Move(TSQLConnection& connection, std::span<const TCodeColumn> columns, const QString& from, const QString& to)
{
    for (const TCodeColumn& column : columns)
        if (Owns(column, from) && Owns(column, to))
            connection.ExecuteDirect(QStringLiteral("update ") + QuotedName(QString::fromUtf16(column.Table)) + QStringLiteral(" set ")
                                     + QuotedName(QString::fromUtf16(column.Column)) + QStringLiteral(" = ") + QuotedStr(to)
                                     + Where(column, from));
}

void Carry(TSQLConnection& connection, std::span<const TCodeColumn> columns, const QString& from, const QString& to)
{
    // Leftovers of an older program under the new code go first.
    if (!to.isEmpty())
        Clear(connection, columns, to);
    if (from.isEmpty())
        return;
    if (to.isEmpty())
        Clear(connection, columns, from);
    else
        Move(connection, columns, from, to);
}

// The code of a key of one text column; empty for none.
QString CodeOf(const std::vector<Variant>& key)
{
    return key.empty() ? QString() : key.front().AsString();
}

} // namespace

TCodeCarrier CodeCarrier(const QString& table)
{
    std::span<const TCodeColumn> columns;
    if (table.compare(QStringLiteral("SYS_User"), Qt::CaseInsensitive) == 0)
        columns = UserColumns;
    else if (table.compare(QStringLiteral("SYS_Shop"), Qt::CaseInsensitive) == 0)
        columns = ShopColumns;
    else
        return {};
    return [columns](TSQLConnection& connection, const TKeyMove& move) {
        Carry(connection, columns, CodeOf(move.From), CodeOf(move.To));
    };
}
