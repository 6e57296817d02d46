// The data-aware edit: its buttons (presses, clicks, short-cuts, menus)
// and the opening and closing of its drop-down.

#include "gridbase/DBCtrlsMv.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>

// ---------------------------------------------------------------- buttons

TEditButtonMv* TCustomDBEditMv::ButtonOfControl(const TEditButtonControlMv* Control) const
{
    for (size_t i = 0; i < FButtonControls.size(); ++i) {
        if (FButtonControls[i].Control != Control)
            continue;
        if (i == 0)
            return FEditButton.get();
        return int(i) - 1 < FEditButtons->Count() ? FEditButtons->Items(int(i) - 1) : nullptr;
    }
    return nullptr;
}

TEditButtonControlMv* TCustomDBEditMv::EditButtonControl() const
{
    return FButtonControls.empty() ? nullptr : FButtonControls.front().Control;
}

TEditButtonControlMv* TCustomDBEditMv::ButtonControl(int Index) const
{
    return Index >= 0 && Index < ButtonControlCount() ? FButtonControls[size_t(Index)].Control : nullptr;
}

void TCustomDBEditMv::WireButtonControl(TEditButtonControlMv* Control)
{
    Control->OnDown = [this, Control](QObject*, bool TopButton, bool& AutoRepeat, bool& Handled) {
        UserAction([&] { EditButtonDown(Control, TopButton, AutoRepeat, Handled); });
    };
    Control->OnClick = [this, Control](QObject*) { UserAction([&] { EditButtonClick(Control); }); };
    Control->OnMouseMove = [this, Control](QObject*, TShiftState Shift, int X, int Y) {
        UserAction([&] { EditButtonMouseMove(Control, Shift, X, Y); });
    };
    Control->OnMouseUp = [this, Control](QObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
        UserAction([&] { EditButtonMouseUp(Control, Button, Shift, X, Y); });
    };
}

void TCustomDBEditMv::EditButtonDown(TEditButtonControlMv* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)
{
    if (focusPolicy() != Qt::NoFocus && !hasFocus())
        setFocus(Qt::MouseFocusReason);
    // The press only closed this button's menu.
    const int tag = Sender->Tag();
    if (PrivateMessagePending(MV_EDITBUTTONMENU, tag)) {
        RemovePrivateMessage(MV_EDITBUTTONMENU, tag);
        Handled = true;
        return;
    }
    TEditButtonMv* button = ButtonOfControl(Sender);
    if (!button)
        return;
    if (button != FEditButton.get()) {
        if (button->OnDown)
            button->OnDown(Sender, TopButton, AutoRepeat, Handled);
        if (!Handled && button->DropdownMenu()) {
            ShowButtonMenu(Sender, button->DropdownMenu());
            Handled = true;
        }
        return;
    }
    if (OnButtonDown)
        OnButtonDown(Sender, TopButton, AutoRepeat, Handled);
    if (Handled)
        return;
    if (button->DropdownMenu()) {
        ShowButtonMenu(Sender, button->DropdownMenu());
        Handled = true;
        return;
    }
    if (button->Action())
        return;
    if (button->Style() != ebsUpDownMv && !DroppedDown()) {
        DropDown();
        FPressOpenedDropDown = true;
    }
}

void TCustomDBEditMv::ShowButtonMenu(TEditButtonControlMv* Control, QMenu* Menu)
{
    // When the menu closes, a press on its button that closed it must not
    // open it again: the closing waits in the edit's queue meanwhile.
    const int tag = Control->Tag();
    connect(
        Menu, &QMenu::aboutToHide, this, [this, tag] { PostPrivateMessage(MV_EDITBUTTONMENU, tag); },
        Qt::SingleShotConnection);
    Control->PopupMenu(Menu);
}

void TCustomDBEditMv::EditButtonClick(TEditButtonControlMv* Sender)
{
    bool handled = false;
    TEditButtonMv* button = ButtonOfControl(Sender);
    if (button == FEditButton.get()) {
        button->Click(Sender, handled);
        if (!handled && OnButtonClick)
            OnButtonClick(Sender, handled);
    } else if (button) {
        button->Click(Sender, handled);
    }
    if (!handled && DroppedDown() && !FPressOpenedDropDown && button == FEditButton.get())
        CloseUp(false);
    FPressOpenedDropDown = false;
}

void TCustomDBEditMv::EditButtonMouseMove(TEditButtonControlMv*, TShiftState, int, int) {}

void TCustomDBEditMv::EditButtonMouseUp(TEditButtonControlMv* Sender, TMouseButton, TShiftState, int X, int Y)
{
    if (!Sender->ClientRect().Contains(X, Y))
        FPressOpenedDropDown = false;
}

void TCustomDBEditMv::SetDropDownButtonDown(bool Down)
{
    if (TEditButtonControlMv* control = EditButtonControl())
        control->SetAlwaysDown(Down);
}

// ---------------------------------------------------------------- drop-downs

void TCustomDBEditMv::DropDown()
{
    if (!FMRUList->Active())
        return;
    FMRUList->DropDown();
    if (MRUListShown())
        SetDropDownButtonDown(true);
}

void TCustomDBEditMv::CloseUp(bool Accept)
{
    if (MRUListShown())
        FMRUList->CloseUp(Accept);
    SetDropDownButtonDown(false);
}
