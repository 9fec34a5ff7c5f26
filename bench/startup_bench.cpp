// Start-up to a loaded main window (TForm1 built, first shown, the first standard read from the
// shipped tables) against an empty QMainWindow shown the same way, offscreen.
#include "recording_reporter.h"
#include "ui/main_form.h"

#include <QApplication>
#include <QMainWindow>

#include <benchmark/benchmark.h>

namespace {

void LoadedMainWindow(benchmark::State& state)
{
    RecordingReporter reporter;
    const std::string executable = std::string(BENCH_DIR) + "/quorvel";
    for (auto _ : state) {
        MainUnitState unit;
        TForm1 form(unit, reporter, StartAcadFunction{}, executable);
        form.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(form.cbDiam);
    }
    if (!reporter.messages.empty()) {
        state.SkipWithError("the tables did not load");
    }
}
BENCHMARK(LoadedMainWindow)->Unit(benchmark::kMicrosecond);

void EmptyMainWindow(benchmark::State& state)
{
    for (auto _ : state) {
        QMainWindow window;
        window.resize(455, 250);
        window.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}
BENCHMARK(EmptyMainWindow)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
