#include "host/dxf_export.h"

#include "host/atomic_file.h"

#include <dxflib/dl_dxf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>

namespace cadhost {

std::vector<Line> partSilhouette(const Part& part)
{
    std::vector<Line> silhouette;
    if (part.profile.size() < 2) {
        return silhouette;
    }
    // The profile lies above its axis; the axis is its lowest edge.
    double minX = part.profile.front().x, maxX = minX, axisY = part.profile.front().y;
    double topY = axisY;
    for (Vec2 p : part.profile) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        axisY = std::min(axisY, p.y);
        topY = std::max(topY, p.y);
    }
    const double radius = topY - axisY;
    const Vec2 a{minX, axisY + radius}, b{maxX, axisY + radius};
    const Vec2 c{maxX, axisY - radius}, d{minX, axisY - radius};
    silhouette.push_back({part.layer, a, b});
    silhouette.push_back({part.layer, b, c});
    silhouette.push_back({part.layer, c, d});
    silhouette.push_back({part.layer, d, a});
    // Thread marks: at 0.85 of the radius over each thread's length from its end face.
    for (const Thread& thread : part.threads) {
        const bool nearEnd = std::abs(thread.pick.x - minX) <= std::abs(thread.pick.x - maxX);
        double length = maxX - minX;
        if (thread.length != "F") {
            length = std::min(length, std::max(0.0, std::atof(thread.length.c_str())));
        }
        const double from = nearEnd ? minX : maxX - length;
        const double to = nearEnd ? minX + length : maxX;
        for (double y : {axisY + 0.85 * radius, axisY - 0.85 * radius}) {
            silhouette.push_back({part.layer, {from, y}, {to, y}});
        }
        const double boundary = nearEnd ? to : from;
        silhouette.push_back({part.layer, {boundary, axisY + radius}, {boundary, axisY - radius}});
    }
    return silhouette;
}

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
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const std::string end = "\nEOF\n";
    const auto size = static_cast<std::streamoff>(in.tellg());
    if (!in || size < static_cast<std::streamoff>(end.size())) {
        return false;
    }
    std::string tail(end.size(), '\0');
    in.seekg(size - static_cast<std::streamoff>(end.size()));
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    return in && tail == end;
}

bool writeDxf(const CadDrawing& drawing, const std::vector<Line>& lines, const std::string& file)
{
    DL_Dxf dxf;
    std::unique_ptr<DL_WriterA> dw(dxf.out(file.c_str(), DL_Codes::AC1015));
    if (!dw) {
        return false;
    }
    dxf.writeHeader(*dw);
    dw->sectionEnd();
    dw->sectionTables();
    dxf.writeVPort(*dw);
    dw->tableLinetypes(3);
    dxf.writeLinetype(*dw, DL_LinetypeData("BYBLOCK", "BYBLOCK", 0, 0, 0.0));
    dxf.writeLinetype(*dw, DL_LinetypeData("BYLAYER", "BYLAYER", 0, 0, 0.0));
    dxf.writeLinetype(*dw, DL_LinetypeData("CONTINUOUS", "Continuous", 0, 0, 0.0));
    dw->tableEnd();
    dw->tableLayers(static_cast<int>(drawing.layers.size()));
    for (const Layer& layer : drawing.layers) {
        dxf.writeLayer(*dw, DL_LayerData(layer.name, 0),
                       DL_Attributes("", layer.color, 100, "CONTINUOUS", 1.0));
    }
    dw->tableEnd();
    dw->tableStyle(1);
    dxf.writeStyle(*dw, DL_StyleData("standard", 0, 2.5, 1.0, 0.0, 0, 2.5, "txt", ""));
    dw->tableEnd();
    dxf.writeView(*dw);
    dxf.writeUcs(*dw);
    dw->tableAppid(1);
    dxf.writeAppid(*dw, "ACAD");
    dw->tableEnd();
    dxf.writeDimStyle(*dw, 1, 1, 1, 1, 1);
    dxf.writeBlockRecord(*dw);
    dw->tableEnd();
    dw->sectionEnd();
    dw->sectionBlocks();
    for (const char* block : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
        dxf.writeBlock(*dw, DL_BlockData(block, 0, 0.0, 0.0, 0.0));
        dxf.writeEndBlock(*dw, block);
    }
    dw->sectionEnd();

    dw->sectionEntities();
    const auto byLayer = [&drawing](std::size_t layer) {
        return DL_Attributes(drawing.layers.at(layer).name, 256, -1, "BYLAYER", 1.0);
    };
    for (const Polyline& polyline : drawing.polylines) {
        dxf.writePolyline(*dw,
                          DL_PolylineData(static_cast<int>(polyline.vertices.size()), 0, 0,
                                          polyline.closed ? 1 : 0),
                          byLayer(polyline.layer));
        for (Vec2 v : polyline.vertices) {
            dxf.writeVertex(*dw, DL_VertexData(v.x, v.y, 0.0, 0.0));
        }
        dxf.writePolylineEnd(*dw);
    }
    for (const Line& line : lines) {
        dxf.writeLine(*dw, DL_LineData(line.from.x, line.from.y, 0.0, line.to.x, line.to.y, 0.0),
                      byLayer(line.layer));
    }
    dw->sectionEnd();
    dxf.writeObjects(*dw);
    dxf.writeObjectsEnd(*dw);
    dw->dxfEOF();
    dw->close();
    return true;
}

} // namespace

bool saveDxf(const CadDrawing& drawing, const std::string& file)
{
    std::vector<Line> lines = drawing.lines;
    for (const Part& part : drawing.parts) {
        const std::vector<Line> silhouette = partSilhouette(part);
        lines.insert(lines.end(), silhouette.begin(), silhouette.end());
    }
    if (!storable(drawing, lines)) {
        return false;
    }
    return writeFileAtomically(
        file, [&](const std::string& temp) { return writeDxf(drawing, lines, temp); },
        endsWithEof);
}

} // namespace cadhost
