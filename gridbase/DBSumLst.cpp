#include "gridbase/DBSumLst.h"

#include "platform/Exceptions.h"
#include "platform/db/DataSource.h"

#include "gridbase/WinApiMv.h"

#include <algorithm>
#include <cmath>

namespace {

qint64 Fixed(double value)
{
    return qint64(std::llround(value * 10000.0));
}

qint64 Average(qint64 total, qint32 count)
{
    return count == 0 ? 0 : qint64(std::llround(double(total) / double(count)));
}

} // namespace

// ---- TDBSum and its collection ------------------------------------------

void TDBSum::SetFieldName(const QString& fieldName)
{
    if (fieldName != FFieldName) {
        FFieldName = fieldName;
        Changed();
    }
}

void TDBSum::SetGroupOperation(TGroupOperation operation)
{
    if (operation != FGroupOperation) {
        FGroupOperation = operation;
        Changed();
    }
}

void TDBSum::SetSumValue(double value)
{
    // 9.2e14 with four decimals is the fixed-point limit.
    constexpr double limit = 9.2e14;
    if (!std::isfinite(value) || std::abs(value) >= limit)
        throw EConvertError(QStringLiteral("'%1' is not a valid sum value").arg(value));
    FValue = Fixed(value);
    FOldContribution = 0;
}

void TDBSum::Assign(const TDBSum& source)
{
    FGroupOperation = source.FGroupOperation;
    FFieldName = source.FFieldName;
    FOldContribution = source.FOldContribution;
    FValue = source.FValue;
    Changed();
}

void TDBSum::Changed()
{
    if (FCollection)
        FCollection->Changed();
}

TDBSum* TDBSumCollection::Add()
{
    FItems.push_back(std::make_unique<TDBSum>(this));
    Changed();
    return FItems.back().get();
}

void TDBSumCollection::Delete(int index)
{
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TDBSumCollection::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    Changed();
}

TDBSum* TDBSumCollection::FindSumByOperation(TGroupOperation operation, const QString& fieldName) const
{
    for (const auto& item : FItems)
        if (item->GroupOperation() == operation && item->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

void TDBSumCollection::Assign(const TDBSumCollection& source)
{
    FItems.clear();
    for (const auto& item : source.FItems) {
        auto copy = std::make_unique<TDBSum>(this);
        copy->FGroupOperation = item->FGroupOperation;
        copy->FFieldName = item->FFieldName;
        copy->FOldContribution = item->FOldContribution;
        copy->FValue = item->FValue;
        FItems.push_back(std::move(copy));
    }
    Changed();
}

// ---- TDBSumListProducer -------------------------------------------------

TDBSumListProducer::TDBSumListProducer()
    : FSumCollection([this] {
          if (!FDestroying)
              RecalcAll();
      })
{
}

TDBSumListProducer::~TDBSumListProducer()
{
    FDestroying = true;
    FConnections.clear();
}

void TDBSumListProducer::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == FDataSet)
        return;
    if (FEventsHooked) {
        ReturnEvents();
        ClearSumValues();
    }
    FDataSet = dataSet;
    if (FActive && FDataSet) {
        SetDataSetEvents();
        RecalcAll();
    }
}

void TDBSumListProducer::SetActive(bool active)
{
    if (active == FActive)
        return;
    FActive = active;
    if (active) {
        SetDataSetEvents();
        RecalcAll();
    } else {
        ReturnEvents();
        ClearSumValues();
    }
}

void TDBSumListProducer::SetExternalRecalc(bool value)
{
    if (value != FExternalRecalc) {
        FExternalRecalc = value;
        RecalcAll();
    }
}

void TDBSumListProducer::SetVirtualRecords(bool value)
{
    if (value != FVirtualRecords) {
        FVirtualRecords = value;
        if (value)
            RecalcAll();
    }
}

void TDBSumListProducer::Assign(const TDBSumListProducer& source)
{
    SetActive(false);
    SetDataSet(source.FDataSet);
    FExternalRecalc = source.FExternalRecalc;
    OnRecalcAll = source.OnRecalcAll;
    OnAfterRecalcAll = source.OnAfterRecalcAll;
    SumListChanged = source.SumListChanged;
    FVirtualRecords = source.FVirtualRecords;
    FSumCollection.Assign(source.FSumCollection);
    SetActive(source.FActive);
}

void TDBSumListProducer::SetDataSetEvents()
{
    if (FEventsHooked || !FDataSet)
        return;
    TDataSet& ds = *FDataSet;
    FConnections.emplace_back(ds.AfterOpen.Connect([this](TDataSet& d) { DataSetAfterOpen(d); }));
    FConnections.emplace_back(ds.AfterClose.Connect([this](TDataSet& d) { DataSetAfterClose(d); }));
    FConnections.emplace_back(ds.AfterInsert.Connect([this](TDataSet& d) { DataSetAfterInsert(d); }));
    FConnections.emplace_back(ds.AfterEdit.Connect([this](TDataSet& d) { DataSetAfterEdit(d); }));
    FConnections.emplace_back(ds.AfterPost.Connect([this](TDataSet& d) { DataSetAfterPost(d); }));
    FConnections.emplace_back(ds.AfterCancel.Connect([this](TDataSet& d) { DataSetAfterCancel(d); }));
    FConnections.emplace_back(ds.BeforeDelete.Connect([this](TDataSet& d) { DataSetBeforeDelete(d); }));
    FConnections.emplace_back(ds.AfterScroll.Connect([this](TDataSet& d) { DataSetAfterScroll(d); }));
    // A detail dataset holds other records whenever its master moves.
    if (TDataSource* master = ds.MasterSource(); master && master->DataSet()) {
        FMasterDataSet = master->DataSet();
        FConnections.emplace_back(FMasterDataSet->AfterScroll.Connect([this](TDataSet& d) { MasterAfterScroll(d); }));
    }
    FEventsHooked = true;
}

void TDBSumListProducer::ReturnEvents()
{
    FConnections.clear();
    FMasterDataSet = nullptr;
    FEventsHooked = false;
}

bool TDBSumListProducer::BookmarkListApplies() const
{
    return FVirtualRecords && FActive && FDataSet && !FDataSet->IsSequenced();
}

bool TDBSumListProducer::Walks(const TDBSum& sum) const
{
    return sum.GroupOperation() == goCount || !sum.FieldName().isEmpty();
}

TField* TDBSumListProducer::FieldOf(const TDBSum& sum) const
{
    return FDataSet && !sum.FieldName().isEmpty() ? FDataSet->FindField(sum.FieldName()) : nullptr;
}

void TDBSumListProducer::FireChanged()
{
    if (SumListChanged)
        SumListChanged(*this);
}

void TDBSumListProducer::ClearSumValues()
{
    for (int i = 0; i < FSumCollection.Count(); ++i) {
        TDBSum& sum = *FSumCollection.Items(i);
        sum.FValue = 0;
        sum.FOldContribution = 0;
        sum.FAvgTotal = 0;
        sum.FAvgCount = 0;
    }
    FBookmarks.clear();
    FireChanged();
}

namespace {

// What the active record adds to an aggregate, and whether the field has
// a value.
qint64 Contribution(const TDBSum& sum, const TField* field, bool& hasValue)
{
    hasValue = field && !field->IsNull();
    if (sum.GroupOperation() == goCount)
        return sum.FieldName().isEmpty() || hasValue ? 10000 : 0;
    return hasValue ? Fixed(field->AsFloat()) : 0;
}

} // namespace

void TDBSumListProducer::RecalcAll()
{
    if (!FActive || !FDataSet || !FDataSet->Active() || !FEventsHooked)
        return;
    ClearSumValues();
    FLastFoundIndex = -1;
    if (OnRecalcAll)
        OnRecalcAll(*this);
    FRecalculating = true;
    try {
        bool walk = BookmarkListApplies();
        for (int i = 0; i < FSumCollection.Count(); ++i)
            walk = walk || Walks(*FSumCollection.Items(i));
        if (!FExternalRecalc && walk) {
            std::vector<std::pair<TDBSum*, TField*>> items;
            for (int i = 0; i < FSumCollection.Count(); ++i)
                items.emplace_back(FSumCollection.Items(i), FieldOf(*FSumCollection.Items(i)));
            const bool bookmarks = BookmarkListApplies();
            FBookmarks.clear();
            // The walk leaves the current record (and an edit) where it is.
            FDataSet->ForEachRecord([&] {
                for (auto& [sum, field] : items) {
                    if (!Walks(*sum))
                        continue;
                    bool hasValue = false;
                    const qint64 c = Contribution(*sum, field, hasValue);
                    if (sum->GroupOperation() == goAvg) {
                        sum->FAvgTotal += c;
                        sum->FAvgCount += hasValue ? 1 : 0;
                    } else {
                        sum->FValue += c;
                    }
                }
                if (bookmarks)
                    FBookmarks << FDataSet->Bookmark();
            });
            FBookmarksSortedAt = FDataSet->OrderChangeCount();
            for (auto& [sum, field] : items)
                if (sum->GroupOperation() == goAvg)
                    sum->FValue = Average(sum->FAvgTotal, sum->FAvgCount);
        }
    } catch (...) {
        FRecalculating = false;
        throw;
    }
    if (OnAfterRecalcAll)
        OnAfterRecalcAll(*this);
    FFilter = FDataSet->Filter();
    FFiltered = FDataSet->Filtered();
    FFilterChangeCount = FDataSet->FilterChangeCount();
    FRecalculating = false;
    FireChanged();
}

void TDBSumListProducer::DataSetAfterEdit(TDataSet&)
{
    for (int i = 0; i < FSumCollection.Count(); ++i) {
        TDBSum& sum = *FSumCollection.Items(i);
        if (!Walks(sum))
            continue;
        TField* field = FieldOf(sum);
        bool hasValue = false;
        sum.FOldContribution = Contribution(sum, field, hasValue);
        sum.FOldValue = hasValue ? field->Value() : Variant::Null();
    }
}

void TDBSumListProducer::DataSetAfterInsert(TDataSet&)
{
    // The new record has not been counted yet, whatever defaults it got.
    for (int i = 0; i < FSumCollection.Count(); ++i) {
        TDBSum& sum = *FSumCollection.Items(i);
        sum.FOldContribution = 0;
        sum.FOldValue = Variant();
    }
    if (BookmarkListApplies())
        FPendingInsert = true;
}

void TDBSumListProducer::DataSetAfterPost(TDataSet&)
{
    for (int i = 0; i < FSumCollection.Count(); ++i) {
        TDBSum& sum = *FSumCollection.Items(i);
        if (!Walks(sum))
            continue;
        TField* field = FieldOf(sum);
        bool hasValue = false;
        const qint64 now = Contribution(sum, field, hasValue);
        if (sum.GroupOperation() == goAvg) {
            const bool hadValue = !sum.FOldValue.IsClear();
            if (hadValue && !hasValue)
                --sum.FAvgCount;
            else if (!hadValue && hasValue)
                ++sum.FAvgCount;
            sum.FAvgTotal += now - sum.FOldContribution;
            sum.FValue = Average(sum.FAvgTotal, sum.FAvgCount);
        } else {
            sum.FValue += now - sum.FOldContribution;
        }
        sum.FOldContribution = now;
        sum.FOldValue = hasValue ? field->Value() : Variant::Null();
    }
    if (FPendingInsert && BookmarkListApplies())
        InsertPendingBookmark();
    FPendingInsert = false;
    FireChanged();
}

void TDBSumListProducer::DataSetAfterCancel(TDataSet&)
{
    FPendingInsert = false;
}

void TDBSumListProducer::DataSetBeforeDelete(TDataSet& dataSet)
{
    // A record deleted in edit state goes with what it held before the edit.
    const bool editing = dataSet.State() == dsEdit;
    for (int i = 0; i < FSumCollection.Count(); ++i) {
        TDBSum& sum = *FSumCollection.Items(i);
        if (!Walks(sum))
            continue;
        bool hasValue = false;
        qint64 c = Contribution(sum, FieldOf(sum), hasValue);
        if (editing) {
            c = sum.FOldContribution;
            hasValue = !sum.FOldValue.IsClear();
        }
        if (sum.GroupOperation() == goAvg) {
            sum.FAvgCount -= hasValue ? 1 : 0;
            sum.FAvgTotal -= c;
            sum.FValue = Average(sum.FAvgTotal, sum.FAvgCount);
        } else {
            sum.FValue -= c;
        }
    }
    if (BookmarkListApplies()) {
        const int index = FindVirtualRecord(dataSet.Bookmark());
        if (index >= 0)
            FBookmarks.removeAt(index);
    }
    FireChanged();
}

void TDBSumListProducer::DataSetAfterOpen(TDataSet&)
{
    RecalcAll();
}

void TDBSumListProducer::DataSetAfterClose(TDataSet&)
{
    ClearSumValues();
    FRecalculating = false;
}

void TDBSumListProducer::DataSetAfterScroll(TDataSet& dataSet)
{
    if (!FActive || FRecalculating)
        return;
    if (dataSet.Filtered() != FFiltered || (dataSet.Filtered() && dataSet.Filter() != FFilter)
        || dataSet.FilterChangeCount() != FFilterChangeCount)
        RecalcAll();
}

void TDBSumListProducer::MasterAfterScroll(TDataSet&)
{
    if (FActive && !FRecalculating)
        RecalcAll();
}

// ---- record numbers through the bookmark list ---------------------------

int TDBSumListProducer::GetRecNo() const
{
    if (!FDataSet)
        return 0;
    if (!BookmarkListApplies())
        return FDataSet->RecNo();
    const int index = int(FBookmarks.indexOf(FDataSet->Bookmark()));
    return index + 1;
}

void TDBSumListProducer::SetRecNo(int recNo)
{
    if (!FDataSet)
        return;
    if (!BookmarkListApplies()) {
        FDataSet->SetRecNo(recNo);
        return;
    }
    if (recNo >= 1 && recNo <= FBookmarks.size())
        FDataSet->GotoBookmark(FBookmarks[recNo - 1]);
}

int TDBSumListProducer::GetRecordCount() const
{
    if (!FDataSet)
        return 0;
    return BookmarkListApplies() ? int(FBookmarks.size()) : FDataSet->RecordCount();
}

bool TDBSumListProducer::IsSequenced() const
{
    if (!FDataSet)
        return false;
    if (!BookmarkListApplies())
        return FDataSet->IsSequenced();
    return !FBookmarks.isEmpty() || (FDataSet->Bof() && FDataSet->Eof());
}

void TDBSumListProducer::SortBookmarksIfOrderChanged()
{
    if (!FDataSet || FDataSet->OrderChangeCount() == FBookmarksSortedAt)
        return;
    FBookmarksSortedAt = FDataSet->OrderChangeCount();
    std::stable_sort(FBookmarks.begin(), FBookmarks.end(),
                     [this](const QString& a, const QString& b) { return DataSetCompareBookmarks(FDataSet, a, b) < 0; });
    FLastFoundIndex = -1;
}

int TDBSumListProducer::FindVirtualRecord(const TBookmark& bookmark)
{
    if (FBookmarks.isEmpty() || !FDataSet)
        return -1;
    SortBookmarksIfOrderChanged();
    const int n = int(FBookmarks.size());
    int i = FLastFoundIndex >= 0 && FLastFoundIndex < n ? FLastFoundIndex : 0;
    int c = DataSetCompareBookmarks(FDataSet, FBookmarks[i], bookmark);
    while (c > 0) {
        if (--i < 0)
            return -1;
        c = DataSetCompareBookmarks(FDataSet, FBookmarks[i], bookmark);
    }
    while (c < 0) {
        if (++i >= n)
            return -1;
        c = DataSetCompareBookmarks(FDataSet, FBookmarks[i], bookmark);
    }
    if (c != 0)
        return -1;
    FLastFoundIndex = i;
    return i;
}

void TDBSumListProducer::InsertPendingBookmark()
{
    SortBookmarksIfOrderChanged();
    const TBookmark bookmark = FDataSet->Bookmark();
    const auto at = std::lower_bound(FBookmarks.begin(), FBookmarks.end(), bookmark,
                                     [this](const QString& a, const QString& b) { return DataSetCompareBookmarks(FDataSet, a, b) < 0; });
    FBookmarks.insert(at, bookmark);
}
