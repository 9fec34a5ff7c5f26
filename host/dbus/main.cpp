// quorvel-cadhost: a stand-in CAD host serving the automation object model on the session bus.
// Options in host/window/host_options.h; SIGTERM and SIGINT end it normally, so that the files of
// --dxf and --step are still written, and a file-size limit fails a save instead of the host.
#include "drawing/files/atomic_file.h"
#include "host/dbus/automation_server.h"
#include "host/window/host_options.h"
#include "host/window/host_window.h"

#include <QApplication>
#include <QDBusConnection>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

// A well-known bus name as the bus takes it: at most 255 characters, two or more elements
// joined by dots, each of letters, digits, "_" and "-", not beginning with a digit. The bus
// refuses any other name, which must not be taken for one another host owns.
bool isValidBusName(const QString& name)
{
    const QStringList elements = name.split(QLatin1Char('.'));
    if (name.size() > 255 || elements.size() < 2) {
        return false;
    }
    for (const QString& element : elements) {
        if (element.isEmpty() || element.front().isDigit()) {
            return false;
        }
        for (const QChar ch : element) {
            if (!(ch.isDigit() || (ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ||
                  (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z')) || ch == QLatin1Char('_') ||
                  ch == QLatin1Char('-'))) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    drawing::ignoreFileSizeSignal();
    cadhost::chooseHeadlessPlatform(argc, argv);
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("quorvel-cadhost"));
    const auto options = cadhost::parseHostOptions();
    if (!options) {
        return 2;
    }
    drawing::CadDrawing drawing;
    cadhost::AutomationServer server(drawing, QDBusConnection::sessionBus());
    cadhost::nameDocument(drawing, *options);
    if (!cadhost::applyHostOptions(*options, server)) {
        return 2;
    }

    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "quorvel-cadhost: no session bus (start one with dbus-run-session)\n");
        return 1;
    }
    const QString& className = options->className;
    if (!isValidBusName(className)) {
        std::fprintf(stderr,
                     "quorvel-cadhost: \"%s\" is not a valid bus name (two or more elements "
                     "joined by dots, such as AutoCAD.Application)\n",
                     qPrintable(className));
        return 2;
    }
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
    if (!options->headless) {
        window = std::make_unique<cadhost::HostWindow>(drawing, server);
        cadhost::followServer(*window, server);
        window->show();
    }
    std::printf("quorvel-cadhost: serving %s\n", qPrintable(className));
    std::fflush(stdout);
    const int status = app.exec();
    const int saved = cadhost::saveOnExit(drawing, *options);
    return saved != 0 ? saved : status;
}
