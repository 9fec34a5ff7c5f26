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

// The corners of a closed polygon without repeats (nor a repeated first point). Throws
// ModelingError when fewer than three remain or there are more than maxProfileEdges.
std::vector<Vec2> profileCorners(const std::vector<Vec2>& profile);

// Throws ModelingError when the polygon (corners as profileCorners gives them) bounds no area,
// folds back on itself or crosses itself.
void checkSimpleLoop(const std::vector<Vec2>& points);

// As revolveProfile, about the line through axisFrom and axisTo (distinct points), which may lie
// off the profile; the axis is that line, from axisFrom towards axisTo.
RevolveProfile revolveProfileAbout(const std::vector<Vec2>& profile, Vec2 axisFrom, Vec2 axisTo);

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
