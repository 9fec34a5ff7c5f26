// The stud as a named block through the object model: its definition (the side view, the
// attribute definitions) made once per size, the reference inserted at the insertion point with
// this placement's attribute values and the stud's sizes as extended data; and the pick of a
// placed stud for editing it in place.
#include "cad/quorvel_draw.h"
#include "cad/side_view.h"

namespace {

// Attribute definitions: invisible, so that the drawing looks as with loose lines.
constexpr std::int32_t invisibleAttribute = 1;
constexpr double attributeHeight = 2.5;

const char* const pickPrompt = "Выберите шпильку:";

constexpr double fullTurn = 6.283185307179586;

} // namespace

void QuorvelDraw::Draw_Block_Quorvel(double d, double L, double b, double b1, double c,
                                     const StudBlock& block, bool solid)
{
    DrawSession& s = m_session;
    OleObject definition; // made by this run: removed again if the run fails
    OleObject reference;  // inserted by this run: likewise
    const bool completed = runReported("Draw_Block_Quorvel", HostName::AutoCAD, [&] {
        const OleObject blocks = s.AcadDoc.get("Blocks").toObject();
        OleObject existing;
        try {
            existing = blocks.call("Item", {block.name}).toObject();
        } catch (const EOleException&) {
            // No block of that name: the host answers Item with its exception.
        }
        if (!existing && solid) {
            // The solid as model space gets it (Draw_3D_Solid), made in the block at its base
            // point: the half cross-section, its region revolved about the axis, the solid on the
            // main layer, the helpers deleted.
            std::string mainLayer;
            FindLayer(s.AcadDoc.get("Layers").toObject(), m_layers.LayerMain, mainColor, mainLayer);
            definition = blocks.call("Add", {Point{0, 0, 0}, block.name}).toObject();
            const OleObject outline =
                definition
                    .call("AddLightWeightPolyline", {studHalfSection(d, L, c, Point{0, 0, 0})})
                    .toObject();
            outline.put("Closed", true);
            const Objects regions = definition.call("AddRegion", {Objects{outline}}).toObjects();
            if (regions.size() != 1) {
                throw EOleSysError("AddRegion made " + std::to_string(regions.size()) +
                                       " regions of one closed outline",
                                   statusFail);
            }
            const OleObject made = definition
                                       .call("AddRevolvedSolid", {regions.front(), Point{0, 0, 0},
                                                                  Point{1.0, 0.0, 0.0}, fullTurn})
                                       .toObject();
            made.put("Layer", mainLayer);
            regions.front().call("Delete", {});
            outline.call("Delete", {});
            for (const StudAttribute& attribute : block.attributes) {
                definition.call("AddAttribute",
                                {attributeHeight, invisibleAttribute, attribute.prompt,
                                 Point{0, 0, 0}, attribute.tag, attribute.value});
            }
        } else if (!existing) {
            // The layers as the loose drawing finds or makes them; the entities take the names
            // the layers have in the host.
            const OleObject layers = s.AcadDoc.get("Layers").toObject();
            std::string layerNames[3];
            FindLayer(layers, m_layers.LayerMain, mainColor, layerNames[0]);
            FindLayer(layers, m_layers.LayerThin, thinColor, layerNames[1]);
            FindLayer(layers, m_layers.LayerAxis, axisColor, layerNames[2]);

            definition = blocks.call("Add", {Point{0, 0, 0}, block.name}).toObject();
            const SideView view = studSideView(d, L, b, b1, c, Point{0, 0, 0});
            Doubles vertices;
            for (const auto& [x, y] : view.outline) {
                vertices.insert(vertices.end(), {x, y});
            }
            const OleObject outline =
                definition.call("AddLightWeightPolyline", {std::move(vertices)}).toObject();
            outline.put("Closed", true);
            outline.put("Layer", layerNames[0]);
            for (const SideViewLine& line : view.lines) {
                const OleObject made = definition
                                           .call("AddLine", {Point{line.from[0], line.from[1], 0},
                                                             Point{line.to[0], line.to[1], 0}})
                                           .toObject();
                made.put("Layer", layerNames[static_cast<int>(line.layer)]);
            }
            for (const StudAttribute& attribute : block.attributes) {
                definition.call("AddAttribute",
                                {attributeHeight, invisibleAttribute, attribute.prompt,
                                 Point{0, 0, 0}, attribute.tag, attribute.value});
            }
        }

        reference = s.AcadDoc.get("ModelSpace")
                        .toObject()
                        .call("InsertBlock", {s.InsPoint, block.name, 1.0, 1.0, 1.0, 0.0})
                        .toObject();
        // A definition that was there before may carry other values: each placement sets its own.
        for (const OleObject& attribute : reference.call("GetAttributes", {}).toObjects()) {
            const std::string tag = attribute.get("TagString").toString();
            for (const StudAttribute& own : block.attributes) {
                if (own.tag == tag) {
                    attribute.put("TextString", own.value);
                }
            }
        }
        s.AcadDoc.get("RegisteredApplications").toObject().call("Add", {studApplication});
        reference.call("SetXData", {studDataTypes(), studDataValues(block.stored)});
    });
    if (!completed) {
        // A half-made definition would be shared by every later stud of this size, and a
        // reference without its data could not be reopened: one quiet attempt to remove both.
        for (const OleObject* made : {&reference, &definition}) {
            if (*made) {
                try {
                    made->call("Delete", {});
                } catch (const EOleError&) {
                }
            }
        }
    }
    m_placed = completed ? std::optional<PlacedBlock>({reference, definition}) : std::nullopt;
}

EditOutcome QuorvelDraw::Edit_Stud()
{
    m_replaced.reset(); // a pick that gives no stud leaves none to replace
    DrawSession& s = m_session;
    EditOutcome outcome = EditOutcome::Cancelled;
    std::optional<StoredStud> stored;
    const bool completed = runReported("Edit_Stud", HostName::AutoCAD, [&] {
        s.AcadApp = m_runningObjects.getActiveObject(m_hostClass);
        s.AcadDoc = s.AcadApp.get("ActiveDocument").toObject();
        s.AcadApp.put("Visible", true);
        Variants picked;
        try {
            picked = s.AcadDoc.get("Utility")
                         .toObject()
                         .call("GetEntity", {OutArgument{}, OutArgument{}, pickPrompt})
                         .toVariants();
        } catch (const EOleException&) {
            return; // Esc or a pick on nothing: the host's exception, nothing changes
        }
        if (picked.empty()) {
            return;
        }
        const OleObject object = picked.at(0).toObject();
        const Variants data =
            object.call("GetXData", {studApplication, OutArgument{}, OutArgument{}}).toVariants();
        if (data.size() == 2) {
            stored = storedStud(data[0].toVariants(), data[1].toVariants());
        }
        if (!stored) {
            outcome = EditOutcome::NotAStud;
            return;
        }
        const std::string handle = object.get("Handle").toString();
        m_replaced = handle; // only a stud picked replaces the one picked before
        outcome = EditOutcome::Picked;
    });
    if (!completed) {
        return EditOutcome::Failed;
    }
    if (outcome == EditOutcome::Picked) {
        m_edited = *stored;
    }
    if (outcome == EditOutcome::NotAStud) {
        m_reporter.show({"Warning", std::string(notAStudText), MessageKind::Warning});
    }
    return outcome;
}
