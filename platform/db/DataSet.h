#pragma once
// The dataset: records held in memory, a current record, a state machine and
// the links that show it.
//
// States: inactive until Open; browse; edit (Edit) and insert (Insert,
// Append) until Post or Cancel. Moving (First, Last, Next, Prior, MoveBy,
// Locate, bookmarks, RecNo) first posts a modified record and cancels an
// unmodified one. Delete in insert state cancels the insertion.
//
// Order: the rows keep the order they were read in, an inserted row standing
// where it was inserted, unless a sort order (a client dataset's index) is
// set: then rows are ordered by its fields, rows with equal keys in the order
// they came into the dataset, and a posted row moves to its place with the
// current record following it. OnFilterRecord with Filtered hides rows; it
// is asked when the filter is switched on (or the handler replaced) and the
// view rebuilt; a posted row stays in view until then.
//
// Links see the records through a buffer window around the current record
// of as many rows as the largest BufferCount of the links; each link keeps
// its own part of that window (TDataLink). ActiveRecord is the current
// record's place in the window; a link may point it at another row of the
// window for a moment (drawing), and the fields then read that row.
//
// Events: every Before*/After* is a multicast event (any number of
// listeners); an exception from a Before* listener stops the operation.
// DisableControls/EnableControls nest; while disabled the links hear
// nothing, and at the outermost EnableControls they are told once.
//
// Bookmarks are strings naming one row of one opening of the dataset; they
// stay valid while the row exists, whatever happens to the order.

#include "platform/Variant.h"
#include "platform/db/DbTypes.h"
#include "platform/db/FieldDefs.h"
#include "platform/db/Fields.h"
#include "platform/db/Multicast.h"
#include "platform/db/RecordStore.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class TDataSource;
class TDataLink;

class TDataSet : public QObject {
    Q_OBJECT
public:
    explicit TDataSet(QObject* parent = nullptr);
    ~TDataSet() override;

    // ---- opening and state ----
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return FState; }
    bool Modified() const { return FModified; }
    bool CanModify() const { return Active() && InternalCanModify(); }

    // ---- fields ----
    TFields& Fields() { return FFields; }
    const TFields& Fields() const { return FFields; }
    TField* Fields(int index) const { return FFields[index]; }
    int FieldCount() const { return FFields.Count(); }
    TField* FindField(const QString& name) const { return FFields.FindField(name); }
    TField* FieldByName(const QString& name) const { return FFields.FieldByName(name); }
    // The fields of a ';'-separated name list; a missing one raises
    // "Field 'Name' not found".
    std::vector<TField*> GetFieldList(const QString& fieldNames) const;
    TFieldDefs& FieldDefs() { return FFieldDefs; }
    const TFieldDefs& FieldDefs() const { return FFieldDefs; }
    // Adds a field (a lookup field, or a data field bound by name) that
    // stays across openings; only while inactive.
    TField* AddField(std::unique_ptr<TField> field);
    // True when every data field is made from the data at Open.
    bool DefaultFields() const;

    // ---- navigation ----
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves up to distance records; returns how far it moved.
    int MoveBy(int distance);
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    bool IsEmpty() const { return FView.empty(); }
    // 1-based number of the current record; 0 when there is none.
    int RecNo() const;
    void SetRecNo(int recNo);
    // Records in view (a record being inserted is not counted).
    int RecordCount() const;
    // Whether RecNo numbers the records for good: not while a record filter
    // is in force, whose handler may let other rows through each time it is
    // asked, so that companions keep their own list of bookmarks instead.
    bool IsSequenced() const { return !(FFiltered && FOnFilterRecord); }

    // ---- links ----
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }
    // Buffer window: its size (the largest BufferCount of the links), the
    // rows it holds and the current record's place in it.
    int BufferCount() const { return FBufferCount; }
    int BufferRecordCount() const { return FRecordCount; }
    int ActiveRecord() const { return FActiveRecord; }
    // Tells the data sources and their links; see TDataEvent for Info.
    void DataEvent(TDataEvent event, std::intptr_t info);

    // ---- editing ----
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    // Posts a modified record, cancels an unmodified one.
    void CheckBrowseMode();
    // Has the links write their pending values into the fields.
    void UpdateRecord();

    // ---- bookmarks ----
    TBookmark Bookmark() const;
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    // Raises "Record not found" for a bookmark that is not valid.
    void GotoBookmark(const TBookmark& bookmark);
    // Whether the bookmark names a row that is in view.
    bool BookmarkValid(const TBookmark& bookmark) const;
    // -1, 0 or 1 by the dataset's order. An empty bookmark sorts first, one
    // whose row is gone sorts last.
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
    // Counts the changes of order after which earlier CompareBookmarks
    // results may no longer hold (a sorted row moved, the sort changed, the
    // dataset was reopened); lists sorted by bookmark re-sort when it moves.
    quint64 OrderChangeCount() const { return FOrderChangeCount; }

    // ---- searching and values ----
    // Finds the first record (in order) whose fields (';'-separated) equal
    // the values (an array for several fields) and makes it current.
    // loCaseInsensitive and loPartialKey (the field's text starts with the
    // value) apply to text fields. A value that cannot be converted to a
    // field's kind matches nothing.
    bool Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options = {});
    // The resultFields values (an array for several) of the first matching
    // record, without moving; Null when none matches.
    Variant Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields);
    // The values of the named fields of the active record (an array for
    // several names); setting needs edit or insert state.
    Variant GetFieldValue(const QString& fieldNames) const;
    void SetFieldValue(const QString& fieldNames, const Variant& value);
    // Calls visit once per record in view, in order, with the fields reading
    // that record, without moving the current record, changing the state or
    // telling anyone. visit must not move or edit the dataset.
    void ForEachRecord(const std::function<void()>& visit);

    // ---- filtering ----
    bool Filtered() const { return FFiltered; }
    void SetFiltered(bool filtered);
    // Kept so that listeners can notice a change; records are chosen by
    // OnFilterRecord only (a non-empty Filter with Filtered raises).
    const QString& Filter() const { return FFilter; }
    void SetFilter(const QString& filter);
    using TFilterRecordEvent = std::function<void(TDataSet& dataSet, bool& accept)>;
    const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
    // Replacing the handler while Filtered applies the new one at once.
    void SetOnFilterRecord(TFilterRecordEvent handler);
    // Counts the changes of Filtered and of the filter handler.
    quint64 FilterChangeCount() const { return FFilterChangeCount; }

    // ---- master ----
    // The data source of the master dataset, for a detail dataset (none by
    // default); companions that follow the master's moves read it.
    TDataSource* MasterSource() const;
    void SetMasterSource(TDataSource* source);

    // Runs after a record has been made for Insert or Append; fields set
    // here are defaults and do not make the record modified.
    std::function<void(TDataSet&)> OnNewRecord;

    TMulticastEvent<TDataSet&> BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TMulticastEvent<TDataSet&> BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TMulticastEvent<TDataSet&> BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TMulticastEvent<TDataSet&> BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;

    // ---- for fields ----
    const Variant& ActiveFieldValue(int column) const;
    Variant OldFieldValue(int column) const;
    void CheckFieldWritable() const;
    void StoreFieldValue(TField& field, Variant value);

protected:
    // Fills FieldDefs and the record store; raises on failure.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() {}
    virtual bool InternalCanModify() const { return false; }

    struct TSortField {
        int Column = 0;
        bool Descending = false;
        bool CaseInsensitive = false;
    };
    // Orders the rows; an empty list restores the order they came in.
    void SetSortOrder(std::vector<TSortField> order);
    bool Sorted() const { return !FSort.empty(); }

    // Runs at Open once the fields are bound, before the rows are ordered.
    virtual void BeforeBuildView() {}
    void AssignSortOrder(std::vector<TSortField> order) { FSort = std::move(order); }

    // The change log: rows with pending changes in the order of their first
    // change; throwing the changes away; taking written rows out of it.
    std::vector<int> PendingRows() const;
    void CancelChangeLog();
    void CommitRows(const std::vector<int>& rows);
    // Removes every record, logging nothing.
    void ClearRecords();

    TRecordStore& Store() { return FStore; }
    const TRecordStore& Store() const { return FStore; }
    void SetStore(TRecordStore store) { FStore = std::move(store); }
    // Takes the records away (the provider hands them to a client dataset).
    TRecordStore TakeStore();
    quint32 NextChangeSeq() { return ++FChangeSeq; }
    // Rebuilds the view after the rows changed underneath (a cancelled or
    // applied change log), keeping the current record when it stays.
    void RowsChanged();
    // The row of the current record, -1 when there is none.
    int CurrentRow() const;
    // The current record's place in the view (from 0), -1 when there is
    // none, whatever record the fields read.
    int CurrentPosition() const { return FView.empty() ? -1 : FWinTop + FActiveRecord; }
    // Makes the fields read the record at a view position (from 0) without
    // moving the current record or changing the state; -1 (or a place
    // outside the view) reads the current record again. For a descendant
    // that lets its readers visit records by their number.
    void SetReadPosition(int position);
    int RowOfBookmark(const TBookmark& bookmark) const;
    void CheckActive() const;

private:
    friend class TDataSource;
    friend class TDataLink;
    friend class TDataSetProvider;

    void DoOpen();
    void DoClose();
    void BindFields();
    void SetState(TDataSetState state);
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void UpdateBufferCount();
    void SetActiveRecordFromLink(int index) { FActiveRecord = index; }

    // View and window.
    void BuildView();
    bool AcceptRow(int row);
    int ViewPosOf(int row) const;
    void SetWindow(int position, int activeIndex);
    void Resync(bool center);
    void MoveTo(int position, bool center, bool scrollEvents);
    void RepositionSorted(int row);
    int CompareRows(int a, int b) const;
    int NaturalPos(int row) const;
    TBookmark MakeBookmark(int row) const;

    // Editing helpers.
    void BeginInsertAppend();
    void EndInsertAppend(int position, bool append);
    void InternalPost();
    void CancelEditing();
    void RemoveInsertedRow(int row);
    void CheckRequiredFields();

    struct TKeyMatcher;
    std::vector<TKeyMatcher> MakeMatchers(const QString& keyFields, const Variant& keyValues, TLocateOptions options) const;
    int FindRow(const std::vector<TKeyMatcher>& matchers) const;

    TDataSetState FState = dsInactive;
    bool FModified = false;
    bool FBof = true;
    bool FEof = true;
    TFields FFields;
    TFieldDefs FFieldDefs;
    TRecordStore FStore;

    // All rows in the order they came in (deleted ones too, until applied)
    // and the rows in view in the dataset's order.
    std::vector<int> FNatural;
    std::vector<int> FView;
    std::vector<TSortField> FSort;
    mutable std::vector<int> FNaturalPos;
    mutable bool FNaturalPosValid = false;

    int FBufferCount = 1;
    int FWinTop = 0;
    int FRecordCount = 0;
    int FActiveRecord = 0;

    int FEditRow = -1;
    std::vector<Variant> FEditBuffer;
    // The row the fields read while a walk or a filter test runs.
    int FReadRow = -1;

    int FDisableCount = 0;
    TDataSetState FDisableState = dsInactive;
    TDataEvent FEnableEvent = deDataSetChange;

    bool FFiltered = false;
    QPointer<TDataSource> FMasterSource;
    QString FFilter;
    TFilterRecordEvent FOnFilterRecord;

    quint64 FOrderChangeCount = 0;
    quint64 FFilterChangeCount = 0;
    int FGeneration = 0;
    quint32 FChangeSeq = 0;
    std::vector<TDataSource*> FDataSources;
};

// Disables the dataset's controls for its lifetime.
class TDisableControlsGuard {
public:
    explicit TDisableControlsGuard(TDataSet& dataSet) : FDataSet(&dataSet) { FDataSet->DisableControls(); }
    ~TDisableControlsGuard() { FDataSet->EnableControls(); }
    TDisableControlsGuard(const TDisableControlsGuard&) = delete;
    TDisableControlsGuard& operator=(const TDisableControlsGuard&) = delete;

private:
    TDataSet* FDataSet;
};
