#pragma once
// The host serves a drawing: the drawing's own vocabulary is the host's too.

#include "drawing/cad_drawing.h"

namespace cadhost {

using drawing::AttributeDefinition;
using drawing::Block;
using drawing::blockNamed;
using drawing::CadDrawing;
using drawing::ExtendedData;
using drawing::ExtendedItem;
using drawing::Insert;
using drawing::insertLines;
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
using drawing::Text;
using drawing::maxTextCharacters;
using drawing::Vec2;

} // namespace cadhost
