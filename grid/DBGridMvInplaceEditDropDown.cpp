// The cell editor's drop-downs: opening the list of the edit style,
// closing it with or without its value, the list keys and the recent
// values.

#include "grid/DBGridMvInplaceEdit.h"

#include "grid/DBLookupGridsMv.h"
#include "gridbase/CalculatorMv.h"
#include "platform/Format.h"
#include "platform/ImageList.h"
#include "platform/db/Field.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>

namespace {

// The item of a pick list that a text names, without regard to case, among
// the first Count items.
int IndexOfText(const TStringList& List, const QString& Text, int Count)
{
    for (int i = 0; i < std::min(Count, List.Count()); ++i)
        if (List[i].compare(Text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// How many pick-list items a column offers: with keys, only those that
// have a key.
int PickCount(const TColumnMv* Column)
{
    const TStringList* picks = Column->PickListIfAny();
    const TStringList* keys = Column->KeyListIfAny();
    const int count = picks ? picks->Count() : 0;
    return keys && !keys->IsEmpty() ? std::min(count, keys->Count()) : count;
}

bool KeyListed(const TColumnMv* Column)
{
    return Column->KeyListIfAny() && !Column->KeyListIfAny()->IsEmpty();
}

} // namespace

TPopupListboxMv* TDBGridInplaceEdit::EnsurePickList()
{
    if (!FPickList) {
        FPickList = new TPopupListboxMv(this);
        FPickList->hide();
        FPickList->SetCtl3D(true);
        FPickList->OnMouseUp = [this](QObject*, TMouseButton Button, TShiftState, int X, int Y) {
            if (Button == mbLeft && FListVisible)
                UserAction([&] { CloseUp(FPickList->ClientRect().Contains(X, Y)); });
        };
    }
    TColumnMv* column = GetEditColumn();
    FPickList->SetImageList(column ? column->ImageList() : nullptr);
    FPickList->SetItemHeight(FPickList->GetTextHeight());
    return FPickList;
}

bool TDBGridInplaceEdit::HasDropDown() const
{
    return FActiveList && (FEditStyle == esPickListMv || FEditStyle == esDataListMv || FEditStyle == esDateMv ||
                           FEditStyle == esDropDownMv);
}

bool TDBGridInplaceEdit::MRUListVisible() const
{
    return FMRUListBox && FMRUListBox->isVisible();
}

// ---------------------------------------------------------------- opening

void TDBGridInplaceEdit::DropDown()
{
    TColumnMv* column = GetEditColumn();
    if (FListVisible || !FActiveList || !column)
        return;
    FActiveList->resize(width(), FActiveList->height());
    switch (FEditStyle) {
    case esDataListMv:
        if (!DropDownDataList(column))
            return;
        break;
    case esDateMv: DropDownDate(column); break;
    case esDropDownMv: DropDownCalculator(); break;
    case esPickListMv: DropDownPickList(column); break;
    default: return;
    }
    if (MRUListVisible())
        MRUListCloseUp(false);
    const bool rightToLeft = column->BiDiMode() == bdRightToLeft;
    ShowDropDownWindow(FActiveList, AlignDropDownWindow(this, FActiveList, rightToLeft ? daRight : daLeft));
    if (FEditStyle == esDataListMv && FDataList) {
        FDataList->SizeGrip()->SetVisible(column->DropDownSizing());
        FDataList->SetRowCount(FDataList->RowCountVisible());
        FDataList->SetSizeGripResized(false);
    } else if (FEditStyle == esPickListMv) {
        FPickList->SizeGrip()->SetVisible(column->DropDownSizing());
        FPickList->SetSizeGripResized(false);
    }
    FListVisible = true;
    FListHasMouse = false;
    update();
    setFocus(Qt::OtherFocusReason);
    if (TEditButtonControlMv* main = MainButton())
        main->SetAlwaysDown(true);
    FDropping = true;
}

void TDBGridInplaceEdit::FollowEditorLook(QWidget* List)
{
    // The cell's own colour and font, which its OnGetCellParams may have
    // set, not the column's.
    List->setFont(font());
    if (auto* control = dynamic_cast<TCustomControl*>(List)) {
        control->SetColor(FColor);
        control->SetFontColor(FFontColor);
        return;
    }
    QPalette pal = List->palette();
    pal.setColor(QPalette::Base, ToQColor(FColor, pal));
    pal.setColor(QPalette::Text, ToQColor(FFontColor, pal));
    List->setPalette(pal);
}

void TDBGridInplaceEdit::HideCaret()
{
    if (FCaretHidden)
        return;
    FReadOnlyBeforeHiding = isReadOnly();
    FCaretHidden = true;
    setReadOnly(true);
}

void TDBGridInplaceEdit::ShowCaret()
{
    if (!FCaretHidden)
        return;
    FCaretHidden = false;
    setReadOnly(FReadOnlyBeforeHiding);
}

void TDBGridInplaceEdit::DropDownPickList(TColumnMv* Column)
{
    TPopupListboxMv* list = EnsurePickList();
    FollowEditorLook(list);
    list->SetItems(nullptr);
    TStringList& items = list->Items();
    items.Clear();
    const TStringList* picks = Column->PickListIfAny();
    const int count = PickCount(Column);
    for (int i = 0; i < count; ++i)
        items.Add((*picks)[i]);
    list->ItemsChanged();
    int itemHeight = list->GetTextHeight();
    if (const TImageList* images = Column->ImageList())
        itemHeight = std::max(itemHeight, images->Height());
    list->SetItemHeight(itemHeight);
    const int rows = std::max(1, std::min(count, Column->DropDownRows()));
    // The height first: whether the list has a scroll bar, and so its
    // client width, depends on it.
    list->SetBounds(list->x(), list->y(), list->width(), rows * itemHeight + list->BorderHeight());
    int index = -1;
    const TField* field = Column->Field();
    if (field && !field->IsNull())
        index = KeyListed(Column) ? IndexOfText(*picks, text(), count) : items.IndexOf(text());
    list->SetItemIndex(index);
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, metrics.horizontalAdvance(items[i]));
    const int client = std::max(list->ClientWidth(), widest + 4);
    list->SetBounds(list->x(), list->y(), client + list->width() - list->ClientWidth(), list->height());
}

bool TDBGridInplaceEdit::DropDownDataList(TColumnMv* Column)
{
    TDataSet* lookup = Column->GetLookupDataSet();
    TField* field = Column->Field();
    TCustomDBGridMv* grid = DBGrid();
    if (!lookup || !field || !FDataList || !grid)
        return false;
    TPopupDataGridMv* list = FDataList;
    FollowEditorLook(list);
    list->SpecRow().Assign(Column->DropDownSpecRow());
    const int count = lookup->IsSequenced() ? lookup->RecordCount() : 0;
    list->SetRowCount(count > 0 && count < Column->DropDownRows() ? count : Column->DropDownRows());
    list->SetShowTitles(Column->DropDownShowTitles());
    FLookupSource.SetDataSet(lookup);
    list->SetAutoFitColWidths(false);
    list->SetKeyField(field->LookupKeyFields);
    list->SetListField(Column->LookupDisplayFields());
    list->SetUseMultiTitle(Column->DropDownBox().UseMultiTitle);
    list->SetListSource(&FLookupSource);
    const int dropWidth = Column->DropDownWidth();
    if (dropWidth == -1)
        list->resize(list->GetColumnsWidth() + (list->width() - list->ClientWidth()), list->height());
    else if (dropWidth > 0)
        list->resize(dropWidth, list->height());
    if (list->width() < width())
        list->resize(width(), list->height());
    list->SetKeyValue(grid->EditValue());
    FColumnsMoved = false;
    list->OnColumnMoved = [this](QObject*, int, int) { FColumnsMoved = true; };
    list->SetAutoFitColWidths(Column->DropDownBox().AutoFitColWidths);
    return true;
}

void TDBGridInplaceEdit::DropDownDate(TColumnMv* Column)
{
    FollowEditorLook(FCalendar);
    QDate date = QDate::currentDate();
    if (!text().trimmed().isEmpty()) {
        QDateTime parsed;
        if (TryStrToDateTime(text(), parsed) && parsed.isValid()) {
            date = parsed.date();
        } else if (const TField* field = Column->Field(); field && !field->IsNull()) {
            const QDateTime value = field->AsDateTime();
            if (value.isValid() && value.date() != QDate(1899, 12, 30))
                date = value.date();
        }
    }
    FCalendar->SetDate(date);
    const QSize size = FCalendar->MinReqRect();
    FCalendar->resize(size);
}

void TDBGridInplaceEdit::DropDownCalculator()
{
    double value = 0;
    if (!text().trimmed().isEmpty() && !TryStrToFloat(text(), value))
        value = 0;
    FCalculator->SetValue(Variant(value));
    FCalculator->SetFlat(DBGrid() && DBGrid()->Flat());
    FCalculator->AutoSize();
    // The calculator takes the keys; no caret blinks in the editor meanwhile.
    HideCaret();
    deselect();
}

// ---------------------------------------------------------------- closing

void TDBGridInplaceEdit::HideActiveList()
{
    if (FActiveList && FActiveList->isVisible())
        HideDropDownWindow(FActiveList);
}

void TDBGridInplaceEdit::CloseUp(bool Accept)
{
    if (!FListVisible) {
        if (MRUListVisible())
            MRUListCloseUp(Accept);
        return;
    }
    TColumnMv* column = GetEditColumn();
    if (FActiveList && WidgetWithin(QApplication::focusWidget(), FActiveList))
        setFocus(Qt::OtherFocusReason);
    if (!FClosing) {
        if (QWidget* grabber = QWidget::mouseGrabber(); grabber && WidgetWithin(grabber, FActiveList))
            grabber->releaseMouse();
        if (auto* control = dynamic_cast<TCustomControl*>(FActiveList.data()))
            control->SetMouseCapture(false);
    }
    Variant value;
    QString chosenText;
    bool chosen = false;
    if (!FClosing && column) {
        if (FEditStyle == esPickListMv && FPickList) {
            const int item = FPickList->ItemIndex();
            if (item >= 0 && item < FPickList->Count()) {
                value = KeyListed(column) ? Variant(column->KeyList()[item]) : Variant(FPickList->Items()[item]);
                chosen = true;
            }
            if (FPickList->SizeGripResized()) {
                column->SetDropDownRows(FPickList->ClientHeight() / std::max(1, FPickList->ItemHeight()));
                column->SetDropDownWidth(FPickList->width());
            }
        } else if (FEditStyle == esDataListMv && FDataList) {
            value = FDataList->KeyValue();
            chosenText = FDataList->Text();
            chosen = true;
            if (FDataList->SizeGripResized()) {
                column->SetDropDownRows(FDataList->RowCountVisible());
                column->SetDropDownWidth(FDataList->width());
            }
            if (FColumnsMoved)
                column->DropDownSpecRow().SetCellsText(FDataList->SpecRow().CellsText());
        }
    }
    HideActiveList();
    FListVisible = false;
    FListHasMouse = false;
    if (FDataList && FEditStyle == esDataListMv) {
        FDataList->OnColumnMoved = nullptr;
        FDataList->SetListSource(nullptr);
    }
    FLookupSource.SetDataSet(nullptr);
    if (TEditButtonControlMv* main = MainButton())
        main->SetAlwaysDown(false);
    FDropping = false;
    ShowCaret();
    update();
    const bool listStyle = FEditStyle == esPickListMv || FEditStyle == esDataListMv;
    TCustomDBGridMv* grid = DBGrid();
    if (!Accept || FClosing || !column || !grid) {
        if (listStyle && grid && !FClosing)
            SetText(grid->GridEditText());
        return;
    }
    // A value chosen for one record never goes into another.
    if (!grid->EditorOnLoadedRecord())
        return;
    if (FEditStyle == esDateMv) {
        if (column->CanModify(true))
            column->UpdateDataValues(DateToStr(QDateTime(FCalendar->Date(), QTime())),
                                     Variant(QDateTime(FCalendar->Date(), QTime())), false);
        return;
    }
    if (FEditStyle == esDropDownMv && FCalculator) {
        const Variant result = FCalculator->GetValue();
        if (result.IsClear() || !column->CanModify(true))
            return;
        SetText(FloatToStr(result.AsFloat()));
        grid->SetGridEditText(Text());
        selectAll();
        return;
    }
    if (chosen)
        AcceptValue(column, value, chosenText);
}

void TDBGridInplaceEdit::AcceptValue(TColumnMv* Column, const Variant& Value, const QString& ListText)
{
    TCustomDBGridMv* grid = DBGrid();
    if (FEditStyle == esDataListMv) {
        TField* field = Column->Field();
        TDataSet* dataSet = field ? field->DataSet() : nullptr;
        if (!dataSet || !FieldsCanModify(dataSet->GetFieldList(field->KeyFields)) || !grid->AllowedOperationUpdate() ||
            !Column->CanModify(true))
            return;
        grid->DataLink()->Edit();
        if (!grid->DataLink()->Editing())
            return;
        grid->DataLink()->Modified();
        grid->SetEditValue(Value);
        grid->SetGridEditText(ListText);
        setText(ListText);
        selectAll();
        return;
    }
    if (Value.IsNull() || !Column->CanModify(true))
        return;
    const int item = FPickList ? FPickList->ItemIndex() : -1;
    if (KeyListed(Column) && item >= 0)
        SetText(FPickList->Items()[item]);
    else
        SetText(Value.AsString());
    grid->SetGridEditText(Text());
    selectAll();
    Change();
}

// ---------------------------------------------------------------- list keys

void TDBGridInplaceEdit::SendKeyToList(quint16 Key, TShiftState Shift)
{
    QWidget* list = FActiveList;
    if (FEditStyle == esDateMv)
        list = FCalendar;
    if (!list)
        return;
    QKeyEvent press(QEvent::KeyPress, QtKeyOf(Key), ModifiersOf(Shift));
    QApplication::sendEvent(list, &press);
    QKeyEvent release(QEvent::KeyRelease, QtKeyOf(Key), ModifiersOf(Shift));
    QApplication::sendEvent(list, &release);
}

void TDBGridInplaceEdit::FollowList()
{
    if (FEditStyle == esDataListMv && FDataList) {
        setText(FDataList->Text());
        selectAll();
    } else if (FEditStyle == esPickListMv && FPickList && FPickList->ItemIndex() >= 0) {
        setText(FPickList->Items()[FPickList->ItemIndex()]);
        selectAll();
    }
}

bool TDBGridInplaceEdit::DropDownKeyDown(quint16 Key, TShiftState Shift)
{
    if (MRUListVisible() && !FListVisible && !Shift.testFlag(ssAlt)) {
        // The recent values take the list keys while they are shown.
        if (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT) {
            QKeyEvent press(QEvent::KeyPress, QtKeyOf(Key), ModifiersOf(Shift));
            QApplication::sendEvent(FMRUListBox, &press);
            return true;
        }
        if (Key == VK_RETURN || Key == VK_ESCAPE) {
            MRUListCloseUp(Key == VK_RETURN);
            return true;
        }
    }
    if (!HasDropDown())
        return false;
    const bool alt = Shift.testFlag(ssAlt);
    const bool ctrl = Shift.testFlag(ssCtrl);
    if ((Key == VK_DOWN || Key == VK_UP) && alt) {
        if (FListVisible)
            CloseUp(true);
        else
            DropDown();
        return true;
    }
    if (Key == VK_RETURN && ctrl && !alt && !Shift.testFlag(ssShift) && !FListVisible) {
        DropDown();
        return true;
    }
    const bool calculator = FListVisible && FEditStyle == esDropDownMv;
    if (FListVisible && !calculator && !alt && (Key == VK_RETURN || Key == VK_ESCAPE)) {
        CloseUp(Key == VK_RETURN);
        return true;
    }
    if (!FListVisible)
        return false;
    const bool listKey = Key == VK_PRIOR || Key == VK_NEXT || ((Key == VK_UP || Key == VK_DOWN) && !alt) ||
                         ((Key == VK_HOME || Key == VK_END) && ctrl) ||
                         ((Key == VK_LEFT || Key == VK_RIGHT) && FEditStyle == esDateMv);
    if (listKey && !calculator) {
        SendKeyToList(Key, Shift);
        FollowList();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- recent values

void TDBGridInplaceEdit::MRUListChanged()
{
    if (!isModified() || FDropping || !FMRUList)
        return;
    // A masked text with nothing typed is the mask applied to an empty text.
    if (MRUListVisible() && TextEmpty()) {
        MRUListCloseUp(false);
        return;
    }
    if (FMRUList->Active() && !TextEmpty())
        MRUListDropDown(false);
}

void TDBGridInplaceEdit::MRUListDropDown(bool WholeList)
{
    if (!FMRUList || !FMRUList->Active())
        return;
    if (!FMRUListBox) {
        FMRUListBox = new TMRUListboxMv(this);
        FMRUListBox->hide();
        FMRUListBox->SetCtl3D(false);
        FMRUListBox->SetSorted(true);
        FMRUListBox->OnMouseUp = [this](QObject*, TMouseButton Button, TShiftState, int X, int Y) {
            if (Button == mbLeft && FMRUListBox->ItemAtPos(QPoint(X, Y), true) >= 0)
                MRUListCloseUp(true);
        };
    }
    TStringList& items = FMRUListBox->Items();
    const bool wasShown = MRUListVisible();
    const bool complete = FMRUList->FilterItemsTo(items, WholeList ? QString() : EnteredText());
    FMRUListBox->ItemsChanged();
    // The walk let the waiting events run: a list that one of them closed
    // (the focus went elsewhere) stays closed.
    if (wasShown && !MRUListVisible())
        return;
    // When the user typed on, the list would be out of date by the time it
    // shows, and the next text drops it down again.
    if (!complete || items.Count() == 0) {
        if (MRUListVisible())
            MRUListCloseUp(false);
        return;
    }
    FMRUListBox->setFont(font());
    FMRUListBox->SetItemHeight(FMRUListBox->GetTextHeight());
    const int rows = std::max(1, std::min(items.Count(), FMRUList->Rows()));
    const int w = std::max(width(), FMRUList->Width());
    FMRUListBox->SetBounds(FMRUListBox->x(), FMRUListBox->y(), w,
                           rows * FMRUListBox->ItemHeight() + FMRUListBox->BorderHeight());
    ShowDropDownWindow(FMRUListBox, AlignDropDownWindow(this, FMRUListBox, daLeft));
    FMRUList->SetDroppedDown(true);
}

void TDBGridInplaceEdit::MRUListCloseUp(bool Accept)
{
    if (!FMRUListBox)
        return;
    if (QWidget* grabber = QWidget::mouseGrabber(); grabber && WidgetWithin(grabber, FMRUListBox))
        grabber->releaseMouse();
    HideDropDownWindow(FMRUListBox);
    if (FMRUList) {
        FMRUList->SetDroppedDown(false);
        FMRUList->SetRows(std::max(1, FMRUListBox->RowCount()));
        FMRUList->SetWidth(FMRUListBox->width());
    }
    const int item = FMRUListBox->ItemIndex();
    TCustomDBGridMv* grid = DBGrid();
    if (!Accept || item < 0 || !grid || !grid->DataLink()->Edit() || !grid->EditorOnLoadedRecord())
        return;
    grid->DataLink()->Modified();
    SetText(FMRUListBox->Items()[item]);
    grid->SetGridEditText(Text());
    if (hasFocus())
        selectAll();
}
