// The projection of the dataset grid's own model (columns, data link,
// title, filter and footer rows) onto the base grid: when it is recomputed,
// how columns become raw columns, how rows follow the dataset and the fonts,
// how auto-fit shares the client width, and the layout properties.

#include "grid/DBGridMv.h"
#include "grid/DBGridMvInput.h"
#include "grid/DBGridMvScrollBars.h"

#include "platform/MulDiv.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <algorithm>
#include <utility>
#include <cstdlib>

namespace {

// The canvas measurements in a font, without touching the grid's canvas.
int TextHeightOf(const TFont& font, const QString& text)
{
    TCanvas canvas;
    canvas.Font = font;
    return canvas.TextHeight(text);
}

TTextMetric MetricsOf(const TFont& font)
{
    TCanvas canvas;
    canvas.Font = font;
    return canvas.TextMetrics();
}

} // namespace

// ---------------------------------------------------------------- recomputation

void TCustomDBGridMv::InternalLayout()
{
    if (FLoading)
        return;
    ++FLayoutCount;
    if (HandleAllocated())
        KillMessage(this, DBGRIDMV_DEFERLAYOUT);
    const TPaintLockScopeMv scope(*this, FInInternalLayout);

    DeleteMixedDefaultColumns();
    FIndicatorOffset = FOptions.testFlag(dgIndicator) ? 1 : 0;
    FDataLink->ClearMapping();
    if (FDataLink->Active())
        DefineFieldMap();
    if (FColumns->State()) {
        // Each customized column looks its field up anew.
        for (int i = 0; i < FColumns->Count(); ++i)
            FColumns->Items(i)->SetField(nullptr);
    } else {
        BuildDefaultColumns();
    }

    int hidden = 0;
    RebuildVisibleColumns(hidden);

    // Column counts: contra columns stand at the far right and are taken
    // from the columns after the frozen ones.
    const bool activeOrCustom = FDataLink->Active() || FColumns->State();
    const int count = FColumns->Count();
    if (!activeOrCustom) {
        TCustomGridMv::SetContraColCount(0);
        SetColCount(count + FIndicatorOffset);
    } else {
        const int rest = std::max(0, count - TCustomGridMv::FrozenCols() - FIndicatorOffset);
        const int contra = std::max(0, std::min(rest, ContraColCount()));
        if (contra < ContraColCount())
            TCustomGridMv::SetContraColCount(contra);
        SetColCount(std::max(1, count + FIndicatorOffset - contra));
        if (contra != ContraColCount())
            TCustomGridMv::SetContraColCount(contra);
    }
    // More frozen columns than there are columns freeze them all.
    const int frozen = activeOrCustom ? std::clamp(FFrozenColsMv, 0, count) : 0;
    const int fixed = std::clamp(FIndicatorOffset + hidden + frozen, 0, ColCount() - 1);
    if (fixed != FixedCols()) {
        // A new fixed count sends the base grid back to its first cell; the
        // current column and the scroll position stay where they were.
        const int savedCol = Col();
        const int savedLeft = LeftCol();
        SetFixedCols(fixed);
        TCustomGridMv::SetFrozenCols(frozen);
        const int firstCol = std::max(FIndicatorOffset, FixedCols() - TCustomGridMv::FrozenCols());
        const int col = std::clamp(savedCol, firstCol, ColCount() - 1);
        if (col != Col())
            MoveColRow(col, Row(), true, false);
        SetLeftCol(std::max(savedLeft, FixedCols()));
    } else {
        TCustomGridMv::SetFrozenCols(frozen);
    }

    FTitleOffset = TitlesShown() + (IsSTFilterVisible() ? 1 : 0);

    ComputeRowHeights();

    // Only the horizontal bar is the base grid's.
    const bool horizontal = !FAutoFitColWidths && FHorzScrollBar->Visible() && !FHorzScrollBar->ExtScrollBar();
    const TScrollStyleMv wanted = horizontal ? ssHorizontal : ssNone;
    if (wanted != ScrollBars()) {
        TCustomGridMv::SetScrollBars(wanted);
        if (HandleAllocated())
            UpdateScrollBar();
    }

    SetColumnAttributes();
    if (FAutoFitColWidths && HandleAllocated())
        AutoFitColumns();
    ComputeTitleHeights();
    SetColumnAttributes();

    if (FOptions.testFlag(dgRowSelect)) {
        const int left = LeftCol();
        UpdateRowCount();
        SetLeftCol(left);
    } else {
        UpdateRowCount();
    }
    UpdateActive();
    Invalidate();
    FSelection->RefreshColumns();
}

void TCustomDBGridMv::DeleteMixedDefaultColumns()
{
    // Once a program-made column stands among default ones, the default
    // columns go.
    bool seenDefault = false;
    for (int i = 0; i < FColumns->Count(); ++i) {
        TColumnMv* column = FColumns->Items(i);
        if (!column->Stored()) {
            seenDefault = true;
        } else if (seenDefault) {
            for (int j = FColumns->Count() - 1; j >= 0; --j)
                if (!FColumns->Items(j)->Stored())
                    FColumns->Delete(j);
            return;
        }
    }
}

void TCustomDBGridMv::BuildDefaultColumns()
{
    if (!FDataLink->Active() && FDataLink->DefaultFields()) {
        FColumns->Clear();
    } else {
        for (int i = FColumns->Count() - 1; i >= 0; --i) {
            TField* field = FColumns->Items(i)->Field();
            if (!field || !FDataLink->FieldIsMapped(field))
                FColumns->Delete(i);
        }
    }
    int n = FDataLink->FieldCount();
    if (n == 0 && FColumns->Count() == 0)
        n = 1;
    for (int i = 0; i < n; ++i) {
        TField* field = FDataLink->GetMappedField(i);
        TColumnMv* column = nullptr;
        int at = -1;
        if (field) {
            for (int j = i; j < FColumns->Count() && at < 0; ++j)
                if (FColumns->Items(j)->Field() == field)
                    at = j;
            if (at < 0) {
                column = FColumns->AddDefault();
                column->SetField(field);
                at = FColumns->Count() - 1;
            }
        } else {
            FColumns->AddDefault();
            at = FColumns->Count() - 1;
        }
        FColumns->Move(at, i);
    }
}

void TCustomDBGridMv::RebuildVisibleColumns(int& HiddenCount)
{
    FVisibleColumns.Clear();
    const int count = FColumns->Count();
    for (int i = 0; i < count; ++i)
        if (FColumns->Items(i)->Visible())
            FVisibleColumns.Add(FColumns->Items(i));
    HiddenCount = 0;
    // Hidden columns among the frozen ones stand in the fixed area too.
    for (int i = 0; i < count && i < FFrozenColsMv + HiddenCount; ++i)
        if (!FColumns->Items(i)->Visible())
            ++HiddenCount;
    for (int i = FFrozenColsMv + HiddenCount; i < count && !FColumns->Items(i)->Visible(); ++i)
        ++HiddenCount;
    if (FVisibleColumns.Count() == 0)
        --HiddenCount;
    HiddenCount = std::max(0, HiddenCount);
}

void TCustomDBGridMv::ComputeRowHeights()
{
    const TFont font = Font();
    const TTextMetric metrics = MetricsOf(font);
    int margin = Flat() ? 1 : 3;
    if (FOptions.testFlag(dgRowLines))
        margin += GridLineWidth();
    const int h = TextHeightOf(font, QStringLiteral("Wg"));
    const int row0 = RowHeights(0);
    const int tmHeight = metrics.tmHeight;
    const int tmExternal = metrics.tmExternalLeading;
    const int tmInternal = metrics.tmInternalLeading;
    if (FRowHeight >= 1 || FRowLines >= 1)
        SetDefaultRowHeight((tmHeight + tmExternal) * FRowLines + FRowHeight);
    else
        SetDefaultRowHeight(h + margin);

    if (FOptionsMv.testFlag(dghFitRowHeightToText) && h > 0) {
        const int d = DefaultRowHeight() - margin;
        if (d % h <= h / 2 && d / h != 0)
            SetDefaultRowHeight((d / h) * h + margin);
        else
            SetDefaultRowHeight((d / h + 1) * h + margin);
        FRowLines = (DefaultRowHeight() - margin) / h;
        FRowHeight = margin;
    }
    SetRowHeights(0, row0);

    const int w = FInCellButtonWidth;
    const int w15 = RoundHalfEven(qint64(w) * 3, 2);
    FInCellButtonHeight = DefaultRowHeight() > w15 ? (Flat() ? w15 : w) : DefaultRowHeight();
    FMultiLineRows = tmHeight + tmExternal + tmInternal + FTextLineMargin < DefaultRowHeight();

    if (FOptions.testFlag(dgTitles) && !FUseMultiTitle) {
        int title = 0;
        for (int i = 0; i < FColumns->Count(); ++i)
            title = std::max(title, TextHeightOf(FColumns->Items(i)->Title().Font(), QStringLiteral("Wg")) +
                                        FTextLineMargin);
        if (FColumns->Count() == 0)
            title = TextHeightOf(FTitleFont, QStringLiteral("Wg")) + FTextLineMargin;
        SetRowHeights(0, title);
    }
}

void TCustomDBGridMv::AutoFitColumns()
{
    const int visible = FVisibleColumns.Count();
    if (visible == 0)
        return;
    std::vector<bool> fixedMark(size_t(visible), false);
    int sum = 0;
    int available = 0;
    for (int pass = 0; pass < visible; ++pass) {
        UpdateScrollBar();
        int fitBase = 0;
        int fixedWidth = 0;
        for (int i = 0; i < visible; ++i) {
            TColumnMv* column = FVisibleColumns.Items(i);
            if (column->AutoFitColWidth() && !fixedMark[size_t(i)])
                fitBase += column->AutoFitBaseWidth();
            else
                fixedWidth += column->Width();
        }
        const int client = ClientWidth() > FMinAutoFitWidth ? ClientWidth() : FMinAutoFitWidth;
        available = std::max(0, client - fixedWidth);
        if (FOptions.testFlag(dgIndicator))
            available -= ColWidths(0);
        if (FOptions.testFlag(dgColLines))
            available -= visible;
        if (FOptions.testFlag(dgIndicator) && FOptions.testFlag(dgColLines))
            available -= 1;
        available = std::max(0, available);
        bool marked = false;
        sum = 0;
        for (int i = 0; i < visible; ++i) {
            TColumnMv* column = FVisibleColumns.Items(i);
            if (!column->AutoFitColWidth() || fixedMark[size_t(i)])
                continue;
            const int wanted = MulDiv(column->AutoFitBaseWidth(), available, fitBase);
            column->SetWidth(wanted);
            if (column->Width() != wanted) {
                fixedMark[size_t(i)] = true;
                marked = true;
            }
            sum += column->Width();
        }
        if (!marked)
            break;
    }
    if (sum != available) {
        for (int i = visible - 1; i >= 0; --i) {
            TColumnMv* column = FVisibleColumns.Items(i);
            if (column->AutoFitColWidth() && !fixedMark[size_t(i)]) {
                column->SetWidth(std::max(0, column->Width() + available - sum));
                break;
            }
        }
    }
}

void TCustomDBGridMv::ComputeTitleHeights()
{
    if (!FOptions.testFlag(dgTitles))
        return;
    if (FTitleHeight != 0 || FTitleLines != 0) {
        TFont font = FTitleFont;
        int best = -1;
        for (int i = 0; i < FColumns->Count(); ++i) {
            const TFont titleFont = FColumns->Items(i)->Title().Font();
            const int height = TextHeightOf(titleFont, QStringLiteral("Wg")) + FTextLineMargin;
            if (height > best) {
                best = height;
                font = titleFont;
            }
        }
        const TTextMetric metrics = MetricsOf(font);
        int height = FTitleLines * metrics.tmHeight + metrics.tmExternalLeading + 2 + FTitleHeight;
        if (FOptions.testFlag(dgRowLines))
            ++height;
        SetRowHeights(0, height);
    }
    if (FUseMultiTitle) {
        FLeafFieldArr.assign(size_t(FColumns->Count()), {0, nullptr});
        for (int i = 0; i < FColumns->Count(); ++i)
            FLeafFieldArr[size_t(i)] = {i, FColumns->Items(i)};
        CreateHeadTree();
        const int height = MeasureHeadTree(FHeadTree.get());
        SetRowHeights(0, std::max(1, height - (FOptionsMv.testFlag(dghFixed3D) ? 1 : 3)));
    }
}

void TCustomDBGridMv::SetColumnAttributes()
{
    const bool colLines = FOptions.testFlag(dgColLines);
    for (int i = 0; i < FColumns->Count(); ++i) {
        const int raw = FIndicatorOffset + i;
        if (raw >= FullColCount())
            break;
        TColumnMv* column = FColumns->Items(i);
        TField* field = column->Field();
        bool stop = column->Visible() && !column->ReadOnly() && FDataLink->Active() && field &&
                    field->FieldKind() != fkCalculated;
        if (stop && field->FieldKind() == fkLookup && field->DataSet() && !field->KeyFields.isEmpty()) {
            // A lookup whose key fields are all read-only takes no tab stop.
            bool writable = false;
            for (const QString& name : SplitFieldNames(field->KeyFields)) {
                TField* key = field->DataSet()->FindField(name);
                writable = writable || !key || !key->ReadOnly();
            }
            stop = writable;
        }
        SetTabStops(raw, stop);
        SetColWidths(raw, column->Visible() ? column->Width() : (colLines ? -1 : 0));
    }
    if (FOptions.testFlag(dgIndicator))
        SetColWidths(0, 11);
}

// ---------------------------------------------------------------- rows from the data

void TCustomDBGridMv::UpdateRowCount()
{
    if (!FDataLink)
        return;
    if (RowCount() <= FTitleOffset)
        SetRowCount(FTitleOffset + 1);
    SetFixedRows(FTitleOffset);
    const int lineWidth = FOptions.testFlag(dgRowLines) ? GridLineWidth() : 0;
    const int pitch = DefaultRowHeight() + lineWidth;
    const int row0 = RowHeights(0);
    int fixedHeight = 0;
    if (FOptions.testFlag(dgTitles))
        fixedHeight += row0 + lineWidth;
    fixedHeight += pitch * (FTitleOffset - TitlesShown());
    fixedHeight += pitch * FFooterRowCount + (FFooterRowCount > 0 ? lineWidth : 0);

    // Rows sized by hand go back to the default height.
    bool userHeights = false;
    for (int row = FTitleOffset; row < FullRowCount() && !userHeights; ++row)
        userHeights = RowHeights(row) != DefaultRowHeight();
    if (userHeights) {
        const int height = DefaultRowHeight();
        SetDefaultRowHeight(height + 1);
        SetDefaultRowHeight(height);
    }
    if (FOptions.testFlag(dgTitles))
        SetRowHeights(0, row0);
    if (FMemTable) {
        UpdateRowCountMemTable();
        return;
    }

    SetTopRow(FixedRows());
    int newCount = FTitleOffset + 1;
    if (FDataLink->Active() && FDataLink->RecordCount() != 0 && HandleAllocated()) {
        FDataLink->SetBufferCount(std::max(1, (ClientHeight() - fixedHeight) / std::max(1, pitch)));
        newCount = FDataLink->RecordCount() + FTitleOffset;
    }
    const int oldCount = RowCount();
    if (newCount < oldCount && Row() >= newCount)
        MoveColRow(Col(), newCount - 1, true, false);
    SetRowCount(newCount);
    // Footers are contra rows; a count taken back removes them too.
    TCustomGridMv::SetContraRowCount(FFooterRowCount);
    if (newCount != oldCount) {
        if (FDataLink->Active())
            UpdateActive();
        Invalidate();
    }
}

void TCustomDBGridMv::UpdateActive()
{
    // Moving away from the found record ends an incremental search.
    if (FIncSearchActive && !FInput->SearchMoving)
        StopIncSearch();
    if (!FDataLink->Active() || !HandleAllocated() || FLoading)
        return;
    const int target = FDataLink->ActiveRecord() + FTitleOffset;
    if (FMemTable) {
        UpdateActiveMemTable();
    } else if (target != Row() && target >= FixedRows() && target < RowCount()) {
        if (!FOptions.testFlag(dgAlwaysShowEditor))
            HideEditor();
        MoveColRow(Col(), target, true, false);
        InvalidateEditor();
    }
    TInplaceEdit* editor = InplaceEditor();
    if (EditorMode() && editor && editor->Visible() && CurrentEditText() != FEditText)
        InvalidateEditor();
}

void TCustomDBGridMv::LinkActive(bool Value)
{
    UpdateMemTableLink();
    if (!Value)
        HideEditor();
    FSelection->LinkActive(Value);
    FSumList->SetDataSet(DataSet());
    if (FMemTable)
        UpdateRowCount();
    LayoutChanged();
    if (Value && CanAlwaysShowEditor())
        ShowEditor();
    UpdateScrollBar();
    UpdateMemTableLink();
}

void TCustomDBGridMv::DataChanged()
{
    if (!HandleAllocated())
        return;
    UpdateRowCount();
    UpdateScrollBar();
    UpdateActive();
    InvalidateEditor();
    Invalidate();
}

void TCustomDBGridMv::RecordChanged(TField* Field)
{
    if (!HandleAllocated())
        return;
    if (Field) {
        for (int i = 0; i < FColumns->Count(); ++i)
            if (FColumns->Items(i)->Field() == Field)
                InvalidateCell(DataToRawColumn(i), Row());
    } else {
        Invalidate();
    }
    if (FFooterRowCount > 0)
        InvalidateFooter();
    TInplaceEdit* editor = InplaceEditor();
    const TField* current = GetSelectedField();
    if (EditorMode() && editor && !FDataLink->InUpdateData() && (!Field || Field == current) &&
        CurrentEditText() != FEditText)
        InvalidateEditor();
}

void TCustomDBGridMv::EditingChanged()
{
    if (FOptions.testFlag(dgIndicator))
        InvalidateCell(0, Row());
}

void TCustomDBGridMv::Scroll(int Distance)
{
    if (!HandleAllocated())
        return;
    if (FMemTable) {
        // The table's rows stay where they are; the current row follows.
        const int old = Row();
        UpdateActive();
        InvalidateRow(old);
        InvalidateRow(Row());
        if (FFooterRowCount > 0)
            InvalidateFooter();
        return;
    }
    const int lastRow = FullColCount() - 1;
    TRect oldRect = BoxRect(0, Row(), lastRow, Row());
    if (FDataLink->ActiveRecord() >= RowCount() - FTitleOffset)
        UpdateRowCount();
    const bool barBefore = ScrollBarShowing(sbVertical);
    UpdateScrollBar();
    if (barBefore != ScrollBarShowing(sbVertical) && FAutoFitColWidths)
        DeferLayout();
    UpdateActive();
    TRect newRect = BoxRect(0, Row(), lastRow, Row());
    InvalidateRect(oldRect);
    InvalidateRect(newRect);
    if (FFooterRowCount > 0)
        InvalidateFooter();
    if (Distance == 0)
        return;
    HideEditor();
    const int visibleRows = std::max(1, VisibleRowCount());
    if (std::abs(Distance) > visibleRows) {
        Invalidate();
        if (FOptions.testFlag(dgAlwaysShowEditor))
            ShowEditor();
        return;
    }
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    const int pitch = DefaultRowHeight() + (FOptions.testFlag(dgRowLines) ? GridLineWidth() : 0);
    ScrollClient(0, -Distance * pitch, TRect(0, info.Vert.FixedBoundary, ClientWidth(), info.Vert.GridBoundary));
    if (FOptions.testFlag(dgIndicator)) {
        InvalidateCell(0, Row() - Distance);
        InvalidateCell(0, Row());
    }
    bool hides = false;
    for (int i = 0; i < FColumns->Count() && !hides; ++i)
        hides = FColumns->Items(i)->HideDuplicates();
    if (hides)
        InvalidateRowCells(this, TopRow());
}

// ---------------------------------------------------------------- vertical bar, wheel, keys and clicks

void TCustomDBGridMv::UpdateScrollBar()
{
    if (!FDataLink || !HandleAllocated())
        return;
    TScrollInfo info{0, 1, 2, 0};
    TDataSet* dataSet = DataSet();
    if (FMemTable) {
        if (FDataLink->Active())
            info = MemTableScrollInfo();
    } else if (FDataLink->Active() && dataSet) {
        if (dataSet->IsSequenced()) {
            const int page = std::max(1, FDataLink->BufferCount());
            info.Min = 1;
            info.Page = page;
            info.Max = dataSet->RecordCount() + page - 1;
            const TScrollInfo old = GetScrollInfo(sbVertical);
            info.Pos = dataSet->State() < dsInsert ? dataSet->RecNo() : old.Pos;
        } else {
            info.Min = 0;
            info.Page = 0;
            info.Max = 4;
            info.Pos = dataSet->Bof() ? 0 : dataSet->Eof() ? 4 : 2;
        }
    }
    if (QScrollBar* outside = FVertScrollBar->ExtScrollBar())
        ApplyExtScrollInfo(*outside, info);
    if (!FVertScrollBar->Visible() || FVertScrollBar->ExtScrollBar())
        info.Max = info.Min;
    const TScrollBarVisibleModeMv mode = FVertScrollBar->VisibleMode();
    if (info == GetScrollInfo(sbVertical) && FVertScrollBar->AppliedVisibleMode == mode)
        return;
    SetScrollInfo(sbVertical, info, mode == sbAlwaysShowMv && !FVertScrollBar->ExtScrollBar());
    FVertScrollBar->AppliedVisibleMode = mode;
}

void TCustomDBGridMv::WMVScroll(int code, int pos)
{
    TDataSet* dataSet = DataSet();
    if (!FDataLink->Active() || !dataSet)
        return;
    if (FMemTable) {
        ScrollMemTable(code, pos);
        return;
    }
    const int rows = std::max(1, FDataLink->RecordCount());
    switch (code) {
    case SB_LINEUP: dataSet->MoveBy(-FDataLink->ActiveRecord() - 1); break;
    case SB_LINEDOWN: dataSet->MoveBy(FDataLink->RecordCount() - FDataLink->ActiveRecord()); break;
    case SB_PAGEUP: dataSet->MoveBy(-rows); break;
    case SB_PAGEDOWN: dataSet->MoveBy(rows); break;
    case SB_TOP: dataSet->First(); break;
    case SB_BOTTOM: dataSet->Last(); break;
    case SB_THUMBTRACK:
        if (FVertScrollBar->Tracking) {
            dataSet->MoveBy(pos - dataSet->RecNo());
            // The release that ends the drag reports the same place again;
            // the records already moved there.
            FVertThumbTracked = true;
        }
        break;
    case SB_THUMBPOSITION:
        if (std::exchange(FVertThumbTracked, false))
            break;
        if (!dataSet->IsSequenced()) {
            // The five-step bar of a data set without record numbers.
            switch (pos) {
            case 0: dataSet->First(); break;
            case 1: dataSet->MoveBy(-rows); break;
            case 3: dataSet->MoveBy(rows); break;
            case 4: dataSet->Last(); break;
            default: break;
            }
        } else if (pos <= 1)
            dataSet->First();
        else if (pos >= dataSet->RecordCount())
            dataSet->Last();
        else
            dataSet->SetRecNo(pos);
        break;
    default: break;
    }
}

bool TCustomDBGridMv::DoMouseWheelDown(TShiftState Shift, const QPoint&)
{
    // Over an in-memory table Ctrl turns a page of its rows over.
    if (FMemTable && Shift.testFlag(ssCtrl) && FDataLink->Active())
        ScrollMemTable(SB_PAGEDOWN, 0);
    else if (FDataLink->Active() && DataSet())
        DataSet()->MoveBy(1);
    return true;
}

bool TCustomDBGridMv::DoMouseWheelUp(TShiftState Shift, const QPoint&)
{
    if (FMemTable && Shift.testFlag(ssCtrl) && FDataLink->Active())
        ScrollMemTable(SB_PAGEUP, 0);
    else if (FDataLink->Active() && DataSet())
        DataSet()->MoveBy(-1);
    return true;
}

// ---------------------------------------------------------------- properties

void TCustomDBGridMv::SetDataSource(TDataSource* Value)
{
    if (Value == DataSource())
        return;
    FSelection->Clear();
    FDataLink->SetDataSource(Value);
    LinkActive(FDataLink->Active());
    FSumList->SetDataSet(DataSet());
}

void TCustomDBGridMv::ApplyOptions(TDBGridOptions Value)
{
    TGridOptionsMv base;
    if (FRowSizingAllowed)
        base |= goRowSizing;
    if (Value.testFlag(dgColLines))
        base |= goFixedVertLine | goVertLine;
    if (Value.testFlag(dgRowLines))
        base |= goFixedHorzLine | goHorzLine;
    if (Value.testFlag(dgColumnResize))
        base |= goColSizing | goColMoving;
    if (Value.testFlag(dgTabs))
        base |= goTabs;
    if (Value.testFlag(dgRowSelect))
        base |= goRowSelect;
    if (Value.testFlag(dgEditing))
        base |= goEditing;
    if (Value.testFlag(dgAlwaysShowEditor))
        base |= goAlwaysShowEditor;
    TCustomGridMv::SetOptions(base);
}

void TCustomDBGridMv::SetOptions(TDBGridOptions Value)
{
    if (Value.testFlag(dgRowSelect))
        Value &= ~TDBGridOptions(dgEditing | dgAlwaysShowEditor);
    if (Value == FOptions)
        return;
    const TDBGridOptions old = FOptions;
    FOptions = Value;
    ApplyOptions(Value);
    if (old.testFlag(dgMultiSelect) && !Value.testFlag(dgMultiSelect))
        FSelection->Clear();
    const TDBGridOptions layoutOptions = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator | dgColLines |
                                         dgRowLines | dgRowSelect | dgAlwaysShowSelection;
    if ((old ^ Value) & layoutOptions)
        LayoutChanged();
    if (EditorMode())
        InvalidateEditor();
}

void TCustomDBGridMv::SetOptionsMv(TDBGridMvOptions Value)
{
    if (Value == FOptionsMv)
        return;
    FOptionsMv = Value;
    if (!Value.testFlag(dghMultiSortMarking) && FSortMarkedColumns.Count() > 1) {
        // Only the first sort-marked column keeps its marker.
        TColumnMv* first = FSortMarkedColumns.Items(0);
        for (int i = 0; i < FColumns->Count(); ++i) {
            TColumnMv* column = FColumns->Items(i);
            if (column != first) {
                column->Title().SetSortIndex(0);
                FColumns->BeginUpdate();
                column->Title().SetSortMarker(smNoneMv);
                FColumns->EndUpdate();
            }
        }
        FColumns->BeginUpdate();
        first->Title().SetSortIndex(1);
        FColumns->EndUpdate();
        FSortMarkedColumns.Clear();
        FSortMarkedColumns.Add(first);
    }
    LayoutChanged();
}

void TCustomDBGridMv::SetAllowedSelections(TDBGridMvAllowedSelections Value)
{
    if (Value == FAllowedSelections)
        return;
    FAllowedSelections = Value;
    const TDBGridMvSelectionType kind = FSelection->SelectionType();
    if (kind != gstNon && !Value.testFlag(TDBGridMvAllowedSelection(1 << kind)))
        FSelection->Clear();
}

void TCustomDBGridMv::SetAutoFitColWidths(bool Value)
{
    if (Value == FAutoFitColWidths)
        return;
    FAutoFitColWidths = Value;
    if (Value) {
        if (!FLoading)
            for (int i = 0; i < FColumns->Count(); ++i)
                FColumns->Items(i)->SetAutoFitBaseWidth(FColumns->Items(i)->Width());
        TCustomGridMv::SetScrollBars(ssNone);
    } else {
        FColumns->BeginUpdate();
        for (int i = 0; i < FColumns->Count(); ++i)
            FColumns->Items(i)->SetWidth(FColumns->Items(i)->AutoFitBaseWidth());
        FColumns->EndUpdate();
        TCustomGridMv::SetScrollBars(ssHorizontal);
    }
    if (Value)
        SetLeftCol(FixedCols());
    LayoutChanged();
}

void TCustomDBGridMv::SetMinAutoFitWidth(int Value)
{
    FMinAutoFitWidth = Value;
    LayoutChanged();
}

void TCustomDBGridMv::SetDefaultDrawing(bool Value)
{
    if (Value == FDefaultDrawingMv)
        return;
    FDefaultDrawingMv = Value;
    Invalidate();
}

void TCustomDBGridMv::SetDrawMemoText(bool Value)
{
    if (Value == FDrawMemoText)
        return;
    FDrawMemoText = Value;
    Invalidate();
}

void TCustomDBGridMv::SetEvenRowColor(TColor Value)
{
    const bool changed = !FEvenRowColorAssigned || Value != FEvenRowColor;
    FEvenRowColor = Value;
    FEvenRowColorAssigned = true;
    if (changed)
        Invalidate();
}

void TCustomDBGridMv::SetOddRowColor(TColor Value)
{
    const bool changed = !FOddRowColorAssigned || Value != FOddRowColor;
    FOddRowColor = Value;
    FOddRowColorAssigned = true;
    if (changed)
        Invalidate();
}

void TCustomDBGridMv::ParentColorChanged()
{
    if (!FParentColor)
        return;
    // The parent's background: a control's colour, else its palette's.
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    TColor color = clNone;
    if (const auto* control = dynamic_cast<const TCustomControl*>(parent))
        color = control->Color();
    else
        color = FromQColor(parent->palette().color(parent->backgroundRole()));
    SetColor(color);
    FFooterColor = color;
    Invalidate();
}

void TCustomDBGridMv::SetFooterColor(TColor Value)
{
    if (!FLoading)
        FParentColor = false;
    FFooterColor = Value;
    if (FFooterRowCount >= 1)
        InvalidateFooter();
}

void TCustomDBGridMv::SetFooterFont(const TFont& Value)
{
    FFooterFont = Value;
    if (!FLoading)
        FParentFont = false;
    if (FFooterRowCount >= 1)
        LayoutChanged();
}

void TCustomDBGridMv::SetFooterRowCount(int Value)
{
    if (Value < 0 || Value == FFooterRowCount)
        return;
    FFooterRowCount = Value;
    UpdateMemTableLink();
    LayoutChanged();
}

void TCustomDBGridMv::SetFrozenCols(int Value)
{
    if (Value < 0 || Value == FFrozenColsMv)
        return;
    FFrozenColsMv = Value;
    LayoutChanged();
}

void TCustomDBGridMv::SetReadOnly(bool Value)
{
    if (Value == FReadOnly)
        return;
    FReadOnly = Value;
    Invalidate();
    if (!FLoading)
        InvalidateEditor();
}

void TCustomDBGridMv::SetRowHeight(int Value)
{
    if (Value == FRowHeight)
        return;
    FRowHeight = std::max(0, Value);
    LayoutChanged();
}

void TCustomDBGridMv::SetRowLines(int Value)
{
    if (Value == FRowLines)
        return;
    FRowLines = std::max(0, Value);
    LayoutChanged();
}

void TCustomDBGridMv::SetRowSizingAllowed(bool Value)
{
    if (Value == FRowSizingAllowed)
        return;
    FRowSizingAllowed = Value;
    TGridOptionsMv base = TCustomGridMv::Options();
    if (Value)
        base |= goRowSizing;
    else
        base &= ~TGridOptionsMv(goRowSizing);
    TCustomGridMv::SetOptions(base);
}

void TCustomDBGridMv::SetTitleFont(const TFont& Value)
{
    FTitleFont = Value;
    if (!FLoading)
        FParentFont = false;
    if (FOptions.testFlag(dgTitles))
        LayoutChanged();
}

void TCustomDBGridMv::SetTitleHeight(int Value)
{
    FTitleHeight = Value;
    LayoutChanged();
}

void TCustomDBGridMv::SetTitleLines(int Value)
{
    FTitleLines = Value;
    LayoutChanged();
}

void TCustomDBGridMv::SetTitleImages(TImageList* Value)
{
    if (Value == FTitleImages)
        return;
    if (FTitleImages)
        FTitleImages->UnRegisterChanges(&FTitleImagesLink);
    FTitleImages = Value;
    if (FTitleImages) {
        FTitleImagesLink.OnChange = [this] { Invalidate(); };
        FTitleImagesLink.OnDestroyed = [this] {
            FTitleImages = nullptr;
            LayoutChanged();
        };
        FTitleImages->RegisterChanges(&FTitleImagesLink);
    }
    LayoutChanged();
}

void TCustomDBGridMv::SetUseMultiTitle(bool Value)
{
    FUseMultiTitle = Value;
    LayoutChanged();
}

void TCustomDBGridMv::SetVTitleMargin(int Value)
{
    FVTitleMargin = Value;
    LayoutChanged();
}

void TCustomDBGridMv::SetContraColCount(int Value)
{
    Value = std::max(0, Value);
    if (Value == ContraColCount())
        return;
    TCustomGridMv::SetContraColCount(Value);
    LayoutChanged();
}

void TCustomDBGridMv::BiDiModeChanged()
{
    TCustomGridMv::BiDiModeChanged();
    LayoutChanged();
}

// ---------------------------------------------------------------- cells and areas

bool TCustomDBGridMv::CellIs3D(int ACol, int ARow, TGridDrawState AState) const
{
    const int dataCol = ACol - FIndicatorOffset;
    const int dataRow = ARow - FTitleOffset;
    const bool fixedCell = AState.testFlag(gdFixed);
    const bool filterRow = IsSTFilterVisible() && ARow == FTitleOffset - 1;
    if (filterRow && dataCol >= 0 && dataCol < FColumns->Count() && FColumns->Items(dataCol)->STFilter().Visible())
        return false;
    if (fixedCell && (dataCol < 0 || dataRow < 0))
        return FOptionsMv.testFlag(dghFixed3D);
    if (ARow >= RowCount() && FFooterRowCount >= 1)
        return FOptionsMv.testFlag(dghFooter3D);
    if (!fixedCell)
        return FOptionsMv.testFlag(dghData3D);
    return FOptionsMv.testFlag(dghFrozen3D);
}

bool TCustomDBGridMv::IsSTFilterVisible() const
{
    return FSTFilter && FSTFilter->Visible();
}

int TCustomDBGridMv::TitlesShown() const
{
    return FOptions.testFlag(dgTitles) ? 1 : 0;
}

bool TCustomDBGridMv::GridHasFocus() const
{
    if (hasFocus() || ClientWidget()->hasFocus())
        return true;
    TInplaceEdit* editor = InplaceEditor();
    return editor && editor->hasFocus();
}

TRect TCustomDBGridMv::GetDataRect()
{
    TGridDrawInfoMv info;
    CalcDrawInfo(info);
    // On the client: mirrored right to left, as the mouse points it meets.
    return MirroredRect(
        TRect(info.Horz.FixedBoundary, info.Vert.FixedBoundary, info.Horz.GridBoundary, info.Vert.GridBoundary));
}
