#pragma once
// The dataset grid's link to its data: the data link with its field map
// (data column to field), the scope that makes one buffer row the active
// record while the grid paints it, and the list of selected records
// (the grid's SelectedRows).

#include "gridbase/GridsMv.h"
#include "gridbase/ToolCtrlsMv.h"
#include "platform/db/DataSource.h"
#include "platform/db/DbTypes.h"

#include <QString>
#include <cstdint>
#include <vector>

class TCustomDBGridMv;
class TDataSet;
class TField;

// ================================================================ data link

class TGridDataLinkMv : public TDataLink {
public:
    explicit TGridDataLinkMv(TCustomDBGridMv* Grid) : FGrid(Grid) {}
    ~TGridDataLinkMv() override;

    TCustomDBGridMv* Grid() const { return FGrid; }
    // Appends one entry to the field map; raises past the map's limit, and
    // for an unknown name unless the map is sparse.
    bool AddMapping(const QString& FieldName);
    void ClearMapping();
    int FieldCount() const { return FFieldCount; }
    int MapCapacity() const { return FMapCapacity; }
    // The field of data column Index; null out of range or for a missing one.
    TField* GetMappedField(int Index) const;
    bool FieldIsMapped(const TField* Field) const;
    // The dataset uses default fields and no entry of a sparse map is missing.
    bool DefaultFields() const;
    bool SparseMap() const { return FSparseMap; }
    void SetSparseMap(bool Value) { FSparseMap = Value; }
    bool IsModified() const { return FModified; }
    // The editor holds a change that is not yet written.
    void Modified() { FModified = true; }
    // Reloads the editor when it holds a change, else cancels the record.
    void Reset();
    bool InUpdateData() const { return FInUpdateData; }

protected:
    void ActiveChanged() override;
    void DataEvent(TDataEvent Event, std::intptr_t Info) override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void EditingChanged() override;
    void FocusControl(TField*& Field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    int FFieldCount = 0;
    std::vector<int> FFieldMap;
    int FMapCapacity = 0;
    TCustomDBGridMv* FGrid;
    bool FInUpdateData = false;
    bool FModified = false;
    bool FSparseMap = false;
};

// Makes a buffer row of the data link its active record for the life of
// the object (the fields then read that row), and puts the remembered one
// back however the scope ends. The grid paints its rows so.
class TActiveRecordScopeMv {
public:
    TActiveRecordScopeMv(TDataLink& Link, int Row) : FLink(Link), FSaved(Link.ActiveRecord())
    {
        FLink.SetActiveRecord(Row);
    }
    ~TActiveRecordScopeMv() { FLink.SetActiveRecord(FSaved); }
    TActiveRecordScopeMv(const TActiveRecordScopeMv&) = delete;
    TActiveRecordScopeMv& operator=(const TActiveRecordScopeMv&) = delete;

private:
    TDataLink& FLink;
    int FSaved;
};

// ================================================================ selected rows

class TBookmarkListMv : public TBMListMv {
public:
    explicit TBookmarkListMv(TCustomDBGridMv* Grid) : FGrid(Grid) {}
    TCustomDBGridMv* Grid() const { return FGrid; }
    void SetCurrentRowSelected(bool Value) override;
    // Unselects every record outside the span between two bookmarks (in
    // either order): a Shift-extension without KeepSelection replaces what
    // was selected before.
    void KeepOnlySpan(const TBookmark& From, const TBookmark& To);
    // The grid rectangle covering the selected rows on screen; all four -1
    // when none is visible.
    TGridRectMv GetVisibleSelectedRect() const;

protected:
    TDataSet* GetDataSet() const override;
    void Invalidate() override;
    void Changed() override;

private:
    TCustomDBGridMv* FGrid;
};
