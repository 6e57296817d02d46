#pragma once
// What a grid's selection covers, for the clipboard export, the import and
// the delete action: its columns and a walk over its records.

#include "grid/DBGridMv.h"

#include <functional>

// The corners of a rectangle selection: data column indexes and the
// bookmarks of its top and bottom records; empty when nothing is selected.
struct TSelectionRectBoundsMv {
    int Left = -1;
    int Right = -1;
    TBookmark Top;
    TBookmark Bottom;
    bool IsEmpty() const { return Top.isEmpty(); }
};

// The grid's rectangle selection; empty without one or without active data.
TSelectionRectBoundsMv SelectionRectBounds(const TCustomDBGridMv& Grid);

// The visible columns whose data index lies in [Left, Right].
TColumnsMvList VisibleColumnsBetween(const TCustomDBGridMv& Grid, int Left, int Right);

// The columns a selection kind covers; the kind gstNon gives none.
TColumnsMvList SelectionColumns(TCustomDBGridMv& Grid, TDBGridMvSelectionType Kind,
                                const TSelectionRectBoundsMv& Rect);

// Makes each record the selection covers current in turn and calls Visit:
// records in their list order (bookmarks no longer valid are skipped), a
// rectangle from its top record down to its bottom one, and columns and
// everything from the first record to the end.
void ForEachSelectedRecord(TCustomDBGridMv& Grid, TDBGridMvSelectionType Kind, const TSelectionRectBoundsMv& Rect,
                           const std::function<void()>& Visit);

// For a walk over the records: disables the dataset's controls and, unless
// told not to, remembers the grid's place; both come back however the walk
// ends (the place only while no record is left in edit after a failure).
class TSelectionWalkMv {
public:
    TSelectionWalkMv(TCustomDBGridMv& Grid, bool KeepPlace);
    ~TSelectionWalkMv();
    TSelectionWalkMv(const TSelectionWalkMv&) = delete;
    TSelectionWalkMv& operator=(const TSelectionWalkMv&) = delete;
    // Back to the remembered place now (posting what was written).
    void Restore();

private:
    TCustomDBGridMv& FGrid;
    TDataSet& FDataSet;
    bool FKeepPlace;
};
