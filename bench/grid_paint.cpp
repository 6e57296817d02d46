// Frames per second of the base grid painting a 1920x1080 grid of 30 columns
// while it scrolls page by page, against QTableView over a model with the same
// cells in the same run, for 1,000 and 1,000,000 rows. Each frame scrolls one
// page and repaints the whole client area synchronously into the window's
// backing store (offscreen platform, Fusion style, the test font).
//
// Reports frames per second of each, the ratio grid / QTableView per row count
// (target: 1.0 or more), and the ratio of the grid's 1,000,000-row figure to
// its 1,000-row figure (painting cost must not grow with the row count).

#include "PaintBenchSupport.h"
#include "gridbase/GridsMv.h"

#include <QAbstractTableModel>

namespace {

using namespace paintbench;

constexpr int RowHeight = 24;
constexpr int ColumnWidth = 64;

class TBenchGrid : public TCustomGridMv {
public:
    TBenchGrid()
    {
        SetScrollBars(ssVertical);
        SetBorderStyle(bsNone);
    }
    using TCustomGridMv::ModifyScrollBar;

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState) override
    {
        TCanvas& canvas = Canvas();
        canvas.Brush.Style = bsClear;
        canvas.TextRect(ARect, ARect.Left + 2, ARect.Top + 2, CellText(ARow, ACol));
        canvas.Brush.Style = bsSolid;
    }
};

class TBenchModel : public QAbstractTableModel {
public:
    explicit TBenchModel(int rows) : FRows(rows) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : FRows; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : Columns; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return QVariant();
        return CellText(index.row(), index.column());
    }

private:
    int FRows;
};

void GridPaint(benchmark::State& state)
{
    const int rows = int(state.range(0));
    TBenchGrid grid;
    grid.resize(Width, Height);
    grid.SetColCount(Columns);
    grid.SetRowCount(rows);
    grid.SetDefaultRowHeight(RowHeight);
    grid.show();
    QCoreApplication::processEvents();
    QWidget* client = grid.ClientWidget();
    for (auto _ : state) {
        if (grid.TopRow() + grid.VisibleRowCount() >= rows)
            grid.ModifyScrollBar(sbVertical, SB_TOP, 0);
        else
            grid.ModifyScrollBar(sbVertical, SB_PAGEDOWN, 0);
        client->repaint();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["visible_cells"] = double(grid.VisibleRowCount()) * Columns;
}

void TableViewPaint(benchmark::State& state)
{
    TBenchModel model(int(state.range(0)));
    TableViewFrames(state, model, RowHeight, ColumnWidth);
}

BENCHMARK(GridPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(TableViewPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetUpScreen();
    RunAndReport(argc, argv, "GridPaint", "grid", "rows", "1000", "1000000");
    return 0;
}
