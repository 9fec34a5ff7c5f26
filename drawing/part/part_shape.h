#pragma once
// The Open CASCADE solid behind a PartSolid, for the code that only builds with the kernel (STEP
// export and its tests). A thread is kept the way a CAD program keeps a cosmetic thread: the outer
// cylinder is split where the thread ends, so each threaded stretch is a face of its own, named
// after it.

#include "drawing/part/part_solid.h"
#include "drawing/part/part_steps.h"

#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Ax1.hxx>

namespace drawing {

struct NamedFace {
    TopoDS_Face face;
    std::string name; // "thread 1: 12 mm"
};

struct PartSolid::Body {
    TopoDS_Shape shape; // one valid solid
    gp_Ax1 axis;
    std::vector<ThreadStretch> threads;
    mutable std::optional<std::vector<std::pair<Vec2, Vec2>>> sideView;
};

// One valid solid.
inline const TopoDS_Shape& solidShape(const PartSolid& solid)
{
    return solid.body().shape;
}

// A part from a solid read back from a saved document, with the axis it was revolved about and its
// threads. Throws ModelingError when the shape is not one valid solid.
PartSolid solidFromShape(const TopoDS_Shape& shape, const gp_Ax1& axis,
                         std::vector<ThreadStretch> threads);

// The faces of the outer cylinder that lie within a thread, named after the thread(s) they carry,
// in the solid's face order.
std::vector<NamedFace> namedThreadFaces(const PartSolid& solid);

} // namespace drawing
