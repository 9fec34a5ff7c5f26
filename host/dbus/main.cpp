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
    if (!cadhost::applyHostOptions(*options, server)) {
        return 2;
    }

    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "quorvel-cadhost: no session bus (start one with dbus-run-session)\n");
        return 1;
    }
    const QString& className = options->className;
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
