#include "platform/db/Field.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/db/DataSet.h"
#include "platform/db/DbTexts.h"

#include <limits>

TField::TField(TFieldType dataType, QString fieldName, int size)
    : FFieldName(std::move(fieldName)), FDataType(dataType), FSize(size), FCurrency(dataType == ftCurrency)
{
}

TField::~TField() = default;

void TField::SetFieldKind(TFieldKind kind)
{
    if (FDataSet)
        DatabaseError(QStringLiteral("Cannot change the kind of field '%1' of a dataset").arg(FFieldName));
    FFieldKind = kind;
}

int TField::Index() const
{
    return FDataSet ? FDataSet->Fields().IndexOf(this) : -1;
}

void TField::SetIndex(int index)
{
    if (FDataSet)
        FDataSet->Fields().SetFieldIndex(this, index);
}

void TField::PropertyChanged(bool layoutAffected)
{
    if (FDataSet && FDataSet->Active())
        FDataSet->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetDisplayLabel(const QString& label)
{
    const QString value = label == FFieldName ? QString() : label;
    if (value != FDisplayLabel) {
        FDisplayLabel = value;
        PropertyChanged(true);
    }
}

void TField::SetDisplayWidth(int width)
{
    if (width != DisplayWidth()) {
        FDisplayWidth = width;
        PropertyChanged(true);
    }
}

void TField::SetAlignment(TAlignment alignment)
{
    if (alignment != FAlignment) {
        FAlignment = alignment;
        PropertyChanged(false);
    }
}

void TField::SetVisible(bool visible)
{
    if (visible != FVisible) {
        FVisible = visible;
        PropertyChanged(true);
    }
}

void TField::SetReadOnly(bool readOnly)
{
    if (readOnly != FReadOnly) {
        FReadOnly = readOnly;
        PropertyChanged(true);
    }
}

void TField::SetDisplayFormat(const QString& format)
{
    if (format != FDisplayFormat) {
        FDisplayFormat = format;
        PropertyChanged(false);
    }
}

Variant TField::Value() const
{
    if (!FDataSet)
        return Variant::Null();
    if (FFieldKind == fkLookup)
        return LookupValue();
    if (FFieldNo <= 0)
        return Variant::Null();
    return FDataSet->ActiveFieldValue(FFieldNo - 1);
}

Variant TField::LookupValue() const
{
    if (!LookupDataSet || !LookupDataSet->Active() || KeyFields.isEmpty() || LookupKeyFields.isEmpty() || LookupResultField.isEmpty())
        return Variant::Null();
    const Variant keys = FDataSet->GetFieldValue(KeyFields);
    if (keys.IsClear())
        return Variant::Null();
    return LookupDataSet->Lookup(LookupKeyFields, keys, LookupResultField);
}

void TField::SetValue(const Variant& value)
{
    if (!FDataSet)
        DatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
    if (FReadOnly || FFieldKind != fkData || FFieldNo <= 0)
        DatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(DisplayName()));
    FDataSet->CheckFieldWritable();
    FDataSet->StoreFieldValue(*this, value.IsClear() ? Variant::Null() : Normalize(value));
    if (OnChange)
        OnChange(*this);
}

QString TField::AsString() const
{
    const Variant v = Value();
    return v.IsClear() ? QString() : ValueToString(v);
}

int TField::AsInteger() const
{
    const qint64 v = AsLargeInt();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw EConvertError(OutOfRangeText(DisplayName(), QString::number(v), QString::number(std::numeric_limits<int>::min()),
                                           QString::number(std::numeric_limits<int>::max())));
    return int(v);
}

qint64 TField::AsLargeInt() const
{
    const Variant v = Value();
    if (v.GetKind() == Variant::Kind::String)
        return StrToInt64(v.AsString());
    return v.AsInteger();
}

double TField::AsFloat() const
{
    const Variant v = Value();
    if (v.GetKind() == Variant::Kind::String)
        return v.AsString().trimmed().isEmpty() ? 0 : StrToFloat(v.AsString());
    if (v.GetKind() == Variant::Kind::DateTime)
        throw EConvertError(QStringLiteral("Field '%1' is not a number").arg(DisplayName()));
    return v.AsFloat();
}

bool TField::AsBoolean() const
{
    return Value().AsBoolean();
}

QDateTime TField::AsDateTime() const
{
    const Variant v = Value();
    if (v.IsClear())
        return {};
    if (v.GetKind() == Variant::Kind::DateTime)
        return v.AsDateTime();
    if (v.GetKind() == Variant::Kind::String)
        return StrToDateTime(v.AsString());
    throw EConvertError(QStringLiteral("Field '%1' is not a date and time").arg(DisplayName()));
}

QByteArray TField::AsBytes() const
{
    return Value().AsBytes();
}

Variant TField::OldValue() const
{
    if (!FDataSet || FFieldKind != fkData || FFieldNo <= 0)
        return Variant::Null();
    return FDataSet->OldFieldValue(FFieldNo - 1);
}

QString TField::ValueToString(const Variant& value) const
{
    return value.AsString();
}

QString TField::NullText(bool) const
{
    return {};
}

QString TField::GetText(const Variant& value, bool) const
{
    return ValueToString(value);
}

QString TField::DisplayText() const
{
    QString text;
    if (OnGetText) {
        OnGetText(const_cast<TField&>(*this), text, true);
        return text;
    }
    const Variant v = Value();
    return v.IsClear() ? NullText(true) : GetText(v, true);
}

QString TField::GetEditText() const
{
    QString text;
    if (OnGetText) {
        OnGetText(const_cast<TField&>(*this), text, false);
        return text;
    }
    const Variant v = Value();
    return v.IsClear() ? NullText(false) : GetText(v, false);
}

void TField::SetEditText(const QString& text)
{
    if (OnSetText) {
        OnSetText(*this, text);
        return;
    }
    const bool isText = FDataType == ftString || FDataType == ftWideString || FDataType == ftFixedChar
                        || FDataType == ftMemo || FDataType == ftFmtMemo;
    if (!isText && text.trimmed().isEmpty())
        Clear();
    else
        SetValue(Variant(text));
}

bool TField::IsValidChar(QChar) const
{
    return true;
}

bool TField::CanModify() const
{
    return !FReadOnly && FFieldKind == fkData && FDataSet && FDataSet->CanModify();
}

void TField::FocusControl()
{
    if (!FDataSet || !FDataSet->Active())
        return;
    TField* field = this;
    FDataSet->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&field));
}

void TField::RangeError(double value, double min, double max) const
{
    throw EDatabaseError(OutOfRangeText(DisplayName(), FloatToStr(value), FloatToStr(min), FloatToStr(max)));
}
