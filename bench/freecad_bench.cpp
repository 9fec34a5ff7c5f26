// A 2D stud and a solid drawn into FreeCAD (scripts/freecad-host.sh) next to the same runs into
// the stand-in host: headless (freecadcmd) and, with a display, into FreeCAD's window. Each
// iteration is one program run, then a pause (not timed) in which the host ends the run and shows
// it in the document in one pass. The time is the run's calls; the counters are what the FreeCAD
// host's --stats reports per run: the passes that changed the document (goal: 1), the pass's
// milliseconds and the frames FreeCAD drew of its 3D view (goal: 1). Run under dbus-run-session
// (and xvfb-run for the window), from the build of the release preset:
//   dbus-run-session -- xvfb-run -a build/release/bench/freecad_bench
#include "cad/dbus/dbus_running_objects.h"
#include "worked_run.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

// Longer than the host's quiet time that ends a run (250 ms) and its pass.
constexpr auto pauseAfterRun = std::chrono::milliseconds(700);

bool owned()
{
    const auto reply = QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QString::fromLatin1(hostClassName.data(), static_cast<qsizetype>(hostClassName.size())));
    return reply.isValid() && reply.value();
}

// A host process serving the scripted point (0, 0) for every pick, until destroyed.
class Host {
  public:
    Host(const QString& program, QStringList arguments)
    {
        m_process.setProgram(program);
        m_process.setArguments(QStringList{"--headless", "--points", "0,0", "--repeat-points"} +
                               arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start();
        for (int attempt = 0; attempt < 600 && !owned(); ++attempt) {
            QThread::msleep(50);
        }
    }
    ~Host()
    {
        m_process.terminate();
        m_process.waitForFinished(30000);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

  private:
    QProcess m_process;
};

struct Mode {
    bool freecad;
    bool gui;
    bool solid;
};

// "run N passes P frames F pass_ms M" lines of --stats, each run after the first (the first
// makes the document and its layers).
void reportStats(benchmark::State& state, const std::string& file)
{
    std::ifstream in(file);
    double runs = 0, passes = 0, frames = 0, milliseconds = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string word;
        int run = 0;
        double p = 0, f = 0, ms = 0;
        words >> word >> run >> word >> p >> word >> f >> word >> ms;
        if (run > 1) {
            ++runs;
            passes += p;
            frames += f;
            milliseconds += ms;
        }
    }
    if (runs > 0) {
        state.counters["passes_per_run"] = passes / runs;
        state.counters["pass_ms"] = milliseconds / runs;
        state.counters["frames_per_run"] = frames / runs;
    }
}

void drawInto(benchmark::State& state, Mode mode)
{
    if (mode.gui && qEnvironmentVariableIsEmpty("DISPLAY")) {
        state.SkipWithError("no display: run under xvfb-run for FreeCAD's window");
        return;
    }
    if (owned()) {
        state.SkipWithError("another CAD host owns AutoCAD.Application");
        return;
    }
    const std::string stats = BENCH_DIR "/freecad-stats.txt";
    std::remove(stats.c_str());
    QStringList arguments;
    if (mode.freecad) {
        arguments << "--stats" << QString::fromStdString(stats);
        if (mode.gui) {
            arguments << "--gui";
        }
    }
    {
        const Host host(mode.freecad ? QStringLiteral(FREECAD_HOST_SCRIPT)
                                     : QStringLiteral(CADHOST_PATH),
                        arguments);
        DBusRunningObjects objects;
        SilentReporter reporter;
        LayerNames layers;
        QuorvelDraw draw(objects, reporter, layers);
        draw.setSolid3D(mode.solid);
        const auto run = [&] {
            if (mode.solid) {
                draw.Start_ACAD(true, "p", 12, 112, 30, 12, 1.6);
            } else {
                startWorked2D(draw);
            }
        };
        run(); // the document, its layers
        std::this_thread::sleep_for(pauseAfterRun);
        for (auto _ : state) {
            run();
            state.PauseTiming();
            std::this_thread::sleep_for(pauseAfterRun);
            state.ResumeTiming();
        }
        if (reporter.count != 0) {
            state.SkipWithError("the host reported a failure");
        }
    }
    if (mode.freecad) {
        reportStats(state, stats);
    }
}

void StandIn2D(benchmark::State& state)
{
    drawInto(state, {false, false, false});
}
void FreeCAD2D(benchmark::State& state)
{
    drawInto(state, {true, false, false});
}
void FreeCADWindow2D(benchmark::State& state)
{
    drawInto(state, {true, true, false});
}
void StandInSolid(benchmark::State& state)
{
    drawInto(state, {false, false, true});
}
void FreeCADSolid(benchmark::State& state)
{
    drawInto(state, {true, false, true});
}
void FreeCADWindowSolid(benchmark::State& state)
{
    drawInto(state, {true, true, true});
}

} // namespace

BENCHMARK(StandIn2D)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeCAD2D)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeCADWindow2D)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(StandInSolid)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeCADSolid)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(FreeCADWindowSolid)->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // FreeCAD keeps its settings in the home folder: the user's stay untouched.
    qputenv("HOME", QByteArray(BENCH_DIR "/freecad-home"));
    QDir().mkpath(QStringLiteral(BENCH_DIR "/freecad-home"));
    qputenv("QUORVEL_MODULE_DIR", FREECAD_MODULE_DIR);
    qputenv("QUORVEL_SETTINGS", ""); // the default class name, whatever a build's file says
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
