#pragma once
// The stand-in host's drawing: layers, the 2D entities built from command texts, the 3D parts,
// system variables and the zoom window. The interpreter turns SendCommand texts into it.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace drawing {

// The largest coordinate magnitude, in drawing units, that the host stores and writes to DXF.
inline constexpr double coordinateLimit = 1e15;
// The longest layer name, in bytes.
inline constexpr std::size_t maxLayerNameBytes = 255;
// The longest part name, in bytes: as for layers. A part's name names its product in STEP files,
// and some readers cannot read a text of many thousand characters.
inline constexpr std::size_t maxPartNameBytes = maxLayerNameBytes;

// The most vertices one polyline may have, and the most vertices, lines and part elements the
// whole drawing may hold; commands beyond them are refused.
inline constexpr std::size_t maxEntityVertices = 100'000;
inline constexpr std::size_t maxDrawingSize = 1'000'000;
// The command history keeps the latest texts, each cut to a length the pane can show; the call
// log keeps every text whole.
inline constexpr std::size_t historyLimit = 10'000;
inline constexpr std::size_t historyTextLimit = 1'000;

// A command the drawing refuses; the object model answers it with the host's exception.
class DrawingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PartSolid;

struct Vec2 {
    double x;
    double y;
};

struct Layer {
    std::string name;
    std::int32_t
        color; // colour index: 1 red, 2 yellow, 3 green, 4 cyan, 5 blue, 6 magenta, 7 white
};

// The object model's name for an entity it made ("/Entities/<handle>"); 0: drawn by a command,
// which no object names.
using Handle = std::uint64_t;

struct Polyline {
    std::size_t layer;
    std::vector<Vec2> vertices;
    bool closed;
    Handle handle = 0;
};

// A flat area bounded by one closed loop, made from a closed curve by the object model.
struct Region {
    std::size_t layer;
    std::vector<Vec2> loop; // its corners, not closed by a repeated first point
    Handle handle = 0;
};

struct Line {
    std::size_t layer;
    Vec2 from;
    Vec2 to;
    Handle handle = 0;
};

// One line of text: the left end of its base line, the height of its capitals and its direction
// (radians from +x), UTF-8 without line breaks.
struct Text {
    std::size_t layer;
    std::string text;
    Vec2 at;
    double height;
    double rotation = 0;
    Handle handle = 0;
};

// The longest text, in characters (the DXF release's limit for a text value).
inline constexpr std::size_t maxTextCharacters = 255;

// A part built by the part-modelling commands: its profile sketch, then its solid once revolved.
struct Part {
    std::string name;
    std::size_t layer;
    std::vector<Vec2> profile; // the sketch polyline drawn after the part was started
    bool profileClosed = false;
    bool profiled = false;                  // the sketch was made the profile
    std::shared_ptr<const PartSolid> solid; // none until revolved; replaced whole by each step
    Handle handle = 0;                      // the object model's name for it, once it has one
    bool modelled = false; // a solid the object model revolved from a region, not the commands'
};

// What each insert of a block asks for: a tag, the prompt, the default value, where the text
// stands relative to the block's base point and how high it is.
struct AttributeDefinition {
    std::string tag;
    std::string prompt;
    std::string value;
    Vec2 at;
    double height;
    bool invisible;
};

// A named block: entities relative to its base point (the origin), and attribute definitions.
struct Block {
    std::string name;
    Handle handle = 0; // the object model's name for it ("/Blocks/<handle>")
    std::vector<Polyline> polylines;
    std::vector<Line> lines;
    std::vector<AttributeDefinition> attributes;
    std::vector<Region> regions = {}; // made on the way to a solid
    std::vector<Part> parts = {};     // solids the object model revolved in the block
    std::vector<Text> texts = {};
};

// One item of an entity's extended data: its group code (1000 string, 1040 real, 1070 16-bit
// integer, ...) and its value.
struct ExtendedItem {
    std::int16_t code;
    std::variant<std::string, double, std::int32_t> value;
};

// The extended data of one registered application on an entity.
struct ExtendedData {
    std::string application;
    std::vector<ExtendedItem> items;
};

// A placed block: the block's entities moved to `at`, unscaled and unrotated, with this
// placement's attribute values in the order of the block's definitions.
struct Insert {
    std::string block;
    std::size_t layer;
    Vec2 at;
    double z = 0;
    std::vector<std::string> values;
    std::vector<ExtendedData> data;
    Handle handle = 0;
};

struct Rect {
    Vec2 min;
    Vec2 max;
};

struct HistoryEntry {
    std::string text;    // as received, cut to historyTextLimit bytes
    std::size_t length;  // the length of the received text in bytes
    bool known;          // false: not understood or refused, nothing drawn
    std::string refusal; // why the command was refused; empty otherwise
};

class CadDrawing {
  public:
    CadDrawing();

    std::vector<Layer> layers;
    std::size_t activeLayer = 0;
    std::vector<Polyline> polylines;
    std::vector<Line> lines;
    std::vector<Part> parts;
    std::vector<Region> regions;
    std::vector<Block> blocks;
    std::vector<Insert> inserts;
    std::vector<Text> texts;
    std::vector<std::string> applications; // registered for extended data, in order
    std::deque<HistoryEntry> history; // the latest historyLimit commands
    std::size_t commandCount = 0;     // every command run so far
    std::int32_t osmode = 4133;       // endpoint, centre, intersection, extension snaps
    std::int32_t cmddia = 1;
    bool sketchView = false;
    std::optional<Rect> zoomWindow; // the current zoom window; none: the drawing's extents
    std::vector<std::optional<Rect>> zoomStack;
    // The file the drawing is saved in (UTF-8 path), which names the document; empty until the
    // drawing has one.
    std::string file;

    // Runs one command text (inputs ended by \r). Unknown commands are kept in the history only.
    // Throws DrawingError, with nothing drawn, for a coordinate beyond coordinateLimit or an
    // entity or drawing beyond its bound, and, naming the command, for a part-modelling command
    // that cannot be carried out; the part then keeps its last good state.
    void run(const std::string& text);

    std::size_t addLayer(const std::string& name); // colour 7
    // The extents of everything drawn, if anything is.
    std::optional<Rect> extents() const;

    // Counts new elements (vertices, lines, part elements) against maxDrawingSize; throws
    // DrawingError when they do not fit. shrink gives back those of a deleted entity.
    void grow(std::size_t elements);
    void shrink(std::size_t elements);
    // A handle no entity has had before.
    Handle newHandle() { return ++m_lastHandle; }
    // A handle that a thing read back from a saved drawing keeps: newHandle() never gives it.
    void reserveHandle(Handle kept) { m_lastHandle = kept > m_lastHandle ? kept : m_lastHandle; }

  private:
    bool runInputs(const std::vector<std::string>& inputs);
    // Throws ModelingError when the command cannot be carried out on the open part.
    void runPartCommand(const std::string& command, const std::vector<std::string>& inputs);
    void remember(const std::string& text, bool known, const std::string& refusal = {});
    bool chamferLastPolyline(double first, double second);
    Part* openPart();

    std::size_t m_size = 0; // vertices, lines and part elements drawn
    Handle m_lastHandle = 0;
};

// The block's lines and outlines moved to the insert's place, on their own layers.
std::vector<Line> insertLines(const Block& block, const Insert& insert);
// The block's texts moved to the insert's place.
std::vector<Text> insertTexts(const Block& block, const Insert& insert);
const Block* blockNamed(const std::vector<Block>& blocks, const std::string& name);

// The part seen along z, as lines on its layer: its solid's side view, or nothing before it has
// one.
std::vector<Line> sideView(const Part& part);

// The corners of the box a text takes: its base line from `at`, 0.7 of its height for each
// character (the lettering of the drawing standards, which the host's texts follow), and its
// height over it, turned by its rotation: base start, base end, top end, top start.
std::array<Vec2, 4> textCorners(const Text& text);

// "x,y" or "x,y,z" in the host's command-line form.
std::optional<Vec2> parsePoint(const std::string& text);

} // namespace drawing
