// The data-aware check box.

#include "gridbase/DBCtrlsMv.h"

#include "gridbase/WinApiMv.h"
#include "platform/Dialogs.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"

#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QShortcutEvent>

namespace {

QString FirstEntry(const QString& List)
{
    return List.section(u';', 0, 0);
}

bool MatchesEntry(const QString& Text, const QString& List)
{
    const QStringList entries = List.split(u';');
    return std::any_of(entries.begin(), entries.end(),
                       [&Text](const QString& entry) { return AnsiCompareTextMv(Text, entry) == 0; });
}

} // namespace

TCustomDBCheckBoxMv::TCustomDBCheckBoxMv(QWidget* Parent) : TCustomControl(Parent), FDataLink(this)
{
    resize(97, 17);
    setFocusPolicy(Qt::StrongFocus);
    FDataLink.SetValue(Variant(false));
    FDataLink.OnDataChange = [this](TFieldDataLinkMv*) { DataChange(); };
    FDataLink.OnUpdateData = [this](TFieldDataLinkMv*) { UpdateData(); };
    FDataLink.OnEditingChange = [this](TFieldDataLinkMv*) { Invalidate(); };
}

TCustomDBCheckBoxMv::~TCustomDBCheckBoxMv()
{
    FDataLink.OnDataChange = nullptr;
    FDataLink.OnUpdateData = nullptr;
    FDataLink.OnEditingChange = nullptr;
}

// ---------------------------------------------------------------- data

void TCustomDBCheckBoxMv::SetDataSource(TDataSource* Value)
{
    FDataLink.SetDataSource(Value);
    DataChange();
}

void TCustomDBCheckBoxMv::SetDataField(const QString& Value)
{
    FDataLink.SetFieldName(Value);
    DataChange();
}

void TCustomDBCheckBoxMv::SetState(TCheckBoxStateMv Value)
{
    if (!DataIndependent())
        if (TDataSet* dataSet = FDataLink.DataSet())
            dataSet->Edit();
    InternalSetState(Value);
    if (!FInUpdateData)
        UpdateData();
}

void TCustomDBCheckBoxMv::SetChecked(bool Value)
{
    SetState(Value ? cbChecked : cbUnchecked);
}

void TCustomDBCheckBoxMv::InternalSetState(TCheckBoxStateMv Value)
{
    if (FState == Value)
        return;
    FState = Value;
    if (!FClicksDisabled)
        Click();
    Invalidate();
    FModified = true;
}

void TCustomDBCheckBoxMv::Click()
{
    if (OnClick)
        OnClick(this);
}

void TCustomDBCheckBoxMv::Toggle()
{
    if (!FDataLink.Edit())
        return;
    switch (FState) {
    case cbUnchecked: InternalSetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: InternalSetState(cbUnchecked); break;
    case cbGrayed: InternalSetState(cbChecked); break;
    }
    FDataLink.SetModified(true);
    Invalidate();
}

void TCustomDBCheckBoxMv::UpdateData()
{
    bool handled = false;
    if (OnUpdateData) {
        FInUpdateData = true;
        try {
            OnUpdateData(this, handled);
        } catch (...) {
            FInUpdateData = false;
            throw;
        }
        FInUpdateData = false;
    }
    if (!handled)
        UpdateFieldValue();
    FModified = false;
}

void TCustomDBCheckBoxMv::UpdateFieldValue()
{
    if (DataIndependent()) {
        FDataLink.SetValue(FState == cbGrayed ? Variant() : Variant(FState == cbChecked));
        return;
    }
    TField* field = Field();
    if (!field)
        return;
    if (FState == cbGrayed)
        field->Clear();
    else if (field->DataType() == ftBoolean)
        field->SetAsBoolean(FState == cbChecked);
    else
        field->SetEditText(FirstEntry(FState == cbChecked ? FValueChecked : FValueUnchecked));
}

TCheckBoxStateMv TCustomDBCheckBoxMv::StateFromData() const
{
    if (DataIndependent()) {
        const Variant& value = FDataLink.Value();
        if (VarEqualsMv(value, Variant(true)))
            return cbChecked;
        if (VarEqualsMv(value, Variant(false)))
            return cbUnchecked;
        return cbGrayed;
    }
    const TField* field = Field();
    if (!field)
        return cbUnchecked;
    if (field->IsNull())
        return cbGrayed;
    if (field->DataType() == ftBoolean)
        return field->AsBoolean() ? cbChecked : cbUnchecked;
    const QString text = field->GetEditText();
    if (MatchesEntry(text, FValueChecked))
        return cbChecked;
    if (MatchesEntry(text, FValueUnchecked))
        return cbUnchecked;
    return cbGrayed;
}

void TCustomDBCheckBoxMv::DataChange()
{
    InternalSetState(StateFromData());
    FModified = false;
}

void TCustomDBCheckBoxMv::SetValueChecked(const QString& Value)
{
    FValueChecked = Value;
    DataChange();
}

void TCustomDBCheckBoxMv::SetValueUnchecked(const QString& Value)
{
    FValueUnchecked = Value;
    DataChange();
}

// ---------------------------------------------------------------- appearance

void TCustomDBCheckBoxMv::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    Invalidate();
}

void TCustomDBCheckBoxMv::SetAlwaysShowBorder(bool Value)
{
    if (FAlwaysShowBorder == Value)
        return;
    FAlwaysShowBorder = Value;
    Invalidate();
}

void TCustomDBCheckBoxMv::SetCaption(const QString& Value)
{
    if (FCaption == Value)
        return;
    FCaption = Value;
    UpdateShortcut();
    Invalidate();
}

void TCustomDBCheckBoxMv::SetFlat(bool Value)
{
    if (FFlat == Value)
        return;
    FFlat = Value;
    Invalidate();
}

void TCustomDBCheckBoxMv::UpdateShortcut()
{
    if (FShortcutId != 0)
        releaseShortcut(FShortcutId);
    FShortcutId = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(FCaption);
    if (!mnemonic.isEmpty())
        FShortcutId = grabShortcut(mnemonic);
}

TRect TCustomDBCheckBoxMv::CheckRect() const
{
    // The box at the left for a caption on the right, and the other way
    // round; mirrored right to left.
    bool boxRight = FAlignment == taLeftJustify;
    if (isRightToLeft())
        boxRight = !boxRight;
    return AdjustCheckBoxRect(TCustomControl::ClientRect(), boxRight ? taRightJustify : taLeftJustify, tlCenter);
}

TRect TCustomDBCheckBoxMv::CaptionRect() const
{
    const TRect client = TCustomControl::ClientRect();
    const TRect box = CheckRect();
    if (box.Left > client.Left)
        return TRect(client.Left, client.Top, std::max(client.Left, box.Left - 5), client.Bottom);
    return TRect(std::min(client.Right, box.Right + 5), client.Top, client.Right, client.Bottom);
}

void TCustomDBCheckBoxMv::Paint()
{
    PaintCheckBox();
}

void TCustomDBCheckBoxMv::PaintCheckBox()
{
    const bool pressed = (FMousePressed && FHot) || FSpacePressed;
    PaintState(FState, hasFocus(), FHot, pressed);
}

void TCustomDBCheckBoxMv::PaintState(TCheckBoxStateMv State, bool Focused, bool Hot, bool Pressed)
{
    Canvas().FillRect(TCustomControl::ClientRect(), Color());
    DrawCheck(CheckRect(), State, Focused, Hot, Pressed);
    DrawCaption(CaptionRect(), Focused);
}

void TCustomDBCheckBoxMv::DrawCheck(const TRect& Rect, TCheckBoxStateMv State, bool Focused, bool Hot, bool Pressed)
{
    PaintEditButton(Canvas(), Rect, Color(), int(State), isEnabled(), Focused || Hot || FAlwaysShowBorder, FFlat,
                    Pressed ? 1 : 0, bdkCheckBox);
}

void TCustomDBCheckBoxMv::DrawCaption(const TRect& Rect, bool Focused)
{
    TCanvas& canvas = Canvas();
    canvas.Font = Font();
    TRect measured = Rect;
    canvas.DrawText(FCaption, measured, DT_CALCRECT | DT_SINGLELINE);
    const int h = measured.Height();
    TRect text(Rect.Left, Rect.Top + (Rect.Height() - h) / 2, std::min(measured.Right, Rect.Right),
               Rect.Top + (Rect.Height() - h) / 2 + h);
    canvas.Brush.Style = bsClear;
    if (!isEnabled()) {
        TRect shadow = text.Offset(1, 1);
        canvas.Font.Color = clBtnHighlight;
        canvas.DrawText(FCaption, shadow, DT_SINGLELINE);
        canvas.Font.Color = clGrayText;
    } else {
        canvas.Font.Color = FontColor();
    }
    TRect drawn = text;
    canvas.DrawText(FCaption, drawn, DT_SINGLELINE);
    canvas.Brush.Style = bsSolid;
    if (Focused) {
        TRect focus = text.Inflate(1, 1);
        focus.Bottom += 1;
        focus = IntersectRect(focus, TCustomControl::ClientRect());
        canvas.Brush = TBrush{Color(), bsSolid};
        canvas.DrawFocusRect(focus);
    }
}

// ---------------------------------------------------------------- input

void TCustomDBCheckBoxMv::HandleUserError(const std::exception& Error)
{
    ShowException(Error);
}

unsigned TCustomDBCheckBoxMv::DialogCode()
{
    return DLGC_WANTARROWS | DLGC_WANTCHARS;
}

bool TCustomDBCheckBoxMv::event(QEvent* Event)
{
    if (Event->type() == QEvent::Shortcut && FShortcutId != 0 &&
        static_cast<QShortcutEvent*>(Event)->shortcutId() == FShortcutId) {
        SetFocus();
        if (Focused()) {
            try {
                Toggle();
            } catch (const std::exception& error) {
                HandleUserError(error);
            }
        }
        return true;
    }
    if (Event->type() == QEvent::KeyPress) {
        // Escape undoes a change first; a dialog gets it only when there is
        // nothing to undo.
        auto* key = static_cast<QKeyEvent*>(Event);
        const bool escape = key->key() == Qt::Key_Escape;
        const bool modified = FModified;
        bool result = false;
        try {
            result = TCustomControl::event(Event);
        } catch (const std::exception& error) {
            HandleUserError(error);
            result = true;
        }
        if (escape && modified)
            Event->accept();
        return result;
    }
    return TCustomControl::event(Event);
}

void TCustomDBCheckBoxMv::KeyDown(quint16& Key, TShiftState Shift)
{
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_SPACE && !FSpacePressed) {
        FSpacePressed = true;
        Invalidate();
    }
}

void TCustomDBCheckBoxMv::KeyUp(quint16& Key, TShiftState Shift)
{
    TCustomControl::KeyUp(Key, Shift);
    if (Key == VK_SPACE && FSpacePressed) {
        FSpacePressed = false;
        Invalidate();
        try {
            Toggle();
        } catch (const std::exception& error) {
            HandleUserError(error);
        }
    }
}

void TCustomDBCheckBoxMv::KeyPress(QChar& Key)
{
    TCustomControl::KeyPress(Key);
    switch (Key.unicode()) {
    case 8:
    case 32: FDataLink.Edit(); break;
    case 27: FDataLink.Reset(); break;
    default: break;
    }
}

void TCustomDBCheckBoxMv::MouseDown(TMouseButton Button, TShiftState, int X, int Y)
{
    if (Button != mbLeft)
        return;
    if (!Focused()) {
        // Another control may keep the focus (its value is refused): then
        // the press does nothing.
        FClicksDisabled = true;
        SetFocus();
        FClicksDisabled = false;
        if (!Focused())
            return;
    }
    FMousePressed = true;
    FHot = TCustomControl::ClientRect().Contains(X, Y);
    Invalidate();
}

void TCustomDBCheckBoxMv::MouseMove(TShiftState, int X, int Y)
{
    if (!FMousePressed)
        return;
    const bool over = TCustomControl::ClientRect().Contains(X, Y);
    if (over != FHot) {
        FHot = over;
        Invalidate();
    }
}

void TCustomDBCheckBoxMv::MouseUp(TMouseButton Button, TShiftState, int X, int Y)
{
    if (Button != mbLeft || !FMousePressed)
        return;
    FMousePressed = false;
    Invalidate();
    if (TCustomControl::ClientRect().Contains(X, Y)) {
        try {
            Toggle();
        } catch (const std::exception& error) {
            HandleUserError(error);
        }
    }
}

void TCustomDBCheckBoxMv::CancelMode()
{
    // A cancelled press never clicks.
    SetMouseCapture(false);
    if (FMousePressed) {
        FMousePressed = false;
        Invalidate();
    }
}

void TCustomDBCheckBoxMv::WMSetFocus(QWidget* From)
{
    TCustomControl::WMSetFocus(From);
    Invalidate();
}

void TCustomDBCheckBoxMv::WMKillFocus(QWidget* To)
{
    TCustomControl::WMKillFocus(To);
    FSpacePressed = false;
    Invalidate();
}

void TCustomDBCheckBoxMv::DoEnter()
{
    TCustomControl::DoEnter();
    if (OnEnter)
        OnEnter(this);
}

void TCustomDBCheckBoxMv::DoExit()
{
    TCustomControl::DoExit();
    if (OnExit)
        OnExit(this);
    try {
        FDataLink.UpdateRecord();
    } catch (const std::exception& error) {
        HandleUserError(error);
    }
}

void TCustomDBCheckBoxMv::enterEvent(QEnterEvent* Event)
{
    TCustomControl::enterEvent(Event);
    FHot = true;
    Invalidate();
}

void TCustomDBCheckBoxMv::leaveEvent(QEvent* Event)
{
    TCustomControl::leaveEvent(Event);
    if (!FMousePressed) {
        FHot = false;
        Invalidate();
    }
}

void TCustomDBCheckBoxMv::changeEvent(QEvent* Event)
{
    TCustomControl::changeEvent(Event);
    if (Event->type() == QEvent::EnabledChange || Event->type() == QEvent::FontChange)
        Invalidate();
}
