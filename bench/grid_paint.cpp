// Frames per second of the base grid painting a 1920x1080 grid of 30 columns
// while it scrolls page by page, against QTableView over a model with the same
// cells in the same run, for 1,000 and 1,000,000 rows. Each frame scrolls one
// page and repaints the whole client area synchronously into the window's
// backing store (offscreen platform, Fusion style, the test font).
//
// Reports frames per second of each, the ratio grid / QTableView per row count
// (target: 1.0 or more), and the ratio of the grid's 1,000,000-row figure to
// its 1,000-row figure (painting cost must not grow with the row count).

#include "gridbase/GridsMv.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int Columns = 30;
constexpr int Width = 1920;
constexpr int Height = 1080;
constexpr int RowHeight = 24;
constexpr int ColumnWidth = 64;

QString CellText(int row, int col)
{
    return QLatin1Char('R') + QString::number(row) + QLatin1Char('C') + QString::number(col);
}

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
    const int rows = int(state.range(0));
    TBenchModel model(rows);
    QTableView view;
    view.setModel(&model);
    view.resize(Width, Height);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(RowHeight);
    view.horizontalHeader()->setDefaultSectionSize(ColumnWidth);
    view.show();
    QCoreApplication::processEvents();
    QScrollBar* bar = view.verticalScrollBar();
    QWidget* viewport = view.viewport();
    for (auto _ : state) {
        if (bar->value() >= bar->maximum())
            bar->triggerAction(QAbstractSlider::SliderToMinimum);
        else
            bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        viewport->repaint();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(GridPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(TableViewPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each run's frames per second, to print the ratios at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Fps;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            auto it = run.counters.find("fps");
            if (it != run.counters.end() && run.run_type == Run::RT_Iteration)
                Fps[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto fps = [&](const char* name) {
        auto it = reporter.Fps.find(name);
        return it == reporter.Fps.end() ? 0.0 : it->second;
    };
    for (const char* rows : {"1000", "1000000"}) {
        const double grid = fps((std::string("GridPaint/") + rows + "/min_time:2.000").c_str());
        const double table = fps((std::string("TableViewPaint/") + rows + "/min_time:2.000").c_str());
        if (grid > 0 && table > 0)
            std::printf("%s rows: grid %.1f fps, QTableView %.1f fps, ratio %.2f\n", rows, grid, table, grid / table);
    }
    const double small = fps("GridPaint/1000/min_time:2.000");
    const double large = fps("GridPaint/1000000/min_time:2.000");
    if (small > 0 && large > 0)
        std::printf("grid 1,000,000 rows / 1,000 rows: %.2f\n", large / small);
    return 0;
}
