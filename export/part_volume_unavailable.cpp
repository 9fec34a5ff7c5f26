// Builds without Open CASCADE keep each part as its record, which has no mass properties.
#include "export/part_volume.h"

namespace exporter {

std::optional<double> solidVolume(const drawing::PartSolid&)
{
    return std::nullopt;
}

} // namespace exporter
