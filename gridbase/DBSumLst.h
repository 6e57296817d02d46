#pragma once
// Footer sum lists: running sums, averages and counts of fields of a
// dataset, kept up to date from the dataset's events by the difference each
// edited, inserted or deleted record makes, and recalculated by one walk
// over the records only when the data as a whole changes (open, a change of
// the filter, a move of the master dataset). Values are fixed-point with four decimals, each record's
// value rounded to them.
//
// Fixed here, against the obvious reading: a walk for a full recalculation
// leaves the user's current record where it was; an average counts a value
// that was null before an edit; an inserted record counts once even when it
// got a default value before its first edit event; deleting a record in
// edit state takes away what the record contributed before the edit.

#include "platform/Variant.h"
#include "platform/db/DataSet.h"
#include "platform/db/Multicast.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

enum TGroupOperation : std::uint8_t { goSum, goAvg, goCount };

class TDBSumCollection;
class TDBSumListProducer;

// One aggregate.
class TDBSum {
public:
    explicit TDBSum(TDBSumCollection* collection) : FCollection(collection) {}

    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& fieldName);
    TGroupOperation GroupOperation() const { return FGroupOperation; }
    void SetGroupOperation(TGroupOperation operation);
    // The value as a number and as value x 10000.
    double SumValue() const { return double(FValue) / 10000.0; }
    qint64 RawValue() const { return FValue; }
    // The value an OnRecalcAll handler worked out itself (ExternalRecalc),
    // rounded to four decimals; a value beyond the fixed-point range (or
    // not a number) is refused with EConvertError.
    void SetSumValue(double value);
    void Assign(const TDBSum& source);

private:
    friend class TDBSumListProducer;
    friend class TDBSumCollection;
    void Changed();

    TDBSumCollection* FCollection;
    QString FFieldName;
    TGroupOperation FGroupOperation = goSum;
    qint64 FValue = 0;
    qint64 FOldContribution = 0;
    Variant FOldValue;
    qint64 FAvgTotal = 0;
    qint32 FAvgCount = 0;
};

class TDBSumCollection {
public:
    explicit TDBSumCollection(std::function<void()> changed) : FChanged(std::move(changed)) {}
    TDBSumCollection(const TDBSumCollection&) = delete;
    TDBSumCollection& operator=(const TDBSumCollection&) = delete;

    TDBSum* Add();
    void Delete(int index);
    void Clear();
    int Count() const { return int(FItems.size()); }
    TDBSum* Items(int index) const { return FItems.at(size_t(index)).get(); }
    // The first item of the operation whose field name matches without
    // regard to case; null when there is none.
    TDBSum* FindSumByOperation(TGroupOperation operation, const QString& fieldName) const;
    void Assign(const TDBSumCollection& source);

private:
    friend class TDBSum;
    void Changed() const
    {
        if (FChanged)
            FChanged();
    }

    std::function<void()> FChanged;
    std::vector<std::unique_ptr<TDBSum>> FItems;
};

class TDBSumListProducer {
public:
    TDBSumListProducer();
    virtual ~TDBSumListProducer();
    TDBSumListProducer(const TDBSumListProducer&) = delete;
    TDBSumListProducer& operator=(const TDBSumListProducer&) = delete;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    bool Active() const { return FActive; }
    void SetActive(bool active);
    // With it, RecalcAll leaves the walk to OnRecalcAll.
    bool ExternalRecalc() const { return FExternalRecalc; }
    void SetExternalRecalc(bool value);
    // Keeps a list of bookmarks for datasets that cannot number their rows.
    bool VirtualRecords() const { return FVirtualRecords; }
    void SetVirtualRecords(bool value);
    TDBSumCollection& SumCollection() { return FSumCollection; }
    // Copies Active, the dataset, ExternalRecalc, the sums, the events and
    // VirtualRecords.
    void Assign(const TDBSumListProducer& source);

    std::function<void(TDBSumListProducer&)> OnRecalcAll;
    std::function<void(TDBSumListProducer&)> OnAfterRecalcAll;
    std::function<void(TDBSumListProducer&)> SumListChanged;

    virtual int GetRecNo() const;
    virtual void SetRecNo(int recNo);
    virtual int GetRecordCount() const;
    virtual bool IsSequenced() const;
    virtual int FindVirtualRecord(const TBookmark& bookmark);
    virtual void RecalcAll();
    virtual void ClearSumValues();
    // The bookmark list in use (for datasets without record numbers).
    const QStringList& VirtualBookmarks() const { return FBookmarks; }

protected:
    virtual void DataSetAfterCancel(TDataSet& dataSet);
    virtual void DataSetAfterClose(TDataSet& dataSet);
    virtual void DataSetAfterEdit(TDataSet& dataSet);
    virtual void DataSetAfterInsert(TDataSet& dataSet);
    virtual void DataSetAfterOpen(TDataSet& dataSet);
    virtual void DataSetAfterPost(TDataSet& dataSet);
    virtual void DataSetAfterScroll(TDataSet& dataSet);
    virtual void DataSetBeforeDelete(TDataSet& dataSet);
    // The master dataset (MasterSource of the dataset) moved: all new records.
    virtual void MasterAfterScroll(TDataSet& master);
    virtual void ReturnEvents();
    virtual void SetDataSetEvents();

private:
    bool BookmarkListApplies() const;
    bool Walks(const TDBSum& sum) const;
    TField* FieldOf(const TDBSum& sum) const;
    void FireChanged();
    void InsertPendingBookmark();
    void SortBookmarksIfOrderChanged();

    bool FVirtualRecords = false;
    bool FRecalculating = false;
    bool FActive = true;
    QPointer<TDataSet> FDataSet;
    QPointer<TDataSet> FMasterDataSet;
    bool FEventsHooked = false;
    bool FExternalRecalc = false;
    QString FFilter;
    bool FFiltered = false;
    quint64 FFilterChangeCount = 0;
    int FLastFoundIndex = -1;
    TDBSumCollection FSumCollection;
    bool FPendingInsert = false;
    TBookmark FPendingBookmark;
    QStringList FBookmarks;
    quint64 FBookmarksSortedAt = 0;
    std::vector<TScopedConnection> FConnections;
    bool FDestroying = false;
};
