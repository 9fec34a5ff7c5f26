#pragma once
// The way back from a saved document: a CAD program that keeps objects of its own (FreeCAD) saves
// the drawing only as the objects the mirror made of it. When such a document is opened again,
// the drawing is built anew from what those objects carry, so that the program finds its studs,
// blocks, attributes and extended data under the handles they had.

#include "host/freecad/module/drawing_mirror.h"

#include <optional>
#include <string>
#include <vector>

namespace freecadhost {

// One object of the document as the add-on reads it back: the record it was made from, as far as
// the object tells it (its kind, key, the keys of its definition and block, layer, points, name,
// place, attributes, extended data, a block's attribute definitions, a solid's axis and threads),
// the drawing that made it (keys are that drawing's own), and a solid's shape as BREP text.
struct SavedObject {
    MirrorRecord record;
    std::string drawing;
    std::string brep;
};

// Builds what the objects show into drawing, which holds nothing yet (its layer "0" only):
// layers with their colours, block definitions with what they hold, entities, block references
// with their attribute values (in the order of their definitions) and extended data (its
// applications registered). Handles are kept; one that two drawings gave is given anew to the
// later one. For each object: the record it shows now (the key and digest to tag it with), or
// nothing when it is left out of the drawing and so stays the user's: a second layer or
// definition of a name, what a left-out definition holds, a reference to no definition, a
// shape that is no valid solid, values the drawing cannot hold, an unknown kind, a full drawing.
std::vector<std::optional<MirrorRecord>>
restoreDrawing(CadDrawing& drawing, DrawingMirror& mirror, const std::vector<SavedObject>& saved);

} // namespace freecadhost
