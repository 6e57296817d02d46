#pragma once
// TDataSource joins a dataset to any number of data links; TDataLink is
// what a data-aware control derives from to hear the dataset.
//
// A link has its own buffer window of BufferCount rows (a grid: its visible
// rows) inside the dataset's window: ActiveRecord is the current record's
// place in the link's window, RecordCount the rows the window holds. Setting
// ActiveRecord makes the fields read that row of the window until it is set
// back (a grid draws its rows so). When the dataset scrolls, the link's
// window follows only as far as needed to keep the current record inside,
// and DataSetScrolled tells by how many rows it moved.
//
// Either side may be destroyed first: a destroyed dataset leaves its data
// sources without a dataset, a destroyed data source leaves its links
// without one, and each link is told that it is no longer active.

#include "platform/db/DbTypes.h"
#include "platform/db/Multicast.h"

#include <QObject>
#include <vector>

class TDataSet;
class TDataLink;
class TField;

class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(QObject* parent = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    // The dataset's state, dsInactive without one or while not Enabled.
    TDataSetState State() const { return FState; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    // Whether editing a control puts the dataset into edit state.
    bool AutoEdit = true;
    // Puts a browsing dataset into edit state when AutoEdit is on.
    void Edit();

    TMulticastEvent<TDataSource&> OnStateChange;
    // After record, data set, scroll and layout changes; the field or null.
    TMulticastEvent<TDataSource&, TField*> OnDataChange;
    TMulticastEvent<TDataSource&> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent event, std::intptr_t info);
    void NotifyLinks(TDataEvent event, std::intptr_t info);
    void UpdateState();
    void DataSetDestroyed();
    void AddLink(TDataLink* link);
    void RemoveLink(TDataLink* link);

    TDataSet* FDataSet = nullptr;
    TDataSetState FState = dsInactive;
    bool FEnabled = true;
    std::vector<TDataLink*> FLinks;
};

class TDataLink {
public:
    TDataLink();
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* dataSource);
    TDataSet* DataSet() const;
    // The data source is set and its dataset open.
    bool Active() const { return FActive; }
    // Active, the dataset editing or inserting, and the link not read-only.
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);

    int ActiveRecord() const;
    void SetActiveRecord(int index);
    int BufferCount() const { return FBufferCount; }
    void SetBufferCount(int count);
    int RecordCount() const;

    // Puts the dataset into edit state through the data source (unless the
    // link is read-only); returns Editing.
    bool Edit();
    // Runs UpdateData, guarded so that the link does not hear its own
    // record change meanwhile.
    void UpdateRecord();

protected:
    friend class TDataSource;
    // Every data event of the dataset; the handlers below are called from
    // here. Overrides call the inherited handling first.
    virtual void DataEvent(TDataEvent event, std::intptr_t info);

    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField*&) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField*) {}
    virtual void UpdateData() {}

private:
    friend class TDataSet;
    void UpdateState();
    void SetActive(bool active);
    void SetEditing(bool editing);
    void UpdateRange();
    void ShiftWindow(int rows);
    void DataSourceDestroyed();

    TDataSource* FDataSource = nullptr;
    int FFirstRecord = 0;
    int FBufferCount = 1;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
};
