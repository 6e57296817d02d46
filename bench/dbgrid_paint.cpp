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

#include "PaintBenchSupport.h"
#include "grid/DBGridMv.h"
#include "platform/FrameControls.h"
#include "platform/db/ClientDataSet.h"

#include <QAbstractTableModel>
#include <memory>

namespace {

using namespace paintbench;

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
    TBenchModel model(int(state.range(0)));
    TableViewFrames(state, model, 19, 64);
}

BENCHMARK(DBGridPaint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(TableViewPaint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetUpScreen();
    SetThemesEnabled(false);
    RunAndReport(argc, argv, "DBGridPaint", "dataset grid", "records", "1000", "100000");
    return 0;
}
