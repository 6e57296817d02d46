#pragma once
// A field of a dataset: one column of the current record, with the
// presentation the grids read (label, width, alignment, formats, visibility)
// and the checks that writing goes through (read-only, state, conversion).
// The kinds for the database's column types are in FieldKinds.h.
//
// Reading a field reads the dataset's active record: the current record, or
// the record a data link or a walk over the records has made active. Writing
// needs the dataset in edit or insert state and a field that is not
// read-only; the value is converted to the field's kind (EConvertError when
// it cannot be), stored, the dataset's links are told (deFieldChange) and
// OnChange runs, once per assignment.

#include "platform/Variant.h"
#include "platform/db/DbTypes.h"

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>

class TDataSet;

class TField {
public:
    TField(TFieldType dataType, QString fieldName, int size = 0);
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet* DataSet() const { return FDataSet; }
    const QString& FieldName() const { return FFieldName; }
    TFieldType DataType() const { return FDataType; }
    TFieldKind FieldKind() const { return FFieldKind; }
    // Only for a field that is not yet part of a dataset.
    void SetFieldKind(TFieldKind kind);
    // 1-based column of the record for a data field; 0 for other kinds.
    int FieldNo() const { return FFieldNo; }
    // Position in the dataset's field list; setting it moves the field.
    int Index() const;
    void SetIndex(int index);
    // Characters of a text field, decimals of a numeric one.
    int Size() const { return FSize; }
    bool IsBlob() const { return FDataType == ftBlob || FDataType == ftMemo || FDataType == ftFmtMemo || FDataType == ftGraphic; }
    // Whether the field is not created from the data on every opening.
    bool Persistent() const { return FPersistent; }

    // Presentation. DisplayLabel is the FieldName while no label is set.
    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString& label);
    QString DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const { return FDisplayWidth >= 0 ? FDisplayWidth : DefaultWidth(); }
    void SetDisplayWidth(int width);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    bool Required() const { return FRequired; }
    void SetRequired(bool required) { FRequired = required; }
    const QString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& format);
    // Money: sums and footers of it are written in the currency format.
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool currency) { FCurrency = currency; }
    // Significant digits of a float written in the general format.
    int Precision() const { return FPrecision; }
    void SetPrecision(int precision) { FPrecision = precision; }
    const QString& EditFormat() const { return FEditFormat; }
    void SetEditFormat(const QString& format) { FEditFormat = format; }
    const QString& EditMask() const { return FEditMask; }
    void SetEditMask(const QString& mask) { FEditMask = mask; }

    // Lookup fields (FieldKind fkLookup): the value is LookupResultField of
    // the record of LookupDataSet whose LookupKeyFields equal this dataset's
    // KeyFields; Null when there is none.
    bool Lookup() const { return FFieldKind == fkLookup; }
    QString KeyFields;
    QString LookupKeyFields;
    QString LookupResultField;
    QPointer<TDataSet> LookupDataSet;

    // Values of the active record.
    Variant Value() const;
    void SetValue(const Variant& value);
    bool IsNull() const { return Value().IsClear(); }
    void Clear() { SetValue(Variant::Null()); }
    QString AsString() const;
    void SetAsString(const QString& value) { SetValue(Variant(value)); }
    int AsInteger() const;
    void SetAsInteger(int value) { SetValue(Variant(value)); }
    qint64 AsLargeInt() const;
    void SetAsLargeInt(qint64 value) { SetValue(Variant(value)); }
    double AsFloat() const;
    void SetAsFloat(double value) { SetValue(Variant(value)); }
    bool AsBoolean() const;
    void SetAsBoolean(bool value) { SetValue(Variant(value)); }
    QDateTime AsDateTime() const;
    void SetAsDateTime(const QDateTime& value) { SetValue(Variant(value)); }
    QByteArray AsBytes() const;
    void SetAsBytes(const QByteArray& value) { SetValue(Variant(value)); }
    // The value before the changes that are still in the dataset's change
    // log; Null for an inserted record.
    Variant OldValue() const;

    // What a cell shows (DisplayFormat applies).
    QString DisplayText() const;
    // What an editor starts with (EditFormat applies; for numbers without
    // one, DisplayFormat).
    QString GetEditText() const;
    // Stores an editor's text; an empty text clears every field but a text
    // field. Raises EConvertError when the text does not convert.
    void SetEditText(const QString& text);
    // Whether a typed character can belong to the field's text.
    virtual bool IsValidChar(QChar c) const;
    // Not read-only, a data field and a dataset that can be modified.
    bool CanModify() const;
    // Asks the dataset's links to put the focus on this field's control.
    void FocusControl();

    // Single handlers, as the windows assign them.
    std::function<void(TField&)> OnChange;
    std::function<void(TField&, QString& text, bool displayText)> OnGetText;
    std::function<void(TField&, const QString& text)> OnSetText;
    // Anything a window wants to keep with the field (a sound, for example).
    QVariant UserData;

protected:
    // The value converted to this kind's stored form; Null stays Null.
    virtual Variant Normalize(const Variant& value) const = 0;
    // The text of a value that is not Null, for display or for editing.
    virtual QString GetText(const Variant& value, bool displayText) const;
    // The text of a Null value.
    virtual QString NullText(bool displayText) const;
    // AsString of a value that is not Null.
    virtual QString ValueToString(const Variant& value) const;
    virtual int DefaultWidth() const { return 10; }
    void SetDefaultAlignment(TAlignment alignment) { FAlignment = alignment; }
    [[noreturn]] void RangeError(double value, double min, double max) const;

private:
    friend class TDataSet;
    friend class TFields;
    void PropertyChanged(bool layoutAffected);
    Variant LookupValue() const;

    TDataSet* FDataSet = nullptr;
    QString FFieldName;
    TFieldType FDataType;
    TFieldKind FFieldKind = fkData;
    int FFieldNo = 0;
    int FSize = 0;
    bool FPersistent = false;
    QString FDisplayLabel;
    int FDisplayWidth = -1;
    TAlignment FAlignment = taLeftJustify;
    bool FVisible = true;
    bool FReadOnly = false;
    bool FRequired = false;
    bool FCurrency = false;
    int FPrecision = 15;
    QString FDisplayFormat;
    QString FEditFormat;
    QString FEditMask;
};
