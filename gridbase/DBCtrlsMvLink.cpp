// The field link of the data-aware controls and the edit's image.

#include "gridbase/DBCtrlsMv.h"

#include "platform/ImageList.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"

#include <QWidget>
#include <algorithm>

// ---------------------------------------------------------------- TFieldDataLinkMv

TFieldDataLinkMv::TFieldDataLinkMv(QObject* Control) : FControl(Control) {}

void TFieldDataLinkMv::SetDataSource(TDataSource* Value)
{
    TDataLink::SetDataSource(Value);
    UpdateDataIndependent();
}

void TFieldDataLinkMv::SetFieldName(const QString& Value)
{
    if (FFieldName == Value)
        return;
    FFieldName = Value;
    UpdateDataIndependent();
    UpdateField();
}

void TFieldDataLinkMv::SetMultiFields(bool Value)
{
    if (FMultiFields == Value)
        return;
    FMultiFields = Value;
    UpdateField();
}

void TFieldDataLinkMv::UpdateDataIndependent()
{
    const bool independent = !DataSource() && FFieldName.isEmpty();
    if (independent == FDataIndependent)
        return;
    FDataIndependent = independent;
    // Each switch of mode starts the own value afresh.
    FValue = Variant();
    SetEditing(false);
    if (independent) {
        SetFields({});
        ReportDataChange();
    } else {
        EditingChanged();
    }
}

void TFieldDataLinkMv::UpdateField()
{
    std::vector<TField*> fields;
    TDataSet* dataSet = DataSet();
    if (Active() && dataSet && !FFieldName.isEmpty()) {
        // A missing field raises, as binding a control to it must.
        if (FMultiFields)
            fields = dataSet->GetFieldList(FFieldName);
        else
            fields.push_back(dataSet->FieldByName(FFieldName));
    }
    SetFields(std::move(fields));
}

void TFieldDataLinkMv::SetFields(std::vector<TField*> Fields)
{
    if (Fields == FFields)
        return;
    FFields = std::move(Fields);
    EditingChanged();
    RecordChanged(nullptr);
}

bool TFieldDataLinkMv::CanModify() const
{
    if (ReadOnly())
        return false;
    if (FDataIndependent)
        return true;
    if (FFields.empty())
        return false;
    return std::all_of(FFields.begin(), FFields.end(), [](const TField* field) { return field->CanModify(); });
}

bool TFieldDataLinkMv::Edit()
{
    if (FDataIndependent) {
        if (!ReadOnly())
            SetEditing(true);
        return FEditing;
    }
    if (CanModify())
        TDataLink::Edit();
    return FEditing;
}

void TFieldDataLinkMv::Reset()
{
    RecordChanged(nullptr);
}

void TFieldDataLinkMv::SetEditing(bool Value)
{
    if (FEditing == Value)
        return;
    FEditing = Value;
    FModified = false;
    if (OnEditingChange)
        OnEditingChange(this);
}

void TFieldDataLinkMv::ReportDataChange()
{
    if (OnDataChange)
        OnDataChange(this);
    FModified = false;
}

void TFieldDataLinkMv::SetValue(const Variant& Value)
{
    if (FDataIndependent) {
        FValue = Value;
        ReportDataChange();
        return;
    }
    if (FFields.size() == 1)
        FFields.front()->SetValue(Value);
    else if (!FFields.empty())
        DataSetSetFieldValues(*DataSet(), FFieldName, Value);
}

void TFieldDataLinkMv::SetText(const QString& Text)
{
    if (FDataIndependent) {
        SetValue(Variant(Text));
        return;
    }
    TField* field = Field();
    if (!field)
        return;
    if (field->DataType() == ftMemo || field->DataType() == ftFmtMemo)
        field->SetAsString(Text);
    else
        field->SetEditText(Text);
}

void TFieldDataLinkMv::ActiveChanged()
{
    UpdateField();
    if (OnActiveChange)
        OnActiveChange(this);
}

void TFieldDataLinkMv::EditingChanged()
{
    if (FDataIndependent)
        return;
    SetEditing(TDataLink::Editing() && CanModify());
}

void TFieldDataLinkMv::FocusControl(TField*& Field)
{
    if (!Field || std::find(FFields.begin(), FFields.end(), Field) == FFields.end())
        return;
    auto* widget = qobject_cast<QWidget*>(FControl);
    if (widget && widget->isEnabled() && widget->isVisible() && widget->focusPolicy() != Qt::NoFocus) {
        Field = nullptr;
        widget->setFocus(Qt::OtherFocusReason);
    }
}

void TFieldDataLinkMv::LayoutChanged()
{
    UpdateField();
}

void TFieldDataLinkMv::RecordChanged(TField* Field)
{
    if (Field && std::find(FFields.begin(), FFields.end(), Field) == FFields.end())
        return;
    ReportDataChange();
}

void TFieldDataLinkMv::UpdateData()
{
    // Only a change made while editing is written: a text shown while the
    // dataset browses was never meant for the field.
    if (FModified && (FDataIndependent || (FEditing && !FFields.empty())) && OnUpdateData)
        OnUpdateData(this);
    FModified = false;
}

// ---------------------------------------------------------------- TEditImageMv

void TEditImageMv::SetImageIndex(int Value)
{
    if (FImageIndex == Value)
        return;
    FImageIndex = Value;
    FOwner->update();
}

void TEditImageMv::SetImages(TImageList* Value)
{
    if (FImages == Value)
        return;
    FImages = Value;
    LayoutChanged();
}

void TEditImageMv::SetUseImageHeight(bool Value)
{
    if (FUseImageHeight == Value)
        return;
    FUseImageHeight = Value;
    LayoutChanged();
}

void TEditImageMv::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    LayoutChanged();
}

void TEditImageMv::SetWidth(int Value)
{
    if (FWidth == Value)
        return;
    FWidth = Value;
    LayoutChanged();
}

void TEditImageMv::Assign(const TEditImageMv& Source)
{
    if (&Source == this)
        return;
    SetImages(Source.Images());
    SetImageIndex(Source.ImageIndex());
    SetVisible(Source.Visible());
    SetWidth(Source.Width());
}

void TEditImageMv::LayoutChanged()
{
    // The text rectangle and the height depend on the image: the edit lays
    // itself out again once the current changes are done.
    if (!FOwner->PrivateMessagePending(MV_EDITRECREATE))
        FOwner->PostPrivateMessage(MV_EDITRECREATE);
}
