#pragma once
// DBCtrlsMv, check box: a check box bound to a field or holding its own
// value, with a third (grayed) state and a flat look with a hot border.
//
// The state read from a field: Null is grayed; a Boolean field is checked
// when True; any other field is checked when its text equals one of the
// ';'-separated ValueChecked texts, unchecked for one of ValueUnchecked,
// grayed for anything else (texts compared case-insensitively). Writing
// puts the first text of the list (or the Boolean) into the field, grayed
// clears it. Without a field the own Value is True, False or Unassigned.
//
// Include "gridbase/DBCtrlsMv.h", which brings this header.

#include "gridbase/DBCtrlsMv.h"

class TCustomDBCheckBoxMv : public TCustomControl {
    Q_OBJECT

public:
    explicit TCustomDBCheckBoxMv(QWidget* Parent = nullptr);
    ~TCustomDBCheckBoxMv() override;

    // ---- data
    TDataSource* DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource* Value);
    const QString& DataField() const { return FDataLink.FieldName(); }
    void SetDataField(const QString& Value);
    TField* Field() const { return FDataLink.Field(); }
    TFieldDataLinkMv& DataLink() { return FDataLink; }
    bool DataIndependent() const { return FDataLink.DataIndependent(); }
    bool ReadOnly() const { return FDataLink.ReadOnly(); }
    void SetReadOnly(bool Value) { FDataLink.SetReadOnly(Value); }
    // The own value while data-independent (False at first).
    const Variant& Value() const { return FDataLink.Value(); }

    TCheckBoxStateMv State() const { return FState; }
    // A bound check box puts its dataset into edit state, takes the state
    // and writes it into the field at once.
    void SetState(TCheckBoxStateMv Value);
    virtual bool GetChecked() const { return FState == cbChecked; }
    virtual void SetChecked(bool Value);
    // taRightJustify: the caption stands right of the box; taLeftJustify:
    // the box stands at the right edge.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
    bool AlwaysShowBorder() const { return FAlwaysShowBorder; }
    void SetAlwaysShowBorder(bool Value);
    // "&" marks the accelerator: Alt and the letter focus and toggle.
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    const QString& ValueChecked() const { return FValueChecked; }
    void SetValueChecked(const QString& Value);
    const QString& ValueUnchecked() const { return FValueUnchecked; }
    void SetValueUnchecked(const QString& Value);

    // The mouse is over the control.
    bool Hot() const { return FHot; }
    // The state differs from what was last read or written.
    bool Modified() const { return FModified; }
    // The box's rectangle and the caption's.
    TRect CheckRect() const;
    TRect CaptionRect() const;

    // Writes the state through (OnUpdateData may take it over).
    virtual void UpdateData();
    // Checked to unchecked, unchecked to checked (to grayed first with
    // AllowGrayed), grayed to checked; only while the link can edit.
    virtual void Toggle();

    TNotifyEventMv OnClick;
    TNotifyEventMv OnEnter;
    TNotifyEventMv OnExit;
    TDBEditUpdateDataEventMv OnUpdateData;

protected:
    virtual void InternalSetState(TCheckBoxStateMv Value);
    virtual void UpdateFieldValue();
    // The state the field (or the own value) stands for.
    TCheckBoxStateMv StateFromData() const;
    void DataChange();

    // Painting: PaintCheckBox chooses the arguments, PaintState draws the
    // box and the caption.
    virtual void PaintCheckBox();
    virtual void PaintState(TCheckBoxStateMv State, bool Focused, bool Hot, bool Pressed);
    virtual void DrawCheck(const TRect& Rect, TCheckBoxStateMv State, bool Focused, bool Hot, bool Pressed);
    virtual void DrawCaption(const TRect& Rect, bool Focused);

    void Click() override;
    void Paint() override;
    void KeyDown(quint16& Key, TShiftState Shift) override;
    void KeyUp(quint16& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    unsigned DialogCode() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CancelMode() override;
    void WMSetFocus(QWidget* From) override;
    void WMKillFocus(QWidget* To) override;
    void DoEnter() override;
    void DoExit() override;
    bool event(QEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    void HandleUserError(const std::exception& Error);
    void UpdateShortcut();

    TAlignment FAlignment = taRightJustify;
    bool FAllowGrayed = false;
    bool FAlwaysShowBorder = false;
    bool FClicksDisabled = false;
    TFieldDataLinkMv FDataLink;
    bool FFlat = false;
    bool FModified = false;
    bool FHot = false;
    TCheckBoxStateMv FState = cbUnchecked;
    QString FValueChecked = QStringLiteral("True");
    QString FValueUnchecked = QStringLiteral("False");
    QString FCaption;
    bool FInUpdateData = false;
    bool FSpacePressed = false;
    bool FMousePressed = false;
    int FShortcutId = 0;
};

// The published check box.
class TDBCheckBoxMv : public TCustomDBCheckBoxMv {
    Q_OBJECT
public:
    using TCustomDBCheckBoxMv::TCustomDBCheckBoxMv;
};
