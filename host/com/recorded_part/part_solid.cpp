#include "host/part_solid.h"

#include <cmath>

namespace cadhost {

namespace {

double distanceToSegment(Vec2 p, Vec2 a, Vec2 b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared : 0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// p mirrored across the line through a and b.
Vec2 mirrored(Vec2 p, Vec2 a, Vec2 b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
    const Vec2 foot{a.x + t * dx, a.y + t * dy};
    return {2 * foot.x - p.x, 2 * foot.y - p.y};
}

} // namespace

PartSolid PartSolid::revolve(const std::vector<Vec2>& profile, Vec2 axisPick)
{
    if (profile.size() < 3 || profile.size() > maxProfileEdges) {
        throw ModelingError("the profile cannot be revolved");
    }
    const std::size_t count = profile.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Vec2 a = profile[i];
        const Vec2 b = profile[(i + 1) % count];
        if ((a.x != b.x || a.y != b.y) && distanceToSegment(axisPick, a, b) <= 1e-9) {
            PartSolid solid;
            for (std::size_t k = 0; k < count; ++k) {
                const Vec2 from = profile[k];
                const Vec2 to = profile[(k + 1) % count];
                solid.m_sideView.emplace_back(from, to);
                solid.m_sideView.emplace_back(mirrored(from, a, b), mirrored(to, a, b));
            }
            return solid;
        }
    }
    throw ModelingError("the axis pick is on no edge of the profile");
}

PartSolid PartSolid::withThread(Vec2, std::optional<double> length) const
{
    if (length && !(*length > 0)) {
        throw ModelingError("the thread length must be positive");
    }
    PartSolid threaded = *this;
    ++threaded.m_threads;
    return threaded;
}

PartSolid PartSolid::withChamfer(const std::vector<Vec2>& endFacePicks, double size) const
{
    if (endFacePicks.empty() || !(size > 0)) {
        throw ModelingError("a chamfer needs an end face and a positive size");
    }
    return *this;
}

} // namespace cadhost
