// «Спецификация…» in the CAD program: the studs read from the active drawing, and the parts list
// drawn there as a table.
#include "cad/parts_list_table.h"
#include "cad/quorvel_draw.h"
#include "cad/stud_collection.h"

namespace {

// The document's name or folder; a host that does not tell them gives none, and the program then
// offers the user's own folder and name.
std::string documentText(const OleObject& document, std::string_view member)
{
    try {
        return document.get(member).toString();
    } catch (const EOleError&) {
        return {};
    } catch (const VariantTypeError&) {
        return {};
    }
}

} // namespace

void deleteQuietly(std::vector<OleObject>& made)
{
    while (!made.empty()) {
        try {
            made.back().call("Delete", {});
        } catch (const EOleError&) {
        }
        made.pop_back();
    }
}

std::optional<SpecSource> QuorvelDraw::Spec_Quorvel()
{
    DrawSession& s = m_session;
    SpecSource source;
    const bool completed = runReported("Spec_Quorvel", HostName::AutoCAD, [&] {
        s.AcadApp = m_runningObjects.getActiveObject(m_hostClass);
        s.AcadDoc = s.AcadApp.get("ActiveDocument").toObject();
        s.AcadApp.put("Visible", true);
        source.folder = documentText(s.AcadDoc, "Path");
        source.drawingName = documentText(s.AcadDoc, "Name");
        source.studs = collectStuds(s.AcadDoc);
    });
    if (!completed) {
        return std::nullopt;
    }
    return source;
}

bool QuorvelDraw::Draw_Spec_Quorvel(const PartsList& list)
{
    DrawSession& s = m_session;
    bool drawn = false;
    runReported("Draw_Spec_Quorvel", HostName::AutoCAD, [&] {
        Point topLeft;
        try {
            topLeft = s.AcadDoc.get("Utility")
                          .toObject()
                          .call("GetPoint", {Variant{}, std::string(specPointPrompt)})
                          .toPoint();
        } catch (const EOleException&) {
            return; // Esc: the host's exception; nothing is drawn
        }
        std::string mainLayer;
        FindLayer(s.AcadDoc.get("Layers").toObject(), m_layers.LayerMain, mainColor, mainLayer);
        const OleObject modelSpace = s.AcadDoc.get("ModelSpace").toObject();
        const PartsListTable table = partsListTable(list, topLeft);
        std::vector<OleObject> made; // deleted again if the run fails
        try {
            for (const TableLine& line : table.lines) {
                made.push_back(modelSpace.call("AddLine", {line.from, line.to}).toObject());
                made.back().put("Layer", mainLayer);
            }
            for (const TableText& text : table.texts) {
                made.push_back(
                    modelSpace.call("AddText", {text.text, text.at, text.height}).toObject());
                if (text.rotation != 0) {
                    made.back().put("Rotation", text.rotation);
                }
                made.back().put("Layer", mainLayer);
            }
        } catch (...) {
            deleteQuietly(made);
            throw;
        }
        drawn = true;
    });
    return drawn;
}
