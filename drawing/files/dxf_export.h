#pragma once
// Saves the stand-in host's drawing as DXF: every layer with its colour, polylines (closed ones
// flagged closed) and lines on their layers, and each part's side view as lines on the part's
// layer. Release 12 with handles (dxf_writer.h): every reader takes it, AutoCAD-compatible
// programs included, and it needs no OBJECTS section (the dictionaries and layouts of release
// 2000 must all be owned and cross-referenced, or readers repair or refuse the file); names in
// Windows-1251 with the code page declared (dxf_text.h).

#include "drawing/cad_drawing.h"

#include <string>
#include <vector>

namespace drawing {

// False when the file cannot be written.
[[nodiscard]] bool saveDxf(const CadDrawing& drawing, const std::string& file);

// A named drawing for a parts library: its entities (layers as indices into the file's layers),
// its attribute definitions, and where model space places it with that insert's attribute values
// (in the order of the definitions) and extended data.
struct DxfBlock {
    std::string name; // UTF-8
    std::vector<Polyline> polylines;
    std::vector<Line> lines;
    Vec2 insertion;
    std::vector<AttributeDefinition> attributes;
    std::vector<std::string> values;
    std::vector<ExtendedData> data;
};

// A library file: the layers, one block per entry and model space inserting each block at its
// place, in the same release and code page as saveDxf. False when the file cannot be written or
// a coordinate is beyond coordinateLimit.
[[nodiscard]] bool saveDxfLibrary(const std::vector<Layer>& layers,
                                  const std::vector<DxfBlock>& blocks, const std::string& file);

} // namespace drawing
