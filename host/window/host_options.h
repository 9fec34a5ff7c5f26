#pragma once
// The stand-in host's command line, the same on every platform:
//   --headless           no window; GetPoint takes the scripted points, then refuses
//   --points "x,y;x,y"   scripted answers to GetPoint
//   --repeat-points      take the scripted points in a cycle (benchmarks)
//   --log FILE           one line per call: object, member, kind, arguments, result or error
//   --fail N:KIND        fail the N-th call (from 1); KIND exception, syserror or unknown; may be
//                        given again for other calls
//   --dxf FILE           save the drawing as DXF when the host exits (SIGTERM/SIGINT included)
//   --step FILE          save the parts as STEP when the host exits, like --dxf (builds with
//                        Open CASCADE only; others refuse it at start)
//   --name CLASS         the class name to serve (default AutoCAD.Application)

#include "host/objects/object_model.h"

#include <QString>

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cadhost {

struct HostOptions {
    bool headless = false;
    std::deque<Vec2> points;
    bool repeatPoints = false;
    std::string log;
    std::vector<std::pair<int, FailKind>> failures;
    QString dxf;
    QString step;
    QString className;
};

// Call before the application object exists: headless means no display at all, so the offscreen
// platform is chosen before Qt starts.
void chooseHeadlessPlatform(int argc, char* argv[]);

// Parses the running application's arguments. On a bad value prints why to stderr and gives
// nothing; --help and --version print and exit as usual.
std::optional<HostOptions> parseHostOptions();

// Applies the log, failure and point options to the object model's server; false (after saying
// why on stderr) when the call log cannot be written.
template <class Server> bool applyHostOptions(const HostOptions& options, Server& server);

// Writes the files of --dxf and --step as the host ends; the exit status: 1 when one of them
// could not be written (said on stderr, the old file left as it was), else 0.
int saveOnExit(const CadDrawing& drawing, const HostOptions& options);

} // namespace cadhost

#include <cstdio>

template <class Server> bool cadhost::applyHostOptions(const HostOptions& options, Server& server)
{
    if (!options.log.empty() && !server.setCallLog(options.log)) {
        std::fprintf(stderr, "quorvel-cadhost: cannot write the call log %s\n",
                     options.log.c_str());
        return false;
    }
    for (const auto& [index, kind] : options.failures) {
        server.failCall(index, kind);
    }
    server.setScriptedPoints(options.points, options.headless, options.repeatPoints);
    return true;
}
