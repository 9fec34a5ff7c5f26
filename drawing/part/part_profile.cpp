#include "drawing/part/part_profile.h"

#include "drawing/part/part_solid.h"
#include "model/number_text.h"

#include <algorithm>
#include <cmath>

namespace drawing {

namespace {

double length(Vec2 a, Vec2 b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

double cross(Vec2 a, Vec2 b, Vec2 c) // (b - a) x (c - a)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Whether two edges of the profile meet: non-neighbours anywhere, neighbours by folding back.
bool edgesMeet(const std::vector<Vec2>& p, std::size_t i, std::size_t j, double tolerance)
{
    const std::size_t n = p.size();
    const Vec2 a = p[i], b = p[(i + 1) % n], c = p[j], d = p[(j + 1) % n];
    if ((i + 1) % n == j || (j + 1) % n == i) {
        const Vec2 corner = (i + 1) % n == j ? b : a;
        const Vec2 before = corner.x == b.x && corner.y == b.y ? a : b;
        const Vec2 after = corner.x == c.x && corner.y == c.y ? d : c;
        const double turn = cross(corner, before, after);
        const double dot = (before.x - corner.x) * (after.x - corner.x) +
                           (before.y - corner.y) * (after.y - corner.y);
        return std::abs(turn) <=
                   tolerance * std::max(length(corner, before), length(corner, after)) &&
               dot > 0;
    }
    const double abc = cross(a, b, c), abd = cross(a, b, d), cda = cross(c, d, a),
                 cdb = cross(c, d, b);
    if (((abc > 0 && abd < 0) || (abc < 0 && abd > 0)) &&
        ((cda > 0 && cdb < 0) || (cda < 0 && cdb > 0))) {
        return true;
    }
    return std::min({distanceToSegment(a, c, d), distanceToSegment(b, c, d),
                     distanceToSegment(c, a, b), distanceToSegment(d, a, b)}) <= tolerance;
}

// A profile that folds back or crosses itself revolves into a body with sheets or zero volume.
// What counts as touching follows the profile's own size, wherever it lies.
void checkSimplePolygon(const std::vector<Vec2>& points)
{
    Vec2 min = points[0], max = points[0];
    for (Vec2 p : points) {
        min = {std::min(min.x, p.x), std::min(min.y, p.y)};
        max = {std::max(max.x, p.x), std::max(max.y, p.y)};
    }
    const double tolerance = 1e-6 * std::max({1.0, max.x - min.x, max.y - min.y});
    bool simple = std::abs(signedArea(points)) > tolerance * tolerance;
    for (std::size_t i = 0; simple && i < points.size(); ++i) {
        for (std::size_t j = i + 1; simple && j < points.size(); ++j) {
            simple = !edgesMeet(points, i, j, tolerance);
        }
    }
    if (!simple) {
        throw ModelingError("the profile bounds no area or crosses itself");
    }
}

bool beyondLimit(Vec2 p)
{
    return std::abs(p.x) > coordinateLimit || std::abs(p.y) > coordinateLimit;
}

// Each profile corner turns into a circle about the axis: seen along z it reaches the corner's
// mirror image across the axis, and along z its distance from the axis.
void checkWithinLimit(const std::vector<Vec2>& points, Vec2 a, Vec2 b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    for (Vec2 p : points) {
        const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared;
        const Vec2 foot{a.x + t * dx, a.y + t * dy};
        if (beyondLimit({2 * foot.x - p.x, 2 * foot.y - p.y}) ||
            length(p, foot) > coordinateLimit) {
            throw ModelingError("the solid would reach beyond the coordinate limit");
        }
    }
}

} // namespace

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

double signedArea(const std::vector<Vec2>& points)
{
    // About the first corner, so that a profile far from the origin keeps its digits.
    double twice = 0;
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
        twice += cross(points[0], points[i], points[i + 1]);
    }
    return twice / 2;
}

std::vector<Vec2> profileCorners(const std::vector<Vec2>& profile)
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
    return points;
}

void checkSimpleLoop(const std::vector<Vec2>& points)
{
    checkSimplePolygon(points);
}

namespace {

double toleranceOf(const std::vector<Vec2>& points)
{
    double size = 1;
    for (Vec2 p : points) {
        size = std::max({size, std::abs(p.x), std::abs(p.y)});
    }
    return 1e-6 * size;
}

RevolveProfile aboutLine(std::vector<Vec2> points, Vec2 a, Vec2 b, double tolerance)
{
    const double axisLength = length(a, b);
    // A profile reaching across its axis would revolve into a self-intersecting body.
    double side = 0;
    for (Vec2 p : points) {
        const double offset = cross(a, b, p) / axisLength;
        if (std::abs(offset) <= tolerance) {
            continue;
        }
        if (side * offset < 0) {
            throw ModelingError("the profile lies on both sides of the axis");
        }
        side = offset;
    }
    checkSimplePolygon(points);
    checkWithinLimit(points, a, b);
    return {std::move(points), a, b, tolerance};
}

} // namespace

RevolveProfile revolveProfile(const std::vector<Vec2>& profile, Vec2 axisPick)
{
    std::vector<Vec2> points = profileCorners(profile);
    const double tolerance = toleranceOf(points);
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
    return aboutLine(std::move(points), a, b, tolerance);
}

RevolveProfile revolveProfileAbout(const std::vector<Vec2>& profile, Vec2 axisFrom, Vec2 axisTo)
{
    std::vector<Vec2> points = profileCorners(profile);
    const double tolerance = toleranceOf(points);
    if (length(axisFrom, axisTo) == 0) {
        throw ModelingError("the axis has no direction");
    }
    if (beyondLimit(axisFrom) || beyondLimit(axisTo)) {
        throw ModelingError("the solid would reach beyond the coordinate limit");
    }
    return aboutLine(std::move(points), axisFrom, axisTo, tolerance);
}

} // namespace drawing
