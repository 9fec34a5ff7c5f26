// quorvel-cadhost on Windows: the stand-in CAD host with its window (a window program: no console
// window beside it), serving the object model over COM. While it runs its class name is
// registered and its Application is in the running object table; both are undone when it ends
// (window closed, Ctrl-C or Ctrl-Break), and the DXF of --dxf is written then. Options in
// host/window/host_options.h; --headless answers GetPoint from the scripted points only.
#include "host/com/class_registration.h"
#include "host/com/client_fronts.h"
#include "host/com/com_host.h"
#include "host/com/com_pick_server.h"
#include "host/window/host_options.h"
#include "host/window/host_window.h"

#include <QApplication>
#include <QMetaObject>

#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <memory>

namespace {

// Runs on a thread of its own: asks the application's thread to end normally.
BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
        return TRUE;
    }
    return FALSE;
}

// A window program gets no console of its own. Started from a Command Prompt, it writes its
// diagnostics (and --help) to that console; started with its output sent to a file (a log), or
// by a program that hands it handles, they go there as given; started from Explorer, nowhere.
void useStartersConsole()
{
    if (GetStdHandle(STD_ERROR_HANDLE) == nullptr && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    useStartersConsole();
    cadhost::chooseHeadlessPlatform(argc, argv);
    QApplication app(argc, argv); // initialises COM for this thread, apartment threaded
    app.setApplicationName(QStringLiteral("quorvel-cadhost"));
    const auto options = cadhost::parseHostOptions();
    if (!options) {
        return 2;
    }
    // Qt has usually initialised the apartment already; this only makes sure of it.
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(apartment) && apartment != RPC_E_CHANGED_MODE) {
        std::fprintf(stderr, "quorvel-cadhost: COM cannot be initialised\n");
        return 1;
    }
    const std::string className = options->className.toStdString();
    if (cadhost::ClassRegistration::running(className)) {
        std::fprintf(stderr,
                     "quorvel-cadhost: %s is already running; another CAD host is running\n",
                     className.c_str());
        return 1;
    }

    drawing::CadDrawing drawing;
    cadhost::ObjectModel model(drawing);
    cadhost::nameDocument(drawing, *options);
    if (!cadhost::applyHostOptions(*options, model)) {
        return 2;
    }
    cadhost::ClientFronts fronts; // outlives the host, which holds a front
    cadhost::ComHost host(model, {});
    // GetPoint waits for the user: its object is reached through a front that tells who calls.
    IDispatch* utility = host.object("/Utility");
    if (IDispatch* front = fronts.frontFor(utility)) {
        host.serveThrough("/Utility", front);
        front->Release();
    } else {
        std::fprintf(stderr, "quorvel-cadhost: picks of clients that end are not cancelled\n");
    }
    utility->Release();
    cadhost::ComPickServer picks(model, &fronts);
    host.setListener(&picks);

    IDispatch* application = host.object("/Application");
    auto registration = std::make_unique<cadhost::ClassRegistration>(className, application);
    application->Release(); // the running object table holds its own reference
    if (!registration->registered()) {
        std::fprintf(stderr, "quorvel-cadhost: %s\n", registration->error().c_str());
        return 1;
    }
    SetConsoleCtrlHandler(onConsoleControl, TRUE);

    std::unique_ptr<cadhost::HostWindow> window;
    if (!options->headless) {
        window = std::make_unique<cadhost::HostWindow>(drawing, picks);
        cadhost::followServer(*window, picks);
        window->show();
        app.setQuitOnLastWindowClosed(true);
    }
    std::printf("quorvel-cadhost: serving %s\n", className.c_str());
    std::fflush(stdout);
    const int status = app.exec();
    registration.reset(); // no caller reaches the host from here on
    window.reset();
    const int saved = cadhost::saveOnExit(drawing, *options);
    if (SUCCEEDED(apartment)) {
        CoUninitialize();
    }
    return saved != 0 ? saved : status;
}
