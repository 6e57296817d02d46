#pragma once
// The dataset grid's one selection (TDBGridMvSelection), which says which
// kind is in force, and its two parts: a rectangle of cells between two
// (column, bookmark) corners and a list of whole columns kept in column
// order.

#include "grid/DBGridMvTypes.h"
#include "gridbase/GridsMv.h"
#include "platform/Rect.h"
#include "platform/db/DbTypes.h"

#include <memory>

class TCustomDBGridMv;
class TColumnMv;

// A rectangle of cells. Columns are data column indexes; rows are kept as
// bookmarks so that the rectangle survives scrolling and is found again on
// screen by scanning the data link's buffer.
class TDBGridMvSelectionRect {
public:
    explicit TDBGridMvSelectionRect(TCustomDBGridMv* Grid) : FGrid(Grid) {}
    TCustomDBGridMv* Grid() const { return FGrid; }

    int AnchorColumn() const { return FAnchorColumn; }
    const TBookmark& AnchorBookmark() const { return FAnchorBookmark; }
    int ShiftColumn() const { return FShiftColumn; }
    const TBookmark& ShiftBookmark() const { return FShiftBookmark; }
    bool HasAnchor() const { return FAnchorColumn >= 0; }

    void Clear();
    // Starts the rectangle at the cell (or, with Extend and an anchor, moves
    // its moving corner there). Anchor and corner on one cell is no rectangle.
    void Select(int DataColumn, const TBookmark& Bookmark, bool Extend);
    // Raises without active data.
    bool CellSelected(int DataColumn, const TBookmark& Bookmark) const;
    TBookmark TopRow() const;
    TBookmark BottomRow() const;
    int LeftCol() const;
    int RightCol() const;
    // The raw rows on screen of the first buffer record at or after TopRow
    // and of the last at or before BottomRow; False when none lies on screen.
    bool ScreenRows(int& Top, int& Bottom) const;

private:
    void CheckActive(const char* Where) const;
    // The screen area of the rectangle; empty when it is not on screen.
    TRect ScreenArea() const;

    int FAnchorColumn = -1;
    TBookmark FAnchorBookmark;
    TCustomDBGridMv* FGrid;
    int FShiftColumn = -1;
    TBookmark FShiftBookmark;
};

// Whole columns, kept sorted by their index in the grid's Columns.
class TDBGridMvSelectionCols : public TColumnsMvList {
public:
    explicit TDBGridMvSelectionCols(TCustomDBGridMv* Grid) : FGrid(Grid) {}
    TCustomDBGridMv* Grid() const { return FGrid; }
    TColumnMv* AnchorColumn() const { return FAnchorColumn; }
    TColumnMv* ShiftColumn() const { return FShiftColumn; }
    const TColumnsMvList& ShiftList() const { return FShiftList; }

    // Inserts before the first column with a greater index.
    void Add(TColumnMv* Column);
    void Clear();
    void Select(TColumnMv* Column, bool AddToSelection);
    void InvertSelect(TColumnMv* Column);
    // Extends from the anchor to Column: columns passed going away from the
    // anchor take its state; going back they get their earlier state again.
    void SelectShift(TColumnMv* Column);
    // Drops columns that left the grid and sorts again (after each layout).
    void Refresh();

private:
    void Toggle(TColumnMv* Column, bool Selected);
    void Finish();

    TColumnMv* FAnchorColumn = nullptr;
    TCustomDBGridMv* FGrid;
    TColumnMv* FShiftColumn = nullptr;
    TColumnsMvList FShiftList;
};

// What an auto-scroll step waits before the next: Base less Step for every
// pixel the pointer lies outside, but never so short that the timer would
// spin (a far pointer scrolls at the fastest useful pace).
int AutoScrollInterval(int Base, int Step, int Distance);

// ================================================================ selection

// The grid's one multi-cell selection: whole records (the grid's
// SelectedRows), a rectangle of cells, whole columns, or everything. The
// rectangle and the column list are above.
class TDBGridMvSelection {
public:
    explicit TDBGridMvSelection(TCustomDBGridMv* Grid);
    virtual ~TDBGridMvSelection();
    TDBGridMvSelection(const TDBGridMvSelection&) = delete;
    TDBGridMvSelection& operator=(const TDBGridMvSelection&) = delete;
    TCustomDBGridMv* Grid() const { return FGrid; }
    TDBGridMvSelectionType SelectionType() const { return FSelectionType; }
    virtual void SetSelectionType(TDBGridMvSelectionType Value);
    TDBGridMvSelectionCols& Columns() const { return *FColumns; }
    TDBGridMvSelectionRect& Rect() const { return *FRect; }
    virtual void Clear();
    virtual void SelectAll();
    virtual void LinkActive(bool Value);
    // False for every cell while the data link is inactive.
    virtual bool DataCellSelected(int DataColumn, const TBookmark& Bookmark) const;
    // The selection in raw grid cells; all four -1 when nothing of it is on
    // screen.
    TGridRectMv SelectionToGridRect() const;
    // An emptied record or column selection becomes no selection.
    void UpdateState();
    // Drops columns that left the grid's collection (after every layout).
    virtual void RefreshColumns();
    virtual void SelectionChanged();

private:
    std::unique_ptr<TDBGridMvSelectionCols> FColumns;
    TCustomDBGridMv* FGrid;
    std::unique_ptr<TDBGridMvSelectionRect> FRect;
    TDBGridMvSelectionType FSelectionType = gstNon;
};
