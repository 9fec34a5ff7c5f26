#pragma once
// The stand-in host's drawing: layers, the 2D entities built from command texts, the 3D parts,
// system variables and the zoom window. The interpreter turns SendCommand texts into it.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace cadhost {

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

struct Polyline {
    std::size_t layer;
    std::vector<Vec2> vertices;
    bool closed;
};

struct Line {
    std::size_t layer;
    Vec2 from;
    Vec2 to;
};

// A part built by the part-modelling commands: its profile sketch, then its solid once revolved.
struct Part {
    std::string name;
    std::size_t layer;
    std::vector<Vec2> profile; // the sketch polyline drawn after the part was started
    bool profileClosed = false;
    bool profiled = false;                  // the sketch was made the profile
    std::shared_ptr<const PartSolid> solid; // none until revolved; replaced whole by each step
    std::vector<Line> sideView;             // the solid seen along z, on the part's layer
};

struct Rect {
    Vec2 min;
    Vec2 max;
};

struct HistoryEntry {
    std::string text;    // as received
    bool known;          // false: not understood or refused, nothing drawn
    std::string refusal; // why a part-modelling command was refused; empty otherwise
};

// A part-modelling command that cannot be carried out; what() names the command and the reason.
// The part keeps its last good state.
class CommandRefused : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class CadDrawing {
  public:
    CadDrawing();

    std::vector<Layer> layers;
    std::size_t activeLayer = 0;
    std::vector<Polyline> polylines;
    std::vector<Line> lines;
    std::vector<Part> parts;
    std::vector<HistoryEntry> history;
    std::int32_t osmode = 4133; // endpoint, centre, intersection, extension snaps
    std::int32_t cmddia = 1;
    bool sketchView = false;
    std::optional<Rect> zoomWindow; // the current zoom window; none: the drawing's extents
    std::vector<std::optional<Rect>> zoomStack;

    // Runs one command text (inputs ended by \r). Unknown commands are kept in the history only;
    // a part-modelling command that cannot be carried out throws CommandRefused after that.
    void run(const std::string& text);

    std::size_t addLayer(const std::string& name); // colour 7
    // The extents of everything drawn, if anything is.
    std::optional<Rect> extents() const;

  private:
    bool runInputs(const std::vector<std::string>& inputs);
    // Throws ModelingError when the command cannot be carried out on the open part.
    void runPartCommand(const std::string& command, const std::vector<std::string>& inputs);
    bool chamferLastPolyline(double first, double second);
    Part* openPart();
};

// "x,y" or "x,y,z" in the host's command-line form.
std::optional<Vec2> parsePoint(const std::string& text);

} // namespace cadhost
