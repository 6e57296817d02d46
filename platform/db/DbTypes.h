#pragma once
// The enumerations and small helpers that the whole dataset framework and
// its users share. The members keep the class library's names and order (a
// grid indexes tables by TFieldType and reacts to data event 14).

#include <QFlags>
#include <QString>
#include <cstdint>

class QObject;

enum TDataSetState : std::uint8_t {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening
};

// What a dataset tells its data sources and links. Info is a TField* for
// deFieldChange and deRecordChange (may be null), a TField** for
// deFocusControl, the buffer shift for deDataSetScroll, and 1 (disabled) or
// 0 (enabled again) for deDisabledStateChange.
enum TDataEvent : std::uint8_t {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
    deParentScroll,
    deConnectChange,
    deReconcileError,
    deDisabledStateChange
};

enum TFieldType : std::uint8_t {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid,
    ftTimeStamp,
    ftFMTBcd
};

enum TFieldKind : std::uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

enum TLocateOption : std::uint8_t { loCaseInsensitive = 1, loPartialKey = 2 };
Q_DECLARE_FLAGS(TLocateOptions, TLocateOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLocateOptions)

enum TUpdateStatus : std::uint8_t { usUnmodified, usModified, usInserted, usDeleted };

enum TUpdateKind : std::uint8_t { ukModify, ukInsert, ukDelete };

enum TIndexOption : std::uint8_t {
    ixPrimary = 1,
    ixUnique = 2,
    ixDescending = 4,
    ixCaseInsensitive = 8,
    ixExpression = 16,
    ixNonMaintained = 32
};
Q_DECLARE_FLAGS(TIndexOptions, TIndexOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TIndexOptions)

// A record's bookmark as a string; empty means none. Valid for the opening
// of the dataset that gave it.
using TBookmark = QString;

// Raises EDatabaseError; with a named component the message is prefixed by
// "Name: ".
[[noreturn]] void DatabaseError(const QString& message, const QObject* component = nullptr);

// The next name of a ';'-separated field list, trimmed, starting at pos
// (0-based), which moves past the separator.
QString ExtractFieldName(const QString& fields, int& pos);
// All names of a ';'-separated field list.
QStringList SplitFieldNames(const QString& fields);

// The type's name as the class library writes it ("String", "Memo", ...).
QString FieldTypeName(TFieldType type);
