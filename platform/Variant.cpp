#include "platform/Variant.h"

#include "platform/Exceptions.h"

#include <cmath>

namespace {

bool ParseNumber(const QString& text, double& out)
{
    bool ok = false;
    out = text.trimmed().toDouble(&ok);
    return ok;
}

} // namespace

Variant Variant::FromQVariant(const QVariant& value)
{
    if (!value.isValid())
        return Variant::Null();
    if (value.isNull())
        return Variant::Null();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Variant(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
        return Variant(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return Variant(qint64(value.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return Variant(value.toDouble());
    case QMetaType::QByteArray:
        return Variant(value.toByteArray());
    case QMetaType::QDateTime:
        return Variant(value.toDateTime());
    case QMetaType::QDate:
        return Variant(value.toDate().startOfDay());
    case QMetaType::QTime:
        return Variant(QDateTime(QDate(1899, 12, 30), value.toTime()));
    default:
        return Variant(value.toString());
    }
}

QVariant Variant::ToQVariant() const
{
    switch (GetKind()) {
    case Kind::Unassigned:
        return {};
    case Kind::Null:
        return QVariant(QMetaType(QMetaType::QString));
    case Kind::Boolean:
        return std::get<bool>(FValue);
    case Kind::Integer:
        return std::get<qint64>(FValue);
    case Kind::Float:
        return std::get<double>(FValue);
    case Kind::String:
        return std::get<QString>(FValue);
    case Kind::Bytes:
        return std::get<QByteArray>(FValue);
    case Kind::DateTime:
        return std::get<QDateTime>(FValue);
    case Kind::Array: {
        QVariantList list;
        for (const Variant& v : std::get<std::vector<Variant>>(FValue))
            list << v.ToQVariant();
        return list;
    }
    }
    return {};
}

QString Variant::AsString() const
{
    switch (GetKind()) {
    case Kind::Unassigned:
    case Kind::Null:
        return {};
    case Kind::Boolean:
        return std::get<bool>(FValue) ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Integer:
        return QString::number(std::get<qint64>(FValue));
    case Kind::Float:
        return QString::number(std::get<double>(FValue), 'g', 15);
    case Kind::String:
        return std::get<QString>(FValue);
    case Kind::Bytes:
        return QString::fromUtf8(std::get<QByteArray>(FValue));
    case Kind::DateTime:
        return std::get<QDateTime>(FValue).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Kind::Array:
        throw EConvertError(QStringLiteral("Could not convert variant array to string"));
    }
    return {};
}

double Variant::AsFloat() const
{
    switch (GetKind()) {
    case Kind::Unassigned:
    case Kind::Null:
        return 0;
    case Kind::Boolean:
        return std::get<bool>(FValue) ? 1 : 0;
    case Kind::Integer:
        return double(std::get<qint64>(FValue));
    case Kind::Float:
        return std::get<double>(FValue);
    default: {
        double d = 0;
        if (!ParseNumber(AsString(), d))
            throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(AsString()));
        return d;
    }
    }
}

qint64 Variant::AsInteger() const
{
    switch (GetKind()) {
    case Kind::Integer:
        return std::get<qint64>(FValue);
    case Kind::Float:
        return qint64(std::llround(std::get<double>(FValue)));
    case Kind::String: {
        bool ok = false;
        const qint64 v = std::get<QString>(FValue).trimmed().toLongLong(&ok);
        if (!ok)
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(std::get<QString>(FValue)));
        return v;
    }
    default:
        return qint64(AsFloat());
    }
}

bool Variant::AsBoolean() const
{
    if (GetKind() == Kind::Boolean)
        return std::get<bool>(FValue);
    if (GetKind() == Kind::String) {
        const QString s = std::get<QString>(FValue).trimmed();
        if (s.compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(u"false", Qt::CaseInsensitive) == 0 || s.isEmpty())
            return false;
    }
    return AsFloat() != 0;
}

QByteArray Variant::AsBytes() const
{
    if (GetKind() == Kind::Bytes)
        return std::get<QByteArray>(FValue);
    return AsString().toUtf8();
}

QDateTime Variant::AsDateTime() const
{
    if (GetKind() == Kind::DateTime)
        return std::get<QDateTime>(FValue);
    if (IsClear())
        return {};
    const QDateTime dt = QDateTime::fromString(AsString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid())
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(AsString()));
    return dt;
}

const std::vector<Variant>& Variant::Elements() const
{
    if (GetKind() != Kind::Array)
        throw EConvertError(QStringLiteral("Variant is not an array"));
    return std::get<std::vector<Variant>>(FValue);
}

bool operator==(const Variant& a, const Variant& b)
{
    using Kind = Variant::Kind;
    const Kind ka = a.GetKind();
    const Kind kb = b.GetKind();
    if (ka == Kind::Unassigned || kb == Kind::Unassigned || ka == Kind::Null || kb == Kind::Null)
        return ka == kb;
    if (ka == Kind::Array || kb == Kind::Array)
        return ka == kb && a.Elements() == b.Elements();
    if (ka == kb)
        return a.FValue == b.FValue;
    if (a.IsNumeric() || b.IsNumeric() || ka == Kind::Boolean || kb == Kind::Boolean) {
        double x = 0;
        double y = 0;
        const bool okA = a.IsNumeric() || ka == Kind::Boolean ? (x = a.AsFloat(), true) : ParseNumber(a.AsString(), x);
        const bool okB = b.IsNumeric() || kb == Kind::Boolean ? (y = b.AsFloat(), true) : ParseNumber(b.AsString(), y);
        return okA && okB && x == y;
    }
    return a.AsString() == b.AsString();
}
