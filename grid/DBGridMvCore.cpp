// The dataset grid as a whole: construction and destruction, the update and
// layout counters, the deferred relayout, window creation, storing the
// columns, the field map, and the reactions to sized and moved columns.

#include "grid/DBGridMv.h"
#include "grid/DBGridMvFitWidths.h"
#include "grid/DBGridMvInput.h"
#include "grid/DBGridMvFilterRow.h"
#include "grid/DBGridMvWrappedText.h"

#include "platform/MulDiv.h"

#include <QApplication>
#include <QScopeGuard>
#include <algorithm>

namespace {

// The grid's own options of the base grid: lines, column sizing and moving,
// editing and tabs.
constexpr TGridOptionsMv BaseGridOptions = TGridOptionsMv::fromInt(3727);

} // namespace

// ---------------------------------------------------------------- construction

TCustomDBGridMv::TCustomDBGridMv(QWidget* parent)
    : TCustomGridMv(parent), FInput(std::make_unique<TDBGridMvInputState>())
{
    FStyle = DBGridMvDefaultStyle();
    if (FStyle)
        FStyle->AddGrid(this);
    FOptions = TDBGridOptions::fromInt(DefaultDBGridOptions);
    FIndicatorOffset = 1;
    FTitleOffset = TitlesShown();
    TDBGridMvSharedBitmap::Acquire();
    TCustomGridMv::SetScrollBars(ssHorizontal);
    TCustomGridMv::SetOptions(BaseGridOptions);
    // Every cell paints its own background, frame and focus.
    TCustomGridMv::SetDefaultDrawing(false);

    FColumnDefValues = CreateColumnDefValues();
    FColumns = CreateColumns();
    SetColCount(2);
    SetRowCount(2);
    FDataLink = std::make_unique<TGridDataLinkMv>(this);

    SetColor(clWindow);
    FFooterColor = clWindow;
    FParentColor = false;
    FTitleFont = Font();
    FDefaultDrawingMv = true;
    FBookmarks = std::make_unique<TBookmarkListMv>(this);
    HideEditor();

    FHeadTree = std::make_unique<THeadTreeNode>(QStringLiteral("Root"), 0, 10);
    FVTitleMargin = 10;
    FUseMultiTitle = false;
    FRowSizingAllowed = false;

    FSumList = std::make_unique<TDBGridMvSumList>(this);
    FSumList->OnRecalcAll = [this](TDBSumListProducer&) {
        if (OnSumListRecalcAll)
            OnSumListRecalcAll(this);
    };
    FSumList->OnAfterRecalcAll = [this](TDBSumListProducer&) {
        if (OnSumListAfterRecalcAll)
            OnSumListAfterRecalcAll(this);
    };
    FSumList->SumListChanged = [this](TDBSumListProducer&) { InvalidateFooter(); };

    FHorzScrollBar = CreateScrollBar(false);
    FVertScrollBar = CreateScrollBar(true);
    FOptionsMv = TDBGridMvOptions::fromInt(int(DefaultDBGridMvOptions));
    FSelection = CreateSelection();
    FAllowedOperations = alopInsertMv | alopUpdateMv | alopDeleteMv | alopAppendMv;
    FFooterFont = Font();
    FTextLineMargin = 4;
    FAllowedSelections = asRecordBookmarks | asRectangle | asColumns | asAll;
    FSTFilter = std::make_unique<TSTDBGridMvFilter>(this);
    FInCellButtonWidth = GetSystemMetrics(SM_CXVSCROLL);
    FInCellButtonHeight = FInCellButtonWidth;
}

TCustomDBGridMv::~TCustomDBGridMv()
{
    if (FTitleImages)
        FTitleImages->UnRegisterChanges(&FTitleImagesLink);
    // The link goes first so that no dataset event reaches a grid that is
    // being taken apart.
    FDataLink.reset();
    // The filter editor calls back into the columns.
    FFilterRow.reset();
    if (FStyle)
        FStyle->RemoveGrid(this);
    FStyle = nullptr;
    FSelection->Clear();
    FColumns.reset();
    FColumnDefValues.reset();
    FVisibleColumns.Clear();
    FSortMarkedColumns.Clear();
    FHorzScrollBar.reset();
    FVertScrollBar.reset();
    FBookmarks.reset();
    TDBGridMvSharedBitmap::Release();
    FHeadTree.reset();
    FSumList.reset();
    FSelection.reset();
    FSTFilter.reset();
}

std::unique_ptr<TColumnDefValuesMv> TCustomDBGridMv::CreateColumnDefValues()
{
    return std::make_unique<TDBGridMvColumnDefValuesMv>(this);
}

std::unique_ptr<TDBGridColumnsMv> TCustomDBGridMv::CreateColumns()
{
    return std::make_unique<TDBGridColumnsMv>(
        this, [](TDBGridColumnsMv* collection) { return std::make_unique<TDBGridColumnMv>(collection); });
}

std::unique_ptr<TDBGridMvScrollBar> TCustomDBGridMv::CreateScrollBar(bool Vertical)
{
    if (Vertical)
        return std::make_unique<TVertDBGridMvScrollBar>(this);
    return std::make_unique<TDBGridMvScrollBar>(this, sbHorizontal);
}

std::unique_ptr<TDBGridMvSelection> TCustomDBGridMv::CreateSelection()
{
    return std::make_unique<TDBGridMvSelection>(this);
}

void TCustomDBGridMv::SetStyle(TDBGridMvStyle* Value)
{
    if (Value == FStyle && Value)
        return;
    if (FStyle)
        FStyle->RemoveGrid(this);
    FStyle = Value ? Value : DBGridMvDefaultStyle();
    if (FStyle)
        FStyle->AddGrid(this);
    Invalidate();
}

// ---------------------------------------------------------------- data source

TDataSource* TCustomDBGridMv::DataSource() const
{
    return FDataLink ? FDataLink->DataSource() : nullptr;
}

TDataSet* TCustomDBGridMv::DataSet() const
{
    return FDataLink ? FDataLink->DataSet() : nullptr;
}

// ---------------------------------------------------------------- counters

void TCustomDBGridMv::BeginLayout()
{
    BeginUpdate();
    if (FLayoutLock == 0)
        FColumns->BeginUpdate();
    ++FLayoutLock;
}

void TCustomDBGridMv::EndLayout()
{
    if (FLayoutLock == 0)
        return;
    try {
        if (FLayoutLock == 1)
            InternalLayout();
    } catch (...) {
        if (FLayoutLock == 1)
            FColumns->EndUpdate();
        --FLayoutLock;
        EndUpdate();
        throw;
    }
    if (FLayoutLock == 1)
        FColumns->EndUpdate();
    if (FLayoutLock > 0)
        --FLayoutLock;
    EndUpdate();
}

void TCustomDBGridMv::CancelLayout()
{
    if (FLayoutLock == 0)
        return;
    if (FLayoutLock == 1)
        FColumns->EndUpdate();
    --FLayoutLock;
    EndUpdate();
}

bool TCustomDBGridMv::AcquireLayoutLock()
{
    const bool result = FUpdateLock == 0 && FLayoutLock == 0;
    if (result)
        BeginLayout();
    return result;
}

void TCustomDBGridMv::LayoutChanged()
{
    if (AcquireLayoutLock())
        EndLayout();
}

void TCustomDBGridMv::DeferLayout()
{
    // One relayout waits in the queue at most. The bracket is closed without
    // a recomputation; the outer brackets keep their locks.
    if (HandleAllocated() && !PrivateMessagePending(DBGRIDMV_DEFERLAYOUT))
        PostPrivateMessage(DBGRIDMV_DEFERLAYOUT);
    CancelLayout();
}

void TCustomDBGridMv::PrivateMessage(int msg, qintptr param)
{
    if (msg != DBGRIDMV_DEFERLAYOUT) {
        TCustomGridMv::PrivateMessage(msg, param);
        return;
    }
    if (AcquireLayoutLock())
        EndLayout();
    else if (!PrivateMessagePending(DBGRIDMV_DEFERLAYOUT))
        PostPrivateMessage(DBGRIDMV_DEFERLAYOUT);
}

// ---------------------------------------------------------------- window

void TCustomDBGridMv::CreateParams()
{
    TCustomGridMv::CreateParams();
    // The vertical bar follows the dataset, not the rows.
    SetScrollBarsAllowed(ScrollBars() == ssHorizontal || ScrollBars() == ssBoth, true);
}

int TCustomDBGridMv::BorderWidth() const
{
    if (Flat() && Ctl3D())
        return BorderStyle() == bsSingle ? 1 : 0;
    return TCustomGridMv::BorderWidth();
}

void TCustomDBGridMv::PaintBorder(TCanvas& canvas, const TRect& rect)
{
    if (Flat() && Ctl3D()) {
        if (BorderStyle() == bsSingle) {
            TRect r = rect;
            canvas.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT);
        }
        return;
    }
    TCustomGridMv::PaintBorder(canvas, rect);
}

void TCustomDBGridMv::ShowingChanged()
{
    TCustomGridMv::ShowingChanged();
    if (!FWndCreated && HandleAllocated()) {
        FWndCreated = true;
        CreateWnd();
    }
}

void TCustomDBGridMv::CreateWnd()
{
    FInCellButtonWidth = Flat() ? FlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
    const int w15 = RoundHalfEven(qint64(FInCellButtonWidth) * 3, 2);
    if (DefaultRowHeight() <= w15)
        FInCellButtonHeight = DefaultRowHeight();
    else
        FInCellButtonHeight = Flat() ? w15 : FInCellButtonWidth;
    if (FAutoFitColWidths) {
        LayoutChanged();
    } else if (FLayoutLock == 0) {
        UpdateRowCount();
        UpdateActive();
    }
    UpdateScrollBar();
    FEditorImeName = FImeName;
    FEditorImeMode = FImeMode;
}

void TCustomDBGridMv::Resized()
{
    TCustomGridMv::Resized();
    if (FUpdateLock == 0) {
        if (FAutoFitColWidths) {
            LayoutChanged();
            InvalidateEditor();
        } else {
            UpdateRowCount();
            UpdateScrollBar();
        }
    } else {
        FSizeChangedInUpdate = true;
    }
    UpdateHorzScrollBarParams();
}

void TCustomDBGridMv::FontChanged()
{
    TCustomGridMv::FontChanged();
    if (FParentFont) {
        FTitleFont = Font();
        FFooterFont = Font();
    }
    LayoutChanged();
}

void TCustomDBGridMv::FlatChanged()
{
    FTextLineMargin = Flat() ? 2 : 4;
    RecreateWnd();
    if (HandleAllocated()) {
        FInCellButtonWidth = Flat() ? FlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
    }
    LayoutChanged();
}

// ---------------------------------------------------------------- loading and storing

QVariantMap TCustomDBGridMv::StoredProperties(const TCustomDBGridMv* Ancestor) const
{
    QVariantMap map;
    bool write = FColumns->State();
    if (Ancestor)
        write = Ancestor->Columns().State() != FColumns->State() || !FColumns->Equals(Ancestor->Columns());
    if (write) {
        QVariantList columns;
        for (int i = 0; i < FColumns->Count(); ++i)
            columns.append(FColumns->Items(i)->StoredProperties());
        map.insert(QStringLiteral("Columns"), columns);
    }
    return map;
}

void TCustomDBGridMv::LoadProperties(const QVariantMap& Values)
{
    const auto it = Values.find(QStringLiteral("Columns"));
    if (it == Values.end())
        return;
    FColumns->BeginUpdate();
    try {
        FColumns->Clear();
        const QVariantList list = it.value().toList();
        for (const QVariant& item : list)
            FColumns->Add()->LoadProperties(item.toMap());
    } catch (...) {
        FColumns->EndUpdate();
        throw;
    }
    FColumns->EndUpdate();
}

void TCustomDBGridMv::Loaded()
{
    FLoading = false;
    if (FColumns->Count() > 0) {
        SetColCount(std::max(1, FColumns->Count()));
        if (FAutoFitColWidths) {
            FColumns->BeginUpdate();
            for (int i = 0; i < FColumns->Count(); ++i)
                FColumns->Items(i)->SetAutoFitBaseWidth(FColumns->Items(i)->Width());
            FColumns->EndUpdate();
            TCustomGridMv::SetScrollBars(ssNone);
        }
    }
    RebuildSortMarkedColumns();
    if (DataSource())
        FSumList->SetDataSet(DataSource()->DataSet());
    LayoutChanged();
    DeferLayout();
}

void TCustomDBGridMv::RebuildSortMarkedColumns()
{
    FSortMarkedColumns.Clear();
    for (int i = 0; i < FColumns->Count(); ++i) {
        TColumnMv* column = FColumns->Items(i);
        const int index = column->Title().SortIndex();
        if (index <= 0)
            continue;
        if (FSortMarkedColumns.Count() < index)
            FSortMarkedColumns.SetCount(index);
        FSortMarkedColumns.Put(index - 1, column);
    }
    // Gaps in the numbering leave no empty places behind.
    for (int i = FSortMarkedColumns.Count() - 1; i >= 0; --i)
        if (!FSortMarkedColumns.Items(i))
            FSortMarkedColumns.Delete(i);
}

// ---------------------------------------------------------------- fields

void TCustomDBGridMv::DefineFieldMap()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    if (!FColumns->State()) {
        FDataLink->SetSparseMap(false);
        for (int i = 0; i < dataSet->FieldCount(); ++i) {
            TField* field = dataSet->Fields(i);
            if (field->Visible())
                FDataLink->AddMapping(field->FieldName());
        }
    } else {
        FDataLink->SetSparseMap(true);
        for (int i = 0; i < FColumns->Count(); ++i)
            FDataLink->AddMapping(FColumns->Items(i)->FieldName());
    }
}

void TCustomDBGridMv::FieldRemoved(TField* Field)
{
    if (!Field || !FDataLink)
        return;
    BeginLayout();
    bool bound = false;
    for (int i = 0; i < FColumns->Count(); ++i) {
        TColumnMv* column = FColumns->Items(i);
        if (column->FField == Field) {
            column->SetField(nullptr);
            bound = true;
        }
    }
    TDataSet* dataSet = DataSet();
    if (bound && dataSet && !dataSet->ControlsDisabled())
        EndLayout();
    else
        DeferLayout();
}

int TCustomDBGridMv::GetFieldCount() const
{
    return FDataLink->FieldCount();
}

TField* TCustomDBGridMv::GetFields(int Index) const
{
    return FDataLink->GetMappedField(Index);
}

void TCustomDBGridMv::AllFieldsToList(std::vector<TField*>& List) const
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        List.push_back(dataSet->Fields(i));
}

TColumnMv* TCustomDBGridMv::GetColumnByFieldName(const QString& FieldName) const
{
    for (int i = 0; i < FColumns->Count(); ++i) {
        TColumnMv* column = FColumns->Items(i);
        if (QString::localeAwareCompare(column->FieldName().toUpper(), FieldName.toUpper()) == 0)
            return column;
    }
    RaiseGridError(QStringLiteral("字段名称 '%1' 没有找到").arg(FieldName));
}

// ---------------------------------------------------------------- current column

TColumnMv* TCustomDBGridMv::SelectedColumn() const
{
    const int index = RawToDataColumn(Col());
    if (index < 0 || index >= FColumns->Count())
        return nullptr;
    return FColumns->Items(index);
}

int TCustomDBGridMv::GetSelectedIndex() const
{
    return RawToDataColumn(Col());
}

void TCustomDBGridMv::SetSelectedIndex(int Index)
{
    MoveCol(DataToRawColumn(Index), 0);
}

TField* TCustomDBGridMv::GetSelectedField() const
{
    TColumnMv* column = SelectedColumn();
    return column ? column->Field() : nullptr;
}

void TCustomDBGridMv::SetSelectedField(TField* Field)
{
    if (!Field)
        return;
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Items(i)->Field() == Field) {
            MoveCol(DataToRawColumn(i), 0);
            return;
        }
}

void TCustomDBGridMv::SetCol(int Value)
{
    if (Value == Col())
        return;
    if (Value >= FIndicatorOffset && Value < ColCount())
        MoveCol(Value, 0);
    else
        TCustomGridMv::SetCol(Value);
}

void TCustomDBGridMv::MoveCol(int RawCol, int Direction, bool Select)
{
    const bool rectangle = Select && !FOptions.testFlag(dgRowSelect) && FAllowedSelections.testFlag(asRectangle) &&
                           FDataLink->Active() && DataSet();
    if (rectangle && FSelection->SelectionType() != gstRectangle)
        FSelection->Rect().Select(std::max(0, RawToDataColumn(Col())), DataSet()->Bookmark(), false);
    if (FDataLink->Active())
        FDataLink->UpdateRecord();
    RawCol = std::clamp(RawCol, FIndicatorOffset, std::max(FIndicatorOffset, ColCount() - 1));
    if (RawCol >= ColCount())
        return;
    if (Direction != 0) {
        while (RawCol >= FIndicatorOffset && RawCol < ColCount() && ColWidths(RawCol) <= 0)
            RawCol += Direction;
        if (RawCol < FIndicatorOffset || RawCol >= ColCount())
            return;
    }
    if (RawCol != Col()) {
        if (!FInColExit) {
            FInColExit = true;
            const int before = Col();
            try {
                if (OnColExit)
                    OnColExit(this);
            } catch (...) {
                FInColExit = false;
                throw;
            }
            FInColExit = false;
            if (Col() != before)
                return;
        }
        if (!FOptions.testFlag(dgAlwaysShowEditor))
            HideEditor();
        if (!FOptions.testFlag(dgRowSelect))
            TCustomGridMv::SetCol(RawCol);
        if (FOptions.testFlag(dgAlwaysShowEditor) && !FilterEditInProgress()) {
            TColumnMv* column = SelectedColumn();
            const TColumnTypeMv kind = column ? column->GetColumnType() : ctCommon;
            if (kind != ctCheckboxes && kind != ctKeyImageList)
                ShowEditor();
        }
        UpdateIme();
        if (OnColEnter)
            OnColEnter(this);
    }
    if (rectangle)
        FSelection->Rect().Select(std::max(0, RawToDataColumn(Col())), DataSet()->Bookmark(), true);
    if (!FInput->SearchMoving)
        StopIncSearch();
}

bool TCustomDBGridMv::FocusFieldColumn(TField* Field)
{
    int index = -1;
    for (int i = 0; i < FColumns->Count() && index < 0; ++i)
        if (FColumns->Items(i)->Field() == Field && FColumns->Items(i)->Visible())
            index = i;
    if (index < 0)
        return false;
    MoveCol(DataToRawColumn(index), 0);
    if (SelectedColumn() != FColumns->Items(index))
        return false;
    if (CanFocus())
        SetFocus();
    ShowEditor();
    return true;
}

// ---------------------------------------------------------------- positions

int TCustomDBGridMv::GetRecNoForDataRow(int DataRow)
{
    if (!FDataLink->Active())
        return 0;
    // A table's rows are its records.
    if (FMemTable)
        return DataRow + 1;
    TActiveRecordScopeMv scope(*FDataLink, DataRow);
    return FDataLink->DataSet()->RecNo();
}

void TCustomDBGridMv::SaveBookmark()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    // A table's rows stay where they are: only the record is remembered.
    if (FDataLink->Active() && !FMemTable) {
        const int count = FDataLink->RecordCount();
        const int offset = FDataLink->ActiveRecord() - count / 2 + (count + 1) % 2;
        // Near the start of the data the move may fall short: the way back
        // is the distance actually moved.
        const int moved = -dataSet->MoveBy(-offset);
        FSavedBookmark = dataSet->Bookmark();
        dataSet->MoveBy(moved);
        FSavedOffset = moved;
    } else {
        FSavedBookmark = dataSet->Bookmark();
        FSavedOffset = 0;
    }
}

void TCustomDBGridMv::RestoreBookmark()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || !dataSet->Active())
        return;
    // With the remembered record gone the offset would count from wherever
    // the data set stands and make another record current.
    if (!dataSet->BookmarkValid(FSavedBookmark))
        return;
    dataSet->SetBookmark(FSavedBookmark);
    dataSet->MoveBy(FSavedOffset);
}

// ---------------------------------------------------------------- sized and moved columns

void TCustomDBGridMv::ColWidthsChanged()
{
    // The filter row's edit stays open while the columns change under it;
    // its editor follows its cell afterwards.
    {
        FSTFilter->BeginUpdate();
        const auto endUpdate = qScopeGuard([this] { FSTFilter->EndUpdate(); });
        if ((FDataLink->Active() || FColumns->State()) && AcquireLayoutLock()) {
            try {
                TCustomGridMv::ColWidthsChanged();
                TakeGridColWidths();
            } catch (...) {
                EndLayout();
                throw;
            }
            EndLayout();
            InvalidateEditor();
            if (OnColWidthsChanged)
                OnColWidthsChanged(this);
        } else {
            TCustomGridMv::ColWidthsChanged();
            // Inside a layout the widths are the layout's own, half set: the
            // layout refreshes the editor when it ends, and tells no one.
            if (FLayoutLock == 0) {
                InvalidateEditor();
                if (OnColWidthsChanged)
                    OnColWidthsChanged(this);
            }
        }
        // An outside bar's range follows the new widths at once.
        UpdateHorzScrollBarParams();
    }
    if (FFilterRow)
        FFilterRow->PlaceEditor(false);
}

void TCustomDBGridMv::TakeGridColWidths()
{
    // The grid's widths within each column's limits.
    for (int i = 0; i < FColumns->Count(); ++i) {
        const int raw = DataToRawColumn(i);
        if (raw >= FullColCount())
            break;
        TColumnMv* column = FColumns->Items(i);
        int width = ColWidths(raw);
        if (width <= 0)
            continue;
        if (column->MaxWidth() > 0 && width > column->MaxWidth())
            width = column->MaxWidth();
        if (column->MinWidth() > width)
            width = column->MinWidth();
        if (width != ColWidths(raw))
            SetColWidths(raw, width);
    }
    for (int v = 0; v < FVisibleColumns.Count(); ++v) {
        TColumnMv* column = FVisibleColumns.Items(v);
        const int raw = DataToRawColumn(column->Index());
        if (raw < 0 || raw >= FullColCount())
            continue;
        const int gridWidth = ColWidths(raw);
        if (!FAutoFitColWidths) {
            column->SetWidth(gridWidth);
            continue;
        }
        const int oldWidth = column->Width();
        if (gridWidth == oldWidth || oldWidth <= 0)
            continue;
        if (FOptionsMv.testFlag(dghResizeWholeRightPart)) {
            const int oldBase = column->AutoFitBaseWidth();
            const int newBase = MulDiv(oldBase, gridWidth, oldWidth);
            column->SetAutoFitBaseWidth(newBase);
            // The fitting columns to the right share the difference in
            // proportion to their fit widths.
            int rightTotal = 0;
            for (int r = v + 1; r < FVisibleColumns.Count(); ++r)
                if (FVisibleColumns.Items(r)->AutoFitColWidth())
                    rightTotal += FVisibleColumns.Items(r)->AutoFitBaseWidth();
            for (int r = v + 1; r < FVisibleColumns.Count() && rightTotal > 0; ++r) {
                TColumnMv* right = FVisibleColumns.Items(r);
                if (!right->AutoFitColWidth())
                    continue;
                const int share = MulDiv(oldBase - newBase, right->AutoFitBaseWidth(), rightTotal);
                right->SetAutoFitBaseWidth(std::max(1, right->AutoFitBaseWidth() + share));
            }
        } else if (!column->AutoFitColWidth()) {
            column->SetWidth(gridWidth);
        } else {
            const int oldBase = column->AutoFitBaseWidth();
            const int newBase = MulDiv(oldBase, gridWidth, oldWidth);
            column->SetAutoFitBaseWidth(newBase);
            if (v + 1 < FVisibleColumns.Count()) {
                TColumnMv* next = FVisibleColumns.Items(v + 1);
                next->SetAutoFitBaseWidth(std::max(0, next->AutoFitBaseWidth() + oldBase - newBase));
            }
        }
    }
}

void TCustomDBGridMv::ColumnMoved(int FromIndex, int ToIndex)
{
    const int from = RawToDataColumn(FromIndex);
    const int to = RawToDataColumn(ToIndex);
    // The base grid has moved the current cell with the column; the filter
    // row's edit stays on its column wherever the move puts it.
    TColumnMv* filtered = FFilterRow ? FFilterRow->EditColumn() : nullptr;
    {
        FSTFilter->BeginUpdate();
        const auto endUpdate = qScopeGuard([this] { FSTFilter->EndUpdate(); });
        if (from >= 0 && from < FColumns->Count())
            FColumns->Items(from)->SetIndex(to);
        if (OnColumnMoved)
            OnColumnMoved(this, from, to);
    }
    if (filtered && FColumns->IndexOf(filtered) >= 0)
        FFilterRow->FollowColumn(filtered);
}

void TCustomDBGridMv::RowHeightsChanged()
{
    if (FRowSizedByUser) {
        FRowSizedByUser = false;
        const int first = FOptions.testFlag(dgTitles) ? 1 : 0;
        for (int row = first; row < RowCount(); ++row) {
            if (RowHeights(row) != DefaultRowHeight()) {
                FRowLines = 0;
                SetRowHeight(RowHeights(row));
                UpdateScrollBar();
                break;
            }
        }
    }
    TCustomGridMv::RowHeightsChanged();
}

void TCustomDBGridMv::TopLeftChanged()
{
    TCustomGridMv::TopLeftChanged();
    // Group captions span scrolled columns: the title rows follow any scroll.
    if (FUseMultiTitle && FOptions.testFlag(dgTitles))
        InvalidateGridRect({0, 0, FullColCount() - 1, FTitleOffset - 1});
    bool hides = false;
    for (int i = 0; i < FColumns->Count() && !hides; ++i)
        hides = FColumns->Items(i)->HideDuplicates();
    if (hides)
        InvalidateRowCells(this, TopRow());
    UpdateHorzScrollBarParams();
    // A table's rows scroll under its bar, and the rows coming into view
    // may still lack their records.
    if (FMemTable) {
        UpdateScrollBar();
        FetchMemTableRecords();
    }
}

// ---------------------------------------------------------------- permission and sorting

bool TCustomDBGridMv::AllowedOperationUpdate()
{
    TDataSet* dataSet = DataSet();
    if (!FDataLink->Active() || !dataSet)
        return false;
    const bool updating = FAllowedOperations.testFlag(alopUpdateMv) || dataSet->State() == dsInsert;
    const bool rows = !dataSet->IsEmpty() || FAllowedOperations.testFlag(alopInsertMv) ||
                      FAllowedOperations.testFlag(alopAppendMv);
    return updating && rows;
}

void TCustomDBGridMv::SortMarkingChanged()
{
    if (!FOptionsMv.testFlag(dghAutoSortMarking))
        return;
    if (OnSortMarkingChanged)
        OnSortMarkingChanged(this);
    else
        ApplySorting();
}

void TCustomDBGridMv::OptimizeColumnWidth(TColumnMv* Column)
{
    if (!Column)
        return;
    TColumnsMvList list;
    list.Add(Column);
    FitColumnWidths(*this, list);
}

void TCustomDBGridMv::SetIncSearch(bool Active, const QString& Text)
{
    FIncSearchActive = Active;
    FIncSearchText = Active ? Text : QString();
    InvalidateRow(Row());
}

// ---------------------------------------------------------------- editor text

bool TCustomDBGridMv::CanEditShow()
{
    if (FLayoutLock > 0 || !TCustomGridMv::CanEditShow() || FilterEditInProgress())
        return false;
    TColumnMv* column = SelectedColumn();
    if (!column)
        return false;
    const TColumnTypeMv kind = column->GetColumnType();
    if (kind == ctCheckboxes || kind == ctKeyImageList || FIncSearchActive)
        return false;
    if (FSelection->SelectionType() != gstNon && FOptionsMv.testFlag(dghClearSelection) &&
        FAllowedSelections.testFlag(asRectangle))
        return false;
    return true;
}

bool TCustomDBGridMv::CanEditModify()
{
    TColumnMv* column = SelectedColumn();
    if (!column || column->GetColumnType() == ctCheckboxes || FIncSearchActive)
        return false;
    // An open list that takes no typing keeps the text as it is.
    bool listEditing = false;
    if (EditorListOpen()) {
        if (!EditorListTakesTyping())
            return false;
        listEditing = FDataLink->Edit();
    }
    return column->CanModify(true) || listEditing;
}

QString TCustomDBGridMv::CurrentEditText() const
{
    TColumnMv* column = SelectedColumn();
    TField* field = column ? column->Field() : nullptr;
    if (!FDataLink->Active() || !field)
        return QString();
    if (const TStringList* keys = column->KeyListIfAny(); keys && !keys->IsEmpty()) {
        const int i = keys->IndexOf(field->GetEditText());
        const TStringList* picks = column->PickListIfAny();
        return (picks && i >= 0 && i < picks->Count()) ? (*picks)[i] : QString();
    }
    // A memo is edited on lines of its own, each break the editor's one kind.
    if (field->DataType() == ftMemo && FDrawMemoText)
        return AdjustLineBreaks(field->AsString());
    if (field->FieldKind() == fkLookup)
        return LookupEditText(column, field);
    return field->GetEditText();
}

QString TCustomDBGridMv::LookupEditText(const TColumnMv* Column, TField* Field)
{
    // The column may list its records from another source than the field's
    // own lookup set (the drop-down's list source): the editor starts with
    // the text that list gives the record's keys, as the drop-down shows it.
    TDataSet* lookup = Column->GetLookupDataSet();
    TDataSet* dataSet = Field->DataSet();
    if (!lookup || !lookup->Active() || !dataSet || Field->KeyFields.isEmpty() ||
        Field->LookupKeyFields.isEmpty() || Field->LookupResultField.isEmpty())
        return Field->GetEditText();
    const Variant keys = dataSet->GetFieldValue(Field->KeyFields);
    if (keys.IsClear())
        return QString();
    const Variant shown = lookup->Lookup(Field->LookupKeyFields, keys, Field->LookupResultField);
    return shown.IsClear() ? QString() : shown.AsString();
}

void TCustomDBGridMv::EditorTextChanged()
{
    if (FDataLink->Active())
        FDataLink->Modified();
    TCustomGridMv::EditorTextChanged();
}

int TCustomDBGridMv::GetEditLimit()
{
    TColumnMv* column = SelectedColumn();
    TField* field = column ? column->Field() : nullptr;
    if (!field)
        return 0;
    if (const TStringList* keys = column->KeyListIfAny(); keys && !keys->IsEmpty())
        return 0;
    // A field that takes the typed text through its own OnSetText stores
    // what that makes of it (a password its hash): its size does not bound
    // what may be typed.
    return field->DataType() == ftString && !field->OnSetText ? field->Size() : 0;
}

QString TCustomDBGridMv::GetEditMask(int, int)
{
    TColumnMv* column = SelectedColumn();
    if (!column)
        return QString();
    if (const TStringList* keys = column->KeyListIfAny(); keys && !keys->IsEmpty())
        return QString();
    if (!column->EditMask().isEmpty())
        return column->EditMask();
    TField* field = column->Field();
    return field ? field->EditMask() : QString();
}

// ---------------------------------------------------------------- seams

bool TCustomDBGridMv::CanMoveRecords(int, int, const QPoint&)
{
    return true;
}

bool TCustomDBGridMv::CanAlwaysShowEditor()
{
    return FOptions.testFlag(dgAlwaysShowEditor) && !FilterEditInProgress();
}

void TCustomDBGridMv::RepaintSelectionAndCurrentRow()
{
    switch (FSelection->SelectionType()) {
    case gstNon: break;
    case gstRecordBookmarks: {
        const TGridRectMv rect = FBookmarks->GetVisibleSelectedRect();
        if (rect.Top >= 0)
            InvalidateGridRect(rect);
        break;
    }
    default: Invalidate(); break;
    }
    InvalidateRowCells(this, Row());
}

bool TCustomDBGridMv::LocateText(const QString& Text, bool Forward, bool FromCurrent)
{
    TDBGridMvDataService* service = DBGridMvDataService();
    return service && service->LocateText(this, Text, Forward, FromCurrent);
}

bool TCustomDBGridMv::FindDialogModal() const
{
    return true;
}

void TCustomDBGridMv::ApplySorting()
{
    if (TDBGridMvDataService* service = DBGridMvDataService())
        service->ApplySorting(this);
}

void TCustomDBGridMv::WMSetFocus(QWidget* from)
{
    TCustomGridMv::WMSetFocus(from);
    // While the filter row is edited the keys belong to its editor.
    if (FilterEditInProgress())
        if (QWidget* editor = FFilterRow->Editor(); editor && from != editor)
            editor->setFocus(Qt::OtherFocusReason);
    // The focused look of the current row and the selection changes.
    RepaintSelectionAndCurrentRow();
}

void TCustomDBGridMv::WMKillFocus(QWidget* to)
{
    // A sort marking made with Ctrl held is applied when the focus leaves.
    if (FInput->PendingSortMarking && (!InplaceEditor() || to != InplaceEditor())) {
        FInput->PendingSortMarking = false;
        SortMarkingChanged();
    }
    TCustomGridMv::WMKillFocus(to);
    RepaintSelectionAndCurrentRow();
}
