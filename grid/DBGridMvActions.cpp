#include "grid/DBGridMvActions.h"

#include "grid/DBGridMvImpExp.h"
#include "grid/DBGridMvInplaceEdit.h"

#include <QApplication>
#include <QWheelEvent>

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

// ================================================================ message handlers

bool TCustomDBGridMv::EditorListOpen() const
{
    const TDBGridInplaceEdit* editor = CellEditor();
    return editor && editor->ListVisible();
}

bool TCustomDBGridMv::EditorListTakesTyping() const
{
    const TDBGridInplaceEdit* editor = CellEditor();
    return !editor || !editor->ListVisible() || editor->ListTakesTyping();
}

bool TCustomDBGridMv::CanEditAcceptKey(QChar Key)
{
    const bool typing = EditorListTakesTyping();
    TColumnMv* column = SelectedColumn();
    TField* field = column ? column->Field() : nullptr;
    if (!FDataLink->Active() || !field)
        return EditorListOpen() && typing;
    if (!column->KeyList().IsEmpty())
        return typing;
    return typing && field->IsValidChar(Key);
}

unsigned TCustomDBGridMv::DialogCode()
{
    unsigned code = TCustomGridMv::DialogCode();
    if (FOptionsMv.testFlag(dghPreferIncSearch))
        code |= DLGC_WANTCHARS;
    return code;
}

void TCustomDBGridMv::CalcSizingState(int X, int Y, TGridStateMv& State, int& Index, int& SizingPos, int& SizingOfs,
                                      TGridDrawInfoMv& FixedInfo)
{
    TCustomGridMv::CalcSizingState(X, Y, State, Index, SizingPos, SizingOfs, FixedInfo);
    // Logical positions: right to left the point and the cell are mirrored.
    const int x = MirroredX(X);
    if (State == gsColSizing && Index >= ColCount() - 1) {
        // The last column's right edge: sizing only on its near side.
        const TRect last = MirroredRect(CellRect(ColCount() - 1, 0));
        if (!last.IsEmpty() && x > last.Right + GridLineWidth())
            State = gsNormal;
    }
    if (State == gsRowSizing) {
        int indicator = 0;
        for (int i = 0; i < FIndicatorOffset; ++i)
            indicator += ColWidths(i) + GridLineWidth();
        if (x >= indicator)
            State = gsNormal;
    }
}

bool TCustomDBGridMv::WheelToDropDown(int WheelDelta)
{
    // An open drop-down scrolls its own items; the record stays.
    TDBGridInplaceEdit* editor = CellEditor();
    QWidget* list = editor && editor->ListVisible() ? editor->ActiveList() : nullptr;
    if (!list || !list->isVisible())
        return false;
    const QPoint centre = list->rect().center();
    QWheelEvent wheel(centre, list->mapToGlobal(centre), QPoint(), QPoint(0, WheelDelta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &wheel);
    return true;
}
