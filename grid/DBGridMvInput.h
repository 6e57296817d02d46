#pragma once
// What the dataset grid remembers between the events of one gesture: the
// kind of mouse tracking, the pressed cell, the pending selection click,
// the auto-scroll pace, the incremental search's timer and a record drag.

#include "grid/DBGridMv.h"

#include <QSet>

enum TDBGridMvTracking : quint8 {
    trNone = 0,
    trRecords = 1,
    trColumns = 2,
    trRectangle = 3,
    trRecordDrag = 7,
};

// Window timers of the dataset grid.
constexpr int DBGridMvScrollTimer = 1;
constexpr int DBGridMvIncSearchTimer = 2;
// The incremental search ends after this long without a key.
constexpr int DBGridMvIncSearchTimeOut = 1500;
// Pixels per tree level.
constexpr int DBGridMvTreeLevelWidth = 18;

// Holds the grid's paint lock and sets a flag (the grid is in the middle of
// some work) for its life; both are restored however the work ends.
class TPaintLockScopeMv {
public:
    TPaintLockScopeMv(TCustomDBGridMv& Grid, bool& Flag) : FGrid(Grid), FFlag(Flag), FSaved(Flag)
    {
        FGrid.LockPaint();
        FFlag = true;
    }
    ~TPaintLockScopeMv()
    {
        FFlag = FSaved;
        FGrid.UnlockPaint();
    }
    TPaintLockScopeMv(const TPaintLockScopeMv&) = delete;
    TPaintLockScopeMv& operator=(const TPaintLockScopeMv&) = delete;

private:
    TCustomDBGridMv& FGrid;
    bool& FFlag;
    bool FSaved;
};

struct TDBGridMvInputState {
    bool KeepSelection = false;
    TDBGridMvTracking Tracking = trNone;
    // Where the last press went down (cell and point).
    TGridCoordMv DownCell{-1, -1};
    QPoint DownPoint;
    // A right press on a title taken as a left one for sizing and moving.
    bool RightAsLeft = false;
    // A sort marking made with Ctrl held, applied when Ctrl is released.
    bool PendingSortMarking = false;
    // The pointer and shift state of the last move while tracking.
    QPoint LastMouse;
    TShiftState LastShift;
    int AutoScrollInterval = -1;
    // The first record of a record extension, and the records the
    // extension selected, the first one among them when it was not selected
    // before (only those leave the selection when it steps back over them).
    // A bookmark names one row, so equal rows have equal bookmarks.
    TBookmark ExtendStart;
    QSet<TBookmark> ExtendSelected;
    // A left press with automatic dragging in a multi-select grid, which
    // may become a drag; and such a press inside the selection, which left
    // it as it was and is resolved at the release or by the first move.
    bool PossibleDrag = false;
    bool PendingSelectionClick = false;
    // A record drag: start and target rows, the dragged record, the line.
    // The sub-positions tell the halves of the start and target rows.
    int DragStartRow = -1;
    int DragTargetRow = -1;
    int DragStartSub = 0;
    int DragTargetSub = 0;
    TBookmark DragBookmark;
    int DragLevel = -1;
    int DropLineX = 0;
    bool DropLineShown = false;
    // A node click is changing the dataset.
    bool NodeToggling = false;
    // An in-memory table is being asked for more records.
    bool Fetching = false;
    // The incremental search is moving the dataset (which does not end it).
    bool SearchMoving = false;
};

class TSearchMovingScope {
public:
    explicit TSearchMovingScope(TDBGridMvInputState& State) : FState(State) { FState.SearchMoving = true; }
    ~TSearchMovingScope() { FState.SearchMoving = false; }
    TSearchMovingScope(const TSearchMovingScope&) = delete;
    TSearchMovingScope& operator=(const TSearchMovingScope&) = delete;

private:
    TDBGridMvInputState& FState;
};
