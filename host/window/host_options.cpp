#include "host/window/host_options.h"
#include "drawing/files/dxf_export.h"
#include "drawing/files/step_export.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

namespace cadhost {

namespace {

std::optional<std::deque<Vec2>> parsePoints(const QString& text)
{
    std::deque<Vec2> points;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const auto point = parsePoint(part.trimmed().toStdString());
        if (!point) {
            return std::nullopt;
        }
        points.push_back(*point);
    }
    return points;
}

} // namespace

void chooseHeadlessPlatform(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
}

std::optional<HostOptions> parseHostOptions()
{
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
    parser.process(*QCoreApplication::instance());

    HostOptions options;
    options.headless = parser.isSet(headless);
    options.repeatPoints = parser.isSet(repeat);
    options.log = parser.value(log).toStdString();
    options.dxf = parser.value(dxf);
    options.step = parser.value(step);
    options.className = parser.value(name);
    for (const QString& failure : parser.values(fail)) {
        const QStringList parts = failure.split(QLatin1Char(':'));
        bool ok = parts.size() == 2;
        const int index = ok ? parts[0].toInt(&ok) : 0;
        const QString kind = parts.value(1);
        if (!ok || index < 1 ||
            (kind != QLatin1String("exception") && kind != QLatin1String("syserror") &&
             kind != QLatin1String("unknown"))) {
            std::fprintf(stderr, "quorvel-cadhost: --fail takes N:exception|syserror|unknown\n");
            return std::nullopt;
        }
        options.failures.emplace_back(index, kind == QLatin1String("exception") ? FailKind::Exception
                                             : kind == QLatin1String("syserror")
                                                 ? FailKind::SysError
                                                 : FailKind::UnknownName);
    }
    if (!options.step.isEmpty() && !drawing::stepExportAvailable()) {
        std::fprintf(stderr, "quorvel-cadhost: --step is not available: this host is built "
                             "without Open CASCADE and cannot save STEP\n");
        return std::nullopt;
    }
    const auto scripted = parsePoints(parser.value(points));
    if (!scripted) {
        std::fprintf(stderr, "quorvel-cadhost: --points takes x,y;x,y\n");
        return std::nullopt;
    }
    options.points = *scripted;
    return options;
}

int saveOnExit(const CadDrawing& drawing, const HostOptions& options)
{
    int status = 0;
    if (!options.dxf.isEmpty() && !drawing::saveDxf(drawing, options.dxf.toStdString())) {
        std::fprintf(stderr, "quorvel-cadhost: cannot write %s\n", qPrintable(options.dxf));
        status = 1;
    }
    if (!options.step.isEmpty()) {
        try {
            drawing::saveStep(drawing, options.step.toStdString());
        } catch (const drawing::StepSaveError& error) {
            std::fprintf(stderr, "quorvel-cadhost: STEP %s not written: %s\n",
                         qPrintable(options.step), error.what());
            status = 1;
        }
    }
    return status;
}

} // namespace cadhost
