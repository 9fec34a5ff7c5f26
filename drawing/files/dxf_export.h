#pragma once
// Saves the stand-in host's drawing as DXF through dxflib: every layer with its colour, polylines
// (closed ones flagged closed) and lines on their layers, and each part's side view as lines on the
// part's layer. Release 12, which every DXF reader takes and which has no OBJECTS section (the
// dictionaries and layouts dxflib writes for release 2000 lack their owners, so readers must
// repair them); names in Windows-1251 with the code page declared (host/dxf_text.h).

#include "drawing/cad_drawing.h"

#include <string>
#include <vector>

namespace drawing {

// False when the file cannot be written.
[[nodiscard]] bool saveDxf(const CadDrawing& drawing, const std::string& file);

// A named drawing for a parts library: its entities (layers as indices into the file's layers)
// and where model space places it.
struct DxfBlock {
    std::string name; // UTF-8
    std::vector<Polyline> polylines;
    std::vector<Line> lines;
    Vec2 insertion;
};

// A library file: the layers, one block per entry and model space inserting each block at its
// place, in the same release and code page as saveDxf. False when the file cannot be written or
// a coordinate is beyond coordinateLimit.
[[nodiscard]] bool saveDxfLibrary(const std::vector<Layer>& layers,
                                  const std::vector<DxfBlock>& blocks, const std::string& file);

} // namespace drawing
