#pragma once
// The filter-row settings: one object per grid (whether the row is shown)
// and one per column (whether the column has a filter cell, the parsed
// condition, and the list the condition may be chosen from).
//
// A column's condition is typed in the filter expression language
// (DbUtilsMv.h). A text that the parser refuses raises, and the column keeps
// the condition it had; the filter row shows the message.
//
// The list: a ListSource whose ListField texts the drop-down offers, and,
// with a key field, whose KeyField values the condition stands for. Without
// own settings a lookup column takes them from its lookup field.

#include "grid/DbUtilsMv.h"
#include "gridbase/ToolCtrlsMv.h"
#include "platform/StringList.h"
#include "platform/Variant.h"

#include <QFlags>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

class TCustomDBGridMv;
class TColumnMv;

// When the filter row applies its filter by itself as its drop-down closes,
// besides Enter and "(清除过滤器)": a special item chosen ("(空)", "(非空)",
// "(全部)") applies while any flag is set; a list closed with a value taken
// applies with sfaCloseUpAcceptMv, one closed without with
// sfaCloseUpCancelMv. The grid style holds the set; it is empty by default.
enum TSTFilterApplyFlagMv : quint8 { sfaCloseUpAcceptMv = 1u << 0, sfaCloseUpCancelMv = 1u << 1 };
Q_DECLARE_FLAGS(TSTFilterApplyFlagsMv, TSTFilterApplyFlagMv)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSTFilterApplyFlagsMv)
class TDataSet;
class TDataSource;

class TSTDBGridMvFilter {
public:
    explicit TSTDBGridMvFilter(TCustomDBGridMv* Grid) : FGrid(Grid) {}
    virtual ~TSTDBGridMvFilter() = default;
    TCustomDBGridMv* Grid() const { return FGrid; }
    // The filter row is shown (one more fixed row under the titles).
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    bool Local() const { return FLocal; }
    void SetLocal(bool Value) { FLocal = Value; }
    // Held while the filter row applies a filter; leaving the row waits.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate() { FUpdateCount = std::max(0, FUpdateCount - 1); }
    int UpdateCount() const { return FUpdateCount; }
    void Assign(const TSTDBGridMvFilter& Source);

private:
    TCustomDBGridMv* FGrid;
    bool FLocal = false;
    int FUpdateCount = 0;
    bool FVisible = false;
};

class TSTColumnFilterMv {
public:
    explicit TSTColumnFilterMv(TColumnMv* Column);
    virtual ~TSTColumnFilterMv();
    TSTColumnFilterMv(const TSTColumnFilterMv&) = delete;
    TSTColumnFilterMv& operator=(const TSTColumnFilterMv&) = delete;

    TColumnMv* Column() const { return FColumn; }
    QString DataField;
    QString KeyField;
    QString ListField;
    TDataSource* ListSource() const;
    void SetListSource(TDataSource* Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    // The key chosen through the list; Unassigned when none.
    const Variant& Value() const { return FValue; }
    // The key and display texts read from the list dataset.
    const TStringList& KeyValues() const { return FKeyValues; }
    const TStringList& ListValues() const { return FListValues; }
    // The drop-down's size as the user last left it (0: never sized).
    int DropDownWidth = 0;
    int DropDownRows = 0;

    // Value Unassigned and an empty condition.
    void Clear();
    TSTFilterExpressionMv GetExpression() const { return FExpression; }

    // The settings in effect: own ones, else those of the column's lookup
    // field.
    virtual QString GetDataField() const;
    virtual QString GetKeyField() const;
    virtual QString GetListField() const;
    TDataSet* GetListDataSet() const;
    // Whether the drop-down offers values: a list source, or the grid's
    // in-memory table.
    virtual bool HasList() const;
    // The key chosen, with a key field; else the first operand.
    virtual Variant FilterValue() const;
    // The value kind of the column's field (texts for a key-list column).
    TSTFilterValueKindMv ValueKind() const;

    // Parses Text into the condition; a refused text raises and changes
    // nothing. Repaints the grid.
    virtual void SetFilterText(const QString& Text);
    virtual QString GetFilterText() const;
    // The text last given to SetFilterText, as it was typed.
    const QString& FilterTextSet() const { return FFilterText; }
    // The distinct texts of the list field, sorted, or, without a list
    // source, those the grid's in-memory table keeps for the column's field;
    // empty without an active grid link and list.
    QStringList ListFieldValues();

    void Assign(const TSTColumnFilterMv& Source);

private:
    void ReloadLists();
    void TranslatePickList(TSTFilterExpressionMv& Expr) const;
    void SetKeyedFilterText(const QString& Text, TSTFilterExpressionMv& Expr);
    TField* LookupField() const;

    TColumnMv* FColumn;
    TStringList FKeyValues;
    TStringList FListValues;
    Variant FValue;
    bool FVisible = true;
    TSTFilterExpressionMv FExpression;
    QString FFilterText;
    bool FReloading = false;
    TDataLinkMv FListLink;
    TDatasetFieldValueListMv FValueList;
};
