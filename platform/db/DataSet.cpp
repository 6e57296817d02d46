#include "platform/db/DataSet.h"

#include "platform/Exceptions.h"
#include "platform/db/DataSource.h"
#include "platform/db/FieldKinds.h"

#include <algorithm>
#include <numeric>

TDataSet::TDataSet(QObject* parent) : QObject(parent), FFields(this) {}

TDataSet::~TDataSet()
{
    // No virtual operation and no listener runs here; the data sources are
    // left without a dataset and their links told that they are inactive.
    FState = dsInactive;
    const auto sources = FDataSources;
    FDataSources.clear();
    for (TDataSource* source : sources)
        source->DataSetDestroyed();
}

void TDataSet::SetActive(bool active)
{
    if (active == Active())
        return;
    if (active)
        DoOpen();
    else
        DoClose();
}

void TDataSet::DoOpen()
{
    BeforeOpen(*this);
    FState = dsOpening;
    const auto fail = [this] {
        FFields.RemoveNonPersistent();
        FStore = TRecordStore();
        FNatural.clear();
        FView.clear();
        FState = dsInactive;
    };
    try {
        InternalOpen();
        BindFields();
        ++FGeneration;
        ++FOrderChangeCount;
        FNatural.clear();
        FNatural.reserve(size_t(FStore.RowCount()));
        for (int row = 0; row < FStore.RowCount(); ++row)
            if (!FStore.Info(row).Removed && FStore.Info(row).Status != usDeleted)
                FNatural.push_back(row);
        FNaturalPosValid = false;
        FEditRow = -1;
        FEditBuffer.clear();
        FReadRow = -1;
        BeforeBuildView();
        BuildView();
    } catch (...) {
        fail();
        throw;
    }
    SetWindow(0, 0);
    FBof = true;
    FEof = FView.empty();
    SetState(dsBrowse);
    DataEvent(deFieldListChange, 0);
    AfterOpen(*this);
    if (!IsEmpty())
        AfterScroll(*this);
}

void TDataSet::DoClose()
{
    BeforeClose(*this);
    FEditRow = -1;
    FEditBuffer.clear();
    FReadRow = -1;
    SetState(dsInactive);
    InternalClose();
    FFields.RemoveNonPersistent();
    for (int i = 0; i < FFields.Count(); ++i)
        if (FFields[i]->FieldKind() == fkData)
            FFields[i]->FFieldNo = 0;
    FStore = TRecordStore();
    FNatural.clear();
    FView.clear();
    FNaturalPos.clear();
    FNaturalPosValid = false;
    FWinTop = FRecordCount = FActiveRecord = 0;
    FBof = FEof = true;
    AfterClose(*this);
}

void TDataSet::BindFields()
{
    bool persistentData = false;
    for (int i = 0; i < FFields.Count(); ++i)
        persistentData = persistentData || FFields[i]->FieldKind() == fkData;
    if (FStore.FieldCount() != FFieldDefs.Count())
        DatabaseError(QStringLiteral("The records do not match the field definitions"), this);
    int inserted = 0;
    for (int i = 0; i < FFieldDefs.Count(); ++i) {
        const TFieldDef& def = FFieldDefs[i];
        TField* field = FFields.FindField(def.Name);
        if (field && field->FieldKind() == fkData) {
            field->FFieldNo = i + 1;
        } else if (!persistentData) {
            auto made = CreateField(def.DataType, def.Name, def.Size, def.Precision);
            made->FRequired = def.Required;
            made->FFieldNo = i + 1;
            made->FDataSet = this;
            // Data fields before the persistent lookup fields.
            FFields.FList.insert(FFields.FList.begin() + inserted, std::move(made));
            ++inserted;
        }
    }
    for (int i = 0; i < FFields.Count(); ++i)
        if (FFields[i]->FieldKind() == fkData && FFields[i]->FFieldNo == 0)
            DatabaseError(QStringLiteral("Field '%1' not found").arg(FFields[i]->FieldName()), this);
}

TField* TDataSet::AddField(std::unique_ptr<TField> field)
{
    if (Active())
        DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), this);
    if (FFields.FindField(field->FieldName()))
        DatabaseError(QStringLiteral("Duplicate field name '%1'").arg(field->FieldName()), this);
    field->FPersistent = true;
    return FFields.Add(std::move(field));
}

bool TDataSet::DefaultFields() const
{
    for (int i = 0; i < FFields.Count(); ++i)
        if (FFields[i]->Persistent() && FFields[i]->FieldKind() == fkData)
            return false;
    return true;
}

std::vector<TField*> TDataSet::GetFieldList(const QString& fieldNames) const
{
    std::vector<TField*> list;
    int pos = 0;
    while (pos < fieldNames.size()) {
        const QString name = ExtractFieldName(fieldNames, pos);
        if (!name.isEmpty())
            list.push_back(FieldByName(name));
    }
    return list;
}

void TDataSet::CheckActive() const
{
    if (!Active())
        DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"), this);
}

void TDataSet::SetState(TDataSetState state)
{
    if (state == FState)
        return;
    FState = state;
    FModified = false;
    DataEvent(deUpdateState, 0);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info)
{
    if (event == deFieldChange) {
        const auto* field = reinterpret_cast<const TField*>(info);
        if (field && field->FieldKind() == fkData)
            FModified = true;
    }
    if (FDisableCount == 0 || event == deDisabledStateChange) {
        const auto sources = FDataSources;
        for (TDataSource* source : sources)
            if (std::find(FDataSources.begin(), FDataSources.end(), source) != FDataSources.end())
                source->DataEvent(event, info);
    } else if ((event == deUpdateState && FState == dsInactive) || event == deLayoutChange) {
        FEnableEvent = deLayoutChange;
    }
}

void TDataSet::DisableControls()
{
    if (FDisableCount == 0) {
        FDisableState = FState;
        FEnableEvent = deDataSetChange;
    }
    ++FDisableCount;
    if (FDisableCount == 1)
        DataEvent(deDisabledStateChange, 1);
}

void TDataSet::EnableControls()
{
    if (FDisableCount == 0)
        return;
    --FDisableCount;
    if (FDisableCount > 0)
        return;
    DataEvent(deDisabledStateChange, 0);
    if (FDisableState != FState)
        DataEvent(deUpdateState, 0);
    if (FDisableState != dsInactive && FState != dsInactive)
        DataEvent(FEnableEvent, 0);
}

void TDataSet::AddDataSource(TDataSource* source)
{
    FDataSources.push_back(source);
    source->FDataSet = this;
    UpdateBufferCount();
    source->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* source)
{
    std::erase(FDataSources, source);
    source->FDataSet = nullptr;
    UpdateBufferCount();
    source->UpdateState();
}

void TDataSet::UpdateBufferCount()
{
    int count = 1;
    for (const TDataSource* source : FDataSources)
        for (const TDataLink* link : source->FLinks)
            count = std::max(count, link->BufferCount());
    if (count == FBufferCount)
        return;
    FBufferCount = count;
    if (!Active() || FView.empty())
        return;
    const int oldTop = FWinTop;
    SetWindow(FWinTop + FActiveRecord, std::min(FActiveRecord, count - 1));
    // The links keep showing the same rows.
    const int shift = oldTop - FWinTop;
    for (TDataSource* source : FDataSources)
        for (TDataLink* link : source->FLinks)
            if (link->Active())
                link->ShiftWindow(shift);
}

TRecordStore TDataSet::TakeStore()
{
    TRecordStore store = std::move(FStore);
    FStore = TRecordStore();
    return store;
}

TDataSource* TDataSet::MasterSource() const
{
    return FMasterSource.data();
}

void TDataSet::SetMasterSource(TDataSource* source)
{
    FMasterSource = source;
}
