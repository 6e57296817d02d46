#pragma once
// Small helpers that the data-aware editors and the dataset grid share.
//
// ---- Data side: data links, field value list, bookmark list base ----
// (the edit buttons and button painting of this unit are declared in
// ToolCtrlsMvButtons.h, its drop-down windows and lists in
// ToolCtrlsMvDropDown.h, both included at the end; nothing here depends on
// them)

#include "platform/StringList.h"
#include "platform/Variant.h"
#include "platform/db/DataSource.h"
#include "platform/db/DbTypes.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QObject;
class TDataSet;
class TField;

// A data link that hands every data event to a handler, after the usual
// handling.
class TDataLinkMv : public TDataLink {
public:
    std::function<void(TDataEvent event, std::intptr_t info)> OnDataEvent;

protected:
    void DataEvent(TDataEvent event, std::intptr_t info) override;
};

class IMemTableDataFieldValueListMv {
public:
    virtual ~IMemTableDataFieldValueListMv() = default;
    virtual const TStringList& GetValues() = 0;
};

// Offered by an in-memory table; no dataset of the program's windows offers
// it. A grid over such a table shows every record as a row of its own and
// scrolls the rows itself; the table may keep its records as a tree. The
// readings answer for the dataset's current row unless the reading was
// moved to another record with MoveToRecord.
class IMemTableMv {
public:
    virtual ~IMemTableMv() = default;
    // ---- the records as rows
    // How many records the table holds now.
    virtual int MemRecordCount() const = 0;
    // The current record's row (from 0), whatever record is being read;
    // -1 without records.
    virtual int CurrentRowIndex() const = 0;
    // Asks for up to Count more records, for a table that fetches its
    // records in parts; one that holds them all does nothing.
    virtual void FetchRecords(int Count) = 0;
    // The distinct values of a field, for a filter row's drop-down; null
    // when the table keeps no such list.
    virtual IMemTableDataFieldValueListMv* FieldValueList(const QString& FieldName) = 0;
    // ---- the tree
    // Every tree path of the grid is off while this answers False.
    virtual bool TreeView() const = 0;
    // 1 for a top-level node.
    virtual int NodeLevel() const = 0;
    // The level of the node in the row above (0 for none).
    virtual int PrevNodeLevel() const = 0;
    // The level of the node in the row below; negative for none.
    virtual int NextNodeLevel() const = 0;
    virtual bool NodeHasChildren() const = 0;
    virtual bool NodeExpanded() const = 0;
    // Whether the node's ancestor at Level (the node itself at its own
    // level) has a sibling below it.
    virtual bool LineContinues(int Level) const = 0;
    // A token of the current row, and going back to it.
    virtual int PositionToken() const = 0;
    virtual void GoToPosition(int Token) = 0;
    // Opens or closes the node of the record at RecIndex (from 0); answers
    // the record number (from 1) to make current, 0 or less for none.
    virtual int SetNodeExpanded(int RecIndex, bool Expanded) = 0;
    // Makes the record at RecIndex the one that the readings and the fields
    // answer for, until the matching MoveBack; the pairs nest (a grid
    // paints its rows so).
    virtual void MoveToRecord(int RecIndex) = 0;
    virtual void MoveBack() = 0;
    // Moves the records to stand before the record at Target (from 0; the
    // record count for the end), at tree level Level (-1: keep).
    virtual void MoveRecords(const QStringList& Bookmarks, int Target, int Level) = 0;
};

// The distinct texts of one field of a dataset, sorted (case-insensitively,
// duplicates dropped). Read again when the data, the field list or a field
// property has changed. Reading never moves the dataset's current record.
class TDatasetFieldValueListMv : public IMemTableDataFieldValueListMv {
public:
    TDatasetFieldValueListMv();
    ~TDatasetFieldValueListMv() override;

    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& fieldName);
    TDataSet* GetDataSet() const;
    void SetDataSet(TDataSet* dataSet);
    bool Dirty() const { return FDirty; }
    const TStringList& GetValues() override;

private:
    void DataEventHandler(TDataEvent event);
    void Refresh();

    TStringList FValues;
    bool FDirty = true;
    QString FFieldName;
    // The source goes after the link: the link is destroyed first.
    std::unique_ptr<TDataSource> FDataSource;
    std::unique_ptr<TDataLinkMv> FDataLink;
};

// The base of the grid's list of selected records: bookmarks kept in the
// dataset's order, found by binary search with a one-entry cache. When the
// dataset's order changes (a live index moves a row), the list sorts itself
// again before the next search.
class TBMListMv {
public:
    TBMListMv() = default;
    virtual ~TBMListMv() = default;
    TBMListMv(const TBMListMv&) = delete;
    TBMListMv& operator=(const TBMListMv&) = delete;

    int Count() const { return int(FList.size()); }
    const TBookmark& Items(int index) const { return FList.at(index); }
    // The bookmarks in the dataset's order.
    const QStringList& Bookmarks() const { return FList; }
    int IndexOf(const TBookmark& bookmark) const;
    // Raises "Cannot perform this operation on a closed dataset" while the
    // owner's link is not active.
    TBookmark CurrentRow() const;
    bool CurrentRowSelected() const;
    virtual void SetCurrentRowSelected(bool value);
    virtual void Clear();
    // Deletes every listed record from the dataset.
    void Delete();
    bool LinkActive() const { return FLinkActive; }
    void SetLinkActive(bool value);
    int Compare(const TBookmark& a, const TBookmark& b) const;
    // True when found; index is the entry or where it would be inserted.
    bool Find(const TBookmark& bookmark, int& index) const;

protected:
    virtual TDataSet* GetDataSet() const = 0;
    virtual void Changed() {}
    [[noreturn]] virtual void RaiseBMListError(const QString& message) const;
    virtual void StringsChanged();
    virtual void Invalidate() {}

    void InsertBookmark(int index, const TBookmark& bookmark);
    void DeleteBookmark(int index);

private:
    void SortIfOrderChanged() const;

    mutable QString FCacheBookmark;
    mutable bool FCacheFound = false;
    mutable int FCacheIndex = -1;
    bool FLinkActive = false;
    mutable QStringList FList;
    mutable quint64 FSortedAt = 0;
    mutable const TDataSet* FSortedFor = nullptr;
};

// Equality that also compares arrays of values element by element; an
// Unassigned value equals only another.
bool VarEqualsMv(const Variant& a, const Variant& b);

// The fields of a ';'-separated list; a missing one raises the database
// error "Field 'Name' not found" for the component.
void DataSetGetFieldList(std::vector<TField*>* list, const TDataSet& dataSet, const QObject* component, const QString& fieldNames);
std::vector<TField*> DataSetGetFieldArray(const TDataSet& dataSet, const QObject* component, const QString& fieldNames);
// Null clears every named field; anything else is set (an array for
// several names).
void DataSetSetFieldValues(TDataSet& dataSet, const QString& fieldNames, const Variant& value);

#include "gridbase/ToolCtrlsMvButtons.h"
#include "gridbase/ToolCtrlsMvDropDown.h"
