#include "platform/db/DbTypes.h"

#include "platform/Exceptions.h"

#include <QObject>
#include <QStringList>

void DatabaseError(const QString& message, const QObject* component)
{
    if (component && !component->objectName().isEmpty())
        throw EDatabaseError(component->objectName() + QStringLiteral(": ") + message);
    throw EDatabaseError(message);
}

QString ExtractFieldName(const QString& fields, int& pos)
{
    int end = pos;
    while (end < fields.size() && fields[end] != u';')
        ++end;
    const QString name = fields.mid(pos, end - pos).trimmed();
    pos = end < fields.size() ? end + 1 : end;
    return name;
}

QStringList SplitFieldNames(const QString& fields)
{
    QStringList names;
    int pos = 0;
    while (pos < fields.size())
        names << ExtractFieldName(fields, pos);
    return names;
}

QString FieldTypeName(TFieldType type)
{
    static const char* const names[] = {
        "Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency", "BCD", "Date",
        "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo", "Graphic", "FmtMemo", "ParadoxOle",
        "DBaseOle", "TypedBinary", "Cursor", "FixedChar", "WideString", "Largeint", "ADT", "Array", "Reference",
        "DataSet", "OraBlob", "OraClob", "Variant", "Interface", "IDispatch", "Guid", "TimeStamp", "FMTBcd"};
    return QString::fromLatin1(names[type]);
}
