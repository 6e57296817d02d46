// Frames per second of the dataset grid painting a 1920x1080 grid of 30
// columns over an in-memory client dataset while the current record moves
// page by page, against QTableView over a model with the same cells in the
// same run, for 1,000 and 100,000 records. Each frame moves the dataset one
// page (the grid follows through its data link) and repaints the whole
// client area synchronously (offscreen platform, Fusion style, the test
// font, classic look).
//
// Reports frames per second of each, the ratio grid / QTableView per record
// count, and the grid's 100,000-record figure over its 1,000-record figure
// (painting must not grow with the number of records).

#include "grid/DBGridMv.h"
#include "platform/FrameControls.h"
#include "platform/db/ClientDataSet.h"

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
#include <memory>
#include <string>

namespace {

constexpr int Columns = 30;
constexpr int Width = 1920;
constexpr int Height = 1080;

QString CellText(int row, int col)
{
    return QLatin1Char('R') + QString::number(row) + QLatin1Char('C') + QString::number(col);
}

// Even columns hold text, odd ones numbers.
std::unique_ptr<TClientDataSet> MakeData(int rows)
{
    auto data = std::make_unique<TClientDataSet>();
    for (int c = 0; c < Columns; ++c)
        data->FieldDefs().Add(QStringLiteral("F%1").arg(c), c % 2 ? ftInteger : ftString, 8);
    data->CreateDataSet();
    std::vector<TField*> fields;
    for (int c = 0; c < Columns; ++c)
        fields.push_back(data->Fields(c));
    for (int r = 0; r < rows; ++r) {
        data->Append();
        for (int c = 0; c < Columns; ++c) {
            if (c % 2)
                fields[size_t(c)]->SetAsInteger(r * Columns + c);
            else
                fields[size_t(c)]->SetAsString(CellText(r, c));
        }
        data->Post();
    }
    data->First();
    return data;
}

void DBGridPaint(benchmark::State& state)
{
    const int rows = int(state.range(0));
    auto data = MakeData(rows);
    TDataSource source;
    source.SetDataSet(data.get());
    TDBGridMv grid;
    grid.resize(Width, Height);
    grid.SetDataSource(&source);
    grid.show();
    QCoreApplication::processEvents();
    QWidget* client = grid.ClientWidget();
    const int page = std::max(1, grid.RowCount() - grid.TitleRowCount());
    for (auto _ : state) {
        if (data->MoveBy(page) == 0)
            data->First();
        client->repaint();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["visible_cells"] = double(page) * Columns;
}

class TBenchModel : public QAbstractTableModel {
public:
    explicit TBenchModel(int rows) : FRows(rows) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : FRows; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : Columns; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::TextAlignmentRole && index.column() % 2)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return QVariant();
        if (index.column() % 2)
            return index.row() * Columns + index.column();
        return CellText(index.row(), index.column());
    }

private:
    int FRows;
};

void TableViewPaint(benchmark::State& state)
{
    const int rows = int(state.range(0));
    TBenchModel model(rows);
    QTableView view;
    view.setModel(&model);
    view.resize(Width, Height);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(19);
    view.horizontalHeader()->setDefaultSectionSize(64);
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

BENCHMARK(DBGridPaint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(TableViewPaint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

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
    SetThemesEnabled(false);

    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto fps = [&](const std::string& name) {
        auto it = reporter.Fps.find(name);
        return it == reporter.Fps.end() ? 0.0 : it->second;
    };
    for (const char* rows : {"1000", "100000"}) {
        const double grid = fps(std::string("DBGridPaint/") + rows + "/min_time:2.000");
        const double table = fps(std::string("TableViewPaint/") + rows + "/min_time:2.000");
        if (grid > 0 && table > 0)
            std::printf("%s records: dataset grid %.1f fps, QTableView %.1f fps, ratio %.2f\n", rows, grid, table,
                        grid / table);
    }
    const double small = fps("DBGridPaint/1000/min_time:2.000");
    const double large = fps("DBGridPaint/100000/min_time:2.000");
    if (small > 0 && large > 0)
        std::printf("dataset grid 100,000 records / 1,000 records: %.2f\n", large / small);
    return 0;
}
