#include "cad/side_view.h"

#include <cmath>

namespace {

using Vertex = std::array<double, 2>;

// The point at distance along the segment from a towards b, as the host's chamfer finds it.
Vertex towards(Vertex a, Vertex b, double distance)
{
    const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
    if (length == 0) {
        return a;
    }
    return {a[0] + (b[0] - a[0]) * distance / length, a[1] + (b[1] - a[1]) * distance / length};
}

// The host cuts a corner only where it turns and both its sides are long enough for the cuts at
// both of their ends.
std::vector<Vertex> chamfered(const std::array<Vertex, 4>& corners, double c)
{
    if (!(c > 0)) {
        return {corners.begin(), corners.end()};
    }
    const auto length = [](Vertex a, Vertex b) { return std::hypot(b[0] - a[0], b[1] - a[1]); };
    std::vector<Vertex> cut;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Vertex previous = corners[(i + 3) % 4];
        const Vertex here = corners[i];
        const Vertex next = corners[(i + 1) % 4];
        const double before = length(previous, here);
        const double after = length(here, next);
        const double turn = (here[0] - previous[0]) * (next[1] - here[1]) -
                            (here[1] - previous[1]) * (next[0] - here[0]);
        if (std::abs(turn) <= 1e-12 * before * after || before < c + c || after < c + c) {
            cut.push_back(here);
            continue;
        }
        cut.push_back(towards(here, previous, c));
        cut.push_back(towards(here, next, c));
    }
    return cut;
}

} // namespace

SideView studSideView(double d, double L, double b, double b1, double c, const Point& base)
{
    const double x0 = base[0];
    const double y0 = base[1];
    SideView view;
    view.outline = chamfered({Vertex{x0, y0 - d * 0.5}, Vertex{x0 + L, y0 - d * 0.5},
                              Vertex{x0 + L, y0 - d * 0.5 + d}, Vertex{x0, y0 - d * 0.5 + d}},
                             c);
    const auto line = [&view](SideViewLayer layer, Vertex from, Vertex to) {
        view.lines.push_back({layer, from, to});
    };
    using enum SideViewLayer;
    line(Main, {x0 + c, y0 - d * 0.5}, {x0 + c, y0 - d * 0.5 + d});
    line(Main, {x0 + L - c, y0 - d * 0.5 + d}, {x0 + L - c, y0 - d * 0.5});

    const Vertex upperLeft{x0, y0 + d * 0.5 - c};
    const Vertex upperRight{x0 + L, y0 + d * 0.5 - c};
    const Vertex lowerLeft{x0, y0 - d * 0.5 + c};
    const Vertex lowerRight{x0 + L, y0 - d * 0.5 + c};
    // The loose drawing's test, exact: only a stud threaded end to end has one thread.
    if (b == b1 && b * 2 == L) {
        line(Thin, upperLeft, upperRight);
        line(Thin, lowerLeft, lowerRight);
    } else {
        line(Thin, upperLeft, {x0 + b1, y0 + d * 0.5 - c});
        line(Thin, {x0 + L - b, y0 + d * 0.5 - c}, upperRight);
        line(Thin, lowerLeft, {x0 + b1, y0 - d * 0.5 + c});
        line(Thin, {x0 + L - b, y0 - d * 0.5 + c}, lowerRight);
        line(Main, {x0 + b1, y0 + d * 0.5}, {x0 + b1, y0 + d * 0.5 - d});
        line(Main, {x0 + L - b, y0 + d * 0.5}, {x0 + L - b, y0 + d * 0.5 - d});
    }
    line(Axis, {x0 - c, y0}, {x0 + L + c, y0});
    return view;
}

Doubles studHalfSection(double d, double L, double c, const Point& base)
{
    const auto [x, y, z] = base;
    const double right = x + L;
    const double top = y + d * 0.5;
    return {x, y, right, y, right, top - c, right - c, top, x + c, top, x, top - c};
}
