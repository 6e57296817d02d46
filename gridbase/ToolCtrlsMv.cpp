#include "gridbase/ToolCtrlsMv.h"

#include "gridbase/WinApiMv.h"
#include "platform/Exceptions.h"
#include "platform/db/DataSet.h"

#include <algorithm>

// ---- TDataLinkMv --------------------------------------------------------

void TDataLinkMv::DataEvent(TDataEvent event, std::intptr_t info)
{
    TDataLink::DataEvent(event, info);
    if (OnDataEvent)
        OnDataEvent(event, info);
}

// ---- TDatasetFieldValueListMv -------------------------------------------

TDatasetFieldValueListMv::TDatasetFieldValueListMv()
    : FDataSource(std::make_unique<TDataSource>()), FDataLink(std::make_unique<TDataLinkMv>())
{
    FValues.SetSorted(true);
    FValues.Duplicates = TStringList::TDuplicates::dupIgnore;
    FDataLink->OnDataEvent = [this](TDataEvent event, std::intptr_t) { DataEventHandler(event); };
    FDataLink->SetDataSource(FDataSource.get());
}

TDatasetFieldValueListMv::~TDatasetFieldValueListMv()
{
    FDataLink->OnDataEvent = nullptr;
    FDataSource->SetDataSet(nullptr);
}

void TDatasetFieldValueListMv::SetFieldName(const QString& fieldName)
{
    if (fieldName != FFieldName) {
        FFieldName = fieldName;
        FDirty = true;
    }
}

TDataSet* TDatasetFieldValueListMv::GetDataSet() const
{
    return FDataSource->DataSet();
}

void TDatasetFieldValueListMv::SetDataSet(TDataSet* dataSet)
{
    if (dataSet != FDataSource->DataSet()) {
        FDataSource->SetDataSet(dataSet);
        FDirty = true;
    }
}

void TDatasetFieldValueListMv::DataEventHandler(TDataEvent event)
{
    if (event == deDataSetChange || event == dePropertyChange || event == deFieldListChange)
        FDirty = true;
}

const TStringList& TDatasetFieldValueListMv::GetValues()
{
    if (FDirty)
        Refresh();
    return FValues;
}

void TDatasetFieldValueListMv::Refresh()
{
    FValues.Clear();
    TDataSet* dataSet = GetDataSet();
    TField* field = dataSet && dataSet->Active() ? dataSet->FindField(FFieldName) : nullptr;
    if (!field)
        return;
    // A walk that leaves the user's current record (and any edit) alone.
    dataSet->ForEachRecord([&] { FValues.Add(field->AsString()); });
    FDirty = false;
}

// ---- TBMListMv ----------------------------------------------------------

int TBMListMv::IndexOf(const TBookmark& bookmark) const
{
    int index = -1;
    return Find(bookmark, index) ? index : -1;
}

TBookmark TBMListMv::CurrentRow() const
{
    if (!FLinkActive)
        RaiseBMListError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    return GetDataSet()->Bookmark();
}

bool TBMListMv::CurrentRowSelected() const
{
    int index = -1;
    return Find(CurrentRow(), index);
}

void TBMListMv::SetCurrentRowSelected(bool value)
{
    const TBookmark current = CurrentRow();
    if (current.isEmpty())
        return;
    int index = -1;
    if (Find(current, index) == value)
        return;
    if (value)
        InsertBookmark(index, current);
    else
        DeleteBookmark(index);
}

void TBMListMv::Clear()
{
    if (FList.isEmpty())
        return;
    FList.clear();
    StringsChanged();
    Invalidate();
    Changed();
}

void TBMListMv::Delete()
{
    TDataSet* dataSet = GetDataSet();
    {
        TDisableControlsGuard guard(*dataSet);
        for (int i = Count() - 1; i >= 0; --i) {
            // A record that has gone meanwhile only leaves the list.
            if (dataSet->BookmarkValid(FList[i])) {
                dataSet->GotoBookmark(FList[i]);
                dataSet->Delete();
            }
            DeleteBookmark(i);
        }
    }
    Invalidate();
}

void TBMListMv::SetLinkActive(bool value)
{
    Clear();
    Invalidate();
    FLinkActive = value;
}

int TBMListMv::Compare(const TBookmark& a, const TBookmark& b) const
{
    return DataSetCompareBookmarks(GetDataSet(), a, b);
}

void TBMListMv::SortIfOrderChanged() const
{
    const TDataSet* dataSet = GetDataSet();
    if (!dataSet)
        return;
    if (dataSet == FSortedFor && dataSet->OrderChangeCount() == FSortedAt)
        return;
    FSortedFor = dataSet;
    FSortedAt = dataSet->OrderChangeCount();
    if (FList.size() < 2)
        return;
    std::stable_sort(FList.begin(), FList.end(), [this](const QString& a, const QString& b) { return Compare(a, b) < 0; });
    FCacheIndex = -1;
}

bool TBMListMv::Find(const TBookmark& bookmark, int& index) const
{
    SortIfOrderChanged();
    if (bookmark == FCacheBookmark && FCacheIndex >= 0) {
        index = FCacheIndex;
        return FCacheFound;
    }
    bool found = false;
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int c = Compare(FList[middle], bookmark);
        if (c >= 0) {
            high = middle - 1;
            if (c == 0) {
                found = true;
                low = middle;
            }
        } else {
            low = middle + 1;
        }
    }
    index = low;
    FCacheBookmark = bookmark;
    FCacheIndex = index;
    FCacheFound = found;
    return found;
}

void TBMListMv::RaiseBMListError(const QString& message) const
{
    throw Exception(message);
}

void TBMListMv::StringsChanged()
{
    FCacheIndex = -1;
}

void TBMListMv::InsertBookmark(int index, const TBookmark& bookmark)
{
    FList.insert(index, bookmark);
    StringsChanged();
}

void TBMListMv::DeleteBookmark(int index)
{
    FList.removeAt(index);
    StringsChanged();
}

// ---- values and field lists ---------------------------------------------

bool VarEqualsMv(const Variant& a, const Variant& b)
{
    if (a.IsArray() != b.IsArray())
        return false;
    if (a.IsArray()) {
        const auto& x = a.Elements();
        const auto& y = b.Elements();
        if (x.size() != y.size())
            return false;
        for (size_t i = 0; i < x.size(); ++i)
            if (!(x[i] == y[i]))
                return false;
        return true;
    }
    if (a.IsUnassigned() != b.IsUnassigned())
        return false;
    return a == b;
}

void DataSetGetFieldList(std::vector<TField*>* list, const TDataSet& dataSet, const QObject* component, const QString& fieldNames)
{
    std::vector<TField*> found;
    int pos = 0;
    while (pos < fieldNames.size()) {
        const QString name = ExtractFieldName(fieldNames, pos);
        TField* field = dataSet.FindField(name);
        if (!field)
            DatabaseError(QStringLiteral("Field '%1' not found").arg(name), component);
        found.push_back(field);
    }
    // Only a complete list is added.
    if (list)
        list->insert(list->end(), found.begin(), found.end());
}

std::vector<TField*> DataSetGetFieldArray(const TDataSet& dataSet, const QObject* component, const QString& fieldNames)
{
    std::vector<TField*> fields;
    DataSetGetFieldList(&fields, dataSet, component, fieldNames);
    return fields;
}

void DataSetSetFieldValues(TDataSet& dataSet, const QString& fieldNames, const Variant& value)
{
    if (VarEqualsMv(value, Variant::Null())) {
        for (TField* field : DataSetGetFieldArray(dataSet, nullptr, fieldNames))
            field->Clear();
        return;
    }
    dataSet.SetFieldValue(fieldNames, value);
}
