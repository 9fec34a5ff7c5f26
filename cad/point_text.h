#pragma once
// Points in the host's command-line form and planar distances.

#include "cad/automation.h"

#include <string>

// Number text of x + "," + number text of y; z is left out. The decimal separator is always a
// point.
[[nodiscard]] std::string PointToText(const Point& point);

// sqrt(dx*dx + dy*dy), the products added in this order; z is ignored.
[[nodiscard]] double PointDistance(const Point& a, const Point& b);
