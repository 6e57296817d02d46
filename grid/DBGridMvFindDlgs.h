#pragma once
// DBGridMvFindDlgs: the grid's "查找文本" (find text) dialog. It searches the
// grid's records for a text in one column or in all visible columns,
// upwards, downwards or over all records, by any part, the whole cell or
// the beginning, with or without letter case, on the displayed or the
// stored text. "查找下一个" again continues after the last hit; changing the
// text, the range or the direction starts afresh.
//
// One dialog serves the program; it belongs to the window of the grid it
// last searched (and is made again when that window goes).

#include "grid/DBGridMv.h"
#include "gridbase/DBCtrlsMv.h"

#include <QDialog>
#include <QPointer>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;

// A caption offered in the range box and the column it stands for.
using TFindColumnPairsMv = std::vector<std::pair<QString, TColumnMv*>>;

class TDBGridMvFindDlg : public QDialog {
    Q_OBJECT

public:
    explicit TDBGridMvFindDlg(QWidget* Parent = nullptr);

    // Sets the dialog up for a grid: the text, the range box (the caller's
    // pairs, else every visible column, then "<全部>") on ColumnName's
    // column (the current one when empty), a fresh search.
    void Prepare(TCustomDBGridMv* Grid, const QString& Text, const QString& ColumnName,
                 const TFindColumnPairsMv& ColumnPairs);
    TCustomDBGridMv* Grid() const { return FGrid.data(); }
    // The columns searched, in order, and the one the next search starts in.
    const std::vector<QPointer<TColumnMv>>& SearchColumns() const { return FSearchColumns; }
    int CurrentColumn() const { return FCurrentColumn; }

    QLabel* Label1;
    TDBComboBoxMv* cbText;
    QLabel* Label2;
    TDBComboBoxMv* cbFindIn;
    QLabel* cbMatchType;
    TDBComboBoxMv* cbMatchinType;
    QLabel* Label3;
    TDBComboBoxMv* cbFindDirection;
    TDBCheckBoxMv* cbCharCase;
    TDBCheckBoxMv* cbUseFormat;
    QPushButton* bFind;
    QPushButton* bCancel;

    void bFindClick();
    void bCancelClick();
    void cbFindInChange();
    void cbTextChange();

protected:
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void FillFindIn(const TFindColumnPairsMv& ColumnPairs);
    void BuildSearchList();
    void Step(TDataSet& DataSet, bool Up);
    QString CellText(TColumnMv* Column) const;

    QPointer<TCustomDBGridMv> FGrid;
    std::vector<QPointer<TColumnMv>> FRangeColumns;
    std::vector<QPointer<TColumnMv>> FSearchColumns;
    int FCurrentColumn = -1;
    bool FRestart = true;
};

// Opens the program's find dialog over Grid (modally, or stay-on-top and
// modeless); ColumnPairs, when given, replace the grid's visible columns
// in the range box.
void ExecuteGridFindDialog(TCustomDBGridMv* Grid, const QString& Text, const QString& ColumnName, bool Modal,
                           const TFindColumnPairsMv& ColumnPairs = {});
// The program's one dialog; null until first opened (or after its window
// went).
TDBGridMvFindDlg* GridFindDialog();
