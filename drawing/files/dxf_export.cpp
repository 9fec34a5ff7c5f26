#include "drawing/files/dxf_export.h"

#include "drawing/files/atomic_file.h"
#include "drawing/files/dxf_text.h"

#include <dxflib/dl_dxf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>

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

DL_Attributes onLayer(const std::vector<Layer>& layers, std::size_t layer)
{
    return DL_Attributes(dxfText(layers.at(layer).name), 256, -1, "BYLAYER", 1.0);
}

// The header and the tables, up to the blocks section.
void writeHeaderAndTables(DL_Dxf& dxf, DL_WriterA& dw, const std::vector<Layer>& layers)
{
    dxf.writeHeader(dw);
    dw.dxfString(9, "$DWGCODEPAGE");
    dw.dxfString(3, dxfCodePage);
    dw.sectionEnd();
    dw.sectionTables();
    dxf.writeVPort(dw);
    dw.tableLinetypes(3);
    dxf.writeLinetype(dw, DL_LinetypeData("BYBLOCK", "BYBLOCK", 0, 0, 0.0));
    dxf.writeLinetype(dw, DL_LinetypeData("BYLAYER", "BYLAYER", 0, 0, 0.0));
    dxf.writeLinetype(dw, DL_LinetypeData("CONTINUOUS", "Continuous", 0, 0, 0.0));
    dw.tableEnd();
    dw.tableLayers(static_cast<int>(layers.size()));
    for (const Layer& layer : layers) {
        dxf.writeLayer(dw, DL_LayerData(dxfText(layer.name), 0),
                       DL_Attributes("", layer.color, 100, "CONTINUOUS", 1.0));
    }
    dw.tableEnd();
    dw.tableStyle(1);
    dxf.writeStyle(dw, DL_StyleData("standard", 0, 2.5, 1.0, 0.0, 0, 2.5, "txt", ""));
    dw.tableEnd();
    dxf.writeView(dw);
    dxf.writeUcs(dw);
    dw.tableAppid(1);
    dxf.writeAppid(dw, "ACAD");
    dw.tableEnd();
    dxf.writeDimStyle(dw, 1, 1, 1, 1, 1); // ends its own table
    dw.sectionEnd();
}

void writeEntities(DL_Dxf& dxf, DL_WriterA& dw, const std::vector<Layer>& layers,
                   const std::vector<Polyline>& polylines, const std::vector<Line>& lines)
{
    for (const Polyline& polyline : polylines) {
        dxf.writePolyline(dw,
                          DL_PolylineData(static_cast<int>(polyline.vertices.size()), 0, 0,
                                          polyline.closed ? 1 : 0),
                          onLayer(layers, polyline.layer));
        for (Vec2 v : polyline.vertices) {
            dxf.writeVertex(dw, DL_VertexData(v.x, v.y, 0.0, 0.0));
        }
        dxf.writePolylineEnd(dw);
    }
    for (const Line& line : lines) {
        dxf.writeLine(dw, DL_LineData(line.from.x, line.from.y, 0.0, line.to.x, line.to.y, 0.0),
                      onLayer(layers, line.layer));
    }
}

void writeSpaceBlocks(DL_Dxf& dxf, DL_WriterA& dw)
{
    for (const char* block : {"$MODEL_SPACE", "$PAPER_SPACE"}) {
        dxf.writeBlock(dw, DL_BlockData(block, 0, 0.0, 0.0, 0.0));
        dxf.writeEndBlock(dw, block);
    }
}

bool writeDxf(const CadDrawing& drawing, const std::vector<Line>& lines, const std::string& file)
{
    DL_Dxf dxf;
    std::unique_ptr<DL_WriterA> dw(dxf.out(file.c_str(), DL_Codes::AC1009));
    if (!dw) {
        return false;
    }
    writeHeaderAndTables(dxf, *dw, drawing.layers);
    dw->sectionBlocks();
    writeSpaceBlocks(dxf, *dw);
    dw->sectionEnd();

    dw->sectionEntities();
    writeEntities(dxf, *dw, drawing.layers, drawing.polylines, lines);
    dw->sectionEnd();
    dw->dxfEOF();
    dw->close();
    return true;
}

bool writeLibrary(const std::vector<Layer>& layers, const std::vector<DxfBlock>& blocks,
                  const std::string& file)
{
    DL_Dxf dxf;
    std::unique_ptr<DL_WriterA> dw(dxf.out(file.c_str(), DL_Codes::AC1009));
    if (!dw) {
        return false;
    }
    writeHeaderAndTables(dxf, *dw, layers);
    dw->sectionBlocks();
    writeSpaceBlocks(dxf, *dw);
    for (const DxfBlock& block : blocks) {
        const std::string name = dxfText(block.name);
        dxf.writeBlock(*dw, DL_BlockData(name, 0, 0.0, 0.0, 0.0));
        writeEntities(dxf, *dw, layers, block.polylines, block.lines);
        dxf.writeEndBlock(*dw, name);
    }
    dw->sectionEnd();

    dw->sectionEntities();
    const DL_Attributes layerZero("0", 256, -1, "BYLAYER", 1.0);
    for (const DxfBlock& block : blocks) {
        dxf.writeInsert(*dw,
                        DL_InsertData(dxfText(block.name), block.insertion.x, block.insertion.y,
                                      0.0, 1.0, 1.0, 1.0, 0.0, 1, 1, 0.0, 0.0),
                        layerZero);
    }
    dw->sectionEnd();
    dw->dxfEOF();
    dw->close();
    return true;
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
        file, [&](const std::string& temp) { return writeDxf(drawing, lines, temp); }, endsWithEof);
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
        file, [&](const std::string& temp) { return writeLibrary(layers, blocks, temp); },
        endsWithEof);
}

} // namespace drawing
