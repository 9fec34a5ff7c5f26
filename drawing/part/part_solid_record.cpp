// PartSolid for builds without a solid modelling kernel (the Windows hosts): the part is kept as
// its record, the revolved profile in the axis' own frame with its chamfers cut in, and its
// threads. Steps are checked against that record with the words the kernel build uses, and the
// side view is drawn from it: the outline mirrored about the axis, and each circular edge (a
// profile corner off the axis, a thread end) seen edge-on.

#include "drawing/part/part_profile.h"
#include "drawing/part/part_solid.h"
#include "drawing/part/part_steps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace drawing {

struct PartSolid::Body {
    Vec2 origin;               // the axis: origin + u * along, off it by v * across
    Vec2 along;                // unit
    Vec2 across;               // unit, towards the profile's side
    std::vector<Vec2> outline; // the profile as (u, v), v >= 0, chamfers cut in
    std::vector<ThreadStretch> threads;
    std::vector<double> threadEnds; // where a thread ends inside the part, along the axis
    mutable std::optional<std::vector<std::pair<Vec2, Vec2>>> sideView;
};

namespace {

using Body = PartSolid::Body;

double length(Vec2 a, Vec2 b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

Vec2 towards(Vec2 a, Vec2 b, double distance)
{
    const double whole = length(a, b);
    return {a.x + (b.x - a.x) * distance / whole, a.y + (b.y - a.y) * distance / whole};
}

double cross(Vec2 a, Vec2 b, Vec2 c) // (b - a) x (c - a)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// The point at (u, v) of the axis frame, in the sketch.
Vec2 inSketch(const Body& body, Vec2 uv)
{
    return {body.origin.x + uv.x * body.along.x + uv.y * body.across.x,
            body.origin.y + uv.x * body.along.y + uv.y * body.across.y};
}

// A sketch point in the axis frame; v is its distance from the axis, on either side.
Vec2 inFrame(const Body& body, Vec2 p)
{
    const double dx = p.x - body.origin.x, dy = p.y - body.origin.y;
    return {dx * body.along.x + dy * body.along.y,
            std::abs(dx * body.across.x + dy * body.across.y)};
}

std::pair<double, double> axialExtent(const Body& body)
{
    const auto [first, last] = std::minmax_element(body.outline.begin(), body.outline.end(),
                                                   [](Vec2 a, Vec2 b) { return a.x < b.x; });
    return {first->x, last->x};
}

double outerRadius(const Body& body)
{
    return std::max_element(body.outline.begin(), body.outline.end(),
                            [](Vec2 a, Vec2 b) { return a.y < b.y; })
        ->y;
}

double tolerance(const Body& body)
{
    const auto [first, last] = axialExtent(body);
    return 1e-6 * std::max({1.0, last - first, outerRadius(body)});
}

// The outline edge (from index) of the end face under the pick: an edge across the axis.
std::size_t endFaceAt(const Body& body, Vec2 pick)
{
    const Vec2 at = inFrame(body, pick);
    const double limit = tolerance(body);
    const std::vector<Vec2>& o = body.outline;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const Vec2 a = o[i], b = o[(i + 1) % o.size()];
        if (std::abs(a.x - b.x) <= limit && std::max(a.y, b.y) > limit &&
            std::abs(at.x - a.x) <= limit && at.y >= std::min(a.y, b.y) - limit &&
            at.y <= std::max(a.y, b.y) + limit) {
            return i;
        }
    }
    throw ModelingError("the pick " + pointText(pick) + " is on no end face");
}

// Whether the outline runs at the outer radius where the position u is, so that a thread ending
// there splits the outer cylinder.
bool onOuterCylinder(const Body& body, double u)
{
    const double radius = outerRadius(body), limit = tolerance(body);
    const std::vector<Vec2>& o = body.outline;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const Vec2 a = o[i], b = o[(i + 1) % o.size()];
        if (std::abs(a.y - radius) <= limit && std::abs(b.y - radius) <= limit &&
            u >= std::min(a.x, b.x) - limit && u <= std::max(a.x, b.x) + limit) {
            return true;
        }
    }
    return false;
}

} // namespace

std::size_t PartSolid::threadCount() const
{
    return m_body->threads.size();
}

// Pappus: the outline's area times the way its centroid goes round the axis, 2π ∫∫ v dA, with
// ∫∫ v dA summed over the outline's edges.
double PartSolid::volume() const
{
    const std::vector<Vec2>& o = m_body->outline;
    double moment = 0;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const Vec2 a = o[i], b = o[(i + 1) % o.size()];
        moment += (a.x * b.y - b.x * a.y) * (a.y + b.y);
    }
    return 2 * std::numbers::pi * std::abs(moment) / 6;
}

namespace {

Body recordOf(const RevolveProfile& checked)
{
    const std::vector<Vec2>& points = checked.points;
    const double axisLength = length(checked.axisFrom, checked.axisTo);
    Body body;
    body.origin = checked.axisFrom;
    body.along = {(checked.axisTo.x - checked.axisFrom.x) / axisLength,
                  (checked.axisTo.y - checked.axisFrom.y) / axisLength};
    body.across = {-body.along.y, body.along.x};
    for (Vec2 p : points) {
        if (cross(checked.axisFrom, checked.axisTo, p) < 0) {
            body.across = {body.along.y, -body.along.x};
        }
    }
    for (Vec2 p : points) {
        body.outline.push_back(inFrame(body, p));
    }
    return body;
}

} // namespace

PartSolid PartSolid::revolve(const std::vector<Vec2>& profile, Vec2 axisPick)
{
    return PartSolid(std::make_shared<const Body>(recordOf(revolveProfile(profile, axisPick))));
}

PartSolid PartSolid::revolveAbout(const std::vector<Vec2>& profile, Vec2 axisFrom, Vec2 axisTo)
{
    return PartSolid(
        std::make_shared<const Body>(recordOf(revolveProfileAbout(profile, axisFrom, axisTo))));
}

PartSolid PartSolid::withThread(Vec2 endFacePick, std::optional<double> length) const
{
    const std::vector<Vec2>& o = m_body->outline;
    const std::size_t face = endFaceAt(*m_body, endFacePick);
    // The part lies to the left of its outline's edges when the outline runs anticlockwise.
    const double dv = o[(face + 1) % o.size()].y - o[face].y;
    const double inward = (signedArea(o) > 0 ? -dv : dv) > 0 ? 1.0 : -1.0;
    const double at = o[face].x;
    const auto [first, last] = axialExtent(*m_body);
    const double whole = inward > 0 ? last - at : at - first;
    const double limit = tolerance(*m_body);
    const NewThread thread = newThread(m_body->threads, at, inward, whole, length, limit);
    Body body{
        m_body->origin, m_body->along, m_body->across, o, m_body->threads, m_body->threadEnds, {}};
    if (thread.length < whole - limit && onOuterCylinder(*m_body, thread.end)) {
        body.threadEnds.push_back(thread.end);
    }
    body.threads.push_back(thread.stretch);
    return PartSolid(std::make_shared<const Body>(std::move(body)));
}

PartSolid PartSolid::withChamfer(const std::vector<Vec2>& endFacePicks, double size) const
{
    checkChamfer(endFacePicks, size);
    const std::vector<Vec2>& o = m_body->outline;
    const std::size_t n = o.size();
    std::vector<bool> rim(n, false); // the corners to cut: each picked face's outer corner
    for (Vec2 pick : endFacePicks) {
        const std::size_t face = endFaceAt(*m_body, pick);
        const std::size_t outer = o[face].y >= o[(face + 1) % n].y ? face : (face + 1) % n;
        checkChamferOnRim(size, o[outer].y);
        rim[outer] = true; // both picks on one face chamfer its rim once
    }
    // Each edge next to a cut corner must keep some length after the cuts at both its ends.
    const double limit = tolerance(*m_body);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t next = (i + 1) % n;
        const double cuts = size * ((rim[i] ? 1 : 0) + (rim[next] ? 1 : 0));
        if (cuts > 0 && length(o[i], o[next]) <= cuts + limit) {
            throw ModelingError(chamferDoesNotFit(size));
        }
    }
    std::vector<Vec2> cut;
    for (std::size_t i = 0; i < n; ++i) {
        if (!rim[i]) {
            cut.push_back(o[i]);
            continue;
        }
        cut.push_back(towards(o[i], o[(i + n - 1) % n], size));
        cut.push_back(towards(o[i], o[(i + 1) % n], size));
    }
    return PartSolid(std::make_shared<const Body>(Body{m_body->origin,
                                                       m_body->along,
                                                       m_body->across,
                                                       std::move(cut),
                                                       m_body->threads,
                                                       m_body->threadEnds,
                                                       {}}));
}

const std::vector<std::pair<Vec2, Vec2>>& PartSolid::sideView() const
{
    if (m_body->sideView) {
        return *m_body->sideView;
    }
    const Body& body = *m_body;
    const double limit = tolerance(body);
    std::vector<std::pair<Vec2, Vec2>> view;
    // Both halves of a segment given in the axis frame, each kept once whichever way it runs.
    const auto add = [&](Vec2 a, Vec2 b) {
        const std::pair<Vec2, Vec2> segment{inSketch(body, a), inSketch(body, b)};
        const auto same = [](Vec2 p, Vec2 q) { return p.x == q.x && p.y == q.y; };
        const auto known = [&](const std::pair<Vec2, Vec2>& other) {
            return (same(segment.first, other.first) && same(segment.second, other.second)) ||
                   (same(segment.first, other.second) && same(segment.second, other.first));
        };
        if (std::none_of(view.begin(), view.end(), known)) {
            view.push_back(segment);
        }
    };
    const auto mirrored = [](Vec2 p) { return Vec2{p.x, -p.y}; };
    const double radius = outerRadius(body);
    const std::vector<Vec2>& o = body.outline;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const Vec2 a = o[i], b = o[(i + 1) % o.size()];
        if (a.y <= limit && b.y <= limit) {
            continue; // on the axis: inside the body
        }
        if (std::abs(a.x - b.x) <= limit && std::min(a.y, b.y) <= limit) {
            // A face across the axis is cut through its middle: one segment through the axis.
            const Vec2 rim = a.y > b.y ? a : b;
            add(mirrored(rim), rim);
            continue;
        }
        // The outer cylinder is split where threads end, into a line per stretch.
        std::vector<double> cuts{a.x, b.x};
        if (std::abs(a.y - radius) <= limit && std::abs(b.y - radius) <= limit) {
            for (double u : body.threadEnds) {
                if (u > std::min(a.x, b.x) + limit && u < std::max(a.x, b.x) - limit) {
                    cuts.push_back(u);
                }
            }
            std::sort(cuts.begin() + 1, cuts.end(), [&a](double p, double q) { // b stays last
                return std::abs(p - a.x) < std::abs(q - a.x);
            });
        }
        for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
            const Vec2 from = k == 0 ? a : Vec2{cuts[k], a.y};
            const Vec2 to = k + 2 == cuts.size() ? b : Vec2{cuts[k + 1], a.y};
            add(from, to);
            add(mirrored(from), mirrored(to));
        }
    }
    // Each corner off the axis turns into a circle about it, seen edge-on.
    for (Vec2 p : o) {
        if (p.y > limit) {
            add(mirrored(p), p);
        }
    }
    for (double u : body.threadEnds) {
        add({u, -radius}, {u, radius});
    }
    m_body->sideView = std::move(view);
    return *m_body->sideView;
}

} // namespace drawing
