#pragma once
// The checks on a profile before it is revolved, shared by both part builds, so that both refuse
// the same profiles with the same words.

#include "drawing/cad_drawing.h"

#include <string>
#include <vector>

namespace drawing {

// A profile fit to revolve: its corners without repeats (not closed by a repeated first point)
// and the edge it turns about.
struct RevolveProfile {
    std::vector<Vec2> points;
    Vec2 axisFrom;
    Vec2 axisTo;
    double tolerance; // for picks on it, from the profile's size
};

// Throws ModelingError when the profile bounds no area, has more than maxProfileEdges edges,
// axisPick is on none of its edges, the profile lies on both sides of that edge's line, folds
// back on itself or crosses itself, or the solid would reach beyond coordinateLimit.
RevolveProfile revolveProfile(const std::vector<Vec2>& profile, Vec2 axisPick);

// The area the closed polygon bounds: positive when it runs anticlockwise.
double signedArea(const std::vector<Vec2>& points);

// "x,y" for the messages about picks.
std::string pointText(Vec2 p);

double distanceToSegment(Vec2 p, Vec2 a, Vec2 b);

} // namespace drawing
