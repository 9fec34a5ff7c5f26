// The Utility object: the point pick (scripted or waiting for a click) and PolarPoint.

#include "host/objects/call_checks.h"
#include "host/objects/object_model.h"

#include <cmath>

namespace cadhost {

HostValue ObjectModel::utility(const std::string& member, std::int32_t kind,
                               const std::vector<HostValue>& args, InvokeResult& result)
{
    if (member == "GetPoint") {
        // GetPoint([base point], [prompt]): both optional, the base point may be left empty.
        useOf(member, methodMember, kind);
        expectCount(member, args, 0, 2);
        if (!args.empty() && !std::holds_alternative<std::monostate>(args[0])) {
            const auto base = pointArg(member, args, 0);
            checkCoordinates({base[0], base[1], base[2]});
        }
        std::string prompt;
        if (args.size() == 2 && !std::holds_alternative<std::monostate>(args[1])) {
            prompt = stringArg(member, args, 1);
        }
        if (!m_scriptedPoints.empty()) {
            const Vec2 p = m_scriptedPoints.front();
            m_scriptedPoints.pop_front();
            if (m_repeatPoints) {
                m_scriptedPoints.push_back(p);
            }
            return std::vector<double>{p.x, p.y, 0.0};
        }
        if (m_headless) {
            fail(ErrorKind::Exception, "Point selection cancelled");
        }
        if (m_pendingCall) {
            fail(ErrorKind::Exception, "A point is already asked for");
        }
        result.status = InvokeResult::Status::AwaitingPick;
        result.prompt = prompt;
        return {};
    }
    if (member == "PolarPoint") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 3, 3);
        const auto from = pointArg(member, args, 0);
        const double angle = doubleArg(member, args, 1);
        const double distance = doubleArg(member, args, 2);
        checkCoordinates({from[0], from[1], from[2], distance});
        // Computed as a CAD program does, so cos(pi/2) leaves its rounding residue. At the
        // quarter turn the correctly rounded values are used: some C runtimes (MinGW's) differ
        // from them in the last bits, which the number texts would show.
        const bool quarterTurn = angle == 1.5707963267948966;
        const double cosine = quarterTurn ? 6.123233995736766e-17 : std::cos(angle);
        const double sine = quarterTurn ? 1.0 : std::sin(angle);
        const std::vector<double> to{from[0] + distance * cosine, from[1] + distance * sine,
                                     from[2]};
        checkCoordinates({to[0], to[1]});
        return to;
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

} // namespace cadhost
