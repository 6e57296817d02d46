// The dataset grid's keyboard: the key table, the shortcuts, the
// incremental search, check-box keys and record deletion. Vertical keys
// move the dataset's current record (the grid follows the data link);
// Shift with dgMultiSelect grows the selection over what was passed.

#include "grid/DBGridMvFitWidths.h"
#include "grid/DBGridMvImpExp.h"
#include "grid/DBGridMvInput.h"
#include "grid/DBGridMvMemTable.h"
#include "grid/DBGridMvTree.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethod>

namespace {

// The key shortcuts of the grid, made once.
const TShortCut IncSearchShortCut = ShortCut(quint16('F'), ssCtrl);
const TShortCut FindDialogShortCut = ShortCut(quint16('F'), ssCtrl);
const TShortCut SearchNextShortCut = ShortCut(VK_RETURN, ssCtrl);
const TShortCut SearchPriorShortCut = ShortCut(VK_RETURN, TShiftState(ssCtrl | ssShift));
const TShortCut CopyAboveShortCut = ShortCut(VK_OEM_7, ssCtrl);

bool IsCheckOrImage(const TColumnMv* Column)
{
    if (!Column)
        return false;
    const TColumnTypeMv kind = Column->GetColumnType();
    return kind == ctCheckboxes || kind == ctKeyImageList;
}

// An input-method mode as Qt knows it: disabled takes the input method
// away, the closed and alphanumeric modes ask it for Latin letters, every
// other mode leaves it free. (The IME's name picks a keyboard layout of the
// system, which Qt leaves to the desktop: it is kept, not applied.)
void ApplyImeMode(QWidget* Widget, TImeMode Mode)
{
    Widget->setAttribute(Qt::WA_InputMethodEnabled, Mode != imDisable);
    Qt::InputMethodHints hints = Widget->inputMethodHints() & ~Qt::ImhPreferLatin;
    if (Mode == imClose || Mode == imSAlpha || Mode == imAlpha)
        hints |= Qt::ImhPreferLatin;
    Widget->setInputMethodHints(hints);
}

} // namespace

// ---------------------------------------------------------------- state

void TCustomDBGridMv::UpdateIme()
{
    const TColumnMv* column = SelectedColumn();
    FEditorImeMode = column ? column->ImeMode() : FImeMode;
    FEditorImeName = column ? column->ImeName() : FImeName;
    ApplyImeMode(this, FEditorImeMode);
    if (TInplaceEdit* editor = InplaceEditor())
        ApplyImeMode(editor, FEditorImeMode);
    if (GridHasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImHints);
}

bool TCustomDBGridMv::KeepSelection() const
{
    return FInput->KeepSelection;
}

void TCustomDBGridMv::ClearSelectionOnMove()
{
    FInput->ExtendStart.clear();
    FInput->ExtendSelected.clear();
    if (!FOptionsMv.testFlag(dghClearSelection))
        return;
    if (FOptions.testFlag(dgMultiSelect) && FBookmarks->Count() > 0)
        FBookmarks->Clear();
    if (FSelection->SelectionType() != gstNon) {
        FSelection->Clear();
        Invalidate();
        InvalidateEditor();
    }
}

bool TCustomDBGridMv::CancelUnchangedInsert(bool AtEndOnly)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || dataSet->State() != dsInsert || dataSet->Modified() || FDataLink->IsModified())
        return false;
    if (AtEndOnly && !dataSet->Eof())
        return false;
    dataSet->Cancel();
    return true;
}

// ---------------------------------------------------------------- records and the selection

void TCustomDBGridMv::SelectRecords(bool Select, int Distance, bool ToEnd)
{
    TDataSet* dataSet = DataSet();
    if (!FDataLink->Active() || !dataSet)
        return;
    auto move = [&] {
        if (!ToEnd)
            dataSet->MoveBy(Distance);
        else if (Distance < 0)
            dataSet->First();
        else
            dataSet->Last();
    };
    if (!Select) {
        ClearSelectionOnMove();
        move();
        return;
    }
    const bool rectangle = FAllowedSelections.testFlag(asRectangle) && !FOptions.testFlag(dgRowSelect) &&
                           FInput->Tracking != trRecords;
    if (rectangle) {
        const int dataCol = std::max(0, RawToDataColumn(Col()));
        TDBGridMvSelectionRect& rect = FSelection->Rect();
        // A corner left from an earlier rectangle is no anchor: the new
        // rectangle grows from where the current cell is now.
        if (FSelection->SelectionType() != gstRectangle)
            rect.Select(dataCol, dataSet->Bookmark(), false);
        move();
        rect.Select(dataCol, dataSet->Bookmark(), true);
        return;
    }
    if (!FAllowedSelections.testFlag(asRecordBookmarks)) {
        move();
        return;
    }
    BeginUpdate();
    try {
        const int step = Distance < 0 ? -1 : 1;
        int left = ToEnd ? std::numeric_limits<int>::max() : std::abs(Distance);
        QSet<TBookmark>& extended = FInput->ExtendSelected;
        if (FInput->ExtendStart.isEmpty()) {
            FInput->ExtendStart = dataSet->Bookmark();
            extended.clear();
        }
        // Each record the walk enters, the first one too, is selected; one
        // that was not selected yet is noted as this extension's own.
        auto enter = [&] {
            if (FBookmarks->CurrentRowSelected())
                return;
            FBookmarks->SetCurrentRowSelected(true);
            extended.insert(dataSet->Bookmark());
        };
        enter();
        for (; left > 0; --left) {
            const TBookmark here = dataSet->Bookmark();
            // Going back towards where the extension began: the record left
            // behind leaves the span, unless it was selected before.
            const bool retreat = dataSet->CompareBookmarks(here, FInput->ExtendStart) * step < 0;
            if (retreat && extended.remove(here))
                FBookmarks->SetCurrentRowSelected(false);
            if (dataSet->MoveBy(step) == 0) {
                enter();
                break;
            }
            enter();
        }
        // Without Ctrl (and with dghClearSelection) the span replaces what
        // was selected before; with it the span is added.
        if (!FInput->KeepSelection)
            FBookmarks->KeepOnlySpan(FInput->ExtendStart, dataSet->Bookmark());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    Invalidate();
}

// ---------------------------------------------------------------- keys

void TCustomDBGridMv::KeyDown(quint16& Key, TShiftState Shift)
{
    FInput->KeepSelection = Shift.testFlag(ssCtrl) || !FOptionsMv.testFlag(dghClearSelection);
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
    if (Key == 0)
        return;
    TDataSet* dataSet = DataSet();
    const bool active = FDataLink->Active() && dataSet;
    if (Key == VK_UP && IsSTFilterVisible() && active &&
        (dataSet->Bof() || dataSet->RecNo() <= 1 || Shift.testFlag(ssCtrl))) {
        if (EnterFilterRow()) {
            Key = 0;
            return;
        }
    }
    if (UseRightToLeftAlignment()) {
        if (Key == VK_LEFT)
            Key = VK_RIGHT;
        else if (Key == VK_RIGHT)
            Key = VK_LEFT;
    }
    if (!active || !CanGridAcceptKey(Key, Shift))
        return;
    KeyDownShortcuts(Key, Shift);
    if (Key == 0)
        return;
    if (Shift.testFlag(ssCtrl))
        KeyDownCtrl(Key, Shift);
    else
        KeyDownPlain(Key, Shift);
    if (Key != 0)
        TCustomGridMv::KeyDown(Key, Shift);
}

void TCustomDBGridMv::KeyDownShortcuts(quint16& Key, TShiftState Shift)
{
    const TShortCut shortCut = ShortCut(Key, Shift);
    const bool shift = Shift.testFlag(ssShift);
    if (shortCut == CopyAboveShortCut) {
        GridCopyFromRecordAbove(this);
        Key = 0;
    } else if (shortCut == IncSearchShortCut && FOptionsMv.testFlag(dghIncSearch)) {
        if (!FIncSearchActive || !FOptionsMv.testFlag(dghDialogFind) || IncSearchShortCut != FindDialogShortCut) {
            ProcessIncSearch(QString(), -1);
        } else {
            StopIncSearch();
            TColumnMv* column = SelectedColumn();
            ShowFindDialog(QString(), column ? column->FieldName() : QString());
        }
        Key = 0;
    } else if (shortCut == FindDialogShortCut && FOptionsMv.testFlag(dghDialogFind)) {
        TColumnMv* column = SelectedColumn();
        ShowFindDialog(QString(), column ? column->FieldName() : QString());
        Key = 0;
    } else if (FIncSearchActive) {
        if ((Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_F2) && !Shift.testFlag(ssCtrl) && !shift) {
            StopIncSearch();
            Key = 0;
        } else if (Key == VK_BACK && !shift) {
            QString text = FIncSearchText;
            // A character outside the basic plane is two code units.
            text.chop(text.size() >= 2 && text.back().isLowSurrogate() ? 2 : 1);
            FIncSearchText.clear();
            ProcessIncSearch(text, DBGridMvIncSearchTimeOut);
            Key = 0;
        } else if (shortCut == SearchNextShortCut || shortCut == SearchPriorShortCut) {
            if (!FIncSearchText.isEmpty()) {
                const TSearchMovingScope moving(*FInput);
                LocateText(FIncSearchText, shortCut == SearchNextShortCut, true);
            }
            Key = 0;
        }
    }
}

void TCustomDBGridMv::KeyDownPlain(quint16& Key, TShiftState Shift)
{
    TDataSet* dataSet = DataSet();
    const bool shift = Shift.testFlag(ssShift);
    const bool extend = shift && FOptions.testFlag(dgMultiSelect);
    const bool rowSelect = FOptions.testFlag(dgRowSelect);
    const bool editable = dataSet->CanModify() && !FReadOnly && FOptions.testFlag(dgEditing);
    switch (Key) {
    case VK_UP:
        if (!CancelUnchangedInsert(true))
            SelectRecords(extend, -1);
        break;
    case VK_DOWN:
        if (dataSet->State() == dsInsert && !dataSet->Modified() && !FDataLink->IsModified()) {
            if (!dataSet->Eof())
                dataSet->Cancel();
            break;
        }
        SelectRecords(extend, 1);
        if (dataSet->Eof() && editable && FAllowedOperations.testFlag(alopAppendMv))
            dataSet->Append();
        break;
    case VK_TAB:
        if (Shift.testFlag(ssAlt))
            return;
        TabToNextColumn(shift);
        break;
    case VK_RETURN:
        if (!FOptionsMv.testFlag(dghEnterAsTab))
            return;
        TabToNextColumn(shift);
        break;
    case VK_ESCAPE:
        FDataLink->Reset();
        if (FOptionsMv.testFlag(dghClearSelection))
            FSelection->Clear();
        if (!FOptions.testFlag(dgAlwaysShowEditor))
            HideEditor();
        if (FGridState != gsNormal)
            CancelMode();
        break;
    case VK_PRIOR:
    case VK_NEXT: {
        const int rows = std::max(1, VisibleRowCount());
        SelectRecords(extend, Key == VK_PRIOR ? -rows : rows);
        break;
    }
    case VK_HOME:
    case VK_END:
        if (!extend)
            ClearSelectionOnMove();
        if (FVisibleColumns.Count() == 1 || rowSelect)
            SelectRecords(extend, Key == VK_HOME ? -1 : 1, true);
        else if (Key == VK_HOME)
            MoveCol(FIndicatorOffset, 1, extend);
        else
            MoveCol(ColCount() - 1, -1, extend);
        break;
    case VK_LEFT:
    case VK_RIGHT:
        if (!extend)
            ClearSelectionOnMove();
        if (!rowSelect) {
            MoveCol(Key == VK_LEFT ? Col() - 1 : Col() + 1, Key == VK_LEFT ? -1 : 1, extend);
        } else if (Key == VK_LEFT) {
            if (LeftCol() > FixedCols())
                SetLeftCol(LeftCol() - 1);
        } else {
            TGridDrawInfoMv info;
            CalcDrawInfo(info);
            if (info.Horz.LastFullVisibleCell < ColCount() - 1)
                SetLeftCol(LeftCol() + 1);
        }
        break;
    case VK_INSERT:
        if (!shift) {
            if (editable && FAllowedOperations.testFlag(alopInsertMv))
                dataSet->Insert();
            else if (editable && FAllowedOperations.testFlag(alopAppendMv))
                dataSet->Append();
        } else if (FIncSearchActive) {
            ProcessIncSearch(QApplication::clipboard()->text(), DBGridMvIncSearchTimeOut);
        } else {
            PerformEditAction(geaPasteMv);
        }
        break;
    case VK_DELETE: {
        if (shift) {
            PerformEditAction(geaCutMv);
            break;
        }
        TColumnMv* column = SelectedColumn();
        TField* field = column ? column->Field() : nullptr;
        if (!IsCheckOrImage(column) || rowSelect || !field || field->ReadOnly() || !column->CanModify(true))
            return;
        field->Clear();
        break;
    }
    case VK_F2: SetEditorMode(true); break;
    case VK_MULTIPLY:
    case VK_ADD:
    case VK_SUBTRACT:
        if (!TreeRows())
            return;
        if (Key == VK_MULTIPLY)
            SetCurrentNodeExpanded(!FMemTable->NodeExpanded());
        else
            SetCurrentNodeExpanded(Key == VK_ADD);
        break;
    default: return;
    }
    Key = 0;
}

void TCustomDBGridMv::KeyDownCtrl(quint16& Key, TShiftState Shift)
{
    const bool shift = Shift.testFlag(ssShift);
    const bool extend = shift && FOptions.testFlag(dgMultiSelect);
    switch (Key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_UP:
    case VK_DOWN:
        if (!shift)
            ClearSelectionOnMove();
        break;
    default: break;
    }
    switch (Key) {
    case VK_PRIOR:
    case VK_UP: SelectRecords(extend, FirstShownDataRow(*this) - ActiveDataRow(*this)); break;
    case VK_NEXT:
    case VK_DOWN: {
        const int window = FMemTable ? std::max(1, VisibleRowCount()) : FDataLink->BufferCount();
        SelectRecords(extend, FirstShownDataRow(*this) + window - 1 - ActiveDataRow(*this));
        break;
    }
    case VK_HOME: SelectRecords(extend, -1, true); break;
    case VK_END: SelectRecords(extend, 1, true); break;
    case VK_LEFT: MoveCol(FIndicatorOffset, 1); break;
    case VK_RIGHT: MoveCol(ColCount() - 1, -1); break;
    case VK_INSERT:
    case 'C': PerformEditAction(geaCopyMv); break;
    case 'V':
        // As Shift+Insert: during an incremental search the text goes into
        // the search.
        if (FIncSearchActive)
            ProcessIncSearch(QApplication::clipboard()->text(), DBGridMvIncSearchTimeOut);
        else
            PerformEditAction(geaPasteMv);
        break;
    case 'X': PerformEditAction(geaCutMv); break;
    case 'A': PerformEditAction(geaSelectAllMv); break;
    case VK_DELETE:
        if (FEditActions.testFlag(geaDeleteMv) && FSelection->SelectionType() != gstNon &&
            PerformEditAction(geaDeleteMv))
            break;
        DeleteRecordsAsked();
        break;
    default: return;
    }
    Key = 0;
}

void TCustomDBGridMv::TabToNextColumn(bool Backward)
{
    TDataSet* dataSet = DataSet();
    const int step = Backward ? -1 : 1;
    int target = Col() + step;
    while (target >= FIndicatorOffset && target < ColCount() && (ColWidths(target) <= 0 || !TabStops(target)))
        target += step;
    if (target >= FIndicatorOffset && target < ColCount()) {
        MoveCol(target, step);
        return;
    }
    // Past either end of the row: the neighbouring record, at its far column.
    ClearSelectionOnMove();
    if (dataSet->MoveBy(step) == 0)
        return;
    if (Backward)
        MoveCol(ColCount() - 1, -1);
    else
        MoveCol(FIndicatorOffset, 1);
}

void TCustomDBGridMv::DeleteRecordsAsked()
{
    TDataSet* dataSet = DataSet();
    if (FReadOnly || dataSet->IsEmpty() || !dataSet->CanModify() || !FAllowedOperations.testFlag(alopDeleteMv))
        return;
    if (!ConfirmGridDelete(this, gstRecordBookmarks))
        return;
    if (FBookmarks->Count() > 0)
        FBookmarks->Delete();
    else
        dataSet->Delete();
    FSelection->UpdateState();
}

bool TCustomDBGridMv::PerformEditAction(TDBGridMvEditAction Action)
{
    return GridExecuteEditAction(this, Action);
}

bool TCustomDBGridMv::EnterFilterRow()
{
    if (!IsSTFilterVisible() || FColumns->Count() == 0)
        return false;
    // The current column, or the first one after it that has a filter cell;
    // with whole rows selected there is no current column: the first in view.
    const int start = FOptions.testFlag(dgRowSelect) ? std::max(0, RawToDataColumn(LeftCol()))
                                                     : std::max(0, GetSelectedIndex());
    for (int i = start; i < FColumns->Count(); ++i) {
        TColumnMv* column = FColumns->Items(i);
        if (column->Visible() && column->STFilter().Visible()) {
            StartFilterEdit(column);
            return true;
        }
    }
    return false;
}

void TCustomDBGridMv::KeyUp(quint16& Key, TShiftState Shift)
{
    // A sort marking made with Ctrl held is applied once Ctrl is let go.
    if (Key == VK_CONTROL && FInput->PendingSortMarking) {
        FInput->PendingSortMarking = false;
        SortMarkingChanged();
    }
    TCustomGridMv::KeyUp(Key, Shift);
}

// ---------------------------------------------------------------- characters and the incremental search

bool TCustomDBGridMv::IncSearchTakes(QChar Key)
{
    TDataSet* dataSet = DataSet();
    if (Key.unicode() < 32 || !FDataLink->Active() || !dataSet || dataSet->State() != dsBrowse)
        return false;
    if (FIncSearchActive)
        return true;
    TColumnMv* column = SelectedColumn();
    const bool editable = FOptions.testFlag(dgEditing) && column && column->CanModify(false);
    if (FOptionsMv.testFlag(dghIncSearch) && !editable)
        return true;
    TInplaceEdit* editor = InplaceEditor();
    return FOptionsMv.testFlag(dghPreferIncSearch) && !FOptions.testFlag(dgAlwaysShowEditor) &&
           !(editor && editor->Visible());
}

void TCustomDBGridMv::KeyPress(QChar& Key)
{
    if (FOptionsMv.testFlag(dghEnterAsTab) && Key == QChar(13))
        Key = QChar(9);
    if (!FOptions.testFlag(dgAlwaysShowEditor) && Key == QChar(13) && FDataLink->Active())
        FDataLink->UpdateRecord();
    TCustomGridMv::KeyPress(Key);
    if (!Key.isNull() && IncSearchTakes(Key)) {
        ProcessIncSearch(QString(Key), DBGridMvIncSearchTimeOut);
        Key = QChar(0);
    }
}

void TCustomDBGridMv::WMChar(QChar& Key)
{
    TColumnMv* column = SelectedColumn();
    if (Key == QChar(' ') && IsCheckOrImage(column) && !FOptions.testFlag(dgRowSelect) && FDataLink->Active()) {
        StepCheckBox(column, QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
        return;
    }
    if (IncSearchTakes(Key)) {
        KeyPress(Key);
        return;
    }
    TCustomGridMv::WMChar(Key);
}

void TCustomDBGridMv::StepCheckBox(TColumnMv* Column, bool Backward)
{
    if (Column->CanModify(true))
        Column->SetNextFieldValue(Backward ? -1.0 : 1.0);
}

void TCustomDBGridMv::ProcessIncSearch(const QString& Text, int TimeOut)
{
    if (!FDataLink->Active())
        return;
    QString text = FIncSearchText + Text;
    // Nothing typed yet is nothing to look for: an empty prefix would match
    // the first record.
    if (!text.isEmpty()) {
        bool found = false;
        {
            const TSearchMovingScope moving(*FInput);
            // The first record, from the top, whose text starts so.
            found = LocateText(text, true, false);
        }
        if (TColumnMv* column = SelectedColumn(); found && column)
            text = column->GetDisplayText().left(text.size());
    }
    HideEditor();
    SetIncSearch(true, text);
    if (TimeOut >= 0)
        SetTimer(DBGridMvIncSearchTimer, TimeOut);
    else
        KillTimer(DBGridMvIncSearchTimer);
}

void TCustomDBGridMv::StopIncSearch()
{
    if (TimerActive(DBGridMvIncSearchTimer))
        KillTimer(DBGridMvIncSearchTimer);
    if (!FIncSearchActive)
        return;
    SetIncSearch(false, QString());
    if (FOptions.testFlag(dgAlwaysShowEditor) && CanEditShow())
        ShowEditor();
}

// ---------------------------------------------------------------- leaving the grid

void TCustomDBGridMv::DoExit()
{
    if (FOptions.testFlag(dgCancelOnExit) && FDataLink->Active())
        CancelUnchangedInsert(false);
    TCustomGridMv::DoExit();
}
