#pragma once
// The axis-aligned bounding box of an Open CASCADE shape, for tests that check a solid's size.

#include "step_contents.h"

#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <TopoDS_Shape.hxx>

inline StepBox boxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::AddOptimal(shape, box, false, false);
    StepBox b{};
    box.Get(b.xmin, b.ymin, b.zmin, b.xmax, b.ymax, b.zmax);
    return b;
}
