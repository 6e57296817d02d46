// The data-aware edit: creation, properties and the flow of the value
// between the edit, its link and the field.

#include "gridbase/DBCtrlsMv.h"

#include "gridbase/WinApiMv.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/ImageList.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"

#include <QApplication>
#include <QMetaObject>
#include <QProxyStyle>
#include <QStyleFactory>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

bool IsStringField(const TField* Field)
{
    const TFieldType type = Field->DataType();
    return type == ftString || type == ftWideString || type == ftFixedChar;
}

// Answers the line edit's question for its mask character with the edit's
// password character; everything else is the application's style.
class TPasswordCharStyle : public QProxyStyle {
public:
    TPasswordCharStyle(QChar PasswordChar, QObject* Parent)
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name())), FPasswordChar(PasswordChar)
    {
        setParent(Parent);
    }
    int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                  QStyleHintReturn* ReturnData) const override
    {
        if (Hint == SH_LineEdit_PasswordCharacter)
            return FPasswordChar.unicode();
        // Each character is masked at once, not shown for a moment first.
        if (Hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(Hint, Option, Widget, ReturnData);
    }

private:
    QChar FPasswordChar;
};

} // namespace

// ---------------------------------------------------------------- creation

TCustomDBEditMv::TCustomDBEditMv(QWidget* Parent) : TCustomDBEditMv(Parent, false) {}

TCustomDBEditMv::TCustomDBEditMv(QWidget* Parent, bool VisibleEditButton) : TCustomMaskEdit(Parent), FDataLink(this)
{
    Init(VisibleEditButton);
}

TCustomDBEditMv::~TCustomDBEditMv()
{
    // The link must not call into a half-destroyed edit.
    FDataLink.OnDataChange = nullptr;
    FDataLink.OnEditingChange = nullptr;
    FDataLink.OnUpdateData = nullptr;
    FDataLink.OnActiveChange = nullptr;
    FEditButton->OnChange = nullptr;
    FEditButtons->OnChange = nullptr;
    FMRUList->OnSetDropDown = nullptr;
    FMRUList->OnSetCloseUp = nullptr;
    disconnect(this, nullptr, this, nullptr);
}

void TCustomDBEditMv::Init(bool VisibleEditButton)
{
    setFrame(false);
    // The length limit is MaxLength, applied to typing only; Qt's own limit
    // would also cut what the field shows.
    QLineEdit::setMaxLength(INT_MAX / 2);
    setMouseTracking(true);

    FDataLink.OnDataChange = [this](TFieldDataLinkMv*) { DataChange(); };
    FDataLink.OnEditingChange = [this](TFieldDataLinkMv*) { EditingChange(); };
    FDataLink.OnUpdateData = [this](TFieldDataLinkMv*) { UpdateData(); };
    FDataLink.OnActiveChange = [this](TFieldDataLinkMv*) { ActiveChange(); };

    FEditButton = VisibleEditButton ? TVisibleEditButtonMv::CreateEditButton(this) : TEditButtonMv::CreateEditButton(this);
    FEditButton->OnChange = [this](TEditButtonMv*) { EditButtonChanged(); };
    FEditButtons = std::make_unique<TEditButtonsMv>(this, VisibleEditButtonFactory);
    FEditButtons->OnChange = [this](TEditButtonMv*) { EditButtonChanged(); };
    FEditImage = std::make_unique<TEditImageMv>(this);
    FMRUList = std::make_unique<TMRUListMv>(this);
    FMRUList->OnSetDropDown = [this](TMRUListMv*) { MRUListDropDown(); };
    FMRUList->OnSetCloseUp = [this](TMRUListMv*, bool Accept) { MRUListCloseUp(Accept); };

    connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
    connect(this, &QLineEdit::textEdited, this, [this] { UserTextEdited(); });

    ApplyPalette();
    ApplyAlignment();
    UpdateReadOnlyState();
    RecreateWnd();
}

// ---------------------------------------------------------------- queued requests

void TCustomDBEditMv::PostPrivateMessage(int Msg, qintptr Param)
{
    const quint64 serial = FNextSerial++;
    FPending.push_back({Msg, Param, serial});
    QMetaObject::invokeMethod(this, [this, serial] { DeliverPrivate(serial); }, Qt::QueuedConnection);
}

bool TCustomDBEditMv::PrivateMessagePending(int Msg) const
{
    return std::any_of(FPending.begin(), FPending.end(), [Msg](const TPending& p) { return p.Msg == Msg; });
}

bool TCustomDBEditMv::PrivateMessagePending(int Msg, qintptr Param) const
{
    return std::any_of(FPending.begin(), FPending.end(),
                       [Msg, Param](const TPending& p) { return p.Msg == Msg && p.Param == Param; });
}

void TCustomDBEditMv::RemovePrivateMessage(int Msg, qintptr Param)
{
    std::erase_if(FPending, [Msg, Param](const TPending& p) { return p.Msg == Msg && p.Param == Param; });
}

void TCustomDBEditMv::DeliverPrivate(quint64 Serial)
{
    const auto it =
        std::find_if(FPending.begin(), FPending.end(), [Serial](const TPending& p) { return p.Serial == Serial; });
    if (it == FPending.end())
        return;
    const TPending message = *it;
    FPending.erase(it);
    PrivateMessage(message.Msg, message.Param);
}

void TCustomDBEditMv::PrivateMessage(int Msg, qintptr)
{
    if (Msg == MV_EDITRECREATE)
        RecreateWnd();
    // MV_EDITBUTTONMENU only needs to leave the queue.
}

// ---------------------------------------------------------------- properties

void TCustomDBEditMv::SetAlwaysShowBorder(bool Value)
{
    if (FAlwaysShowBorder == Value)
        return;
    FAlwaysShowBorder = Value;
    SetHot();
}

void TCustomDBEditMv::SetAlignment(TAlignment Value)
{
    FAlignmentAssigned = true;
    FAlignment = Value;
    ApplyAlignment();
}

void TCustomDBEditMv::ApplyAlignment()
{
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (FAlignment == taRightJustify)
        horizontal = Qt::AlignRight;
    else if (FAlignment == taCenter)
        horizontal = Qt::AlignHCenter;
    setAlignment(horizontal | Qt::AlignVCenter);
}

void TCustomDBEditMv::SetAutoSize(bool Value)
{
    if (FAutoSize == Value)
        return;
    FAutoSize = Value;
    RecreateWnd();
}

void TCustomDBEditMv::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomDBEditMv::SetCharCase(TEditCharCaseMv Value)
{
    if (FCharCase == Value)
        return;
    FCharCase = Value;
    if (Value != ecNormal)
        InternalSetText(text());
}

QString TCustomDBEditMv::ApplyCharCase(const QString& Text) const
{
    switch (FCharCase) {
    case ecUpperCase: return AnsiUpperCaseMv(Text);
    case ecLowerCase: return AnsiLowerCaseMv(Text);
    default: return Text;
    }
}

void TCustomDBEditMv::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    FColor = Value;
    ApplyPalette();
    UpdateEditButtonControlsState();
    update();
}

void TCustomDBEditMv::SetFontColor(TColor Value)
{
    if (FFontColor == Value)
        return;
    FFontColor = Value;
    ApplyPalette();
}

void TCustomDBEditMv::ApplyPalette()
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(FColor, pal));
    pal.setColor(QPalette::Window, ToQColor(FColor, pal));
    pal.setColor(QPalette::Text, ToQColor(FFontColor, pal));
    pal.setColor(QPalette::Disabled, QPalette::Text, ToQColor(clGrayText, pal));
    setPalette(pal);
}

void TCustomDBEditMv::SetCtl3D(bool Value)
{
    if (FCtl3D == Value)
        return;
    FCtl3D = Value;
    RecreateWnd();
}

void TCustomDBEditMv::SetEditMask(const QString& Value)
{
    FEditMaskAssigned = true;
    TCustomMaskEdit::SetEditMask(Value);
}

void TCustomDBEditMv::SetFlat(bool Value)
{
    if (FFlat == Value)
        return;
    FFlat = Value;
    RecreateWnd();
}

void TCustomDBEditMv::SetHighlightRequired(bool Value)
{
    if (FHighlightRequired == Value)
        return;
    FHighlightRequired = Value;
    update();
}

void TCustomDBEditMv::SetPasswordChar(QChar Value)
{
    if (FPasswordChar == Value)
        return;
    FPasswordChar = Value;
    // The line edit takes its mask character from its style: a style of
    // its own answers with ours. The old one goes once it is no longer used.
    std::unique_ptr<QStyle> old(dynamic_cast<TPasswordCharStyle*>(style()));
    if (old)
        old->setParent(nullptr);
    setStyle(Value.isNull() ? nullptr : new TPasswordCharStyle(Value, this));
    setEchoMode(Value.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void TCustomDBEditMv::SetReadOnly(bool Value)
{
    if (FReadOnly == Value)
        return;
    FReadOnly = Value;
    FDataLink.SetReadOnly(Value);
    UpdateReadOnlyState();
}

void TCustomDBEditMv::SetInplaceEditHolder(QObject* Holder)
{
    IInplaceEditHolderMv* holder = nullptr;
    if (Holder) {
        holder = dynamic_cast<IInplaceEditHolderMv*>(Holder);
        if (!holder)
            throw EInvalidOperation(QStringLiteral("InplaceEditHolder have to support IInplaceEditHolderMv interface"));
    }
    FInplaceHolderObject = Holder;
    FInplaceHolder = holder;
    UpdateReadOnlyState();
}

IInplaceEditHolderMv* TCustomDBEditMv::Holder() const
{
    return FInplaceHolderObject ? FInplaceHolder : nullptr;
}

bool TCustomDBEditMv::Hot() const
{
    return FHot;
}

void TCustomDBEditMv::SetHot()
{
    const bool hot = FMouseInControl || hasFocus() || FAlwaysShowBorder;
    if (hot == FHot)
        return;
    FHot = hot;
    for (const TButtonEntry& entry : FButtonControls)
        entry.Control->SetActive(hot);
    update();
}

// ---------------------------------------------------------------- the data flow

void TCustomDBEditMv::SetDataSource(TDataSource* Value)
{
    FDataLink.SetDataSource(Value);
    DataChange();
    update();
}

void TCustomDBEditMv::SetDataField(const QString& Value)
{
    // A length that only followed the old field follows the new one.
    if (TField* field = Field(); field && IsStringField(field) && MaxLength() == field->Size())
        SetMaxLength(0);
    FDataLink.SetFieldName(Value);
    DataChange();
    update();
}

void TCustomDBEditMv::SetText(const QString& Value)
{
    if (!DataIndependent())
        if (TDataSet* dataSet = FDataLink.DataSet())
            dataSet->Edit();
    ApplyText(Value);
}

void TCustomDBEditMv::SetValue(const Variant& Value)
{
    if (!DataIndependent())
        if (TDataSet* dataSet = FDataLink.DataSet())
            dataSet->Edit();
    ApplyValue(Value);
}

void TCustomDBEditMv::ApplyText(const QString& Text)
{
    InternalSetText(Text);
    if (!FInUpdateData)
        UpdateData();
}

void TCustomDBEditMv::ApplyValue(const Variant& Value)
{
    InternalSetValue(Value);
    if (!FInUpdateData)
        UpdateData();
}

void TCustomDBEditMv::InternalSetText(const QString& Text)
{
    const QString shown = ApplyCharCase(Text);
    if (EditMask().isEmpty()) {
        if (shown != text())
            setText(shown);
    } else if (!FFocused && !DataIndependent()) {
        // A bound edit shows what the field displays while it is not being
        // edited; the mask applies to the field's edit text.
        if (shown != text() || IsMasked())
            ShowUnmasked(shown);
    } else if (!IsMasked() || MaskTextToEditText(ParsedMask(), shown) != text()) {
        TCustomMaskEdit::SetText(shown);
    }
}

void TCustomDBEditMv::InternalSetValue(const Variant& Value)
{
    InternalSetText(Value.IsClear() ? QString() : Value.AsString());
}

void TCustomDBEditMv::UpdateData()
{
    // Nothing of an incomplete masked text is stored.
    if (FFocused)
        ValidateEdit();
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
    FDataLink.SetModified(false);
    if (FMRUList->Active() && FMRUList->AutoAdd())
        FMRUList->Add(Text());
}

void TCustomDBEditMv::UpdateFieldValue()
{
    // An edit without a dataset keeps what it shows, its raw edit text (a
    // number set into it reads back as that number's text); a field gets
    // the text as the mask's "save literals" field has it.
    FDataLink.SetText(DataIndependent() ? text() : Text());
}

void TCustomDBEditMv::DataChange()
{
    if (TField* field = Field()) {
        FollowField(field, true);
        const bool editText = FFocused && FDataLink.CanModify();
        InternalSetText(editText ? field->GetEditText() : field->DisplayText());
    } else {
        if (!FEditMaskAssigned)
            TCustomMaskEdit::SetEditMask(QString());
        if (DataIndependent())
            InternalSetValue(FDataLink.Value());
        else
            InternalSetText(QString());
    }
    // What was just read is the field's: nothing to write back.
    FDataLink.SetModified(false);
    setModified(false);
    UpdateReadOnlyState();
    UpdateImageIndex();
}

void TCustomDBEditMv::FollowField(const TField* Field, bool FollowSize)
{
    if (!FAlignmentAssigned && FAlignment != Field->Alignment()) {
        FAlignment = Field->Alignment();
        ApplyAlignment();
    }
    if (FollowSize && IsStringField(Field) && MaxLength() == 0)
        SetMaxLength(Field->Size());
    if (!FEditMaskAssigned)
        TCustomMaskEdit::SetEditMask(Field->EditMask());
}

void TCustomDBEditMv::EditingChange()
{
    UpdateReadOnlyState();
}

void TCustomDBEditMv::ActiveChange()
{
    UpdateReadOnlyState();
}

QString TCustomDBEditMv::GetDisplayText() const
{
    if (const TField* field = Field())
        return ApplyCharCase(field->DisplayText());
    return text();
}

Variant TCustomDBEditMv::GetVariantValue() const
{
    if (DataIndependent())
        return FDataLink.Value();
    const auto& fields = FDataLink.Fields();
    if (fields.size() == 1)
        return fields.front()->Value();
    if (fields.size() > 1)
        return FDataLink.DataSet()->GetFieldValue(FDataLink.FieldName());
    return Variant::Null();
}

void TCustomDBEditMv::UpdateReadOnlyState()
{
    bool readOnly = FReadOnly;
    if (!readOnly && !FDataLink.Editing()) {
        const TDataSource* source = DataSource();
        readOnly = !(OnUpdateData && source && source->State() == dsEdit);
    }
    SetWindowReadOnly(readOnly || HolderRefusesEdit());
}

bool TCustomDBEditMv::HolderRefusesEdit() const
{
    IInplaceEditHolderMv* holder = Holder();
    return holder && !holder->InplaceEditCanModify(const_cast<TCustomDBEditMv*>(this));
}

void TCustomDBEditMv::SetWindowReadOnly(bool Value)
{
    FWindowReadOnly = Value;
}

bool TCustomDBEditMv::EditCanModify()
{
    return !FWindowReadOnly;
}

void TCustomDBEditMv::Change()
{
    FDataLink.SetModified(true);
    UpdateImageIndex();
    update();
    if (OnChange)
        OnChange(this);
}

void TCustomDBEditMv::UserTextEdited()
{
    // The recent values follow what is typed.
    // A masked text with nothing typed is the mask applied to an empty text.
    if (MRUListShown() && TextEmpty()) {
        CloseUp(false);
        return;
    }
    const bool otherDropDown = DroppedDown() && !MRUListShown();
    if (FMRUList->Active() && isVisible() && hasFocus() && !otherDropDown && !TextEmpty())
        FMRUList->DropDown();
}

int TCustomDBEditMv::DefaultImageIndex() const
{
    return -1;
}

void TCustomDBEditMv::UpdateImageIndex()
{
    int index = DefaultImageIndex();
    if (const Variant value = GetVariantValue(); value.IsNumeric()) {
        const double rounded = std::round(value.AsFloat());
        index = rounded >= INT_MIN && rounded <= INT_MAX ? int(rounded) : -1;
    }
    if (OnGetImageIndex)
        OnGetImageIndex(this, index);
    FEditImage->SetImageIndex(index);
}

bool TCustomDBEditMv::IsValidChar(QChar Key) const
{
    const TField* field = Field();
    return !field || field->IsValidChar(Key);
}

bool TCustomDBEditMv::CanDropDown() const
{
    return isEnabled();
}

bool TCustomDBEditMv::DroppedDown() const
{
    return MRUListShown();
}
