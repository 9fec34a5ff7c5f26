// One 2D Start_ACAD run over the session bus against the headless stand-in host, as loose lines
// and as a block, each next to the same number of bare round trips (a trivial Invoke) in the same
// process. Run under dbus-run-session.
#include "cad/dbus/dbus_running_objects.h"
#include "worked_run.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

namespace {

// Calls in one 2D run of the worked example on a fresh drawing: the look-up and 42 invokes.
constexpr int callsPerRun = 43;
// Calls in one 3D solid run once the main layer exists: the look-up and 22 invokes.
constexpr int callsPerSolidRun = 23;
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
    StoredStud stud;
    stud.standard = "22032-76";
    stud.d = 12;
    stud.L = 100;
    stud.b = 30;
    stud.b1 = 12;
    stud.c = 1.6;
    stud.P = 1.75;
    const StudBlock block = studBlock(stud, StudFamily::ScrewIn);
    draw.Start_ACAD(false, "p", 12, 112, 30, 12, 1.6, &block); // defines the shared block
    for (auto _ : state) {
        draw.Start_ACAD(false, "p", 12, 112, 30, 12, 1.6, &block);
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
    QProcess host;
    host.start(QStringLiteral(CADHOST_PATH),
               {QStringLiteral("--headless"), QStringLiteral("--points"), QStringLiteral("0,0"),
                QStringLiteral("--repeat-points")});
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto owned =
            QDBusConnection::sessionBus().interface()->isServiceRegistered(QString::fromLatin1(
                hostClassName.data(), static_cast<qsizetype>(hostClassName.size())));
        if (owned.isValid() && owned.value()) {
            break;
        }
        QThread::msleep(50);
    }
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    host.terminate();
    host.waitForFinished(5000);
    return 0;
}
