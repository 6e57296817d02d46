#pragma once
// DBGridMv: the data-aware grid. TCustomDBGridMv shows the records of one
// dataset (through a TDataSource) in columns (TColumnMv), with titles that may
// stand on several levels, footers with sums and counts, an indicator column
// and an in-place editor, on top of the base grid TCustomGridMv.
//
// Numbering. Raw grid columns count the indicator column; data column indexes
// do not: raw = data + IndicatorOffset(). Rows above the data are the title
// row and, while it is shown, the filter row (TitleRowCount()); footers are
// the base grid's contra rows.
//
// The grid never scrolls data rows by itself: it follows the dataset's
// current record when the data link reports a move, and its rows are the
// data link's buffer window. Over an in-memory table (IMemTableMv) every
// record is a row and the grid scrolls them (DBGridMvMemTable.h).
//
// Column properties that keep an assigned flag read their default (from the
// grid, the field or the grid's ColumnDefValues) while the flag is clear and
// are stored only while it is set. Every change of a column reaches the
// column collection's Update, which keeps the base grid's widths in step.
//
// Layout changes are bracketed: BeginLayout / EndLayout nest, and only the
// outermost EndLayout recomputes the projection onto the base grid
// (InternalLayout). LayoutChanged does nothing inside a bracket or while the
// update counter is held. DeferLayout posts one relayout for later.
//
// Operations that later units supply are virtual and named after what they
// do: the selection (TDBGridMvSelection), the data service for sorting,
// filtering and text search (TDBGridMvDataService), the cell editor
// (CreateEditor), the vertical scroll bar (UpdateScrollBar), the filter row
// (DBGridMvFilterRow.h) and the input handlers. Each has a
// plain default here that keeps the grid and its dataset in step.
//
// The grid's companions each have a header of their own, all included here:
// DBGridMvTypes.h (kinds, events, cell parameters), DBGridMvColumnParts.h (a
// column's title, footers and drop-down box settings, the sum list, the
// column defaults), DBGridMvColumns.h (the column and the collection),
// DBGridMvDataLink.h (the data link and the selected records),
// DBGridMvSelection.h, DBGridMvDataService.h, DBGridMvScrollBars.h,
// DBGridMvTitles.h (the multi-level title tree), DBGridMvStyle.h (the style,
// the text writers and the unit's small routines) and DBGridMvFilter.h (the
// filter settings).

#include "grid/DBGridMvColumnParts.h"
#include "grid/DBGridMvColumns.h"
#include "grid/DBGridMvDataLink.h"
#include "grid/DBGridMvDataService.h"
#include "grid/DBGridMvFilter.h"
#include "grid/DBGridMvScrollBars.h"
#include "grid/DBGridMvSelection.h"
#include "grid/DBGridMvStyle.h"
#include "grid/DBGridMvTitles.h"
#include "grid/DBGridMvTypes.h"
#include "gridbase/GridsMv.h"
#include "gridbase/ToolCtrlsMv.h"
#include "platform/ImageList.h"
#include "platform/Variant.h"
#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"

#include <QAction>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class TDBGridInplaceEdit;
class IMemTableMv;
struct TDBGridMvInputState;
class TDBGridMvFilterRow;

// ================================================================ the grid

constexpr int DBGRIDMV_DEFERLAYOUT = 1124;

class TCustomDBGridMv : public TCustomGridMv {
    Q_OBJECT

public:
    explicit TCustomDBGridMv(QWidget* parent = nullptr);
    ~TCustomDBGridMv() override;

    // ---- data
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* Value);
    TGridDataLinkMv* DataLink() const { return FDataLink.get(); }
    TDataSet* DataSet() const;

    // ---- columns
    TDBGridColumnsMv& Columns() const { return *FColumns; }
    void SetColumns(const TDBGridColumnsMv& Value) { FColumns->Assign(Value); }
    TColumnDefValuesMv& ColumnDefValues() const { return *FColumnDefValues; }
    const TColumnsMvList& VisibleColumns() const { return FVisibleColumns; }
    const TColumnsMvList& SortMarkedColumns() const { return FSortMarkedColumns; }
    TColumnsMvList& SortMarkedColumnsList() { return FSortMarkedColumns; }
    // Rebuilds the sort-marked list from the titles' SortIndex values.
    void RebuildSortMarkedColumns();
    TColumnMv* GetColumnByFieldName(const QString& FieldName) const;
    int GetFieldCount() const;
    TField* GetFields(int Index) const;
    int GetSelectedIndex() const;
    void SetSelectedIndex(int Index);
    TField* GetSelectedField() const;
    void SetSelectedField(TField* Field);
    // The current column; null without columns.
    TColumnMv* SelectedColumn() const;
    int RawToDataColumn(int ACol) const { return ACol - FIndicatorOffset; }
    int DataToRawColumn(int ACol) const { return ACol + FIndicatorOffset; }
    int GetCol() const { return Col(); }
    void SetCol(int Value);
    int GetDataRowCount() const { return RowCount() - FTitleOffset; }
    // The record number of a visible data row; 0 without an active link.
    int GetRecNoForDataRow(int DataRow);
    void AllFieldsToList(std::vector<TField*>& List) const;

    // ---- counters and layout brackets
    void BeginUpdate() { ++FUpdateLock; }
    void EndUpdate()
    {
        if (FUpdateLock > 0)
            --FUpdateLock;
    }
    int UpdateLock() const { return FUpdateLock; }
    void BeginLayout();
    void EndLayout();
    void CancelLayout();
    bool AcquireLayoutLock();
    virtual void LayoutChanged();
    void DeferLayout();
    int LayoutLock() const { return FLayoutLock; }
    int LayoutCount() const { return FLayoutCount; }
    bool InsideLayoutRecomputation() const { return FInInternalLayout; }
    void SetInsideLayoutRecomputation(bool Value) { FInInternalLayout = Value; }
    bool Loading() const { return FLoading; }
    void BeginLoading() { FLoading = true; }
    virtual void Loaded();

    // ---- options and properties
    TDBGridOptions Options() const { return FOptions; }
    void SetOptions(TDBGridOptions Value);
    TDBGridMvOptions OptionsMv() const { return FOptionsMv; }
    void SetOptionsMv(TDBGridMvOptions Value);
    TDBGridMvAllowedOperations AllowedOperations() const { return FAllowedOperations; }
    void SetAllowedOperations(TDBGridMvAllowedOperations Value) { FAllowedOperations = Value; }
    TDBGridMvAllowedSelections AllowedSelections() const { return FAllowedSelections; }
    void SetAllowedSelections(TDBGridMvAllowedSelections Value);
    TDBGridMvEditActions EditActions() const { return FEditActions; }
    void SetEditActions(TDBGridMvEditActions Value) { FEditActions = Value; }
    bool AutoFitColWidths() const { return FAutoFitColWidths; }
    void SetAutoFitColWidths(bool Value);
    int MinAutoFitWidth() const { return FMinAutoFitWidth; }
    void SetMinAutoFitWidth(int Value);
    bool DefaultDrawing() const { return FDefaultDrawingMv; }
    void SetDefaultDrawing(bool Value);
    bool DrawMemoText() const { return FDrawMemoText; }
    void SetDrawMemoText(bool Value);
    TColor EvenRowColor() const { return FEvenRowColorAssigned ? FEvenRowColor : Color(); }
    void SetEvenRowColor(TColor Value);
    TColor OddRowColor() const { return FOddRowColorAssigned ? FOddRowColor : Color(); }
    void SetOddRowColor(TColor Value);
    bool EvenRowColorAssigned() const { return FEvenRowColorAssigned; }
    bool OddRowColorAssigned() const { return FOddRowColorAssigned; }
    TColor FooterColor() const { return FFooterColor; }
    void SetFooterColor(TColor Value);
    TFont FooterFont() const { return FFooterFont; }
    void SetFooterFont(const TFont& Value);
    int FooterRowCount() const { return FFooterRowCount; }
    void SetFooterRowCount(int Value);
    int FrozenCols() const { return FFrozenColsMv; }
    void SetFrozenCols(int Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int RowHeight() const { return FRowHeight; }
    void SetRowHeight(int Value);
    int RowLines() const { return FRowLines; }
    void SetRowLines(int Value);
    bool RowSizingAllowed() const { return FRowSizingAllowed; }
    void SetRowSizingAllowed(bool Value);
    bool SortLocal() const { return FSortLocal; }
    void SetSortLocal(bool Value) { FSortLocal = Value; }
    TFont TitleFont() const { return FTitleFont; }
    void SetTitleFont(const TFont& Value);
    int TitleHeight() const { return FTitleHeight; }
    void SetTitleHeight(int Value);
    int TitleLines() const { return FTitleLines; }
    void SetTitleLines(int Value);
    TImageList* TitleImages() const { return FTitleImages; }
    void SetTitleImages(TImageList* Value);
    bool UseMultiTitle() const { return FUseMultiTitle; }
    void SetUseMultiTitle(bool Value);
    int VTitleMargin() const { return FVTitleMargin; }
    void SetVTitleMargin(int Value);
    void SetContraColCount(int Value);
    void SetFlat(bool Value) { TCustomGridMv::SetFlat(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value) { FParentFont = Value; }
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value) { FParentColor = Value; }
    // With ParentColor, the grid and its footers take the parent's new
    // background colour.
    void ParentColorChanged();
    TImeMode ImeMode() const { return FImeMode; }
    void SetImeMode(TImeMode Value) { FImeMode = Value; }
    const QString& ImeName() const { return FImeName; }
    void SetImeName(const QString& Value) { FImeName = Value; }

    // ---- companions
    TDBGridMvSumList& SumList() const { return *FSumList; }
    TSTDBGridMvFilter& STFilter() const { return *FSTFilter; }
    TDBGridMvScrollBar& HorzScrollBar() const { return *FHorzScrollBar; }
    TDBGridMvScrollBar& VertScrollBar() const { return *FVertScrollBar; }
    TBookmarkListMv& SelectedRows() const { return *FBookmarks; }
    TDBGridMvSelection& Selection() const { return *FSelection; }
    TDBGridMvStyle* Style() const { return FStyle; }
    void SetStyle(TDBGridMvStyle* Value);
    THeadTreeNode& HeadTree() const { return *FHeadTree; }
    // The leaf node of a column in the title tree (UseMultiTitle), or null.
    THeadTreeNode* LeafOfColumn(const TColumnMv* Column) const;
    TColCellParamsMv& ColCellParams() { return FColCellParams; }

    // ---- layout state
    int IndicatorOffset() const { return FIndicatorOffset; }
    int TitleRowCount() const { return FTitleOffset; }
    int TextLineMargin() const { return FTextLineMargin; }
    bool MultiLineRows() const { return FMultiLineRows; }
    int InCellButtonWidth() const { return FInCellButtonWidth; }
    int InCellButtonHeight() const { return FInCellButtonHeight; }
    // The indicator's row: the raw row of the active record when last drawn.
    int IndicatorRow() const { return FIndicatorRow; }
    // While it is on (the default), a width given to a default column goes
    // into its field's DisplayWidth, where a stored layout reads it.
    bool FieldWidthUpdate() const { return FFieldWidthUpdate; }
    void SetFieldWidthUpdate(bool Value) { FFieldWidthUpdate = Value; }
    bool PendingWidthChange() const { return FPendingWidthChange; }
    // The incremental search (a later unit runs it); painted when active.
    bool IncSearchActive() const { return FIncSearchActive; }
    const QString& IncSearchText() const { return FIncSearchText; }
    void SetIncSearch(bool Active, const QString& Text);

    // ---- data-driven operations (called by the data link and the columns)
    virtual void LinkActive(bool Value);
    virtual void DataChanged();
    virtual void RecordChanged(TField* Field);
    virtual void EditingChanged();
    virtual void Scroll(int Distance);
    virtual void UpdateActive();
    virtual void UpdateRowCount();
    virtual void UpdateScrollBar();
    virtual void SetColumnAttributes();
    virtual void DefineFieldMap();
    virtual void UpdateData();
    // The current cell's text as the editor would load it now.
    QString CurrentEditText() const;
    // A lookup field's editor text, taken from the column's own list.
    static QString LookupEditText(const TColumnMv* Column, TField* Field);
    // Takes the focus to the column of a field (the data link's focus request).
    bool FocusFieldColumn(TField* Field);
    void UpdateMemTableLink();
    void InvalidateEditor() override;
    void ShowEditor() override;
    // A field removed from the dataset: every column bound to it lets go,
    // and the grid relayouts once (later while the dataset's controls are
    // disabled).
    void FieldRemoved(TField* Field);
    // Width fitting of one column (the column's OptimizeWidth).
    virtual void OptimizeColumnWidth(TColumnMv* Column);
    // The columns' sort markers changed; with dghAutoSortMarking the grid
    // tells OnSortMarkingChanged, else it asks the data service to sort.
    virtual void SortMarkingChanged();
    // Whether the grid allows an edit of the current record (the permission
    // hook of the columns and the editor).
    virtual bool AllowedOperationUpdate();
    void SaveBookmark();
    void RestoreBookmark();

    // ---- painting operations available to event handlers
    void DefaultDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
    void DefaultDrawColumnCell(const TRect& Rect, int DataCol, TColumnMv* Column, TGridDrawState State);
    TCellAreaMv GetCellType(int ACol, int ARow) const;
    // The text of one footer cell.
    virtual QString GetFooterValue(int Row, TColumnMv* Column);
    // Repaints every footer row.
    void InvalidateFooter();
    // Whether the cell is raised by the 3-D options.
    virtual bool CellIs3D(int ACol, int ARow, TGridDrawState AState) const;
    virtual bool CellIsInSelection(int ACol, int ARow, const TBookmark& Bookmark, int DataColumn) const;
    virtual bool IsSTFilterVisible() const;
    virtual int TitlesShown() const;
    // Focus test: the grid or its editor has the focus.
    virtual bool GridHasFocus() const;
    // Draw the grid's 3-D and themed frames.
    bool ThemedHeaders() const;
    // The data rows' area on screen, in client pixels.
    TRect GetDataRect();

    // ---- events
    TGridNotifyEventMv OnApplyFilter;
    TDBGridMvClickEvent OnCellClick;
    TDBGridMvClickEvent OnTitleClick;
    TCheckTitleMvBtnEvent OnCheckButton;
    TGridNotifyEventMv OnColEnter;
    TGridNotifyEventMv OnColExit;
    TGridNotifyEventMv OnColWidthsChanged;
    TGridNotifyEventMv OnSelectionChanged;
    TGridNotifyEventMv OnSortMarkingChanged;
    TGridNotifyEventMv OnSumListRecalcAll;
    TGridNotifyEventMv OnSumListAfterRecalcAll;
    TGridNotifyEventMv OnEditButtonClick;
    TMovedEvent OnColumnMoved;
    TDrawColumnMvCellEvent OnDrawColumnCell;
    TDrawDataCellEvent OnDrawDataCell;
    TDrawFooterCellEvent OnDrawFooterCell;
    TGetBtnMvParamsEvent OnGetBtnParams;
    TGetCellMvParamsEvent OnGetCellParams;
    TGetFooterParamsEvent OnGetFooterParams;
    TGridMoveRecordsEventMv OnMoveRecords;
    TTitleMvClickEvent OnTitleBtnClick;

    // Storing the columns: "Columns" is written when the collection is
    // customized (or differs from the ancestor's); reading it replaces the
    // collection.
    QVariantMap StoredProperties(const TCustomDBGridMv* Ancestor = nullptr) const;
    void LoadProperties(const QVariantMap& Values);

    // ---- filter row and find
    // The filter row's editor and state (grid/DBGridMvFilterRow.h).
    TDBGridMvFilterRow& FilterRow();
    // Opens the filter row's editor on a column's filter cell, moving it
    // there from another cell; nothing without a visible filter cell.
    void StartFilterEdit(TColumnMv* Column);
    // Leaves the filter row (not while a filter is being applied).
    void StopFilterEdit();
    // Ends the filter edit, clears every column's filter and applies.
    void ClearFilters();
    // A press on a filter cell opens its editor (true: the press is
    // taken); a press on the data ends a filter edit.
    bool FilterRowMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    // The column whose filter cell lies under a client point; null for none.
    TColumnMv* FilterCellColumnAt(int X, int Y);
    // Opens the find dialog through the data service, for Text, starting
    // in the column of the field named ColumnName (the current one when
    // empty).
    void ShowFindDialog(const QString& Text, const QString& ColumnName = QString());
    friend class TDBGridMvFilterRow;
    friend class TDBGridMvExport;

    // Exposed for the grid's companions.
    using TCustomGridMv::InvalidateCell;
    using TCustomGridMv::InvalidateCol;
    using TCustomGridMv::InvalidateRow;

    // ---- cell editor
    // The editor as the data-aware one; null before it is first made.
    TDBGridInplaceEdit* CellEditor() const;
    // The text the editor hands over, as the grid keeps it.
    const QString& GridEditText() const { return FEditText; }
    void SetGridEditText(const QString& Value) { FEditText = Value; }
    // The key chosen in the editor of a lookup or key-list column: the
    // record's keys when the editor was loaded, Null once cleared or not
    // found, Unassigned for a plain column.
    const Variant& EditValue() const { return FEditState.Value; }
    void SetEditValue(const Variant& Value) { FEditState.Value = Value; }
    // Whether the current record is still the one the editor was loaded on
    // (a value typed for one record never goes into another).
    bool EditorOnLoadedRecord() const;
    // Pixels of a tree or group indent in front of the first visible
    // column's text; the editor keeps its text clear of them.
    virtual int CellEditorIndent() const;
    void EditButtonClick();

    // ---- keyboard, mouse and selection
    // Whether the record extension keeps what was selected: Ctrl held, or
    // dghClearSelection off. Set at each key and each press that starts
    // selecting records.
    bool KeepSelection() const;
    // The input method of the current column (its own ImeMode, else the
    // grid's) on the grid and its cell editor; called as the current column
    // changes and as the editor shows.
    void UpdateIme();
    // Adds Text to the incremental search and looks for it at the start of
    // the current column's texts; TimeOut ms without a key ends the search
    // (negative: never). An empty search text looks for nothing.
    void ProcessIncSearch(const QString& Text, int TimeOut);
    void StopIncSearch();
    // Moves Distance records (ToEnd: to the first or last record); with
    // Select the selection grows over the rows passed, a rectangle when one
    // may be made, else records.
    void SelectRecords(bool Select, int Distance, bool ToEnd = false);
    // The dataset's tree interface, when it offers one.
    IMemTableMv* MemTableSupport() const { return FMemTable; }
    // The dataset offers the interface and shows its records as a tree.
    bool TreeRows() const;
    // Scrolls the rows of an in-memory table to a first row, kept between
    // the titles and the last first row that fills the grid.
    void SetTopRowInRange(int Value);
    // The tree indent of the dataset's current row, which the first visible
    // column (and the editor standing in it) leaves free; 0 without a tree.
    int TreeIndent() const;
    // The numeric-pad keys' node operations on the current row (the editor's
    // press on its node column too).
    void SetCurrentNodeExpanded(bool Expanded);
    // Lines and boxes of the current node into Rect, as the cells and the
    // editor standing in the first column draw them (RowLines: the grid's
    // row lines give way under the node columns).
    void PaintTreeElements(TCanvas& Canvas, const TRect& Rect, bool RowLines);
    // Fired at the end of the grid's own press, move and release handling.
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseDown;
    std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)> OnMouseMove;
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseUp;

    // ---- actions, tips, scroll bars and buffered painting
    friend class TDBGridMvScrollBar;
    // The program-wide switch that keeps every grid from buffering (off).
    static bool BufferedPaintForbidden();
    static void SetBufferedPaintForbidden(bool Value);
    // A platform edit action (TDBGridMvEditActionMv, told apart by its kind):
    // performed while the grid has the focus and EditActions holds its kind;
    // False leaves the action to the window.
    virtual bool ExecuteAction(QAction* Action);
    // Enables an edit action by whether it can run now; False when the grid
    // does not answer it.
    virtual bool UpdateAction(QAction* Action);
    // Whether the grid paints through its own buffer (set once the buffered
    // look is first seen; it stays set).
    bool PaintBuffered() const { return FPaintBuffered; }
    // The tool tip for a point of the client area: the text of a cut cell
    // (or an image or check-box cell) of a column, title or footer with
    // ToolTips, a title's own Hint; empty when none is wanted.
    struct TCellTipMv {
        QString Text;
        TRect CellRect;
        TRect TextRect;
        TFont Font;
        bool WordWrap = false;
    };
    virtual bool CellTipAt(const QPoint& ClientPos, TCellTipMv& Tip);
    // The pause before a tip shows: 0 over cells with ToolTips, else the
    // application's.
    int HintPauseAt(const QPoint& ClientPos);
    // Scales the sizes that are in pixels (row height, title height, the
    // fonts that are not the parent's, the column widths) by M/D.
    void ChangeScale(int M, int D);

protected:
    // One cell as DrawCell paints it; DrawCell keeps what this raises inside
    // the paint event and leaves the cell empty.
    void DrawCellContents(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    bool event(QEvent* Event) override;
    // Paints through the grid's own bitmap once the buffered look has been
    // seen (unless forbidden program-wide); never while the paint is locked.
    bool PaintsBuffered() override;
    // The wheel goes to the editor's open drop-down first; True when it
    // took it.
    bool WheelToDropDown(int WheelDelta);
    // A typed key is taken by the editor when the field accepts it (any key
    // for a column with a key list).
    bool CanEditAcceptKey(QChar Key) override;
    // The cell editor's drop-down is open; and whether it may be typed into
    // (True while none is open).
    bool EditorListOpen() const;
    bool EditorListTakesTyping() const;
    // Characters too while the incremental search is preferred.
    unsigned DialogCode() override;
    // A thumb track becomes the thumb position while the horizontal bar
    // tracks; the outside bar follows.
    void WMHScroll(int code, int pos) override;
    // The same for a request from either horizontal bar; UseRightToLeft as
    // ModifyScrollBar takes it.
    void HorzScroll(int code, int pos, bool UseRightToLeft);
    // Row sizing only over the indicator; no column sizing past the last
    // column's edge.
    void CalcSizingState(int X, int Y, TGridStateMv& State, int& Index, int& SizingPos, int& SizingOfs,
                         TGridDrawInfoMv& FixedInfo) override;
    // The client area's tips and their pause, hooked once when the grid is
    // first polished.
    void InstallTipHandling();
    // A title's tip text, font and the top of its text as its cell draws
    // them; False over the group bands above a multi-title leaf.
    bool TitleTip(TColumnMv* Column, int Y, TCellTipMv& Tip);
    // The width of the sort index written beside a title's marker; 0 when
    // none is written.
    int SortIndexWidth(const TColumnTitleMv& Title) const;
protected:
    // ---- keyboard, mouse and selection
    void KeyUp(quint16& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void WMChar(QChar& Key) override;
    // An input method that starts composing on the grid opens the cell
    // editor, which then shows the text being composed (DBGridMvIme.cpp).
    void inputMethodEvent(QInputMethodEvent* Event) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void DoExit() override;
    void WMTimer(int id) override;
    void TimedScroll(TGridScrollDirectionMv Direction) override;
    void CancelMode() override;
    QCursor CursorAt(const QPoint& clientPos) override;
    void PaintOverlay() override;
    // The cell editor's open drop-down, else the filter row's editor while
    // it is edited, takes the wheel before the records.
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos) override;
    // A right press on a filter cell, or on a data cell whose column has its
    // own menu, brings no context menu of the grid: true when the event was
    // such a press and is taken.
    bool ContextMenuTakenByCell(QEvent* Event);
    // The own menu of the column under a data cell at the point, if any.
    QMenu* ColumnMenuAt(int X, int Y);
    // An edit action of the clipboard unit when EditActions holds it and it
    // is possible now; True when it was done.
    virtual bool PerformEditAction(TDBGridMvEditAction Action);
    // Takes the focus into the filter row's editor at the current column;
    // False while there is no filter row to enter.
    virtual bool EnterFilterRow();
    // Record moving by the indicator: start on a press (True: the press is
    // taken), the drop at the release.
    virtual bool StartRecordDrag(TShiftState Shift, int X, int Y);
    virtual void EndRecordDrag(int X, int Y);
    // The default move of dropped records: through the tree interface, else
    // through the data service.
    virtual void MoveRecords(const QStringList& Bookmarks, int Target, int Level);
    // A press on a tree node's column: True when the point lies in a tree
    // indent; unless CheckOnly the node under it is expanded or collapsed.
    virtual bool NodeClick(int X, int Y, bool CheckOnly);
    // Opens or closes the node of a record (none below 0: the current
    // record goes back to Token) with the first row shown kept in place.
    void ToggleNode(int RecIndex, bool Expanded, int Token);
    // Where the drop line starts for a drop on Row with the mouse at Mouse,
    // and the tree level the dragged record would take there (-1: none).
    virtual int TreeDropPosition(int Row, const QPoint& Mouse, int& Level);
    // The tree indent of a record cell of the first visible column: its
    // background, lines and boxes.
    virtual void DrawTreeArea(TCanvas& Canvas, const TRect& Rect, int DataCol, int DataRow, bool Raised,
                              TGridDrawState State);
    // ---- factories
    virtual std::unique_ptr<TColumnDefValuesMv> CreateColumnDefValues();
    virtual std::unique_ptr<TDBGridColumnsMv> CreateColumns();
    virtual std::unique_ptr<TDBGridMvScrollBar> CreateScrollBar(bool Vertical);
    virtual std::unique_ptr<TDBGridMvSelection> CreateSelection();

    // ---- base grid overrides
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    void Paint() override;
    void CreateParams() override;
    int BorderWidth() const override;
    void PaintBorder(TCanvas& canvas, const TRect& rect) override;
    std::unique_ptr<TInplaceEdit> CreateEditor() override;
    bool CanEditShow() override;
    void FlatChanged() override;
    // The grid's reading order is also its columns' default: a change, set
    // or taken from the parent, lays the grid out anew.
    void BiDiModeChanged() override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void TopLeftChanged() override;
    bool CanEditModify() override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    int GetEditLimit() override;
    QString GetEditMask(int ACol, int ARow) override;
    void EditorTextChanged() override;
    void KeyDown(quint16& Key, TShiftState Shift) override;
    // With automatic dragging a left press into a multi-select grid still
    // selects: it is only marked as a possible drag of the selection.
    void WMMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, qint64 Time) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos) override;
    void WMVScroll(int code, int pos) override;
    void Resized() override;
    void ShowingChanged() override;
    void FontChanged() override;
    void PrivateMessage(int msg, qintptr param) override;
    void WMSetFocus(QWidget* from) override;
    void WMKillFocus(QWidget* to) override;

    // The window is made (first shown): button sizes, relayout, scroll bar.
    virtual void CreateWnd();
    // Moves the current cell to a raw column (the minimal column move:
    // column-exit and -enter notices, editor hidden and shown).
    virtual void MoveCol(int RawCol, int Direction, bool Select = false);

    // ---- seams of the input, selection, filter-row, record-moving and
    // data-service units, with the answers the grid gives by itself
    // Whether a record drag from one row to another may start (True).
    virtual bool CanMoveRecords(int FromRow, int ToRow, const QPoint& MousePoint);
    // dgAlwaysShowEditor while the filter row's editor is not active.
    virtual bool CanAlwaysShowEditor();
    // Whether the filter row's editor is open (and no cells are selected).
    virtual bool FilterEditInProgress() const;
    // The themed three-dimensional look that paints through a buffer.
    virtual bool IsBufferedLook() const;
    // Repaints the selection and the current row after a focus change.
    virtual void RepaintSelectionAndCurrentRow();
    // The incremental search through the data service: the current
    // column's text from its start (see TDBGridMvDataService).
    virtual bool LocateText(const QString& Text, bool Forward, bool FromCurrent);
    // The find dialog opens modally.
    virtual bool FindDialogModal() const;
    // Applying the filter row: the editor's text goes into its column (a
    // refused text raises), then OnApplyFilter, else the data service
    // under the paint lock; the editor is placed again. Sorting goes to the
    // data service.
    virtual void ApplyFilter();
    virtual void ApplySorting();
    // The parameters of an outside horizontal scroll bar (none here).
    virtual void UpdateHorzScrollBarParams();
    // Set by the mouse handling when the user has sized a row; the next
    // row-height change then becomes RowHeight.
    void NoteRowSizedByUser() { FRowSizedByUser = true; }

    // ---- painting seams
    // Colours of a cell in the selection; True when it is selected.
    virtual bool GetSelectedCellColors(TFont& AFont, TColor& Background, bool InSelection, TGridDrawState State,
                                       const TCellAreaMv& Area);
    // Whether a data cell is drawn highlighted; may change the colours.
    virtual bool HighlightDataCell(int DataCol, int DataRow, const QString& Value, TGridDrawState State,
                                   TColor& Background, TFont& AFont);
    // A filter-row cell: the column's condition in blue on a lightened
    // fixed colour, with the drop-down button when it has a list.
    virtual void DrawFilterCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    // Row-select drawing: the whole current row looks selected.
    virtual bool IsDrawRowSelect() const;
    // Fires the drawing events.
    virtual void DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
    virtual void DrawColumnCell(const TRect& Rect, int DataCol, TColumnMv* Column, TGridDrawState State);
    virtual void GetFooterParams(int DataCol, int Row, TColumnMv* Column, TFont& AFont, TColor& Background,
                                 TAlignment& Alignment, TGridDrawState State, QString& Text);
    virtual void GetCellParams(TColumnMv* Column, TFont& AFont, TColor& Background, TGridDrawState State);
    virtual void GetBtnParams(TColumnMv* Column, TFont& AFont, TColor& Background, TSortMarkerMv& SortMarker,
                              bool IsDown);
    // The text of a cell painted with the column's right-to-left handling.
    void WriteCellText(TColumnMv* Column, const TRect& ARect, bool FillRect, int DX, int DY, const QString& Text,
                       TAlignment Alignment, TTextLayout Layout, bool WordWrap, bool EndEllipsis, int LeftMargin,
                       int RightMargin);
    // The title column whose button is held down (-1: none) and whether it
    // looks pressed.
    int FPressedCol = -1;
    bool FPressed = false;
    bool FTitleTracking = false;

    // ---- cell editor
    // The indent area of the first visible column, drawn into the editor.
    virtual void DrawCellEditorIndent(TCanvas& Canvas, const TRect& Rect);
    // The factories run in this class's constructor; a descendant whose
    // columns are of another kind (the lookup grids) remakes them in its own.
    void RecreateColumns();

private:
    friend class TDBGridColumnsMv;
    friend class TColumnMv;
    friend class TGridDataLinkMv;
    friend class TColumnFooterMv;
    friend class TDBGridInplaceEdit;

    // ---- cell editor
    struct TEditStateMv {
        Variant Value;
        TBookmark Record;
        bool Inserting = false;
        bool Loaded = false;
    };
    void NoteEditorRecord();
    // Raises EDBEditError when the masked editor's text is incomplete.
    void ValidateEditorMask();
    void WriteEditValue(TColumnMv* Column);
    bool ResolveLookupText(TColumnMv* Column, const QString& Text);
    TEditStateMv FEditState;

    void InternalLayout();
    // ---- an in-memory table: a row per record (DBGridMvMemTable.cpp)
    void UpdateRowCountMemTable();
    void UpdateActiveMemTable();
    TScrollInfo MemTableScrollInfo();
    void ScrollMemTable(int Code, int Pos);
    // Asks the table for the records that the rows on screen still lack.
    void FetchMemTableRecords();
    // Column widths sized in the base grid, within the columns' limits,
    // into the columns (auto-fit shares them out).
    void TakeGridColWidths();
    void DeleteMixedDefaultColumns();
    void BuildDefaultColumns();
    void RebuildVisibleColumns(int& HiddenCount);
    void ComputeRowHeights();
    void AutoFitColumns();
    void ComputeTitleHeights();
    void ApplyOptions(TDBGridOptions Value);
    void DrawIndicatorCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState, bool Raised);
    void DrawTitleCell(TColumnMv* Column, int ACol, int ARow, TRect ARect, TGridDrawState AState, bool Raised);
    // Draws one record cell; true when the highlight decision marked it.
    bool DrawDataCellArea(TColumnMv* Column, int ACol, int ARow, TRect ARect, TGridDrawState AState, bool Raised);
    void DrawEmptyCell(TColumnMv* Column, int ACol, int ARow, const TRect& ARect, TGridDrawState AState, bool Raised,
                       const TCellAreaMv& Area);
    void DrawFooterCell(TColumnMv* Column, int ACol, int ARow, const TRect& ARect, TGridDrawState AState,
                        bool Raised, const TCellAreaMv& Area);
    void DrawCellFrame(const TRect& ARect, TGridDrawState AState, bool Raised, bool Pressed, bool Highlighted);
    void DrawEdges(const TRect& ARect, bool Pressed, bool LeftEdge, bool RightEdge, bool TopEdge, bool BottomEdge);
    void DrawTitleGroups(TColumnMv* Column, int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    void DrawCheckBoxCell(TColumnMv* Column, const TRect& Rect, TCheckBoxState State);
    void DrawEditButtons(TColumnMv* Column, TRect& Rect, bool Raised);
    // The width that a column's always-shown edit buttons take in a cell.
    int InCellButtonsWidth(TColumnMv* Column) const;
    bool PreviousRowShowsSame(TColumnMv* Column, int DataRow, const QString& Text);
    void CreateHeadTree();
    int MeasureHeadTree(THeadTreeNode* Node);

    std::unique_ptr<TColumnDefValuesMv> FColumnDefValues;
    std::unique_ptr<TDBGridColumnsMv> FColumns;
    std::unique_ptr<TGridDataLinkMv> FDataLink;
    std::unique_ptr<TBookmarkListMv> FBookmarks;
    std::unique_ptr<TDBGridMvScrollBar> FHorzScrollBar;
    std::unique_ptr<TDBGridMvScrollBar> FVertScrollBar;
    std::unique_ptr<TDBGridMvSelection> FSelection;
    std::unique_ptr<TSTDBGridMvFilter> FSTFilter;
    std::unique_ptr<TDBGridMvFilterRow> FFilterRow;
    std::unique_ptr<THeadTreeNode> FHeadTree;
    std::unique_ptr<TDBGridMvSumList> FSumList;
    TColumnsMvList FVisibleColumns;
    TColumnsMvList FSortMarkedColumns;
    std::vector<std::pair<int, TColumnMv*>> FLeafFieldArr;
    std::vector<THeadTreeNode*> FLeafNodes;
    TColCellParamsMv FColCellParams;
    TDBGridMvStyle* FStyle = nullptr;

    int FUpdateLock = 0;
    int FLayoutLock = 0;
    int FLayoutCount = 0;
    bool FInInternalLayout = false;
    bool FLoading = false;
    bool FWndCreated = false;
    bool FSizeChangedInUpdate = false;
    int FIndicatorOffset = 1;
    int FTitleOffset = 1;
    int FIndicatorRow = -1;
    TDBGridOptions FOptions;
    TDBGridMvOptions FOptionsMv;
    TDBGridMvAllowedOperations FAllowedOperations;
    TDBGridMvAllowedSelections FAllowedSelections;
    TDBGridMvEditActions FEditActions;
    bool FPaintBuffered = false;
    // Repaints on a change of TitleImages and forgets them when they go.
    TChangeLink FTitleImagesLink;
    bool FAutoFitColWidths = false;
    int FMinAutoFitWidth = 0;
    bool FDefaultDrawingMv = true;
    bool FDrawMemoText = false;
    TColor FEvenRowColor = clWindow;
    TColor FOddRowColor = clWindow;
    bool FEvenRowColorAssigned = false;
    bool FOddRowColorAssigned = false;
    TColor FFooterColor = clWindow;
    TFont FFooterFont;
    int FFooterRowCount = 0;
    int FFrozenColsMv = 0;
    bool FReadOnly = false;
    int FRowHeight = 0;
    int FRowLines = 0;
    bool FRowSizingAllowed = false;
    bool FRowSizedByUser = false;
    bool FSortLocal = false;
    TFont FTitleFont;
    int FTitleHeight = 0;
    int FTitleLines = 0;
    TImageList* FTitleImages = nullptr;
    bool FUseMultiTitle = false;
    int FVTitleMargin = 10;
    bool FParentFont = true;
    bool FParentColor = false;
    TImeMode FImeMode = imDontCare;
    QString FImeName;
    QString FEditorImeName;
    TImeMode FEditorImeMode = imDontCare;
    int FTextLineMargin = 4;
    bool FMultiLineRows = false;
    int FInCellButtonWidth = 0;
    int FInCellButtonHeight = 0;
    bool FFieldWidthUpdate = true;
    bool FPendingWidthChange = false;
    bool FIncSearchActive = false;
    // A thumb track moved the records; the thumb position after it is void.
    bool FVertThumbTracked = false;
    QString FIncSearchText;
    QString FEditText;
    TBookmark FSavedBookmark;
    int FSavedOffset = 0;
    bool FInColExit = false;

    // ---- keyboard, mouse and selection
    void ClearSelectionOnMove();
    void KeyDownShortcuts(quint16& Key, TShiftState Shift);
    void KeyDownPlain(quint16& Key, TShiftState Shift);
    void KeyDownCtrl(quint16& Key, TShiftState Shift);
    void DeleteRecordsAsked();
    bool IncSearchTakes(QChar Key);
    bool CancelUnchangedInsert(bool AtEndOnly);
    void TabToNextColumn(bool Backward);
    void MouseDownOnCells(TMouseButton Button, TShiftState Shift, int X, int Y, const TGridCoordMv& Hit);
    void MouseDownOnTitle(TMouseButton Button, TShiftState Shift, int X, int Y, const TGridCoordMv& Hit);
    // Y lies in the column's own band of its title cell (not a group band
    // above it).
    bool InTitleLeaf(const TColumnMv* Column, int RawCol, int Y);
    // Makes the bookmarked record current, by the rows between when it is shown.
    void MoveToRecord(const TBookmark& Target);
    void TraceColSizing(int X);
    void AutoScrollStep();
    void MoveDropLine(int Y);
    bool ColumnSelectZone(int X, int Y);
    void StepCheckBox(TColumnMv* Column, bool Backward);
    std::unique_ptr<TDBGridMvInputState> FInput;
    IMemTableMv* FMemTable = nullptr;
};

class TDBGridMv : public TCustomDBGridMv {
    Q_OBJECT

public:
    explicit TDBGridMv(QWidget* parent = nullptr) : TCustomDBGridMv(parent) {}
};
