// The collection of «Спецификация…» over the session bus against the headless stand-in host, in
// a drawing of 1000 placed studs (ten sizes) and 10000 loose lines: through a selection set with
// an extended-data filter, and by walking model space and reading each block reference's
// extended data; next to as many bare ModelSpace.Item calls as the drawing has entities. Run
// under dbus-run-session.
#include "cad/dbus/dbus_running_objects.h"
#include "cad/stud_collection.h"
#include "worked_run.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

namespace {

constexpr int studCount = 1000;
constexpr int lineCount = 10000;

// The drawing, made once: the studs as the program places them, the lines in one command.
OleObject benchDocument()
{
    static DBusRunningObjects objects;
    static OleObject document;
    if (document) {
        return document;
    }
    SilentReporter reporter;
    LayerNames layers;
    QuorvelDraw draw(objects, reporter, layers);
    for (int i = 0; i < studCount; ++i) {
        StoredStud stud;
        stud.standard = "22032-76";
        stud.d = 12;
        stud.L = 40 + 10 * (i % 10);
        stud.b = 30;
        stud.b1 = 12;
        stud.c = 1.6;
        stud.P = 1.75;
        const StudBlock block = studBlock(stud, StudFamily::ScrewIn);
        draw.Start_ACAD(false, "p", 12, stud.L + 12, 30, 12, 1.6, &block);
    }
    document = draw.session().AcadDoc;
    std::string command = "_LINE\r";
    for (int i = 0; i <= lineCount; ++i) {
        command += std::to_string(i % 2) + "," + std::to_string(i) + "\r";
    }
    document.call("SendCommand", {command + "\r"});
    if (reporter.count != 0) {
        document.release();
    }
    return document;
}

void collect(benchmark::State& state, CollectionWay way)
{
    const OleObject document = benchDocument();
    if (!document) {
        state.SkipWithError("the drawing could not be made");
        return;
    }
    std::size_t found = 0;
    for (auto _ : state) {
        found = collectStuds(document, way).size();
    }
    if (found != studCount) {
        state.SkipWithError("not every stud was found");
    }
    state.SetLabel(std::to_string(found) + " studs among " + std::to_string(studCount + lineCount) +
                   " entities");
}

void CollectBySelectionSet(benchmark::State& state)
{
    collect(state, CollectionWay::SelectionSet);
}
BENCHMARK(CollectBySelectionSet)->Unit(benchmark::kMillisecond);

void CollectByWalkingModelSpace(benchmark::State& state)
{
    collect(state, CollectionWay::Walk);
}
BENCHMARK(CollectByWalkingModelSpace)->Unit(benchmark::kMillisecond);

// What a collection costs at least when it reaches every entity once.
void BareItemCalls(benchmark::State& state)
{
    const OleObject document = benchDocument();
    if (!document) {
        state.SkipWithError("the drawing could not be made");
        return;
    }
    const OleObject modelSpace = document.get("ModelSpace").toObject();
    const std::int32_t count = modelSpace.get("Count").toInt32();
    for (auto _ : state) {
        for (std::int32_t i = 0; i < count; ++i) {
            benchmark::DoNotOptimize(modelSpace.call("Item", {i}));
        }
    }
    state.SetLabel(std::to_string(count) + " Item calls");
}
BENCHMARK(BareItemCalls)->Unit(benchmark::kMillisecond);

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
