#pragma once
// What the paint benchmarks share: the screen they paint, the cell texts,
// the QTableView they are measured against, and the report of the frame
// rates and their ratios.

#include <QAbstractItemModel>
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

namespace paintbench {

constexpr int Columns = 30;
constexpr int Width = 1920;
constexpr int Height = 1080;

inline QString CellText(int row, int col)
{
    return QLatin1Char('R') + QString::number(row) + QLatin1Char('C') + QString::number(col);
}

// The offscreen platform in Fusion style with the test font.
inline void SetUpScreen()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
}

// Frames of a QTableView over the model, one page scrolled per frame.
inline void TableViewFrames(benchmark::State& state, QAbstractItemModel& model, int rowHeight, int columnWidth)
{
    QTableView view;
    view.setModel(&model);
    view.resize(Width, Height);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(rowHeight);
    view.horizontalHeader()->setDefaultSectionSize(columnWidth);
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

// Runs the benchmarks, then prints the grid against QTableView per row count
// and the grid's large count against its small one.
inline void RunAndReport(int& argc, char** argv, const std::string& gridBench, const char* gridLabel,
                         const char* unit, const char* small, const char* large)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    auto fps = [&](const std::string& bench, const char* rows) {
        auto it = reporter.Fps.find(bench + "/" + rows + "/min_time:2.000");
        return it == reporter.Fps.end() ? 0.0 : it->second;
    };
    for (const char* rows : {small, large}) {
        const double grid = fps(gridBench, rows);
        const double table = fps("TableViewPaint", rows);
        if (grid > 0 && table > 0)
            std::printf("%s %s: %s %.1f fps, QTableView %.1f fps, ratio %.2f\n", rows, unit, gridLabel, grid, table,
                        grid / table);
    }
    const double first = fps(gridBench, small);
    const double last = fps(gridBench, large);
    if (first > 0 && last > 0)
        std::printf("%s %s %s / %s %s: %.2f\n", gridLabel, large, unit, small, unit, last / first);
}

} // namespace paintbench
