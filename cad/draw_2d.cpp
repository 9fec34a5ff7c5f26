// The stud as a 2D side view: outline, chamfers, thread lines, thread boundaries and axis on the
// three configured layers.
#include "cad/point_text.h"
#include "cad/quorvel_draw.h"
#include "model/cp1251.h"
#include "model/number_text.h"

namespace {

std::string lineCommand(const Point& p, const Point& q)
{
    return "_LINE\r" + PointToText(p) + "\r" + PointToText(q) + "\r" + "\r";
}

} // namespace

OleObject QuorvelDraw::ActivateLayer(const OleObject& layers, const std::string& name,
                                     std::int32_t color)
{
    std::string layerName;
    OleObject layer = FindLayer(layers, name, color, layerName);
    m_session.AcadDoc.put("ActiveLayer", layer);
    return layer;
}

OleObject QuorvelDraw::FindLayer(const OleObject& layers, const std::string& name,
                                 std::int32_t color, std::string& layerName)
{
    // Names compare as the 8-bit bytes of the program's code page, exactly and case-sensitively.
    const std::string wanted = utf8ToCp1251(name);
    // Item 0 is never looked at: the search runs from 1 to Count - 1, Count read anew each time.
    const std::int32_t last = layers.get("Count").toInt32() - 1;
    OleObject layer;
    for (std::int32_t i = 1; i <= last; ++i) {
        OleObject item = layers.call("Item", {i}).toObject();
        std::string itemName = item.get("name").toString();
        if (utf8ToCp1251(itemName) == wanted) {
            layer = item;
            layerName = std::move(itemName);
            break;
        }
    }
    if (!layer) {
        layer = layers.call("Add", {name}).toObject();
        layer.put("color", color);
        layerName = name;
    }
    return layer;
}

void QuorvelDraw::Draw_2D_Quorvel(double d, double L, double b, double b1, double c)
{
    DrawSession& s = m_session;
    runReported("Draw_2D_Quorvel", HostName::AutoCAD, [&] {
        const OleObject layers = s.AcadDoc.get("Layers").toObject();
        const OleObject savedLayer = s.AcadDoc.get("ActiveLayer").toObject();
        const OleObject mainLayer = ActivateLayer(layers, m_layers.LayerMain, mainColor);
        s.Point4 = Point{};
        const auto [x0, y0, z0] = s.InsPoint;

        s.Point1 = {x0, y0 - d * 0.5, z0};
        s.Point2 = {x0 + L, y0 - d * 0.5, z0};
        s.Point3 = {x0 + L, y0 - d * 0.5 + d, z0};
        s.Point4 = {x0, y0 - d * 0.5 + d, z0};
        s.PointText1 = PointToText(s.Point1);
        s.PointText2 = PointToText(s.Point2);
        s.PointText3 = PointToText(s.Point3);
        s.PointText4 = PointToText(s.Point4);
        sendCommand("_PLINE\r" + s.PointText1 + "\r" + s.PointText2 + "\r" + s.PointText3 + "\r" +
                    s.PointText4 + "\r" + "CL" + "\r");

        s.CText = numberText(c);
        sendCommand("_CHAMFER\rD\r" + s.CText + "\r" + s.CText + "\r" + "P" + "\r" + "LAST" + "\r");

        s.Point1 = {x0 + c, y0 - d * 0.5, z0};
        s.Point2 = {x0 + c, y0 - d * 0.5 + d, z0};
        s.Point3 = {x0 + L - c, y0 - d * 0.5 + d, z0};
        s.Point4 = {x0 + L - c, y0 - d * 0.5, z0};
        sendCommand(lineCommand(s.Point1, s.Point2));
        sendCommand(lineCommand(s.Point3, s.Point4));

        ActivateLayer(layers, m_layers.LayerThin, thinColor);
        s.Point1 = {x0, y0 + d * 0.5 - c, z0};
        s.Point2 = {x0 + L, y0 + d * 0.5 - c, z0};
        s.Point3 = {x0, y0 - d * 0.5 + c, z0};
        s.Point4 = {x0 + L, y0 - d * 0.5 + c, z0};
        // Exact comparisons, no tolerance: only a stud threaded end to end is drawn as one thread.
        if (b == b1 && b * 2 == L) {
            sendCommand(lineCommand(s.Point1, s.Point2));
            sendCommand(lineCommand(s.Point3, s.Point4));
        } else {
            s.Point5 = {x0 + b1, y0 + d * 0.5 - c, z0};
            s.Point6 = {x0 + L - b, y0 + d * 0.5 - c, z0};
            sendCommand(lineCommand(s.Point1, s.Point5));
            sendCommand(lineCommand(s.Point6, s.Point2));
            s.Point5[1] = y0 - d * 0.5 + c;
            s.Point6[1] = y0 - d * 0.5 + c;
            sendCommand(lineCommand(s.Point3, s.Point5));
            sendCommand(lineCommand(s.Point6, s.Point4));

            s.Point1 = {x0 + b1, y0 + d * 0.5, z0};
            s.Point2 = {x0 + b1, y0 + d * 0.5 - d, z0};
            s.Point3 = {x0 + L - b, y0 + d * 0.5, z0};
            s.Point4 = {x0 + L - b, y0 + d * 0.5 - d, z0};
            s.AcadDoc.put("ActiveLayer", mainLayer);
            sendCommand(lineCommand(s.Point1, s.Point2));
            sendCommand(lineCommand(s.Point3, s.Point4));
        }

        ActivateLayer(layers, m_layers.LayerAxis, axisColor);
        s.Point1 = {x0 - c, y0, z0};
        s.Point2 = {x0 + L + c, y0, z0};
        sendCommand(lineCommand(s.Point1, s.Point2));
        s.AcadDoc.put("ActiveLayer", savedLayer);
    });
}
