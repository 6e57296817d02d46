// The cell editor's keys: the drop-down keys, Delete and Backspace on
// lookup and key-list columns, the grid's short-cuts, type-ahead in lists
// and pasting into them.

#include "grid/DBGridMvInplaceEdit.h"

#include "gridbase/CalculatorMv.h"
#include "platform/db/Field.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace {

bool KeyListed(const TColumnMv* Column)
{
    return Column->KeyListIfAny() && !Column->KeyListIfAny()->IsEmpty();
}

bool LookupOrKeyList(const TColumnMv* Column)
{
    const TColumnTypeMv kind = Column->GetColumnType();
    return kind == ctLookupField || kind == ctKeyPickList;
}

// The first of the first Count items that begins with Prefix, without
// regard to case.
int IndexOfPrefix(const TStringList& List, const QString& Prefix, int Count)
{
    for (int i = 0; i < std::min(Count, List.Count()); ++i)
        if (List[i].startsWith(Prefix, Qt::CaseInsensitive))
            return i;
    return -1;
}

int SelStart(const QLineEdit& Edit)
{
    return Edit.hasSelectedText() ? Edit.selectionStart() : Edit.cursorPosition();
}

} // namespace

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent* event)
{
    const quint16 code = VirtualKeyOf(*event);
    const TShiftState shift = ShiftStateOf(event->modifiers());
    FPendingHigh.clear();
    bool taken = false;
    UserAction([&] {
        if (code != 0 && DropDownKeyDown(code, shift)) {
            taken = true;
            return;
        }
        // Enter, Escape and characters go to the open calculator.
        if (FListVisible && FEditStyle == esDropDownMv && FCalculator &&
            (code == VK_RETURN || code == VK_ESCAPE || !event->text().isEmpty())) {
            QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text());
            QApplication::sendEvent(FCalculator, &copy);
            taken = true;
            return;
        }
        // A printable character opens the list first with AutoDropDown.
        const QString chars = KeyEventChars(*event);
        TColumnMv* column = GetEditColumn();
        if (!chars.isEmpty() && chars.front().unicode() >= 32 && !FListVisible && column &&
            column->AutoDropDown() && HasDropDown())
            DropDown();
        if (code != 0) {
            quint16 key = code;
            taken = EditKeyDown(key, shift);
        }
    });
    if (taken) {
        event->accept();
        return;
    }
    TInplaceEdit::keyPressEvent(event);
}

void TDBGridInplaceEdit::inputMethodEvent(QInputMethodEvent* event)
{
    // A composition takes the selected text away as it starts, as a typed
    // character would: only in a cell that may change now (asking puts the
    // record into edit state, as a key does).
    if (!event->preeditString().isEmpty()) {
        bool allowed = false;
        UserAction([&] { allowed = EditCanModify(); });
        if (!allowed) {
            event->accept();
            return;
        }
    }
    TInplaceEdit::inputMethodEvent(event);
}

bool TDBGridInplaceEdit::EditKeyDown(quint16& Key, TShiftState Shift)
{
    TCustomDBGridMv* grid = DBGrid();
    TColumnMv* column = GetEditColumn();
    if (!grid || !column)
        return false;
    const TShiftState mods = Shift & (ssShift | ssAlt | ssCtrl);
    if (Key == VK_RETURN && mods == TShiftState(ssCtrl) && (FEditStyle == esEllipsisMv || FEditStyle == esDropDownMv)) {
        grid->EditButtonClick();
        return true;
    }
    if (Key == VK_DELETE && mods == TShiftState() && LookupOrKeyList(column) && column->CanModify(false))
        return DeleteKey(Key, column);
    if (Key == VK_BACK && mods == TShiftState() && LookupOrKeyList(column))
        return BackspaceKey(Key, column);
    if (Key == VK_BACK && TextEmpty() && FMRUList && FMRUList->Active()) {
        MRUListDropDown(true);
        return true;
    }
    if ((Key == VK_UP || Key == VK_DOWN) && FWordWrap)
        return WrapKeyDown(Key, Shift);
    if (Key == VK_RETURN && grid->OptionsMv().testFlag(dghEnterAsTab) && !MRUListVisible()) {
        grid->KeyDown(Key, Shift);
        return true;
    }
    const TShortCut shortCut = ShortCut(Key, Shift);
    // Copying from the record above is the grid's.
    if (shortCut == ShortCut(VK_OEM_7, ssCtrl)) {
        grid->KeyDown(Key, Shift);
        return true;
    }
    // Ctrl+F starts the incremental search, or, while it runs (or without
    // it), opens the find dialog for the editor's selected text.
    if (shortCut == ShortCut('F', ssCtrl)) {
        const bool incSearch = grid->OptionsMv().testFlag(dghIncSearch);
        const bool findDialog = grid->OptionsMv().testFlag(dghDialogFind);
        if (incSearch && !(grid->IncSearchActive() && findDialog)) {
            grid->ProcessIncSearch(QString(), -1);
            return true;
        }
        if (incSearch || findDialog) {
            if (grid->IncSearchActive())
                grid->StopIncSearch();
            grid->ShowFindDialog(selectedText(), column->FieldName());
            return true;
        }
    }
    if (SpecRowShortCut(column, shortCut))
        return true;
    return ExtraButtonShortCut(column, shortCut);
}

bool TDBGridInplaceEdit::DeleteKey(quint16& Key, TColumnMv* Column)
{
    TCustomDBGridMv* grid = DBGrid();
    const bool whole = SelStart(*this) == 0 && (text().isEmpty() || selectedText().size() == text().size());
    if (whole && Column->CanModify(true)) {
        if (Column->GetColumnType() == ctLookupField) {
            grid->SetEditValue(Variant::Null());
            grid->SetGridEditText(QString());
            setText(QString());
            if (FDataList && FListVisible)
                FDataList->SetKeyValue(Variant::Null());
        } else if (FEditStyle == esPickListMv) {
            setText(QString());
            grid->SetGridEditText(QString());
            if (FPickList)
                FPickList->SetItemIndex(-1);
        }
        Key = 0;
        return true;
    }
    if (Column->OnNotInList && Column->CanModify(true)) {
        // The selection, or the character after the caret, goes; the rest
        // is looked up again.
        QString rest = text();
        const int start = SelStart(*this);
        const int length = hasSelectedText() ? int(selectedText().size()) : (start < rest.size() ? 1 : 0);
        rest.remove(start, length);
        setText(rest);
        setCursorPosition(start);
        HandOver(Column);
    }
    Key = 0;
    return true;
}

bool TDBGridInplaceEdit::BackspaceKey(quint16& Key, TColumnMv* Column)
{
    Key = 0;
    if (!Column->OnNotInList) {
        // Nothing is deleted: the caret steps left.
        cursorBackward(false, 1);
        return true;
    }
    if (!Column->CanModify(true))
        return true;
    QString rest = text();
    const int start = SelStart(*this);
    const int length = hasSelectedText() ? int(selectedText().size()) : 0;
    const int from = std::max(0, start - 1);
    rest.remove(from, length + (start - from));
    setText(rest);
    setCursorPosition(from);
    HandOver(Column);
    return true;
}

void TDBGridInplaceEdit::HandOver(TColumnMv* Column)
{
    TCustomDBGridMv* grid = DBGrid();
    grid->SetGridEditText(text());
    if (FEditStyle == esDataListMv) {
        TField* field = Column->Field();
        TDataSet* lookup = Column->GetLookupDataSet();
        Variant value = Variant::Null();
        if (field && lookup && !text().isEmpty() &&
            lookup->Locate(field->LookupResultField, Variant(text()), loCaseInsensitive))
            value = lookup->GetFieldValue(field->LookupKeyFields);
        grid->SetEditValue(value);
    }
    if (FDataList && FEditStyle == esDataListMv) {
        FDataList->SetKeyValue(grid->EditValue());
    } else if (FPickList) {
        int index = -1;
        for (int i = 0; i < FPickList->Count() && index < 0; ++i)
            if (FPickList->Items()[i].compare(grid->GridEditText(), Qt::CaseInsensitive) == 0)
                index = i;
        FPickList->SetItemIndex(index);
    }
}

bool TDBGridInplaceEdit::SpecRowShortCut(TColumnMv* Column, TShortCut Key)
{
    TSpecRowMv& special = Column->DropDownSpecRow();
    if (FEditStyle != esDataListMv || !special.Visible() || special.ShortCut() != Key || !Column->CanModify(false))
        return false;
    if (!Column->CanModify(true))
        return true;
    TCustomDBGridMv* grid = DBGrid();
    setText(special.GetCellText(0));
    grid->SetGridEditText(text());
    grid->SetEditValue(special.Value());
    if (FDataList)
        FDataList->SetKeyValue(special.Value());
    selectAll();
    return true;
}

bool TDBGridInplaceEdit::ExtraButtonShortCut(TColumnMv* Column, TShortCut Key)
{
    TEditButtonsMv& buttons = Column->EditButtons();
    for (int i = 0; i < buttons.Count() && i + 1 < ButtonCount(); ++i) {
        if (buttons.Items(i)->ShortCut() != Key || Key == 0)
            continue;
        TEditButtonControlMv* control = ButtonControl(i + 1);
        bool autoRepeat = false;
        control->EditButtonDown(false, autoRepeat);
        control->Click();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- type-ahead

void TDBGridInplaceEdit::KeyPress(QChar& Key)
{
    TInplaceEdit::KeyPress(Key);
    if (Key.isNull())
        return;
    // The halves of a character beyond the basic plane travel together.
    if (Key.isHighSurrogate()) {
        FPendingHigh = QString(Key);
        return;
    }
    QString typed(Key);
    if (Key.isLowSurrogate() && !FPendingHigh.isEmpty())
        typed = FPendingHigh + Key;
    FPendingHigh.clear();
    bool taken = false;
    UserAction([&] { taken = ProcessTypedText(typed); });
    if (taken)
        Key = QChar();
}

bool TDBGridInplaceEdit::TypeAheadAllowed(TColumnMv* Column) const
{
    TCustomDBGridMv* grid = DBGrid();
    if (!grid || !grid->AllowedOperationUpdate() || !Column->CanModify(false))
        return false;
    return FEditStyle != esDataListMv || Column->GetLookupDataSet();
}

bool TDBGridInplaceEdit::ListTakesTyping() const
{
    TColumnMv* column = GetEditColumn();
    if (!column)
        return false;
    switch (FEditStyle) {
    case esPickListMv:
    case esDataListMv: return TypeAheadAllowed(column);
    case esDropDownMv: return FCalculator != nullptr; // keys go to the calculator
    default: return false;
    }
}

bool TDBGridInplaceEdit::ProcessTypedText(const QString& Typed)
{
    TColumnMv* column = GetEditColumn();
    TCustomDBGridMv* grid = DBGrid();
    if (!column || !grid || Typed.isEmpty())
        return false;
    const char16_t c = Typed.front().unicode();
    const bool backspace = c == 8;
    // Every printable character takes part, whatever its script; control
    // characters other than Backspace are the editor's.
    if (!backspace && (c < 32 || c == 127))
        return false;
    const bool editable = TypeAheadAllowed(column);
    if (FEditStyle == esDataListMv) {
        if (!editable)
            return false;
        if (!backspace)
            TypeAheadDataList(column, text().left(SelStart(*this)) + Typed);
        return true;
    }
    const bool keyList = column->GetColumnType() == ctKeyPickList;
    if ((FEditStyle == esPickListMv || keyList) && editable) {
        if (backspace)
            return keyList;
        const bool matched = TypeAheadPickList(column, text().left(SelStart(*this)) + Typed);
        return keyList || matched;
    }
    return false;
}

void TDBGridInplaceEdit::ShowFound(const QString& Found, int Typed)
{
    setText(Found);
    const int length = int(Found.size());
    setSelection(length, std::min(Typed, length) - length);
}

bool TDBGridInplaceEdit::TypeAheadDataList(TColumnMv* Column, const QString& Candidate)
{
    TCustomDBGridMv* grid = DBGrid();
    TField* field = Column->Field();
    TDataSet* lookup = Column->GetLookupDataSet();
    if (!field || !lookup)
        return false;
    if (lookup->Locate(field->LookupResultField, Variant(Candidate), loCaseInsensitive | loPartialKey)) {
        if (!Column->CanModify(true))
            return false;
        TField* result = lookup->FindField(field->LookupResultField);
        ShowFound(result ? result->AsString() : Candidate, int(Candidate.size()));
        grid->SetEditValue(lookup->GetFieldValue(field->LookupKeyFields));
        grid->SetGridEditText(text());
        if (FDataList && FListVisible)
            FDataList->SetKeyValue(grid->EditValue());
        return true;
    }
    if (!Column->OnNotInList || !Column->CanModify(true))
        return false;
    setText(Candidate);
    end(false);
    grid->SetEditValue(Variant::Null());
    grid->SetGridEditText(text());
    if (FDataList && FListVisible)
        FDataList->SetKeyValue(Variant::Null());
    return true;
}

bool TDBGridInplaceEdit::TypeAheadPickList(TColumnMv* Column, const QString& Candidate)
{
    TCustomDBGridMv* grid = DBGrid();
    const TStringList* picks = Column->PickListIfAny();
    if (!picks)
        return false;
    const int count = KeyListed(Column) ? std::min(picks->Count(), Column->KeyList().Count()) : picks->Count();
    const int index = IndexOfPrefix(*picks, Candidate, count);
    if (index >= 0) {
        if (!Column->CanModify(true))
            return false;
        ShowFound((*picks)[index], int(Candidate.size()));
        grid->SetGridEditText(text());
        if (FPickList)
            FPickList->SetItemIndex(index);
        return true;
    }
    if (Column->GetColumnType() != ctKeyPickList || !Column->OnNotInList || !Column->CanModify(true))
        return false;
    setText(Candidate);
    end(false);
    grid->SetEditValue(Variant::Null());
    grid->SetGridEditText(text());
    if (FPickList)
        FPickList->SetItemIndex(-1);
    return true;
}

QString TDBGridInplaceEdit::LimitCaption() const
{
    const TColumnMv* column = GetEditColumn();
    const TField* field = column ? column->Field() : nullptr;
    return field ? field->DisplayLabel() : QString();
}

void TDBGridInplaceEdit::PasteText(const QString& Text)
{
    TCustomDBGridMv* grid = DBGrid();
    TColumnMv* column = GetEditColumn();
    if (!grid || !column)
        return;
    if (!grid->AllowedOperationUpdate() || !column->CanModify(false))
        return;
    if (FEditStyle != esDataListMv && column->GetColumnType() != ctKeyPickList) {
        TInplaceEdit::PasteText(Text);
        return;
    }
    if (Text.isEmpty())
        return;
    const int start = SelStart(*this);
    const int length = hasSelectedText() ? int(selectedText().size()) : 0;
    const QString candidate = text().left(start) + Text + text().mid(start + length);
    UserAction([&] {
        if (FEditStyle == esDataListMv)
            TypeAheadDataList(column, candidate);
        else
            TypeAheadPickList(column, candidate);
    });
}
