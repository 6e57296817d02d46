#include "platform/db/DataSource.h"

#include "platform/db/DataSet.h"

#include <algorithm>

// ---- TDataSource --------------------------------------------------------

TDataSource::TDataSource(QObject* parent) : QObject(parent) {}

TDataSource::~TDataSource()
{
    if (FDataSet)
        FDataSet->RemoveDataSource(this);
    const auto links = FLinks;
    FLinks.clear();
    for (TDataLink* link : links)
        link->DataSourceDestroyed();
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == FDataSet)
        return;
    // Through inactive, so that the links hear of the change of data even
    // when both datasets are open.
    if (FDataSet)
        FDataSet->RemoveDataSource(this);
    if (dataSet)
        dataSet->AddDataSource(this);
}

void TDataSource::SetEnabled(bool enabled)
{
    if (enabled != FEnabled) {
        FEnabled = enabled;
        UpdateState();
    }
}

void TDataSource::Edit()
{
    if (AutoEdit && FState == dsBrowse && FDataSet)
        FDataSet->Edit();
}

void TDataSource::UpdateState()
{
    const TDataSetState state = FEnabled && FDataSet ? FDataSet->State() : dsInactive;
    if (state == FState)
        return;
    FState = state;
    NotifyLinks(deUpdateState, 0);
    OnStateChange(*this);
}

void TDataSource::DataSetDestroyed()
{
    FDataSet = nullptr;
    UpdateState();
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (FState == dsInactive)
        return;
    NotifyLinks(event, info);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        OnDataChange(*this, reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        OnDataChange(*this, nullptr);
        break;
    case deUpdateRecord:
        OnUpdateData(*this);
        break;
    default:
        break;
    }
}

void TDataSource::NotifyLinks(TDataEvent event, std::intptr_t info)
{
    // A copy, and each link checked again: a handler may drop links.
    const auto links = FLinks;
    for (TDataLink* link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
            link->DataEvent(event, info);
}

void TDataSource::AddLink(TDataLink* link)
{
    FLinks.push_back(link);
    if (FDataSet)
        FDataSet->UpdateBufferCount();
}

void TDataSource::RemoveLink(TDataLink* link)
{
    std::erase(FLinks, link);
    if (FDataSet)
        FDataSet->UpdateBufferCount();
}

// ---- TDataLink ----------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    // No virtual handler may run here: the derived link is gone already.
    if (FDataSource) {
        TDataSource* source = FDataSource;
        FDataSource = nullptr;
        FActive = false;
        source->RemoveLink(this);
    }
}

TDataSet* TDataLink::DataSet() const
{
    return FDataSource ? FDataSource->DataSet() : nullptr;
}

void TDataLink::SetDataSource(TDataSource* dataSource)
{
    if (dataSource == FDataSource)
        return;
    if (FDataSource) {
        TDataSource* old = FDataSource;
        FDataSource = nullptr;
        old->RemoveLink(this);
        UpdateState();
    }
    if (dataSource) {
        FDataSource = dataSource;
        dataSource->AddLink(this);
        UpdateState();
    }
}

void TDataLink::DataSourceDestroyed()
{
    FDataSource = nullptr;
    UpdateState();
}

void TDataLink::SetReadOnly(bool readOnly)
{
    if (readOnly != FReadOnly) {
        FReadOnly = readOnly;
        UpdateState();
    }
}

void TDataLink::UpdateState()
{
    const TDataSetState state = FDataSource ? FDataSource->State() : dsInactive;
    SetActive(state != dsInactive);
    SetEditing(FActive && (state == dsEdit || state == dsInsert || state == dsSetKey) && !FReadOnly);
}

void TDataLink::SetActive(bool active)
{
    if (active == FActive)
        return;
    FActive = active;
    if (active)
        UpdateRange();
    else
        FFirstRecord = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool editing)
{
    if (editing != FEditing) {
        FEditing = editing;
        EditingChanged();
    }
}

void TDataLink::UpdateRange()
{
    const TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    const int active = dataSet->ActiveRecord();
    const int low = std::max(0, active - FBufferCount + 1);
    const int high = std::min(active, std::max(0, dataSet->BufferCount() - FBufferCount));
    FFirstRecord = std::clamp(FFirstRecord, low, std::max(low, high));
}

void TDataLink::ShiftWindow(int rows)
{
    FFirstRecord += rows;
    UpdateRange();
}

int TDataLink::ActiveRecord() const
{
    const TDataSet* dataSet = DataSet();
    if (!FActive || !dataSet || FDataSource->State() == dsSetKey)
        return 0;
    return dataSet->ActiveRecord() - FFirstRecord;
}

void TDataLink::SetActiveRecord(int index)
{
    TDataSet* dataSet = DataSet();
    if (FActive && dataSet && FDataSource->State() != dsSetKey)
        dataSet->SetActiveRecordFromLink(index + FFirstRecord);
}

void TDataLink::SetBufferCount(int count)
{
    count = std::max(0, count);
    if (count == FBufferCount)
        return;
    FBufferCount = count;
    if (FActive) {
        DataSet()->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::RecordCount() const
{
    const TDataSet* dataSet = DataSet();
    if (!FActive || !dataSet)
        return 0;
    return std::clamp(dataSet->BufferRecordCount() - FFirstRecord, 0, FBufferCount);
}

bool TDataLink::Edit()
{
    if (!FReadOnly && FDataSource)
        FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord()
{
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating)
            RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        // The link's window moves only as far as it must to keep the
        // current record inside it.
        const int active = DataSet()->ActiveRecord();
        const int first = FFirstRecord + (event == deDataSetScroll ? int(info) : 0);
        const int last = first + FBufferCount - 1;
        int count = 0;
        if (active > last)
            count = active - last;
        else if (active < first)
            count = active - first;
        FFirstRecord = std::max(0, first + count);
        if (event == deDataSetChange)
            DataSetChanged();
        else if (event == deDataSetScroll)
            DataSetScrolled(count);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(*reinterpret_cast<TField**>(info));
        break;
    default:
        break;
    }
}
