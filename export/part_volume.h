#pragma once
// The volume of a part's solid from the solid modelling kernel's mass properties.

#include "drawing/part/part_solid.h"

#include <optional>

namespace exporter {

// In mm³; none in a build that keeps parts as records (no kernel).
[[nodiscard]] std::optional<double> solidVolume(const drawing::PartSolid& solid);

} // namespace exporter
