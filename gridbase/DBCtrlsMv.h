#pragma once
// DBCtrlsMv: the data-aware editors of the grid library.
//
//  - TFieldDataLinkMv: the link of a control to one field of a dataset (or
//    to several, ';'-separated), or, while the control has neither a data
//    source nor a field name, to a value of its own: every control here
//    works without a dataset and behaves the same;
//  - TCustomDBEditMv: the single-line edit with edit buttons, an image, a
//    recent-values list, a flat look with a hot border and a mark for a
//    required field that is still empty; TDBEditMv publishes it;
//  - TCustomDBComboBoxMv / TDBComboBoxMv (DBCtrlsMvComboBox.h): the edit
//    with a list of values, free text or texts mapped to stored keys;
//  - TCustomDBCheckBoxMv / TDBCheckBoxMv (DBCtrlsMvCheckBox.h): the check
//    box that maps field values to its three states.
//
// How a bound edit moves a value: the field's text is shown (its edit text
// while the edit has the focus, its display text otherwise); typing first
// puts the dataset into edit state and marks the link modified; the text is
// written into the field when the edit is left, when the dataset posts
// (UpdateRecord), or at once when a program sets Text or Value. A text the
// field refuses raises from the write (EConvertError, EDatabaseError) and
// the edit keeps it; an error that arises from the user's own input is
// shown in the error box and the edit keeps the focus.

#include "gridbase/ToolCtrlsMv.h"
#include "platform/Control.h"
#include "platform/MaskEdit.h"
#include "platform/Variant.h"
#include "platform/db/DataSource.h"

#include <QLineEdit>
#include <QPointer>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class TDataSet;
class TField;
class TImageList;
class TCustomDBEditMv;

// ---------------------------------------------------------------- field link

class TFieldDataLinkMv;
using TFieldDataLinkNotifyMv = std::function<void(TFieldDataLinkMv* Sender)>;

// The link of a data-aware control to its field. Without a data source and
// a field name the link is data-independent: Value holds the control's own
// value, Edit always succeeds (unless read-only) and writing reports a data
// change as a field would.
class TFieldDataLinkMv : public TDataLink {
public:
    explicit TFieldDataLinkMv(QObject* Control = nullptr);

    QObject* Control() const { return FControl; }
    // Shadows the base's: the link also leaves (or enters) the
    // data-independent mode.
    void SetDataSource(TDataSource* Value);
    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& Value);
    // Allows a field name that lists several fields.
    bool MultiFields() const { return FMultiFields; }
    void SetMultiFields(bool Value);

    // The one bound field; null without one or with several.
    TField* Field() const { return FFields.size() == 1 ? FFields.front() : nullptr; }
    const std::vector<TField*>& Fields() const { return FFields; }
    // Neither a data source nor a field name.
    bool DataIndependent() const { return FDataIndependent; }

    // The control may change the value: not read-only and, when bound, every
    // field modifiable.
    bool CanModify() const;
    // Editing: the dataset is in an edit state and the fields can be
    // modified; a data-independent link edits from its first Edit on.
    bool Editing() const { return FEditing; }
    // Puts the dataset into edit state (through the data source) when the
    // fields can be modified; returns Editing.
    bool Edit();
    // The control's text differs from what was last read or written.
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    // Shows the field's value again (the control's changes are dropped).
    void Reset();

    // The own value while data-independent (Unassigned at first and after
    // every switch of mode).
    const Variant& Value() const { return FValue; }
    // Stores the own value and reports a data change (data-independent);
    // bound, the value goes into the fields.
    void SetValue(const Variant& Value);
    // Stores a control's text: as the own value when data-independent, as
    // the string of a memo field, as the edit text of any other field.
    void SetText(const QString& Text);

    TFieldDataLinkNotifyMv OnDataChange;
    TFieldDataLinkNotifyMv OnEditingChange;
    TFieldDataLinkNotifyMv OnUpdateData;
    TFieldDataLinkNotifyMv OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField*& Field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    void UpdateField();
    void SetFields(std::vector<TField*> Fields);
    void SetEditing(bool Value);
    void UpdateDataIndependent();
    void ReportDataChange();

    std::vector<TField*> FFields;
    QString FFieldName;
    QObject* FControl;
    bool FMultiFields = false;
    bool FDataIndependent = true;
    bool FEditing = false;
    bool FModified = false;
    Variant FValue;
};

// ---------------------------------------------------------------- edit image

// The image shown at the left of an edit's text.
class TEditImageMv {
public:
    explicit TEditImageMv(TCustomDBEditMv* Owner) : FOwner(Owner) {}
    TEditImageMv(const TEditImageMv&) = delete;
    TEditImageMv& operator=(const TEditImageMv&) = delete;

    TCustomDBEditMv* Owner() const { return FOwner; }
    // The image shown (the edit may change it: see OnGetImageIndex).
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* Value);
    // The edit grows to the image's height (auto-size).
    bool UseImageHeight() const { return FUseImageHeight; }
    void SetUseImageHeight(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    // 0: the image list's width.
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    // Copies Images, ImageIndex, Visible and Width.
    void Assign(const TEditImageMv& Source);

private:
    void LayoutChanged();

    TCustomDBEditMv* FOwner;
    int FImageIndex = -1;
    TImageList* FImages = nullptr;
    bool FUseImageHeight = true;
    bool FVisible = false;
    int FWidth = 0;
};

// ---------------------------------------------------------------- in-place host

// A control that hosts an edit inside itself (a grid): it sees the edit's
// events and keys before the edit does and may forbid changes of the text.
class IInplaceEditHolderMv {
public:
    virtual ~IInplaceEditHolderMv() = default;
    // Every event of the edit first; true when the host has handled it.
    virtual bool InplaceEditEvent(QWidget* Control, QEvent* Event) = 0;
    virtual void InplaceEditKeyDown(QWidget* Control, quint16& Key, TShiftState Shift) = 0;
    virtual void InplaceEditKeyPress(QWidget* Control, QChar& Key) = 0;
    virtual void InplaceEditKeyUp(QWidget* Control, quint16& Key, TShiftState Shift) = 0;
    virtual bool InplaceEditCanModify(QWidget* Control) = 0;
    // Tab reaches the edit.
    virtual bool InplaceEditWantsTab(QWidget* Control) = 0;
    // Where (screen) and when the host's last left press was: a press in
    // the edit soon after it makes a double click.
    virtual void GetMouseDownInfo(QPoint& Pos, qint64& Time) = 0;
};

// ---------------------------------------------------------------- the edit

// The edit's own requests, queued calls with a pending flag:
// MV_EDITRECREATE lays the edit out again (buttons, image, text rectangle,
// height) after a change of what they depend on; MV_EDITBUTTONMENU is
// posted when the drop-down menu of a button closes, so that a press on
// that button which only closed the menu does nothing else.
constexpr int MV_EDITRECREATE = 0x465;
constexpr int MV_EDITBUTTONMENU = 0x466;

enum TEditCharCaseMv : quint8 { ecNormal, ecUpperCase, ecLowerCase };

using TDBEditUpdateDataEventMv = std::function<void(QObject* Sender, bool& Handled)>;
using TGetImageIndexEventMv = std::function<void(QObject* Sender, int& ImageIndex)>;
using TOnCheckDrawRequiredStateEventMv = std::function<void(QObject* Sender, bool& DrawState)>;
using TKeyEventMv = std::function<void(QObject* Sender, quint16& Key, TShiftState Shift)>;
using TKeyPressEventMv = std::function<void(QObject* Sender, QChar& Key)>;

// The data-aware edit (see the top of this header). Keys: a button's
// ShortCut presses it; Ctrl+A selects all; Escape shows the field's value
// again; Backspace in an empty edit opens the recent values. The edit's own
// window is read-only until the link is editing: the first typed character
// puts the dataset into edit state and then enters the text.
class TCustomDBEditMv : public TCustomMaskEdit, public IDropDownOwnerMv {
    Q_OBJECT

public:
    explicit TCustomDBEditMv(QWidget* Parent = nullptr);
    ~TCustomDBEditMv() override;

    // ---- data
    TDataSource* DataSource() const { return FDataLink.DataSource(); }
    virtual void SetDataSource(TDataSource* Value);
    const QString& DataField() const { return FDataLink.FieldName(); }
    virtual void SetDataField(const QString& Value);
    TField* Field() const { return FDataLink.Field(); }
    TFieldDataLinkMv& DataLink() { return FDataLink; }
    const TFieldDataLinkMv& DataLink() const { return FDataLink; }
    bool DataIndependent() const { return FDataLink.DataIndependent(); }
    // The value as text (Text of the masked edit: through the mask's "save
    // literals" rule); EditText is what is shown.
    using TCustomMaskEdit::Text;
    // A bound edit puts its dataset into edit state, shows the text and
    // writes it into the field at once.
    void SetText(const QString& Value);
    // The field's value; the own value while data-independent.
    Variant Value() const { return GetVariantValue(); }
    void SetValue(const Variant& Value);
    // Writes the text through (OnUpdateData may take it over).
    virtual void UpdateData();

    // ---- appearance and behaviour
    bool AlwaysShowBorder() const { return FAlwaysShowBorder; }
    void SetAlwaysShowBorder(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    // Set explicitly, the alignment no longer follows the field's.
    void SetAlignment(TAlignment Value);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    // The height follows the font (and the image).
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TEditCharCaseMv CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCaseMv Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor Value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value);
    // Unless set explicitly, the mask follows the bound field's. A bound
    // edit applies it while it has the focus (it shows the field's display
    // text un-masked otherwise); a data-independent edit always does.
    using TCustomMaskEdit::EditMask;
    void SetEditMask(const QString& Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool HighlightRequired() const { return FHighlightRequired; }
    void SetHighlightRequired(bool Value);
    // 0: no limit. A bound string field sets it to its size while it is 0.
    void SetMaxLength(int Value) { SetMaxLengthValue(std::max(0, Value)); }
    // A character other than 0 hides the text.
    QChar PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    QString Hint() const { return toolTip(); }
    void SetHint(const QString& Value) { setToolTip(Value); }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }
    // Shows the whole text as a tooltip when it does not fit.
    bool Tooltips() const { return FTooltips; }
    void SetTooltips(bool Value) { FTooltips = Value; }
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    // The edit stays single-line; the flag is kept for what depends on it
    // (tooltips measure wrapped text, the combo box steps items by Up and
    // Down only while all text is selected).
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }

    TEditButtonMv& EditButton() { return *FEditButton; }
    TEditButtonsMv& EditButtons() { return *FEditButtons; }
    TEditImageMv& EditImage() { return *FEditImage; }
    const TEditImageMv& EditImage() const { return *FEditImage; }
    TMRUListMv& MRUList() { return *FMRUList; }
    // Null until the recent values first drop down.
    TMRUListboxMv* MRUListBox() const { return FMRUListBox; }

    // ---- state and layout
    // The border is shown: mouse inside, focus or AlwaysShowBorder.
    bool Hot() const;
    bool MouseInControl() const { return FMouseInControl; }
    // The text cannot be typed into (see UpdateReadOnlyState).
    bool WindowReadOnly() const { return FWindowReadOnly; }
    virtual bool DroppedDown() const;
    // The widths of all buttons with their separators, their common height.
    int ButtonWidth() const { return FButtonWidth; }
    int ButtonHeight() const { return FButtonHeight; }
    // The image's share of the width (0 when none is shown).
    int ImageWidth() const;
    // The image index drawn.
    int ImageIndexShown() const { return FEditImage->ImageIndex(); }
    // The text rectangle in widget coordinates.
    TRect EditRect() const;
    // The button controls: the EditButton's first, then the EditButtons'.
    int ButtonControlCount() const { return int(FButtonControls.size()); }
    TEditButtonControlMv* ButtonControl(int Index) const;
    // The one-pixel separator before a button (empty when not flat).
    TRect SeparatorRect(int Index) const;

    // The host that holds the edit in place; it must implement
    // IInplaceEditHolderMv. Null ends in-place work.
    void SetInplaceEditHolder(QObject* Holder);
    QObject* InplaceEditHolder() const { return FInplaceHolderObject.data(); }
    bool Inplace() const { return Holder() != nullptr; }

    // Whether Enter or Escape is the edit's own now (an open list, a change
    // to undo, WantReturns) rather than a surrounding dialog's.
    virtual bool WantsSpecialKey(quint16 Key) const;

    // ---- drop-downs
    // Opens the edit's drop-down (the recent values in the base edit) and
    // holds the drop-down button down meanwhile.
    virtual void DropDown();
    // Closes it, taking its value with Accept.
    void CloseUp(bool Accept) override;

    // ---- queued requests
    void PostPrivateMessage(int Msg, qintptr Param = 0);
    bool PrivateMessagePending(int Msg) const;
    bool PrivateMessagePending(int Msg, qintptr Param) const;
    void RemovePrivateMessage(int Msg, qintptr Param);

    // ---- events
    TNotifyEventMv OnChange;
    TNotifyEventMv OnEnter;
    TNotifyEventMv OnExit;
    TKeyEventMv OnKeyDown;
    TKeyPressEventMv OnKeyPress;
    TKeyEventMv OnKeyUp;
    TButtonClickEventMv OnButtonClick;
    TButtonDownEventMv OnButtonDown;
    TOnCheckDrawRequiredStateEventMv OnCheckDrawRequiredState;
    TGetImageIndexEventMv OnGetImageIndex;
    TDBEditUpdateDataEventMv OnUpdateData;

    // ---- keyboard and clipboard, as the window receives them
    virtual void KeyDown(quint16& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);
    virtual void KeyUp(quint16& Key, TShiftState Shift);
    // A character for the edit: KeyPress, then what the edit does with it.
    virtual void WMChar(QChar& Key);
    // Whether the edit's text may change now.
    bool EditCanModify() override;

protected:
    // VisibleEditButton: the EditButton is shown and pressed by Alt+Down
    // (the combo box's).
    TCustomDBEditMv(QWidget* Parent, bool VisibleEditButton);

    // ---- the data flow
    virtual void DataChange();
    virtual void EditingChange();
    virtual void ActiveChange();
    // Shows a text (no write).
    virtual void InternalSetText(const QString& Text);
    // Shows a value as text (no write).
    virtual void InternalSetValue(const Variant& Value);
    // Hands the text to the link.
    virtual void UpdateFieldValue();
    virtual QString GetDisplayText() const;
    virtual Variant GetVariantValue() const;
    // The Text and Value writers after the dataset is in edit state.
    virtual void ApplyText(const QString& Text);
    virtual void ApplyValue(const Variant& Value);
    virtual void UpdateReadOnlyState();
    // The index before the numeric rule and OnGetImageIndex: -1.
    virtual int DefaultImageIndex() const;
    void UpdateImageIndex();
    // Whether the drop-down may open (shortcut presses).
    virtual bool CanDropDown() const;
    // Whether a typed character may belong to the value (the field's rule).
    virtual bool IsValidChar(QChar Key) const;
    // Holds the drop-down button down (while a list is open) or releases it.
    void SetDropDownButtonDown(bool Down);
    // The text changed (by the user or by the program).
    virtual void Change();
    // Marks the window read-only or not.
    void SetWindowReadOnly(bool Value);
    // An in-place host forbids changes of the text.
    bool HolderRefusesEdit() const;
    // The text in the letter case of CharCase.
    QString ApplyCharCase(const QString& Text) const;
    // The alignment (unless set explicitly) and, with FollowSize, the
    // maximum length (while 0, for a string field) follow the field.
    void FollowField(const TField* Field, bool FollowSize);
    // A paste, cut or clear puts the link into editing first.
    bool BeginUserChange() override;
    // A bound edit takes only what its field accepts.
    bool AcceptsChar(QChar Key) override;
    // A character outside the basic plane goes in whole.
    QString TypedText(QChar Key) const override;
    QString UserText(const QString& Text) const override { return ApplyCharCase(Text); }
    // A text refused for the limit is said naming the field.
    QString LimitCaption() const override;
    // The character text being handled (a surrogate pair stays together).
    const QString& PendingCharText() const { return FPendingCharText; }
    // The shift state of the key being handled.
    TShiftState KeyShift() const { return FKeyShift; }
    // The keys of an open drop-down; true when taken.
    virtual bool DropDownKeyDown(quint16 Key, TShiftState Shift);
    // Passes a key to a drop-down list (as the user's key would arrive).
    static void SendKeyToDropDown(QWidget* DropDown, quint16 Key, TShiftState Shift);
    // Takes the activation back from a drop-down that a window manager
    // activated (once the current event is over).
    void ReclaimActivation();
    // Passes the wheel to a drop-down list.
    static void SendWheelToDropDown(QWidget* DropDown, int Steps);
    // The edit had the focus when the text was last read.
    bool FocusedState() const { return FFocused; }
    // A press on a button opened the drop-down.
    bool PressOpenedDropDown() const { return FPressOpenedDropDown; }

    // ---- buttons and layout
    virtual void EditButtonDown(TEditButtonControlMv* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);
    virtual void EditButtonClick(TEditButtonControlMv* Sender);
    virtual void EditButtonMouseMove(TEditButtonControlMv* Sender, TShiftState Shift, int X, int Y);
    virtual void EditButtonMouseUp(TEditButtonControlMv* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // The button of a control: the EditButton or an EditButtons entry.
    TEditButtonMv* ButtonOfControl(const TEditButtonControlMv* Control) const;
    TEditButtonControlMv* EditButtonControl() const;
    // A button control of the edit, wired to the handlers above.
    TEditButtonControlMv* CreateEditButtonControl();
    virtual void UpdateEditButtonControlsState();
    // The text rectangle: the client area less the buttons and the image.
    virtual TRect CalcEditRect() const;
    virtual void AdjustHeight();
    // Lays everything out again (buttons, text rectangle, height).
    void RecreateWnd();
    int BorderWidth() const;
    TRect ClientRect() const;
    TRect ImageRect() const;
    virtual void PrivateMessage(int Msg, qintptr Param);

    // ---- recent values
    virtual TMRUListboxMv* CreateMRUListBox();
    virtual void MRUListDropDown();
    virtual void MRUListCloseUp(bool Accept);
    bool MRUListShown() const { return FMRUList->DroppedDown(); }

    // ---- painting
    virtual void PaintBorder(TCanvas& Canvas);
    virtual void PaintImage(TCanvas& Canvas);
    virtual bool DrawRequiredState() const;
    void PaintRequiredState(TCanvas& Canvas);
    // The text that the edit wants a tooltip for; empty for none.
    QString TooltipText() const;

    // ---- Qt
    bool event(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    // Characters that came without a key of their own (an input method's
    // text): no shift state is held while they are handled.
    void TypeChars(const QString& Chars) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void changeEvent(QEvent* Event) override;

    // Mouse handlers that descendants refine: whether the event is taken
    // before the line edit sees it.
    virtual bool MouseDown(QMouseEvent* Event);
    // Steps of the wheel (+1 down, -1 up); true when handled.
    virtual bool MouseWheel(int Steps, TShiftState Shift);
    // The focus arrives (FocusReason as Qt gives it) and leaves.
    virtual void DoEnter(Qt::FocusReason Reason);
    virtual void DoExit();

private:
    friend class TEditImageMv;
    struct TPending {
        int Msg;
        qintptr Param;
        quint64 Serial;
    };
    struct TButtonEntry {
        TEditButtonControlMv* Control;
        TRect Separator;
    };

    void Init(bool VisibleEditButton);
    IInplaceEditHolderMv* Holder() const;
    void UserTextEdited();
    void DeliverPrivate(quint64 Serial);
    void SetFocused(bool Value);
    void SetHot();
    void ApplyPalette();
    void ApplyAlignment();
    void EditButtonChanged();
    void ShowButtonMenu(TEditButtonControlMv* Control, QMenu* Menu);
    void PressButtonByShortCut(TEditButtonControlMv* Control);
    bool InButtonOrImageArea(const QPoint& Pos) const;
    void HandleKeyEvent(QKeyEvent* Event);
    void DeliverChars(const QString& Chars);
    void ApplyEditRect();
    void WireButtonControl(TEditButtonControlMv* Control);
    void PlaceMRUListBox();
    void MRUListResized();

    TFieldDataLinkMv FDataLink;
    std::unique_ptr<TEditButtonMv> FEditButton;
    std::unique_ptr<TEditButtonsMv> FEditButtons;
    std::unique_ptr<TEditImageMv> FEditImage;
    std::unique_ptr<TMRUListMv> FMRUList;
    TMRUListboxMv* FMRUListBox = nullptr;
    std::vector<TButtonEntry> FButtonControls;

    bool FAlwaysShowBorder = false;
    TAlignment FAlignment = taLeftJustify;
    bool FAlignmentAssigned = false;
    bool FAutoSelect = true;
    bool FAutoSize = true;
    TBorderStyle FBorderStyle = bsSingle;
    TEditCharCaseMv FCharCase = ecNormal;
    TColor FColor = clWindow;
    TColor FFontColor = clWindowText;
    bool FCtl3D = true;
    bool FEditMaskAssigned = false;
    bool FFlat = false;
    bool FHighlightRequired = false;
    QChar FPasswordChar;
    bool FReadOnly = false;
    bool FShowHint = false;
    bool FTooltips = false;
    bool FWantReturns = false;
    bool FWantTabs = false;
    bool FWordWrap = false;

    bool FHot = false;
    int FButtonHeight = 0;
    int FButtonWidth = 0;
    bool FInUpdateData = false;
    bool FFocused = false;
    bool FSelectedOnExit = false;
    bool FWindowReadOnly = false;
    bool FMouseInControl = false;
    bool FPressOpenedDropDown = false;
    QPointer<QObject> FInplaceHolderObject;
    IInplaceEditHolderMv* FInplaceHolder = nullptr;
    QString FPendingCharText;
    TShiftState FKeyShift;

    std::vector<TPending> FPending;
    quint64 FNextSerial = 1;
};

// The published edit: as the combo box publishes its defaults.
class TDBEditMv : public TCustomDBEditMv {
    Q_OBJECT
public:
    using TCustomDBEditMv::TCustomDBEditMv;
};

#include "gridbase/DBCtrlsMvComboBox.h"
#include "gridbase/DBCtrlsMvCheckBox.h"
