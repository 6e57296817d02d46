#pragma once
// GridsMv: the base grid of every grid in the program (TCustomGridMv) and its
// single-line cell editor (TInplaceEdit).
//
// Each axis of the grid has three parts:
//   fixed    the first FixedCols columns / FixedRows rows, always at the near
//            edge (left, top), never scrolled along their own axis; the last
//            FrozenCols fixed columns are "frozen" data columns: fixed, but
//            drawn and lined like data cells;
//   regular  FixedCols .. ColCount-1 (rows alike), scrolled; the first one
//            shown is LeftCol / TopRow;
//   contra   ContraColCount further columns (ColCount .. FullColCount-1) and
//            ContraRowCount further rows, always drawn flush against the far
//            edge (right, bottom) of the client area, whatever the scroll
//            position. The dataset grid shows its footers as contra rows.
// ColCount and RowCount count fixed and regular cells only. Only regular and
// frozen cells can be current, selected or edited; contra cells are drawn and
// hit-tested but never focused.
//
// The grid knows nothing of data: a descendant draws cells (DrawCell) and
// supplies and takes the editor's text (GetEditText, SetEditText). The
// dataset grid overrides many of the virtual operations below; each says when
// it is called and what the base does, so that an override can call the base
// for what it does not handle itself.
//
// Pixel rules, shared by painting, line positions and hit testing: a cell of
// extent e > 0 takes e pixels plus the axis' line width after it; a cell of
// extent 0 or less is hidden and takes no pixels at all, line included. The
// contra area of an axis starts at ContraBoundary + EffectiveLineWidth; the
// line in front of it covers ContraBoundary .. ContraBoundary + line - 1.
//
// Right to left (UseRightToLeftAlignment): the grid is the mirror image of
// its left-to-right self. Every position of the model and the draw info is
// logical (left to right); the canvas paints through its mirrored mapping,
// and what meets the window (CellRect and the other screen rectangles, mouse
// points, the sizing line, window scrolling) is mirrored on the way: a client
// pixel x is the logical pixel ClientWidth - 1 - x, a rectangle [L, R) the
// client rectangle [ClientWidth - R, ClientWidth - L).

#include "platform/BiDiMode.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/Control.h"
#include "platform/Exceptions.h"
#include "platform/Keys.h"
#include "platform/MaskEdit.h"
#include "platform/Rect.h"

#include <QFlags>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

class TCustomGridMv;
class TInplaceEdit;

// Every invalid grid operation raises this, with one of the texts below.
class EInvalidGridOperationMv : public Exception {
public:
    using Exception::Exception;
};

QString SGridIndexOutOfRange();          // "Grid index out of range"
QString SGridTooManyDeleted();           // "Too many rows or columns deleted"
QString SGridTooLarge();                 // "Grid too large for operation"
QString SGridFixedColsTooBig();          // "Fixed column count must be less than column count"
QString SGridFixedRowsTooBig();          // "Fixed row count must be less than row count"
QString SGridContraColCountNegative();   // "FContraColCount can not be negative."
QString SGridContraRowCountNegative();   // "FContraRowCount can not be negative."
QString SGridTooManyColumnsDisplayed();  // "Grid requested to display more than 256 columns"

struct TGridCoordMv {
    int X = 0; // column
    int Y = 0; // row
    friend bool operator==(const TGridCoordMv&, const TGridCoordMv&) = default;
};

// Cell indices, inclusive on all four sides.
struct TGridRectMv {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TGridRectMv&, const TGridRectMv&) = default;
};

enum TGridOptionMv : quint16 {
    goFixedVertLine = 1 << 0,
    goFixedHorzLine = 1 << 1,
    goVertLine = 1 << 2,
    goHorzLine = 1 << 3,
    goRangeSelect = 1 << 4,
    goDrawFocusSelected = 1 << 5,
    goRowSizing = 1 << 6,
    goColSizing = 1 << 7,
    goRowMoving = 1 << 8,
    goColMoving = 1 << 9,
    goEditing = 1 << 10,
    goTabs = 1 << 11,
    goRowSelect = 1 << 12,
    goAlwaysShowEditor = 1 << 13,
    goThumbTracking = 1 << 14,
};
Q_DECLARE_FLAGS(TGridOptionsMv, TGridOptionMv)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptionsMv)

enum TGridStateMv { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TGridDrawStateFlag { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

enum TGridScrollDirectionFlag { sdLeft = 1, sdRight = 2, sdUp = 4, sdDown = 8 };
Q_DECLARE_FLAGS(TGridScrollDirectionMv, TGridScrollDirectionFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridScrollDirectionMv)

enum TScrollStyleMv { ssNone, ssHorizontal, ssVertical, ssBoth };

// The same scroll request seen on a bar that runs the other way: a step,
// a page or an end toward the one end becomes the same toward the other.
int MirroredScrollCode(int ScrollCode);

// Where the cells of one axis lie on screen; filled by CalcDrawInfo. Pixels
// unless the name says cell.
struct TGridAxisDrawInfoMv {
    int EffectiveLineWidth = 0; // GridLineWidth when a line option of the axis is on, else 0
    int FixedBoundary = 0;      // end of the fixed cells (lines included)
    int GridBoundary = 0;       // end of the drawn regular cells, at most GridExtent
    int GridExtent = 0;         // end of the scrolling area: the client edge, or ContraBoundary
    int LastFullVisibleCell = 0;
    int FullVisBoundary = 0;    // end of LastFullVisibleCell
    int FixedCellCount = 0;
    int FirstGridCell = 0;      // LeftCol / TopRow
    int GridCellCount = 0;      // ColCount / RowCount
    int FrozenStart = 0;        // where the frozen fixed cells begin
    int FrozenCellCount = 0;
    int ContraCellCount = 0;
    int ContraBoundary = 0;     // where the line in front of the contra cells begins
    int ClientExtent = 0;
    int FullGridBoundary = 0;   // GridBoundary, or ClientExtent when there are contra cells
    int FullCellCount = 0;      // GridCellCount + ContraCellCount
    const std::vector<int>* Extents = nullptr;
    int DefaultExtent = 0;

    // The extent of a cell: its stored value, or the default (also for an
    // index outside the stored ones, negative included).
    int GetExtent(int index) const
    {
        if (Extents && index >= 0 && index < int(Extents->size()))
            return (*Extents)[size_t(index)];
        return DefaultExtent;
    }
    // Pixels the cell takes with its line: 0 for a hidden cell (extent <= 0).
    int Advance(int index) const
    {
        const int e = GetExtent(index);
        return e > 0 ? e + EffectiveLineWidth : 0;
    }
    // First pixel of the first contra cell.
    int ContraStart() const { return ContraBoundary + EffectiveLineWidth; }
};

struct TGridDrawInfoMv {
    TGridAxisDrawInfoMv Horz;
    TGridAxisDrawInfoMv Vert;
};

// The grid's line colours. Every setting starts "not set" (clDefault) and is
// then derived from the grid: the bright colour lines data cells, the dark one
// fixed cells.
class TGridLineColorsMv {
public:
    explicit TGridLineColorsMv(TCustomGridMv* grid);
    virtual ~TGridLineColorsMv() = default;

    TCustomGridMv* Grid() const { return FGrid; }

    // Dark: gray when the grid is Flat, else black. Bright: silver, or gray
    // when the grid's own colour is silver.
    virtual TColor DarkColor() const;
    virtual TColor BrightColor() const;
    void SetDarkColor(TColor color);
    void SetBrightColor(TColor color);

    // The line colours the painting asks for.
    virtual TColor CellLineColor(int ACol, int ARow) const;
    virtual TColor ContraVertLineColorFor(int ACol) const;
    virtual TColor ContraHorzLineColorFor(int ARow) const;
    virtual TColor FrozenVertLineColorFor(int ACol) const;
    virtual TColor FixedHorzLineColorFor(int ARow) const;

    TColor ContraHorzLineColor() const { return SettingColor(7); }
    TColor ContraVertLineColor() const { return SettingColor(13); }
    TColor FrozenVertLineColor() const { return SettingColor(16); }
    void SetContraHorzLineColor(TColor color) { SetSetting(7, color); }
    void SetContraVertLineColor(TColor color) { SetSetting(13, color); }
    void SetFrozenVertLineColor(TColor color) { SetSetting(16, color); }

    // Settings by number, 1 .. 18 (1 bright, 2 dark, 7 contra horizontal,
    // 13 contra vertical, 16 frozen vertical); the others are kept for layouts
    // that set them, and fall back to the dark or the bright colour.
    TColor Setting(int number) const;
    void SetSetting(int number, TColor color);
    virtual TColor SettingColor(int number) const;

private:
    TCustomGridMv* FGrid;
    TColor FSettings[18];
};

// The cell editor placed over the current cell: a line edit without frame,
// owned and positioned by its grid, that takes its text, mask and length limit
// from the grid and hands the text back on every change. The dataset grid's
// editor derives from it.
class TInplaceEdit : public TCustomMaskEdit {
    Q_OBJECT

public:
    explicit TInplaceEdit(QWidget* parent = nullptr);
    ~TInplaceEdit() override;

    TCustomGridMv* Grid() const { return FGrid; }
    void SetGrid(TCustomGridMv* grid) { FGrid = grid; }

    // Placement. Move: without forced redraw; UpdateLoc: with redraw. An empty
    // rect hides the editor.
    void Move(const TRect& rect);
    void UpdateLoc(const TRect& rect);
    void Hide();
    void Invalidate();
    void SetFocus();
    bool Visible() const;
    // Removes the selection (caret after the text).
    void Deselect();

    // The length limit (the mask, EditMask, has its own). MaxLength 0 means
    // no limit; -1 makes the cell read-only (the grid then cannot modify it).
    void SetMaxLength(int length) { SetMaxLengthValue(length); }
    // The grid's CanEditModify.
    bool EditCanModify() override;

    // Called after every move or resize: sets the text area and keeps the
    // caret in view.
    virtual void BoundsChanged();
    // Loads the editor for the grid's current cell: mask, text, length limit.
    virtual void UpdateContents();

    // Keyboard entry, as the editor window receives it (KeyDown with the key
    // code, then one KeyPress per character). Overridable by descendants.
    virtual void KeyDown(quint16& Key, TShiftState Shift);
    virtual void KeyUp(quint16& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);
    virtual void DblClick();
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos);
    // A character arriving as a message (typed, or posted by the grid).
    void WMChar(QChar Key);
    // The text changed by the user; the base tells the grid.
    virtual void Change();

protected:
    // Each character as a message (WMChar).
    void TypeChars(const QString& Chars) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class TCustomGridMv;
    void InternalMove(const TRect& rect, bool redraw);
    // The grid's CanEditAcceptKey.
    bool AcceptsChar(QChar Key) override;
    void SendToParent(quint16& Key, TShiftState Shift);

    TCustomGridMv* FGrid = nullptr;
    qint64 FClickTime = 0;
};

class TCustomGridMv : public TCustomControl {
    Q_OBJECT

public:
    explicit TCustomGridMv(QWidget* parent = nullptr);
    ~TCustomGridMv() override;

    // ---- properties
    int Col() const { return FCurrent.X; }
    void SetCol(int value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int value);
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int value);
    int ColCount() const { return FColCount; }
    void SetColCount(int value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int value);
    int ContraColCount() const { return FContraColCount; }
    void SetContraColCount(int value);
    int ContraRowCount() const { return FContraRowCount; }
    void SetContraRowCount(int value);
    int FullColCount() const { return FColCount + FContraColCount; }
    int FullRowCount() const { return FRowCount + FContraRowCount; }
    int ColWidths(int index) const;
    void SetColWidths(int index, int value);
    int RowHeights(int index) const;
    void SetRowHeights(int index, int value);
    bool TabStops(int index) const;
    void SetTabStops(int index, bool value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor value);
    TGridOptionsMv Options() const { return FOptions; }
    void SetOptions(TGridOptionsMv value);
    TScrollStyleMv ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyleMv value);
    TBorderStyle BorderStyle() const { return BorderStyleValue(); }
    void SetBorderStyle(TBorderStyle value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool value);
    // Frozen columns are the last FrozenCols of the fixed columns; the count is
    // kept within 0 .. FixedCols.
    int FrozenCols() const;
    void SetFrozenCols(int value);
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool value);
    // Made on first use by the virtual CreateGridLineColors.
    TGridLineColorsMv* GridLineColors() const;
    int GridLineWidth() const { return FGridLineWidth; }
    bool DefaultDrawing() const { return FDefaultDrawing; }
    TGridRectMv Selection() const;
    int VisibleColCount();
    int VisibleRowCount();
    int GridWidth();
    int GridHeight();
    TGridStateMv GridState() const { return FGridState; }
    TInplaceEdit* InplaceEditor() const { return FInplaceEdit.get(); }
    // Reading order. Right to left, the first columns stand at the right
    // edge, keys and mouse follow the mirror, the horizontal bar's thumb
    // starts at the right, and the editor and other children read right to
    // left.
    // With ParentBiDiMode (the default) the grid takes its parent's order and
    // follows it, as Qt hands a layout direction down: a parent grid gives
    // its BiDiMode, any other parent bdRightToLeft when it lays out right to
    // left, and a window or a grid without parent reads as the application.
    // Setting BiDiMode turns ParentBiDiMode off; turning it on again takes
    // the parent's order at once.
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode value);
    bool ParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool value);
    bool UseRightToLeftAlignment() const { return UseRightToLeftAlignmentFor(FBiDiMode); }
    bool UseRightToLeftReading() const { return UseRightToLeftReadingFor(FBiDiMode); }
    // Whether ColWidths and RowHeights are stored with the grid's layout.
    bool SaveCellExtents() const { return FSaveCellExtents; }
    void SetSaveCellExtents(bool value) { FSaveCellExtents = value; }

    // ---- geometry
    void CalcDrawInfo(TGridDrawInfoMv& DrawInfo);
    // Fills both axes as for a client of the given size.
    void CalcDrawInfoXY(TGridDrawInfoMv& DrawInfo, int UseWidth, int UseHeight);
    // The screen rect of a cell (lines excluded); empty when it is not shown.
    TRect CellRect(int ACol, int ARow);
    TRect BoxRect(int ALeft, int ATop, int ARight, int ABottom);
    // The cell under a client point; (-1, -1) when none.
    TGridCoordMv MouseCoord(int X, int Y);
    TGridCoordMv CalcCoordFromPoint(int X, int Y, const TGridDrawInfoMv& DrawInfo);
    // The smallest first cell (per axis) from which the cells up to Coord fit.
    TGridCoordMv CalcMaxTopLeft(const TGridCoordMv& Coord, const TGridDrawInfoMv& Search);
    // The left / top pixel of a cell; 0 when a scrolled cell is not on screen.
    int LinePos(const TGridAxisDrawInfoMv& AxisInfo, int Line) const;
    void GridRectToScreenRect(TGridRectMv GridRect, TRect& ScreenRect, bool IncludeLine);

    // ---- repainting and the paint lock
    void InvalidateCell(int ACol, int ARow);
    void InvalidateCol(int ACol);
    void InvalidateRow(int ARow);
    void InvalidateGrid();
    void InvalidateGridRect(const TGridRectMv& ARect);
    // While the counter is above 0 nothing is painted; unlocking never takes it
    // below 0. Unlock, then invalidate what changed.
    void LockPaint() { ++FPaintLock; }
    void UnlockPaint()
    {
        if (FPaintLock > 0)
            --FPaintLock;
    }
    bool PaintLocked() const { return FPaintLock > 0; }
    int PaintLockCount() const { return FPaintLock; }

    // ---- the current cell and the editor
    void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
    void FocusCell(int ACol, int ARow, bool MoveAnchor);
    // The grid is its window's focused control (also while its editor has the
    // keyboard focus).
    bool IsActiveControl() const;
    // True when, in gsNormal, a point would start row or column sizing.
    bool Sizing(int X, int Y);
    // Editor mode on, then UpdateEdit. Virtual: the dataset grid closes its
    // filter-row editor first.
    virtual void ShowEditor();
    // Editor mode off, then HideEdit (the text goes back first).
    void HideEditor();
    // ShowEditor, then the character is posted to the editor as if typed.
    void ShowEditorChar(QChar Ch);
    // Forgets the cell the editor was loaded for and updates it, so that it
    // reloads. Virtual: the dataset grid guards an open drop-down meanwhile.
    virtual void InvalidateEditor();
    // Creates, loads and places the editor on the current cell when
    // CanEditShow allows it (CreateEditor on first need).
    void UpdateEdit();
    // Writes the text back (UpdateText), forgets the loaded cell, hides.
    void HideEdit();
    // SetEditText of the loaded cell with the editor's text.
    void UpdateText();

    // Widths and heights for storing a layout: "ColWidths" (one per column
    // below ColCount) and "RowHeights" (one per row below RowCount), each only
    // when the grid holds explicit values and they differ from the ancestor's.
    QVariantMap StoredCellExtents(const TCustomGridMv* Ancestor = nullptr) const;
    void LoadCellExtents(const QVariantMap& Values);

    // Fired first by the grid's KeyDown and by the editor for the keys it
    // keeps for itself; the handler may consume the key (Key := 0).
    std::function<void(QObject* Sender, quint16& Key, TShiftState Shift)> OnKeyDown;

protected:
    // ================= virtual interface for descendants =================
    //
    // Painting. Paint draws the whole grid (lines, cells by DrawCell, focus,
    // contra areas) and nothing while PaintLocked; a descendant that paints
    // more may override it and use the drawing calls below. DrawCell is called
    // once per visible cell, after the background was filled (DefaultDrawing)
    // and before a fixed cell gets its 3-D frame.
    void Paint() override;
    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) = 0;
    // Draws the sizing or move line while a drag is in progress; called after
    // Paint. A descendant with lines of its own draws them and calls the base.
    void PaintOverlay() override;

    // Decides whether a point starts row or column sizing (mouse down, cursor
    // shape, Sizing). FixedInfo is the current draw info.
    virtual void CalcSizingState(int X, int Y, TGridStateMv& State, int& Index, int& SizingPos, int& SizingOfs,
                                 TGridDrawInfoMv& FixedInfo);
    // What CalcSizingState finds at a point, over the current draw info.
    struct TSizingHitMv {
        TGridStateMv State = gsNormal;
        int Index = -1;
        int Pos = 0;
        int Ofs = 0;
    };
    TSizingHitMv SizingHitAt(int X, int Y);
    // Makes the editor on first need; the dataset grid returns its own class.
    virtual std::unique_ptr<TInplaceEdit> CreateEditor();
    // Whether the editor may show now: goEditing without goRowSelect, editor
    // mode on, a window, and goAlwaysShowEditor or the grid is active.
    virtual bool CanEditShow();
    // Called after Flat changed (before the repaint).
    virtual void FlatChanged();
    // Called after BiDiMode changed, set or taken from the parent, and when
    // the application's direction turned (it decides what a mode means). The
    // base turns its children and mirrors itself; the dataset grid also lays
    // itself out anew.
    virtual void BiDiModeChanged();
    // Asked before the current cell moves to (ACol, ARow); False keeps it.
    virtual bool SelectCell(int ACol, int ARow);
    virtual void DeleteColumn(int ACol);
    virtual void DeleteRow(int ARow);
    // Derives the default line colour from Flat.
    virtual void UpdateDefaultLineColor();
    virtual std::unique_ptr<TGridLineColorsMv> CreateGridLineColors();
    // Which window scroll bars may show and which border is drawn, from
    // ScrollBars, BorderStyle and Ctl3D; runs when any of them changes. The
    // dataset grid also allows the vertical bar, which it drives itself.
    virtual void CreateParams();
    // Sets both contra counts without checks, brings the extents to the new
    // full counts, invalidates, recomputes the scroll range.
    virtual void ChangeContraSize(int NewContraColCount, int NewContraRowCount);

    // Structure hooks.
    // Inserts Amount cells at Index (or removes -Amount); ColCount/RowCount
    // changes with contra cells present go through it.
    virtual void AdjustSize(int Index, int Amount, bool Rows);
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    virtual void RowMoved(int FromIndex, int ToIndex);
    virtual void SizeChanged(int OldColCount, int OldRowCount);
    // After the first shown cell changed; the base moves a shown editor.
    virtual void TopLeftChanged();
    // After a width / height changed; the base recomputes the scroll range and
    // updates the editor.
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();

    // Editor hooks (text comes from and goes to the descendant).
    virtual bool CanEditAcceptKey(QChar Key);
    virtual bool CanGridAcceptKey(quint16 Key, TShiftState Shift);
    virtual bool CanEditModify();
    virtual QString GetEditText(int ACol, int ARow);
    virtual void SetEditText(int ACol, int ARow, const QString& Value);
    virtual int GetEditLimit();
    virtual QString GetEditMask(int ACol, int ARow);
    // The editor's text changed by the user: the base hands it to the grid
    // (UpdateText), so the grid sees every keystroke.
    virtual void EditorTextChanged();

    // Input.
    // KeyDown: every key pressed while the grid has the focus, and the keys
    //   the editor passes on (Up, Down, PageUp, PageDown, Esc, Tab, and Left,
    //   Right, Home, End at the text's edge under goAlwaysShowEditor). The
    //   base runs the key table (moves of the current cell and the first shown
    //   cell, Tab over tab stops, F2); CanGridAcceptKey may veto a key first.
    // KeyPress: each character that reaches the grid, and first of all each
    //   character typed into the editor; the base toggles the editor on Enter
    //   unless goAlwaysShowEditor.
    // WMChar: a character typed while the grid itself has the focus; under
    //   goEditing a printable one (or Backspace) opens the editor with it,
    //   anything else goes to KeyPress.
    // MouseDown / MouseMove / MouseUp: the base starts and runs selecting
    //   (gsSelecting), sizing by a line's grab zone (CalcSizingState) and
    //   moving by a fixed cell (goColMoving, goRowMoving), each a GridState
    //   until the button is released or CancelMode runs.
    // WMTimer(1): every 60 ms while selecting or moving; scrolls when the
    //   pointer is outside the data (TimedScroll, MoveAndScroll).
    // DoMouseWheelDown / Up: one row down / up.
    void KeyDown(quint16& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void WMChar(QChar& Key) override;
    unsigned DialogCode() override;
    bool WantsDialogKey(quint16 Key) override;
    void WMMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, qint64 Time) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos) override;
    QCursor CursorAt(const QPoint& clientPos) override;
    void WMTimer(int id) override;
    // One auto-scroll step while selecting with the mouse: the anchor moves
    // one cell in each direction and is scrolled into view.
    virtual void TimedScroll(TGridScrollDirectionMv Direction);
    // Column and row drag hooks; each may change the indices and returns
    // whether the drag may go on.
    virtual bool BeginColumnDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool BeginRowDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool CheckColumnDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool CheckRowDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool EndColumnDrag(int& Origin, int& Destination, const QPoint& MousePt);
    virtual bool EndRowDrag(int& Origin, int& Destination, const QPoint& MousePt);
    void CancelMode() override;
    void WMHScroll(int code, int pos) override;
    void WMVScroll(int code, int pos) override;
    void Resized() override;
    void ShowingChanged() override;
    void FontChanged() override;
    void WMSetFocus(QWidget* from) override;
    void WMKillFocus(QWidget* to) override;
    void DoExit() override;
    // A new parent is watched for its direction, and followed.
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // ================= operations for descendants =================
    // Right to left: a client pixel's logical twin and back (the mapping is
    // its own inverse), and a logical rectangle on the client; left to right
    // both return what they are given.
    int MirroredX(int X) const;
    TRect MirroredRect(const TRect& Rect) const;
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    void MoveAnchor(const TGridCoordMv& NewAnchor);
    void MoveTopLeft(int ALeft, int ATop);
    void ClampInView(const TGridCoordMv& Coord);
    void TopLeftMoved(const TGridCoordMv& OldTopLeft);
    void ScrollDataInfo(int DX, int DY, const TGridDrawInfoMv& DrawInfo);
    void SelectionMoved(const TGridRectMv& OldSel);
    void ChangeSize(int NewColCount, int NewRowCount);
    void MoveColumn(int FromIndex, int ToIndex);
    void MoveRow(int FromIndex, int ToIndex);
    // A request from a bar. UseRightToLeft: the bar is drawn left to right,
    // as the window's own bars are, so right to left its horizontal steps
    // and thumb are mirrored; a caller whose bar already runs the grid's way
    // passes False.
    void ModifyScrollBar(TScrollBarKind ScrollBar, int ScrollCode, int Pos, bool UseRightToLeft = true);
    void UpdateScrollPos();
    void UpdateScrollRange();
    void Initialize();
    void SetDefaultColWidth(int value);
    void SetGridLineWidth(int value);
    void SetDefaultDrawing(bool value);
    int ColOffset() const { return FColOffset; }
    // A single column scrolls by pixels in the room right of the fixed
    // columns, up to the offset that brings its far edge to the client's.
    int ColOffsetRoom(const TGridDrawInfoMv& DrawInfo) const;
    int MaxColOffset(const TGridDrawInfoMv& DrawInfo) const;

    // Drawing calls used by Paint and available to a descendant's Paint.
    void DrawLines(bool DoHorz, bool DoVert, int StartCol, int StartRow, const TRect& CellBounds, TColor LineColor,
                   TColor BackColor, const TGridDrawInfoMv& DrawInfo);
    void DrawCellsArea(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor BackColor,
                       TGridDrawState IncludeDrawState, const TGridDrawInfoMv& DrawInfo);
    // The twin for contra areas: up to the full counts, never focused or
    // selected.
    void DrawContraCellsArea(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor BackColor,
                             TGridDrawState IncludeDrawState, const TGridDrawInfoMv& DrawInfo);
    void DrawFixedCellFrame(const TRect& ARect, bool Sunken1, bool Sunken2, bool LeftEdge, bool RightEdge);
    void DrawPolyline(const QVector<QPoint>& Points);
    // Fills a line of the given width from Pos on one axis across Start..Stop
    // of the other (vertical: x = Pos .. Pos+Width-1).
    void DrawAxisLine(bool Vertical, int Pos, int Start, int Stop, int Width, TColor Color);

    // Sizing and moving state (for descendants that trace sizing themselves).
    int FSizingIndex = 0;
    int FSizingPos = 0;
    int FSizingOfs = 0;
    int FMoveIndex = 0;
    int FMovePos = 0;
    TGridStateMv FGridState = gsNormal;

private:
    friend class TInplaceEdit;
    friend class TGridLineColorsMv;
    void SetExtent(std::vector<int>& Extents, int Index, int Value, bool Rows);
    void DoChange(const TGridDrawInfoMv& OldDrawInfo, bool HadWindow, int OldColCount, int OldRowCount);
    void DrawCellsLoop(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor BackColor,
                       TGridDrawState IncludeDrawState, const TGridDrawInfoMv& DrawInfo, bool Contra);
    void PaintContraAreas(const TGridDrawInfoMv& DrawInfo);
    void CalcNewSize(const TGridDrawInfoMv& DrawInfo, int& NewSize) const;
    void SizingLineRect(TRect& Rect) const;
    void MoveLineRect(TRect& Rect, const TGridDrawInfoMv& DrawInfo);
    void InvalidateDragLine();
    void HideDragLine();
    void MoveAndScroll(int Mouse, int CellHit, TGridDrawInfoMv& DrawInfo, bool Columns, const QPoint& MousePt);
    void SettleAxis(bool Columns, int Width, int Height, const TGridCoordMv& OldTopLeft, bool& Updated);
    void SetColOffset(int NewOffset, const TGridDrawInfoMv& DrawInfo);
    // The horizontal bar's position; right to left the thumb runs from the
    // right end of the bar's range.
    void SetHorzScrollPos(int Pos);
    void UpdateEditor();
    void ApplyBiDiMode(TBiDiMode value);
    void TurnChildren();
    // The widget whose direction the grid would inherit: none for a window.
    QWidget* DirectionParent() const;
    // The order the parent gives (see ParentBiDiMode).
    TBiDiMode ParentsBiDiMode() const;
    void FollowParentBiDiMode();
    void WatchParent();
    void ApplicationLayoutDirectionChanged();

    TGridCoordMv FAnchor;
    bool FCanEditModify = true;
    int FColCount = 5;
    std::vector<int> FColWidths;
    std::vector<int> FTabStops;
    TGridCoordMv FCurrent;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FFixedCols = 1;
    int FFixedRows = 1;
    TColor FFixedColor = clBtnFace;
    int FGridLineWidth = 1;
    TGridOptionsMv FOptions;
    int FRowCount = 5;
    std::vector<int> FRowHeights;
    TScrollStyleMv FScrollBars = ssBoth;
    TGridCoordMv FTopLeft;
    std::unique_ptr<TInplaceEdit> FInplaceEdit;
    int FInplaceCol = -1;
    int FInplaceRow = -1;
    int FColOffset = 0;
    bool FDefaultDrawing = true;
    bool FEditorMode = false;
    int FContraRowCount = 0;
    int FContraColCount = 0;
    bool FFlat = false;
    int FFrozenCols = 0;
    mutable std::unique_ptr<TGridLineColorsMv> FGridLineColors;
    bool FSaveCellExtents = true;
    int FPaintLock = 0;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    // The parent whose direction changes the grid hears of.
    QPointer<QWidget> FWatchedParent;
    bool FDragLineShown = false;
    TRect FDragLineRect;
};
