#pragma once
// The field kinds for the database's column types: text (VARCHAR, CHAR),
// SMALLINT, INTEGER, BIGINT, NUMERIC/DECIMAL, DOUBLE/FLOAT, BOOLEAN, DATE,
// TIME, TIMESTAMP, text blobs (memo) and binary blobs. Each stores its values
// in one form (texts, 64-bit integers, doubles, booleans, date-times, bytes)
// and converts what it is given into that form.

#include "platform/db/Field.h"

#include <memory>

class TStringField : public TField {
public:
    explicit TStringField(const QString& name, int size = 20, TFieldType type = ftString);
    bool IsValidChar(QChar) const override { return true; }

protected:
    Variant Normalize(const Variant& value) const override;
    int DefaultWidth() const override { return Size() > 0 ? Size() : 20; }
};

// Numbers: right-aligned; DisplayFormat and EditFormat are FormatFloat formats.
class TNumericField : public TField {
public:
    bool IsValidChar(QChar c) const override;

protected:
    TNumericField(TFieldType type, const QString& name, int size = 0);
    QString GetText(const Variant& value, bool displayText) const override;
    QString FormatFor(bool displayText) const;
};

class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(const QString& name) : TIntegerField(ftInteger, name, -2147483647.0 - 1, 2147483647.0) {}

protected:
    TIntegerField(TFieldType type, const QString& name, double minValue, double maxValue);
    Variant Normalize(const Variant& value) const override;
    QString GetText(const Variant& value, bool displayText) const override;
    int DefaultWidth() const override { return 11; }

private:
    double FMinValue;
    double FMaxValue;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(const QString& name) : TIntegerField(ftSmallint, name, -32768, 32767) {}

protected:
    int DefaultWidth() const override { return 6; }
};

class TLargeintField : public TIntegerField {
public:
    explicit TLargeintField(const QString& name) : TIntegerField(ftLargeint, name, -9.2233720368547758e18, 9.2233720368547758e18) {}

protected:
    int DefaultWidth() const override { return 15; }
};

class TFloatField : public TNumericField {
public:
    explicit TFloatField(const QString& name) : TNumericField(ftFloat, name) {}
    int Precision = 15;

protected:
    TFloatField(TFieldType type, const QString& name, int size) : TNumericField(type, name, size) {}
    Variant Normalize(const Variant& value) const override;
    QString ValueToString(const Variant& value) const override;
    QString GetText(const Variant& value, bool displayText) const override;
};

// Money: a float marked Currency, shown in the system's currency format.
class TCurrencyField : public TFloatField {
public:
    explicit TCurrencyField(const QString& name) : TFloatField(ftCurrency, name, 0) {}
};

// NUMERIC(precision, scale): Size is the scale; values are rounded to it.
class TFMTBCDField : public TFloatField {
public:
    TFMTBCDField(const QString& name, int precision, int scale);

protected:
    Variant Normalize(const Variant& value) const override;
    int DefaultWidth() const override { return Precision + 2; }
};

class TBooleanField : public TField {
public:
    explicit TBooleanField(const QString& name);
    // "True;False": the texts for the two values.
    QString DisplayValues = QStringLiteral("True;False");
    bool IsValidChar(QChar) const override { return true; }

protected:
    Variant Normalize(const Variant& value) const override;
    QString ValueToString(const Variant& value) const override;
    QString GetText(const Variant& value, bool displayText) const override;
    int DefaultWidth() const override { return 5; }
};

// Date and time kinds; values are QDateTime, a time alone on 1899-12-30.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(const QString& name) : TDateTimeField(ftDateTime, name) {}
    bool IsValidChar(QChar c) const override;

protected:
    TDateTimeField(TFieldType type, const QString& name) : TField(type, name) {}
    Variant Normalize(const Variant& value) const override;
    QString ValueToString(const Variant& value) const override;
    QString GetText(const Variant& value, bool displayText) const override;
    // The format when no DisplayFormat applies.
    virtual QString DefaultFormat() const { return QStringLiteral("c"); }
    int DefaultWidth() const override { return 19; }
};

class TSQLTimeStampField : public TDateTimeField {
public:
    explicit TSQLTimeStampField(const QString& name) : TDateTimeField(ftTimeStamp, name) {}
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(const QString& name) : TDateTimeField(ftDate, name) {}

protected:
    Variant Normalize(const Variant& value) const override;
    QString DefaultFormat() const override;
    int DefaultWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(const QString& name) : TDateTimeField(ftTime, name) {}

protected:
    Variant Normalize(const Variant& value) const override;
    QString DefaultFormat() const override;
    int DefaultWidth() const override { return 8; }
};

// Binary blobs; a cell shows "(BLOB)", or "(blob)" when empty.
class TBlobField : public TField {
public:
    explicit TBlobField(const QString& name) : TBlobField(ftBlob, name) {}
    bool IsValidChar(QChar) const override { return true; }
    int BlobSize() const { return int(AsBytes().size()); }
    // Raises EInOutError when the file cannot be read or written.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;

protected:
    TBlobField(TFieldType type, const QString& name) : TField(type, name) {}
    Variant Normalize(const Variant& value) const override;
    QString NullText(bool displayText) const override;
    QString GetText(const Variant& value, bool displayText) const override;
};

// Text blobs: the text is kept as text; a cell shows "(MEMO)" / "(memo)".
class TMemoField : public TBlobField {
public:
    explicit TMemoField(const QString& name) : TBlobField(ftMemo, name) {}

protected:
    Variant Normalize(const Variant& value) const override;
};

// A field of the kind for a column type; precision and scale for numbers,
// the length in characters for text.
std::unique_ptr<TField> CreateField(TFieldType type, const QString& name, int size = 0, int precision = 0);
