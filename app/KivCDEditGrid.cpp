// The record dialog's view of a grid, and EditRecord. Apart from
// KivCDEdit.cpp because the grid library and the data-aware edits cannot
// share one translation unit.

#include "app/KivCDEdit.h"

#include "grid/DBGridMv.h"
#include "platform/Dialogs.h"

#include <QApplication>

namespace {

// The grid's column that shows the field; null when none does.
const TColumnMv* ColumnOfField(const TCustomDBGridMv& grid, const TField* field)
{
    for (int i = 0; i < grid.Columns().Count(); ++i)
        if (grid.Columns().Items(i)->Field() == field)
            return grid.Columns().Items(i);
    return nullptr;
}

} // namespace

void TFormCDEdit::SetGrid(TCustomDBGridMv* grid)
{
    FFields.clear();
    FDataSource = grid ? grid->DataSource() : nullptr;
    if (!grid)
        return;
    // The fields the grid shows, in the grid's order.
    for (int i = 0; i < grid->GetFieldCount(); ++i) {
        const TField* field = grid->GetFields(i);
        if (!field)
            continue;
        const TColumnMv* column = ColumnOfField(*grid, field);
        const TStringList* pickList = column ? column->PickListIfAny() : nullptr;
        FFields.push_back({field->DisplayLabel(), field->FieldName(), pickList ? pickList->Items() : QStringList()});
    }
}

bool EditRecord(TCustomDBGridMv* grid, const QString& caption)
{
    TFormCDEdit dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    dialog.SetGrid(grid);
    return ExecModal(dialog) == QDialog::Accepted;
}
