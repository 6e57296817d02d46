#pragma once
// DBCtrlsMv, combo box: the data-aware edit with a drop-down list of values.
//
// Two modes, chosen by the lists alone:
//  - text mode (KeyItems empty): the text is free; Items offer values and
//    complete what is typed (the first item that begins with the typed
//    text, case-insensitively, fills in the rest, selected);
//  - key mode (KeyItems given): Items are the texts shown, KeyItems the
//    keys stored at the same index; the text cannot be typed, typed
//    characters search the items, and the field (or the own Value) holds
//    the key. A key that is not in KeyItems shows an empty text.
// Up and Down step through the items while the list is closed; Alt+Down,
// the button and, with DropDownBox.AutoDrop, typing open it; Enter
// takes the selected item, Escape closes without it.
//
// Include "gridbase/DBCtrlsMv.h", which brings this header.

#include "gridbase/DBCtrlsMv.h"

// How the list drops down: aligned with the edit's left edge, right edge or
// centre; opened by typing; Rows visible rows; a size grip; Width 0 the
// edit's width, -1 the longest item's, above 0 that width (never narrower
// than the edit). The user's resize is kept here for the next drop-down.
struct TDropDownBoxMv {
    TDropDownAlign Align = daLeft;
    bool AutoDrop = false;
    int Rows = 7;
    bool Sizable = false;
    int Width = 0;

    void Assign(const TDropDownBoxMv& Source) { *this = Source; }
};

using TNotInListEventMv = std::function<void(QObject* Sender, const QString& NewText, bool& RecheckInList)>;
using TCloseUpEventMv = std::function<void(QObject* Sender, bool Accept)>;
using TCloseUpQueryEventMv = std::function<void(QObject* Sender, bool& Accept)>;

class TCustomDBComboBoxMv : public TCustomDBEditMv {
    Q_OBJECT

public:
    explicit TCustomDBComboBoxMv(QWidget* Parent = nullptr);
    ~TCustomDBComboBoxMv() override;

    TDropDownBoxMv& DropDownBox() { return FDropDownBox; }
    // The current item; -1 for none.
    int ItemIndex() const { return FItemIndex; }
    // Makes the item current: its text is shown and, in key mode, its key
    // becomes Value; -1 (or an index out of range) clears both. Not written
    // into the field (see EditAndSetValue).
    void SetItemIndex(int Index);
    // Items are looked up case-insensitively, keys with exact letter case.
    const TStringList& Items() const { return FItems; }
    void SetItems(const QStringList& Value);
    const TStringList& KeyItems() const { return FKeyItems; }
    void SetKeyItems(const QStringList& Value);
    // The items in use: in key mode no more than there are keys.
    int ItemCount() const { return FItemCount; }
    bool KeyBased() const { return FKeyBased; }
    // The images of the items; setting a list also shows the edit's image.
    TImageList* Images() const { return EditImage().Images(); }
    void SetImages(TImageList* Value);
    // Empties the value: key mode Value Unassigned, text mode the text;
    // written through.
    void Clear();
    // Makes the item current and writes it into the field (a bound edit
    // puts its dataset into edit state first).
    void EditAndSetValue(int Index);

    // The list; null until it first drops down.
    TPopupListboxMv* ListBox() const { return FListBox; }
    // Makes the list box (a descendant class may be given).
    std::function<TPopupListboxMv*(QWidget* Owner)> ListBoxFactory;
    bool ListVisible() const { return FListVisible; }

    bool DroppedDown() const override;
    bool WantsSpecialKey(quint16 Key) const override;
    void DropDown() override;
    void CloseUp(bool Accept) override;

    TNotInListEventMv OnNotInList;
    TCloseUpEventMv OnCloseUp;
    TCloseUpQueryEventMv OnCloseUpQuery;
    TNotifyEventMv OnDropDown;
    TListGetImageIndexEventMv OnGetItemImageIndex;
    // Asked for items when Items is empty and an item is to be chosen.
    TNotifyEventMv OnItemsRequest;

    void UpdateData() override;
    void KeyDown(quint16& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void WMChar(QChar& Key) override;

protected:
    // A key-based list searches its items with the pasted text.
    void PasteText(const QString& Text) override;
    void DataChange() override;
    void InternalSetText(const QString& Text) override;
    void InternalSetValue(const Variant& Value) override;
    void UpdateFieldValue() override;
    QString GetDisplayText() const override;
    Variant GetVariantValue() const override;
    void UpdateReadOnlyState() override;
    int DefaultImageIndex() const override;
    bool IsValidChar(QChar Key) const override;

    void EditButtonDown(TEditButtonControlMv* Sender, bool TopButton, bool& AutoRepeat, bool& Handled) override;
    void EditButtonMouseMove(TEditButtonControlMv* Sender, TShiftState Shift, int X, int Y) override;
    bool MouseDown(QMouseEvent* Event) override;
    bool MouseWheel(int Steps, TShiftState Shift) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;

    bool DropDownKeyDown(quint16 Key, TShiftState Shift) override;
    void Change() override;
    // Moves to the previous (-1) or next (+1) item, as Up and Down do;
    // false when the edit may not change its value.
    bool StepItem(int Direction);
    // The index of a text among the items in use (Items.IndexOf); -1.
    int IndexOfItem(const QString& Text) const;
    // The first item in use whose beginning equals Prefix; -1 for none.
    int FindItemByPrefix(const QString& Prefix) const;
    // The first item in use equal to Text; -1 for none.
    int FindItem(const QString& Text) const;

private:
    void ItemsChanged(bool KeysChanged);
    void UpdateItemImage();
    // Makes the item current without touching the text (a search that
    // stops matching keeps what was typed).
    void SetItemIndexKeepText(int Index);
    void ShowItemText(int Index);
    void TextModeSearch(QChar Key);
    void KeyModeSearch(const QString& Typed);
    void KeyModeBackspace();
    TPopupListboxMv* EnsureListBox();
    void FillListBox();
    int ListWidth() const;
    void ListMouseUp(TMouseButton Button, int X, int Y);

    TDropDownBoxMv FDropDownBox;
    int FItemIndex = -1;
    TStringList FItems;
    TStringList FKeyItems;
    bool FListVisible = false;
    TPopupListboxMv* FListBox = nullptr;
    int FItemCount = 0;
    bool FKeyBased = false;
    Variant FValue;
    int FItemImageIndex = -1;
    bool FListHasMouse = false;
};

// The published combo box.
class TDBComboBoxMv : public TCustomDBComboBoxMv {
    Q_OBJECT
public:
    using TCustomDBComboBoxMv::TCustomDBComboBoxMv;
};
