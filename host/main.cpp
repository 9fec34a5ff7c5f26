// quorvel-cadhost: a stand-in CAD host serving the automation object model on the session bus.
//   --headless           no window; GetPoint takes the scripted points, then refuses
//   --points "x,y;x,y"   scripted answers to GetPoint
//   --repeat-points      take the scripted points in a cycle (benchmarks)
//   --log FILE           one line per call: object, member, kind, arguments, result or error
//   --fail N:KIND        fail the N-th call (from 1); KIND exception, syserror or unknown
//   --dxf FILE           save the drawing as DXF when the host exits (SIGTERM/SIGINT included)
//   --step FILE          save the parts as STEP when the host exits, like --dxf (builds with
//                        Open CASCADE only; others refuse it at start)
//   --name CLASS         the class name to serve (default AutoCAD.Application)
#include "host/automation_server.h"
#include "host/dxf_export.h"
#include "host/host_window.h"
#include "host/step_export.h"
#include "model/number_text.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

std::optional<std::deque<cadhost::Vec2>> parsePoints(const QString& text)
{
    std::deque<cadhost::Vec2> points;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const auto point = cadhost::parsePoint(part.trimmed().toStdString());
        if (!point) {
            return std::nullopt;
        }
        points.push_back(*point);
    }
    return points;
}

} // namespace

int main(int argc, char* argv[])
{
    // Headless means no display at all: the offscreen platform, chosen before Qt starts.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("quorvel-cadhost"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in CAD host for Quorvel"));
    parser.addHelpOption();
    const QCommandLineOption headless(QStringLiteral("headless"), QStringLiteral("No window."));
    const QCommandLineOption points(QStringLiteral("points"), QStringLiteral("Scripted points."),
                                    QStringLiteral("x,y;x,y"));
    const QCommandLineOption repeat(QStringLiteral("repeat-points"),
                                    QStringLiteral("Take the scripted points in a cycle."));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Call log file."),
                                 QStringLiteral("file"));
    const QCommandLineOption fail(QStringLiteral("fail"), QStringLiteral("Fail the N-th call."),
                                  QStringLiteral("N:kind"));
    const QCommandLineOption dxf(QStringLiteral("dxf"), QStringLiteral("DXF written at exit."),
                                 QStringLiteral("file"));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Class name served."),
                                  QStringLiteral("class"), QStringLiteral("AutoCAD.Application"));
    const QCommandLineOption step(QStringLiteral("step"), QStringLiteral("STEP written at exit."),
                                  QStringLiteral("file"));
    parser.addOptions({headless, points, repeat, log, fail, dxf, step, name});
    parser.process(app);

    cadhost::CadDrawing drawing;
    cadhost::AutomationServer server(drawing, QDBusConnection::sessionBus());
    if (parser.isSet(log) && !server.setCallLog(parser.value(log))) {
        std::fprintf(stderr, "quorvel-cadhost: cannot write the call log %s\n",
                     qPrintable(parser.value(log)));
        return 2;
    }
    if (parser.isSet(fail)) {
        const QStringList parts = parser.value(fail).split(QLatin1Char(':'));
        bool ok = parts.size() == 2;
        const int index = ok ? parts[0].toInt(&ok) : 0;
        const QString kind = parts.value(1);
        if (!ok || index < 1 ||
            (kind != QLatin1String("exception") && kind != QLatin1String("syserror") &&
             kind != QLatin1String("unknown"))) {
            std::fprintf(stderr, "quorvel-cadhost: --fail takes N:exception|syserror|unknown\n");
            return 2;
        }
        server.failCall(index, kind == QLatin1String("exception") ? cadhost::FailKind::Exception
                               : kind == QLatin1String("syserror")
                                   ? cadhost::FailKind::SysError
                                   : cadhost::FailKind::UnknownName);
    }
    if (parser.isSet(step) && !cadhost::stepExportAvailable()) {
        std::fprintf(stderr, "quorvel-cadhost: --step is not available: this host is built "
                             "without Open CASCADE and cannot save STEP\n");
        return 2;
    }
    const auto scripted = parsePoints(parser.value(points));
    if (!scripted) {
        std::fprintf(stderr, "quorvel-cadhost: --points takes x,y;x,y\n");
        return 2;
    }
    server.setScriptedPoints(*scripted, parser.isSet(headless), parser.isSet(repeat));

    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "quorvel-cadhost: no session bus (start one with dbus-run-session)\n");
        return 1;
    }
    const QString className = parser.value(name);
    if (!server.start(className)) {
        std::fprintf(stderr,
                     "quorvel-cadhost: %s is already owned on the session bus; another CAD host "
                     "is running\n",
                     qPrintable(className));
        return 1;
    }

    // SIGTERM and SIGINT end the host normally, so that the DXF is still written.
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe);
    QSocketNotifier notifier(signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);

    std::unique_ptr<cadhost::HostWindow> window;
    if (!parser.isSet(headless)) {
        window = std::make_unique<cadhost::HostWindow>(drawing, server);
        cadhost::followServer(*window, server);
        window->show();
    }
    std::printf("quorvel-cadhost: serving %s\n", qPrintable(className));
    std::fflush(stdout);
    int status = app.exec();
    if (parser.isSet(dxf) && !cadhost::saveDxf(drawing, parser.value(dxf).toStdString())) {
        std::fprintf(stderr, "quorvel-cadhost: cannot write %s\n", qPrintable(parser.value(dxf)));
        status = 1;
    }
    if (parser.isSet(step)) {
        try {
            cadhost::saveStep(drawing, parser.value(step).toStdString());
        } catch (const cadhost::StepSaveError& error) {
            std::fprintf(stderr, "quorvel-cadhost: STEP %s not written: %s\n",
                         qPrintable(parser.value(step)), error.what());
            status = 1;
        }
    }
    return status;
}
