#pragma once
// The host serves a drawing: the drawing's own vocabulary is the host's too.

#include "drawing/cad_drawing.h"

namespace cadhost {

using drawing::CadDrawing;
using drawing::coordinateLimit;
using drawing::DrawingError;
using drawing::Handle;
using drawing::HistoryEntry;
using drawing::historyLimit;
using drawing::Layer;
using drawing::Line;
using drawing::maxEntityVertices;
using drawing::maxLayerNameBytes;
using drawing::parsePoint;
using drawing::Part;
using drawing::Polyline;
using drawing::Rect;
using drawing::Region;
using drawing::Vec2;

} // namespace cadhost
