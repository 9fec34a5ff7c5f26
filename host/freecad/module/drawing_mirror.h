#pragma once
// What a CAD program that keeps objects of its own (FreeCAD) is to show of the drawing: one record
// per layer, block definition, entity (texts included) and block reference, each with a key that
// stays while the thing lasts and a digest that changes whenever anything shown of it changes, so
// that the program's document is brought up to date by creating and removing only what changed.
//
// And the way back: the user may take mirrored objects away in the CAD program (an undo, a
// deletion) and bring them back (a redo). Their entities are then withdrawn from the drawing and
// put back, so that what is saved as DXF or STEP and what a pick finds is what the user sees.

#include "drawing/cad_drawing.h"
#include "drawing/part/part_steps.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace freecadhost {

using drawing::CadDrawing;
using drawing::ExtendedData;
using drawing::Handle;
using drawing::Vec2;

struct MirrorRecord {
    enum class Kind { Layer, Polyline, Line, Region, Solid, Block, Insert, Text };
    Kind kind = Kind::Layer;
    // "L<index>" a layer, "B<handle>" a block definition, "E<handle>" an entity or reference the
    // object model names; "C<digest>#<n>" the n-th of the equal entities drawn by commands.
    std::string key;
    std::string owner;          // the key of the block whose definition holds it; "" in model space
    std::string digest;         // 16 hexadecimal digits
    std::string layer;          // the name of its layer (of a layer: its own name)
    std::int32_t color = 0;     // a layer's colour index
    std::vector<Vec2> points;   // a polyline's vertices, a line's two ends, a region's corners
    bool closed = false;        // a closed polyline; a region
    std::string name;           // a part's name, a block's name (a reference's), a text's string
    std::string block;          // a reference: the key of its block
    double x = 0, y = 0, z = 0; // a reference: where it places its block; a text: its point
    double height = 0;          // a text: the height of its capitals
    double rotation = 0;        // a text: its direction, radians from +x
    // A block: its attribute tags with their default values; a reference: the tags with this
    // placement's values.
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<ExtendedData> data; // a reference's extended data
    // A block: its attribute definitions whole (prompt, place, height, visibility), which the
    // document keeps so that the definition can be read back from it.
    std::vector<drawing::AttributeDefinition> definitions;
    // A solid: the axis it was revolved about (a point, a direction) and its threads, which
    // its shape does not tell.
    std::array<double, 6> axis{0, 0, 0, 0, 0, 1};
    std::vector<drawing::ThreadStretch> threads;
};

class DrawingMirror {
  public:
    static constexpr std::size_t maxKeptAside = 100'000;

    // Everything the drawing shows, containers before what they hold: the layers something is
    // on, block definitions, the entities of each definition, the entities of model space, block
    // references. Parts without a solid yet show nothing.
    std::vector<MirrorRecord> records(CadDrawing& drawing);

    // The records with the address of the thing each shows in the drawing (its Layer, Polyline,
    // Line, Region, Part, Text, Block or Insert), for code that has just built the drawing.
    std::vector<std::pair<const void*, MirrorRecord>> addressedRecords(CadDrawing& drawing);

    // The keys the document shows after a pass; reconcile() takes those it lacks later as taken
    // away by the user. What the drawing held at the last pass and lacks now (deleted through the
    // object model) is kept aside, as what reconcile() withdraws is.
    void setMirrored(CadDrawing& drawing, const std::set<std::string>& keys);

    struct Reconciled {
        std::vector<std::string> withdrawn;
        std::vector<std::string> reinstated;
    };
    // present: the keys the document shows now. Entities, references and definitions mirrored at
    // the last pass and missing now leave the drawing (kept aside, with what a definition holds);
    // those kept aside whose objects are back return to it. Layers always stay. At most
    // maxKeptAside things are kept aside, the oldest forgotten first.
    Reconciled reconcile(CadDrawing& drawing, const std::set<std::string>& present);

    // The solid under key as BREP text (Open CASCADE's own format), or nothing.
    std::optional<std::string> solidBrep(CadDrawing& drawing, const std::string& key);

    // The handle of the entity or reference under key, given one when it was drawn by a command
    // (as a pick of it does in the object model); nothing for a key that names no entity the
    // object model can serve (a layer, a definition, a solid of the part commands).
    std::optional<Handle> entityHandle(CadDrawing& drawing, const std::string& key);

  private:
    // Where a thing with a key is in the drawing: its record and its list (in model space or in
    // a definition) with its place there.
    struct Located {
        MirrorRecord record;
        std::variant<std::vector<drawing::Polyline>*, std::vector<drawing::Line>*,
                     std::vector<drawing::Region>*, std::vector<drawing::Part>*,
                     std::vector<drawing::Insert>*, std::vector<drawing::Block>*,
                     std::vector<drawing::Layer>*, std::vector<drawing::Text>*>
            list;
        std::size_t index;
    };
    // A thing taken out of the drawing, with the key of what held it.
    struct Withdrawn {
        std::string key;
        std::string owner;
        std::variant<drawing::Polyline, drawing::Line, drawing::Region, drawing::Part,
                     drawing::Insert, drawing::Block, drawing::Text>
            thing;
    };
    std::vector<Located> locate(CadDrawing& drawing);
    static Withdrawn copyOf(const Located& thing);
    static bool putBack(CadDrawing& drawing, const Withdrawn& withdrawn);
    void keepAside(Withdrawn withdrawn);
    std::uint64_t solidSerial(const std::shared_ptr<const drawing::PartSolid>& solid);

    std::set<std::string> m_mirrored;
    std::map<std::string, Withdrawn> m_shown; // copies of what the last pass showed
    std::vector<Withdrawn> m_aside;           // taken out or deleted, oldest first
    // Each solid the records have shown, with a number no other solid gets: a part's solid is
    // replaced whole by every modelling step, so a new number means a new shape.
    std::map<const drawing::PartSolid*,
             std::pair<std::weak_ptr<const drawing::PartSolid>, std::uint64_t>>
        m_solids;
    std::uint64_t m_lastSerial = 0;
};

} // namespace freecadhost
