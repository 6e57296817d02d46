#pragma once
// The filter row: one editor that moves from filter cell to filter cell,
// its drop-down of special items and values, its keys, and applying the
// filter. The grid owns one TDBGridMvFilterRow (made on first use); the
// editor is a child of the grid's client area, made when first needed.
//
// Keys in the editor while its list is closed: Left / Home and Right / End
// at the edge of the text go to the previous / next filter cell, Tab too
// (with dgTabs), Enter applies, Up stays, Down goes back to the data rows,
// F2 puts the caret at the end. What is typed is the column's condition at
// once (a text that does not read leaves the old one); the grid's wheel and
// cancel mode go to the editor while it is open.

#include "grid/DBGridMvFilter.h"
#include "gridbase/DBCtrlsMv.h"

#include <QPointer>
#include <vector>

class TCustomDBGridMv;
class TColumnMv;
class TDBGridMvFilterRow;

class TInplaceFilterEditMv : public TDBComboBoxMv {
    Q_OBJECT

public:
    TInplaceFilterEditMv(TDBGridMvFilterRow* Row, QWidget* Parent);
    void KeyDown(quint16& Key, TShiftState Shift) override;
    // The grid's wheel while the filter row is edited: steps through the
    // items, or scrolls the open list.
    void Wheel(int Steps, TShiftState Shift)
    {
        UserAction([&] { MouseWheel(Steps, Shift); });
    }
    // Runs a filter-row action as a user action: a refused filter text is
    // shown in the error box and the editor keeps what was typed.
    template <class TAction>
    void Run(TAction&& Action)
    {
        UserAction(std::forward<TAction>(Action));
    }

private:
    TDBGridMvFilterRow* FRow;
};

// The drop-down's special items, by their codes.
enum TFilterItemCodeMv : quint8 {
    fiNullMv = 1,
    fiNotNullMv = 2,
    fiAllMv = 3,
    fiClearFilterMv = 4,
    fiSeparatorMv = 5,
    fiSortAscendingMv = 6,
    fiSortDescendingMv = 7
};

class TDBGridMvFilterRow {
public:
    explicit TDBGridMvFilterRow(TCustomDBGridMv* Grid);
    ~TDBGridMvFilterRow();
    TDBGridMvFilterRow(const TDBGridMvFilterRow&) = delete;
    TDBGridMvFilterRow& operator=(const TDBGridMvFilterRow&) = delete;

    TCustomDBGridMv* Grid() const { return FGrid; }
    // Null until the first filter edit.
    TInplaceFilterEditMv* Editor() const { return FEditor.data(); }
    // The column being edited; null for none.
    TColumnMv* EditColumn() const;
    bool InProgress() const { return FInProgress; }

    void StartEdit(TColumnMv* Column);
    void StopEdit();
    // The editor's text goes into its column's filter settings (a refused
    // text raises and changes nothing).
    void StoreEditorText();
    // The grid's ApplyFilter.
    void Apply();
    void ClearAll();
    // To the previous (-1) or next (+1) column with a filter cell.
    void MoveEdit(int Direction);
    // Back to the data rows in the edited column.
    void LeaveToData();
    // Puts the editor on its cell again, with SelectText its text selected.
    void PlaceEditor(bool SelectText = true);
    // After the filter was applied: the editor selects its text again.
    void Applied();
    // Sets the editor up again for its column (the grid's editor reload).
    void Refresh();
    // The edited column moved to another place among the columns.
    void FollowColumn(TColumnMv* Column);
    // The grid's cancel mode: an open drop-down closes without a value.
    void CancelMode();
    // The text being stored comes from the user typing into the editor.
    bool Typing() const { return FTyping; }

    // The codes of the special items at the top of the last drop-down.
    const std::vector<TFilterItemCodeMv>& SpecialItems() const { return FSpecialItems; }

private:
    void EnsureEditor();
    void SetUpEditor(TColumnMv* Column);
    void FillDropDown();
    void DropDownClosed(bool Accept);
    void TextChanged();
    TSTFilterApplyFlagsMv ApplyFlags() const;
    void SortBy(TColumnMv* Column, TFilterItemCodeMv Code);
    int FilterRowIndex() const;

    TCustomDBGridMv* FGrid;
    QPointer<TInplaceFilterEditMv> FEditor;
    int FColumn = -1;
    bool FInProgress = false;
    bool FTyping = false;
    // The column's condition when its cell was entered or last applied: a
    // typed text that does not read leaves the column with it.
    QString FEnteredText;
    std::vector<TFilterItemCodeMv> FSpecialItems;
};
