// Column width fitting over the title, all records and the footers.

#include "grid/DBGridMvFitWidths.h"

#include "grid/DBGridMvInput.h"
#include "grid/DBGridMvTree.h"
#include "gridbase/ToolCtrlsMvButtons.h"

#include <QFontMetrics>

namespace {

constexpr int CellMargin = 4;
constexpr int FooterMargin = 5;
constexpr int TallText = 100000;

// Text width, wrapped within Room when WordWrap.
int MeasureText(const QFont& Font, const QString& Text, bool WordWrap, int Room)
{
    const QFontMetrics metrics(Font);
    if (!WordWrap)
        return metrics.horizontalAdvance(Text);
    return metrics.boundingRect(QRect(0, 0, std::max(1, Room), TallText), Qt::TextWordWrap, Text).width();
}

int TitleWidth(const TCustomDBGridMv& Grid, TColumnMv* Column)
{
    const TColumnTitleMv& title = Column->Title();
    int width = CellMargin;
    const int room = title.GetSortMarkingWidth();
    if (room > 2)
        width += room - 2;
    if (Grid.TitleImages() && title.ImageIndex() >= 0)
        return width + Grid.TitleImages()->Width();
    QString text = title.Caption();
    const bool multi = Grid.UseMultiTitle();
    if (multi)
        if (const THeadTreeNode* leaf = Grid.LeafOfColumn(Column))
            text = leaf->Text;
    const QFont font = title.Font();
    if (title.Orientation() == tohVertical)
        return width + QFontMetrics(font).height();
    const bool wrap = multi || Grid.TitleHeight() > 0 || Grid.TitleLines() > 0;
    return width + MeasureText(font, text, wrap, Column->Width() - width);
}

// The current record's cell, measured as painting would show it.
int CellWidth(TCustomDBGridMv& Grid, TColumnMv* Column, bool FirstVisible)
{
    int width = CellMargin;
    if (Column->AlwaysShowEditButton())
        width += Column->EditButtonsWidth();
    if (FirstVisible)
        width += Grid.TreeIndent();
    const TImageList* images = Column->ImageList();
    switch (Column->GetColumnType()) {
    case ctKeyImageList: return width + (images ? images->Width() : 0);
    case ctCheckboxes: return width + CheckBoxGlyphWidth();
    default: break;
    }
    if (images && Column->ShowImageAndText())
        width += images->Width() + 4;
    TFont font = Column->Font();
    TColCellParamsMv params;
    params.Font = &font;
    params.Alignment = Column->Alignment();
    params.Background = Column->Color();
    params.Text = Column->GetDisplayText();
    if (Grid.OnGetCellParams)
        Grid.OnGetCellParams(&Grid, Column, font, params.Background, TGridDrawState());
    Column->GetColCellParams(false, params);
    const bool wrap = Column->WordWrap() && Grid.MultiLineRows();
    return width + MeasureText(font, params.Text, wrap, Column->Width() - width);
}

int FooterWidth(TCustomDBGridMv& Grid, TColumnMv* Column)
{
    int width = 0;
    for (int row = 0; row < Grid.FooterRowCount(); ++row) {
        TColumnFooterMv& footer = Column->GetFooterForRow(row);
        const QString text = Grid.GetFooterValue(row, Column);
        width = std::max(width, MeasureText(footer.Font(), text, footer.WordWrap(), Column->Width() -
                                                                                               FooterMargin) +
                                    FooterMargin);
    }
    return width;
}

} // namespace

void FitColumnsForSizingEdge(TCustomDBGridMv& Grid, TColumnMv* Column)
{
    TColumnsMvList list;
    const TDBGridMvSelectionType kind = Grid.Selection().SelectionType();
    if (kind == gstColumns) {
        for (TColumnMv* column : Grid.Selection().Columns().Items())
            list.Add(column);
    } else if (kind == gstAll) {
        for (int i = 0; i < Grid.Columns().Count(); ++i)
            list.Add(Grid.Columns().Items(i));
    }
    if (list.IndexOf(Column) < 0)
        list.Add(Column);
    FitColumnWidths(Grid, list);
}

void FitColumnWidths(TCustomDBGridMv& Grid, const TColumnsMvList& Columns)
{
    std::vector<int> widths;
    for (TColumnMv* column : Columns.Items())
        widths.push_back(TitleWidth(Grid, column));
    TDataSet* dataSet = Grid.DataSet();
    if (!Grid.DataLink()->Active() || !dataSet)
        return;
    const TColumnMv* firstVisible = Grid.VisibleColumns().Count() > 0 ? Grid.VisibleColumns().Items(0) : nullptr;
    {
        const TDisableControlsGuard guard(*dataSet);
        const TBookmark bookmark = dataSet->Bookmark();
        dataSet->First();
        while (!dataSet->Eof()) {
            for (size_t i = 0; i < widths.size(); ++i) {
                TColumnMv* column = Columns.Items(int(i));
                widths[i] = std::max(widths[i], CellWidth(Grid, column, column == firstVisible));
            }
            if (dataSet->IsSequenced() && dataSet->RecNo() >= dataSet->RecordCount())
                break;
            dataSet->Next();
        }
        if (dataSet->BookmarkValid(bookmark))
            dataSet->SetBookmark(bookmark);
    }
    const bool bracket = Grid.LayoutLock() == 0;
    if (bracket)
        Grid.BeginLayout();
    try {
        for (size_t i = 0; i < widths.size(); ++i) {
            TColumnMv* column = Columns.Items(int(i));
            column->SetWidth(std::max(widths[i], FooterWidth(Grid, column)));
        }
    } catch (...) {
        if (bracket)
            Grid.EndLayout();
        throw;
    }
    if (bracket)
        Grid.EndLayout();
}
