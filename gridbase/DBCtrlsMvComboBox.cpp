// The data-aware combo box: items and keys, the value, the drop-down list
// and the incremental search.

#include "gridbase/DBCtrlsMv.h"

#include "gridbase/WinApiMv.h"
#include "platform/ImageList.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <algorithm>

// ---------------------------------------------------------------- creation

TCustomDBComboBoxMv::TCustomDBComboBoxMv(QWidget* Parent) : TCustomDBEditMv(Parent, true)
{
    FItems.CaseSensitive = false;
    FKeyItems.CaseSensitive = true;
    UpdateReadOnlyState();
}

TCustomDBComboBoxMv::~TCustomDBComboBoxMv()
{
    if (FListBox) {
        FListBox->OnMouseUp = nullptr;
        FListBox->OnGetImageIndex = nullptr;
        FListBox->SetItems(nullptr);
    }
}

// ---------------------------------------------------------------- items

void TCustomDBComboBoxMv::SetItems(const QStringList& Value)
{
    FItems = TStringList(Value);
    FItems.CaseSensitive = false;
    ItemsChanged(false);
}

void TCustomDBComboBoxMv::SetKeyItems(const QStringList& Value)
{
    FKeyItems = TStringList(Value);
    FKeyItems.CaseSensitive = true;
    ItemsChanged(true);
}

void TCustomDBComboBoxMv::ItemsChanged(bool KeysChanged)
{
    const bool wasKeyBased = FKeyBased;
    FKeyBased = FKeyItems.Count() > 0;
    FItemCount = FKeyBased ? std::min(FItems.Count(), FKeyItems.Count()) : FItems.Count();
    // Key mode shows only item texts: what was typed goes.
    if (FKeyBased && !wasKeyBased)
        TCustomDBEditMv::InternalSetText(QString());
    SetItemIndexKeepText(IndexOfItem(text()));
    // Key mode takes no typed text, so no limit; free text keeps the limit
    // of its string field.
    if (FKeyBased)
        SetMaxLength(0);
    else if (const TField* field = Field())
        FollowField(field, true);
    if (FListVisible)
        FillListBox();
    if (KeysChanged)
        DataChange();
    UpdateReadOnlyState();
}

int TCustomDBComboBoxMv::IndexOfItem(const QString& Text) const
{
    const int index = FItems.IndexOf(Text);
    return index < FItemCount ? index : -1;
}

int TCustomDBComboBoxMv::FindItemByPrefix(const QString& Prefix) const
{
    for (int i = 0; i < FItemCount; ++i)
        if (AnsiCompareTextMv(FItems[i].left(Prefix.size()), Prefix) == 0)
            return i;
    return -1;
}

int TCustomDBComboBoxMv::FindItem(const QString& Text) const
{
    for (int i = 0; i < FItemCount; ++i)
        if (AnsiCompareTextMv(FItems[i], Text) == 0)
            return i;
    return -1;
}

void TCustomDBComboBoxMv::SetImages(TImageList* Value)
{
    EditImage().SetImages(Value);
    EditImage().SetVisible(Value != nullptr);
}

// ---------------------------------------------------------------- the current item

void TCustomDBComboBoxMv::SetItemIndex(int Index)
{
    if (Index == FItemIndex)
        return;
    if (FItems.Count() == 0 && OnItemsRequest)
        OnItemsRequest(this);
    SetItemIndexKeepText(Index);
    ShowItemText(FItemIndex);
}

void TCustomDBComboBoxMv::SetItemIndexKeepText(int Index)
{
    if (Index < 0 || Index >= FItemCount) {
        FItemIndex = -1;
        if (FKeyBased)
            FValue = Variant();
    } else {
        FItemIndex = Index;
        if (FKeyBased)
            FValue = Variant(FKeyItems[Index]);
    }
    UpdateItemImage();
    if (FListVisible && FListBox)
        FListBox->SetItemIndex(FItemIndex);
}

void TCustomDBComboBoxMv::ShowItemText(int Index)
{
    TCustomDBEditMv::InternalSetText(Index >= 0 && Index < FItems.Count() ? FItems[Index] : QString());
}

void TCustomDBComboBoxMv::Change()
{
    // Free text follows its item: a text that no longer spells the current
    // item makes the item the one it spells, or none.
    if (!FKeyBased && (FItemIndex < 0 || FItems[FItemIndex].compare(text(), Qt::CaseInsensitive) != 0))
        SetItemIndexKeepText(IndexOfItem(text()));
    TCustomDBEditMv::Change();
}

void TCustomDBComboBoxMv::UpdateItemImage()
{
    FItemImageIndex = FItemIndex;
    if (OnGetItemImageIndex)
        OnGetItemImageIndex(this, FItemIndex, FItemImageIndex);
    UpdateImageIndex();
}

int TCustomDBComboBoxMv::DefaultImageIndex() const
{
    return FItemImageIndex;
}

void TCustomDBComboBoxMv::Clear()
{
    if (FKeyBased)
        SetValue(Variant());
    else
        SetText(QString());
}

void TCustomDBComboBoxMv::EditAndSetValue(int Index)
{
    if (!DataIndependent())
        if (TDataSet* dataSet = DataLink().DataSet())
            dataSet->Edit();
    SetItemIndex(Index);
    UpdateData();
}

bool TCustomDBComboBoxMv::StepItem(int Direction)
{
    if (ReadOnly() || !DataLink().Edit())
        return false;
    const bool allSelected = hasSelectedText() && selectedText().size() == text().size();
    if (WordWrap() && !allSelected)
        return false;
    if (FItemCount == 0)
        return true;
    int index = FItemIndex;
    if (Direction < 0)
        index = index < 0 ? FItemCount - 1 : std::max(0, index - 1);
    else
        index = index < 0 ? 0 : std::min(FItemCount - 1, index + 1);
    if (index != FItemIndex) {
        SetItemIndex(index);
        selectAll();
    }
    return true;
}

// ---------------------------------------------------------------- the data flow

void TCustomDBComboBoxMv::InternalSetText(const QString& Text)
{
    if (FKeyBased) {
        // Only an item's text can stand in a key-mode edit.
        const int index = IndexOfItem(Text);
        if (index < 0)
            return;
        SetItemIndexKeepText(index);
        ShowItemText(index);
        return;
    }
    TCustomDBEditMv::InternalSetText(Text);
    SetItemIndexKeepText(IndexOfItem(text()));
}

void TCustomDBComboBoxMv::InternalSetValue(const Variant& Value)
{
    if (!FKeyBased) {
        TCustomDBEditMv::InternalSetValue(Value);
        return;
    }
    int index = -1;
    if (!Value.IsUnassigned()) {
        index = FKeyItems.IndexOf(Value.IsNull() ? QString() : Value.AsString());
        if (index >= FItemCount)
            index = -1;
    }
    SetItemIndexKeepText(index);
    FValue = Value;
    ShowItemText(index);
}

void TCustomDBComboBoxMv::UpdateFieldValue()
{
    if (!FKeyBased) {
        TCustomDBEditMv::UpdateFieldValue();
        return;
    }
    // Keys are texts: a key chosen by a number is stored as its text, in a
    // field and in the own value alike. No value stays no value: the own
    // value keeps Unassigned or Null, a field becomes null.
    if (FValue.IsClear())
        DataLink().SetValue(DataIndependent() ? FValue : Variant::Null());
    else
        DataLink().SetText(FValue.AsString());
}

void TCustomDBComboBoxMv::UpdateData()
{
    if (OnNotInList && FItemIndex == -1) {
        // The answer is not consulted: the text is written as it stands.
        bool recheckInList = false;
        OnNotInList(this, text(), recheckInList);
    }
    TCustomDBEditMv::UpdateData();
}

void TCustomDBComboBoxMv::DataChange()
{
    if (TField* field = Field()) {
        FollowField(field, !FKeyBased);
        // A null field's edit text is empty: a key list with an empty key
        // shows that key's item for it.
        if ((FocusedState() && DataLink().CanModify()) || FKeyBased)
            InternalSetValue(Variant(field->GetEditText()));
        else
            InternalSetText(field->DisplayText());
    } else if (DataIndependent()) {
        InternalSetValue(DataLink().Value());
    } else if (FKeyBased) {
        InternalSetValue(Variant());
    } else {
        InternalSetText(QString());
    }
    DataLink().SetModified(false);
    UpdateReadOnlyState();
    UpdateImageIndex();
}

QString TCustomDBComboBoxMv::GetDisplayText() const
{
    const TField* field = Field();
    if (FKeyBased && field) {
        const int index = FKeyItems.IndexOf(field->GetEditText());
        return ApplyCharCase(index >= 0 && index < FItemCount ? FItems[index] : QString());
    }
    return TCustomDBEditMv::GetDisplayText();
}

Variant TCustomDBComboBoxMv::GetVariantValue() const
{
    return FKeyBased ? FValue : TCustomDBEditMv::GetVariantValue();
}

void TCustomDBComboBoxMv::UpdateReadOnlyState()
{
    // Key-mode text is never typed: the items are chosen.
    const bool writable = DataLink().Editing() && !ReadOnly() && !FKeyBased;
    SetWindowReadOnly(!writable || HolderRefusesEdit());
}

bool TCustomDBComboBoxMv::IsValidChar(QChar Key) const
{
    // A key-mode character searches the items; it is not the field's.
    return FKeyBased || TCustomDBEditMv::IsValidChar(Key);
}

bool TCustomDBComboBoxMv::WantsSpecialKey(quint16 Key) const
{
    if (FListVisible && (Key == VK_RETURN || Key == VK_ESCAPE))
        return true;
    return TCustomDBEditMv::WantsSpecialKey(Key);
}

// ---------------------------------------------------------------- the list

bool TCustomDBComboBoxMv::DroppedDown() const
{
    return FListVisible || TCustomDBEditMv::DroppedDown();
}

TPopupListboxMv* TCustomDBComboBoxMv::EnsureListBox()
{
    if (!FListBox) {
        FListBox = ListBoxFactory ? ListBoxFactory(this) : new TPopupListboxMv(this);
        FListBox->OnMouseUp = [this](QObject*, TMouseButton Button, TShiftState, int X, int Y) {
            ListMouseUp(Button, X, Y);
        };
        FListBox->OnGetImageIndex = [this](QObject*, int ItemIndex, int& ImageIndex) {
            if (OnGetItemImageIndex)
                OnGetItemImageIndex(this, ItemIndex, ImageIndex);
        };
    }
    return FListBox;
}

void TCustomDBComboBoxMv::FillListBox()
{
    if (FItemCount == FItems.Count()) {
        FListBox->SetItems(&FItems);
        return;
    }
    // Key mode with fewer keys than texts lists only the texts in use.
    FListBox->SetItems(nullptr);
    TStringList& own = FListBox->Items();
    own.Clear();
    for (int i = 0; i < FItemCount; ++i)
        own.Add(FItems[i]);
    FListBox->ItemsChanged();
}

int TCustomDBComboBoxMv::ListWidth() const
{
    int w = FDropDownBox.Width;
    if (w == -1) {
        const QFontMetrics metrics(font());
        int longest = 0;
        for (int i = 0; i < FItemCount; ++i)
            longest = std::max(longest, metrics.horizontalAdvance(FItems[i]));
        int client = longest + 5;
        if (const TImageList* images = Images())
            client += images->Width() + 4;
        // The scroll bar takes its share of a list with more items than rows.
        if (FItemCount > std::max(1, FDropDownBox.Rows))
            client += GetSystemMetrics(SM_CXVSCROLL);
        w = client + FListBox->BorderHeight();
    } else if (w <= 0) {
        w = width();
    }
    return std::max(w, width());
}

void TCustomDBComboBoxMv::DropDown()
{
    if (FListVisible)
        return;
    if (MRUListShown())
        TCustomDBEditMv::CloseUp(false);
    SetDropDownButtonDown(true);
    if (OnDropDown)
        OnDropDown(this);
    TPopupListboxMv* list = EnsureListBox();
    list->SetColor(Color());
    list->setFont(font());
    list->SetFontColor(FontColor());
    TImageList* images = Images();
    list->SetImageList(images);
    int itemHeight = list->GetTextHeight();
    if (images && EditImage().UseImageHeight())
        itemHeight = std::max(itemHeight, images->Height());
    list->SetItemHeight(itemHeight);
    FillListBox();
    const int rows = std::max(1, std::min(FDropDownBox.Rows, FItemCount));
    list->SetBounds(list->x(), list->y(), ListWidth(), itemHeight * rows + list->BorderHeight());
    list->SetItemIndex(FItemIndex);
    TDropDownAlign align = FDropDownBox.Align;
    if (isRightToLeft() && align != daCenter)
        align = align == daLeft ? daRight : daLeft;
    ShowDropDownWindow(list, AlignDropDownWindow(this, list, align));
    list->SizeGrip()->SetVisible(FDropDownBox.Sizable);
    FListVisible = true;
    FListHasMouse = false;
    // Only what the user does from now on counts as a resize.
    list->SetSizeGripResized(false);
}

void TCustomDBComboBoxMv::CloseUp(bool Accept)
{
    if (!FListVisible) {
        TCustomDBEditMv::CloseUp(Accept);
        return;
    }
    TPopupListboxMv* list = FListBox;
    if (QWidget::mouseGrabber() == list->ClientWidget())
        list->ClientWidget()->releaseMouse();
    list->SetMouseCapture(false);
    FListHasMouse = false;
    // A drop-down that a window manager had made active gives the
    // activation back to the edit's window when it goes.
    const bool wasActive = list->isActiveWindow();
    HideDropDownWindow(list);
    if (wasActive)
        ReclaimActivation();
    if (list->SizeGripResized()) {
        FDropDownBox.Rows = list->RowCount();
        FDropDownBox.Width = list->width();
    }
    FListVisible = false;
    TCustomDBEditMv::CloseUp(Accept);
    if (OnCloseUpQuery)
        OnCloseUpQuery(this, Accept);
    if (Accept && !ReadOnly() && DataLink().Edit()) {
        SetItemIndex(list->ItemIndex());
        if (hasFocus())
            selectAll();
    }
    if (OnCloseUp)
        OnCloseUp(this, Accept);
}

void TCustomDBComboBoxMv::ListMouseUp(TMouseButton Button, int X, int Y)
{
    if (Button != mbLeft || !FListVisible)
        return;
    UserAction([&] { CloseUp(FListBox->ClientRect().Contains(X, Y)); });
}

bool TCustomDBComboBoxMv::DropDownKeyDown(quint16 Key, TShiftState Shift)
{
    if (!FListVisible)
        return TCustomDBEditMv::DropDownKeyDown(Key, Shift);
    const bool listKey = Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN ||
                         ((Key == VK_HOME || Key == VK_END) && Shift.testFlag(ssCtrl));
    if (listKey) {
        SendKeyToDropDown(FListBox, Key, Shift);
        return true;
    }
    if (Key == VK_RETURN || Key == VK_ESCAPE) {
        CloseUp(Key == VK_RETURN);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- keys

void TCustomDBComboBoxMv::KeyDown(quint16& Key, TShiftState Shift)
{
    TCustomDBEditMv::KeyDown(Key, Shift);
    if (Key == 0 || FListVisible)
        return;
    if ((Key == VK_UP || Key == VK_DOWN) && !Shift.testFlag(ssAlt)) {
        if (StepItem(Key == VK_UP ? -1 : 1))
            Key = 0;
        return;
    }
    if (Key == VK_DELETE && FKeyBased) {
        const TField* field = Field();
        if ((DataIndependent() || (field && !field->Required())) && !ReadOnly() && DataLink().Edit())
            ApplyValue(Variant());
        Key = 0;
    }
}

void TCustomDBComboBoxMv::KeyPress(QChar& Key)
{
    TCustomDBEditMv::KeyPress(Key);
    const ushort c = Key.unicode();
    if (Key.isNull())
        return;
    if (c >= 32 && FDropDownBox.AutoDrop && !FListVisible && CanDropDown())
        DropDown();
    if (!FKeyBased || (c < 32 && c != 8))
        return;
    // Key mode: characters choose items, they never enter the text.
    if (!ReadOnly() && DataLink().Editing()) {
        if (c == 8)
            KeyModeBackspace();
        else
            KeyModeSearch(PendingCharText().isEmpty() ? QString(Key) : PendingCharText());
    }
    Key = QChar();
}

void TCustomDBComboBoxMv::WMChar(QChar& Key)
{
    const QChar typed = Key;
    const bool ctrl = KeyShift().testFlag(ssCtrl);
    TCustomDBEditMv::WMChar(Key);
    const ushort c = typed.unicode();
    if (!FKeyBased && !Key.isNull() && c != u'.' && !ctrl && (c >= 32 || c == 8))
        TextModeSearch(typed);
}

void TCustomDBComboBoxMv::PasteText(const QString& Text)
{
    if (!FKeyBased) {
        TCustomDBEditMv::PasteText(Text);
        return;
    }
    if (ReadOnly() || !DataLink().Edit())
        return;
    const QString pasted = FirstLine(Text);
    if (!pasted.isEmpty())
        KeyModeSearch(pasted);
}

void TCustomDBComboBoxMv::TextModeSearch(QChar Key)
{
    if (ReadOnly() || !DataLink().Editing())
        return;
    const QString typed = text();
    const int caret = cursorPosition();
    if (Key.unicode() != 8 && caret == typed.size() && !hasSelectedText()) {
        // Completion: the first item that begins with the text fills in the
        // rest, which stays selected for the next character to replace.
        const int index = typed.isEmpty() ? -1 : FindItemByPrefix(typed);
        SetItemIndexKeepText(index);
        if (index >= 0) {
            ShowItemText(index);
            const int length = int(text().size());
            setSelection(length, int(typed.size()) - length);
        }
        return;
    }
    const int index = FindItem(typed);
    SetItemIndexKeepText(index);
    if (index >= 0) {
        ShowItemText(index);
        const int length = int(text().size());
        const int start = std::min(caret, length);
        setSelection(start, length - start);
    }
}

void TCustomDBComboBoxMv::KeyModeSearch(const QString& Typed)
{
    const QString shown = text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const QString search = shown.left(start) + Typed;
    const int index = FindItemByPrefix(search);
    if (index < 0)
        return;
    SetItemIndex(index);
    const int length = int(text().size());
    const int typedLength = std::min(int(search.size()), length);
    setSelection(length, typedLength - length);
}

void TCustomDBComboBoxMv::KeyModeBackspace()
{
    const int length = int(text().size());
    const int start = hasSelectedText() ? selectionStart() : length;
    const int newStart = std::max(0, start - 1);
    setSelection(length, newStart - length);
}

// ---------------------------------------------------------------- buttons and mouse

void TCustomDBComboBoxMv::EditButtonDown(TEditButtonControlMv* Sender, bool TopButton, bool& AutoRepeat,
                                         bool& Handled)
{
    TCustomDBEditMv::EditButtonDown(Sender, TopButton, AutoRepeat, Handled);
    // The halves of an up-down button step through the items.
    const TEditButtonMv& button = EditButton();
    if (!Handled && Sender == EditButtonControl() && button.Style() == ebsUpDownMv && !button.DropdownMenu() &&
        !button.Action())
        StepItem(TopButton ? -1 : 1);
}

void TCustomDBComboBoxMv::EditButtonMouseMove(TEditButtonControlMv* Sender, TShiftState Shift, int X, int Y)
{
    // Pressing the button and dragging into the open list hands the press
    // over to the list: releasing over an item chooses it.
    if (!FListVisible || FListHasMouse || !Shift.testFlag(ssLeft) || Sender != EditButtonControl())
        return;
    // Marked first: the hand-over's own release comes back through here.
    FListHasMouse = true;
    FListHasMouse = HandPressToList(Sender, QPoint(X, Y), FListBox->ClientWidget());
}

bool TCustomDBComboBoxMv::MouseDown(QMouseEvent* Event)
{
    if (TCustomDBEditMv::MouseDown(Event))
        return true;
    if (!FKeyBased)
        return false;
    // Key mode: the text is not selected by the mouse; a click opens the list.
    if (Event->button() == Qt::LeftButton && CanDropDown() && !DroppedDown()) {
        setFocus(Qt::MouseFocusReason);
        DropDown();
    }
    return true;
}

void TCustomDBComboBoxMv::mouseMoveEvent(QMouseEvent* Event)
{
    if (!FKeyBased) {
        TCustomDBEditMv::mouseMoveEvent(Event);
        return;
    }
    setCursor(Qt::ArrowCursor);
}

void TCustomDBComboBoxMv::mouseReleaseEvent(QMouseEvent* Event)
{
    if (!FKeyBased)
        TCustomDBEditMv::mouseReleaseEvent(Event);
}

void TCustomDBComboBoxMv::mouseDoubleClickEvent(QMouseEvent* Event)
{
    if (!FKeyBased)
        TCustomDBEditMv::mouseDoubleClickEvent(Event);
}

bool TCustomDBComboBoxMv::MouseWheel(int Steps, TShiftState Shift)
{
    if (FListVisible) {
        SendWheelToDropDown(FListBox, Steps);
        return true;
    }
    if (TCustomDBEditMv::MouseWheel(Steps, Shift))
        return true;
    // The wheel steps through the items of the focused edit, as it turns
    // what has the keyboard.
    if ((Shift & (ssShift | ssCtrl | ssAlt)) || !hasFocus())
        return false;
    StepItem(Steps > 0 ? 1 : -1);
    return true;
}
