#include "export/part_volume.h"

#include "drawing/part/part_shape.h"

#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>

namespace exporter {

std::optional<double> solidVolume(const drawing::PartSolid& solid)
{
    GProp_GProps properties;
    BRepGProp::VolumeProperties(drawing::solidShape(solid), properties);
    return properties.Mass();
}

} // namespace exporter
