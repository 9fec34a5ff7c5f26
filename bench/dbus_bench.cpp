// One 2D Start_ACAD run over the session bus against the headless stand-in host, as loose lines
// and as a block, each next to the same number of bare round trips (a trivial Invoke) in the same
// process. Run under dbus-run-session.
#include "cad/dbus/dbus_running_objects.h"
#include "host_process.h"
#include "worked_run.h"
#include "worked_stud_block.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

// Calls in one 2D run of the worked example on a fresh drawing: the look-up and 42 invokes.
constexpr int callsPerRun = 43;
// Calls in one 3D solid run once the main layer exists: the look-up and 21 invokes.
constexpr int callsPerSolidRun = 22;
// Calls in one run placing the worked stud as a block whose definition is there already (every
// run after the first): the look-up and 29 invokes, six attributes set among them.
constexpr int callsPerBlockRun = 30;

void StartAcad2DOverDBus(benchmark::State& state)
{
    DBusRunningObjects objects;
    timeWorkedRuns(state, objects);
}
BENCHMARK(StartAcad2DOverDBus)->Unit(benchmark::kMicrosecond);

// The stud as a solid through the object model: a polyline, a region and a revolved solid made in
// the host (its Open CASCADE revolution included), the helpers deleted again.
void StartAcadSolidOverDBus(benchmark::State& state)
{
    DBusRunningObjects objects;
    timeWorkedRuns(state, objects, true);
}
BENCHMARK(StartAcadSolidOverDBus)->Unit(benchmark::kMicrosecond);

void StartAcadBlockOverDBus(benchmark::State& state)
{
    DBusRunningObjects objects;
    SilentReporter reporter;
    LayerNames layers;
    QuorvelDraw draw(objects, reporter, layers);
    const StudBlock block = studBlock(workedStud(), StudFamily::ScrewIn);
    placeStudBlock(draw, block); // defines the shared block
    for (auto _ : state) {
        placeStudBlock(draw, block);
    }
    if (reporter.count != 0) {
        state.SkipWithError("the host reported a failure");
    }
    state.SetLabel(std::to_string(callsPerBlockRun) + " calls");
}
BENCHMARK(StartAcadBlockOverDBus)->Unit(benchmark::kMicrosecond);

void BareRoundTrips(benchmark::State& state)
{
    DBusRunningObjects objects;
    const OleObject application = objects.getActiveObject(hostClassName);
    const auto calls = state.range(0);
    for (auto _ : state) {
        for (std::int64_t i = 0; i < calls; ++i) {
            benchmark::DoNotOptimize(application.get("ActiveDocument"));
        }
    }
    state.SetLabel(std::to_string(calls) + " Invoke calls");
}
BENCHMARK(BareRoundTrips)
    ->Arg(callsPerRun)
    ->Arg(callsPerSolidRun)
    ->Arg(callsPerBlockRun)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    HostProcess host({QStringLiteral("--headless"), QStringLiteral("--points"),
                      QStringLiteral("0,0"), QStringLiteral("--repeat-points")});
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
