#pragma once
// The solid of a part, made by the part-modelling steps the host understands: revolve a closed
// profile, mark a thread from an end face, chamfer the rims of end faces. Each step makes a new
// part from the last one and never changes it, so a refused step leaves the part as it was.
// Coordinates are drawing units (mm); the sketch plane is the drawing's XY plane (z = 0).
//
// Two builds share this interface: with a solid modelling kernel the part is a real solid (see
// drawing/part/part_shape.h for what only that build offers); without one the part is kept as its
// record (the revolved profile with its chamfers, the axis and the threads), which refuses the same
// steps where that can be decided from the record and shows the same side view.

#include "drawing/cad_drawing.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace drawing {

// A step that cannot be carried out on the solid; what() gives the reason for the user.
class ModelingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A revolution makes a face per profile edge; beyond this many the host would stall for long.
inline constexpr std::size_t maxProfileEdges = 1000;

class PartSolid {
  public:
    // Revolves the closed polygon profile a full turn about the profile edge that axisPick lies
    // on. Throws ModelingError when the pick is on no edge, the profile bounds no area, folds back
    // or crosses itself, has more than maxProfileEdges edges, lies on both sides of that edge's
    // line, or the solid would reach beyond coordinateLimit.
    [[nodiscard]] static PartSolid revolve(const std::vector<Vec2>& profile, Vec2 axisPick);

    // Revolves the closed polygon profile a full turn about the line from axisFrom towards axisTo
    // in the sketch plane, which may lie off the profile but not across it. Throws ModelingError
    // as revolve does (but for the pick), and when the two points are one.
    [[nodiscard]] static PartSolid revolveAbout(const std::vector<Vec2>& profile, Vec2 axisFrom,
                                                Vec2 axisTo);

    // A thread on the outer cylinder from the end face under endFacePick, length along the axis
    // (none: the whole length). Throws ModelingError when the pick is on no end face or the
    // length is not positive or longer than the part.
    [[nodiscard]] PartSolid withThread(Vec2 endFacePick, std::optional<double> length) const;

    // Chamfers the outer circular edge of each end face picked by size (equal distances).
    // Throws ModelingError when a pick is on no end face, the size is not positive or not
    // smaller than the edge's radius, or the chamfers do not fit on the part.
    [[nodiscard]] PartSolid withChamfer(const std::vector<Vec2>& endFacePicks, double size) const;

    std::size_t threadCount() const;

    // The solid's volume in cubic drawing units (a thread is cosmetic and takes none).
    double volume() const;

    // The part seen along -z on the XY plane: its outline with chamfers (its section by the
    // sketch plane) and its circular edges seen edge-on (end rims, chamfer edges, thread ends).
    // Worked out on first use and kept.
    const std::vector<std::pair<Vec2, Vec2>>& sideView() const;

    // What the build keeps of the part; defined by the implementation.
    struct Body;
    const Body& body() const { return *m_body; }
    // A part from what a build keeps of it (a solid read back from a saved document).
    static PartSolid fromBody(std::shared_ptr<const Body> body)
    {
        return PartSolid(std::move(body));
    }

  private:
    explicit PartSolid(std::shared_ptr<const Body> body) : m_body(std::move(body)) {}

    std::shared_ptr<const Body> m_body;
};

} // namespace drawing
