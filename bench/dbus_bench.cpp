// One 2D Start_ACAD run over the session bus against the headless stand-in host, next to the same
// number of bare round trips (a trivial Invoke) in the same process. Run under dbus-run-session.
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

void BareRoundTrips(benchmark::State& state)
{
    DBusRunningObjects objects;
    const OleObject application = objects.getActiveObject(hostClassName);
    const int calls = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < calls; ++i) {
            benchmark::DoNotOptimize(application.get("ActiveDocument"));
        }
    }
    state.SetLabel(std::to_string(calls) + " Invoke calls");
}
BENCHMARK(BareRoundTrips)->Arg(callsPerRun)->Arg(callsPerSolidRun)->Unit(benchmark::kMicrosecond);

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
