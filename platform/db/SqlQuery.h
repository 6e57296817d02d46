#pragma once
// A query over the connection whose rows are fetched fully into memory and
// read by field name, as text, integer, float or bytes.

#include "platform/Variant.h"

#include <QString>
#include <memory>
#include <vector>

class TSQLConnection;

class TField {
public:
    explicit TField(QString fieldName) : FFieldName(std::move(fieldName)) {}

    const QString& FieldName() const { return FFieldName; }
    const Variant& Value() const { return FValue; }
    void SetValue(Variant value) { FValue = std::move(value); }

    bool IsNull() const { return FValue.IsClear(); }
    QString AsString() const { return FValue.AsString(); }
    qint64 AsLargeInt() const { return FValue.AsInteger(); }
    int AsInteger() const { return int(FValue.AsInteger()); }
    double AsFloat() const { return FValue.AsFloat(); }
    QByteArray AsBytes() const { return FValue.AsBytes(); }

private:
    QString FFieldName;
    Variant FValue;
};

class TSQLQuery {
public:
    explicit TSQLQuery(TSQLConnection* connection = nullptr) : SQLConnection(connection) {}

    TSQLConnection* SQLConnection;
    QString SQL;

    // Runs the statement and fetches every row; raises EDatabaseError.
    void Open();
    void Close();
    bool Active() const { return FActive; }

    void First();
    void Next();
    bool Eof() const;
    bool IsEmpty() const { return FRows.empty(); }
    int RecordCount() const { return int(FRows.size()); }

    int FieldCount() const { return int(FFields.size()); }
    TField* Fields(int index) const { return FFields.at(size_t(index)).get(); }
    // Case-insensitive; FindField gives null for a name the result lacks,
    // FieldByName raises EDatabaseError.
    TField* FindField(const QString& name) const;
    TField* FieldByName(const QString& name) const;

private:
    void LoadRow();

    bool FActive = false;
    size_t FRecNo = 0;
    std::vector<std::unique_ptr<TField>> FFields;
    std::vector<std::vector<Variant>> FRows;
};
