#pragma once
// DbUtilsMv: the filter expression language of the grid's filter row, the
// grid's text search and the registry of data-set handlers.
//
// The language. A column's filter text is one condition or two joined by
// AND / OR (also "&" and "|"):
//   abc            a value alone: LIKE on a text column, = elsewhere
//   1,2,3          a list alone: IN
//   > 5, <= 5, <> 5, != 5, = 5, ~ abc, !~ abc   operator and value
//   in (1,2)       NOT IN (1,2), !in (1,2)
//   = NULL         <> NULL, != NULL: the null tests
// Values are bare (blanks inside stay, a list element ends at a comma) or
// quoted with single quotes, a quote inside doubled ('it''s'). Keywords are
// ASCII words compared without regard to letter case, whatever the system's
// language. The parser reads the whole text or refuses it with an
// Exception whose message names the fault and quotes the text; it never
// drops what it cannot read.
//
// Printing gives a text that parses back to the same expression: text
// values quoted with their quotes doubled, numbers with a decimal point and
// enough digits to come back unchanged, dates as "yyyy-mm-dd[ hh:nn:ss[.zzz]]".
//
// These are plain functions over text, apart from any widget, so that they
// can be tested and fuzzed alone.

#include "platform/Variant.h"
#include "platform/db/DbTypes.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <memory>

class QMetaObject;
class TCustomDBGridMv;
class TDataSet;

// Operator codes; they index the two word tables below.
enum TSTFilterOperatorMv : quint8 {
    sfoNone,
    sfoEqual,
    sfoNotEqual,
    sfoGreater,
    sfoLess,
    sfoGreaterOrEqual,
    sfoLessOrEqual,
    sfoLike,
    sfoNotLike,
    sfoIn,
    sfoNotIn,
    sfoNull,
    sfoNotNull,
    sfoAnd,
    sfoOr,
    sfoValue
};

// The kind of a column's values, which decides how operands are converted.
enum TSTFilterValueKindMv : quint8 { svkNone, svkString, svkNumber, svkDateTime, svkBoolean };

// One parsed filter: up to two conditions and the relation between them.
// ExpressionType is set by the caller before parsing.
struct TSTFilterExpressionMv {
    TSTFilterValueKindMv ExpressionType = svkNone;
    TSTFilterOperatorMv Operator1 = sfoNone;
    Variant Operand1 = Variant::Null();
    TSTFilterOperatorMv Relation = sfoNone;
    TSTFilterOperatorMv Operator2 = sfoNone;
    Variant Operand2 = Variant::Null();
};

// The words printed into the filter row (Null is preceded by "=" or "<>").
extern const std::array<QStringView, 16> STFilterOperatorsStrMap;
// The words of a query condition, for a handler that turns a filter into SQL.
extern const std::array<QStringView, 16> STFilterOperatorsSQLStrMap;
// Marks the place of the filter in a handler's query text.
inline constexpr QStringView STFilterMarker = u"/*FILTER*/";

// The value kind of a field type (text, number, date or boolean; none for
// binary and structured types).
TSTFilterValueKindMv STFilterValueKind(TFieldType DataType);

// Clears both conditions and the relation; ExpressionType stays.
void InitSTFilterExpression(TSTFilterExpressionMv& Expr);

// Parses Text into Expr (whose ExpressionType is set). True when two
// conditions were read; false for one, or for an empty text (nothing set).
// A relation that ends the text stays in Relation with no second condition
// (Operator2 sfoNone): whoever applies the filter reads the first condition
// alone.
// A text that cannot be read raises Exception; a value that does not
// convert raises EConvertError. Expr is undefined after a raise: parse into
// a copy when the old filter has to survive.
bool ParseSTFilterText(const QString& Text, TSTFilterExpressionMv& Expr);

// A value (or each element of a value array) converted by the kind:
// numbers for svkNumber, date-times for svkDateTime, texts otherwise.
Variant ConvertSTFilterOperand(const Variant& Value, TSTFilterValueKindMv Kind);

// One operand as the filter row shows it: a number bare with a decimal
// point, a date-time bare, anything else quoted.
QString STFilterValueText(const Variant& Value);
// One condition: "=Null", "<>Null", "In (1,2)", "> 5", "~ 'abc'".
QString STFilterConditionText(TSTFilterOperatorMv Operator, const Variant& Operand);
// The whole expression; empty when there is no first condition.
QString STFilterExpressionText(const TSTFilterExpressionMv& Expr);

// Whether two expressions are the same: equal kinds and operators, and
// operands of the same kind with equal values (a text "5" is not the number 5).
bool SameSTFilterExpression(const TSTFilterExpressionMv& A, const TSTFilterExpressionMv& B);

// ---------------------------------------------------------------- text search

// Where LocateGridText looks.
enum TLocateTextDirectionMv : quint8 { ltdUpMv, ltdDownMv, ltdAllMv };
enum TLocateTextMatchingMv : quint8 { ltmAnyPartMv, ltmWholeCellMv, ltmFromBeginningMv };
enum TLocateTextOptionMv : quint8 {
    ltoCaseInsensitiveMv = 1 << 0,
    ltoAllFieldsMv = 1 << 1,
    ltoMatchFormatMv = 1 << 2,
};

// Whether a cell's text matches Text by the matching rule; case-insensitive
// compares the upper-cased texts. An empty Text matches nothing.
bool TextMatchesMv(const QString& CellText, const QString& Text, TLocateTextMatchingMv Matching,
                   bool CaseInsensitive);

// Searches the grid's records for Text in the current column (every visible
// column with ltoAllFieldsMv), upwards, downwards from the record after the
// current one, or over all records from the first. A hit becomes the current
// record and its column the grid's selected column; without one the dataset
// goes back to where it was. An empty Text finds nothing and moves nothing.
bool LocateGridText(TCustomDBGridMv* Grid, const QString& Text, TLocateTextDirectionMv Direction,
                    TLocateTextMatchingMv Matching, quint8 Options);

// ---------------------------------------------------------------- data-set handlers

// What the grid's data service hands to a handler registered for a class
// of datasets: the text search, filtering and sorting for that class.
class TDataSetHandlerMv {
public:
    explicit TDataSetHandlerMv(const QMetaObject* DataSetClass) : FDataSetClass(DataSetClass) {}
    virtual ~TDataSetHandlerMv() = default;
    const QMetaObject* DataSetClass() const { return FDataSetClass; }
    virtual bool LocateText(TCustomDBGridMv* Grid, const QString& Text, TLocateTextDirectionMv Direction,
                            TLocateTextMatchingMv Matching, quint8 Options) = 0;
    virtual void ApplyFilter(TCustomDBGridMv* Grid, TDataSet* DataSet, bool IsReopen) = 0;
    virtual void ApplySorting(TCustomDBGridMv* Grid, TDataSet* DataSet, bool IsReopen) = 0;
    virtual void ExecuteFindDialog(TCustomDBGridMv* Grid, const QString& Text, const QString& ColumnName) = 0;
    // Moves the records of the bookmarks to stand before the record at
    // Target (from 0; the record count for the end); a handler that cannot
    // reorder its datasets leaves them as they are.
    virtual void MoveRecords(TCustomDBGridMv* /*Grid*/, TDataSet* /*DataSet*/, const QStringList& /*Bookmarks*/,
                             int /*Target*/)
    {
    }

private:
    const QMetaObject* FDataSetClass;
};

// Registers a handler under its class's name; a second handler for the same
// name raises Exception. Unregistering frees it.
void RegisterDataSetHandler(std::unique_ptr<TDataSetHandlerMv> Handler);
void UnregisterDataSetHandler(const QMetaObject* DataSetClass);
// The handler of the nearest class on the dataset class's parent chain
// (names compared without regard to case); null when none is registered.
TDataSetHandlerMv* FindDataSetClassHandler(const QMetaObject* DataSetClass);
TDataSetHandlerMv* FindDataSetHandler(const TDataSet* DataSet);
