#pragma once
// The solid of a part, built on Open CASCADE by the part-modelling steps the host understands:
// revolve a closed profile, mark a thread from an end face, chamfer the rims of end faces. Each
// step makes a new solid from the last one and never changes it, so a refused step leaves the part
// as it was. A thread is kept the way a CAD program keeps a cosmetic thread: the outer cylinder is
// split where the thread ends, so each threaded stretch is a face of its own, named after it.
// Coordinates are drawing units (mm); the sketch plane is the drawing's XY plane (z = 0).

#include "host/cad_drawing.h"

#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Ax1.hxx>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace cadhost {

// A step that cannot be carried out on the solid; what() gives the reason for the user.
class ModelingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct NamedFace {
    TopoDS_Face face;
    std::string name; // "thread 1: 12 mm"
};

// A revolution makes a face per profile edge; beyond this many the host would stall for long.
inline constexpr std::size_t maxProfileEdges = 1000;

class PartSolid {
  public:
    // Revolves the closed polygon profile a full turn about the profile edge that axisPick lies
    // on. Throws ModelingError when the pick is on no edge, the profile bounds no area, has more
    // than maxProfileEdges edges, or lies on both sides of that edge's line.
    [[nodiscard]] static PartSolid revolve(const std::vector<Vec2>& profile, Vec2 axisPick);

    // A thread on the outer cylinder from the end face under endFacePick, length along the axis
    // (none: the whole length). Throws ModelingError when the pick is on no end face or the
    // length is not positive or longer than the part.
    [[nodiscard]] PartSolid withThread(Vec2 endFacePick, std::optional<double> length) const;

    // Chamfers the outer circular edge of each end face picked by size (equal distances).
    // Throws ModelingError when a pick is on no end face, the size is not positive or not
    // smaller than the edge's radius, or the chamfers do not fit on the part.
    [[nodiscard]] PartSolid withChamfer(const std::vector<Vec2>& endFacePicks, double size) const;

    // One valid solid.
    const TopoDS_Shape& shape() const { return m_shape; }
    std::size_t threadCount() const { return m_threads.size(); }

    // The faces of the outer cylinder that lie within a thread, named after the thread(s) they
    // carry, in the solid's face order.
    std::vector<NamedFace> threadFaces() const;

    // The part seen along -z on the XY plane: its section by the sketch plane (the outline with
    // chamfers) and its circular edges seen edge-on (end rims, chamfer edges, thread ends).
    // Worked out on first use (the section is the costliest step) and kept.
    const std::vector<std::pair<Vec2, Vec2>>& sideView() const;

  private:
    struct ThreadStretch {
        std::string name;
        double from; // along the axis, from <= to
        double to;
    };

    PartSolid(TopoDS_Shape shape, gp_Ax1 axis, std::vector<ThreadStretch> threads);

    double along(const gp_Pnt& point) const;       // position along the axis
    double tolerance() const;                      // for picks and positions, from the part's size
    std::pair<double, double> axialExtent() const; // first and last position along the axis
    double outerRadius() const;
    TopoDS_Face endFaceAt(Vec2 pick) const; // throws ModelingError when none is there

    TopoDS_Shape m_shape;
    gp_Ax1 m_axis;
    std::vector<ThreadStretch> m_threads;
    mutable std::optional<std::vector<std::pair<Vec2, Vec2>>> m_sideView;
};

} // namespace cadhost
