#pragma once
// Saves the stand-in host's drawing as DXF through dxflib: every layer with its colour, polylines
// (closed ones flagged closed) and lines on their layers, and each part's side view as lines on the
// part's layer. Release 12, which every DXF reader takes and which has no OBJECTS section (the
// dictionaries and layouts dxflib writes for release 2000 lack their owners, so readers must
// repair them); names in Windows-1251 with the code page declared (host/dxf_text.h).

#include "drawing/cad_drawing.h"

#include <string>

namespace cadhost {

// False when the file cannot be written.
[[nodiscard]] bool saveDxf(const CadDrawing& drawing, const std::string& file);

} // namespace cadhost
