// The filter row: its editor, drop-down, keys, applying the filter and the
// drawing of its cells.

#include "grid/DBGridMvFilterRow.h"

#include "grid/DBGridMv.h"

#include <QContextMenuEvent>
#include <QScopedValueRollback>
#include <algorithm>

namespace {

constexpr int DefaultDropDownWidth = 100;
constexpr int DefaultDropDownRows = 17;

QString SpecialItemText(TFilterItemCodeMv Code)
{
    switch (Code) {
    case fiNullMv: return QStringLiteral("(空)");
    case fiNotNullMv: return QStringLiteral("(非空)");
    case fiAllMv: return QStringLiteral("(全部)");
    case fiClearFilterMv: return QStringLiteral("(清除过滤器)");
    case fiSeparatorMv: return QStringLiteral("-");
    case fiSortAscendingMv: return QStringLiteral("(递增排序)");
    case fiSortDescendingMv: return QStringLiteral("(递减排序)");
    }
    return QString();
}

bool HasKeyAndPickList(const TColumnMv* Column)
{
    const TStringList* keys = Column->KeyListIfAny();
    const TStringList* picks = Column->PickListIfAny();
    return keys && picks && !keys->IsEmpty() && !picks->IsEmpty();
}

} // namespace

// ---------------------------------------------------------------- editor

TInplaceFilterEditMv::TInplaceFilterEditMv(TDBGridMvFilterRow* Row, QWidget* Parent)
    : TDBComboBoxMv(Parent), FRow(Row)
{
}

void TInplaceFilterEditMv::KeyDown(quint16& Key, TShiftState Shift)
{
    if (DroppedDown()) {
        TDBComboBoxMv::KeyDown(Key, Shift);
        return;
    }
    const bool allSelected = hasSelectedText() && selectedText().size() == text().size();
    const bool rightToLeft = isRightToLeft();
    quint16 key = Key;
    if (rightToLeft && key == VK_LEFT)
        key = VK_RIGHT;
    else if (rightToLeft && key == VK_RIGHT)
        key = VK_LEFT;
    // At the text's edge the horizontal keys leave the cell whatever the
    // modifiers: there is nothing more to move over or select that way.
    switch (key) {
    case VK_LEFT:
    case VK_HOME:
        if (allSelected || cursorPosition() == 0) {
            FRow->MoveEdit(-1);
            Key = 0;
            return;
        }
        break;
    case VK_RIGHT:
    case VK_END:
        if (allSelected || cursorPosition() == text().size()) {
            FRow->MoveEdit(1);
            Key = 0;
            return;
        }
        break;
    case VK_TAB:
        if (FRow->Grid()->Options().testFlag(dgTabs)) {
            FRow->MoveEdit(Shift.testFlag(ssShift) ? -1 : 1);
            Key = 0;
            return;
        }
        break;
    case VK_RETURN:
        Key = 0;
        Run([this] { FRow->Apply(); });
        return;
    case VK_UP:
        // The filter row is the top of the grid: Up stays in it.
        Key = 0;
        return;
    case VK_DOWN:
        if (!(Shift & (ssShift | ssAlt))) {
            Key = 0;
            if (FRow->Grid()->DataLink()->Active())
                FRow->LeaveToData();
            return;
        }
        break;
    case VK_F2:
        deselect();
        setCursorPosition(int(text().size()));
        Key = 0;
        return;
    default: break;
    }
    TDBComboBoxMv::KeyDown(Key, Shift);
}

// ---------------------------------------------------------------- filter row

TDBGridMvFilterRow::TDBGridMvFilterRow(TCustomDBGridMv* Grid) : FGrid(Grid)
{
}

TDBGridMvFilterRow::~TDBGridMvFilterRow()
{
    // The editor calls back into this object; it goes first.
    delete FEditor.data();
}

TColumnMv* TDBGridMvFilterRow::EditColumn() const
{
    TDBGridColumnsMv& columns = FGrid->Columns();
    return FInProgress && FColumn >= 0 && FColumn < columns.Count() ? columns.Items(FColumn) : nullptr;
}

int TDBGridMvFilterRow::FilterRowIndex() const
{
    return FGrid->TitleRowCount() - 1;
}

void TDBGridMvFilterRow::EnsureEditor()
{
    if (FEditor)
        return;
    auto* editor = new TInplaceFilterEditMv(this, FGrid->ClientWidget());
    editor->hide();
    editor->setFont(FGrid->font());
    editor->SetFlat(true);
    editor->SetBorderStyle(bsNone);
    editor->SetAutoSize(false);
    editor->OnDropDown = [this](QObject*) { FillDropDown(); };
    editor->OnCloseUp = [this](QObject*, bool Accept) { DropDownClosed(Accept); };
    editor->OnChange = [this](QObject*) { TextChanged(); };
    FEditor = editor;
}

void TDBGridMvFilterRow::SetUpEditor(TColumnMv* Column)
{
    TSTColumnFilterMv& filter = Column->STFilter();
    const bool list = filter.HasList();
    FEditor->EditButton().SetVisible(list);
    if (list) {
        TDropDownBoxMv& box = FEditor->DropDownBox();
        box.Sizable = true;
        box.Width = filter.DropDownWidth > 0 ? filter.DropDownWidth : DefaultDropDownWidth;
        box.Rows = filter.DropDownRows > 0 ? filter.DropDownRows : DefaultDropDownRows;
    }
    FEditor->SetWantTabs(FGrid->Options().testFlag(dgTabs));
    FEditor->SetItems({});
    FEnteredText = filter.GetFilterText();
    // What the user typed and the column holds stays as typed.
    if (FEditor->text() != filter.FilterTextSet())
        FEditor->setText(FEnteredText);
}

void TDBGridMvFilterRow::Refresh()
{
    TColumnMv* column = EditColumn();
    if (!FEditor || !column)
        return;
    SetUpEditor(column);
    PlaceEditor();
}

void TDBGridMvFilterRow::FollowColumn(TColumnMv* Column)
{
    if (!FInProgress)
        return;
    FColumn = Column->Index();
    Refresh();
}

void TDBGridMvFilterRow::CancelMode()
{
    if (FEditor && FEditor->DroppedDown())
        FEditor->CloseUp(false);
}

void TDBGridMvFilterRow::TextChanged()
{
    TColumnMv* column = EditColumn();
    if (!column || !FEditor || FEditor->text() == column->STFilter().FilterTextSet())
        return;
    // The typed text is the column's condition at once, so that it stays
    // when the editor moves on to another cell; a text that does not read
    // (yet) leaves the column's condition as it was. Enter shows why.
    const QScopedValueRollback<bool> typing(FTyping, true);
    try {
        column->STFilter().SetFilterText(FEditor->text());
    } catch (const std::exception&) {
        column->STFilter().SetFilterText(FEnteredText);
    }
}

void TDBGridMvFilterRow::Applied()
{
    if (TColumnMv* column = EditColumn())
        FEnteredText = column->STFilter().GetFilterText();
    PlaceEditor();
}

TSTFilterApplyFlagsMv TDBGridMvFilterRow::ApplyFlags() const
{
    const TDBGridMvStyle* style = FGrid->Style();
    return style ? style->FilterApplyFlags() : TSTFilterApplyFlagsMv();
}

void TDBGridMvFilterRow::PlaceEditor(bool SelectText)
{
    TColumnMv* column = EditColumn();
    if (!FEditor || !column)
        return;
    const TRect cell = FGrid->CellRect(FGrid->DataToRawColumn(column->Index()), FilterRowIndex());
    const QRect geometry(cell.Left, cell.Top, cell.Width(), cell.Height());
    if (FEditor->geometry() != geometry)
        FEditor->setGeometry(geometry);
    if (SelectText)
        FEditor->selectAll();
}

void TDBGridMvFilterRow::StartEdit(TColumnMv* Column)
{
    if (!Column || !FGrid->IsSTFilterVisible() || !Column->STFilter().Visible() || !Column->Visible())
        return;
    if (FGrid->DataLink()->Active()) {
        // What the cell editor holds is written, an edited record posted.
        if (TDataSet* dataSet = FGrid->DataSet()) {
            if (dataSet->State() == dsEdit || dataSet->State() == dsInsert)
                dataSet->UpdateRecord();
            dataSet->CheckBrowseMode();
        }
    }
    FGrid->HideEditor();
    EnsureEditor();
    const int previous = FColumn;
    if (FInProgress && previous != Column->Index()) {
        FEditor->hide();
        FGrid->InvalidateCell(FGrid->DataToRawColumn(previous), FilterRowIndex());
    }
    FColumn = Column->Index();
    // In progress before the move, so that the cell editor stays hidden.
    FInProgress = true;
    if (FGrid->SelectedColumn() != Column)
        FGrid->SetSelectedIndex(Column->Index());
    SetUpEditor(Column);
    PlaceEditor();
    FEditor->show();
    FEditor->setFocus(Qt::OtherFocusReason);
    FGrid->InvalidateCell(FGrid->DataToRawColumn(FColumn), FilterRowIndex());
}

void TDBGridMvFilterRow::StopEdit()
{
    if (FGrid->STFilter().UpdateCount() > 0 || !FInProgress)
        return;
    const bool hadFocus = FEditor && FEditor->hasFocus();
    FInProgress = false;
    if (FEditor) {
        if (FEditor->DroppedDown())
            FEditor->CloseUp(false);
        FEditor->hide();
    }
    if (hadFocus && FGrid->CanFocus())
        FGrid->SetFocus();
    if (FColumn >= 0)
        FGrid->InvalidateCell(FGrid->DataToRawColumn(FColumn), FilterRowIndex());
    FColumn = -1;
    if (FGrid->Options().testFlag(dgAlwaysShowEditor))
        FGrid->ShowEditor();
}

void TDBGridMvFilterRow::StoreEditorText()
{
    if (TColumnMv* column = EditColumn(); column && FEditor)
        column->STFilter().SetFilterText(FEditor->text());
}

void TDBGridMvFilterRow::Apply()
{
    FGrid->ApplyFilter();
}

void TDBGridMvFilterRow::ClearAll()
{
    StopEdit();
    TDBGridColumnsMv& columns = FGrid->Columns();
    for (int i = 0; i < columns.Count(); ++i)
        columns.Items(i)->STFilter().Clear();
    FGrid->ApplyFilter();
}

void TDBGridMvFilterRow::MoveEdit(int Direction)
{
    TDBGridColumnsMv& columns = FGrid->Columns();
    const int count = columns.Count();
    if (count == 0 || FColumn < 0)
        return;
    for (int step = 1; step < count; ++step) {
        const int index = ((FColumn + Direction * step) % count + count) % count;
        TColumnMv* column = columns.Items(index);
        if (column->Visible() && column->STFilter().Visible()) {
            StartEdit(column);
            return;
        }
    }
}

void TDBGridMvFilterRow::LeaveToData()
{
    TColumnMv* column = EditColumn();
    StopEdit();
    if (column && FGrid->SelectedColumn() != column)
        FGrid->SetSelectedIndex(column->Index());
    if (FGrid->CanFocus())
        FGrid->SetFocus();
}

void TDBGridMvFilterRow::FillDropDown()
{
    TColumnMv* column = EditColumn();
    if (!column || !FEditor)
        return;
    QStringList items = column->STFilter().ListFieldValues();
    if (HasKeyAndPickList(column)) {
        const TStringList& keys = column->KeyList();
        const TStringList& picks = column->PickList();
        for (QString& item : items)
            if (const int i = keys.IndexOf(item); i >= 0 && i < picks.Count())
                item = picks[i];
    }
    FSpecialItems = {fiNullMv, fiNotNullMv, fiAllMv, fiClearFilterMv};
    if (FGrid->OptionsMv().testFlag(dghAutoSortMarking) && column->Title().TitleButton())
        FSpecialItems.insert(FSpecialItems.end(), {fiSeparatorMv, fiSortAscendingMv, fiSortDescendingMv});
    // Each goes to the top in the order of its code: the last code reads first.
    std::reverse(FSpecialItems.begin(), FSpecialItems.end());
    QStringList special;
    for (TFilterItemCodeMv code : FSpecialItems)
        special << SpecialItemText(code);
    FEditor->SetItems(special + items);
}

void TDBGridMvFilterRow::DropDownClosed(bool Accept)
{
    TColumnMv* column = EditColumn();
    if (!column || !FEditor)
        return;
    TSTColumnFilterMv& filter = column->STFilter();
    filter.DropDownWidth = FEditor->DropDownBox().Width;
    filter.DropDownRows = FEditor->DropDownBox().Rows;
    const int index = FEditor->ItemIndex();
    // Unless the style's flags say otherwise, nothing applies by itself but
    // "(清除过滤器)": Enter applies the text.
    const TSTFilterApplyFlagsMv flags = ApplyFlags();
    const auto applyIf = [this](bool Apply) {
        if (Apply)
            FEditor->Run([this] { this->Apply(); });
    };
    if (!Accept || index < 0 || index >= int(FSpecialItems.size())) {
        // A value taken from the list is the editor's text already.
        applyIf(flags.testFlag(Accept ? sfaCloseUpAcceptMv : sfaCloseUpCancelMv));
        return;
    }
    switch (const TFilterItemCodeMv code = FSpecialItems[size_t(index)]) {
    case fiNullMv:
        FEditor->setText(QStringLiteral("=Null"));
        applyIf(flags != TSTFilterApplyFlagsMv());
        break;
    case fiNotNullMv:
        FEditor->setText(QStringLiteral("<>Null"));
        applyIf(flags != TSTFilterApplyFlagsMv());
        break;
    case fiAllMv:
        FEditor->setText(QString());
        applyIf(flags != TSTFilterApplyFlagsMv());
        break;
    case fiClearFilterMv: FEditor->Run([this] { ClearAll(); }); break;
    case fiSortAscendingMv:
    case fiSortDescendingMv:
        SortBy(column, code);
        FEditor->setText(filter.GetFilterText());
        break;
    case fiSeparatorMv: FEditor->setText(filter.GetFilterText()); break;
    }
}

void TDBGridMvFilterRow::SortBy(TColumnMv* Column, TFilterItemCodeMv Code)
{
    TDBGridColumnsMv& columns = FGrid->Columns();
    columns.BeginUpdate();
    for (int i = 0; i < columns.Count(); ++i)
        columns.Items(i)->Title().SetSortMarker(smNoneMv);
    columns.EndUpdate();
    FGrid->SortMarkedColumnsList().Clear();
    Column->Title().SetSortMarker(Code == fiSortAscendingMv ? smDownMv : smUpMv);
    FGrid->SortMarkingChanged();
}

// ---------------------------------------------------------------- the grid's filter row

TDBGridMvFilterRow& TCustomDBGridMv::FilterRow()
{
    if (!FFilterRow)
        FFilterRow = std::make_unique<TDBGridMvFilterRow>(this);
    return *FFilterRow;
}

void TCustomDBGridMv::StartFilterEdit(TColumnMv* Column)
{
    FilterRow().StartEdit(Column);
}

void TCustomDBGridMv::StopFilterEdit()
{
    if (FFilterRow)
        FFilterRow->StopEdit();
}

void TCustomDBGridMv::ClearFilters()
{
    FilterRow().ClearAll();
}

bool TCustomDBGridMv::FilterEditInProgress() const
{
    return FFilterRow && FFilterRow->InProgress() && FSelection->SelectionType() == gstNon;
}

TColumnMv* TCustomDBGridMv::FilterCellColumnAt(int X, int Y)
{
    if (!IsSTFilterVisible())
        return nullptr;
    const TGridCoordMv cell = MouseCoord(X, Y);
    const int dataCol = RawToDataColumn(cell.X);
    if (cell.Y != FTitleOffset - 1 || dataCol < 0 || dataCol >= FColumns->Count() ||
        !FColumns->Items(dataCol)->STFilter().Visible())
        return nullptr;
    return FColumns->Items(dataCol);
}

bool TCustomDBGridMv::FilterRowMouseDown(TMouseButton Button, TShiftState, int X, int Y)
{
    if (!IsSTFilterVisible() || (Button != mbLeft && Button != mbRight))
        return false;
    if (TColumnMv* column = FilterCellColumnAt(X, Y)) {
        StartFilterEdit(column);
        return true;
    }
    if (MouseCoord(X, Y).Y >= FTitleOffset && FFilterRow && FFilterRow->InProgress())
        StopFilterEdit();
    return false;
}

bool TCustomDBGridMv::DoMouseWheel(TShiftState Shift, int WheelDelta, const QPoint& MousePos)
{
    // While the filter row is edited the wheel turns its editor (or scrolls
    // its open list), not the records.
    if (WheelToDropDown(WheelDelta))
        return true;
    TInplaceFilterEditMv* editor = FFilterRow ? FFilterRow->Editor() : nullptr;
    if (!FilterEditInProgress() || !editor || !editor->isVisible())
        return TCustomGridMv::DoMouseWheel(Shift, WheelDelta, MousePos);
    for (int notch = std::max(1, std::abs(WheelDelta) / 120); notch > 0 && WheelDelta != 0; --notch)
        editor->Wheel(WheelDelta < 0 ? 1 : -1, Shift);
    return true;
}

bool TCustomDBGridMv::ContextMenuTakenByCell(QEvent* Event)
{
    // A right press on a filter cell opens the filter editor there, and one
    // on a cell whose column has its own menu brings that menu at the
    // release: the grid's context menu does not come up over either.
    if (Event->type() != QEvent::ContextMenu)
        return false;
    const auto* menu = static_cast<QContextMenuEvent*>(Event);
    const QPoint at = ClientWidget()->mapFromGlobal(menu->globalPos());
    if (menu->reason() != QContextMenuEvent::Mouse ||
        (!FilterCellColumnAt(at.x(), at.y()) && !ColumnMenuAt(at.x(), at.y())))
        return false;
    Event->accept();
    return true;
}

void TCustomDBGridMv::ApplyFilter()
{
    FilterRow().StoreEditorText();
    const int leftCol = LeftCol();
    FSTFilter->BeginUpdate();
    try {
        if (OnApplyFilter) {
            OnApplyFilter(this);
        } else if (TDBGridMvDataService* service = DBGridMvDataService()) {
            LockPaint();
            try {
                service->ApplyFilter(this);
            } catch (...) {
                UnlockPaint();
                throw;
            }
            UnlockPaint();
        }
    } catch (...) {
        FSTFilter->EndUpdate();
        throw;
    }
    FSTFilter->EndUpdate();
    if (leftCol < ColCount() && leftCol != LeftCol())
        SetLeftCol(leftCol);
    FilterRow().Applied();
    if (FSumList->Active())
        FSumList->RecalcAll();
    Invalidate();
}

void TCustomDBGridMv::DrawFilterCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    TCanvas& canvas = Canvas();
    const int dataCol = RawToDataColumn(ACol);
    TColumnMv* column = dataCol >= 0 && dataCol < FColumns->Count() ? FColumns->Items(dataCol) : nullptr;
    if (!IsSTFilterVisible() || ARow != FTitleOffset - 1 || !column || !column->STFilter().Visible()) {
        canvas.FillRect(ARect);
        return;
    }
    TSTColumnFilterMv& filter = column->STFilter();
    const bool list = filter.HasList();
    const bool flat = Flat();
    const int buttonWidth = flat ? FlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
    const int reserved = buttonWidth + (flat && list ? 1 : 0);
    TRect textRect = ARect;
    if (list)
        textRect.Right -= reserved;

    const TColor fixed = ColorToRGB(FixedColor(), canvas.Palette());
    const auto lighten = [](int c) { return std::min(255, c + c / 8); };
    TColor background = RGBColor(lighten(GetRValue(fixed)), lighten(GetGValue(fixed)), lighten(GetBValue(fixed)));
    TFont font(Font(), RGBColor(0, 0, 255));
    GetSelectedCellColors(font, background, CellIsInSelection(ACol, ARow, TBookmark(), dataCol), AState,
                          GetCellType(ACol, ARow));
    canvas.Font = font;
    canvas.Brush.Color = background;
    canvas.FillRect(ARect);
    WriteCellText(column, textRect, true, 2, 2, filter.GetFilterText(), taLeftJustify, column->Layout(), false,
                  false, 0, 0);
    if (list) {
        const int left = ARect.Right - buttonWidth;
        if (flat) {
            canvas.Pen.Color = clBtnShadow;
            canvas.MoveTo(left - 1, ARect.Top);
            canvas.LineTo(left - 1, ARect.Bottom);
        }
        const int height = std::min(InCellButtonHeight() > 0 ? InCellButtonHeight() : ARect.Height(), ARect.Height());
        const TRect button(left, ARect.Top, ARect.Right, ARect.Top + height);
        PaintEditButton(canvas, button, background, 0, DataLink()->Active(), false, flat, 0, bdkDropDown);
        if (height < ARect.Height())
            canvas.FillRect(TRect(left, button.Bottom, ARect.Right, ARect.Bottom));
    }
    // The editor follows its cell wherever the grid has scrolled or sized.
    if (FFilterRow && FFilterRow->EditColumn() == column)
        FFilterRow->PlaceEditor(false);
}
