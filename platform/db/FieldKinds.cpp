#include "platform/db/FieldKinds.h"

#include "platform/Characters.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/db/DbTexts.h"

#include <QFile>
#include <cmath>

namespace {

bool IsTextKind(const Variant& v)
{
    return v.GetKind() == Variant::Kind::String;
}

QString TextOf(const Variant& v)
{
    return v.GetKind() == Variant::Kind::Bytes ? QString::fromUtf8(v.AsBytes()) : v.AsString();
}

// A value the field cannot take: the user is told which field, what was
// given and what it takes.
[[noreturn]] void NotConvertible(const TField& field, const Variant& v, TValueKind kind)
{
    QString text;
    try {
        text = v.AsString();
    } catch (const Exception&) {
        text = QStringLiteral("(array)");
    }
    throw EConvertError(NotAValueText(field.DisplayName(), text, kind));
}

TValueKind DateTimeKind(TFieldType type)
{
    return type == ftDate ? TValueKind::vkDate : type == ftTime ? TValueKind::vkTime : TValueKind::vkDateTime;
}

} // namespace

// ---- text ---------------------------------------------------------------

TStringField::TStringField(const QString& name, int size, TFieldType type) : TField(type, name, size) {}

Variant TStringField::Normalize(const Variant& value) const
{
    if (value.IsArray())
        NotConvertible(*this, value, TValueKind::vkText);
    QString text = TextOf(value);
    // The column holds at most Size characters, counted as it counts them;
    // what is kept is what the database will store.
    if (Size() > 0)
        text = CutToCharacters(text, Size());
    return Variant(text);
}

// ---- numbers ------------------------------------------------------------

TNumericField::TNumericField(TFieldType type, const QString& name, int size) : TField(type, name, size)
{
    SetDefaultAlignment(taRightJustify);
}

bool TNumericField::IsValidChar(QChar c) const
{
    if (c.isDigit() && c.unicode() < 128)
        return true;
    if (c == u'+' || c == u'-')
        return true;
    const bool fraction = DataType() != ftSmallint && DataType() != ftInteger && DataType() != ftLargeint;
    return fraction && (c == FormatSettings.DecimalSeparator || c == u'E' || c == u'e');
}

QString TNumericField::FormatFor(bool displayText) const
{
    return displayText || EditFormat().isEmpty() ? DisplayFormat() : EditFormat();
}

QString TNumericField::GetText(const Variant& value, bool displayText) const
{
    const QString format = FormatFor(displayText);
    return format.isEmpty() ? ValueToString(value) : FormatFloat(format, value.AsFloat());
}

TIntegerField::TIntegerField(TFieldType type, const QString& name, double minValue, double maxValue)
    : TNumericField(type, name), FMinValue(minValue), FMaxValue(maxValue)
{
}

Variant TIntegerField::Normalize(const Variant& value) const
{
    double number = 0;
    switch (value.GetKind()) {
    case Variant::Kind::Integer: {
        const qint64 i = value.AsInteger();
        if (double(i) < FMinValue || double(i) > FMaxValue)
            RangeError(double(i), FMinValue, FMaxValue);
        return Variant(i);
    }
    case Variant::Kind::Boolean:
        return Variant(qint64(value.AsBoolean() ? 1 : 0));
    case Variant::Kind::Float:
        number = value.AsFloat();
        break;
    case Variant::Kind::String: {
        qint64 i = 0;
        if (TryStrToInt64(value.AsString(), i))
            return Normalize(Variant(i));
        if (!TryStrToFloat(value.AsString(), number))
            NotConvertible(*this, value, TValueKind::vkInteger);
        break;
    }
    default:
        NotConvertible(*this, value, TValueKind::vkInteger);
    }
    // The largest 64-bit integer has no double of its own: its bound rounds
    // up to 2^63, one past it, so that bound itself is out of range.
    constexpr double Int64End = 9223372036854775808.0;
    if (!std::isfinite(number) || number < FMinValue || number > FMaxValue || number >= Int64End)
        RangeError(number, FMinValue, FMaxValue);
    return Variant(qint64(std::llround(number)));
}

QString TIntegerField::GetText(const Variant& value, bool displayText) const
{
    const QString format = FormatFor(displayText);
    return format.isEmpty() ? QString::number(value.AsInteger()) : FormatFloat(format, double(value.AsInteger()));
}

Variant TFloatField::Normalize(const Variant& value) const
{
    switch (value.GetKind()) {
    case Variant::Kind::Integer:
    case Variant::Kind::Float:
    case Variant::Kind::Boolean:
        return Variant(value.AsFloat());
    case Variant::Kind::String: {
        double number = 0;
        if (!TryStrToFloat(value.AsString(), number))
            NotConvertible(*this, value, TValueKind::vkNumber);
        return Variant(number);
    }
    default:
        NotConvertible(*this, value, TValueKind::vkNumber);
    }
}

QString TFloatField::ValueToString(const Variant& value) const
{
    return FloatToStr(value.AsFloat());
}

QString TFloatField::GetText(const Variant& value, bool displayText) const
{
    const QString format = FormatFor(displayText);
    if (!format.isEmpty())
        return FormatFloat(format, value.AsFloat());
    if (!Currency())
        return FloatToStr(value.AsFloat());
    // Money is shown in the currency format and edited as a plain number
    // with the currency decimals.
    const int digits = FormatSettings.CurrencyDecimals;
    if (displayText)
        return FloatToStrCurrency(value.AsFloat(), digits);
    return FormatFloat(digits > 0 ? QStringLiteral("0.") + QString(digits, u'0') : QStringLiteral("0"), value.AsFloat());
}

TFMTBCDField::TFMTBCDField(const QString& name, int precision, int scale) : TFloatField(ftFMTBcd, name, scale)
{
    Precision = precision > 0 ? precision : 18;
}

Variant TFMTBCDField::Normalize(const Variant& value) const
{
    const double v = TFloatField::Normalize(value).AsFloat();
    // Kept at the column's scale, as the database keeps it.
    const double factor = std::pow(10.0, Size());
    return Variant(std::round(v * factor) / factor);
}

// ---- booleans -----------------------------------------------------------

TBooleanField::TBooleanField(const QString& name) : TField(ftBoolean, name)
{
    SetDefaultAlignment(taCenter);
}

Variant TBooleanField::Normalize(const Variant& value) const
{
    if (IsTextKind(value)) {
        const QStringList names = DisplayValues.split(u';');
        const QString text = value.AsString().trimmed();
        if (text.compare(names.value(0), Qt::CaseInsensitive) == 0)
            return Variant(true);
        if (names.size() > 1 && text.compare(names.value(1), Qt::CaseInsensitive) == 0)
            return Variant(false);
    }
    if (value.IsArray() || value.GetKind() == Variant::Kind::DateTime || value.GetKind() == Variant::Kind::Bytes)
        NotConvertible(*this, value, TValueKind::vkBoolean);
    try {
        return Variant(value.AsBoolean());
    } catch (const EConvertError&) {
        NotConvertible(*this, value, TValueKind::vkBoolean);
    }
}

QString TBooleanField::ValueToString(const Variant& value) const
{
    const QStringList names = DisplayValues.split(u';');
    return value.AsBoolean() ? names.value(0) : names.value(1);
}

QString TBooleanField::GetText(const Variant& value, bool) const
{
    return ValueToString(value);
}

// ---- dates and times ----------------------------------------------------

bool TDateTimeField::IsValidChar(QChar c) const
{
    return (c.isDigit() && c.unicode() < 128) || c == u'-' || c == u'/' || c == u':' || c == u' ' || c == u'.'
           || c == FormatSettings.DateSeparator || c == FormatSettings.TimeSeparator;
}

Variant TDateTimeField::Normalize(const Variant& value) const
{
    if (value.GetKind() == Variant::Kind::DateTime) {
        if (!value.AsDateTime().isValid())
            NotConvertible(*this, value, DateTimeKind(DataType()));
        return value;
    }
    if (IsTextKind(value)) {
        try {
            return Variant(StrToDateTime(value.AsString()));
        } catch (const EConvertError&) {
            NotConvertible(*this, value, DateTimeKind(DataType()));
        }
    }
    NotConvertible(*this, value, DateTimeKind(DataType()));
}

QString TDateTimeField::ValueToString(const Variant& value) const
{
    return FormatDateTime(DefaultFormat(), value.AsDateTime());
}

QString TDateTimeField::GetText(const Variant& value, bool displayText) const
{
    const QString format = displayText && !DisplayFormat().isEmpty() ? DisplayFormat() : DefaultFormat();
    return FormatDateTime(format, value.AsDateTime());
}

Variant TDateField::Normalize(const Variant& value) const
{
    return Variant(QDateTime(TDateTimeField::Normalize(value).AsDateTime().date(), QTime(0, 0)));
}

QString TDateField::DefaultFormat() const
{
    return FormatSettings.ShortDateFormat;
}

Variant TTimeField::Normalize(const Variant& value) const
{
    return Variant(QDateTime(NullDate(), TDateTimeField::Normalize(value).AsDateTime().time()));
}

QString TTimeField::DefaultFormat() const
{
    return FormatSettings.LongTimeFormat;
}

// ---- blobs --------------------------------------------------------------

Variant TBlobField::Normalize(const Variant& value) const
{
    if (value.IsArray() || value.GetKind() == Variant::Kind::DateTime)
        NotConvertible(*this, value, TValueKind::vkBinary);
    return Variant(value.AsBytes());
}

QString TBlobField::NullText(bool displayText) const
{
    return displayText ? u'(' + FieldTypeName(DataType()).toLower() + u')' : QString();
}

QString TBlobField::GetText(const Variant& value, bool displayText) const
{
    // Bytes are no text to edit: a binary field is edited as it shows.
    const bool text = DataType() == ftMemo || DataType() == ftFmtMemo;
    return displayText || !text ? u'(' + FieldTypeName(DataType()).toUpper() + u')' : TextOf(value);
}

void TBlobField::LoadFromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    SetAsBytes(file.readAll());
}

void TBlobField::SaveToFile(const QString& fileName) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(AsBytes()) < 0)
        throw EInOutError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
}

Variant TMemoField::Normalize(const Variant& value) const
{
    if (value.IsArray())
        NotConvertible(*this, value, TValueKind::vkText);
    return Variant(TextOf(value));
}

// ---- factory ------------------------------------------------------------

std::unique_ptr<TField> CreateField(TFieldType type, const QString& name, int size, int precision)
{
    switch (type) {
    case ftString:
    case ftWideString:
    case ftFixedChar:
        return std::make_unique<TStringField>(name, size, type);
    case ftSmallint:
        return std::make_unique<TSmallintField>(name);
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        return std::make_unique<TIntegerField>(name);
    case ftLargeint:
        return std::make_unique<TLargeintField>(name);
    case ftFloat:
        return std::make_unique<TFloatField>(name);
    case ftCurrency:
        return std::make_unique<TCurrencyField>(name);
    case ftBCD:
    case ftFMTBcd:
        return std::make_unique<TFMTBCDField>(name, precision, size);
    case ftBoolean:
        return std::make_unique<TBooleanField>(name);
    case ftDate:
        return std::make_unique<TDateField>(name);
    case ftTime:
        return std::make_unique<TTimeField>(name);
    case ftDateTime:
        return std::make_unique<TDateTimeField>(name);
    case ftTimeStamp:
        return std::make_unique<TSQLTimeStampField>(name);
    case ftMemo:
    case ftFmtMemo:
        return std::make_unique<TMemoField>(name);
    case ftBlob:
    case ftGraphic:
    case ftBytes:
    case ftVarBytes:
        return std::make_unique<TBlobField>(name);
    default:
        throw EDatabaseError(QStringLiteral("Field '%1' is of an unsupported type (%2)").arg(name, FieldTypeName(type)));
    }
}
