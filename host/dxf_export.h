#pragma once
// Saves the stand-in host's drawing as DXF (release 2000) through dxflib: every layer with its
// colour, polylines (closed ones flagged closed) and lines on their layers, and each part's side
// view as lines on the part's layer.

#include "host/cad_drawing.h"

#include <string>

namespace cadhost {

// False when the file cannot be written.
[[nodiscard]] bool saveDxf(const CadDrawing& drawing, const std::string& file);

} // namespace cadhost
