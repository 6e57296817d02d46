#include "grid/DBGridMvActions.h"

#include "grid/DBGridMvImpExp.h"

#include <QApplication>

namespace {

bool CanRun(const TCustomDBGridMv* Grid, TDBGridMvEditAction Kind)
{
    switch (Kind) {
    case geaCutMv: return GridCanCut(Grid);
    case geaCopyMv: return GridCanCopy(Grid);
    case geaPasteMv: return GridCanPaste(Grid);
    case geaDeleteMv: return GridCanDelete(Grid);
    case geaSelectAllMv: return GridCanSelectAll(Grid);
    }
    return false;
}

} // namespace

TDBGridMvEditActionMv::TDBGridMvEditActionMv(TDBGridMvEditAction Kind, const QString& Text, QObject* Parent)
    : QAction(Text, Parent), FKind(Kind)
{
    connect(this, &QAction::triggered, this, [this] {
        if (TCustomDBGridMv* grid = FocusedGrid())
            grid->ExecuteAction(this);
    });
}

TCustomDBGridMv* TDBGridMvEditActionMv::FocusedGrid()
{
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (auto* grid = qobject_cast<TCustomDBGridMv*>(widget))
            return grid;
    }
    return nullptr;
}

void TDBGridMvEditActionMv::UpdateFromFocus()
{
    TCustomDBGridMv* grid = FocusedGrid();
    if (!grid || !grid->UpdateAction(this))
        setEnabled(false);
}

// The kind, not the action's class, picks the branch: a copy action never
// pastes and a paste action never copies.
bool TCustomDBGridMv::ExecuteAction(QAction* Action)
{
    const auto* edit = qobject_cast<const TDBGridMvEditActionMv*>(Action);
    if (!edit || !GridHasFocus())
        return false;
    return GridExecuteEditAction(this, edit->Kind());
}

bool TCustomDBGridMv::UpdateAction(QAction* Action)
{
    const auto* edit = qobject_cast<const TDBGridMvEditActionMv*>(Action);
    if (!edit || !FEditActions.testFlag(edit->Kind()))
        return false;
    Action->setEnabled(CanRun(this, edit->Kind()));
    return true;
}
