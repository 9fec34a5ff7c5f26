#include "drawing/files/dxf_export.h"

#include "drawing/files/atomic_file.h"
#include "drawing/files/dxf_text.h"
#include "drawing/files/dxf_writer.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <utility>

namespace drawing {

namespace {

// dxflib formats a coordinate with 16 decimals into a fixed buffer: only values the drawing can
// hold are written.
bool storable(double value)
{
    return std::abs(value) <= coordinateLimit;
}

bool storable(const CadDrawing& drawing, const std::vector<Line>& lines)
{
    // A block's entities are stored relative to its base; placed, they must fit as well.
    for (const Insert& insert : drawing.inserts) {
        if (const Block* block = blockNamed(drawing.blocks, insert.block)) {
            for (const Line& line : insertLines(*block, insert)) {
                if (!storable(line.from.x) || !storable(line.from.y) || !storable(line.to.x) ||
                    !storable(line.to.y)) {
                    return false;
                }
            }
            for (const Text& text : insertTexts(*block, insert)) {
                if (!storable(text.at.x) || !storable(text.at.y)) {
                    return false;
                }
            }
        }
    }
    for (const Polyline& polyline : drawing.polylines) {
        for (Vec2 v : polyline.vertices) {
            if (!storable(v.x) || !storable(v.y)) {
                return false;
            }
        }
    }
    for (const Line& line : lines) {
        if (!storable(line.from.x) || !storable(line.from.y) || !storable(line.to.x) ||
            !storable(line.to.y)) {
            return false;
        }
    }
    return true;
}

// dxflib does not report failed writes; a file that ends with its EOF record was written whole.
bool endsWithEof(const std::string& file)
{
    // The library writes through a text-mode stream: lines end in CR LF on Windows, LF elsewhere.
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::streamoff>(in.tellg());
    constexpr std::streamoff tailSize = 6; // "\nEOF\r\n"
    if (!in || size < tailSize - 1) {
        return false;
    }
    const std::streamoff read = std::min(size, tailSize);
    std::string tail(static_cast<std::size_t>(read), '\0');
    in.seekg(size - read);
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    return in && (tail.ends_with("\nEOF\n") || tail.ends_with("\nEOF\r\n"));
}

// Layer 0 holds the block definitions and the inserts; a drawing without it gets it first.
std::vector<Layer> withLayerZero(const std::vector<Layer>& layers)
{
    const bool hasZero =
        std::any_of(layers.begin(), layers.end(), [](const Layer& l) { return l.name == "0"; });
    std::vector<Layer> all;
    if (!hasZero) {
        all.push_back({"0", 7});
    }
    all.insert(all.end(), layers.begin(), layers.end());
    return all;
}

// The box around what model space shows, so that a program opening the file shows it whole.
class Extents {
  public:
    void add(Vec2 v, Vec2 offset = {0.0, 0.0})
    {
        const Vec2 at{v.x + offset.x, v.y + offset.y};
        if (m_empty) {
            m_box = {at, at};
            m_empty = false;
            return;
        }
        m_box.min = {std::min(m_box.min.x, at.x), std::min(m_box.min.y, at.y)};
        m_box.max = {std::max(m_box.max.x, at.x), std::max(m_box.max.y, at.y)};
    }
    void add(const std::vector<Polyline>& polylines, const std::vector<Line>& lines,
             const std::vector<Text>& texts, Vec2 offset = {0.0, 0.0})
    {
        for (const Text& text : texts) {
            for (Vec2 corner : textCorners(text)) {
                add(corner, offset);
            }
        }
        for (const Polyline& polyline : polylines) {
            for (Vec2 v : polyline.vertices) {
                add(v, offset);
            }
        }
        for (const Line& line : lines) {
            add(line.from, offset);
            add(line.to, offset);
        }
    }
    // An empty drawing shows an A3 sheet from the origin.
    Rect box() const { return m_empty ? Rect{{0.0, 0.0}, {420.0, 297.0}} : m_box; }

  private:
    Rect m_box{};
    bool m_empty = true;
};

void writeHeader(DxfWriter& w, const Rect& extents)
{
    const DL_Writer& out = w.out();
    w.section("HEADER");
    out.dxfString(9, "$ACADVER");
    out.dxfString(1, "AC1009");
    out.dxfString(9, "$DWGCODEPAGE");
    out.dxfString(3, dxfCodePage);
    out.dxfString(9, "$INSBASE");
    w.point(10, {0.0, 0.0});
    out.dxfString(9, "$EXTMIN");
    w.point(10, extents.min);
    out.dxfString(9, "$EXTMAX");
    w.point(10, extents.max);
    out.dxfString(9, "$HANDLING");
    out.dxfInt(70, 1);
    out.dxfString(9, "$HANDSEED");
    out.dxfHex(5, static_cast<int>(w.handleSeed()));
    w.sectionEnd();
}

// The active viewport centred on the extents, with a margin; the other settings as a new
// drawing has them (readers that miss one take 0, and a snap or grid spacing 0 is refused).
void writeViewport(DxfWriter& w, const Rect& extents)
{
    constexpr double aspect = 1.5;
    const double width = extents.max.x - extents.min.x;
    const double height = std::max({extents.max.y - extents.min.y, width / aspect, 1.0}) * 1.1;
    const DL_Writer& out = w.out();
    w.table("VPORT", 1);
    w.tableEntry("VPORT", "*ACTIVE");
    w.point2(10, {0.0, 0.0}); // the whole screen
    w.point2(11, {1.0, 1.0});
    w.point2(12, {(extents.min.x + extents.max.x) / 2, (extents.min.y + extents.max.y) / 2});
    w.point2(13, {0.0, 0.0});   // snap base
    w.point2(14, {10.0, 10.0}); // snap spacing
    w.point2(15, {10.0, 10.0}); // grid spacing
    w.point2(16, {0.0, 0.0});   // view direction: down the z axis
    out.dxfReal(36, 1.0);
    w.point(17, {0.0, 0.0}); // view target
    out.dxfReal(40, height);
    out.dxfReal(41, aspect);
    out.dxfReal(42, 50.0);                    // lens length
    for (const int code : {43, 44, 50, 51}) { // clipping planes, snap rotation, view twist
        out.dxfReal(code, 0.0);
    }
    for (const auto& [code, value] :
         {std::pair{71, 0}, {72, 100}, {73, 1}, {74, 3}, {75, 0}, {76, 0}, {77, 0}, {78, 0}}) {
        out.dxfInt(code, value); // view mode, circle zoom, fast zoom, UCS icon, snap, grid, …
    }
    w.tableEnd();
}

void writeTables(DxfWriter& w, const std::vector<Layer>& layers, const Rect& extents,
                 const std::vector<std::string>& applications = {})
{
    const DL_Writer& out = w.out();
    w.section("TABLES");
    writeViewport(w, extents);
    w.table("LTYPE", 1);
    w.tableEntry("LTYPE", "CONTINUOUS");
    out.dxfString(3, "Solid line");
    out.dxfInt(72, 65);
    out.dxfInt(73, 0);
    out.dxfReal(40, 0.0);
    w.tableEnd();
    const std::vector<Layer> all = withLayerZero(layers);
    w.table("LAYER", static_cast<int>(all.size()));
    for (const Layer& layer : all) {
        w.layer(layer);
    }
    w.tableEnd();
    w.table("STYLE", 1);
    w.tableEntry("STYLE", "STANDARD");
    out.dxfReal(40, 0.0);
    out.dxfReal(41, 1.0);
    out.dxfReal(50, 0.0);
    out.dxfInt(71, 0);
    out.dxfReal(42, 2.5);
    out.dxfString(3, "txt");
    out.dxfString(4, "");
    w.tableEnd();
    for (const char* empty : {"VIEW", "UCS"}) {
        w.table(empty, 0);
        w.tableEnd();
    }
    // ACAD, then the applications whose extended data the entities carry.
    w.table("APPID", static_cast<int>(1 + applications.size()));
    w.tableEntry("APPID", "ACAD");
    for (const std::string& application : applications) {
        if (application != "ACAD") {
            w.tableEntry("APPID", application);
        }
    }
    w.tableEnd();
    w.table("DIMSTYLE", 1);
    w.tableEntry("DIMSTYLE", "STANDARD");
    w.tableEnd();
    w.sectionEnd();
}

void writeEntities(DxfWriter& w, const std::vector<Layer>& layers,
                   const std::vector<Polyline>& polylines, const std::vector<Line>& lines,
                   const std::vector<Text>& texts = {})
{
    for (const Polyline& polyline : polylines) {
        w.polyline(polyline, layers.at(polyline.layer).name);
    }
    for (const Line& line : lines) {
        w.line(line, layers.at(line.layer).name);
    }
    for (const Text& text : texts) {
        w.text(text, layers.at(text.layer).name);
    }
}

// Model and paper space as blocks, as other writers of release 12 files put them.
void writeSpaceBlocks(DxfWriter& w)
{
    for (const char* block : {"$MODEL_SPACE", "$PAPER_SPACE"}) {
        w.blockBegin(block);
        w.blockEnd();
    }
}

void writeDrawing(DxfWriter& w, const CadDrawing& drawing, const std::vector<Line>& lines)
{
    Extents extents;
    extents.add(drawing.polylines, lines, drawing.texts);
    for (const Insert& insert : drawing.inserts) {
        if (const Block* block = blockNamed(drawing.blocks, insert.block)) {
            extents.add(block->polylines, block->lines, block->texts, insert.at);
        }
    }
    writeHeader(w, extents.box());
    std::vector<std::string> applications;
    for (const std::string& application : drawing.applications) {
        if (application != "ACAD") {
            applications.push_back(application);
        }
    }
    writeTables(w, drawing.layers, extents.box(), applications);
    w.section("BLOCKS");
    writeSpaceBlocks(w);
    for (const Block& block : drawing.blocks) {
        w.blockBegin(block.name, !block.attributes.empty());
        std::vector<Line> blockLines = block.lines;
        for (const Part& part : block.parts) {
            const std::vector<Line> view = sideView(part); // a solid's side view, as in model space
            blockLines.insert(blockLines.end(), view.begin(), view.end());
        }
        writeEntities(w, drawing.layers, block.polylines, blockLines, block.texts);
        for (const AttributeDefinition& definition : block.attributes) {
            w.attributeDefinition(definition);
        }
        w.blockEnd();
    }
    w.sectionEnd();
    w.section("ENTITIES");
    writeEntities(w, drawing.layers, drawing.polylines, lines, drawing.texts);
    for (const Insert& insert : drawing.inserts) {
        if (const Block* block = blockNamed(drawing.blocks, insert.block)) {
            w.insertWithAttributes(insert, *block, drawing.layers.at(insert.layer).name);
        }
    }
    w.sectionEnd();
}

void writeLibrary(DxfWriter& w, const std::vector<Layer>& layers,
                  const std::vector<DxfBlock>& blocks)
{
    Extents extents;
    for (const DxfBlock& block : blocks) {
        extents.add(block.polylines, block.lines, {}, block.insertion);
    }
    writeHeader(w, extents.box());
    std::vector<std::string> applications;
    for (const DxfBlock& block : blocks) {
        for (const ExtendedData& data : block.data) {
            if (data.application != "ACAD" && std::find(applications.begin(), applications.end(),
                                                        data.application) == applications.end()) {
                applications.push_back(data.application);
            }
        }
    }
    writeTables(w, layers, extents.box(), applications);
    w.section("BLOCKS");
    writeSpaceBlocks(w);
    for (const DxfBlock& block : blocks) {
        w.blockBegin(block.name, !block.attributes.empty());
        writeEntities(w, layers, block.polylines, block.lines);
        for (const AttributeDefinition& definition : block.attributes) {
            w.attributeDefinition(definition);
        }
        w.blockEnd();
    }
    w.sectionEnd();
    w.section("ENTITIES");
    for (const DxfBlock& block : blocks) {
        if (block.attributes.empty() && block.data.empty()) {
            w.insert(block.name, "0", block.insertion);
            continue;
        }
        Block definition;
        definition.name = block.name;
        definition.attributes = block.attributes;
        w.insertWithAttributes({block.name, 0, block.insertion, 0, block.values, block.data, 0},
                               definition, "0");
    }
    w.sectionEnd();
}

} // namespace

bool saveDxf(const CadDrawing& drawing, const std::string& file)
{
    std::vector<Line> lines = drawing.lines;
    for (const Part& part : drawing.parts) {
        const std::vector<Line> view = sideView(part);
        lines.insert(lines.end(), view.begin(), view.end());
    }
    if (!storable(drawing, lines)) {
        return false;
    }
    return writeFileAtomically(
        file,
        [&](const std::string& temp) {
            return writeDxfFile(temp, [&](DxfWriter& w) { writeDrawing(w, drawing, lines); });
        },
        endsWithEof);
}

bool saveDxfLibrary(const std::vector<Layer>& layers, const std::vector<DxfBlock>& blocks,
                    const std::string& file)
{
    for (const DxfBlock& block : blocks) {
        if (!storable(block.insertion.x) || !storable(block.insertion.y)) {
            return false;
        }
        for (const Polyline& polyline : block.polylines) {
            for (Vec2 v : polyline.vertices) {
                if (!storable(v.x) || !storable(v.y)) {
                    return false;
                }
            }
        }
        for (const Line& line : block.lines) {
            if (!storable(line.from.x) || !storable(line.from.y) || !storable(line.to.x) ||
                !storable(line.to.y)) {
                return false;
            }
        }
    }
    return writeFileAtomically(
        file,
        [&](const std::string& temp) {
            return writeDxfFile(temp, [&](DxfWriter& w) { writeLibrary(w, layers, blocks); });
        },
        endsWithEof);
}

} // namespace drawing
