#pragma once
// The record dialog: the current row of a grid as a column of labelled
// edits (a combo box where the grid's column offers a pick list), bound to
// the grid's data source.

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <vector>

class QAction;
class QToolBar;
class TCustomDBGridMv;
class TDataSource;

// One field of the row as the grid shows it.
struct TRecordFieldKiv {
    QString Label;
    QString FieldName;
    QStringList PickList;
};

class TFormCDEdit : public QDialog {
    Q_OBJECT
public:
    explicit TFormCDEdit(QWidget* parent = nullptr);

    // The grid whose row it edits (its data source and shown fields; KivCDEditGrid.cpp).
    void SetGrid(TCustomDBGridMv* grid);

    QToolBar* ToolBarEdit;
    QAction* ActionOK;
    QAction* ActionNo;

    void ActionOKExecute();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    // Taken from the grid: the grid library and the data-aware edits are
    // built apart, so this unit reads the grid only in KivCDEditGrid.cpp.
    QPointer<TDataSource> FDataSource;
    std::vector<TRecordFieldKiv> FFields;
    bool FShown = false;
};

// Shows the grid's current row in the dialog; true when the user confirmed
// (the row is then posted). The caller cancels the edit otherwise.
bool EditRecord(TCustomDBGridMv* grid, const QString& caption);
