#include "cad/point_text.h"

#include "model/number_text.h"

#include <cmath>

namespace {

// The number text never holds a comma; the replacement keeps the command line safe should the
// number text ever follow a locale.
std::string coordinateText(double value)
{
    std::string text = numberText(value);
    if (const std::size_t comma = text.find(','); comma != std::string::npos) {
        text[comma] = '.';
    }
    return text;
}

} // namespace

std::string PointToText(const Point& point)
{
    return coordinateText(point[0]) + "," + coordinateText(point[1]);
}

double PointDistance(const Point& a, const Point& b)
{
    const double dx = b[0] - a[0];
    const double dy = b[1] - a[1];
    return std::sqrt(dx * dx + dy * dy);
}
