#pragma once
// A value that tells Null (a known absence, as a database null) from
// Unassigned (nothing was ever put there), holds booleans, integers, floats,
// texts, bytes and time stamps, and arrays of values that compare element by
// element. QVariant alone cannot tell Null from Unassigned.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <variant>
#include <vector>

class Variant {
public:
    enum class Kind { Unassigned, Null, Boolean, Integer, Float, String, Bytes, DateTime, Array };
    struct NullTag {};

    Variant() = default;
    Variant(NullTag) : FValue(NullTag{}) {}
    Variant(bool value) : FValue(value) {}
    Variant(int value) : FValue(qint64(value)) {}
    Variant(qint64 value) : FValue(value) {}
    Variant(double value) : FValue(value) {}
    Variant(const QString& value) : FValue(value) {}
    Variant(const char16_t* value) : FValue(QString::fromUtf16(value)) {}
    Variant(const QByteArray& value) : FValue(value) {}
    Variant(const QDateTime& value) : FValue(value) {}
    Variant(std::vector<Variant> elements) : FValue(std::move(elements)) {}

    static Variant Null() { return Variant(NullTag{}); }
    static Variant FromQVariant(const QVariant& value);
    QVariant ToQVariant() const;

    Kind GetKind() const { return static_cast<Kind>(FValue.index()); }
    bool IsUnassigned() const { return GetKind() == Kind::Unassigned; }
    bool IsNull() const { return GetKind() == Kind::Null; }
    // Unassigned or Null: no value to show.
    bool IsClear() const { return IsUnassigned() || IsNull(); }
    bool IsArray() const { return GetKind() == Kind::Array; }
    bool IsNumeric() const { return GetKind() == Kind::Integer || GetKind() == Kind::Float; }

    // Conversions; Unassigned and Null give the empty text, 0 and false.
    // A text that is not a number raises EConvertError from the numeric ones.
    QString AsString() const;
    double AsFloat() const;
    qint64 AsInteger() const;
    bool AsBoolean() const;
    QByteArray AsBytes() const;
    QDateTime AsDateTime() const;
    const std::vector<Variant>& Elements() const;

    // The ordinary equality: Unassigned equals only Unassigned, Null only
    // Null; numbers compare by value (a text that reads as a number included);
    // arrays element by element.
    friend bool operator==(const Variant& a, const Variant& b);

private:
    std::variant<std::monostate, NullTag, bool, qint64, double, QString, QByteArray, QDateTime,
                 std::vector<Variant>>
        FValue;
};

inline bool operator==(Variant::NullTag, Variant::NullTag) { return true; }
