#include "drawing/part/part_profile.h"

#include "drawing/part/part_solid.h"
#include "model/number_text.h"

#include <algorithm>
#include <cmath>

namespace cadhost {

std::string pointText(Vec2 p)
{
    return numberText(p.x) + "," + numberText(p.y);
}

double distanceToSegment(Vec2 p, Vec2 a, Vec2 b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    double t = lengthSquared == 0 ? 0 : ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

RevolveProfile revolveProfile(const std::vector<Vec2>& profile, Vec2 axisPick)
{
    std::vector<Vec2> points;
    for (Vec2 p : profile) {
        if (points.empty() || p.x != points.back().x || p.y != points.back().y) {
            points.push_back(p);
        }
    }
    if (points.size() > 1 && points.front().x == points.back().x &&
        points.front().y == points.back().y) {
        points.pop_back();
    }
    if (points.size() < 3) {
        throw ModelingError("the profile bounds no area");
    }
    if (points.size() > maxProfileEdges) {
        throw ModelingError("the profile has more than " + std::to_string(maxProfileEdges) +
                            " edges");
    }
    double size = 1;
    for (Vec2 p : points) {
        size = std::max({size, std::abs(p.x), std::abs(p.y)});
    }
    const double tolerance = 1e-6 * size;
    const std::size_t count = points.size();
    std::size_t edge = count;
    for (std::size_t i = 0; i < count && edge == count; ++i) {
        if (distanceToSegment(axisPick, points[i], points[(i + 1) % count]) <= tolerance) {
            edge = i;
        }
    }
    if (edge == count) {
        throw ModelingError("the pick " + pointText(axisPick) + " is on no edge of the profile");
    }
    const Vec2 a = points[edge], b = points[(edge + 1) % count];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    // A profile reaching across its axis would revolve into a self-intersecting body.
    double side = 0;
    for (Vec2 p : points) {
        const double offset = ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / length;
        if (std::abs(offset) <= tolerance) {
            continue;
        }
        if (side * offset < 0) {
            throw ModelingError("the profile lies on both sides of the axis");
        }
        side = offset;
    }
    return {std::move(points), a, b, tolerance};
}

} // namespace cadhost
